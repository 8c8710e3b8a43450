// The language choice of the options dialog: which language files can be chosen, how they are
// spread over pages of six, and which flag picture each one shows.
#pragma once

#include <string>
#include <vector>

namespace app {

// Languages shown on one page of the options dialog, in two columns of three.
constexpr int Lang_Slots_Per_Page = 6;

// The file names ("Deutsch.lng") of the language files in `Language_Dir`, sorted ignoring
// letter case. Only regular files (or links to them) named "<name>.lng" with a non-empty name
// are listed; folders and read-only files are not. A file is read-only when none of its write
// permission bits is set: the mark the file itself carries, which holds whoever runs the
// program (the system administrator may write to any file, so asking whether the current user
// may write would list every file for them). A folder that cannot be read gives an empty list.
std::vector<std::string> List_Language_Files(const std::string& Language_Dir);

// "Deutsch.lng" -> "Deutsch": the file name less its last four characters.
std::string Lang_Display_Name(const std::string& file_name);

// Number of pages for `count` languages: (count + 5) div 6, so 0 for none.
int Lang_Page_Count(size_t count);

// Display names of the languages on page `Num_Page` (counted from 1): at most six, none for a
// page outside the list.
std::vector<std::string> Lang_Page_Names(const std::vector<std::string>& SL_Languages,
                                         int Num_Page);

// The flag picture of a language: Language_Dir/<name>.bmp if it exists, else
// Language_Dir/DefaultFlag.bmp if that exists, else empty (no picture).
std::string Lang_Flag_File(const std::string& Language_Dir, const std::string& display_name);

// The page after Btn_Next (forward) or Btn_Prev: one further when that page exists, otherwise
// the same page.
int Next_Lang_Page(int Show_Page, int pages, bool forward);

}  // namespace app
