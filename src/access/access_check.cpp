#include "access/access_check.h"

#include <algorithm>
#include <cctype>

#include "access/access_strings.h"
#include "access/access_texts.h"
#include "util/text.h"

namespace UIEC_61850_Access {

namespace {

// Validation treats text that is not an integer as out of every range.
bool In_Range(const std::string& text, int32_t low, int32_t high) {
  const int32_t value = util::Str_To_Int_Def(text, -1);
  return value >= low && value <= high;
}

bool Is_Factor(const std::string& text, char separator) {
  std::string upper = util::Trim(text);
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  if (upper == "NONE") return true;
  return util::Str_To_Float(text, separator).has_value();
}

// Marks the R/W check, whose text is not in the string table.
constexpr int ReadWrite_Failure = -1;

// The string-table text of the first check that `row` fails, ReadWrite_Failure, or 0 when it
// passes.
int First_Failure(const Row& row, char separator) {
  if (!util::Split_IP(row[DA_Col::IPAddress])) return access_strings::Text_Row_Bad_IP_Address;
  if (!In_Range(row[DA_Col::Port], 0, 65535)) return access_strings::Text_Row_Bad_Port;
  if (util::Trim(row[DA_Col::OnTimer]) == "Y" && !In_Range(row[DA_Col::Time], 1, 100000000))
    return access_strings::Text_Row_Bad_Time;
  if (!In_Range(row[DA_Col::Position], 0, Max_Position))
    return access_strings::Text_Row_Bad_Position;
  if (!Is_Factor(row[DA_Col::MoltFact], separator)) return access_strings::Text_Row_Bad_Factor;
  // The image build reads anything but "Read" as a write to the server: an empty or unknown
  // direction must not reach the device as one.
  if (row[DA_Col::ReadWrite] != "Read" && row[DA_Col::ReadWrite] != "Write")
    return ReadWrite_Failure;
  return 0;
}

}  // namespace

util::Check_Result Controllo_dati(const Table& ACG_DA, const lang::Lang_Strings& strings,
                                  char separator) {
  for (int r = 0; r < ACG_DA.Row_Count(); ++r) {
    const Row& row = ACG_DA.Get_Row(r);
    if (row[DA_Col::bType].empty()) continue;
    const int failure = First_Failure(row, separator);
    if (failure == 0) continue;
    std::string message =
        strings[access_strings::Text_Error_Row] + std::to_string(r + 1) +
        (failure == ReadWrite_Failure ? access_texts::Text_Row_ReadWrite : strings[failure]);
    if (failure == access_strings::Text_Row_Bad_Position) message += std::to_string(Max_Position);
    return message;
  }
  return std::nullopt;
}

}  // namespace UIEC_61850_Access
