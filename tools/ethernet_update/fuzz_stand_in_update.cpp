// libFuzzer entry: any parameter file text, with image files that are missing or hold the
// fuzzer's bytes, must give a report and nothing worse.
#include <cstddef>
#include <cstdint>
#include <string>

#include "stand_in_update.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  // The first byte chooses what the named files hold: nothing, or the input itself.
  const bool files_exist = size > 0 && (data[0] & 1);
  auto read = [&](const std::string&, size_t limit) {
    Stand_In_Update::File_Read file;
    if (!files_exist) return file;
    file.State = Stand_In_Update::File_State::Read;
    file.Size = input.size();
    file.Bytes = input.substr(0, limit);
    return file;
  };
  Stand_In_Update::Check_Update_File(input, read);
  return 0;
}
