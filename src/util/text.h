// Small text operations shared by every subsystem.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace util {

// Removes leading and trailing blanks and control characters (every byte up to 0x20),
// the way the configurator trims what the user typed and what files hold.
std::string Trim(std::string_view text);

// The integer text rule: optional leading spaces, an optional "+" or "-", then either decimal
// digits within the signed 32-bit range or a hexadecimal prefix ("$", "x", "X", "0x", "0X")
// with at least one hexadecimal digit fitting in 32 bits (taken as a bit pattern, negated after
// "-"). Nothing may follow the digits. Returns false, leaving value untouched, otherwise.
bool Str_To_Int(std::string_view text, int32_t& value);

// Integer text rule with the caller's fallback for text that is not an integer.
int32_t Str_To_Int_Def(std::string_view text, int32_t fallback);

// Splits "a.b.c.d" into its four trimmed parts; true when each part is an integer 0..255.
// Parts are written as they are found, so after a false result some may be stale.
bool Split_IP(std::string_view text, std::string& p1, std::string& p2, std::string& p3,
              std::string& p4);

// The user's decimal separator, "," or ".", and "," for anything else: on Windows the first
// character of the regional setting "sDecimal" (section "Intl" of the user profile), elsewhere
// the radix character of the user's numeric locale (LC_ALL, LC_NUMERIC, LANG).
char Get_Dec_Separator();

// Reads a decimal number typed with either "," or "." as separator (the other one is mapped to
// `separator` first, so a number using both does not convert). The number is: optional blanks,
// optional sign, digits with at most one separator and at least one digit, an optional exponent,
// optional blanks. Stores the value rounded to a 32-bit float and returns true; on failure, or
// beyond the 32-bit float range, stores 1.0 and returns false. Independent of the C locale.
bool Str_To_Float(std::string_view text, char separator, float& value);

bool Starts_With(std::string_view text, std::string_view prefix);

}  // namespace util
