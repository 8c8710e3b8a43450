// Reading language files ("STR<index> = text" lines) into the string table.
#pragma once

#include <string>

#include "text/lang_strings.h"

namespace lang {

// Applies the file's text (already decoded to UTF-8) over the table's current texts, line by
// line; lines that do not parse are skipped.
void Apply_Lang_Text(Lang_Strings& strings, const std::string& text);

// Applies one language file over the table's current texts. Throws util::File_Error (the file and
// the system's reason) when it cannot be read, and then changes nothing.
void Load_Lang_File(Lang_Strings& strings, const std::string& path);

// Built-in texts, then `Language_Dir/Language_Name.lng`; when that file is missing or cannot be
// read (or the name would lead out of Language_Dir), Language_Name becomes "English" and
// English.lng applies if it can be read. Shows and throws nothing.
void Select_Language(Lang_Strings& strings, const std::string& Language_Dir,
                     std::string& Language_Name);

}  // namespace lang
