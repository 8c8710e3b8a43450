#include "support/test_support.h"

#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "util/files.h"

namespace test {

Temp_Dir::Temp_Dir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "rq30517-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

Temp_Dir::~Temp_Dir() {
  std::error_code ignored;
  // Tests may have taken write permission away from folders inside; give it back first.
  for (auto& entry : std::filesystem::recursive_directory_iterator(
           path_, std::filesystem::directory_options::skip_permission_denied, ignored))
    std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void Write(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary);
  if (!out) throw std::runtime_error("cannot write " + path);
  out << content;
}

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

}  // namespace test
