// The 200-point job, counted: from a substation file with several IEDs, two IEDs become servers,
// 100 attributes of each become variables at positions 1..200, with each server's IP address
// from the SCL file and port 102, and OK saves them. Every step sends real mouse clicks and key
// presses (Qt Test) to the editor as an engineer would, and counts them: a key held with a
// click or another key (Shift, Ctrl) counts as a key press too. At the end the saved
// configuration is checked and the breakdown printed.
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "access/access_state.h"
#include "access_ui/access_window.h"
#include "access_ui/ied_chooser_dialog.h"
#include "access_ui/selection_grid_qt.h"
#include "access_ui/tree_filter_qt.h"
#include "app/context.h"
#include "app/main_window.h"
#include "check/check_report_dialog.h"
#include "scl/ied_catalog.h"
#include "util/files.h"
#include "util/messages_qt.h"

namespace {

using namespace UIEC_61850_Access;

constexpr int Points_Per_Server = 100;
const char* const Filter_Text = "stval";
const char* const Ied_Names[2] = {"AA2__E01Q01A1", "AA2__E01Q01A2"};

// Clicks and key presses, per step in the order of the route.
struct Tally {
  struct Count {
    std::string step;
    int clicks = 0;
    int keys = 0;
  };
  std::vector<Count> steps;

  void Step(const std::string& name) { steps.push_back({name, 0, 0}); }
  Count& Now() { return steps.back(); }
  static int Held(Qt::KeyboardModifiers modifiers) {
    return (modifiers & Qt::ShiftModifier ? 1 : 0) + (modifiers & Qt::ControlModifier ? 1 : 0);
  }
  void Click(QWidget* widget, QPoint at = {}, Qt::KeyboardModifiers modifiers = {}) {
    Now().clicks += 1;
    Now().keys += Held(modifiers);
    QTest::mouseClick(widget, Qt::LeftButton, modifiers, at);
  }
  void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    Now().keys += 1 + Held(modifiers);
    if (QWidget* target = QApplication::focusWidget()) QTest::keyClick(target, key, modifiers);
    QApplication::processEvents();
  }
  void Type(const QString& text) {
    for (QChar c : text) {
      Now().keys += 1;
      if (QWidget* target = QApplication::focusWidget()) QTest::keyClick(target, c.toLatin1());
    }
  }
};

Tally tally;

// A message box: the engineer reads it and presses its button (one click).
struct Counted_Messages : ui::Messages {
  void Error(QWidget*, const std::string& text) override { Shown("error", text); }
  void Warning(QWidget*, const std::string& text) override { Shown("warning", text); }
  Answer Question(QWidget*, const std::string& text, bool) override {
    Shown("question", text);
    return Answer::Yes;
  }
  void Shown(const char* kind, const std::string& text) {
    tally.Now().clicks += 1;
    std::printf("  [%s] %s\n", kind, text.c_str());
  }
};

// Runs `act` on the modal dialog of type T as soon as it is the active modal window.
template <typename T>
void When_Modal(std::function<void(T*)> act) {
  auto* timer = new QTimer;
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
      timer->stop();
      timer->deleteLater();
      // As the desktop does: the dialog opened is the active window and has the keyboard.
      QApplication::setActiveWindow(dialog);
      act(dialog);
    }
  });
  timer->start();
}

// Any check report that opens is read and passed with its "... anyway" button.
void Pass_Check_Reports() {
  When_Modal<TFCheck_Report>([](TFCheck_Report* report) {
    std::printf("  check report: %zu findings\n", report->Findings().size());
    tally.Click(report->Btn_Go_On, report->Btn_Go_On->rect().center());
  });
}

QPoint Centre(QTableWidget* table, int row, int column) {
  return table->visualItemRect(table->item(row, column)).center();
}

// Page Down or Page Up until `item` is in view (a click lands only on what is shown).
void Page_To(QTreeView* tree, const QModelIndex& item) {
  for (int guard = 0; guard < 1000; ++guard) {
    const QRect shown = tree->visualRect(item);
    if (tree->viewport()->rect().contains(shown)) return;
    tally.Key(shown.top() < 0 ? Qt::Key_PageUp : Qt::Key_PageDown);
  }
}

void Choose_Server(TFIEC_61850_Access& window, int server) {
  QListWidget* list = window.LB_IEC_Devices;
  tally.Click(list->viewport(), list->visualItemRect(list->item(server)).center());
}

