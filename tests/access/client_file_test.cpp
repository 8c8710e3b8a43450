#include "access/client_file.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "access/access_test_models.h"
#include "util/files.h"
#include "util/xml.h"

namespace {

using namespace UIEC_61850_Access;

std::string Fixture(const std::string& name) {
  return test::Data_Dir() + "/access/fixtures/client_file/" + name;
}

// A configuration folder whose catalog holds stand-ins for IED1 (a.icd) and IED2 (b.icd).
struct Client_File : ::testing::Test {
  test::Temp_Dir dir;
  std::string conf = dir.path();
  std::string catalog = dir / "ICD_Catalog";
  std::string file = dir / "IEC_61850_Client.xml";

  void SetUp() override {
    util::Force_Dirs(catalog);
    test::Write(catalog + "/a.icd", test::Fake_Scl("IED1"));
    test::Write(catalog + "/b.icd", test::Fake_Scl("IED2"));
  }
  Read_Report Read(Access_State& state, const std::string& path) {
    return Read_Client_File(path, catalog, state, test::English(), test::Fake_Import);
  }
  void Load(Access_State& state, const char* name) {
    state.List_IEC_Dev.push_back(test::Fake_Import(catalog + "/" + name));
  }
  TIEC_DataSet* Data_Set(Access_State& state, int server, int n) {
    return state.List_IEC_Dev[server]->List_LDevice[0]->List_LN[0]->List_DataSet[n];
  }
  TIEC_DA* Stval(Access_State& state, int server) {
    return state.List_IEC_Dev[server]->List_LDevice[0]->List_LN[0]->List_DO[0]->List_DA[0];
  }
};

TEST_F(Client_File, One_Server_And_No_Selections) {
  Access_State state;
  Load(state, "a.icd");
  Save_Client_File(state, file);
  EXPECT_EQ(test::Read(file),
            "<IEC_68850_Client><List_ICD_Files><ICD_File Name=\"IED1\" FileName=\"a.icd\"/>"
            "</List_ICD_Files><List_DA_Selected/><List_DataSet_Selected/></IEC_68850_Client>"
            "<!--SW_VERSION = 1.001-->");
}

TEST_F(Client_File, Emptiness_Rule) {
  Access_State state;
  Load(state, "a.icd");
  state.Selected_IEC_DA = Stval(state, 0);
  state.Add_Var(0);
  state.Remove_Variable_Row(0);
  EXPECT_NE(Client_Xml(state).find("<List_DA_Selected/>"), std::string::npos);

  // A row with an "Index" and nothing else is a row; other cells do not count.
  state.ACG_DA.Set_Cell(0, DA_Col::Index, "0");
  state.ACG_DataSet.Set_Cell(0, DS_Col::IPAddress, "127.0.0.1");
  const std::string xml = Client_Xml(state);
  EXPECT_NE(xml.find("<List_DA_Selected><DA_Item Index=\"0\" bType=\"\" fc=\"\" Reference=\"\" "
                     "IPAddress=\"\" Port=\"\" OnChange=\"\" OnCMD=\"\" OnTimer=\"\" Time=\"\" "
                     "Position=\"\" StartBit=\"\" ReadWrite=\"\" Convertion=\"\" MoltFact=\"\" "
                     "Mnemonic=\"\"/></List_DA_Selected><List_DataSet_Selected/>"),
            std::string::npos)
      << xml;
}

// An independent parser accepts the file as XML 1.0.
// xmllint is a Linux program: the Windows run checks the rest of each test without it.
void Expect_Well_Formed([[maybe_unused]] const std::string& path) {
#ifndef _WIN32
  const test::Run_Result lint = test::Run_Program("xmllint", {"--noout", path});
  EXPECT_EQ(lint.status, 0) << lint.err;
#endif
}

TEST_F(Client_File, Written_Read_And_Written_Again_Is_Identical) {
  Access_State state;
  Load(state, "a.icd");
  Load(state, "b.icd");
  Load(state, "a.icd");
  state.Selected_IEC_DA = Stval(state, 1);
  state.Add_Var(1);
  state.Add_Var(2);
  const char* awkward = "a&b<\"'> \t\n\xC3\xA9 ";
  for (int c = DA_Col::IPAddress; c < DA_Col::Count; ++c)
    state.ACG_DA.Set_Cell(1, c, awkward + std::to_string(c));
  state.Clear_Selection();
  state.Selected_IEC_DS = Data_Set(state, 1, 0);
  state.Add_Var(1);
  state.Selected_IEC_DS = Data_Set(state, 0, 1);
  state.Add_Var(0);
  state.ACG_DataSet.Set_Cell(1, DS_Col::Mnemonic, awkward);
  state.Show_DataSet_DAs(1);
  state.Store_Member_Text(2, Var_Col::Position, "33");
  state.Store_Member_Text(0, Var_Col::Mnemonic, awkward);
  Save_Client_File(state, file);
  const std::string first = test::Read(file);
  Expect_Well_Formed(file);

  Access_State loaded;
  const Read_Report report = Read(loaded, file);
  EXPECT_TRUE(report.Missing_Files.empty());
  ASSERT_EQ(loaded.List_IEC_Dev.size(), 3u);
  EXPECT_EQ(loaded.List_IEC_Dev[1]->Name(), "IED2");
  ASSERT_EQ(loaded.ACG_DA.Row_Count(), 2);
  for (int r = 0; r < 2; ++r) EXPECT_EQ(loaded.ACG_DA.Get_Row(r), state.ACG_DA.Get_Row(r));
  ASSERT_EQ(loaded.ACG_DataSet.Row_Count(), 2);
  ASSERT_EQ(loaded.List_DataSet.size(), 2u);
  EXPECT_EQ(loaded.List_DataSet[0].Select_DataSet, Data_Set(loaded, 1, 0));
  EXPECT_EQ(loaded.List_DataSet[0].List_DAs[0].Mnemonic, awkward);
  EXPECT_EQ(loaded.List_DataSet[0].List_DAs[0].Select_DA, Stval(loaded, 1));
  EXPECT_EQ(loaded.List_DataSet[1].Select_DataSet, Data_Set(loaded, 0, 1));

  Save_Client_File(loaded, file);
  EXPECT_EQ(test::Read(file), first);
}

// XML 1.0 cannot hold control characters other than tab, line feed and carriage return, not even
// as character references: a text holding one is refused and the file stays as it was.
TEST_F(Client_File, Texts_Xml_Cannot_Hold_Are_Refused_And_The_File_Stays) {
  Access_State state;
  Load(state, "a.icd");
  state.Selected_IEC_DA = Stval(state, 0);
  state.Add_Var(0);
  state.ACG_DA.Set_Cell(0, DA_Col::Mnemonic, "tab\tcr\rlf\n");
  Save_Client_File(state, file);
  const std::string good = test::Read(file);
  Expect_Well_Formed(file);

  const struct {
    const char* name;
    std::function<void(Access_State&)> spoil;
    const char* element;
  } cases[] = {
      {"server name", [](Access_State& s) { s.List_IEC_Dev[0]->Set_Name("IED\x01"); },
       "<ICD_File>"},
      {"cell", [](Access_State& s) { s.ACG_DA.Set_Cell(0, DA_Col::Mnemonic, "x\x1f"); },
       "<DA_Item>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Access_State spoilt;
    Load(spoilt, "a.icd");
    spoilt.Selected_IEC_DA = Stval(spoilt, 0);
    spoilt.Add_Var(0);
    c.spoil(spoilt);
    try {
      Save_Client_File(spoilt, file);
      ADD_FAILURE() << "saved";
    } catch (const util::Xml_Error& e) {
      EXPECT_NE(std::string(e.what()).find(c.element), std::string::npos) << e.what();
    }
    EXPECT_EQ(test::Read(file), good);
  }
}

// Members saved for DS1 = stVal, q, f (positions 0, 1, 2) and loaded from later revisions of
// the SCL file: each keeps its settings wherever the data set still has it, in the data set's
// order; a member the data set lost is dropped; a member new to the data set comes in without
// settings, so the record holds every member the device sends.
TEST_F(Client_File, Members_Follow_Their_Reference_Within_The_Data_Set) {
  Access_State state;
  Load(state, "a.icd");
  state.Selected_IEC_DS = Data_Set(state, 0, 0);
  state.Add_Var(0);
  state.Show_DataSet_DAs(1);
  for (int k = 0; k < 3; ++k) state.Store_Member_Text(k, Var_Col::Position, std::to_string(k));
  Save_Client_File(state, file);

  struct Case {
    const char* revision;             // DS1's members in the new file
    std::vector<std::string> loaded;  // name and position of each member loaded
  };
  const std::vector<Case> cases = {
      {"stVal,t,f", {"stVal 0", "t ", "f 2"}},  // another attribute in the second place
      {"f,q,stVal", {"f 2", "q 1", "stVal 0"}},
      {"t,f,stVal,q", {"t ", "f 2", "stVal 0", "q 1"}},
      {"t,t", {"t ", "t "}},
  };
  for (const Case& c : cases) {
    test::Write(catalog + "/a.icd", test::Fake_Scl("IED1", c.revision));
    Access_State loaded;
    Read(loaded, file);
    std::vector<std::string> members;
    for (const TDataSet_DA& m : loaded.List_DataSet[0].List_DAs)
      members.push_back(m.Select_DA->Name() + " " + m.Position);
    EXPECT_EQ(members, c.loaded) << c.revision;
    // Written in the data set's order, they load again unchanged.
    const std::string again = dir / "again.xml";
    Save_Client_File(loaded, again);
    Access_State reloaded;
    Read(reloaded, again);
    EXPECT_EQ(Client_Xml(reloaded), Client_Xml(loaded)) << c.revision;
  }
}

TEST_F(Client_File, Reads_A_Hand_Written_File) {
  Access_State state;
  const Read_Report report = Read(state, Fixture("client_sample.xml"));
  EXPECT_TRUE(report.Missing_Files.empty());
  ASSERT_EQ(state.List_IEC_Dev.size(), 2u);
  EXPECT_EQ(state.List_IEC_Dev[0]->Name(), "IED2");  // the name comes from the SCL file
  EXPECT_EQ(state.List_IEC_Dev[1]->FileName(), "a.icd");

  ASSERT_EQ(state.ACG_DA.Row_Count(), 2);
  EXPECT_EQ(state.ACG_DA.Get_Row(0),
            (Row{"1", "1", "FLOAT32", "MX", "IED1LD0/MMXU1.TotW.mag.f", "127.0.0.1", "102", "N",
                 "N", "Y", "1000", "12", "0", "Read", "ItoF/FtoI", "0,001", "Total power"}));
  EXPECT_EQ(state.ACG_DA.Cell(1, DA_Col::N), "2");
  EXPECT_EQ(state.ACG_DA.Cell(1, DA_Col::OnChange), "Y");

  ASSERT_EQ(state.ACG_DataSet.Row_Count(), 2);
  EXPECT_EQ(state.ACG_DataSet.Get_Row(0), (Row{"1", "0", "IED2LD0/LLN0.DS1", "gcb1", "Y",
                                               "127.0.0.2", "102", "500", "measures"}));
  const TDataSet& first = state.List_DataSet[0];
  EXPECT_EQ(first.Select_DataSet, Data_Set(state, 0, 0));
  ASSERT_EQ(first.List_DAs.size(), 3u);  // the third member of DS1 is not stored
  EXPECT_EQ(first.List_DAs[0].Position + first.List_DAs[0].bitAddress +
                first.List_DAs[0].conversion + first.List_DAs[0].multFactor +
                first.List_DAs[0].Mnemonic,
            "1002NoneNONEmode");
  EXPECT_EQ(first.List_DAs[1].Position, "");
  EXPECT_EQ(first.List_DAs[2].Position, "");
  EXPECT_EQ(report.Gained_Members.size(), 1u);

  // "Index" abc finds no data set: the row stays, with its stored members and no attributes.
  EXPECT_EQ(state.ACG_DataSet.Cell(1, DS_Col::Index), "abc");
  EXPECT_EQ(state.List_DataSet[1].Select_DataSet, nullptr);
  ASSERT_EQ(state.List_DataSet[1].List_DAs.size(), 1u);
  const TDataSet_DA& kept = state.List_DataSet[1].List_DAs[0];
  EXPECT_EQ(kept.Select_DA, nullptr);
  EXPECT_EQ(kept.Reference() + " " + kept.bType() + " " + kept.Position,
            "IED2LD0/LLN0.Mod.stVal Enum 7");
}

TEST_F(Client_File, Missing_Catalog_Files_Are_Reported_And_Later_Servers_Move_Up) {
  test::Write(file,
              "<IEC_68850_Client><List_ICD_Files><ICD_File Name=\"x\" FileName=\"gone.icd\"/>"
              "<ICD_File Name=\"IED2\" FileName=\"b.icd\"/>"
              "<ICD_File Name=\"x\" FileName=\"also_gone.icd\"/>"
              "<ICD_File Name=\"IED1\" FileName=\"a.icd\"/></List_ICD_Files>"
              "<List_DA_Selected/></IEC_68850_Client>");
  Access_State state;
  const Read_Report report = Read(state, file);
  EXPECT_EQ(report.Missing_Files, (std::vector<std::string>{"gone.icd", "also_gone.icd"}));
  ASSERT_EQ(state.List_IEC_Dev.size(), 2u);
  EXPECT_EQ(state.List_IEC_Dev[0]->Name(), "IED2");
  EXPECT_TRUE(state.ACG_DataSet.Counts_As_Empty());  // no List_DataSet_Selected at all
  const std::string warning = Missing_Files_Warning(report.Missing_Files, test::English());
  EXPECT_NE(warning.find("gone.icd"), std::string::npos);
  EXPECT_NE(warning.find("also_gone.icd"), std::string::npos);
}

TEST_F(Client_File, Server_Files_Are_Read_From_The_Catalog_Only) {
  util::Force_Dirs(dir / "outside");
  test::Write(dir / "outside/b.icd", test::Fake_Scl("OUTSIDE"));
  test::Write(dir / "outside/c.icd", test::Fake_Scl("OUTSIDE"));
  test::Write(file,
              "<IEC_68850_Client><List_ICD_Files>"
              "<ICD_File Name=\"\" FileName=\"../outside/b.icd\"/>"
              "<ICD_File Name=\"\" FileName=\"../outside/c.icd\"/>"
              "<ICD_File Name=\"\" FileName=\"..\"/>"
              "<ICD_File Name=\"\" FileName=\"C:\\old\\a.icd\"/>"
              "</List_ICD_Files><List_DA_Selected/></IEC_68850_Client>");
  Access_State state;
  const Read_Report report = Read(state, file);
  ASSERT_EQ(state.List_IEC_Dev.size(), 2u);
  EXPECT_EQ(state.List_IEC_Dev[0]->Name(), "IED2");
  EXPECT_EQ(state.List_IEC_Dev[1]->Name(), "IED1");
  EXPECT_EQ(state.List_IEC_Dev[1]->FileName(), "a.icd");
  EXPECT_EQ(report.Missing_Files, (std::vector<std::string>{"../outside/c.icd", ".."}));
}

TEST_F(Client_File, Unreadable_Files_Are_Refused_And_Change_Nothing) {
  test::Write(catalog + "/broken.icd", "<SCL><IED");
  struct Case {
    const char* fixture;
    const char* reason;  // a part of the message beside the file name
  };
  const Case cases[] = {
      {"not_well_formed.xml", "line"},
      {"wrong_root.xml", "IEC_68850_Client"},
      {"no_icd_list.xml", "List_ICD_Files"},
      {"no_da_list.xml", "List_DA_Selected"},
      {"icd_file_without_filename.xml", "FileName"},
      {"da_item_missing_attribute.xml", "Position"},
      {"dataset_item_missing_attribute.xml", "Time"},
      {"dataset_item_without_members.xml", "DataSet_List_DAs"},
      {"broken_scl_listed.xml", "unexpected end of data"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fixture);
    const std::string path = Fixture(c.fixture);
    const std::string before = test::Read(path);
    Access_State state;
    Load(state, "b.icd");
    state.ACG_DA.Set_Cell(0, DA_Col::Index, "0");
    try {
      Read(state, path);
      ADD_FAILURE() << "read without complaint";
    } catch (const Client_File_Error& error) {
      const std::string message = error.what();
      const std::string named = std::string(c.fixture) == "broken_scl_listed.xml"
                                    ? std::string("broken.icd")
                                    : std::string(c.fixture);
      EXPECT_NE(message.find(named), std::string::npos) << message;
      EXPECT_NE(message.find(c.reason), std::string::npos) << message;
    }
    ASSERT_EQ(state.List_IEC_Dev.size(), 1u);
    EXPECT_EQ(state.List_IEC_Dev[0]->Name(), "IED2");
    EXPECT_EQ(state.ACG_DA.Cell(0, DA_Col::Index), "0");
    EXPECT_EQ(test::Read(path), before);
  }
}

}  // namespace

namespace {

// A configuration saved by a version that read FCDAs by the earlier look-ups (the first node of
// a class, whole objects by their first leaf, dotted names as nothing), over fcda.icd.
struct Earlier_Reading : ::testing::Test {
  test::Temp_Dir dir;
  std::string catalog = dir / "ICD_Catalog";
  std::string file = dir / "IEC_61850_Client.xml";
  void SetUp() override {
    util::Force_Dirs(catalog);
    test::Write(catalog + "/fcda.icd", test::Read(test::Data_Dir() + "/scl/fixtures/fcda.icd"));
    test::Write(file, test::Read(Fixture("earlier_reading.xml")));
  }
  // Each member of data set row `row` (from 0) as reference, position and mnemonic.
  static std::vector<std::string> Members(const Access_State& state, size_t row) {
    std::vector<std::string> members;
    for (const TDataSet_DA& m : state.List_DataSet[row].List_DAs)
      members.push_back(m.Reference() + " " + m.Position + " " + m.Mnemonic);
    return members;
  }
};

}  // namespace

// Each stored member that the earlier look-ups gave for an FCDA keeps its settings under the
// reference that FCDA names now; the data set's other members come in without settings; a
// member whose FCDA names nothing now is dropped. Saved, the file opens again as it was saved.
TEST_F(Earlier_Reading, Settings_Follow_The_Fcda_To_The_Corrected_Reference) {
  Access_State state;
  const Read_Report report = Read_Client_File(file, catalog, state, test::English());
  EXPECT_EQ(Members(state, 0), (std::vector<std::string>{
                                   "F1LD0/L1TCTR1.AmpSv.q 1 m1",
                                   "F1LD0/L2TCTR1.AmpSv.q 2 m2",
                                   "F1LD0/L1TCTR2.AmpSv.instMag.i  ",
                                   "F1LD0/MMXU1.PhV.phsA.cVal.mag.f  ",
                                   "F1LD0/Q0XCBR1.Pos.stVal 3 m3",
                                   "F1LD0/MMXU1.TotW.mag.f 4 m4",
                                   "F1LD0/Q0XCBR1.Pos.stVal 6 m6",
                                   "F1LD0/LLN0.Mod.stVal 7 m7",
                               }));
  EXPECT_EQ(
      state.List_DataSet[0].List_DAs[5].conversion + state.List_DataSet[0].List_DAs[5].multFactor,
      "ItoF/FtoI2.5");
  // A data set outside LLN0 stored under its class alone is found and named whole.
  EXPECT_EQ(state.ACG_DataSet.Cell(1, DS_Col::Reference), "F1LD0/MMXU1.Local");
  EXPECT_EQ(Members(state, 1), std::vector<std::string>{"F1LD0/MMXU1.TotW.mag.f  "});
  EXPECT_EQ(report.Corrected_Members, 3u);  // L1 -> L2, SBOw.ctlVal -> stVal, mag -> mag.f
  EXPECT_EQ(report.Corrected_Data_Sets, 1u);
  ASSERT_EQ(report.Gained_Members.size(), 2u);
  EXPECT_EQ(report.Gained_Members[0].row, 1);
  EXPECT_EQ(report.Gained_Members[0].count, 2u);
  EXPECT_EQ(report.Gained_Members[1].reference, "F1LD0/MMXU1.Local");

  Save_Client_File(state, file);
  const std::string saved = test::Read(file);
  EXPECT_EQ(saved.find("L1TCTR1.AmpSv.q\" Position=\"2\""), std::string::npos);
  EXPECT_NE(saved.find("F1LD0/L2TCTR1.AmpSv.q\" Position=\"2\""), std::string::npos) << saved;
  Access_State again;
  const Read_Report second = Read_Client_File(file, catalog, again, test::English());
  EXPECT_EQ(second.Corrected_Members + second.Corrected_Data_Sets, 0u);
  EXPECT_TRUE(second.Gained_Members.empty());
  EXPECT_EQ(Client_Xml(again), saved);
}
