// The general configuration block: the 2048 bytes of bank1.bin with the network settings of
// both Ethernet sides, reserved fields with fixed values, the device address of bank2 and a
// checksum. Its bytes in memory are the bytes of the file.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "image/client_tables.h"

namespace USaveBincc {

constexpr int32_t General_Block_Size = 2048;
using TGeneral_Block = std::array<uint8_t, General_Block_Size>;

// Offsets of the fields in the block (little-endian; an address's first octet lowest).
namespace Offset {
constexpr int Reserved_0 = 0;            // 32-bit, 250000
constexpr int Reserved_4 = 4;            // 32-bit, 250000
constexpr int Reserved_12 = 12;          // 32-bit, 9600
constexpr int Modbus_IP = 40;            // 4 octets
constexpr int Modbus_SM = 44;            // 4 octets
constexpr int Modbus_GAT = 48;           // 4 octets, 255.255.255.255 when disabled
constexpr int Reserved_52 = 52;          // 16-bit, 10000
constexpr int Modbus_Port = 54;          // 16-bit
constexpr int Modbus_Port_Copy = 56;     // 16-bit, equal to Modbus_Port
constexpr int Client_IP = 388;           // 4 octets
constexpr int Client_SM = 392;           // 4 octets
constexpr int Client_GAT = 396;          // 4 octets, 255.255.255.255 when disabled
constexpr int Reserved_436 = 436;        // 8 bytes, each 8
constexpr int Client_Tables_Add = 1516;  // 32-bit, device address of bank2
constexpr int Checksum = 2044;           // 32-bit, sum of bytes 0..2043
}  // namespace Offset

// Stores the reset value of every byte, checksum (0) included.
void Reset_General_Block(TGeneral_Block& General_Block);

// Fills the network fields from ParGen_File, and Client_Tables.vLan and appID. Does nothing
// when the file does not exist. Each value falls back to its default when its element is
// missing, unreadable or not an integer, and is cut to 8 or 16 bits without range checks.
// Throws util::Xml_Error when the file is not well-formed, util::File_Error when it cannot be
// read.
void Load_General_Block(TGeneral_Block& General_Block, TIEC61850_Client& Client_Tables,
                        const std::string& ParGen_File);

// The same fill from ParGen.xml's text already in memory; `name` is used in error texts.
void Load_General_Block_Text(TGeneral_Block& General_Block, TIEC61850_Client& Client_Tables,
                             const std::string& xml, const std::string& name);

// The sum of bytes 0 to 2043.
uint32_t General_Block_Checksum(std::span<const uint8_t> block);

// Seals the block with its checksum, copies its 2048 bytes into buffer at pos and returns
// pos + 2048. Throws Image_Error, copying nothing, when they would pass index `limit` or the
// end of the buffer, in the words of `texts`.
int32_t Copy_General_Block(TGeneral_Block& General_Block, int32_t pos, std::span<uint8_t> buffer,
                           int32_t limit, const lang::Lang_Strings& texts);

}  // namespace USaveBincc
