#include "update/boot_dialog.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cerrno>

#include "app/main_window.h"
#include "support/recording_messages.h"
#include "support/test_support.h"
#include "support/user_input.h"
#include "update/icmp_echo.h"
#include "update/scripted_echo.h"
#include "update/update_params.h"
#include "update/update_strings.h"
#include "util/files.h"
#include "util/util_strings.h"
#include "util/xml.h"

namespace {

class Boot_Dialog : public ::testing::Test {
 protected:
  void SetUp() override {
    ctx.Exe_Dir = exe.path();
    ctx.Master_Dir = exe / "MASTER";
    ctx.Active_Conf_Dir = exe / "PROJECTS/Plant";
    ctx.Last_IP_Address = "127.0.0.1";
  }

  // A stand-in updater that notes it ran and what it found beside itself.
  void Install_Updater() {
    const std::string path = exe / "Ethernet_Update.exe";
    test::Write(path, "#!/bin/sh\ncd \"$(dirname \"$0\")\" && cp Ethernet_Update.xml seen.xml\n");
    chmod(path.c_str(), 0755);
  }

  // Opens the dialog with checks answered by `echo` on the test's clock.
  void Show_With(UBoot::Echo_Service& echo) {
    F = std::make_unique<TFBoot>(app::Boot_Options_Of(ctx), messages);
    F->Use_Echo_Service(&echo, &clock);
    F->show();
  }

  std::vector<std::string> Boxes() {
    return {F->E_IP1->text().toStdString(), F->E_IP2->text().toStdString(),
            F->E_IP3->text().toStdString(), F->E_IP4->text().toStdString()};
  }

  // Types the four boxes one by one (the dialog must be the active window).
  void Set_Boxes(const char* a, const char* b, const char* c, const char* d) {
    test::Retype(F->E_IP1, a);
    test::Retype(F->E_IP2, b);
    test::Retype(F->E_IP3, c);
    test::Retype(F->E_IP4, d);
  }

  // Every control lies inside its panel, shows its whole caption, and none overlaps another.
  void Expect_Tidy() {
    for (QWidget* panel : {F->P_Title, F->P_IP_Address, F->P_Options, F->P_Button}) {
      std::vector<QWidget*> controls;
      for (QWidget* child : panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        SCOPED_TRACE(child->objectName().toStdString());
        EXPECT_TRUE(panel->rect().contains(child->geometry()));
        for (QWidget* other : controls)
          EXPECT_FALSE(child->geometry().intersects(other->geometry()))
              << other->objectName().toStdString();
        controls.push_back(child);
      }
    }
    for (QWidget* captioned : std::initializer_list<QWidget*>{
             F->CB_Update_Options, F->CB_Update_Option_Read_Back, F->Btn_Cancel, F->Btn_Update,
             F->L_IP_Address, F->L_Update_Option}) {
      SCOPED_TRACE(captioned->objectName().toStdString());
      EXPECT_GE(captioned->width(), captioned->sizeHint().width());
    }
  }

