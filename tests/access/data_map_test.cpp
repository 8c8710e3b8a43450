#include "access/data_map.h"

#include <gtest/gtest.h>

#include "access/access_test_models.h"
#include "access/client_file.h"
#include "util/files.h"
#include "util/text.h"

namespace {

using namespace UIEC_61850_Access;

std::string Fixture() {
  return test::Data_Dir() + "/access/fixtures/data_map/IEC_61850_Client.xml";
}

std::vector<std::string> Names(const Data_Map& map, const std::vector<size_t>& indices) {
  std::vector<std::string> names;
  for (size_t i : indices) names.push_back(Entry_Name(map.Entries[i], test::English()));
  return names;
}

// One server; variable rows and the data sets DS1 (stVal, q, f) and DS2 (stVal) with positions
// set by the tests.
struct Data_Map_State : ::testing::Test {
  Access_State state;
  void SetUp() override { state.List_IEC_Dev.push_back(test::Make_Device("IED1", "a.icd")); }
  TIEC_Device& Dev() { return *state.List_IEC_Dev[0]; }
  // Adds a variable row for Mod.<attribute> with `position` and `start_bit`.
  void Variable(const char* attribute, const std::string& position,
                const std::string& start_bit = "") {
    state.Selected_IEC_DA = Dev().List_LDevice[0]->List_LN[0]->Find_DO("Mod")->Find_DA(attribute);
    ASSERT_EQ(state.Add_Var(0), Access_State::Added::Variable);
    const int row = state.ACG_DA.Row_Count() - 1;
    state.ACG_DA.Set_Cell(row, DA_Col::Position, position);
    state.ACG_DA.Set_Cell(row, DA_Col::StartBit, start_bit);
    state.Clear_Selection();
  }
  void Data_Set(int n, const std::vector<std::string>& positions) {
    state.Selected_IEC_DS = Dev().List_LDevice[0]->List_LN[0]->List_DataSet[n];
    ASSERT_EQ(state.Add_Var(0), Access_State::Added::DataSet);
    auto& members = state.List_DataSet.back().List_DAs;
    for (size_t k = 0; k < positions.size() && k < members.size(); ++k)
      members[k].Position = positions[k];
    state.Clear_Selection();
  }
  const std::string& Position(int row) { return state.ACG_DA.Cell(row - 1, DA_Col::Position); }
  const TDataSet_DA& Member(int row, int member) {
    return state.List_DataSet[row - 1].List_DAs[member - 1];
  }
};

TEST(Data_Map, From_Client_File) {
  const Data_Map map = Read_Data_Map(Fixture(), test::English());
  // Variable row 4 has no bType and is left out; then the four members.
  EXPECT_EQ(Names(map,
                  [&] {
                    std::vector<size_t> all(map.Entries.size());
                    for (size_t i = 0; i < all.size(); ++i) all[i] = i;
                    return all;
                  }()),
            (std::vector<std::string>{"row 1", "row 2", "row 3", "row 5", "row 6", "row 7",
                                      "data set 1 member 1", "data set 1 member 2",
                                      "data set 2 member 1", "data set 2 member 2"}));

  // Same position with another start bit is no conflict; " 12" reads as 12.
  ASSERT_EQ(map.Conflicts.size(), 1u);
  EXPECT_EQ(Conflict_Line(map, map.Conflicts[0], test::English()),
            "position 12 bit 0: row 3, data set 2 member 2");
  EXPECT_EQ(Names(map, map.Unplaced), (std::vector<std::string>{"row 5", "row 6"}));
  EXPECT_EQ(map.Used, 6);  // 5, 12, 1399, 20, 21, 30
  EXPECT_EQ(map.Free(), 1394);

  // An empty or unreadable start bit counts as 0; a member carries its data set's server.
  const Map_Entry& last = map.Entries[5];
  EXPECT_EQ(last.Position, 1399);
  EXPECT_EQ(last.Start_Bit, 0);
  const Map_Entry& q = map.Entries[9];
  EXPECT_EQ(q.Kind, Map_Kind::Member);
  EXPECT_EQ(q.Index, "1");
  EXPECT_EQ(q.DataSet_Reference, "IED2LD0/LLN0.DS2");
  EXPECT_EQ(q.Reference, "IED2LD0/LLN0.Mod.q");
  EXPECT_EQ(q.IPAddress, "127.0.0.2");
  EXPECT_EQ(q.Port, "103");
  EXPECT_EQ(q.fc, "");
  EXPECT_EQ(q.ReadWrite, "");
  EXPECT_EQ(map.Entries[7].Start_Bit, 0);  // "x"

  const std::vector<size_t> order = Map_Display_Order(map);
  EXPECT_EQ(Names(map, order),
            (std::vector<std::string>{"row 1", "row 2", "row 3", "data set 2 member 2",
                                      "data set 1 member 1", "data set 1 member 2",
                                      "data set 2 member 1", "row 7", "row 5", "row 6"}));
}

TEST(Data_Map, Broken_Client_Files) {
  EXPECT_THROW(Data_Map_From_Xml("<IEC_68850_Client>", "f", test::English()), Client_File_Error);
  EXPECT_THROW(Data_Map_From_Xml("<Other/>", "f", test::English()), Client_File_Error);
  EXPECT_THROW(Data_Map_From_Xml("<IEC_68850_Client/>", "f", test::English()), Client_File_Error);
  EXPECT_THROW(Read_Data_Map(test::Data_Dir() + "/no such file.xml", test::English()),
               util::File_Error);
  // Without data sets the variables still count.
  const Data_Map map = Data_Map_From_Xml(
      "<IEC_68850_Client><List_DA_Selected><DA_Item bType=\"X\" Position=\"7\"/>"
      "</List_DA_Selected></IEC_68850_Client>",
      "f", test::English());
  ASSERT_EQ(map.Entries.size(), 1u);
  EXPECT_EQ(map.Entries[0].Position, 7);
}

TEST_F(Data_Map_State, Editor_And_Saved_File_Give_The_Same_Map) {
  Variable("stVal", "7", "2");
  Variable("q", "0x10");
  Data_Set(0, {"7", "16", ""});
  state.List_DataSet[0].List_DAs[0].bitAddress = "2";
  Data_Set(1, {"-1"});
  const Data_Map edited = Build_Data_Map(state);
  const Data_Map saved = Data_Map_From_Xml(Client_Xml(state), "saved", test::English());
  EXPECT_EQ(Data_Map_Csv(edited), Data_Map_Csv(saved));
  ASSERT_EQ(edited.Conflicts.size(), 2u);
  EXPECT_EQ(Conflict_List(edited, test::English()),
            "position 7 bit 2: row 1, data set 1 member 1\n"
            "position 16 bit 0: row 2, data set 1 member 2\n");
  EXPECT_EQ(Conflict_List(edited, test::English(), 1),
            "position 7 bit 2: row 1, data set 1 member 1\n"
            "... and more conflicts: 1\n");
  EXPECT_EQ(Names(edited, edited.Unplaced),
            (std::vector<std::string>{"data set 1 member 3", "data set 2 member 1"}));
  EXPECT_EQ(edited.Entries[2].Reference, "IED1LD0/LLN0.Mod.stVal");
  EXPECT_EQ(edited.Entries[2].bType, "Enum");
}

TEST_F(Data_Map_State, Auto_Position_Takes_The_Lowest_Free_Places) {
  Variable("stVal", "0");
  Variable("q", "");
  Variable("t", "abc");
  Data_Set(0, {"1", " ", "3"});
  state.ACG_DA.Set_Cell(1, DA_Col::StartBit, "5");
  const Auto_Position_Result result = Auto_Position(state, {{Map_Kind::Variable, 2, 0},
                                                            {Map_Kind::Variable, 3, 0},
                                                            {Map_Kind::Member, 1, 2},
                                                            {Map_Kind::Member, 1, 1},
                                                            {Map_Kind::Member, 9, 1},
                                                            {Map_Kind::Variable, 2, 0}});
  EXPECT_EQ(result.Assigned, 2);
  EXPECT_EQ(result.No_Room, 0);
  EXPECT_EQ(Position(2), "2");
  EXPECT_EQ(state.ACG_DA.Cell(1, DA_Col::StartBit), "0");
  EXPECT_EQ(Position(3), "abc");  // not empty: left alone
  EXPECT_EQ(Member(1, 2).Position, "4");
  EXPECT_EQ(Member(1, 2).bitAddress, "0");
  EXPECT_EQ(Member(1, 1).Position, "1");
  EXPECT_TRUE(Build_Data_Map(state).Conflicts.empty());
}

TEST_F(Data_Map_State, Auto_Position_From_A_First_Position) {
  Variable("stVal", "");
  Variable("q", "6");
  Variable("t", "");
  Data_Set(0, {"", "0", "8"});
  EXPECT_EQ(Lowest_Free_Position(Build_Data_Map(state)), 1);
  const Auto_Position_Result result = Auto_Position(
      state, {{Map_Kind::Variable, 1, 0}, {Map_Kind::Variable, 3, 0}, {Map_Kind::Member, 1, 1}}, 5);
  EXPECT_EQ(result.Assigned, 3);
  // 6 and 8 are taken; nothing below 5 is given although 1..4 are free.
  EXPECT_EQ(Position(1), "5");
  EXPECT_EQ(Position(3), "7");
  EXPECT_EQ(Member(1, 1).Position, "9");

  // From the last position on there is room for one only.
  Variable("stVal", "");
  Variable("q", "");
  const Auto_Position_Result last = Auto_Position(
      state, {{Map_Kind::Variable, 4, 0}, {Map_Kind::Variable, 5, 0}}, Data_Map_Size - 1);
  EXPECT_EQ(last.Assigned, 1);
  EXPECT_EQ(last.No_Room, 1);
  EXPECT_EQ(Position(4), std::to_string(Data_Map_Size - 1));
}

TEST_F(Data_Map_State, Auto_Position_When_Every_Place_Is_Taken) {
  Variable("stVal", "");
  Variable("q", "");
  for (int p = 0; p < Data_Map_Size - 1; ++p) {
    const int row = state.ACG_DA.Append();
    state.ACG_DA.Set_Cell(row, DA_Col::bType, "INT32");
    state.ACG_DA.Set_Cell(row, DA_Col::Position, std::to_string(p));
  }
  const Auto_Position_Result result =
      Auto_Position(state, {{Map_Kind::Variable, 1, 0}, {Map_Kind::Variable, 2, 0}});
  EXPECT_EQ(result.Assigned, 1);
  EXPECT_EQ(result.No_Room, 1);
  EXPECT_EQ(Position(1), "1399");
  EXPECT_EQ(Position(2), "");
  EXPECT_EQ(Build_Data_Map(state).Free(), 0);
}

TEST(Data_Map_Csv, Parse_Quotes_Separators_And_Lines) {
  const std::string text =
      "\xEF\xBB\xBF"
      "a,\"b,1\",\"say \"\"hi\"\"\"\r\n"
      "\"two\nlines\",,x\n"
      "last";
  const std::vector<Csv_Record> records = Parse_Csv(text, ',');
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].Fields, (std::vector<std::string>{"a", "b,1", "say \"hi\""}));
  EXPECT_EQ(records[1].Fields, (std::vector<std::string>{"two\nlines", "", "x"}));
  EXPECT_EQ(records[2].Line, 4);
  EXPECT_EQ(records[2].Fields, (std::vector<std::string>{"last"}));
  EXPECT_EQ(Guess_Csv_Separator("\xEF\xBB\xBF"
                                "Kind;Row;\"a,b,c,d\"\r\nx,y,z"),
            ';');
  EXPECT_EQ(Guess_Csv_Separator("Kind,Row;x"), ',');
}

