#include "access/access_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QSplitter>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QUndoStack>
#include <QVBoxLayout>
#include <exception>
#include <set>

#include "access/access_check.h"
#include "access/access_strings.h"
#include "access/catalog_snapshot.h"
#include "access/check_report_dialog.h"
#include "access/client_file.h"
#include "access/data_map.h"
#include "access/ied_chooser_dialog.h"
#include "access/map_page_qt.h"
#include "access/replace_impact_dialog.h"
#include "access/scl_revision.h"
#include "access/selection_grid_qt.h"
#include "access/tree_filter_qt.h"
#include "app/workspace.h"
#include "util/file_dialog_qt.h"
#include "util/files.h"
#include "util/grid_qt.h"
#include "util/qstring_qt.h"
#include "util/text.h"
#include "util/title_panel_qt.h"
#include "util/window_qt.h"
#include "util/worker_qt.h"
#include "util/xml.h"

using namespace UIEC_61850_Access;
using UIEC_Client_Decode::Default_Server_Port;
using UIEC_Client_Decode::Server_IP;
using UIEC_Client_Decode::TIEC_DA;
using UIEC_Client_Decode::TIEC_DO;
using UIEC_Client_Decode::TIEC_LDevice;
using UIEC_Client_Decode::TIEC_LN;
using UIEC_Client_Decode::TIEC_Object;

namespace {

constexpr int Client_Width = 1200;
constexpr int Client_Height = 550;
constexpr int Title_Height = 62;

// Tree images, in the order of the tree's icon list.
enum Tree_Image { Img_Server, Img_LDevice, Img_LN, Img_DO, Img_DA, Img_DataSet, Img_Count };

// Tree item data: the model object shown, and whether its children exist yet.
constexpr int Object_Role = Qt::UserRole;
constexpr int Filled_Role = Qt::UserRole + 1;

const char* const Scl_Filters =
    "SCL Files (*.scd, *.ssd, *.sed, *.icd, *.iid, *.cid) "
    "(*.scd *.ssd *.sed *.icd *.iid *.cid *.SCD *.SSD *.SED *.ICD *.IID *.CID);;"
    "Any File (*.*) (*)";

using ui::Q;

QPushButton* Make_Button(QWidget* parent, const char* name) {
  auto* button = new QPushButton(parent);
  button->setObjectName(name);
  button->setMinimumWidth(100);
  return button;
}

// Importing a large SCL file blocks the window for a while.
struct Wait_Cursor {
  Wait_Cursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~Wait_Cursor() { QApplication::restoreOverrideCursor(); }
  Wait_Cursor(const Wait_Cursor&) = delete;
  Wait_Cursor& operator=(const Wait_Cursor&) = delete;
};

// The six tree icons, drawn once: server, logical device, logical node, data object,
// attribute, data set.
const QIcon& Tree_Icon(int image) {
  static const std::vector<QIcon> icons = [] {
    std::vector<QIcon> list;
    for (int i = 0; i < Img_Count; ++i) {
      QPixmap pixmap(16, 16);
      pixmap.fill(Qt::transparent);
      QPainter p(&pixmap);
      p.setRenderHint(QPainter::Antialiasing);
      switch (i) {
        case Img_Server:  // a rack with two units
          p.setPen(QColor(0x30, 0x30, 0x30));
          p.setBrush(QColor(0x70, 0x78, 0x80));
          p.drawRoundedRect(QRectF(2.5, 1.5, 11, 13), 1.5, 1.5);
          p.setPen(QColor(0xD0, 0xD8, 0xE0));
          p.drawLine(QPointF(4.5, 5.5), QPointF(11.5, 5.5));
          p.drawLine(QPointF(4.5, 9.5), QPointF(11.5, 9.5));
          p.setPen(Qt::NoPen);
          p.setBrush(QColor(0x40, 0xE0, 0x40));
          p.drawEllipse(QPointF(5, 12.3), 1, 1);
          break;
        case Img_LDevice:  // a folder
          p.setPen(QColor(0x8A, 0x6A, 0x10));
          p.setBrush(QColor(0xF2, 0xC9, 0x4C));
          p.drawRect(QRectF(1.5, 4.5, 13, 9));
          p.drawRect(QRectF(1.5, 2.5, 5, 2));
          break;
        case Img_LN: {  // a small block with a port on each side
          p.setPen(QColor(0x60, 0x30, 0x80));
          p.setBrush(QColor(0xB0, 0x90, 0xD8));
          p.drawRect(QRectF(3.5, 3.5, 9, 9));
          p.drawLine(QPointF(0.5, 8), QPointF(3.5, 8));
          p.drawLine(QPointF(12.5, 8), QPointF(15.5, 8));
          break;
        }
        case Img_DO:  // a blue ball
          p.setPen(QColor(0x10, 0x30, 0x90));
          p.setBrush(QColor(0x40, 0x70, 0xE0));
          p.drawEllipse(QRectF(2.5, 2.5, 11, 11));
          break;
        case Img_DA: {  // a grey diamond
          QPainterPath path;
          path.moveTo(8, 2);
          path.lineTo(14, 8);
          path.lineTo(8, 14);
          path.lineTo(2, 8);
          path.closeSubpath();
          p.setPen(QColor(0x40, 0x40, 0x40));
          p.setBrush(QColor(0xC8, 0xC8, 0xC8));
          p.drawPath(path);
          break;
        }
        case Img_DataSet:  // a green list
          p.setPen(QColor(0x10, 0x60, 0x20));
          p.setBrush(QColor(0xC8, 0xF0, 0xC8));
          p.drawRect(QRectF(2.5, 1.5, 11, 13));
          for (double y : {5.0, 8.0, 11.0}) p.drawLine(QPointF(4.5, y), QPointF(11.5, y));
          break;
      }
      list.emplace_back(pixmap);
    }
    return list;
  }();
  return icons[static_cast<size_t>(image)];
}

TIEC_Object* Object_Of(const QTreeWidgetItem* item) {
  return static_cast<TIEC_Object*>(item->data(0, Object_Role).value<void*>());
}

std::vector<Grid_Column> Columns(std::initializer_list<Grid_Column> columns) { return columns; }

// The list cells offer what OK accepts.
template <size_t N>
QStringList Texts(const std::array<const char*, N>& texts) {
  QStringList list;
  for (const char* text : texts) list << text;
  return list;
}
const QStringList Start_Bits = Texts(Start_Bit_Texts);
const QStringList ReadWrites = Texts(ReadWrite_Texts);
const QStringList Conversions = Texts(Conversion_Texts);

// One step of the editor's history. The change is already done when the step is recorded, so
// the first redo (QUndoStack::push runs it) does nothing.
class State_Step : public QUndoCommand {
 public:
  using Apply = std::function<void(const Access_Change&, bool forward)>;
  State_Step(Access_Change change, const QString& name, Apply apply)
      : QUndoCommand(name), change_(std::move(change)), apply_(std::move(apply)) {}
  void undo() override { apply_(change_, false); }
  void redo() override {
    if (done_) {
      done_ = false;
      return;
    }
    apply_(change_, true);
  }

 private:
  Access_Change change_;
  Apply apply_;
  bool done_ = true;
};

// A replaced catalog file in the history: undo writes the revision it replaced back, redo the
// new one again (its first run is the replacement itself, already written). Each write goes
// through the catalog folder checked anew, so a link swapped in since carries nothing out.
class Catalog_File_Step : public QUndoCommand {
 public:
  using Report = std::function<void(const std::string& reason)>;
  Catalog_File_Step(std::string catalog_dir, std::string name, std::string before,
                    std::string after, const lang::Lang_Strings& texts, Report report)
      : catalog_dir_(std::move(catalog_dir)),
        name_(std::move(name)),
        before_(std::move(before)),
        after_(std::move(after)),
        texts_(texts),
        report_(std::move(report)) {}
  void undo() override { Write(before_); }
  void redo() override {
    if (done_) {
      done_ = false;
      return;
    }
    Write(after_);
  }

 private:
  void Write(const std::string& text) {
    try {
      Write_Catalog_File(catalog_dir_, name_, text, texts_);
    } catch (const std::exception& error) {
      report_(error.what());
    }
  }

  std::string catalog_dir_, name_, before_, after_;
  const lang::Lang_Strings& texts_;
  Report report_;
  bool done_ = true;
};

}  // namespace

TFIEC_61850_Access::TFIEC_61850_Access(app::App_Context& ctx, ui::Messages& messages,
                                       QWidget* parent)
    : QDialog(parent), ctx_(ctx), messages_(messages) {
  setObjectName("FIEC_61850_Access");
  Lay_Out();
  Choose_File = [this] {
    // Titled by the command that asks: Add IEC Device, or Replace SCL file.
    return ui::Choose_File_Path(
        this, ctx_.Last_Folders.SCL_File, ui::File_Dialog_Mode::Open,
        choosing_revision_ ? Btn_Replace_Scl->text() : Btn_Add_IEC_Device->text(), Scl_Filters, {},
        QFileDialog::HideNameFilterDetails);
  };
  Choose_IEDs = [this](const std::string& file, const std::vector<IED_Info>& ieds) {
    TFIED_Chooser chooser(util::File_Name_Of(file), ieds, ctx_.Lang_Strings, this,
                          Catalog_Files_Of(file, ieds));
    return chooser.exec() == QDialog::Accepted ? chooser.Chosen() : std::vector<size_t>();
  };
  Set_Lang();
  Connect_Marks();
  Connect_Replace();
}

