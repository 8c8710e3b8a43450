#include "update/start_program.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "support/test_support.h"
#include "util/files.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32

// The Linux tests start shell scripts and read /proc; on Windows the stand-in updater's tests
// start a real program through the same call, and these cover what remains.
TEST(Start_Program, Waits_For_A_Program_That_Ends) {
  GTEST_SKIP() << "starts shell scripts; Stand_In_Updater starts Ethernet_Update.exe on Windows";
}

TEST(Start_Program, Leaves_A_Program_Running_After_The_Limit_And_Reaps_It_When_It_Ends) {
  GTEST_SKIP() << "Linux zombies read from /proc: Windows keeps no such state to collect";
}

TEST(Start_Program, Reports_Why_A_Program_Cannot_Start) {
  test::Temp_Dir bin;
  try {
    UBoot::Start_Program(bin / "Ethernet_Update.exe", "", false);
    ADD_FAILURE() << "started";
  } catch (const UBoot::Start_Error& refusal) {
    EXPECT_EQ(refusal.what(), util::System_Error_Text(ERROR_FILE_NOT_FOUND));
  }
}

#else

std::string Script(const test::Temp_Dir& dir, const std::string& name, const std::string& body,
                   mode_t mode = 0755) {
  const std::string path = dir / name;
  test::Write(path, "#!/bin/sh\n" + body);
  chmod(path.c_str(), mode);
  return path;
}

// Runs `body` with `dir` as the current folder.
template <typename F>
void In_Folder(const std::string& dir, F body) {
  char previous[4096];
  ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(chdir(dir.c_str()), 0);
  body();
  ASSERT_EQ(chdir(previous), 0);
}

// The updater gets no arguments, runs in the configurator's current folder, and its end (with
// whatever exit code) ends the wait.
TEST(Start_Program, Waits_For_A_Program_That_Ends) {
  test::Temp_Dir bin, work;
  const std::string program =
      Script(bin, "Ethernet_Update.exe", "echo \"$#:$1\" > started_here.txt\nexit 3\n");
  In_Folder(work.path(), [&] {
    const UBoot::Start_Result r = UBoot::Start_Program(program, "", false);
    EXPECT_TRUE(r.Ended);
    EXPECT_EQ(r.Exit_Code, 3);
    EXPECT_EQ(test::Read(work / "started_here.txt"), "0:\n");
    // A command line, when there is one, arrives whole as one argument.
    EXPECT_TRUE(UBoot::Start_Program(program, "a b", false).Ended);
    EXPECT_EQ(test::Read(work / "started_here.txt"), "1:a b\n");
  });
}

// The state letter of a process in /proc ('Z' for a zombie), or 0 once it is gone.
char Process_State(long pid) {
  const std::string stat = "/proc/" + std::to_string(pid) + "/stat";
  if (!util::File_Exists(stat)) return 0;
  const std::string text = test::Read(stat);
  const size_t name_end = text.rfind(')');
  return name_end == std::string::npos || name_end + 2 >= text.size() ? 0 : text[name_end + 2];
}

// After the limit the program is left running; once it ends it is collected at once, with no
// further call, so it does not stay behind as a zombie while the configurator runs on.
TEST(Start_Program, Leaves_A_Program_Running_After_The_Limit_And_Reaps_It_When_It_Ends) {
  test::Temp_Dir bin;
  const std::string program = Script(bin, "slow", "exec sleep 30\n");
  const UBoot::Start_Result r = UBoot::Start_Program(program, "", false, 300);
  EXPECT_FALSE(r.Ended);
  ASSERT_GT(r.Pid, 0);
  EXPECT_EQ(kill(static_cast<pid_t>(r.Pid), 0), 0) << "no longer running";
  const char running = Process_State(r.Pid);
  EXPECT_TRUE(running == 'S' || running == 'R') << running;

  kill(static_cast<pid_t>(r.Pid), SIGKILL);
  char state = 'S';
  for (int i = 0; i < 300 && state != 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    state = Process_State(r.Pid);
  }
  EXPECT_EQ(state, 0) << "the ended program was not collected (state " << state << ")";
}

TEST(Start_Program, Reports_Why_A_Program_Cannot_Start) {
  test::Temp_Dir bin;
  const std::string not_executable = Script(bin, "plain", "exit 0\n", 0644);
  const struct {
    std::string program;
    const char* reason;
  } cases[] = {{bin / "Ethernet_Update.exe", "No such file or directory"},
               {not_executable, "Permission denied"},
               {bin.path(), "Permission denied"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.program);
    try {
      UBoot::Start_Program(c.program, "", false);
      ADD_FAILURE() << "started";
    } catch (const UBoot::Start_Error& refusal) {
      EXPECT_STREQ(refusal.what(), c.reason);
    }
  }
}

#endif

}  // namespace
