// English texts of the Set Communication dialog that the string table does not hold.
#pragma once

namespace comm_texts {

// Asked when the dialog is left without OK after a change.
inline constexpr const char* Text_Discard_Changes =
    "The changes have not been saved. Discard them and close?";

}  // namespace comm_texts
