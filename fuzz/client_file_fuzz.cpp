// IEC_61850_Client.xml as the access editor reads it. The servers a file may list ("a.icd",
// "b.icd", as the tests' fixtures name them) are the tests' own small SCL files.
#include <exception>

#include "access/client_file.h"
#include "app/all_texts.h"
#include "fuzz_file.h"

static const std::string& Catalog() {
  static const std::string dir = [] {
    std::string catalog = Fuzz_Input_File("catalog");
    util::Force_Dirs(catalog);
    const std::string fixtures = RQ_FUZZ_SCL_FIXTURES;
    util::Write_File_Atomic(catalog + "/a.icd", util::Read_File(fixtures + "/small.icd"));
    util::Write_File_Atomic(catalog + "/b.icd", util::Read_File(fixtures + "/model.icd"));
    return catalog;
  }();
  return dir;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& catalog = Catalog();
  const std::string path = Write_Fuzz_Input("IEC_61850_Client.xml", data, size);
  UIEC_61850_Access::Access_State state;
  try {
    static const lang::Lang_Strings english =
        lang::English_Strings();  // built in, as the command line words it
    UIEC_61850_Access::Read_Client_File(path, catalog, state, english);
  } catch (const std::runtime_error&) {
  }
  return 0;
}
