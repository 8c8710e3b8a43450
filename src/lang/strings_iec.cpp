// Built-in English texts of the IEC 61850 access editor, its selection tables and validation
// messages (1200-1257).
#include "lang/lang_strings.h"

namespace lang {

void Add_Iec_Strings(std::vector<std::string>& table) {
  static const char* const texts[] = {
      // 1200-1217: window, buttons and their hints.
      "IEC61850 Client Set Access", "IEC61850 Client Set Access", "OK", "Cancel", "Add Var",
      "Remove Var", "Move Up", "Move Down", "Add IEC Device", "Remove IEC Device",
      "Confirm and save the KNX Set Access List", "Exit without save the KNX Set Access List",
      "Add the Selected DA from Tree", "Remove the Selected DA from Table",
      "Move Up the Line of Table (DA)", "Move Down the Line of Table (DA)",
      "Add a ICD file to the List", "Remove the Selected ICD file to the List",
      // 1218-1234: header of the variable table.
      "N", "Index", "bType", "fc", "Reference", "IP Address", "Port", "On Change", "On CMD",
      "On Timer", "Time (ms)", "Position", "Start Bit", "R/W", "Convertion", "Molt Fact",
      "Mnemonic",
      // 1235-1251: header hints.
      "N", "Index", "bType of DA", "fc of DA", "Reference of DA",
      "Insert the IP Address of IEC61850 Server",
      "Insert the Communication Port of IEC61850 Server",
      "Enable or Disable the Possibility to Send the IEC61850 Request when Data Change",
      "Enable or Disable the Possibility to Send the IEC61850 Request On Command",
      "Enable or Disable the Possibility to Send the IEC61850 Request On Timer",
      ("Insert the Time in milliseconds between the sending of IEC61850 Requests, only if "
       "checked the OnTimer Option"),
      "Insert the Index of Internal Data Array",
      "Select the index of bit to start in the Internal Data Array",
      "Select if IEC61850 Request is in Read or Write", "Select the Convertion of Data",
      "Insert the Multiplication Factor for Data", "Description of the IEC61850 Request",
      // 1252-1257: validation messages.
      "Error row ", "!! IP Address must be a valid TCP IP Address (Ex. 192.168.1.125)",
      "!! Port must be between 0 and 65535", "!! Time must be between 1 and 100000000 ms",
      "!! Position must be between 0 and ", "!! Mult. Factor must be a valid Float"};
  static_assert(std::size(texts) == 58);
  for (size_t i = 0; i < std::size(texts); ++i) table[1200 + i] = texts[i];
}

}  // namespace lang
