// The string table's entries are declared once, in one table per module,
// src/<module>/<module>_strings.def, each line one of
//   TEXT(Name, Index, "English")                  one entry
//   RUN(Name, First, "English 0", "English 1", ...)  consecutive entries read by position
// The module's header <module>_strings.h includes its table with TEXT and RUN defined as
// RQ_DECLARE_TEXT and RQ_DECLARE_RUN, which declare the names (an int, a Text_Range); the
// string table (lang_strings.cpp) includes every table with its own definitions to fill the
// built-in English texts. A name, its index and its text are thus written in one place.
#pragma once

#include "lang/text_range.h"

namespace lang {

// The number of texts of a RUN.
template <typename... Texts>
constexpr int Count_Texts(Texts...) {
  return static_cast<int>(sizeof...(Texts));
}

}  // namespace lang

#define RQ_DECLARE_TEXT(name, index, english) inline constexpr int name = index;
#define RQ_DECLARE_RUN(name, first, ...) \
  inline constexpr lang::Text_Range name{first, lang::Count_Texts(__VA_ARGS__)};
