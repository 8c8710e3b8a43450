// bank2.bin: the IEC 61850 client tables, their conversions, addresses and bytes.
#include "image/client_tables.h"

#include <gtest/gtest.h>

#include <functional>

#include "access/client_file.h"
#include "image/image_build.h"
#include "image/image_inspect.h"
#include "image_test_util.h"

namespace {

using namespace USaveBincc;
using image_test::To_Vector;

using Attrs = std::vector<std::pair<std::string, std::string>>;

// The attributes with `changes` applied: a new text, or "<remove>" to leave one out.
Attrs With(Attrs attrs, const Attrs& changes) {
  for (const auto& change : changes) {
    auto it =
        std::find_if(attrs.begin(), attrs.end(), [&](auto& a) { return a.first == change.first; });
    if (change.second == "<remove>") {
      if (it != attrs.end()) attrs.erase(it);
    } else if (it != attrs.end()) {
      it->second = change.second;
    } else {
      attrs.push_back(change);
    }
  }
  return attrs;
}

std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text)
    out += c == '"' ? std::string("&quot;") : c == '&' ? "&amp;" : std::string(1, c);
  return out;
}

std::string Element(const std::string& name, const Attrs& attrs, const std::string& inner = "") {
  std::string xml = "<" + name;
  for (const auto& [key, value] : attrs) xml += " " + key + "=\"" + Escaped(value) + "\"";
  return inner.empty() ? xml + "/>" : xml + ">" + inner + "</" + name + ">";
}

const Attrs Variable = {{"Index", "0"},
                        {"bType", "BOOLEAN"},
                        {"fc", "ST"},
                        {"Reference", "LD0/GGIO1.Ind1.stVal"},
                        {"IPAddress", "192.168.2.10"},
                        {"Port", "102"},
                        {"OnChange", "Y"},
                        {"OnCMD", "N"},
                        {"OnTimer", "Y"},
                        {"Time", "1000"},
                        {"Position", "5"},
                        {"StartBit", "0"},
                        {"ReadWrite", "Read"},
                        {"Convertion", "None"},
                        {"MoltFact", "1"},
                        {"Mnemonic", "m"}};
const Attrs Data_Set = {{"Index", "0"},
                        {"Reference", "LD0/LLN0.DS1"},
                        {"GooseName", "gcb1"},
                        {"EnGoose", "N"},
                        {"IPAddress", "10.0.0.1"},
                        {"Port", "102"},
                        {"Time", "2000"},
                        {"Mnemonic", ""}};
const Attrs Member = {{"bType", "FLOAT32"},   {"Reference", "LD0/MMXU1.Hz.mag.f"},
                      {"Position", "20"},     {"StartBit", "1"},
                      {"Convertion", "None"}, {"MoltFact", "1"},
                      {"Mnemonic", ""}};

std::string DA(const Attrs& changes = {}) { return Element("DA_Item", With(Variable, changes)); }
std::string MB(const Attrs& changes = {}) {
  return Element("DataSet_DA_Item", With(Member, changes));
}
std::string DS(const std::string& members, const Attrs& changes = {}) {
  return Element("DataSet_Item", With(Data_Set, changes),
                 "<DataSet_List_DAs>" + members + "</DataSet_List_DAs>");
}

std::string Client_Xml(const std::string& variables, const std::string& data_sets) {
  return "<IEC_68850_Client><List_ICD_Files><ICD_File Name=\"A\" FileName=\"a.icd\"/>"
         "</List_ICD_Files><List_DA_Selected>" +
         variables + "</List_DA_Selected><List_DataSet_Selected>" + data_sets +
         "</List_DataSet_Selected></IEC_68850_Client><!--SW_VERSION = 1.001-->";
}

TIEC61850_Client Load(const std::string& xml) {
  test::Temp_Dir dir;
  test::Write(dir / "IEC_61850_Client.xml", xml);
  TIEC61850_Client tables;
  Load_Client_Tables(tables, dir / "IEC_61850_Client.xml", Client_Tables_Base, test::English());
  return tables;
}

std::string Bank2_For(const std::string& client_xml, const std::string& pargen_xml = "") {
  test::Temp_Dir dir;
  if (!client_xml.empty()) test::Write(dir / "IEC_61850_Client.xml", client_xml);
  if (!pargen_xml.empty()) test::Write(dir / "ParGen.xml", pargen_xml);
  Image_Build build;
  build.Build_Image(dir / "ParGen.xml", dir / "IEC_61850_Client.xml", test::English());
  return build.Bank2();
}

