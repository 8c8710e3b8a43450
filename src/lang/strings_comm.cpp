// Built-in English texts of the Set Communication dialog and its validation messages (400-763).
#include "lang/lang_strings.h"

namespace lang {

namespace {

// Captions and hints of one side's address rows: label, four octet hints for IP address, mask
// and gateway, plus the gateway check box's caption and hint.
void Put_Address_Rows(std::vector<std::string>& table, size_t first) {
  static const char* const ordinals[] = {"First", "Second", "Third", "Fourth"};
  auto put_octets = [&](size_t at, const std::string& what) {
    for (size_t i = 0; i < 4; ++i)
      table[at + i] = std::string("Insert ") + ordinals[i] + " byte of " + what;
  };
  table[first] = "IP Address";
  put_octets(first + 1, "IP Address");
  table[first + 5] = "SubNet Mask";
  put_octets(first + 6, "SubNet Mask");
  table[first + 10] = "Gateway";
  table[first + 11] = "Enable/disable the Default Gateway";
  put_octets(first + 12, "Default Gateway");
}

}  // namespace

void Add_Comm_Strings(std::vector<std::string>& table) {
  table[400] = "Set Communication";
  table[401] = "Set Communication Setting";
  table[402] = "OK";
  table[403] = "Cancel";
  table[404] = "Confirm and Save the current configuration";
  table[405] = "Exit and Discard the current configuration";

  table[406] = "IEC61850 Client";
  Put_Address_Rows(table, 407);  // 407-422
  table[423] = "VLAN";
  table[424] = "Insert the VLAN index";
  table[425] = "Application ID";
  table[426] = "Insert the Application ID of IEC61850 Client";

  table[440] = "Modbus TCP Slave";
  Put_Address_Rows(table, 441);  // 441-456
  table[457] = "Port";
  table[458] =
      "Insert the communication port to use for Modbus, from 0 to 65535 but different from 10000";

  // Validation messages, one per octet, in the order Controllo_Dati tests them.
  static const char* const groups[] = {"IP Address", "SubNet Mask", "GATEWAY IP"};
  for (size_t g = 0; g < 3; ++g)
    for (size_t i = 0; i < 4; ++i)
      table[649 + 4 * g + i] = std::string("Error IEC61850 Client!! ") + groups[g] + " " +
                               std::to_string(i + 1) + " must be between 0 and 255";
  static const char* const slave_groups[] = {"IP Address", "SUBNET Mask", "GATEWAY IP"};
  for (size_t g = 0; g < 3; ++g)
    for (size_t i = 0; i < 4; ++i)
      table[663 + 4 * g + i] = std::string("Error Modbus TCP Slave!! ") + slave_groups[g] + " " +
                               std::to_string(i + 1) + " must be between 0 and 255";
  table[675] =
      "Error Modbus TCP Slave!! Port must be between 0 and 65535, and different from 10000";
}

}  // namespace lang
