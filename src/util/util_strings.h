// Indices in the string table of the platform layer's texts and of the message boxes' titles and
// buttons.
#pragma once

#include "text/text_table.h"

namespace util_strings {

// The platform layer includes this beside <windows.h>, which has a TEXT macro of its own: it is
// set aside while the table is read and given back after.
#pragma push_macro("TEXT")
#undef TEXT
#define TEXT RQ_DECLARE_TEXT
#define RUN RQ_DECLARE_RUN
#include "util/util_strings.def"
#undef TEXT
#undef RUN

// Hands `visit` every entry of this module's table with its built-in English text.
inline void Built_In(const lang::Text_Visitor& visit) {
#define TEXT RQ_VISIT_TEXT
#define RUN RQ_VISIT_RUN
#include "util/util_strings.def"
#undef TEXT
#undef RUN
}
#pragma pop_macro("TEXT")

}  // namespace util_strings
