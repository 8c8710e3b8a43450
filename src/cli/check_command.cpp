// rq30517-cli check [--json] PATH...: the rules on SCL files and configuration folders. Each
// finding is written as soon as it is found, so any number of them passes through in little
// memory. Exit status: 0 without errors (warnings allowed), 1 with errors, 2 when a path cannot
// be read or the arguments are wrong.
#include <exception>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "app/all_texts.h"
#include "app/cli_strings.h"
#include "check/check.h"
#include "cli/commands.h"
#include "util/files.h"
#include "util/text.h"

namespace cli {

namespace {

using nlohmann::ordered_json;

ordered_json Optional(const std::optional<int>& value) {
  return value ? ordered_json(*value) : ordered_json(nullptr);
}

ordered_json Finding_Json(const check::Finding& f) {
  return {{"rule", f.rule},
          {"severity", check::Severity_Text(f.severity)},
          {"file", f.file},
          {"line", Optional(f.line)},
          {"kind", f.kind.empty() ? ordered_json(nullptr) : ordered_json(f.kind)},
          {"row", Optional(f.row)},
          {"member", Optional(f.member)},
          {"message", f.message}};
}

std::string Dump(const ordered_json& value) {
  return value.dump(-1, ' ', false, ordered_json::error_handler_t::replace);
}

}  // namespace

int Check_Command(int argc, char** argv) {
  bool json = false;
  std::vector<std::string> paths;
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--json")
      json = true;
    else if (arg.size() > 1 && arg[0] == '-') {
      std::cerr << "rq30517-cli check: " << Say(cli_strings::Text_Cli_Unknown_Option, {arg})
                << "\n";
      paths.clear();
      break;
    } else
      paths.push_back(arg);
  }
  if (paths.empty()) {
    std::cerr << Say(cli_strings::Text_Cli_Usage_Check) << "\n";
    return 2;
  }

  check::Tally tally;
  bool first = true;
  if (json) std::cout << "{\"findings\": [";
  const check::Sink sink = [&](const check::Finding& f) {
    tally.Count(f);
    if (json) {
      std::cout << (first ? "\n" : ",\n") << Dump(Finding_Json(f));
    } else {
      std::cout << f.file << ':';
      if (f.line) std::cout << *f.line << ':';
      std::cout << ' ' << check::Severity_Text(f.severity) << ": [" << f.rule << "] " << f.message
                << '\n';
    }
    first = false;
  };

  bool unreadable = false;
  const lang::Lang_Strings english =
      lang::English_Strings();  // the command line speaks the built-in English
  check::Conf_Options options;
  options.separator = util::Get_Dec_Separator();
  for (const std::string& path : paths) {
    try {
      if (util::Dir_Exists(path))
        check::Check_Configuration(path, options, sink, english);
      else
        check::Check_Scl_File(path, path, sink, english);
    } catch (const std::exception& e) {
      std::cout.flush();
      std::cerr << "rq30517-cli check: " << e.what() << "\n";
      unreadable = true;
    }
  }

  if (json)
    std::cout << (first ? "" : "\n") << "], \"errors\": " << tally.errors
              << ", \"warnings\": " << tally.warnings << "}\n";
  else
    std::cout << Say(cli_strings::Text_Cli_Check_Summary,
                     {std::to_string(tally.errors), std::to_string(tally.warnings)})
              << "\n";
  std::cout.flush();
  if (!std::cout) {
    std::cerr << "rq30517-cli check: " << Say(cli_strings::Text_Cli_Findings_Cut) << "\n";
    return 2;
  }
  if (unreadable) return 2;
  return tally.errors > 0 ? 1 : 0;
}

}  // namespace cli
