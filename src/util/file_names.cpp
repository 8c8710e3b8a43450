// The parts of util/files.h that only look at names: the same on every system (files.cpp and
// files_windows.cpp hold the parts that ask the system).
#include "util/file_names.h"

#include <algorithm>

#include "util/files.h"
#include "util/util_texts.h"

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
  if (!below) throw File_Error("Cannot use " + path + ": it is not inside " + root);
  std::vector<std::string> names;
  size_t at = root.size();
  while (at < path.size()) {
    const size_t end = std::min(path.find_first_of("/\\", at), path.size());
    if (end > at) names.push_back(path.substr(at, end - at));
    at = end + 1;
  }
  return names;
}

void Throw_Link_Outside(const std::string& link, const std::string& target,
                        const std::string& root) {
  throw File_Error(link + util_texts::Text_Link_Leads_To + target + util_texts::Text_Link_Outside +
                   root + util_texts::Text_Nothing_Written);
}

}  // namespace util
