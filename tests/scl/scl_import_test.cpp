// The SCL import: what it reads from a file, how it resolves data sets, and how it copes with
// odd, hostile and broken files.
#include "scl/scl_import.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "util/files.h"
#include "util/xml.h"

namespace UIEC_Client_Decode {
namespace {

std::string Fixture() { return test::Data_Dir() + "/scl/fixtures/model.icd"; }

// One line per object, indented by depth: the whole model as text, to compare two imports.
std::string Dump(const TIEC_Device& device) {
  std::ostringstream out;
  std::function<void(const TIEC_DA&, int)> da_lines = [&](const TIEC_DA& da, int depth) {
    out << std::string(depth, ' ') << "DA " << da.Name() << '|' << da.Reference() << '|' << da.FC()
        << '|' << da.bType() << '\n';
    for (const auto& sub : da.List_DA) da_lines(*sub, depth + 1);
  };
  std::function<void(const TIEC_DO&, int)> do_lines = [&](const TIEC_DO& dobj, int depth) {
    out << std::string(depth, ' ') << "DO " << dobj.Name() << '\n';
    for (const auto& sub : dobj.List_DO) do_lines(*sub, depth + 1);
    for (const auto& da : dobj.List_DA) da_lines(*da, depth + 1);
  };
  out << device.Name() << '|' << device.FileName() << '\n';
  for (const auto& ld : device.List_LDevice) {
    out << " LD " << ld->Name() << '\n';
    for (const auto& ln : ld->List_LN) {
      out << "  LN " << ln->lnClass() << '|' << ln->lnType() << '|' << ln->Prefix() << '|'
          << ln->Inst() << '\n';
      for (const auto& dobj : ln->List_DO) do_lines(*dobj, 3);
      for (const auto& data_set : ln->List_DataSet) {
        out << "   DS " << data_set->Name() << '|' << data_set->Reference() << '|'
            << data_set->GooseName();
        for (const TIEC_DA* member : data_set->List_DA) out << '|' << member->Reference();
        out << '\n';
      }
    }
  }
  return out.str();
}

std::vector<std::string> Names(const auto& list) {
  std::vector<std::string> names;
  for (const auto& entry : list) names.push_back(entry->Name());
  return names;
}

std::vector<std::string> References(const TIEC_DataSet& data_set) {
  std::vector<std::string> references;
  for (const TIEC_DA* member : data_set.List_DA) references.push_back(member->Reference());
  return references;
}

using Strings = std::vector<std::string>;

TEST(Scl_Import, Reads_The_First_Server_Of_The_First_Ied) {
  const TIEC_Device device(Fixture());
  EXPECT_EQ(device.Name(), "IED1");
  EXPECT_EQ(device.FileName(), "model.icd");
  // IED2's logical device "Other" is not read.
  ASSERT_EQ(Names(device.List_LDevice), (Strings{"LD0", "LD1"}));

  const TIEC_LDevice& ld0 = *device.List_LDevice[0];
  // LN0 is not set apart; the prefixed x:LN is not an LN.
  ASSERT_EQ(ld0.List_LN.size(), 5u);
  const TIEC_LN& mmxu1 = *ld0.List_LN[1];
  EXPECT_EQ(ld0.List_LN[0]->lnClass(), "LLN0");
  EXPECT_EQ(mmxu1.lnType(), "MMXU_A");
  EXPECT_EQ(mmxu1.Inst(), "1");
  EXPECT_EQ(ld0.List_LN[2]->Inst(), "2");
  EXPECT_EQ(ld0.List_LN[3]->Prefix(), "Q0");

  // Comments and x:DO pass unnoticed; DOs without a type or with an unknown one are empty.
  EXPECT_EQ(Names(mmxu1.List_DO), (Strings{"TotW", "PhV", "Health", "Beh"}));
  for (int k : {2, 3}) {
    EXPECT_TRUE(mmxu1.List_DO[k]->List_DO.empty());
    EXPECT_TRUE(mmxu1.List_DO[k]->List_DA.empty());
  }
  const TIEC_DO& tot_w = *mmxu1.List_DO[0];
  ASSERT_EQ(Names(tot_w.List_DA), (Strings{"mag", "q", "units"}));
  const TIEC_DA& f = *tot_w.List_DA[0]->List_DA[0];
  EXPECT_EQ(f.Reference(), "IED1LD0/MMXU1.TotW.mag.f");
  EXPECT_EQ(f.FC(), "MX");  // inherited from mag
  EXPECT_EQ(f.bType(), "FLOAT32");
  EXPECT_TRUE(tot_w.List_DA[2]->List_DA.empty());  // a Struct without a type stays a leaf
  EXPECT_EQ(tot_w.List_DA[2]->FC(), "CF");

  const TIEC_DO& phs_a = *mmxu1.List_DO[1]->List_DO[0];
  EXPECT_EQ(phs_a.Name(), "phsA");
  EXPECT_EQ(phs_a.List_DA[0]->List_DA[1]->List_DA[0]->Reference(),
            "IED1LD0/MMXU1.PhV.phsA.cVal.ang.f");

  // The prefix and instance are part of attribute references.
  const TIEC_DO& pos = *ld0.List_LN[3]->List_DO[0];
  ASSERT_EQ(Names(pos.List_DA), (Strings{"stVal", "q", "ctlModel", "Oper"}));
  EXPECT_EQ(pos.List_DA[0]->Reference(), "IED1LD0/Q0XCBR1.Pos.stVal");
  // An Enum is a leaf even though a DAType carries the id of its type.
  EXPECT_EQ(pos.List_DA[2]->bType(), "Enum");
  EXPECT_TRUE(pos.List_DA[2]->List_DA.empty());
  const TIEC_DA& oper = *pos.List_DA[3];
  ASSERT_EQ(Names(oper.List_DA), (Strings{"ctlVal", "origin", "T"}));
  EXPECT_EQ(oper.List_DA[0]->FC(), "CO");
  EXPECT_EQ(oper.List_DA[1]->List_DA[0]->FC(), "CO");  // two levels down
  EXPECT_EQ(oper.List_DA[1]->List_DA[0]->Reference(), "IED1LD0/Q0XCBR1.Pos.Oper.origin.orCat");
  EXPECT_EQ(oper.List_DA[2]->FC(), "XX");  // its own fc wins

  const TIEC_LN& untyped = *ld0.List_LN[4];
  EXPECT_TRUE(untyped.List_DO.empty());
  EXPECT_TRUE(untyped.List_DataSet.empty());

  // Two LNodeTypes with the same id: both contribute, in document order.
  const TIEC_LN& ggio = *device.List_LDevice[1]->List_LN[1];
  EXPECT_EQ(Names(ggio.List_DO), (Strings{"Ind1", "Ind1", "Ind2"}));
  EXPECT_EQ(ggio.List_DO[1]->List_DA[0]->Reference(), "IED1LD1/GGIO1.Ind1.stVal");
}

TEST(Scl_Import, Data_Set_Members_Are_The_Models_Own_Attributes_Found_By_The_Look_Ups) {
  const TIEC_Device device(Fixture());
  const TIEC_LN& lln0 = *device.List_LDevice[0]->List_LN[0];
  ASSERT_EQ(Names(lln0.List_DataSet), (Strings{"Measures", "Status"}));
  const TIEC_DataSet& measures = *lln0.List_DataSet[0];
  EXPECT_EQ(measures.Reference(), "IED1LD0/LLN0.Measures");
  // The GSEControl comes before its DataSet; controls naming no set of the node, or without a
  // name, change nothing.
  EXPECT_EQ(measures.GooseName(), "gcb01");
  EXPECT_EQ(lln0.List_DataSet[1]->GooseName(), "gcb02");
  EXPECT_TRUE(lln0.List_DataSet[1]->List_DA.empty());

  // Each FCDA names its node by prefix, class and instance: lnInst 2 is the second MMXU, which
  // has no TotW, and a node without lnInst is none of them; a later logical device is found.
  EXPECT_EQ(References(measures), (Strings{"IED1LD0/MMXU1.TotW.mag.f", "IED1LD0/Q0XCBR1.Pos.stVal",
                                           "IED1LD1/GGIO1.Ind1.stVal"}));
  const TIEC_DA* f = device.List_LDevice[0]->List_LN[1]->List_DO[0]->List_DA[0]->List_DA[0];
  EXPECT_EQ(measures.List_DA[0], f);
  EXPECT_EQ(measures.List_DA[2],
            device.List_LDevice[1]->List_LN[1]->List_DO[0]->List_DA[0]);  // first Ind1

  // What the earlier look-ups read, kept for configurations saved by them: the first MMXU
  // whatever the instance, a whole DO's first leaf, names searched in depth, dotted names
  // nothing; with the place of the member the same FCDA gives now.
  Strings earlier;
  std::vector<uint32_t> places;
  for (const Earlier_Member* e = measures.Earlier_Members_Begin();
       e != measures.Earlier_Members_End(); ++e) {
    earlier.push_back(e->da->Reference());
    places.push_back(e->place);
  }
  EXPECT_EQ(earlier, (Strings{"IED1LD0/MMXU1.TotW.mag.f", "IED1LD0/Q0XCBR1.Pos.stVal",
                              "IED1LD1/GGIO1.Ind1.stVal", "IED1LD0/MMXU1.TotW.mag",
                              "IED1LD0/MMXU1.TotW.mag.f", "IED1LD0/MMXU1.PhV.phsA.cVal.mag.f"}));
  EXPECT_EQ(places, (std::vector<uint32_t>{No_Member_Place, 1, 2, No_Member_Place, No_Member_Place,
                                           No_Member_Place}));
  EXPECT_EQ(measures.FCDA_Count(), 15u);  // the prefixed x:FCDA is no FCDA

  // A data set of a node other than LLN0 names its node whole.
  const TIEC_LN& xcbr = *device.List_LDevice[0]->List_LN[3];
  ASSERT_EQ(xcbr.List_DataSet.size(), 1u);
  EXPECT_EQ(xcbr.List_DataSet[0]->Reference(), "IED1LD0/Q0XCBR1.Trip");
  EXPECT_EQ(xcbr.List_DataSet[0]->Earlier_Reference(), "IED1LD0/XCBR.Trip");
  EXPECT_EQ(References(*xcbr.List_DataSet[0]), Strings{});  // no prefix nor lnInst: no node
  ASSERT_EQ(xcbr.List_DataSet[0]->Earlier_Member_Count(), 1u);
  EXPECT_EQ(xcbr.List_DataSet[0]->Earlier_Members_Begin()->da->Reference(),
            "IED1LD0/Q0XCBR1.Pos.q");
  EXPECT_EQ(xcbr.List_DataSet[0]->GooseName(), "");
}

TEST(Scl_Import, Comments_Change_Nothing) {
  const std::string original = test::Read(Fixture());
  test::Temp_Dir dir;
  test::Write(dir / "none.icd", std::regex_replace(original, std::regex("<!--[^]*?-->"), ""));
  // A comment after every tag, the XML declaration's included.
  test::Write(dir / "many.icd", std::regex_replace(original, std::regex(">"), "><!--c-->"));

  const std::string expected = Dump(TIEC_Device(Fixture()));
  EXPECT_EQ(Dump(TIEC_Device(dir / "none.icd")),
            std::regex_replace(expected, std::regex("model.icd"), "none.icd"));
  EXPECT_EQ(Dump(TIEC_Device(dir / "many.icd")),
            std::regex_replace(expected, std::regex("model.icd"), "many.icd"));
}

TEST(Scl_Import, Missing_Elements_Give_An_Empty_Device_Or_One_Without_Logical_Devices) {
  const std::string dtt = "<DataTypeTemplates/>";
  const std::string server = "<Server><LDevice inst=' LD0 '/></Server>";
  struct Case {
    const char* what;
    std::string text;
    std::string name;
    std::vector<std::string> ldevices;
  } cases[] = {
      {"complete",
       "<SCL><IED name='A'><AccessPoint>" + server + "</AccessPoint></IED>" + dtt + "</SCL>",
       "A",
       {" LD0 "}},
      {"templates first",
       "<SCL>" + dtt + "<IED name='A'><AccessPoint>" + server + "</AccessPoint></IED></SCL>",
       "A",
       {" LD0 "}},
      {"server in the second access point",
       "<SCL><IED name='A'><AccessPoint/><AccessPoint>" + server + "</AccessPoint></IED>" + dtt +
           "</SCL>",
       "A",
       {}},
      {"second IED",
       "<SCL><IED name='A'/><IED name='B'><AccessPoint>" + server + "</AccessPoint></IED>" + dtt +
           "</SCL>",
       "A",
       {}},
      {"no access point", "<SCL><IED name='A'>" + server + "</IED>" + dtt + "</SCL>", "A", {}},
      {"no templates",
       "<SCL><IED name='A'><AccessPoint>" + server + "</AccessPoint></IED></SCL>",
       "",
       {}},
      {"no IED", "<SCL>" + dtt + "</SCL>", "", {}},
      {"IED without name",
       "<SCL><IED><AccessPoint>" + server + "</AccessPoint></IED>" + dtt + "</SCL>",
       "",
       {" LD0 "}},
      {"root of another name",
       "<Scl><IED name='A'><AccessPoint>" + server + "</AccessPoint></IED>" + dtt + "</Scl>",
       "",
       {}},
      {"prefixed root", "<s:SCL xmlns:s='urn:x'><s:IED name='A'/>" + dtt + "</s:SCL>", "", {}},
  };
  test::Temp_Dir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::Write(dir / "f.icd", c.text);
    const TIEC_Device device(dir / "f.icd");
    EXPECT_EQ(device.Name(), c.name);
    EXPECT_EQ(Names(device.List_LDevice), c.ldevices);
  }
}

TEST(Scl_Import, A_Missing_File_Gives_An_Empty_Device) {
  test::Temp_Dir dir;
  const TIEC_Device device(dir / "absent.icd");
  EXPECT_EQ(device.Name(), "");
  EXPECT_EQ(device.FileName(), "absent.icd");
  EXPECT_TRUE(device.List_LDevice.empty());
  EXPECT_TRUE(TIEC_Device(dir.path()).List_LDevice.empty());  // a folder is no file either
}

// Two DOTypes that use each other, one that uses itself, and two DATypes in a ring.
const char* const Cyclic_Types = R"(<SCL><IED name="I"><AccessPoint><Server>
  <LDevice inst="L"><LN lnClass="GGIO" lnType="N" inst="1"/></LDevice>
  </Server></AccessPoint></IED>
  <DataTypeTemplates>
    <LNodeType id="N"><DO name="self" type="A"/><DO name="ring" type="B"/><DO name="pair" type="P"/></LNodeType>
    <DOType id="A"><SDO name="again" type="A"/><DA name="x" bType="INT32" fc="ST"/></DOType>
    <DOType id="B"><SDO name="toC" type="C"/></DOType>
    <DOType id="C"><SDO name="toB" type="B"/><DA name="s" bType="Struct" type="T1" fc="MX"/></DOType>
    <DOType id="P"><SDO name="one" type="Q"/><SDO name="two" type="Q"/></DOType>
    <DOType id="Q"><DA name="v" bType="BOOLEAN" fc="ST"/></DOType>
    <DAType id="T1"><BDA name="next" bType="Struct" type="T2"/><BDA name="v" bType="INT8"/></DAType>
    <DAType id="T2"><BDA name="back" bType="Struct" type="T1"/><BDA name="w" bType="INT8"/></DAType>
  </DataTypeTemplates></SCL>)";

