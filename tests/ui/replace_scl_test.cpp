// A server's SCL file replaced by a new revision through the access editor: the impact window
// before anything changes, Replace keeping every row, Cancel and failures changing nothing; and
// the opening's word on rows that no longer fit, with the marks on those rows.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QUndoStack>
#include <filesystem>
#include <functional>
#include <tuple>

#include "access/access_strings.h"
#include "access/access_test_models.h"
#include "access/client_file.h"
#include "access_ui/access_window.h"
#include "access_ui/replace_impact_dialog.h"
#include "access_ui/selection_grid_qt.h"
#include "app/main_window.h"
#include "scl/ied_catalog.h"
#include "scl/model_walk.h"
#include "support/access_editor.h"
#include "support/check_report.h"
#include "support/recording_messages.h"
#include "support/table_text.h"
#include "support/test_support.h"
#include "support/user_input.h"
#include "util/files.h"

namespace {

namespace fs = std::filesystem;
using namespace UIEC_61850_Access;

std::string Revision(const std::string& name) {
  return test::Data_Dir() + "/access/fixtures/revision/" + name;
}

// Runs `interact` on the impact window once it is the modal window; `interact` must close it.
void On_Impact(std::function<void(TFReplace_Impact&)> interact) {
  auto* timer = new QTimer;
  auto ticks = std::make_shared<int>(0);
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, ticks, interact] {
    auto* impact = qobject_cast<TFReplace_Impact*>(QApplication::activeModalWidget());
    if (impact == nullptr && ++*ticks < 1000) return;
    timer->stop();
    timer->deleteLater();
    if (impact) interact(*impact);
  });
  timer->start();
}

// The impact window's lists: each heading with its entries (table, row, member, the member it
// becomes where that is another one, reference).
using Entry = std::tuple<std::string, std::string, std::string, std::string, std::string>;
std::vector<std::pair<std::string, std::vector<Entry>>> Lists_Of(const TFReplace_Impact& window) {
  std::vector<std::pair<std::string, std::vector<Entry>>> lists;
  for (int i = 0; i < window.TV_Impact->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* heading = window.TV_Impact->topLevelItem(i);
    std::vector<Entry> entries;
    for (int k = 0; k < heading->childCount(); ++k) {
      const QTreeWidgetItem* e = heading->child(k);
      entries.emplace_back(e->text(0).toStdString(), e->text(1).toStdString(),
                           e->text(2).toStdString(), e->text(3).toStdString(),
                           e->text(4).toStdString());
    }
    lists.emplace_back(heading->text(0).toStdString(), std::move(entries));
  }
  return lists;
}

// A configuration of one server, REV1 in revision 1 (catalog file rev.icd), with variables and
// data sets that revision 2 keeps, moves, changes and loses; the editor open on it.
struct Replace_Scl_Window : ::testing::Test {
  test::Temp_Dir dir;
  app::App_Context ctx;
  test::Recording_Messages messages;
  std::unique_ptr<TFIEC_61850_Access> window;
  std::string chosen;
  std::string catalog_file;