// The history's steps go with it, and clearing it then must not reach the half-destroyed window.
TFIEC_61850_Access::~TFIEC_61850_Access() { History->disconnect(this); }

void TFIEC_61850_Access::Lay_Out() {
  resize(Client_Width, Client_Height);
  setSizeGripEnabled(true);

  auto* title = new QWidget(this);
  title->setFixedHeight(Title_Height);
  L_SW_Code = ui::Make_Code_Label(title, ctx_.SW_Code);
  L_SW_Desc = ui::Make_Desc_Label(title);
  L_SW_Desc->setMinimumWidth(600);

  // Left: the servers and the tree of the chosen one.
  auto* left = new QWidget(this);
  Btn_Add_IEC_Device = Make_Button(left, "Btn_Add_IEC_Device");
  Btn_Remove_IEC_Device = Make_Button(left, "Btn_Remove_IEC_Device");
  Btn_Replace_Scl = Make_Button(left, "Btn_Replace_Scl");
  LB_IEC_Devices = new QListWidget(left);
  LB_IEC_Devices->setObjectName("LB_IEC_Devices");
  LB_IEC_Devices->setMaximumHeight(110);
  TV_IEC_Device = new QTreeWidget(left);
  TV_IEC_Device->setObjectName("TV_IEC_Device");
  TV_IEC_Device->setHeaderHidden(true);
  TV_IEC_Device->setEditTriggers(QAbstractItemView::NoEditTriggers);
  TV_IEC_Device->setUniformRowHeights(true);
  TV_IEC_Device->setIconSize(QSize(16, 16));
  // Ctrl and Shift select several attributes for one Add Var.
  TV_IEC_Device->setSelectionMode(QAbstractItemView::ExtendedSelection);
  Extend_From_Last_Click(TV_IEC_Device);
  Tree_Filter = new Tree_Filter_Bar(ctx_.Lang_Strings, left);
  auto* server_buttons = new QHBoxLayout;
  server_buttons->addWidget(Btn_Add_IEC_Device);
  server_buttons->addWidget(Btn_Remove_IEC_Device);
  server_buttons->addWidget(Btn_Replace_Scl);
  auto* left_column = new QVBoxLayout(left);
  left_column->setContentsMargins(0, 0, 0, 0);
  left_column->addLayout(server_buttons);
  left_column->addWidget(LB_IEC_Devices);
  left_column->addWidget(Tree_Filter);
  left_column->addWidget(TV_IEC_Device, 1);

  // Right: the two pages of tables.
  PC_DA_DataSet = new QTabWidget(this);
  PC_DA_DataSet->setObjectName("PC_DA_DataSet");
  TS_DA = new QWidget;
  TS_DA->setObjectName("TS_DA");
  TS_DataSet = new QWidget;
  TS_DataSet->setObjectName("TS_DataSet");
  const Grid_Column text_cell{Cell_Kind::Text, {}};
  const Grid_Column fixed{Cell_Kind::Read_Only, {}};
  const Grid_Column check{Cell_Kind::Check, {}};
  // "Index" names the server in the list and is set by Add Var and by the list; typing a
  // number there would silently point the row at another server.
  ACG_DA = new Selection_Grid("ACG_DA",
                              Columns({fixed,
                                       fixed,
                                       fixed,
                                       fixed,
                                       text_cell,
                                       text_cell,
                                       check,
                                       check,
                                       check,
                                       text_cell,
                                       text_cell,
                                       {Cell_Kind::List, Start_Bits},
                                       {Cell_Kind::List, ReadWrites},
                                       {Cell_Kind::List, Conversions},
                                       text_cell,
                                       text_cell}),
                              TS_DA);
  ACG_DataSet = new Selection_Grid(
      "ACG_DataSet",
      Columns({fixed, fixed, fixed, check, text_cell, text_cell, text_cell, text_cell}),
      TS_DataSet);
  ACG_DS_Vars = new Selection_Grid("ACG_DS_Vars",
                                   Columns({fixed,
                                            fixed,
                                            text_cell,
                                            {Cell_Kind::List, Start_Bits},
                                            {Cell_Kind::List, Conversions},
                                            text_cell,
                                            text_cell}),
                                   TS_DataSet);
  auto* da_page = new QVBoxLayout(TS_DA);
  da_page->setContentsMargins(4, 4, 4, 4);
  da_page->addWidget(ACG_DA);
  auto* data_set_split = new QSplitter(Qt::Vertical, TS_DataSet);
  data_set_split->addWidget(ACG_DataSet);
  data_set_split->addWidget(ACG_DS_Vars);
  auto* data_set_page = new QVBoxLayout(TS_DataSet);
  data_set_page->setContentsMargins(4, 4, 4, 4);
  data_set_page->addWidget(data_set_split);
  PC_DA_DataSet->addTab(TS_DA, QString());  // the three pages are named by Set_Lang
  PC_DA_DataSet->addTab(TS_DataSet, QString());
  TS_Map = new Map_Page(state_, messages_, ctx_.Lang_Strings);
  TS_Map->Csv_Folder = &ctx_.Last_Folders.Map_File;
  PC_DA_DataSet->addTab(TS_Map, QString());
  connect(PC_DA_DataSet, &QTabWidget::currentChanged, this, [this] {
    if (PC_DA_DataSet->currentWidget() == TS_Map) TS_Map->Show_Map();
  });
  connect(TS_Map, &Map_Page::Tables_Changed, this, &TFIEC_61850_Access::Show_Tables);
  connect(TS_Map, &Map_Page::Entry_Activated, this, &TFIEC_61850_Access::Show_Map_Entry);

  // Column widths that fit what the columns usually hold.
  ACG_DA->setColumnWidth(DA_Col::Reference - 1, 260);
  ACG_DataSet->setColumnWidth(DS_Col::Reference - 1, 260);
  ACG_DA->setColumnWidth(DA_Col::IPAddress - 1, 110);
  ACG_DataSet->setColumnWidth(DS_Col::IPAddress - 1, 110);
  ACG_DataSet->setColumnWidth(DS_Col::GooseName - 1, 120);
  ACG_DS_Vars->setColumnWidth(Var_Col::Reference - 1, 260);
  ACG_DA->Set_Elide_Middle(DA_Col::Reference);
  ACG_DataSet->Set_Elide_Middle(DS_Col::Reference);
  ACG_DS_Vars->Set_Elide_Middle(Var_Col::Reference);

  auto* split = new QSplitter(Qt::Horizontal, this);
  split->addWidget(left);
  split->addWidget(PC_DA_DataSet);
  split->setStretchFactor(0, 0);
  split->setStretchFactor(1, 1);
  split->setSizes({400, Client_Width - 400});  // three server buttons side by side
  split->setChildrenCollapsible(false);

  Btn_AddVar = Make_Button(this, "Btn_AddVar");
  Btn_RemoveVar = Make_Button(this, "Btn_RemoveVar");
  Btn_OK = Make_Button(this, "Btn_OK");
  Btn_Cancel = Make_Button(this, "Btn_Cancel");
  Btn_Check = new QPushButton(this);
  Btn_Check->setObjectName("Btn_Check");
  Btn_Check->setAutoDefault(false);
  Btn_OK->setAutoDefault(false);
  Btn_Cancel->setAutoDefault(false);
  Btn_AddVar->setAutoDefault(false);
  Btn_RemoveVar->setAutoDefault(false);
  Btn_Add_IEC_Device->setAutoDefault(false);
  Btn_Remove_IEC_Device->setAutoDefault(false);
  auto* buttons = new QHBoxLayout;
  CB_Address_From_SCL = new QCheckBox(this);
  CB_Address_From_SCL->setObjectName("CB_Address_From_SCL");
  connect(CB_Address_From_SCL, &QCheckBox::toggled, this,
          [this](bool on) { ctx_.Address_From_SCL = on; });
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

  connect(Btn_Add_IEC_Device, &QPushButton::clicked, this,
          &TFIEC_61850_Access::Btn_Add_IEC_DeviceClick);
  connect(Btn_Check, &QPushButton::clicked, this, &TFIEC_61850_Access::Btn_CheckClick);
  connect(Btn_Remove_IEC_Device, &QPushButton::clicked, this,
          &TFIEC_61850_Access::Btn_Remove_IEC_DeviceClick);
  connect(LB_IEC_Devices, &QListWidget::currentRowChanged, this,
          &TFIEC_61850_Access::LB_IEC_DevicesClick);
  connect(TV_IEC_Device, &QTreeWidget::currentItemChanged, this,
          &TFIEC_61850_Access::TV_IEC_DeviceClick);
  connect(TV_IEC_Device, &QTreeWidget::itemClicked, this, &TFIEC_61850_Access::TV_IEC_DeviceClick);
  connect(TV_IEC_Device, &QTreeWidget::itemExpanded, this, &TFIEC_61850_Access::Fill_Node);
  connect(Tree_Filter, &Tree_Filter_Bar::Changed, this, &TFIEC_61850_Access::Apply_Tree_Filter);
  connect(Btn_AddVar, &QPushButton::clicked, this, &TFIEC_61850_Access::Btn_AddVarClick);
  connect(Btn_RemoveVar, &QPushButton::clicked, this, &TFIEC_61850_Access::Btn_RemoveVarClick);
  connect(Btn_OK, &QPushButton::clicked, this, &TFIEC_61850_Access::Btn_OKClick);
  connect(Btn_Cancel, &QPushButton::clicked, this, &QDialog::reject);

  // A cell typed into or ticked is a step of its own; cells a command changes join its step.
  auto edited = [this](Selection_Grid* grid,
                       std::function<void(int, int, const std::string&)> set) {
    connect(grid, &Selection_Grid::Cell_Edited, this,
            [this, grid, set](int row, int column, const std::string& text) {
              Record([&] { set(row, column, text); },
                     [&] {
                       const QTableWidgetItem* header = grid->horizontalHeaderItem(column - 1);
                       return QString(Q(ctx_.Lang_Strings[access_strings::Text_Step_Typing]))
                           .arg(header != nullptr ? header->text() : QString::number(column))
                           .arg(row + 1)
                           .toStdString();
                     });
            });
  };
  edited(ACG_DA, [this](int row, int column, const std::string& text) {
    state_.ACG_DA.Set_Cell(row, column, text);
  });
  edited(ACG_DataSet, [this](int row, int column, const std::string& text) {
    state_.ACG_DataSet.Set_Cell(row, column, text);
  });
  edited(ACG_DS_Vars, [this](int row, int column, const std::string& text) {
    state_.Store_Member_Text(row, column, text);
  });
  // The member table always shows the members of the data set row that is current.
  connect(ACG_DataSet, &QTableWidget::currentCellChanged, this,
          &TFIEC_61850_Access::Show_DataSet_DAs);
  connect(ACG_DataSet, &QTableWidget::cellClicked, this, &TFIEC_61850_Access::Show_DataSet_DAs);
  for (Selection_Grid* grid : {ACG_DA, ACG_DataSet, ACG_DS_Vars}) Connect_Grid(grid);
  Lay_Out_History();
}