TEST(Scl_Import, A_Type_Met_Again_Below_Itself_Is_Created_But_Not_Expanded) {
  test::Temp_Dir dir;
  test::Write(dir / "cyclic.icd", Cyclic_Types);
  const TIEC_Device device(dir / "cyclic.icd");
  EXPECT_EQ(Dump(device), R"(I|cyclic.icd
 LD L
  LN GGIO|N||1
   DO self
    DO again
    DA x|IL/GGIO1.self.x|ST|INT32
   DO ring
    DO toC
     DO toB
     DA s|IL/GGIO1.ring.toC.s|MX|Struct
      DA next|IL/GGIO1.ring.toC.s.next|MX|Struct
       DA back|IL/GGIO1.ring.toC.s.next.back|MX|Struct
       DA w|IL/GGIO1.ring.toC.s.next.w|MX|INT8
      DA v|IL/GGIO1.ring.toC.s.v|MX|INT8
   DO pair
    DO one
     DA v|IL/GGIO1.pair.one.v|ST|BOOLEAN
    DO two
     DA v|IL/GGIO1.pair.two.v|ST|BOOLEAN
)");
}

// A chain of `depth` types, each holding one object of the next type.
std::string Chain(int depth, bool data_objects) {
  std::string text = R"(<SCL><IED name="I"><AccessPoint><Server><LDevice inst="L">
    <LN lnClass="GGIO" lnType="N" inst="1"/></LDevice></Server></AccessPoint></IED>
    <DataTypeTemplates><LNodeType id="N"><DO name="top" type="D0"/></LNodeType>)";
  if (data_objects) {
    for (int i = 0; i < depth; ++i)
      text += "<DOType id='D" + std::to_string(i) + "'><SDO name='s' type='D" +
              std::to_string(i + 1) + "'/></DOType>\n";
    text += "<DOType id='D" + std::to_string(depth) + "'><DA name='leaf' bType='INT32'/></DOType>";
  } else {
    text += "<DOType id='D0'><DA name='a' bType='Struct' type='T0' fc='SP'/></DOType>";
    for (int i = 0; i < depth; ++i)
      text += "<DAType id='T" + std::to_string(i) + "'><BDA name='b' bType='Struct' type='T" +
              std::to_string(i + 1) + "'/></DAType>\n";
    text += "<DAType id='T" + std::to_string(depth) + "'><BDA name='leaf' bType='INT32'/></DAType>";
  }
  return text + "</DataTypeTemplates></SCL>";
}

