// IEC 61850 access editor (FIEC_61850_Access): the servers of the configuration, the data tree of
// one server, and the tables of selected attributes and data sets, saved to
// IEC_61850_Client.xml on OK.
#pragma once

#include <QDialog>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "access/access_check.h"
#include "access/access_state.h"
#include "access/catalog_snapshot.h"
#include "access/server_list.h"
#include "access/table_marks_qt.h"
#include "app/context.h"
#include "check/check.h"
#include "scl/tree_filter.h"
#include "util/messages_qt.h"

class QCheckBox;
class QAction;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;
class QUndoStack;

namespace UIEC_61850_Access {
class Selection_Grid;
class Map_Page;
struct Entry_Ref;
class Tree_Filter_Bar;
}  // namespace UIEC_61850_Access

class TFIEC_61850_Access : public QDialog {
  Q_OBJECT

 public:
  TFIEC_61850_Access(app::App_Context& ctx, ui::Messages& messages, QWidget* parent = nullptr);
  ~TFIEC_61850_Access() override;
  void Set_Lang();

  // Opens the editor modally. Refused (Rejected, nothing shown) when the client file cannot be
  // read, so that OK can never save a half-read state over it.
  int exec() override;

  // Asks the user for the SCL file to add; empty when cancelled. Tests replace it.
  std::function<std::string()> Choose_File;
  // Asks which IEDs of a file with several to add (positions in `ieds`; none: cancelled).
  // Tests replace it.
  std::function<std::vector<size_t>(const std::string& file,
                                    const std::vector<UIEC_61850_Access::IED_Info>& ieds)>
      Choose_IEDs;
  // Builds a server's model from its catalog copy. Tests may replace it.
  UIEC_61850_Access::Importer Import_Scl = UIEC_61850_Access::Import_Device;
  // The check's rules on an SCL file (one added, or a catalog file); tests with stand-in files
  // empty it, and then no SCL file is checked.
  check::Scl_Check Check_Scl = check::Check_Scl_File;

  QLabel* L_SW_Code;
  QLabel* L_SW_Desc;
  QPushButton* Btn_Add_IEC_Device;
  QPushButton* Btn_Remove_IEC_Device;
  QPushButton* Btn_Replace_Scl;
  QAction* Act_Replace_Scl = nullptr;  // the same in the server list's context menu
  QListWidget* LB_IEC_Devices;
  UIEC_61850_Access::Tree_Filter_Bar* Tree_Filter;
  QTreeWidget* TV_IEC_Device;
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

  // Runs `change` on the editor's state and records what it changed as one step of the history,
  // named `name` ("Undo <name>"); a change that changes nothing records nothing. Calls inside
  // `change` join its step. A change that throws is recorded with what it did before, then the
  // exception goes on.
  void Record_Step(const std::string& name, const std::function<void()>& change);
  // The context menu of a table: Undo, Redo, then the table's own commands.
  QMenu* Table_Menu(QWidget* table);

  // Reloads everything from the client file; false (after showing why) when it cannot be read.
  bool FormShow();
  void Btn_Add_IEC_DeviceClick();
  void Btn_Remove_IEC_DeviceClick();
  // Replaces the selected server's SCL file with a new revision after showing what it changes.
  void Btn_Replace_SclClick();
  void LB_IEC_DevicesClick();
  void TV_IEC_DeviceClick();
  void Btn_AddVarClick();
  void Btn_RemoveVarClick();
  void Btn_OKClick();
  // Shows the check's report for what the editor holds now (not yet saved).
  void Btn_CheckClick();
  // Shows the row, data set, member or server a finding is about.
  void Show_Finding(const check::Finding& finding);
  // Shows the row or member OK refused, with the value refused as the current cell.
  void Show_Failure(const UIEC_61850_Access::Row_Failure& failure);
  // Cancel, Escape and the close button: asks before throwing away changes made since opening.
  void reject() override;
  void Show_IEC_Devices();
  void Show_DataSet_DAs();
  // Shows a variable row, or a member in the member table, on its own page and selects it.
  void Show_Map_Entry(const UIEC_61850_Access::Entry_Ref& entry);

  const UIEC_61850_Access::Access_State& State() const { return state_; }

