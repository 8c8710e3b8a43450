// Helpers shared by the tests: temporary folders, file access, and where fixtures live.
#pragma once

#include <string>
#include <vector>

#include "text/lang_strings.h"

namespace test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class Temp_Dir {
 public:
  Temp_Dir();
  ~Temp_Dir();
  Temp_Dir(const Temp_Dir&) = delete;
  Temp_Dir& operator=(const Temp_Dir&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

std::string Read(const std::string& path);
// Makes `link` a link to the folder `target`; false where the system refuses (Windows lets only
// privileged users or developer mode make links), and the test then skips.
bool Make_Folder_Link(const std::string& target, const std::string& link);

// The system's reason for a file that is not there, as the file layer's errors word it.
std::string No_Such_File_Text();

// Runs a program with its arguments (no shell interpretation of them), stdin empty.
struct Run_Result {
  int status = -1;  // exit status, -1 when it did not exit normally
  std::string out, err;
};
Run_Result Run_Program(const std::string& program, const std::vector<std::string>& args);
void Write(const std::string& path, const std::string& content);

// The built-in English texts, in which the command line words its messages.
const lang::Lang_Strings& English();

// tests/ in the source tree (fixtures sit beside the tests that use them).
std::string Data_Dir();
// ../shared/scl-samples beside the checkout, or empty when that folder does not exist.
std::string Scl_Samples_Dir();
// The SCL files of that folder (.icd, .cid, .iid, .scd, .ssd, .sed, any letter case) as full
// paths in name order; ASSERT on it being non-empty after RQ_SCL_SAMPLES_OR_SKIP.
std::vector<std::string> Scl_Sample_Files();

// Ends the current test as skipped, saying why, where the shared samples are absent.
#define RQ_SCL_SAMPLES_OR_SKIP()                                                         \
  if (::test::Scl_Samples_Dir().empty()) {                                               \
    GTEST_SKIP() << "no shared SCL samples beside the checkout (../shared/scl-samples)"; \
  }
// build/bin, where the programs are.
std::string Bin_Dir();

}  // namespace test