std::string Repeat(const std::string& part, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += part;
  return text;
}

// Below the data object "top": `levels` levels of sub data objects, or an attribute and
// sub attributes, each type using the next one, the last holding "leaf".
std::string Nested(int levels, bool data_objects) {
  return data_objects ? Chain(levels - 1, true) : Chain(levels - 2, false);
}

TEST(Scl_Import, Types_Nest_Up_To_The_Limit) {
  test::Temp_Dir dir;
  constexpr int Levels = static_cast<int>(Max_Nesting_Levels);
  test::Write(dir / "do.icd", Nested(Levels, true));
  const TIEC_Device by_objects(dir / "do.icd");
  const TIEC_DO* dobj = by_objects.List_LDevice.at(0)->List_LN.at(0)->List_DO.at(0);
  for (int i = 1; i < Levels; ++i) dobj = dobj->List_DO.at(0);
  ASSERT_EQ(dobj->List_DA.size(), 1u);
  EXPECT_EQ(dobj->List_DA[0]->Reference(), "IL/GGIO1.top" + Repeat(".s", Levels - 1) + ".leaf");

  test::Write(dir / "da.icd", Nested(Levels, false));
  const TIEC_Device by_attributes(dir / "da.icd");
  const TIEC_DA* leaf =
      by_attributes.List_LDevice.at(0)->List_LN.at(0)->List_DO.at(0)->Find_First_DA();
  ASSERT_NE(leaf, nullptr);
  EXPECT_EQ(leaf->Reference(), "IL/GGIO1.top.a" + Repeat(".b", Levels - 2) + ".leaf");
  EXPECT_EQ(leaf->FC(), "SP");
}

