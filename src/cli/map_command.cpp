// rq30517-cli map CONF_DIR [--csv]: the gateway's data map of a configuration, as the Update
// step builds it from IEC_61850_Client.xml: one line of JSON, or the CSV the editor exports.
#include <exception>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "access/data_map.h"
#include "app/all_texts.h"
#include "app/cli_strings.h"
#include "cli/commands.h"
#include "conf/conf_paths.h"
#include "util/files.h"

namespace cli {

namespace {

using nlohmann::ordered_json;
using namespace UIEC_61850_Access;

ordered_json Entry_Json(const Map_Entry& e) {
  const bool member = e.Kind == Map_Kind::Member;
  return {{"kind", Kind_Text(e.Kind)},
          {"row", e.Row},
          {"member", member ? ordered_json(e.Member) : ordered_json(nullptr)},
          {"index", e.Index},
          {"reference", e.Reference},
          {"btype", e.bType},
          {"fc", e.fc},
          {"position", e.Placed() ? ordered_json(*e.Position) : ordered_json(nullptr)},
          {"start_bit", e.Start_Bit},
          {"rw", e.ReadWrite},
          {"conversion", e.Conversion},
          {"factor", e.Factor},
          {"mnemonic", e.Mnemonic},
          {"ip", e.IPAddress},
          {"port", e.Port}};
}

ordered_json Map_Json(const Data_Map& map) {
  ordered_json entries = ordered_json::array();
  for (const Map_Entry& e : map.Entries) entries.push_back(Entry_Json(e));
  ordered_json conflicts = ordered_json::array();
  for (const Map_Conflict& c : map.Conflicts)
    conflicts.push_back(
        {{"position", c.Position}, {"start_bit", c.Start_Bit}, {"entries", c.Entries}});
  return {{"entries", std::move(entries)},
          {"conflicts", std::move(conflicts)},
          {"unplaced", map.Unplaced},
          {"used", map.Used},
          {"free", map.Free()}};
}

// One line with a blank after every ":" and ",", as the map's JSON is documented.
void Write_Json(const ordered_json& value, std::string& out) {
  if (value.is_object() || value.is_array()) {
    const bool object = value.is_object();
    out += object ? '{' : '[';
    bool first = true;
    for (auto item = value.begin(); item != value.end(); ++item) {
      if (!first) out += ", ";
      first = false;
      if (object) {
        Write_Json(ordered_json(item.key()), out);
        out += ": ";
      }
      Write_Json(item.value(), out);
    }
    out += object ? '}' : ']';
    return;
  }
  out += value.dump(-1, ' ', false, ordered_json::error_handler_t::replace);
}

}  // namespace

int Map_Command(int argc, char** argv) {
  // "--csv" may stand before or after the folder.
  bool csv = false;
  std::vector<std::string> folders;
  for (int i = 0; i < argc; ++i) {
    if (std::string(argv[i]) == "--csv")
      csv = true;
    else
      folders.emplace_back(argv[i]);
  }
  if (folders.size() != 1) {
    std::cerr << Say(cli_strings::Text_Cli_Usage_Map) << "\n";
    return 2;
  }
  const conf::Conf_Paths folder = conf::Conf_Paths_Of(folders.front());
  if (!util::File_Exists(folder.IEC_Client_File)) {
    std::cerr << "rq30517-cli map: "
              << Say(cli_strings::Text_Cli_Not_A_File, {folder.IEC_Client_File}) << "\n";
    return 1;
  }
  Data_Map map;
  try {
    map = Read_Data_Map(folder.IEC_Client_File, lang::English_Strings());
  } catch (const std::exception& e) {
    std::cerr << "rq30517-cli map: " << e.what() << "\n";
    return 1;
  }
  if (csv)
    std::cout << Data_Map_Csv(map);
  else {
    std::string line;
    Write_Json(Map_Json(map), line);
    std::cout << line << "\n";
  }
  std::cout.flush();
  if (!std::cout) {
    std::cerr << "rq30517-cli map: " << Say(cli_strings::Text_Cli_Map_Cut) << "\n";
    return 1;
  }
  return 0;
}

}  // namespace cli
