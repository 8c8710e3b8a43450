// Indices in the string table of the update dialog's texts and messages.
#pragma once

#include "text/text_table.h"

namespace update_strings {

#define TEXT RQ_DECLARE_TEXT
#define RUN RQ_DECLARE_RUN
#include "update/update_strings.def"
#undef TEXT
#undef RUN

// Hands `visit` every entry of this module's table with its built-in English text.
inline void Built_In(const lang::Text_Visitor& visit) {
#define TEXT RQ_VISIT_TEXT
#define RUN RQ_VISIT_RUN
#include "update/update_strings.def"
#undef TEXT
#undef RUN
}

}  // namespace update_strings
