// The access editor on a large SCL file, driven as an engineer drives it: real clicks and keys
// (Qt Test) on the editor's controls, found by their object names. For each step it prints the
// longest time the window thread's event loop was blocked (a heartbeat timer of the window
// thread records the longest gap between its beats), the step's whole time, the memory resident
// after it and the peak so far; after choosing the server, the time until the tree shows its
// first level. Runs offscreen unless QT_QPA_PLATFORM says otherwise.
//
//   editor_bench FILE     e.g. a file of scl_import_bench --generate big.scd 6 (60 MB)
//
// The controls it needs: FIEC_61850_Access (the editor), Btn_Add_IEC_Device, LB_IEC_Devices,
// TV_IEC_Device, E_Tree_Filter, Btn_Check, Btn_Replace_Scl, Btn_OK, Btn_Cancel; in the dialogs
// FCheck_Report (Btn_Go_On, Btn_Cancel), FReplace_Impact (Btn_Replace) and Job_Progress.
#include <sys/resource.h>
#include <unistd.h>

#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "access_ui/access_window.h"
#include "app/context.h"
#include "app/main_window.h"
#include "util/files.h"
#include "util/messages_qt.h"

namespace {

// Messages are answered Yes and printed.
struct Print_Messages : ui::Messages {
  void Error(QWidget*, const std::string& text) override {
    std::printf("  [error] %.200s\n", text.c_str());
  }
  void Warning(QWidget*, const std::string& text) override {
    std::printf("  [warning] %.200s\n", text.c_str());
  }
  Answer Question(QWidget*, const std::string& text, bool) override {
    std::printf("  [question] %.200s\n", text.c_str());
    return Answer::Yes;
  }
};

// The longest gap between beats of a timer of the window thread: how long the event loop was
// kept from running, in any loop (the editor's own, a nested one, a dialog's).
class Heartbeat {
 public:
  static constexpr int Beat_Ms = 2;
  Heartbeat() {
    QObject::connect(&timer_, &QTimer::timeout, [this] { Beat(); });
    timer_.start(Beat_Ms);
    Reset();
  }
  void Reset() {
    longest_ms_ = 0;
    since_.start();
  }
  // Ends the measure: the time since the last beat counts too.
  double Longest() {
    Beat();
    return longest_ms_;
  }

 private:
  void Beat() {
    longest_ms_ = std::max(longest_ms_, static_cast<double>(since_.nsecsElapsed()) / 1e6);
    since_.restart();
  }
  QTimer timer_;
  QElapsedTimer since_;
  double longest_ms_ = 0;
};

double Resident_Mb() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1048576.0;
}

double Peak_Mb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

template <typename T = QWidget>
T* Named(QWidget* root, const char* name) {
  return root->findChild<T*>(name);
}

