// The check the access editor runs on OK: every row of the variable table that names an
// attribute with a basic type must carry a usable address, port, timer, position, start bit,
// direction, conversion and factor, and every data set member a usable position, start bit,
// conversion and factor. The checks of single values are public so that the data map import and
// the configuration check refuse exactly what OK refuses.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "access/access_state.h"
#include "text/lang_strings.h"
#include "util/check_result.h"

namespace UIEC_61850_Access {

// Highest place of the gateway's internal data array a variable may use.
inline constexpr int Max_Position = 1399;

// The texts the list cells offer. Start bit and conversion cells start empty, and empty passes;
// the direction has no such default (the image build reads anything but "Read" as a write).
inline constexpr std::array<const char*, 8> Start_Bit_Texts = {"0", "1", "2", "3",
                                                               "4", "5", "6", "7"};
inline constexpr std::array<const char*, 2> ReadWrite_Texts = {"Read", "Write"};
inline constexpr std::array<const char*, 2> Conversion_Texts = {"None", "ItoF/FtoI"};

// Single values, as OK reads them. A position is an integer (integer text rule) 0..Max_Position;
// a factor is "NONE" in any letter case with blanks around it, or a decimal number with either
// separator.
bool Position_Ok(const std::string& text);
bool Start_Bit_Ok(const std::string& text);
bool ReadWrite_Ok(const std::string& text);
bool Conversion_Ok(const std::string& text);
bool Factor_Ok(const std::string& text, char separator);

// The value a row or member fails on.
enum class Checked_Field {
  IPAddress,
  Port,
  Time,
  Position,
  StartBit,
  ReadWrite,
  Conversion,
  Factor
};

struct Value_Failure {
  Checked_Field Field;
  // The reason as OK shows it after "Error row N", e.g. "!! Port must be between 0 and 65535".
  std::string Message;
};

// The first value of a variable row that OK refuses, in the order OK checks them: address, port,
// time (only with "On Timer" ticked), position, start bit, factor, direction, conversion. A row
// without a bType is not checked.
std::optional<Value_Failure> Check_Variable_Row(const Row& row, const lang::Lang_Strings& strings,
                                                char separator);
// The first value of a data set member that OK refuses: position, start bit, factor, conversion.
std::optional<Value_Failure> Check_Member(const TDataSet_DA& member,
                                          const lang::Lang_Strings& strings, char separator);

// Where the check OK runs fails first, and why.
struct Row_Failure {
  bool Member = false;    // a data set member rather than a variable row
  int Row = 0;            // the variable row, or the member's data set row, from 1
  int Member_Number = 0;  // the member from 1; 0 for a variable row
  Checked_Field Field = Checked_Field::Position;
  std::string Message;  // as Controllo_dati words it
};
// The first failure of the check OK runs (as Controllo_dati below); none when all passes.
std::optional<Row_Failure> First_Row_Failure(const Access_State& state,
                                             const lang::Lang_Strings& strings, char separator);

// The message for the first failing row of `ACG_DA` ("Error row N" and the reason); passes when
// every row does. `separator` is the user's decimal separator.
util::Check_Result Controllo_dati(const Table& ACG_DA, const lang::Lang_Strings& strings,
                                  char separator);
// The check OK runs: the variable rows as above, then the members of every data set row in row
// and member order ("Error data set row N member M" and the reason).
util::Check_Result Controllo_dati(const Access_State& state, const lang::Lang_Strings& strings,
                                  char separator);

}  // namespace UIEC_61850_Access
