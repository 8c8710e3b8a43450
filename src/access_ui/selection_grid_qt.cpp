#include "access_ui/selection_grid_qt.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionHeader>
#include <QStyledItemDelegate>
#include <algorithm>
#include <map>

#include "access/access_strings.h"
#include "text/lang_strings.h"
#include "util/grid_qt.h"
#include "util/qstring_qt.h"

namespace UIEC_61850_Access {

namespace {

// The raw text of a cell: for check boxes it may differ from what is drawn (only "Y" ticks).
constexpr int Raw_Text_Role = Qt::UserRole;

const QColor Read_Only_Background(0xF0, 0xF0, 0xF0);

// Edits list cells with a drop-down offering exactly the column's texts.
class List_Delegate : public QStyledItemDelegate {
 public:
  List_Delegate(const std::vector<Grid_Column>& columns, QObject* parent)
      : QStyledItemDelegate(parent), columns_(columns) {}

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override {
    const Grid_Column* column = List_Column(index);
    if (column == nullptr) return QStyledItemDelegate::createEditor(parent, option, index);
    auto* combo = new QComboBox(parent);
    combo->addItems(column->Items);
    return combo;
  }
  void setEditorData(QWidget* editor, const QModelIndex& index) const override {
    if (auto* combo = qobject_cast<QComboBox*>(editor); combo && List_Column(index)) {
      combo->setCurrentIndex(combo->findText(index.data(Qt::EditRole).toString()));
      return;
    }
    QStyledItemDelegate::setEditorData(editor, index);
  }
  void setModelData(QWidget* editor, QAbstractItemModel* model,
                    const QModelIndex& index) const override {
    if (auto* combo = qobject_cast<QComboBox*>(editor); combo && List_Column(index)) {
      if (combo->currentIndex() >= 0) model->setData(index, combo->currentText(), Qt::EditRole);
      return;
    }
    QStyledItemDelegate::setModelData(editor, model, index);
  }

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    const size_t c = static_cast<size_t>(index.column());
    if (c < columns_.size() && columns_[c].Elide_Middle) option->textElideMode = Qt::ElideMiddle;
  }

 private:
  const Grid_Column* List_Column(const QModelIndex& index) const {
    const size_t c = static_cast<size_t>(index.column());
    return c < columns_.size() && columns_[c].Kind == Cell_Kind::List ? &columns_[c] : nullptr;
  }
  const std::vector<Grid_Column>& columns_;
};

}  // namespace

Selection_Grid::Selection_Grid(const char* name, std::vector<Grid_Column> columns, QWidget* parent)
    : QTableWidget(parent), columns_(std::move(columns)) {
  setObjectName(name);
  setColumnCount(static_cast<int>(columns_.size()));
  for (int c = 0; c < columnCount(); ++c) setHorizontalHeaderItem(c, new QTableWidgetItem);
  setItemDelegate(new List_Delegate(columns_, this));
  // Several cells may be selected, for fill-down and copy.
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  // One line per cell: a wrapped reference would show only its first line, cut at its end, and
  // the rows of one logical node would all look the same.
  setWordWrap(false);
  // Only a key or a double-click opens a cell's editor, never a click: the editor then starts
  // with the whole text selected, so what is typed replaces it. An editor opened by a click
  // would take a second click as a place for the cursor and typing would add to the old text.
  setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                  QAbstractItemView::AnyKeyPressed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  horizontalHeader()->setHighlightSections(false);
  // The corner stands for header cell 0 and shows "N" above the row numbers.
  if (auto* corner = findChild<QAbstractButton*>()) corner->installEventFilter(this);
  connect(this, &QTableWidget::itemChanged, this, &Selection_Grid::Item_Changed);
  auto make_action = [this](const QKeySequence& keys) {  // named by Set_Lang
    auto* action = new QAction(this);
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WidgetShortcut);
    addAction(action);
    return action;
  };
  Act_Fill_Down = make_action(QKeySequence(Qt::CTRL | Qt::Key_D));
  Act_Fill_Series = make_action(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D));
  Act_Copy = make_action(QKeySequence::Copy);
  Act_Paste = make_action(QKeySequence::Paste);
  connect(Act_Fill_Down, &QAction::triggered, this, &Selection_Grid::Fill_Down);
  connect(Act_Fill_Series, &QAction::triggered, this, &Selection_Grid::Fill_Series);
  connect(Act_Copy, &QAction::triggered, this, [this] { Copy(); });
  connect(Act_Paste, &QAction::triggered, this, [this] { Paste(); });
  setContextMenuPolicy(Qt::ActionsContextMenu);
  Show_Rows({Row(columns_.size() + 1)});
}

