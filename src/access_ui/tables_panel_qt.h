// The access editor's three tables and its Map page, on their tabs: the variable table, the data
// set table and the member table of the data set row that is current. It shows the document's
// rows, turns typing, pasting and filling into steps of the document's history, and puts the
// rows Add Var makes from the tree's selection into the tables.
#pragma once

#include <QTabWidget>
#include <optional>
#include <vector>

#include "access/access_check.h"
#include "access/access_state.h"
#include "access/editor_options.h"
#include "util/messages_qt.h"

class QAction;
class QMenu;

namespace UIEC_61850_Access {

class Access_Document;
class Map_Page;
class Selection_Grid;
struct Entry_Ref;

class Tables_Panel : public QTabWidget {
  Q_OBJECT

 public:
  // `undo` and `redo` head each table's context menu.
  Tables_Panel(Access_Document& document, Editor_Options& options, ui::Messages& messages,
               QAction* undo, QAction* redo, QWidget* parent);
  void Set_Lang();

  // Shows the rows of the document again.
  void Show_Tables();
  void Show_DataSet_DAs();
  // Shows a variable row, or a member in the member table, on its own page and selects it.
  void Show_Map_Entry(const Entry_Ref& entry);
  // Shows the row or member OK refused, with the value refused as the current cell.
  void Show_Failure(const Row_Failure& failure);
  // Shows data set row `row` (from 1) and its members.
  void Show_Data_Set_Row(int row);

  // Add Var: one row per leaf attribute and per data set among `selected` (the objects of the
  // tree's selected nodes in tree order; one or none: the document's selection as the last
  // click left it), for server `server`. Those that have rows already are added again only when
  // the user says so. `current` is the tree's current node, the selection again afterwards.
  void Add_Var(int server, const UIEC_Client_Decode::TIEC_Device& device,
               const std::vector<UIEC_Client_Decode::TIEC_Object*>& selected,
               UIEC_Client_Decode::TIEC_Object* current);
  // Remove Var: the selected rows of the page shown (or its current row).
  void Remove_Var();

  // The context menu of a table: Undo, Redo, then the table's own commands.
  QMenu* Table_Menu(QWidget* table);

  QWidget* TS_DA;
  QWidget* TS_DataSet;
  Selection_Grid* ACG_DA;
  Selection_Grid* ACG_DataSet;
  Selection_Grid* ACG_DS_Vars;
  Map_Page* TS_Map;

 signals:
  // The rows changed by a step of this panel (typing, a command of a table or of the Map page).
  void Rows_Changed();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Lay_Out();
  void Connect_Grid(Selection_Grid* grid);
  void Connect_History();
  void Add_Var_Rows(int server, const UIEC_Client_Decode::TIEC_Device& device,
                    const std::vector<UIEC_Client_Decode::TIEC_Object*>& selected,
                    UIEC_Client_Decode::TIEC_Object* current);
  // Shows the page and the new last row of what Add Var added.
  void Show_Added(Access_State::Added added);
  // Puts the keyboard on the first of the rows Add Var added on the page shown (`first_*`: the
  // first new row of each table, -1 when none was added).
  void Focus_Added_Rows(int first_variable, int first_data_set);
  // The address from the server's SCL file into the row just added, where the option is on.
  void Fill_Address_From_Scl(const UIEC_Client_Decode::TIEC_Device& device,
                             Access_State::Added added);

  Access_Document& document_;
  Access_State& state_;
  Editor_Options& options_;
  ui::Messages& messages_;
  QAction* undo_;
  QAction* redo_;
};

}  // namespace UIEC_61850_Access
