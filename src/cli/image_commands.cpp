// rq30517-cli build: the Update step's image build on a configuration folder.
// rq30517-cli inspect: what a bank1.bin or bank2.bin puts into the device, field by field.
#include <filesystem>
#include <iostream>
#include <string>

#include "app/context.h"
#include "cli/commands.h"
#include "image/client_tables.h"
#include "image/image_build.h"
#include "image/image_inspect.h"
#include "image/image_texts.h"
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
      util::Require_Inside(ctx.Active_Conf_Dir, bin);
      if (const auto mixed = USaveBincc::Check_Bank_Pair(bin))
        std::cerr << "rq30517-cli build: " << *mixed << " " << image_texts::Text_Bank_Pair_Replaced
                  << "\n";
    }
    USaveBincc::Build_And_Save_Images(ctx.ParGen_File, ctx.IEC_Client_File, ctx.Active_Conf_Dir);
  } catch (const std::exception& failure) {
    std::cerr << "rq30517-cli build: " << failure.what() << "\n";
    return 1;
  }
  if (const auto mixed = USaveBincc::Check_Bank_Pair(bin)) {
    std::cerr << "rq30517-cli build: " << *mixed << "\n";
    return 1;
  }
  std::cout << USaveBincc::Bank1_File(ctx.Active_Conf_Dir) << "\n"
            << USaveBincc::Bank2_File(ctx.Active_Conf_Dir) << "\n";
  return 0;
}

int Inspect_Command(int argc, char** argv) {
  if (argc != 1) {
    std::cerr << "Usage: rq30517-cli inspect FILE\n";
    return 2;
  }
  const std::string path = argv[0];
  if (!util::File_Exists(path)) {
    std::cerr << "rq30517-cli inspect: " << path << " is not a file\n";
    return 1;
  }
  // Neither image is larger than the device region of the client tables; a larger file is
  // refused before it is read, so a huge file costs no memory.
  std::error_code size_error;
  const auto size = std::filesystem::file_size(path, size_error);
  if (!size_error && size > static_cast<uintmax_t>(USaveBincc::Bank2_Capacity)) {
    std::cerr << "rq30517-cli inspect: " << path << " has " << size
              << " bytes, more than either image can have\n";
    return 1;
  }
  std::string bytes;
  try {
    bytes = util::Read_File(path);
  } catch (const util::File_Error& e) {
    std::cerr << "rq30517-cli inspect: " << e.what() << "\n";
    return 1;
  }
  // The report goes out as it is made: a hostile image cannot make it pile up in memory.
  try {
    USaveBincc::Describe_Image(bytes, std::cout);
  } catch (const USaveBincc::Image_Error& e) {
    std::cerr << "rq30517-cli inspect: " << path << " is " << e.what() << "\n";
    return 1;
  }
  std::cout.flush();
  if (!std::cout) {
    std::cerr << "rq30517-cli inspect: the report could not be written in full\n";
    return 1;
  }
  return 0;
}

}  // namespace cli
