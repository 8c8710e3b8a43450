// Indices in the string table of the IEC 61850 access editor's texts and of the messages of its
// table check.
#pragma once

#include "lang/text_table.h"

namespace access_strings {

#define TEXT RQ_DECLARE_TEXT
#define RUN RQ_DECLARE_RUN
#include "access/access_strings.def"
#undef TEXT
#undef RUN

}  // namespace access_strings
