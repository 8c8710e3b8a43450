// The outcome of a check on data the user entered or a file holds, which the caller shows and
// then carries on (the dialog stays open, the command reports and exits). Failures that stop an
// operation are exceptions instead; see ARCHITECTURE.md, "Errors, messages and files".
#pragma once

#include <optional>
#include <string>

namespace util {

// Empty when the data passed; otherwise the complete message to show.
using Check_Result = std::optional<std::string>;

}  // namespace util
