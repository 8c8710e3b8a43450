#include "app/lang_list.h"

#include <algorithm>
#include <cctype>

#include "util/files.h"

namespace app {

namespace {

constexpr const char* Lang_Extension = ".lng";

// The language files' names compared letter by letter with ASCII letters folded to lower case;
// names equal but for case keep a fixed order.
bool Less_Ignoring_Case(const std::string& a, const std::string& b) {
  const auto fold = [](unsigned char c) { return std::tolower(c); };
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const int x = fold(static_cast<unsigned char>(a[i]));
    const int y = fold(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

bool Is_Choosable_Language_File(const std::string& Language_Dir, const std::string& name) {
  const size_t ext = std::char_traits<char>::length(Lang_Extension);
  // "Deutsch.LNG" is not taken: the language loader looks for "<name>.lng" exactly.
  if (name.size() <= ext || name.compare(name.size() - ext, ext, Lang_Extension) != 0) return false;
  return util::Is_Writable_File(util::Join_Path(Language_Dir, name));
}

}  // namespace

std::vector<std::string> List_Language_Files(const std::string& Language_Dir) {
  std::vector<std::string> files;
  // The options offer the languages found: none where the folder is missing or unreadable.
  std::vector<std::string> names;
  try {
    names = util::List_Folder(Language_Dir);
  } catch (const util::File_Error&) {
    return files;  // no languages to offer beyond English, which the options always show
  }
  for (std::string& name : names)
    if (Is_Choosable_Language_File(Language_Dir, name)) files.push_back(std::move(name));
  std::sort(files.begin(), files.end(), Less_Ignoring_Case);
  return files;
}

std::string Lang_Display_Name(const std::string& file_name) {
  return file_name.size() <= 4 ? std::string() : file_name.substr(0, file_name.size() - 4);
}

int Lang_Page_Count(size_t count) {
  return static_cast<int>((count + Lang_Slots_Per_Page - 1) / Lang_Slots_Per_Page);
}

std::vector<std::string> Lang_Page_Names(const std::vector<std::string>& SL_Languages,
                                         int Num_Page) {
  std::vector<std::string> names;
  if (Num_Page < 1) return names;
  const size_t first = static_cast<size_t>(Num_Page - 1) * Lang_Slots_Per_Page;
  for (size_t i = first; i < SL_Languages.size() && i < first + Lang_Slots_Per_Page; ++i)
    names.push_back(Lang_Display_Name(SL_Languages[i]));
  return names;
}

std::string Lang_Flag_File(const std::string& Language_Dir, const std::string& display_name) {
  const std::string own = util::Join_Path(Language_Dir, display_name + ".bmp");
  if (util::File_Exists(own)) return own;
  const std::string fallback = util::Join_Path(Language_Dir, "DefaultFlag.bmp");
  if (util::File_Exists(fallback)) return fallback;
  return {};
}

int Next_Lang_Page(int Show_Page, int pages, bool forward) {
  if (forward) return pages >= Show_Page + 1 ? Show_Page + 1 : Show_Page;
  return Show_Page - 1 > 0 ? Show_Page - 1 : Show_Page;
}

}  // namespace app
