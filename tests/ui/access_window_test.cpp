#include "access_ui/access_window.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QListWidget>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTreeView>
#include <functional>

#include "access/access_strings.h"
#include "access_ui/device_tree_model_qt.h"
#include "access_ui/selection_grid_qt.h"
#include "access_ui/tree_panel_qt.h"
#include "app/all_texts.h"
#include "support/access_editor.h"
#include "support/recording_messages.h"
#include "support/user_input.h"
#include "util/files.h"

namespace {

using namespace UIEC_61850_Access;
using Answer = ui::Messages::Answer;

// The table's words for a refused value `failure` of variable row 1, and of member `member` of
// data set row 1.
const lang::Lang_Strings Texts = lang::English_Strings();
const std::string Bad_Position = Texts[access_strings::Text_Row_Bad_Position] + "1399";
std::string Row_1(const std::string& failure) {
  return Texts[access_strings::Text_Error_Row] + "1" + failure;
}
std::string Row_1(int failure) { return Row_1(Texts[failure]); }
std::string Member_Of_Row_1(int member, const std::string& failure) {
  return Texts[access_strings::Text_Error_DataSet_Row] + "1" +
         Texts[access_strings::Text_Error_Member] + std::to_string(member) + failure;
}
const std::string Ip_Error = Row_1(access_strings::Text_Row_Bad_IP_Address);

// The editor on stand-in server files a.icd (IED1) and b.icd (IED2).
struct Access_Window : test::Access_Editor {
  void SetUp() override {
    Access_Editor::SetUp();
    Use_Stand_In_Files();
  }
  // Opens the editor and, through its buttons, adds the server of a.icd and its Mod.stVal as
  // the first variable row; false when the window cannot be made the active one.
  bool Show_With_Variable() {
    if (!Open_Editor()) return false;
    Add_Server("a.icd");
    Choose_Server(0);
    Add_Var({"IED1", "LD0", "LLN0", "Mod", "stVal"});
    return true;
  }
  // Gives the members of data set row `row` (three) positions and factors that pass the check.
  void Complete_Members(int row) { Set_Members(row, {"100", "101", "102"}); }
};

TEST_F(Access_Window, Servers_Tree_And_Selection) {
  ASSERT_TRUE(Open_Editor());
  Add_Server("a.icd");
  Add_Server("b.icd");
  ASSERT_EQ(window->LB_IEC_Devices->count(), 2);
  EXPECT_EQ(window->LB_IEC_Devices->item(1)->text(), "IED2");
  EXPECT_EQ(test::Read(ctx.Active_Conf_Dir + "/ICD_Catalog/b.icd"), test::Fake_Scl("IED2"));
  EXPECT_EQ(test::Top_Count(window->TV_IEC_Device), 0);

  Choose_Server(1);
  test::Tree_Item top = test::Top(window->TV_IEC_Device, 0);
  ASSERT_NE(top, nullptr);
  EXPECT_EQ(top->text(0), "IED2");
  EXPECT_TRUE(top->isExpanded());
  test::Tree_Item lln0 = top->child(0)->child(0);
  EXPECT_EQ(top->child(0)->text(0), "LD0");
  EXPECT_TRUE(lln0->isExpanded());
  ASSERT_EQ(lln0->childCount(), 3);  // Mod, then the data sets DS1 and DS2
  test::Tree_Item mod = lln0->child(0);
  EXPECT_EQ(mod->text(0), "Mod");
  EXPECT_FALSE(mod->isExpanded());
  EXPECT_EQ(mod->foreground(0).color(), QColor(Qt::blue));
  EXPECT_EQ(lln0->child(1)->text(0), "DS1 (3 members)");
  EXPECT_EQ(lln0->child(1)->foreground(0).color(), QColor(0x00, 0x80, 0x00));
  EXPECT_EQ(top->child(0)->child(1)->text(0), "MMXU1");

  // Attributes get their nodes when their data object is first opened.
  const TIEC_Device& device = *window->State().List_IEC_Dev[1];
  const TIEC_DA& stval = *device.List_LDevice[0]->List_LN[0]->List_DO[0]->List_DA[0];
  const UIEC_61850_Access::Device_Tree_Model& model = *window->Tree->Model;
  const size_t nodes = model.Node_Count();
  EXPECT_EQ(mod->childCount(), 0);
  mod->setExpanded(true);
  ASSERT_EQ(mod->childCount(), 3);
  EXPECT_EQ(model.Node_Count(), nodes + 3);
  EXPECT_EQ(model.Object_At(mod->child(0).index()), &stval);

  // Only leaf attributes and data sets are selections.
  Pick({"IED2", "LD0", "LLN0", "Mod"});
  EXPECT_EQ(window->State().Selected_IEC_DA, nullptr);
  test::Click(window->Btn_AddVar);
  EXPECT_TRUE(window->State().ACG_DA.Counts_As_Empty());
  Pick({"IED2", "LD0", "MMXU1", "TotW", "mag"});
  test::Click(window->Btn_AddVar);
  EXPECT_TRUE(window->State().ACG_DA.Counts_As_Empty());

  Pick({"IED2", "LD0", "MMXU1", "TotW", "mag", "f"});
  test::Click(window->Btn_AddVar);
  EXPECT_EQ(window->PC_DA_DataSet->currentWidget(), window->TS_DA);
  EXPECT_EQ(window->ACG_DA->rowCount(), 1);
  EXPECT_EQ(window->ACG_DA->Text(0, DA_Col::Index), "1");
  EXPECT_EQ(window->ACG_DA->Text(0, DA_Col::Reference), "IED2LD0/MMXU1.TotW.mag.f");
  EXPECT_EQ(window->ACG_DA->item(0, DA_Col::OnTimer - 1)->checkState(), Qt::Unchecked);
  // The same attribute again: added after a Yes to the question that it has a row already.
  test::Click(window->Btn_AddVar);
  EXPECT_EQ(window->ACG_DA->rowCount(), 2);
  EXPECT_EQ(window->ACG_DA->model()->headerData(1, Qt::Vertical).toString(), "2");
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].kind, "question");
  messages.shown.clear();

  Pick({"IED2", "LD0", "LLN0", "DS1"});
  ASSERT_NE(window->State().Selected_IEC_DS, nullptr);
  // Another server chosen: the selection is gone with its tree.
  Choose_Server(0);
  EXPECT_EQ(window->State().Selected_IEC_DS, nullptr);
  test::Click(window->Btn_AddVar);
  EXPECT_TRUE(window->State().ACG_DataSet.Counts_As_Empty());

  Pick({"IED1", "LD0", "LLN0", "DS1"});
  test::Click(window->Btn_AddVar);
  EXPECT_EQ(window->PC_DA_DataSet->currentWidget(), window->TS_DataSet);
  EXPECT_EQ(window->ACG_DataSet->Text(0, DS_Col::Index), "0");
  EXPECT_EQ(window->ACG_DataSet->Text(0, DS_Col::GooseName), "gcb1");
  EXPECT_EQ(window->ACG_DataSet->item(0, DS_Col::EnGoose - 1)->checkState(), Qt::Checked);
  EXPECT_EQ(window->ACG_DS_Vars->rowCount(), 3);
  EXPECT_EQ(window->ACG_DS_Vars->Text(2, Var_Col::Reference), "IED1LD0/MMXU1.TotW.mag.f");
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Access_Window, Removing_Servers) {
  ASSERT_TRUE(Open_Editor());
  Add_Server("a.icd");
  Add_Server("b.icd");
  Add_Server("a.icd");  // same file again: the overwrite question, answered Yes
  ASSERT_EQ(window->LB_IEC_Devices->count(), 3);
  Choose_Server(2);
  Pick({"IED1", "LD0", "LLN0", "Mod", "q"});
  test::Click(window->Btn_AddVar);
  Choose_Server(1);
  Pick({"IED2", "LD0", "LLN0", "DS2"});
  test::Click(window->Btn_AddVar);

  // Server 1 is used by the data set row, server 2 by the variable row.
  for (int position : {1, 2}) {
    Choose_Server(position);
    test::Click(window->Btn_Remove_IEC_Device);
    EXPECT_EQ(window->LB_IEC_Devices->count(), 3);
  }
  Choose_Server(0);
  Pick({"IED1", "LD0", "LLN0", "Mod", "stVal"});
  test::Click(window->Btn_Remove_IEC_Device);
  ASSERT_EQ(window->LB_IEC_Devices->count(), 2);
  EXPECT_EQ(test::Top_Count(window->TV_IEC_Device), 0);
  EXPECT_EQ(window->State().Selected_IEC_DA, nullptr);
  EXPECT_EQ(window->ACG_DA->Text(0, DA_Col::Index), "1");
  EXPECT_EQ(window->ACG_DataSet->Text(0, DS_Col::Index), "0");
  test::Click(window->Btn_AddVar);
  EXPECT_EQ(window->ACG_DA->rowCount(), 1);

  // Nothing chosen in the list: nothing removed.
  window->LB_IEC_Devices->setCurrentRow(-1);
  test::Click(window->Btn_Remove_IEC_Device);
  EXPECT_EQ(window->LB_IEC_Devices->count(), 2);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].kind, "question");
  EXPECT_EQ(messages.shown[0].text,
            "File a.icd already exists in catalog directory. Do you want to overwrite file?");
}

