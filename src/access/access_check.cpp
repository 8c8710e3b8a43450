#include "access/access_check.h"

#include <algorithm>
#include <cctype>

#include "access/access_strings.h"
#include "util/text.h"

namespace UIEC_61850_Access {

namespace {

// Validation treats text that is not an integer as out of every range.
bool In_Range(const std::string& text, int32_t low, int32_t high) {
  const int32_t value = util::Str_To_Int_Def(text, -1);
  return value >= low && value <= high;
}

template <size_t N>
bool One_Of(const std::string& text, const std::array<const char*, N>& texts) {
  return std::any_of(texts.begin(), texts.end(), [&](const char* t) { return text == t; });
}

Value_Failure Position_Failure(const lang::Lang_Strings& strings) {
  return {Checked_Field::Position,
          strings[access_strings::Text_Row_Bad_Position] + std::to_string(Max_Position)};
}

}  // namespace

bool Position_Ok(const std::string& text) { return In_Range(text, 0, Max_Position); }

bool Start_Bit_Ok(const std::string& text) { return text.empty() || One_Of(text, Start_Bit_Texts); }

bool ReadWrite_Ok(const std::string& text) { return One_Of(text, ReadWrite_Texts); }

bool Conversion_Ok(const std::string& text) {
  return text.empty() || One_Of(text, Conversion_Texts);
}

bool Factor_Ok(const std::string& text, char separator) {
  std::string upper = util::Trim(text);
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  if (upper == "NONE") return true;
  return util::Str_To_Float(text, separator).has_value();
}

std::optional<Value_Failure> Check_Variable_Row(const Row& row, const lang::Lang_Strings& strings,
                                                char separator) {
  if (row[DA_Col::bType].empty()) return std::nullopt;
  if (!util::Split_IP(row[DA_Col::IPAddress]))
    return Value_Failure{Checked_Field::IPAddress,
                         strings[access_strings::Text_Row_Bad_IP_Address]};
  if (!In_Range(row[DA_Col::Port], 0, 65535))
    return Value_Failure{Checked_Field::Port, strings[access_strings::Text_Row_Bad_Port]};
  if (util::Trim(row[DA_Col::OnTimer]) == "Y" && !In_Range(row[DA_Col::Time], 1, 100000000))
    return Value_Failure{Checked_Field::Time, strings[access_strings::Text_Row_Bad_Time]};
  if (!Position_Ok(row[DA_Col::Position])) return Position_Failure(strings);
  // A start bit or conversion outside the lists only gets into the table from a file.
  if (!Start_Bit_Ok(row[DA_Col::StartBit]))
    return Value_Failure{Checked_Field::StartBit, strings[access_strings::Text_Row_StartBit]};
  if (!Factor_Ok(row[DA_Col::MoltFact], separator))
    return Value_Failure{Checked_Field::Factor, strings[access_strings::Text_Row_Bad_Factor]};
  // The image build reads anything but "Read" as a write to the server: an empty or unknown
  // direction must not reach the device as one.
  if (!ReadWrite_Ok(row[DA_Col::ReadWrite]))
    return Value_Failure{Checked_Field::ReadWrite, strings[access_strings::Text_Row_ReadWrite]};
  if (!Conversion_Ok(row[DA_Col::Convertion]))
    return Value_Failure{Checked_Field::Conversion, strings[access_strings::Text_Row_Conversion]};
  return std::nullopt;
}

std::optional<Value_Failure> Check_Member(const TDataSet_DA& member,
                                          const lang::Lang_Strings& strings, char separator) {
  if (!Position_Ok(member.Position)) return Position_Failure(strings);
  if (!Start_Bit_Ok(member.bitAddress))
    return Value_Failure{Checked_Field::StartBit, strings[access_strings::Text_Row_StartBit]};
  if (!Factor_Ok(member.multFactor, separator))
    return Value_Failure{Checked_Field::Factor, strings[access_strings::Text_Row_Bad_Factor]};
  if (!Conversion_Ok(member.conversion))
    return Value_Failure{Checked_Field::Conversion, strings[access_strings::Text_Row_Conversion]};
  return std::nullopt;
}

util::Check_Result Controllo_dati(const Table& ACG_DA, const lang::Lang_Strings& strings,
                                  char separator) {
  for (int r = 0; r < ACG_DA.Row_Count(); ++r)
    if (const auto failure = Check_Variable_Row(ACG_DA.Get_Row(r), strings, separator))
      return strings[access_strings::Text_Error_Row] + std::to_string(r + 1) + failure->Message;
  return std::nullopt;
}

std::optional<Row_Failure> First_Row_Failure(const Access_State& state,
                                             const lang::Lang_Strings& strings, char separator) {
  for (int r = 0; r < state.ACG_DA.Row_Count(); ++r)
    if (const auto failure = Check_Variable_Row(state.ACG_DA.Get_Row(r), strings, separator))
      return Row_Failure{
          false, r + 1, 0, failure->Field,
          strings[access_strings::Text_Error_Row] + std::to_string(r + 1) + failure->Message};
  // Members are checked where the data map takes them from: the records behind the data set
  // rows, unless the data set table stands empty.
  if (state.ACG_DataSet.Counts_As_Empty()) return std::nullopt;
  const size_t rows =
      std::min(static_cast<size_t>(state.ACG_DataSet.Row_Count()), state.List_DataSet.size());
  for (size_t r = 0; r < rows; ++r) {
    const auto& members = state.List_DataSet[r].List_DAs;
    for (size_t m = 0; m < members.size(); ++m)
      if (const auto failure = Check_Member(members[m], strings, separator))
        return Row_Failure{true, static_cast<int>(r) + 1, static_cast<int>(m) + 1, failure->Field,
                           strings[access_strings::Text_Error_DataSet_Row] + std::to_string(r + 1) +
                               strings[access_strings::Text_Error_Member] + std::to_string(m + 1) +
                               failure->Message};
  }
  return std::nullopt;
}

util::Check_Result Controllo_dati(const Access_State& state, const lang::Lang_Strings& strings,
                                  char separator) {
  if (const auto failure = First_Row_Failure(state, strings, separator)) return failure->Message;
  return std::nullopt;
}

}  // namespace UIEC_61850_Access
