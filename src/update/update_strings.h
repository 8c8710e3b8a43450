// Indices in the string table of the update dialog's texts and messages.
#pragma once

#include "lang/text_range.h"

namespace update_strings {

inline constexpr int Text_Caption = 1002;
inline constexpr int Text_Description = 1003;
inline constexpr int Text_IP_Address = 1006;     // label of the address boxes
inline constexpr int Text_Update_Option = 1014;  // label of the operation list
// The operation list's items in list order: firmware and configuration, firmware,
// configuration.
inline constexpr lang::Text_Range Text_Update_Options{1015, 3};
inline constexpr int Text_Read_Back = 1018;
inline constexpr int Text_Cancel = 1019;
inline constexpr int Text_Update = 1020;
inline constexpr lang::Text_Range Text_IP_Octet_Hints{1021, 4};  // one per address box
// Error: the updater could not be started; %1 the program, %2 the system's reason.
inline constexpr int Text_Updater_Not_Started = 1030;
// Error: the system refuses this program echo requests; %1 the system's reason, %2 this program.
inline constexpr int Text_Ping_Not_Allowed = 1031;
inline constexpr int Text_Update_Options_Hint = 1032;
inline constexpr int Text_Read_Back_Hint = 1033;
inline constexpr int Text_Cancel_Hint = 1034;
inline constexpr int Text_Update_Hint = 1035;
inline constexpr int Text_Device_Not_Found = 1036;  // warning: the device gave no echo reply
inline constexpr int Text_Check_Ip_Address = 1037;  // error: the check ended without any reply

}  // namespace update_strings