const Grid_Column& Selection_Grid::Column(int grid_column) const {
  return columns_.at(static_cast<size_t>(grid_column - 1));
}

void Selection_Grid::Set_Elide_Middle(int grid_column) {
  columns_.at(static_cast<size_t>(grid_column - 1)).Elide_Middle = true;
  for (int r = 0; r < rowCount(); ++r)
    if (QTableWidgetItem* cell = item(r, grid_column - 1)) cell->setToolTip(cell->text());
  viewport()->update();
}

void Selection_Grid::Show_Rows(const std::vector<Row>& rows, bool editable) {
  filling_ = true;
  editable_ = editable;
  const int current_row = currentRow();
  const int current_column = currentColumn();
  setRowCount(static_cast<int>(rows.size()));
  for (int r = 0; r < rowCount(); ++r) {
    for (int c = 0; c < columnCount(); ++c) {
      const Grid_Column& column = columns_[static_cast<size_t>(c)];
      const QString text = ui::Q(rows[static_cast<size_t>(r)][c + 1]);
      auto* item = new QTableWidgetItem;
      item->setData(Raw_Text_Role, text);
      Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
      if (column.Kind == Cell_Kind::Check) {
        item->setCheckState(text == "Y" ? Qt::Checked : Qt::Unchecked);
        if (editable) flags |= Qt::ItemIsUserCheckable;
      } else {
        item->setText(text);
        if (column.Elide_Middle) item->setToolTip(text);
        if (editable && column.Kind != Cell_Kind::Read_Only) flags |= Qt::ItemIsEditable;
      }
      if (column.Kind == Cell_Kind::Read_Only || !editable)
        item->setBackground(Read_Only_Background);
      item->setFlags(flags);
      setItem(r, c, item);
    }
  }
  // Keep the user's place where the row still exists.
  if (current_row >= 0 && current_row < rowCount() && current_column >= 0)
    setCurrentCell(current_row, current_column);
  filling_ = false;
  Show_Row_Marks();
}

void Selection_Grid::Show_Row_Marks() {
  filling_ = true;
  for (int r = 0; r < rowCount(); ++r) {
    const std::optional<Row_Mark> mark = Mark_Of ? Mark_Of(r) : std::nullopt;
    for (int c = 0; c < columnCount(); ++c) {
      QTableWidgetItem* cell = item(r, c);
      if (cell == nullptr) continue;
      const Grid_Column& column = columns_[static_cast<size_t>(c)];
      // A column shown elided in the middle keeps its whole text in the tooltip, above the mark.
      const QString whole = column.Elide_Middle ? cell->text() : QString();
      if (mark) {
        cell->setBackground(mark->colour);
        cell->setToolTip(whole.isEmpty() ? mark->text : whole + "\n" + mark->text);
      } else {
        const bool read_only = !editable_ || column.Kind == Cell_Kind::Read_Only;
        cell->setBackground(read_only ? QBrush(Read_Only_Background) : QBrush());
        cell->setToolTip(whole);
      }
    }
  }
  filling_ = false;
}

void Selection_Grid::Show_Table(const Table& table) {
  std::vector<Row> rows;
  rows.reserve(static_cast<size_t>(table.Row_Count()));
  for (int r = 0; r < table.Row_Count(); ++r) rows.push_back(table.Get_Row(r));
  Show_Rows(rows);
}

std::string Selection_Grid::Text(int row, int grid_column) const {
  const QTableWidgetItem* cell = item(row, grid_column - 1);
  return cell ? cell->data(Raw_Text_Role).toString().toStdString() : std::string();
}

void Selection_Grid::Set_Lang(const lang::Lang_Strings& strings) {
  Act_Fill_Down->setText(ui::Q(strings[access_strings::Text_Fill_Down]));
  Act_Copy->setText(ui::Q(strings[access_strings::Text_Copy]));
  Act_Paste->setText(ui::Q(strings[access_strings::Text_Paste]));
}

