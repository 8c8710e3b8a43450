#include "lang/lang_file.h"

#include <optional>

#include "util/files.h"
#include "util/text.h"
#include "util/utf.h"

namespace lang {

namespace {

const std::string Pilcrow = "\xC2\xB6";  // U+00B6 in UTF-8

// One line of a language file: "STR<index> = <text>".
void Apply_Line(Lang_Strings& strings, const std::string& raw) {
  std::string line = util::Trim(raw);
  if (!util::Starts_With(line, "STR")) return;
  size_t equals = line.find('=');
  if (equals == std::string::npos) return;
  // The index is what lies between "STR" and the character just before "="; the format
  // expects one blank there, so "STR12=Text" reads the index "1".
  std::string index_text = equals >= 4 ? line.substr(3, equals - 4) : std::string();
  const std::optional<int32_t> index = util::Str_To_Int(util::Trim(index_text));
  if (!index || !Is_String_Index(*index)) return;

  std::string value = util::Trim(std::string_view(line).substr(equals + 1));
  if (value.empty()) return;
  size_t comment = value.find("/#/");
  if (comment != std::string::npos) {
    value = util::Trim(std::string_view(value).substr(0, comment));
    if (value.empty()) return;
  }
  if (util::Starts_With(value, Pilcrow)) {
    value.erase(0, Pilcrow.size());
    size_t end = value.find(Pilcrow);
    if (end != std::string::npos) value.erase(end);
  }
  // A line holds one text: a line break inside it is written as the two characters \n.
  for (size_t at = value.find("\\n"); at != std::string::npos; at = value.find("\\n", at + 1))
    value.replace(at, 2, "\n");
  strings.Set(*index, std::move(value));
}

// Applies the language file when it is there and can be read; false otherwise (nothing changed).
bool Apply_If_Readable(Lang_Strings& strings, const std::string& file) {
  if (!util::File_Exists(file)) return false;
  try {
    Load_Lang_File(strings, file);
    return true;
  } catch (const util::File_Error&) {
    // Unreadable counts as missing: the caller falls back to English.
    return false;
  }
}

}  // namespace

void Apply_Lang_Text(Lang_Strings& strings, const std::string& text) {
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    Apply_Line(strings, text.substr(start, end - start));
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
      ++end;
    start = end + 1;
  }
}

void Load_Lang_File(Lang_Strings& strings, const std::string& path) {
  Apply_Lang_Text(strings, util::Decode_Text_File(util::Read_File(path)));
}

void Select_Language(Lang_Strings& strings, const std::string& Language_Dir,
                     std::string& Language_Name) {
  strings.Load_Default_Strings();
  // A name that would lead out of LANGUAGE, or whose file cannot be read, counts as a language
  // without a file: English, quietly, as at every start without the file.
  if (util::Is_Plain_Name(Language_Name) &&
      Apply_If_Readable(strings, util::Join_Path(Language_Dir, Language_Name + ".lng")))
    return;
  Language_Name = "English";
  Apply_If_Readable(strings, util::Join_Path(Language_Dir, "English.lng"));
}

}  // namespace lang