TEST(Client_Tables, One_Variable_Example) {
  const std::vector<uint8_t> expected = {
      0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
      0x00, 0x00, 0x18, 0x00, 0x08, 0x00, 0x38, 0x00, 0x08, 0x00, 0x53, 0x54, 0x00, 0x00,
      0x05, 0x00, 0x00, 0x00, 0x05, 0x00, 0x66, 0x00, 0xe8, 0x03, 0x00, 0x00, 0x00, 0x00,
      0x80, 0x3f, 0x38, 0x00, 0x08, 0x00, 0x40, 0x00, 0x08, 0x00, 0x4d, 0x00, 0x08, 0x00,
      'B',  'O',  'O',  'L',  'E',  'A',  'N',  0,    '1',  '9',  '2',  '.',  '1',  '6',
      '8',  '.',  '2',  '.',  '1',  '0',  0,    'L',  'D',  '0',  '/',  'G',  'G',  'I',
      'O',  '1',  '.',  'I',  'n',  'd',  '1',  '.',  's',  't',  'V',  'a',  'l',  0};
  ASSERT_EQ(expected.size(), 98u);
  EXPECT_EQ(To_Vector(Bank2_For(test::Read(image_test::Fixture("client_one_variable.xml")))),
            expected);
}

TEST(Client_Tables, Without_Client_File_Only_The_Header) {
  const std::string pargen = image_test::ParGen_Xml(
      {{"IEC61850_Client_VLAN", "12"}, {"IEC61850_Client_Application_ID", "-2"}});
  EXPECT_EQ(To_Vector(Bank2_For("", pargen)),
            (std::vector<uint8_t>{0,    0,    0,    0,    0,    0, 0,    0, 12,   0, 0,    0,
                                  0xFE, 0xFF, 0xFF, 0xFF, 0x18, 0, 0x08, 0, 0x18, 0, 0x08, 0}));
  // Empty lists, and no data set list at all, give the same header.
  EXPECT_EQ(Bank2_For(Client_Xml("", ""), pargen), Bank2_For("", pargen));
  EXPECT_EQ(Bank2_For("<IEC_68850_Client><List_DA_Selected/></IEC_68850_Client>", pargen),
            Bank2_For("", pargen));
}

TEST(Client_Tables, Variable_Conversions) {
  struct Case {
    Attrs changes;
    std::function<void(const TIEC61850_Variable&)> check;
  };
  const std::vector<Case> cases = {
      {{},
       [](auto& v) {
         EXPECT_EQ(v.fc[0], 'S');
         EXPECT_EQ(v.fc[1], 'T');
         EXPECT_EQ(v.rw, 0);
         EXPECT_EQ(v.options, 0x05);
         EXPECT_EQ(v.time, 1000u);
         EXPECT_EQ(v.position, 5);
         EXPECT_EQ(v.tcpPort, 102);
         EXPECT_EQ(v.conversion, 0);
         EXPECT_EQ(v.moltFactor, 1.0f);
       }},
      {{{"fc", "S"}}, [](auto& v) { EXPECT_EQ(v.fc[1], 0); }},
      {{{"fc", ""}}, [](auto& v) { EXPECT_TRUE(v.fc[0] == 0 && v.fc[1] == 0); }},
      {{{"fc", "STX"}}, [](auto& v) { EXPECT_TRUE(v.fc[0] == 'S' && v.fc[1] == 'T'); }},
      {{{"fc", "Äx"}}, [](auto& v) { EXPECT_TRUE(v.fc[0] == 0xC4 && v.fc[1] == 'x'); }},
      {{{"ReadWrite", "Write"}}, [](auto& v) { EXPECT_EQ(v.rw, 1); }},
      {{{"ReadWrite", ""}}, [](auto& v) { EXPECT_EQ(v.rw, 1); }},
      {{{"ReadWrite", "read"}}, [](auto& v) { EXPECT_EQ(v.rw, 1); }},
      {{{"ReadWrite", "<remove>"}}, [](auto& v) { EXPECT_EQ(v.rw, 1); }},
      {{{"Convertion", "ItoF/FtoI"}}, [](auto& v) { EXPECT_EQ(v.conversion, 1); }},
      {{{"Convertion", "itof/ftoi"}}, [](auto& v) { EXPECT_EQ(v.conversion, 0); }},
      {{{"Convertion", "<remove>"}}, [](auto& v) { EXPECT_EQ(v.conversion, 0); }},
      {{{"OnChange", "y"}, {"OnCMD", "Y"}, {"OnTimer", "<remove>"}},
       [](auto& v) { EXPECT_EQ(v.options, 0x02); }},
      {{{"Port", "70000"}}, [](auto& v) { EXPECT_EQ(v.tcpPort, 4464); }},
      {{{"Port", "x"}}, [](auto& v) { EXPECT_EQ(v.tcpPort, 0); }},
      {{{"StartBit", "300"}}, [](auto& v) { EXPECT_EQ(v.bit_address, 44); }},
      {{{"StartBit", ""}}, [](auto& v) { EXPECT_EQ(v.bit_address, 0); }},
      {{{"Position", "-1"}}, [](auto& v) { EXPECT_EQ(v.position, 0xFFFF); }},
      {{{"Position", "$10"}}, [](auto& v) { EXPECT_EQ(v.position, 16); }},
      {{{"Time", ""}}, [](auto& v) { EXPECT_EQ(v.time, 1000u); }},
      {{{"Time", "5 s"}}, [](auto& v) { EXPECT_EQ(v.time, 1000u); }},
      {{{"Time", "-1"}}, [](auto& v) { EXPECT_EQ(v.time, 0xFFFFFFFFu); }},
      {{{"Index", "<remove>"}, {"Mnemonic", "<remove>"}}, [](auto& v) { EXPECT_EQ(v.rw, 0); }},
  };
  for (const Case& c : cases) {
    std::string xml = Client_Xml(DA(c.changes), "");
    SCOPED_TRACE(xml);
    TIEC61850_Client tables = Load(xml);
    ASSERT_EQ(tables.nVariable, 1);
    c.check(tables.VariableList[0]);
  }
}

