#include "access_ui/tables_panel_qt.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QSplitter>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <exception>
#include <map>
#include <set>

#include "access/access_strings.h"
#include "access/data_map.h"
#include "access_ui/access_document_qt.h"
#include "access_ui/map_page_qt.h"
#include "access_ui/selection_grid_qt.h"
#include "util/grid_qt.h"
#include "util/qstring_qt.h"

namespace UIEC_61850_Access {

using ui::Q;
using UIEC_Client_Decode::TIEC_Device;
using UIEC_Client_Decode::TIEC_Object;

namespace {

std::vector<Grid_Column> Columns(std::initializer_list<Grid_Column> columns) { return columns; }

// The list cells offer what OK accepts.
template <size_t N>
QStringList Texts(const std::array<const char*, N>& texts) {
  QStringList list;
  for (const char* text : texts) list << text;
  return list;
}

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

Tables_Panel::Tables_Panel(Access_Document& document, Editor_Options& options,
                           ui::Messages& messages, QAction* undo, QAction* redo, QWidget* parent)
    : QTabWidget(parent),
      document_(document),
      state_(document.State()),
      options_(options),
      messages_(messages),
      undo_(undo),
      redo_(redo) {
  setObjectName("PC_DA_DataSet");
  Lay_Out();
  Connect_History();
}

void Tables_Panel::Lay_Out() {
  TS_DA = new QWidget;
  TS_DA->setObjectName("TS_DA");
  TS_DataSet = new QWidget;
  TS_DataSet->setObjectName("TS_DataSet");
  const Grid_Column text_cell{Cell_Kind::Text, {}};
  const Grid_Column fixed{Cell_Kind::Read_Only, {}};
  const Grid_Column check{Cell_Kind::Check, {}};
  const QStringList start_bits = Texts(Start_Bit_Texts);
  const QStringList read_writes = Texts(ReadWrite_Texts);
  const QStringList conversions = Texts(Conversion_Texts);
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
                                       {Cell_Kind::List, start_bits},
                                       {Cell_Kind::List, read_writes},
                                       {Cell_Kind::List, conversions},
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
                                            {Cell_Kind::List, start_bits},
                                            {Cell_Kind::List, conversions},
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
  addTab(TS_DA, QString());  // the three pages are named by Set_Lang
  addTab(TS_DataSet, QString());
  TS_Map = new Map_Page(state_, messages_, options_.Strings);
  TS_Map->Csv_Folder = &options_.Map_Folder;
  addTab(TS_Map, QString());
  connect(this, &QTabWidget::currentChanged, this, [this] {
    if (currentWidget() == TS_Map) TS_Map->Show_Map();
  });
  connect(TS_Map, &Map_Page::Tables_Changed, this, &Tables_Panel::Show_Tables);
  connect(TS_Map, &Map_Page::Tables_Changed, this, &Tables_Panel::Rows_Changed);
  connect(TS_Map, &Map_Page::Entry_Activated, this, &Tables_Panel::Show_Map_Entry);

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

  // A cell typed into or ticked is a step of its own; cells a command changes join its step.
  auto edited = [this](Selection_Grid* grid,
                       std::function<void(int, int, const std::string&)> set) {
    connect(grid, &Selection_Grid::Cell_Edited, this,
            [this, grid, set](int row, int column, const std::string& text) {
              document_.Record(
                  [&] { set(row, column, text); },
                  [&] {
                    const QTableWidgetItem* header = grid->horizontalHeaderItem(column - 1);
                    return QString(Q(options_.Strings[access_strings::Text_Step_Typing]))
                        .arg(header != nullptr ? header->text() : QString::number(column))
                        .arg(row + 1)
                        .toStdString();
                  });
              emit Rows_Changed();
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
  connect(ACG_DataSet, &QTableWidget::currentCellChanged, this, &Tables_Panel::Show_DataSet_DAs);
  connect(ACG_DataSet, &QTableWidget::cellClicked, this, &Tables_Panel::Show_DataSet_DAs);
  for (Selection_Grid* grid : {ACG_DA, ACG_DataSet, ACG_DS_Vars}) Connect_Grid(grid);
}

void Tables_Panel::Connect_Grid(Selection_Grid* grid) {
  // The row number of any table picks that row of the variable table; with Shift or Ctrl it
  // extends the table's own selection of rows, as in the cells.
  connect(grid->verticalHeader(), &QHeaderView::sectionClicked, this, [this](int row) {
    if (QApplication::keyboardModifiers() & (Qt::ShiftModifier | Qt::ControlModifier)) return;
    ACG_DA->Select_Row(row);
  });
  connect(grid->horizontalHeader(), &QHeaderView::sectionDoubleClicked, this,
          [this, grid](int column) {
            ui::Grid_Auto_Size_Col(grid, 0, column + 1, options_.Double_Click_Auto_Size);
          });
  connect(grid, &QTableWidget::cellDoubleClicked, this, [this, grid](int row, int column) {
    ui::Grid_Auto_Size_Col(grid, row + 1, column + 1, options_.Double_Click_Auto_Size);
  });
  grid->installEventFilter(this);
  connect(grid, &Selection_Grid::Series_Refused, this, [this] {
    messages_.Warning(this, options_.Strings[access_strings::Text_Fill_Series_No_Number]);
  });
  connect(grid, &Selection_Grid::Cells_Left_Unchanged, this, [this](int count) {
    messages_.Warning(
        this,
        Q(options_.Strings[access_strings::Text_Cells_Left_Unchanged]).arg(count).toStdString());
  });
}

bool Tables_Panel::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* grid = qobject_cast<QTableWidget*>(watched);
    if (grid != nullptr && ui::Grid_Enter_Key(grid, static_cast<QKeyEvent*>(event)->key(),
                                              options_.Enable_Jump_Field_Tables))
      return true;
  }
  return QTabWidget::eventFilter(watched, event);
}

void Tables_Panel::Connect_History() {
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
  const auto& s = options_.Strings;
  TS_Map->Record_Step = [this, &s](Map_Step step, const std::function<void()>& change) {
    document_.Record_Step(
        s[step == Map_Step::Auto_Position ? access_strings::Text_Step_Auto_Position
                                          : access_strings::Text_Step_Map_Import],
        change);
  };
  TS_Map->Ask_First_Position = [this, &s](int lowest_free) -> std::optional<int> {
    bool ok = false;
    const int first = QInputDialog::getInt(this, Q(s[access_strings::Text_First_Position_Title]),
                                           Q(s[access_strings::Text_First_Position_Question]),
                                           lowest_free, 0, Data_Map_Size - 1, 1, &ok);
    if (!ok) return std::nullopt;
    return first;
  };
  static const std::map<Grid_Step, int> step_names = {
      {Grid_Step::Delete, access_strings::Text_Step_Delete},
      {Grid_Step::Paste, access_strings::Text_Step_Paste},
      {Grid_Step::Fill_Down, access_strings::Text_Step_Fill_Down},
      {Grid_Step::Fill_Series, access_strings::Text_Step_Fill_Series}};
  for (Selection_Grid* grid : {ACG_DA, ACG_DataSet, ACG_DS_Vars}) {
    grid->Record_Step = [this, &s](Grid_Step step, const std::function<int()>& change) {
      int count = 0;
      document_.Record([&] { count = change(); },
                       [&] { return QString(Q(s[step_names.at(step)])).arg(count).toStdString(); });
      emit Rows_Changed();
    };
  }
}

QMenu* Tables_Panel::Table_Menu(QWidget* table) {
  auto* menu = new QMenu(table);
  menu->addAction(undo_);
  menu->addAction(redo_);
  if (!table->actions().isEmpty()) {
    menu->addSeparator();
    menu->addActions(table->actions());
  }
  return menu;
}

void Tables_Panel::Set_Lang() {
  const auto& s = options_.Strings;
  setTabText(indexOf(TS_DA), Q(s[access_strings::Text_Variables_Page]));
  setTabText(indexOf(TS_DataSet), Q(s[access_strings::Text_DataSet_Page]));
  setTabText(indexOf(TS_Map), Q(s[access_strings::Text_Map_Page]));
  TS_Map->Set_Lang();
  auto run_texts = [&s](lang::Text_Range run) {
    std::vector<std::string> texts;
    for (int k = 0; k < run.Count; ++k) texts.push_back(s[run.At(k)]);
    return texts;
  };
  static_assert(access_strings::Text_Column_Headers.Count == DA_Col::Count &&
                access_strings::Text_Column_Hints.Count == DA_Col::Count);
  static_assert(access_strings::Text_DataSet_Headers.Count == DS_Col::Count &&
                access_strings::Text_Member_Headers.Count == Var_Col::Count);
  ACG_DA->Set_Header_Texts(run_texts(access_strings::Text_Column_Headers));
  ACG_DataSet->Set_Header_Texts(run_texts(access_strings::Text_DataSet_Headers));
  ACG_DS_Vars->Set_Header_Texts(run_texts(access_strings::Text_Member_Headers));
  // Every table shows the variable table's hints.
  const std::vector<std::string> hints = run_texts(access_strings::Text_Column_Hints);
  for (Selection_Grid* grid : {ACG_DA, ACG_DataSet, ACG_DS_Vars}) {
    grid->Set_Hints(hints);
    grid->Set_Lang(s);
    grid->Act_Fill_Series->setText(Q(s[access_strings::Text_Fill_Series]));
  }
}

void Tables_Panel::Show_Tables() {
  ACG_DA->Show_Table(state_.ACG_DA);
  ACG_DataSet->Show_Table(state_.ACG_DataSet);
  Show_DataSet_DAs();
}

void Tables_Panel::Show_DataSet_DAs() {
  const std::vector<Row> rows = state_.Show_DataSet_DAs(ACG_DataSet->currentRow() + 1);
  ACG_DS_Vars->Show_Rows(rows, state_.DataSet_Row_Select > 0);
}

void Tables_Panel::Show_Data_Set_Row(int row) {
  setCurrentWidget(TS_DataSet);
  ACG_DataSet->Select_Row(row - 1);
  Show_DataSet_DAs();
  ACG_DataSet->setFocus();
}

void Tables_Panel::Show_Map_Entry(const Entry_Ref& entry) {
  if (entry.Kind == Map_Kind::Variable) {
    setCurrentWidget(TS_DA);
    ACG_DA->Select_Row(entry.Row - 1);
    ACG_DA->setFocus();
  } else {
    setCurrentWidget(TS_DataSet);
    ACG_DataSet->Select_Row(entry.Row - 1);
    Show_DataSet_DAs();
    ACG_DS_Vars->Select_Row(entry.Member - 1);
    ACG_DS_Vars->setFocus();
  }
}

void Tables_Panel::Show_Failure(const Row_Failure& failure) {
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

void Tables_Panel::Remove_Var() {
  document_.Record_Step(options_.Strings[access_strings::Text_Remove_Var], [this] {
    auto remove = [](Selection_Grid* grid, const std::function<void(int)>& remove_row) {
      const std::vector<int> rows = Rows_To_Remove(grid);
      for (int row : rows) remove_row(row);
      return rows;
    };
    if (currentWidget() == TS_DA) {
      const std::vector<int> rows =
          remove(ACG_DA, [this](int row) { state_.Remove_Variable_Row(row); });
      if (rows.empty()) return;
      ACG_DA->Show_Table(state_.ACG_DA);
      ACG_DA->setCurrentCell(std::min(rows.back(), ACG_DA->rowCount() - 1),
                             std::max(ACG_DA->currentColumn(), 0));
    } else if (currentWidget() == TS_DataSet) {
      const std::vector<int> rows =
          remove(ACG_DataSet, [this](int row) { state_.Remove_DataSet_Row(row); });
      if (rows.empty()) return;
      ACG_DataSet->Show_Table(state_.ACG_DataSet);
      ACG_DataSet->setCurrentCell(std::min(rows.back(), ACG_DataSet->rowCount() - 1),
                                  std::max(ACG_DataSet->currentColumn(), 0));
      Show_DataSet_DAs();
    }
  });
}

}  // namespace UIEC_61850_Access