  void SetUp() override {
    ctx.Active_Conf_Dir = dir / "conf";
    util::Force_Dirs(ctx.Active_Conf_Dir + "/ICD_Catalog");
    ctx.Set_Files();
    catalog_file = ctx.Active_Conf_Dir + "/ICD_Catalog/rev.icd";
    test::Write(catalog_file, test::Read(Revision("revision_old.icd")));
    Save_Configuration();
    window = std::make_unique<TFIEC_61850_Access>(app::Access_Editor_Options(ctx), messages);
    window->Check_Scl = nullptr;
    window->Choose_File = [this] { return chosen; };
    ASSERT_TRUE(window->FormShow());
    ASSERT_TRUE(test::Activate(window.get()));
    test::Click_Item(window->LB_IEC_Devices, 0);
  }
  void Save_Configuration() {
    Access_State state;
    state.List_IEC_Dev.push_back(Import_Device(catalog_file));
    const TIEC_Device& rev = *state.List_IEC_Dev[0];
    for (const char* reference : {"REV1LD0/MMXU1.TotW.mag.f", "REV1LD0/MMXU1.Hz.mag.f",
                                  "REV1LD0/GGIO1.Ind2.q", "REV1LD0/LLN0.Mod.stVal"}) {
      state.Clear_Selection();
      state.Selected_IEC_DA = test::Attribute(rev, reference);
      ASSERT_NE(state.Selected_IEC_DA, nullptr) << reference;
      state.Add_Var(0);
    }
    int position = 10;
    for (const char* reference :
         {"REV1LD0/LLN0.Measures", "REV1LD0/LLN0.Status", "REV1LD0/LLN0.Events"}) {
      state.Clear_Selection();
      state.Selected_IEC_DS = UIEC_Client_Decode::Find_DataSet(
          rev, [&](const TIEC_DataSet& ds) { return ds.Reference() == reference; });
      ASSERT_NE(state.Selected_IEC_DS, nullptr) << reference;
      state.Add_Var(0);
      state.Show_DataSet_DAs(state.ACG_DataSet.Row_Count());
      for (int k = 0; k < 3; ++k)
        state.Store_Member_Text(k, Var_Col::Position, std::to_string(position++));
    }
    Save_Client_File(state, ctx.IEC_Client_File);
  }
  // Every file of the catalog with its bytes.
  std::map<std::string, std::string> Catalog() const {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(ctx.Active_Conf_Dir + "/ICD_Catalog"))
      files[entry.path().filename().string()] = test::Read(entry.path().string());
    return files;
  }
  std::string Tooltip(Selection_Grid* grid, int row) const {
    return grid->item(row, 0)->toolTip().toStdString();
  }
};

