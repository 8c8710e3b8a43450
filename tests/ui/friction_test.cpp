// The access editor on long jobs: file dialogs that open where the last file was picked, the
// address option beside Add Var, the keyboard on the rows just added, selections extended with
// Ctrl+Shift keys, Shift+click over filter matches after paging, the filter of another
// configuration, the IED chooser's marks and widths, and whole references in tooltips. Driven
// with real clicks and keys.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeView>
#include <functional>

#include "access/access_strings.h"
#include "access_ui/access_window.h"
#include "access_ui/ied_chooser_dialog.h"
#include "access_ui/map_page_qt.h"
#include "access_ui/selection_grid_qt.h"
#include "access_ui/tree_filter_qt.h"
#include "access_ui/tree_panel_qt.h"
#include "app/main_window.h"
#include "app/soft_options_dialog.h"
#include "check/check_report_dialog.h"
#include "support/recording_messages.h"
#include "support/test_support.h"
#include "support/user_input.h"
#include "util/files.h"

namespace {

using namespace UIEC_61850_Access;

// One logical device of `lns` GGIO nodes, each with Ind1 and Ind2 (stVal and q).
std::string Many_Lns(int lns) {
  std::string text =
      "<SCL><IED name='IED1'><AccessPoint name='A'><Server><LDevice inst='LD0'>"
      "<LN0 lnClass='LLN0' inst='' lnType='L0'/>";
  for (int i = 1; i <= lns; ++i)
    text += "<LN lnClass='GGIO' inst='" + std::to_string(i) + "' lnType='G'/>";
  return text +
         "</LDevice></Server></AccessPoint></IED><DataTypeTemplates>"
         "<LNodeType id='L0' lnClass='LLN0'><DO name='Mod' type='SPS'/></LNodeType>"
         "<LNodeType id='G' lnClass='GGIO'><DO name='Ind1' type='SPS'/>"
         "<DO name='Ind2' type='SPS'/></LNodeType>"
         "<DOType id='SPS' cdc='SPS'><DA name='stVal' bType='BOOLEAN' fc='ST'/>"
         "<DA name='q' bType='Quality' fc='ST'/></DOType></DataTypeTemplates></SCL>";
}

// Answers the next file dialog: notes the folder it opens in, then types `name` and Enter, or
// presses Escape when `name` is empty.
void Answer_File_Dialog(std::string* opened_in, const std::string& name) {
  test::When_Modal<QFileDialog>([opened_in, name](QFileDialog* dialog) {
    *opened_in = dialog->directory().absolutePath().toStdString();
    if (name.empty()) {
      test::Press(Qt::Key_Escape);
      return;
    }
    test::Type(QString::fromStdString(name));
    test::Press(Qt::Key_Return);
  });
}

struct Friction : ::testing::Test {
  test::Temp_Dir dir;
  app::App_Context ctx;
  test::Recording_Messages messages;
  std::unique_ptr<TFIEC_61850_Access> window;
  std::string chosen;

  // The editor's own file dialog, which Add_Server replaces.
  std::function<std::string()> default_choose_file;

  void SetUp() override {
    ctx.Active_Conf_Dir = dir / "conf";
    util::Force_Dirs(ctx.Active_Conf_Dir);
    ctx.Set_Files();
    window = std::make_unique<TFIEC_61850_Access>(app::Access_Editor_Options(ctx), messages);
    default_choose_file = window->Choose_File;
    window->Check_Scl = nullptr;
    window->show();
    QApplication::setActiveWindow(window.get());
  }
  // Adds a server of `lns` GGIO nodes and shows its tree.
  void Add_Server(int lns) {
    test::Write(dir / "many.icd", Many_Lns(lns));
    chosen = dir / "many.icd";
    window->Choose_File = [this] { return chosen; };
    test::Click(window->Btn_Add_IEC_Device);
    test::Click_Item(window->LB_IEC_Devices, window->LB_IEC_Devices->count() - 1);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !window->Tree->Indexing(); }));
  }
  void Type_Filter(const QString& text) { test::Retype(window->Tree_Filter->E_Tree_Filter, text); }
  std::vector<test::Tree_Item> Matches() const {
    std::vector<test::Tree_Item> found;
    for (const test::Tree_Item& item : test::All_Items(window->TV_IEC_Device))
      if (item->background(0).style() != Qt::NoBrush) found.push_back(item);
    return found;
  }
  void Shift_Click(test::Tree_Item item) {
    QTest::mouseClick(window->TV_IEC_Device->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                      window->TV_IEC_Device->visualRect(item.index()).center());
  }
};

