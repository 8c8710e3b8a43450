// Character encoding conversions. Texts are UTF-8 std::string throughout the core; the device
// images count UTF-16 code units and language files may come in UTF-16 or Windows-1252.
#pragma once

#include <string>
#include <string_view>

namespace util {

bool Is_Valid_Utf8(std::string_view bytes);

// Invalid sequences become U+FFFD.
std::u16string Utf8_To_Utf16(std::string_view text);
std::string Utf16_To_Utf8(std::u16string_view text);

std::string Windows1252_To_Utf8(std::string_view bytes);

// Decodes a text file's bytes: a byte-order mark selects UTF-8, UTF-16 LE or UTF-16 BE;
// without one the bytes are UTF-8 when valid, otherwise Windows-1252.
std::string Decode_Text_File(std::string_view bytes);

// The low byte of each UTF-16 code unit, as the device's 8-bit strings hold them.
std::string Low_Bytes(std::string_view utf8);

#ifdef _WIN32
// The texts of the Windows wide-character calls (UTF-16 in wchar_t), from and to UTF-8.
std::wstring Utf8_To_Wide(std::string_view text);
std::string Wide_To_Utf8(std::wstring_view text);
#endif

}  // namespace util