TEST(Client_Tables, Molt_Fact_Reads_Either_Separator_Whatever_The_Locale) {
  const std::vector<std::pair<std::string, float>> cases = {
      {"1.5", 1.5f},   {"1,5", 1.5f},   {" -0,25 ", -0.25f}, {"2e3", 2000.0f},
      {"0.1", 0.1f},   {"NONE", 1.0f},  {"none", 1.0f},      {"", 1.0f},
      {"1.5.0", 1.0f}, {"1,5.0", 1.0f}, {"abc", 1.0f},       {"1e40", 1.0f}};
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(text);
    TIEC61850_Client tables =
        Load(Client_Xml(DA({{"MoltFact", text}}), DS(MB({{"MoltFact", text}}))));
    EXPECT_EQ(tables.VariableList[0].moltFactor, expected);
    EXPECT_EQ(tables.DataSetList[0].VariableList[0].moltFactor, expected);
  }
}

TEST(Client_Tables, Data_Set_And_Member_Conversions) {
  TIEC61850_Client tables = Load(Client_Xml(
      "", DS(MB({{"Position", "70001"}, {"StartBit", "257"}, {"Convertion", "ItoF/FtoI"}}) +
                 MB({{"Position", "x"}, {"StartBit", ""}, {"Convertion", ""}}),
             {{"EnGoose", "Y"}, {"Port", "65537"}, {"Time", "fast"}}) +
              DS("", {{"EnGoose", "y"}, {"Time", "0x10"}})));
  ASSERT_EQ(tables.nDataSet, 2);
  const TDataSet& d = tables.DataSetList[0];
  EXPECT_EQ(d.nVariable, 2);
  EXPECT_EQ(d.options, 0x04);
  EXPECT_EQ(d.enGoose, 1);
  EXPECT_EQ(d.tcpPort, 1);
  EXPECT_EQ(d.time, 1000u);
  EXPECT_EQ(d.goose_name, "gcb1");
  EXPECT_EQ(d.reference, "LD0/LLN0.DS1");
  EXPECT_EQ(d.hostname, "10.0.0.1");
  EXPECT_EQ(d.VariableList[0].position, 4465);
  EXPECT_EQ(d.VariableList[0].bitAddress, 1);
  EXPECT_EQ(d.VariableList[0].conversion, 1);
  EXPECT_EQ(d.VariableList[1].position, 0);
  EXPECT_EQ(d.VariableList[1].bitAddress, 0);
  EXPECT_EQ(d.VariableList[1].conversion, 0);
  EXPECT_EQ(d.VariableList[0].bType, "FLOAT32");
  EXPECT_EQ(d.VariableList[0].reference, "LD0/MMXU1.Hz.mag.f");
  EXPECT_EQ(tables.DataSetList[1].enGoose, 0);
  EXPECT_EQ(tables.DataSetList[1].time, 16u);
  EXPECT_EQ(tables.DataSetList[1].nVariable, 0);
}