void TFIEC_61850_Access::Connect_Grid(Selection_Grid* grid) {
  // The row number of any table picks that row of the variable table; with Shift or Ctrl it
  // extends the table's own selection of rows, as in the cells.
  connect(grid->verticalHeader(), &QHeaderView::sectionClicked, this, [this](int row) {
    if (QApplication::keyboardModifiers() & (Qt::ShiftModifier | Qt::ControlModifier)) return;
    ACG_DA->Select_Row(row);
  });
  connect(grid->horizontalHeader(), &QHeaderView::sectionDoubleClicked, this,
          [this, grid](int column) {
            ui::Grid_Auto_Size_Col(grid, 0, column + 1, ctx_.Double_Click_Auto_Size);
          });
  connect(grid, &QTableWidget::cellDoubleClicked, this, [this, grid](int row, int column) {
    ui::Grid_Auto_Size_Col(grid, row + 1, column + 1, ctx_.Double_Click_Auto_Size);
  });
  grid->installEventFilter(this);
  connect(grid, &Selection_Grid::Series_Refused, this, [this] {
    messages_.Warning(this, ctx_.Lang_Strings[access_strings::Text_Fill_Series_No_Number]);
  });
  connect(grid, &Selection_Grid::Cells_Left_Unchanged, this, [this](int count) {
    messages_.Warning(
        this,
        Q(ctx_.Lang_Strings[access_strings::Text_Cells_Left_Unchanged]).arg(count).toStdString());
  });
}

bool TFIEC_61850_Access::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* grid = qobject_cast<QTableWidget*>(watched);
    if (grid != nullptr && ui::Grid_Enter_Key(grid, static_cast<QKeyEvent*>(event)->key(),
                                              ctx_.Enable_Jump_Field_Tables))
      return true;
  }
  return QDialog::eventFilter(watched, event);
}

std::string TFIEC_61850_Access::Hint(int column) const {
  return ctx_.Lang_Strings[access_strings::Text_Column_Hints.At(column)];
}

void TFIEC_61850_Access::Set_Lang() {
  const auto& s = ctx_.Lang_Strings;
  setWindowTitle(Q(s[access_strings::Text_Caption]));
  L_SW_Desc->setText(Q(s[access_strings::Text_Description]));
  Btn_OK->setText(Q(s[access_strings::Text_OK]));
  Btn_Cancel->setText(Q(s[access_strings::Text_Cancel]));
  Btn_AddVar->setText(Q(s[access_strings::Text_Add_Var]));
  Btn_RemoveVar->setText(Q(s[access_strings::Text_Remove_Var]));
  Btn_Add_IEC_Device->setText(Q(s[access_strings::Text_Add_IEC_Device]));
  Btn_Remove_IEC_Device->setText(Q(s[access_strings::Text_Remove_IEC_Device]));
  Btn_OK->setToolTip(Q(s[access_strings::Text_OK_Hint]));
  Btn_Cancel->setToolTip(Q(s[access_strings::Text_Cancel_Hint]));
  Btn_AddVar->setToolTip(Q(s[access_strings::Text_Add_Var_Hint]));
  Btn_RemoveVar->setToolTip(Q(s[access_strings::Text_Remove_Var_Hint]));
  Btn_Add_IEC_Device->setToolTip(Q(s[access_strings::Text_Add_IEC_Device_Hint]));
  Btn_Remove_IEC_Device->setToolTip(Q(s[access_strings::Text_Remove_IEC_Device_Hint]));
  Btn_Check->setText(Q(s[access_strings::Text_Check]));
  PC_DA_DataSet->setTabText(PC_DA_DataSet->indexOf(TS_DA),
                            Q(s[access_strings::Text_Variables_Page]));
  PC_DA_DataSet->setTabText(PC_DA_DataSet->indexOf(TS_DataSet),
                            Q(s[access_strings::Text_DataSet_Page]));
  PC_DA_DataSet->setTabText(PC_DA_DataSet->indexOf(TS_Map), Q(s[access_strings::Text_Map_Page]));
  Tree_Filter->Set_Lang();
  TS_Map->Set_Lang();
  CB_Address_From_SCL->setText(Q(s[access_strings::Text_Address_From_SCL_Box]));
  CB_Address_From_SCL->setToolTip(Q(s[access_strings::Text_Address_From_SCL_Box_Hint]));
  Btn_Replace_Scl->setText(Q(s[access_strings::Text_Replace_Scl_File]));
  Btn_Replace_Scl->setToolTip(Q(s[access_strings::Text_Replace_Scl_File_Hint]));
  if (Act_Replace_Scl) Act_Replace_Scl->setText(Btn_Replace_Scl->text());

  std::vector<std::string> headers;
  std::vector<std::string> hints;
  static_assert(access_strings::Text_Column_Headers.Count == DA_Col::Count &&
                access_strings::Text_Column_Hints.Count == DA_Col::Count);
  for (int c = 0; c < DA_Col::Count; ++c) {
    headers.push_back(s[access_strings::Text_Column_Headers.At(c)]);
    hints.push_back(Hint(c));
  }
  ACG_DA->Set_Header_Texts(headers);
  auto run_texts = [&s](lang::Text_Range run) {
    std::vector<std::string> texts;
    for (int k = 0; k < run.Count; ++k) texts.push_back(s[run.At(k)]);
    return texts;
  };
  static_assert(access_strings::Text_DataSet_Headers.Count == DS_Col::Count &&
                access_strings::Text_Member_Headers.Count == Var_Col::Count);
  ACG_DataSet->Set_Header_Texts(run_texts(access_strings::Text_DataSet_Headers));
  ACG_DS_Vars->Set_Header_Texts(run_texts(access_strings::Text_Member_Headers));
  // Every table shows the variable table's hints.
  for (Selection_Grid* grid : {ACG_DA, ACG_DataSet, ACG_DS_Vars}) {
    grid->Set_Hints(hints);
    grid->Set_Lang(s);
    grid->Act_Fill_Series->setText(Q(s[access_strings::Text_Fill_Series]));
  }
  Show_History_Texts();
}

// ---------------------------------------------------------------------------------------------
// Opening and closing

int TFIEC_61850_Access::exec() {
  if (!FormShow()) return QDialog::Rejected;
  shown_ready_ = true;
  return QDialog::exec();
}

void TFIEC_61850_Access::showEvent(QShowEvent* event) {
  const bool ready = shown_ready_ || FormShow();
  shown_ready_ = false;
  ui::Centre_On_Screen(this);
  QDialog::showEvent(event);
  if (!ready) QMetaObject::invokeMethod(this, &QDialog::reject, Qt::QueuedConnection);
}

