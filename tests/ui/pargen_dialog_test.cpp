#include "comm/pargen_dialog.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QWheelEvent>
#include <QWindow>
#include <filesystem>
#include <functional>
#include <pugixml.hpp>

#include "app/main_window.h"
#include "comm/category_panel_qt.h"
#include "comm/comm_strings.h"
#include "comm/pargen_file.h"
#include "support/recording_messages.h"
#include "support/test_support.h"
#include "support/user_input.h"
#include "util/files.h"
#include "util/xml.h"

namespace {

// The dialog on a temporary configuration folder.
struct Dialog_Run {
  test::Temp_Dir dir;
  app::App_Context ctx;
  test::Recording_Messages messages;
  std::unique_ptr<TFParGen> dlg;
  Dialog_Run() {
    ctx.Active_Conf_Dir = dir.path();
    ctx.Set_Files();
    dlg = std::make_unique<TFParGen>(app::ParGen_Options_Of(ctx), messages);
  }
  std::string File() const { return ctx.ParGen_File; }
  void Save(const comm::Par_Gen& values) {
    pugi::xml_document doc;
    comm::Save_Par_Gen(doc, File(), values);
  }
  comm::Par_Gen Saved() const {
    pugi::xml_document doc;
    comm::Par_Gen values;
    comm::Load_Par_Gen(doc, File(), values);
    return values;
  }
};

std::string T(const QLineEdit* box) { return box->text().toStdString(); }

TEST(ParGen_Dialog, Layout_And_Texts) {
  Dialog_Run run;
  TFParGen& d = *run.dlg;
  EXPECT_EQ(d.size(), QSize(460, 700));
  EXPECT_EQ(d.windowTitle().toStdString(), "Set Communication");
  EXPECT_EQ(d.CP_IEC61850_Client->Caption().toStdString(), "1. IEC61850 Client");
  EXPECT_EQ(d.CP_Modbus_TCP_Slave->Caption().toStdString(), "2. Modbus TCP Slave");
  EXPECT_EQ(d.Btn_OK->text().toStdString(), "OK");
  EXPECT_EQ(d.Btn_Cancel->toolTip().toStdString(), "Exit and Discard the current configuration");
  EXPECT_EQ(d.CB_ModbusTCPSlave_En_GAT->text().toStdString(), "Gateway");
  EXPECT_EQ(d.E_ModbusTCPSlave_SM3->toolTip().toStdString(), "Insert Third byte of SubNet Mask");
  EXPECT_EQ(d.E_IEC61850_Client_GAT4->toolTip().toStdString(),
            "Insert Fourth byte of Default Gateway");
  EXPECT_EQ(d.E_IEC61850_Client_VLAN->toolTip().toStdString(), "Insert the VLAN index");
  EXPECT_EQ(d.findChild<QLineEdit*>("E_ModbusTCPSlave_Port"), d.E_ModbusTCPSlave_Port);

  d.show();
  d.resize(600, 400);
  QApplication::processEvents();
  EXPECT_EQ(d.size(), QSize(460, 400));
  // Each panel ends 12 pixels below its last control; the second starts where the first ends.
  auto bottom_of = [](QWidget* control, QWidget* panel) {
    return control->mapTo(panel, QPoint(0, control->height())).y();
  };
  EXPECT_EQ(d.CP_IEC61850_Client->height(),
            bottom_of(d.E_IEC61850_Client_AppID, d.CP_IEC61850_Client) + 12);
  EXPECT_EQ(d.CP_Modbus_TCP_Slave->height(),
            bottom_of(d.E_ModbusTCPSlave_Port, d.CP_Modbus_TCP_Slave) + 12);
  EXPECT_EQ(d.CP_IEC61850_Client->y(), 0);
  EXPECT_EQ(d.CP_Modbus_TCP_Slave->y(), d.CP_IEC61850_Client->height());

  // A language change re-captions the panels too.
  run.ctx.Lang_Strings.Set(comm_strings::Text_Client_Caption,
                           "Client IEC61850 avec un nom beaucoup plus long");
  run.ctx.Lang_Strings.Set(comm_strings::Text_Client_AppID,
                           "Identifiant de l'application du client IEC61850");
  d.Set_Lang();
  EXPECT_EQ(d.CP_IEC61850_Client->Caption().toStdString(),
            "1. Client IEC61850 avec un nom beaucoup plus long");
  QApplication::processEvents();
  EXPECT_EQ(d.CP_IEC61850_Client->height(),
            bottom_of(d.E_IEC61850_Client_AppID, d.CP_IEC61850_Client) + 12);
}

TEST(ParGen_Dialog, No_File_Shows_Defaults_And_Ok_Writes_Them) {
  Dialog_Run run;
  TFParGen& d = *run.dlg;
  d.E_IEC61850_Client_IP1->setText("leftover");
  d.show();
  EXPECT_EQ(T(d.E_IEC61850_Client_IP1), "192");
  EXPECT_EQ(T(d.E_IEC61850_Client_IP4), "10");
  EXPECT_EQ(T(d.E_ModbusTCPSlave_IP4), "5");
  EXPECT_EQ(T(d.E_ModbusTCPSlave_GAT4), "1");
  EXPECT_EQ(T(d.E_ModbusTCPSlave_Port), "502");
  EXPECT_FALSE(d.CB_IEC61850_Client_En_GAT->isChecked());
  EXPECT_FALSE(util::File_Exists(run.File()));
  EXPECT_TRUE(run.messages.shown.empty());

  test::Click(d.Btn_OK);
  EXPECT_EQ(d.result(), QDialog::Accepted);
  EXPECT_FALSE(d.isVisible());
  pugi::xml_document doc;
  comm::Write_Par_Gen(doc, comm::Default_Par_Gen());
  EXPECT_EQ(test::Read(run.File()), util::Xml_To_String(doc));
}

TEST(ParGen_Dialog, Saves_What_Was_Typed_And_Reloads_It) {
  Dialog_Run run;
  TFParGen& d = *run.dlg;
  ASSERT_TRUE(test::Activate(&d));
  test::Retype(d.E_IEC61850_Client_IP1, " 010");
  test::Retype(d.E_IEC61850_Client_SM4, "$FF");
  // A disabled gateway, VLAN and application ID are stored whatever they hold.
  test::Retype(d.E_IEC61850_Client_GAT2, "not a number");
  test::Retype(d.E_IEC61850_Client_VLAN, "");
  test::Retype(d.E_IEC61850_Client_AppID, "id <1>");
  test::Click(d.CB_ModbusTCPSlave_En_GAT);
  test::Retype(d.E_ModbusTCPSlave_GAT1, "10");
  test::Retype(d.E_ModbusTCPSlave_Port, "65535");
  test::Click(d.Btn_OK);
  ASSERT_TRUE(run.messages.shown.empty()) << run.messages.Last();
  const comm::Par_Gen saved = run.Saved();
  EXPECT_EQ(saved.IEC61850_Client_IP[0], " 010");
  EXPECT_EQ(saved.IEC61850_Client_SM[3], "$FF");
  EXPECT_EQ(saved.IEC61850_Client_GAT[1], "not a number");
  EXPECT_EQ(saved.IEC61850_Client_VLAN, "");
  EXPECT_EQ(saved.IEC61850_Client_Application_ID, "id <1>");
  EXPECT_FALSE(saved.IEC61850_Client_En_GAT);
  EXPECT_TRUE(saved.Modbus_TCP_Slave_EN_GAT);
  EXPECT_EQ(saved.Modbus_TCP_Slave_Port, "65535");

  // Edits abandoned with Cancel (and the discard question answered Yes) are gone at the next
  // showing.
  ASSERT_TRUE(test::Activate(&d));
  test::Retype(d.E_IEC61850_Client_IP1, "1");
  test::Click(d.CB_ModbusTCPSlave_En_GAT);
  test::Click(d.Btn_Cancel);
  EXPECT_EQ(run.messages.Last(), "The changes have not been saved. Discard them and close?");
  EXPECT_EQ(d.result(), QDialog::Rejected);
  EXPECT_EQ(run.Saved(), saved);
  d.show();
  EXPECT_EQ(T(d.E_IEC61850_Client_IP1), " 010");
  EXPECT_EQ(T(d.E_IEC61850_Client_GAT2), "not a number");
  EXPECT_TRUE(d.CB_ModbusTCPSlave_En_GAT->isChecked());
}

// Cancel, Escape and the close button ask before changes are thrown away; without changes they
// close at once.
TEST(ParGen_Dialog, Leaving_Without_Ok_Asks_Only_After_Changes) {
  using Answer = ui::Messages::Answer;
  const std::function<void(TFParGen&)> leave[] = {
      [](TFParGen& d) { test::Click(d.Btn_Cancel); },
      [](TFParGen&) { test::Press(Qt::Key_Escape); },
      [](TFParGen& d) { d.close(); },  // the window's close button
  };
  for (size_t way = 0; way < std::size(leave); ++way) {
    SCOPED_TRACE(way);
    Dialog_Run run;
    TFParGen& d = *run.dlg;
    ASSERT_TRUE(test::Activate(&d));
    leave[way](d);
    EXPECT_FALSE(d.isVisible());
    EXPECT_TRUE(run.messages.shown.empty());

    ASSERT_TRUE(test::Activate(&d));
    test::Retype(d.E_ModbusTCPSlave_Port, "1502");
    run.messages.answers = {Answer::No};
    leave[way](d);
    ASSERT_EQ(run.messages.shown.size(), 1u);
    EXPECT_EQ(run.messages.shown[0].kind, "question");
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(T(d.E_ModbusTCPSlave_Port), "1502");

    run.messages.answers = {Answer::Yes};
    leave[way](d);
    EXPECT_EQ(run.messages.shown.size(), 2u);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), QDialog::Rejected);
    EXPECT_FALSE(util::File_Exists(run.File()));
  }
}

