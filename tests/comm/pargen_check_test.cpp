#include "comm/pargen_check.h"

#include <gtest/gtest.h>

#include <functional>

#include "app/all_texts.h"
#include "comm/comm_strings.h"
#include "text/lang_strings.h"

namespace {

namespace cs = comm_strings;

using Edit = std::function<void(comm::Par_Gen&)>;

struct Case {
  const char* what;
  Edit edit;
  std::optional<int> message;  // string-table index of the expected message
};

TEST(Controllo_Dati, First_Failing_Test_In_Table_Order) {
  const Case cases[] = {
      {"defaults pass", [](comm::Par_Gen&) {}, std::nullopt},
      {"empty octet", [](comm::Par_Gen& v) { v.IEC61850_Client_IP[0] = ""; },
       cs::Text_Client_IP_Errors.At(0)},
      {"256", [](comm::Par_Gen& v) { v.IEC61850_Client_IP[1] = "256"; },
       cs::Text_Client_IP_Errors.At(1)},
      {"-1", [](comm::Par_Gen& v) { v.IEC61850_Client_IP[2] = "-1"; },
       cs::Text_Client_IP_Errors.At(2)},
      {"1a", [](comm::Par_Gen& v) { v.IEC61850_Client_IP[3] = "1a"; },
       cs::Text_Client_IP_Errors.At(3)},
      {"trailing blank", [](comm::Par_Gen& v) { v.IEC61850_Client_SM[0] = "255 "; },
       cs::Text_Client_Mask_Errors.At(0)},
      {"$FFFFFFFF is -1", [](comm::Par_Gen& v) { v.IEC61850_Client_SM[3] = "$FFFFFFFF"; },
       cs::Text_Client_Mask_Errors.At(3)},
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
       cs::Text_Client_Gateway_Errors.At(2)},
      {"client mask before slave IP",
       [](comm::Par_Gen& v) {
         v.IEC61850_Client_SM[1] = "300";
         v.Modbus_TCP_Slave_IP[0] = "300";
       },
       cs::Text_Client_Mask_Errors.At(1)},
      {"client gateway after client mask",
       [](comm::Par_Gen& v) {
         v.IEC61850_Client_En_GAT = true;
         v.IEC61850_Client_GAT[0] = "";
         v.IEC61850_Client_SM[3] = "";
       },
       cs::Text_Client_Mask_Errors.At(3)},
      {"slave IP", [](comm::Par_Gen& v) { v.Modbus_TCP_Slave_IP[3] = "256"; },
       cs::Text_Slave_IP_Errors.At(3)},
      {"slave mask", [](comm::Par_Gen& v) { v.Modbus_TCP_Slave_SM[0] = ""; },
       cs::Text_Slave_Mask_Errors.At(0)},
      {"enabled slave gateway",
       [](comm::Par_Gen& v) {
         v.Modbus_TCP_Slave_EN_GAT = true;
         v.Modbus_TCP_Slave_GAT[3] = "256";
         v.Modbus_TCP_Slave_Port = "10000";
       },
       cs::Text_Slave_Gateway_Errors.At(3)},
      {"port 10000", [](comm::Par_Gen& v) { v.Modbus_TCP_Slave_Port = "10000"; },
       cs::Text_Slave_Port_Error},
      {"port $2710 is 10000", [](comm::Par_Gen& v) { v.Modbus_TCP_Slave_Port = "$2710"; },
       cs::Text_Slave_Port_Error},
      {"port 65536", [](comm::Par_Gen& v) { v.Modbus_TCP_Slave_Port = "65536"; },
       cs::Text_Slave_Port_Error},
      {"port -1", [](comm::Par_Gen& v) { v.Modbus_TCP_Slave_Port = "-1"; },
       cs::Text_Slave_Port_Error},
      {"port empty", [](comm::Par_Gen& v) { v.Modbus_TCP_Slave_Port = ""; },
       cs::Text_Slave_Port_Error},
      {"port 0", [](comm::Par_Gen& v) { v.Modbus_TCP_Slave_Port = "0"; }, std::nullopt},
      {"port 65535", [](comm::Par_Gen& v) { v.Modbus_TCP_Slave_Port = "65535"; }, std::nullopt},
      {"VLAN and application ID never stop the save",
       [](comm::Par_Gen& v) {
         v.IEC61850_Client_VLAN = "abc";
         v.IEC61850_Client_Application_ID = "";
       },
       std::nullopt},
  };
  const lang::Lang_Strings strings = lang::English_Strings();
  for (const Case& c : cases) {
    comm::Par_Gen v = comm::Default_Par_Gen();
    c.edit(v);
    const util::Check_Result failure = comm::Controllo_Dati(v, strings);
    EXPECT_EQ(failure, c.message ? util::Check_Result(strings[*c.message]) : std::nullopt)
        << c.what;
  }
}

TEST(Controllo_Dati, Every_Message_Has_Its_Built_In_Text) {
  const lang::Lang_Strings s = lang::English_Strings();
  const char* const client[] = {"IP Address", "SubNet Mask", "GATEWAY IP"};
  const char* const slave[] = {"IP Address", "SUBNET Mask", "GATEWAY IP"};
  const lang::Text_Range client_messages[] = {
      cs::Text_Client_IP_Errors, cs::Text_Client_Mask_Errors, cs::Text_Client_Gateway_Errors};
  const lang::Text_Range slave_messages[] = {cs::Text_Slave_IP_Errors, cs::Text_Slave_Mask_Errors,
                                             cs::Text_Slave_Gateway_Errors};
  for (int g = 0; g < 3; ++g)
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(s[client_messages[g].At(i)], std::string("Error IEC61850 Client!! ") + client[g] +
                                                 " " + std::to_string(i + 1) +
                                                 " must be between 0 and 255");
      EXPECT_EQ(s[slave_messages[g].At(i)], std::string("Error Modbus TCP Slave!! ") + slave[g] +
                                                " " + std::to_string(i + 1) +
                                                " must be between 0 and 255");
    }
  EXPECT_EQ(s[cs::Text_Slave_Port_Error],
            "Error Modbus TCP Slave!! Port must be between 0 and 65535, and different from 10000");
  // The numbers that language files use for these messages.
  EXPECT_EQ(s[649], "Error IEC61850 Client!! IP Address 1 must be between 0 and 255");
  EXPECT_EQ(s[670], "Error Modbus TCP Slave!! SUBNET Mask 4 must be between 0 and 255");
  EXPECT_EQ(s[675],
            "Error Modbus TCP Slave!! Port must be between 0 and 65535, and different from 10000");
  EXPECT_EQ(s[661], " ");
  EXPECT_EQ(s[662], " ");
}

TEST(Controllo_Dati, Dialog_Texts_Of_Both_Sides) {
  const lang::Lang_Strings s = lang::English_Strings();
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
