// One selection table of the access editor on a QTableWidget. The header row is the horizontal
// header and the numbering column "N" the vertical header, so grid column c (from 1) is table
// column c - 1. The cells only mirror the editor's state: the grid shows rows it is given and
// reports every edit the user makes, with check-box cells reported as "Y"/"N" and list cells as
// the text picked.
#pragma once

#include <QColor>
#include <QStringList>
#include <QTableWidget>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "access/access_state.h"
#include "text/lang_strings.h"

namespace UIEC_61850_Access {

enum class Cell_Kind { Text, Read_Only, Check, List };

struct Grid_Column {
  Cell_Kind Kind = Cell_Kind::Text;
  QStringList Items;  // the texts a list cell offers
  // Long texts lose their middle, not their end, and the cell's tooltip shows the whole text
  // (references: the rows of one logical node differ at the end).
  bool Elide_Middle = false;
};

// The commands of a grid that change several cells at once, each one step of the editor's
// history.
enum class Grid_Step { Delete, Paste, Fill_Down, Fill_Series };

class Selection_Grid : public QTableWidget {
  Q_OBJECT

 public:
  // `columns` describes grid columns 1 to n.
  Selection_Grid(const char* name, std::vector<Grid_Column> columns, QWidget* parent);

  // Shows `rows` (cell c of a row in grid column c). Without `editable` no cell can be edited.
  void Show_Rows(const std::vector<Row>& rows, bool editable = true);
  void Show_Table(const Table& table);

  // The text the cell at (row from 0, grid column from 1) stands for.
  std::string Text(int row, int grid_column) const;
  const Grid_Column& Column(int grid_column) const;
  // Makes grid column `grid_column` one whose texts are elided in the middle (Elide_Middle).
  void Set_Elide_Middle(int grid_column);

  // Header texts of grid columns 0 (the corner "N") to n, and hints of grid columns 1 to n
  // (hints[c] for column c; hints[0] is not shown).
  // Columns widen to show their whole header (ui::Fit_Header_Widths).
  void Set_Header_Texts(const std::vector<std::string>& texts);
  // The texts of the context menu's commands.
  void Set_Lang(const lang::Lang_Strings& strings);
  void Set_Hints(const std::vector<std::string>& hints);
  QString Corner_Text() const { return corner_text_; }

  // A row that holds a problem: its cells take `colour` and show `text` as their tooltip.
  struct Row_Mark {
    QColor colour;
    QString text;
  };
  // The mark of a row (from 0), asked for every row each time rows are shown and at
  // Show_Row_Marks; none: the row is not marked.
  std::function<std::optional<Row_Mark>(int row)> Mark_Of;
  // Marks the rows shown again, after what Mark_Of answers has changed.
  void Show_Row_Marks();

  // Puts the current cell on `row` and selects the whole row.
  void Select_Row(int row);

  // Fills the selected cells of each column from the topmost selected one (Ctrl+D).
  void Fill_Down();
  // Fills the selected cells of each text or list column counting up by one from the topmost
  // selected one (Series_Texts; Ctrl+Shift+D). When a column's topmost cell does not count,
  // nothing changes and Series_Refused is sent.
  void Fill_Series();
  // The selected rectangle as tab-separated lines, on the clipboard and returned (Ctrl+C).
  QString Copy();
  // Pastes tab-separated lines at the current cell, or one value into every selected cell
  // (Ctrl+V). Read-only cells, cells outside the table, and check-box or list cells given a
  // value they do not offer stay unchanged; returns how many.
  int Paste(const QString& text);
  int Paste();  // the clipboard's text

  QAction* Act_Fill_Down;
  QAction* Act_Fill_Series;
  QAction* Act_Copy;
  QAction* Act_Paste;

  // Runs a command's `change` (which returns how many cells it changed) as one step of the
  // editor's history; unset, the change simply runs.
  std::function<void(Grid_Step step, const std::function<int()>& change)> Record_Step;

 signals:
  // The user changed the cell at (row from 0, grid column from 1) to `text`.
  void Cell_Edited(int row, int grid_column, const std::string& text);
  // A fill-down or paste left `count` cells unchanged.
  void Cells_Left_Unchanged(int count);
  // Fill series found a column whose topmost selected cell holds no number to count from.
  void Series_Refused();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  // Typing never searches the rows: a key goes into the current cell or nowhere.
  void keyboardSearch(const QString&) override {}
  // Ctrl+Shift+Home/End/PgUp/PgDn extend the selection as Shift does (Home and End to the first
  // and last row of the current column).
  QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
  QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                       const QEvent* event) const override;

 private:
  void Item_Changed(QTableWidgetItem* item);
  // Sets a cell as the user would; false (nothing changes) when the cell does not take `text`.
  bool Put(int row, int column, const QString& text);
  // The selected rows of each column (from 0), top first.
  std::map<int, std::vector<int>> Selected_Columns() const;
  void As_Step(Grid_Step step, const std::function<void()>& change);

  std::vector<Grid_Column> columns_;
  QString corner_text_;
  bool filling_ = false;
  int edits_ = 0;  // cell edits reported so far
  bool editable_ = true;
};

}  // namespace UIEC_61850_Access