// One level more is refused, naming the limit and the type that goes past it. A chain of
// 300,000 types (a 22 MB file) is refused as soon as the expansion reaches the limit: the
// model takes no more memory than the index of the file's templates (a budget of 64 MB is
// not reached).
TEST(Scl_Import, Deeper_Nesting_Is_Refused_Within_The_Budget) {
  test::Temp_Dir dir;
  constexpr int Levels = static_cast<int>(Max_Nesting_Levels);
  const struct {
    std::string name;
    int levels;
    bool data_objects;
    std::string type;
  } cases[] = {{"do.icd", Levels + 1, true, "D64"},
               {"da.icd", Levels + 1, false, "T63"},
               {"huge.icd", 300'000, false, "T63"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::Write(dir / c.name, Nested(c.levels, c.data_objects));
    TIEC_Device device;
    try {
      Decode_ICD_File(device, dir / c.name, size_t{64} << 20);
      ADD_FAILURE() << "imported";
    } catch (const SCL_Error& e) {
      EXPECT_EQ(std::string(e.what()),
                dir / c.name +
                    ": data objects and attributes nest more than 64 levels deep below a data "
                    "object (type \"" +
                    c.type + "\")");
    }
    EXPECT_TRUE(device.List_LDevice.empty());
    EXPECT_EQ(device.Name(), "");
  }
}

// A server with one logical node of type N, the given templates, and `extra` inside the node.
std::string Server_With(const std::string& ied, const std::string& templates,
                        const std::string& extra = "") {
  return R"(<SCL><IED name=")" + ied + R"("><AccessPoint><Server><LDevice inst="L">
    <LN0 lnClass="LLN0" lnType="N">)" +
         extra + R"(</LN0></LDevice></Server></AccessPoint></IED>
    <DataTypeTemplates>)" +
         templates + "</DataTypeTemplates></SCL>";
}

