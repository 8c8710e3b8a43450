#include "iec/selection_grid_qt.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QEvent>
#include <QHeaderView>
#include <QPainter>
#include <QStyleOptionHeader>
#include <QStyledItemDelegate>

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
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                  QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  horizontalHeader()->setHighlightSections(false);
  // The corner stands for header cell 0 and shows "N" above the row numbers.
  if (auto* corner = findChild<QAbstractButton*>()) corner->installEventFilter(this);
  connect(this, &QTableWidget::itemChanged, this, &Selection_Grid::Item_Changed);
  Show_Rows({Row(columns_.size() + 1)});
}

const Grid_Column& Selection_Grid::Column(int grid_column) const {
  return columns_.at(static_cast<size_t>(grid_column - 1));
}

void Selection_Grid::Show_Rows(const std::vector<Row>& rows, bool editable) {
  filling_ = true;
  const int current_row = currentRow();
  const int current_column = currentColumn();
  setRowCount(static_cast<int>(rows.size()));
  for (int r = 0; r < rowCount(); ++r) {
    for (int c = 0; c < columnCount(); ++c) {
      const Grid_Column& column = columns_[static_cast<size_t>(c)];
      const QString text = QString::fromStdString(rows[static_cast<size_t>(r)][c + 1]);
      auto* item = new QTableWidgetItem;
      item->setData(Raw_Text_Role, text);
      Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
      if (column.Kind == Cell_Kind::Check) {
        item->setCheckState(text == "Y" ? Qt::Checked : Qt::Unchecked);
        if (editable) flags |= Qt::ItemIsUserCheckable;
      } else {
        item->setText(text);
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

void Selection_Grid::Set_Header_Texts(const std::vector<std::string>& texts) {
  if (!texts.empty()) corner_text_ = QString::fromStdString(texts[0]);
  for (int c = 0; c < columnCount() && static_cast<size_t>(c + 1) < texts.size(); ++c)
    horizontalHeaderItem(c)->setText(QString::fromStdString(texts[static_cast<size_t>(c + 1)]));
  viewport()->update();
}

void Selection_Grid::Set_Hints(const std::vector<std::string>& hints) {
  for (int c = 0; c < columnCount(); ++c) {
    const size_t line = static_cast<size_t>(c + 1);
    horizontalHeaderItem(c)->setToolTip(line < hints.size() ? QString::fromStdString(hints[line])
                                                            : QString());
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
  emit Cell_Edited(item->row(), item->column() + 1, text.toStdString());
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
