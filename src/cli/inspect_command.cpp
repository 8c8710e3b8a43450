// rq30517-cli inspect: what a bank1.bin or bank2.bin puts into the device, field by field.
#include <filesystem>
#include <iostream>
#include <string>

#include "app/cli_strings.h"
#include "cli/commands.h"
#include "image/client_tables.h"
#include "image/image_inspect.h"
#include "util/files.h"

namespace cli {

int Inspect_Command(int argc, char** argv) {
  if (argc != 1) {
    std::cerr << Say(cli_strings::Text_Cli_Usage_Inspect) << "\n";
    return 2;
  }
  const std::string path = argv[0];
  if (!util::File_Exists(path)) {
    std::cerr << "rq30517-cli inspect: " << Say(cli_strings::Text_Cli_Not_A_File, {path}) << "\n";
    return 1;
  }
  // Neither image is larger than the device region of the client tables; a larger file is
  // refused before it is read, so a huge file costs no memory.
  std::error_code size_error;
  const auto size = std::filesystem::file_size(path, size_error);
  if (!size_error && size > static_cast<uintmax_t>(USaveBincc::Bank2_Capacity)) {
    std::cerr << "rq30517-cli inspect: "
              << Say(cli_strings::Text_Cli_Image_Too_Large, {path, std::to_string(size)}) << "\n";
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
    std::cerr << "rq30517-cli inspect: "
              << Say(cli_strings::Text_Cli_Not_An_Image, {path, e.what()}) << "\n";
    return 1;
  }
  std::cout.flush();
  if (!std::cout) {
    std::cerr << "rq30517-cli inspect: " << Say(cli_strings::Text_Cli_Report_Cut) << "\n";
    return 1;
  }
  return 0;
}

}  // namespace cli
