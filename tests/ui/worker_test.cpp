// The worker of long operations: Cancel in its progress dialog stops the operation and nothing
// comes back but the stop; an operation's failure reaches the caller as its message; closing the
// owner mid-run neither crashes nor lets the operation finish its write; the window's event loop
// keeps running meanwhile.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QUndoStack>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <thread>

#include "access/access_strings.h"
#include "access_ui/access_window.h"
#include "access_ui/tree_filter_qt.h"
#include "access_ui/tree_panel_qt.h"
#include "app/all_texts.h"
#include "scl/scl_strings.h"
#include "support/access_editor.h"
#include "support/table_text.h"
#include "support/test_support.h"
#include "support/tree_items.h"
#include "support/user_input.h"
#include "text/lang_strings.h"
#include "util/files.h"
#include "util/worker_qt.h"

namespace {

using ui::Background_Job;
using ui::Job_Outcome;

// An operation that counts to `total` in small steps, polling its progress, and then writes
// `path` (when given): long enough for the dialog to show, short enough for a test.
std::function<void(util::Progress&)> Counting(size_t total, std::string path = {}) {
  return [total, path](util::Progress& progress) {
    progress.Start(scl_strings::Text_Building_Model, total);
    for (size_t i = 0; i < total; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      progress.Advance();
    }
    if (!path.empty()) util::Write_File_Atomic(path, "written");
  };
}

TEST(Background_Job, Cancel_As_Soon_As_The_Dialog_Shows_Stops_The_Work) {
  const lang::Lang_Strings strings = lang::English_Strings();
  test::Temp_Dir dir;
  const std::string out = dir.path() + "/out.txt";
  QWidget owner;
  owner.show();
  QPushButton* button = new QPushButton("Go", &owner);
  int pressed = 0;
  QObject::connect(button, &QPushButton::clicked, [&] { ++pressed; });
  Job_Outcome outcome;
  // Cancel is pressed the moment the dialog appears, by the user's click.
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (auto* dialog = owner.findChild<QProgressDialog*>("Job_Progress");
        dialog && dialog->isVisible()) {
      watch.stop();
      // The dialog names the file and what is done.
      EXPECT_TRUE(dialog->labelText().contains("big.scd"));
      EXPECT_TRUE(dialog->labelText().contains(
          QString::fromStdString(strings[scl_strings::Text_Building_Model])));
      // Clicks arrive through the windows, as the window system delivers them: the owner's
      // button takes none meanwhile, the dialog's Cancel does.
      QTest::mouseClick(owner.windowHandle(), Qt::LeftButton, {},
                        button->mapTo(&owner, button->rect().center()));
      QPushButton* cancel = dialog->findChild<QPushButton*>("Job_Cancel");
      QTest::mouseClick(dialog->windowHandle(), Qt::LeftButton, {},
                        cancel->mapTo(dialog, cancel->rect().center()));
    }
  });
  watch.start(10);
  const auto started = std::chrono::steady_clock::now();
  outcome = ui::Run_And_Wait(&owner, "big.scd", strings, Counting(5000, out));
  const auto waited = std::chrono::steady_clock::now() - started;
  EXPECT_EQ(outcome.end, Job_Outcome::End::Stopped);
  EXPECT_FALSE(util::File_Exists(out));
  // Stopped well before the 10 s the work would take, after the dialog's delay (less the
  // few ms a timer may fire early).
  EXPECT_LT(waited, std::chrono::seconds(5));
  EXPECT_GE(waited, std::chrono::milliseconds(Background_Job::Show_After_Ms - 5));
  EXPECT_TRUE(button->isEnabled());
  EXPECT_EQ(pressed, 0);
}

TEST(Background_Job, Failure_Reaches_The_Caller_As_Its_Message_And_Results_Come_Back) {
  const lang::Lang_Strings strings = lang::English_Strings();
  QWidget owner;
  const Job_Outcome failed = ui::Run_And_Wait(&owner, "x.scd", strings, [](util::Progress&) {
    throw std::runtime_error("x.scd: not well-formed at line 3");
  });
  EXPECT_EQ(failed.end, Job_Outcome::End::Failed);
  EXPECT_EQ(failed.message, "x.scd: not well-formed at line 3");

  Job_Outcome outcome;
  const std::optional<int> sum = ui::Run_And_Wait<int>(
      &owner, "x.scd", strings,
      [](util::Progress& progress) {
        int total = 0;
        for (int i = 1; i <= 100; ++i) {
          progress.Advance();
          total += i;
        }
        return total;
      },
      outcome);
  EXPECT_TRUE(outcome.Done());
  EXPECT_EQ(sum, 5050);
  // A quick operation never shows its dialog.
  EXPECT_EQ(owner.findChild<QProgressDialog*>("Job_Progress"), nullptr);
}