TEST(Client_Tables, Addresses_Follow_The_Write_Order) {
  // Two variables, a data set without members between two with members, the last without.
  TIEC61850_Client tables = Load(Client_Xml(
      DA() + DA({{"bType", "INT32"}, {"Reference", "LD0/X.y"}}),
      DS(MB() + MB()) + DS("", {{"GooseName", ""}}) + DS(MB()) + DS("", {{"Reference", "R"}})));
  EXPECT_EQ(tables.Variable_Add, 0x80018u);
  EXPECT_EQ(tables.DataSet_Add, 0x80018u + 2 * 32);
  const uint32_t members = tables.DataSet_Add + 4 * 28;
  EXPECT_EQ(tables.DataSetList[0].VariableList_Add, members);
  EXPECT_EQ(tables.DataSetList[1].VariableList_Add, members + 2 * 16);
  EXPECT_EQ(tables.DataSetList[2].VariableList_Add, members + 2 * 16);
  // A last data set without members points at the start of the string pool.
  const uint32_t pool = members + 3 * 16;
  EXPECT_EQ(tables.DataSetList[3].VariableList_Add, pool);

  // The pooled texts follow each other in the order of the pool, each with its terminator.
  std::vector<std::pair<uint32_t, std::string>> texts;
  for (auto& v : tables.VariableList)
    texts.insert(
        texts.end(),
        {{v.bType_Add, v.bType}, {v.hostname_Add, v.hostname}, {v.reference_Add, v.reference}});
  for (auto& d : tables.DataSetList)
    texts.insert(texts.end(), {{d.goose_name_Add, d.goose_name},
                               {d.reference_Add, d.reference},
                               {d.hostname_Add, d.hostname}});
  for (auto& d : tables.DataSetList)
    for (auto& m : d.VariableList)
      texts.insert(texts.end(), {{m.bType_Add, m.bType}, {m.reference_Add, m.reference}});
  uint32_t next = pool;
  for (const auto& [address, text] : texts) {
    EXPECT_EQ(address, next) << text;
    next = address + static_cast<uint32_t>(text.size()) + 1;
  }

  std::vector<uint8_t> bank2(0x1000, 0);
  int32_t end = Write_Client_Tables(tables, 0, bank2, 0xFFF, test::English());
  EXPECT_EQ(static_cast<uint32_t>(end), next - Client_Tables_Base);
  EXPECT_EQ(static_cast<size_t>(end), Client_Tables_Length(tables));
  // The records hold those addresses, little-endian.
  EXPECT_EQ(bank2[20], tables.DataSet_Add & 0xFF);
  size_t record = tables.DataSet_Add - Client_Tables_Base + 28 * 2;
  EXPECT_EQ(bank2[record], 1);      // nVariable
  EXPECT_EQ(bank2[record + 1], 4);  // options
  EXPECT_EQ(bank2[record + 24], tables.DataSetList[2].VariableList_Add & 0xFF);
  EXPECT_EQ(bank2[record + 25], (tables.DataSetList[2].VariableList_Add >> 8) & 0xFF);
  EXPECT_EQ(Check_Bank2(std::string(bank2.begin(), bank2.begin() + end)), std::nullopt);
}

TEST(Client_Tables, Non_Ascii_Texts_Keep_The_Low_Byte_Of_Each_Code_Unit) {
  // Ä is U+00C4, € U+20AC, ğ U+011F: one byte each in the device.
  std::string bank2 = Bank2_For(Client_Xml(DA({{"bType", "Ä€ğ"}, {"IPAddress", ""}}), ""));
  ASSERT_EQ(bank2.size(), 24u + 32u + 4u + 1u + 21u);
  EXPECT_EQ(To_Vector(bank2.substr(56, 5)), (std::vector<uint8_t>{0xC4, 0xAC, 0x1F, 0, 0}));
  // hostname right after the three-unit bType, reference after the empty hostname.
  EXPECT_EQ(static_cast<uint8_t>(bank2[24 + 24]), 0x3C);
  EXPECT_EQ(static_cast<uint8_t>(bank2[24 + 28]), 0x3D);
}

