// The gateway's data map: where every selected variable and data set member lands in the
// internal data array that the Modbus TCP side serves, which places are taken twice, and which
// entries have no usable place. Built from the access editor's state or from
// IEC_61850_Client.xml as its one reader gives it (the image build reads the same data), so the
// editor, the Update step and the command line all see the same map. Also the map as CSV for the
// engineer's spreadsheet, and the import of such a file back into the editor's state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "access/access_state.h"
#include "access/client_file.h"
#include "text/lang_strings.h"
#include "util/progress.h"

namespace UIEC_61850_Access {

// Places of the internal data array: positions 0 to Data_Map_Size - 1.
inline constexpr int Data_Map_Size = 1400;

enum class Map_Kind { Variable, Member };
// The kind as the map's CSV file and the command line's JSON write it: words of those formats,
// the same in every language.
inline constexpr char Kind_Variable[] = "variable";
inline constexpr char Kind_Member[] = "member";
const char* Kind_Text(Map_Kind kind);

// One variable row or one data set member. Texts are as they stand in the table or the file.
struct Map_Entry {
  Map_Kind Kind = Map_Kind::Variable;
  int Row = 0;                    // the variable's row, or the member's data set row, from 1
  int Member = 0;                 // the member's number from 1; 0 for a variable
  std::string Index;              // server index (a member: its data set's)
  std::string DataSet_Reference;  // a member's data set; empty for a variable
  std::string Reference;
  std::string bType;
  std::string fc;  // empty for a member
  std::string Position_Text;
  std::string StartBit_Text;
  std::string ReadWrite;  // empty for a member
  std::string Conversion;
  std::string Factor;
  std::string Mnemonic;
  std::string IPAddress;  // a member: its data set's
  std::string Port;       // a member: its data set's

  // The position read by the integer text rule when it lies in 0..Data_Map_Size - 1.
  std::optional<int> Position;
  // The start bit read by the integer text rule; 0 when it is not an integer.
  int32_t Start_Bit = 0;

