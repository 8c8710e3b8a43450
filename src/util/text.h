// Small text operations shared by every subsystem.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace util {

// Removes leading and trailing blanks and control characters (every byte up to 0x20),
// the way the configurator trims what the user typed and what files hold.
std::string Trim(std::string_view text);

// The integer text rule: optional leading spaces, an optional "+" or "-", then either decimal
// digits within the signed 32-bit range or a hexadecimal prefix ("$", "x", "X", "0x", "0X")
// with at least one hexadecimal digit fitting in 32 bits (taken as a bit pattern, negated after
// "-"). Nothing may follow the digits. No value otherwise.
std::optional<int32_t> Str_To_Int(std::string_view text);

// Integer text rule with the caller's fallback for text that is not an integer.
int32_t Str_To_Int_Def(std::string_view text, int32_t fallback);

// Splits "a.b.c.d" into its four trimmed parts when each part is an integer 0..255.
std::optional<std::array<std::string, 4>> Split_IP(std::string_view text);

// The user's decimal separator, "," or ".", and "," for anything else: on Windows the first
// character of the regional setting "sDecimal" (section "Intl" of the user profile), elsewhere
// the radix character of the user's numeric locale (LC_ALL, LC_NUMERIC, LANG).
char Get_Dec_Separator();

// Reads a decimal number typed with either "," or "." as separator (the other one is mapped to
// `separator` first, so a number using both does not convert). The number is: optional blanks,
// optional sign, digits with at most one separator and at least one digit, an optional exponent,
// optional blanks. The value rounded to a 32-bit float; no value for anything else or beyond the
// 32-bit float range. Independent of the C locale.
std::optional<float> Str_To_Float(std::string_view text, char separator);

bool Starts_With(std::string_view text, std::string_view prefix);

// A text of the string table with its placeholders %1 .. %9 replaced by `values` (the first for
// %1); a translation may put them in any order. The values are not scanned again, so a name
// holding "%1" stays as it is; a placeholder without a value becomes empty.
std::string Fill_Text(std::string_view text, std::initializer_list<std::string_view> values);

// Whether a spreadsheet would take a CSV cell of this text (UTF-8) for a formula: its first
// character after any run of spaces, no-break spaces, zero-width characters, tabs, VT, FF or
// line breaks is "=", "+", "-" or "@", or one of their full-width forms, which spreadsheets
// read the same way. Whether the text is a number is the caller's to decide.
bool Starts_As_Formula(std::string_view text);

}  // namespace util
