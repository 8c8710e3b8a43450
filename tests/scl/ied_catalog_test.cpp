// The IEDs of a multi-IED SCL file: the list, the single-IED file written for one of them, and
// its catalog name.
#include "scl/ied_catalog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "scl/scl_import.h"
#include "support/test_support.h"
#include "util/files.h"
#include "util/xml.h"

namespace UIEC_Client_Decode {
namespace {

std::string Fixture() { return test::Data_Dir() + "/scl/fixtures/multi.scd"; }

// Everything the import builds, as text, to compare two models.
void Dump(const TIEC_DA& da, std::string& out) {
  out += "[" + da.Name() + "|" + da.Reference() + "|" + da.FC() + "|" + da.bType();
  for (const auto& sub : da.List_DA) Dump(*sub, out);
  out += "]";
}
void Dump(const TIEC_DO& dobj, std::string& out) {
  out += "{" + dobj.Name();
  for (const auto& sub : dobj.List_DO) Dump(*sub, out);
  for (const auto& da : dobj.List_DA) Dump(*da, out);
  out += "}";
}
std::string Dump(const TIEC_Device& device) {
  std::string out = device.Name() + "\n";
  for (const auto& ld : device.List_LDevice) {
    out += "LD " + ld->Name() + "\n";
    for (const auto& ln : ld->List_LN) {
      out += "LN " + ln->Prefix() + "|" + ln->lnClass() + "|" + ln->Inst() + "|" + ln->lnType();
      for (const auto& dobj : ln->List_DO) Dump(*dobj, out);
      for (const auto& ds : ln->List_DataSet) {
        out += "\nDS " + ds->Name() + "|" + ds->Reference() + "|" + ds->GooseName();
        for (const TIEC_DA* member : ds->List_DA) out += "|" + member->Reference();
      }
      out += "\n";
    }
  }
  return out;
}

std::string Import_Named(const std::string& path, const std::string& name) {
  TIEC_Device device;
  Decode_ICD_File_IED(device, path, &name);
  return Dump(device);
}

TEST(Ied_Catalog, Lists_Every_Ied_With_Attributes_Address_And_Server) {
  const std::vector<IED_Info> ieds = List_IEDs(Fixture());
  ASSERT_EQ(ieds.size(), 4u);
  const struct {
    const char *name, *manufacturer, *type, *desc, *ip;
    bool server;
  } expected[] = {
      // first ConnectedAP of the first access point wins over a later one in another SubNetwork
      {"P1", "Maker", "Relay", "Feeder 1", "10.0.0.1", true},
      // the IP is found after another P of the same Address
      {"P2", "", "Meter", "", "10.0.0.2", true},
      {"A/B", "", "", "Gateway é", "10.0.0.3", false},
      {"Bare", "", "", "", "", false},
  };
  for (size_t i = 0; i < ieds.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(ieds[i].name, expected[i].name);
    EXPECT_EQ(ieds[i].manufacturer, expected[i].manufacturer);
    EXPECT_EQ(ieds[i].type, expected[i].type);
    EXPECT_EQ(ieds[i].desc, expected[i].desc);
    EXPECT_EQ(ieds[i].ip, expected[i].ip);
    EXPECT_EQ(ieds[i].server, expected[i].server);
  }
}

// The address of the first IED, none where the file gives it none; a file that cannot be read is
// a failure, not a server without an address.
TEST(Ied_Catalog, Server_Ip_Of_The_First_Ied) {
  test::Temp_Dir dir;
  const std::string one =
      "<SCL><Communication><SubNetwork name='W'><ConnectedAP iedName='B' "
      "apName='S'><Address><P type='IP'>10.0.0.9</P></Address></ConnectedAP>"
      "</SubNetwork></Communication><IED name='";
  const std::string tail = "'><AccessPoint name='S'/></IED><DataTypeTemplates/></SCL>";
  test::Write(dir / "b.icd", one + "B" + tail);
  test::Write(dir / "other.icd", one + "C" + tail);  // the address belongs to another IED
  test::Write(dir / "none.icd", "<SCL><DataTypeTemplates/></SCL>");
  EXPECT_EQ(Server_IP(Fixture()), "10.0.0.1");
  EXPECT_EQ(Server_IP(dir / "b.icd"), "10.0.0.9");
  EXPECT_EQ(Server_IP(dir / "other.icd"), std::nullopt);
  EXPECT_EQ(Server_IP(dir / "none.icd"), std::nullopt);

  test::Write(dir / "broken.icd", "<SCL><IED");
  EXPECT_THROW(Server_IP(dir / "broken.icd"), util::Xml_Error);
  EXPECT_THROW(Server_IP(dir / "missing.icd"), util::File_Error);
}

TEST(Ied_Catalog, Extracted_File_Keeps_Root_Header_Own_Access_Points_And_Templates) {
  const std::string text = Extract_IED(Fixture(), "P1");
  pugi::xml_document doc;
  util::Load_Xml_Text(doc, text, "extracted");
  const pugi::xml_node scl = doc.child("SCL");
  EXPECT_STREQ(scl.attribute("xmlns").value(), "http://www.iec.ch/61850/2003/SCL");
  EXPECT_STREQ(scl.attribute("xmlns:ext").value(), "urn:example:ext");
  EXPECT_STREQ(scl.attribute("revision").value(), "B");
  std::vector<std::string> children;
  for (pugi::xml_node child : scl.children()) children.push_back(child.name());
  EXPECT_EQ(children,
            (std::vector<std::string>{"Header", "Communication", "IED", "DataTypeTemplates"}));
  EXPECT_STREQ(scl.child("IED").attribute("name").value(), "P1");
  // Both SubNetworks hold an entry of P1; each keeps only those, and its own settings.
  std::vector<std::string> aps;
  for (pugi::xml_node net : scl.child("Communication").children("SubNetwork"))
    for (pugi::xml_node ap : net.children("ConnectedAP"))
      aps.push_back(std::string(net.attribute("name").value()) + ":" +
                    ap.attribute("apName").value() + ":" + ap.child("Address").child_value("P"));
  EXPECT_EQ(aps, (std::vector<std::string>{"W1:S1:10.0.0.1", "W1:S2:10.9.9.9", "W2:S1:10.1.1.1"}));
  EXPECT_STREQ(scl.child("Communication").child("SubNetwork").child_value("BitRate"), "100");

  // P2's entries are all in W2: W1 is left out. An IED without any entry has no Communication.
  util::Load_Xml_Text(doc, Extract_IED(Fixture(), "P2"), "extracted");
  EXPECT_STREQ(
      doc.child("SCL").child("Communication").child("SubNetwork").attribute("name").value(), "W2");
  util::Load_Xml_Text(doc, Extract_IED(Fixture(), "Bare"), "extracted");
  EXPECT_FALSE(doc.child("SCL").child("Communication"));

  EXPECT_THROW(Extract_IED(Fixture(), "P3"), SCL_Error);
}

TEST(Ied_Catalog, Extracted_File_Imports_As_The_Chosen_Ied_And_Lists_The_Same_Address) {
  test::Temp_Dir dir;
  const std::vector<IED_Info> all = List_IEDs(Fixture());
  for (const IED_Info& ied : all) {
    SCOPED_TRACE(ied.name);
    const std::string out = dir / Extracted_File_Name(Fixture(), ied.name);
    Write_Extracted_IED(Fixture(), ied.name, out);
    EXPECT_EQ(Dump(TIEC_Device(out)), Import_Named(Fixture(), ied.name));
    const std::vector<IED_Info> again = List_IEDs(out);
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0].ip, ied.ip);
    EXPECT_EQ(again[0].server, ied.server);
  }
  // The import by name picks P2's own logical device and data set.
  EXPECT_NE(Import_Named(Fixture(), "P2").find("DS DS|P2CTRL/LLN0.DS|G2|P2CTRL/MMXU2.PhV.d"),
            std::string::npos);
  TIEC_Device none;
  const std::string absent = "P3";
  EXPECT_THROW(Decode_ICD_File_IED(none, Fixture(), &absent), SCL_Error);
}

