#include "access/scl_revision.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "access/access_strings.h"
#include "access/access_test_models.h"
#include "access/catalog_snapshot.h"
#include "access/client_file.h"
#include "access/server_list.h"
#include "lang/lang_file.h"
#include "scl/model_walk.h"
#include "util/files.h"

namespace {

using namespace UIEC_61850_Access;

std::string Revision(const std::string& name) {
  return test::Data_Dir() + "/access/fixtures/revision/" + name;
}

TIEC_DataSet* Data_Set(const TIEC_Device& device, const std::string& reference) {
  return UIEC_Client_Decode::Find_DataSet(
      device, [&](const TIEC_DataSet& ds) { return ds.Reference() == reference; });
}

// Entries as (kind, row, member or 0, reference), for comparing whole lists at once.
using Flat = std::tuple<std::string, int, int, std::string>;
std::vector<Flat> Flatten(const std::vector<Impact_Entry>& entries) {
  std::vector<Flat> flat;
  for (const Impact_Entry& e : entries)
    flat.emplace_back(e.kind, e.row, e.member.value_or(0), e.reference);
  return flat;
}

// Server 1 (IED1, a stand-in) and server 2 (REV1, revision_old.icd) with rows of both: the
// variables and data sets of REV1 cover each outcome of a replacement by revision_new.icd.
struct Revision_Replace : ::testing::Test {
  Access_State state;