// `count` children named <name>0, <name>1, ... of the given element kind and attributes.
std::string Children(int count, const std::string& element, const std::string& name,
                     const std::string& attributes) {
  std::string text;
  for (int i = 0; i < count; ++i)
    text += "<" + element + " name='" + name + std::to_string(i) + "' " + attributes + "/>";
  return text;
}

TEST(Scl_Import, Models_That_Would_Outgrow_The_Budget_Are_Refused_And_Leave_The_Device_Empty) {
  constexpr size_t Limit = 16 << 20;
  // Each DAType holds two attributes of the next: 2^40 leaves from a file of a few kilobytes.
  std::string doubling = R"(<LNodeType id="N"><DO name="d" type="D"/></LNodeType>
    <DOType id="D"><DA name="a" bType="Struct" type="T0" fc="ST"/></DOType>)";
  for (int i = 0; i < 40; ++i) {
    const std::string next = "T" + std::to_string(i + 1);
    doubling += "<DAType id='T" + std::to_string(i) + "'><BDA name='l' bType='Struct' type='" +
                next + "'/><BDA name='r' bType='Struct' type='" + next + "'/></DAType>";
  }
  // A hundred of a hundred of a hundred...: 10^8 leaves, each type used a hundred times over.
  const std::string fan_out =
      "<LNodeType id='N'>" + Children(100, "DO", "d", "type='D'") + "</LNodeType>" +
      "<DOType id='D'>" + Children(100, "DA", "a", "bType='Struct' type='T' fc='MX'") +
      "</DOType><DAType id='T'>" + Children(100, "BDA", "b", "bType='Struct' type='U'") +
      "</DAType><DAType id='U'>" + Children(100, "BDA", "c", "bType='INT32'") + "</DAType>";
  const struct {
    const char* what;
    std::string text;
  } cases[] = {{"doubling", Server_With("I", doubling)}, {"fan-out", Server_With("I", fan_out)}};
  test::Temp_Dir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    test::Write(dir / "bomb.icd", c.text);
    TIEC_Device device;
    try {
      Decode_ICD_File(device, dir / "bomb.icd", Limit);
      ADD_FAILURE() << "no error";
    } catch (const SCL_Error& e) {
      EXPECT_EQ(e.what(), dir / "bomb.icd" + ": the model would need more than 16 MB");
    }
    // Nothing of the partly built device is left.
    EXPECT_EQ(device.Name(), "");
    EXPECT_TRUE(device.List_LDevice.empty());
    EXPECT_EQ(device.Store().Used(), TIEC_Device().Store().Used());
  }
}