// Clicks the first filter match, pages down until the match that ends the points is in view,
// Shift+clicks it and presses Add Var.
void Add_Points(TFIEC_61850_Access& window, int server) {
  QListWidget* list = window.LB_IEC_Devices;
  QTreeView* tree = window.TV_IEC_Device;
  QApplication::processEvents();
  // The matching nodes without children shown, in tree order.
  std::vector<QModelIndex> matches;
  std::function<void(const QModelIndex&)> walk = [&](const QModelIndex& parent) {
    for (int r = 0; r < tree->model()->rowCount(parent); ++r) {
      const QModelIndex index = tree->model()->index(r, 0, parent);
      if (index.data(Qt::BackgroundRole).isValid() && tree->model()->rowCount(index) == 0)
        matches.push_back(index);
      walk(index);
    }
  };
  walk(QModelIndex());
  std::printf("  %zu matches of \"%s\" in %s\n", matches.size(), Filter_Text,
              list->item(server)->text().toStdString().c_str());
  if (matches.size() < Points_Per_Server) return;
  Page_To(tree, matches.front());
  tally.Click(tree->viewport(), tree->visualRect(matches.front()).center());
  const QModelIndex last = matches[Points_Per_Server - 1];
  Page_To(tree, last);
  tally.Click(tree->viewport(), tree->visualRect(last).center(), Qt::ShiftModifier);
  tally.Click(window.Btn_AddVar, window.Btn_AddVar->rect().center());
}

// Types the first row's position, R/W, conversion and factor (Tab to the next cell; the start
// bit stays empty, that is 0).
void Type_First_Row(TFIEC_61850_Access& window) {
  Selection_Grid* grid = window.ACG_DA;
  tally.Click(grid->viewport(), Centre(grid, 0, DA_Col::Position - 1));
  tally.Type("1");
  tally.Key(Qt::Key_Tab);
  tally.Key(Qt::Key_Tab);
  tally.Type("R");
  tally.Key(Qt::Key_Tab);
  tally.Type("N");
  tally.Key(Qt::Key_Tab);
  tally.Type("1");
  tally.Key(Qt::Key_Return);
}

