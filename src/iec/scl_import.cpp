#include "iec/scl_import.h"

namespace UIEC_Client_Decode {

void Decode_ICD_File(TIEC_Device&, const std::string&) {}

}  // namespace UIEC_Client_Decode
