// The check in the windows: the report before Add IEC Device (Add anyway, Cancel, copy, CSV),
// the Check button with a double click on a finding, and OK's one question on errors.
#include "support/check_report.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "access/access_strings.h"
#include "access_ui/access_window.h"
#include "access_ui/selection_grid_qt.h"
#include "check/check_report_dialog.h"
#include "support/access_editor.h"
#include "support/recording_messages.h"
#include "support/table_text.h"
#include "support/test_support.h"
#include "support/user_input.h"
#include "util/files.h"

namespace {

namespace fs = std::filesystem;
using namespace UIEC_61850_Access;

std::string Fixture(const std::string& name) {
  return test::Data_Dir() + "/check/fixtures/" + name;
}

// The report table's rows, and the text of one of its cells.
int Rows(const TFCheck_Report& report) { return report.SG_Findings->model()->rowCount(); }
QString Cell(const TFCheck_Report& report, int row, int column) {
  return report.SG_Findings->model()->index(row, column).data().toString();
}

// The row of the report's table holding `rule` (the first), or -1.
int Row_Of(const TFCheck_Report& report, const QString& rule) {
  for (int r = 0; r < Rows(report); ++r)
    if (Cell(report, r, 1) == rule) return r;
  return -1;
}

struct Check_Report_Window : test::Access_Editor {
  // The editor opened on the revised configuration of the check's fixtures.
  void Open_Revised_Configuration() {
    fs::copy(Fixture("conf"), ctx.Active_Conf_Dir, fs::copy_options::recursive);
    ASSERT_TRUE(Open_Editor());
  }
};

TEST_F(Check_Report_Window, Add_Iec_Device_Shows_The_Findings_First) {
  ASSERT_TRUE(Open_Editor());
  chosen = Fixture("templates.icd");
  const std::string catalog_copy = ctx.Active_Conf_Dir + "/ICD_Catalog/templates.icd";

  // Cancel: nothing is added, nothing reaches the catalog.
  int rows = 0;
  QString intro;
  test::On_Check_Report([&](TFCheck_Report& report) {
    rows = Rows(report);
    intro = report.L_Intro->text();
    EXPECT_TRUE(report.Btn_Go_On->isVisible());
    EXPECT_EQ(report.Btn_Go_On->text(), test::Table_Text(access_strings::Text_Report_Add_Anyway));
    test::Click(report.Btn_Cancel);
  });
  test::Click(window->Btn_Add_IEC_Device);
  EXPECT_EQ(rows, 10);
  EXPECT_NE(intro.indexOf("templates.icd"), -1) << intro.toStdString();
  EXPECT_NE(intro.indexOf("7 errors and 3 warnings"), -1) << intro.toStdString();
  EXPECT_EQ(window->LB_IEC_Devices->count(), 0);
  EXPECT_FALSE(util::Path_Present(catalog_copy));

  // Copy and Save as CSV, then Add anyway.
  const std::string csv = dir / "findings.csv";
  test::On_Check_Report([&](TFCheck_Report& report) {
    report.Choose_Csv_File = [&] { return csv; };
    test::Click(report.Btn_Copy);
    test::Click(report.Btn_Save_Csv);
    test::Click(report.Btn_Go_On);
  });
  test::Click(window->Btn_Add_IEC_Device);
  EXPECT_EQ(window->LB_IEC_Devices->count(), 1);
  EXPECT_TRUE(util::File_Exists(catalog_copy));
  const QString copied = QApplication::clipboard()->text();
  EXPECT_EQ(copied.count('\n'), 10);
  EXPECT_NE(copied.indexOf("error\ttype-cycle\t35\tDAType SELF\t"), -1) << copied.toStdString();
  const std::string written = test::Read(csv);
  EXPECT_EQ(
      written.rfind("\xEF\xBB\xBFSeverity,Rule,File,Line,Kind,Row,Member,Object,Message\r\n", 0),
      0u);
  EXPECT_NE(
      written.find("\r\nerror,type-cycle," + Fixture("templates.icd") + ",35,,,,DAType SELF,"),
      std::string::npos)
      << written;
  EXPECT_TRUE(messages.shown.empty()) << messages.Last();

  // A file without findings is added without a word.
  chosen = Fixture("clean.icd");
  test::Click(window->Btn_Add_IEC_Device);
  EXPECT_EQ(window->LB_IEC_Devices->count(), 2);
  EXPECT_TRUE(messages.shown.empty()) << messages.Last();
}

TEST_F(Check_Report_Window, Chosen_Ieds_Are_Checked_And_Cancel_Adds_None) {
  ASSERT_TRUE(Open_Editor());
  chosen = Fixture("ieds.scd");
  // The IEDs A and B are offered; B alone is chosen: only B's findings and the file's own.
  window->Choose_IEDs = [](const std::string&, const std::vector<IED_Info>& ieds) {
    EXPECT_EQ(ieds.size(), 3u);
    return std::vector<size_t>{1};
  };
  std::vector<std::string> rules;
  test::On_Check_Report([&](TFCheck_Report& report) {
    for (const check::Finding& f : report.Findings()) rules.push_back(f.rule);
    test::Click(report.Btn_Cancel);
  });
  test::Click(window->Btn_Add_IEC_Device);
  EXPECT_EQ(rules, (std::vector<std::string>{"ied-without-server", "duplicate-ip"}));
  EXPECT_EQ(window->LB_IEC_Devices->count(), 0);
  EXPECT_FALSE(util::Path_Present(ctx.Active_Conf_Dir + "/ICD_Catalog/ieds_B.scd"));

  test::On_Check_Report([&](TFCheck_Report& report) { test::Click(report.Btn_Go_On); });
  test::Click(window->Btn_Add_IEC_Device);
  EXPECT_EQ(window->LB_IEC_Devices->count(), 1);
  EXPECT_TRUE(util::File_Exists(ctx.Active_Conf_Dir + "/ICD_Catalog/ieds_B.scd"));
}

// OK reports the SCL file's own findings only where a row uses what they are about; a line
// counts the others and its button adds them to the table. Each names a line of the catalog
// file that holds what it is about.
TEST_F(Check_Report_Window, Ok_Shows_The_Findings_Of_The_Scl_Files_That_Concern_Rows) {
  ASSERT_TRUE(Open_Editor());
  chosen = Fixture("ieds.scd");
  window->Choose_IEDs = [](const std::string&, const std::vector<IED_Info>&) {
    return std::vector<size_t>{0};  // IED A
  };
  test::On_Check_Report([&](TFCheck_Report& report) { test::Click(report.Btn_Go_On); });
  test::Click(window->Btn_Add_IEC_Device);
  ASSERT_EQ(window->LB_IEC_Devices->count(), 1);
  const std::string catalog_file = ctx.Active_Conf_Dir + "/ICD_Catalog/ieds_A.scd";
  std::vector<std::string> lines;
  for (std::string line, text = test::Read(catalog_file); !text.empty();) {
    const size_t end = text.find('\n');
    lines.push_back(text.substr(0, end));
    text = end == std::string::npos ? "" : text.substr(end + 1);
  }

  // No row uses anything the file's findings are about: OK saves without a word.
  bool reported = false;
  QTimer guard;  // closes a report that should not come, so that the test cannot hang on it
  guard.setInterval(10);
  QObject::connect(&guard, &QTimer::timeout, [&] {
    if (auto* report = qobject_cast<TFCheck_Report*>(QApplication::activeModalWidget())) {
      reported = true;
      test::Click(report->Btn_Cancel);
    }
  });
  guard.start();
  test::Click(window->Btn_OK);
  guard.stop();
  EXPECT_FALSE(reported);
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(util::File_Exists(ctx.IEC_Client_File));

  // A data set row of DS1, three of whose FCDAs the import leaves out.
  ASSERT_TRUE(test::Activate(window.get()));
  Choose_Server(0);
  Add_Var({"A", "LD0", "LLN0", "DS1"});
  std::vector<QString> positions;
  for (int k = 0; k < window->ACG_DS_Vars->rowCount(); ++k) positions.push_back(QString::number(k));
  Set_Members(0, positions);
  std::vector<std::pair<std::string, std::string>> shown;
  int hidden_rows = 0;
  QString hidden_line;
  test::On_Check_Report([&](TFCheck_Report& report) {
    for (int r = 0; r < Rows(report); ++r)
      shown.emplace_back(Cell(report, r, 1).toStdString(), Cell(report, r, 2).toStdString());
    EXPECT_TRUE(report.L_Not_Shown->isVisible());
    hidden_line = report.L_Not_Shown->text();
    test::Click(report.Btn_Show_All);
    hidden_rows = Rows(report) - static_cast<int>(shown.size());
    EXPECT_FALSE(report.L_Not_Shown->isVisible());
    test::Click(report.Btn_Cancel);
  });
  test::Click(window->Btn_OK);
  ASSERT_EQ(shown.size(), 3u) << messages.Last();
  for (const auto& [rule, line] : shown) {
    EXPECT_EQ(rule, "fcda-unresolved");
    const size_t number = std::stoul(line);
    ASSERT_TRUE(number >= 1 && number <= lines.size()) << line;
    EXPECT_NE(lines[number - 1].find("<FCDA "), std::string::npos) << lines[number - 1];
  }
  // Controls naming no data set, logical nodes without a type, an FCDA of another data set.
  EXPECT_EQ(hidden_rows, 5);
  EXPECT_EQ(hidden_line.toStdString(),
            "5 findings of the SCL files concern no row of this configuration and are not shown "
            "(they were shown when the files were added or replaced).");
  EXPECT_TRUE(window->isVisible());
}

TEST_F(Check_Report_Window, Check_Button_And_Double_Click_Show_The_Row) {
  Open_Revised_Configuration();
  messages.shown.clear();  // the opening's word on the missing catalog file

  // The variable row whose attribute changed its type.
  test::On_Check_Report([&](TFCheck_Report& report) {
    EXPECT_FALSE(report.Btn_Go_On->isVisible());
    EXPECT_EQ(report.Btn_Cancel->text(), test::Table_Text(access_strings::Text_Report_Close));
    const int row = Row_Of(report, "point-type-changed");
    ASSERT_GE(row, 0);
    EXPECT_EQ(Cell(report, row, 2), "");  // not saved: no line
    test::Double_Click_Cell(report.SG_Findings, row, 1);
  });
  test::Click(window->Btn_Check);
  EXPECT_EQ(window->PC_DA_DataSet->currentWidget(), window->TS_DA);
  EXPECT_EQ(window->ACG_DA->currentRow(), 2);

  // The data set row whose data set is gone.
  test::On_Check_Report([&](TFCheck_Report& report) {
    const int row = Row_Of(report, "dataset-unresolved");
    ASSERT_GE(row, 0);
    test::Double_Click_Cell(report.SG_Findings, row, 1);
  });
  test::Click(window->Btn_Check);
  EXPECT_EQ(window->PC_DA_DataSet->currentWidget(), window->TS_DataSet);
  EXPECT_EQ(window->ACG_DataSet->currentRow(), 1);

  // Close changes nothing.
  test::On_Check_Report([&](TFCheck_Report& report) { test::Click(report.Btn_Cancel); });
  test::Click(window->Btn_Check);
  EXPECT_EQ(window->ACG_DataSet->currentRow(), 1);
  EXPECT_TRUE(messages.shown.empty()) << messages.Last();
}

TEST_F(Check_Report_Window, Ok_Asks_Once_And_Cancel_Saves_Nothing) {
  Open_Revised_Configuration();
  // The rows OK's own check refuses are emptied of their faults first.
  Selection_Grid* grid = window->ACG_DA;
  Set_Cell(grid, 4, DA_Col::Position, "30");
  // The member that followed its reference to place 1 brought its start bit 9 along.
  Show_Members(0);
  Set_Cell(window->ACG_DS_Vars, 0, Var_Col::StartBit, "0");
  const std::string before = test::Read(ctx.IEC_Client_File);

  std::vector<std::string> rules;
  test::On_Check_Report([&](TFCheck_Report& report) {
    EXPECT_EQ(report.Btn_Go_On->text(), test::Table_Text(access_strings::Text_Report_Save_Anyway));
    for (const check::Finding& f : report.Findings()) rules.push_back(f.rule);
    test::Click(report.Btn_Cancel);
  });
  test::Click(window->Btn_OK);
  EXPECT_EQ(rules, (std::vector<std::string>{"point-unresolved", "point-type-changed",
                                             "point-server-missing", "dataset-unresolved",
                                             "position-conflict"}));
  EXPECT_EQ(test::Read(ctx.IEC_Client_File), before);
  EXPECT_TRUE(window->isVisible());

  test::On_Check_Report([&](TFCheck_Report& report) { test::Click(report.Btn_Go_On); });
  test::Click(window->Btn_OK);
  EXPECT_FALSE(window->isVisible());
  EXPECT_NE(test::Read(ctx.IEC_Client_File), before);
}

}  // namespace
