// Indices in the string table of the SCL library's texts.
#pragma once

#include "lang/text_table.h"

namespace scl_strings {

#define TEXT RQ_DECLARE_TEXT
#define RUN RQ_DECLARE_RUN
#include "scl/scl_strings.def"
#undef TEXT
#undef RUN

}  // namespace scl_strings
