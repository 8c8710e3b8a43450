#include "comm/pargen_check.h"

#include <cstdint>
#include <string>

#include "util/text.h"

namespace comm {

namespace {

bool In_Range(const std::string& text, int32_t low, int32_t high) {
  int32_t value;
  return util::Str_To_Int(text, value) && value >= low && value <= high;
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
  // Message indices of octet 1 of each group; octets 2..4 follow it.
  struct Group {
    const std::array<std::string, 4>& octets;
    bool checked;
    int first_message;
  };
  const Group groups[] = {
      {v.IEC61850_Client_IP, true, 649},
      {v.IEC61850_Client_SM, true, 653},
      {v.IEC61850_Client_GAT, v.IEC61850_Client_En_GAT, 657},
      {v.Modbus_TCP_Slave_IP, true, 663},
      {v.Modbus_TCP_Slave_SM, true, 667},
      {v.Modbus_TCP_Slave_GAT, v.Modbus_TCP_Slave_EN_GAT, 671},
  };
  for (const Group& group : groups) {
    if (!group.checked) continue;
    const int bad = Bad_Octet(group.octets);
    if (bad >= 0) return strings[group.first_message + bad];
  }
  int32_t port;
  if (!util::Str_To_Int(v.Modbus_TCP_Slave_Port, port) || port < 0 || port > 65535 ||
      port == Reserved_Port)
    return strings[675];
  return std::nullopt;
}

}  // namespace comm