// Texts are kept once, and references are built when asked for: a long text repeated by every
// attribute or every reference costs its length once.
TEST(Scl_Import, Texts_That_Every_Object_Repeats_Are_Kept_Once) {
  constexpr size_t Limit = 16 << 20;
  const std::string huge(300'000, 'X');
  test::Temp_Dir dir;

  // 10,000 leaves share one bType of 300 KB.
  test::Write(
      dir / "btype.icd",
      Server_With("I", "<LNodeType id='N'>" + Children(100, "DO", "d", "type='D'") +
                           "</LNodeType><DOType id='D'>" +
                           Children(100, "DA", "a", "bType='" + huge + "' fc='ST'") + "</DOType>"));
  TIEC_Device by_type;
  Decode_ICD_File(by_type, dir / "btype.icd", Limit);
  const TIEC_LN& lln0 = *by_type.List_LDevice.at(0)->List_LN.at(0);
  ASSERT_EQ(lln0.List_DO.size(), 100u);
  const TIEC_DA& first = *lln0.List_DO[0]->List_DA.at(0);
  const TIEC_DA& last = *lln0.List_DO[99]->List_DA.at(99);
  EXPECT_EQ(first.bType(), huge);
  EXPECT_EQ(&first.bType(), &last.bType());
  EXPECT_EQ(last.Reference(), "IL/LLN0.d99.a99");
  EXPECT_LT(by_type.Store().Used(), size_t{2} << 20);

  // 10,000 data set members, each reference starting with an IED name of 300 KB.
  const std::string members = Repeat(
      "<FCDA ldInst='L' lnClass='LLN0' doName='d' daName='a0'/>"
      "<FCDA ldInst='L' lnClass='LLN0' doName='d'/>",
      50);
  std::string data_sets;
  for (int i = 0; i < 100; ++i)
    data_sets += "<DataSet name='S" + std::to_string(i) + "'>" + members + "</DataSet>";
  test::Write(dir / "name.icd",
              Server_With(huge,
                          "<LNodeType id='N'><DO name='d' type='D'/></LNodeType>"
                          "<DOType id='D'><DA name='a0' bType='INT32' fc='ST'/></DOType>",
                          data_sets));
  TIEC_Device by_name;
  Decode_ICD_File(by_name, dir / "name.icd", Limit);
  const TIEC_LN& node = *by_name.List_LDevice.at(0)->List_LN.at(0);
  ASSERT_EQ(node.List_DataSet.size(), 100u);
  const TIEC_DataSet& set = *node.List_DataSet[99];
  ASSERT_EQ(set.List_DA.size(), 100u);
  EXPECT_EQ(set.List_DA[0], set.List_DA[99]);
  EXPECT_EQ(set.List_DA[0]->Reference(), huge + "L/LLN0.d.a0");
  EXPECT_EQ(set.Reference(), huge + "L/LLN0.S99");
  EXPECT_LT(by_name.Store().Used(), size_t{2} << 20);
}

// The error of a broken file is the shared XML loader's: the parser's text with line and column.
std::string Loader_Error(const std::string& path) {
  pugi::xml_document doc;
  try {
    util::Load_Xml_File(doc, path);
  } catch (const util::Xml_Error& e) {
    return e.what();
  }
  return "(loads)";
}

TEST(Scl_Import, A_File_That_Is_Not_Well_Formed_Raises_The_Parsers_Error) {
  const struct {
    const char* what;
    const char* text;
  } cases[] = {
      {"empty", ""},
      {"not XML", "SCL"},
      {"mismatched tags", "<SCL>\n  <IED name='A'></Ied>\n</SCL>"},
      {"open attribute", "<SCL><IED name='A></SCL>"},
      {"unclosed comment", "<SCL><!-- IED name='A'/></SCL>"},
  };
  test::Temp_Dir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    test::Write(dir / "bad.icd", c.text);
    try {
      TIEC_Device device(dir / "bad.icd");
      ADD_FAILURE() << "imported";
    } catch (const util::Xml_Error& e) {
      EXPECT_EQ(e.what(), Loader_Error(dir / "bad.icd"));
      EXPECT_NE(std::string(e.what()).find("line"), std::string::npos) << e.what();
    }
  }
}

