// Indices in the string table of the Set Communication dialog's texts and of the messages of
// its checks.
#pragma once

#include "lang/text_table.h"

namespace comm_strings {

#define TEXT RQ_DECLARE_TEXT
#define RUN RQ_DECLARE_RUN
#include "comm/comm_strings.def"
#undef TEXT
#undef RUN

}  // namespace comm_strings