TEST_F(Access_Window, Catalog_Answers_And_Failures) {
  ASSERT_TRUE(Open_Editor());
  Add_Server("a.icd");
  messages.answers = {Answer::Cancel};
  Add_Server("a.icd");
  EXPECT_EQ(window->LB_IEC_Devices->count(), 1);

  // The catalog's copy is kept and imported on No.
  test::Write(dir / "a.icd", test::Fake_Scl("CHANGED"));
  messages.answers = {Answer::No};
  Add_Server("a.icd");
  ASSERT_EQ(window->LB_IEC_Devices->count(), 2);
  EXPECT_EQ(window->LB_IEC_Devices->item(1)->text(), "IED1");

  messages.shown.clear();
  Add_Server("nowhere.icd");
  EXPECT_EQ(window->LB_IEC_Devices->count(), 2);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].kind, "error");
  EXPECT_NE(messages.Last().find("No such file"), std::string::npos) << messages.Last();

  test::Write(dir / "bad.icd", "<SCL");
  Add_Server("bad.icd");
  EXPECT_EQ(window->LB_IEC_Devices->count(), 2);
  EXPECT_NE(messages.Last().find("unexpected end of data"), std::string::npos);

  chosen.clear();  // the file dialog was cancelled
  test::Click(window->Btn_Add_IEC_Device);
  EXPECT_EQ(messages.shown.size(), 2u);
}

