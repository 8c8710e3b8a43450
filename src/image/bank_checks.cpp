// The checks that a file is a well-formed bank1.bin or bank2.bin (image_inspect.h), which the
// descriptions require and the stand-in updater runs before it takes an image.
#include <cstdint>
#include <span>
#include <string>

#include "image/bank2_view.h"
#include "image/general_block.h"
#include "image/image_inspect.h"

namespace USaveBincc {

using namespace inspect_parts;

util::Check_Result Check_Bank1(const std::string& bytes) {
  if (bytes.size() != static_cast<size_t>(General_Block_Size))
    return "a general configuration block has " + std::to_string(General_Block_Size) +
           " bytes, this one " + std::to_string(bytes.size());
  std::span<const uint8_t> b = As_Bytes(bytes);
  uint32_t stored = Get_U32(b, Offset::Checksum);
  uint32_t sum = General_Block_Checksum(b);
  if (stored != sum)
    return "the checksum at offset 2044 is " + std::to_string(stored) +
           " but the bytes 0 to 2043 add up to " + std::to_string(sum);
  return std::nullopt;
}

util::Check_Result Check_Bank2(const std::string& bytes) {
  if (bytes.size() < Header_Size)
    return "client tables start with a 24-byte header, this file has " +
           std::to_string(bytes.size()) + " bytes";
  if (bytes.size() > static_cast<size_t>(Bank2_Capacity))
    return "client tables are at most " + std::to_string(Bank2_Capacity) +
           " bytes, this file has " + std::to_string(bytes.size());
  Bank2_View view(bytes);
  std::span<const uint8_t> b = view.Bytes();
  if (view.nVariable() < 0 || view.nDataSet() < 0)
    return "the header's counts are negative (nVariable " + std::to_string(view.nVariable()) +
           ", nDataSet " + std::to_string(view.nDataSet()) + ")";
  const uint64_t n_variable = static_cast<uint64_t>(view.nVariable());
  const uint64_t n_data_set = static_cast<uint64_t>(view.nDataSet());
  const uint64_t records_end =
      Header_Size + Variable_Record_Size * n_variable + DataSet_Record_Size * n_data_set;
  if (records_end > bytes.size())
    return "the header announces " + std::to_string(n_variable) + " variables and " +
           std::to_string(n_data_set) + " data sets, whose records do not fit in " +
           std::to_string(bytes.size()) + " bytes";
  const uint64_t variable_add = Client_Tables_Base + Header_Size;
  if (Get_U32(b, 16) != variable_add)
    return "Variable_Add is " + Hex32(Get_U32(b, 16)) + ", not " +
           Hex32(static_cast<uint32_t>(variable_add));
  const uint64_t data_set_add = variable_add + Variable_Record_Size * n_variable;
  if (Get_U32(b, 20) != data_set_add)
    return "DataSet_Add is " + Hex32(Get_U32(b, 20)) + ", not " +
           Hex32(static_cast<uint32_t>(data_set_add));

  auto bad_text = [&](const std::string& what, size_t record, size_t field) {
    return what + ": the text address " + Hex32(Get_U32(b, record + field)) +
           " does not start a zero-terminated text inside the file";
  };
  for (size_t i = 0; i < n_variable; ++i) {
    size_t record = view.Variable_Offset(i);
    for (size_t field : Variable_Text_Fields)
      if (!view.Text_Inside(Get_U32(b, record + field)))
        return bad_text("variable " + std::to_string(i + 1), record, field);
  }
  for (size_t i = 0; i < n_data_set; ++i) {
    size_t record = view.DataSet_Offset(i);
    std::string what = "data set " + std::to_string(i + 1);
    for (size_t field : DataSet_Text_Fields)
      if (!view.Text_Inside(Get_U32(b, record + field))) return bad_text(what, record, field);
    uint32_t members_add = Get_U32(b, record + 24);
    uint8_t members = b[record];
    if (!view.Records_Inside(members_add, members, Member_Record_Size))
      return what + ": its " + std::to_string(members) + " member records at " +
             Hex32(members_add) + " do not lie inside the file";
    size_t first = static_cast<size_t>(view.Offset_Of(members_add));
    for (size_t k = 0; k < members; ++k) {
      size_t member = first + Member_Record_Size * k;
      for (size_t field : Member_Text_Fields)
        if (!view.Text_Inside(Get_U32(b, member + field)))
          return bad_text(what + ", member " + std::to_string(k + 1), member, field);
    }
  }
  return std::nullopt;
}

}  // namespace USaveBincc
