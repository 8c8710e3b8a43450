// Indices in the string table of the application shell's texts: main window, New
// Configuration, Open Configuration and Software Options.
#pragma once

#include "lang/text_table.h"

namespace app_strings {

#define TEXT RQ_DECLARE_TEXT
#define RUN RQ_DECLARE_RUN
#include "app/app_strings.def"
#undef TEXT
#undef RUN

}  // namespace app_strings
