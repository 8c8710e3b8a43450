#include "access/data_map.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <map>
#include <set>
#include <stdexcept>
#include <tuple>

#include "access/access_check.h"
#include "access/access_strings.h"
#include "access/client_file.h"
#include "util/files.h"
#include "util/text.h"
#include "util/utf.h"

namespace UIEC_61850_Access {

using namespace access_strings;

namespace {

// ---------------------------------------------------------------------------------------------
// Entries from the editor's state

Map_Entry Variable_Entry(const Row& row, int number) {
  Map_Entry e;
  e.Kind = Map_Kind::Variable;
  e.Row = number;
  e.Index = row[DA_Col::Index];
  e.Reference = row[DA_Col::Reference];
  e.bType = row[DA_Col::bType];
  e.fc = row[DA_Col::fc];
  e.Position_Text = row[DA_Col::Position];
  e.StartBit_Text = row[DA_Col::StartBit];
  e.ReadWrite = row[DA_Col::ReadWrite];
  e.Conversion = row[DA_Col::Convertion];
  e.Factor = row[DA_Col::MoltFact];
  e.Mnemonic = row[DA_Col::Mnemonic];
  e.IPAddress = row[DA_Col::IPAddress];
  e.Port = row[DA_Col::Port];
  return e;
}

// A member takes its server, address and port from its data set row.
Map_Entry Member_Entry(const Row& data_set, int row_number, int member_number) {
  Map_Entry e;
  e.Kind = Map_Kind::Member;
  e.Row = row_number;
  e.Member = member_number;
  e.Index = data_set[DS_Col::Index];
  e.DataSet_Reference = data_set[DS_Col::Reference];
  e.IPAddress = data_set[DS_Col::IPAddress];
  e.Port = data_set[DS_Col::Port];
  return e;
}

// ---------------------------------------------------------------------------------------------
// Access to one entry of the editor's state

// The variable row (from 0) or the member record an entry names; null members when it names
// nothing.
struct Target {
  int Variable_Row = -1;
  TDataSet_DA* Member = nullptr;
  bool Valid() const { return Variable_Row >= 0 || Member != nullptr; }
};

Target Find_Target(Access_State& state, const Entry_Ref& ref) {
  Target t;
  if (ref.Kind == Map_Kind::Variable) {
    if (ref.Row >= 1 && ref.Row <= state.ACG_DA.Row_Count() &&
        !state.ACG_DA.Cell(ref.Row - 1, DA_Col::bType).empty())
      t.Variable_Row = ref.Row - 1;
  } else if (!state.ACG_DataSet.Counts_As_Empty() && ref.Row >= 1 &&
             ref.Row <= static_cast<int>(state.List_DataSet.size())) {
    auto& members = state.List_DataSet[static_cast<size_t>(ref.Row - 1)].List_DAs;
    if (ref.Member >= 1 && ref.Member <= static_cast<int>(members.size()))
      t.Member = &members[static_cast<size_t>(ref.Member - 1)];
  }
  return t;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

Data_Map Finish_Data_Map(std::vector<Map_Entry> entries) {
  Data_Map map;
  map.Entries = std::move(entries);
  std::map<std::pair<int, int32_t>, std::vector<size_t>> places;
  std::set<int> used;
  for (size_t i = 0; i < map.Entries.size(); ++i) {
    Map_Entry& e = map.Entries[i];
    const std::optional<int32_t> position = util::Str_To_Int(e.Position_Text);
    e.Position.reset();
    if (position && *position >= 0 && *position < Data_Map_Size) e.Position = position;
    e.Start_Bit = util::Str_To_Int_Def(e.StartBit_Text, 0);
    if (!e.Placed()) {
      map.Unplaced.push_back(i);
      continue;
    }
    places[{*e.Position, e.Start_Bit}].push_back(i);
    used.insert(*e.Position);
  }
  for (auto& [place, list] : places)
    if (list.size() > 1) map.Conflicts.push_back({place.first, place.second, list});
  map.Used = static_cast<int>(used.size());
  return map;
}

Data_Map Build_Data_Map(const Access_State& state) {
  std::vector<Map_Entry> entries;
  for (int r = 0; r < state.ACG_DA.Row_Count(); ++r) {
    const Row& row = state.ACG_DA.Get_Row(r);
    if (!row[DA_Col::bType].empty()) entries.push_back(Variable_Entry(row, r + 1));
  }
  if (!state.ACG_DataSet.Counts_As_Empty()) {
    const int rows =
        std::min(state.ACG_DataSet.Row_Count(), static_cast<int>(state.List_DataSet.size()));
    for (int r = 0; r < rows; ++r) {
      const auto& members = state.List_DataSet[static_cast<size_t>(r)].List_DAs;
      for (size_t k = 0; k < members.size(); ++k) {
        const TDataSet_DA& m = members[k];
        Map_Entry e = Member_Entry(state.ACG_DataSet.Get_Row(r), r + 1, static_cast<int>(k + 1));
        e.Reference = m.Reference();
        e.bType = m.bType();
        e.Position_Text = m.Position;
        e.StartBit_Text = m.bitAddress;
        e.Conversion = m.conversion;
        e.Factor = m.multFactor;
        e.Mnemonic = m.Mnemonic;
        entries.push_back(std::move(e));
      }
    }
  }
  return Finish_Data_Map(std::move(entries));
}

Data_Map Data_Map_Of(const Client_File_Data& data) {
  std::vector<Map_Entry> entries;
  for (size_t i = 0; i < data.Variables.size(); ++i) {
    const Client_Variable& variable = data.Variables[i];
    if (!variable[DA_Col::bType].empty())
      entries.push_back(Variable_Entry(Row(variable.Texts.begin(), variable.Texts.end()),
                                       static_cast<int>(i + 1)));
  }
  for (size_t r = 0; r < data.Data_Sets.size(); ++r) {
    const Client_Data_Set& data_set = data.Data_Sets[r];
    const Row row(data_set.Texts.begin(), data_set.Texts.end());
    for (size_t k = 0; k < data_set.Members.size(); ++k) {
      const Client_Member& member = data_set.Members[k];
      Map_Entry e = Member_Entry(row, static_cast<int>(r + 1), static_cast<int>(k + 1));
      e.bType = member[Var_Col::bType];
      e.Reference = member[Var_Col::Reference];
      e.Position_Text = member[Var_Col::Position];
      e.StartBit_Text = member[Var_Col::StartBit];
      e.Conversion = member[Var_Col::Convertion];
      e.Factor = member[Var_Col::MultFact];
      e.Mnemonic = member[Var_Col::Mnemonic];
      entries.push_back(std::move(e));
    }
  }
  return Finish_Data_Map(std::move(entries));
}

Data_Map Data_Map_From_Xml(const std::string& xml, const std::string& name,
                           const lang::Lang_Strings& texts) {
  return Data_Map_Of(Read_Client_Data(xml, name, Client_Reading::Map, texts));
}

Data_Map Read_Data_Map(const std::string& path, const lang::Lang_Strings& texts) {
  return Data_Map_From_Xml(util::Read_File(path), path, texts);
}

const char* Kind_Text(Map_Kind kind) {
  return kind == Map_Kind::Variable ? Kind_Variable : Kind_Member;
}

std::string Entry_Name(const Map_Entry& entry, const lang::Lang_Strings& strings) {
  if (entry.Kind == Map_Kind::Variable) return strings[Text_Entry_Row] + std::to_string(entry.Row);
  return strings[Text_Entry_DataSet] + std::to_string(entry.Row) + strings[Text_Entry_Member] +
         std::to_string(entry.Member);
}

std::string Conflict_Line(const Data_Map& map, const Map_Conflict& conflict,
                          const lang::Lang_Strings& strings) {
  std::string line = strings[Text_Conflict_Position] + std::to_string(conflict.Position) +
                     strings[Text_Conflict_Bit] + std::to_string(conflict.Start_Bit) + ":";
  for (size_t i = 0; i < conflict.Entries.size(); ++i)
    line += (i == 0 ? " " : ", ") + Entry_Name(map.Entries[conflict.Entries[i]], strings);
  return line;
}

std::string Conflict_List(const Data_Map& map, const lang::Lang_Strings& strings, size_t limit) {
  std::string text;
  const size_t shown = std::min(limit, map.Conflicts.size());
  for (size_t i = 0; i < shown; ++i) text += Conflict_Line(map, map.Conflicts[i], strings) + "\n";
  if (map.Conflicts.size() > shown)
    text += strings[Text_More_Conflicts] + std::to_string(map.Conflicts.size() - shown) + "\n";
  return text;
}

std::vector<size_t> Map_Display_Order(const Data_Map& map) {
  std::vector<size_t> order(map.Entries.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    const Map_Entry& x = map.Entries[a];
    const Map_Entry& y = map.Entries[b];
    if (x.Placed() != y.Placed()) return x.Placed();
    if (!x.Placed()) return false;
    if (*x.Position != *y.Position) return *x.Position < *y.Position;
    return x.Start_Bit < y.Start_Bit;
  });
  return order;
}

int Lowest_Free_Position(const Data_Map& map) {
  std::vector<bool> used(Data_Map_Size, false);
  for (const Map_Entry& e : map.Entries)
    if (e.Placed()) used[static_cast<size_t>(*e.Position)] = true;
  const auto free = std::find(used.begin(), used.end(), false);
  return free == used.end() ? -1 : static_cast<int>(free - used.begin());
}

Auto_Position_Result Auto_Position(Access_State& state, const std::vector<Entry_Ref>& targets,
                                   int first) {
  const Data_Map map = Build_Data_Map(state);
  std::vector<bool> used(Data_Map_Size, false);
  for (const Map_Entry& e : map.Entries)
    if (e.Placed()) used[static_cast<size_t>(*e.Position)] = true;
  Auto_Position_Result result;
  size_t next = static_cast<size_t>(std::clamp(first, 0, Data_Map_Size));
  std::vector<Entry_Ref> done;
  for (const Entry_Ref& ref : targets) {
    if (std::find(done.begin(), done.end(), ref) != done.end()) continue;
    done.push_back(ref);
    const Target target = Find_Target(state, ref);
    if (!target.Valid()) continue;
    const std::string& position = target.Member != nullptr
                                      ? target.Member->Position
                                      : state.ACG_DA.Cell(target.Variable_Row, DA_Col::Position);
    if (!util::Trim(position).empty()) continue;
    while (next < used.size() && used[next]) ++next;
    if (next == used.size()) {
      ++result.No_Room;
      continue;
    }
    used[next] = true;
    if (target.Member != nullptr) {
      target.Member->Position = std::to_string(next);
      target.Member->bitAddress = "0";
    } else {
      state.ACG_DA.Set_Cell(target.Variable_Row, DA_Col::Position, std::to_string(next));
      state.ACG_DA.Set_Cell(target.Variable_Row, DA_Col::StartBit, "0");
    }
    ++result.Assigned;
  }
  return result;
}

void Apply_Data_Map_Edits(const Data_Map_Edits& edits, Access_State& state) {
  auto set = [](std::string& target, const std::string& value) {
    if (!value.empty()) target = value;
  };
  for (const Data_Map_Edits::Line& line : edits.Lines) {
    const Target target = Find_Target(state, line.Entry);
    if (target.Member != nullptr) {
      TDataSet_DA& m = *target.Member;
      set(m.Position, line.Position);
      set(m.bitAddress, line.Start_Bit);
      set(m.conversion, line.Conversion);
      set(m.multFactor, line.Factor);
      set(m.Mnemonic, line.Mnemonic);
    } else if (target.Variable_Row >= 0) {
      const int t = target.Variable_Row;
      const std::pair<const std::string*, int> cells[] = {
          {&line.Position, DA_Col::Position},    {&line.Start_Bit, DA_Col::StartBit},
          {&line.Read_Write, DA_Col::ReadWrite}, {&line.Conversion, DA_Col::Convertion},
          {&line.Factor, DA_Col::MoltFact},      {&line.Mnemonic, DA_Col::Mnemonic}};
      for (const auto& [value, cell_column] : cells)
        if (!value->empty()) state.ACG_DA.Set_Cell(t, cell_column, *value);
    }
  }
}

}  // namespace UIEC_61850_Access