TEST_F(Friction, File_Dialogs_Open_In_The_Folder_Last_Used) {
  // Add IEC Device: the first pick is typed as a whole path; the next dialog opens there.
  util::Force_Dirs(dir / "scl");
  test::Write(dir / "scl/one.icd", Many_Lns(1));
  std::string opened_in;
  Answer_File_Dialog(&opened_in, dir / "scl/one.icd");
  test::Click(window->Btn_Add_IEC_Device);
  EXPECT_EQ(window->LB_IEC_Devices->count(), 1);
  EXPECT_EQ(ctx.Last_Folders.SCL_File, dir / "scl");
  Answer_File_Dialog(&opened_in, "");
  test::Click(window->Btn_Add_IEC_Device);
  EXPECT_EQ(opened_in, dir / "scl");
  EXPECT_EQ(window->LB_IEC_Devices->count(), 1);  // cancelled: nothing added

  // The Map page's export and import share their folder; the name proposed is map.csv.
  util::Force_Dirs(dir / "maps");
  ctx.Last_Folders.Map_File = dir / "maps";
  QTabBar* tabs = window->PC_DA_DataSet->tabBar();
  QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(2).center());
  Answer_File_Dialog(&opened_in, "");
  test::Click(window->TS_Map->Btn_Export_Map);
  EXPECT_EQ(opened_in, dir / "maps");
  util::Force_Dirs(dir / "maps2");
  Answer_File_Dialog(&opened_in, dir / "maps2/m.csv");
  test::Click(window->TS_Map->Btn_Export_Map);
  EXPECT_TRUE(util::File_Exists(dir / "maps2/m.csv"));
  Answer_File_Dialog(&opened_in, "");
  test::Click(window->TS_Map->Btn_Import_Map);
  EXPECT_EQ(opened_in, dir / "maps2");

  // The check report's CSV.
  util::Force_Dirs(dir / "reports");
  ctx.Last_Folders.Report_File = dir / "reports";
  test::When_Modal<TFCheck_Report>([&opened_in](TFCheck_Report* report) {
    Answer_File_Dialog(&opened_in, "r.csv");
    test::Click(report->Btn_Save_Csv);
    test::Click(report->Btn_Cancel);
  });
  test::Click(window->Btn_Check);
  EXPECT_EQ(opened_in, dir / "reports");
  EXPECT_TRUE(util::File_Exists(dir / "reports/r.csv"));
  EXPECT_TRUE(messages.shown.empty());
}

// Each file dialog says what it is for: Replace SCL file's is not titled Add IEC Device, and the
// check report's CSV is proposed as <configuration>-check.csv.
TEST_F(Friction, File_Dialogs_Are_Titled_And_Named_For_Their_Command) {
  Add_Server(1);
  window->Choose_File = default_choose_file;
  QString title;
  test::When_Modal<QFileDialog>([&title](QFileDialog* dialog) {
    title = dialog->windowTitle();
    test::Press(Qt::Key_Escape);
  });
  test::Click(window->Btn_Replace_Scl);
  EXPECT_EQ(title, "Replace SCL file...");
  test::When_Modal<QFileDialog>([&title](QFileDialog* dialog) {
    title = dialog->windowTitle();
    test::Press(Qt::Key_Escape);
  });
  test::Click(window->Btn_Add_IEC_Device);
  EXPECT_EQ(title, "Add IEC Device");

  util::Force_Dirs(dir / "reports");
  ctx.Last_Folders.Report_File = dir / "reports";
  test::When_Modal<TFCheck_Report>([](TFCheck_Report* report) {
    test::When_Modal<QFileDialog>([](QFileDialog*) { test::Press(Qt::Key_Return); });
    test::Click(report->Btn_Save_Csv);
    test::Click(report->Btn_Cancel);
  });
  test::Click(window->Btn_Check);
  EXPECT_TRUE(util::File_Exists(dir / "reports/conf-check.csv"));
  EXPECT_TRUE(messages.shown.empty()) << messages.Last();
}

