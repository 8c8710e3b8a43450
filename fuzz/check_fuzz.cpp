// The check's rules on any bytes as an SCL file: well-formed or not, cyclic, duplicated or
// missing types, any number of findings.
#include <string>

#include "app/all_texts.h"
#include "check/check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  size_t findings = 0;
  static const lang::Lang_Strings english =
      lang::English_Strings();  // built in, as the command line words it
  check::Check_Scl_Text(
      text, "fuzz.icd", [&](const check::Finding&) { ++findings; }, english);
  return 0;
}
