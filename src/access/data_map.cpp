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

// ---------------------------------------------------------------------------------------------
// CSV

constexpr std::string_view Bom = "\xEF\xBB\xBF";

enum Csv_Col {
  C_Kind,
  C_Row,
  C_Member,
  C_Index,
  C_DataSet,
  C_Reference,
  C_bType,
  C_fc,
  C_Position,
  C_StartBit,
  C_ReadWrite,
  C_Conversion,
  C_Factor,
  C_Mnemonic,
  C_IPAddress,
  C_Port,
  C_Count
};

// The file's headers: words of its format, the same in every language, since a file written in
// one language is read in another and the columns are found by these words.
const std::array<const char*, C_Count> Csv_Headers = {
    "Kind",      "Row",      "Member",     "Index",     "Data Set", "Reference",
    "bType",     "fc",       "Position",   "Start Bit", "R/W",      "Convertion",
    "Molt Fact", "Mnemonic", "IP Address", "Port"};

// A decimal number as a spreadsheet reads one: sign, digits with a point or comma, exponent.
bool Is_Number(std::string_view text) {
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  size_t digits = 0;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, ++digits;
  if (i < text.size() && (text[i] == '.' || text[i] == ',')) {
    ++i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    size_t exponent = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, ++exponent;
    if (exponent == 0) return false;
  }
  return i == text.size();
}

// Whether a cell's text gets a leading apostrophe in the file: a text a spreadsheet would run as
// a formula (util::Starts_As_Formula), one starting with a tab or CR, and one starting with an
// apostrophe, which spreadsheets hide. Numbers ("-1.5") stay as they are.
bool Needs_Apostrophe(std::string_view text) {
  if (text.empty() || Is_Number(text)) return false;
  return text.front() == '\'' || text.front() == '\t' || text.front() == '\r' ||
         util::Starts_As_Formula(text);
}

// A cell's text as written to the file: the apostrophe shows the text as text in a spreadsheet,
// and the import removes it again.
std::string Csv_Text(const std::string& text) { return Needs_Apostrophe(text) ? "'" + text : text; }

// The reverse of Csv_Text for a field read from a file: exactly the apostrophe it added goes.
std::string From_Csv_Text(std::string field) {
  if (!field.empty() && field.front() == '\'' &&
      Needs_Apostrophe(std::string_view(field).substr(1)))
    field.erase(0, 1);
  return field;
}

std::string Csv_Field(const std::string& cell) {
  const std::string text = Csv_Text(cell);
  if (text.find_first_of(",;\"\r\n") == std::string::npos && !text.empty() && text.front() != ' ' &&
      text.back() != ' ')
    return text;
  if (text.empty()) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}

// A text from the file in quotes, cut to Import_Quote_Limit characters so that a report stays
// short whatever the file holds.
std::string Quote(const std::string& text) {
  size_t end = 0;
  size_t characters = 0;
  while (end < text.size() && characters < Import_Quote_Limit) {
    ++end;
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
    ++characters;
  }
  return "\"" + text.substr(0, end) + (end < text.size() ? "\u2026" : "") + "\"";
}

