#include "util/utf.h"

#include <cstdint>

namespace util {

namespace {

// Decodes one UTF-8 sequence at `i`; returns false for an invalid one (overlong, surrogate,
// beyond U+10FFFF, truncated).
bool Next_Code_Point(std::string_view s, size_t& i, char32_t& cp) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  int length;
  if (b0 < 0x80) {
    cp = b0;
    ++i;
    return true;
  } else if ((b0 & 0xE0) == 0xC0) {
    length = 2;
    cp = b0 & 0x1F;
  } else if ((b0 & 0xF0) == 0xE0) {
    length = 3;
    cp = b0 & 0x0F;
  } else if ((b0 & 0xF8) == 0xF0) {
    length = 4;
    cp = b0 & 0x07;
  } else {
    return false;
  }
  if (i + length > s.size()) return false;
  for (int k = 1; k < length; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) return false;
    cp = (cp << 6) | (b & 0x3F);
  }
  static const char32_t min_for_length[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < min_for_length[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
  i += length;
  return true;
}

void Append_Utf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::u16string Bytes_To_Utf16(std::string_view bytes, bool big_endian) {
  std::u16string units;
  units.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto a = static_cast<unsigned char>(bytes[i]);
    const auto b = static_cast<unsigned char>(bytes[i + 1]);
    units += static_cast<char16_t>(big_endian ? (a << 8 | b) : (b << 8 | a));
  }
  return units;
}

}  // namespace

bool Is_Valid_Utf8(std::string_view bytes) {
  size_t i = 0;
  char32_t cp;
  while (i < bytes.size())
    if (!Next_Code_Point(bytes, i, cp)) return false;
  return true;
}

std::u16string Utf8_To_Utf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    char32_t cp;
    if (!Next_Code_Point(text, i, cp)) {
      cp = 0xFFFD;
      ++i;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

std::string Utf16_To_Utf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    Append_Utf8(out, cp);
  }
  return out;
}

std::string Windows1252_To_Utf8(std::string_view bytes) {
  // 0x80..0x9F differ from Latin-1; the five unassigned positions map to themselves.
  static const char16_t high[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  std::string out;
  out.reserve(bytes.size());
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    Append_Utf8(out, (b >= 0x80 && b < 0xA0) ? high[b - 0x80] : b);
  }
  return out;
}

std::string Decode_Text_File(std::string_view bytes) {
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    std::string_view body = bytes.substr(3);
    return Is_Valid_Utf8(body) ? std::string(body) : Utf16_To_Utf8(Utf8_To_Utf16(body));
  }
  if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFF\xFE")
    return Utf16_To_Utf8(Bytes_To_Utf16(bytes.substr(2), false));
  if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFE\xFF")
    return Utf16_To_Utf8(Bytes_To_Utf16(bytes.substr(2), true));
  if (Is_Valid_Utf8(bytes)) return std::string(bytes);
  return Windows1252_To_Utf8(bytes);
}

std::string Low_Bytes(std::string_view utf8) {
  std::string out;
  for (char16_t unit : Utf8_To_Utf16(utf8)) out += static_cast<char>(unit & 0xFF);
  return out;
}

#ifdef _WIN32
std::wstring Utf8_To_Wide(std::string_view text) {
  const std::u16string units = Utf8_To_Utf16(text);
  return std::wstring(units.begin(), units.end());
}

std::string Wide_To_Utf8(std::wstring_view text) {
  return Utf16_To_Utf8(std::u16string(text.begin(), text.end()));
}
#endif

}  // namespace util
