#include "access/catalog_snapshot.h"

#include <filesystem>
#include <system_error>
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

void Restore_Catalog_Snapshot(const Catalog_Snapshot& snapshot) {
  const std::string& catalog_dir = snapshot.dir;
  const std::string& name = snapshot.name;
  if (snapshot.text &&
      (!util::File_Exists(snapshot.path) || util::Read_File(snapshot.path) != *snapshot.text))
    util::Write_File_Atomic(snapshot.path, *snapshot.text);
  for (const std::string& backup : Backup_Names(catalog_dir, name)) {
    if (snapshot.backups.count(backup)) continue;
    std::error_code ignored;  // a copy that cannot be removed changes nothing the editor reads
    const std::string path = util::Join_Path(catalog_dir, backup);
    std::filesystem::remove(std::filesystem::path(std::u8string(path.begin(), path.end())),
                            ignored);
  }
  for (const auto& [backup, text] : snapshot.backups) {
    const std::string path = util::Join_Path(catalog_dir, backup);
    if (!util::File_Exists(path) || util::Read_File(path) != text)
      util::Write_File_Atomic(path, text);
  }
}

}  // namespace UIEC_61850_Access
