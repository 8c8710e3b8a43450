// The language files that come with the program: English.lng, written from the built-in table,
// and the translations and flag pictures of src/lang/files, compiled into the program. They are
// put into the program folder's LANGUAGE when missing, so the options always offer English and
// the shipped languages.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "text/lang_strings.h"

namespace lang {

// A file of src/lang/files as the build compiled it in (language_files_data.cpp, generated).
struct Shipped_File {
  const char* Name;  // "Deutsch.lng", "Deutsch.bmp", ...
  std::string_view Bytes;
};
std::span<const Shipped_File> Shipped_Files();

// The lines of a language file ("STR<index> = text") for every text of `built_in` (the whole
// table's: lang::For_Each_Built_In_Text), in index order, after a header of comment lines;
// Load_Lang_File reads it back to the same table.
std::string Built_In_Lang_Text(Built_In_Texts built_in);

// The whole file written into LANGUAGE for `body` (a language file's lines): a byte-order mark,
// so the text is read as UTF-8 whatever the system's code page, and a first line that marks the
// file as the program's own with a fingerprint of `body`.
std::string Installed_File(std::string_view body);

// Whether `file` (a whole file's bytes) is one Installed_File wrote and nobody changed since.
bool Is_Unchanged_Installed_File(std::string_view file);

// Puts English.lng (Built_In_Lang_Text of `built_in`) and the shipped files into `Language_Dir`. A
// file that is missing is written. A language file the program wrote itself and nobody changed
// since is brought up to date with this program's texts; anything else already at a name (a file a
// user put there or edited, a folder, a link) is left as it is. Files that cannot be written are
// left out quietly: the options then offer what is there, as with a folder the user filled.
void Install_Language_Files(const std::string& Language_Dir, Built_In_Texts built_in);

}  // namespace lang
