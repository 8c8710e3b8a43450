// The subcommands of rq30517-cli; each lives in its own source file.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "text/lang_strings.h"

namespace cli {

// The tool's words: the table's built-in English (it loads no language file), for its own lines
// (app/cli_strings.def) and the core's messages alike.
const lang::Lang_Strings& English();
// The table's text `index` with its placeholders %1, %2 filled (util::Fill_Text).
std::string Say(int index, std::initializer_list<std::string_view> values = {});

struct Command {
  const char* name;
  int (*run)(int argc, char** argv);  // arguments after the command name; returns the exit status
};

int Scl_Command(int argc, char** argv);          // scl_command.cpp
int Build_Command(int argc, char** argv);        // build_command.cpp
int Inspect_Command(int argc, char** argv);      // inspect_command.cpp
int Map_Command(int argc, char** argv);          // map_command.cpp
int Ieds_Command(int argc, char** argv);         // ieds_command.cpp
int Extract_Ied_Command(int argc, char** argv);  // extract_ied_command.cpp
int Check_Command(int argc, char** argv);        // check_command.cpp
int Diff_Scl_Command(int argc, char** argv);     // diff_scl_command.cpp

inline const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = {
      {"scl", Scl_Command},     {"build", Build_Command},      {"inspect", Inspect_Command},
      {"map", Map_Command},     {"ieds", Ieds_Command},        {"extract-ied", Extract_Ied_Command},
      {"check", Check_Command}, {"diff-scl", Diff_Scl_Command}};
  return commands;
}

}  // namespace cli
