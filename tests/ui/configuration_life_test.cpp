// The access editor over a configuration's life, driven with real clicks and keys: Remove Var on
// every kind of selection with one step of the history, OK's refusal showing the row or member
// it refuses, Add Var on points that already have rows, the SCL files' own findings kept out of
// OK's report unless a row uses what they are about, and the message windows that wrap their
// text and keep work on Enter.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QUndoStack>
#include <memory>

#include "access_ui/access_window.h"
#include "access_ui/map_page_qt.h"
#include "access_ui/selection_grid_qt.h"
#include "app/all_texts.h"
#include "check/check_report_dialog.h"
#include "support/access_editor.h"
#include "support/check_report.h"
#include "support/recording_messages.h"
#include "support/user_input.h"
#include "text/lang_strings.h"
#include "util/files.h"
#include "util/qstring_qt.h"
#include "util/util_strings.h"

namespace {

namespace fs = std::filesystem;
using namespace UIEC_61850_Access;
using Answer = ui::Messages::Answer;

// A click on the number of a table's row with Shift or Ctrl held, as a person extends a
// selection of whole rows.
void Click_Row_Number(QTableWidget* table, int row, Qt::KeyboardModifiers modifiers) {
  QHeaderView* numbers = table->verticalHeader();
  table->scrollToItem(table->item(row, 0));
  const QPoint at(numbers->width() / 2,
                  numbers->sectionViewportPosition(row) + numbers->sectionSize(row) / 2);
  QTest::mouseClick(numbers->viewport(), Qt::LeftButton, modifiers, at);
}

// The editor on stand-in server files, with the four leaf attributes of IED1 as rows 1 to 4 and
// both of its data sets as data set rows 1 and 2.
struct Configuration_Life : test::Access_Editor {
  const std::vector<std::string> leaves = {"IED1LD0/LLN0.Mod.stVal", "IED1LD0/LLN0.Mod.q",
                                           "IED1LD0/LLN0.Mod.t", "IED1LD0/MMXU1.TotW.mag.f"};
  void SetUp() override {
    Access_Editor::SetUp();
    Use_Stand_In_Files();
    ASSERT_TRUE(Open_Editor());
    Add_Server("a.icd");
    Choose_Server(0);
    Pick({"IED1", "LD0", "LLN0", "Mod", "stVal"});
    for (const auto& leaf :
         std::vector<std::vector<QString>>{{"IED1", "LD0", "LLN0", "Mod", "q"},
                                           {"IED1", "LD0", "LLN0", "Mod", "t"},
                                           {"IED1", "LD0", "MMXU1", "TotW", "mag", "f"}})
      Pick(leaf, Qt::ControlModifier);
    Pick({"IED1", "LD0", "LLN0", "DS1"}, Qt::ControlModifier);
    Pick({"IED1", "LD0", "LLN0", "DS2"}, Qt::ControlModifier);
    test::Click(window->Btn_AddVar);
    ASSERT_EQ(window->State().ACG_DA.Row_Count(), 4);
    ASSERT_EQ(window->State().ACG_DataSet.Row_Count(), 2);
    messages.shown.clear();
  }
  std::vector<std::string> Variables() const {
    std::vector<std::string> references;
    const Table& table = window->State().ACG_DA;
    if (!table.Counts_As_Empty())
      for (int r = 0; r < table.Row_Count(); ++r)
        references.push_back(table.Cell(r, DA_Col::Reference));
    return references;
  }
  std::vector<std::string> Data_Sets() const {
    std::vector<std::string> references;
    const Table& table = window->State().ACG_DataSet;
    if (!table.Counts_As_Empty())
      for (int r = 0; r < table.Row_Count(); ++r)
        references.push_back(table.Cell(r, DS_Col::Reference));
    return references;
  }
  void Undo() {
    window->activateWindow();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier);
  }
};

