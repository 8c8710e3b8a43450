// The string table's entries are declared once, in one table per module,
// src/<module>/<module>_strings.def, each line one of
//   TEXT(Name, Index, "English")                  one entry
//   RUN(Name, First, "English 0", "English 1", ...)  consecutive entries read by position
// The module's header <module>_strings.h includes its table twice: with TEXT and RUN defined as
// RQ_DECLARE_TEXT and RQ_DECLARE_RUN, which declare the names (an int, a Text_Range), and with
// RQ_VISIT_TEXT and RQ_VISIT_RUN inside the module's Built_In(visit), which hands each entry's
// index and built-in English text to `visit`. The table of every module together is gathered
// above all of them (app/all_texts.h). A name, its index and its text are thus written in one
// place.
#pragma once

#include <initializer_list>

#include "text/lang_strings.h"
#include "text/text_range.h"

namespace lang {

// The number of texts of a RUN.
template <typename... Texts>
constexpr int Count_Texts(Texts...) {
  return static_cast<int>(sizeof...(Texts));
}

// The entries of a RUN, one index after the other from `first`.
inline void Visit_Run(const Text_Visitor& visit, int first,
                      std::initializer_list<const char*> texts) {
  for (const char* text : texts) visit(first++, text);
}

}  // namespace lang

#define RQ_DECLARE_TEXT(name, index, english) inline constexpr int name = index;
#define RQ_DECLARE_RUN(name, first, ...) \
  inline constexpr lang::Text_Range name{first, lang::Count_Texts(__VA_ARGS__)};
// Inside a function whose parameter `visit` is a lang::Text_Visitor.
#define RQ_VISIT_TEXT(name, index, english) visit(index, english);
#define RQ_VISIT_RUN(name, first, ...) lang::Visit_Run(visit, first, {__VA_ARGS__});
