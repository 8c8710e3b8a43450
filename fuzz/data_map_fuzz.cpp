// A data map CSV file as the access editor's Import map... reads it, and the client file as the
// data map reads it.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>

#include "access/data_map.h"
#include "app/all_texts.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  using namespace UIEC_61850_Access;
  Access_State state;
  for (const char* reference : {"IED1LD0/GGIO1.Ind1.stVal", "IED1LD0/GGIO1.Ind2.stVal"}) {
    const int row = state.ACG_DA.Use_Or_Append();
    state.ACG_DA.Set_Cell(row, DA_Col::Index, "0");
    state.ACG_DA.Set_Cell(row, DA_Col::bType, "BOOLEAN");
    state.ACG_DA.Set_Cell(row, DA_Col::Reference, reference);
  }
  state.ACG_DataSet.Set_Cell(0, DS_Col::Index, "0");
  state.ACG_DataSet.Set_Cell(0, DS_Col::Reference, "IED1LD0/LLN0.DS1");
  state.List_DataSet[0].List_DAs.resize(2);
  try {
    static const lang::Lang_Strings english =
        lang::English_Strings();  // built in, as the command line words it
    Import_Report_Text(Import_Data_Map_Csv(bytes, state, ',', english), english);
  } catch (const std::runtime_error&) {
    // Not a data map: refused before anything changed.
  }
  Data_Map_Csv(Build_Data_Map(state));
  try {
    static const lang::Lang_Strings english = lang::English_Strings();
    Data_Map_From_Xml(bytes, "IEC_61850_Client.xml", english);
  } catch (const std::exception&) {
  }
  return 0;
}
