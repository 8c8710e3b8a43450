// rq30517-screenshots OUTPUT_DIR [SCL_FILE]: builds a demonstration workspace in a temporary
// folder, opens each window of the configurator on it as a user would fill it, and saves a
// picture of each window as OUTPUT_DIR/<window>.png.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeView>
#include <functional>
#include <iostream>

#include "access/access_state.h"
#include "access/access_strings.h"
#include "access/scl_revision.h"
#include "access/server_list.h"
#include "access_ui/access_window.h"
#include "access_ui/ied_chooser_dialog.h"
#include "access_ui/replace_impact_dialog.h"
#include "access_ui/selection_grid_qt.h"
#include "access_ui/tree_filter_qt.h"
#include "app/about_dialog.h"
#include "app/main_window.h"
#include "app/new_project_dialog.h"
#include "app/open_conf_dialog.h"
#include "app/soft_options_dialog.h"
#include "app/workspace.h"
#include "comm/pargen_dialog.h"
#include "lang/lang_file.h"
#include "scl/ied_catalog.h"
#include "scl/model_walk.h"
#include "update/boot_dialog.h"
#include "util/files.h"

namespace {

// Message boxes are not expected here; anything shown is reported on the console.
struct Console_Messages : ui::Messages {
  void Error(QWidget*, const std::string& text) override { std::cerr << "error: " << text << "\n"; }
  void Warning(QWidget*, const std::string& text) override {
    std::cerr << "warning: " << text << "\n";
  }
  Answer Question(QWidget*, const std::string&, bool) override { return Answer::Yes; }
};

QString out_dir;

void Settle() {
  for (int i = 0; i < 20; ++i) QApplication::processEvents();
}

void Save(QWidget* window, const char* name) {
  window->show();
  window->raise();
  Settle();
  const QString file = out_dir + "/" + name + ".png";
  if (!window->grab().save(file)) std::cerr << "cannot save " << file.toStdString() << "\n";
  std::cout << file.toStdString() << "\n";
}

void Flag(const QString& file, QColor top, QColor bottom) {
  QImage image(30, 20, QImage::Format_RGB32);
  QPainter p(&image);
  p.fillRect(0, 0, 30, 10, top);
  p.fillRect(0, 10, 30, 10, bottom);
  p.end();
  image.save(file, "BMP");
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc < 2) {
    std::cerr << "usage: rq30517-screenshots OUTPUT_DIR [SCL_FILE]\n";
    return 2;
  }
  out_dir = QDir(argv[1]).absolutePath();
  QDir().mkpath(out_dir);
  QTemporaryDir program;
  const std::string exe = program.path().toStdString();

  // Two language files a user added, one with a flag, beside the English and German ones the
  // program puts there; and one earlier configuration.
  QDir(program.path()).mkpath("LANGUAGE");
  QDir(program.path()).mkpath("PROJECTS/Substation B/bin");
  util::Write_File_Atomic(exe + "/LANGUAGE/Italiano.lng", "STR0 = Inizio\n");
  util::Write_File_Atomic(exe + "/LANGUAGE/Francais.lng", "STR0 = Debut\n");
  Flag(program.path() + "/LANGUAGE/Italiano.bmp", Qt::darkGreen, Qt::red);

  app::App_Context ctx;
  Console_Messages messages;
  TFVarnoscopioFirmWare main_window(ctx, messages, exe);
  main_window.Create_Dialogs();
  Save(&main_window, "main_window_start");

  main_window.FNew_Project->show();
  main_window.FNew_Project->E_New_Proj->setText("Substation A");
  Save(main_window.FNew_Project, "new_configuration");
  main_window.FNew_Project->Btn_OKClick();
  main_window.Set_Lang();
  Save(&main_window, "main_window");
  Save(main_window.FOpenConf, "open_configuration");
  main_window.FOpenConf->hide();

  TFParGen* pargen = main_window.FParGen;
  pargen->resize(pargen->width(), 700);
  pargen->show();
  pargen->E_IEC61850_Client_IP1->setText("10");
  pargen->E_IEC61850_Client_IP4->setText("20");
  Save(pargen, "set_communication");
  pargen->Btn_OKClick();

