// Helpers for the image tests: fixtures, ParGen.xml texts and byte expectations.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "support/test_support.h"

namespace image_test {

inline std::string Fixture(const std::string& name) {
  return test::Data_Dir() + "/image/fixtures/" + name;
}

// ParGen.xml as the communication dialog saves it with its defaults, with the given elements'
// texts replaced; a pair whose text is "<remove>" leaves that element out.
inline std::string ParGen_Xml(
    const std::vector<std::pair<std::string, std::string>>& changes = {}) {
  static const std::vector<std::pair<std::string, std::string>> defaults = {
      {"IEC61850_Client_IP1", "192"},
      {"IEC61850_Client_IP2", "168"},
      {"IEC61850_Client_IP3", "0"},
      {"IEC61850_Client_IP4", "10"},
      {"IEC61850_Client_SM1", "255"},
      {"IEC61850_Client_SM2", "255"},
      {"IEC61850_Client_SM3", "255"},
      {"IEC61850_Client_SM4", "0"},
      {"IEC61850_Client_GAT1", "192"},
      {"IEC61850_Client_GAT2", "168"},
      {"IEC61850_Client_GAT3", "0"},
      {"IEC61850_Client_GAT4", "1"},
      {"IEC61850_Client_En_GAT", "0"},
      {"IEC61850_Client_VLAN", "0"},
      {"IEC61850_Client_Application_ID", "0"},
      {"Modbus_TCP_Slave_IP1", "192"},
      {"Modbus_TCP_Slave_IP2", "168"},
      {"Modbus_TCP_Slave_IP3", "0"},
      {"Modbus_TCP_Slave_IP4", "5"},
      {"Modbus_TCP_Slave_SM1", "255"},
      {"Modbus_TCP_Slave_SM2", "255"},
      {"Modbus_TCP_Slave_SM3", "255"},
      {"Modbus_TCP_Slave_SM4", "0"},
      {"Modbus_TCP_Slave_GAT1", "192"},
      {"Modbus_TCP_Slave_GAT2", "168"},
      {"Modbus_TCP_Slave_GAT3", "0"},
      {"Modbus_TCP_Slave_GAT4", "1"},
      {"Modbus_TCP_Slave_EN_GAT", "0"},
      {"Modbus_TCP_Slave_Port", "502"}};
  std::string xml = "<Par_Gen>";
  for (const auto& [name, default_text] : defaults) {
    std::string text = default_text;
    bool keep = true;
    for (const auto& [changed, value] : changes)
      if (changed == name) {
        keep = value != "<remove>";
        text = value;
      }
    if (keep) xml += "<" + name + ">" + text + "</" + name + ">";
  }
  return xml + "</Par_Gen><!--SW_VERSION = 1.001-->";
}

// The expected bytes of a buffer: every byte not listed is 0.
inline std::vector<uint8_t> Bytes_With(size_t size,
                                       const std::map<size_t, std::vector<uint8_t>>& runs) {
  std::vector<uint8_t> bytes(size, 0);
  for (const auto& [offset, run] : runs)
    for (size_t i = 0; i < run.size(); ++i) bytes[offset + i] = run[i];
  return bytes;
}

inline std::vector<uint8_t> To_Vector(const std::string& bytes) {
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

}  // namespace image_test