TEST_F(Data_Map_State, Csv_Round_Trip) {
  Variable("stVal", "7", "1");
  state.ACG_DA.Set_Cell(0, DA_Col::Mnemonic, "say \"on\", then off");
  Data_Set(0, {"8", "9", ""});
  const std::string csv = Data_Map_Csv(Build_Data_Map(state));
  ASSERT_TRUE(util::Starts_With(csv,
                                "\xEF\xBB\xBF"
                                "Kind,Row,Member,Index,Data Set,Reference,bType,fc,"
                                "Position,Start Bit,R/W,Convertion,Molt Fact,Mnemonic,"
                                "IP Address,Port\r\n"));
  EXPECT_NE(csv.find("variable,1,,0,,IED1LD0/LLN0.Mod.stVal,Enum,ST,7,1,,,,"
                     "\"say \"\"on\"\", then off\",,\r\n"),
            std::string::npos);

  // The file as it comes back from a spreadsheet: two cells changed.
  std::string edited = csv;
  edited.replace(edited.find(",7,1,"), 5, ",70,3,");
  edited.replace(edited.find("Mod.q,Quality,,9,"), 17, "Mod.q,Quality,,99,");
  util::Progress stopped;  // the user's Cancel while the file is read: nothing is applied
  stopped.Cancel();
  EXPECT_THROW(Read_Data_Map_Csv(edited, state, ',', test::English(), &stopped), util::Cancelled);
  const Import_Report report = Import_Data_Map_Csv(edited, state, ',', test::English());
  EXPECT_TRUE(report.Problems.empty()) << Import_Report_Text(report, test::English());
  EXPECT_EQ(report.Updated, 4);
  EXPECT_EQ(Position(1), "70");
  EXPECT_EQ(state.ACG_DA.Cell(0, DA_Col::StartBit), "3");
  EXPECT_EQ(state.ACG_DA.Cell(0, DA_Col::Mnemonic), "say \"on\", then off");
  EXPECT_EQ(Member(1, 2).Position, "99");
  EXPECT_EQ(Member(1, 1).Position, "8");
  EXPECT_EQ(Data_Map_Csv(Build_Data_Map(state)), edited);
}

