// rq30517-cli: the configurator's work without windows, for engineers and scripts.
#include <cstring>
#include <iostream>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "app/all_texts.h"
#include "app/cli_strings.h"
#include "cli/commands.h"
#include "cli/terminal_output.h"
#include "conf/version.h"
#include "util/text.h"

namespace cli {

const lang::Lang_Strings& English() {
  static const lang::Lang_Strings english = lang::English_Strings();
  return english;
}

std::string Say(int index, std::initializer_list<std::string_view> values) {
  return util::Fill_Text(English()[index], values);
}

}  // namespace cli

namespace {

void Usage(std::ostream& out) { out << cli::Say(cli_strings::Text_Cli_Usage) << "\n"; }

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  // The same bytes as on Linux: no "\r" added before each line break of the JSON and CSV.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
#endif
  // Names from the files read reach the terminal escaped, on both outputs.
  const cli::Escaped_Output escaped_out(std::cout);
  const cli::Escaped_Output escaped_err(std::cerr);
  if (argc < 2) {
    Usage(std::cerr);
    return 2;
  }
  const std::string command = argv[1];
  if (command == "--version") {
    std::cout << "RQ30517 " << conf::Program_Version << "\n";
    return 0;
  }
  if (command == "--help" || command == "-h") {
    Usage(std::cout);
    return 0;
  }
  for (const cli::Command& c : cli::Commands())
    if (command == c.name) return c.run(argc - 2, argv + 2);
  std::cerr << "rq30517-cli: " << cli::Say(cli_strings::Text_Cli_Unknown_Command, {command})
            << "\n";
  Usage(std::cerr);
  return 2;
}
