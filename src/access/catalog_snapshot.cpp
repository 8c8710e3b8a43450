#include "access/catalog_snapshot.h"

#include <vector>

#include "access/scl_revision.h"
#include "util/files.h"

namespace UIEC_61850_Access {

namespace {

// The names of the copies of catalog file `name` in `catalog_dir`.
std::vector<std::string> Backup_Names(const std::string& catalog_dir, const std::string& name) {
  std::vector<std::string> names;
  for (const std::string& entry : util::List_Folder(catalog_dir))
    if (Catalog_Backup_Number(entry, name)) names.push_back(entry);
  return names;
}

}  // namespace

Catalog_Snapshot Take_Catalog_Snapshot(const std::string& catalog_dir, const std::string& name) {
  Catalog_Snapshot snapshot;
  snapshot.dir = catalog_dir;
  snapshot.name = name;
  snapshot.path = util::Join_Path(catalog_dir, name);
  if (util::File_Exists(snapshot.path)) snapshot.text = util::Read_File(snapshot.path);
  for (const std::string& backup : Backup_Names(catalog_dir, name))
    snapshot.backups[backup] = util::Read_File(util::Join_Path(catalog_dir, backup));
  return snapshot;
}

bool Catalog_File_Changed(const Catalog_Snapshot& snapshot) {
  if (!util::File_Exists(snapshot.path)) return snapshot.text.has_value();
  return !snapshot.text || util::Read_File(snapshot.path) != *snapshot.text;
}

void Restore_Catalog_Snapshot(const Catalog_Snapshot& snapshot, const lang::Lang_Strings& texts) {
  // Every write and removal goes through the catalog folder opened and checked once.
  const auto catalog = Open_Catalog_Folder(snapshot.dir, texts);
  const std::string& name = snapshot.name;
  if (snapshot.text &&
      (!util::File_Exists(snapshot.path) || util::Read_File(snapshot.path) != *snapshot.text))
    catalog->Write_File_Atomic(name, *snapshot.text);
  for (const std::string& backup : Backup_Names(snapshot.dir, name))
    // A copy that cannot be removed changes nothing the editor reads.
    if (!snapshot.backups.count(backup)) catalog->Remove(backup);
  for (const auto& [backup, text] : snapshot.backups) {
    const std::string path = util::Join_Path(snapshot.dir, backup);
    if (!util::File_Exists(path) || util::Read_File(path) != text)
      catalog->Write_File_Atomic(backup, text);
  }
}

}  // namespace UIEC_61850_Access
