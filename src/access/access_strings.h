// Indices in the string table of the IEC 61850 access editor's texts and of the messages of its
// table check.
#pragma once

#include "text/text_table.h"

namespace access_strings {

#define TEXT RQ_DECLARE_TEXT
#define RUN RQ_DECLARE_RUN
#include "access/access_strings.def"
#undef TEXT
#undef RUN

// Hands `visit` every entry of this module's table with its built-in English text.
inline void Built_In(const lang::Text_Visitor& visit) {
#define TEXT RQ_VISIT_TEXT
#define RUN RQ_VISIT_RUN
#include "access/access_strings.def"
#undef TEXT
#undef RUN
}

}  // namespace access_strings