TEST_F(Configuration_Life, Remove_Var_Removes_Every_Selected_Row_As_One_Step) {
  test::Click_Tab(window->PC_DA_DataSet, window->TS_DA);
  const auto all = leaves;
  struct Case {
    const char* name;
    std::function<void()> select;
    std::vector<std::string> left;
  };
  const Case cases[] = {
      {"one cell",
       [&] { test::Click_Cell(window->ACG_DA, 1, DA_Col::Mnemonic - 1); },
       {all[0], all[2], all[3]}},
      {"a block of one column",
       [&] {
         test::Click_Cell(window->ACG_DA, 1, DA_Col::Port - 1);
         test::Click_Cell(window->ACG_DA, 3, DA_Col::Port - 1, Qt::ShiftModifier);
       },
       {all[0]}},
      {"row numbers with Ctrl",
       [&] {
         test::Click_Row_Number(window->ACG_DA, 0);
         Click_Row_Number(window->ACG_DA, 2, Qt::ControlModifier);
         Click_Row_Number(window->ACG_DA, 3, Qt::ControlModifier);
       },
       {all[1]}},
      {"row numbers with Shift",
       [&] {
         test::Click_Row_Number(window->ACG_DA, 1);
         Click_Row_Number(window->ACG_DA, 3, Qt::ShiftModifier);
       },
       {all[0]}},
      {"every row",
       [&] {
         test::Click_Cell(window->ACG_DA, 0, 0);
         QTest::keyClick(window->ACG_DA, Qt::Key_A, Qt::ControlModifier);
       },
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(Variables(), all);
    const int steps = window->History->index();
    c.select();
    test::Click(window->Btn_RemoveVar);
    EXPECT_EQ(Variables(), c.left);
    EXPECT_EQ(window->ACG_DA->rowCount(), std::max<int>(1, static_cast<int>(c.left.size())));
    EXPECT_EQ(window->History->index(), steps + 1);
    EXPECT_EQ(window->Act_Undo->text(), "Undo Remove Var");
    Undo();
    EXPECT_EQ(Variables(), all);
  }

  // The data set rows the same way, picked by their numbers.
  test::Click_Tab(window->PC_DA_DataSet, window->TS_DataSet);
  test::Click_Row_Number(window->ACG_DataSet, 0);
  Click_Row_Number(window->ACG_DataSet, 1, Qt::ShiftModifier);
  test::Click(window->Btn_RemoveVar);
  EXPECT_EQ(Data_Sets(), std::vector<std::string>{});
  EXPECT_EQ(window->ACG_DS_Vars->Text(0, Var_Col::Reference), "");
  Undo();
  EXPECT_EQ(Data_Sets(), (std::vector<std::string>{"IED1LD0/LLN0.DS1", "IED1LD0/LLN0.DS2"}));
  EXPECT_EQ(window->State().List_DataSet[0].List_DAs.size(), 3u);
  EXPECT_TRUE(messages.shown.empty()) << messages.Last();
}

TEST_F(Configuration_Life, Ok_Error_Shows_The_Row_And_Member_On_Their_Page) {
  for (int row = 0; row < 4; ++row) Complete(row, QString::number(row));
  Set_Cell(window->ACG_DA, 2, DA_Col::ReadWrite, "");  // as a file may hold it
  Set_Members(0, {"10", "11", "12"});
  Set_Members(1, {"20"});
  // Check names the row by its rule before OK refuses it.
  std::vector<std::pair<std::string, int>> found;
  test::On_Check_Report([&](TFCheck_Report& report) {
    for (const check::Finding& f : report.Findings()) found.push_back({f.rule, f.row.value_or(0)});
    test::Click(report.Btn_Cancel);
  });
  test::Click(window->Btn_Check);
  EXPECT_EQ(found, (std::vector<std::pair<std::string, int>>{{"rw-invalid", 3}}));
  ASSERT_TRUE(test::Activate(window.get()));  // the editor is active again once Close is pressed
  test::Click_Tab(window->PC_DA_DataSet, window->TS_DataSet);
  test::Click(window->Btn_OK);
  EXPECT_EQ(messages.Last(), "Error row 3!! R/W must be Read or Write");
  EXPECT_EQ(window->PC_DA_DataSet->currentWidget(), window->TS_DA);
  EXPECT_EQ(window->ACG_DA->currentRow(), 2);
  EXPECT_EQ(window->ACG_DA->currentColumn(), DA_Col::ReadWrite - 1);
  EXPECT_TRUE(window->ACG_DA->selectionModel()->isRowSelected(2, {}));
  EXPECT_FALSE(window->ACG_DA->selectionModel()->isRowSelected(0, {}));
  // The cell made current takes the value the message asks for.
  test::Type("R");
  test::Press(Qt::Key_Return);
  EXPECT_EQ(window->State().ACG_DA.Cell(2, DA_Col::ReadWrite), "Read");

  Set_Members(1, {"1400"});
  test::Click_Tab(window->PC_DA_DataSet, window->TS_DA);
  test::Click(window->Btn_OK);
  EXPECT_EQ(messages.Last(), "Error data set row 2 member 1!! Position must be between 0 and 1399");
  EXPECT_EQ(window->PC_DA_DataSet->currentWidget(), window->TS_DataSet);
  EXPECT_EQ(window->ACG_DataSet->currentRow(), 1);
  EXPECT_EQ(window->ACG_DS_Vars->currentRow(), 0);
  EXPECT_EQ(window->ACG_DS_Vars->currentColumn(), Var_Col::Position - 1);
  test::Type("21");
  test::Press(Qt::Key_Return);
  messages.shown.clear();
  test::Click(window->Btn_OK);
  EXPECT_TRUE(messages.shown.empty()) << messages.Last();
  EXPECT_FALSE(window->isVisible());
}

TEST_F(Configuration_Life, Add_Var_Says_How_Many_Rows_Exist_And_Adds_Them_Only_On_Yes) {
  // Every leaf again and one data set again, with Mod.stVal removed first: 3 of 5 have rows.
  test::Click_Cell(window->ACG_DA, 0, 0);
  test::Click(window->Btn_RemoveVar);
  Pick({"IED1", "LD0", "LLN0", "Mod", "stVal"});
  for (const auto& leaf : std::vector<std::vector<QString>>{{"IED1", "LD0", "LLN0", "Mod", "q"},
                                                            {"IED1", "LD0", "LLN0", "Mod", "t"}})
    Pick(leaf, Qt::ControlModifier);
  Pick({"IED1", "LD0", "LLN0", "DS1"}, Qt::ControlModifier);
  messages.answers = {Answer::No};
  test::Click(window->Btn_AddVar);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].kind, "question");
  EXPECT_EQ(messages.shown[0].text,
            "3 of the 4 attributes and data sets picked already have rows in the tables. Add them "
            "again? (No adds only the others.)");
  EXPECT_EQ(Variables(), (std::vector<std::string>{leaves[1], leaves[2], leaves[3], leaves[0]}));
  EXPECT_EQ(Data_Sets().size(), 2u);

  messages.answers = {Answer::Yes};
  test::Click(window->Btn_AddVar);
  EXPECT_EQ(messages.shown.size(), 2u);
  EXPECT_EQ(Variables().size(), 7u);
  EXPECT_EQ(Data_Sets().size(), 3u);

  // A point without a row: no question.
  test::Click_Tab(window->PC_DA_DataSet, window->TS_DA);
  test::Click_Cell(window->ACG_DA, 0, 0);
  QTest::keyClick(window->ACG_DA, Qt::Key_A, Qt::ControlModifier);
  test::Click(window->Btn_RemoveVar);
  Pick({"IED1", "LD0", "LLN0", "Mod", "t"});
  test::Click(window->Btn_AddVar);
  EXPECT_EQ(messages.shown.size(), 2u) << messages.Last();
  EXPECT_EQ(Variables(), std::vector<std::string>{leaves[2]});
}

