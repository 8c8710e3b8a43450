#include "image/general_block.h"

#include <algorithm>
#include <pugixml.hpp>

#include "comm/pargen_file.h"
#include "image/image_strings.h"
#include "image/le_bytes.h"
#include "text/lang_strings.h"
#include "util/files.h"
#include "util/text.h"
#include "util/xml.h"

namespace USaveBincc {

namespace {

// An integer value of ParGen.xml by the integer text rule; text that is not an integer gives
// the element's fallback (ParGen.xml's one table of elements and fallbacks, comm/pargen_file).
int32_t To_Int(const std::string& text, const std::string& fallback) {
  return util::Str_To_Int_Def(text, util::Str_To_Int_Def(fallback, 0));
}

// Four octet texts, each cut to its low 8 bits.
std::array<uint8_t, 4> To_Octets(const std::array<std::string, 4>& texts,
                                 const std::array<std::string, 4>& fallbacks) {
  std::array<uint8_t, 4> octets{};
  for (size_t i = 0; i < 4; ++i) octets[i] = static_cast<uint8_t>(To_Int(texts[i], fallbacks[i]));
  return octets;
}

void Put_Octets(TGeneral_Block& block, int offset, const std::array<uint8_t, 4>& octets) {
  for (int i = 0; i < 4; ++i) block[offset + i] = octets[i];
}

// A disabled default gateway is stored as 255.255.255.255.
constexpr std::array<uint8_t, 4> No_Gateway = {255, 255, 255, 255};

}  // namespace

void Reset_General_Block(TGeneral_Block& General_Block) {
  General_Block.fill(0);
  std::span<uint8_t> b(General_Block);
  Put_U32(b, Offset::Reserved_0, 250000);
  Put_U32(b, Offset::Reserved_4, 250000);
  Put_U32(b, Offset::Reserved_12, 9600);
  Put_Octets(General_Block, Offset::Modbus_IP, {192, 168, 2, 205});
  Put_Octets(General_Block, Offset::Modbus_SM, {255, 255, 255, 0});
  Put_Octets(General_Block, Offset::Modbus_GAT, No_Gateway);
  Put_U16(b, Offset::Reserved_52, 10000);
  Put_U16(b, Offset::Modbus_Port, 10001);
  Put_U16(b, Offset::Modbus_Port_Copy, 10001);
  for (int i = 0; i < 8; ++i) General_Block[Offset::Reserved_436 + i] = 8;
}

void Load_General_Block(TGeneral_Block& General_Block, TIEC61850_Client& Client_Tables,
                        const std::string& ParGen_File) {
  // Only a file that is not there at all is missing; anything else in its place (a folder, a
  // FIFO, a dangling link) fails to read and stops the build.
  if (!util::Path_Present(ParGen_File)) return;
  Load_General_Block_Text(General_Block, Client_Tables, util::Read_File(ParGen_File), ParGen_File);
}

void Load_General_Block_Text(TGeneral_Block& General_Block, TIEC61850_Client& Client_Tables,
                             const std::string& xml, const std::string& name) {
  pugi::xml_document doc;
  util::Load_Xml_Text(doc, xml, name);
  // The values are read by the same reader as the Set Communication dialog's, with the same
  // fallbacks for missing elements; texts that are not integers fall back here.
  comm::Par_Gen values;
  comm::Read_Par_Gen(doc, values);
  const comm::Par_Gen fallback = comm::Default_Par_Gen();

  Put_Octets(General_Block, Offset::Client_IP,
             To_Octets(values.IEC61850_Client_IP, fallback.IEC61850_Client_IP));
  Put_Octets(General_Block, Offset::Client_SM,
             To_Octets(values.IEC61850_Client_SM, fallback.IEC61850_Client_SM));
  Put_Octets(General_Block, Offset::Client_GAT,
             values.IEC61850_Client_En_GAT
                 ? To_Octets(values.IEC61850_Client_GAT, fallback.IEC61850_Client_GAT)
                 : No_Gateway);

  Client_Tables.vLan = To_Int(values.IEC61850_Client_VLAN, fallback.IEC61850_Client_VLAN);
  Client_Tables.appID =
      To_Int(values.IEC61850_Client_Application_ID, fallback.IEC61850_Client_Application_ID);

  Put_Octets(General_Block, Offset::Modbus_IP,
             To_Octets(values.Modbus_TCP_Slave_IP, fallback.Modbus_TCP_Slave_IP));
  Put_Octets(General_Block, Offset::Modbus_SM,
             To_Octets(values.Modbus_TCP_Slave_SM, fallback.Modbus_TCP_Slave_SM));
  Put_Octets(General_Block, Offset::Modbus_GAT,
             values.Modbus_TCP_Slave_EN_GAT
                 ? To_Octets(values.Modbus_TCP_Slave_GAT, fallback.Modbus_TCP_Slave_GAT)
                 : No_Gateway);

  uint16_t port =
      static_cast<uint16_t>(To_Int(values.Modbus_TCP_Slave_Port, fallback.Modbus_TCP_Slave_Port));
  std::span<uint8_t> b(General_Block);
  Put_U16(b, Offset::Modbus_Port, port);
  Put_U16(b, Offset::Modbus_Port_Copy, port);
}

uint32_t General_Block_Checksum(std::span<const uint8_t> block) {
  uint32_t sum = 0;
  for (size_t i = 0; i < static_cast<size_t>(Offset::Checksum) && i < block.size(); ++i)
    sum += block[i];
  return sum;
}

int32_t Copy_General_Block(TGeneral_Block& General_Block, int32_t pos, std::span<uint8_t> buffer,
                           int32_t limit, const lang::Lang_Strings& texts) {
  const int64_t end = static_cast<int64_t>(pos) + General_Block_Size;
  if (pos < 0 || end - 1 > limit || end > static_cast<int64_t>(buffer.size()))
    throw Image_Error(texts[image_strings::Text_General_Block_No_Room]);
  Put_U32(std::span<uint8_t>(General_Block), Offset::Checksum,
          General_Block_Checksum(General_Block));
  std::copy(General_Block.begin(), General_Block.end(), buffer.begin() + pos);
  return static_cast<int32_t>(end);
}

}  // namespace USaveBincc
