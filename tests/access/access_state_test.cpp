#include "access/access_state.h"

#include <gtest/gtest.h>

#include "access/access_test_models.h"

namespace {

using namespace UIEC_61850_Access;
using UIEC_Client_Decode::TIEC_DO;

TIEC_DA* Leaf(TIEC_Device& device, int ln, const char* object, const char* attribute) {
  TIEC_DO* data_object = device.List_LDevice[0]->List_LN[ln]->Find_DO(object);
  return data_object->Find_DA(attribute);
}

TIEC_DataSet* Data_Set(TIEC_Device& device, int n) {
  return device.List_LDevice[0]->List_LN[0]->List_DataSet[n];
}

// Two servers loaded, nothing selected.
struct Access_State_Edits : ::testing::Test {
  Access_State state;
  void SetUp() override {
    state.List_IEC_Dev.push_back(test::Make_Device("IED1", "a.icd"));
    state.List_IEC_Dev.push_back(test::Make_Device("IED2", "b.icd"));
  }
  TIEC_Device& Dev(int i) { return *state.List_IEC_Dev[i]; }
  void Add_DA_Row(int server, const char* index_text = nullptr) {
    state.Selected_IEC_DA = Leaf(Dev(server), 0, "Mod", "stVal");
    ASSERT_EQ(state.Add_Var(server), Access_State::Added::Variable);
    state.Clear_Selection();
    if (index_text) state.ACG_DA.Set_Cell(state.ACG_DA.Row_Count() - 1, DA_Col::Index, index_text);
  }
  void Add_DS_Row(int server, int n = 0) {
    state.Selected_IEC_DS = Data_Set(Dev(server), n);
    ASSERT_EQ(state.Add_Var(server), Access_State::Added::DataSet);
    state.Clear_Selection();
  }
};

TEST_F(Access_State_Edits, Add_Var_With_Nothing_Selected_Adds_Nothing) {
  EXPECT_EQ(state.Add_Var(0), Access_State::Added::Nothing);
  EXPECT_TRUE(state.ACG_DA.Counts_As_Empty());
  EXPECT_TRUE(state.ACG_DataSet.Counts_As_Empty());
  EXPECT_EQ(state.ACG_DA.Row_Count(), 1);
}

TEST_F(Access_State_Edits, Add_Var_Fills_The_Empty_Row_Then_Appends) {
  state.ACG_DA.Set_Cell(0, DA_Col::IPAddress, "typed before");
  state.Selected_IEC_DA = Leaf(Dev(1), 1, "TotW", "f");
  ASSERT_EQ(state.Add_Var(1), Access_State::Added::Variable);
  const Row expected = {
      "1", "1", "FLOAT32", "MX", "IED2LD0/MMXU1.TotW.mag.f", "", "", "N", "N", "N", "", "", "",
      "",  "",  "",        ""};
  EXPECT_EQ(state.ACG_DA.Get_Row(0), expected);
  ASSERT_EQ(state.Add_Var(1), Access_State::Added::Variable);
  ASSERT_EQ(state.ACG_DA.Row_Count(), 2);
  EXPECT_EQ(state.ACG_DA.Cell(1, DA_Col::N), "2");
  EXPECT_EQ(state.ACG_DataSet.Row_Count(), 1);
}

TEST_F(Access_State_Edits, Add_Var_Of_Data_Set_Creates_Row_And_Record_With_Every_Member) {
  Add_DS_Row(0, 1);  // DS2: no GOOSE
  Add_DS_Row(1, 0);  // DS1 of IED2, published as gcb1
  ASSERT_EQ(state.ACG_DataSet.Row_Count(), 2);
  ASSERT_EQ(state.List_DataSet.size(), 2u);
  EXPECT_EQ(state.ACG_DataSet.Get_Row(0),
            (Row{"1", "0", "IED1LD0/LLN0.DS2", "", "N", "", "", "", ""}));
  EXPECT_EQ(state.ACG_DataSet.Get_Row(1),
            (Row{"2", "1", "IED2LD0/LLN0.DS1", "gcb1", "Y", "", "", "", ""}));
  const TDataSet& record = state.List_DataSet[1];
  EXPECT_EQ(record.Select_DataSet, Data_Set(Dev(1), 0));
  ASSERT_EQ(record.List_DAs.size(), 3u);
  EXPECT_EQ(record.List_DAs[2].Select_DA, Leaf(Dev(1), 1, "TotW", "f"));
  EXPECT_EQ(record.List_DAs[2].Position, "");
  EXPECT_TRUE(state.ACG_DA.Counts_As_Empty());
}

TEST_F(Access_State_Edits, Removing_Variable_Rows) {
  Add_DA_Row(0);
  state.Remove_Variable_Row(0);
  Row emptied(DA_Col::Count);
  emptied[0] = std::to_string(1);
  EXPECT_EQ(state.ACG_DA.Get_Row(0), emptied);
  for (int i = 0; i < 3; ++i) Add_DA_Row(0, std::to_string(10 + i).c_str());
  state.Remove_Variable_Row(1);
  ASSERT_EQ(state.ACG_DA.Row_Count(), 2);
  EXPECT_EQ(state.ACG_DA.Cell(1, DA_Col::N), "2");
  EXPECT_EQ(state.ACG_DA.Cell(1, DA_Col::Index), "12");
  state.Remove_Variable_Row(5);  // no such row
  EXPECT_EQ(state.ACG_DA.Row_Count(), 2);
}

TEST_F(Access_State_Edits, Removing_Data_Set_Rows_Keeps_Records_In_Step) {
  Add_DS_Row(0, 0);
  Add_DS_Row(0, 1);
  Add_DS_Row(1, 0);
  state.Remove_DataSet_Row(1);
  ASSERT_EQ(state.List_DataSet.size(), 2u);
  EXPECT_EQ(state.List_DataSet[1].Select_DataSet, Data_Set(Dev(1), 0));
  EXPECT_EQ(state.ACG_DataSet.Cell(1, DS_Col::N), "2");
  state.Remove_DataSet_Row(0);
  state.Remove_DataSet_Row(0);
  EXPECT_TRUE(state.ACG_DataSet.Counts_As_Empty());
  ASSERT_EQ(state.List_DataSet.size(), 1u);
  EXPECT_EQ(state.List_DataSet[0].Select_DataSet, nullptr);
  EXPECT_TRUE(state.List_DataSet[0].List_DAs.empty());
}

TEST_F(Access_State_Edits, Member_Edits_Go_Only_Into_The_Shown_Record) {
  Add_DS_Row(0, 0);
  Add_DS_Row(1, 0);
  const std::vector<Row> rows = state.Show_DataSet_DAs(2);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[1], (Row{"2", "Quality", "IED2LD0/LLN0.Mod.q", "", "", "", "", ""}));
  EXPECT_TRUE(state.Store_Member_Text(1, Var_Col::Position, "17"));
  EXPECT_TRUE(state.Store_Member_Text(1, Var_Col::StartBit, "3"));
  EXPECT_TRUE(state.Store_Member_Text(1, Var_Col::Convertion, "ItoF/FtoI"));
  EXPECT_TRUE(state.Store_Member_Text(1, Var_Col::MultFact, "0,1"));
  EXPECT_TRUE(state.Store_Member_Text(1, Var_Col::Mnemonic, "m"));
  EXPECT_FALSE(state.Store_Member_Text(1, Var_Col::Reference, "x"));
  const TDataSet_DA& member = state.List_DataSet[1].List_DAs[1];
  EXPECT_EQ(
      member.Position + member.bitAddress + member.conversion + member.multFactor + member.Mnemonic,
      "173ItoF/FtoI0,1m");
  EXPECT_EQ(state.Show_DataSet_DAs(2)[1][Var_Col::Position], "17");