TEST_F(Data_Map_State, Csv_Import_From_A_Spreadsheet_Reports_What_It_Cannot_Take) {
  Variable("stVal", "1");
  Variable("stVal", "2");  // the same attribute twice: the line's row decides
  Data_Set(0, {"3", "4", "5"});
  const std::string csv =
      "Kind;Row;Member;Index;Data Set;Reference;Position;Start Bit;R/W;Convertion;Mnemonic\r\n"
      "variable;2;;0;;IED1LD0/LLN0.Mod.stVal;20;;Write;ItoF/FtoI;second\r\n"
      "variable;1;;0;;IED1LD0/LLN0.Mod.nothing;21;;;;\r\n"
      "variable;1;;1;;IED1LD0/LLN0.Mod.stVal;21;;;;\r\n"
      "member;1;3;0;IED1LD0/LLN0.DS1;;50;7;;None;\"f; \xFC"
      "ber\"\r\n"
      "member;1;4;0;IED1LD0/LLN0.DS1;;51;;;;\r\n"
      "member;1;1;0;IED1LD0/LLN0.DS1;IED1LD0/LLN0.Mod.q;52;;;;\r\n"
      "member;1;1;0;IED1LD0/LLN0.DS9;;53;;;;\r\n"
      "variable;1;;0;;IED1LD0/LLN0.Mod.stVal;22;8;;;\r\n"
      "variable;1;;0;;IED1LD0/LLN0.Mod.stVal;22;;read;;\r\n"
      ";;;;;;;;;;\r\n"
      "row;1;;0;;IED1LD0/LLN0.Mod.stVal;22;;;;\r\n"
      "member;1;3;0;IED1LD0/LLN0.DS1;;60;;;;\r\n";
  const Import_Report report = Import_Data_Map_Csv(csv, state, ',', test::English());
  EXPECT_EQ(report.Updated, 2);
  EXPECT_EQ(Import_Report_Text(report, test::English()),
            "These lines of the map file were not taken:\n"
            "line 3: no variable row has index \"0\" and reference \"IED1LD0/LLN0.Mod.nothing\"\n"
            "line 4: no variable row has index \"1\" and reference \"IED1LD0/LLN0.Mod.stVal\"\n"
            "line 6: the data set has no member \"4\"\n"
            "line 7: the data set has no member \"1\" with reference \"IED1LD0/LLN0.Mod.q\"\n"
            "line 8: no data set row has index \"0\" and reference \"IED1LD0/LLN0.DS9\"\n"
            "line 9: Start Bit \"8\" is not one of: 0, 1, 2, 3, 4, 5, 6, 7\n"
            "line 10: R/W \"read\" is not one of: Read, Write\n"
            "line 12: the kind is neither variable nor member: \"row\"\n"
            "line 13: an earlier line already set this entry\n");
  // Only the lines taken changed anything; columns the file lacks are left as they were.
  EXPECT_EQ(Position(1), "1");
  EXPECT_EQ(Position(2), "20");
  EXPECT_EQ(state.ACG_DA.Cell(1, DA_Col::ReadWrite), "Write");
  EXPECT_EQ(state.ACG_DA.Cell(1, DA_Col::Convertion), "ItoF/FtoI");
  EXPECT_EQ(state.ACG_DA.Cell(1, DA_Col::Mnemonic), "second");
  EXPECT_EQ(Member(1, 3).Position, "50");
  EXPECT_EQ(Member(1, 3).bitAddress, "7");
  EXPECT_EQ(Member(1, 3).Mnemonic, "f; \u00FCber");  // saved in the Windows code page
  EXPECT_EQ(Member(1, 1).Position, "3");

  // A first line naming the separator.
  const Import_Report named = Import_Data_Map_Csv(
      "sep=|\r\nKind|Index|Reference|Position\r\nvariable|0|IED1LD0/LLN0.Mod.stVal|30\r\n", state,
      ',', test::English());
  EXPECT_TRUE(named.Problems.empty()) << Import_Report_Text(named, test::English());
  EXPECT_EQ(Position(1), "30");

  try {
    Import_Data_Map_Csv("a,b\r\n1,2\r\n", state, ',', test::English());
    ADD_FAILURE() << "a file without a Kind column was taken for a map";
  } catch (const std::runtime_error& refusal) {
    EXPECT_STREQ(refusal.what(),
                 "The file has no column \"Kind\" in its first line; it is not a data map.");
  }
}

