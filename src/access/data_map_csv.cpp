#include <algorithm>
#include <array>
#include <cctype>
#include <map>
#include <set>
#include <stdexcept>
#include <tuple>

#include "access/access_check.h"
#include "access/access_strings.h"
#include "access/data_map.h"
#include "util/files.h"
#include "util/text.h"
#include "util/utf.h"

// The data map as a CSV file: written for a spreadsheet, read back with the lines it could not
// apply reported.

namespace UIEC_61850_Access {

using namespace access_strings;

namespace {

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