bool TFIEC_61850_Access::FormShow() {
  End_History();  // each opening starts its own
  catalog_at_opening_.clear();
  load_failed_ = false;
  CB_Address_From_SCL->setChecked(ctx_.Address_From_SCL);
  Clear_Tree();
  Forget_Filter_Of_Other_Configuration();
  Forget_Servers_Extras();
  state_.Reset();
  marks_ = Table_Marks();
  Read_Report report;
  // Anything in the file's place that is not a readable file fails to load (Read_File).
  if (util::Path_Present(ctx_.IEC_Client_File)) {
    std::string error;
    {
      Wait_Cursor wait;
      try {
        report = Read_Client_File(ctx_.IEC_Client_File, Catalog_Dir(ctx_.Active_Conf_Dir), state_,
                                  ctx_.Lang_Strings, Import_Scl);
      } catch (const std::exception& failure) {
        error = failure.what();
      }
    }
    if (!error.empty()) {
      load_failed_ = true;
      Show_Tables();
      Show_IEC_Devices();
      messages_.Error(this, error);
      return false;
    }
  }
  Show_Tables();
  Show_IEC_Devices();
  TS_Map->Show_Map();
  shown_xml_ = Client_Xml(state_);
  Say_What_No_Longer_Fits(report);
  return true;
}

void TFIEC_61850_Access::Btn_OKClick() {
  if (load_failed_) return;
  if (const auto failure =
          First_Row_Failure(state_, ctx_.Lang_Strings, util::Get_Dec_Separator())) {
    messages_.Error(this, failure->Message);
    Show_Failure(*failure);
    return;
  }
  // One question for everything the check finds wrong (conflicts of the data map included); the
  // SCL files' findings that concern no row only on request.
  std::vector<check::Finding> errors, not_shown;
  std::optional<std::vector<check::Finding>> checked = Check_State();
  if (!checked) return;  // Cancel: the editor stays open, nothing saved
  for (check::Finding& f : *checked)
    if (f.severity == check::Severity::Error)
      (f.concerns_rows ? errors : not_shown).push_back(std::move(f));
  std::optional<check::Finding> activated;
  if (!Check_Report_Go_On(this, messages_, ctx_.Lang_Strings, std::move(errors),
                          TFCheck_Report::Purpose::Save, {}, &activated,
                          &ctx_.Last_Folders.Report_File, Report_Csv_Name(ctx_.Active_Conf_Dir),
                          std::move(not_shown))) {
    if (activated) Show_Finding(*activated);
    return;
  }
  try {
    const auto conf = app::Open_Conf_Folder(ctx_);
    if (app::In_Conf_Folder(ctx_, ctx_.IEC_Client_File))
      Save_Client_File(state_, *conf, util::File_Name_Of(ctx_.IEC_Client_File));
    else
      Save_Client_File(state_, ctx_.IEC_Client_File);
  } catch (const std::exception& failure) {
    messages_.Error(this, failure.what());
    return;
  }
  catalog_at_opening_.clear();  // the saved configuration goes with the catalog as it is now
  accept();
  End_History();
}

std::optional<std::vector<check::Finding>> TFIEC_61850_Access::Check_State() {
  std::vector<check::Finding> findings;
  check::Conf_Options options;
  options.separator = util::Get_Dec_Separator();
  options.scl_check = Check_Scl;
  // On a worker thread, which only reads the state: the window takes no input meanwhile.
  const ui::Job_Outcome outcome = ui::Run_And_Wait(
      this, Q(util::File_Name_Of(ctx_.IEC_Client_File)), ctx_.Lang_Strings,
      [&](util::Progress& progress) {
        options.progress = &progress;
        check::Check_Access_State(
            state_, ctx_.Active_Conf_Dir, options,
            [&](const check::Finding& f) { findings.push_back(f); }, ctx_.Lang_Strings);
      });
  if (outcome.end == ui::Job_Outcome::End::Stopped) return std::nullopt;
  // A catalog file that cannot be read.
  if (outcome.end == ui::Job_Outcome::End::Failed) messages_.Error(this, outcome.message);
  return findings;
}

void TFIEC_61850_Access::Btn_CheckClick() {
  if (load_failed_) return;
  std::vector<check::Finding> findings, not_shown;
  std::optional<std::vector<check::Finding>> checked = Check_State();
  if (!checked) return;
  for (check::Finding& f : *checked)
    (f.concerns_rows ? findings : not_shown).push_back(std::move(f));
  std::optional<check::Finding> activated;
  Check_Report_Go_On(this, messages_, ctx_.Lang_Strings, std::move(findings),
                     TFCheck_Report::Purpose::Show, {}, &activated, &ctx_.Last_Folders.Report_File,
                     Report_Csv_Name(ctx_.Active_Conf_Dir), std::move(not_shown));
  if (activated) Show_Finding(*activated);
}

void TFIEC_61850_Access::Show_Failure(const Row_Failure& failure) {
  // The row, or the member below its data set row, with the value refused made current.
  if (!failure.Member) {
    static const std::map<Checked_Field, int> columns = {
        {Checked_Field::IPAddress, DA_Col::IPAddress},
        {Checked_Field::Port, DA_Col::Port},
        {Checked_Field::Time, DA_Col::Time},
        {Checked_Field::Position, DA_Col::Position},
        {Checked_Field::StartBit, DA_Col::StartBit},
        {Checked_Field::ReadWrite, DA_Col::ReadWrite},
        {Checked_Field::Conversion, DA_Col::Convertion},
        {Checked_Field::Factor, DA_Col::MoltFact}};
    Show_Map_Entry({Map_Kind::Variable, failure.Row, 0});
    ACG_DA->setCurrentCell(failure.Row - 1, columns.at(failure.Field) - 1,
                           QItemSelectionModel::NoUpdate);
    return;
  }
  static const std::map<Checked_Field, int> columns = {
      {Checked_Field::Position, Var_Col::Position},
      {Checked_Field::StartBit, Var_Col::StartBit},
      {Checked_Field::Conversion, Var_Col::Convertion},
      {Checked_Field::Factor, Var_Col::MultFact}};
  Show_Map_Entry({Map_Kind::Member, failure.Row, failure.Member_Number});
  const auto column = columns.find(failure.Field);
  if (column != columns.end())
    ACG_DS_Vars->setCurrentCell(failure.Member_Number - 1, column->second - 1,
                                QItemSelectionModel::NoUpdate);
}

void TFIEC_61850_Access::Show_Finding(const check::Finding& finding) {
  if (!finding.row) return;
  const int row = *finding.row;
  if (finding.kind == "variable") {
    Show_Map_Entry({Map_Kind::Variable, row, 0});
  } else if (finding.kind == "member") {
    Show_Map_Entry({Map_Kind::Member, row, finding.member.value_or(0)});
  } else if (finding.kind == "dataset") {
    PC_DA_DataSet->setCurrentWidget(TS_DataSet);
    ACG_DataSet->Select_Row(row - 1);
    Show_DataSet_DAs();
    ACG_DataSet->setFocus();
  } else if (finding.kind == "server") {
    LB_IEC_Devices->setCurrentRow(row - 1);
    LB_IEC_Devices->setFocus();
  }
}

void TFIEC_61850_Access::reject() {
  if (!load_failed_ && isVisible()) {
    // A catalog file replaced since the opening goes back with the rest, and the question says so.
    std::string question = ctx_.Lang_Strings[access_strings::Text_Discard_Changes];
    bool changed = Client_Xml(state_) != shown_xml_;
    for (const Catalog_Snapshot& snapshot : catalog_at_opening_) {
      bool replaced = true;
      try {
        replaced = Catalog_File_Changed(snapshot);
      } catch (const std::exception&) {
        // unreadable now: written back all the same
      }
      if (!replaced) continue;
      changed = true;
      question += "\n" + QString(Q(ctx_.Lang_Strings[access_strings::Text_Discard_Catalog_File]))
                             .arg(Q(snapshot.name))
                             .toStdString();
    }
    if (changed && messages_.Question_Default_No(this, question) != ui::Messages::Answer::Yes)
      return;
    try {
      for (const Catalog_Snapshot& snapshot : catalog_at_opening_)
        Restore_Catalog_Snapshot(snapshot, ctx_.Lang_Strings);
    } catch (const std::exception& failure) {
      messages_.Error(this, failure.what());
      return;  // the editor stays open with what it holds, which matches the files it replaced
    }
  }
  catalog_at_opening_.clear();
  QDialog::reject();
  End_History();
}

// ---------------------------------------------------------------------------------------------
// Servers

void TFIEC_61850_Access::Show_IEC_Devices() {
  const QSignalBlocker block(LB_IEC_Devices);
  LB_IEC_Devices->clear();
  for (const auto& device : state_.List_IEC_Dev) LB_IEC_Devices->addItem(Q(device->Name()));
  // The list keeps pointing at the server whose tree is shown.
  LB_IEC_Devices->setCurrentRow(state_.Server_Position(shown_device_));
}