TEST(Client_Tables, Items_Are_Child_Elements_Whatever_Their_Names) {
  TIEC61850_Client tables = Load(
      "<!--before--><Other/><IEC_68850_Client><List_DA_Selected><!--not an item-->" + DA() +
      Element("Renamed", With(Variable, {{"bType", "INT8"}})) + "text" +
      "</List_DA_Selected><List_DataSet_Selected><!--c-->" +
      DS("<!--c-->" + MB() + Element("M", Member)) + "</List_DataSet_Selected></IEC_68850_Client>");
  ASSERT_EQ(tables.nVariable, 2);
  EXPECT_EQ(tables.VariableList[1].bType, "INT8");
  ASSERT_EQ(tables.nDataSet, 1);
  EXPECT_EQ(tables.DataSetList[0].nVariable, 2);
}

TEST(Client_Tables, Member_Limit) {
  std::string members;
  for (int i = 0; i < 255; ++i) members += MB();
  TIEC61850_Client tables = Load(Client_Xml("", DS(members)));
  EXPECT_EQ(tables.DataSetList[0].nVariable, 255);
  EXPECT_EQ(tables.DataSetList[0].VariableList.size(), 255u);
  try {
    Load(Client_Xml("", DS(members + MB())));
    FAIL() << "256 members accepted";
  } catch (const Image_Error& e) {
    EXPECT_NE(std::string(e.what()).find("256 members"), std::string::npos) << e.what();
  }
}

// What the tables take but the file lacks is refused by the client file's reader, naming the
// item's line; attributes that are only compared, "Index" and "Mnemonic" may be missing.
TEST(Client_Tables, Missing_Elements_And_Attributes_Are_Errors_Naming_Them) {
  std::vector<std::pair<std::string, std::string>> cases = {
      {"<Client><List_DA_Selected/></Client>", ": The file has no element \"IEC_68850_Client\"."},
      {"<IEC_68850_Client><List_DataSet_Selected/></IEC_68850_Client>",
       ", line 1: \"IEC_68850_Client\" has no element \"List_DA_Selected\"."},
      {Client_Xml("", "\n" + Element("DataSet_Item", Data_Set)),
       ", line 2: \"DataSet_Item\" has no element \"DataSet_List_DAs\"."},
      {Client_Xml("", Element("DataSet_Item", Data_Set, "<DataSet_DA_Item/>")),
       ", line 1: \"DataSet_Item\" has no element \"DataSet_List_DAs\"."},
  };
  for (const char* name : {"bType", "fc", "Reference", "IPAddress", "Port", "Time", "Position",
                           "StartBit", "MoltFact"})
    cases.emplace_back(Client_Xml(DA() + "\n" + DA({{name, "<remove>"}}), ""),
                       ", line 2: \"DA_Item\" has no attribute \"" + std::string(name) + "\".");
  for (const char* name : {"Port", "Time", "GooseName", "Reference", "IPAddress"})
    cases.emplace_back(
        Client_Xml("", "\n" + DS(MB(), {{name, "<remove>"}})),
        ", line 2: \"DataSet_Item\" has no attribute \"" + std::string(name) + "\".");
  for (const char* name : {"bType", "Reference", "Position", "StartBit", "MoltFact"})
    cases.emplace_back(
        Client_Xml("", DS("") + DS(MB() + "\n\n" + MB({{name, "<remove>"}}))),
        ", line 3: \"DataSet_DA_Item\" has no attribute \"" + std::string(name) + "\".");
  for (const auto& [xml, message] : cases) {
    SCOPED_TRACE(xml);
    try {
      Load(xml);
      ADD_FAILURE() << "no error";
    } catch (const UIEC_61850_Access::Client_File_Error& e) {
      EXPECT_NE(std::string(e.what()).find("IEC_61850_Client.xml" + message), std::string::npos)
          << e.what();
    }
  }
  // Nothing else of an item is needed.
  for (const char* name :
       {"Index", "OnChange", "OnCMD", "OnTimer", "ReadWrite", "Convertion", "Mnemonic"})
    EXPECT_EQ(Load(Client_Xml(DA({{name, "<remove>"}}), "")).nVariable, 1) << name;
}

TEST(Client_Tables, Writer_Refuses_Tables_Past_The_Limit) {
  TIEC61850_Client tables = Load(Client_Xml(DA(), ""));
  std::vector<uint8_t> buffer(98, 0xEE);
  EXPECT_EQ(Write_Client_Tables(tables, 0, buffer, 97, test::English()), 98);
  std::fill(buffer.begin(), buffer.end(), 0xEE);
  EXPECT_THROW(Write_Client_Tables(tables, 0, buffer, 96, test::English()), Image_Error);
  EXPECT_THROW(Write_Client_Tables(tables, 1, buffer, 200, test::English()), Image_Error);
  EXPECT_EQ(buffer, std::vector<uint8_t>(98, 0xEE));
}

}  // namespace
