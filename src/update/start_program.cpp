#include "update/start_program.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "util/files.h"

#ifdef _WIN32
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include "util/utf.h"
#else
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

namespace UBoot {

#ifdef _WIN32

Start_Result Start_Program(const std::string& NomeSW, const std::string& Parameter, bool tipo,
                           int limit_ms) {
  Start_Result result;
  // Nothing signals the event: waiting on it is a 10 ms pause.
  HANDLE event = CreateEventW(nullptr, FALSE, FALSE, L"HandleCed");
  const std::wstring file = util::Utf8_To_Wide(NomeSW);
  const std::wstring parameters = util::Utf8_To_Wide(Parameter);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  // Keep the process handle (0x40) and let the configurator report a failure itself, so the
  // user does not get two boxes for one failure.
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.lpFile = file.c_str();
  info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
  info.nShow = tipo ? SW_HIDE : SW_SHOWNORMAL;
  bool launched = false;
  try {
    launched = ShellExecuteExW(&info) && info.hProcess != nullptr;
  } catch (...) {
    // A shell extension loaded into the process may throw through the shell's call (a C++ or
    // structured exception): it counts as a start that failed, with the system's last reason.
    launched = false;
  }
  if (!launched) {
    const std::string reason = util::System_Error_Text(GetLastError());
    if (event) CloseHandle(event);
    throw Start_Error(reason);
  }
  if (event) ResetEvent(event);
  {
    const DWORD start = GetTickCount();
    for (;;) {
      DWORD code = STILL_ACTIVE;
      GetExitCodeProcess(info.hProcess, &code);
      if (code != STILL_ACTIVE) {
        result.Ended = true;
        result.Exit_Code = static_cast<int>(code);
        break;
      }
      if (GetTickCount() - start > static_cast<DWORD>(limit_ms) - 1) break;
      if (event)
        WaitForSingleObject(event, Updater_Poll_Ms);
      else
        Sleep(Updater_Poll_Ms);
    }
    result.Pid = static_cast<long>(GetProcessId(info.hProcess));
    CloseHandle(info.hProcess);
  }
  if (event) CloseHandle(event);
  return result;
}

#else

namespace {

// A child left running is still the configurator's child: when it ends, the system keeps its
// exit status until it is collected. A small thread of its own waits for exactly that process
// and collects it at once; the window never waits for it.
void Reap_When_Ended(pid_t pid) {
  std::thread([pid] {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
}

}  // namespace

Start_Result Start_Program(const std::string& NomeSW, const std::string& Parameter, bool /*tipo*/,
                           int limit_ms) {
  Start_Result result;
  std::vector<char*> argv;
  std::string program = NomeSW;
  std::string argument = Parameter;
  argv.push_back(program.data());
  if (!argument.empty()) argv.push_back(argument.data());
  argv.push_back(nullptr);

  pid_t pid = 0;
  // posix_spawn reports a program that is missing or cannot be executed as its return value.
  const int error = posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ);
  if (error != 0) throw Start_Error(util::System_Error_Text(error));
  result.Pid = pid;

  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  for (;;) {
    int status = 0;
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid || (done < 0 && errno != EINTR)) {
      result.Ended = true;
      if (done == pid && WIFEXITED(status)) result.Exit_Code = WEXITSTATUS(status);
      break;
    }
    if (Clock::now() - start > std::chrono::milliseconds(limit_ms) - std::chrono::milliseconds(1))
      break;
    std::this_thread::sleep_for(std::chrono::milliseconds(Updater_Poll_Ms));
  }
  if (!result.Ended) Reap_When_Ended(pid);
  return result;
}

#endif

}  // namespace UBoot
