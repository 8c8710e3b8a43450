#include "app/main_window.h"

#include <gtest/gtest.h>

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#ifndef _WIN32
#include <sys/stat.h>
#endif
#include <filesystem>
#include <functional>
#include <memory>

#include "access_ui/access_window.h"
#include "app/all_texts.h"
#include "app/app_strings.h"
#include "app/new_project_dialog.h"
#include "app/open_conf_dialog.h"
#include "app/soft_options_dialog.h"
#include "lang/lang_file.h"
#include "lang/language_files.h"
#include "support/configurator.h"
#include "support/test_support.h"
#include "support/user_input.h"
#include "util/files.h"

namespace {

using test::Configurator;
using test::While_Modal;

TEST(Main_Window, First_Start_Layout_And_Gated_Steps) {
  test::Temp_Dir dir;
  Configurator run(dir.path());
  auto& w = *run.window;
  EXPECT_TRUE(util::Dir_Exists(dir / "MASTER"));
  EXPECT_TRUE(util::Dir_Exists(dir / "PROJECTS"));
  EXPECT_TRUE(util::Dir_Exists(dir / "LANGUAGE"));
  EXPECT_EQ(w.windowTitle().toStdString(),
            "Tolvan - Configurator RQ30517 - IEC61850 Client / Modbus TCP Slave ");
  EXPECT_EQ(w.L_SW_Code->text().toStdString(), "RQ30517");
  EXPECT_EQ(run.Box(), "None Configuration Opened |Use Step1 to open or create new configuration");
  EXPECT_EQ(w.Btn_CreateBin->text().toStdString(), "Update Device UDP");
  EXPECT_EQ(w.Btn_CreateBin->geometry(), QRect(80, 244, 170, 36));
  EXPECT_EQ(w.Btn_Open->geometry(), QRect(258, 112, 170, 36));
  EXPECT_EQ(w.L_Step[3]->pos(), QPoint(16, 260));
  EXPECT_FALSE(w.L_Step[4]->isVisible());
  EXPECT_EQ(w.size(), QSize(694, 244 + 152));
  EXPECT_EQ(w.Shape1->geometry(), QRect(10, 295, 674, 1));

  for (QPushButton* step : {w.Btn_Prm_Gen, w.Btn_IEC61850_Client, w.Btn_CreateBin}) {
    run.messages.shown.clear();
    test::Click(step);
    ASSERT_EQ(run.messages.shown.size(), 1u);
    EXPECT_EQ(run.messages.shown[0].kind, "error");
    EXPECT_EQ(run.messages.shown[0].text, "Error! Project not Valid");
  }
  EXPECT_FALSE(util::File_Exists(dir / "PROJECTS/ParGen.xml"));
}

// Runs a dialog that `button` opens modally; `interact` types and clicks in it and must close it.
void Open_With(QAbstractButton* button, QDialog* dialog, std::function<void()> interact) {
  While_Modal([dialog, interact] {
    ASSERT_TRUE(test::Activate(dialog));
    interact();
    if (dialog->isVisible()) dialog->done(QDialog::Rejected);  // never leave the test blocked
  });
  test::Click(button);
}

TEST(Main_Window, New_Configuration_Survives_A_Restart) {
  test::Temp_Dir dir;
  {
    Configurator run(dir.path());
    ASSERT_TRUE(test::Activate(run.window.get()));
    auto* dialog = run.window->FNew_Project;
    Open_With(run.window->Btn_New, dialog, [&] {
      test::Type("Substation A");
      test::Click(dialog->Btn_OK);
    });
    EXPECT_TRUE(run.messages.shown.empty()) << run.messages.Last();
    EXPECT_EQ(run.Box(), "Opened Configuration of the Converter : |Substation A");
    EXPECT_TRUE(util::Dir_Exists(dir / "PROJECTS/Substation A/bin"));
    run.window->close();  // FormClose writes the settings
  }
  Configurator again(dir.path());
  EXPECT_EQ(again.ctx.Active_Conf_Dir, dir / "PROJECTS/Substation A");
  EXPECT_EQ(again.Box(), "Opened Configuration of the Converter : |Substation A");
}

TEST(Main_Window, New_Configuration_Errors_Keep_The_Dialog_Open) {
  test::Temp_Dir dir;
  Configurator run(dir.path());
  auto* dialog = run.window->FNew_Project;
  util::Create_Dir(dir / "PROJECTS/Taken");
  struct Case {
    const char* name;
    const char* message;
  } cases[] = {{"", "Error! Name Project is not valid"},
               {"Taken", "Error! Name project is not valid because directory already exists"},
               {"../outside", "Error! Name project is not valid"}};
  for (const Case& c : cases) {
    ASSERT_TRUE(test::Activate(dialog));
    test::Retype(dialog->E_New_Proj, c.name);
    test::Click(dialog->Btn_OK);
    EXPECT_EQ(run.messages.Last(), c.message);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->E_New_Proj->text().toStdString(), c.name);
  }
  EXPECT_FALSE(util::Dir_Exists(dir / "outside"));
  EXPECT_FALSE(run.ctx.Conf_Active());
}

