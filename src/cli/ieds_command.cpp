// rq30517-cli ieds FILE: the IEDs of an SCL file, as one line of JSON.
#include <exception>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>

#include "app/cli_strings.h"
#include "cli/commands.h"
#include "scl/ied_catalog.h"
#include "util/files.h"

namespace cli {

int Ieds_Command(int argc, char** argv) {
  if (argc != 1) {
    std::cerr << Say(cli_strings::Text_Cli_Usage_Ieds) << "\n";
    return 2;
  }
  const std::string file = argv[0];
  if (!util::File_Exists(file)) {
    std::cerr << "rq30517-cli ieds: " << Say(cli_strings::Text_Cli_No_Such_File, {file}) << "\n";
    return 1;
  }
  try {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const UIEC_Client_Decode::IED_Info& ied : UIEC_Client_Decode::List_IEDs(file))
      list.push_back({{"name", ied.name},
                      {"manufacturer", ied.manufacturer},
                      {"type", ied.type},
                      {"desc", ied.desc},
                      {"ip", ied.ip},
                      {"server", ied.server}});
    std::cout << list.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
              << '\n';
  } catch (const std::exception& e) {
    std::cerr << "rq30517-cli ieds: " << e.what() << '\n';
    return 1;
  }
  std::cout.flush();
  return std::cout ? 0 : 1;
}

}  // namespace cli