TEST(Message_Windows, Discard_Question_Keeps_The_Work_On_Enter) {
  const lang::Lang_Strings strings = lang::English_Strings();
  ui::Box_Messages box(strings);
  QString default_button;
  test::When_Modal<QMessageBox>([&](QMessageBox* question) {
    default_button = question->defaultButton() ? question->defaultButton()->text() : "";
    QTest::keyClick(question, Qt::Key_Return);
  });
  EXPECT_EQ(box.Question_Default_No(nullptr, "Discard them and close?"), Answer::No);
  EXPECT_EQ(default_button, ui::Q(strings[util_strings::Text_Button_No]));
  // Other questions keep Yes first.
  test::When_Modal<QMessageBox>(
      [&](QMessageBox* question) { QTest::keyClick(question, Qt::Key_Return); });
  EXPECT_EQ(box.Question(nullptr, "Overwrite?", false), Answer::Yes);
}

TEST(Message_Windows, Long_Lines_Wrap_Instead_Of_Scrolling_Sideways) {
  const lang::Lang_Strings strings = lang::English_Strings();
  const std::string sentence =
      "data set row 1 member 3 IED1LD0/LLN0.Mod.stVal is no longer in the data set: opening "
      "the editor drops it and its settings. ";
  const std::string long_line = sentence + sentence + sentence + sentence;

  // The opening's list of findings.
  ui::Box_Messages box(strings);
  int sideways = -1;
  test::When_Modal<QDialog>([&](QDialog* list) {
    auto* text = list->findChild<QPlainTextEdit*>();
    if (text) sideways = text->horizontalScrollBar()->maximum();
    list->accept();
  });
  box.Warning_List(nullptr, "Rows no longer fit.\n" + long_line + "\n" + long_line);
  EXPECT_EQ(sideways, 0);

  // The check's report: the message column takes the width left and its rows grow.
  check::Finding f;
  f.rule = "member-dropped";
  f.kind = "member";
  f.row = 1;
  f.object = "data set row 1 member 3";
  f.message = long_line;
  test::Recording_Messages messages;
  TFCheck_Report report({f, f}, TFCheck_Report::Purpose::Show, {}, messages, strings);
  report.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&report));
  EXPECT_EQ(report.SG_Findings->horizontalScrollBar()->maximum(), 0);
  EXPECT_GT(report.SG_Findings->rowHeight(0), 2 * report.SG_Findings->fontMetrics().height());

  // A report of thousands keeps rows of one line, each message whole in its tooltip, and the
  // last finding is reached and opened as the first.
  std::vector<check::Finding> many(5000, f);
  for (size_t i = 0; i < many.size(); ++i) many[i].row = static_cast<int>(i) + 1;
  TFCheck_Report long_report(many, TFCheck_Report::Purpose::Show, {}, messages, strings);
  long_report.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&long_report));
  const QAbstractItemModel* rows = long_report.SG_Findings->model();
  ASSERT_EQ(rows->rowCount(), 5000);
  EXPECT_LT(long_report.SG_Findings->rowHeight(4999), report.SG_Findings->rowHeight(0));
  EXPECT_EQ(rows->index(4999, 4).data(Qt::ToolTipRole).toString(),
            QString::fromStdString(long_line));
  test::Double_Click_Cell(long_report.SG_Findings, 4999, 1);
  ASSERT_TRUE(long_report.Activated());
  EXPECT_EQ(long_report.Findings()[*long_report.Activated()].row, 5000);
}