  TFIEC_61850_Access* editor = main_window.FIEC_61850_Access;
  const std::string scl = argc > 2 ? argv[2] : "";
  if (!scl.empty()) {
    editor->resize(1200, 550);
    editor->show();  // showing loads the configuration's file
    Settle();
    editor->Choose_File = [&] { return scl; };
    // A file with several IEDs: the first one.
    editor->Choose_IEDs = [](const std::string&, const std::vector<UIEC_Client_Decode::IED_Info>&) {
      return std::vector<size_t>{0};
    };
    editor->Btn_Add_IEC_DeviceClick();
    editor->LB_IEC_Devices->setCurrentRow(0);
    QTreeView* tree = editor->TV_IEC_Device;
    // Every node the tree has made, in tree order.
    auto nodes = [tree] {
      std::vector<QModelIndex> all;
      std::function<void(const QModelIndex&)> walk = [&](const QModelIndex& parent) {
        for (int r = 0; r < tree->model()->rowCount(parent); ++r) {
          all.push_back(tree->model()->index(r, 0, parent));
          walk(all.back());
        }
      };
      walk(QModelIndex());
      return all;
    };
    for (int pass = 0; pass < 3; ++pass) {
      for (const QModelIndex& node : nodes())
        if (!node.parent().isValid() || !node.parent().parent().isValid() ||
            node.data().toString() == "LLN0" || node.data().toString() == "Mod" ||
            node.data().toString().startsWith("GGIO") || node.data().toString() == "SPCSO1")
          tree->expand(node);
      tree->doItemsLayout();
    }
    QModelIndex leaf, data_set;
    for (const QModelIndex& node : nodes()) {
      if (!leaf.isValid() && node.data().toString() == "stVal") leaf = node;
      if (!data_set.isValid() &&
          node.data(Qt::ForegroundRole).value<QColor>() == QColor(0x00, 0x80, 0x00))
        data_set = node;
    }
    using namespace UIEC_61850_Access;
    // The attribute and the data set selected together, added by one Add Var.
    if (leaf.isValid()) tree->setCurrentIndex(leaf);
    if (data_set.isValid()) {
      if (leaf.isValid())
        tree->selectionModel()->select(data_set, QItemSelectionModel::Select);
      else
        tree->setCurrentIndex(data_set);
    }
    if (leaf.isValid() || data_set.isValid()) editor->Btn_AddVarClick();
    if (leaf.isValid()) {
      editor->ACG_DA->item(0, DA_Col::IPAddress - 1)->setText("10.0.0.20");
      editor->ACG_DA->item(0, DA_Col::Port - 1)->setText("102");
      editor->ACG_DA->item(0, DA_Col::Position - 1)->setText("0");
      editor->ACG_DA->item(0, DA_Col::MoltFact - 1)->setText("1");
    }
    if (data_set.isValid()) {
      editor->ACG_DataSet->item(0, DS_Col::IPAddress - 1)->setText("10.0.0.20");
      editor->ACG_DataSet->item(0, DS_Col::Port - 1)->setText("102");
    }
    if (leaf.isValid()) tree->setCurrentIndex(leaf);
    editor->PC_DA_DataSet->setCurrentIndex(0);
    Save(editor, "access_editor");
    editor->PC_DA_DataSet->setCurrentIndex(1);
    Save(editor, "access_editor_data_sets");
    if (data_set.isValid() && editor->ACG_DS_Vars->rowCount() > 1) {
      // Member 1 on the variable's place: the Map page shows the conflict.
      editor->ACG_DS_Vars->item(0, Var_Col::Position - 1)->setText("0");
      editor->ACG_DS_Vars->item(1, Var_Col::Position - 1)->setText("1");
    }
    editor->PC_DA_DataSet->setCurrentIndex(2);
    Save(editor, "access_editor_map");
    // The tree filtered to the attributes named stVal.
    editor->PC_DA_DataSet->setCurrentIndex(0);
    editor->Tree_Filter->E_Tree_Filter->setText("stval");
    Save(editor, "access_editor_filter");
    // The same in German, from the language file that comes with the program.
    lang::Load_Lang_File(ctx.Lang_Strings, exe + "/LANGUAGE/Deutsch.lng");
    main_window.Change_Language();
    editor->PC_DA_DataSet->setCurrentIndex(2);
    editor->resize(1560, 550);  // wide enough for the longer German headers
    Save(editor, "access_editor_german");
    editor->resize(1200, 550);
    ctx.Lang_Strings.Load_Default_Strings();
    main_window.Change_Language();
    editor->PC_DA_DataSet->setCurrentIndex(0);
    editor->Tree_Filter->E_Tree_Filter->clear();
    editor->hide();
  }

