// Language files: any bytes, in any encoding, overlong lines, odd indices.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/all_texts.h"
#include "lang/lang_file.h"
#include "text/lang_strings.h"
#include "util/utf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static lang::Lang_Strings strings = lang::English_Strings();
  strings.Load_Default_Strings();
  lang::Apply_Lang_Text(
      strings, util::Decode_Text_File(std::string(reinterpret_cast<const char*>(data), size)));
  return 0;
}
