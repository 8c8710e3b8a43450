// The access editor for window tests: a fresh configuration "conf" in a temporary workspace, the
// editor on it with its message boxes recorded and its file dialog answering `chosen`, and the
// steps a person takes in it (add a server, pick a tree node, fill a cell), done with clicks and
// keys through user_input.h.
#pragma once

#include <gtest/gtest.h>

#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QString>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "access/access_test_models.h"
#include "access_ui/access_window.h"
#include "access_ui/selection_grid_qt.h"
#include "access_ui/tree_panel_qt.h"
#include "app/context.h"
#include "app/main_window.h"
#include "support/recording_messages.h"
#include "support/test_support.h"
#include "support/user_input.h"
#include "util/files.h"

namespace test {

// Cancel is clicked in the progress dialog of `window`'s next long operation as soon as it shows.
inline void Cancel_Job_When_Shown(QWidget* window) {
  auto* timer = new QTimer(window);
  QObject::connect(timer, &QTimer::timeout, [window, timer] {
    auto* dialog = window->findChild<QProgressDialog*>("Job_Progress");
    if (!dialog || !dialog->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    Click(dialog->findChild<QPushButton*>("Job_Cancel"));
  });
  timer->start(5);
}

struct Access_Editor : ::testing::Test {
  Temp_Dir dir;
  app::App_Context ctx;
  Recording_Messages messages;
  std::unique_ptr<TFIEC_61850_Access> window;
  std::string chosen;  // what the file dialog of Add IEC Device answers; empty: cancelled

  void SetUp() override {
    Open_Configuration("conf");
    window = std::make_unique<TFIEC_61850_Access>(app::Access_Editor_Options(ctx), messages);
    window->Choose_File = [this] { return chosen; };
  }
  // Makes `name` (a folder of the temporary workspace) the active configuration.
  void Open_Configuration(const std::string& name) {
    ctx.Active_Conf_Dir = dir / name;
    util::Force_Dirs(ctx.Active_Conf_Dir);
    ctx.Set_Files();
  }
  // One-line stand-in server files instead of SCL: a.icd (server IED1) and b.icd (IED2) in the
  // workspace, built by Fake_Import and not checked.
  void Use_Stand_In_Files() {
    window->Import_Scl = UIEC_61850_Access::Ignoring_Progress(Fake_Import);
    window->Check_Scl = nullptr;
    Write(dir / "a.icd", Fake_Scl("IED1"));
    Write(dir / "b.icd", Fake_Scl("IED2"));
  }
  // Opens the editor as the configurator does (it reads the client file as it shows) and makes
  // it the active window; false when it did not open or cannot take the keys.
  bool Open_Editor() { return Activate(window.get()) && window->isVisible(); }

  std::string Catalog(const std::string& name) const {
    return ctx.Active_Conf_Dir + "/ICD_Catalog/" + name;
  }
  // The server list's lines.
  std::vector<std::string> Servers() const {
    std::vector<std::string> names;
    for (int i = 0; i < window->LB_IEC_Devices->count(); ++i)
      names.push_back(window->LB_IEC_Devices->item(i)->text().toStdString());
    return names;
  }
  // Add IEC Device with the file dialog answering `path` (a name in the workspace, or a path).
  void Add_Server(const std::string& path) {
    chosen = path.find('/') == std::string::npos ? dir / path : path;
    Click(window->Btn_Add_IEC_Device);
  }
  // A click on the server's line, which shows its tree; then the filter's index made behind it.
  void Choose_Server(int row) {
    Click_Item(window->LB_IEC_Devices, row);
    EXPECT_TRUE(QTest::qWaitFor([this] { return !window->Tree->Indexing(); }, 10000));
  }
  // Cancel is clicked in the progress dialog of the editor's next long operation as soon as it
  // shows.
  void Cancel_When_Shown() { Cancel_Job_When_Shown(window.get()); }
  // An operation that runs until it is stopped.
  [[noreturn]] static void Until_Stopped(util::Progress* progress) {
    for (;;) {
      progress->Poll();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }

  // A tree node's name: its text without what follows the name (a data set's member count).
  static QString Node_Name(const Tree_Item& item) {
    return item->text(0).section(QStringLiteral(" ("), 0, 0);
  }
  // The tree node reached by following `texts` from the top, expanding on the way (children
  // appear when their node is first expanded); nullptr where a step is missing.
  Tree_Item Node(const std::vector<QString>& texts) const {
    Tree_Item item = Top(window->TV_IEC_Device);
    if (item == nullptr || item->text(0) != texts[0]) return nullptr;
    for (size_t i = 1; i < texts.size(); ++i) {
      item->setExpanded(true);
      Tree_Item next = nullptr;
      for (int c = 0; c < item->childCount() && next == nullptr; ++c)
        if (Node_Name(item->child(c)) == texts[i]) next = item->child(c);
      if (next == nullptr) return nullptr;
      item = next;
    }
    return item;
  }
  // A click on that node (Ctrl or Shift held where given).
  void Pick(const std::vector<QString>& texts, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    Tree_Item node = Node(texts);
    ASSERT_NE(node, nullptr) << texts.back().toStdString();
    Click_Item(window->TV_IEC_Device, node, modifiers);
  }
  // Picks the node and presses Add Var.
  void Add_Var(const std::vector<QString>& texts) {
    Pick(texts);
    Click(window->Btn_AddVar);
  }

  // Puts `text` into a cell without typing: the quick way to prepare rows a test does not edit
  // itself (columns are the tables' own numbers, DA_Col, DS_Col and Var_Col).
  static void Set_Cell(UIEC_61850_Access::Selection_Grid* grid, int row, int column,
                       const QString& text) {
    grid->item(row, column - 1)->setText(text);
  }
  // Fills variable row `row` so that it passes the check, at `position`.
  void Complete(int row, const QString& position, const QString& factor = "1") {
    namespace DA_Col = UIEC_61850_Access::DA_Col;
    Set_Cell(window->ACG_DA, row, DA_Col::IPAddress, "127.0.0.1");
    Set_Cell(window->ACG_DA, row, DA_Col::Port, "102");
    Set_Cell(window->ACG_DA, row, DA_Col::Position, position);
    Set_Cell(window->ACG_DA, row, DA_Col::MoltFact, factor);
    Set_Cell(window->ACG_DA, row, DA_Col::ReadWrite, "Read");
  }
  // Shows the members of data set row `row` (a click on its tab and on the row).
  void Show_Members(int row) {
    Click_Tab(window->PC_DA_DataSet, window->TS_DataSet);
    Click_Cell(window->ACG_DataSet, row, 0);
  }
  // Shows the members of data set row `row` and gives them `positions`, with the factor OK needs.
  void Set_Members(int row, const std::vector<QString>& positions) {
    namespace Var_Col = UIEC_61850_Access::Var_Col;
    Show_Members(row);
    for (size_t k = 0; k < positions.size(); ++k) {
      Set_Cell(window->ACG_DS_Vars, static_cast<int>(k), Var_Col::Position, positions[k]);
      Set_Cell(window->ACG_DS_Vars, static_cast<int>(k), Var_Col::MultFact, "1");
    }
  }
};

}  // namespace test
