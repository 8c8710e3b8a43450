#include "comm/pargen_check.h"

#include <gtest/gtest.h>

#include <functional>

#include "lang/lang_strings.h"

namespace {

using Edit = std::function<void(comm::Par_Gen&)>;

struct Case {
  const char* what;
  Edit edit;
  std::optional<int> message;  // string-table index of the expected message
};

TEST(ControlloDati, FirstFailingTestInTableOrder) {
  const Case cases[] = {
      {"defaults pass", [](comm::Par_Gen&) {}, std::nullopt},
      {"empty octet", [](comm::Par_Gen& v) { v.IEC61850_Client_IP[0] = ""; }, 649},
      {"256", [](comm::Par_Gen& v) { v.IEC61850_Client_IP[1] = "256"; }, 650},
      {"-1", [](comm::Par_Gen& v) { v.IEC61850_Client_IP[2] = "-1"; }, 651},
      {"1a", [](comm::Par_Gen& v) { v.IEC61850_Client_IP[3] = "1a"; }, 652},
      {"trailing blank", [](comm::Par_Gen& v) { v.IEC61850_Client_SM[0] = "255 "; }, 653},
      {"$FFFFFFFF is -1", [](comm::Par_Gen& v) { v.IEC61850_Client_SM[3] = "$FFFFFFFF"; }, 656},
      {"0, 255, leading blank, $FF, 0x0A, +7 pass",
       [](comm::Par_Gen& v) {
         v.IEC61850_Client_IP = {"0", "255", " 12", "$FF"};
         v.Modbus_TCP_Slave_IP = {"0x0A", "+7", "  0", "$ff"};
       },
       std::nullopt},
      {"disabled gateways are not checked",
       [](comm::Par_Gen& v) {
         v.IEC61850_Client_GAT = {"", "999", "x", "-5"};
         v.Modbus_TCP_Slave_GAT = {"", "999", "x", "-5"};
       },
       std::nullopt},
      {"enabled client gateway",
       [](comm::Par_Gen& v) {
         v.IEC61850_Client_En_GAT = true;
         v.IEC61850_Client_GAT[2] = "x";
       },
       659},
      {"client mask before slave IP",
       [](comm::Par_Gen& v) {
         v.IEC61850_Client_SM[1] = "300";
         v.Modbus_TCP_Slave_IP[0] = "300";
       },
       654},
      {"client gateway after client mask",
       [](comm::Par_Gen& v) {
         v.IEC61850_Client_En_GAT = true;
         v.IEC61850_Client_GAT[0] = "";
         v.IEC61850_Client_SM[3] = "";
       },
       656},
      {"slave IP", [](comm::Par_Gen& v) { v.Modbus_TCP_Slave_IP[3] = "256"; }, 666},
      {"slave mask", [](comm::Par_Gen& v) { v.Modbus_TCP_Slave_SM[0] = ""; }, 667},
      {"enabled slave gateway",
       [](comm::Par_Gen& v) {
         v.Modbus_TCP_Slave_EN_GAT = true;
         v.Modbus_TCP_Slave_GAT[3] = "256";
         v.Modbus_TCP_Slave_Port = "10000";
       },
       674},
      {"port 10000", [](comm::Par_Gen& v) { v.Modbus_TCP_Slave_Port = "10000"; }, 675},
      {"port $2710 is 10000", [](comm::Par_Gen& v) { v.Modbus_TCP_Slave_Port = "$2710"; }, 675},
      {"port 65536", [](comm::Par_Gen& v) { v.Modbus_TCP_Slave_Port = "65536"; }, 675},
      {"port -1", [](comm::Par_Gen& v) { v.Modbus_TCP_Slave_Port = "-1"; }, 675},
      {"port empty", [](comm::Par_Gen& v) { v.Modbus_TCP_Slave_Port = ""; }, 675},
      {"port 0", [](comm::Par_Gen& v) { v.Modbus_TCP_Slave_Port = "0"; }, std::nullopt},
      {"port 65535", [](comm::Par_Gen& v) { v.Modbus_TCP_Slave_Port = "65535"; }, std::nullopt},
      {"VLAN and application ID never stop the save",
       [](comm::Par_Gen& v) {
         v.IEC61850_Client_VLAN = "abc";
         v.IEC61850_Client_Application_ID = "";
       },
       std::nullopt},
  };
  const lang::Lang_Strings strings;
  for (const Case& c : cases) {
    comm::Par_Gen v = comm::Default_Par_Gen();
    c.edit(v);
    const util::Check_Result failure = comm::Controllo_Dati(v, strings);
    EXPECT_EQ(failure, c.message ? util::Check_Result(strings[*c.message]) : std::nullopt)
        << c.what;
  }
}

TEST(ControlloDati, EveryMessageHasItsBuiltInText) {
  const lang::Lang_Strings s;
  const char* const client[] = {"IP Address", "SubNet Mask", "GATEWAY IP"};
  const char* const slave[] = {"IP Address", "SUBNET Mask", "GATEWAY IP"};
  for (int g = 0; g < 3; ++g)
    for (int i = 1; i <= 4; ++i) {
      EXPECT_EQ(s[648 + 4 * g + i], std::string("Error IEC61850 Client!! ") + client[g] + " " +
                                        std::to_string(i) + " must be between 0 and 255");
      EXPECT_EQ(s[662 + 4 * g + i], std::string("Error Modbus TCP Slave!! ") + slave[g] + " " +
                                        std::to_string(i) + " must be between 0 and 255");
    }
  EXPECT_EQ(s[649], "Error IEC61850 Client!! IP Address 1 must be between 0 and 255");
  EXPECT_EQ(s[670], "Error Modbus TCP Slave!! SUBNET Mask 4 must be between 0 and 255");
  EXPECT_EQ(s[675],
            "Error Modbus TCP Slave!! Port must be between 0 and 65535, and different from 10000");
  EXPECT_EQ(s[661], " ");
  EXPECT_EQ(s[662], " ");
}

TEST(ControlloDati, DialogTextsOfBothSides) {
  const lang::Lang_Strings s;
  const std::pair<int, const char*> texts[] = {
      {400, "Set Communication"},
      {401, "Set Communication Setting"},
      {404, "Confirm and Save the current configuration"},
      {405, "Exit and Discard the current configuration"},
      {406, "IEC61850 Client"},
      {407, "IP Address"},
      {409, "Insert Second byte of IP Address"},
      {412, "SubNet Mask"},
      {416, "Insert Fourth byte of SubNet Mask"},
      {417, "Gateway"},
      {418, "Enable/disable the Default Gateway"},
      {419, "Insert First byte of Default Gateway"},
      {422, "Insert Fourth byte of Default Gateway"},
      {423, "VLAN"},
      {426, "Insert the Application ID of IEC61850 Client"},
      {427, " "},
      {440, "Modbus TCP Slave"},
      {441, "IP Address"},
      {444, "Insert Third byte of IP Address"},
      {446, "SubNet Mask"},
      {451, "Gateway"},
      {452, "Enable/disable the Default Gateway"},
      {456, "Insert Fourth byte of Default Gateway"},
      {457, "Port"},
      {458,
       "Insert the communication port to use for Modbus, from 0 to 65535 but different from 10000"},
      {459, " "},
  };
  for (const auto& [index, text] : texts) EXPECT_EQ(s[index], text) << index;
}

}  // namespace
