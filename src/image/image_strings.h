// Indices in the string table of the image build's texts.
#pragma once

#include "lang/text_table.h"

namespace image_strings {

#define TEXT RQ_DECLARE_TEXT
#define RUN RQ_DECLARE_RUN
#include "image/image_strings.def"
#undef TEXT
#undef RUN

}  // namespace image_strings
