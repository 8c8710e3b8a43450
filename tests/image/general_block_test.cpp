// bank1.bin: the general configuration block, byte for byte.
#include "image/general_block.h"

#include <gtest/gtest.h>

#include "image/image_build.h"
#include "image_test_util.h"
#include "util/xml.h"

namespace {

using namespace USaveBincc;
using image_test::Bytes_With;
using image_test::ParGen_Xml;
using image_test::To_Vector;

// bank1.bin built from `pargen_xml` (no ParGen.xml at all when it is empty) and no client file.
std::vector<uint8_t> Bank1_For(const std::string& pargen_xml) {
  test::Temp_Dir dir;
  if (!pargen_xml.empty()) test::Write(dir / "ParGen.xml", pargen_xml);
  Image_Build build;
  build.Build_Image(dir / "ParGen.xml", dir / "IEC_61850_Client.xml", test::English());
  return To_Vector(build.Bank1());
}

uint32_t Checksum_Of(const std::vector<uint8_t>& block) {
  return block[2044] | block[2045] << 8 | block[2046] << 16 | block[2047] << 24;
}

// The bytes every block holds whatever ParGen.xml says, the client tables address included.
std::map<size_t, std::vector<uint8_t>> Fixed_Bytes() {
  return {{0, {0x90, 0xD0, 0x03}}, {4, {0x90, 0xD0, 0x03}},         {12, {0x80, 0x25}},
          {52, {0x10, 0x27}},      {436, {8, 8, 8, 8, 8, 8, 8, 8}}, {1518, {0x08}}};
}

TEST(General_Block, Without_Par_Gen_Keeps_Reset_Values) {
  auto runs = Fixed_Bytes();
  runs[40] = {0xC0, 0xA8, 0x02, 0xCD};
  runs[44] = {0xFF, 0xFF, 0xFF};
  runs[48] = {0xFF, 0xFF, 0xFF, 0xFF};
  runs[54] = {0x11, 0x27, 0x11, 0x27};
  runs[2044] = {0x8A, 0x0D};  // 3466
  EXPECT_EQ(Bank1_For(""), Bytes_With(2048, runs));
}

TEST(General_Block, Dialog_Defaults) {
  auto runs = Fixed_Bytes();
  runs[40] = {0xC0, 0xA8, 0x00, 0x05};
  runs[44] = {0xFF, 0xFF, 0xFF};
  runs[48] = {0xFF, 0xFF, 0xFF, 0xFF};
  runs[54] = {0xF6, 0x01, 0xF6, 0x01};
  runs[388] = {0xC0, 0xA8, 0x00, 0x0A};
  runs[392] = {0xFF, 0xFF, 0xFF};
  runs[396] = {0xFF, 0xFF, 0xFF, 0xFF};
  runs[2044] = {0xA9, 0x16};  // 5801
  const std::vector<uint8_t> expected = Bytes_With(2048, runs);
  EXPECT_EQ(Bank1_For(test::Read(image_test::Fixture("pargen_defaults.xml"))), expected);

  // Every element missing takes the same fallbacks as the dialog's defaults, whatever the
  // root is called; a comment in front of the root becomes the root and finds nothing.
  for (const std::string xml :
       {"<Par_Gen/>", "<Anything><Other>1</Other></Anything>",
        "<!--x--><Par_Gen><Modbus_TCP_Slave_IP1>7</Modbus_TCP_Slave_IP1></Par_Gen>"}) {
    SCOPED_TRACE(xml);
    EXPECT_EQ(Bank1_For(xml), expected);
  }
}

TEST(General_Block, Both_Gateways_Enabled) {
  std::vector<uint8_t> block =
      Bank1_For(ParGen_Xml({{"IEC61850_Client_En_GAT", "1"}, {"Modbus_TCP_Slave_EN_GAT", "1"}}));
  EXPECT_EQ(std::vector<uint8_t>(block.begin() + 48, block.begin() + 52),
            (std::vector<uint8_t>{0xC0, 0xA8, 0x00, 0x01}));
  EXPECT_EQ(std::vector<uint8_t>(block.begin() + 396, block.begin() + 400),
            (std::vector<uint8_t>{0xC0, 0xA8, 0x00, 0x01}));
  EXPECT_EQ(Checksum_Of(block), 4483u);
}

struct Field_Case {
  std::vector<std::pair<std::string, std::string>> changes;
  size_t offset;
  std::vector<uint8_t> expected;
};

TEST(General_Block, Values_Are_Cut_And_Fall_Back_One_By_One) {
  const std::vector<Field_Case> cases = {
      // Low 8 bits of octets, low 16 bits of the port, the port copied.
      {{{"IEC61850_Client_IP1", "300"}}, 388, {44, 168, 0, 10}},
      {{{"Modbus_TCP_Slave_SM4", "-1"}}, 44, {255, 255, 255, 255}},
      {{{"Modbus_TCP_Slave_Port", "70000"}}, 54, {0x70, 0x11, 0x70, 0x11}},
      {{{"Modbus_TCP_Slave_Port", "10000"}}, 54, {0x10, 0x27, 0x10, 0x27}},
      // The integer text rule: hexadecimal and leading blanks pass, anything else falls back.
      {{{"Modbus_TCP_Slave_IP4", "0x10"}}, 40, {192, 168, 0, 16}},
      {{{"Modbus_TCP_Slave_IP4", "  7"}}, 40, {192, 168, 0, 7}},
      {{{"Modbus_TCP_Slave_IP4", "7 "}}, 40, {192, 168, 0, 5}},
      {{{"Modbus_TCP_Slave_IP4", ""}}, 40, {192, 168, 0, 5}},
      {{{"Modbus_TCP_Slave_IP4", "<remove>"}}, 40, {192, 168, 0, 5}},
      {{{"Modbus_TCP_Slave_IP4", "<a>1</a>"}}, 40, {192, 168, 0, 5}},
      {{{"Modbus_TCP_Slave_Port", "port"}}, 54, {0xF6, 0x01, 0xF6, 0x01}},
      {{{"IEC61850_Client_SM4", "x"}}, 392, {255, 255, 255, 0}},
      // Only exactly "1" enables a gateway; its octets are read with their own fallbacks.
      {{{"IEC61850_Client_En_GAT", "1"}, {"IEC61850_Client_GAT2", "<remove>"}},
       396,
       {192, 168, 0, 1}},
      {{{"IEC61850_Client_En_GAT", "1"}, {"IEC61850_Client_GAT1", "10"}}, 396, {10, 168, 0, 1}},
      {{{"IEC61850_Client_En_GAT", "true"}, {"IEC61850_Client_GAT1", "10"}},
       396,
       {255, 255, 255, 255}},
      {{{"Modbus_TCP_Slave_EN_GAT", "01"}}, 48, {255, 255, 255, 255}},
      {{{"Modbus_TCP_Slave_EN_GAT", " 1"}}, 48, {255, 255, 255, 255}},
      {{{"Modbus_TCP_Slave_EN_GAT", "<remove>"}, {"Modbus_TCP_Slave_GAT1", "10"}},
       48,
       {255, 255, 255, 255}},
      // The enables are spelled differently on the two sides.
      {{{"Modbus_TCP_Slave_En_GAT", "1"}}, 48, {255, 255, 255, 255}},
  };
  for (const Field_Case& c : cases) {
    std::string xml = ParGen_Xml(c.changes);
    SCOPED_TRACE(xml);
    std::vector<uint8_t> block = Bank1_For(xml);
    EXPECT_EQ(std::vector<uint8_t>(block.begin() + c.offset,
                                   block.begin() + c.offset + c.expected.size()),
              c.expected);
    uint32_t sum = 0;
    for (int i = 0; i < 2044; ++i) sum += block[i];
    EXPECT_EQ(Checksum_Of(block), sum);
  }
}

TEST(General_Block, Vlan_And_Application_Id_Go_To_The_Client_Header) {
  struct Case {
    std::string vlan, app_id;
    int32_t expected_vlan, expected_app_id;
  };
  for (const Case& c : std::vector<Case>{
           {"12", "0x3FFF", 12, 0x3FFF}, {"-5", "$FFFFFFFF", -5, -1}, {"abc", "<remove>", 0, 0}}) {
    test::Temp_Dir dir;
    test::Write(dir / "ParGen.xml", ParGen_Xml({{"IEC61850_Client_VLAN", c.vlan},
                                                {"IEC61850_Client_Application_ID", c.app_id}}));
    TGeneral_Block block;
    TIEC61850_Client tables;
    Reset_General_Block(block);
    Reset_Client_Tables(tables);
    Load_General_Block(block, tables, dir / "ParGen.xml");
    EXPECT_EQ(tables.vLan, c.expected_vlan) << c.vlan;
    EXPECT_EQ(tables.appID, c.expected_app_id) << c.app_id;
  }
}

TEST(General_Block, Malformed_File_Gives_Parser_Error_With_Position) {
  test::Temp_Dir dir;
  test::Write(dir / "ParGen.xml", "<Par_Gen>\n<Modbus_TCP_Slave_IP1>1</Par_Gen>");
  TGeneral_Block block;
  TIEC61850_Client tables;
  Reset_General_Block(block);
  try {
    Load_General_Block(block, tables, dir / "ParGen.xml");
    FAIL() << "no error";
  } catch (const util::Xml_Error& e) {
    EXPECT_NE(std::string(e.what()).find("line 2"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("column"), std::string::npos) << e.what();
  }
}

TEST(General_Block, Copy_Refuses_Too_Small_Buffer) {
  TGeneral_Block block;
  Reset_General_Block(block);
  std::vector<uint8_t> buffer(4096, 0xEE);
  EXPECT_EQ(Copy_General_Block(block, 2048, buffer, 4095, test::English()), 4096);
  EXPECT_THROW(Copy_General_Block(block, 2049, buffer, 4095, test::English()), Image_Error);
  EXPECT_THROW(Copy_General_Block(block, 0, buffer, 2046, test::English()), Image_Error);
  EXPECT_THROW(Copy_General_Block(block, -1, buffer, 4095, test::English()), Image_Error);
  EXPECT_EQ(buffer[0], 0xEE);
}

}  // namespace
