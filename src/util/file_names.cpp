// The parts of util/files.h that are the same on every system: the operations on names, and
// those built only on the system calls that files.cpp (Linux) and files_windows.cpp provide.
#include "util/file_names.h"

#include <algorithm>
#include <utility>

#include "text/lang_strings.h"
#include "util/files.h"
#include "util/util_strings.h"

namespace util {

std::string Join_Path(std::string_view folder, std::string_view name) {
  std::string path(folder);
#ifdef _WIN32
  const bool ends_in_separator = !path.empty() && (path.back() == '/' || path.back() == '\\');
#else
  const bool ends_in_separator = !path.empty() && path.back() == '/';
#endif
  if (!path.empty() && !ends_in_separator) path += '/';
  path += name;
  return path;
}

std::string File_Name_Of(std::string_view path) {
  size_t cut = path.find_last_of("/\\");
  return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

bool Is_Plain_Name(std::string_view name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

std::string Parent_Of(const std::string& path) {
#ifdef _WIN32
  const size_t slash = path.find_last_of("/\\");
#else
  const size_t slash = path.find_last_of('/');
#endif
  if (slash == std::string::npos) return ".";
  if (slash == 0) return path.substr(0, 1);
  return path.substr(0, slash);
}

void Create_Dir(const std::string& path) {
  if (const int error = Make_Dir(path); error != 0)
    throw File_Error(File_Error::Attempt::Create_Folder, path, System_Error_Text(error));
}

void Force_Dirs(const std::string& path) {
  if (path.empty()) throw File_Error(File_Error::Attempt::Unnamed_Folder, path, std::string());
  if (Dir_Exists(path)) return;
  // The folder itself first: its own failure carries the reason that concerns it (a file in a
  // parent's place is "not a directory" for it); only a missing parent sends the work upwards.
  int error = Make_Dir(path);
  if (error != 0 && Is_Missing_Parent(error)) {
    const std::string parent = Parent_Of(path);
    if (parent != path) {
      Force_Dirs(parent);
      error = Make_Dir(path);
    }
  }
  // Another program may have made it meanwhile; anything else in its place is a failure.
  if (error != 0 && !Dir_Exists(path))
    throw File_Error(File_Error::Attempt::Create_Folder, path, System_Error_Text(error));
}

void Write_File_Atomic(const std::string& path, std::string_view data) {
  Write_Files_Atomic({{path, data}});
}

void Checked_Folder::Write_File_Atomic(const std::string& name, std::string_view data) const {
  Write_Files_Atomic({{name, data}});
}

Folder_Lock::~Folder_Lock() { Unlock(); }

Folder_Lock::Result Folder_Lock::Try_Lock(const std::string& folder, const std::string& file_name) {
  Unlock();
  failure_.reset();
  const std::string path = Join_Path(folder, file_name);
  int fd = -1;
  try {
    fd = Open_Lock_File(path);
  } catch (const File_Error& error) {
    failure_ = error;  // kept for Failure(): the caller words it in its own language
    return Result::Unusable;
  }
  Lock_Attempt attempt = Lock_File(fd);
  switch (attempt.outcome) {
    case Lock_Outcome::Taken:
      fd_ = fd;
      return Result::Taken;
    case Lock_Outcome::Held:
      Close_Lock_File(fd);
      return Result::Held;
    case Lock_Outcome::Failed:
      break;
  }
  Close_Lock_File(fd);
  failure_.emplace(File_Error::Attempt::Use, path, std::move(attempt.reason));
  return Result::Unusable;
}

void Folder_Lock::Unlock() {
  if (fd_ >= 0) Close_Lock_File(fd_);
  fd_ = -1;
}

std::string Executable_Dir() {
  const std::string path = Executable_Path();
  return path.empty() ? "." : Parent_Of(path);
}

std::string Temp_Prefix(const std::string& path) { return "." + File_Name_Of(path) + "."; }

bool Is_Temp_Name_Of(const std::string& entry, const std::string& prefix) {
  if (entry.size() != prefix.size() + Temp_Suffix_Length || entry.compare(0, prefix.size(), prefix))
    return false;
  return std::all_of(
      entry.begin() + static_cast<std::ptrdiff_t>(prefix.size()), entry.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
      });
}

std::vector<std::string> Names_Below(const std::string& root, const std::string& path) {
  const bool below = path.compare(0, root.size(), root) == 0 &&
                     (path.size() == root.size() || root.empty() || root.back() == '/' ||
                      root.back() == '\\' || path[root.size()] == '/' || path[root.size()] == '\\');
  if (!below)
    throw File_Error(File_Error::Attempt::Use, path, File_Error::Refusal::Not_Inside, root);
  std::vector<std::string> names;
  size_t at = root.size();
  while (at < path.size()) {
    const size_t end = std::min(path.find_first_of("/\\", at), path.size());
    if (end > at) names.push_back(path.substr(at, end - at));
    at = end + 1;
  }
  return names;
}

void Throw_Link_Outside(const std::string& link, const std::string& target, const std::string& root,
                        const lang::Lang_Strings& texts) {
  throw File_Error(link + texts[util_strings::Text_Link_Leads_To] + target +
                   texts[util_strings::Text_Link_Outside] + root +
                   texts[util_strings::Text_Nothing_Written]);
}

void Throw_Link_Loop(const std::string& link, const lang::Lang_Strings& texts) {
  throw File_Error(link + texts[util_strings::Text_Link_Loop] +
                   texts[util_strings::Text_Nothing_Written]);
}

}  // namespace util