void Click(QWidget* widget) {
  if (widget) QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

// The dialogs that open during a step are passed as the engineer passes them: a check report
// with its "... anyway" button (or closed when it only shows), the impact of a new revision
// with Replace. The progress dialog of a long operation is left to run.
class Dialog_Answers {
 public:
  Dialog_Answers() {
    QObject::connect(&timer_, &QTimer::timeout, [] {
      QWidget* modal = QApplication::activeModalWidget();
      if (!modal) return;
      const QString name = modal->objectName();
      if (name == "FCheck_Report") {
        auto* go_on = Named<QPushButton>(modal, "Btn_Go_On");
        Click(go_on && go_on->isVisible() ? go_on : Named<QPushButton>(modal, "Btn_Cancel"));
      } else if (name == "FReplace_Impact") {
        Click(Named<QPushButton>(modal, "Btn_Replace"));
      }
    });
    timer_.start(20);
  }

 private:
  QTimer timer_;
};

struct Step_Figures {
  std::string step;
  double blocked_ms, total_ms, resident_mb, peak_mb;
};
std::vector<Step_Figures> figures;
Heartbeat* heartbeat = nullptr;

// Runs one step: `act` sends the clicks and keys, then the step lasts until `done` holds (the
// window's own event loop running meanwhile).
void Step(
    const std::string& name, const std::function<void()>& act,
    const std::function<bool()>& done = [] { return true; }) {
  QTest::qWait(50);  // what the previous step left to draw
  heartbeat->Reset();
  QElapsedTimer timer;
  timer.start();
  act();
  while (!done() && timer.elapsed() < 120'000) QTest::qWait(1);
  const double total = static_cast<double>(timer.nsecsElapsed()) / 1e6;
  figures.push_back({name, heartbeat->Longest(), total, Resident_Mb(), Peak_Mb()});
}

QAbstractItemModel* Tree_Model(QWidget* editor) {
  auto* tree = Named<QAbstractItemView>(editor, "TV_IEC_Device");
  return tree ? tree->model() : nullptr;
}

// Expands the tree's first node at each level down to `levels`, with the keyboard: the node is
// clicked, then Right opens it.
void Expand_First(QWidget* editor, int levels) {
  auto* tree = Named<QAbstractItemView>(editor, "TV_IEC_Device");
  QModelIndex node = tree->model()->index(0, 0);
  for (int level = 0; level < levels && node.isValid(); ++level) {
    tree->scrollTo(node);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(node).center());
    QTest::keyClick(tree, Qt::Key_Right);
    QTest::qWait(1);
    node = tree->model()->index(0, 0, node);
  }
}

// Runs `script` once `editor` is open and waits for nothing: not from inside the event loop of
// the opening's own work, whose return a script waiting there would hold up.
void When_Open(QDialog& editor, std::function<void()> script) {
  auto* poll = new QTimer(&editor);
  QObject::connect(poll, &QTimer::timeout, [poll, &editor, script] {
    if (!editor.isVisible() || QApplication::activeModalWidget() != &editor) return;
    poll->stop();
    poll->deleteLater();
    script();
  });
  poll->start(10);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
    return 2;
  }
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication application(argc, argv);
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  const std::filesystem::path scl = std::filesystem::absolute(argv[1]);
  const double file_mb = static_cast<double>(std::filesystem::file_size(scl)) / 1048576.0;
  std::printf("file %s, %.1f MB; resident at start %.1f MB\n", scl.filename().c_str(), file_mb,
              Resident_Mb());

  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("editor_bench_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir / "conf");
  // The new revision is a copy of the same file under another name.
  const std::filesystem::path revision = dir / ("revision_" + scl.filename().string());
  std::filesystem::copy_file(scl, revision);
  app::App_Context ctx;
  ctx.Active_Conf_Dir = (dir / "conf").string();
  ctx.Set_Files();
  Print_Messages messages;
  Heartbeat beat;
  heartbeat = &beat;
  Dialog_Answers answers;
  double first_level_ms = -1;

  {
    TFIEC_61850_Access editor(app::Access_Editor_Options(ctx), messages);
    std::string chosen = scl.string();
    editor.Choose_File = [&chosen] { return chosen; };
    When_Open(editor, [&] {
      QWidget* window = &editor;
      Step(
          "Add IEC Device", [&] { Click(Named(window, "Btn_Add_IEC_Device")); },
          [&] {
            auto* list = Named<QListWidget>(window, "LB_IEC_Devices");
            return list && list->count() > 0;
          });
      QElapsedTimer shown;
      Step(
          "choosing the server",
          [&] {
            auto* list = Named<QListWidget>(window, "LB_IEC_Devices");
            shown.start();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(list->item(0)).center());
          },
          [&] {
            QAbstractItemModel* model = Tree_Model(window);
            const bool done = model && model->rowCount() > 0;
            if (done && first_level_ms < 0)
              first_level_ms = static_cast<double>(shown.nsecsElapsed()) / 1e6;
            return done;
          });
      Step("expanding", [&] { Expand_First(window, 4); });
      Step("filtering \"stval\"", [&] {
        auto* filter = Named<QLineEdit>(window, "E_Tree_Filter");
        Click(filter);
        for (const char c : std::string("stval")) {
          QTest::keyClick(filter, c);
          QTest::qWait(1);
        }
      });
      Step("Check", [&] { Click(Named(window, "Btn_Check")); });
      Step("Replace SCL file", [&] {
        chosen = revision.string();
        Click(Named(window, "Btn_Replace_Scl"));
      });
      Step(
          "OK", [&] { Click(Named(window, "Btn_OK")); }, [&] { return !window->isVisible(); });
      if (window->isVisible()) editor.reject();
    });
    editor.exec();
  }
  {
    // Opening again: the editor imports the configuration's catalog file.
    TFIEC_61850_Access editor(app::Access_Editor_Options(ctx), messages);
    When_Open(editor, [&] {
      figures.push_back(
          {"opening (import of the catalog)", beat.Longest(), 0, Resident_Mb(), Peak_Mb()});
      Click(Named(&editor, "Btn_Cancel"));
      if (editor.isVisible()) editor.reject();
    });
    beat.Reset();
    editor.exec();
  }

  std::printf("\n%-34s %12s %10s %12s %9s\n", "step", "blocked ms", "step ms", "resident MB",
              "peak MB");
  double worst = 0;
  for (const Step_Figures& f : figures) {
    std::printf("%-34s %12.0f %10.0f %12.1f %9.1f\n", f.step.c_str(), f.blocked_ms, f.total_ms,
                f.resident_mb, f.peak_mb);
    worst = std::max(worst, f.blocked_ms);
  }
  std::printf("\nlongest block of the event loop: %.0f ms (goal: at most 100 ms)\n", worst);
  std::printf("first tree level after choosing the server: %.0f ms (goal: at most 200 ms)\n",
              first_level_ms);
  const double peak = Peak_Mb();
  std::printf("peak resident memory: %.1f MB, %.1f x the file (goal: under 5 x)\n", peak,
              peak / file_mb);
  std::filesystem::remove_all(dir);
  return 0;
}