// The main path through the buttons and cells: a server added, a variable and a data set added,
// the row checks at OK one after the other, the file saved and shown again.
TEST_F(Access_Window, Ok_Validates_Saves_And_The_File_Comes_Back) {
  ASSERT_TRUE(Show_With_Variable());
  test::Click(window->Btn_OK);
  EXPECT_EQ(messages.Last(), Ip_Error);
  EXPECT_FALSE(util::File_Exists(ctx.IEC_Client_File));
  EXPECT_TRUE(window->isVisible());

  const struct {
    int column;
    const char* typed;
    std::string next_error;  // shown by the OK that follows
  } entries[] = {
      {DA_Col::IPAddress, "127.0.0.1", Row_1(access_strings::Text_Row_Bad_Port)},
      {DA_Col::Port, "102", Row_1(Bad_Position)},
      {DA_Col::Position, "0", Row_1(access_strings::Text_Row_Bad_Factor)},
      {DA_Col::MoltFact, "1,5", Row_1(access_strings::Text_Row_ReadWrite)},
      {DA_Col::ReadWrite, "W", ""},
  };
  for (const auto& e : entries) {
    SCOPED_TRACE(e.typed);
    messages.shown.clear();
    test::Type_In_Cell(window->ACG_DA, 0, e.column - 1, e.typed);
    test::Click(window->Btn_OK);
    if (!e.next_error.empty()) {
      EXPECT_EQ(messages.Last(), e.next_error);
    }
  }
  EXPECT_TRUE(messages.shown.empty()) << messages.Last();
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(window->result(), QDialog::Accepted);
  std::string saved = test::Read(ctx.IEC_Client_File);
  EXPECT_NE(saved.find("ReadWrite=\"Write\""), std::string::npos) << saved;
  EXPECT_NE(saved.find("MoltFact=\"1,5\""), std::string::npos) << saved;

  // On Timer ticked with the space bar needs a time; a data set row is checked no further.
  ASSERT_TRUE(test::Activate(window.get()));
  test::Click_Cell(window->ACG_DA, 0, DA_Col::OnTimer - 1);
  test::Press(Qt::Key_Space);
  test::Click(window->Btn_OK);
  EXPECT_EQ(messages.Last(), Row_1(access_strings::Text_Row_Bad_Time));
  test::Type_In_Cell(window->ACG_DA, 0, DA_Col::Time - 1, "1000");
  Choose_Server(0);
  Pick({"IED1", "LD0", "LLN0", "DS1"});
  test::Click(window->Btn_AddVar);
  test::Type_In_Cell(window->ACG_DataSet, 0, DS_Col::Port - 1, "not checked");
  // The members are checked like the variable rows: a fresh member has no position.
  test::Click(window->Btn_OK);
  EXPECT_EQ(messages.Last(), Member_Of_Row_1(1, Bad_Position));
  for (int k = 0; k < 3; ++k) {
    test::Type_In_Cell(window->ACG_DS_Vars, k, Var_Col::Position - 1, QString::number(43 + k));
    test::Type_In_Cell(window->ACG_DS_Vars, k, Var_Col::MultFact - 1, "1");
  }
  const struct {
    int column;
    const char* typed;
    const char* good;
    std::string error;
  } bad_member[] = {
      {Var_Col::Position, "1400", "44", Bad_Position},
      {Var_Col::Position, "abc", "44", Bad_Position},
      {Var_Col::Position, "65536", "44", Bad_Position},
      {Var_Col::MultFact, "x1", "1", Texts[access_strings::Text_Row_Bad_Factor]},
  };
  for (const auto& b : bad_member) {
    SCOPED_TRACE(b.typed);
    test::Type_In_Cell(window->ACG_DS_Vars, 1, b.column - 1, b.typed);
    test::Click(window->Btn_OK);
    EXPECT_EQ(messages.Last(), Member_Of_Row_1(2, b.error));
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(test::Read(ctx.IEC_Client_File), saved);
    test::Type_In_Cell(window->ACG_DS_Vars, 1, b.column - 1, b.good);
  }
  messages.shown.clear();
  test::Click(window->Btn_OK);
  EXPECT_TRUE(messages.shown.empty()) << messages.Last();
  EXPECT_EQ(window->result(), QDialog::Accepted);
  saved = test::Read(ctx.IEC_Client_File);
  EXPECT_NE(saved.find("OnTimer=\"Y\" Time=\"1000\""), std::string::npos) << saved;
  EXPECT_NE(saved.find("Port=\"not checked\""), std::string::npos);

  // A new opening shows the file; OK without changes writes the same bytes.
  ASSERT_TRUE(test::Activate(window.get()));
  EXPECT_EQ(test::Top_Count(window->TV_IEC_Device), 0);
  EXPECT_EQ(window->LB_IEC_Devices->count(), 1);
  EXPECT_EQ(window->ACG_DA->Text(0, DA_Col::MoltFact), "1,5");
  EXPECT_EQ(window->ACG_DA->item(0, DA_Col::OnTimer - 1)->checkState(), Qt::Checked);
  test::Click_Tab(window->PC_DA_DataSet, window->TS_DataSet);
  test::Click_Cell(window->ACG_DataSet, 0, DS_Col::Mnemonic - 1);
  EXPECT_EQ(window->ACG_DS_Vars->Text(1, Var_Col::Position), "44");
  test::Write(ctx.IEC_Client_File, "");  // proves the next OK writes again
  test::Click(window->Btn_OK);
  EXPECT_EQ(test::Read(ctx.IEC_Client_File), saved);
}

