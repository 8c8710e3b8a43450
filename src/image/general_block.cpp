#include "image/general_block.h"

#include <algorithm>
#include <optional>
#include <pugixml.hpp>

#include "image/le_bytes.h"
#include "util/files.h"
#include "util/text.h"
#include "util/xml.h"

namespace USaveBincc {

namespace {

// The value of one ParGen.xml element by the integer text rule, or its fallback when the
// element is missing, holds child elements or is not an integer.
int32_t Read_Int(pugi::xml_node root, const char* name, int32_t fallback) {
  std::optional<std::string> text = util::Child_Text(root, name);
  return text ? util::Str_To_Int_Def(*text, fallback) : fallback;
}

bool Read_Enable(pugi::xml_node root, const char* name) {
  return util::Child_Text(root, name).value_or("") == "1";
}

// Four elements name1..name4 with their fallbacks, each cut to its low 8 bits.
std::array<uint8_t, 4> Read_Octets(pugi::xml_node root, const std::string& prefix,
                                   const std::array<int32_t, 4>& fallbacks) {
  std::array<uint8_t, 4> octets{};
  for (int i = 0; i < 4; ++i) {
    std::string name = prefix + std::to_string(i + 1);
    octets[i] = static_cast<uint8_t>(Read_Int(root, name.c_str(), fallbacks[i]));
  }
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
  // The first top-level node is the root whatever it is; a comment there finds no element and
  // every value takes its fallback.
  pugi::xml_node root = util::First_Top_Node(doc);

  Put_Octets(General_Block, Offset::Client_IP,
             Read_Octets(root, "IEC61850_Client_IP", {192, 168, 0, 10}));
  Put_Octets(General_Block, Offset::Client_SM,
             Read_Octets(root, "IEC61850_Client_SM", {255, 255, 255, 0}));
  std::array<uint8_t, 4> client_gateway =
      Read_Octets(root, "IEC61850_Client_GAT", {192, 168, 0, 1});
  if (!Read_Enable(root, "IEC61850_Client_En_GAT")) client_gateway = No_Gateway;
  Put_Octets(General_Block, Offset::Client_GAT, client_gateway);

  Client_Tables.vLan = Read_Int(root, "IEC61850_Client_VLAN", 0);
  Client_Tables.appID = Read_Int(root, "IEC61850_Client_Application_ID", 0);

  Put_Octets(General_Block, Offset::Modbus_IP,
             Read_Octets(root, "Modbus_TCP_Slave_IP", {192, 168, 0, 5}));
  Put_Octets(General_Block, Offset::Modbus_SM,
             Read_Octets(root, "Modbus_TCP_Slave_SM", {255, 255, 255, 0}));
  std::array<uint8_t, 4> modbus_gateway =
      Read_Octets(root, "Modbus_TCP_Slave_GAT", {192, 168, 0, 1});
  if (!Read_Enable(root, "Modbus_TCP_Slave_EN_GAT")) modbus_gateway = No_Gateway;
  Put_Octets(General_Block, Offset::Modbus_GAT, modbus_gateway);

  uint16_t port = static_cast<uint16_t>(Read_Int(root, "Modbus_TCP_Slave_Port", 502));
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
                           int32_t limit) {
  const int64_t end = static_cast<int64_t>(pos) + General_Block_Size;
  if (pos < 0 || end - 1 > limit || end > static_cast<int64_t>(buffer.size()))
    throw Image_Error("The general configuration block does not fit in the bank1 buffer");
  Put_U32(std::span<uint8_t>(General_Block), Offset::Checksum,
          General_Block_Checksum(General_Block));
  std::copy(General_Block.begin(), General_Block.end(), buffer.begin() + pos);
  return static_cast<int32_t>(end);
}

}  // namespace USaveBincc
