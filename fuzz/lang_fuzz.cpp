// Language files: any bytes, in any encoding, overlong lines, odd indices.
#include <cstddef>
#include <cstdint>
#include <string>

#include "lang/lang_strings.h"
#include "util/utf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static lang::Lang_Strings strings;
  strings.Load_Default_Strings();
  strings.Apply_Lang_Text(
      util::Decode_Text_File(std::string(reinterpret_cast<const char*>(data), size)));
  return 0;
}