  // The chooser of a file with several IEDs, on the tests' own fixture.
  {
    const std::string station = std::string(RQ_SOURCE_DIR) + "/tests/scl/fixtures/multi.scd";
    try {
      TFIED_Chooser chooser(util::File_Name_Of(station), UIEC_Client_Decode::List_IEDs(station),
                            ctx.Lang_Strings);
      chooser.SG_IEDs->selectRow(0);
      chooser.SG_IEDs->setSelectionMode(QAbstractItemView::MultiSelection);
      chooser.SG_IEDs->selectRow(2);
      chooser.SG_IEDs->setSelectionMode(QAbstractItemView::ExtendedSelection);
      Save(&chooser, "ied_chooser");
    } catch (const std::exception& e) {
      std::cerr << "chooser: " << e.what() << "\n";
    }
  }

  // The impact window of a new revision, on the tests' pair of revisions of one IED: a server
  // with variables and data sets of revision 1, replaced by revision 2.
  try {
    using namespace UIEC_61850_Access;
    const std::string revisions = std::string(RQ_SOURCE_DIR) + "/tests/access/fixtures/revision/";
    Access_State state;
    state.List_IEC_Dev.push_back(Import_Device(revisions + "revision_old.icd"));
    const TIEC_Device& server = *state.List_IEC_Dev[0];
    for (const char* reference : {"REV1LD0/MMXU1.TotW.mag.f", "REV1LD0/MMXU1.Hz.mag.f",
                                  "REV1LD0/GGIO1.Ind2.q", "REV1LD0/LLN0.Mod.stVal"}) {
      state.Clear_Selection();
      UIEC_Client_Decode::For_Each_Object(server, [&](auto& object) {
        if constexpr (std::is_same_v<std::remove_cvref_t<decltype(object)>, TIEC_DA>)
          if (object.Reference() == reference && state.Selected_IEC_DA == nullptr)
            state.Selected_IEC_DA = &object;
      });
      state.Add_Var(0);
    }
    for (const char* reference :
         {"REV1LD0/LLN0.Measures", "REV1LD0/LLN0.Status", "REV1LD0/LLN0.Events"}) {
      state.Clear_Selection();
      state.Selected_IEC_DS = UIEC_Client_Decode::Find_DataSet(
          server, [&](const TIEC_DataSet& ds) { return ds.Reference() == reference; });
      state.Add_Var(0);
    }
    const auto revised = Import_Device(revisions + "revision_new.icd");
    const QString intro =
        QString::fromStdString(ctx.Lang_Strings[access_strings::Text_Impact_Intro])
            .arg("revision_old.icd", "REV1", "REV1", "revision_new.icd");
    TFReplace_Impact impact(Impact_Of_Replace(state, 0, *revised), intro, ctx.Lang_Strings);
    Save(&impact, "replace_impact");
  } catch (const std::exception& e) {
    std::cerr << "impact: " << e.what() << "\n";
  }

  TFBoot* boot = main_window.FBoot;
  boot->show();
  for (auto [box, text] :
       {std::pair{boot->E_IP1, "127"}, {boot->E_IP2, "0"}, {boot->E_IP3, "0"}, {boot->E_IP4, "1"}})
    box->setText(text);
  Save(boot, "update_device");
  boot->hide();

  TFSoftOptions* options = main_window.FSoftOptions;
  for (int page = 0; page < options->PC_Options->count(); ++page) {
    options->show();
    options->PC_Options->setCurrentIndex(page);
    const char* names[] = {"options_language", "options_connection", "options_settings"};
    if (page < 3) Save(options, names[page]);
  }
  options->hide();

  Save(main_window.FAbout, "about");
  return 0;
}
