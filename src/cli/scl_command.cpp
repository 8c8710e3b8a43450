#include <iostream>

#include "cli/commands.h"

namespace cli {

int Scl_Command(int, char**) {
  std::cerr << "rq30517-cli scl: not available yet\n";
  return 1;
}

}  // namespace cli