  test::Temp_Dir exe;
  app::App_Context ctx;
  test::Recording_Messages messages;
  test::Virtual_Clock clock;
  std::unique_ptr<TFBoot> F;
};

TEST_F(Boot_Dialog, Controls_Texts_And_Size) {
  ctx.Last_IP_Address = "";
  F = std::make_unique<TFBoot>(app::Boot_Options_Of(ctx), messages);
  F->show();
  EXPECT_EQ(F->size(), QSize(449, 230));
  EXPECT_EQ(F->P_Title->height(), 69);
  EXPECT_EQ(F->P_IP_Address->height(), 49);
  EXPECT_EQ(F->P_Options->height(), 72);
  EXPECT_EQ(F->P_Button->height(), 40);
  EXPECT_LT(F->P_Title->y(), F->P_IP_Address->y());
  EXPECT_LT(F->P_IP_Address->y(), F->P_Options->y());
  EXPECT_LT(F->P_Options->y(), F->P_Button->y());
  EXPECT_EQ(F->windowTitle(), "Update Device by Ethernet (UDP)");
  EXPECT_EQ(F->L_SW_Code->text(), "RQ30517");
  EXPECT_EQ(F->L_SW_Desc->text(), "Update Device Using the Ethernet Port");
  EXPECT_EQ(F->L_IP_Address->text(), "Insert the IP Address of Device");
  for (QLineEdit* box : {F->E_IP1, F->E_IP2, F->E_IP3, F->E_IP4}) {
    EXPECT_EQ(box->width(), 41);
    EXPECT_EQ(box->text(), "0");
  }
  int dots = 0;
  for (QLabel* label : F->P_IP_Address->findChildren<QLabel*>()) dots += label->text() == ".";
  EXPECT_EQ(dots, 3);
  EXPECT_EQ(F->E_IP3->toolTip(), "Insert third byte of IP Address");
  EXPECT_EQ(F->L_Update_Option->text(), "Select Update Options");
  ASSERT_EQ(F->CB_Update_Options->count(), 3);
  EXPECT_EQ(F->CB_Update_Options->itemText(0), "Firmware + Configuration");
  EXPECT_EQ(F->CB_Update_Options->itemText(1), "Firmware");
  EXPECT_EQ(F->CB_Update_Options->itemText(2), "Configuration");
  EXPECT_EQ(F->CB_Update_Option_Read_Back->text(), "Read Back");
  EXPECT_EQ(F->Btn_Cancel->text(), "Cancel");
  EXPECT_EQ(F->Btn_Update->text(), "Execute Update Firmware");
  EXPECT_EQ(F->Btn_Update->toolTip(), "Start the update of Device");
  Expect_Tidy();
  EXPECT_EQ(F->focusWidget(), F->E_IP1);
}

TEST_F(Boot_Dialog, Longer_Texts_Stay_Whole) {
  F = std::make_unique<TFBoot>(app::Boot_Options_Of(ctx), messages);
  ctx.Lang_Strings.Set(update_strings::Text_IP_Address,
                       "Geben Sie die IP-Adresse des zu aktualisierenden Geräts ein");
  ctx.Lang_Strings.Set(update_strings::Text_Update_Options.At(0),
                       "Firmware und Konfiguration gemeinsam übertragen");
  ctx.Lang_Strings.Set(update_strings::Text_Read_Back, "Zurücklesen und vergleichen");
  ctx.Lang_Strings.Set(update_strings::Text_Update, "Aktualisierung der Firmware ausführen");
  F->Set_Lang();  // a language change while the dialog exists
  F->show();
  EXPECT_EQ(F->size(), QSize(449, 230));
  Expect_Tidy();
}

TEST_F(Boot_Dialog, Form_Show_Restores_The_Remembered_Choices) {
  F = std::make_unique<TFBoot>(app::Boot_Options_Of(ctx), messages);
  ctx.Last_IP_Address = "010.1.2.254";
  ctx.Update_Option_Index = 2;
  ctx.Update_Read_Back = false;
  ASSERT_TRUE(test::Activate(F.get()));
  EXPECT_EQ(Boxes(), (std::vector<std::string>{"010", "1", "2", "254"}));
  EXPECT_EQ(F->CB_Update_Options->currentIndex(), 2);
  EXPECT_FALSE(F->CB_Update_Option_Read_Back->isChecked());
  Set_Boxes("7", "8", "9", "x");
  F->hide();

  // An address that does not split leaves the boxes as they are; texts are read at every showing.
  for (const char* remembered : {"300.1.1.1", "", "1.2.3"}) {
    SCOPED_TRACE(remembered);
    ctx.Last_IP_Address = remembered;
    ctx.Lang_Strings.Set(update_strings::Text_Update, "Go");
    F->show();
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"7", "8", "9", "x"}));
    EXPECT_EQ(F->Btn_Update->text(), "Go");
    EXPECT_EQ(F->CB_Update_Options->currentIndex(), 2);
    F->hide();
  }
}

TEST_F(Boot_Dialog, Dot_Moves_To_The_Next_Box) {
  ctx.Last_IP_Address = "";
  F = std::make_unique<TFBoot>(app::Boot_Options_Of(ctx), messages);
  ASSERT_TRUE(test::Activate(F.get()));
  Set_Boxes("", "", "", "");
  QTest::mouseClick(F->E_IP1, Qt::LeftButton);
  test::Type("192.168.2.205..");
  EXPECT_EQ(Boxes(), (std::vector<std::string>{"192", "168", "2", "205"}));
  EXPECT_EQ(F->focusWidget(), F->E_IP4);

  // A box that cannot take the focus is not entered; the "." is still swallowed.
  Set_Boxes("", "", "", "");
  F->E_IP2->setEnabled(false);
  QTest::mouseClick(F->E_IP1, Qt::LeftButton);
  test::Type("1.5");
  EXPECT_EQ(Boxes(), (std::vector<std::string>{"15", "", "", ""}));
  EXPECT_EQ(F->focusWidget(), F->E_IP1);
}