TEST(Scl_Import, Every_Truncation_Of_A_Good_File_Is_An_Error) {
  const std::string text = test::Read(Fixture());
  const size_t end = text.rfind("</SCL>") + 5;
  test::Temp_Dir dir;
  for (size_t cut = 0; cut < end; cut += 23) {
    SCOPED_TRACE(cut);
    test::Write(dir / "cut.icd", text.substr(0, cut));
    EXPECT_THROW(TIEC_Device(dir / "cut.icd"), util::Xml_Error);
  }
}

TEST(Scl_Import, Every_Shared_Sample_Imports) {
  RQ_SCL_SAMPLES_OR_SKIP();
  const std::vector<std::string> files = test::Scl_Sample_Files();
  ASSERT_FALSE(files.empty());
  size_t with_data = 0;
  for (const std::string& path : files) {
    SCOPED_TRACE(path);
    try {
      const TIEC_Device device(path);
      EXPECT_EQ(device.FileName(), util::File_Name_Of(path));
      if (!device.List_LDevice.empty()) ++with_data;
    } catch (const std::exception& e) {
      ADD_FAILURE() << e.what();
    }
  }
  EXPECT_GT(with_data, 0u) << files.size() << " samples, none with a logical device";
}

}  // namespace
}  // namespace UIEC_Client_Decode

namespace UIEC_Client_Decode {
namespace {

// Each FCDA of fcda.icd resolves to what it names: the node by prefix, class and instance
// together, doName and daName as paths, a whole object by its first leaf of the FCDA's fc, a
// structure by its first leaf; an FCDA naming nothing adds no member, and the check's import
// says why.
TEST(Scl_Import, Fcdas_Resolve_To_The_Attribute_They_Name) {
  const std::string path = test::Data_Dir() + "/scl/fixtures/fcda.icd";
  const TIEC_Device device(path);
  const TIEC_LDevice& ld = *device.List_LDevice[0];
  auto table = [](const TIEC_DataSet& data_set) {
    std::vector<std::string> rows;
    for (const TIEC_DA* da : data_set.List_DA)
      rows.push_back(da->Reference() + " " + da->FC() + " " + da->bType());
    return rows;
  };
  const TIEC_DataSet& all = *ld.List_LN[0]->List_DataSet[0];
  EXPECT_EQ(table(all), (std::vector<std::string>{
                            "F1LD0/L1TCTR1.AmpSv.q MX Quality",            // by prefix
                            "F1LD0/L2TCTR1.AmpSv.q MX Quality",            // by prefix
                            "F1LD0/L1TCTR2.AmpSv.instMag.i MX INT32",      // by instance
                            "F1LD0/MMXU1.PhV.phsA.cVal.mag.f MX FLOAT32",  // dotted doName
                            "F1LD0/Q0XCBR1.Pos.stVal ST Dbpos",            // not SBOw (CO)
                            "F1LD0/MMXU1.TotW.mag.f MX FLOAT32",           // a structure
                            "F1LD0/Q0XCBR1.Pos.stVal ST Dbpos",            // fc MX: a warning
                            "F1LD0/LLN0.Mod.stVal ST Enum",
                        }));
  EXPECT_EQ(all.FCDA_Count(), 11u);
  const TIEC_DataSet& local = *ld.List_LN[4]->List_DataSet[0];
  EXPECT_EQ(local.Reference(), "F1LD0/MMXU1.Local");
  EXPECT_EQ(table(local), std::vector<std::string>{"F1LD0/MMXU1.TotW.mag.f MX FLOAT32"});

  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_file(path.c_str()));
  TIEC_Device checked;
  std::vector<FCDA_Finding> findings;
  Decode_IED_Element(checked, doc, doc.child("SCL").child("IED"), findings);
  std::vector<std::string> said;
  for (const FCDA_Finding& f : findings)
    said.push_back(std::to_string(static_cast<int>(f.problem)) + " " + f.name + " " + f.where);
  EXPECT_EQ(said,
            (std::vector<std::string>{
                std::to_string(static_cast<int>(FCDA_Problem::No_LN)) + " L3TCTR3 LD0",
                std::to_string(static_cast<int>(FCDA_Problem::Array_Element)) + " HA.phsAHar(7) ",
                std::to_string(static_cast<int>(FCDA_Problem::FC_Mismatch)) + " ST Pos.stVal",
                std::to_string(static_cast<int>(FCDA_Problem::No_SDO)) + " phsX PhV",
            }));
}

}  // namespace
}  // namespace UIEC_Client_Decode

