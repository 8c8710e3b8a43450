// The IED list and the extraction of one IED on any bytes: files with several IEDs, odd names,
// ConnectedAP entries pointing anywhere, missing parts.
#include <stdexcept>

#include "app/all_texts.h"
#include "fuzz_file.h"
#include "scl/ied_catalog.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = Write_Fuzz_Input("several.scd", data, size);
  using namespace UIEC_Client_Decode;
  static const lang::Lang_Strings english =
      lang::English_Strings();  // built in, as the command line words it
  try {
    Server_IP(path);
    const std::vector<IED_Info> ieds = List_IEDs(path);
    // A few IEDs are enough to reach every branch; each extraction reads the whole file again.
    for (size_t i = 0; i < ieds.size() && i < 4; ++i) {
      Extracted_File_Name(path, ieds[i].name);
      Extract_IED(path, ieds[i].name, english);
    }
    Extract_IED(path, "no such IED", english);
  } catch (const std::runtime_error&) {
  }
  return 0;
}