// Cancel, Escape and the close button ask before changes are thrown away; without changes they
// close at once. A second Escape after the one that ends a cell edit is what asks.
TEST_F(Access_Window, Leaving_Without_Ok_Asks_Only_After_Changes) {
  const std::function<void()> leave[] = {
      [this] { test::Click(window->Btn_Cancel); },  // Cancel
      [] { test::Press(Qt::Key_Escape); },          // Escape
      [this] { window->close(); },                  // the window's close button
  };
  for (size_t way = 0; way < std::size(leave); ++way) {
    SCOPED_TRACE(way);
    messages.shown.clear();
    ASSERT_TRUE(test::Activate(window.get()));
    leave[way]();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(messages.shown.empty());

    ASSERT_TRUE(Show_With_Variable());
    test::Type_In_Cell(window->ACG_DA, 0, DA_Col::Mnemonic - 1, "pump");
    test::Click_Cell(window->ACG_DA, 0, DA_Col::Port - 1);
    test::Type("9");
    test::Press(Qt::Key_Escape);  // ends the edit without storing it; the editor stays open
    EXPECT_TRUE(window->isVisible());
    messages.shown.clear();  // the catalog's overwrite question from the second round on
    messages.answers = {Answer::No};
    leave[way]();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, "question");
    EXPECT_EQ(messages.shown[0].text, "The changes have not been saved. Discard them and close?");
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->State().ACG_DA.Cell(0, DA_Col::Mnemonic), "pump");
    EXPECT_EQ(window->State().ACG_DA.Cell(0, DA_Col::Port), "");
    messages.answers = {Answer::Yes};
    leave[way]();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), QDialog::Rejected);
    EXPECT_FALSE(util::File_Exists(ctx.IEC_Client_File));
    EXPECT_EQ(messages.shown.size(), 2u);
  }
}