  // Once the shown row is gone nothing lands in the record that moved into its place.
  state.Remove_DataSet_Row(0);
  EXPECT_FALSE(state.Store_Member_Text(0, Var_Col::Position, "99"));
  EXPECT_EQ(state.List_DataSet[0].List_DAs[0].Position, "");

  // A row without members shows one empty row and takes no edits.
  const std::vector<Row> none = state.Show_DataSet_DAs(5);
  ASSERT_EQ(none.size(), 1u);
  EXPECT_EQ(none[0][0], "1");
  EXPECT_EQ(none[0][1], "");
  EXPECT_FALSE(state.Store_Member_Text(0, Var_Col::Position, "1"));
}

TEST_F(Access_State_Edits, Removing_A_Server_Renumbers_Later_Rows) {
  state.List_IEC_Dev.push_back(test::Make_Device("IED3", "c.icd"));
  Add_DA_Row(1);
  Add_DA_Row(2);
  Add_DA_Row(2, "abc");
  Add_DS_Row(2, 0);
  state.Selected_IEC_DA = Leaf(Dev(2), 0, "Mod", "q");
  state.Selected_IEC_DS = Data_Set(Dev(2), 1);
  ASSERT_TRUE(state.Remove_Server(0));
  ASSERT_EQ(state.List_IEC_Dev.size(), 2u);
  EXPECT_EQ(state.List_IEC_Dev[0]->Name(), "IED2");
  EXPECT_EQ(state.ACG_DA.Cell(0, DA_Col::Index), "0");
  EXPECT_EQ(state.ACG_DA.Cell(1, DA_Col::Index), "1");
  EXPECT_EQ(state.ACG_DA.Cell(2, DA_Col::Index), "abc");
  EXPECT_EQ(state.ACG_DataSet.Cell(0, DS_Col::Index), "1");
  EXPECT_EQ(state.Selected_IEC_DA, nullptr);
  EXPECT_EQ(state.Selected_IEC_DS, nullptr);
  EXPECT_FALSE(state.Remove_Server(7));
}

