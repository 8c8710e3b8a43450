// Indices in the string table of the Set Communication dialog's texts and of the messages of
// its checks.
#pragma once

#include "lang/text_range.h"

namespace comm_strings {

inline constexpr int Text_Caption = 400;
inline constexpr int Text_Description = 401;
inline constexpr int Text_OK = 402;
inline constexpr int Text_Cancel = 403;
inline constexpr int Text_OK_Hint = 404;
inline constexpr int Text_Cancel_Hint = 405;

// IEC61850 Client panel: address rows (labels, the gateway check box, one hint per octet box),
// VLAN and application ID.
inline constexpr int Text_Client_Caption = 406;
inline constexpr int Text_Client_IP = 407;
inline constexpr lang::Text_Range Text_Client_IP_Octet_Hints{408, 4};
inline constexpr int Text_Client_Mask = 412;
inline constexpr lang::Text_Range Text_Client_Mask_Octet_Hints{413, 4};
inline constexpr int Text_Client_Gateway = 417;
inline constexpr int Text_Client_Gateway_Hint = 418;
inline constexpr lang::Text_Range Text_Client_Gateway_Octet_Hints{419, 4};
inline constexpr int Text_Client_VLAN = 423;
inline constexpr int Text_Client_VLAN_Hint = 424;
inline constexpr int Text_Client_AppID = 425;
inline constexpr int Text_Client_AppID_Hint = 426;

// Modbus TCP Slave panel: address rows as on the client panel, then the port.
inline constexpr int Text_Slave_Caption = 440;
inline constexpr int Text_Slave_IP = 441;
inline constexpr lang::Text_Range Text_Slave_IP_Octet_Hints{442, 4};
inline constexpr int Text_Slave_Mask = 446;
inline constexpr lang::Text_Range Text_Slave_Mask_Octet_Hints{447, 4};
inline constexpr int Text_Slave_Gateway = 451;
inline constexpr int Text_Slave_Gateway_Hint = 452;
inline constexpr lang::Text_Range Text_Slave_Gateway_Octet_Hints{453, 4};
inline constexpr int Text_Slave_Port = 457;
inline constexpr int Text_Slave_Port_Hint = 458;

// Messages of the checks: one per octet of each address (entry k: octet k + 1 out of range),
// then the port's.
inline constexpr lang::Text_Range Text_Client_IP_Errors{649, 4};
inline constexpr lang::Text_Range Text_Client_Mask_Errors{653, 4};
inline constexpr lang::Text_Range Text_Client_Gateway_Errors{657, 4};
inline constexpr lang::Text_Range Text_Slave_IP_Errors{663, 4};
inline constexpr lang::Text_Range Text_Slave_Mask_Errors{667, 4};
inline constexpr lang::Text_Range Text_Slave_Gateway_Errors{671, 4};
inline constexpr int Text_Slave_Port_Error = 675;

}  // namespace comm_strings