// Enter in the name box confirms once: a refused name is announced once, a good one is taken.
TEST(Main_Window, Enter_In_The_Name_Box_Confirms_Once) {
  test::Temp_Dir dir;
  Configurator run(dir.path());
  util::Create_Dir(dir / "PROJECTS/Taken");
  auto* dialog = run.window->FNew_Project;
  struct Case {
    const char* typed;
    const char* message;  // empty: accepted
  } cases[] = {{"", "Error! Name Project is not valid"},
               {"Taken", "Error! Name project is not valid because directory already exists"},
               {"Line 2", ""}};
  ASSERT_TRUE(test::Activate(run.window.get()));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    run.messages.shown.clear();
    Open_With(run.window->Btn_New, dialog, [&] {
      test::Type(c.typed);
      test::Press(Qt::Key_Return);
    });
    if (*c.message != 0) {
      ASSERT_EQ(run.messages.shown.size(), 1u);
      EXPECT_EQ(run.messages.shown[0].text, c.message);
    } else {
      EXPECT_TRUE(run.messages.shown.empty()) << run.messages.Last();
      EXPECT_EQ(run.ctx.Active_Conf_Dir, dir / "PROJECTS/Line 2");
    }
  }
}

// Texts longer than the configuration box end in "..." inside it and show whole as tooltips.
TEST(Main_Window, Long_Configuration_Lines_Stay_Inside_The_Box) {
  test::Temp_Dir dir;
  Configurator run(dir.path());
  auto& w = *run.window;
  const QString german =
      "Verwenden Sie Schritt 1, um eine Konfiguration zu öffnen oder neu anzulegen";
  run.ctx.Lang_Strings.Set(app_strings::Text_No_Configuration_Hint, german.toStdString());
  w.Change_Language();
  const QRect box = w.Shape2->geometry();
  auto inside = [&](QLabel* line) { return line->x() + line->width() <= box.right() - 4; };
  EXPECT_TRUE(inside(w.L_Name_Conf_L2));
  EXPECT_TRUE(w.L_Name_Conf_L2->text().endsWith(QChar(0x2026)));
  EXPECT_EQ(w.L_Name_Conf_L2->toolTip(), german);

  const QString name = "Substation North - Feeder Bay 12 - Protection and Control Upgrade 2026";
  ASSERT_TRUE(test::Activate(&w));
  Open_With(w.Btn_New, w.FNew_Project, [&] {
    test::Type(name);
    test::Press(Qt::Key_Return);
  });
  ASSERT_EQ(run.ctx.Active_Conf_Name, name.toStdString());
  EXPECT_TRUE(inside(w.L_Name_Conf_L2));
  EXPECT_TRUE(w.L_Name_Conf_L2->text().endsWith(QChar(0x2026)));
  EXPECT_EQ(w.L_Name_Conf_L2->toolTip(), name);
  // A name that fits is shown whole, without a tooltip; markup in a name is shown as typed.
  Open_With(w.Btn_New, w.FNew_Project, [&] {
    test::Type("<b>Bay 3");
    test::Press(Qt::Key_Return);
  });
  EXPECT_EQ(w.L_Name_Conf_L2->text(), "<b>Bay 3");
  EXPECT_EQ(w.L_Name_Conf_L2->textFormat(), Qt::PlainText);
  EXPECT_TRUE(w.L_Name_Conf_L2->toolTip().isEmpty());
}

