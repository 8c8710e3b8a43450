#include "access_ui/access_window.h"

#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QSplitter>
#include <QTabWidget>
#include <QTreeView>
#include <QUndoStack>
#include <QVBoxLayout>
#include <exception>

#include "access/access_strings.h"
#include "access/client_file.h"
#include "access_ui/access_document_qt.h"
#include "access_ui/editor_button_qt.h"
#include "access_ui/ied_chooser_dialog.h"
#include "access_ui/map_page_qt.h"
#include "access_ui/table_marks_qt.h"
#include "access_ui/tables_panel_qt.h"
#include "access_ui/tree_panel_qt.h"
#include "access_ui/wait_cursor_qt.h"
#include "check/check_report_dialog.h"
#include "scl/tree_filter.h"
#include "util/file_dialog_qt.h"
#include "util/files.h"
#include "util/qstring_qt.h"
#include "util/text.h"
#include "util/title_panel_qt.h"
#include "util/window_qt.h"

using namespace UIEC_61850_Access;
using ui::Q;

namespace {

constexpr int Client_Width = 1200;
constexpr int Client_Height = 550;
constexpr int Title_Height = 62;

}  // namespace

TFIEC_61850_Access::TFIEC_61850_Access(Editor_Options options, ui::Messages& messages,
                                       QWidget* parent)
    : QDialog(parent), options_(std::move(options)), messages_(messages) {
  setObjectName("FIEC_61850_Access");
  document_ = new Access_Document(options_.Strings, this);
  History = document_->History;
  Lay_Out();
  Choose_File = [this] {
    // Titled by the command that asks: Add IEC Device, or Replace SCL file.
    return ui::Choose_File_Path(
        this, options_.SCL_Folder, ui::File_Dialog_Mode::Open,
        Servers->Choosing_Revision() ? Btn_Replace_Scl->text() : Btn_Add_IEC_Device->text(),
        Q(options_.Strings[access_strings::Text_Scl_Filter]), {},
        QFileDialog::HideNameFilterDetails);
  };
  Choose_IEDs = [this](const std::string& file, const std::vector<IED_Info>& ieds) {
    TFIED_Chooser chooser(util::File_Name_Of(file), ieds, options_.Strings, this,
                          Catalog_Files_Of(options_.Conf_Dir, file, ieds));
    return chooser.exec() == QDialog::Accepted ? chooser.Chosen() : std::vector<size_t>();
  };
  Set_Lang();
  Connect_Panels();
}

// The history's steps go with it, and clearing it then must not reach the half-destroyed window.
// The filter's index is stopped first: its worker reads a model that the document, going with
// the window's children, frees.
TFIEC_61850_Access::~TFIEC_61850_Access() {
  Tree->Stop_Indexing();
  History->disconnect(this);
}