// Typing whole addresses over the shown ones, "." moving from box to box along the chain.
TEST(ParGen_Dialog, Typed_Addresses_Replace_The_Old_Ones) {
  Dialog_Run run;
  TFParGen& d = *run.dlg;
  ASSERT_TRUE(test::Activate(&d));
  test::Retype(d.E_IEC61850_Client_IP1, "10.1.2.3.255.255.0.0.10.1.2.254");
  test::Retype(d.E_ModbusTCPSlave_IP1, "172.16.0.9");
  test::Click(d.Btn_OK);
  ASSERT_TRUE(run.messages.shown.empty()) << run.messages.Last();
  const comm::Par_Gen saved = run.Saved();
  using Octets = std::array<std::string, 4>;
  EXPECT_EQ(saved.IEC61850_Client_IP, (Octets{"10", "1", "2", "3"}));
  EXPECT_EQ(saved.IEC61850_Client_SM, (Octets{"255", "255", "0", "0"}));
  EXPECT_EQ(saved.IEC61850_Client_GAT, (Octets{"10", "1", "2", "254"}));
  EXPECT_EQ(saved.Modbus_TCP_Slave_IP, (Octets{"172", "16", "0", "9"}));
}

// The width stays 460 even when the window system resizes the window against its hints.
TEST(ParGen_Dialog, Width_Stays_At_460) {
  Dialog_Run run;
  TFParGen& d = *run.dlg;
  ASSERT_TRUE(test::Activate(&d));
  QWindow* window = d.windowHandle();
  window->setMaximumSize(QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
  window->setMinimumSize(QSize(0, 0));
  window->resize(640, 480);
  EXPECT_TRUE(QTest::qWaitFor([&] { return d.height() == 480; }));
  EXPECT_EQ(d.width(), 460);
  EXPECT_TRUE(QTest::qWaitFor([&] { return window->width() == 460; }));
}

TEST(ParGen_Dialog, First_Failure_Is_Shown_And_Nothing_Is_Saved) {
  const struct {
    std::function<void(TFParGen&)> edit;
    const char* message;
  } cases[] = {
      {[](TFParGen& d) {
         test::Retype(d.E_IEC61850_Client_SM2, "256");
         test::Retype(d.E_ModbusTCPSlave_IP1, "");
       },
       "Error IEC61850 Client!! SubNet Mask 2 must be between 0 and 255"},
      {[](TFParGen& d) {
         test::Set_Tick(d.CB_IEC61850_Client_En_GAT, true);
         test::Retype(d.E_IEC61850_Client_GAT3, "1a");
       },
       "Error IEC61850 Client!! GATEWAY IP 3 must be between 0 and 255"},
      {[](TFParGen& d) { test::Retype(d.E_ModbusTCPSlave_Port, "10000"); },
       "Error Modbus TCP Slave!! Port must be between 0 and 65535, and different from 10000"},
  };
  for (const auto& c : cases) {
    Dialog_Run run;
    TFParGen& d = *run.dlg;
    ASSERT_TRUE(test::Activate(&d));
    c.edit(d);
    const std::string port = T(d.E_ModbusTCPSlave_Port);
    test::Click(d.Btn_OK);
    ASSERT_EQ(run.messages.shown.size(), 1u);
    EXPECT_EQ(run.messages.shown[0].kind, "error");
    EXPECT_EQ(run.messages.shown[0].text, c.message);
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(T(d.E_ModbusTCPSlave_Port), port);
    EXPECT_FALSE(util::File_Exists(run.File()));
  }
}

// A file that is not well-formed, and anything in the file's place that is not a readable file
// (it does not count as missing), shows the reason and keeps the controls.
TEST(ParGen_Dialog, Unreadable_File_Keeps_The_Controls) {
  const struct {
    const char* kind;
    std::function<void(const std::string&)> make;
    const char* reason;
  } cases[] = {
      {"not well-formed",
       [](const std::string& p) { test::Write(p, "<Par_Gen><Modbus_TCP_Slave_Port>7</Par_Gen>"); },
       "line 1"},
      {"folder", [](const std::string& p) { std::filesystem::create_directory(p); },
       "Is a directory"},
      {"FIFO", [](const std::string& p) { mkfifo(p.c_str(), 0644); }, "not a regular file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kind);
    Dialog_Run run;
    TFParGen& d = *run.dlg;
    comm::Par_Gen values = comm::Default_Par_Gen();
    values.Modbus_TCP_Slave_Port = "1502";
    run.Save(values);
    ASSERT_TRUE(test::Activate(&d));
    test::Retype(d.E_IEC61850_Client_IP1, "typed");
    d.hide();
    std::filesystem::remove(run.File());
    c.make(run.File());
    d.show();
    ASSERT_EQ(run.messages.shown.size(), 1u);
    EXPECT_EQ(run.messages.shown[0].kind, "error");
    EXPECT_NE(run.messages.Last().find(run.File()), std::string::npos) << run.messages.Last();
    EXPECT_NE(run.messages.Last().find(c.reason), std::string::npos) << run.messages.Last();
    EXPECT_EQ(T(d.E_ModbusTCPSlave_Port), "1502");
    EXPECT_EQ(T(d.E_IEC61850_Client_IP1), "typed");
    EXPECT_TRUE(d.isVisible());
    d.hide();
  }
}

TEST(ParGen_Dialog, Failed_Save_Shows_The_Reason_And_Stays_Open) {
  Dialog_Run run;
  test::Write(run.dir / "not_a_folder", "x");
  run.ctx.ParGen_File = run.dir / "not_a_folder/ParGen.xml";
  TFParGen& d = *run.dlg;
  ASSERT_TRUE(test::Activate(&d));
  test::Retype(d.E_ModbusTCPSlave_Port, "1502");
  test::Click(d.Btn_OK);
  ASSERT_EQ(run.messages.shown.size(), 1u);
  EXPECT_EQ(run.messages.shown[0].kind, "error");
  EXPECT_NE(run.messages.Last().find("Not a directory"), std::string::npos) << run.messages.Last();
  EXPECT_TRUE(d.isVisible());
  EXPECT_NE(d.result(), QDialog::Accepted);
  EXPECT_EQ(T(d.E_ModbusTCPSlave_Port), "1502");
}

TEST(ParGen_Dialog, Dot_Moves_Along_Each_Side_Chain) {
  Dialog_Run run;
  TFParGen& d = *run.dlg;
  ASSERT_TRUE(test::Activate(&d));

  QTest::mouseClick(d.E_IEC61850_Client_IP1, Qt::LeftButton);
  test::Type(".");
  EXPECT_EQ(d.focusWidget(), d.E_IEC61850_Client_IP2);
  EXPECT_EQ(T(d.E_IEC61850_Client_IP1), "192");
  EXPECT_EQ(T(d.E_IEC61850_Client_IP2), "168");

  // From mask 4 to gateway 1, even while the gateway is disabled.
  ASSERT_FALSE(d.CB_IEC61850_Client_En_GAT->isChecked());
  QTest::mouseClick(d.E_IEC61850_Client_SM4, Qt::LeftButton);
  test::Type(".");
  EXPECT_EQ(d.focusWidget(), d.E_IEC61850_Client_GAT1);

  // Gateway 4 ends the chain: the "." is dropped and the focus stays.
  test::Retype(d.E_ModbusTCPSlave_GAT4, "1");
  test::Type(".");
  EXPECT_EQ(d.focusWidget(), d.E_ModbusTCPSlave_GAT4);
  EXPECT_EQ(T(d.E_ModbusTCPSlave_GAT4), "1");

  // The slave side has its own chain; other keys are typed as usual.
  test::Retype(d.E_ModbusTCPSlave_IP4, "");
  test::Type("7.");
  EXPECT_EQ(T(d.E_ModbusTCPSlave_IP4), "7");
  EXPECT_EQ(d.focusWidget(), d.E_ModbusTCPSlave_SM1);

  // The port box is no octet box.
  test::Retype(d.E_ModbusTCPSlave_Port, "");
  test::Type("5.");
  EXPECT_EQ(T(d.E_ModbusTCPSlave_Port), "5.");

  // A box that cannot take the focus is not moved to.
  QTest::mouseClick(d.E_IEC61850_Client_IP3, Qt::LeftButton);
  d.E_IEC61850_Client_IP4->setEnabled(false);
  test::Type(".");
  EXPECT_EQ(d.focusWidget(), d.E_IEC61850_Client_IP3);
  EXPECT_EQ(T(d.E_IEC61850_Client_IP3), "0");
}

TEST(ParGen_Dialog, Vlan_Takes_Up_To_Eight_Digits_But_Shows_Stored_Text) {
  Dialog_Run run;
  comm::Par_Gen values = comm::Default_Par_Gen();
  values.IEC61850_Client_VLAN = "1234567890x";
  run.Save(values);
  TFParGen& d = *run.dlg;
  ASSERT_TRUE(test::Activate(&d));
  EXPECT_EQ(T(d.E_IEC61850_Client_VLAN), "1234567890x");

  test::Retype(d.E_IEC61850_Client_VLAN, "12a3.456789");
  EXPECT_EQ(T(d.E_IEC61850_Client_VLAN), "12345678");
}

TEST(ParGen_Dialog, Wheel_Scrolls_The_Group_By_The_System_Lines) {
  Dialog_Run run;
  TFParGen& d = *run.dlg;
  d.show();
  d.resize(460, 260);
  QApplication::processEvents();
  QScrollBar* bar = d.CPG->verticalScrollBar();
  ASSERT_GT(bar->maximum(), 40);
  const int lines = QApplication::wheelScrollLines();
  auto wheel = [&](QWidget* over, int delta) {
    const QPoint local(over->width() / 2, over->height() / 2);
    QWheelEvent event(local, over->mapToGlobal(local), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    return d.FormMouseWheel(&event);
  };

  QApplication::setWheelScrollLines(2);
  EXPECT_TRUE(wheel(d.E_IEC61850_Client_SM1, -120));
  EXPECT_EQ(bar->value(), 2 * bar->singleStep());
  EXPECT_TRUE(wheel(d.CPG->viewport(), -120));
  EXPECT_EQ(bar->value(), 4 * bar->singleStep());
  EXPECT_TRUE(wheel(d.CPG->viewport(), 120));
  EXPECT_EQ(bar->value(), 2 * bar->singleStep());
  // Outside the group the wheel is left alone.
  EXPECT_FALSE(wheel(d.Btn_OK, -120));
  EXPECT_EQ(bar->value(), 2 * bar->singleStep());
  QApplication::setWheelScrollLines(lines);
}

}  // namespace