// Every value OK would refuse is refused by the import too, on variable and on member lines, and
// the line changes nothing; empty cells keep what the entry holds, blanks around values go.
TEST_F(Data_Map_State, Csv_Import_Refuses_What_Ok_Refuses) {
  Variable("stVal", "1", "2");
  state.ACG_DA.Set_Cell(0, DA_Col::ReadWrite, "Read");
  state.ACG_DA.Set_Cell(0, DA_Col::Convertion, "None");
  state.ACG_DA.Set_Cell(0, DA_Col::MoltFact, "1");
  state.ACG_DA.Set_Cell(0, DA_Col::Mnemonic, "kept");
  Data_Set(0, {"3", "4", "5"});
  for (auto& m : state.List_DataSet[0].List_DAs) {
    m.bitAddress = "1";
    m.conversion = "None";
    m.multFactor = "2";
    m.Mnemonic = "kept";
  }
  const std::string unchanged = Data_Map_Csv(Build_Data_Map(state));
  const std::string header =
      "Kind,Row,Member,Index,Data Set,Reference,Position,Start Bit,R/W,Convertion,Molt Fact,"
      "Mnemonic\r\n";
  const std::string variable = "variable,1,,0,,IED1LD0/LLN0.Mod.stVal,";
  const std::string member = "member,1,2,0,IED1LD0/LLN0.DS1,,";
  const struct {
    std::string line;  // after the header, so on line 2
    std::string report;
  } cases[] = {
      {variable + "1400,,,,,", "Position \"1400\" is not an integer from 0 to 1399"},
      {variable + "abc,,,,,", "Position \"abc\" is not an integer from 0 to 1399"},
      {variable + "65536,,,,,", "Position \"65536\" is not an integer from 0 to 1399"},
      {variable + "-1,,,,,", "Position \"-1\" is not an integer from 0 to 1399"},
      {variable + ",8,,,,", "Start Bit \"8\" is not one of: 0, 1, 2, 3, 4, 5, 6, 7"},
      {variable + ",,write,,,", "R/W \"write\" is not one of: Read, Write"},
      {variable + ",,,ItoF,,", "Convertion \"ItoF\" is not one of: None, ItoF/FtoI"},
      {variable + ",,,,x1,", "Molt Fact \"x1\" is neither a number nor NONE"},
      {variable + "1400,9,,,x1,new",
       "Position \"1400\" is not an integer from 0 to 1399; Start Bit \"9\" is not one of: 0, 1, "
       "2, 3, 4, 5, 6, 7; Molt Fact \"x1\" is neither a number nor NONE"},
      {member + "1400,,,,,", "Position \"1400\" is not an integer from 0 to 1399"},
      {member + "abc,,,,,", "Position \"abc\" is not an integer from 0 to 1399"},
      {member + "65536,,,,,", "Position \"65536\" is not an integer from 0 to 1399"},
      {member + ",x,,,,", "Start Bit \"x\" is not one of: 0, 1, 2, 3, 4, 5, 6, 7"},
      {member + ",,,none,,", "Convertion \"none\" is not one of: None, ItoF/FtoI"},
      {member + ",,,,x1,new", "Molt Fact \"x1\" is neither a number nor NONE"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const Import_Report report =
        Import_Data_Map_Csv(header + c.line + "\r\n", state, ',', test::English());
    EXPECT_EQ(report.Updated, 0);
    EXPECT_EQ(report.Problems, std::vector<std::string>{"line 2: " + c.report});
    EXPECT_EQ(Data_Map_Csv(Build_Data_Map(state)), unchanged);
  }

  // Empty cells keep the values; blanks around the values are dropped.
  const Import_Report report = Import_Data_Map_Csv(
      header + variable + " 42 ,,,,,\r\n" + member + ",\t6 , Write ,ItoF/FtoI , none,\r\n" +
          "member,1,3,0,IED1LD0/LLN0.DS1,,,,,,-1.5 ,\r\n",
      state, ',', test::English());
  EXPECT_TRUE(report.Problems.empty()) << Import_Report_Text(report, test::English());
  EXPECT_EQ(report.Updated, 3);
  const Row& row = state.ACG_DA.Get_Row(0);
  EXPECT_EQ(row[DA_Col::Position], "42");
  EXPECT_EQ(row[DA_Col::StartBit], "2");
  EXPECT_EQ(row[DA_Col::ReadWrite], "Read");
  EXPECT_EQ(row[DA_Col::Convertion], "None");
  EXPECT_EQ(row[DA_Col::MoltFact], "1");
  EXPECT_EQ(row[DA_Col::Mnemonic], "kept");
  EXPECT_EQ(Member(1, 2).Position, "4");
  EXPECT_EQ(Member(1, 2).bitAddress, "6");
  EXPECT_EQ(Member(1, 2).conversion, "ItoF/FtoI");
  EXPECT_EQ(Member(1, 2).multFactor, "none");
  EXPECT_EQ(Member(1, 2).Mnemonic, "kept");
  EXPECT_EQ(Member(1, 3).multFactor, "-1.5");
  EXPECT_EQ(Member(1, 3).Position, "5");
}

// A hostile file gives a short report quickly: quoted texts are cut, and only so many lines are
// listed, with the count of the rest.
TEST_F(Data_Map_State, Csv_Import_Report_Stays_Short) {
  Variable("stVal", "1");
  const std::string header = "Kind,Index,Reference,Position\r\n";
  // A 5 MB field of quotes as the reference.
  const std::string quotes = "\"" + std::string(5'000'000, '"') + "\"";
  Import_Report report =
      Import_Data_Map_Csv(header + "variable,0," + quotes + ",1\r\n", state, ',', test::English());
  ASSERT_EQ(report.Problems.size(), 1u);
  EXPECT_EQ(report.Problems[0], "line 2: no variable row has index \"0\" and reference \"" +
                                    std::string(60, '"') + "\u2026\"");

  // Texts are cut between characters, never inside one.
  std::string long_kind;
  for (int i = 0; i < 100; ++i) long_kind += "\u00FC";
  report = Import_Data_Map_Csv(header + long_kind + ",0,x,1\r\n", state, ',', test::English());
  ASSERT_EQ(report.Problems.size(), 1u);
  EXPECT_EQ(report.Problems[0], "line 2: the kind is neither variable nor member: \"" +
                                    long_kind.substr(0, 120) + "\u2026\"");

  std::string many = header;
  for (int i = 0; i < 10'000; ++i) many += "variable,0,none," + std::string(1000, 'x') + "\r\n";
  report = Import_Data_Map_Csv(many, state, ',', test::English());
  EXPECT_EQ(report.Problems.size(), Import_Report_Lines);
  EXPECT_EQ(report.Problems_Not_Listed, 10'000 - Import_Report_Lines);
  const std::string text = Import_Report_Text(report, test::English());
  EXPECT_LT(text.size(), 10'000u);
  const std::string end =
      "line 51: no variable row has index \"0\" and reference \"none\"\n"
      "... and more lines: 9950\n";
  EXPECT_EQ(text.substr(text.size() - std::min(text.size(), end.size())), end) << text;
  EXPECT_EQ(Position(1), "1");
}

// Texts a spreadsheet would run as formulas are written with a leading apostrophe; the import
// takes it away again, so export and import give back every text exactly.
TEST_F(Data_Map_State, Csv_Formula_Texts_Round_Trip) {
  const std::vector<std::string> texts = {
      "=cmd|' /C calc'!A0", "+1+2", "-A1", "@SUM(A1)", "\tx", "\rx", "'=kept", "'", "''", "=",
      // Full-width signs, and signs after blanks a spreadsheet skips.
      "\xEF\xBC\x9D"
      "1+1",
      "\xEF\xBC\x8B"
      "1",
      "\xEF\xBC\x8D"
      "1",
      "\xEF\xBC\xA0"
      "A",
      " =1", "\xC2\xA0=1",
      "\xE2\x80\x8B"
      "=1",
      "\v=1", "\f@A", "\n-1x", "'\xEF\xBC\x9D", "a=1", " -1"};
  for (size_t i = 0; i < texts.size(); ++i) Variable("stVal", std::to_string(i));
  Data_Set(0, {"20", "21", "22"});
  for (size_t i = 0; i < texts.size(); ++i)
    state.ACG_DA.Set_Cell(static_cast<int>(i), DA_Col::Mnemonic, texts[i]);
  state.ACG_DA.Set_Cell(0, DA_Col::MoltFact, "-1.5");
  state.ACG_DA.Set_Cell(1, DA_Col::MoltFact, "+2,5");
  state.ACG_DA.Set_Cell(2, DA_Col::MoltFact, "-1e3");
  state.List_DataSet[0].List_DAs[0].Mnemonic = "=1+1";
  state.List_DataSet[0].List_DAs[1].multFactor = "-0.5";
  const std::string csv = Data_Map_Csv(Build_Data_Map(state));

  for (const char* written :
       {",'=cmd|' /C calc'!A0,", ",'+1+2,", ",'-A1,", ",'@SUM(A1),", ",'\tx,", ",\"'\rx\",",
        ",''=kept,", ",'',", ",''',", ",'=,", ",-1.5,", ",\"+2,5\",", ",-1e3,", ",'=1+1,", ",-0.5,",
        ",'\xEF\xBC\x9D"
        "1+1,",
        ",'\xC2\xA0=1,", ",'\v=1,", ",a=1,"})
    EXPECT_NE(csv.find(written), std::string::npos) << written;

  // Changed behind the table, then the file puts everything back.
  for (size_t i = 0; i < texts.size(); ++i)
    state.ACG_DA.Set_Cell(static_cast<int>(i), DA_Col::Mnemonic, "x");
  state.ACG_DA.Set_Cell(0, DA_Col::MoltFact, "1");
  state.List_DataSet[0].List_DAs[0].Mnemonic = "x";
  const Import_Report report = Import_Data_Map_Csv(csv, state, ',', test::English());
  EXPECT_TRUE(report.Problems.empty()) << Import_Report_Text(report, test::English());
  for (size_t i = 0; i < texts.size(); ++i)
    EXPECT_EQ(state.ACG_DA.Cell(static_cast<int>(i), DA_Col::Mnemonic), texts[i]) << i;
  EXPECT_EQ(state.ACG_DA.Cell(0, DA_Col::MoltFact), "-1.5");
  EXPECT_EQ(Member(1, 1).Mnemonic, "=1+1");
  EXPECT_EQ(Data_Map_Csv(Build_Data_Map(state)), csv);
}

}  // namespace