void TFIEC_61850_Access::Btn_Add_IEC_DeviceClick() {
  const std::string chosen = Choose_File ? Choose_File() : std::string();
  if (chosen.empty()) return;
  // A file with several IEDs is checked for the IEDs picked, any other one whole, before
  // anything reaches the catalog.
  std::vector<IED_Info> ieds;
  try {
    ieds = UIEC_Client_Decode::List_IEDs(chosen);
  } catch (const std::exception&) {
    ieds.clear();  // the check says what is wrong with the file
  }
  auto check_accepted = [&](const std::vector<std::string>* only_ieds) {
    if (!Check_Scl) return true;
    std::vector<check::Finding> findings;
    try {
      Wait_Cursor wait;
      Check_Scl(
          chosen, chosen, [&](const check::Finding& f) { findings.push_back(f); },
          ctx_.Lang_Strings, only_ieds, nullptr);
    } catch (const std::exception&) {
      return true;  // unreadable: adding reports why
    }
    // An IED the import refuses is refused by the adding too, with the same reason: the report
    // would only ask a question whose answer changes nothing.
    if (std::any_of(findings.begin(), findings.end(),
                    [](const check::Finding& f) { return f.rule == "scl-refused"; }))
      return true;
    return Check_Report_Go_On(
        this, messages_, ctx_.Lang_Strings, std::move(findings), TFCheck_Report::Purpose::Add,
        chosen, nullptr, &ctx_.Last_Folders.Report_File, Report_Csv_Name(ctx_.Active_Conf_Dir));
  };
  // An IED whose name no configuration file can hold is refused by the adding itself; its
  // findings would only ask a question whose answer changes nothing.
  const bool refused_anyway = ieds.size() == 1 && !util::Is_Xml_Text(ieds[0].name);
  if (ieds.size() < 2 && !refused_anyway && !check_accepted(nullptr)) return;
  const size_t servers_before = state_.List_IEC_Dev.size();
  std::string failure;
  try {
    app::Require_Conf_Folders(ctx_);
    Record_Step(ctx_.Lang_Strings[access_strings::Text_Add_IEC_Device], [&] {
      Add_IEC_Devices(
          state_, ctx_.Active_Conf_Dir, chosen,
          [this, &chosen, &check_accepted](const std::vector<IED_Info>& listed) {
            std::vector<size_t> picked =
                Choose_IEDs ? Choose_IEDs(chosen, listed) : std::vector<size_t>();
            std::vector<std::string> names;
            for (size_t i : picked)
              if (i < listed.size()) names.push_back(listed[i].name);
            if (!names.empty() && !check_accepted(&names)) picked.clear();
            return picked;
          },
          [this](const std::string& file_name, const std::string& ied_name) {
            switch (messages_.Question(
                this, Overwrite_Question_For(file_name, ied_name, ctx_.Lang_Strings), true)) {
              case ui::Messages::Answer::Yes:
                return Overwrite_Answer::Yes;
              case ui::Messages::Answer::No:
                return Overwrite_Answer::No;
              default:
                return Overwrite_Answer::Cancel;
            }
          },
          ctx_.Lang_Strings,
          [this](const std::string& path) {
            Wait_Cursor wait;
            return Import_Scl(path);
          });
    });
  } catch (const std::exception& error) {
    failure = error.what();
  }
  // The servers added before a failure stay.
  if (state_.List_IEC_Dev.size() != servers_before) Show_IEC_Devices();
  if (!failure.empty()) messages_.Error(this, failure);
}

std::vector<std::string> TFIEC_61850_Access::Catalog_Files_Of(const std::string& file,
                                                              const std::vector<IED_Info>& ieds) {
  // The file each IED would be written to, where the catalog holds it already.
  std::vector<std::string> present(ieds.size());
  const std::string catalog = Catalog_Dir(ctx_.Active_Conf_Dir);
  if (!util::Dir_Exists(catalog)) return present;
  for (size_t i = 0; i < ieds.size(); ++i) {
    if (!UIEC_Client_Decode::Is_Writable_IED_Name(ieds[i].name)) continue;
    try {
      const std::string target =
          UIEC_Client_Decode::Catalog_File_For_IED(catalog, file, ieds[i].name);
      if (util::File_Exists(target)) present[i] = util::File_Name_Of(target);
    } catch (const std::exception&) {
      // an unreadable catalog shows nothing here; adding says what is wrong
    }
  }
  return present;
}

void TFIEC_61850_Access::Btn_Remove_IEC_DeviceClick() {
  const int position = LB_IEC_Devices->currentRow();
  if (position < 0 || position >= static_cast<int>(state_.List_IEC_Dev.size())) return;
  if (state_.Server_In_Use(position)) return;
  // The tree's nodes lead into the model about to be destroyed.
  if (state_.List_IEC_Dev[static_cast<size_t>(position)].get() == shown_device_) Clear_Tree();
  Forget_Servers_Extras();
  Record_Step(ctx_.Lang_Strings[access_strings::Text_Remove_IEC_Device],
              [&] { state_.Remove_Server(position); });
  Show_IEC_Devices();
  Show_Tables();
}

void TFIEC_61850_Access::LB_IEC_DevicesClick() {
  const int position = LB_IEC_Devices->currentRow();
  if (position < 0 || position >= static_cast<int>(state_.List_IEC_Dev.size())) return;
  Clear_Tree();
  TIEC_Device& device = *state_.List_IEC_Dev[static_cast<size_t>(position)];
  {
    Wait_Cursor wait;
    tree_index_ = std::make_unique<Tree_Index>(device);
  }
  Tree_Filter->Set_FCs(tree_index_->FCs());
  if (Tree_Filter->Active()) {
    shown_device_ = &device;
    Apply_Tree_Filter();
  } else {
    Show_Tree_IEC_Device(device);
  }
  state_.Clear_Selection();
  TV_IEC_Device->scrollToTop();  // another server's tree starts at its top
}

// ---------------------------------------------------------------------------------------------
// Tree

void TFIEC_61850_Access::Clear_Tree() {
  state_.Clear_Selection();
  if (shown_device_ != nullptr) Clear_Tree_Nodes(*shown_device_);
  shown_device_ = nullptr;
  const QSignalBlocker block(TV_IEC_Device);
  TV_IEC_Device->clear();
}

QTreeWidgetItem* TFIEC_61850_Access::Add_Node(QTreeWidgetItem* parent, TIEC_Object& object,
                                              const std::string& text, int image,
                                              bool has_children) {
  auto* item = new QTreeWidgetItem;
  item->setText(0, Q(text));
  item->setIcon(0, Tree_Icon(image));
  item->setData(0, Object_Role, QVariant::fromValue<void*>(&object));
  if (image == Img_DO) item->setForeground(0, QColor(Qt::blue));
  if (image == Img_DataSet) item->setForeground(0, QColor(0x00, 0x80, 0x00));
  if (image == Img_DA)
    item->setToolTip(0, Attribute_Tooltip(static_cast<TIEC_DA&>(object), ctx_.Lang_Strings));
  // Data objects and attributes get their children when first expanded, so that a server with
  // tens of thousands of attributes shows at once.
  if (has_children) item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
  item->setData(0, Filled_Role, !has_children);
  if (parent != nullptr) parent->addChild(item);
  object.TreeNode = item;
  return item;
}

void TFIEC_61850_Access::Show_Tree_IEC_Device(TIEC_Device& device) {
  shown_device_ = &device;
  TV_IEC_Device->setUpdatesEnabled(false);
  QTreeWidgetItem* top = Add_Node(nullptr, device, device.Name(), Img_Server, false);
  // Logical devices and nodes at once; the data objects and data sets of a node without what
  // lies below them.
  struct Shown : UIEC_Client_Decode::Model_Visitor {
    using Model_Visitor::Enter;
    using Model_Visitor::Leave;
    Shown(TFIEC_61850_Access& owner, QTreeWidgetItem* top) : window(owner), parents{top} {}
    bool Enter(TIEC_LDevice& ld, size_t) {
      parents.push_back(window.Add_Node(parents.back(), ld, ld.Name(), Img_LDevice, false));
      return true;
    }
    void Leave(TIEC_LDevice&) { parents.pop_back(); }
    bool Enter(TIEC_LN& ln, size_t) {
      parents.push_back(window.Add_Node(parents.back(), ln, ln.Prefix() + ln.lnClass() + ln.Inst(),
                                        Img_LN, false));
      return true;
    }
    void Leave(TIEC_LN&) { parents.pop_back(); }
    bool Enter(TIEC_DO& object, size_t) {
      window.Show_Tree_IEC_DO(parents.back(), object);
      return false;
    }
    bool Enter(TIEC_DataSet& data_set, size_t) {
      window.Show_Tree_IEC_DataSet(parents.back(), data_set);
      return false;
    }
    TFIEC_61850_Access& window;
    std::vector<QTreeWidgetItem*> parents;
  };
  UIEC_Client_Decode::Walk_Model(device, Shown(*this, top));
  TV_IEC_Device->addTopLevelItem(top);
  top->setExpanded(true);
  for (int i = 0; i < top->childCount(); ++i) {
    QTreeWidgetItem* ld = top->child(i);
    ld->setExpanded(true);
    for (int j = 0; j < ld->childCount(); ++j) ld->child(j)->setExpanded(true);
  }
  TV_IEC_Device->setUpdatesEnabled(true);
}

QTreeWidgetItem* TFIEC_61850_Access::Show_Tree_IEC_DO(QTreeWidgetItem* parent, TIEC_DO& object) {
  return Add_Node(parent, object, object.Name(), Img_DO,
                  !object.List_DO.empty() || !object.List_DA.empty());
}

QTreeWidgetItem* TFIEC_61850_Access::Show_Tree_IEC_DA(QTreeWidgetItem* parent, TIEC_DA& da) {
  return Add_Node(parent, da, da.Name(), Img_DA, !da.List_DA.empty());
}

