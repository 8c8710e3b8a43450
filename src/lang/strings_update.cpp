// Built-in English texts of the device update dialog (1000-1037). The indices the dialog does
// not use stay a single blank (they belonged to update modes this product never shows), except
// 1030 and 1031, two messages of the Ethernet update.
#include "lang/lang_strings.h"

namespace lang {

void Add_Update_Strings(std::vector<std::string>& table) {
  table[1002] = "Update Device by Ethernet (UDP)";
  table[1003] = "Update Device Using the Ethernet Port";
  table[1006] = "Insert the IP Address of Device";
  table[1014] = "Select Update Options";
  table[1015] = "Firmware + Configuration";
  table[1016] = "Firmware";
  table[1017] = "Configuration";
  table[1018] = "Read Back";
  table[1019] = "Cancel";
  table[1020] = "Execute Update Firmware";
  table[1021] = "Insert first byte of IP Address";
  table[1022] = "Insert second byte of IP Address";
  table[1023] = "Insert third byte of IP Address";
  table[1024] = "Insert fourth byte of IP Address";
  // 1030: the updater program could not be started; %1 is the program, %2 the system's reason.
  table[1030] = "Error!!! The update program %1 cannot be started: %2";
  // 1031: the system refuses this program the sockets that send ping requests; %1 is the
  // system's reason, %2 the configurator's own executable.
  table[1031] =
      "Error!!! The system does not allow this program to send ping requests (%1). To allow "
      "it, add the user's group to the system setting net.ipv4.ping_group_range (for example: "
      "sysctl -w net.ipv4.ping_group_range=\"0 2147483647\"), or give the program the "
      "capability to use raw sockets (setcap cap_net_raw+ep %2).";
  table[1032] = "Select the operation to do in update";
  table[1033] = "Enable or disable the possibility to read back the Firmware/Configuration";
  table[1034] = "Exit without to do the Update";
  table[1035] = "Start the update of Device";
  table[1036] = "Device Not Found!";
  table[1037] = "Error!!! Check the Ip Address";
}

}  // namespace lang