  void SetUp() override {
    state.List_IEC_Dev.push_back(test::Make_Device("IED1", "a.icd"));
    state.List_IEC_Dev.push_back(Import_Device(Revision("revision_old.icd")));
    const TIEC_Device& ied1 = *state.List_IEC_Dev[0];
    const TIEC_Device& rev = *state.List_IEC_Dev[1];
    Add_Variable(0, test::Attribute(ied1, "IED1LD0/LLN0.Mod.stVal"));
    for (const char* reference : {"REV1LD0/MMXU1.TotW.mag.f", "REV1LD0/MMXU1.Hz.mag.f",
                                  "REV1LD0/GGIO1.Ind2.q", "REV1LD0/LLN0.Mod.stVal"})
      Add_Variable(1, test::Attribute(rev, reference));
    Add_Data_Set(1, Data_Set(rev, "REV1LD0/LLN0.Measures"), {"10", "11", "12"});
    Add_Data_Set(1, Data_Set(rev, "REV1LD0/LLN0.Status"), {"20", "21", "22"});
    Add_Data_Set(1, Data_Set(rev, "REV1LD0/LLN0.Events"), {"30"});
    Add_Data_Set(0, Data_Set(ied1, "IED1LD0/LLN0.DS1"), {"40", "41", "42"});
    state.Show_DataSet_DAs(1);
  }
  void Add_Variable(int server, TIEC_DA* da) {
    ASSERT_NE(da, nullptr);
    state.Clear_Selection();
    state.Selected_IEC_DA = da;
    state.Add_Var(server);
    state.ACG_DA.Set_Cell(state.ACG_DA.Row_Count() - 1, DA_Col::Mnemonic, da->Name());
  }
  void Add_Data_Set(int server, TIEC_DataSet* ds, const std::vector<std::string>& positions) {
    ASSERT_NE(ds, nullptr);
    state.Clear_Selection();
    state.Selected_IEC_DS = ds;
    state.Add_Var(server);
    state.Show_DataSet_DAs(state.ACG_DataSet.Row_Count());
    for (size_t k = 0; k < positions.size(); ++k) {
      state.Store_Member_Text(static_cast<int>(k), Var_Col::Position, positions[k]);
      state.Store_Member_Text(static_cast<int>(k), Var_Col::Mnemonic, "m" + positions[k]);
    }
  }
  // Each member of data set row `row` (from 1) as reference, bType and position.
  std::vector<std::tuple<std::string, std::string, std::string>> Members(int row) const {
    std::vector<std::tuple<std::string, std::string, std::string>> members;
    for (const TDataSet_DA& m : state.List_DataSet[static_cast<size_t>(row - 1)].List_DAs)
      members.emplace_back(m.Reference(), m.bType(), m.Position);
    return members;
  }
};

TEST_F(Revision_Replace, Impact_Sorts_Every_Row_Of_The_Server_And_Changes_Nothing) {
  const auto revised = Import_Device(Revision("revision_new.icd"));
  const std::string before = Client_Xml(state);
  const Replace_Impact impact = Impact_Of_Replace(state, 1, *revised);
  EXPECT_EQ(Client_Xml(state), before);
  util::Progress stopped;  // the user's Cancel while it is weighed
  stopped.Cancel();
  EXPECT_THROW(Impact_Of_Replace(state, 1, *revised, &stopped), util::Cancelled);
  EXPECT_EQ(state.DataSet_Row_Select, 1);

  EXPECT_EQ(Flatten(impact.kept),
            (std::vector<Flat>{{"variable", 2, 0, "REV1LD0/MMXU1.TotW.mag.f"},
                               {"member", 2, 1, "REV1LD0/GGIO1.Ind1.stVal"},
                               {"member", 2, 2, "REV1LD0/GGIO1.Ind2.stVal"}}));
  EXPECT_EQ(Flatten(impact.moved),
            (std::vector<Flat>{{"member", 1, 1, "REV1LD0/MMXU1.TotW.mag.f"}}));
  EXPECT_EQ(Flatten(impact.changed),
            (std::vector<Flat>{{"variable", 3, 0, "REV1LD0/MMXU1.Hz.mag.f"},
                               {"variable", 5, 0, "REV1LD0/LLN0.Mod.stVal"},
                               {"member", 1, 2, "REV1LD0/MMXU1.Hz.mag.f"},
                               {"member", 1, 3, "REV1LD0/LLN0.Mod.stVal"}}));
  EXPECT_EQ(Flatten(impact.lost),
            (std::vector<Flat>{{"variable", 4, 0, "REV1LD0/GGIO1.Ind2.q"},
                               {"member", 2, 3, "REV1LD0/GGIO1.Ind2.q"},
                               {"member", 3, 1, "REV1LD0/GGIO1.Ind1.stVal"}}));
  EXPECT_EQ(impact.data_sets_gone, std::vector<std::string>{"REV1LD0/LLN0.Events"});

  // The same revision again: everything is kept.
  const auto same = Import_Device(Revision("revision_old.icd"));
  const Replace_Impact unchanged = Impact_Of_Replace(state, 1, *same);
  EXPECT_EQ(unchanged.kept.size(), 4u + 7u);
  EXPECT_TRUE(unchanged.moved.empty() && unchanged.changed.empty() && unchanged.lost.empty() &&
              unchanged.data_sets_gone.empty());
  EXPECT_TRUE(Impact_Of_Replace(state, 2, *same).kept.empty());
}

TEST_F(Revision_Replace, Replace_Keeps_Every_Row_And_The_Settings_That_Still_Have_A_Place) {
  const std::string variables_before = Client_Xml(state);
  const TIEC_DataSet* other_server_set = state.List_DataSet[3].Select_DataSet;
  Replace_Server_Model(state, 1, Import_Device(Revision("revision_new.icd")));

  EXPECT_EQ(state.List_IEC_Dev[1]->FileName(), "revision_old.icd");
  EXPECT_EQ(state.DataSet_Row_Select, 0);
  EXPECT_EQ(state.ACG_DA.Row_Count(), 5);
  EXPECT_EQ(state.ACG_DA.Cell(2, DA_Col::bType), "FLOAT32");  // the row keeps its texts
  EXPECT_EQ(state.ACG_DataSet.Row_Count(), 4);
  EXPECT_EQ(state.ACG_DataSet.Cell(2, DS_Col::Reference), "REV1LD0/LLN0.Events");

  using M = std::tuple<std::string, std::string, std::string>;
  EXPECT_EQ(Members(1), (std::vector<M>{{"REV1LD0/LLN0.Mod.stVal", "INT8", "12"},
                                        {"REV1LD0/MMXU1.TotW.mag.f", "FLOAT32", "10"},
                                        {"REV1LD0/MMXU1.Hz.mag.f", "FLOAT64", "11"}}));
  // A member whose bType changed keeps the former one until saved, so that it is reported.
  EXPECT_EQ(state.List_DataSet[0].List_DAs[0].Former_bType(), "Enum");
  EXPECT_EQ(state.List_DataSet[0].List_DAs[2].Former_bType(), "FLOAT32");
  EXPECT_EQ(state.List_DataSet[0].List_DAs[1].Former_bType(), "");
  EXPECT_EQ(Members(2), (std::vector<M>{{"REV1LD0/GGIO1.Ind1.stVal", "BOOLEAN", "20"},
                                        {"REV1LD0/GGIO1.Ind2.stVal", "BOOLEAN", "21"}}));
  // The data set the revision removed keeps its member and settings, without attribute.
  EXPECT_EQ(state.List_DataSet[2].Select_DataSet, nullptr);
  EXPECT_EQ(Members(3), (std::vector<M>{{"REV1LD0/GGIO1.Ind1.stVal", "BOOLEAN", "30"}}));
  EXPECT_EQ(state.List_DataSet[2].List_DAs[0].Select_DA, nullptr);
  EXPECT_EQ(state.List_DataSet[3].Select_DataSet, other_server_set);
  EXPECT_EQ(Members(4).size(), 3u);
  for (int row = 1; row <= 2; ++row)
    for (const TDataSet_DA& m : state.List_DataSet[static_cast<size_t>(row - 1)].List_DAs) {
      EXPECT_TRUE(Device_Has_DataSet(
          *state.List_IEC_Dev[1], state.List_DataSet[static_cast<size_t>(row - 1)].Select_DataSet));
      EXPECT_EQ(m.Mnemonic, "m" + m.Position);
    }

  // Saved and opened again on the new catalog file, the configuration is the same.
  test::Temp_Dir dir;
  util::Force_Dirs(dir / "ICD_Catalog");
  test::Write(dir / "ICD_Catalog/a.icd", test::Fake_Scl("IED1"));
  test::Write(dir / "ICD_Catalog/revision_old.icd", test::Read(Revision("revision_new.icd")));
  Save_Client_File(state, dir / "IEC_61850_Client.xml");
  Access_State reopened;
  Read_Client_File(dir / "IEC_61850_Client.xml", dir / "ICD_Catalog", reopened, test::English(),
                   [](const std::string& path) {
                     return util::File_Name_Of(path) == "a.icd" ? test::Fake_Import(path)
                                                                : Import_Device(path);
                   });
  EXPECT_EQ(Client_Xml(reopened), Client_Xml(state));
  EXPECT_NE(Client_Xml(state), variables_before);
}

// Loading the client file: a member keeps its own place, else follows its reference and bType
// to the first place no other stored member holds, else takes a place of its reference whose
// bType changed, else is dropped.
TEST(Stored_Member_Places, Members_Follow_Their_Reference_To_A_Free_Place) {
  struct Case {
    std::vector<std::string> data_set;  // DS1's members in the model
    std::vector<std::string> stored;    // name, or name:bType for another type
    std::vector<int> places;            // -1: dropped
  };
  const std::vector<Case> cases = {
      {{"stVal", "q", "f"}, {"stVal", "q", "f"}, {0, 1, 2}},
      {{"stVal", "q", "f"}, {"f", "stVal", "q"}, {2, 0, 1}},
      {{"stVal", "q", "f"}, {"q", "q"}, {-1, 1}},  // the place of q is taken by the one there
      {{"q", "stVal", "q"}, {"q", "q"}, {0, 2}},   // an attribute that is a member twice
      // stVal of another bType keeps its place (its type changed); x is gone
      {{"stVal", "q", "f"}, {"stVal:Quality", "x", "q"}, {0, -1, 1}},
      {{"stVal", "q", "f"}, {"t", "stVal", "q", "f"}, {-1, 0, 1, 2}},  // more stored than members
      {{"stVal"}, {}, {}},
  };
  for (const Case& c : cases) {
    const auto device = test::Make_Device("IED1", "a.icd", c.data_set);
    const TIEC_DataSet& ds = *Data_Set(*device, "IED1LD0/LLN0.DS1");
    std::vector<std::string> texts;  // reference and bType of each stored member
    for (const std::string& entry : c.stored) {
      const std::string name = entry.substr(0, entry.find(':'));
      const TIEC_DA* da = test::Attribute(*device, "IED1LD0/LLN0.Mod." + name);
      const std::string reference = da ? da->Reference() : "IED1LD0/MMXU1.TotW.mag." + name;
      const std::string bType = entry.find(':') != std::string::npos
                                    ? entry.substr(entry.find(':') + 1)
                                : da ? da->bType()
                                     : "FLOAT32";
      texts.push_back(reference);
      texts.push_back(bType);
    }
    std::vector<Stored_Member_Key> stored;
    for (size_t k = 0; k < c.stored.size(); ++k) stored.push_back({texts[2 * k + 1], texts[2 * k]});
    std::vector<int> places;
    for (const auto& place : Stored_Member_Places(ds, stored))
      places.push_back(place ? static_cast<int>(place->place) : -1);
    EXPECT_EQ(places, c.places) << ::testing::PrintToString(c.stored);
  }
}

TEST(Catalog_File_History, Keeps_The_Last_Three_Replaced_Files) {
  test::Temp_Dir dir;
  test::Write(dir / "x.icd.notes.bak", "unrelated");
  test::Write(dir / "y.icd.1.bak", "another file's copy");
  Replace_Catalog_File(dir.path(), "x.icd", "v1", test::English());
  EXPECT_FALSE(util::File_Exists(dir / "x.icd.1.bak"));  // nothing was replaced
  for (const char* content : {"v2", "v3", "v4", "v5"})
    Replace_Catalog_File(dir.path(), "x.icd", content, test::English());

  EXPECT_EQ(test::Read(dir / "x.icd"), "v5");
  EXPECT_FALSE(util::File_Exists(dir / "x.icd.1.bak"));
  EXPECT_EQ(test::Read(dir / "x.icd.2.bak"), "v2");
  EXPECT_EQ(test::Read(dir / "x.icd.3.bak"), "v3");
  EXPECT_EQ(test::Read(dir / "x.icd.4.bak"), "v4");
  EXPECT_EQ(test::Read(dir / "x.icd.notes.bak"), "unrelated");
  EXPECT_EQ(test::Read(dir / "y.icd.1.bak"), "another file's copy");
  std::vector<std::string> names = util::List_Folder(dir.path());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"x.icd", "x.icd.2.bak", "x.icd.3.bak", "x.icd.4.bak",
                                             "x.icd.notes.bak", "y.icd.1.bak"}));
}

