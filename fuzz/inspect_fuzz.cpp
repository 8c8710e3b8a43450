// rq30517-cli inspect on arbitrary bytes: decode as bank1.bin or bank2.bin, or refuse.
#include <cstddef>
#include <cstdint>
#include <string>

#include "image/image_inspect.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::string text, reason;
  USaveBincc::Describe_Image(bytes, text, reason);
  USaveBincc::Check_Bank1(bytes);
  USaveBincc::Check_Bank2(bytes);
  return 0;
}
