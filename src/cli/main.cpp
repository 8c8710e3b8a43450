// rq30517-cli: the configurator's work without windows, for engineers and scripts.
#include <cstring>
#include <iostream>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "cli/commands.h"
#include "cli/terminal_output.h"
#include "conf/version.h"

namespace {

void Usage(std::ostream& out) {
  out << "Usage: rq30517-cli --version\n"
         "       rq30517-cli scl [--stats] [--ied NAME] FILE\n"
         "                                          print the SCL model the gateway sees, as JSON\n"
         "       rq30517-cli ieds FILE              list the IEDs of an SCL file, as JSON\n"
         "       rq30517-cli extract-ied FILE NAME OUT\n"
         "                                          write IED NAME of FILE as an SCL file of its "
         "own\n"
         "       rq30517-cli build CONF_DIR         write CONF_DIR/bin/bank1.bin and bank2.bin\n"
         "       rq30517-cli inspect FILE           decode a bank1.bin or bank2.bin\n"
         "       rq30517-cli map CONF_DIR [--csv]   the data map of CONF_DIR, as JSON or CSV\n"
         "       rq30517-cli check [--json] PATH... check SCL files and configuration folders\n"
         "       rq30517-cli diff-scl OLD NEW [--ied NAME] [--json] [--conf CONF_DIR --server N]\n"
         "                                          what changed between two revisions of an "
         "IED,\n"
         "                                          and what it does to server N of CONF_DIR\n";
}

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
  std::cerr << "rq30517-cli: unknown command '" << command << "'\n";
  Usage(std::cerr);
  return 2;
}
