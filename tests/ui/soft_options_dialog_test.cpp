#include "app/soft_options_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include "app/app_strings.h"
#include "app/local_http_server.h"
#include "app/main_window.h"
#include "app/new_project_dialog.h"
#include "support/recording_messages.h"
#include "support/test_support.h"
#include "support/user_input.h"
#include "util/files.h"

namespace {

using Answer = ui::Messages::Answer;

std::string S(const QString& text) { return text.toStdString(); }
// A check box's text with the line breaks that fit it into the page undone.
std::string S(const QCheckBox* box) { return S(QString(box->text()).replace('\n', ' ')); }

void Make_Flag(const std::string& path, Qt::GlobalColor color) {
  QImage image(32, 20, QImage::Format_RGB32);
  image.fill(color);
  ASSERT_TRUE(image.save(QString::fromStdString(path), "BMP"));
}

class Soft_Options : public ::testing::Test {
 protected:
  Soft_Options() {
    ctx.Exe_Dir = dir.path();
    ctx.Language_Dir = dir / "LANGUAGE";
    util::Create_Dir(ctx.Language_Dir);
  }
  void Add_Language(const std::string& name, const std::string& text = "") {
    test::Write(Lang(name + ".lng"), text);
  }
  std::string Lang(const std::string& name) const { return ctx.Language_Dir + "/" + name; }
  // The display names of the slots shown, in slot order.
  std::vector<std::string> Shown_Slots() const {
    std::vector<std::string> names;
    for (QLabel* label : form.L_L)
      if (!label->isHidden()) names.push_back(S(label->text()));
    return names;
  }
  // Opens the dialog again (FormShow runs from the show event).
  void Reopen() {
    form.hide();
    form.show();
  }

