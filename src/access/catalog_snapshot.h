// A catalog file as the access editor found it at opening: its text and the `.bak` copies kept
// beside it, so that leaving the editor without OK after replacing the file with a new revision
// puts the catalog back as it was, whatever the history did in between.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "text/lang_strings.h"

namespace UIEC_61850_Access {

struct Catalog_Snapshot {
  std::string dir, name;                       // the catalog folder and the file's name
  std::string path;                            // the catalog file
  std::optional<std::string> text;             // none: there was no such file
  std::map<std::string, std::string> backups;  // each `<name>.<n>.bak` beside it, by name
};

// Reads the catalog file `name` of `catalog_dir` and its copies (util::File_Error when one
// cannot be read).
Catalog_Snapshot Take_Catalog_Snapshot(const std::string& catalog_dir, const std::string& name);

// Whether the catalog file's text is no longer the one of the snapshot (its copies are not
// looked at: they change nothing the editor reads).
bool Catalog_File_Changed(const Catalog_Snapshot& snapshot);

// Writes the file and its copies back as the snapshot holds them and removes the copies made
// since, all through the catalog folder checked once (Open_Catalog_Folder; a link refused in the
// words of `texts`); throws util::File_Error when that fails part way.
void Restore_Catalog_Snapshot(const Catalog_Snapshot& snapshot, const lang::Lang_Strings& texts);

}  // namespace UIEC_61850_Access
