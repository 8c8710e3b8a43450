// What the IEC 61850 access editor holds between two openings: the loaded servers, the tree
// selection, the variable table, the data set table with one record per row, and the member
// table's link to the data set it shows. The window only mirrors this state in its controls;
// every rule about rows, servers and selections lives here.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "scl/scl_model.h"

namespace UIEC_61850_Access {

using UIEC_Client_Decode::TIEC_DA;
using UIEC_Client_Decode::TIEC_DataSet;
using UIEC_Client_Decode::TIEC_Device;
using UIEC_Client_Decode::TIEC_Object;

// Columns of the variable table ACG_DA; column 0 numbers the rows.
namespace DA_Col {
enum : int {
  N,
  Index,
  bType,
  fc,
  Reference,
  IPAddress,
  Port,
  OnChange,
  OnCMD,
  OnTimer,
  Time,
  Position,
  StartBit,
  ReadWrite,
  Convertion,
  MoltFact,
  Mnemonic,
  Count
};
}

// Columns of the data set table ACG_DataSet.
namespace DS_Col {
enum : int { N, Index, Reference, GooseName, EnGoose, IPAddress, Port, Time, Mnemonic, Count };
}

// Columns of the member table ACG_DS_Vars.
namespace Var_Col {
enum : int { N, bType, Reference, Position, StartBit, Convertion, MultFact, Mnemonic, Count };
}

// The settings of one member of a selected data set, as typed or picked in the member table.
struct TDataSet_DA {
  // The member attribute in the model; not owned. Null only for a member of a data set that its
  // server's SCL file no longer has: the member then keeps its stored texts and settings until
  // the user removes the data set row.
  TIEC_DA* Select_DA = nullptr;
  std::string Position;
  std::string bitAddress;
  std::string conversion;
  std::string multFactor;
  std::string Mnemonic;
  // The bType the configuration holds for the member where it is not the attribute's: the
  // attribute's bType changed in a new revision of the SCL file (kept until the next save, which
  // stores the new one), or the member has no attribute. Empty otherwise.
  std::string Stored_bType;
  // The reference of a member without attribute; empty otherwise.
  std::string Stored_Reference;

  const std::string& bType() const { return Select_DA ? Select_DA->bType() : Stored_bType; }
  std::string Reference() const { return Select_DA ? Select_DA->Reference() : Stored_Reference; }
  // The bType the configuration held before its attribute's bType changed; empty when it did not.
  std::string Former_bType() const {
    return Select_DA && Stored_bType != Select_DA->bType() ? Stored_bType : std::string();
  }
  bool operator==(const TDataSet_DA&) const = default;
};

// One selected data set: the row of the data set table at the same position owns it.
struct TDataSet {
  TIEC_DataSet* Select_DataSet = nullptr;  // not owned; null when no loaded server has it
  std::vector<TDataSet_DA> List_DAs;
  bool operator==(const TDataSet&) const = default;
};

using Row = std::vector<std::string>;

// The data rows of one table (the header row is not kept). Cell 0 of every row holds the row's
// number, 1 for the first; there is always at least one row, and a table holding nothing has
// exactly one row with every other cell empty.
class Table {
 public:
  explicit Table(int columns);

  int Columns() const { return columns_; }
  int Row_Count() const { return static_cast<int>(rows_.size()); }
  const Row& Get_Row(int row) const { return rows_.at(static_cast<size_t>(row)); }
  const std::string& Cell(int row, int column) const;
  // Column 0 is the row number and cannot be set.
  void Set_Cell(int row, int column, std::string text);

  // Back to one empty row.
  void Clear();
  // True when the table holds nothing: one row and its "Index" (column 1) empty.
  bool Counts_As_Empty() const;
  // Where a new selection goes: the one row of an empty-looking table, otherwise a new last row.
  int Use_Or_Append();
  int Append();
  // Deletes `row`, moving the rows below up; the only row is emptied instead. Out of range:
  // nothing happens.
  void Remove(int row);

  // Every row, and the rows back from an earlier Rows() (a table is never left without one).
  const std::vector<Row>& Rows() const { return rows_; }
  void Set_Rows(std::vector<Row> rows);

 private:
  void Renumber();
  Row Empty_Row(int number) const;

  int columns_;
  std::vector<Row> rows_;
};

// The state of the access editor (rows are counted from 0 here; the user sees them from 1).
struct Access_State {
  Access_State();
  Access_State(Access_State&&) = default;
  Access_State& operator=(Access_State&&) = default;

  // Shared, so that a step of the editor's history can keep a server it removed or added
  // alive: rows and records point into the models.
  std::vector<std::shared_ptr<TIEC_Device>> List_IEC_Dev;
  TIEC_DA* Selected_IEC_DA = nullptr;       // a leaf attribute of the server shown in the tree
  TIEC_DataSet* Selected_IEC_DS = nullptr;  // a data set of the server shown in the tree

