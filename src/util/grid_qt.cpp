#include "util/grid_qt.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QTableWidget>
#include <algorithm>

namespace ui {

void Grid_Auto_Size_Col(QTableWidget* grid, int row, int column, bool Double_Click_Auto_Size) {
  if (!Double_Click_Auto_Size || row != 0 || grid == nullptr) return;
  if (column < 1 || column > grid->columnCount()) return;
  const int table_column = column - 1;
  const QFontMetrics metrics(grid->font());
  int width = 0;
  if (QTableWidgetItem* header = grid->horizontalHeaderItem(table_column))
    width = QFontMetrics(grid->horizontalHeader()->font()).horizontalAdvance(header->text());
  for (int r = 0; r < grid->rowCount(); ++r)
    if (QTableWidgetItem* item = grid->item(r, table_column))
      width = std::max(width, metrics.horizontalAdvance(item->text()));
  grid->setColumnWidth(table_column, width);
}

void Fit_Header_Widths(QTableWidget* grid) {
  QHeaderView* header = grid->horizontalHeader();
  for (int c = 0; c < grid->columnCount(); ++c)
    if (!grid->isColumnHidden(c))
      grid->setColumnWidth(c, std::max(grid->columnWidth(c), header->sectionSizeHint(c)));
}

void Grid_Enter_Move(int& row, int& column, int row_count, int column_count) {
  if (column <= 0 || row <= 0) return;
  if (column < column_count - 1) {
    ++column;
    return;
  }
  column = 1;
  row = row < row_count - 1 ? row + 1 : 1;
}

bool Grid_Enter_Key(QTableWidget* grid, int key, bool Enable_Jump_Field_Tables) {
  if (!Enable_Jump_Field_Tables || (key != Qt::Key_Return && key != Qt::Key_Enter)) return false;
  if (grid == nullptr) return true;
  int row = grid->currentRow() + 1;
  int column = grid->currentColumn() + 1;
  Grid_Enter_Move(row, column, grid->rowCount() + 1, grid->columnCount() + 1);
  if (row >= 1 && column >= 1) grid->setCurrentCell(row - 1, column - 1);
  return true;
}

}  // namespace ui
