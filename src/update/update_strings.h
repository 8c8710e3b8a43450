// Indices in the string table of the update dialog's texts and messages.
#pragma once

#include "lang/text_table.h"

namespace update_strings {

#define TEXT RQ_DECLARE_TEXT
#define RUN RQ_DECLARE_RUN
#include "update/update_strings.def"
#undef TEXT
#undef RUN

}  // namespace update_strings
