// rq30517-cli build: the Update step's image build on a configuration folder. A configuration
// whose check finds values the device cannot take is not built unless --force is given.
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "app/all_texts.h"
#include "app/cli_strings.h"
#include "check/check.h"
#include "check/check_strings.h"
#include "cli/commands.h"
#include "conf/conf_paths.h"
#include "image/image_build.h"
#include "image/image_strings.h"
#include "util/files.h"
#include "util/text.h"

namespace cli {

namespace {

// The errors of the saved configuration that put invalid values into the images, each written
// to stderr as `check` writes it; their count.
size_t Report_Blocking_Errors(const conf::Conf_Paths& folder, const lang::Lang_Strings& english) {
  if (!util::Path_Present(folder.IEC_Client_File)) return 0;
  check::Conf_Options options;
  options.separator = util::Get_Dec_Separator();
  options.scl_check = nullptr;  // the SCL files' own findings change nothing in the images
  options.bank_pair = false;    // named below, before the build replaces them
  size_t count = 0;
  try {
    check::Check_Configuration(
        folder.Active_Conf_Dir, options,
        [&](const check::Finding& f) {
          if (!check::Blocks_Build(f)) return;
          ++count;
          std::cerr << f.file << ':';
          if (f.line) std::cerr << *f.line << ':';
          std::cerr << ' ' << check::Severity_Text(f.severity) << ": [" << f.rule << "] "
                    << f.message << '\n';
        },
        english);
  } catch (const std::exception&) {
    // A file that cannot be read: the build says why.
  }
  return count;
}

}  // namespace

int Build_Command(int argc, char** argv) {
  bool force = false;
  std::vector<std::string> paths;
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--force") == 0)
      force = true;
    else
      paths.push_back(argv[i]);
  }
  if (paths.size() != 1 || (paths[0].size() > 1 && paths[0][0] == '-')) {
    std::cerr << Say(cli_strings::Text_Cli_Usage_Build) << "\n";
    return 2;
  }
  const conf::Conf_Paths folder = conf::Conf_Paths_Of(paths[0]);
  const lang::Lang_Strings english = lang::English_Strings();  // the command line's words
  const std::string bin = USaveBincc::Bin_Dir(folder.Active_Conf_Dir);
  if (const size_t blocking = Report_Blocking_Errors(folder, english); blocking > 0) {
    std::cerr
        << "rq30517-cli build: " << blocking
        << english[force ? check_strings::Text_Build_Forced : check_strings::Text_Build_Refused]
        << "\n";
    if (!force) return 1;
  }
  try {
    // Images of two builds left by an interrupted one are named before this build replaces them.
    if (util::Dir_Exists(folder.Active_Conf_Dir)) {
      util::Require_Inside(folder.Active_Conf_Dir, bin, english);
      if (const auto mixed = USaveBincc::Check_Bank_Pair(bin, english))
        std::cerr << "rq30517-cli build: " << *mixed << " "
                  << english[image_strings::Text_Bank_Pair_Replaced] << "\n";
    }
    USaveBincc::Build_And_Save_Images(folder.ParGen_File, folder.IEC_Client_File,
                                      folder.Active_Conf_Dir, english);
  } catch (const std::exception& failure) {
    std::cerr << "rq30517-cli build: " << failure.what() << "\n";
    return 1;
  }
  // What bin holds now is one build's images, or the build says it is not.
  if (const auto mixed = USaveBincc::Check_Bank_Pair(bin, english)) {
    std::cerr << "rq30517-cli build: " << *mixed << "\n";
    return 1;
  }
  std::cout << USaveBincc::Bank1_File(folder.Active_Conf_Dir) << "\n"
            << USaveBincc::Bank2_File(folder.Active_Conf_Dir) << "\n";
  return 0;
}

}  // namespace cli
