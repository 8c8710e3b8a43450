#include "util/text.h"

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>

#ifdef _WIN32
#include <windows.h>
#else
#include <langinfo.h>
#endif

namespace util {

namespace {

// strtod in the "C" locale whatever the process locale is (the windowing toolkit switches it to
// the user's).
double Strtod_C(const char* text) {
#ifdef _WIN32
  static const _locale_t c_locale = _create_locale(LC_ALL, "C");
  return _strtod_l(text, nullptr, c_locale);
#else
  static const locale_t c_locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  return strtod_l(text, nullptr, c_locale);
#endif
}

}  // namespace

std::string Trim(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return std::string(text.substr(begin, end - begin));
}

std::string Fill_Text(std::string_view text, std::initializer_list<std::string_view> values) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
      const size_t k = static_cast<size_t>(text[i + 1] - '1');
      if (k < values.size()) out += values.begin()[k];
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

bool Starts_With(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

static int Hex_Digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<int32_t> Str_To_Int(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  std::string_view rest = text.substr(i);
  size_t prefix = 0;
  if (Starts_With(rest, "$") || Starts_With(rest, "x") || Starts_With(rest, "X"))
    prefix = 1;
  else if (Starts_With(rest, "0x") || Starts_With(rest, "0X"))
    prefix = 2;

  if (prefix > 0) {
    std::string_view digits = rest.substr(prefix);
    if (digits.empty()) return std::nullopt;
    uint64_t pattern = 0;
    for (char c : digits) {
      int d = Hex_Digit(c);
      if (d < 0) return std::nullopt;
      pattern = pattern * 16 + static_cast<uint64_t>(d);
      if (pattern > 0xFFFFFFFFull) return std::nullopt;
    }
    uint32_t bits = static_cast<uint32_t>(pattern);
    if (negative) bits = 0u - bits;
    return static_cast<int32_t>(bits);
  }

  if (rest.empty()) return std::nullopt;
  int64_t magnitude = 0;
  for (char c : rest) {
    if (c < '0' || c > '9') return std::nullopt;
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > 2147483648LL) return std::nullopt;
  }
  int64_t signed_value = negative ? -magnitude : magnitude;
  if (signed_value > std::numeric_limits<int32_t>::max()) return std::nullopt;
  return static_cast<int32_t>(signed_value);
}

int32_t Str_To_Int_Def(std::string_view text, int32_t fallback) {
  return Str_To_Int(text).value_or(fallback);
}

// Takes the part before the first "." (trimmed) and leaves the trimmed rest in `rest`.
static bool Take_Part(std::string& rest, std::string& part) {
  size_t dot = rest.find('.');
  if (dot == std::string::npos) return false;
  part = Trim(std::string_view(rest).substr(0, dot));
  rest = Trim(std::string_view(rest).substr(dot + 1));
  return true;
}

std::optional<std::array<std::string, 4>> Split_IP(std::string_view text) {
  std::array<std::string, 4> parts;
  std::string rest = Trim(text);
  for (size_t i = 0; i < 3; ++i) {
    if (!Take_Part(rest, parts[i])) return std::nullopt;
  }
  parts[3] = rest;
  for (const std::string& part : parts) {
    int32_t v = Str_To_Int_Def(part, 1000);
    if (v < 0 || v > 255) return std::nullopt;
  }
  return parts;
}

char Get_Dec_Separator() {
#ifdef _WIN32
  // The user's regional setting: section "Intl", key "sDecimal" of the user profile, read into
  // four characters with an empty default.
  wchar_t decimal[4] = {};
  const DWORD n = GetProfileStringW(L"Intl", L"sDecimal", L"", decimal, 4);
  return n >= 1 && (decimal[0] == L',' || decimal[0] == L'.') ? static_cast<char>(decimal[0]) : ',';
#else
  // The user's numeric convention comes from the environment (LC_ALL, LC_NUMERIC, LANG);
  // the process itself keeps the "C" locale so that no other conversion depends on it.
  locale_t user = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
  if (user == static_cast<locale_t>(0)) return ',';
  const char* radix = nl_langinfo_l(RADIXCHAR, user);
  char separator = (radix != nullptr && (radix[0] == ',' || radix[0] == '.')) ? radix[0] : ',';
  freelocale(user);
  return separator;
#endif
}

std::optional<float> Str_To_Float(std::string_view text, char separator) {
  const char other = separator == '.' ? ',' : '.';
  std::string s(text);
  for (char& c : s)
    if (c == other) c = separator;

  // Validate the whole shape first, then convert a normalised copy with strtod in the C locale.
  size_t i = 0;
  auto blank = [&](size_t k) { return k < s.size() && (s[k] == ' ' || s[k] == '\t'); };
  while (blank(i)) ++i;
  std::string normal;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) normal += s[i++];
  int digits = 0;
  bool seen_separator = false;
  while (i < s.size()) {
    if (s[i] >= '0' && s[i] <= '9') {
      normal += s[i];
      ++digits;
    } else if (s[i] == separator && !seen_separator) {
      normal += '.';
      seen_separator = true;
    } else {
      break;
    }
    ++i;
  }
  if (digits == 0) return std::nullopt;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    normal += 'e';
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) normal += s[i++];
    int exponent_digits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
      normal += s[i++];
      ++exponent_digits;
    }
    if (exponent_digits == 0) return std::nullopt;
  }
  while (blank(i)) ++i;
  if (i != s.size()) return std::nullopt;

  // Only digits, sign, "." and "e" reach here.
  const double d = Strtod_C(normal.c_str());
  if (!std::isfinite(d) || std::fabs(d) > std::numeric_limits<float>::max()) return std::nullopt;
  return static_cast<float>(d);
}

bool Starts_As_Formula(std::string_view text) {
  // Blanks a spreadsheet skips before it looks for the formula sign, as UTF-8.
  static constexpr std::string_view Blanks[] = {
      " ",
      "\t",
      "\v",
      "\f",
      "\r",
      "\n",
      "\xC2\xA0",      // no-break space
      "\xE2\x80\x8B",  // zero-width space
      "\xE2\x80\x8C",  // zero-width non-joiner
      "\xE2\x80\x8D",  // zero-width joiner
      "\xE2\x81\xA0",  // word joiner
      "\xEF\xBB\xBF",  // zero-width no-break space (byte-order mark)
  };
  static constexpr std::string_view Signs[] = {
      "=",
      "+",
      "-",
      "@",
      "\xEF\xBC\x9D",  // full-width =
      "\xEF\xBC\x8B",  // full-width +
      "\xEF\xBC\x8D",  // full-width -
      "\xEF\xBC\xA0",  // full-width @
  };
  for (bool skipped = true; skipped;) {
    skipped = false;
    for (std::string_view blank : Blanks)
      if (Starts_With(text, blank)) {
        text.remove_prefix(blank.size());
        skipped = true;
      }
  }
  for (std::string_view sign : Signs)
    if (Starts_With(text, sign)) return true;
  return false;
}

}  // namespace util