TEST_F(Friction, Address_Box_And_Options_Show_One_Value) {
  EXPECT_FALSE(window->CB_Address_From_SCL->isChecked());
  test::Click(window->CB_Address_From_SCL);
  EXPECT_TRUE(ctx.Address_From_SCL);
  TFSoftOptions options(ctx, messages, nullptr);
  options.show();
  ASSERT_TRUE(options.CB_Address_From_SCL->isChecked());
  test::Click(options.CB_Address_From_SCL);
  test::Click(options.Btn_OK);
  EXPECT_FALSE(ctx.Address_From_SCL);
  window->hide();
  window->show();
  EXPECT_FALSE(window->CB_Address_From_SCL->isChecked());
}

// Each Add Var leaves the keyboard on the first row it added, whose reference shows whole in its
// tooltip.
TEST_F(Friction, Add_Var_Puts_The_Keyboard_On_The_First_New_Row) {
  Add_Server(3);
  Type_Filter("stval");
  // A logical node adds nothing and leaves the keyboard where it was.
  test::Click_Item(window->TV_IEC_Device, Matches()[1]->parent()->parent());
  test::Click(window->Btn_AddVar);
  EXPECT_TRUE(window->State().ACG_DA.Counts_As_Empty());
  EXPECT_NE(QApplication::focusWidget(), window->ACG_DA);
  for (const int before : {0, 3}) {
    SCOPED_TRACE(before);
    const auto matches = Matches();
    ASSERT_EQ(matches.size(), 7u);  // LLN0.Mod and two per GGIO
    test::Click_Item(window->TV_IEC_Device, matches[1]);
    Shift_Click(matches[3]);
    test::Click(window->Btn_AddVar);
    ASSERT_EQ(window->State().ACG_DA.Row_Count(), before + 3);
    EXPECT_EQ(QApplication::focusWidget(), window->ACG_DA);
    EXPECT_EQ(window->ACG_DA->currentRow(), before);
    const QTableWidgetItem* reference = window->ACG_DA->item(before, DA_Col::Reference - 1);
    EXPECT_EQ(reference->toolTip(), "IED1LD0/GGIO1.Ind1.stVal");
  }
}

TEST(Selection_Keys, Ctrl_Shift_Keys_Extend_The_Selection) {
  const Grid_Column text{Cell_Kind::Text, {}};
  Selection_Grid grid("G", {text, text, text}, nullptr);
  grid.Show_Rows(std::vector<Row>(60, Row(4, "x")));
  grid.resize(400, 300);
  grid.show();
  QApplication::setActiveWindow(&grid);
  // The selected rectangle (rows, then columns, from 0) after a click on (row, column) and keys.
  auto selected_after = [&grid](int row, int column, std::vector<QKeyCombination> keys) {
    test::Click_Cell(&grid, row, column);
    for (QKeyCombination key : keys) QTest::keyClick(&grid, key.key(), key.keyboardModifiers());
    int top = 99, bottom = -1, left = 99, right = -1;
    const auto indexes = grid.selectionModel()->selectedIndexes();
    for (const QModelIndex& i : indexes) {
      top = std::min(top, i.row()), bottom = std::max(bottom, i.row());
      left = std::min(left, i.column()), right = std::max(right, i.column());
    }
    EXPECT_EQ(indexes.size(), (bottom - top + 1) * (right - left + 1));  // one rectangle
    return std::vector<int>{top, bottom, left, right};
  };
  const auto ctrl_shift = Qt::ControlModifier | Qt::ShiftModifier;
  EXPECT_EQ(selected_after(10, 1, {ctrl_shift | Qt::Key_End}), (std::vector<int>{10, 59, 1, 1}));
  EXPECT_EQ(selected_after(10, 1, {ctrl_shift | Qt::Key_Home}), (std::vector<int>{0, 10, 1, 1}));
  EXPECT_EQ(selected_after(0, 0, {Qt::ShiftModifier | Qt::Key_Right, ctrl_shift | Qt::Key_End}),
            (std::vector<int>{0, 59, 0, 1}));
  // Page keys with Ctrl extend as they do without it.
  for (const Qt::Key page : {Qt::Key_PageDown, Qt::Key_PageUp}) {
    const auto plain = selected_after(30, 2, {Qt::ShiftModifier | page});
    EXPECT_EQ(selected_after(30, 2, {ctrl_shift | page}), plain);
    EXPECT_GT(plain[1] - plain[0], 2);
  }
}

