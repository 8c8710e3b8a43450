// A bank2.bin read piece by piece (Bank2_View) and the small helpers the image decoders share:
// the check of an image and its description (image_inspect.h). Used by the decoders alone.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

#include "image/client_tables.h"
#include "image/le_bytes.h"

namespace USaveBincc::inspect_parts {

inline std::span<const uint8_t> As_Bytes(const std::string& bytes) {
  return {reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()};
}

inline std::string Hex32(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

// A bank2 image checked piece by piece: every device address is turned into a file offset only
// after it was found inside the file.
class Bank2_View {
 public:
  explicit Bank2_View(const std::string& bytes) : b_(As_Bytes(bytes)) {
    for (size_t i = b_.size(); i > 0; --i)
      if (b_[i - 1] == 0) {
        last_zero_ = static_cast<int64_t>(i - 1);
        break;
      }
  }

  size_t Size() const { return b_.size(); }
  std::span<const uint8_t> Bytes() const { return b_; }

  int32_t nVariable() const { return static_cast<int32_t>(Get_U32(b_, 0)); }
  int32_t nDataSet() const { return static_cast<int32_t>(Get_U32(b_, 4)); }
  size_t Variable_Offset(size_t i) const { return Header_Size + Variable_Record_Size * i; }
  size_t DataSet_Offset(size_t i) const {
    return Variable_Offset(static_cast<size_t>(nVariable())) + DataSet_Record_Size * i;
  }

  // The file offset of a device address, or -1 when it lies outside the file.
  int64_t Offset_Of(uint32_t address) const {
    if (address < Client_Tables_Base) return -1;
    uint64_t offset = address - Client_Tables_Base;
    return offset < b_.size() ? static_cast<int64_t>(offset) : -1;
  }

  // True when `address` starts a zero-terminated text inside the file.
  bool Text_Inside(uint32_t address) const {
    int64_t offset = Offset_Of(address);
    return offset >= 0 && offset <= last_zero_;
  }

  // True when `count` records of `size` bytes from `address` lie inside the file.
  bool Records_Inside(uint32_t address, uint64_t count, uint64_t size) const {
    int64_t offset = Offset_Of(address);
    return offset >= 0 && static_cast<uint64_t>(offset) + count * size <= b_.size();
  }

  // The bytes of the text at `address`, without its terminator. Requires Text_Inside.
  std::span<const uint8_t> Text_At(uint32_t address) const {
    size_t offset = static_cast<size_t>(Offset_Of(address));
    size_t end = offset;
    while (b_[end] != 0) ++end;
    return b_.subspan(offset, end - offset);
  }

 private:
  std::span<const uint8_t> b_;
  int64_t last_zero_ = -1;
};

// Where each pooled text's address sits, relative to its record.
constexpr size_t Variable_Text_Fields[] = {20, 24, 28};  // bType, hostname, reference
constexpr size_t DataSet_Text_Fields[] = {12, 16, 20};   // goose_name, reference, hostname
constexpr size_t Member_Text_Fields[] = {8, 12};         // bType, reference

}  // namespace USaveBincc::inspect_parts
