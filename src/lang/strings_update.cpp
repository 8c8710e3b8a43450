// Built-in English texts of the device update dialog (1000-1037).
#include "lang/lang_strings.h"

namespace lang {

void Add_Update_Strings(std::vector<std::string>& table) {
  (void)table;
}

}  // namespace lang
