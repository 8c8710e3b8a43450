// Folders of a configuration that are links: a configuration folder, ICD_Catalog or bin that
// leads out of the workspace stops every step that would write through it, with a message naming
// the link; Step 4 names images of two builds before it replaces them.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <memory>

#include "access_ui/access_window.h"
#include "app/main_window.h"
#include "app/workspace.h"
#include "comm/pargen_dialog.h"
#include "image/image_build.h"
#include "support/check_report.h"
#include "support/configurator.h"
#include "support/test_support.h"
#include "support/user_input.h"
#include "update/boot_dialog.h"
#include "util/files.h"

namespace {

namespace fs = std::filesystem;
using test::Configurator;

// A workspace with the configuration "Line 1" active, and a folder outside it.
struct Workspace {
  test::Temp_Dir program, outside;
  const std::string conf = program / "PROJECTS/Line 1";
  std::unique_ptr<Configurator> c;

  void Open() {
    c = std::make_unique<Configurator>(program.path());
    app::Activate_Configuration(c->ctx, "Line 1");
    ASSERT_TRUE(test::Activate(c->window.get()));
  }
  // Clicks `button` of the main window; a dialog it opens is handed to `interact` inside its
  // loop and closed afterwards. Returns whether the dialog was shown.
  bool Step(QPushButton* button, QDialog* dialog, const std::function<void()>& interact = {}) {
    bool shown = false;
    QTimer::singleShot(0, [&] {
      if (!dialog->isVisible()) return;
      shown = true;
      if (interact) interact();
      if (dialog->isVisible()) dialog->done(QDialog::Rejected);
    });
    test::Click(button);
    QCoreApplication::processEvents();
    return shown;
  }
};

TEST(Folder_Links, A_Link_Out_Of_The_Workspace_Stops_Every_Step_That_Writes) {
  for (const std::string place : {"", "/ICD_Catalog", "/bin"}) {
    SCOPED_TRACE("link at the configuration folder" + place);
    Workspace w;
    fs::create_directories(w.program / "PROJECTS");
    if (!place.empty()) fs::create_directory(w.conf);
    const std::string link = w.conf + place;
    fs::create_directory_symlink(w.outside.path(), link);
    w.Open();
    const std::string leads =
        link + " leads to " + fs::canonical(w.outside.path()).string() + ", outside ";

    // Step 2's OK.
    TFParGen* pargen = w.c->window->FParGen;
    EXPECT_TRUE(w.Step(w.c->window->Btn_Prm_Gen, pargen, [&] { test::Click(pargen->Btn_OK); }));
    // Step 3: Add IEC Device, then OK.
    TFIEC_61850_Access* access = w.c->window->FIEC_61850_Access;
    access->Choose_File = [] { return test::Data_Dir() + "/ui/fixtures/workflow.icd"; };
    EXPECT_TRUE(w.Step(w.c->window->Btn_IEC61850_Client, access, [&] {
      test::Click(access->Btn_Add_IEC_Device);
      test::Click(access->Btn_OK);
    }));
    // Step 4: no update dialog.
    EXPECT_FALSE(w.Step(w.c->window->Btn_CreateBin, w.c->window->FBoot));

    ASSERT_EQ(w.c->messages.shown.size(), 4u);
    for (const auto& m : w.c->messages.shown) {
      EXPECT_EQ(m.kind, "error");
      EXPECT_EQ(m.text.find(leads), 0u) << m.text;
      EXPECT_NE(m.text.find("Nothing was written."), std::string::npos) << m.text;
    }
    EXPECT_TRUE(util::List_Folder(w.outside.path()).empty()) << "nothing written through it";
    w.c->window->close();
  }
}

// Images of two builds (a build interrupted between its renames) are named before Step 4's
// build replaces them; the update dialog then gets one whole pair.
TEST(Folder_Links, Step_4_Names_A_Mixed_Pair_And_Replaces_It) {
  Workspace w;
  fs::create_directories(w.conf);
  const std::string fixtures = test::Data_Dir() + "/image/fixtures/conf/";
  fs::copy_file(fixtures + "ParGen.xml", w.conf + "/ParGen.xml");
  fs::copy_file(fixtures + "IEC_61850_Client.xml", w.conf + "/IEC_61850_Client.xml");
  USaveBincc::Build_And_Save_Images(w.conf + "/ParGen.xml", w.conf + "/IEC_61850_Client.xml",
                                    w.conf, test::English());
  test::Write(USaveBincc::Bank1_File(w.conf), test::Read(USaveBincc::Bank1_File(w.conf)) + "x");
  const std::string bin = USaveBincc::Bin_Dir(w.conf);
  ASSERT_TRUE(USaveBincc::Check_Bank_Pair(bin, test::English()).has_value());
  w.Open();

  // The fixture's rows name servers it has no files for: the check's report comes first, and
  // "Build anyway" goes on to the build and the update dialog.
  TFBoot* boot = w.c->window->FBoot;
  bool boot_shown = false;
  QTimer closer;
  closer.setInterval(10);
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (!boot->isVisible()) return;
    boot_shown = true;
    boot->done(QDialog::Rejected);
  });
  closer.start();
  test::On_Check_Report([](TFCheck_Report& report) { test::Click(report.Btn_Go_On); });
  test::Click(w.c->window->Btn_CreateBin);
  closer.stop();
  EXPECT_TRUE(boot_shown);
  ASSERT_EQ(w.c->messages.shown.size(), 1u);
  EXPECT_EQ(w.c->messages.shown[0].kind, "warning");
  EXPECT_EQ(w.c->messages.Last(), bin +
                                      ": bank1.bin and bank2.bin do not come from the same build "
                                      "(a build was interrupted while it replaced them). Build "
                                      "the images again before the device is updated.\nThis "
                                      "build replaces both images.");
  EXPECT_EQ(USaveBincc::Check_Bank_Pair(bin, test::English()), std::nullopt);
  w.c->window->close();
}

}  // namespace
