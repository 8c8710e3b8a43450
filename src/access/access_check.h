// The check the access editor runs on OK: every row of the variable table that names an
// attribute with a basic type must carry a usable address, port, timer, position and factor.
#pragma once

#include "access/access_state.h"
#include "lang/lang_strings.h"
#include "util/check_result.h"

namespace UIEC_61850_Access {

// Highest place of the gateway's internal data array a variable may use.
inline constexpr int Max_Position = 1399;

// The message for the first failing row of `ACG_DA` ("Error row N" and the reason); passes when
// every row does. `separator` is the user's decimal separator.
util::Check_Result Controllo_dati(const Table& ACG_DA, const lang::Lang_Strings& strings,
                                  char separator);

}  // namespace UIEC_61850_Access
