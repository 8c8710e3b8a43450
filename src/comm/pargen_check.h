// Controllo_Dati's tests of the communication parameters, in their fixed order.
#pragma once

#include <optional>

#include "comm/pargen_file.h"

namespace comm {

// Runs the 25 tests in order (client IP, mask, gateway when enabled; slave IP, mask, gateway when
// enabled; port) and returns the string-table index of the first failure's message, or nullopt
// when every test passes. Octets must be integers 0..255 and the port 0..65535 but not 10000,
// each text read whole by the integer text rule. VLAN and application ID are never tested.
std::optional<int> Controllo_Dati(const Par_Gen& values);

}  // namespace comm
