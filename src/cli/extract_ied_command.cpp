// rq30517-cli extract-ied FILE NAME OUT: IED NAME of an SCL file written as an SCL file of its
// own, the file the access editor puts into the catalog when that IED is chosen.
#include <exception>
#include <iostream>
#include <string>

#include "app/all_texts.h"
#include "app/cli_strings.h"
#include "cli/commands.h"
#include "scl/ied_catalog.h"
#include "text/lang_strings.h"
#include "util/files.h"

namespace cli {

int Extract_Ied_Command(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << Say(cli_strings::Text_Cli_Usage_Extract_Ied) << "\n";
    return 2;
  }
  const std::string file = argv[0];
  if (!util::File_Exists(file)) {
    std::cerr << "rq30517-cli extract-ied: " << Say(cli_strings::Text_Cli_No_Such_File, {file})
              << "\n";
    return 1;
  }
  try {
    UIEC_Client_Decode::Write_Extracted_IED(file, argv[1], argv[2], lang::English_Strings());
  } catch (const std::exception& e) {
    std::cerr << "rq30517-cli extract-ied: " << e.what() << '\n';
    return 1;
  }
  return 0;
}

}  // namespace cli
