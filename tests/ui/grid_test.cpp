#include <gtest/gtest.h>

#include <QTableWidget>

#include "util/grid_qt.h"

namespace {

TEST(Grid_Enter_Key, Moves_Right_Then_Wraps_To_The_Next_Row_And_Back_To_The_First) {
  QTableWidget grid(2, 3);  // grid rows 1..2, columns 1..3
  struct Case {
    int row, column;  // table cell before
    int to_row, to_column;
  } cases[] = {{0, 0, 0, 1}, {0, 2, 1, 0}, {1, 1, 1, 2}, {1, 2, 0, 0}};
  for (const Case& c : cases) {
    grid.setCurrentCell(c.row, c.column);
    EXPECT_TRUE(ui::Grid_Enter_Key(&grid, Qt::Key_Return, true));
    EXPECT_EQ(grid.currentRow(), c.to_row);
    EXPECT_EQ(grid.currentColumn(), c.to_column);
  }
  grid.setCurrentCell(1, 1);
  EXPECT_FALSE(ui::Grid_Enter_Key(&grid, Qt::Key_Return, false)) << "option off: the table's own";
  EXPECT_FALSE(ui::Grid_Enter_Key(&grid, Qt::Key_A, true));
  EXPECT_EQ(grid.currentColumn(), 1);
}

TEST(Grid_Enter_Key, Header_Cell_Consumes_Without_Moving) {
  int row = 0, column = 2;
  ui::Grid_Enter_Move(row, column, 3, 4);
  EXPECT_EQ(row, 0);
  EXPECT_EQ(column, 2);
}

TEST(Grid_Auto_Size_Col, Only_On_The_Header_With_The_Option_On) {
  QTableWidget grid(1, 1);
  grid.setHorizontalHeaderItem(0, new QTableWidgetItem("H"));
  grid.setItem(0, 0, new QTableWidgetItem(QString(60, 'W')));
  grid.setColumnWidth(0, 30);
  const int before = grid.columnWidth(0);
  ui::Grid_Auto_Size_Col(&grid, 1, 1, true);  // a data cell
  EXPECT_EQ(grid.columnWidth(0), before);
  ui::Grid_Auto_Size_Col(&grid, 0, 1, false);  // option off
  EXPECT_EQ(grid.columnWidth(0), before);
  ui::Grid_Auto_Size_Col(&grid, 0, 1, true);
  EXPECT_EQ(grid.columnWidth(0), QFontMetrics(grid.font()).horizontalAdvance(QString(60, 'W')));
}

}  // namespace
