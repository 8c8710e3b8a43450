// Decoders for the two configuration images: checks that a file is a well-formed bank1.bin or
// bank2.bin, and readable text of every field, for `rq30517-cli inspect` and the stand-in
// updater. They accept arbitrary bytes and never read outside them.
#pragma once

#include <ostream>
#include <string>

#include "util/check_result.h"

namespace USaveBincc {

// Passes when `bytes` is a 2048-byte general block whose checksum matches, else gives the reason.
util::Check_Result Check_Bank1(const std::string& bytes);

// Passes when `bytes` is client tables whose header is consistent with the length and every
// address (member lists, zero-terminated texts) lies inside the file, else gives the reason.
util::Check_Result Check_Bank2(const std::string& bytes);

// Every field of a general block by name, one per line. Requires Check_Bank1(bytes) to pass.
void Describe_Bank1(const std::string& bytes, std::ostream& out);
std::string Describe_Bank1(const std::string& bytes);

// The header, each variable, data set and member with its texts resolved through their device
// addresses, one field per line. A member record that several data sets point at is listed in
// full once; the others refer to it in one line per run of such members. Written as it goes;
// stops early when `out` fails. Requires Check_Bank2(bytes) to pass.
void Describe_Bank2(const std::string& bytes, std::ostream& out);
std::string Describe_Bank2(const std::string& bytes);

// Decodes whichever image `bytes` is into `out` (or returns the text); throws Image_Error
// ("neither a bank1.bin (...) nor a bank2.bin (...)", with both reasons) when it is neither,
// before anything is written.
void Describe_Image(const std::string& bytes, std::ostream& out);
std::string Describe_Image(const std::string& bytes);

}  // namespace USaveBincc
