// The server's catalog files in ICD_Catalog: written through the folder opened and checked once,
// and written over with the old contents kept beside as `<name>.<n>.bak` (the last three).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "text/lang_strings.h"
#include "util/files.h"

namespace UIEC_61850_Access {

// Writes `content` over `catalog_dir`/`name` atomically (util::Write_File_Atomic), first keeping
// the old file beside it as `<name>.<n>.bak` (n counting up from 1 past the highest one there;
// only the last three stay, older ones are removed after the new file is in place). No old file:
// no copy. `name` must be a plain file name (util::Is_Plain_Name), and `catalog_dir` must resolve
// inside the folder holding it, its configuration (util::Require_Inside), else util::File_Error
// and nothing is written; a failed write throws util::File_Error and leaves the catalog file as
// it was. The refusals of a name and of a link are in the words of `texts`.
void Replace_Catalog_File(const std::string& catalog_dir, const std::string& name,
                          const std::string& content, const lang::Lang_Strings& texts);
// The catalog folder `catalog_dir` opened and checked to lie inside its configuration (the folder
// holding it), for writes that a link swapped in afterwards cannot carry elsewhere; creates the
// folder when missing. util::File_Error (in the words of `texts` for a link) when it leads out.
std::unique_ptr<util::Checked_Folder> Open_Catalog_Folder(const std::string& catalog_dir,
                                                          const lang::Lang_Strings& texts);
// Writes the catalog file `name` (a plain file name) through Open_Catalog_Folder, atomically;
// util::File_Error when it cannot, and the file stays as it was.
void Write_Catalog_File(const std::string& catalog_dir, const std::string& name,
                        std::string_view content, const lang::Lang_Strings& texts);
// How many `.bak` copies Replace_Catalog_File keeps.
inline constexpr int Catalog_Backups_Kept = 3;
// The number n of a folder entry named `name`.n.bak (a copy Replace_Catalog_File keeps of
// catalog file `name`); none for any other entry.
std::optional<long long> Catalog_Backup_Number(const std::string& entry, const std::string& name);

}  // namespace UIEC_61850_Access