TEST_F(Replace_Scl_Window, Cancel_Changes_Nothing_And_Replace_Keeps_Every_Row) {
  const auto catalog_before = Catalog();
  const std::string client_before = test::Read(ctx.IEC_Client_File);
  const std::string state_before = Client_Xml(window->State());
  chosen = Revision("revision_new.icd");

  std::vector<std::pair<std::string, std::vector<Entry>>> lists;
  QString intro;
  On_Impact([&](TFReplace_Impact& impact) {
    lists = Lists_Of(impact);
    intro = impact.L_Intro->text();
    test::Click(impact.Btn_Cancel);
  });
  test::Click(window->Btn_Replace_Scl);
  using L = std::vector<Entry>;
  EXPECT_EQ(lists, (std::vector<std::pair<std::string, L>>{
                       {"Kept (3)", L{{"Variables", "1", "", "", "REV1LD0/MMXU1.TotW.mag.f"},
                                      {"DataSet", "2", "1", "", "REV1LD0/GGIO1.Ind1.stVal"},
                                      {"DataSet", "2", "2", "", "REV1LD0/GGIO1.Ind2.stVal"}}},
                       // Each moved member says where it goes.
                       {"Moved to another place of the data set (1)",
                        L{{"DataSet", "1", "1", "2", "REV1LD0/MMXU1.TotW.mag.f"}}},
                       {"Changed: another bType or fc (4)",
                        L{{"Variables", "2", "", "", "REV1LD0/MMXU1.Hz.mag.f"},
                          {"Variables", "4", "", "", "REV1LD0/LLN0.Mod.stVal"},
                          {"DataSet", "1", "2", "3", "REV1LD0/MMXU1.Hz.mag.f"},
                          {"DataSet", "1", "3", "1", "REV1LD0/LLN0.Mod.stVal"}}},
                       {"Lost: the reference is gone (3)",
                        L{{"Variables", "3", "", "", "REV1LD0/GGIO1.Ind2.q"},
                          {"DataSet", "2", "3", "", "REV1LD0/GGIO1.Ind2.q"},
                          {"DataSet", "3", "1", "", "REV1LD0/GGIO1.Ind1.stVal"}}},
                       {"Data sets gone (1)", L{{"DataSet", "", "", "", "REV1LD0/LLN0.Events"}}}}));
  EXPECT_NE(intro.indexOf("rev.icd"), -1) << intro.toStdString();
  EXPECT_NE(intro.indexOf("revision_new.icd"), -1) << intro.toStdString();
  // Cancel: the catalog and the client file byte for byte, and the editor's state, as before.
  EXPECT_EQ(Catalog(), catalog_before);
  EXPECT_EQ(test::Read(ctx.IEC_Client_File), client_before);
  EXPECT_EQ(Client_Xml(window->State()), state_before);

  On_Impact([&](TFReplace_Impact& impact) { test::Click(impact.Btn_Replace); });
  test::Click(window->Btn_Replace_Scl);
  EXPECT_TRUE(messages.shown.empty()) << messages.Last();
  // The new text under the same name, the old one kept beside it; the client file waits for OK.
  const auto catalog_after = Catalog();
  EXPECT_EQ(catalog_after.size(), 2u);
  EXPECT_EQ(catalog_after.at("rev.icd"), test::Read(Revision("revision_new.icd")));
  EXPECT_EQ(catalog_after.at("rev.icd.1.bak"), catalog_before.at("rev.icd"));
  EXPECT_EQ(test::Read(ctx.IEC_Client_File), client_before);

  // Every row stays; the rows the new revision changed or lost are marked, the others not.
  ASSERT_EQ(window->ACG_DA->rowCount(), 4);
  ASSERT_EQ(window->ACG_DataSet->rowCount(), 3);
  EXPECT_EQ(Tooltip(window->ACG_DA, 0), "");
  for (int row : {1, 2, 3}) EXPECT_NE(Tooltip(window->ACG_DA, row), "") << row;
  EXPECT_NE(Tooltip(window->ACG_DA, 2).find("REV1LD0/GGIO1.Ind2.q"), std::string::npos);
  EXPECT_NE(Tooltip(window->ACG_DataSet, 2).find("REV1LD0/LLN0.Events"), std::string::npos);
  // The moved members keep their positions at their new places.
  test::Click_Cell(window->ACG_DataSet, 0, 1);
  std::vector<std::pair<std::string, std::string>> members;
  for (int r = 0; r < window->ACG_DS_Vars->rowCount(); ++r)
    members.emplace_back(window->ACG_DS_Vars->Text(r, Var_Col::Reference),
                         window->ACG_DS_Vars->Text(r, Var_Col::Position));
  EXPECT_EQ(members,
            (std::vector<std::pair<std::string, std::string>>{{"REV1LD0/LLN0.Mod.stVal", "12"},
                                                              {"REV1LD0/MMXU1.TotW.mag.f", "10"},
                                                              {"REV1LD0/MMXU1.Hz.mag.f", "11"}}));
  // The members whose bType changed are marked as a variable row with the same change is.
  EXPECT_NE(Tooltip(window->ACG_DS_Vars, 0).find("INT8"), std::string::npos);
  EXPECT_EQ(Tooltip(window->ACG_DS_Vars, 1), "");
  EXPECT_NE(Tooltip(window->ACG_DS_Vars, 2).find("FLOAT64"), std::string::npos);
  // The data set the revision removed keeps its member with its settings, marked.
  test::Click_Cell(window->ACG_DataSet, 2, 1);
  ASSERT_EQ(window->ACG_DS_Vars->rowCount(), 1);
  EXPECT_EQ(window->ACG_DS_Vars->Text(0, Var_Col::Reference), "REV1LD0/GGIO1.Ind1.stVal");
  EXPECT_NE(window->ACG_DS_Vars->Text(0, Var_Col::Position), "");
  EXPECT_NE(Tooltip(window->ACG_DS_Vars, 0).find("REV1LD0/LLN0.Events"), std::string::npos);
  test::Click_Cell(window->ACG_DataSet, 0, 1);
  // The tree shows the new revision (GGIO1.Ind3 is new in it).
  bool ind3 = false;
  for (const test::Tree_Item& item : test::All_Items(window->TV_IEC_Device))
    ind3 = ind3 || item->text(0) == "Ind3";
  EXPECT_TRUE(ind3);
}

