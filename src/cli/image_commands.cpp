#include <iostream>

#include "cli/commands.h"

namespace cli {

int Build_Command(int, char**) {
  std::cerr << "rq30517-cli build: not available yet\n";
  return 1;
}

int Inspect_Command(int, char**) {
  std::cerr << "rq30517-cli inspect: not available yet\n";
  return 1;
}

}  // namespace cli
