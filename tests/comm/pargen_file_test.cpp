#include "comm/pargen_file.h"

#include <gtest/gtest.h>

#include <pugixml.hpp>

#include "support/test_support.h"
#include "util/files.h"
#include "util/xml.h"

namespace {

std::string Fixture(const std::string& name) { return test::Data_Dir() + "/comm/fixtures/" + name; }

comm::Par_Gen Unusual_Values() {
  comm::Par_Gen v = comm::Default_Par_Gen();
  v.IEC61850_Client_IP = {"010", " 7", "", "abc"};
  v.IEC61850_Client_GAT = {"$FF", "<&>", "\"'", "1 "};
  v.IEC61850_Client_En_GAT = true;
  v.IEC61850_Client_VLAN = "123456789012";
  v.IEC61850_Client_Application_ID = "caf\xC3\xA9 id";
  v.Modbus_TCP_Slave_SM = {"255", "x", "-1", "0x10"};
  v.Modbus_TCP_Slave_EN_GAT = true;
  v.Modbus_TCP_Slave_Port = "]]>";
  return v;
}

TEST(ParGen_File, Writes_Defaults_Byte_For_Byte) {
  test::Temp_Dir dir;
  pugi::xml_document doc;
  comm::Save_Par_Gen(doc, dir / "ParGen.xml", comm::Default_Par_Gen());
  EXPECT_EQ(
      test::Read(dir / "ParGen.xml"),
      "<Par_Gen>"
      "<IEC61850_Client_IP1>192</IEC61850_Client_IP1><IEC61850_Client_IP2>168</IEC61850_Client_IP2>"
      "<IEC61850_Client_IP3>0</IEC61850_Client_IP3><IEC61850_Client_IP4>10</IEC61850_Client_IP4>"
      "<IEC61850_Client_SM1>255</IEC61850_Client_SM1><IEC61850_Client_SM2>255</IEC61850_Client_SM2>"
      "<IEC61850_Client_SM3>255</IEC61850_Client_SM3><IEC61850_Client_SM4>0</IEC61850_Client_SM4>"
      "<IEC61850_Client_GAT1>192</IEC61850_Client_GAT1>"
      "<IEC61850_Client_GAT2>168</IEC61850_Client_GAT2>"
      "<IEC61850_Client_GAT3>0</IEC61850_Client_GAT3><IEC61850_Client_GAT4>1</IEC61850_Client_GAT4>"
      "<IEC61850_Client_En_GAT>0</IEC61850_Client_En_GAT>"
      "<IEC61850_Client_VLAN>0</IEC61850_Client_VLAN>"
      "<IEC61850_Client_Application_ID>0</IEC61850_Client_Application_ID>"
      "<Modbus_TCP_Slave_IP1>192</Modbus_TCP_Slave_IP1><Modbus_TCP_Slave_IP2>168</"
      "Modbus_TCP_Slave_IP2>"
      "<Modbus_TCP_Slave_IP3>0</Modbus_TCP_Slave_IP3><Modbus_TCP_Slave_IP4>5</Modbus_TCP_Slave_IP4>"
      "<Modbus_TCP_Slave_SM1>255</Modbus_TCP_Slave_SM1><Modbus_TCP_Slave_SM2>255</"
      "Modbus_TCP_Slave_SM2>"
      "<Modbus_TCP_Slave_SM3>255</Modbus_TCP_Slave_SM3><Modbus_TCP_Slave_SM4>0</"
      "Modbus_TCP_Slave_SM4>"
      "<Modbus_TCP_Slave_GAT1>192</Modbus_TCP_Slave_GAT1>"
      "<Modbus_TCP_Slave_GAT2>168</Modbus_TCP_Slave_GAT2>"
      "<Modbus_TCP_Slave_GAT3>0</Modbus_TCP_Slave_GAT3>"
      "<Modbus_TCP_Slave_GAT4>1</Modbus_TCP_Slave_GAT4>"
      "<Modbus_TCP_Slave_EN_GAT>0</Modbus_TCP_Slave_EN_GAT>"
      "<Modbus_TCP_Slave_Port>502</Modbus_TCP_Slave_Port>"
      "</Par_Gen><!--SW_VERSION = 1.001-->");
}

TEST(ParGen_File, Round_Trip_Keeps_Texts_Exactly_As_Typed) {
  test::Temp_Dir dir;
  const comm::Par_Gen saved = Unusual_Values();
  pugi::xml_document doc;
  comm::Save_Par_Gen(doc, dir / "ParGen.xml", saved);
  const std::string bytes = test::Read(dir / "ParGen.xml");
  EXPECT_NE(bytes.find("<IEC61850_Client_En_GAT>1</IEC61850_Client_En_GAT>"), std::string::npos);
  EXPECT_NE(bytes.find("<Modbus_TCP_Slave_EN_GAT>1</Modbus_TCP_Slave_EN_GAT>"), std::string::npos);

  pugi::xml_document other;
  comm::Par_Gen loaded;
  comm::Load_Par_Gen(other, dir / "ParGen.xml", loaded);
  EXPECT_EQ(loaded, saved);
}

TEST(ParGen_File, Save_Replaces_The_Whole_File_And_The_Earlier_Tree) {
  test::Temp_Dir dir;
  test::Write(dir / "ParGen.xml", "<Par_Gen><Extra>1</Extra></Par_Gen><!--hand made-->");
  pugi::xml_document doc;
  comm::Par_Gen values;
  comm::Load_Par_Gen(doc, dir / "ParGen.xml", values);
  comm::Save_Par_Gen(doc, dir / "ParGen.xml", comm::Default_Par_Gen());
  const std::string bytes = test::Read(dir / "ParGen.xml");
  EXPECT_EQ(bytes.find("Extra"), std::string::npos);
  EXPECT_EQ(bytes.find("hand made"), std::string::npos);
  EXPECT_EQ(bytes.rfind("<Par_Gen>", 0), 0u);
}

TEST(ParGen_File, Missing_File_Gives_Defaults_And_Writes_Nothing) {
  test::Temp_Dir dir;
  pugi::xml_document doc;
  comm::Par_Gen values = Unusual_Values();
  comm::Load_Par_Gen(doc, dir / "ParGen.xml", values);
  EXPECT_EQ(values, comm::Default_Par_Gen());
  EXPECT_FALSE(util::File_Exists(dir / "ParGen.xml"));

  const comm::Par_Gen d = comm::Default_Par_Gen();
  EXPECT_EQ(d.IEC61850_Client_IP, (std::array<std::string, 4>{"192", "168", "0", "10"}));
  EXPECT_EQ(d.Modbus_TCP_Slave_IP, (std::array<std::string, 4>{"192", "168", "0", "5"}));
  EXPECT_EQ(d.Modbus_TCP_Slave_GAT, (std::array<std::string, 4>{"192", "168", "0", "1"}));
  EXPECT_FALSE(d.IEC61850_Client_En_GAT);
  EXPECT_EQ(d.Modbus_TCP_Slave_Port, "502");
}

TEST(ParGen_File, Reads_Any_Root_By_Name_With_Per_Element_Fallbacks) {
  // The root is called Settings; elements come in another order, with an unknown one, a
  // duplicate, a wrongly cased name, an empty one and one holding an element.
  pugi::xml_document doc;
  comm::Par_Gen v;
  comm::Load_Par_Gen(doc, Fixture("other_root.xml"), v);
  EXPECT_EQ(v.IEC61850_Client_IP, (std::array<std::string, 4>{"10", "168", "", "10"}));
  EXPECT_EQ(v.Modbus_TCP_Slave_Port, "1502");
  EXPECT_EQ(v.IEC61850_Client_VLAN, "12345678901");
  EXPECT_TRUE(v.IEC61850_Client_En_GAT);
  // "Modbus_TCP_Slave_En_GAT" is not "Modbus_TCP_Slave_EN_GAT".
  EXPECT_FALSE(v.Modbus_TCP_Slave_EN_GAT);
  EXPECT_EQ(v.IEC61850_Client_SM, comm::Default_Par_Gen().IEC61850_Client_SM);
}

TEST(ParGen_File, Comment_Before_Root_Leaves_Every_Value_At_Its_Fallback) {
  pugi::xml_document doc;
  comm::Par_Gen v = Unusual_Values();
  comm::Load_Par_Gen(doc, Fixture("comment_before_root.xml"), v);
  EXPECT_EQ(v, comm::Default_Par_Gen());
}

TEST(ParGen_File, Only_Exactly_One_Enables) {
  const struct {
    const char* text;
    bool enabled;
  } cases[] = {{"1", true},   {"true", false}, {"01", false}, {" 1", false},
               {"1 ", false}, {"Y", false},    {"", false},   {"0", false}};
  for (const auto& c : cases) {
    pugi::xml_document doc;
    const std::string xml = std::string("<Par_Gen><IEC61850_Client_En_GAT>") + c.text +
                            "</IEC61850_Client_En_GAT><Modbus_TCP_Slave_EN_GAT>" + c.text +
                            "</Modbus_TCP_Slave_EN_GAT></Par_Gen>";
    util::Load_Xml_Text(doc, xml, "ParGen.xml");
    comm::Par_Gen v;
    comm::Read_Par_Gen(doc, v);
    EXPECT_EQ(v.IEC61850_Client_En_GAT, c.enabled) << '"' << c.text << '"';
    EXPECT_EQ(v.Modbus_TCP_Slave_EN_GAT, c.enabled) << '"' << c.text << '"';
  }
}

TEST(ParGen_File, Not_Well_Formed_Throws_The_Parser_Text_And_Keeps_The_Values) {
  pugi::xml_document doc;
  comm::Par_Gen v = Unusual_Values();
  try {
    comm::Load_Par_Gen(doc, Fixture("not_well_formed.xml"), v);
    FAIL() << "no error";
  } catch (const util::Xml_Error& e) {
    EXPECT_NE(std::string(e.what()).find("line 1"), std::string::npos) << e.what();
  }
  EXPECT_EQ(v, Unusual_Values());
}

TEST(ParGen_File, Save_That_Cannot_Write_Throws_And_Leaves_The_Target_Alone) {
  test::Temp_Dir dir;
  test::Write(dir / "plain_file", "x");
  util::Create_Dir(dir / "ParGen.xml");  // a folder where the file should be
  const std::string targets[] = {dir / "plain_file/ParGen.xml", dir / "missing/ParGen.xml",
                                 dir / "ParGen.xml"};
  for (const std::string& target : targets) {
    pugi::xml_document doc;
    EXPECT_THROW(comm::Save_Par_Gen(doc, target, comm::Default_Par_Gen()), util::File_Error)
        << target;
  }
  EXPECT_EQ(test::Read(dir / "plain_file"), "x");
  EXPECT_TRUE(util::Dir_Exists(dir / "ParGen.xml"));
}

}  // namespace