QTreeWidgetItem* TFIEC_61850_Access::Show_Tree_IEC_DataSet(QTreeWidgetItem* parent,
                                                           TIEC_DataSet& data_set) {
  // The member count shows a data set with FCDAs that name nothing before it is added.
  const auto& s = ctx_.Lang_Strings;
  const size_t members = data_set.List_DA.size();
  const size_t unresolved = data_set.FCDA_Count() > members ? data_set.FCDA_Count() - members : 0;
  const QString text = unresolved > 0 ? QString(Q(s[access_strings::Text_Tree_Data_Set_Unresolved]))
                                            .arg(Q(data_set.Name()))
                                            .arg(members)
                                            .arg(unresolved)
                                      : QString(Q(s[access_strings::Text_Tree_Data_Set_Members]))
                                            .arg(Q(data_set.Name()))
                                            .arg(members);
  return Add_Node(parent, data_set, text.toStdString(), Img_DataSet, false);
}

void TFIEC_61850_Access::Fill_Node(QTreeWidgetItem* item) {
  if (item->data(0, Filled_Role).toBool()) return;
  item->setData(0, Filled_Role, true);
  TIEC_Object* object = Object_Of(item);
  if (auto* data_object = dynamic_cast<TIEC_DO*>(object)) {
    for (const auto& sub : data_object->List_DO) Show_Tree_IEC_DO(item, *sub);
    for (const auto& da : data_object->List_DA) Show_Tree_IEC_DA(item, *da);
  } else if (auto* da = dynamic_cast<TIEC_DA*>(object)) {
    for (const auto& sub : da->List_DA) Show_Tree_IEC_DA(item, *sub);
  }
}

void TFIEC_61850_Access::TV_IEC_DeviceClick() { Select_Tree_Node(TV_IEC_Device->currentItem()); }

void TFIEC_61850_Access::Select_Tree_Node(QTreeWidgetItem* node) {
  state_.Clear_Selection();
  if (shown_device_ == nullptr || node == nullptr || node == shown_device_->TreeNode) return;
  state_.Selected_IEC_DA = Search_Node_Selected(*shown_device_, node);
  if (state_.Selected_IEC_DA == nullptr)
    state_.Selected_IEC_DS = Search_Node_Selected_DataSet(*shown_device_, node);
}

// ---------------------------------------------------------------------------------------------
// Tables

void TFIEC_61850_Access::Show_Tables() {
  ACG_DA->Show_Table(state_.ACG_DA);
  ACG_DataSet->Show_Table(state_.ACG_DataSet);
  Show_DataSet_DAs();
}

void TFIEC_61850_Access::Show_DataSet_DAs() {
  const std::vector<Row> rows = state_.Show_DataSet_DAs(ACG_DataSet->currentRow() + 1);
  ACG_DS_Vars->Show_Rows(rows, state_.DataSet_Row_Select > 0);
}

void TFIEC_61850_Access::Btn_AddVarClick() {
  const int server = state_.Server_Position(shown_device_);
  if (server < 0) return;
  // An empty-looking table's one row is the first that Add Var fills; -1: nothing was added.
  auto first_new = [](const Table& table) {
    return table.Counts_As_Empty() ? 0 : table.Row_Count();
  };
  const int variables_before = first_new(state_.ACG_DA);
  const int data_sets_before = first_new(state_.ACG_DataSet);
  Record_Step(ctx_.Lang_Strings[access_strings::Text_Add_Var], [&] { Add_Var_Rows(server); });
  auto added_from = [](const Table& table, int before) {
    return !table.Counts_As_Empty() && table.Row_Count() > before ? before : -1;
  };
  Focus_Added_Rows(added_from(state_.ACG_DA, variables_before),
                   added_from(state_.ACG_DataSet, data_sets_before));
}

bool TFIEC_61850_Access::Selection_Has_Row(int server) const {
  // The same server and reference: a second row would only read or write the same value again.
  const std::string index = std::to_string(server);
  auto has = [&index](const Table& table, int index_column, int reference_column,
                      const std::string& reference) {
    if (table.Counts_As_Empty()) return false;
    for (int r = 0; r < table.Row_Count(); ++r)
      if (table.Cell(r, index_column) == index && table.Cell(r, reference_column) == reference)
        return true;
    return false;
  };
  if (state_.Selected_IEC_DA != nullptr)
    return has(state_.ACG_DA, DA_Col::Index, DA_Col::Reference,
               state_.Selected_IEC_DA->Reference());
  if (state_.Selected_IEC_DS != nullptr)
    return has(state_.ACG_DataSet, DS_Col::Index, DS_Col::Reference,
               state_.Selected_IEC_DS->Reference());
  return false;
}

void TFIEC_61850_Access::Add_Var_Rows(int server) {
  // Several nodes selected: one row per leaf attribute and per data set among them, in tree
  // order; the page of the last one added is shown. Those that have rows already are added
  // again only when the user says so.
  std::vector<QTreeWidgetItem*> selected = Selected_In_Tree_Order(TV_IEC_Device);
  const bool several = selected.size() > 1;
  if (!several) selected = {nullptr};  // the tree's selection as the last click left it
  std::vector<bool> repeated;
  int picked = 0;
  for (QTreeWidgetItem* item : selected) {
    if (item != nullptr) Select_Tree_Node(item);
    const bool any = state_.Selected_IEC_DA != nullptr || state_.Selected_IEC_DS != nullptr;
    picked += any ? 1 : 0;
    repeated.push_back(any && Selection_Has_Row(server));
  }
  const int count = static_cast<int>(std::count(repeated.begin(), repeated.end(), true));
  const bool again =
      count == 0 || messages_.Question(
                        this, QString(Q(ctx_.Lang_Strings[access_strings::Text_Add_Var_Duplicates]))
                                  .arg(count)
                                  .arg(picked)
                                  .toStdString()) == ui::Messages::Answer::Yes;
  Access_State::Added last = Access_State::Added::Nothing;
  for (size_t i = 0; i < selected.size(); ++i) {
    if (selected[i] != nullptr) Select_Tree_Node(selected[i]);
    if (repeated[i] && !again) continue;
    const Access_State::Added added = state_.Add_Var(server);
    Fill_Address_From_Scl(added);
    if (added != Access_State::Added::Nothing) last = added;
  }
  if (several) {
    TV_IEC_DeviceClick();  // the selection is the current node's again
    if (last != Access_State::Added::Nothing) Show_Tables();
  }
  Show_Added(last);
}

void TFIEC_61850_Access::Focus_Added_Rows(int first_variable, int first_data_set) {
  // The page Add Var showed is the one of the last row added; its first new row takes the
  // keyboard, so that typing and Shift+arrows go on from there.
  Selection_Grid* grid = nullptr;
  int first = 0;
  if (PC_DA_DataSet->currentWidget() == TS_DA && first_variable >= 0) {
    grid = ACG_DA;
    first = first_variable;
  } else if (PC_DA_DataSet->currentWidget() == TS_DataSet && first_data_set >= 0) {
    grid = ACG_DataSet;
    first = first_data_set;
  }
  if (grid == nullptr) return;
  const int column = grid->currentColumn() >= 0 ? grid->currentColumn() : 0;
  grid->setCurrentCell(first, column);
  grid->scrollToItem(grid->item(first, column));
  grid->setFocus();
  if (grid == ACG_DataSet) Show_DataSet_DAs();
}

void TFIEC_61850_Access::Show_Added(Access_State::Added added) {
  switch (added) {
    case Access_State::Added::Variable:
      PC_DA_DataSet->setCurrentWidget(TS_DA);
      ACG_DA->Show_Table(state_.ACG_DA);
      ACG_DA->setCurrentCell(ACG_DA->rowCount() - 1, DA_Col::IPAddress - 1);
      break;
    case Access_State::Added::DataSet:
      PC_DA_DataSet->setCurrentWidget(TS_DataSet);
      ACG_DataSet->Show_Table(state_.ACG_DataSet);
      ACG_DataSet->setCurrentCell(ACG_DataSet->rowCount() - 1, DS_Col::IPAddress - 1);
      Show_DataSet_DAs();
      break;
    case Access_State::Added::Nothing:
      break;
  }
}

// ---------------------------------------------------------------------------------------------
// Tree filter and addresses from the SCL file

void TFIEC_61850_Access::Apply_Tree_Filter() {
  TIEC_Device* device = shown_device_;
  if (device == nullptr) {
    Tree_Filter->Show_Count({});
    return;
  }
  if (!tree_index_) tree_index_ = std::make_unique<Tree_Index>(*device);
  // The tree holds a few thousand nodes of a server that may have hundreds of thousands of
  // objects: the links of the nodes shown are forgotten through the tree, not the model.
  for (QTreeWidgetItemIterator it(TV_IEC_Device); *it; ++it)
    if (TIEC_Object* object = Object_Of(*it)) object->TreeNode = nullptr;
  shown_device_ = nullptr;
  TV_IEC_Device->setUpdatesEnabled(false);
  Clear_Tree();
  TV_IEC_Device->setUpdatesEnabled(true);
  shown_device_ = device;
  if (!Tree_Filter->Active()) {
    Tree_Filter->Show_Count({});
    Show_Tree_IEC_Device(*device);
    return;
  }
  const Tree_Index::Result result =
      tree_index_->Filter(Tree_Filter->Text(), Tree_Filter->FC(), Max_Filter_Matches);
  Show_Filtered_Tree(TV_IEC_Device, *tree_index_, result,
                     [this](QTreeWidgetItem* parent, const Tree_Index::Entry& entry) {
                       return Add_Node(parent, *entry.object, Node_Text(entry),
                                       static_cast<int>(entry.kind), false);
                     });
  Tree_Filter->Show_Count(result);
}