TEST(Background_Job, Keeps_The_Event_Loop_Free_And_Disables_What_It_Is_Given) {
  const lang::Lang_Strings strings = lang::English_Strings();
  QWidget owner;
  QPushButton* button = new QPushButton("Add", &owner);
  owner.show();
  std::atomic<bool> release{false};
  auto* job = new Background_Job(&owner, "big.scd", strings, [&](util::Progress& progress) {
    while (!release) {
      progress.Poll();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  job->Disable_While_Running(button);
  bool finished = false;
  QObject::connect(job, &Background_Job::Finished, [&] { finished = true; });
  EXPECT_FALSE(button->isEnabled());
  // Timers of the window thread keep firing while the work runs.
  int ticks = 0;
  QTimer tick;
  QObject::connect(&tick, &QTimer::timeout, [&] { ++ticks; });
  tick.start(20);
  QTest::qWait(400);
  EXPECT_GE(ticks, 10);
  EXPECT_NE(job->Dialog(), nullptr);
  release = true;
  EXPECT_TRUE(QTest::qWaitFor([&] { return finished; }, 5000));
  EXPECT_TRUE(button->isEnabled());
  delete job;
}

TEST(Background_Job, Closing_The_Owner_Mid_Run_Stops_The_Work_Without_Its_Write) {
  const lang::Lang_Strings strings = lang::English_Strings();
  test::Temp_Dir dir;
  const std::string out = dir.path() + "/out.txt";
  auto owner = std::make_unique<QWidget>();
  owner->show();
  bool any_signal = false;
  auto* job = new Background_Job(owner.get(), "big.scd", strings, Counting(5000, out));
  for (auto signal : {&Background_Job::Finished, &Background_Job::Stopped})
    QObject::connect(job, signal, [&] { any_signal = true; });
  QObject::connect(job, &Background_Job::Failed, [&] { any_signal = true; });
  EXPECT_TRUE(QTest::qWaitFor([&] { return job->Dialog() != nullptr; }, 5000));
  owner.reset();  // the window goes, and its job with it
  QTest::qWait(50);
  EXPECT_FALSE(any_signal);
  EXPECT_FALSE(util::File_Exists(out));
}

// The access editor's check runs as such a job: Cancel in its dialog ends Check without a report
// and OK without saving, the editor staying open as it was.
struct Editor_Check : test::Access_Editor {
  // A check of the catalog files that runs until it is stopped.
  static void Endless(const std::string&, const std::string&, const check::Sink&,
                      const lang::Lang_Strings&, const std::vector<std::string>*,
                      util::Progress* progress) {
    Until_Stopped(progress);
  }
};

TEST_F(Editor_Check, Cancel_Ends_Check_And_Ok_Without_Anything_Changed) {
  Use_Stand_In_Files();
  ASSERT_TRUE(Open_Editor());
  Add_Server("a.icd");
  ASSERT_EQ(Servers().size(), 1u) << messages.Last();
  window->Check_Scl = Endless;
  for (QPushButton* button : {window->Btn_Check, window->Btn_OK}) {
    SCOPED_TRACE(button->objectName().toStdString());
    messages.shown.clear();
    Cancel_When_Shown();
    test::Click(button);
    EXPECT_TRUE(messages.shown.empty()) << messages.Last();
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(util::File_Exists(ctx.IEC_Client_File));
  }
}

// The editor's imports run as such jobs. Each Cancel below comes the moment the job's dialog
// shows, and leaves the editor, its history and the files as they were.
struct Editor_Jobs : test::Access_Editor {
  // An import that runs until it is stopped.
  static std::unique_ptr<UIEC_Client_Decode::TIEC_Device> Endless_Import(const std::string&,
                                                                         util::Progress* progress) {
    Until_Stopped(progress);
  }
  void SetUp() override {
    Access_Editor::SetUp();
    Use_Stand_In_Files();
  }
  // The catalog file `name`'s text; "none" when there is no such file.
  std::string Catalog_Text(const std::string& name) const {
    return util::File_Exists(Catalog(name)) ? test::Read(Catalog(name)) : "none";
  }
};

TEST_F(Editor_Jobs, Cancel_Of_The_Opening_Leaves_The_Editor_Closed_And_The_Files_As_They_Were) {
  ASSERT_TRUE(Open_Editor());
  Add_Server("a.icd");
  test::Click(window->Btn_OK);
  ASSERT_FALSE(window->isVisible()) << messages.Last();
  const std::string client = test::Read(ctx.IEC_Client_File);
  const std::string catalog = Catalog_Text("a.icd");

  window->Import_Scl = Endless_Import;
  Cancel_When_Shown();
  EXPECT_FALSE(Open_Editor());
  EXPECT_TRUE(QTest::qWaitFor([&] { return !window->isVisible(); }));
  EXPECT_TRUE(messages.shown.empty()) << messages.Last();
  EXPECT_EQ(test::Read(ctx.IEC_Client_File), client);
  EXPECT_EQ(Catalog_Text("a.icd"), catalog);

  // The next opening reads it all.
  window->Import_Scl = UIEC_61850_Access::Ignoring_Progress(test::Fake_Import);
  ASSERT_TRUE(Open_Editor());
  EXPECT_EQ(Servers().size(), 1u);
}

TEST_F(Editor_Jobs, Cancel_Of_Add_Iec_Device_Adds_Nothing_And_Puts_The_Catalog_Back) {
  ASSERT_TRUE(Open_Editor());
  util::Force_Dirs(Catalog(""));
  test::Write(Catalog("a.icd"), test::Fake_Scl("IED1", "q"));
  window->Import_Scl = Endless_Import;
  // A new catalog file (b.icd), and one written over after the question (a.icd).
  for (const char* file : {"b.icd", "a.icd"}) {
    SCOPED_TRACE(file);
    const std::string before = Catalog_Text(file);
    messages.shown.clear();
    Cancel_When_Shown();
    Add_Server(file);
    EXPECT_TRUE(Servers().empty());
    EXPECT_EQ(Catalog_Text(file), before);
    for (const auto& shown : messages.shown) EXPECT_EQ(shown.kind, "question") << shown.text;
  }
  // The IEDs picked from a file with several: the file extracted for the first goes again.
  test::Write(dir / "two.scd", "<SCL><IED name='A'/><IED name='B'/><DataTypeTemplates/></SCL>");
  window->Choose_IEDs = [](const std::string&, const std::vector<UIEC_Client_Decode::IED_Info>&) {
    return std::vector<size_t>{0, 1};
  };
  const std::vector<std::string> catalog_before = util::List_Folder(Catalog(""));
  Cancel_When_Shown();
  Add_Server("two.scd");
  EXPECT_TRUE(Servers().empty());
  EXPECT_EQ(util::List_Folder(Catalog("")), catalog_before);
  EXPECT_EQ(window->History->count(), 0);
}

// The tree shows at once and its filter's index comes from a worker; choosing another server
// drops the index being made for the first, and so does leaving the editor.
TEST_F(Editor_Jobs, Filter_Index_Follows_The_Server_Shown) {
  ASSERT_TRUE(Open_Editor());
  Add_Server("a.icd");
  Add_Server("b.icd");
  test::Click_Item(window->LB_IEC_Devices, 0);
  Choose_Server(1);
  test::Retype(window->Tree_Filter->E_Tree_Filter, "stval");
  EXPECT_EQ(window->Tree_Filter->L_Tree_Matches->text(),
            test::Table_Text(access_strings::Text_One_Match));
  EXPECT_EQ(test::Top(window->TV_IEC_Device)->text(0), "IED2");

  test::Click_Item(window->LB_IEC_Devices, 0);
  test::Click(window->Btn_Cancel);
  EXPECT_FALSE(window->isVisible());
  EXPECT_FALSE(window->Tree->Indexing());
}

// An index that cannot be made leaves the whole tree shown, and the filter says why it finds
// nothing instead of waiting for it.
TEST_F(Editor_Jobs, Filter_Says_Why_When_Its_Index_Fails) {
  ASSERT_TRUE(Open_Editor());
  Add_Server("a.icd");
  window->Tree->Make_Index =
      [](const UIEC_Client_Decode::TIEC_Device&,
         util::Progress*) -> std::shared_ptr<const UIEC_61850_Access::Tree_Index> {
    throw std::runtime_error("too little memory");
  };
  Choose_Server(0);
  test::Retype(window->Tree_Filter->E_Tree_Filter, "stval");
  EXPECT_EQ(window->Tree_Filter->L_Tree_Matches->text(),
            test::Table_Text(access_strings::Text_Filter_Unavailable).arg("too little memory"));
  EXPECT_EQ(test::Top(window->TV_IEC_Device)->text(0), "IED1");
}

}  // namespace
