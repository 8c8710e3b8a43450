// Indices in the string table of the check's texts: the parts of its findings' sentences.
#pragma once

#include "lang/text_table.h"

namespace check_strings {

#define TEXT RQ_DECLARE_TEXT
#define RUN RQ_DECLARE_RUN
#include "check/check_strings.def"
#undef TEXT
#undef RUN

}  // namespace check_strings