// References that differ only at their end (the attribute) look different in the tables and on
// the Map page: a long one loses its middle.
TEST(Reference_Cells, The_End_Of_A_Long_Reference_Stays_Visible) {
  const std::string common =
      "AA2__E01Q01A2Com_Supervision_GOOSE_Publisher_With_A_Long_Name/LLN0_SupervisionOfTheLink";
  const std::vector<std::string> references = {common + ".Mod.stVal", common + ".Mod.q"};
  auto differ = [](QWidget* window, QTableWidget* table, int column) {
    window->resize(1600, 300);
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
    const QImage first =
        table->viewport()->grab(table->visualItemRect(table->item(0, column))).toImage();
    const QImage second =
        table->viewport()->grab(table->visualItemRect(table->item(1, column))).toImage();
    return first != second;
  };

  Selection_Grid grid("ACG_DA", std::vector<Grid_Column>(DA_Col::Count - 1), nullptr);
  grid.Set_Elide_Middle(DA_Col::Reference);
  std::vector<Row> rows;
  for (const std::string& reference : references) {
    Row row(DA_Col::Count);
    row[DA_Col::Reference] = reference;
    rows.push_back(row);
  }
  grid.Show_Rows(rows);
  grid.setColumnWidth(DA_Col::Reference - 1, 260);
  EXPECT_TRUE(differ(&grid, &grid, DA_Col::Reference - 1));
  EXPECT_EQ(grid.item(0, DA_Col::Reference - 1)->toolTip().toStdString(), references[0]);

  Access_State state;
  for (const std::string& reference : references) {
    const int row = state.ACG_DA.Use_Or_Append();
    state.ACG_DA.Set_Cell(row, DA_Col::Index, "0");
    state.ACG_DA.Set_Cell(row, DA_Col::bType, "BOOLEAN");
    state.ACG_DA.Set_Cell(row, DA_Col::Reference, reference);
    state.ACG_DA.Set_Cell(row, DA_Col::Position, std::to_string(row));
  }
  const lang::Lang_Strings strings = lang::English_Strings();
  test::Recording_Messages messages;
  Map_Page page(state, messages, strings);
  page.Show_Map();
  ASSERT_EQ(page.ACG_Map->rowCount(), 2);
  EXPECT_TRUE(differ(&page, page.ACG_Map, Map_Col::Reference));
}

}  // namespace

