#include "text/lang_strings.h"

namespace lang {

Lang_Strings::Lang_Strings(Built_In_Texts built_in) : built_in_(built_in) {
  Load_Default_Strings();
}

void Lang_Strings::Set(int index, std::string text) {
  if (Is_String_Index(index)) entries_[String_Slot(index)] = std::move(text);
}

void Lang_Strings::Load_Default_Strings() {
  entries_.assign(Num_Lang_Strings + Num_Added_Strings, Blank());
  if (built_in_ == nullptr) return;
  built_in_([this](int index, const char* english) {
    if (Is_String_Index(index)) entries_[String_Slot(index)] = english;
  });
}

}  // namespace lang