void TFIEC_61850_Access::Lay_Out() {
  resize(Client_Width, Client_Height);
  setSizeGripEnabled(true);

  auto* title = new QWidget(this);
  title->setFixedHeight(Title_Height);
  L_SW_Code = ui::Make_Code_Label(title, options_.SW_Code);
  L_SW_Desc = ui::Make_Desc_Label(title);
  L_SW_Desc->setMinimumWidth(600);

  Act_Undo = new QAction(this);
  Act_Undo->setObjectName("Act_Undo");
  Act_Undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  Act_Redo = new QAction(this);
  Act_Redo->setObjectName("Act_Redo");
  Act_Redo->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
  // Window shortcuts: whichever control has the focus (a cell's editor keeps its own Ctrl+Z).
  addAction(Act_Undo);
  addAction(Act_Redo);

  // Left: the servers and the tree of the chosen one; right: the pages of tables.
  auto* left = new QWidget(this);
  Servers = new Server_Panel(*document_, options_, *this, messages_, left);
  Tree = new Tree_Panel(options_.Strings, left);
  auto* left_column = new QVBoxLayout(left);
  left_column->setContentsMargins(0, 0, 0, 0);
  left_column->addWidget(Servers);
  left_column->addWidget(Tree, 1);
  Tables = new Tables_Panel(*document_, options_, messages_, Act_Undo, Act_Redo, this);
  Btn_Add_IEC_Device = Servers->Btn_Add_IEC_Device;
  Btn_Remove_IEC_Device = Servers->Btn_Remove_IEC_Device;
  Btn_Replace_Scl = Servers->Btn_Replace_Scl;
  Act_Replace_Scl = Servers->Act_Replace_Scl;
  LB_IEC_Devices = Servers->LB_IEC_Devices;
  Tree_Filter = Tree->Tree_Filter;
  TV_IEC_Device = Tree->TV_IEC_Device;
  PC_DA_DataSet = Tables;
  TS_DA = Tables->TS_DA;
  TS_DataSet = Tables->TS_DataSet;
  ACG_DA = Tables->ACG_DA;
  ACG_DataSet = Tables->ACG_DataSet;
  ACG_DS_Vars = Tables->ACG_DS_Vars;
  TS_Map = Tables->TS_Map;
  marks_ = new Row_Marks(document_->State(), options_.Strings, options_.Conf_Dir, ACG_DA,
                         ACG_DataSet, ACG_DS_Vars, this);

  auto* split = new QSplitter(Qt::Horizontal, this);
  split->addWidget(left);
  split->addWidget(Tables);
  split->setStretchFactor(0, 0);
  split->setStretchFactor(1, 1);
  split->setSizes({400, Client_Width - 400});  // three server buttons side by side
  split->setChildrenCollapsible(false);

  Btn_AddVar = Make_Editor_Button(this, "Btn_AddVar");
  Btn_RemoveVar = Make_Editor_Button(this, "Btn_RemoveVar");
  Btn_OK = Make_Editor_Button(this, "Btn_OK");
  Btn_Cancel = Make_Editor_Button(this, "Btn_Cancel");
  Btn_Check = new QPushButton(this);
  Btn_Check->setObjectName("Btn_Check");
  Btn_Check->setAutoDefault(false);
  CB_Address_From_SCL = new QCheckBox(this);
  CB_Address_From_SCL->setObjectName("CB_Address_From_SCL");
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Btn_AddVar);
  buttons->addWidget(CB_Address_From_SCL);
  buttons->addWidget(Btn_RemoveVar);
  buttons->addStretch(1);
  buttons->addWidget(Btn_Check);
  buttons->addWidget(Btn_OK);
  buttons->addWidget(Btn_Cancel);

  auto* page = new QVBoxLayout(this);
  page->setContentsMargins(8, 0, 8, 8);
  page->addWidget(title);
  page->addWidget(split, 1);
  page->addLayout(buttons);
}

void TFIEC_61850_Access::Connect_Panels() {
  connect(CB_Address_From_SCL, &QCheckBox::toggled, this,
          [this](bool on) { options_.Address_From_SCL = on; });
  connect(Btn_AddVar, &QPushButton::clicked, this, &TFIEC_61850_Access::Btn_AddVarClick);
  connect(Btn_RemoveVar, &QPushButton::clicked, Tables, &Tables_Panel::Remove_Var);
  connect(Btn_Check, &QPushButton::clicked, this, &TFIEC_61850_Access::Btn_CheckClick);
  connect(Btn_OK, &QPushButton::clicked, this, &TFIEC_61850_Access::Btn_OKClick);
  connect(Btn_Cancel, &QPushButton::clicked, this, &QDialog::reject);

  connect(Servers, &Server_Panel::Server_Chosen, this, &TFIEC_61850_Access::Show_Server);
  connect(Servers, &Server_Panel::Server_Going, this, &TFIEC_61850_Access::Forget_Server);
  connect(Servers, &Server_Panel::Model_Replacing, marks_, &Row_Marks::Forget_Server);
  connect(Servers, &Server_Panel::Servers_Changed, this, &TFIEC_61850_Access::Show_Everything);
  connect(Tree, &Tree_Panel::Node_Picked, this,
          [this] { document_->State().Select_Object(Tree->Current_Object()); });

  // The marks follow every change of the rows.
  connect(Tables, &Tables_Panel::Rows_Changed, this, &TFIEC_61850_Access::Refresh_Marks);
  for (QPushButton* button :
       {Btn_AddVar, Btn_RemoveVar, Btn_Add_IEC_Device, Btn_Remove_IEC_Device, Btn_Check})
    connect(button, &QPushButton::clicked, this, &TFIEC_61850_Access::Refresh_Marks);

  connect(Act_Undo, &QAction::triggered, History, &QUndoStack::undo);
  connect(Act_Redo, &QAction::triggered, History, &QUndoStack::redo);
  connect(History, &QUndoStack::indexChanged, this, &TFIEC_61850_Access::Show_History_Texts);
  connect(History, &QUndoStack::cleanChanged, this, &TFIEC_61850_Access::Show_History_Texts);
  connect(document_, &Access_Document::Step_Applied, this, &TFIEC_61850_Access::Step_Applied);
  connect(document_, &Access_Document::Catalog_Write_Failed, this,
          [this](const QString& reason) { messages_.Error(this, reason.toStdString()); });
}