  bool Placed() const { return Position.has_value(); }
};

// Two or more placed entries on the same position and start bit.
struct Map_Conflict {
  int Position = 0;
  int32_t Start_Bit = 0;
  std::vector<size_t> Entries;  // indices into Data_Map::Entries, ascending
};

struct Data_Map {
  // Variables in row order, then members in data set order and member order.
  std::vector<Map_Entry> Entries;
  // Sorted by position, then start bit.
  std::vector<Map_Conflict> Conflicts;
  // Indices of the entries without a usable position, ascending.
  std::vector<size_t> Unplaced;
  // Distinct positions taken by placed entries.
  int Used = 0;
  int Free() const { return Data_Map_Size - Used; }
};

// The map of what the editor holds: every variable row with a bType (rows without one are not
// checked on OK either) and every member record of every data set row.
Data_Map Build_Data_Map(const Access_State& state);

// The map of a client file's data, as the one reader gives it (Client_Reading::Map: a missing
// attribute reads as empty).
Data_Map Data_Map_Of(const Client_File_Data& data);
// The map of a client file's text. Throws Client_File_Error (in the words of `texts`) for text
// that is not well-formed and when the root or the variable list is missing; `name` names the
// file in those errors.
Data_Map Data_Map_From_Xml(const std::string& xml, const std::string& name,
                           const lang::Lang_Strings& texts);
// The same from the file at `path`; throws util::File_Error when it cannot be read.
Data_Map Read_Data_Map(const std::string& path, const lang::Lang_Strings& texts);

// Places `entries` (built by the callers above) and finds conflicts, unplaced entries and the
// positions used.
Data_Map Finish_Data_Map(std::vector<Map_Entry> entries);

// The texts for a person below are in the words of `strings` (the windows' table; the command
// line's built-in English).
// "row 3" for a variable, "data set 2 member 5" for a member.
std::string Entry_Name(const Map_Entry& entry, const lang::Lang_Strings& strings);
// "position 12 bit 0: row 3, data set 2 member 5".
std::string Conflict_Line(const Data_Map& map, const Map_Conflict& conflict,
                          const lang::Lang_Strings& strings);
// The conflicts, one line each, at most `limit` of them, then a line saying how many more.
std::string Conflict_List(const Data_Map& map, const lang::Lang_Strings& strings,
                          size_t limit = 20);

// Entry indices in the order the map is shown: placed entries by position and start bit (ties
// in entry order), then the unplaced ones.
std::vector<size_t> Map_Display_Order(const Data_Map& map);

// Which entry of the editor's state: row (and member) as in Map_Entry.
struct Entry_Ref {
  Map_Kind Kind = Map_Kind::Variable;
  int Row = 0;
  int Member = 0;
  bool operator==(const Entry_Ref&) const = default;
};
inline Entry_Ref Ref_Of(const Map_Entry& entry) { return {entry.Kind, entry.Row, entry.Member}; }

struct Auto_Position_Result {
  int Assigned = 0;  // entries that got a position
  int No_Room = 0;   // entries left without one because every position is taken
};
// Gives each of `targets` whose position is empty (blanks only count as empty) the lowest
// position from `first` on that no entry of the map uses, with start bit "0". Targets that name
// no entry, or whose position is not empty, are left alone; positions below `first` are never
// given.
Auto_Position_Result Auto_Position(Access_State& state, const std::vector<Entry_Ref>& targets,
                                   int first = 0);
// The lowest position no placed entry of `map` uses; -1 when every position is taken.
int Lowest_Free_Position(const Data_Map& map);

// The map as CSV: UTF-8 with a byte-order mark, a header row, one line per entry in entry
// order, comma separated, CRLF line ends, fields quoted where they need it. A text that begins
// with "=", "+", "-", "@", a tab, a carriage return or an apostrophe, and is not a number, is
// written with a leading apostrophe, so that a spreadsheet shows it as text and never runs it
// as a formula.
std::string Data_Map_Csv(const Data_Map& map);

// One record of a CSV file with the line it starts on (from 1).
struct Csv_Record {
  int Line = 0;
  std::vector<std::string> Fields;
};
// Reads CSV text with `separator`: quoted fields may hold separators, doubled quotes and line
// breaks; CRLF and LF both end a record. A leading byte-order mark is skipped.
std::vector<Csv_Record> Parse_Csv(const std::string& text, char separator);
// "," or ";": the one the first line uses more of, outside quotes.
char Guess_Csv_Separator(const std::string& text);

// The import's report names at most this many lines and quotes at most this many characters of
// any text from the file, so that even a hostile file gives a short report.
inline constexpr size_t Import_Report_Lines = 50;
inline constexpr size_t Import_Quote_Limit = 60;

struct Import_Report {
  int Updated = 0;  // lines applied
  // One text per line that was not applied ("line 4: ..."), in line order, at most
  // Import_Report_Lines of them.
  std::vector<std::string> Problems;
  // Lines not applied beyond those in Problems.
  size_t Problems_Not_Listed = 0;
};
// Applies a map CSV file's bytes (UTF-8, UTF-16 with a byte-order mark, or Windows-1252) to
// `state`: position, start bit, R/W, conversion, factor and mnemonic of the entries its lines
// name. A variable line matches a variable row by reference and index (the line's row first
// when several rows match); a member line matches member number of the data set row with that
// data set reference and index, when the member's reference is the line's (or the line leaves it
// empty). Rows are never added or removed. Blanks around the values (not the mnemonic) are
// dropped, and an empty cell leaves the entry's value as it is. A line that matches nothing, or
// holds a value that OK would refuse (Position_Ok, Start_Bit_Ok, ReadWrite_Ok, Conversion_Ok,
// Factor_Ok with `separator`), is not applied at all and is reported with every such value.
// A field written with a leading apostrophe against formulas (see Data_Map_Csv) is read without
// it. Text that is not a data map (no "Kind" column) throws std::runtime_error and changes
// nothing. The report's lines and the error are in the words of `strings`.
Import_Report Import_Data_Map_Csv(const std::string& bytes, Access_State& state, char separator,
                                  const lang::Lang_Strings& strings);

// The same in two halves, so that reading a long file can run on a worker thread while the
// window keeps `state` unchanged, and only the quick writing runs on the window's:
// Read_Data_Map_Csv only reads `state` and gives the values each applied line sets, with the
// report (and throws as Import_Data_Map_Csv); `progress` (may be null) follows it
// (Text_Reading_Data_Map, counting lines) and can stop it (util::Cancelled). Apply_Data_Map_Edits
// writes them into the same, unchanged `state`.
struct Data_Map_Edits {
  struct Line {
    Entry_Ref Entry;
    // Empty: the entry's value stays.
    std::string Position, Start_Bit, Read_Write, Conversion, Factor, Mnemonic;
  };
  std::vector<Line> Lines;
  Import_Report Report;
};
Data_Map_Edits Read_Data_Map_Csv(const std::string& bytes, const Access_State& state,
                                 char separator, const lang::Lang_Strings& strings,
                                 util::Progress* progress = nullptr);
void Apply_Data_Map_Edits(const Data_Map_Edits& edits, Access_State& state);
// The report as one message; empty when every line was applied.
std::string Import_Report_Text(const Import_Report& report, const lang::Lang_Strings& strings);

}  // namespace UIEC_61850_Access
