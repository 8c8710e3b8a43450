// rq30517-cli inspect on arbitrary bytes: decode as bank1.bin or bank2.bin, or refuse.
#include <cstddef>
#include <cstdint>
#include <string>

#include "image/client_tables.h"
#include "image/image_inspect.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  try {
    USaveBincc::Describe_Image(bytes);
  } catch (const USaveBincc::Image_Error&) {
    // Neither image: the refusal is the expected outcome for most inputs.
  }
  USaveBincc::Check_Bank1(bytes);
  USaveBincc::Check_Bank2(bytes);
  return 0;
}