TEST(Catalog_File_History, Writes_Nothing_Outside_The_Catalog) {
  test::Temp_Dir dir;
  util::Force_Dirs(dir / "ICD_Catalog");
  for (const char* name : {"../x.icd", "", "..", "a/b.icd"}) {
    EXPECT_THROW(Replace_Catalog_File(dir / "ICD_Catalog", name, "v", test::English()),
                 util::File_Error)
        << name;
  }
  EXPECT_TRUE(util::List_Folder(dir.path()) == std::vector<std::string>{"ICD_Catalog"});
  // The refusal is worded by the table the caller gives.
  lang::Lang_Strings texts = test::English();
  lang::Apply_Lang_Text(texts, "STR" + std::to_string(access_strings::Text_Not_Catalog_Name) +
                                   " = \" ist kein Dateiname.");
  try {
    Write_Catalog_File(dir / "ICD_Catalog", "a/b.icd", "v", texts);
    ADD_FAILURE() << "a name with a folder was written";
  } catch (const util::File_Error& e) {
    EXPECT_STREQ(e.what(), "\"a/b.icd\" ist kein Dateiname.");
  }

  // A catalog folder that is a link out of its configuration is not written through.
  test::Temp_Dir outside;
  test::Write(outside / "x.icd", "old");
  util::Force_Dirs(dir / "conf");
  if (!test::Make_Folder_Link(outside.path(), dir / "conf/ICD_Catalog"))
    GTEST_SKIP() << "no folder links here";
  EXPECT_THROW(Replace_Catalog_File(dir / "conf/ICD_Catalog", "x.icd", "new", test::English()),
               util::File_Error);
  // Nor by the history's writes or the restoring of the catalog as the opening found it, when
  // the link is swapped in after the folder was read.
  EXPECT_THROW(Write_Catalog_File(dir / "conf/ICD_Catalog", "x.icd", "new", test::English()),
               util::File_Error);
  util::Force_Dirs(dir / "real/ICD_Catalog");
  test::Write(dir / "real/ICD_Catalog/x.icd", "opening");
  const Catalog_Snapshot snapshot = Take_Catalog_Snapshot(dir / "real/ICD_Catalog", "x.icd");
  std::filesystem::rename(std::filesystem::path(dir / "real/ICD_Catalog"),
                          std::filesystem::path(dir / "real/kept"));
  ASSERT_TRUE(test::Make_Folder_Link(outside.path(), dir / "real/ICD_Catalog"));
  EXPECT_THROW(Restore_Catalog_Snapshot(snapshot, test::English()), util::File_Error);
  EXPECT_EQ(util::List_Folder(outside.path()), std::vector<std::string>{"x.icd"});
  EXPECT_EQ(test::Read(outside / "x.icd"), "old");
}

}  // namespace