// Leaving the editor without OK after Replace puts the catalog back as the opening found it,
// byte for byte (the `.bak` copy made goes too), after a question that names the file; No keeps
// everything, and is the answer Enter gives.
// The reading, import and check of the new revision run on a worker: Cancel, the moment its
// dialog shows, changes nothing.
TEST_F(Replace_Scl_Window, Cancel_Of_The_Import_Changes_Nothing) {
  const auto catalog_before = Catalog();
  const std::string state_before = Client_Xml(window->State());
  const int steps = window->History->count();
  window->Import_Scl = [](const std::string&,
                          util::Progress* progress) -> std::unique_ptr<TIEC_Device> {
    test::Access_Editor::Until_Stopped(progress);
  };
  chosen = Revision("revision_new.icd");
  test::Cancel_Job_When_Shown(window.get());
  test::Click(window->Btn_Replace_Scl);
  EXPECT_TRUE(messages.shown.empty()) << messages.Last();
  EXPECT_EQ(Catalog(), catalog_before);
  EXPECT_EQ(Client_Xml(window->State()), state_before);
  EXPECT_EQ(window->History->count(), steps);
}

TEST_F(Replace_Scl_Window, Discard_After_Replace_Puts_The_Catalog_Back) {
  const auto catalog_before = Catalog();
  const std::string client_before = test::Read(ctx.IEC_Client_File);
  chosen = Revision("revision_new.icd");
  On_Impact([&](TFReplace_Impact& impact) { test::Click(impact.Btn_Replace); });
  test::Click(window->Btn_Replace_Scl);
  const auto catalog_replaced = Catalog();
  ASSERT_NE(catalog_replaced, catalog_before);

  messages.answers = {ui::Messages::Answer::No};
  test::Click(window->Btn_Cancel);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].kind, "question");
  EXPECT_EQ(messages.shown[0].text,
            "The changes have not been saved. Discard them and close?\nThe SCL file rev.icd in "
            "ICD_Catalog goes back to the revision it had when the editor opened.");
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(Catalog(), catalog_replaced);

  messages.answers = {ui::Messages::Answer::Yes};
  test::Click(window->Btn_Cancel);
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(Catalog(), catalog_before);
  EXPECT_EQ(test::Read(ctx.IEC_Client_File), client_before);

  // Replaced and undone: nothing to ask, and the copy made on the way goes as well.
  messages.shown.clear();
  ASSERT_TRUE(window->FormShow());
  ASSERT_TRUE(test::Activate(window.get()));
  test::Click_Item(window->LB_IEC_Devices, 0);
  On_Impact([&](TFReplace_Impact& impact) { test::Click(impact.Btn_Replace); });
  test::Click(window->Btn_Replace_Scl);
  ASSERT_TRUE(test::Activate(window.get()));
  QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Catalog().size(), 2u);
  test::Click(window->Btn_Cancel);
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(messages.shown.empty()) << messages.Last();
  EXPECT_EQ(Catalog(), catalog_before);
}

