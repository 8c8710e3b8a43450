// The table of user-interface texts, read by index, and the language files that replace them.
#pragma once

#include <string>
#include <vector>

namespace lang {

constexpr int Num_Lang_Strings = 1500;

class Lang_Strings {
 public:
  Lang_Strings();  // starts with the built-in English texts

  // Text at `index`; a single blank for an index outside the table.
  const std::string& operator[](int index) const;
  void Set(int index, std::string text);

  // Empties the table and fills it with the 1500 built-in texts.
  void Load_Default_Strings();
  // Applies one language file over the current texts; lines that do not parse are skipped.
  // A file that cannot be read changes nothing.
  void Load_Lang_File(const std::string& path);
  // Applies the file's text (already decoded to UTF-8), line by line.
  void Apply_Lang_Text(const std::string& text);

 private:
  std::vector<std::string> entries_;
};

// Built-in texts, then `Language_Dir/Language_Name.lng`; when that file is missing (or the name
// would lead out of Language_Dir), Language_Name becomes "English" and English.lng applies if
// present.
void Select_Language(Lang_Strings& strings, const std::string& Language_Dir,
                     std::string& Language_Name);

// The built-in English texts of each block of the table, filled in by index.
void Add_Shell_Strings(
    std::vector<std::string>& table);  // 0-30, 100-110, 200-207, 300-321, 1100-1105
void Add_Comm_Strings(std::vector<std::string>& table);    // 400-763
void Add_Update_Strings(std::vector<std::string>& table);  // 1000-1037
void Add_Iec_Strings(std::vector<std::string>& table);     // 1200-1257

}  // namespace lang
