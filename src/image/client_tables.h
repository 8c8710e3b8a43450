// The IEC 61850 client tables: which data attributes and data sets the gateway exchanges with
// which servers, loaded from IEC_61850_Client.xml and serialised as bank2.bin. The file is the
// byte image of device memory from Client_Tables_Base on, so every pointer in it is an absolute
// device address.
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "text/lang_strings.h"

namespace USaveBincc {

// Device address of bank2.bin: file offset N is device address Client_Tables_Base + N.
constexpr uint32_t Client_Tables_Base = 0x80000;
// Capacity of the device region (and of Bank2_Buffer) that holds the client tables.
constexpr int32_t Bank2_Capacity = 0x80000;

// Record sizes in bank2.bin.
constexpr uint32_t Header_Size = 24;
constexpr uint32_t Variable_Record_Size = 32;
constexpr uint32_t DataSet_Record_Size = 28;
constexpr uint32_t Member_Record_Size = 16;
// The member count of a data set is an 8-bit field.
constexpr size_t Max_DataSet_Members = 255;

// A configuration the image cannot be built from (a missing element or attribute, a limit of
// the device format), or bytes that are neither image; what() is the message for the user.
class Image_Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Bits of TIEC61850_Variable::options: when the gateway sends the request.
constexpr uint8_t Option_On_Change = 0x01;
constexpr uint8_t Option_On_CMD = 0x02;
constexpr uint8_t Option_On_Timer = 0x04;

// One selected data attribute. Texts are UTF-8; the device gets the low byte of each UTF-16
// code unit.
struct TIEC61850_Variable {
  uint8_t fc[2] = {0, 0};
  uint8_t rw = 0;  // 0 read, 1 write
  uint8_t bit_address = 0;
  uint8_t options = 0;
  uint8_t conversion = 0;  // 1 = "ItoF/FtoI"
  uint8_t spare[2] = {0, 0};
  uint16_t position = 0;
  uint16_t tcpPort = 0;
  uint32_t time = 0;
  float moltFactor = 0.0f;
  std::string bType;
  uint32_t bType_Add = 0;
  std::string hostname;
  uint32_t hostname_Add = 0;
  std::string reference;
  uint32_t reference_Add = 0;
};

// One member of a selected data set.
struct TIEC61850_Variable_DS {
  uint16_t position = 0;
  uint8_t bitAddress = 0;
  uint8_t conversion = 0;
  float moltFactor = 0.0f;
  std::string bType;
  uint32_t bType_Add = 0;
  std::string reference;
  uint32_t reference_Add = 0;
};

// One selected data set of the client tables (not the access editor's TDataSet).
struct TDataSet {
  uint8_t nVariable = 0;
  uint8_t options = 0;
  uint16_t tcpPort = 0;
  uint8_t enGoose = 0;
  uint8_t spare[3] = {0, 0, 0};
  uint32_t time = 0;
  std::string goose_name;
  uint32_t goose_name_Add = 0;
  std::string reference;
  uint32_t reference_Add = 0;
  std::string hostname;
  uint32_t hostname_Add = 0;
  std::vector<TIEC61850_Variable_DS> VariableList;
  uint32_t VariableList_Add = 0;
};

// The header of the client tables with both lists.
struct TIEC61850_Client {
  int32_t nVariable = 0;
  int32_t nDataSet = 0;
  int32_t vLan = 0;
  int32_t appID = 0;
  std::vector<TIEC61850_Variable> VariableList;
  uint32_t Variable_Add = 0;
  std::vector<TDataSet> DataSetList;
  uint32_t DataSet_Add = 0;
};

// Empties the tables: counts, addresses, vLan and appID to zero, both lists cleared.
void Reset_Client_Tables(TIEC61850_Client& Client_Tables);

// Fills both lists from IEC_Client_File (empty lists when the file does not exist), read by the
// client file's one reader (UIEC_61850_Access::Read_Client_Data, Client_Reading::Image), and
// assigns every device address counting from `base`. Throws util::File_Error when the file
// cannot be read, UIEC_61850_Access::Client_File_Error (in the words of `texts`) for a file that
// is not well-formed, lacks an element or attribute the tables take, or holds a text XML cannot
// hold, and Image_Error for a data set of more than 255 members. vLan and appID are left as
// they are.
void Load_Client_Tables(TIEC61850_Client& Client_Tables, const std::string& IEC_Client_File,
                        uint32_t base, const lang::Lang_Strings& texts);

// The same from the client file's text already in memory; `name` is used in error texts.
void Load_Client_Tables_Text(TIEC61850_Client& Client_Tables, const std::string& xml,
                             const std::string& name, uint32_t base,
                             const lang::Lang_Strings& texts);

// Assigns every _Add field counting from `base`, in the order bank2.bin is written.
void Assign_Client_Tables_Addresses(TIEC61850_Client& Client_Tables, uint32_t base);

// Bytes that Write_Client_Tables writes for these tables.
size_t Client_Tables_Length(const TIEC61850_Client& Client_Tables);

// Writes bank2.bin's bytes into buffer from index pos and returns the index after the last
// byte. Throws Image_Error, writing nothing, when they would pass index `limit` or the end of
// the buffer, in the words of `texts`.
int32_t Write_Client_Tables(const TIEC61850_Client& Client_Tables, int32_t pos,
                            std::span<uint8_t> buffer, int32_t limit,
                            const lang::Lang_Strings& texts);

}  // namespace USaveBincc