namespace {

// The Map page marks an R/W that the image would take as a write without being one.
TEST(Map_Page_Marks, An_R_W_That_Is_Neither_Read_Nor_Write) {
  const std::vector<std::pair<std::string, bool>> cases = {
      {"", true}, {"read", true}, {"X", true}, {"Write", false}, {"Read", false}};
  Access_State state;
  for (size_t k = 0; k < cases.size(); ++k) {
    const int row = state.ACG_DA.Use_Or_Append();
    state.ACG_DA.Set_Cell(row, DA_Col::Index, "0");
    state.ACG_DA.Set_Cell(row, DA_Col::bType, "BOOLEAN");
    state.ACG_DA.Set_Cell(row, DA_Col::Reference, "IED1LD0/GGIO1.Ind" + std::to_string(k));
    state.ACG_DA.Set_Cell(row, DA_Col::Position, std::to_string(k));
    state.ACG_DA.Set_Cell(row, DA_Col::ReadWrite, cases[k].first);
  }
  const lang::Lang_Strings strings = lang::English_Strings();
  test::Recording_Messages messages;
  Map_Page page(state, messages, strings);
  page.Show_Map();
  ASSERT_EQ(page.ACG_Map->rowCount(), static_cast<int>(cases.size()));
  for (int r = 0; r < page.ACG_Map->rowCount(); ++r) {
    const QTableWidgetItem* cell = page.ACG_Map->item(r, Map_Col::ReadWrite);
    const auto& [text, marked] = cases[static_cast<size_t>(
        std::stoi(page.ACG_Map->item(r, Map_Col::Position)->text().toStdString()))];
    SCOPED_TRACE(text);
    EXPECT_EQ(cell->text().toStdString(), text);
    EXPECT_EQ(cell->background().color() == Conflict_Colour, marked);
    EXPECT_EQ(!cell->toolTip().isEmpty(), marked);
  }
}

}  // namespace
