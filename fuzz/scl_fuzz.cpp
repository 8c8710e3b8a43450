// The SCL import on any bytes: well-formed or not, cyclic or deeply nested types, missing parts.
#include <exception>

#include "fuzz_file.h"
#include "scl/scl_import.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = Write_Fuzz_Input("scl.icd", data, size);
  UIEC_Client_Decode::TIEC_Device device;
  try {
    // A small model budget keeps every input within the fuzzer's memory limit.
    UIEC_Client_Decode::Decode_ICD_File(device, path, std::size_t{64} << 20);
  } catch (const std::runtime_error&) {
  }
  return 0;
}
