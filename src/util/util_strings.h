// Indices in the string table of the platform layer's texts and of the message boxes' titles and
// buttons.
#pragma once

#include "lang/text_table.h"

namespace util_strings {

#define TEXT RQ_DECLARE_TEXT
#define RUN RQ_DECLARE_RUN
#include "util/util_strings.def"
#undef TEXT
#undef RUN

}  // namespace util_strings