// The new revision's own findings come before anything else, as for a file added: Cancel keeps
// everything; "Replace anyway" goes on to the impact.
TEST_F(Replace_Scl_Window, The_New_Revision_Is_Checked_First) {
  window->Check_Scl = check::Check_Scl_File;
  std::string text = test::Read(Revision("revision_new.icd"));
  const std::string measures = "<DataSet name=\"Measures\">";
  text.insert(text.find(measures) + measures.size(),
              "<FCDA ldInst=\"LD0\" lnClass=\"LLN0\" doName=\"Gone\" daName=\"x\" fc=\"ST\"/>");
  chosen = dir / "revision_3.icd";
  test::Write(chosen, text);
  const auto catalog_before = Catalog();
  bool impact_shown = false;
  std::vector<std::string> rules;
  QString intro;
  test::On_Check_Report([&](TFCheck_Report& report) {
    for (const check::Finding& f : report.Findings()) rules.push_back(f.rule);
    intro = report.L_Intro->text();
    EXPECT_EQ(report.Btn_Go_On->text(),
              test::Table_Text(access_strings::Text_Report_Replace_Anyway));
    test::Click(report.Btn_Cancel);
  });
  test::Click(window->Btn_Replace_Scl);
  EXPECT_EQ(rules, std::vector<std::string>{"fcda-unresolved"});
  EXPECT_EQ(intro.toStdString(),
            "The check of revision_3.icd found 1 errors and 0 warnings. Replace the server's SCL "
            "file anyway?");
  EXPECT_EQ(Catalog(), catalog_before);

  test::On_Check_Report([&](TFCheck_Report& report) {
    On_Impact([&](TFReplace_Impact& impact) {
      impact_shown = true;
      test::Click(impact.Btn_Replace);
    });
    test::Click(report.Btn_Go_On);
  });
  test::Click(window->Btn_Replace_Scl);
  EXPECT_TRUE(impact_shown);
  EXPECT_EQ(test::Read(catalog_file), text);
  EXPECT_TRUE(messages.shown.empty()) << messages.Last();
}

TEST_F(Replace_Scl_Window, Undo_Puts_The_Old_Revision_Back_And_Redo_The_New_One) {
  const std::string old_text = test::Read(catalog_file);
  const std::string state_before = Client_Xml(window->State());
  chosen = Revision("revision_new.icd");
  On_Impact([&](TFReplace_Impact& impact) { test::Click(impact.Btn_Replace); });
  test::Click(window->Btn_Replace_Scl);
  ASSERT_TRUE(test::Activate(window.get()));
  const std::string state_after = Client_Xml(window->State());
  ASSERT_NE(state_after, state_before);
  auto keys = [&](Qt::KeyboardModifiers modifiers, Qt::Key key) {
    QWidget* target = QApplication::focusWidget();
    QTest::keyClick(target != nullptr ? target : window.get(), key, modifiers);
    QApplication::processEvents();
  };
  // One step: the catalog file and the rows go back together, and forth again.
  keys(Qt::ControlModifier, Qt::Key_Z);
  EXPECT_EQ(test::Read(catalog_file), old_text);
  EXPECT_EQ(Client_Xml(window->State()), state_before);
  EXPECT_FALSE(window->Act_Undo->isEnabled());
  keys(Qt::ControlModifier, Qt::Key_Y);
  EXPECT_EQ(test::Read(catalog_file), test::Read(Revision("revision_new.icd")));
  EXPECT_EQ(Client_Xml(window->State()), state_after);
  EXPECT_TRUE(messages.shown.empty()) << messages.Last();
}

TEST_F(Replace_Scl_Window, One_Ied_Of_A_Substation_File_Replaces_The_Server) {
  std::string text = test::Read(Revision("revision_new.icd"));
  text.insert(text.find("<IED name=\"REV1\">"), "<IED name=\"OTHER\"/>\n  ");
  chosen = dir / "station.scd";
  test::Write(chosen, text);
  std::vector<std::string> offered;
  window->Choose_IEDs = [&](const std::string&, const std::vector<IED_Info>& ieds) {
    for (const IED_Info& ied : ieds) offered.push_back(ied.name);
    return std::vector<size_t>{1};
  };
  On_Impact([&](TFReplace_Impact& impact) { test::Click(impact.Btn_Replace); });
  test::Click(window->Btn_Replace_Scl);
  EXPECT_TRUE(messages.shown.empty()) << messages.Last();
  EXPECT_EQ(offered, (std::vector<std::string>{"OTHER", "REV1"}));
  EXPECT_EQ(test::Read(catalog_file),
            UIEC_Client_Decode::Extract_IED(chosen, "REV1", test::English()));
  EXPECT_EQ(window->LB_IEC_Devices->item(0)->text(), "REV1");
}