namespace UIEC_Client_Decode {
namespace {

// Over every IED of every shared sample: each member is the attribute its FCDA names (its
// reference is the FCDA's path, or a leaf below it of the FCDA's fc), one per FCDA that names
// something, in FCDA order.
TEST(Scl_Import, Shared_Sample_Members_Are_What_Their_Fcdas_Name) {
  RQ_SCL_SAMPLES_OR_SKIP();
  size_t members = 0;
  for (const std::string& path : test::Scl_Sample_Files()) {
    pugi::xml_document doc;
    if (!doc.load_file(path.c_str())) continue;
    for (pugi::xml_node ied : doc.child("SCL").children("IED")) {
      SCOPED_TRACE(path + " " + ied.attribute("name").value());
      TIEC_Device device;
      std::vector<FCDA_Finding> findings;
      Decode_IED_Element(device, doc, ied, findings);
      std::vector<pugi::xml_node> unresolved;
      for (const FCDA_Finding& f : findings)
        if (f.Unresolved()) unresolved.push_back(f.fcda);
      const pugi::xml_node server = ied.child("AccessPoint").child("Server");
      size_t l = 0;
      for (pugi::xml_node ld : server.children("LDevice")) {
        ASSERT_LT(l, device.List_LDevice.size());
        const TIEC_LDevice& model_ld = *device.List_LDevice[l++];
        size_t n = 0;
        for (pugi::xml_node ln : ld.children()) {
          if (std::string_view(ln.name()) != "LN0" && std::string_view(ln.name()) != "LN") continue;
          const TIEC_LN& model_ln = *model_ld.List_LN[n++];
          size_t k = 0;
          for (pugi::xml_node ds : ln.children("DataSet")) {
            if (model_ln.List_DataSet.empty()) break;  // a node without lnType
            const TIEC_DataSet& data_set = *model_ln.List_DataSet[k++];
            size_t m = 0;
            for (pugi::xml_node fcda : ds.children("FCDA")) {
              if (std::find(unresolved.begin(), unresolved.end(), fcda) != unresolved.end())
                continue;
              ASSERT_LT(m, data_set.List_DA.size()) << data_set.Reference();
              const TIEC_DA& da = *data_set.List_DA[m++];
              const std::string lnClass = fcda.attribute("lnClass").value();
              std::string named =
                  std::string(ied.attribute("name").value()) + fcda.attribute("ldInst").value() +
                  "/" + (lnClass == "LLN0" ? "" : fcda.attribute("prefix").value()) + lnClass +
                  (lnClass == "LLN0" ? "" : fcda.attribute("lnInst").value()) + "." +
                  fcda.attribute("doName").value();
              const std::string daName = fcda.attribute("daName").value();
              if (!daName.empty()) named += "." + daName;
              const std::string reference = da.Reference();
              EXPECT_TRUE(reference == named || reference.rfind(named + ".", 0) == 0)
                  << reference << " for " << named;
              EXPECT_TRUE(da.List_DA.empty()) << reference;
              if (daName.empty()) {
                EXPECT_EQ(da.FC(), fcda.attribute("fc").value()) << reference;
              }
              ++members;
            }
            EXPECT_EQ(m, data_set.List_DA.size()) << data_set.Reference();
          }
        }
      }
    }
  }
  EXPECT_GT(members, 1000u);
}

}  // namespace
}  // namespace UIEC_Client_Decode
