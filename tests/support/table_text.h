// The string table's built-in English entries as the windows show them, so that window tests
// compare with the table instead of spelling its words again.
#pragma once

#include <QString>

#include "app/all_texts.h"
#include "text/lang_strings.h"

namespace test {

inline QString Table_Text(int index) {
  static const lang::Lang_Strings english = lang::English_Strings();
  return QString::fromStdString(english[index]);
}

}  // namespace test
