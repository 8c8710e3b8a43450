// SHA-256 of a byte string (FIPS 180-4), used to record which images were built together.
#pragma once

#include <string>
#include <string_view>

namespace util {

// The digest of `data` as 64 lowercase hexadecimal digits.
std::string Sha256_Hex(std::string_view data);

}  // namespace util
