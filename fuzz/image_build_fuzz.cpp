// The image build's readers: any bytes as IEC_61850_Client.xml and as ParGen.xml, then the
// bank2 serialisation of whatever was read.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "app/all_texts.h"
#include "image/image_build.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  USaveBincc::Image_Build build;
  try {
    USaveBincc::Load_General_Block_Text(build.General_Block, build.Client_Tables, text,
                                        "ParGen.xml");
  } catch (const std::exception&) {
  }
  try {
    static const lang::Lang_Strings english =
        lang::English_Strings();  // built in, as the command line words it
    USaveBincc::Load_Client_Tables_Text(build.Client_Tables, text, "IEC_61850_Client.xml", 0x80000,
                                        english);
    std::vector<uint8_t> buffer(0x80000);
    USaveBincc::Write_Client_Tables(build.Client_Tables, 0, buffer, 0x80000, english);
  } catch (const std::exception&) {
  }
  return 0;
}
