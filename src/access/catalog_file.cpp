#include "access/catalog_file.h"

#include <algorithm>
#include <string>
#include <vector>

#include "access/access_strings.h"
#include "util/files.h"

namespace UIEC_61850_Access {

std::optional<long long> Catalog_Backup_Number(const std::string& entry, const std::string& name) {
  const std::string prefix = name + ".";
  const std::string suffix = ".bak";
  if (entry.size() <= prefix.size() + suffix.size()) return std::nullopt;
  if (entry.compare(0, prefix.size(), prefix) != 0) return std::nullopt;
  if (entry.compare(entry.size() - suffix.size(), suffix.size(), suffix) != 0) return std::nullopt;
  const std::string digits =
      entry.substr(prefix.size(), entry.size() - prefix.size() - suffix.size());
  if (digits.empty() || digits.size() > 18) return std::nullopt;
  for (char c : digits)
    if (c < '0' || c > '9') return std::nullopt;
  return std::stoll(digits);
}

namespace {

// A catalog file is named by a plain file name: nothing that leads out of the folder.
void Require_Catalog_Name(const std::string& name, const lang::Lang_Strings& texts) {
  if (!util::Is_Plain_Name(name))
    throw util::File_Error("\"" + name + texts[access_strings::Text_Not_Catalog_Name]);
}

}  // namespace

std::unique_ptr<util::Checked_Folder> Open_Catalog_Folder(const std::string& catalog_dir,
                                                          const lang::Lang_Strings& texts) {
  // As for Add IEC Device: the catalog must not be a link leading out of its configuration.
  std::string conf_dir = catalog_dir;
  while (conf_dir.size() > 1 && (conf_dir.back() == '/' || conf_dir.back() == '\\'))
    conf_dir.pop_back();
  const size_t separator = conf_dir.find_last_of("/\\");
  return std::make_unique<util::Checked_Folder>(
      separator == std::string::npos ? catalog_dir : conf_dir.substr(0, separator + 1), catalog_dir,
      texts);
}

void Write_Catalog_File(const std::string& catalog_dir, const std::string& name,
                        std::string_view content, const lang::Lang_Strings& texts) {
  Require_Catalog_Name(name, texts);
  Open_Catalog_Folder(catalog_dir, texts)->Write_File_Atomic(name, content);
}

void Replace_Catalog_File(const std::string& catalog_dir, const std::string& name,
                          const std::string& content, const lang::Lang_Strings& texts) {
  Require_Catalog_Name(name, texts);
  // Every copy, write and removal goes through the folder opened and checked once, so a link
  // swapped in for it meanwhile carries nothing out of the configuration.
  const auto catalog = Open_Catalog_Folder(catalog_dir, texts);
  const std::string path = util::Join_Path(catalog_dir, name);

  std::vector<long long> numbers;
  for (const std::string& entry : catalog->List())
    if (const auto n = Catalog_Backup_Number(entry, name)) numbers.push_back(*n);
  std::sort(numbers.begin(), numbers.end());

  if (util::File_Exists(path)) {
    const long long next = numbers.empty() ? 1 : numbers.back() + 1;
    catalog->Write_File_Atomic(name + "." + std::to_string(next) + ".bak", util::Read_File(path));
    numbers.push_back(next);
  }
  catalog->Write_File_Atomic(name, content);

  // The oldest copies go once the new file is in place; one that cannot be removed stays.
  const size_t keep = static_cast<size_t>(Catalog_Backups_Kept);
  for (size_t i = 0; i + keep < numbers.size(); ++i)
    catalog->Remove(name + "." + std::to_string(numbers[i]) + ".bak");
}

}  // namespace UIEC_61850_Access
