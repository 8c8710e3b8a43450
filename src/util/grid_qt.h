// The two table behaviours the user can switch on in the options: auto-sizing a column by a
// double-click on its header, and moving to the next cell with the Enter key.
//
// A QTableWidget's horizontal header stands for the grid's fixed header row (row 0) and its
// vertical header for the fixed first column (column 0): grid cell (row r, column c) with
// r, c >= 1 is table cell (r - 1, c - 1).
#pragma once

class QTableWidget;
class QKeyEvent;

namespace ui {

// Run on a double-click: row 0 is the header. Fits the column to its widest content when
// Double_Click_Auto_Size is on; otherwise does nothing.
void Grid_Auto_Size_Col(QTableWidget* grid, int row, int column, bool Double_Click_Auto_Size);

// Run on a key press; returns true when the key was consumed (Enter with
// Enable_Jump_Field_Tables on): the current cell then moves right, wrapping to column 1 of the
// next row and from the last row back to row 1.
bool Grid_Enter_Key(QTableWidget* grid, int key, bool Enable_Jump_Field_Tables);

// Widens each column whose header does not fit it (a translated header may be longer than the
// width the column was given); narrows none. Run after the header texts are set and after any
// fixed widths.
void Fit_Header_Widths(QTableWidget* grid);

// The move itself, in grid coordinates (fixed row and column counted): where Enter goes
// from (row, column) in a grid of row_count x column_count cells.
void Grid_Enter_Move(int& row, int& column, int row_count, int column_count);

}  // namespace ui
