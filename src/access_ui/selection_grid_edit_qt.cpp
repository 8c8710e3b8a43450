// The selection grid's commands on several cells at once: Fill Down, Fill Series, Copy and
// Paste, each one step of the editor's history, with the cells they leave unchanged counted.
#include <QApplication>
#include <QClipboard>
#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "access_ui/selection_grid_qt.h"
#include "util/qstring_qt.h"

namespace UIEC_61850_Access {

bool Selection_Grid::Put(int row, int column, const QString& text) {
  QTableWidgetItem* cell = item(row, column);
  if (cell == nullptr || column < 0 || column >= static_cast<int>(columns_.size())) return false;
  const Grid_Column& kind = columns_[static_cast<size_t>(column)];
  if (kind.Kind == Cell_Kind::Check) {
    if (!(cell->flags() & Qt::ItemIsUserCheckable) || (text != "Y" && text != "N")) return false;
    cell->setCheckState(text == "Y" ? Qt::Checked : Qt::Unchecked);  // reported by Item_Changed
    return true;
  }
  if (!(cell->flags() & Qt::ItemIsEditable)) return false;
  if (kind.Kind == Cell_Kind::List && !kind.Items.contains(text)) return false;
  cell->setText(text);
  return true;
}

std::map<int, std::vector<int>> Selection_Grid::Selected_Columns() const {
  std::map<int, std::vector<int>> columns;
  for (const QModelIndex& index : selectionModel()->selectedIndexes())
    columns[index.column()].push_back(index.row());
  for (auto& [column, rows] : columns) std::sort(rows.begin(), rows.end());
  return columns;
}

void Selection_Grid::As_Step(Grid_Step step, const std::function<void()>& change) {
  auto counted = [this, &change] {
    const int before = edits_;
    change();
    return edits_ - before;
  };
  if (Record_Step)
    Record_Step(step, counted);
  else
    counted();
}

void Selection_Grid::Fill_Down() {
  int unchanged = 0;
  As_Step(Grid_Step::Fill_Down, [&] {
    for (const auto& [column, rows] : Selected_Columns()) {
      if (rows.size() < 2) continue;
      const QString top = ui::Q(Text(rows.front(), column + 1));
      for (size_t i = 1; i < rows.size(); ++i)
        if (!Put(rows[i], column, top)) ++unchanged;
    }
  });
  if (unchanged > 0) emit Cells_Left_Unchanged(unchanged);
}

void Selection_Grid::Fill_Series() {
  // Every column's series first: one that does not count stops the whole command.
  std::vector<std::pair<int, std::vector<std::string>>> series;
  for (const auto& [column, rows] : Selected_Columns()) {
    const Cell_Kind kind = columns_[static_cast<size_t>(column)].Kind;
    if (rows.size() < 2 || kind == Cell_Kind::Read_Only || kind == Cell_Kind::Check) continue;
    auto texts = Series_Texts(Text(rows.front(), column + 1), rows.size());
    if (!texts) {
      emit Series_Refused();
      return;
    }
    series.emplace_back(column, std::move(*texts));
  }
  const std::map<int, std::vector<int>> columns = Selected_Columns();
  int unchanged = 0;
  As_Step(Grid_Step::Fill_Series, [&] {
    for (const auto& [column, texts] : series) {
      const std::vector<int>& rows = columns.at(column);
      for (size_t i = 1; i < rows.size(); ++i)
        if (!Put(rows[i], column, ui::Q(texts[i]))) ++unchanged;
    }
  });
  if (unchanged > 0) emit Cells_Left_Unchanged(unchanged);
}

QString Selection_Grid::Copy() {
  const QModelIndexList selected = selectionModel()->selectedIndexes();
  if (selected.isEmpty()) return {};
  int top = rowCount(), bottom = -1, left = columnCount(), right = -1;
  for (const QModelIndex& index : selected) {
    top = std::min(top, index.row());
    bottom = std::max(bottom, index.row());
    left = std::min(left, index.column());
    right = std::max(right, index.column());
  }
  QStringList lines;
  for (int r = top; r <= bottom; ++r) {
    QStringList cells;
    for (int c = left; c <= right; ++c) cells << ui::Q(Text(r, c + 1));
    lines << cells.join('\t');
  }
  const QString text = lines.join('\n');
  if (QClipboard* clipboard = QApplication::clipboard()) clipboard->setText(text);
  return text;
}

int Selection_Grid::Paste() {
  const QClipboard* clipboard = QApplication::clipboard();
  return clipboard ? Paste(clipboard->text()) : 0;
}

int Selection_Grid::Paste(const QString& text) {
  // Spreadsheets end the last line too; a lone carriage return belongs to the line end.
  QStringList lines = QString(text).remove('\r').split('\n');
  if (lines.size() > 1 && lines.back().isEmpty()) lines.removeLast();
  if (text.isEmpty() || lines.isEmpty()) return 0;
  int unchanged = 0;
  const QModelIndexList selected = selectionModel()->selectedIndexes();
  if (lines.size() == 1 && !lines[0].contains('\t') && selected.size() > 1) {
    // One value into every selected cell.
    As_Step(Grid_Step::Paste, [&] {
      for (const QModelIndex& index : selected)
        if (!Put(index.row(), index.column(), lines[0])) ++unchanged;
    });
  } else {
    int top = currentRow(), left = currentColumn();
    for (const QModelIndex& index : selected) {
      top = std::min(top, index.row());
      left = std::min(left, index.column());
    }
    if (top < 0 || left < 0) return 0;
    As_Step(Grid_Step::Paste, [&] {
      for (int r = 0; r < lines.size(); ++r) {
        const QStringList cells = lines[r].split('\t');
        for (int c = 0; c < cells.size(); ++c)
          if (!Put(top + r, left + c, cells[c])) ++unchanged;
      }
    });
  }
  if (unchanged > 0) emit Cells_Left_Unchanged(unchanged);
  return unchanged;
}

}  // namespace UIEC_61850_Access