// A whole address typed over the remembered one is exactly what is pinged, remembered and
// written: every box entered with "." takes the new digits in place of its old ones.
TEST_F(Boot_Dialog, Typed_Address_Replaces_The_Remembered_One) {
  Install_Updater();
  test::Scripted_Echo echo(clock, [](int) { return 64; });
  for (const char* remembered : {"127.0.0.1", "192.168.2.205", "10.100.200.254"}) {
    SCOPED_TRACE(remembered);
    ctx.Last_IP_Address = remembered;
    echo.hosts.clear();
    Show_With(echo);
    ASSERT_TRUE(test::Activate(F.get()));
    test::Type("127.0.0.2");
    test::Click(F->Btn_Update);
    EXPECT_TRUE(messages.shown.empty()) << messages.Last();
    EXPECT_EQ(echo.hosts, (std::vector<std::string>{"127.0.0.2", "127.0.0.2"}));
    EXPECT_EQ(ctx.Last_IP_Address, "127.0.0.2");
    pugi::xml_document written;
    ASSERT_TRUE(written.load_file((exe / "Ethernet_Update.xml").c_str()));
    EXPECT_STREQ(written.first_child().child_value("IP_Address_Dev"), "127.0.0.2");
  }
}

TEST_F(Boot_Dialog, Reachable_Device_Stores_Writes_And_Starts_The_Updater) {
  Install_Updater();
  test::Scripted_Echo echo(clock, [](int) { return 64; });
  Show_With(echo);
  ASSERT_TRUE(test::Activate(F.get()));
  test::Type("127.0.0.009");
  QTest::keyClick(F->CB_Update_Options, Qt::Key_Down);  // "Firmware"
  test::Click(F->CB_Update_Option_Read_Back);
  test::Click(F->Btn_Update);

  EXPECT_TRUE(messages.shown.empty()) << messages.Last();
  EXPECT_EQ(echo.hosts, (std::vector<std::string>{"127.0.0.009", "127.0.0.009"}));
  EXPECT_EQ(F->ping_res, UBoot::Ping_Status::Data);
  EXPECT_EQ(ctx.Last_IP_Address, "127.0.0.009");
  EXPECT_EQ(ctx.Update_Option_Index, 1);
  EXPECT_FALSE(ctx.Update_Read_Back);
  pugi::xml_document expected;
  UBoot::Build_Update_Parameters(expected,
                                 {"127.0.0.009", 1, false, ctx.Master_Dir, ctx.Active_Conf_Dir});
  EXPECT_EQ(test::Read(exe / "Ethernet_Update.xml"), util::Xml_To_String(expected));
  // The updater ran to its end before the click returned, and found the file beside it.
  EXPECT_EQ(test::Read(exe / "seen.xml"), util::Xml_To_String(expected));
  EXPECT_TRUE(F->isVisible());
}

TEST_F(Boot_Dialog, Unreachable_Device_Changes_Nothing) {
  Install_Updater();
  test::Scripted_Echo silent(clock, [](int) { return 0; });
  Show_With(silent);
  ASSERT_TRUE(test::Activate(F.get()));
  test::Type("127.0.0.2");
  QTest::keyClick(F->CB_Update_Options, Qt::Key_End);  // "Configuration"
  test::Click(F->Btn_Update);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].kind, "warning");
  EXPECT_EQ(messages.shown[0].text, "Device Not Found!");
  EXPECT_EQ(F->ping_res, UBoot::Ping_Status::No_Data);
  EXPECT_EQ(ctx.Last_IP_Address, "127.0.0.1");
  EXPECT_EQ(ctx.Update_Option_Index, 0);
  EXPECT_FALSE(util::File_Exists(exe / "Ethernet_Update.xml"));
  EXPECT_FALSE(util::File_Exists(exe / "seen.xml"));
  EXPECT_TRUE(F->isVisible());

  // A second attempt with a corrected address works without reopening the dialog.
  test::Scripted_Echo device(clock, [](int) { return 64; });
  F->Use_Echo_Service(&device, &clock);
  QTest::mouseClick(F->E_IP4, Qt::LeftButton);
  test::Press(Qt::Key_Backspace);
  test::Type("1");
  test::Click(F->Btn_Update);
  EXPECT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(ctx.Last_IP_Address, "127.0.0.1");
  EXPECT_EQ(ctx.Update_Option_Index, 2);
  EXPECT_TRUE(util::File_Exists(exe / "seen.xml"));
  EXPECT_TRUE(F->isVisible());
  test::Click(F->Btn_Cancel);
  EXPECT_FALSE(F->isVisible());
  EXPECT_EQ(F->result(), QDialog::Rejected);
}