// Delete empties an editable text cell and leaves every other kind of cell as it is.
TEST_F(Access_Window, Delete_Key_Empties_Text_Cells_Only) {
  ASSERT_TRUE(Show_With_Variable());
  Complete(0, "0", "1,5");
  test::Click_Cell(window->ACG_DA, 0, DA_Col::OnChange - 1);
  test::Press(Qt::Key_Space);
  const struct {
    int column;
    std::string after;
  } cases[] = {{DA_Col::MoltFact, ""},
               {DA_Col::Port, ""},
               {DA_Col::Reference, "IED1LD0/LLN0.Mod.stVal"},
               {DA_Col::ReadWrite, "Read"},
               {DA_Col::OnChange, "Y"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.column);
    test::Click_Cell(window->ACG_DA, 0, c.column - 1);
    test::Press(Qt::Key_Delete);
    EXPECT_EQ(window->ACG_DA->Text(0, c.column), c.after);
    EXPECT_EQ(window->State().ACG_DA.Cell(0, c.column), c.after);
  }
}

TEST_F(Access_Window, Member_Table_Follows_The_Current_Data_Set_Row) {
  ASSERT_TRUE(Open_Editor());
  Add_Server("a.icd");
  Choose_Server(0);
  Pick({"IED1", "LD0", "LLN0", "DS1"});
  test::Click(window->Btn_AddVar);
  Pick({"IED1", "LD0", "LLN0", "DS2"});
  test::Click(window->Btn_AddVar);
  EXPECT_EQ(window->ACG_DS_Vars->rowCount(), 1);  // DS2 has one member
  Set_Cell(window->ACG_DS_Vars, 0, Var_Col::Mnemonic, "of DS2");

  // The row above made current by the keyboard.
  test::Click_Cell(window->ACG_DataSet, 1, DS_Col::Mnemonic - 1);
  test::Press(Qt::Key_Up);
  ASSERT_EQ(window->ACG_DS_Vars->rowCount(), 3);
  Set_Cell(window->ACG_DS_Vars, 2, Var_Col::MultFact, "0.1");
  EXPECT_EQ(window->State().List_DataSet[0].List_DAs[2].multFactor, "0.1");
  EXPECT_EQ(window->State().List_DataSet[1].List_DAs[0].Mnemonic, "of DS2");

  // Removing the current row shows the members of the row that takes its place.
  test::Click_Tab(window->PC_DA_DataSet, window->TS_DataSet);
  test::Click(window->Btn_RemoveVar);
  ASSERT_EQ(window->ACG_DataSet->rowCount(), 1);
  EXPECT_EQ(window->ACG_DS_Vars->rowCount(), 1);
  EXPECT_EQ(window->ACG_DS_Vars->Text(0, Var_Col::Mnemonic), "of DS2");
  test::Click(window->Btn_RemoveVar);
  EXPECT_TRUE(window->State().ACG_DataSet.Counts_As_Empty());
  EXPECT_EQ(window->ACG_DS_Vars->rowCount(), 1);
  EXPECT_EQ(window->ACG_DS_Vars->Text(0, Var_Col::Reference), "");
  EXPECT_FALSE(window->ACG_DS_Vars->item(0, Var_Col::Position - 1)->flags() & Qt::ItemIsEditable);
}

