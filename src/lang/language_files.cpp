#include "lang/language_files.h"

#include <cstdint>
#include <map>

#include "util/files.h"
#include "util/text.h"

namespace lang {

namespace {

const std::string_view Utf8_Bom = "\xEF\xBB\xBF";
const std::string Pilcrow = "\xC2\xB6";  // U+00B6 in UTF-8

// The first line of an installed file: the prefix, 16 hexadecimal digits, the suffix.
constexpr std::string_view Stamp_Prefix = "Written by the configurator, fingerprint ";
constexpr std::string_view Stamp_Suffix = ". Once changed, this file is never replaced.\n";
constexpr size_t Fingerprint_Digits = 16;

// FNV-1a, 64 bits: enough to tell an edited file from the one written.
std::string Fingerprint(std::string_view bytes) {
  uint64_t hash = 0xcbf29ce484222325ull;
  for (unsigned char c : bytes) {
    hash ^= c;
    hash *= 0x100000001b3ull;
  }
  std::string digits(Fingerprint_Digits, '0');
  for (size_t i = Fingerprint_Digits; i-- > 0; hash >>= 4)
    digits[i] = "0123456789abcdef"[hash & 15];
  return digits;
}

// A text as the value of a language line: a line break as \n, and between pilcrows when it
// starts or ends with a blank (or another character the loader trims).
std::string Lang_Value(std::string_view text) {
  std::string value;
  for (char c : text) {
    if (c == '\n')
      value += "\\n";
    else
      value += c;
  }
  const auto trimmed = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  if (!value.empty() && (trimmed(value.front()) || trimmed(value.back())))
    value = Pilcrow + value + Pilcrow;
  return value;
}

// Writes `bytes` at `path` when nothing is there, or when what is there is an installed file
// nobody changed that differs from `bytes`.
void Install(const std::string& path, const std::string& bytes, bool replace_own) {
  try {
    if (util::Path_Present(path)) {
      if (!replace_own || !util::File_Exists(path)) return;
      const std::string present = util::Read_File(path);
      if (present == bytes || !Is_Unchanged_Installed_File(present)) return;
    }
    util::Write_File_Atomic(path, bytes);
  } catch (const util::File_Error&) {
    // Not there, not replaced: the options offer the languages that are there.
  }
}

}  // namespace

std::string Built_In_Lang_Text(Built_In_Texts built_in) {
  std::map<int, std::string> texts;
  built_in([&texts](int index, const char* english) { texts[index] = english; });
  std::string text =
      "English: the built-in texts of the configurator, one line per entry of the string "
      "table.\n"
      "Format: STR<index> = text. A text with blanks at its start or end stands between two "
      "pilcrows;\n"
      "\\n marks a line break inside a text. A copy of this file is the start of a new "
      "language.\n\n";
  for (const auto& [index, english] : texts)
    text += "STR" + std::to_string(index) + " = " + Lang_Value(english) + "\n";
  return text;
}

std::string Installed_File(std::string_view body) {
  std::string file(Utf8_Bom);
  file += Stamp_Prefix;
  file += Fingerprint(body);
  file += Stamp_Suffix;
  file += body;
  return file;
}

bool Is_Unchanged_Installed_File(std::string_view file) {
  if (!util::Starts_With(file, Utf8_Bom)) return false;
  file.remove_prefix(Utf8_Bom.size());
  if (!util::Starts_With(file, Stamp_Prefix)) return false;
  file.remove_prefix(Stamp_Prefix.size());
  if (file.size() < Fingerprint_Digits) return false;
  const std::string_view stamped = file.substr(0, Fingerprint_Digits);
  file.remove_prefix(Fingerprint_Digits);
  if (!util::Starts_With(file, Stamp_Suffix)) return false;
  file.remove_prefix(Stamp_Suffix.size());
  return stamped == Fingerprint(file);
}

void Install_Language_Files(const std::string& Language_Dir, Built_In_Texts built_in) {
  Install(util::Join_Path(Language_Dir, "English.lng"),
          Installed_File(Built_In_Lang_Text(built_in)), true);
  for (const Shipped_File& file : Shipped_Files()) {
    const std::string name = file.Name;
    const bool language = name.size() > 4 && name.compare(name.size() - 4, 4, ".lng") == 0;
    // Pictures are the program's own as they are; only language files carry the stamp.
    Install(util::Join_Path(Language_Dir, name),
            language ? Installed_File(file.Bytes) : std::string(file.Bytes), language);
  }
}

}  // namespace lang