template <size_t N>
std::string List_Text(const std::array<const char*, N>& texts) {
  std::string list;
  for (const char* t : texts) list += (list.empty() ? "" : ", ") + std::string(t);
  return list;
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

// ---------------------------------------------------------------------------------------------
// CSV

std::string Data_Map_Csv(const Data_Map& map) {
  std::string csv(Bom);
  auto add_line = [&csv](const std::array<std::string, C_Count>& fields) {
    for (size_t c = 0; c < fields.size(); ++c) {
      if (c > 0) csv += ',';
      csv += Csv_Field(fields[c]);
    }
    csv += "\r\n";
  };
  std::array<std::string, C_Count> header;
  for (size_t c = 0; c < header.size(); ++c) header[c] = Csv_Headers[c];
  add_line(header);
  for (const Map_Entry& e : map.Entries) {
    const bool member = e.Kind == Map_Kind::Member;
    add_line({Kind_Text(e.Kind), std::to_string(e.Row), member ? std::to_string(e.Member) : "",
              e.Index, e.DataSet_Reference, e.Reference, e.bType, e.fc, e.Position_Text,
              e.StartBit_Text, e.ReadWrite, e.Conversion, e.Factor, e.Mnemonic, e.IPAddress,
              e.Port});
  }
  return csv;
}

std::vector<Csv_Record> Parse_Csv(const std::string& text, char separator) {
  std::vector<Csv_Record> records;
  size_t i = util::Starts_With(text, Bom) ? Bom.size() : 0;
  int line = 1;
  while (i < text.size()) {
    Csv_Record record;
    record.Line = line;
    std::string field;
    bool quoted = false;      // inside a quoted field
    bool was_quoted = false;  // the field began with a quote
    bool end = false;
    while (!end) {
      if (i >= text.size()) break;
      const char c = text[i++];
      if (quoted) {
        if (c == '"') {
          if (i < text.size() && text[i] == '"') {
            field += '"';
            ++i;
          } else {
            quoted = false;
          }
        } else {
          if (c == '\n') ++line;
          field += c;
        }
      } else if (c == '"' && field.empty() && !was_quoted) {
        quoted = was_quoted = true;
      } else if (c == separator) {
        record.Fields.push_back(std::move(field));
        field.clear();
        was_quoted = false;
      } else if (c == '\r' && i < text.size() && text[i] == '\n') {
        // CRLF ends the record at the LF.
      } else if (c == '\n' || c == '\r') {
        ++line;
        end = true;
      } else {
        field += c;
      }
    }
    record.Fields.push_back(std::move(field));
    records.push_back(std::move(record));
  }
  return records;
}

char Guess_Csv_Separator(const std::string& text) {
  size_t commas = 0, semicolons = 0;
  bool quoted = false;
  for (size_t i = util::Starts_With(text, Bom) ? Bom.size() : 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    if (c == '\n' || c == '\r') break;
    if (c == ',') ++commas;
    if (c == ';') ++semicolons;
  }
  return semicolons > commas ? ';' : ',';
}

Data_Map_Edits Read_Data_Map_Csv(const std::string& bytes, const Access_State& state,
                                 char separator, const lang::Lang_Strings& strings,
                                 util::Progress* progress) {
  Data_Map_Edits edits;
  Import_Report& report = edits.Report;
  util::Start(progress, Text_Reading_Data_Map, 0);
  // Spreadsheets save CSV as UTF-8 (with or without a byte-order mark), UTF-16 or the Windows
  // code page; the tables hold UTF-8.
  const std::string text = util::Decode_Text_File(bytes);
  // A first line "sep=;" names the separator, as some spreadsheets write it.
  const std::string body = util::Starts_With(text, Bom) ? text.substr(Bom.size()) : text;
  const bool named_separator = body.size() >= 5 && util::Starts_With(body, "sep=") &&
                               (body.size() == 5 || body[5] == '\r' || body[5] == '\n');
  std::vector<Csv_Record> records =
      Parse_Csv(text, named_separator ? body[4] : Guess_Csv_Separator(text));
  if (named_separator && !records.empty()) records.erase(records.begin());
  util::Poll(progress);
  if (progress) progress->Set_Total(records.size());
  // Columns are found by their header, so a spreadsheet may reorder or drop them.
  std::array<int, C_Count> column;
  column.fill(-1);
  if (!records.empty())
    for (size_t f = 0; f < records[0].Fields.size(); ++f)
      for (size_t c = 0; c < C_Count; ++c)
        if (util::Trim(records[0].Fields[f]) == Csv_Headers[c] && column[c] < 0)
          column[c] = static_cast<int>(f);
  if (column[C_Kind] < 0) throw std::runtime_error(strings[Text_Import_No_Kind_Column]);

  const Data_Map map = Build_Data_Map(state);
  std::vector<bool> taken(map.Entries.size(), false);  // matched by an earlier line
  // Entries by what a line names them with: a variable by index and reference, a member by index
  // and data set reference; so a long file against a large map takes no quadratic time.
  std::map<std::tuple<Map_Kind, std::string, std::string>, std::vector<size_t>> by_name;
  for (size_t i = 0; i < map.Entries.size(); ++i) {
    const Map_Entry& e = map.Entries[i];
    by_name[{e.Kind, util::Trim(e.Index),
             e.Kind == Map_Kind::Variable ? e.Reference : e.DataSet_Reference}]
        .push_back(i);
  }
  auto named = [&by_name](Map_Kind kind, const std::string& index,
                          const std::string& name) -> const std::vector<size_t>& {
    static const std::vector<size_t> none;
    const auto found = by_name.find({kind, index, name});
    return found == by_name.end() ? none : found->second;
  };

  for (size_t r = 1; r < records.size(); ++r) {
    util::Advance(progress);
    const Csv_Record& record = records[r];
    auto field = [&](int c) -> std::string {
      const int f = column[static_cast<size_t>(c)];
      return f >= 0 && static_cast<size_t>(f) < record.Fields.size()
                 ? From_Csv_Text(record.Fields[static_cast<size_t>(f)])
                 : std::string();
    };
    const bool blank = std::all_of(record.Fields.begin(), record.Fields.end(),
                                   [](const std::string& f) { return util::Trim(f).empty(); });
    if (blank) continue;
    auto problem = [&](const std::string& why) {
      if (report.Problems.size() < Import_Report_Lines)
        report.Problems.push_back(strings[Text_Import_Line] + std::to_string(record.Line) + ": " +
                                  why);
      else
        ++report.Problems_Not_Listed;
    };

    const std::string kind = util::Trim(field(C_Kind));
    const std::string index = util::Trim(field(C_Index));
    const std::string reference = field(C_Reference);
    const int32_t row = util::Str_To_Int_Def(util::Trim(field(C_Row)), 0);
    // The entries the line may name, and what to report when it names none of them.
    std::vector<size_t> candidates;
    std::string not_found;
    if (kind == Kind_Variable) {
      candidates = named(Map_Kind::Variable, index, reference);
      not_found = strings[Text_Import_No_Variable] + Quote(index) +
                  strings[Text_Import_And_Reference] + Quote(reference);
    } else if (kind == Kind_Member) {
      const std::string data_set = field(C_DataSet);
      const int32_t member = util::Str_To_Int_Def(util::Trim(field(C_Member)), 0);
      const std::vector<size_t>& members = named(Map_Kind::Member, index, data_set);
      for (size_t i : members) {
        const Map_Entry& e = map.Entries[i];
        if (e.Member == member && (reference.empty() || e.Reference == reference))
          candidates.push_back(i);
      }
      if (members.empty())
        not_found = strings[Text_Import_No_DataSet] + Quote(index) +
                    strings[Text_Import_And_Reference] + Quote(data_set);
      else
        not_found = strings[Text_Import_Bad_Member] + Quote(field(C_Member)) +
                    (reference.empty() ? std::string()
                                       : strings[Text_Import_Member_Differs] + Quote(reference));
    } else {
      problem(strings[Text_Import_Bad_Kind] + Quote(kind));
      continue;
    }
    // A candidate on the line's row goes first; otherwise the first one not yet taken.
    std::optional<size_t> match;
    for (size_t i : candidates)
      if (map.Entries[i].Row == row && !taken[i]) match = i;
    for (size_t i : candidates)
      if (!match && !taken[i]) match = i;
    if (!match) {
      problem(candidates.empty() ? not_found : strings[Text_Import_Already_Taken]);
      continue;
    }

    const Map_Entry& entry = map.Entries[*match];
    const bool variable = entry.Kind == Map_Kind::Variable;
    // The values the line sets: blanks around them dropped, an empty cell leaves the entry's
    // value as it is, and each is checked as OK checks it.
    std::string position = util::Trim(field(C_Position));
    std::string start_bit = util::Trim(field(C_StartBit));
    std::string read_write = variable ? util::Trim(field(C_ReadWrite)) : std::string();
    std::string conversion = util::Trim(field(C_Conversion));
    std::string factor = util::Trim(field(C_Factor));
    const std::string mnemonic = field(C_Mnemonic);
    std::string why;
    auto refuse = [&why](const char* header, const std::string& value, const std::string& reason) {
      why += (why.empty() ? "" : "; ") + std::string(header) + " " + Quote(value) + reason;
    };
    // The file's own column names say which values were refused.
    if (!position.empty() && !Position_Ok(position))
      refuse(Csv_Headers[C_Position], position,
             strings[Text_Import_Bad_Position] + std::to_string(Max_Position));
    if (!start_bit.empty() && !Start_Bit_Ok(start_bit))
      refuse(Csv_Headers[C_StartBit], start_bit,
             strings[Text_Import_Not_In_List] + List_Text(Start_Bit_Texts));
    if (!read_write.empty() && !ReadWrite_Ok(read_write))
      refuse(Csv_Headers[C_ReadWrite], read_write,
             strings[Text_Import_Not_In_List] + List_Text(ReadWrite_Texts));
    if (!conversion.empty() && !Conversion_Ok(conversion))
      refuse(Csv_Headers[C_Conversion], conversion,
             strings[Text_Import_Not_In_List] + List_Text(Conversion_Texts));
    if (!factor.empty() && !Factor_Ok(factor, separator))
      refuse(Csv_Headers[C_Factor], factor, strings[Text_Import_Bad_Factor]);
    if (!why.empty()) {
      problem(why);
      continue;
    }

    taken[*match] = true;
    edits.Lines.push_back({Ref_Of(entry), std::move(position), std::move(start_bit),
                           std::move(read_write), std::move(conversion), std::move(factor),
                           mnemonic});
    ++report.Updated;
  }
  return edits;
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

Import_Report Import_Data_Map_Csv(const std::string& bytes, Access_State& state, char separator,
                                  const lang::Lang_Strings& strings) {
  Data_Map_Edits edits = Read_Data_Map_Csv(bytes, state, separator, strings);
  Apply_Data_Map_Edits(edits, state);
  return std::move(edits.Report);
}

std::string Import_Report_Text(const Import_Report& report, const lang::Lang_Strings& strings) {
  if (report.Problems.empty()) return {};
  std::string text = strings[Text_Import_Not_Taken] + "\n";
  for (const std::string& problem : report.Problems) text += problem + "\n";
  if (report.Problems_Not_Listed > 0)
    text += strings[Text_Import_More] + std::to_string(report.Problems_Not_Listed) + "\n";
  return text;
}

}  // namespace UIEC_61850_Access
