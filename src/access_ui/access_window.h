// IEC 61850 access editor (FIEC_61850_Access): the servers of the configuration, the data tree of
// one server, and the tables of selected attributes and data sets, saved to
// IEC_61850_Client.xml on OK. The window composes its panels (server list, tree, tables, marks)
// over one document (the state and its history) and keeps the opening, OK, Cancel and Check.
#pragma once

#include <QDialog>
#include <memory>
#include <optional>
#include <string>

#include "access/access_check.h"
#include "access/editor_options.h"
#include "access_ui/server_panel_qt.h"
#include "check/check.h"
#include "util/messages_qt.h"

class QAction;
class QCheckBox;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QTabWidget;
class QTreeView;
class QUndoStack;

namespace UIEC_61850_Access {
class Access_Document;
class Map_Page;
class Row_Marks;
class Selection_Grid;
class Tables_Panel;
class Tree_Filter_Bar;
class Tree_Panel;
struct Entry_Ref;
}  // namespace UIEC_61850_Access

// The hooks (Choose_File, Choose_IEDs, Import_Scl, Check_Scl) are the editor's questions to the
// world outside it; tests replace them.
class TFIEC_61850_Access : public QDialog, public UIEC_61850_Access::Editor_Hooks {
  Q_OBJECT

 public:
  TFIEC_61850_Access(UIEC_61850_Access::Editor_Options options, ui::Messages& messages,
                     QWidget* parent = nullptr);
  ~TFIEC_61850_Access() override;
  void Set_Lang();

  // Opens the editor modally. Refused (Rejected, nothing shown) when the client file cannot be
  // read, so that OK can never save a half-read state over it.
  int exec() override;

  QLabel* L_SW_Code;
  QLabel* L_SW_Desc;
  UIEC_61850_Access::Server_Panel* Servers;
  UIEC_61850_Access::Tree_Panel* Tree;
  UIEC_61850_Access::Tables_Panel* Tables;
  // The panels' controls, by the names the editor always had.
  QPushButton* Btn_Add_IEC_Device;
  QPushButton* Btn_Remove_IEC_Device;
  QPushButton* Btn_Replace_Scl;
  QAction* Act_Replace_Scl;  // the same in the server list's context menu
  QListWidget* LB_IEC_Devices;
  UIEC_61850_Access::Tree_Filter_Bar* Tree_Filter;
  QTreeView* TV_IEC_Device;
  QTabWidget* PC_DA_DataSet;
  QWidget* TS_DA;
  QWidget* TS_DataSet;
  UIEC_61850_Access::Selection_Grid* ACG_DA;
  UIEC_61850_Access::Selection_Grid* ACG_DataSet;
  UIEC_61850_Access::Selection_Grid* ACG_DS_Vars;
  UIEC_61850_Access::Map_Page* TS_Map;
  QPushButton* Btn_AddVar;
  // The option "address from SCL", also on the options' settings page.
  QCheckBox* CB_Address_From_SCL;
  QPushButton* Btn_RemoveVar;
  QPushButton* Btn_Check;
  QPushButton* Btn_OK;
  QPushButton* Btn_Cancel;
  // The history of this opening (OK and Cancel end it). Undo (Ctrl+Z) and Redo (Ctrl+Y,
  // Ctrl+Shift+Z) work anywhere in the window and are in each table's context menu.
  QUndoStack* History;
  QAction* Act_Undo;
  QAction* Act_Redo;

  // Runs `change` on the editor's state as one step of the history (Access_Document).
  void Record_Step(const std::string& name, const std::function<void()>& change);
  // The context menu of a table: Undo, Redo, then the table's own commands.
  QMenu* Table_Menu(QWidget* table);

  // Reloads everything from the client file; false (after showing why) when it cannot be read.
  bool FormShow();
  // The buttons' commands, as a click runs them.
  void Btn_Add_IEC_DeviceClick();
  void Btn_Remove_IEC_DeviceClick();
  void Btn_Replace_SclClick();
  void Btn_AddVarClick();
  void Btn_OKClick();
  // Shows the check's report for what the editor holds now (not yet saved).
  void Btn_CheckClick();
  // Shows the row, data set, member or server a finding is about.
  void Show_Finding(const check::Finding& finding);
  // Cancel, Escape and the close button: asks before throwing away changes made since opening.
  void reject() override;
  // Every way out of the editor: a filter index still being made is not wanted any more.
  void done(int result) override;

  const UIEC_61850_Access::Access_State& State() const;
  // Marks again the rows that no longer fit the servers' SCL files, after the tables changed.
  void Refresh_Marks();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Lay_Out();
  void Connect_Panels();
  // The check of a configuration on what the editor holds.
  std::optional<std::vector<check::Finding>> Check_State();
  // Shows the tree of server `position`, with its filter index.
  void Show_Server(int position);
  // Nothing shown points into server `position`'s model any more.
  void Forget_Server(int position);
  void Show_Servers();
  void Show_Everything();
  void Step_Applied(bool servers);
  void Show_History_Texts();
  void End_History();

  UIEC_61850_Access::Editor_Options options_;
  ui::Messages& messages_;
  UIEC_61850_Access::Access_Document* document_;
  UIEC_61850_Access::Row_Marks* marks_;
  // FormShow already ran for the current opening (exec() runs it before the window shows).
  bool shown_ready_ = false;
  std::string shown_xml_;  // the client file's content for what the opening showed
};