void Selection_Grid::Set_Header_Texts(const std::vector<std::string>& texts) {
  if (!texts.empty()) corner_text_ = ui::Q(texts[0]);
  for (int c = 0; c < columnCount() && static_cast<size_t>(c + 1) < texts.size(); ++c)
    horizontalHeaderItem(c)->setText(ui::Q(texts[static_cast<size_t>(c + 1)]));
  ui::Fit_Header_Widths(this);
  viewport()->update();
}

void Selection_Grid::Set_Hints(const std::vector<std::string>& hints) {
  for (int c = 0; c < columnCount(); ++c) {
    const size_t line = static_cast<size_t>(c + 1);
    horizontalHeaderItem(c)->setToolTip(line < hints.size() ? ui::Q(hints[line]) : QString());
  }
}

void Selection_Grid::Select_Row(int row) {
  if (row < 0 || row >= rowCount()) return;
  setCurrentCell(row, 0, QItemSelectionModel::NoUpdate);
  selectionModel()->select(model()->index(row, 0),
                           QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void Selection_Grid::Item_Changed(QTableWidgetItem* item) {
  if (filling_) return;
  const Grid_Column& column = columns_[static_cast<size_t>(item->column())];
  QString text;
  if (column.Kind == Cell_Kind::Check) {
    text = item->checkState() == Qt::Checked ? "Y" : "N";
  } else {
    text = item->text();
  }
  if (text == item->data(Raw_Text_Role).toString()) return;
  filling_ = true;
  item->setData(Raw_Text_Role, text);
  filling_ = false;
  ++edits_;
  emit Cell_Edited(item->row(), item->column() + 1, text.toStdString());
}

void Selection_Grid::keyPressEvent(QKeyEvent* event) {
  // Delete empties the selected editable text cells; other cells never change by it.
  if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier &&
      state() != QAbstractItemView::EditingState) {
    QList<QTableWidgetItem*> cells = selectedItems();
    if (cells.isEmpty() && currentItem() != nullptr) cells.append(currentItem());
    As_Step(Grid_Step::Delete, [&] {
      for (QTableWidgetItem* cell : cells)
        if ((cell->flags() & Qt::ItemIsEditable) &&
            columns_[static_cast<size_t>(cell->column())].Kind == Cell_Kind::Text)
          cell->setText(QString());
    });
    event->accept();
    return;
  }
  QTableWidget::keyPressEvent(event);
}

namespace {

bool Extends_Column(const QEvent* event) {
  if (event == nullptr || event->type() != QEvent::KeyPress) return false;
  const auto* key = static_cast<const QKeyEvent*>(event);
  const auto both = Qt::ControlModifier | Qt::ShiftModifier;
  if ((key->modifiers() & both) != both) return false;
  switch (key->key()) {
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
      return true;
    default:
      return false;
  }
}

}  // namespace

QModelIndex Selection_Grid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
  const auto both = Qt::ControlModifier | Qt::ShiftModifier;
  const QModelIndex current = currentIndex();
  if ((modifiers & both) == both && current.isValid() && rowCount() > 0 &&
      (action == MoveHome || action == MoveEnd))
    return model()->index(action == MoveHome ? 0 : rowCount() - 1, current.column());
  return QTableWidget::moveCursor(action, modifiers);
}

QItemSelectionModel::SelectionFlags Selection_Grid::selectionCommand(const QModelIndex& index,
                                                                     const QEvent* event) const {
  // The view takes Ctrl with a movement key as a move that leaves the selection alone.
  if (selectionMode() == ExtendedSelection && Extends_Column(event))
    return QItemSelectionModel::SelectCurrent;
  return QTableWidget::selectionCommand(index, event);
}

bool Selection_Grid::eventFilter(QObject* watched, QEvent* event) {
  auto* corner = qobject_cast<QAbstractButton*>(watched);
  if (corner != nullptr && event->type() == QEvent::Paint) {
    QStyleOptionHeader option;
    option.initFrom(corner);
    option.rect = corner->rect();
    option.text = corner_text_;
    option.textAlignment = Qt::AlignCenter;
    option.position = QStyleOptionHeader::OnlyOneSection;
    QPainter painter(corner);
    corner->style()->drawControl(QStyle::CE_Header, &option, &painter, corner);
    return true;
  }
  return QTableWidget::eventFilter(watched, event);
}

}  // namespace UIEC_61850_Access
