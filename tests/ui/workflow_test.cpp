// The whole workflow in the running configurator: a new configuration, Step 2, Step 3 with an
// SCL file, Step 4 against 127.0.0.1 with the stand-in updater, and a restart.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>
#include <filesystem>
#include <functional>
#include <memory>

#include "access/access_state.h"
#include "access_ui/access_window.h"
#include "access_ui/selection_grid_qt.h"
#include "app/main_window.h"
#include "app/new_project_dialog.h"
#include "comm/pargen_dialog.h"
#include "support/configurator.h"
#include "support/test_support.h"
#include "support/user_input.h"
#include "update/boot_dialog.h"
#include "util/files.h"

namespace {

namespace fs = std::filesystem;
using namespace UIEC_61850_Access;

using test::Configurator;

// Clicks a main-window button whose dialog runs modally; `interact` types and clicks in it
// inside its loop and must close it.
void Step(QPushButton* button, QDialog* dialog, std::function<void()> interact) {
  test::While_Modal([dialog, interact] {
    ASSERT_TRUE(test::Activate(dialog));
    interact();
    if (dialog->isVisible()) dialog->done(QDialog::Rejected);  // never leave the test blocked
  });
  test::Click(button);
}

// Expands the whole tree (children appear on first expansion) and returns the first node with
// `text` below a node with `parent_text`.
test::Tree_Item Find_Node(QTreeView* tree, const QString& parent_text, const QString& text) {
  for (int pass = 0; pass < 8; ++pass)
    for (const test::Tree_Item& item : test::All_Items(tree)) item->setExpanded(true);
  for (const test::Tree_Item& item : test::All_Items(tree))
    if (item->text(0).section(" (", 0, 0) == text && item->parent() != nullptr &&
        item->parent()->text(0) == parent_text)
      return item;
  return nullptr;
}

// Runs `rq30517-cli build` on a copy of the configuration and returns the two images.
std::pair<std::string, std::string> Cli_Build(const std::string& conf_dir,
                                              const std::string& scratch) {
  fs::copy(conf_dir, scratch, fs::copy_options::recursive);
  fs::remove_all(scratch + "/bin");
  const test::Run_Result run =
      test::Run_Program(test::Bin_Dir() + "/rq30517-cli", {"build", scratch});
  EXPECT_EQ(run.status, 0) << run.err;
  return {test::Read(scratch + "/bin/bank1.bin"), test::Read(scratch + "/bin/bank2.bin")};
}

void Run_Workflow(const std::string& scl_file, const QString& leaf_parent, const QString& leaf,
                  const QString& data_set_parent, const QString& data_set) {
  test::Temp_Dir program;
  fs::copy_file(test::Bin_Dir() + "/Ethernet_Update.exe", program / "Ethernet_Update.exe");
  const std::string conf = program / "PROJECTS/Line 1";
  {
    Configurator c(program.path());
    ASSERT_TRUE(test::Activate(c.window.get()));

    Step(c.window->Btn_New, c.window->FNew_Project, [&] {
      test::Type("Line 1");
      test::Press(Qt::Key_Return);
    });
    ASSERT_EQ(c.ctx.Active_Conf_Dir, conf);

    Step(c.window->Btn_Prm_Gen, c.window->FParGen, [&] {
      TFParGen* d = c.window->FParGen;
      test::Retype(d->E_IEC61850_Client_IP1, "10.0.0.7");
      test::Retype(d->E_ModbusTCPSlave_Port, "1502");
      test::Click(d->Btn_OK);
    });
    ASSERT_TRUE(util::File_Exists(conf + "/ParGen.xml")) << c.messages.Last();

    Step(c.window->Btn_IEC61850_Client, c.window->FIEC_61850_Access, [&] {
      TFIEC_61850_Access* d = c.window->FIEC_61850_Access;
      d->Choose_File = [&] { return scl_file; };
      test::Click(d->Btn_Add_IEC_Device);
      test::Click_Item(d->LB_IEC_Devices, 0);
      test::Click_Item(d->TV_IEC_Device, Find_Node(d->TV_IEC_Device, leaf_parent, leaf));
      test::Click(d->Btn_AddVar);
      test::Type_In_Cell(d->ACG_DA, 0, DA_Col::IPAddress - 1, "127.0.0.1");
      test::Type_In_Cell(d->ACG_DA, 0, DA_Col::Port - 1, "102");
      test::Type_In_Cell(d->ACG_DA, 0, DA_Col::Position - 1, "12");
      test::Type_In_Cell(d->ACG_DA, 0, DA_Col::MoltFact - 1, "2.5");
      test::Type_In_Cell(d->ACG_DA, 0, DA_Col::ReadWrite - 1, "R");
      test::Click_Item(d->TV_IEC_Device, Find_Node(d->TV_IEC_Device, data_set_parent, data_set));
      test::Click(d->Btn_AddVar);
      test::Type_In_Cell(d->ACG_DataSet, 0, DS_Col::IPAddress - 1, "127.0.0.1");
      test::Type_In_Cell(d->ACG_DataSet, 0, DS_Col::Port - 1, "102");
      // Each member needs a position and a factor, as a variable row does.
      for (int k = 0; k < d->ACG_DS_Vars->rowCount(); ++k) {
        test::Type_In_Cell(d->ACG_DS_Vars, k, Var_Col::Position - 1, QString::number(20 + k));
        test::Type_In_Cell(d->ACG_DS_Vars, k, Var_Col::MultFact - 1, "1");
      }
      test::Click(d->Btn_OK);
    });
    ASSERT_TRUE(util::File_Exists(conf + "/IEC_61850_Client.xml")) << c.messages.Last();
    EXPECT_TRUE(util::File_Exists(conf + "/ICD_Catalog/" + util::File_Name_Of(scl_file)));

    Step(c.window->Btn_CreateBin, c.window->FBoot, [&] {
      TFBoot* d = c.window->FBoot;
      test::Type("127.0.0.1");
      QTest::keyClick(d->CB_Update_Options, Qt::Key_End);  // "Configuration"
      test::Click(d->Btn_Update);
      test::Click(d->Btn_Cancel);
    });
    for (const auto& m : c.messages.shown) ADD_FAILURE() << m.kind << ": " << m.text;
    c.window->close();
  }

  // What each step wrote.
  const std::string pargen = test::Read(conf + "/ParGen.xml");
  EXPECT_EQ(pargen.rfind("<Par_Gen>", 0), 0u) << pargen;
  EXPECT_NE(pargen.find("1502"), std::string::npos);
  EXPECT_NE(pargen.find("<IEC61850_Client_IP1>10</IEC61850_Client_IP1>"), std::string::npos)
      << pargen;
  const std::string client = test::Read(conf + "/IEC_61850_Client.xml");
  EXPECT_NE(client.find("MoltFact=\"2.5\""), std::string::npos) << client;
  EXPECT_NE(client.find("ReadWrite=\"Read\""), std::string::npos) << client;
  EXPECT_NE(client.find("DataSet_Item"), std::string::npos);

  // The Update step's images are exactly what the command-line build makes of the same files.
  const auto [bank1, bank2] = Cli_Build(conf, program / "copy");
  EXPECT_EQ(test::Read(conf + "/bin/bank1.bin"), bank1);
  EXPECT_EQ(test::Read(conf + "/bin/bank2.bin"), bank2);
  EXPECT_EQ(bank1.size(), 2048u);

  // The updater got its parameter file and found everything in order.
  const std::string params = test::Read(program / "Ethernet_Update.xml");
  EXPECT_NE(params.find("127.0.0.1"), std::string::npos) << params;
  const std::string log = test::Read(program / "Ethernet_Update.log");
  EXPECT_NE(log.find("bank2.bin"), std::string::npos) << log;

  const std::string settings = test::Read(program / "Varnoscope.xml");
  EXPECT_NE(settings.find("<projectname>Line 1</projectname>"), std::string::npos) << settings;
  EXPECT_NE(settings.find("<ipaddress>127.0.0.1</ipaddress>"), std::string::npos);

  // A restart reopens the configuration with everything in place.
  Configurator again(program.path());
  EXPECT_EQ(again.ctx.Active_Conf_Dir, conf);
  ASSERT_TRUE(test::Activate(again.window.get()));
  bool pargen_shown = false, editor_shown = false;
  Step(again.window->Btn_Prm_Gen, again.window->FParGen, [&] {
    EXPECT_EQ(again.window->FParGen->E_ModbusTCPSlave_Port->text(), "1502");
    test::Click(again.window->FParGen->Btn_Cancel);
    pargen_shown = true;
  });
  Step(again.window->Btn_IEC61850_Client, again.window->FIEC_61850_Access, [&] {
    TFIEC_61850_Access* editor = again.window->FIEC_61850_Access;
    EXPECT_EQ(editor->LB_IEC_Devices->count(), 1);
    EXPECT_EQ(editor->ACG_DA->Text(0, DA_Col::Position), "12");
    EXPECT_EQ(editor->ACG_DataSet->rowCount(), 1);
    test::Click(editor->Btn_OK);
    editor_shown = true;
  });
  EXPECT_TRUE(pargen_shown && editor_shown);
  EXPECT_TRUE(again.messages.shown.empty()) << again.messages.Last();
  EXPECT_EQ(test::Read(conf + "/IEC_61850_Client.xml"), client) << "reopened and saved unchanged";
}

TEST(Workflow, Own_Fixture_End_To_End) {
  Run_Workflow(test::Data_Dir() + "/ui/fixtures/workflow.icd", "Mod", "stVal", "LLN0", "Trips");
}

TEST(Workflow, Shared_Sample_End_To_End) {
  RQ_SCL_SAMPLES_OR_SKIP();
  Run_Workflow(test::Scl_Samples_Dir() + "/simpleIO_direct_control_goose.cid", "SPCSO1", "stVal",
               "LLN0", "Events");
}

}  // namespace