void TFIEC_61850_Access::Forget_Filter_Of_Other_Configuration() {
  // The tree is empty until a server is chosen: no count over it. A filter typed for another
  // configuration would only hide the nodes of this one.
  if (filter_conf_dir_ != ctx_.Active_Conf_Dir) Tree_Filter->Clear();
  Tree_Filter->L_Tree_Matches->hide();
  filter_conf_dir_ = ctx_.Active_Conf_Dir;
}

void TFIEC_61850_Access::Forget_Servers_Extras() {
  tree_index_.reset();
  server_ips_.clear();
}

void TFIEC_61850_Access::Fill_Address_From_Scl(Access_State::Added added) {
  if (!ctx_.Address_From_SCL || shown_device_ == nullptr || added == Access_State::Added::Nothing)
    return;
  auto found = server_ips_.find(shown_device_);
  if (found == server_ips_.end()) {
    const std::string file =
        Catalog_Path(Catalog_Dir(ctx_.Active_Conf_Dir), shown_device_->FileName());
    std::optional<std::string> ip;
    try {
      ip = Server_IP(file);
    } catch (const std::exception& failure) {
      // The row stays added; only its address is missing, and the user is told why.
      messages_.Error(this, failure.what());
      return;
    }
    found = server_ips_.emplace(shown_device_, std::move(ip)).first;
  }
  if (!found->second) return;  // the file gives the server no address: nothing to fill
  const bool variable = added == Access_State::Added::Variable;
  Table& table = variable ? state_.ACG_DA : state_.ACG_DataSet;
  const int row = table.Row_Count() - 1;  // a new row is always the last
  table.Set_Cell(row, variable ? int{DA_Col::IPAddress} : int{DS_Col::IPAddress}, *found->second);
  table.Set_Cell(row, variable ? int{DA_Col::Port} : int{DS_Col::Port}, Default_Server_Port);
}

void TFIEC_61850_Access::Btn_RemoveVarClick() {
  Record_Step(ctx_.Lang_Strings[access_strings::Text_Remove_Var], [this] { Remove_Var_Row(); });
}

namespace {

// The rows to remove from `grid`, last first: every row with a selected cell, or the current row
// when nothing is selected.
std::vector<int> Rows_To_Remove(const QTableWidget* grid) {
  std::set<int> rows;
  for (const QModelIndex& index : grid->selectionModel()->selectedIndexes())
    rows.insert(index.row());
  if (rows.empty() && grid->currentRow() >= 0) rows.insert(grid->currentRow());
  return {rows.rbegin(), rows.rend()};
}

}  // namespace

void TFIEC_61850_Access::Remove_Var_Row() {
  if (PC_DA_DataSet->currentWidget() == TS_DA) {
    const std::vector<int> rows = Rows_To_Remove(ACG_DA);
    if (rows.empty()) return;
    for (int row : rows) state_.Remove_Variable_Row(row);
    ACG_DA->Show_Table(state_.ACG_DA);
    ACG_DA->setCurrentCell(std::min(rows.back(), ACG_DA->rowCount() - 1),
                           std::max(ACG_DA->currentColumn(), 0));
  } else if (PC_DA_DataSet->currentWidget() == TS_DataSet) {
    const std::vector<int> rows = Rows_To_Remove(ACG_DataSet);
    if (rows.empty()) return;
    for (int row : rows) state_.Remove_DataSet_Row(row);
    ACG_DataSet->Show_Table(state_.ACG_DataSet);
    ACG_DataSet->setCurrentCell(std::min(rows.back(), ACG_DataSet->rowCount() - 1),
                                std::max(ACG_DataSet->currentColumn(), 0));
    Show_DataSet_DAs();
  }
}

void TFIEC_61850_Access::Show_Map_Entry(const Entry_Ref& entry) {
  if (entry.Kind == Map_Kind::Variable) {
    PC_DA_DataSet->setCurrentWidget(TS_DA);
    ACG_DA->Select_Row(entry.Row - 1);
    ACG_DA->setFocus();
  } else {
    PC_DA_DataSet->setCurrentWidget(TS_DataSet);
    ACG_DataSet->Select_Row(entry.Row - 1);
    Show_DataSet_DAs();
    ACG_DS_Vars->Select_Row(entry.Member - 1);
    ACG_DS_Vars->setFocus();
  }
}

// ---------------------------------------------------------------------------------------------
// History

void TFIEC_61850_Access::Lay_Out_History() {
  History = new QUndoStack(this);
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
  connect(Act_Undo, &QAction::triggered, History, &QUndoStack::undo);
  connect(Act_Redo, &QAction::triggered, History, &QUndoStack::redo);
  connect(History, &QUndoStack::indexChanged, this, &TFIEC_61850_Access::Show_History_Texts);
  connect(History, &QUndoStack::cleanChanged, this, &TFIEC_61850_Access::Show_History_Texts);
  // Each table's context menu: Undo and Redo above the table's own commands, built on request
  // so that the window's two actions belong to the window alone.
  for (QTableWidget* table :
       {static_cast<QTableWidget*>(ACG_DA), static_cast<QTableWidget*>(ACG_DataSet),
        static_cast<QTableWidget*>(ACG_DS_Vars), TS_Map->ACG_Map}) {
    table->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(table, &QWidget::customContextMenuRequested, this, [this, table](const QPoint& at) {
      QMenu* menu = Table_Menu(table);
      menu->setAttribute(Qt::WA_DeleteOnClose);
      menu->popup(table->viewport()->mapToGlobal(at));
    });
  }
  TS_Map->Record_Step = [this](Map_Step step, const std::function<void()>& change) {
    Record_Step(
        ctx_.Lang_Strings[step == Map_Step::Auto_Position ? access_strings::Text_Step_Auto_Position
                                                          : access_strings::Text_Step_Map_Import],
        change);
  };
  TS_Map->Ask_First_Position = [this](int lowest_free) -> std::optional<int> {
    bool ok = false;
    const int first =
        QInputDialog::getInt(this, Q(ctx_.Lang_Strings[access_strings::Text_First_Position_Title]),
                             Q(ctx_.Lang_Strings[access_strings::Text_First_Position_Question]),
                             lowest_free, 0, Data_Map_Size - 1, 1, &ok);
    if (!ok) return std::nullopt;
    return first;
  };
  for (Selection_Grid* grid : {ACG_DA, ACG_DataSet, ACG_DS_Vars}) {
    grid->Record_Step = [this](Grid_Step step, const std::function<int()>& change) {
      int count = 0;
      Record([&] { count = change(); },
             [&] {
               int text = access_strings::Text_Step_Paste;
               switch (step) {
                 case Grid_Step::Delete:
                   text = access_strings::Text_Step_Delete;
                   break;
                 case Grid_Step::Paste:
                   text = access_strings::Text_Step_Paste;
                   break;
                 case Grid_Step::Fill_Down:
                   text = access_strings::Text_Step_Fill_Down;
                   break;
                 case Grid_Step::Fill_Series:
                   text = access_strings::Text_Step_Fill_Series;
                   break;
               }
               return QString(Q(ctx_.Lang_Strings[text])).arg(count).toStdString();
             });
    };
  }
}

QMenu* TFIEC_61850_Access::Table_Menu(QWidget* table) {
  auto* menu = new QMenu(table);
  menu->addAction(Act_Undo);
  menu->addAction(Act_Redo);
  if (!table->actions().isEmpty()) {
    menu->addSeparator();
    menu->addActions(table->actions());
  }
  return menu;
}

void TFIEC_61850_Access::Record_Step(const std::string& name, const std::function<void()>& change) {
  Record(change, [&name] { return name; });
}

void TFIEC_61850_Access::Record(const std::function<void()>& change,
                                const std::function<std::string()>& name) {
  if (step_depth_ > 0) {
    change();
    return;
  }
  const Access_Snapshot before = Take_Snapshot(state_);
  auto push = [&] {
    Access_Change step(before, Take_Snapshot(state_));
    if (step.Empty()) return;
    History->push(
        new State_Step(std::move(step), Q(name()),
                       [this](const Access_Change& c, bool forward) { Apply_Step(c, forward); }));
  };
  ++step_depth_;
  try {
    change();
  } catch (...) {
    --step_depth_;
    push();
    throw;
  }
  --step_depth_;
  push();
}

void TFIEC_61850_Access::Apply_Step(const Access_Change& change, bool forward) {
  if (forward)
    change.Redo(state_);
  else
    change.Undo(state_);
  if (change.Changes_Servers()) {
    // The tree stays while its server is in the list; the models the step holds outlive it.
    if (shown_device_ != nullptr && state_.Server_Position(shown_device_) < 0) {
      Clear_Tree();
      tree_index_.reset();
    }
    server_ips_.clear();
  }
  Show_IEC_Devices();
  Show_Tables();
  if (PC_DA_DataSet->currentWidget() == TS_Map) TS_Map->Show_Map();
  Refresh_Marks();
}

