// Import of an SCL file (IEC 61850-6: .scd, .ssd, .sed, .icd, .iid, .cid) into the model of
// scl_model.h: the first IED's first server, its logical devices and nodes, the data objects and
// attributes expanded through DataTypeTemplates, the data sets with their members, and the names
// of the GOOSE controls publishing them.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

#include "iec/scl_model.h"

namespace UIEC_Client_Decode {

// A file the import refuses although it is well-formed XML (see Max_Model_Objects).
class SCL_Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Data type templates that refer to each other many times over can describe more objects than
// any machine holds; beyond this many data objects and attributes the import gives up.
inline constexpr std::size_t Max_Model_Objects = 20'000'000;

// Fills `device` (which must be empty) from the SCL file at `FileName_icd`.
// - No file at the path: nothing happens, the device stays empty.
// - Missing SCL, IED or DataTypeTemplates: the device stays empty; missing AccessPoint or Server
//   in the first IED: the device gets its Name only. Nothing is reported.
// - Throws util::File_Error when the file exists but cannot be read, util::Xml_Error when it is
//   not well-formed (what() is the parser's description with line and column), SCL_Error when
//   it expands beyond Max_Model_Objects. All derive from std::runtime_error; what() is the text
//   to show. On a throw the device is left empty again.
void Decode_ICD_File(TIEC_Device& device, const std::string& FileName_icd);

}  // namespace UIEC_Client_Decode
