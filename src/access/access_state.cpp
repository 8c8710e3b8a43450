#include "access/access_state.h"

#include <algorithm>
#include <cstddef>
#include <stdexcept>
#include <utility>

#include "scl/model_walk.h"
#include "util/text.h"

namespace UIEC_61850_Access {

using UIEC_Client_Decode::TIEC_DO;
using UIEC_Client_Decode::TIEC_Object;

// ---------------------------------------------------------------------------------------------
// Table

Table::Table(int columns) : columns_(columns) { Clear(); }

const std::string& Table::Cell(int row, int column) const {
  return rows_.at(static_cast<size_t>(row)).at(static_cast<size_t>(column));
}

void Table::Set_Cell(int row, int column, std::string text) {
  if (column < 1 || column >= columns_) throw std::out_of_range("Table::Set_Cell column");
  rows_.at(static_cast<size_t>(row))[static_cast<size_t>(column)] = std::move(text);
}

Row Table::Empty_Row(int number) const {
  Row row(static_cast<size_t>(columns_));
  row[0] = std::to_string(number);
  return row;
}

void Table::Clear() {
  rows_.clear();
  rows_.push_back(Empty_Row(1));
}

bool Table::Counts_As_Empty() const { return rows_.size() == 1 && rows_[0][1].empty(); }

int Table::Use_Or_Append() { return Counts_As_Empty() ? 0 : Append(); }

int Table::Append() {
  rows_.push_back(Empty_Row(Row_Count() + 1));
  return Row_Count() - 1;
}

void Table::Remove(int row) {
  if (row < 0 || row >= Row_Count()) return;
  if (rows_.size() == 1) {
    rows_[0] = Empty_Row(1);
    return;
  }
  rows_.erase(rows_.begin() + row);
  Renumber();
}

void Table::Set_Rows(std::vector<Row> rows) {
  if (rows.empty()) throw std::invalid_argument("Table::Set_Rows without a row");
  rows_ = std::move(rows);
}

void Table::Renumber() {
  for (size_t i = 0; i < rows_.size(); ++i) rows_[i][0] = std::to_string(i + 1);
}

// ---------------------------------------------------------------------------------------------
// The objects shown in the editor's tree

bool Device_Has_DataSet(const TIEC_Device& device, const TIEC_DataSet* data_set) {
  if (data_set == nullptr) return false;
  return Find_DataSet(device, [data_set](const TIEC_DataSet& own) { return &own == data_set; }) !=
         nullptr;
}

// ---------------------------------------------------------------------------------------------
// Access_State

Access_State::Access_State() { List_DataSet.resize(1); }

void Access_State::Reset() {
  Clear_Selection();
  DataSet_Row_Select = 0;
  // Records point into the models: drop them before the servers.
  List_DataSet.clear();
  List_DataSet.resize(1);
  ACG_DA.Clear();
  ACG_DataSet.Clear();
  List_IEC_Dev.clear();
}

bool Access_State::Selection_Has_Row(int server) const {
  const std::string index = std::to_string(server);
  auto has = [&index](const Table& table, int index_column, int reference_column,
                      const std::string& reference) {
    if (table.Counts_As_Empty()) return false;
    for (int r = 0; r < table.Row_Count(); ++r)
      if (table.Cell(r, index_column) == index && table.Cell(r, reference_column) == reference)
        return true;
    return false;
  };
  if (Selected_IEC_DA != nullptr)
    return has(ACG_DA, DA_Col::Index, DA_Col::Reference, Selected_IEC_DA->Reference());
  if (Selected_IEC_DS != nullptr)
    return has(ACG_DataSet, DS_Col::Index, DS_Col::Reference, Selected_IEC_DS->Reference());
  return false;
}

void Access_State::Clear_Selection() {
  Selected_IEC_DA = nullptr;
  Selected_IEC_DS = nullptr;
}

void Access_State::Select_Object(TIEC_Object* object) {
  Clear_Selection();
  if (auto* attribute = dynamic_cast<TIEC_DA*>(object)) {
    if (attribute->List_DA.empty()) Selected_IEC_DA = attribute;
  } else {
    Selected_IEC_DS = dynamic_cast<TIEC_DataSet*>(object);
  }
}

Access_State::Added Access_State::Add_Var(int server_index) {
  const std::string index = std::to_string(server_index);
  if (Selected_IEC_DA != nullptr) {
    const TIEC_DA& da = *Selected_IEC_DA;
    const int row = ACG_DA.Use_Or_Append();
    for (int c = 1; c < DA_Col::Count; ++c) ACG_DA.Set_Cell(row, c, "");
    ACG_DA.Set_Cell(row, DA_Col::Index, index);
    ACG_DA.Set_Cell(row, DA_Col::bType, da.bType());
    ACG_DA.Set_Cell(row, DA_Col::fc, da.FC());
    ACG_DA.Set_Cell(row, DA_Col::Reference, da.Reference());
    ACG_DA.Set_Cell(row, DA_Col::OnChange, "N");
    ACG_DA.Set_Cell(row, DA_Col::OnCMD, "N");
    ACG_DA.Set_Cell(row, DA_Col::OnTimer, "N");
    return Added::Variable;
  }
  if (Selected_IEC_DS != nullptr) {
    TIEC_DataSet& ds = *Selected_IEC_DS;
    const int row = ACG_DataSet.Use_Or_Append();
    for (int c = 1; c < DS_Col::Count; ++c) ACG_DataSet.Set_Cell(row, c, "");
    ACG_DataSet.Set_Cell(row, DS_Col::Index, index);
    ACG_DataSet.Set_Cell(row, DS_Col::Reference, ds.Reference());
    ACG_DataSet.Set_Cell(row, DS_Col::GooseName, ds.GooseName());
    ACG_DataSet.Set_Cell(row, DS_Col::EnGoose, ds.GooseName().empty() ? "N" : "Y");
    TDataSet record;
    record.Select_DataSet = &ds;
    for (TIEC_DA* member : ds.List_DA) {
      TDataSet_DA settings;
      settings.Select_DA = member;
      record.List_DAs.push_back(std::move(settings));
    }
    List_DataSet.resize(static_cast<size_t>(ACG_DataSet.Row_Count()));
    List_DataSet[static_cast<size_t>(row)] = std::move(record);
    if (DataSet_Row_Select == row + 1) DataSet_Row_Select = 0;
    return Added::DataSet;
  }
  return Added::Nothing;
}

void Access_State::Remove_Variable_Row(int row) { ACG_DA.Remove(row); }

void Access_State::Remove_DataSet_Row(int row) {
  if (row < 0 || row >= ACG_DataSet.Row_Count()) return;
  if (ACG_DataSet.Row_Count() == 1)
    List_DataSet[0] = TDataSet{};
  else
    List_DataSet.erase(List_DataSet.begin() + row);
  ACG_DataSet.Remove(row);
  DataSet_Row_Select = 0;
}

std::vector<Row> Access_State::Show_DataSet_DAs(int row) {
  DataSet_Row_Select = 0;
  std::vector<Row> rows;
  if (row >= 1 && row <= static_cast<int>(List_DataSet.size())) {
    const TDataSet& record = List_DataSet[static_cast<size_t>(row - 1)];
    for (const TDataSet_DA& member : record.List_DAs) {
      rows.push_back({std::to_string(rows.size() + 1), member.bType(), member.Reference(),
                      member.Position, member.bitAddress, member.conversion, member.multFactor,
                      member.Mnemonic});
    }
    if (!rows.empty()) DataSet_Row_Select = row;
  }
  if (rows.empty()) {
    Row empty(static_cast<size_t>(Var_Col::Count));
    empty[0] = std::to_string(1);
    rows.push_back(std::move(empty));
  }
  return rows;
}

bool Access_State::Store_Member_Text(int member_row, int column, const std::string& text) {
  if (DataSet_Row_Select < 1 || DataSet_Row_Select > static_cast<int>(List_DataSet.size()))
    return false;
  auto& members = List_DataSet[static_cast<size_t>(DataSet_Row_Select - 1)].List_DAs;
  if (member_row < 0 || member_row >= static_cast<int>(members.size())) return false;
  TDataSet_DA& member = members[static_cast<size_t>(member_row)];
  switch (column) {
    case Var_Col::Position:
      member.Position = text;
      break;
    case Var_Col::StartBit:
      member.bitAddress = text;
      break;
    case Var_Col::Convertion:
      member.conversion = text;
      break;
    case Var_Col::MultFact:
      member.multFactor = text;
      break;
    case Var_Col::Mnemonic:
      member.Mnemonic = text;
      break;
    default:
      return false;
  }
  return true;
}

TIEC_DataSet* Access_State::Get_DataSet(int32_t index, const std::string& reference) const {
  if (index < 0 || index >= static_cast<int32_t>(List_IEC_Dev.size())) return nullptr;
  return Find_DataSet(*List_IEC_Dev[static_cast<size_t>(index)], [&](const TIEC_DataSet& data_set) {
    return data_set.Reference() == reference;
  });
}

TIEC_DataSet* Access_State::Get_DataSet_By_Earlier_Reference(int32_t index,
                                                             const std::string& reference) const {
  if (index < 0 || index >= static_cast<int32_t>(List_IEC_Dev.size())) return nullptr;
  return Find_DataSet(*List_IEC_Dev[static_cast<size_t>(index)], [&](const TIEC_DataSet& data_set) {
    return data_set.Earlier_Reference() == reference && data_set.Reference() != reference;
  });
}

std::optional<int> Access_State::Server_Position(const TIEC_Device* device) const {
  for (size_t i = 0; i < List_IEC_Dev.size(); ++i)
    if (List_IEC_Dev[i].get() == device) return static_cast<int>(i);
  return std::nullopt;
}

namespace {

int32_t Index_Of(const Table& table, int row) {
  return util::Str_To_Int_Def(table.Cell(row, 1), -1);
}

// Rows naming a server after the removed one follow it up the list.
void Renumber_After(Table& table, int position) {
  for (int r = 0; r < table.Row_Count(); ++r) {
    const int32_t index = Index_Of(table, r);
    if (index > position) table.Set_Cell(r, 1, std::to_string(index - 1));
  }
}

}  // namespace

bool Access_State::Server_In_Use(int position) const {
  for (int r = 0; r < ACG_DA.Row_Count(); ++r)
    if (Index_Of(ACG_DA, r) == position) return true;
  for (int r = 0; r < ACG_DataSet.Row_Count(); ++r)
    if (Index_Of(ACG_DataSet, r) == position) return true;
  if (position < 0 || position >= static_cast<int>(List_IEC_Dev.size())) return false;
  // A data set row whose "Index" was edited still points into the server it was added from.
  const TIEC_Device& device = *List_IEC_Dev[static_cast<size_t>(position)];
  for (const TDataSet& record : List_DataSet)
    if (Device_Has_DataSet(device, record.Select_DataSet)) return true;
  return false;
}

bool Access_State::Remove_Server(int position) {
  if (position < 0 || position >= static_cast<int>(List_IEC_Dev.size())) return false;
  if (Server_In_Use(position)) return false;
  Clear_Selection();
  List_IEC_Dev.erase(List_IEC_Dev.begin() + position);
  Renumber_After(ACG_DA, position);
  Renumber_After(ACG_DataSet, position);
  return true;
}

// ---------------------------------------------------------------------------------------------
// Fill series

namespace {

bool Is_Digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::optional<std::vector<std::string>> Series_Texts(const std::string& top, size_t count) {
  std::vector<std::string> texts;
  texts.reserve(count);
  if (const std::optional<int32_t> number = util::Str_To_Int(top)) {
    for (size_t k = 0; k < count; ++k)
      texts.push_back(k == 0 ? top : std::to_string(int64_t{*number} + static_cast<int64_t>(k)));
    return texts;
  }
  size_t digits = top.size();
  while (digits > 0 && Is_Digit(top[digits - 1])) --digits;
  const std::string prefix = top.substr(0, digits);
  const std::string number = top.substr(digits);
  // At most 18 digits, so that counting on stays within 64 bits.
  if (prefix.empty() || number.empty() || number.size() > 18) return std::nullopt;
  const char last = prefix.back();
  if ((last == '.' || last == ',') &&
      (prefix.size() == 1 || util::Str_To_Int(prefix.substr(0, prefix.size() - 1))))
    return std::nullopt;  // a decimal number
  const uint64_t start = std::stoull(number);
  if (count > 0) texts.push_back(top);
  for (size_t k = 1; k < count; ++k) {
    std::string counted = std::to_string(start + k);
    if (counted.size() < number.size()) counted.insert(0, number.size() - counted.size(), '0');
    texts.push_back(prefix + counted);
  }
  return texts;
}

// ---------------------------------------------------------------------------------------------
// History

Access_Snapshot Take_Snapshot(const Access_State& state) {
  return {state.ACG_DA.Rows(), state.ACG_DataSet.Rows(), state.List_DataSet, state.List_IEC_Dev};
}

template <class T>
Access_Change::Stretch<T> Access_Change::Between(const std::vector<T>& before,
                                                 const std::vector<T>& after) {
  const size_t shorter = std::min(before.size(), after.size());
  size_t head = 0;
  while (head < shorter && before[head] == after[head]) ++head;
  size_t tail = 0;
  while (tail < shorter - head &&
         before[before.size() - 1 - tail] == after[after.size() - 1 - tail])
    ++tail;
  Stretch<T> stretch;
  stretch.At = head;
  stretch.Before.assign(before.begin() + static_cast<ptrdiff_t>(head),
                        before.end() - static_cast<ptrdiff_t>(tail));
  stretch.After.assign(after.begin() + static_cast<ptrdiff_t>(head),
                       after.end() - static_cast<ptrdiff_t>(tail));
  return stretch;
}

template <class T>
void Access_Change::Put(std::vector<T>& list, const Stretch<T>& stretch, bool forward) {
  const std::vector<T>& out = forward ? stretch.Before : stretch.After;
  const std::vector<T>& in = forward ? stretch.After : stretch.Before;
  // Only a state that is where the step left it: anything else is left alone rather than torn.
  if (stretch.At > list.size() || out.size() > list.size() - stretch.At) return;
  const auto at = list.begin() + static_cast<ptrdiff_t>(stretch.At);
  list.insert(list.erase(at, at + static_cast<ptrdiff_t>(out.size())), in.begin(), in.end());
}

Access_Change::Access_Change(const Access_Snapshot& before, const Access_Snapshot& after)
    : variables_(Between(before.Variables, after.Variables)),
      data_sets_(Between(before.DataSets, after.DataSets)),
      records_(Between(before.Records, after.Records)),
      servers_(Between(before.Servers, after.Servers)) {}

bool Access_Change::Empty() const {
  return variables_.Empty() && data_sets_.Empty() && records_.Empty() && servers_.Empty();
}

void Access_Change::Apply(Access_State& state, bool forward) const {
  auto put_rows = [forward](Table& table, const Stretch<Row>& stretch) {
    if (stretch.Empty()) return;
    std::vector<Row> rows = table.Rows();
    Put(rows, stretch, forward);
    if (!rows.empty()) table.Set_Rows(std::move(rows));
  };
  put_rows(state.ACG_DA, variables_);
  put_rows(state.ACG_DataSet, data_sets_);
  Put(state.List_DataSet, records_, forward);
  Put(state.List_IEC_Dev, servers_, forward);
  state.DataSet_Row_Select = 0;
}

}  // namespace UIEC_61850_Access