TEST_F(Access_Window, Table_Cells) {
  ASSERT_TRUE(Open_Editor());
  Selection_Grid* grid = window->ACG_DA;
  EXPECT_EQ(grid->columnCount(), 16);
  EXPECT_EQ(grid->Corner_Text(), "N");
  auto text = [](int index) { return QString::fromStdString(Texts[index]); };
  EXPECT_EQ(grid->horizontalHeaderItem(DA_Col::MoltFact - 1)->text(),
            text(access_strings::Text_Column_Headers.At(DA_Col::MoltFact)));
  EXPECT_EQ(grid->horizontalHeaderItem(DA_Col::Port - 1)->toolTip(),
            "Insert the Communication Port of IEC61850 Server");
  EXPECT_EQ(window->ACG_DataSet->horizontalHeaderItem(DS_Col::GooseName - 1)->text(),
            text(access_strings::Text_DataSet_Headers.At(DS_Col::GooseName)));
  EXPECT_EQ(window->ACG_DataSet->horizontalHeaderItem(0)->toolTip(), "Index");
  EXPECT_EQ(window->ACG_DS_Vars->horizontalHeaderItem(Var_Col::MultFact - 1)->text(),
            text(access_strings::Text_Member_Headers.At(Var_Col::MultFact)));

  // The index is set by Add Var and the server list only.
  for (int c : {DA_Col::Index, DA_Col::bType, DA_Col::fc, DA_Col::Reference})
    EXPECT_FALSE(grid->item(0, c - 1)->flags() & Qt::ItemIsEditable) << c;
  EXPECT_FALSE(window->ACG_DataSet->item(0, DS_Col::Index - 1)->flags() & Qt::ItemIsEditable);

  // List cells offer exactly their texts.
  auto offered = [&](Selection_Grid* table, int column) {
    QStyleOptionViewItem option;
    const QModelIndex index = table->model()->index(0, column - 1);
    std::unique_ptr<QWidget> editor(
        table->itemDelegate()->createEditor(table->viewport(), option, index));
    auto* combo = qobject_cast<QComboBox*>(editor.get());
    QStringList texts;
    for (int i = 0; combo && i < combo->count(); ++i) texts << combo->itemText(i);
    return texts;
  };
  EXPECT_EQ(offered(grid, DA_Col::StartBit), QStringList({"0", "1", "2", "3", "4", "5", "6", "7"}));
  EXPECT_EQ(offered(grid, DA_Col::ReadWrite), QStringList({"Read", "Write"}));
  EXPECT_EQ(offered(grid, DA_Col::Convertion), QStringList({"None", "ItoF/FtoI"}));
  EXPECT_EQ(offered(window->ACG_DS_Vars, Var_Col::StartBit).size(), 8);
  EXPECT_TRUE(offered(grid, DA_Col::Mnemonic).isEmpty());

  // Check boxes hold "Y"/"N".
  test::Click_Cell(grid, 0, DA_Col::OnCMD - 1);
  test::Press(Qt::Key_Space);
  EXPECT_EQ(window->State().ACG_DA.Cell(0, DA_Col::OnCMD), "Y");
  test::Press(Qt::Key_Space);
  EXPECT_EQ(window->State().ACG_DA.Cell(0, DA_Col::OnCMD), "N");

  // A row number in any table picks that row of the variable table.
  Add_Server("a.icd");
  Choose_Server(0);
  Pick({"IED1", "LD0", "LLN0", "Mod", "q"});
  test::Click(window->Btn_AddVar);
  test::Click(window->Btn_AddVar);
  Pick({"IED1", "LD0", "LLN0", "DS2"});
  test::Click(window->Btn_AddVar);
  test::Click(window->Btn_AddVar);
  test::Click_Row_Number(window->ACG_DataSet, 1);
  EXPECT_EQ(grid->currentRow(), 1);
  EXPECT_TRUE(grid->selectionModel()->isRowSelected(1, QModelIndex()));

  // Enter moves right when the option is on.
  ctx.Enable_Jump_Field_Tables = true;
  test::Click_Tab(window->PC_DA_DataSet, window->TS_DA);
  test::Click_Cell(grid, 0, DA_Col::Mnemonic - 1);
  test::Press(Qt::Key_Return);
  EXPECT_EQ(grid->currentRow(), 1);
  EXPECT_EQ(grid->currentColumn(), 0);

  // Removing rows of the variable table.
  test::Click_Tab(window->PC_DA_DataSet, window->TS_DA);
  test::Click(window->Btn_RemoveVar);
  test::Click(window->Btn_RemoveVar);
  EXPECT_EQ(grid->rowCount(), 1);
  EXPECT_EQ(grid->Text(0, DA_Col::Index), "");
}

// A click on the current cell and typing at once edits that cell, replacing its text, in every
// table; no other row changes and the current row stays.
TEST_F(Access_Window, Typing_Right_After_A_Click_Edits_The_Clicked_Cell) {
  ASSERT_TRUE(test::Activate(window.get()));
  Add_Server("a.icd");
  Choose_Server(0);
  Pick({"IED1", "LD0", "LLN0", "Mod", "q"});
  for (int i = 0; i < 3; ++i) test::Click(window->Btn_AddVar);
  Pick({"IED1", "LD0", "LLN0", "DS2"});
  test::Click(window->Btn_AddVar);
  Pick({"IED1", "LD0", "LLN0", "DS1"});  // three members
  test::Click(window->Btn_AddVar);

  const struct {
    Selection_Grid* grid;
    int column;
    int rows;
  } cases[] = {{window->ACG_DA, DA_Col::MoltFact, 3},
               {window->ACG_DS_Vars, Var_Col::Position, 3},
               {window->ACG_DataSet, DS_Col::Port, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.grid->objectName().toStdString());
    test::Click_Tab(window->PC_DA_DataSet,
                    c.grid == window->ACG_DA ? window->TS_DA : window->TS_DataSet);
    const std::vector<QString> before = {"10", "2", "3"};
    for (int r = 0; r < c.rows; ++r) Set_Cell(c.grid, r, c.column, before[static_cast<size_t>(r)]);
    const int row = c.rows - 1;
    test::Click_Cell(c.grid, row, c.column - 1);
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    test::Click_Cell(c.grid, row, c.column - 1);
    test::Type("1.5");
    test::Press(Qt::Key_Return);
    EXPECT_EQ(c.grid->currentRow(), row);
    for (int r = 0; r < c.rows; ++r)
      EXPECT_EQ(c.grid->Text(r, c.column),
                r == row ? "1.5" : before[static_cast<size_t>(r)].toStdString())
          << "row " << r;
  }
  EXPECT_EQ(window->State().ACG_DA.Cell(2, DA_Col::MoltFact), "1.5");
  EXPECT_EQ(window->State().ACG_DA.Cell(0, DA_Col::MoltFact), "10");
  EXPECT_EQ(window->State().List_DataSet[1].List_DAs[2].Position, "1.5");
  EXPECT_EQ(window->State().ACG_DataSet.Cell(1, DS_Col::Port), "1.5");
}