TEST_F(Replace_Scl_Window, A_File_That_Cannot_Replace_The_Server_Changes_Nothing) {
  test::Write(dir / "broken.icd", "<SCL><IED name=");
  test::Write(dir / "empty.icd", "<SCL/>");
  std::string station = test::Read(Revision("revision_new.icd"));
  station.insert(station.find("<IED name=\"REV1\">"), "<IED name=\"OTHER\"/>\n  ");
  test::Write(dir / "station.scd", station);
  struct Case {
    std::string file;
    std::vector<size_t> picked;  // from the chooser
    std::string reason;
  };
  const Case cases[] = {
      {"absent.icd", {}, test::No_Such_File_Text()},
      {"broken.icd", {}, "broken.icd"},
      {"empty.icd", {}, "no IED of the file has a server"},
      {"station.scd", {0}, "no IED of the file has a server"},
      {"station.scd", {0, 1}, "choose one IED of the file"},
  };
  const auto catalog_before = Catalog();
  const std::string state_before = Client_Xml(window->State());
  bool first = true;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    messages.shown.clear();
    chosen = dir / c.file;
    window->Choose_IEDs = [&](const std::string&, const std::vector<IED_Info>&) {
      return c.picked;
    };
    // Once through the server list's context menu, then through the button.
    if (first)
      window->Act_Replace_Scl->trigger();
    else
      test::Click(window->Btn_Replace_Scl);
    first = false;
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, "error");
    EXPECT_NE(messages.Last().find(chosen), std::string::npos) << messages.Last();
    EXPECT_NE(messages.Last().find("REV1 (rev.icd)"), std::string::npos) << messages.Last();
    EXPECT_NE(messages.Last().find(c.reason), std::string::npos) << messages.Last();
    EXPECT_EQ(Catalog(), catalog_before);
    EXPECT_EQ(Client_Xml(window->State()), state_before);
  }
}

// The check's configuration whose catalog lost a file and whose server's SCL file changed.
struct Opening_Window : ::testing::Test {
  test::Temp_Dir dir;
  app::App_Context ctx;
  test::Recording_Messages messages;
  std::unique_ptr<TFIEC_61850_Access> window;

  void SetUp() override {
    ctx.Active_Conf_Dir = dir / "conf";
    fs::copy(test::Data_Dir() + "/check/fixtures/conf", ctx.Active_Conf_Dir,
             fs::copy_options::recursive);
    ctx.Set_Files();
    window = std::make_unique<TFIEC_61850_Access>(app::Access_Editor_Options(ctx), messages);
    window->Check_Scl = nullptr;
  }
  std::string Tooltip(Selection_Grid* grid, int row) const {
    return grid->item(row, 0)->toolTip().toStdString();
  }
};

