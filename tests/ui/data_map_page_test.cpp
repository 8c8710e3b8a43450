// The data map in the running editor and before the Update step: the Map page, Auto position,
// the conflict questions, and the CSV export and import through their buttons.
#include <gtest/gtest.h>

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>
#include <QUndoStack>
#include <filesystem>

#include "access/access_strings.h"
#include "access_ui/access_window.h"
#include "access_ui/map_page_qt.h"
#include "access_ui/selection_grid_qt.h"
#include "app/main_window.h"
#include "support/access_editor.h"
#include "support/check_report.h"
#include "support/configurator.h"
#include "support/input_dialog.h"
#include "support/recording_messages.h"
#include "support/table_text.h"
#include "support/user_input.h"
#include "update/boot_dialog.h"
#include "util/files.h"

namespace {

using namespace UIEC_61850_Access;
using Answer = ui::Messages::Answer;

void Replace(std::string& text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  ASSERT_NE(at, std::string::npos) << from;
  text.replace(at, from.size(), to);
}

// The editor on a configuration with one server; variable rows Mod.stVal and Mod.q and the data
// set DS1 (members stVal, q, f) are added in SetUp.
struct Data_Map_Page : test::Access_Editor {
  Map_Page* page = nullptr;

  void SetUp() override {
    Access_Editor::SetUp();
    Use_Stand_In_Files();
    ASSERT_TRUE(Open_Editor());
    page = window->TS_Map;
    Add_Server("a.icd");
    Choose_Server(0);
    for (const char* attribute : {"stVal", "q"}) Add_Var({"IED1", "LD0", "LLN0", "Mod", attribute});
    Add_Var({"IED1", "LD0", "LLN0", "DS1"});
  }
  // Makes the variable rows pass the check on OK, at `positions`.
  void Complete(const std::vector<QString>& positions) {
    for (size_t row = 0; row < positions.size(); ++row)
      Access_Editor::Complete(static_cast<int>(row), positions[row]);
  }
  void Click_Tab(QWidget* tab) {
    test::Click_Tab(window->PC_DA_DataSet, tab);
    ASSERT_EQ(window->PC_DA_DataSet->currentWidget(), tab);
  }
  std::vector<std::string> Column(int column) {
    std::vector<std::string> texts;
    for (int r = 0; r < page->ACG_Map->rowCount(); ++r)
      texts.push_back(page->ACG_Map->item(r, column)->text().toStdString());
    return texts;
  }
};

TEST_F(Data_Map_Page, Shows_Conflicts_And_Unplaced_And_Jumps_To_The_Entry) {
  Complete({"12", "abc"});
  Set_Members(0, {"30", "12", ""});
  Click_Tab(page);
  // Remove Var works on the Variables and DataSet pages only.
  QTest::mouseClick(window->Btn_RemoveVar, Qt::LeftButton);
  EXPECT_EQ(window->State().ACG_DataSet.Row_Count(), 1);
  EXPECT_FALSE(window->State().ACG_DataSet.Counts_As_Empty());

  EXPECT_EQ(Column(Map_Col::Position), (std::vector<std::string>{"12", "12", "30", "abc", ""}));
  EXPECT_EQ(Column(Map_Col::Kind),
            (std::vector<std::string>{"variable", "member", "member", "variable", "member"}));
  EXPECT_EQ(Column(Map_Col::Member), (std::vector<std::string>{"", "2", "1", "", "3"}));
  EXPECT_EQ(page->ACG_Map->item(1, Map_Col::Reference)->text(), "IED1LD0/LLN0.Mod.q");
  const std::vector<QColor> colours = {Conflict_Colour, Conflict_Colour, QColor(), Unplaced_Colour,
                                       Unplaced_Colour};
  for (int r = 0; r < 5; ++r) {
    SCOPED_TRACE(r);
    const QBrush background = page->ACG_Map->item(r, Map_Col::Mnemonic)->background();
    EXPECT_EQ(background.style() == Qt::NoBrush ? QColor() : background.color(), colours[r]);
  }
  EXPECT_EQ(page->L_Map_Summary->text(),
            "Positions used: 2   free: 1398   conflicts: 1   unplaced: 2");

  // A double click on a member shows its data set and selects it in the member table.
  test::Double_Click_Cell(page->ACG_Map, 1, 0);
  EXPECT_EQ(window->PC_DA_DataSet->currentWidget(), window->TS_DataSet);
  EXPECT_EQ(window->ACG_DataSet->currentRow(), 0);
  EXPECT_EQ(window->ACG_DS_Vars->currentRow(), 1);
  EXPECT_TRUE(window->ACG_DS_Vars->selectionModel()->isRowSelected(1, {}));

  Click_Tab(page);
  test::Double_Click_Cell(page->ACG_Map, 3, 0);
  EXPECT_EQ(window->PC_DA_DataSet->currentWidget(), window->TS_DA);
  EXPECT_EQ(window->ACG_DA->currentRow(), 1);
  EXPECT_TRUE(window->ACG_DA->selectionModel()->isRowSelected(1, {}));
}

TEST_F(Data_Map_Page, Auto_Position_Fills_The_Selected_Empty_Positions) {
  Complete({"1", ""});
  Set_Members(0, {"0", "", "abc"});
  Click_Tab(page);
  // Rows: 0 (member 1), 1 (row 1), then unplaced: row 2, member 2, member 3 ("abc").
  ASSERT_EQ(Column(Map_Col::Position), (std::vector<std::string>{"0", "1", "", "", "abc"}));
  test::Click_Cell(page->ACG_Map, 2, 0);
  test::Click_Cell(page->ACG_Map, 4, 0, Qt::ShiftModifier);
  int offered = -1;
  test::On_Number_Question(QString("2"), &offered);
  QTest::mouseClick(page->Btn_Auto_Position, Qt::LeftButton);
  EXPECT_EQ(offered, 2);  // the lowest free position

  EXPECT_EQ(window->ACG_DA->Text(1, DA_Col::Position), "2");
  EXPECT_EQ(window->ACG_DA->Text(1, DA_Col::StartBit), "0");
  Show_Members(0);
  EXPECT_EQ(window->ACG_DS_Vars->Text(1, Var_Col::Position), "3");
  EXPECT_EQ(window->ACG_DS_Vars->Text(2, Var_Col::Position), "abc");
  EXPECT_EQ(page->L_Map_Summary->text(),
            "Positions used: 4   free: 1396   conflicts: 0   unplaced: 1");
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Data_Map_Page, Ok_Asks_Before_Saving_Conflicts) {
  Complete({"12", "13"});
  Set_Members(0, {"30", "12", "31"});
  // The check's report lists the conflict; Cancel saves nothing.
  std::vector<std::string> shown;
  auto answer = [&](QPushButton* TFCheck_Report::*button) {
    test::On_Check_Report([&shown, button](TFCheck_Report& report) {
      shown.clear();
      for (const check::Finding& f : report.Findings()) shown.push_back(f.message);
      test::Click(report.*button);
    });
  };
  const std::vector<std::string> conflict = {
      "data set 1 member 2 IED1LD0/LLN0.Mod.q: position 12 bit 0 is already taken by row 1."};
  answer(&TFCheck_Report::Btn_Cancel);
  QTest::mouseClick(window->Btn_OK, Qt::LeftButton);
  EXPECT_EQ(shown, conflict);
  EXPECT_TRUE(messages.shown.empty()) << messages.Last();
  EXPECT_FALSE(util::File_Exists(ctx.IEC_Client_File));
  EXPECT_TRUE(window->isVisible());

  // A failing check comes first and asks nothing.
  shown.clear();
  Set_Cell(window->ACG_DA, 1, DA_Col::Port, "x");
  QTest::mouseClick(window->Btn_OK, Qt::LeftButton);
  EXPECT_EQ(messages.shown.back().kind, "error");
  EXPECT_TRUE(shown.empty());
  Set_Cell(window->ACG_DA, 1, DA_Col::Port, "102");

  answer(&TFCheck_Report::Btn_Go_On);
  QTest::mouseClick(window->Btn_OK, Qt::LeftButton);
  EXPECT_EQ(shown, conflict);
  EXPECT_TRUE(util::File_Exists(ctx.IEC_Client_File));
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(Read_Data_Map(ctx.IEC_Client_File, test::English()).Conflicts.size(), 1u);
}

TEST_F(Data_Map_Page, Export_Edit_Import_Through_The_Buttons) {
  Complete({"1", "2"});
  Set_Cell(window->ACG_DA, 0, DA_Col::Mnemonic, "breaker, main");
  Set_Members(0, {"3", "4", "5"});
  Click_Tab(page);
  const std::string csv_path = dir / "map.csv";
  page->Choose_Export_File = [&] { return csv_path; };
  page->Choose_Import_File = [&] { return csv_path; };
  QTest::mouseClick(page->Btn_Export_Map, Qt::LeftButton);
  const std::string csv = test::Read(csv_path);
  ASSERT_NE(csv.find("\"breaker, main\""), std::string::npos) << csv;

  // Two cells changed in the text; then the same file as a spreadsheet saves it with ";".
  std::string edited = csv;
  Replace(edited, "Mod.q,Quality,ST,2,", "Mod.q,Quality,ST,20,");
  Replace(edited, "TotW.mag.f,FLOAT32,,5,", "TotW.mag.f,FLOAT32,,50,");
  test::Write(csv_path, edited);
  QTest::mouseClick(page->Btn_Import_Map, Qt::LeftButton);
  EXPECT_TRUE(messages.shown.empty()) << messages.Last();
  EXPECT_EQ(window->ACG_DA->Text(1, DA_Col::Position), "20");
  Show_Members(0);
  EXPECT_EQ(window->ACG_DS_Vars->Text(2, Var_Col::Position), "50");
  EXPECT_EQ(page->ACG_Map->item(4, Map_Col::Position)->text(), "50");

  std::string semicolons =
      "\xEF\xBB\xBF"
      "Kind;Row;Member;Index;Data Set;Reference;Position;Start Bit;Mnemonic\r\n"
      "variable;1;;0;;IED1LD0/LLN0.Mod.stVal;7;2;\"breaker; main\"\r\n"
      "variable;3;;0;;IED1LD0/LLN0.Mod.t;8;;\r\n"
      "member;1;1;0;IED1LD0/LLN0.DS1;;9;9;\r\n";
  test::Write(csv_path, semicolons);
  QTest::mouseClick(page->Btn_Import_Map, Qt::LeftButton);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].kind, "warning list");
  EXPECT_EQ(messages.shown[0].text,
            "These lines of the map file were not taken:\n"
            "line 3: no variable row has index \"0\" and reference \"IED1LD0/LLN0.Mod.t\"\n"
            "line 4: Start Bit \"9\" is not one of: 0, 1, 2, 3, 4, 5, 6, 7\n");
  EXPECT_EQ(window->ACG_DA->Text(0, DA_Col::Position), "7");
  EXPECT_EQ(window->ACG_DA->Text(0, DA_Col::StartBit), "2");
  EXPECT_EQ(window->ACG_DA->Text(0, DA_Col::Mnemonic), "breaker; main");
  EXPECT_EQ(window->ACG_DS_Vars->Text(0, Var_Col::Position), "3");

  // A file that is not a data map is refused as a whole, with an error, and changes nothing.
  test::Write(csv_path, "Name,Value\r\nx,1\r\n");
  QTest::mouseClick(page->Btn_Import_Map, Qt::LeftButton);
  ASSERT_EQ(messages.shown.size(), 2u);
  EXPECT_EQ(messages.shown[1].kind, "error");
  EXPECT_EQ(messages.shown[1].text,
            "The file has no column \"Kind\" in its first line; it is not a data map.");
  EXPECT_EQ(window->ACG_DA->Text(0, DA_Col::Position), "7");

  // Nothing reaches the file before OK.
  EXPECT_FALSE(util::File_Exists(ctx.IEC_Client_File));
}