void TFIEC_61850_Access::Set_Lang() {
  const auto& s = options_.Strings;
  setWindowTitle(Q(s[access_strings::Text_Caption]));
  L_SW_Desc->setText(Q(s[access_strings::Text_Description]));
  Btn_OK->setText(Q(s[access_strings::Text_OK]));
  Btn_Cancel->setText(Q(s[access_strings::Text_Cancel]));
  Btn_AddVar->setText(Q(s[access_strings::Text_Add_Var]));
  Btn_RemoveVar->setText(Q(s[access_strings::Text_Remove_Var]));
  Btn_OK->setToolTip(Q(s[access_strings::Text_OK_Hint]));
  Btn_Cancel->setToolTip(Q(s[access_strings::Text_Cancel_Hint]));
  Btn_AddVar->setToolTip(Q(s[access_strings::Text_Add_Var_Hint]));
  Btn_RemoveVar->setToolTip(Q(s[access_strings::Text_Remove_Var_Hint]));
  Btn_Check->setText(Q(s[access_strings::Text_Check]));
  CB_Address_From_SCL->setText(Q(s[access_strings::Text_Address_From_SCL_Box]));
  CB_Address_From_SCL->setToolTip(Q(s[access_strings::Text_Address_From_SCL_Box_Hint]));
  Servers->Set_Lang();
  Tree->Set_Lang();
  Tables->Set_Lang();
  Show_History_Texts();
}

const Access_State& TFIEC_61850_Access::State() const { return document_->State(); }

void TFIEC_61850_Access::Record_Step(const std::string& name, const std::function<void()>& change) {
  document_->Record_Step(name, change);
}

QMenu* TFIEC_61850_Access::Table_Menu(QWidget* table) { return Tables->Table_Menu(table); }

// ---------------------------------------------------------------------------------------------
// Servers, tree and tables shown together

void TFIEC_61850_Access::Show_Servers() { Servers->Show_Servers(Tree->Device()); }

void TFIEC_61850_Access::Show_Everything() {
  Show_Servers();
  Tables->Show_Tables();
  if (PC_DA_DataSet->currentWidget() == TS_Map) TS_Map->Show_Map();
  Refresh_Marks();
}

void TFIEC_61850_Access::Show_Server(int position) {
  Access_State& state = document_->State();
  state.Clear_Selection();
  Tree->Clear();
  Tree->Show_Server_Indexing(*state.List_IEC_Dev[static_cast<size_t>(position)]);
  state.Clear_Selection();
}

void TFIEC_61850_Access::Forget_Server(int position) {
  const auto& servers = document_->State().List_IEC_Dev;
  if (servers[static_cast<size_t>(position)].get() == Tree->Device()) {
    document_->State().Clear_Selection();
    Tree->Clear();
  }
  document_->Addresses.Forget();
}

void TFIEC_61850_Access::Step_Applied(bool servers) {
  if (servers) {
    // The tree stays while its server is in the list; the models the step holds outlive it.
    if (Tree->Device() != nullptr && !document_->State().Server_Position(Tree->Device())) {
      document_->State().Clear_Selection();
      Tree->Clear();
    }
    document_->Addresses.Forget();
  }
  Show_Everything();
}

void TFIEC_61850_Access::Btn_Add_IEC_DeviceClick() { Servers->Add_IEC_Device(); }
void TFIEC_61850_Access::Btn_Remove_IEC_DeviceClick() { Servers->Remove_IEC_Device(); }
void TFIEC_61850_Access::Btn_Replace_SclClick() { Servers->Replace_Scl(); }

void TFIEC_61850_Access::Btn_AddVarClick() {
  TIEC_Device* device = Tree->Device();
  const std::optional<int> server = document_->State().Server_Position(device);
  if (!server) return;
  Tables->Add_Var(*server, *device, Tree->Selected_Objects(), Tree->Current_Object());
}

void TFIEC_61850_Access::Refresh_Marks() { marks_->Refresh(); }

// ---------------------------------------------------------------------------------------------
// History

void TFIEC_61850_Access::Show_History_Texts() {
  const auto& s = options_.Strings;
  Act_Undo->setEnabled(History->canUndo());
  Act_Redo->setEnabled(History->canRedo());
  Act_Undo->setText(History->canUndo()
                        ? QString(Q(s[access_strings::Text_Undo_Step])).arg(History->undoText())
                        : Q(s[access_strings::Text_Undo]));
  Act_Redo->setText(History->canRedo()
                        ? QString(Q(s[access_strings::Text_Redo_Step])).arg(History->redoText())
                        : Q(s[access_strings::Text_Redo]));
}

void TFIEC_61850_Access::End_History() {
  document_->End_History();
  Show_History_Texts();
}
