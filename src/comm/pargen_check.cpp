#include "comm/pargen_check.h"

#include <cstdint>
#include <string>

#include "comm/comm_strings.h"
#include "util/text.h"

namespace comm {

namespace {

bool In_Range(const std::string& text, int32_t low, int32_t high) {
  const std::optional<int32_t> value = util::Str_To_Int(text);
  return value && *value >= low && *value <= high;
}

// The first octet of the four that fails, as 0..3, or -1.
int Bad_Octet(const std::array<std::string, 4>& octets) {
  for (int i = 0; i < 4; ++i)
    if (!In_Range(octets[static_cast<size_t>(i)], 0, 255)) return i;
  return -1;
}

constexpr int32_t Reserved_Port = 10000;

}  // namespace

util::Check_Result Controllo_Dati(const Par_Gen& v, const lang::Lang_Strings& strings) {
  // Each group's messages, one per octet.
  struct Group {
    const std::array<std::string, 4>& octets;
    bool checked;
    lang::Text_Range messages;
  };
  const Group groups[] = {
      {v.IEC61850_Client_IP, true, comm_strings::Text_Client_IP_Errors},
      {v.IEC61850_Client_SM, true, comm_strings::Text_Client_Mask_Errors},
      {v.IEC61850_Client_GAT, v.IEC61850_Client_En_GAT, comm_strings::Text_Client_Gateway_Errors},
      {v.Modbus_TCP_Slave_IP, true, comm_strings::Text_Slave_IP_Errors},
      {v.Modbus_TCP_Slave_SM, true, comm_strings::Text_Slave_Mask_Errors},
      {v.Modbus_TCP_Slave_GAT, v.Modbus_TCP_Slave_EN_GAT, comm_strings::Text_Slave_Gateway_Errors},
  };
  for (const Group& group : groups) {
    if (!group.checked) continue;
    const int bad = Bad_Octet(group.octets);
    if (bad >= 0) return strings[group.messages.At(bad)];
  }
  const std::optional<int32_t> port = util::Str_To_Int(v.Modbus_TCP_Slave_Port);
  if (!port || *port < 0 || *port > 65535 || *port == Reserved_Port)
    return strings[comm_strings::Text_Slave_Port_Error];
  return std::nullopt;
}

}  // namespace comm
