// Controllo_Dati's tests of the communication parameters, in their fixed order.
#pragma once

#include "comm/pargen_file.h"
#include "text/lang_strings.h"
#include "util/check_result.h"

namespace comm {

// Runs the 25 tests in order (client IP, mask, gateway when enabled; slave IP, mask, gateway when
// enabled; port); the first failure gives its message from `strings`. Octets must be integers
// 0..255 and the port 0..65535 but not 10000, each text read whole by the integer text rule. VLAN
// and application ID are never tested.
util::Check_Result Controllo_Dati(const Par_Gen& values, const lang::Lang_Strings& strings);

}  // namespace comm
