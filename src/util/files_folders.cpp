// The Linux implementation of util/files.h for folders: where a folder leads (Require_Inside,
// Checked_Folder), what stands at a path, listing and creating folders, the workspace lock's
// system calls and the executable's path. files.cpp reads and writes files; files_windows.cpp
// and files_folders_windows.cpp are the Windows ones.
#ifndef _WIN32
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "text/lang_strings.h"
#include "util/file_names.h"
#include "util/files.h"
#include "util/util_strings.h"

namespace util {

namespace {

std::string Reason(int error) { return System_Error_Text(error); }

// The real path of `path` with every link followed, or empty (errno set) when there is none.
std::string Real_Path(const std::string& path) {
  char* real = realpath(path.c_str(), nullptr);
  if (real == nullptr) return {};
  std::string result = real;
  free(real);
  return result;
}

bool Is_Within(const std::string& inner, const std::string& outer) {
  if (outer == "/") return true;
  return inner.compare(0, outer.size(), outer) == 0 &&
         (inner.size() == outer.size() || inner[outer.size()] == '/');
}

}  // namespace

void Require_Inside(const std::string& root, const std::string& path,
                    const lang::Lang_Strings& texts) {
  const std::string real_root = Real_Path(root);
  if (real_root.empty()) {
    const auto error = errno;
    throw File_Error(File_Error::Attempt::Use, root, Reason(error));
  }
  std::string walked = root;
  for (const std::string& name : Names_Below(root, path)) {
    walked = Join_Path(walked, name);
    struct stat st {};
    if (lstat(walked.c_str(), &st) != 0) return;  // created later, inside what was checked
    const std::string real = Real_Path(walked);
    if (real.empty() && errno == ELOOP) Throw_Link_Loop(walked, texts);
    if (real.empty()) {
      // A link that points nowhere (or in a circle) would be created or followed elsewhere.
      std::vector<char> target(4096);
      const ssize_t n = readlink(walked.c_str(), target.data(), target.size() - 1);
      Throw_Link_Outside(walked,
                         n > 0 ? std::string(target.data(), static_cast<size_t>(n))
                               : texts[util_strings::Text_Link_Unresolved],
                         root, texts);
    }
    if (!Is_Within(real, real_root)) Throw_Link_Outside(walked, real, root, texts);
  }
}

bool File_Exists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool Dir_Exists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Path_Present(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0;
}

bool Is_Writable_File(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
         (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
}

std::vector<std::string> List_Folder(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) {
    const auto error = errno;
    throw File_Error(File_Error::Attempt::List_Folder, folder, Reason(error));
  }
  errno = 0;  // readdir ends with nullptr both at the end and on a failure, which sets errno
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  const int error = errno;
  closedir(dir);
  if (error != 0) throw File_Error(File_Error::Attempt::List_Folder, folder, Reason(error));
  return names;
}

int Make_Dir(const std::string& path) { return mkdir(path.c_str(), 0777) == 0 ? 0 : errno; }

bool Is_Missing_Parent(int error) { return error == ENOENT; }

void Remove_Empty_Dir(const std::string& path) {
  rmdir(path.c_str());  // best effort: a folder that stays is the caller's to accept
}

Checked_Folder::Checked_Folder(const std::string& root, const std::string& path,
                               const lang::Lang_Strings& texts)
    : path_(path), written_(path) {
  Require_Inside(root, path, texts);
  Force_Dirs(path);
  const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    const auto error = errno;
    throw File_Error(File_Error::Attempt::Use, path, Reason(error));
  }
  // The folder now open is the one checked only if it is, by its own identity, the folder that
  // the real path names inside the root: a link swapped in after Require_Inside shows here.
  const std::string real_root = Real_Path(root);
  const std::string real = Real_Path(path);
  struct stat held {
  }, named{};
  if (real.empty() || real_root.empty() || fstat(fd, &held) != 0 ||
      stat(real.c_str(), &named) != 0 || held.st_dev != named.st_dev ||
      held.st_ino != named.st_ino || !Is_Within(real, real_root)) {
    close(fd);
    Throw_Link_Outside(path, real.empty() ? texts[util_strings::Text_Link_Unresolved] : real, root,
                       texts);
  }
  handle_ = fd;
}

Checked_Folder::~Checked_Folder() {
  if (handle_ >= 0) close(static_cast<int>(handle_));
}

std::vector<std::string> Checked_Folder::List() const {
  const int listing = openat(static_cast<int>(handle_), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  DIR* dir = listing < 0 ? nullptr : fdopendir(listing);
  if (dir == nullptr) {
    const int error = errno;
    if (listing >= 0) close(listing);
    throw File_Error(File_Error::Attempt::List_Folder, path_, Reason(error));
  }
  std::vector<std::string> names;
  errno = 0;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  const int error = errno;
  closedir(dir);
  if (error != 0) throw File_Error(File_Error::Attempt::List_Folder, path_, Reason(error));
  return names;
}

bool Checked_Folder::Remove(const std::string& name) const {
  return Is_Plain_Name(name) && unlinkat(static_cast<int>(handle_), name.c_str(), 0) == 0;
}

int Open_Lock_File(const std::string& path) {
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
  // A lock file that this user may not write can still be locked for reading.
  if (fd < 0) {
    const int create_error = errno;
    fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) throw File_Error(File_Error::Attempt::Use, path, Reason(create_error));
  }
  // Only a regular file is a lock that every instance takes the same way.
  struct stat st {};
  if (fstat(fd, &st) != 0) {
    const int error = errno;
    close(fd);
    throw File_Error(File_Error::Attempt::Use, path, Reason(error));
  }
  if (!S_ISREG(st.st_mode)) {
    close(fd);
    if (S_ISDIR(st.st_mode)) throw File_Error(File_Error::Attempt::Use, path, Reason(EISDIR));
    throw File_Error(File_Error::Attempt::Use, path, File_Error::Refusal::Not_Regular_File);
  }
  return fd;
}

Lock_Attempt Lock_File(int fd) {
  if (flock(fd, LOCK_EX | LOCK_NB) == 0) return {Lock_Outcome::Taken, {}};
  const int error = errno;
  if (error == EWOULDBLOCK) return {Lock_Outcome::Held, {}};
  return {Lock_Outcome::Failed, Reason(error)};
}

void Close_Lock_File(int fd) { close(fd); }

std::string Executable_Path() {
  std::vector<char> buffer(4096);
  const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  return n > 0 ? std::string(buffer.data(), static_cast<size_t>(n)) : std::string();
}

}  // namespace util

#endif  // !_WIN32
