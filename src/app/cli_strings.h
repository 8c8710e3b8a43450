// Indices in the string table of the command-line tool's texts (rq30517-cli): its usage and
// its error lines. They lie in app beside the gathering of every table (all_texts.h), which
// lies below the tool.
#pragma once

#include "text/text_table.h"

namespace cli_strings {

#define TEXT RQ_DECLARE_TEXT
#define RUN RQ_DECLARE_RUN
#include "app/cli_strings.def"
#undef TEXT
#undef RUN

// Hands `visit` every entry of this module's table with its built-in English text.
inline void Built_In(const lang::Text_Visitor& visit) {
#define TEXT RQ_VISIT_TEXT
#define RUN RQ_VISIT_RUN
#include "app/cli_strings.def"
#undef TEXT
#undef RUN
}

}  // namespace cli_strings
