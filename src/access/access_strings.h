// Indices in the string table of the IEC 61850 access editor's texts and of the messages of its
// table check.
#pragma once

#include "lang/text_range.h"

namespace access_strings {

inline constexpr int Text_Caption = 1200;
inline constexpr int Text_Description = 1201;
inline constexpr int Text_OK = 1202;
inline constexpr int Text_Cancel = 1203;
inline constexpr int Text_Add_Var = 1204;
inline constexpr int Text_Remove_Var = 1205;
inline constexpr int Text_Add_IEC_Device = 1208;
inline constexpr int Text_Remove_IEC_Device = 1209;
inline constexpr int Text_OK_Hint = 1210;
inline constexpr int Text_Cancel_Hint = 1211;
inline constexpr int Text_Add_Var_Hint = 1212;
inline constexpr int Text_Remove_Var_Hint = 1213;
inline constexpr int Text_Add_IEC_Device_Hint = 1216;
inline constexpr int Text_Remove_IEC_Device_Hint = 1217;

// The variable table: one header and one header hint per column.
inline constexpr lang::Text_Range Text_Column_Headers{1218, 17};
inline constexpr lang::Text_Range Text_Column_Hints{1235, 17};

// Messages of the variable table's check: "Error row ", the row's number, then the failure.
inline constexpr int Text_Error_Row = 1252;
inline constexpr int Text_Row_Bad_IP_Address = 1253;
inline constexpr int Text_Row_Bad_Port = 1254;
inline constexpr int Text_Row_Bad_Time = 1255;
inline constexpr int Text_Row_Bad_Position = 1256;  // the highest position follows
inline constexpr int Text_Row_Bad_Factor = 1257;

}  // namespace access_strings
