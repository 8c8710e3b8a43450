#include "support/test_support.h"

#ifdef _WIN32
#include <windows.h>

#include <random>

#include "util/utf.h"
#else
#include <sys/wait.h>
#endif

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "app/all_texts.h"
#include "util/files.h"

namespace test {

#ifdef _WIN32
// Windows has no mkdtemp: random names are tried until one is new.
Temp_Dir::Temp_Dir() {
  static std::mt19937_64 random(std::random_device{}() ^ GetCurrentProcessId());
  const std::string letters = "abcdefghijklmnopqrstuvwxyz0123456789";
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = "rq30517-test-";
    for (int i = 0; i < 6; ++i) name += letters[random() % letters.size()];
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / name;
    if (std::filesystem::create_directory(dir)) {
      path_ = dir.generic_string();
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}
#else
Temp_Dir::Temp_Dir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "rq30517-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}
#endif

Temp_Dir::~Temp_Dir() {
  std::error_code ignored;
  // Tests may have taken write permission away from folders inside; give it back first.
  for (auto& entry : std::filesystem::recursive_directory_iterator(
           path_, std::filesystem::directory_options::skip_permission_denied, ignored))
    std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

// A path (UTF-8) as the file streams take it: on Windows they would read a narrow name in the
// local code page.
static std::filesystem::path Fs_Path(const std::string& path) {
  return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

std::string Read(const std::string& path) {
  std::ifstream in(Fs_Path(path), std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void Write(const std::string& path, const std::string& content) {
  std::ofstream out(Fs_Path(path), std::ios::binary);
  if (!out) throw std::runtime_error("cannot write " + path);
  out << content;
}

#ifdef _WIN32
// One argument as the C runtime's command-line parser reads it back: in double quotes, with
// the backslashes before a quote doubled.
static std::wstring Quoted(const std::string& arg) {
  std::wstring quoted = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : util::Utf8_To_Wide(arg)) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, L'\\');
  return quoted + L"\"";
}

// The program runs with its output and errors in files and the null device as input.
Run_Result Run_Program(const std::string& program, const std::vector<std::string>& args) {
  Temp_Dir io;
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  auto open = [&](const std::string& path, DWORD access, DWORD disposition) {
    return CreateFileW(util::Utf8_To_Wide(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       &inherit, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  };
  HANDLE out = open(io / "out", GENERIC_WRITE, CREATE_ALWAYS);
  HANDLE err = open(io / "err", GENERIC_WRITE, CREATE_ALWAYS);
  HANDLE in = open("NUL", GENERIC_READ, OPEN_EXISTING);
  std::wstring command = Quoted(program);
  for (const std::string& arg : args) command += L" " + Quoted(arg);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  Run_Result result;
  if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                     &process)) {
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    if (GetExitCodeProcess(process.hProcess, &code)) result.status = static_cast<int>(code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  for (HANDLE h : {out, err, in})
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  result.out = Read(io / "out");
  result.err = Read(io / "err");
  return result;
}
#else
static std::string Quoted(const std::string& arg) {
  std::string quoted = "'";
  for (char c : arg) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

Run_Result Run_Program(const std::string& program, const std::vector<std::string>& args) {
  Temp_Dir io;
  std::string command = Quoted(program);
  for (const std::string& arg : args) command += " " + Quoted(arg);
  command += " >" + Quoted(io / "out") + " 2>" + Quoted(io / "err") + " </dev/null";
  Run_Result result;
  const int raw = std::system(command.c_str());
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.out = Read(io / "out");
  result.err = Read(io / "err");
  return result;
}
#endif

bool Make_Folder_Link(const std::string& target, const std::string& link) {
  std::error_code error;
  std::filesystem::create_directory_symlink(Fs_Path(target), Fs_Path(link), error);
  return !error;
}

std::string No_Such_File_Text() {
#ifdef _WIN32
  return util::System_Error_Text(ERROR_FILE_NOT_FOUND);
#else
  return util::System_Error_Text(ENOENT);
#endif
}

// The environment's value (ctest sets it), else the place the build knows.
static std::string Env(const char* name, const char* built_in) {
  const char* value = std::getenv(name);
  return value ? value : built_in;
}

std::string Data_Dir() { return Env("RQ_TEST_DATA", RQ_BUILT_IN_TEST_DATA); }

std::string Scl_Samples_Dir() {
  std::string dir = Env("RQ_SCL_SAMPLES", RQ_BUILT_IN_SCL_SAMPLES);
  return (!dir.empty() && std::filesystem::is_directory(dir)) ? dir : "";
}

std::vector<std::string> Scl_Sample_Files() {
  const std::string dir = Scl_Samples_Dir();
  std::vector<std::string> files;
  if (dir.empty()) return files;
  for (const std::string& name : util::List_Folder(dir)) {
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos) continue;
    std::string extension = name.substr(dot + 1);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const char* scl : {"scd", "ssd", "sed", "icd", "iid", "cid"})
      if (extension == scl) files.push_back(util::Join_Path(dir, name));
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string Bin_Dir() { return Env("RQ_BIN_DIR", RQ_BUILT_IN_BIN_DIR); }

const lang::Lang_Strings& English() {
  static const lang::Lang_Strings english = lang::English_Strings();
  return english;
}

}  // namespace test