TEST_F(Access_State_Edits, A_Server_Still_Referred_To_Is_Kept) {
  struct Case {
    const char* what;
    void (*fill)(Access_State_Edits&);
  };
  const Case cases[] = {
      {"variable row", [](Access_State_Edits& t) { t.Add_DA_Row(1); }},
      {"variable row in hexadecimal", [](Access_State_Edits& t) { t.Add_DA_Row(0, "0x1"); }},
      {"data set row", [](Access_State_Edits& t) { t.Add_DS_Row(1); }},
      // The record still points into server 1 although its row's "Index" was edited.
      {"data set record",
       [](Access_State_Edits& t) {
         t.Add_DS_Row(1);
         t.state.ACG_DataSet.Set_Cell(0, DS_Col::Index, "0");
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    state.Reset();
    SetUp();
    c.fill(*this);
    EXPECT_TRUE(state.Server_In_Use(1));
    EXPECT_FALSE(state.Remove_Server(1));
    EXPECT_EQ(state.List_IEC_Dev.size(), 2u);
  }
}

TEST_F(Access_State_Edits, Tree_Objects_Select_Leaves_And_Data_Sets_Only) {
  TIEC_DA* leaf = Leaf(Dev(0), 1, "TotW", "f");
  TIEC_DA* structure = Leaf(Dev(0), 1, "TotW", "mag");
  TIEC_Object* data_object = Dev(0).List_LDevice[0]->List_LN[0]->List_DO[0];
  const struct {
    TIEC_Object* object;
    TIEC_DA* da;
    TIEC_DataSet* data_set;
  } cases[] = {{leaf, leaf, nullptr},
               {structure, nullptr, nullptr},
               {Data_Set(Dev(0), 1), nullptr, Data_Set(Dev(0), 1)},
               {data_object, nullptr, nullptr},
               {&Dev(0), nullptr, nullptr},
               {nullptr, nullptr, nullptr}};
  for (const auto& c : cases) {
    state.Selected_IEC_DA = leaf;  // an earlier selection never survives
    state.Select_Object(c.object);
    EXPECT_EQ(state.Selected_IEC_DA, c.da);
    EXPECT_EQ(state.Selected_IEC_DS, c.data_set);
  }
}

TEST_F(Access_State_Edits, Get_Data_Set_Looks_Only_In_The_Named_Server) {
  EXPECT_EQ(state.Get_DataSet(1, "IED2LD0/LLN0.DS2"), Data_Set(Dev(1), 1));
  EXPECT_EQ(state.Get_DataSet(0, "IED2LD0/LLN0.DS2"), nullptr);
  EXPECT_EQ(state.Get_DataSet(2, "IED2LD0/LLN0.DS2"), nullptr);
  EXPECT_EQ(state.Get_DataSet(-1, "IED1LD0/LLN0.DS2"), nullptr);
  EXPECT_EQ(state.Get_DataSet(0, "IED1LD0/LLN0.ds2"), nullptr);
}

}  // namespace

TEST(Series_Texts, Counts_Numbers_And_Trailing_Numbers) {
  using Texts = std::vector<std::string>;
  const struct {
    std::string top;
    std::optional<Texts> texts;
  } cases[] = {
      {"5", Texts{"5", "6", "7"}},
      {" -1", Texts{" -1", "0", "1"}},
      {"0x10", Texts{"0x10", "17", "18"}},  // the integer text rule; counted in decimal
      {"2147483647", Texts{"2147483647", "2147483648", "2147483649"}},
      {"P7", Texts{"P7", "P8", "P9"}},
      {"P08", Texts{"P08", "P09", "P10"}},
      {"Pump 99", Texts{"Pump 99", "Pump 100", "Pump 101"}},
      {"192.168.1.10", Texts{"192.168.1.10", "192.168.1.11", "192.168.1.12"}},
      {"1.5", std::nullopt},  // decimal numbers do not count
      {"-1,5", std::nullopt},
      {".5", std::nullopt},
      {"abc", std::nullopt},
      {"", std::nullopt},
      {"P1234567890123456789", std::nullopt},  // more digits than can be counted
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.top);
    EXPECT_EQ(Series_Texts(c.top, 3), c.texts);
  }
}