TEST(Ied_Catalog, File_Name_From_Stem_And_Ied_Name) {
  const struct {
    const char *source, *ied, *expected;
  } cases[] = {
      {"/x/Plant.scd", "P1", "Plant_P1.scd"},
      {"C:\\in\\Plant.v2.SCD", "A/B", "Plant.v2_A_B.SCD"},
      {"plant", "a<b>c:d\"e|f?g*h\\i", "plant_a_b_c_d_e_f_g_h_i"},
      {"plant", "tab\there", "plant_tab_here"},
      {"plant", "ends.", "plant_ends_"},
      {".scd", "X", ".scd_X"},
  };
  for (const auto& c : cases) EXPECT_EQ(Extracted_File_Name(c.source, c.ied), c.expected);
}

TEST(Ied_Catalog, Unreadable_Or_Broken_Files_Are_Errors) {
  test::Temp_Dir dir;
  test::Write(dir / "broken.scd", "<SCL>\n<IED name='A'>\n</SCL>");
  EXPECT_THROW(List_IEDs(dir / "broken.scd"), util::Xml_Error);
  EXPECT_THROW(Extract_IED(dir / "broken.scd", "A"), util::Xml_Error);
  EXPECT_THROW(List_IEDs(dir / "absent.scd"), util::File_Error);
  test::Write(dir / "other.xml", "<Other><IED name='A'/></Other>");
  EXPECT_TRUE(List_IEDs(dir / "other.xml").empty());
}

