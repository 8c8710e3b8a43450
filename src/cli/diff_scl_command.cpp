// rq30517-cli diff-scl OLD NEW [--ied NAME] [--json] [--conf CONF_DIR --server N]: what changed
// between two revisions of one IED's SCL file, and with a configuration, what replacing its
// server N by the new revision does to its rows (as the editor's impact window lists it).
//
// The IED is NAME in both files; without --ied, the first IED of OLD, read from NEW by the same
// name (or NEW's first IED when NEW has no IED of that name). N counts from 1 in the server list
// as the editor shows it after loading (a server whose file is missing is left out and the ones
// after it move up; a warning on stderr names such files). Exit status: 0 (with differences or
// without), 2 when the arguments are wrong or a file cannot be read.
#include <cstdint>
#include <exception>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "access/client_file.h"
#include "access/scl_revision.h"
#include "access/server_list.h"
#include "app/all_texts.h"
#include "app/cli_strings.h"
#include "cli/commands.h"
#include "scl/ied_catalog.h"
#include "scl/scl_diff.h"
#include "scl/scl_import.h"
#include "util/files.h"
#include "util/text.h"

namespace cli {

namespace {

using nlohmann::ordered_json;
using namespace UIEC_Client_Decode;
using namespace UIEC_61850_Access;

// A failure that ends the command with status 2; what() is the message.
struct Command_Error : std::runtime_error {
  using std::runtime_error::runtime_error;
};

std::unique_ptr<TIEC_Device> Read_Model(const std::string& path, const std::string* ied_name) {
  // The import takes a missing file for an empty server; here it is a mistake to report.
  if (!util::File_Exists(path))
    throw Command_Error(Say(cli_strings::Text_Cli_No_Such_File, {path}));
  auto device = std::make_unique<TIEC_Device>();
  device->Set_FileName(util::File_Name_Of(path));
  Decode_ICD_File_IED(*device, path, ied_name);
  return device;
}

bool Has_IED(const std::string& path, const std::string& name) {
  for (const IED_Info& ied : List_IEDs(path))
    if (ied.name == name) return true;
  return false;
}

std::string Dump(const ordered_json& value) {
  return value.dump(-1, ' ', false, ordered_json::error_handler_t::replace);
}

std::string Join(const std::vector<std::string>& list) {
  std::string text;
  for (const std::string& item : list) text += (text.empty() ? "" : ", ") + item;
  return text;
}

ordered_json Attribute_Json(const Diff_Attribute& a) {
  return {{"kind", "attribute"}, {"reference", a.reference}, {"btype", a.bType}, {"fc", a.fc}};
}
ordered_json Data_Set_Json(const std::string& reference) {
  return {{"kind", "dataset"}, {"reference", reference}};
}
ordered_json Member_Json(const Diff_Member& m) {
  return {{"kind", "member"}, {"dataset", m.data_set}, {"reference", m.reference}, {"fc", m.fc}};
}
ordered_json Entries_Json(const std::vector<Impact_Entry>& entries) {
  ordered_json list = ordered_json::array();
  for (const Impact_Entry& e : entries)
    list.push_back({{"kind", e.kind},
                    {"row", e.row},
                    {"member", e.member ? ordered_json(*e.member) : ordered_json(nullptr)},
                    {"reference", e.reference}});
  return list;
}

ordered_json Diff_Json(const Scl_Diff& diff, const Replace_Impact* impact) {
  ordered_json added = ordered_json::array(), removed = ordered_json::array();
  for (const Diff_Attribute& a : diff.added) added.push_back(Attribute_Json(a));
  for (const std::string& d : diff.data_sets_added) added.push_back(Data_Set_Json(d));
  for (const Diff_Member& m : diff.members_added) added.push_back(Member_Json(m));
  for (const Diff_Attribute& a : diff.removed) removed.push_back(Attribute_Json(a));
  for (const std::string& d : diff.data_sets_removed) removed.push_back(Data_Set_Json(d));
  for (const Diff_Member& m : diff.members_removed) removed.push_back(Member_Json(m));
  ordered_json changed = ordered_json::array();
  for (const Diff_Change& c : diff.changed)
    changed.push_back({{"reference", c.reference},
                       {"from", {{"btype", c.from.bType}, {"fc", c.from.fc}}},
                       {"to", {{"btype", c.to.bType}, {"fc", c.to.fc}}}});
  ordered_json reordered = ordered_json::array();
  for (const Diff_Reorder& r : diff.reordered) reordered.push_back(r.reference);
  ordered_json out = {{"added", std::move(added)},
                      {"removed", std::move(removed)},
                      {"changed", std::move(changed)},
                      {"reordered", std::move(reordered)}};
  if (impact)
    out["impact"] = {{"kept", Entries_Json(impact->kept)},
                     {"moved", Entries_Json(impact->moved)},
                     {"changed", Entries_Json(impact->changed)},
                     {"lost", Entries_Json(impact->lost)},
                     {"datasets_gone", impact->data_sets_gone}};
  return out;
}

void Write_Text(const Scl_Diff& diff, const Replace_Impact* impact, int server, std::ostream& out) {
  for (const Diff_Attribute& a : diff.added)
    out << "added attribute " << a.reference << " " << a.bType << " " << a.fc << "\n";
  for (const Diff_Attribute& a : diff.removed)
    out << "removed attribute " << a.reference << " " << a.bType << " " << a.fc << "\n";
  for (const Diff_Change& c : diff.changed)
    out << "changed attribute " << c.reference << " " << c.from.bType << " " << c.from.fc << " -> "
        << c.to.bType << " " << c.to.fc << "\n";
  for (const std::string& d : diff.data_sets_added) out << "added dataset " << d << "\n";
  for (const std::string& d : diff.data_sets_removed) out << "removed dataset " << d << "\n";
  for (const Diff_Member& m : diff.members_added)
    out << "added member " << m.reference << " " << m.fc << " of dataset " << m.data_set << "\n";
  for (const Diff_Member& m : diff.members_removed)
    out << "removed member " << m.reference << " " << m.fc << " of dataset " << m.data_set << "\n";
  for (const Diff_Reorder& r : diff.reordered)
    out << "reordered dataset " << r.reference << ": " << Join(r.from) << " -> " << Join(r.to)
        << "\n";
  out << diff.added.size() + diff.data_sets_added.size() + diff.members_added.size() << " added, "
      << diff.removed.size() + diff.data_sets_removed.size() + diff.members_removed.size()
      << " removed, " << diff.changed.size() << " changed, " << diff.reordered.size()
      << " reordered\n";
  if (!impact) return;
  auto list = [&](const char* what, const std::vector<Impact_Entry>& entries) {
    for (const Impact_Entry& e : entries) {
      out << what << " " << e.kind << " row " << e.row;
      if (e.member) out << " member " << *e.member;
      out << " " << e.reference << "\n";
    }
  };
  list("kept", impact->kept);
  list("moved", impact->moved);
  list("changed", impact->changed);
  list("lost", impact->lost);
  for (const std::string& d : impact->data_sets_gone) out << "gone dataset " << d << "\n";
  out << "server " << server << ": " << impact->kept.size() << " kept, " << impact->moved.size()
      << " moved, " << impact->changed.size() << " changed, " << impact->lost.size() << " lost, "
      << impact->data_sets_gone.size() << " datasets gone\n";
}

struct Arguments {
  std::vector<std::string> files;
  std::optional<std::string> ied, conf, server;
  bool json = false;
};

// The arguments, or none after a usage message on stderr.
std::optional<Arguments> Parse(int argc, char** argv) {
  Arguments args;
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](std::optional<std::string>& into) {
      if (i + 1 >= argc || into) return false;
      into = argv[++i];
      return true;
    };
    if (arg == "--json") {
      args.json = true;
    } else if (arg == "--ied" || arg == "--conf" || arg == "--server") {
      if (!value(arg == "--ied" ? args.ied : arg == "--conf" ? args.conf : args.server)) {
        std::cerr << "rq30517-cli diff-scl: " << Say(cli_strings::Text_Cli_Needs_Value, {arg})
                  << "\n"
                  << Say(cli_strings::Text_Cli_Usage_Diff_Scl) << "\n";
        return std::nullopt;
      }
    } else if (arg.size() > 1 && arg[0] == '-') {
      std::cerr << "rq30517-cli diff-scl: " << Say(cli_strings::Text_Cli_Unknown_Option, {arg})
                << "\n"
                << Say(cli_strings::Text_Cli_Usage_Diff_Scl) << "\n";
      return std::nullopt;
    } else {
      args.files.push_back(arg);
    }
  }
  if (args.files.size() != 2 || args.conf.has_value() != args.server.has_value()) {
    std::cerr << Say(cli_strings::Text_Cli_Usage_Diff_Scl) << "\n";
    return std::nullopt;
  }
  return args;
}

}  // namespace

