// Little-endian stores and loads, byte by byte, so the images are the same on any host.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>

namespace USaveBincc {

inline void Put_U8(std::span<uint8_t> bytes, size_t offset, uint8_t value) {
  bytes[offset] = value;
}

inline void Put_U16(std::span<uint8_t> bytes, size_t offset, uint16_t value) {
  bytes[offset] = static_cast<uint8_t>(value);
  bytes[offset + 1] = static_cast<uint8_t>(value >> 8);
}

inline void Put_U32(std::span<uint8_t> bytes, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

inline void Put_Float(std::span<uint8_t> bytes, size_t offset, float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  Put_U32(bytes, offset, bits);
}

inline uint16_t Get_U16(std::span<const uint8_t> bytes, size_t offset) {
  return static_cast<uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

inline uint32_t Get_U32(std::span<const uint8_t> bytes, size_t offset) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | bytes[offset + i];
  return value;
}

inline float Get_Float(std::span<const uint8_t> bytes, size_t offset) {
  uint32_t bits = Get_U32(bytes, offset);
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

}  // namespace USaveBincc