void TFIEC_61850_Access::Show_History_Texts() {
  const auto& s = ctx_.Lang_Strings;
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
  History->clear();
  Show_History_Texts();
}

// ---------------------------------------------------------------------------------------------
// Rows that no longer fit the servers' SCL files

void TFIEC_61850_Access::Connect_Marks() {
  ACG_DA->Mark_Of = [this](int row) { return marks_.Variable(row); };
  ACG_DataSet->Mark_Of = [this](int row) { return marks_.Data_Set(row, state_); };
  ACG_DS_Vars->Mark_Of = [this](int row) { return marks_.Member(row, state_); };
  // After the handlers connected before: the marks follow what they changed.
  for (Selection_Grid* grid : {ACG_DA, ACG_DataSet, ACG_DS_Vars})
    connect(grid, &Selection_Grid::Cell_Edited, this, &TFIEC_61850_Access::Refresh_Marks);
  for (QPushButton* button :
       {Btn_AddVar, Btn_RemoveVar, Btn_Add_IEC_Device, Btn_Remove_IEC_Device, Btn_Check})
    connect(button, &QPushButton::clicked, this, &TFIEC_61850_Access::Refresh_Marks);
  connect(TS_Map, &Map_Page::Tables_Changed, this, &TFIEC_61850_Access::Refresh_Marks);
}

void TFIEC_61850_Access::Say_What_No_Longer_Fits(const Read_Report& report) {
  // The saved configuration as the command line's check sees it, on the models just loaded.
  std::vector<check::Finding> findings;
  check::Conf_Options options;
  options.scl_check = nullptr;
  options.bank_pair = false;
  options.loaded = &state_.List_IEC_Dev;
  try {
    Wait_Cursor wait;
    check::Check_Configuration(
        ctx_.Active_Conf_Dir, options,
        [&](const check::Finding& f) {
          if (Is_Fit_Finding(f)) findings.push_back(f);
        },
        ctx_.Lang_Strings);
  } catch (const std::exception&) {
    findings.clear();  // the file was read a moment ago; the marks below still come
  }
  marks_.Set_Opening(findings, state_);
  Refresh_Marks();
  const std::string message = Opening_Message(ctx_.Lang_Strings, report.Missing_Files, findings,
                                              Corrections_Text(report, ctx_.Lang_Strings));
  if (!message.empty()) messages_.Warning_List(this, message);
}

void TFIEC_61850_Access::Refresh_Marks() {
  if (load_failed_) return;
  std::vector<check::Finding> findings;
  check::Conf_Options options;
  options.scl_check = nullptr;
  try {
    check::Check_Access_State(
        state_, ctx_.Active_Conf_Dir, options,
        [&](const check::Finding& f) {
          if (Is_Fit_Finding(f)) findings.push_back(f);
        },
        ctx_.Lang_Strings);
  } catch (const std::exception&) {
    // Only the SCL files' own rules read files, and they are not run here.
  }
  marks_.Set_Current(findings);
  for (Selection_Grid* grid : {ACG_DA, ACG_DataSet, ACG_DS_Vars}) grid->Show_Row_Marks();
}

// ---------------------------------------------------------------------------------------------
// Replacing a server's SCL file with a new revision

void TFIEC_61850_Access::Connect_Replace() {
  Btn_Replace_Scl->setAutoDefault(false);
  connect(Btn_Replace_Scl, &QPushButton::clicked, this, &TFIEC_61850_Access::Btn_Replace_SclClick);
  Act_Replace_Scl = new QAction(Btn_Replace_Scl->text(), LB_IEC_Devices);
  Act_Replace_Scl->setObjectName("Act_Replace_Scl");
  connect(Act_Replace_Scl, &QAction::triggered, this, &TFIEC_61850_Access::Btn_Replace_SclClick);
  LB_IEC_Devices->addAction(Act_Replace_Scl);
  LB_IEC_Devices->setContextMenuPolicy(Qt::ActionsContextMenu);
}

void TFIEC_61850_Access::Btn_Replace_SclClick() {
  const int position = LB_IEC_Devices->currentRow();
  if (load_failed_ || position < 0 || position >= static_cast<int>(state_.List_IEC_Dev.size()))
    return;
  choosing_revision_ = true;
  const std::string chosen = Choose_File ? Choose_File() : std::string();
  choosing_revision_ = false;
  if (chosen.empty()) return;
  const TIEC_Device& server = *state_.List_IEC_Dev[static_cast<size_t>(position)];
  const std::string file_name = util::File_Name_Of(server.FileName());
  const auto& s = ctx_.Lang_Strings;
  auto failed = [&](const std::string& reason) {
    messages_.Error(this, QString(Q(s[access_strings::Text_Replace_Failed]))
                              .arg(Q(chosen), Q(server.Name() + " (" + file_name + ")"), Q(reason))
                              .toStdString());
  };
  // The new text: the file, or the one IED chosen from a file with several, extracted as Add
  // IEC Device does. It is imported from a copy of its own before anything changes.
  std::string text;
  std::string ied_name;
  std::unique_ptr<TIEC_Device> revised;
  std::vector<check::Finding> findings;
  try {
    const std::vector<IED_Info> ieds = UIEC_Client_Decode::List_IEDs(chosen);
    size_t picked = 0;
    if (ieds.size() > 1) {
      const std::vector<size_t> chosen_ieds =
          Choose_IEDs ? Choose_IEDs(chosen, ieds) : std::vector<size_t>();
      if (chosen_ieds.empty()) return;
      if (chosen_ieds.size() > 1 || chosen_ieds[0] >= ieds.size())
        return failed(s[access_strings::Text_Replace_One_IED]);
      picked = chosen_ieds[0];
    }
    if (ieds.empty() || !ieds[picked].server)
      return failed(s[access_strings::Text_Replace_No_Server]);
    ied_name = ieds[picked].name;
    text = ieds.size() > 1 ? UIEC_Client_Decode::Extract_IED(chosen, ied_name, ctx_.Lang_Strings)
                           : util::Read_File(chosen);
    const QTemporaryDir scratch;
    if (!scratch.isValid()) throw util::File_Error(scratch.errorString().toStdString());
    const std::string copy = util::Join_Path(scratch.path().toStdString(), file_name);
    util::Write_File_Atomic(copy, text);
    Wait_Cursor wait;
    revised = Import_Scl(copy);
    // The new revision's own findings, as Add IEC Device shows a new file's, on the text that
    // goes into the catalog.
    if (Check_Scl)
      Check_Scl(
          copy, chosen, [&](const check::Finding& f) { findings.push_back(f); }, s, nullptr,
          nullptr);
  } catch (const std::exception& error) {
    return failed(error.what());
  }
  if (!Check_Report_Go_On(this, messages_, s, std::move(findings), TFCheck_Report::Purpose::Replace,
                          chosen, nullptr, &ctx_.Last_Folders.Report_File,
                          Report_Csv_Name(ctx_.Active_Conf_Dir)))
    return;
  const Replace_Impact impact = Impact_Of_Replace(state_, position, *revised);
  TFReplace_Impact window(
      impact,
      QString(Q(s[access_strings::Text_Impact_Intro]))
          .arg(Q(file_name), Q(server.Name()), Q(ied_name), Q(util::File_Name_Of(chosen))),
      s, this);
  if (window.exec() != QDialog::Accepted) return;
  const std::string catalog_file = util::Join_Path(Catalog_Dir(ctx_.Active_Conf_Dir), file_name);
  std::string old_text;
  try {
    app::Require_Conf_Folders(ctx_);
    old_text = util::Read_File(catalog_file);
    // Leaving without OK puts the catalog back as the opening found it.
    if (std::none_of(catalog_at_opening_.begin(), catalog_at_opening_.end(),
                     [&](const Catalog_Snapshot& kept) { return kept.path == catalog_file; }))
      catalog_at_opening_.push_back(
          Take_Catalog_Snapshot(Catalog_Dir(ctx_.Active_Conf_Dir), file_name));
    Replace_Catalog_File(Catalog_Dir(ctx_.Active_Conf_Dir), file_name, text, ctx_.Lang_Strings);
  } catch (const std::exception& error) {
    return failed(error.what());
  }
  // One step of the history: the catalog file and the server's model go back and forth together.
  const std::string step_name =
      QString(Q(s[access_strings::Text_Step_Replace_Scl])).arg(Q(server.Name())).toStdString();
  History->beginMacro(Q(step_name));
  History->push(new Catalog_File_Step(
      Catalog_Dir(ctx_.Active_Conf_Dir), file_name, std::move(old_text), std::move(text),
      ctx_.Lang_Strings, [this](const std::string& reason) { messages_.Error(this, reason); }));
  Record_Step(step_name, [&] {
    // The tree's nodes and the filter's index lead into the model about to be replaced.
    Clear_Tree();
    Forget_Servers_Extras();
    marks_.Forget_Server(position, state_);
    Replace_Server_Model(state_, position, std::move(revised));
  });
  History->endMacro();
  Show_IEC_Devices();
  LB_IEC_Devices->setCurrentRow(position);  // shows the new model's tree
  Show_Tables();
  TS_Map->Show_Map();
  Refresh_Marks();
}
