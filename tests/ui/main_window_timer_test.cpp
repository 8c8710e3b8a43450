// The main window's new-version timer: when it runs, what a tick shows, and how the options
// dialog's OK and Cancel act on it.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include "app/app_strings.h"
#include "app/local_http_server.h"
#include "app/main_window.h"
#include "app/soft_options_dialog.h"
#include "app/workspace.h"
#include "support/recording_messages.h"
#include "support/test_support.h"
#include "support/user_input.h"
#include "util/files.h"

namespace {

using Server = test::Local_Http_Server;

std::string Settings_Path(const test::Temp_Dir& dir) { return dir / "Varnoscope.xml"; }

void Write_Options(const test::Temp_Dir& dir, bool internet, bool update) {
  app::App_Context remembered;
  remembered.Exe_Dir = dir.path();
  remembered.Enable_Internet = internet;
  remembered.Enable_Update = update;
  app::Save_Setting(remembered);
}

// Runs the options dialog from the main window's Btn_Opz; `act` drives it once it is open.
void Run_Options(TFVarnoscopioFirmWare& main_window, std::function<void(TFSoftOptions&)> act) {
  QTimer::singleShot(0, main_window.FSoftOptions, [&main_window, act] {
    act(*main_window.FSoftOptions);
    // Whatever act did, the dialog must not stay open and block the test.
    if (main_window.FSoftOptions->isVisible()) main_window.FSoftOptions->reject();
  });
  test::Click(main_window.Btn_Opz);
}

TEST(Timer_Update, Runs_Only_While_Internet_And_Update_Are_Both_On) {
  const struct {
    bool internet, update;
  } cases[] = {{false, false}, {true, false}, {false, true}, {true, true}};
  for (const auto& c : cases) {
    test::Temp_Dir dir;
    Write_Options(dir, c.internet, c.update);
    app::App_Context ctx;
    test::Recording_Messages messages;
    TFVarnoscopioFirmWare main_window(ctx, messages, dir.path());
    EXPECT_EQ(main_window.Timer_Update->isActive(), c.internet && c.update)
        << c.internet << c.update;
    EXPECT_EQ(main_window.Timer_Update->interval(), 60000);
  }
}

TEST(Timer_Update, A_Tick_Shows_The_Link_Only_For_A_Newer_Version) {
  test::Temp_Dir dir;
  Write_Options(dir, true, true);
  app::App_Context ctx;
  test::Recording_Messages messages;
  TFVarnoscopioFirmWare main_window(ctx, messages, dir.path());
  ASSERT_TRUE(main_window.LL_Update->isHidden());

  Server newer(Server::Reply("VER. 1.010"));
  ctx.Version_Server = newer.Url();
  main_window.Timer_UpdateTimer();
  EXPECT_FALSE(main_window.LL_Update->isHidden());
  const std::string link = main_window.LL_Update->text().toStdString();
  EXPECT_NE(link.find(std::string(app::Maker_Web_Server) + "/Home/download/download.asp#GW30517"),
            std::string::npos)
      << link;
  EXPECT_NE(link.find("New Version Available. Click Here for more Details"), std::string::npos);
  EXPECT_TRUE(main_window.Timer_Update->isActive());
  EXPECT_EQ(main_window.Timer_Update->interval(), 7200000);

  for (const char* answer : {"VER. 1.001", "VER. 0.000", ""}) {
    main_window.LL_Update->show();
    Server server(Server::Reply(answer));
    ctx.Version_Server = server.Url();
    main_window.Timer_UpdateTimer();
    EXPECT_TRUE(main_window.LL_Update->isHidden()) << answer;
    EXPECT_EQ(server.Requests().size(), 1u);
  }
  main_window.LL_Update->show();
  test::Refused_Port refused;
  ctx.Version_Server = refused.Url();
  main_window.Timer_UpdateTimer();
  EXPECT_TRUE(main_window.LL_Update->isHidden());
  EXPECT_TRUE(main_window.Timer_Update->isActive());
}

// The link lies inside the window clear of every other control and shows its whole text; a text
// too long for the window ends in "..." and shows whole as the link's tooltip.
TEST(Timer_Update, The_Link_Is_Readable_In_Every_Language) {
  test::Temp_Dir dir;
  app::App_Context ctx;
  test::Recording_Messages messages;
  TFVarnoscopioFirmWare main_window(ctx, messages, dir.path());
  main_window.show();
  const QString too_long = QString("Eine neuere Version ist verfügbar. ").repeated(4);
  const struct {
    QString text;
    bool whole;
  } cases[] = {{"New Version Available. Click Here for more Details", true},
               {"Neue Version verfügbar. Klicken Sie hier für weitere Einzelheiten", true},
               {too_long, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.toStdString());
    ctx.Lang_Strings.Set(app_strings::Text_New_Version_Link, c.text.toStdString());
    Server newer(Server::Reply("VER. 1.010"));
    ctx.Version_Server = newer.Url();
    main_window.Timer_UpdateTimer();
    const QLabel* link = main_window.LL_Update;
    ASSERT_TRUE(link->isVisible());
    EXPECT_TRUE(main_window.rect().contains(link->geometry()));
    EXPECT_GE(link->width(), link->sizeHint().width());
    for (const QWidget* other : main_window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (other == link || !other->isVisible()) continue;
      EXPECT_FALSE(other->geometry().intersects(link->geometry()))
          << other->objectName().toStdString();
    }
    EXPECT_EQ(link->text().contains(c.text.toHtmlEscaped()), c.whole);
    EXPECT_EQ(link->toolTip(), c.whole ? QString() : c.text);
  }
}

TEST(Timer_Update, Options_Ok_Saves_And_Starts_Or_Stops_The_Timer_Cancel_Leaves_All) {
  test::Temp_Dir dir;
  app::App_Context ctx;
  test::Recording_Messages messages;
  TFVarnoscopioFirmWare main_window(ctx, messages, dir.path());
  main_window.Create_Dialogs();
  ASSERT_FALSE(main_window.Timer_Update->isActive());
  ASSERT_FALSE(util::File_Exists(Settings_Path(dir)));

  // Cancel writes nothing and leaves the timer off.
  Run_Options(main_window, [](TFSoftOptions& options) {
    test::Set_Tick(options.CB_En_Con, true);
    test::Set_Tick(options.CB_Update, true);
    test::Click(options.Btn_Cancel);
  });
  EXPECT_FALSE(util::File_Exists(Settings_Path(dir)));
  EXPECT_FALSE(main_window.Timer_Update->isActive());
  EXPECT_FALSE(ctx.Enable_Internet);

  Run_Options(main_window, [](TFSoftOptions& options) {
    test::Set_Tick(options.CB_En_Con, true);
    test::Set_Tick(options.CB_Update, true);
    test::Click(options.Btn_OK);
  });
  EXPECT_TRUE(main_window.Timer_Update->isActive());
  EXPECT_EQ(main_window.Timer_Update->interval(), 60000);
  std::string settings = test::Read(Settings_Path(dir));
  EXPECT_NE(settings.find("<enable_internet>1</enable_internet>"), std::string::npos) << settings;
  EXPECT_NE(settings.find("<enable_update>1</enable_update>"), std::string::npos) << settings;

  // Cancel leaves a running timer running.
  Run_Options(main_window, [](TFSoftOptions& options) {
    test::Set_Tick(options.CB_En_Con, false);
    test::Click(options.Btn_Cancel);
  });
  EXPECT_TRUE(main_window.Timer_Update->isActive());

  // The update check without the connection stops the timer, but its tick is saved.
  Run_Options(main_window, [](TFSoftOptions& options) {
    test::Set_Tick(options.CB_En_Con, false);
    test::Click(options.Btn_OK);
  });
  EXPECT_FALSE(main_window.Timer_Update->isActive());
  settings = test::Read(Settings_Path(dir));
  EXPECT_NE(settings.find("<enable_internet>0</enable_internet>"), std::string::npos) << settings;
  EXPECT_NE(settings.find("<enable_update>1</enable_update>"), std::string::npos) << settings;
}

}  // namespace