TEST_F(Access_Window, A_New_Configuration_Opens_Empty) {
  ASSERT_TRUE(Open_Editor());
  Add_Server("a.icd");
  Choose_Server(0);
  Pick({"IED1", "LD0", "LLN0", "DS1"});
  test::Click(window->Btn_AddVar);
  Pick({"IED1", "LD0", "LLN0", "Mod", "q"});
  test::Click(window->Btn_AddVar);
  Complete(0, "0", "1,5");
  Complete_Members(0);
  test::Click(window->Btn_OK);
  ASSERT_TRUE(util::File_Exists(ctx.IEC_Client_File)) << messages.Last();

  Open_Configuration("other");
  ASSERT_TRUE(Open_Editor());
  EXPECT_EQ(window->LB_IEC_Devices->count(), 0);
  EXPECT_EQ(test::Top_Count(window->TV_IEC_Device), 0);
  for (Selection_Grid* grid : {window->ACG_DA, window->ACG_DataSet, window->ACG_DS_Vars}) {
    EXPECT_EQ(grid->rowCount(), 1);
    EXPECT_EQ(grid->Text(0, 1), "");
  }
  EXPECT_EQ(window->State().List_DataSet.size(), 1u);
}

TEST_F(Access_Window, Missing_Catalog_Files_Are_Announced) {
  util::Force_Dirs(ctx.Active_Conf_Dir + "/ICD_Catalog");
  test::Write(ctx.Active_Conf_Dir + "/ICD_Catalog/b.icd", test::Fake_Scl("IED2"));
  test::Write(ctx.IEC_Client_File,
              "<IEC_68850_Client><List_ICD_Files><ICD_File Name=\"IED1\" FileName=\"a.icd\"/>"
              "<ICD_File Name=\"IED2\" FileName=\"b.icd\"/></List_ICD_Files>"
              "<List_DA_Selected/><List_DataSet_Selected/></IEC_68850_Client>");
  ASSERT_TRUE(Open_Editor());
  EXPECT_EQ(window->LB_IEC_Devices->count(), 1);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].kind, "warning list");
  EXPECT_NE(messages.Last().find("a.icd"), std::string::npos);
}

TEST_F(Access_Window, Unreadable_Client_File_Keeps_The_Editor_Closed) {
  const std::string content =
      "<IEC_68850_Client><List_ICD_Files><ICD_File Name=\"IED1\" FileName=\"a.icd\"/>"
      "</List_ICD_Files></IEC_68850_Client>";
  test::Write(ctx.IEC_Client_File, content);
  EXPECT_EQ(window->exec(), QDialog::Rejected);  // returns at once: nothing was shown
  EXPECT_FALSE(window->isVisible());
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].kind, "error");
  EXPECT_NE(messages.Last().find("IEC_61850_Client.xml"), std::string::npos);
  EXPECT_NE(messages.Last().find("List_DA_Selected"), std::string::npos);

  // Shown another way, it closes again by itself, and OK never saves.
  window->show();
  test::Click(window->Btn_OK);
  QCoreApplication::processEvents();
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(test::Read(ctx.IEC_Client_File), content);
}

// Anything in the client file's place that is not a readable file is no missing file: the
// editor says why and stays closed, and opening it never waits on a FIFO.
TEST_F(Access_Window, A_Client_File_That_Is_Not_A_Regular_File_Keeps_The_Editor_Closed) {
  ASSERT_EQ(mkfifo(ctx.IEC_Client_File.c_str(), 0644), 0);
  EXPECT_EQ(window->exec(), QDialog::Rejected);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].kind, "error");
  EXPECT_NE(messages.Last().find(ctx.IEC_Client_File), std::string::npos) << messages.Last();
  EXPECT_NE(messages.Last().find("not a regular file"), std::string::npos) << messages.Last();
}