// The file is read on a worker: Cancel, the moment its dialog shows, leaves the rows as they were.
TEST_F(Data_Map_Page, Cancel_Of_The_Import_Changes_Nothing) {
  Complete({"1", "2"});
  Click_Tab(page);
  const std::string csv_path = dir / "map.csv";
  page->Choose_Export_File = [&] { return csv_path; };
  page->Choose_Import_File = [&] { return csv_path; };
  QTest::mouseClick(page->Btn_Export_Map, Qt::LeftButton);
  std::string edited = test::Read(csv_path);
  Replace(edited, "Mod.q,Quality,ST,2,", "Mod.q,Quality,ST,20,");
  test::Write(csv_path, edited);
  const int steps = window->History->count();
  page->Read_Map = [](const std::string&, const Access_State&, char, const lang::Lang_Strings&,
                      util::Progress* progress) -> Data_Map_Edits { Until_Stopped(progress); };
  Cancel_When_Shown();
  QTest::mouseClick(page->Btn_Import_Map, Qt::LeftButton);
  EXPECT_TRUE(messages.shown.empty()) << messages.Last();
  EXPECT_EQ(window->ACG_DA->Text(1, DA_Col::Position), "2");
  EXPECT_EQ(window->History->count(), steps);
}

TEST(Data_Map_Update_Step, Check_Report_Before_Building_Images) {
  test::Temp_Dir program;
  test::Configurator c(program.path());
  c.ctx.Active_Conf_Dir = program / "PROJECTS/conf";
  util::Force_Dirs(c.ctx.Active_Conf_Dir);
  c.ctx.Set_Files();
  std::filesystem::copy_file(test::Data_Dir() + "/access/fixtures/data_map/IEC_61850_Client.xml",
                             c.ctx.IEC_Client_File);
  const std::string bank2 = c.ctx.Active_Conf_Dir + "/bin/bank2.bin";

  // The check of the saved configuration: positions out of range and an empty R/W, which the
  // images cannot hold as they are: only Close, and nothing is built.
  std::vector<std::string> rules;
  test::On_Check_Report([&](TFCheck_Report& report) {
    EXPECT_FALSE(report.Btn_Go_On->isVisible());
    EXPECT_EQ(report.Btn_Cancel->text(), test::Table_Text(access_strings::Text_Report_Close));
    EXPECT_NE(report.L_Intro->text().indexOf("values the device cannot take"), -1);
    for (const check::Finding& f : report.Findings()) rules.push_back(f.rule);
    test::Click(report.Btn_Cancel);
  });
  QTest::mouseClick(c.window->Btn_CreateBin, Qt::LeftButton);
  // Two variables out of range, two members without a factor (one with start bit "x").
  EXPECT_EQ(std::count(rules.begin(), rules.end(), "position-invalid"), 4);
  EXPECT_EQ(std::count(rules.begin(), rules.end(), "rw-invalid"), 1);
  EXPECT_FALSE(util::File_Exists(bank2));

  // Corrected, what is left (the servers' files are not in the catalog, and two entries share a
  // place) may be built anyway. Cancel builds nothing.
  std::string client = test::Read(c.ctx.IEC_Client_File);
  for (const auto& [bad, good] : std::vector<std::pair<std::string, std::string>>{
           {"Position=\"1400\"", "Position=\"40\""},
           {"Position=\"abc\"", "Position=\"41\""},
           {"StartBit=\"\" ReadWrite=\"\"", "StartBit=\"\" ReadWrite=\"Read\""},
           {"StartBit=\"x\"", "StartBit=\"0\""},
           {"MoltFact=\"\" Mnemonic=\"\"/><DataSet_DA_Item",
            "MoltFact=\"1\" Mnemonic=\"\"/><DataSet_DA_Item"},
           {"MoltFact=\"\" Mnemonic=\"\"/></DataSet_List_DAs>",
            "MoltFact=\"1\" Mnemonic=\"\"/></DataSet_List_DAs>"}})
    client.replace(client.find(bad), bad.size(), good);
  test::Write(c.ctx.IEC_Client_File, client);
  rules.clear();
  test::On_Check_Report([&](TFCheck_Report& report) {
    EXPECT_EQ(report.Btn_Go_On->text(), test::Table_Text(access_strings::Text_Report_Build_Anyway));
    for (const check::Finding& f : report.Findings()) rules.push_back(f.rule);
    test::Click(report.Btn_Cancel);
  });
  QTest::mouseClick(c.window->Btn_CreateBin, Qt::LeftButton);
  EXPECT_EQ(std::count(rules.begin(), rules.end(), "position-conflict"), 1);
  EXPECT_EQ(std::count(rules.begin(), rules.end(), "server-file-missing"), 1);
  EXPECT_FALSE(util::File_Exists(bank2));
  EXPECT_TRUE(c.messages.shown.empty()) << c.messages.Last();

  bool boot_shown = false;
  test::On_Check_Report([&](TFCheck_Report& report) {
    test::While_Modal([&] {
      boot_shown = c.window->FBoot->isVisible();
      test::Click(c.window->FBoot->Btn_Cancel);
    });
    test::Click(report.Btn_Go_On);
  });
  QTest::mouseClick(c.window->Btn_CreateBin, Qt::LeftButton);
  EXPECT_TRUE(boot_shown);
  EXPECT_TRUE(util::File_Exists(bank2));
}

}  // namespace