// From the top of the table: positions as a series down every row, then R/W, conversion and
// factor filled down.
void Fill_All_Rows(TFIEC_61850_Access& window) {
  Selection_Grid* grid = window.ACG_DA;
  tally.Key(Qt::Key_Home, Qt::ControlModifier);
  tally.Click(grid->viewport(), Centre(grid, 0, DA_Col::Position - 1));
  tally.Key(Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier);
  tally.Key(Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
  tally.Click(grid->viewport(), Centre(grid, 0, DA_Col::ReadWrite - 1));
  tally.Click(grid->viewport(), Centre(grid, 0, DA_Col::MoltFact - 1), Qt::ShiftModifier);
  tally.Key(Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier);
  tally.Key(Qt::Key_D, Qt::ControlModifier);
}

// The configuration the route must end with; prints what differs.
bool Check_Result(const TFIEC_61850_Access& window, const app::App_Context& ctx,
                  const std::vector<UIEC_Client_Decode::IED_Info>& ieds) {
  const Table& table = window.State().ACG_DA;
  std::map<std::string, std::string> ip_of;
  for (const auto& ied : ieds) ip_of[ied.name] = ied.ip;
  const auto& servers = window.State().List_IEC_Dev;
  int wrong = 0;
  auto fault = [&wrong](const std::string& text) {
    if (++wrong <= 10) std::printf("  not as wanted: %s\n", text.c_str());
  };
  if (table.Row_Count() != 2 * Points_Per_Server)
    fault(std::to_string(table.Row_Count()) + " variable rows");
  for (int r = 0; r < table.Row_Count(); ++r) {
    const std::string row = "row " + std::to_string(r + 1) + ": ";
    const int index = std::atoi(table.Cell(r, DA_Col::Index).c_str());
    if (index < 0 || index >= static_cast<int>(servers.size())) {
      fault(row + "server index " + table.Cell(r, DA_Col::Index));
      continue;
    }
    const std::string& ip = ip_of[servers[static_cast<size_t>(index)]->Name()];
    if (table.Cell(r, DA_Col::Position) != std::to_string(r + 1))
      fault(row + "position \"" + table.Cell(r, DA_Col::Position) + "\"");
    if (table.Cell(r, DA_Col::IPAddress) != ip || ip.empty())
      fault(row + "IP \"" + table.Cell(r, DA_Col::IPAddress) + "\", SCL \"" + ip + "\"");
    if (table.Cell(r, DA_Col::Port) != "102")
      fault(row + "port \"" + table.Cell(r, DA_Col::Port) + "\"");
  }
  if (!util::File_Exists(ctx.IEC_Client_File)) fault("IEC_61850_Client.xml not saved");
  if (window.isVisible()) fault("the editor is still open (OK did not save)");
  if (wrong > 10) std::printf("  ... %d more\n", wrong - 10);
  return wrong == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication application(argc, argv);
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  // The file given, else the sample in RQ_SCL_SAMPLES (as for the tests), else beside the
  // checkout.
  const char* samples = std::getenv("RQ_SCL_SAMPLES");
  const std::filesystem::path scl =
      argc > 1 ? std::filesystem::path(argv[1])
               : std::filesystem::path(samples ? samples : RQ_SCL_SAMPLES_DIR) /
                     "autogen-substation-demo.scd";
  if (!std::filesystem::exists(scl)) {
    std::printf("no SCL file %s: nothing measured\n", scl.string().c_str());
    return 0;
  }
  const auto ieds = UIEC_Client_Decode::List_IEDs(scl.string());

  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("point_job_bench_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir / "conf");
  app::App_Context ctx;
  ctx.Active_Conf_Dir = (dir / "conf").string();
  ctx.Set_Files();
  // The engineer has added a file from this folder before: the dialog opens there.
  ctx.Last_Folders.SCL_File = scl.parent_path().string();
  Counted_Messages messages;
  TFIEC_61850_Access window(app::Access_Editor_Options(ctx), messages);
  window.show();
  QApplication::setActiveWindow(&window);

  tally.Step("Add IEC Device, file name typed in the file dialog");
  When_Modal<QFileDialog>([&scl](QFileDialog* dialog) {
    std::printf("  the file dialog opens in %s\n",
                dialog->directory().path().toStdString().c_str());
    tally.Type(QString::fromStdString(scl.filename().string()));
    tally.Key(Qt::Key_Return);
  });
  When_Modal<TFIED_Chooser>([](TFIED_Chooser* chooser) {
    tally.Step("chooser: two IEDs, Add");
    QTableWidget* grid = chooser->SG_IEDs;
    std::vector<int> rows;
    for (const char* name : Ied_Names)
      for (int r = 0; r < grid->rowCount(); ++r)
        if (grid->item(r, 0)->text() == name) rows.push_back(r);
    for (size_t i = 0; i < rows.size(); ++i)
      tally.Click(grid->viewport(), Centre(grid, rows[i], 0),
                  i == 0 ? Qt::KeyboardModifiers() : Qt::ControlModifier);
    Pass_Check_Reports();
    tally.Click(chooser->Btn_OK, chooser->Btn_OK->rect().center());
  });
  tally.Click(window.Btn_Add_IEC_Device, window.Btn_Add_IEC_Device->rect().center());
  QApplication::setActiveWindow(&window);

  tally.Step("\"Address and port from SCL\" on");
  if (!window.CB_Address_From_SCL->isChecked())
    tally.Click(window.CB_Address_From_SCL, window.CB_Address_From_SCL->rect().center());

  tally.Step("server 1: choose, filter, first match, page down, Shift+click, Add Var");
  QLineEdit* filter = window.Tree_Filter->E_Tree_Filter;
  Choose_Server(window, 0);
  tally.Click(filter, filter->rect().center());
  tally.Type(Filter_Text);
  Add_Points(window, 0);
  std::printf("  %d variable rows\n", window.State().ACG_DA.Row_Count());
  tally.Step("first row: position 1, R/W, conversion, factor");
  Type_First_Row(window);

  tally.Step("server 2: choose, first match, page down, Shift+click, Add Var");
  Choose_Server(window, 1);
  Add_Points(window, 1);
  std::printf("  %d variable rows\n", window.State().ACG_DA.Row_Count());
  tally.Step("Ctrl+Home; positions: Ctrl+Shift+End, Ctrl+Shift+D; R/W..factor: Ctrl+D");
  Fill_All_Rows(window);

  tally.Step("OK");
  Pass_Check_Reports();
  tally.Click(window.Btn_OK, window.Btn_OK->rect().center());

  std::printf("\n%-78s %6s %5s\n", "step", "clicks", "keys");
  int clicks = 0, keys = 0;
  for (const auto& s : tally.steps) {
    std::printf("%-78s %6d %5d\n", s.step.c_str(), s.clicks, s.keys);
    clicks += s.clicks;
    keys += s.keys;
  }
  std::printf("%-78s %6d %5d\n", "total", clicks, keys);
  std::printf("target: at most 25 clicks and 150 keys\n\n");
  const bool done = Check_Result(window, ctx, ieds);
  std::printf("configuration: %s\n",
              done ? "200 points at positions 1..200, IP address and port 102 from the SCL file"
                   : "NOT the wanted one (see above)");
  std::filesystem::remove_all(dir);
  return 0;
}