// Boxes that do not make an address end the check before any socket: the machine's own echo
// client is used here, and no packet leaves.
TEST_F(Boot_Dialog, Address_That_Does_Not_Parse_Asks_To_Check_It) {
  F = std::make_unique<TFBoot>(app::Boot_Options_Of(ctx), messages);
  ASSERT_TRUE(test::Activate(F.get()));
  for (const char* first : {"300", "abc", ""}) {
    SCOPED_TRACE(first);
    messages.shown.clear();
    Set_Boxes(first, "0", "0", "1");
    test::Click(F->Btn_Update);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, "error");
    // The message of a check without any reply, then why the check ended.
    EXPECT_EQ(messages.shown[0].text, "Error!!! Check the Ip Address\n\n\"" + std::string(first) +
                                          ".0.0.1\" is not an IPv4 address");
    EXPECT_EQ(F->ping_res, UBoot::Ping_Status::No_Reply);
  }
  EXPECT_EQ(ctx.Last_IP_Address, "127.0.0.1");
  EXPECT_FALSE(util::File_Exists(exe / "Ethernet_Update.xml"));
}

TEST_F(Boot_Dialog, Refused_Ping_Says_How_To_Allow_It) {
  UBoot::Icmp_Echo_Service refused(ctx.Lang_Strings, [](int, int type, int) {
    errno = type == SOCK_DGRAM ? EACCES : EPERM;
    return -1;
  });
  Show_With(refused);
  test::Click(F->Btn_Update);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].kind, "error");
  const std::string& text = messages.shown[0].text;
  EXPECT_EQ(text.find("Check the Ip Address"), std::string::npos) << text;
  EXPECT_NE(text.find("does not allow this program to send ping requests"), std::string::npos);
  EXPECT_NE(text.find("Permission denied"), std::string::npos) << text;
  EXPECT_NE(text.find("Operation not permitted"), std::string::npos) << text;
  EXPECT_NE(text.find("net.ipv4.ping_group_range"), std::string::npos) << text;
  EXPECT_NE(text.find("setcap cap_net_raw+ep /"), std::string::npos) << text;
  EXPECT_FALSE(util::File_Exists(exe / "Ethernet_Update.xml"));
}

TEST_F(Boot_Dialog, Updater_That_Cannot_Start_Is_Named) {
  test::Scripted_Echo echo(clock, [](int) { return 64; });
  Show_With(echo);
  test::Click(F->Btn_Update);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].kind, "error");
  EXPECT_EQ(messages.shown[0].text, "Error!!! The update program " + (exe / "Ethernet_Update.exe") +
                                        " cannot be started: No such file or directory");
  EXPECT_TRUE(util::File_Exists(exe / "Ethernet_Update.xml"));

  messages.shown.clear();
  test::Write(exe / "Ethernet_Update.exe", "#!/bin/sh\n");  // not executable
  test::Click(F->Btn_Update);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_NE(messages.shown[0].text.find("cannot be started: Permission denied"), std::string::npos);
}

// The failure is worded from the window's table, around the file and the system's reason.
TEST_F(Boot_Dialog, Parameter_File_That_Cannot_Be_Written_Stops_The_Update) {
  Install_Updater();
  test::Scripted_Echo echo(clock, [](int) { return 64; });
  util::Create_Dir(exe / "Ethernet_Update.xml");  // a folder in the way
  ctx.Lang_Strings.Set(util_strings::Text_Cannot_Write, "%2 -- nicht geschrieben: %1");
  Show_With(echo);
  test::Click(F->Btn_Update);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].kind, "error");
  EXPECT_EQ(messages.shown[0].text, util::System_Error_Text(EISDIR) +
                                        " -- nicht geschrieben: " + exe / "Ethernet_Update.xml");
  EXPECT_FALSE(util::File_Exists(exe / "seen.xml"));
}

// The machine's echo client and the updater start, end to end on the loopback address.
TEST_F(Boot_Dialog, Loopback_Device_End_To_End) {
  {
    UBoot::Icmp_Echo_Service probe(ctx.Lang_Strings);
    try {
      probe.Echo("127.0.0.1", "127.0.0.1", 400);
    } catch (const UBoot::Echo_Not_Allowed& e) {
      GTEST_SKIP() << "this machine allows neither ICMP socket: " << e.what();
    }
  }
  Install_Updater();
  F = std::make_unique<TFBoot>(app::Boot_Options_Of(ctx), messages);
  F->show();
  test::Click(F->Btn_Update);
  EXPECT_TRUE(messages.shown.empty()) << messages.Last();
  EXPECT_EQ(F->ping_res, UBoot::Ping_Status::Data);
  EXPECT_TRUE(util::File_Exists(exe / "seen.xml"));
}

}  // namespace