  Table ACG_DA{DA_Col::Count};
  Table ACG_DataSet{DS_Col::Count};
  // Entry k belongs to row k of ACG_DataSet; there are always exactly as many records as rows
  // (the empty row of an empty table has an empty record).
  std::vector<TDataSet> List_DataSet;
  // The data set row (from 1) whose members the member table shows; 0 when it shows none.
  int DataSet_Row_Select = 0;

  // Destroys every server and record and empties the tables.
  void Reset();
  void Clear_Selection();
  // Makes `object` (what a node of the tree shows; null for none) the selection Add Var takes:
  // a leaf attribute, else a data set; anything else (a structured attribute, a data object,
  // ...) selects nothing.
  void Select_Object(TIEC_Object* object);

  enum class Added { Nothing, Variable, DataSet };
  // Turns the tree selection into a row; `server_index` is the position of the server whose
  // tree the selection was made in.
  Added Add_Var(int server_index);
  // Whether the selection of the tree of server `server` has a row already: the same server and
  // reference, where a second row would only read or write the same value again.
  bool Selection_Has_Row(int server) const;
  void Remove_Variable_Row(int row);
  void Remove_DataSet_Row(int row);

  // Rows of the member table for data set row `row` (from 1), and remembers that row as the
  // one whose members are shown. One empty row when the row has no members.
  std::vector<Row> Show_DataSet_DAs(int row);
  // Stores an edit of member-table cell (member_row from 0, column 3..7) into the shown record.
  bool Store_Member_Text(int member_row, int column, const std::string& text);

  // The data set with `reference` in server `index`, or null.
  TIEC_DataSet* Get_DataSet(int32_t index, const std::string& reference) const;
  // The first data set of a node other than LLN0 in server `index` that earlier versions named
  // `reference` (by its node's class alone), or null.
  TIEC_DataSet* Get_DataSet_By_Earlier_Reference(int32_t index, const std::string& reference) const;

  // Position of `device` in List_IEC_Dev; none when the list does not hold it.
  std::optional<int> Server_Position(const TIEC_Device* device) const;
  // True when a variable row or a data set row names server `position` by its "Index", or a
  // data set record points into its model.
  bool Server_In_Use(int position) const;
  // Removes server `position` unless it is in use (then false and nothing changes). Rows naming
  // later servers are renumbered; the tree selection is cleared.
  bool Remove_Server(int position);
};

// Fill series: the texts of `count` cells counting up by one from `top` (the first is `top`
// itself). An integer (the integer text rule, so hexadecimal too) counts in decimal; a text
// ending in digits counts its digits and keeps its leading zeros ("P07", "P08", ... "P10"),
// unless what comes before them is a number and a decimal separator ("1.5" is no series). No
// value for any other text, an empty one included.
std::optional<std::vector<std::string>> Series_Texts(const std::string& top, size_t count);

// The editable part of the editor's state at one moment: the rows of both tables, the data set
// records and the server list.
struct Access_Snapshot {
  std::vector<Row> Variables;
  std::vector<Row> DataSets;
  std::vector<TDataSet> Records;
  std::vector<std::shared_ptr<TIEC_Device>> Servers;
};
Access_Snapshot Take_Snapshot(const Access_State& state);

// One step of the editor's history: of each list, only the stretch that differs between the
// state before and after it (a typed cell keeps one row of each, not the whole table). It holds
// the servers it names, so a server the step removed, or added and then undone, stays alive as
// long as the step: records of the step point into its model.
class Access_Change {
 public:
  Access_Change(const Access_Snapshot& before, const Access_Snapshot& after);
  bool Empty() const;
  bool Changes_Servers() const { return !servers_.Empty(); }
  // From the state after the step back to the one before it, and forth again. The member table
  // shows no data set afterwards (DataSet_Row_Select 0); the tree selection is the caller's.
  void Undo(Access_State& state) const { Apply(state, false); }
  void Redo(Access_State& state) const { Apply(state, true); }

 private:
  template <class T>
  struct Stretch {
    size_t At = 0;
    std::vector<T> Before, After;
    bool Empty() const { return Before.empty() && After.empty(); }
  };
  template <class T>
  static Stretch<T> Between(const std::vector<T>& before, const std::vector<T>& after);
  template <class T>
  static void Put(std::vector<T>& list, const Stretch<T>& stretch, bool forward);
  void Apply(Access_State& state, bool forward) const;

  Stretch<Row> variables_, data_sets_;
  Stretch<TDataSet> records_;
  Stretch<std::shared_ptr<TIEC_Device>> servers_;
};

// True when `data_set` belongs to `device`.
bool Device_Has_DataSet(const TIEC_Device& device, const TIEC_DataSet* data_set);

}  // namespace UIEC_61850_Access
