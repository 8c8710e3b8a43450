// Undo and redo in the access editor with the keys a person uses, the end of the history at OK
// and Cancel, fill series, and Auto position from a chosen first position.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>
#include <functional>

#include "access/access_strings.h"
#include "access/access_test_models.h"
#include "access/client_file.h"
#include "access_ui/access_window.h"
#include "access_ui/map_page_qt.h"
#include "access_ui/selection_grid_qt.h"
#include "support/access_editor.h"
#include "support/input_dialog.h"
#include "support/recording_messages.h"
#include "support/user_input.h"
#include "util/files.h"

namespace {

using namespace UIEC_61850_Access;
using Answer = ui::Messages::Answer;

// The editor, active, on a configuration with server IED1 (a.icd); variable rows Mod.stVal,
// Mod.q, Mod.t and the data set DS1 (members stVal, q, f) are added through the buttons, and the
// Variables page is shown.
struct Undo_Redo : test::Access_Editor {
  void SetUp() override {
    Access_Editor::SetUp();
    Use_Stand_In_Files();
    ASSERT_TRUE(Open_Editor());
    Add_Server("a.icd");
    Choose_Server(0);
    for (const char* attribute : {"stVal", "q", "t"})
      Add_Var({"IED1", "LD0", "LLN0", "Mod", attribute});
    Add_Var({"IED1", "LD0", "LLN0", "DS1"});
    Click_Tab(window->TS_DA);
  }
  std::string Xml() const { return Client_Xml(window->State()); }
  void Keys(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier) {
    // After a question closed the window is made the active one again, as the window system
    // does; with no focus control the key goes to the window.
    if (QApplication::activeWindow() != window.get()) {
      ASSERT_TRUE(test::Activate(window.get()));
    }
    QWidget* target = QApplication::focusWidget();
    if (target == nullptr) target = window.get();
    QTest::keyClick(target, key, modifiers);
    QApplication::processEvents();
  }
  void Click_Tab(QWidget* page) { test::Click_Tab(window->PC_DA_DataSet, page); }
  // Click on the first cell, Shift+click on the last: rows `first`..`last` of one column.
  void Select(Selection_Grid* grid, int column, int first, int last) {
    test::Click_Cell(grid, first, column - 1);
    test::Click_Cell(grid, last, column - 1, Qt::ShiftModifier);
  }
  // Columns as the tables number them (DA_Col, DS_Col, Var_Col).
  void Type_In_Cell(Selection_Grid* grid, int row, int column, const QString& text) {
    test::Type_In_Cell(grid, row, column - 1, text);
  }
  // The tables show what the state holds (the member table: the data set row it shows).
  void Expect_Tables_Show_State() {
    const Access_State& state = window->State();
    auto same = [](const Selection_Grid* grid, const Table& table) {
      ASSERT_EQ(grid->rowCount(), table.Row_Count());
      for (int r = 0; r < table.Row_Count(); ++r)
        for (int c = 1; c < table.Columns(); ++c)
          ASSERT_EQ(grid->Text(r, c), table.Cell(r, c)) << "row " << r << " column " << c;
    };
    same(window->ACG_DA, state.ACG_DA);
    same(window->ACG_DataSet, state.ACG_DataSet);
    if (state.DataSet_Row_Select < 1) return;
    const auto& members = state.List_DataSet[static_cast<size_t>(state.DataSet_Row_Select - 1)];
    ASSERT_EQ(window->ACG_DS_Vars->rowCount(), static_cast<int>(members.List_DAs.size()));
    for (size_t k = 0; k < members.List_DAs.size(); ++k) {
      EXPECT_EQ(window->ACG_DS_Vars->Text(static_cast<int>(k), Var_Col::Position),
                members.List_DAs[k].Position);
      EXPECT_EQ(window->ACG_DS_Vars->Text(static_cast<int>(k), Var_Col::Mnemonic),
                members.List_DAs[k].Mnemonic);
    }
  }
  void Select_Map_Rows() {
    QTableWidget* map = window->TS_Map->ACG_Map;
    test::Click_Cell(map, 0, 0);
    test::Click_Cell(map, map->rowCount() - 1, 0, Qt::ShiftModifier);
  }
};

// Each kind of change is one step: Ctrl+Z takes it back whole, Ctrl+Y and Ctrl+Shift+Z do it
// again, and Undo and Redo name it. Each case starts from where the one before left the editor.
TEST_F(Undo_Redo, Each_Command_Is_One_Step_Back_And_Forth) {
  const std::string csv = dir / "map.csv";
  test::Write(csv,
              "Kind,Row,Member,Index,Data Set,Reference,Position,Start Bit,Mnemonic\r\n"
              "variable,2,,0,,IED1LD0/LLN0.Mod.q,300,3,imported\r\n");
  window->TS_Map->Choose_Import_File = [&] { return csv; };
  const struct {
    const char* name;
    std::function<void()> act;
    QString step;
  } cases[] = {
      {"typing", [&] { Type_In_Cell(window->ACG_DA, 0, DA_Col::Mnemonic, "P7"); },
       "edit of Mnemonic in row 1"},
      {"fill series",
       [&] {
         Select(window->ACG_DA, DA_Col::Mnemonic, 0, 2);
         Keys(Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
       },
       "fill series of 2 cells"},
      {"fill-down",
       [&] {
         Select(window->ACG_DA, DA_Col::Mnemonic, 0, 2);
         Keys(Qt::Key_D);
       },
       "fill-down of 2 cells"},
      {"paste",
       [&] {
         QApplication::clipboard()->setText("7\t0\n8\t1\n9\t2\n");
         test::Click_Cell(window->ACG_DA, 0, DA_Col::Position - 1);
         Keys(Qt::Key_V);
       },
       "paste of 6 cells"},
      {"Delete",
       [&] {
         Select(window->ACG_DA, DA_Col::Position, 0, 2);
         test::Press(Qt::Key_Delete);
       },
       "Delete of 3 cells"},
      {"member typing",
       [&] {
         Click_Tab(window->TS_DataSet);
         test::Click_Cell(window->ACG_DataSet, 0, DS_Col::Reference - 1);
         Type_In_Cell(window->ACG_DS_Vars, 0, Var_Col::Position, "10");
       },
       "edit of Position in row 1"},
      {"member fill series",
       [&] {
         Select(window->ACG_DS_Vars, Var_Col::Position, 0, 2);
         Keys(Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
       },
       "fill series of 2 cells"},
      {"Add Var",
       [&] {
         // DS1 has its row already: added again after the question says so.
         Add_Var({"IED1", "LD0", "LLN0", "DS1"});
         ASSERT_EQ(messages.shown.size(), 1u);
         EXPECT_EQ(messages.shown[0].kind, "question");
         messages.shown.clear();
       },
       "Add Var"},
      {"Remove Var",
       [&] {
         test::Click_Cell(window->ACG_DataSet, 0, DS_Col::Reference - 1);
         test::Click(window->Btn_RemoveVar);
       },
       "Remove Var"},
      {"Auto position",
       [&] {
         Click_Tab(window->TS_Map);
         Select_Map_Rows();
         test::On_Number_Question(QString("20"));
         test::Click(window->TS_Map->Btn_Auto_Position);
       },
       "Auto position"},
      {"map import", [&] { test::Click(window->TS_Map->Btn_Import_Map); }, "map import"},
      {"add server", [&] { Add_Server("b.icd"); }, "Add IEC Device"},
      {"remove server",
       [&] {
         test::Click_Item(window->LB_IEC_Devices, 1);
         test::Click(window->Btn_Remove_IEC_Device);
       },
       "Remove IEC Device"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string before = Xml();
    c.act();
    const std::string after = Xml();
    ASSERT_NE(after, before);
    EXPECT_TRUE(messages.shown.empty()) << messages.Last();
    EXPECT_EQ(window->Act_Undo->text().toStdString(), "Undo " + c.step.toStdString());
    Keys(Qt::Key_Z);
    EXPECT_EQ(Xml(), before);
    Expect_Tables_Show_State();
    EXPECT_EQ(window->Act_Redo->text().toStdString(), "Redo " + c.step.toStdString());
    Keys(Qt::Key_Y);
    EXPECT_EQ(Xml(), after);
    Keys(Qt::Key_Z);
    Keys(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Xml(), after);
    Expect_Tables_Show_State();
  }
  EXPECT_EQ(window->LB_IEC_Devices->count(), 1);
  EXPECT_EQ(window->LB_IEC_Devices->item(0)->text(), "IED1");

  // Everything back to the opening, step by step, and forth again.
  const std::string end = Xml();
  while (window->Act_Undo->isEnabled()) Keys(Qt::Key_Z);
  EXPECT_EQ(window->State().ACG_DA.Row_Count(), 1);
  EXPECT_TRUE(window->State().List_IEC_Dev.empty());
  EXPECT_EQ(window->Act_Undo->text().toStdString(), ctx.Lang_Strings[access_strings::Text_Undo]);
  while (window->Act_Redo->isEnabled()) Keys(Qt::Key_Y);
  EXPECT_EQ(Xml(), end);
}

// The steps that change the server list leave no tree, selection or table pointing into a server
// that left it, and a server whose steps are dropped is gone for good (run under the sanitizers).
TEST_F(Undo_Redo, Undoing_The_Server_Whose_Tree_Is_Shown) {
  Add_Server("b.icd");
  Choose_Server(1);
  Add_Var({"IED2", "LD0", "LLN0", "DS2"});
  ASSERT_EQ(window->State().ACG_DataSet.Row_Count(), 2);
  Keys(Qt::Key_Z);
  Keys(Qt::Key_Z);
  EXPECT_EQ(window->LB_IEC_Devices->count(), 1);
  EXPECT_EQ(test::Top_Count(window->TV_IEC_Device), 0);
  test::Click(window->Btn_AddVar);  // nothing is selected any more
  EXPECT_EQ(window->State().ACG_DataSet.Row_Count(), 1);

  Keys(Qt::Key_Y);
  Keys(Qt::Key_Y);
  ASSERT_EQ(window->LB_IEC_Devices->count(), 2);
  EXPECT_EQ(window->State().ACG_DataSet.Cell(1, DS_Col::Index), "1");
  EXPECT_EQ(window->State().List_DataSet[1].Select_DataSet->Reference(), "IED2LD0/LLN0.DS2");
  Click_Tab(window->TS_DataSet);
  test::Click_Cell(window->ACG_DataSet, 1, DS_Col::Reference - 1);
  EXPECT_EQ(window->ACG_DS_Vars->Text(0, Var_Col::Reference), "IED2LD0/LLN0.Mod.stVal");

  // Back again, then a new change: the steps that held IED2 are dropped with its model.
  Keys(Qt::Key_Z);
  Keys(Qt::Key_Z);
  Click_Tab(window->TS_DA);
  Type_In_Cell(window->ACG_DA, 0, DA_Col::Mnemonic, "x");
  EXPECT_FALSE(window->Act_Redo->isEnabled());
  Choose_Server(0);
  Add_Var({"IED1", "LD0", "LLN0", "DS2"});
  EXPECT_EQ(window->State().ACG_DataSet.Cell(1, DS_Col::Reference), "IED1LD0/LLN0.DS2");
  Expect_Tables_Show_State();
}

// OK and Cancel end the history; Cancel asks nothing when the steps were all taken back.
TEST_F(Undo_Redo, Ok_And_Cancel_End_The_History) {
  // What OK needs, pasted column by column.
  auto paste = [&](Selection_Grid* grid, int column, const QString& text) {
    QApplication::clipboard()->setText(text);
    test::Click_Cell(grid, 0, column - 1);
    Keys(Qt::Key_V);
  };
  paste(window->ACG_DA, DA_Col::IPAddress, "127.0.0.1\t102\n127.0.0.1\t102\n127.0.0.1\t102");
  paste(window->ACG_DA, DA_Col::Position, "1\n2\n3");
  paste(window->ACG_DA, DA_Col::ReadWrite, "Read\nRead\nRead");
  paste(window->ACG_DA, DA_Col::MoltFact, "1\n1\n1");
  Click_Tab(window->TS_DataSet);
  test::Click_Cell(window->ACG_DataSet, 0, DS_Col::Reference - 1);
  paste(window->ACG_DS_Vars, Var_Col::Position, "4\n5\n6");
  paste(window->ACG_DS_Vars, Var_Col::MultFact, "1\n1\n1");
  EXPECT_TRUE(messages.shown.empty()) << messages.Last();
  test::Click(window->Btn_OK);
  ASSERT_FALSE(window->isVisible()) << messages.Last();

  ASSERT_TRUE(test::Activate(window.get()));
  const std::string opened = Xml();
  EXPECT_NE(opened.find("IED1LD0/LLN0.Mod.t"), std::string::npos);
  EXPECT_FALSE(window->Act_Undo->isEnabled());
  Keys(Qt::Key_Z);
  EXPECT_EQ(Xml(), opened);
  Type_In_Cell(window->ACG_DA, 0, DA_Col::Mnemonic, "pump");
  Keys(Qt::Key_Z);
  test::Click(window->Btn_Cancel);
  EXPECT_TRUE(messages.shown.empty()) << messages.Last();
  EXPECT_FALSE(window->isVisible());

  ASSERT_TRUE(test::Activate(window.get()));
  EXPECT_FALSE(window->Act_Undo->isEnabled());
  EXPECT_FALSE(window->Act_Redo->isEnabled());
  EXPECT_EQ(Xml(), opened);
}

// Fill series from a top cell that does not count changes nothing and records no step; the
// context menu of every table offers Undo, Redo and Fill series.
TEST_F(Undo_Redo, Fill_Series_Without_A_Number_And_The_Context_Menus) {
  auto texts = [this](QWidget* table) {
    std::unique_ptr<QMenu> menu(window->Table_Menu(table));
    QStringList shown;
    for (const QAction* action : menu->actions())
      if (!action->isSeparator()) shown << action->text();
    return shown;
  };
  Type_In_Cell(window->ACG_DA, 0, DA_Col::Mnemonic, "P7");
  const QStringList history = {"Undo edit of Mnemonic in row 1", "Redo"};
  const QStringList commands = {"Fill Down", "Fill series", "Copy", "Paste"};
  for (Selection_Grid* grid : {window->ACG_DA, window->ACG_DataSet, window->ACG_DS_Vars})
    EXPECT_EQ(texts(grid), history + commands);
  EXPECT_EQ(texts(window->TS_Map->ACG_Map), history);

  for (const char* top : {"1,5", "Pump"}) {
    Type_In_Cell(window->ACG_DA, 0, DA_Col::MoltFact, top);
    const std::string before = Xml();
    const QString undo = window->Act_Undo->text();
    messages.shown.clear();
    Select(window->ACG_DA, DA_Col::MoltFact, 0, 2);
    Keys(Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, "warning");
    EXPECT_NE(messages.shown[0].text.find("Nothing was changed"), std::string::npos);
    EXPECT_EQ(Xml(), before);
    EXPECT_EQ(window->Act_Undo->text(), undo);
  }
}

// Auto position offers the lowest free position and places from the one given; Escape changes
// nothing.
TEST_F(Undo_Redo, Auto_Position_From_The_Position_Given) {
  Type_In_Cell(window->ACG_DA, 1, DA_Col::Position, "0");
  Type_In_Cell(window->ACG_DA, 2, DA_Col::Position, "101");
  Click_Tab(window->TS_Map);
  Select_Map_Rows();
  const std::string before = Xml();
  const QString undo = window->Act_Undo->text();
  int offered = -1;
  test::On_Number_Question(std::nullopt, &offered);
  test::Click(window->TS_Map->Btn_Auto_Position);
  EXPECT_EQ(offered, 1);
  EXPECT_EQ(Xml(), before);
  EXPECT_EQ(window->Act_Undo->text(), undo);

  test::On_Number_Question(QString("100"));
  test::Click(window->TS_Map->Btn_Auto_Position);
  EXPECT_EQ(window->State().ACG_DA.Cell(0, DA_Col::Position), "100");
  const TDataSet& record = window->State().List_DataSet[0];
  ASSERT_EQ(record.List_DAs.size(), 3u);
  EXPECT_EQ(record.List_DAs[0].Position, "102");  // 101 is taken
  EXPECT_EQ(record.List_DAs[2].Position, "104");
  EXPECT_EQ(
      window->Act_Undo->text(),
      QString::fromStdString(ctx.Lang_Strings[access_strings::Text_Undo_Step])
          .arg(QString::fromStdString(ctx.Lang_Strings[access_strings::Text_Step_Auto_Position])));
  EXPECT_TRUE(messages.shown.empty()) << messages.Last();
}

}  // namespace