int Diff_Scl_Command(int argc, char** argv) {
  const std::optional<Arguments> args = Parse(argc, argv);
  if (!args) return 2;
  std::string output;
  try {
    const std::string& old_file = args->files[0];
    const std::string& new_file = args->files[1];
    // The older model is kept only as what the comparison needs of it: the two models are
    // never in memory together.
    std::unique_ptr<TIEC_Device> old_model =
        Read_Model(old_file, args->ied ? &*args->ied : nullptr);
    const std::string name = old_model->Name();
    const Diff_Summary old_summary(*old_model);
    old_model.reset();
    const bool same_name = args->ied || (util::File_Exists(new_file) && Has_IED(new_file, name));
    std::unique_ptr<TIEC_Device> new_model = Read_Model(new_file, same_name ? &name : nullptr);
    const Scl_Diff diff = Diff_Models(old_summary, *new_model);

    std::optional<Replace_Impact> impact;
    int server = 0;
    if (args->conf) {
      const std::optional<int32_t> number = util::Str_To_Int(*args->server);
      const std::string client_file = util::Join_Path(*args->conf, Client_File_Name);
      if (!util::File_Exists(client_file))
        throw Command_Error(Say(cli_strings::Text_Cli_No_Such_File, {client_file}));
      Access_State state;
      const lang::Lang_Strings english =
          lang::English_Strings();  // the command line speaks English
      const Read_Report report =
          Read_Client_File(client_file, Catalog_Dir(*args->conf), state, english);
      for (const std::string& missing : report.Missing_Files)
        std::cerr << "rq30517-cli diff-scl: "
                  << Say(cli_strings::Text_Cli_Server_File_Missing, {missing, Catalog_Folder_Name})
                  << "\n";
      const int count = static_cast<int>(state.List_IEC_Dev.size());
      if (!number || *number < 1 || *number > count)
        throw Command_Error(
            Say(cli_strings::Text_Cli_No_Such_Server, {*args->server, std::to_string(count)}));
      server = *number;
      impact = Impact_Of_Replace(state, server - 1, *new_model);
    }
    if (args->json) {
      output = Dump(Diff_Json(diff, impact ? &*impact : nullptr)) + "\n";
    } else {
      std::ostringstream text;
      Write_Text(diff, impact ? &*impact : nullptr, server, text);
      output = text.str();
    }
  } catch (const std::exception& e) {
    std::cerr << "rq30517-cli diff-scl: " << e.what() << "\n";
    return 2;
  }
  std::cout << output;
  std::cout.flush();
  if (!std::cout) {
    std::cerr << "rq30517-cli diff-scl: " << Say(cli_strings::Text_Cli_Output_Cut) << "\n";
    return 2;
  }
  return 0;
}

}  // namespace cli