TEST_F(Opening_Window, Says_Once_What_No_Longer_Fits_And_Marks_Those_Rows) {
  ASSERT_TRUE(test::Activate(window.get()));  // showing it opens the configuration
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].kind, "warning list");
  const std::string& text = messages.Last();
  for (const char* expected : {"missing.icd", "Rows of this configuration no longer fit",
                               "row 3: SLD0/MMXU1.TotW.mag.f is now FLOAT32", "SLD0/LLN0.Gone",
                               "member 3 SLD0/MMXU1.TotW.mag.f is no longer in the data set"})
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;

  // Variable rows 2 (attribute gone), 3 (type changed) and 4 (no such server) are marked.
  Selection_Grid* variables = window->ACG_DA;
  const std::vector<std::string> marked = {
      "", "SLD0/LLN0.Mod.t is no attribute", "SLD0/MMXU1.TotW.mag.f", "Index names no server", "",
      ""};
  for (int row = 0; row < variables->rowCount(); ++row) {
    SCOPED_TRACE(row);
    const std::string tip = Tooltip(variables, row);
    if (marked[row].empty()) {
      EXPECT_EQ(tip, "");
      EXPECT_EQ(variables->item(row, 4)->background(), variables->item(0, 4)->background());
    } else {
      EXPECT_NE(tip.find(marked[row]), std::string::npos) << tip;
      const QColor colour = variables->item(row, 4)->background().color();
      EXPECT_GT(colour.red(), colour.blue());  // red for what is lost
    }
  }
  // Data set 1 lost a member, data set 2 its data set; the members that followed their
  // reference are marked in the member table.
  EXPECT_NE(Tooltip(window->ACG_DataSet, 0).find("MMXU1.TotW.mag.f"), std::string::npos);
  EXPECT_NE(Tooltip(window->ACG_DataSet, 1).find("SLD0/LLN0.Gone"), std::string::npos);
  test::Click_Cell(window->ACG_DataSet, 0, 1);
  ASSERT_EQ(window->ACG_DS_Vars->rowCount(), 2);
  for (int row : {0, 1})
    EXPECT_NE(Tooltip(window->ACG_DS_Vars, row).find("its settings follow it"), std::string::npos)
        << row;

  // Removing a marked row takes its mark with it; the row moving into its place keeps its own.
  test::Click_Cell(variables, 2, 4);
  test::Click(window->Btn_RemoveVar);
  ASSERT_EQ(variables->rowCount(), 5);
  for (int row = 0; row < 5; ++row)
    EXPECT_EQ(Tooltip(variables, row).find("TotW"), std::string::npos) << row;
  EXPECT_NE(Tooltip(variables, 2).find("Index names no server"), std::string::npos);

  // A new model of the server places its members again: the opening's word on them goes, the
  // data set that is still gone stays marked.
  window->Choose_File = [] {
    return test::Data_Dir() + "/check/fixtures/conf/ICD_Catalog/srv.icd";
  };
  test::Click_Item(window->LB_IEC_Devices, 0);
  On_Impact([&](TFReplace_Impact& impact) { test::Click(impact.Btn_Replace); });
  test::Click(window->Btn_Replace_Scl);
  EXPECT_EQ(Tooltip(window->ACG_DataSet, 0), "");
  EXPECT_NE(Tooltip(window->ACG_DataSet, 1).find("SLD0/LLN0.Gone"), std::string::npos);
  EXPECT_EQ(messages.shown.size(), 1u) << messages.Last();
}

}  // namespace

// A configuration saved by the earlier look-ups of FCDAs: the opening corrects it, says so once
// and marks what needs a hand; Cancel leaves the file as it was, OK saves the corrections.
struct Earlier_Reading_Window : Opening_Window {
  void SetUp() override {
    ctx.Active_Conf_Dir = dir / "conf";
    util::Force_Dirs(ctx.Active_Conf_Dir + "/ICD_Catalog");
    test::Write(ctx.Active_Conf_Dir + "/ICD_Catalog/fcda.icd",
                test::Read(test::Data_Dir() + "/scl/fixtures/fcda.icd"));
    test::Write(ctx.Active_Conf_Dir + "/IEC_61850_Client.xml",
                test::Read(test::Data_Dir() + "/access/fixtures/client_file/earlier_reading.xml"));
    ctx.Set_Files();
    window = std::make_unique<TFIEC_61850_Access>(app::Access_Editor_Options(ctx), messages);
    window->Check_Scl = nullptr;
  }
};