// A parser reads a control character from a character reference that XML 1.0 does not allow;
// the extracted file is written only when none of its texts holds one, so an independent parser
// accepts every file written.
TEST(Ied_Catalog, Extracted_Files_Hold_Only_Texts_Xml_Can_Hold) {
  test::Temp_Dir dir;
  test::Write(dir / "s.scd",
              "<SCL><IED name='ok' desc='tab&#9;lf&#10;'/><IED name='bad&#2;'/>"
              "<IED name='odd' desc='bell&#7;'/><DataTypeTemplates/></SCL>");
  const std::vector<IED_Info> ieds = List_IEDs(dir / "s.scd");
  ASSERT_EQ(ieds.size(), 3u);
  EXPECT_TRUE(Is_Writable_IED_Name(ieds[0].name));
  EXPECT_FALSE(Is_Writable_IED_Name(ieds[1].name));

  Write_Extracted_IED(dir / "s.scd", "ok", dir / "ok.scd");
#ifndef _WIN32
  // xmllint is a Linux program: the Windows run checks the rest without it.
  const test::Run_Result lint = test::Run_Program("xmllint", {"--noout", dir / "ok.scd"});
  EXPECT_EQ(lint.status, 0) << lint.err;
#endif
  try {
    Write_Extracted_IED(dir / "s.scd", ieds[1].name, dir / "bad.scd");
    ADD_FAILURE() << "written";
  } catch (const SCL_Error& e) {
    EXPECT_NE(std::string(e.what()).find("control character, which XML cannot hold: \"bad?\""),
              std::string::npos)
        << e.what();
  }
  EXPECT_THROW(Write_Extracted_IED(dir / "s.scd", "odd", dir / "odd.scd"), util::Xml_Error);
  EXPECT_FALSE(util::Path_Present(dir / "bad.scd"));
  EXPECT_FALSE(util::Path_Present(dir / "odd.scd"));
}

// Every IED of every shared sample that holds several: the extracted file re-imports as it.
TEST(Ied_Catalog, Every_Ied_Of_The_Shared_Multi_Ied_Samples_Extracts_Faithfully) {
  RQ_SCL_SAMPLES_OR_SKIP();
  const std::vector<std::string> files = test::Scl_Sample_Files();
  ASSERT_FALSE(files.empty());
  test::Temp_Dir dir;
  size_t multi = 0;
  for (const std::string& path : files) {
    SCOPED_TRACE(path);
    const std::string name = util::File_Name_Of(path);
    std::vector<IED_Info> ieds;
    try {
      ieds = List_IEDs(path);
    } catch (const std::exception& e) {
      continue;  // not an SCL document; the import's own tests cover those
    }
    if (ieds.size() < 2) continue;
    ++multi;
    for (const IED_Info& ied : ieds) {
      SCOPED_TRACE(ied.name);
      const std::string out = dir / Extracted_File_Name(name, ied.name);
      Write_Extracted_IED(path, ied.name, out);
      const std::string extracted = Dump(TIEC_Device(out));
      EXPECT_EQ(extracted, Import_Named(path, ied.name));
      const std::vector<IED_Info> again = List_IEDs(out);
      ASSERT_EQ(again.size(), 1u);
      EXPECT_EQ(again[0].ip, ied.ip);
    }
  }
  EXPECT_GT(multi, 0u) << "no sample with several IEDs";
}

}  // namespace
}  // namespace UIEC_Client_Decode