  // Marks again the rows that no longer fit the servers' SCL files, after the tables changed.
  void Refresh_Marks();

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Lay_Out();
  // The check of a configuration on what the editor holds.
  std::optional<std::vector<check::Finding>> Check_State();
  void Connect_Grid(UIEC_61850_Access::Selection_Grid* grid);
  void Clear_Tree();
  void Show_Tree_IEC_Device(UIEC_Client_Decode::TIEC_Device& device);
  QTreeWidgetItem* Show_Tree_IEC_DO(QTreeWidgetItem* parent, UIEC_Client_Decode::TIEC_DO& object);
  QTreeWidgetItem* Show_Tree_IEC_DA(QTreeWidgetItem* parent, UIEC_Client_Decode::TIEC_DA& da);
  QTreeWidgetItem* Show_Tree_IEC_DataSet(QTreeWidgetItem* parent,
                                         UIEC_Client_Decode::TIEC_DataSet& data_set);
  QTreeWidgetItem* Add_Node(QTreeWidgetItem* parent, UIEC_Client_Decode::TIEC_Object& object,
                            const std::string& text, int image, bool has_children);
  void Fill_Node(QTreeWidgetItem* item);
  void Show_Tables();
  // Shows the page and the new last row of what Add Var added.
  void Show_Added(UIEC_61850_Access::Access_State::Added added);
  // Makes `node` the selection Add Var takes: its leaf attribute, else its data set, else none.
  void Select_Tree_Node(QTreeWidgetItem* node);
  std::string Hint(int column) const;
  // Tree filter, multi-selection and addresses from the SCL file (features beside the editor's
  // original behaviour).
  void Apply_Tree_Filter();
  void Forget_Servers_Extras();
  // For each IED of `file`: its catalog file's name where the catalog holds it already.
  std::vector<std::string> Catalog_Files_Of(const std::string& file,
                                            const std::vector<UIEC_61850_Access::IED_Info>& ieds);
  void Fill_Address_From_Scl(UIEC_61850_Access::Access_State::Added added);
  // Puts the keyboard on the first of the rows Add Var added on the page shown (`first_*`: the
  // first new row of each table, -1 when none was added).
  void Focus_Added_Rows(int first_variable, int first_data_set);
  // Clears the tree filter when the configuration shown is another one than last time.
  void Forget_Filter_Of_Other_Configuration();
  std::string filter_conf_dir_;  // the configuration the tree filter was typed for
  // The bodies of Add Var (rows from the tree selection of server `server`) and Remove Var.
  void Add_Var_Rows(int server);
  // Whether the tree's selection (Selected_IEC_DA or _DS) of server `server` has a row already.
  bool Selection_Has_Row(int server) const;
  void Remove_Var_Row();
  // The history: Record_Step with a name known once the change is done; a step taken back or
  // forth and shown; the texts of Undo and Redo; the end of the history.
  void Record(const std::function<void()>& change, const std::function<std::string()>& name);
  void Apply_Step(const UIEC_61850_Access::Access_Change& change, bool forward);
  void Lay_Out_History();
  void Show_History_Texts();
  void End_History();
  // Rows that no longer fit the servers' SCL files: said once at opening, marked in the tables.
  void Connect_Marks();
  void Connect_Replace();
  void Say_What_No_Longer_Fits(const UIEC_61850_Access::Read_Report& report);

  app::App_Context& ctx_;
  ui::Messages& messages_;
  UIEC_61850_Access::Access_State state_;
  // The server whose tree is shown; null when the tree is empty.
  UIEC_Client_Decode::TIEC_Device* shown_device_ = nullptr;
  // FormShow already ran for the current opening (exec() runs it before the window shows).
  bool shown_ready_ = false;
  bool load_failed_ = false;
  bool choosing_revision_ = false;  // Choose_File asks for a new revision of a server's file
  // The filter's index of the server shown; built when the server is chosen.
  std::unique_ptr<UIEC_61850_Access::Tree_Index> tree_index_;
  // Each server's IP address from its catalog file, read when first needed.
  std::map<const UIEC_Client_Decode::TIEC_Device*, std::optional<std::string>> server_ips_;
  std::string shown_xml_;  // the client file's content for what the opening showed
  int step_depth_ = 0;     // Record calls running
  UIEC_61850_Access::Table_Marks marks_;
  // Each catalog file replaced since the opening, as the opening found it.
  std::vector<UIEC_61850_Access::Catalog_Snapshot> catalog_at_opening_;
};