// The dialogs placed on the screen's centre open there wherever the main window is.
TEST(Main_Window, Dialogs_Open_Centred_On_The_Screen) {
  test::Temp_Dir dir;
  Configurator run(dir.path());
  auto& w = *run.window;
  ASSERT_TRUE(test::Activate(&w));
  Open_With(w.Btn_New, w.FNew_Project, [] {
    test::Type("Plant");
    test::Press(Qt::Key_Return);
  });
  ASSERT_TRUE(run.ctx.Conf_Active());
  w.move(0, 0);
  const QPoint centre = w.screen()->availableGeometry().center();
  const struct {
    QAbstractButton* button;
    QDialog* dialog;
  } cases[] = {{w.Btn_New, w.FNew_Project},
               {w.Btn_Open, w.FOpenConf},
               {w.Btn_Opz, w.FSoftOptions},
               {w.Btn_IEC61850_Client, w.FIEC_61850_Access}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.dialog->metaObject()->className());
    QPoint seen;
    Open_With(c.button, c.dialog, [&] {
      seen = c.dialog->geometry().center();
      test::Press(Qt::Key_Escape);
    });
    EXPECT_LE((seen - centre).manhattanLength(), 8) << seen.x() << "," << seen.y();
  }
}

TEST(Main_Window, Open_Preselects_Ignoring_Case_And_Empty_Choice_Deactivates) {
  test::Temp_Dir dir;
  util::Create_Dir(dir.path() + "/PROJECTS");
  util::Create_Dir(dir / "PROJECTS/Plant");
  test::Write(dir / "Varnoscope.xml",
              "<Conf_Settings><lastproj><projectname>Plant</projectname></lastproj>"
              "</Conf_Settings>");
  Configurator run(dir.path());
  // The remembered name differs in case from what the folder is now called.
  run.ctx.Active_Conf_Dir = dir / "PROJECTS/PLANT";
  TFOpenConf* open = run.window->FOpenConf;
  While_Modal([&] {
    EXPECT_EQ(open->Name_Conf, "Plant");
    EXPECT_EQ(open->ListBox1->currentRow(), 0);
    test::Click(open->Btn_Cancel);
  });
  test::Click(run.window->Btn_Open);

  std::filesystem::remove_all(dir / "PROJECTS/Plant");
  While_Modal([&] { test::Click(open->Btn_OK); });
  test::Click(run.window->Btn_Open);
  EXPECT_FALSE(run.ctx.Conf_Active());
  EXPECT_EQ(run.Box(), "None Configuration Opened |Use Step1 to open or create new configuration");
}

TEST(Main_Window, Deleted_Configuration_Stays_Remembered) {
  test::Temp_Dir dir;
  test::Write(dir / "Varnoscope.xml",
              "<Conf_Settings><lastproj><projectname>Gone</projectname></lastproj>"
              "</Conf_Settings>");
  {
    Configurator run(dir.path());
    EXPECT_FALSE(run.ctx.Conf_Active());
    EXPECT_EQ(run.Box(),
              "None Configuration Opened |Use Step1 to open or create new configuration");
    run.window->close();
  }
  EXPECT_NE(test::Read(dir / "Varnoscope.xml").find("<projectname>Gone</projectname>"),
            std::string::npos);
}

TEST(Main_Window, Language_File_Recaptions_Every_Window) {
  test::Temp_Dir dir;
  Configurator run(dir.path());
  test::Write(dir / "LANGUAGE/Italiano.lng",
              "STR15 = Nuova Configurazione\nSTR9 = \xC2\xB6Nessuna \xC2\xB6\nSTR100 = Nuova\n");
  run.ctx.Language_Name = "Italiano";
  lang::Select_Language(run.ctx.Lang_Strings, run.ctx.Language_Dir, run.ctx.Language_Name);
  run.window->Change_Language();
  EXPECT_EQ(run.window->Btn_New->text().toStdString(), "Nuova Configurazione");
  EXPECT_EQ(run.window->L_Name_Conf->text().toStdString(), "Nessuna ");
  EXPECT_EQ(run.window->FNew_Project->windowTitle().toStdString(), "Nuova");
}