TEST_F(Earlier_Reading_Window, Says_What_It_Corrected_And_Ok_Saves_It) {
  const std::string stored = test::Read(ctx.IEC_Client_File);
  ASSERT_TRUE(test::Activate(window.get()));
  ASSERT_EQ(messages.shown.size(), 1u);
  const std::string text = messages.Last();
  for (const char* expected :
       {"3 member references stored by an earlier version were corrected",
        "1 data set references now name their logical node whole",
        "data set row 1 F1LD0/LLN0.All: 2 members", "data set row 2 F1LD0/MMXU1.Local: 1 members",
        "member 5 F1LD0/L1TCTR1.AmpSv.q is not at its place"})
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
  EXPECT_EQ(text.find("[member-"), std::string::npos);  // said once, not member by member

  // The corrected members and those without a position are marked in the member table.
  test::Click_Tab(window->PC_DA_DataSet, window->TS_DataSet);
  test::Click_Cell(window->ACG_DataSet, 0, 1);
  ASSERT_EQ(window->ACG_DS_Vars->rowCount(), 8);
  EXPECT_EQ(window->ACG_DS_Vars->Text(1, Var_Col::Reference), "F1LD0/L2TCTR1.AmpSv.q");
  EXPECT_EQ(window->ACG_DS_Vars->Text(1, Var_Col::Position), "2");
  EXPECT_EQ(Tooltip(window->ACG_DS_Vars, 0), "");
  EXPECT_NE(Tooltip(window->ACG_DS_Vars, 1).find("earlier versions"), std::string::npos);
  for (int row : {2, 3})
    EXPECT_NE(Tooltip(window->ACG_DS_Vars, row).find("give it a position"), std::string::npos);

  test::Click(window->Btn_Cancel);
  EXPECT_EQ(test::Read(ctx.IEC_Client_File), stored);

  messages.shown.clear();
  ASSERT_TRUE(test::Activate(window.get()));
  EXPECT_EQ(messages.shown.size(), 1u);
  // The members that came in need a position and a factor before OK takes them.
  test::Click_Tab(window->PC_DA_DataSet, window->TS_DataSet);
  test::Click_Cell(window->ACG_DataSet, 0, 1);
  for (int row : {2, 3}) {
    test::Type_In_Cell(window->ACG_DS_Vars, row, Var_Col::Position - 1, QString::number(20 + row));
    test::Type_In_Cell(window->ACG_DS_Vars, row, Var_Col::MultFact - 1, "1");
    EXPECT_EQ(Tooltip(window->ACG_DS_Vars, row), "") << row;  // it has its position now
  }
  test::Click_Cell(window->ACG_DataSet, 1, 1);
  test::Type_In_Cell(window->ACG_DS_Vars, 0, Var_Col::Position - 1, "30");
  test::Type_In_Cell(window->ACG_DS_Vars, 0, Var_Col::MultFact - 1, "1");
  test::Click(window->Btn_OK);
  ASSERT_EQ(messages.shown.size(), 1u) << messages.Last();
  const std::string saved = test::Read(ctx.IEC_Client_File);
  EXPECT_NE(saved.find("Reference=\"F1LD0/L2TCTR1.AmpSv.q\" Position=\"2\""), std::string::npos)
      << saved;
  EXPECT_NE(saved.find("Reference=\"F1LD0/MMXU1.TotW.mag.f\" Position=\"4\" StartBit=\"0\" "
                       "Convertion=\"ItoF/FtoI\" MoltFact=\"2.5\" Mnemonic=\"m4\""),
            std::string::npos);
  EXPECT_NE(saved.find("Reference=\"F1LD0/MMXU1.Local\""), std::string::npos);

  // Opened again, there is nothing left to say.
  messages.shown.clear();
  ASSERT_TRUE(test::Activate(window.get()));
  EXPECT_TRUE(messages.shown.empty()) << messages.Last();
}
