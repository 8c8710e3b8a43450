// rq30517-cli build: the Update step's image build on a configuration folder.
#include <iostream>
#include <string>

#include "app/context.h"
#include "cli/commands.h"
#include "image/image_build.h"
#include "image/image_strings.h"
#include "util/files.h"

namespace cli {

int Build_Command(int argc, char** argv) {
  if (argc != 1) {
    std::cerr << "Usage: rq30517-cli build CONF_DIR\n";
    return 2;
  }
  app::App_Context ctx;
  ctx.Active_Conf_Dir = argv[0];
  ctx.Set_Files();
  const std::string bin = USaveBincc::Bin_Dir(ctx.Active_Conf_Dir);
  try {
    // Images of two builds left by an interrupted one are named before this build replaces them.
    if (util::Dir_Exists(ctx.Active_Conf_Dir)) {
      util::Require_Inside(ctx.Active_Conf_Dir, bin, ctx.Lang_Strings);
      if (const auto mixed = USaveBincc::Check_Bank_Pair(bin, ctx.Lang_Strings))
        std::cerr << "rq30517-cli build: " << *mixed << " "
                  << ctx.Lang_Strings[image_strings::Text_Bank_Pair_Replaced] << "\n";
    }
    USaveBincc::Build_And_Save_Images(ctx.ParGen_File, ctx.IEC_Client_File, ctx.Active_Conf_Dir,
                                      ctx.Lang_Strings);
  } catch (const std::exception& failure) {
    std::cerr << "rq30517-cli build: " << failure.what() << "\n";
    return 1;
  }
  // What bin holds now is one build's images, or the build says it is not.
  if (const auto mixed = USaveBincc::Check_Bank_Pair(bin, ctx.Lang_Strings)) {
    std::cerr << "rq30517-cli build: " << *mixed << "\n";
    return 1;
  }
  std::cout << USaveBincc::Bank1_File(ctx.Active_Conf_Dir) << "\n"
            << USaveBincc::Bank2_File(ctx.Active_Conf_Dir) << "\n";
  return 0;
}

}  // namespace cli