  test::Temp_Dir dir;
  app::App_Context ctx;
  test::Recording_Messages messages;
  TFSoftOptions form{ctx, messages, nullptr};
};

TEST_F(Soft_Options, Created_With_Its_Captions_And_Size) {
  EXPECT_EQ(form.size(), QSize(509, 373));
  EXPECT_EQ(S(form.windowTitle()), "Software Options");
  EXPECT_EQ(S(form.L_SW_Code->text()), "RQ30517");
  EXPECT_EQ(S(form.PC_Options->tabText(0)), "Language");
  EXPECT_EQ(S(form.PC_Options->tabText(1)), "Connection Options");
  EXPECT_EQ(S(form.PC_Options->tabText(2)), "Software Settings");
  EXPECT_EQ(S(form.CB_Update), "Check Software Update at Start of Program");
  EXPECT_EQ(S(form.CB_DoubleClick_Auto_Size), "Enable Auto Size of Table Columns by Double Click");
  EXPECT_NE(form.findChild<QLabel*>("I_L6"), nullptr);
  EXPECT_NE(form.findChild<QWidget*>("TS_Soft_Settings"), nullptr);
}

TEST_F(Soft_Options, Language_Pages_For_None_Six_And_Seven_Files) {
  const struct {
    int files;
    size_t first_page_slots;
    const char* counter;
    bool next;
  } cases[] = {
      {0, 0, "Page 1 / 0", false}, {6, 6, "Page 1 / 1", false}, {7, 6, "Page 1 / 2", true}};
  int made = 0;
  for (const auto& c : cases) {
    for (; made < c.files; ++made) Add_Language(std::string(1, static_cast<char>('G' - made)));
    Reopen();
    EXPECT_EQ(Shown_Slots().size(), c.first_page_slots) << c.files;
    EXPECT_EQ(S(form.L_Page_Lang->text()), c.counter) << c.files;
    EXPECT_TRUE(form.Btn_Prev->isHidden()) << c.files;
    EXPECT_EQ(!form.Btn_Next->isHidden(), c.next) << c.files;
  }
  EXPECT_EQ(Shown_Slots(), (std::vector<std::string>{"A", "B", "C", "D", "E", "F"}));
  EXPECT_EQ(form.PC_Options->currentWidget(), form.TS_Language);

  test::Click(form.Btn_Next);
  EXPECT_EQ(form.Show_Page, 2);
  EXPECT_EQ(Shown_Slots(), (std::vector<std::string>{"G"}));
  EXPECT_TRUE(form.L_L[1]->isHidden());
  EXPECT_EQ(S(form.L_Page_Lang->text()), "Page 2 / 2");
  EXPECT_TRUE(form.Btn_Next->isHidden());
  EXPECT_FALSE(form.Btn_Prev->isHidden());
  EXPECT_EQ(form.Show_Page, 2);
  test::Click(form.Btn_Prev);
  EXPECT_EQ(form.Show_Page, 1);
  EXPECT_EQ(Shown_Slots().size(), 6u);
  // A slot without a language chooses nothing.
  test::Click(form.Btn_Next);
  QTest::mouseClick(form.L_L[1], Qt::LeftButton);
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Soft_Options, Flags_From_Own_Picture_Then_Default_Flag_Then_None) {
  Add_Language("Italiano");
  Add_Language("Deutsch");
  Make_Flag(Lang("Italiano.bmp"), Qt::red);
  Reopen();
  ASSERT_EQ(Shown_Slots(), (std::vector<std::string>{"Deutsch", "Italiano"}));
  EXPECT_TRUE(form.I_L[0]->isHidden());
  ASSERT_FALSE(form.I_L[1]->isHidden());
  EXPECT_EQ(form.I_L[1]->pixmap().toImage().pixelColor(5, 5), QColor(Qt::red));

  Make_Flag(Lang("DefaultFlag.bmp"), Qt::blue);
  Reopen();
  ASSERT_FALSE(form.I_L[0]->isHidden());
  EXPECT_EQ(form.I_L[0]->pixmap().toImage().pixelColor(5, 5), QColor(Qt::blue));
  EXPECT_EQ(form.I_L[1]->pixmap().toImage().pixelColor(5, 5), QColor(Qt::red));
}

TEST_F(Soft_Options, Chosen_Language_Shows_At_Once_But_Is_Stored_Only_On_Ok) {
  Add_Language("Deutsch",
               "STR300 = Software-Optionen\nSTR304 = \xC2\xB6"
               "Sprache: \xC2\xB6\n"
               "STR305 = \xC2\xB6Seite \xC2\xB6\n");
  for (char c = 'E'; c <= 'J'; ++c) Add_Language(std::string(1, c));  // Deutsch on page 1
  int recaptions = 0;
  form.Set_Change_Language([&] {
    ++recaptions;
    form.Set_Lang();
  });
  form.show();
  ASSERT_EQ(form.L_L[0]->text(), "Deutsch");
  test::Click(form.Btn_Next);
  test::Click(form.Btn_Prev);

  messages.answers = {Answer::No};
  QTest::mouseClick(form.L_L[0], Qt::LeftButton);
  EXPECT_EQ(messages.Last(), "Do you want to change the Language from English to Deutsch?");
  EXPECT_EQ(form.Language_In_Use, "English");
  EXPECT_EQ(recaptions, 0);
  EXPECT_EQ(ctx.Lang_Strings[app_strings::Text_Options_Caption], "Software Options");

  QTest::mouseClick(form.L_L[0], Qt::LeftButton);
  EXPECT_EQ(form.Language_In_Use, "Deutsch");
  EXPECT_EQ(recaptions, 1);
  EXPECT_EQ(ctx.Lang_Strings[app_strings::Text_Options_Caption], "Software-Optionen");
  EXPECT_EQ(S(form.windowTitle()), "Software-Optionen");
  EXPECT_EQ(S(form.L_Sel_Lang->text()), "Sprache: Deutsch");
  EXPECT_EQ(S(form.L_Page_Lang->text()), "Seite 1 / 2");
  EXPECT_EQ(ctx.Language_Name, "English");

  // Cancel: the screen keeps the new language, the settings keep the old name.
  test::Click(form.Btn_Cancel);
  EXPECT_EQ(form.result(), QDialog::Rejected);
  EXPECT_EQ(ctx.Language_Name, "English");
  Reopen();
  EXPECT_EQ(S(form.L_Sel_Lang->text()), "Sprache: English");
  EXPECT_EQ(S(form.windowTitle()), "Software-Optionen");

  QTest::mouseClick(form.L_L[0], Qt::LeftButton);
  test::Click(form.Btn_OK);
  EXPECT_EQ(form.result(), QDialog::Accepted);
  EXPECT_EQ(ctx.Language_Name, "Deutsch");
}

TEST_F(Soft_Options, Page_Counter_Keeps_The_Page_After_A_Language_Choice) {
  for (char c = 'A'; c <= 'G'; ++c) Add_Language(std::string(1, c));
  form.Set_Change_Language([&] { form.Set_Lang(); });
  form.show();
  test::Click(form.Btn_Next);
  QTest::mouseClick(form.L_L[0], Qt::LeftButton);
  EXPECT_EQ(form.Language_In_Use, "G");
  EXPECT_EQ(S(form.L_Page_Lang->text()), "Page 2 / 2");
}

TEST_F(Soft_Options, Check_Box_Rules) {
  const struct {
    bool internet, update, update_enabled, check_enabled;
  } cases[] = {{false, false, false, false},
               {false, true, false, false},
               {true, false, true, false},
               {true, true, true, true}};
  for (const auto& c : cases) {
    ctx.Enable_Internet = c.internet;
    ctx.Enable_Update = c.update;
    Reopen();
    EXPECT_EQ(form.CB_En_Con->isChecked(), c.internet);
    EXPECT_EQ(form.CB_Update->isChecked(), c.update);
    EXPECT_EQ(form.CB_Update->isEnabled(), c.update_enabled) << c.internet << c.update;
    EXPECT_EQ(form.Btn_Check_Update->isEnabled(), c.check_enabled) << c.internet << c.update;
  }
  // Unticking the connection disables the update check but keeps its tick.
  test::Click(form.CB_En_Con);
  EXPECT_FALSE(form.CB_Update->isEnabled());
  EXPECT_TRUE(form.CB_Update->isChecked());
  EXPECT_FALSE(form.Btn_Check_Update->isEnabled());
  test::Click(form.CB_En_Con);
  EXPECT_TRUE(form.Btn_Check_Update->isEnabled());
  test::Click(form.CB_Update);
  EXPECT_FALSE(form.Btn_Check_Update->isEnabled());
}

TEST_F(Soft_Options, Ok_Stores_Every_Tick_And_Cancel_None) {
  form.show();
  test::Set_Tick(form.CB_En_Con, true);
  test::Set_Tick(form.CB_Update, true);
  test::Set_Tick(form.CB_En_Con, false);
  test::Set_Tick(form.CB_Soft_Set_Jump_Table, true);
  test::Set_Tick(form.CB_DoubleClick_Auto_Size, true);
  test::Click(form.Btn_Cancel);
  EXPECT_FALSE(ctx.Enable_Update);
  EXPECT_FALSE(ctx.Enable_Jump_Field_Tables);
  EXPECT_FALSE(ctx.Double_Click_Auto_Size);

  Reopen();
  EXPECT_FALSE(form.CB_Soft_Set_Jump_Table->isChecked());
  // The update check is ticked while the connection is, which is then unticked.
  test::Set_Tick(form.CB_En_Con, true);
  test::Set_Tick(form.CB_Update, true);
  test::Set_Tick(form.CB_En_Con, false);
  test::Set_Tick(form.CB_Soft_Set_Jump_Table, true);
  test::Set_Tick(form.CB_DoubleClick_Auto_Size, true);
  test::Click(form.Btn_OK);
  EXPECT_EQ(form.result(), QDialog::Accepted);
  EXPECT_FALSE(ctx.Enable_Internet);
  EXPECT_TRUE(ctx.Enable_Update);  // stored although disabled
  EXPECT_TRUE(ctx.Enable_Jump_Field_Tables);
  EXPECT_TRUE(ctx.Double_Click_Auto_Size);
  EXPECT_FALSE(ctx.Address_From_SCL);
}

TEST_F(Soft_Options, Address_From_Scl_Is_Off_Until_Ticked_And_Confirmed) {
  form.show();
  form.PC_Options->setCurrentWidget(form.TS_Soft_Settings);
  EXPECT_FALSE(form.CB_Address_From_SCL->isChecked());
  QTest::mouseClick(form.CB_Address_From_SCL, Qt::LeftButton);
  test::Click(form.Btn_Cancel);
  EXPECT_FALSE(ctx.Address_From_SCL);
  Reopen();
  form.PC_Options->setCurrentWidget(form.TS_Soft_Settings);
  EXPECT_FALSE(form.CB_Address_From_SCL->isChecked());
  QTest::mouseClick(form.CB_Address_From_SCL, Qt::LeftButton);
  QTest::mouseClick(form.Btn_OK, Qt::LeftButton);
  EXPECT_TRUE(ctx.Address_From_SCL);
  Reopen();
  EXPECT_TRUE(form.CB_Address_From_SCL->isChecked());
}

TEST_F(Soft_Options, Check_Update_Shows_The_Link_Or_No_Update) {
  using Server = test::Local_Http_Server;
  ctx.Enable_Internet = ctx.Enable_Update = true;
  form.show();
  EXPECT_TRUE(form.LL_Check_Update->isHidden());

  Server newer(Server::Reply("VER. 1.010"));
  ctx.Version_Server = newer.Url();
  test::Click(form.Btn_Check_Update);
  EXPECT_FALSE(form.LL_Check_Update->isHidden());
  EXPECT_EQ(form.LL_Check_Update->textFormat(), Qt::RichText);
  const std::string link = S(form.LL_Check_Update->text());
  EXPECT_NE(link.find("href=\"" + std::string(app::Maker_Web_Server) +
                      "/Home/download/download.asp#GW30517\""),
            std::string::npos)
      << link;
  EXPECT_NE(link.find(">New Version Available. Click Here for more Details</a>"), std::string::npos)
      << link;
  EXPECT_EQ(newer.Requests().size(), 1u);

  Server same(Server::Reply("VER. 1.001"));
  ctx.Version_Server = same.Url();
  test::Click(form.Btn_Check_Update);
  EXPECT_EQ(S(form.LL_Check_Update->text()), "No Update Available");
  EXPECT_EQ(form.LL_Check_Update->textFormat(), Qt::PlainText);

  ctx.Version_Server = newer.Url();
  test::Click(form.Btn_Check_Update);
  test::Refused_Port refused;
  ctx.Version_Server = refused.Url();
  test::Click(form.Btn_Check_Update);
  EXPECT_EQ(S(form.LL_Check_Update->text()), "No Update Available");
  Reopen();
  EXPECT_TRUE(form.LL_Check_Update->isHidden());
}

// The choice reaches every window through the main window's Change_Language; the settings
// file written at the end still names the old language after Cancel.
TEST(Soft_Options_In_Program, Language_Choice_Recaptions_Every_Window) {
  test::Temp_Dir dir;
  util::Create_Dir(dir / "LANGUAGE");
  test::Write(dir / "LANGUAGE/Deutsch.lng",
              "STR15 = Neue Konfiguration\nSTR100 = Konfiguration anlegen\n"
              "STR300 = Software-Optionen\n");
  app::App_Context ctx;
  test::Recording_Messages messages;
  TFVarnoscopioFirmWare main_window(ctx, messages, dir.path());
  main_window.Create_Dialogs();
  TFSoftOptions& options = *main_window.FSoftOptions;
  options.show();
  ASSERT_EQ(S(options.L_L[0]->text()), "Deutsch");
  QTest::mouseClick(options.L_L[0], Qt::LeftButton);
  EXPECT_EQ(S(main_window.Btn_New->text()), "Neue Konfiguration");
  EXPECT_EQ(S(main_window.FNew_Project->windowTitle()), "Konfiguration anlegen");
  EXPECT_EQ(S(options.windowTitle()), "Software-Optionen");
  test::Click(options.Btn_Cancel);
  main_window.close();
  const std::string settings = test::Read(dir / "Varnoscope.xml");
  EXPECT_NE(settings.find("<language>English</language>"), std::string::npos) << settings;
}

}  // namespace