// A step's change taken back and forth; a server it removed lives exactly as long as the step.
TEST_F(Access_State_Edits, A_Change_Undoes_And_Redoes_Rows_Records_And_Servers) {
  Add_DA_Row(0);
  Add_DS_Row(1);
  std::weak_ptr<TIEC_Device> third;
  {
    const Access_Snapshot opening = Take_Snapshot(state);
    // One step: a row added, a typed cell, a row removed, a data set added, a member edited, a
    // server added and removed again.
    Add_DA_Row(1);
    state.ACG_DA.Set_Cell(0, DA_Col::Mnemonic, "pump");
    state.Remove_Variable_Row(1);
    Add_DS_Row(0, 1);
    state.Show_DataSet_DAs(2);
    ASSERT_TRUE(state.Store_Member_Text(0, Var_Col::Position, "7"));
    state.List_IEC_Dev.push_back(test::Make_Device("IED3", "c.icd"));
    third = state.List_IEC_Dev[2];
    ASSERT_TRUE(state.Remove_Server(2));
    const Access_Snapshot after = Take_Snapshot(state);
    const Access_Change change(opening, after);
    ASSERT_FALSE(change.Empty());
    EXPECT_TRUE(Access_Change(after, after).Empty());

    change.Undo(state);
    EXPECT_EQ(state.ACG_DA.Rows(), opening.Variables);
    EXPECT_EQ(state.ACG_DataSet.Rows(), opening.DataSets);
    EXPECT_EQ(state.List_DataSet, opening.Records);
    EXPECT_EQ(state.List_IEC_Dev, opening.Servers);
    EXPECT_EQ(state.DataSet_Row_Select, 0);
    change.Redo(state);
    EXPECT_EQ(state.ACG_DA.Rows(), after.Variables);
    EXPECT_EQ(state.ACG_DataSet.Rows(), after.DataSets);
    EXPECT_EQ(state.List_DataSet, after.Records);
    EXPECT_EQ(state.List_IEC_Dev, after.Servers);
  }
  EXPECT_TRUE(third.expired());  // never part of a step's before or after

  std::weak_ptr<TIEC_Device> second = state.List_IEC_Dev[1];
  state.Remove_DataSet_Row(0);
  state.Remove_DataSet_Row(0);
  auto removal = [this] {
    const Access_Snapshot before = Take_Snapshot(state);
    EXPECT_TRUE(state.Remove_Server(1));
    return std::make_unique<Access_Change>(before, Take_Snapshot(state));
  }();
  EXPECT_FALSE(second.expired());
  removal->Undo(state);
  EXPECT_EQ(state.List_IEC_Dev.at(1), second.lock());
  removal->Redo(state);
  EXPECT_EQ(state.List_IEC_Dev.size(), 1u);
  removal.reset();
  EXPECT_TRUE(second.expired());
}