TEST(Main_Window, Settings_That_Cannot_Be_Written_Are_Reported) {
  test::Temp_Dir dir;
  Configurator run(dir.path());
  util::Create_Dir(dir / "Varnoscope.xml");  // a folder where the file should go
  run.window->close();
  ASSERT_FALSE(run.messages.shown.empty());
  EXPECT_EQ(run.messages.shown.back().kind, "warning");
  EXPECT_NE(run.messages.Last().find("Varnoscope.xml"), std::string::npos);
}

// One configurator per workspace: a second one started on a workspace that a running one holds
// says so and quits before it changes anything; the lock of a crashed run is taken over.
TEST(Main_Window, A_Second_Configurator_On_The_Same_Workspace_Quits) {
  test::Temp_Dir dir;
  test::Recording_Messages messages;
  util::Folder_Lock running, second;
  ASSERT_TRUE(
      TFVarnoscopioFirmWare::Claim_Workspace(running, messages, test::English(), dir.path()));
  EXPECT_TRUE(messages.shown.empty());

  EXPECT_FALSE(
      TFVarnoscopioFirmWare::Claim_Workspace(second, messages, test::English(), dir.path()));
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].kind, "error");
  EXPECT_EQ(messages.Last(),
            "The configurator is already running on this workspace. Close it before you start it "
            "again.\n" +
                dir.path());
  EXPECT_FALSE(second.Locked());
  std::vector<std::string> entries;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
    entries.push_back(entry.path().filename().string());
  EXPECT_EQ(entries, std::vector<std::string>{"Varnoscope.lock"});

  // The first run ends (here: releases; a crash releases the same way): its lock file stays
  // and the next start takes it over without a word.
  running.Unlock();
  messages.shown.clear();
  EXPECT_TRUE(
      TFVarnoscopioFirmWare::Claim_Workspace(second, messages, test::English(), dir.path()));
  EXPECT_TRUE(messages.shown.empty());
}

// A workspace whose lock cannot be taken at all (a read-only program folder, a folder in the lock
// file's place) is never used unlocked: the configurator says why and quits.
TEST(Main_Window, A_Workspace_That_Cannot_Be_Locked_Quits_With_The_Reason) {
  test::Temp_Dir dir;
  std::filesystem::create_directory(dir / "locked by a folder");
  std::filesystem::create_directory(dir / "locked by a folder/Varnoscope.lock");
  const std::string prefix =
      "The configurator cannot lock this workspace, so it cannot make sure that no other "
      "configurator uses it at the same time. Make the program folder writable and start it "
      "again.\n";
  struct Case {
    std::string exe_dir, reason;
  };
  for (const Case& c : {Case{dir / "missing", "No such file or directory"},
                        Case{dir / "locked by a folder", "Is a directory"}}) {
    SCOPED_TRACE(c.exe_dir);
    test::Recording_Messages messages;
    util::Folder_Lock lock;
    EXPECT_FALSE(
        TFVarnoscopioFirmWare::Claim_Workspace(lock, messages, test::English(), c.exe_dir));
    EXPECT_FALSE(lock.Locked());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, "error");
    EXPECT_EQ(messages.Last(),
              prefix + "Cannot use " + c.exe_dir + "/Varnoscope.lock: " + c.reason);
  }
#ifndef _WIN32
  // The whole message in the table's language, the platform layer's own reason too (here for a
  // FIFO in the lock file's place).
  lang::Lang_Strings german = lang::English_Strings();
  for (const lang::Shipped_File& file : lang::Shipped_Files())
    if (std::string(file.Name) == "Deutsch.lng")
      lang::Apply_Lang_Text(german, std::string(file.Bytes));
  std::filesystem::create_directory(dir / "locked by a FIFO");
  ASSERT_EQ(mkfifo((dir / "locked by a FIFO/Varnoscope.lock").c_str(), 0666), 0);
  test::Recording_Messages messages;
  util::Folder_Lock lock;
  EXPECT_FALSE(
      TFVarnoscopioFirmWare::Claim_Workspace(lock, messages, german, dir / "locked by a FIFO"));
  EXPECT_EQ(messages.Last(), german[app_strings::Text_Workspace_Not_Lockable] + "\n" + dir.path() +
                                 "/locked by a FIFO/Varnoscope.lock kann nicht verwendet werden: "
                                 "es ist keine reguläre Datei");
#endif
}

}  // namespace
