// The table of user-interface texts, read by index, and the language files that replace them.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace lang {

// The table's indices: 0 .. Num_Lang_Strings - 1, then the texts added for features beyond the
// original table, First_Added_String .. First_Added_String + Num_Added_Strings - 1, which
// language files translate with the same "STR<index> = text" lines. The added range is shared
// out in blocks: 5000-5099 application shell, 5100-5199 Set Communication, 5200-5299 update
// dialog, 5300-5699 access editor, 5700-5999 SCL and configuration checks.
constexpr int Num_Lang_Strings = 1500;
constexpr int First_Added_String = 5000;
constexpr int Num_Added_Strings = 1000;

// Whether `index` names an entry of the table.
constexpr bool Is_String_Index(int index) {
  return (index >= 0 && index < Num_Lang_Strings) ||
         (index >= First_Added_String && index < First_Added_String + Num_Added_Strings);
}

class Lang_Strings {
 public:
  Lang_Strings();  // starts with the built-in English texts

  // Text at `index`; a single blank for an index outside the table.
  const std::string& operator[](int index) const;
  void Set(int index, std::string text);

  // Empties the table and fills it with the built-in texts (a single blank where none is).
  void Load_Default_Strings();
  // Applies one language file over the current texts; lines that do not parse are skipped.
  // Throws util::File_Error (the file and the system's reason) when it cannot be read, and then
  // changes nothing.
  void Load_Lang_File(const std::string& path);
  // Applies the file's text (already decoded to UTF-8), line by line.
  void Apply_Lang_Text(const std::string& text);

 private:
  std::vector<std::string> entries_;
};

// Built-in texts, then `Language_Dir/Language_Name.lng`; when that file is missing or cannot be
// read (or the name would lead out of Language_Dir), Language_Name becomes "English" and
// English.lng applies if it can be read. Shows and throws nothing.
void Select_Language(Lang_Strings& strings, const std::string& Language_Dir,
                     std::string& Language_Name);

// Calls visit(index, english) for every built-in text, from the modules' tables
// (src/<module>/<module>_strings.def, see text_table.h).
void For_Each_Built_In_Text(const std::function<void(int index, const char* english)>& visit);

}  // namespace lang
