// ParGen.xml as the Set Communication dialog reads it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "comm/pargen_file.h"
#include "util/xml.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  pugi::xml_document doc;
  comm::Par_Gen values = comm::Default_Par_Gen();
  try {
    util::Load_Xml_Text(doc, std::string(reinterpret_cast<const char*>(data), size), "ParGen.xml");
    comm::Read_Par_Gen(doc, values);
  } catch (const util::Xml_Error&) {
  }
  return 0;
}