// The editor on a real SCL file with the product's own import, through OK and a new opening.
TEST_F(Access_Window, Real_Sample_Through_The_Import) {
  RQ_SCL_SAMPLES_OR_SKIP();
  const std::string samples = test::Scl_Samples_Dir();
  window->Import_Scl = Import_Device_Following;
  window->Check_Scl = check::Check_Scl_File;
  ASSERT_TRUE(Open_Editor());
  Add_Server(samples + "/simpleIO_direct_control_goose.cid");
  ASSERT_EQ(window->LB_IEC_Devices->count(), 1) << messages.Last();
  Choose_Server(0);
  test::Tree_Item top = test::Top(window->TV_IEC_Device, 0);
  ASSERT_NE(top, nullptr);
  EXPECT_EQ(top->text(0), QString::fromStdString(window->State().List_IEC_Dev[0]->Name()));

  // The first data set of the tree, with its members.
  test::Tree_Item data_set = nullptr;
  for (const test::Tree_Item& item : test::All_Items(window->TV_IEC_Device))
    if (data_set == nullptr && item->foreground(0).color() == QColor(0x00, 0x80, 0x00))
      data_set = item;
  ASSERT_NE(data_set, nullptr);
  test::Click_Item(window->TV_IEC_Device, data_set);
  test::Click(window->Btn_AddVar);
  const int members = window->ACG_DS_Vars->rowCount();
  ASSERT_GT(members, 0);
  // Every member needs a place and a factor before OK saves.
  for (int k = 0; k < members; ++k) {
    Set_Cell(window->ACG_DS_Vars, k, Var_Col::Position,
             QString::number(k == members - 1 ? 7 : 100 + k));
    Set_Cell(window->ACG_DS_Vars, k, Var_Col::MultFact, "1");
  }
  test::Click(window->Btn_OK);
  ASSERT_TRUE(messages.shown.empty()) << messages.Last();
  const std::string saved = test::Read(ctx.IEC_Client_File);

  ASSERT_TRUE(Open_Editor());
  Show_Members(0);
  EXPECT_EQ(window->ACG_DS_Vars->rowCount(), members);
  EXPECT_EQ(window->ACG_DS_Vars->Text(members - 1, Var_Col::Position), "7");
  test::Click(window->Btn_OK);
  EXPECT_EQ(test::Read(ctx.IEC_Client_File), saved);
}

// A click delivered to whatever lies under the pointer at the centre of a cell: the table, or a
// cell editor open there, as the window system would.
void Click_Under_Pointer(QTableWidget* table, int row, int column) {
  table->scrollToItem(table->item(row, column));
  const QPoint point = table->visualItemRect(table->item(row, column)).center();
  QWidget* target = table->viewport()->childAt(point);
  if (target == nullptr) target = table->viewport();
  QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier,
                    target->mapFrom(table->viewport(), point));
}

// Typing replaces a cell's text however the cell became current: clicked once, clicked again
// slowly (no editor opens for the second click to land in), or left current by Enter. The
// index is not typed into.
TEST_F(Access_Window, Typing_Into_The_Current_Cell_Replaces_Its_Text) {
  ASSERT_TRUE(test::Activate(window.get()));
  Add_Server("a.icd");
  Choose_Server(0);
  Pick({"IED1", "LD0", "LLN0", "Mod", "q"});
  test::Click(window->Btn_AddVar);
  Selection_Grid* grid = window->ACG_DA;
  const int wait = QApplication::doubleClickInterval() + 50;
  // Way 0 clicks a cell that is not current yet.
  Click_Under_Pointer(grid, 0, DA_Col::Reference - 1);
  ASSERT_TRUE(QTest::qWaitFor([grid] { return grid->hasFocus(); }));
  const std::function<void(int)> make_current[] = {
      [&](int column) { Click_Under_Pointer(grid, 0, column - 1); },
      [&](int column) {
        for (int i = 0; i < 3; ++i) {
          Click_Under_Pointer(grid, 0, column - 1);
          QTest::qWait(wait);
        }
      },
      [&](int column) {
        Click_Under_Pointer(grid, 0, column - 1);
        test::Press(Qt::Key_Return);
      },
  };
  for (size_t way = 0; way < std::size(make_current); ++way) {
    SCOPED_TRACE(way);
    for (int column : {DA_Col::Position, DA_Col::Mnemonic, DA_Col::Index}) {
      SCOPED_TRACE(column);
      const std::string before = window->State().ACG_DA.Cell(0, column);
      if (column != DA_Col::Index) Set_Cell(grid, 0, column, "0");
      make_current[way](column);
      test::Type("1300");
      test::Press(Qt::Key_Return);
      EXPECT_EQ(window->State().ACG_DA.Cell(0, column), column == DA_Col::Index ? before : "1300");
    }
  }
  EXPECT_EQ(window->State().ACG_DA.Cell(0, DA_Col::Index), "0");
}

}  // namespace