// Clicking the first match, paging down with the keyboard to the 83rd and Shift+clicking it
// selects the 83, as it does after scrolling with the wheel.
TEST_F(Friction, Shift_Click_After_Paging_Down_Selects_The_Range_Of_Matches) {
  Add_Server(400);
  Type_Filter("ind1.stval");
  const auto matches = Matches();
  ASSERT_EQ(matches.size(), 400u);
  QTreeView* tree = window->TV_IEC_Device;
  test::Click_Item(tree, matches[0]);
  test::Tree_Item last = matches[82];
  int pages = 0;
  while (!tree->viewport()->rect().contains(tree->visualRect(last.index())) && pages < 100) {
    test::Press(Qt::Key_PageDown);
    ++pages;
  }
  ASSERT_GT(pages, 2);
  Shift_Click(last);
  int selected = 0;
  for (test::Tree_Item match : matches) selected += match->isSelected() ? 1 : 0;
  EXPECT_EQ(selected, 83);
  test::Click(window->Btn_AddVar);
  ASSERT_EQ(window->State().ACG_DA.Row_Count(), 83);
  EXPECT_EQ(window->State().ACG_DA.Cell(82, DA_Col::Reference), "IED1LD0/GGIO83.Ind1.stVal");
}

TEST_F(Friction, Filter_Of_Another_Configuration_Is_Cleared) {
  Add_Server(1);
  Type_Filter("ggio1.ind2");
  QLabel* count = window->Tree_Filter->L_Tree_Matches;
  const auto& s = ctx.Lang_Strings;
  EXPECT_EQ(count->text(), QString::fromStdString(s[access_strings::Text_Matches]).arg(3));
  Type_Filter("ggio1.ind2.q");
  EXPECT_EQ(count->text().toStdString(), s[access_strings::Text_One_Match]);
  // Opened again on the same configuration: the text stays, no count over the empty tree.
  window->hide();
  window->show();
  EXPECT_EQ(window->Tree_Filter->E_Tree_Filter->text(), "ggio1.ind2.q");
  EXPECT_FALSE(count->isVisible());
  EXPECT_EQ(test::Top_Count(window->TV_IEC_Device), 0);
  // Another configuration: no text either.
  window->hide();
  ctx.Active_Conf_Dir = dir / "other";
  util::Force_Dirs(ctx.Active_Conf_Dir);
  ctx.Set_Files();
  window->show();
  EXPECT_EQ(window->Tree_Filter->E_Tree_Filter->text(), "");
  EXPECT_FALSE(count->isVisible());
}

TEST_F(Friction, Chooser_Marks_Ieds_In_The_Catalog_And_Fits_Its_Columns) {
  chosen = test::Data_Dir() + "/scl/fixtures/multi.scd";
  window->Choose_File = [this] { return chosen; };
  test::When_Modal<TFIED_Chooser>([](TFIED_Chooser* chooser) {
    test::Click_Cell(chooser->SG_IEDs, 0, 0);
    test::Click(chooser->Btn_OK);
  });
  test::Click(window->Btn_Add_IEC_Device);
  ASSERT_EQ(window->LB_IEC_Devices->count(), 1);

  std::vector<QString> marks, tips;
  test::When_Modal<TFIED_Chooser>([&](TFIED_Chooser* chooser) {
    for (int r = 0; r < chooser->SG_IEDs->rowCount(); ++r) {
      marks.push_back(chooser->SG_IEDs->item(r, 6)->text());
      tips.push_back(chooser->SG_IEDs->item(r, 6)->toolTip());
    }
    test::Click(chooser->Btn_Cancel);
  });
  test::Click(window->Btn_Add_IEC_Device);
  ASSERT_EQ(marks.size(), 4u);
  EXPECT_EQ(marks, (std::vector<QString>{"multi_P1.scd", "", "", ""}));
  EXPECT_TRUE(tips[0].contains("multi_P1.scd")) << tips[0].toStdString();
  EXPECT_TRUE(tips[1].isEmpty());

  // A long description is shown whole.
  const std::string desc(90, 'd');
  TFIED_Chooser chooser("plant.scd", {{"P1", "Maker", "Relay", desc, "10.0.0.1", true}},
                        test::English());
  chooser.show();
  QTableWidget* grid = chooser.SG_IEDs;
  EXPECT_GE(grid->columnWidth(3),
            grid->fontMetrics().horizontalAdvance(QString::fromStdString(desc)));
}

}  // namespace
