// The changes between two revisions of an IED on any bytes: the input is cut in two at its
// first NUL (or in the middle), each half is imported as an SCL file, and the two models, also
// an empty one where a half is refused, are compared both ways.
#include <cstring>
#include <exception>

#include "fuzz_file.h"
#include "scl/scl_diff.h"
#include "scl/scl_import.h"

namespace {

using namespace UIEC_Client_Decode;

void Import(TIEC_Device& device, const std::string& name, const uint8_t* data, size_t size) {
  const std::string path = Write_Fuzz_Input(name, data, size);
  try {
    // A small model budget keeps both models within the fuzzer's memory limit.
    Decode_ICD_File(device, path, std::size_t{32} << 20);
  } catch (const std::runtime_error&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const void* nul = std::memchr(data, 0, size);
  const size_t cut = nul ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - data) : size / 2;
  const size_t rest = cut < size && nul ? cut + 1 : cut;
  TIEC_Device old_model, new_model;
  Import(old_model, "old.icd", data, cut);
  Import(new_model, "new.icd", data + rest, size - rest);
  (void)Diff_Models(old_model, new_model);
  (void)Diff_Models(new_model, old_model);
  (void)Diff_Models(old_model, old_model);
  return 0;
}
