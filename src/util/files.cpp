// The Linux implementation of util/files.h; the Windows one is files_windows.cpp, and the
// name operations that are the same on both are in file_names.cpp.
#ifndef _WIN32
#include "util/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "util/file_names.h"
#include "util/util_texts.h"

namespace util {

std::string System_Error_Text(int error) { return std::strerror(error); }

namespace {

std::string Reason(int error) { return System_Error_Text(error); }

// Flushes a folder's entries (the renames in it) to disk. Some file systems cannot; the files
// themselves are already flushed, so that is not an error.
void Sync_Folder(const std::string& folder) {
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

// One file of a Write_Files_Atomic on its way: its temporary file, open and locked, so that
// Remove_Save_Leftovers of another save leaves it alone.
struct Pending_File {
  std::string target;
  std::string temp;
  int fd = -1;
  std::string keep;  // a second name of the old target while the renames run, or empty
};

void Discard(std::vector<Pending_File>& pending) {
  for (Pending_File& p : pending) {
    if (p.fd >= 0) close(p.fd);
    if (!p.temp.empty()) unlink(p.temp.c_str());
    if (!p.keep.empty()) unlink(p.keep.c_str());
  }
  pending.clear();
}

// Gives the old target a second name of the temporary-file pattern, so that the rename over it
// does not have to free the old file: on ext4 that takes milliseconds, against microseconds for
// the rename alone, and a crash in that time would separate files written together. Without
// hard links (some file systems) the rename simply takes longer. A crash leaves the second name
// as a leftover that the next save removes.
void Keep_Old_Target(Pending_File& p) {
  struct stat st {};
  if (lstat(p.target.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return;
  std::random_device seed;
  std::mt19937 random(seed());
  const std::string prefix = Join_Path(Parent_Of(p.target), Temp_Prefix(p.target));
  for (int attempt = 0; attempt < 20; ++attempt) {
    std::string name = prefix;
    for (size_t i = 0; i < Temp_Suffix_Length; ++i)
      name += Temp_Letters[random() % (sizeof Temp_Letters - 1)];
    if (link(p.target.c_str(), name.c_str()) == 0) {
      p.keep = name;
      return;
    }
    if (errno != EEXIST) return;
  }
}

// Creates, fills and flushes the temporary file of `target`; on failure it removes what it
// created and returns the errno.
int Write_Temp(Pending_File& p, std::string_view data) {
  std::string temp_template = Join_Path(Parent_Of(p.target), Temp_Prefix(p.target) + "XXXXXX");
  std::vector<char> temp_name(temp_template.begin(), temp_template.end());
  temp_name.push_back('\0');
  p.fd = mkostemp(temp_name.data(), O_CLOEXEC);
  if (p.fd < 0) return errno;
  p.temp = temp_name.data();
  // Held until the rename: marks the file as in use, not as a leftover of an interrupted save.
  flock(p.fd, LOCK_EX | LOCK_NB);
  size_t written = 0;
  while (written < data.size()) {
    ssize_t n = write(p.fd, data.data() + written, data.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    written += static_cast<size_t>(n);
  }
  // mkstemp creates the file readable by its owner only; give it the usual permissions.
  mode_t mask = umask(0);
  umask(mask);
  if (fchmod(p.fd, 0666 & ~mask) != 0) return errno;
  if (fsync(p.fd) != 0) return errno;
  return 0;
}

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

void Require_Inside(const std::string& root, const std::string& path) {
  const std::string real_root = Real_Path(root);
  if (real_root.empty()) throw File_Error("Cannot use " + root + ": " + Reason(errno));
  std::string walked = root;
  for (const std::string& name : Names_Below(root, path)) {
    walked = Join_Path(walked, name);
    struct stat st {};
    if (lstat(walked.c_str(), &st) != 0) return;  // created later, inside what was checked
    const std::string real = Real_Path(walked);
    if (real.empty()) {
      // A link that points nowhere (or in a circle) would be created or followed elsewhere.
      std::vector<char> target(4096);
      const ssize_t n = readlink(walked.c_str(), target.data(), target.size() - 1);
      Throw_Link_Outside(walked,
                         n > 0 ? std::string(target.data(), static_cast<size_t>(n))
                               : std::string(util_texts::Text_Link_Unresolved),
                         root);
    }
    if (!Is_Within(real, real_root)) Throw_Link_Outside(walked, real, root);
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
  if (dir == nullptr) throw File_Error("Cannot list the folder " + folder + ": " + Reason(errno));
  errno = 0;  // readdir ends with nullptr both at the end and on a failure, which sets errno
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  const int error = errno;
  closedir(dir);
  if (error != 0) throw File_Error("Cannot list the folder " + folder + ": " + Reason(error));
  return names;
}

int Make_Dir(const std::string& path) { return mkdir(path.c_str(), 0777) == 0 ? 0 : errno; }

bool Is_Missing_Parent(int error) { return error == ENOENT; }

bool Remove_Empty_Dir(const std::string& path) { return rmdir(path.c_str()) == 0; }

std::string Read_File(const std::string& path) {
  // Without O_NONBLOCK opening a FIFO would wait for a writer; the type is checked right after.
  int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) throw File_Error("Cannot read " + path + ": " + Reason(errno));
  auto fail = [&](const std::string& reason) {
    close(fd);
    throw File_Error("Cannot read " + path + ": " + reason);
  };
  struct stat st {};
  if (fstat(fd, &st) != 0) fail(Reason(errno));
  if (S_ISDIR(st.st_mode)) fail(Reason(EISDIR));
  if (!S_ISREG(st.st_mode)) fail("it is not a regular file");
  std::string content;
  char buffer[65536];
  for (;;) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      fail(Reason(errno));
    }
    if (n == 0) break;
    content.append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  return content;
}

int Remove_Save_Leftovers(const std::string& path) {
  const std::string folder = Parent_Of(path);
  const std::string prefix = Temp_Prefix(path);
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return 0;
  std::vector<std::string> candidates;
  while (const dirent* entry = readdir(dir))
    if (Is_Temp_Name_Of(entry->d_name, prefix)) candidates.push_back(entry->d_name);
  closedir(dir);

  int removed = 0;
  for (const std::string& name : candidates) {
    const std::string candidate = Join_Path(folder, name);
    int fd = open(candidate.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) continue;  // gone meanwhile, or a link: not ours
    struct stat st {};
    // A save in progress holds the lock on its temporary file until it renames it.
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        unlink(candidate.c_str()) == 0)
      ++removed;
    close(fd);
  }
  return removed;
}

void Write_Files_Atomic(const std::vector<File_Content>& files) {
  for (const File_Content& f : files) Remove_Save_Leftovers(f.path);
  // A folder in a target's place would make its rename fail after others had succeeded.
  for (const File_Content& f : files) {
    struct stat st {};
    if (lstat(f.path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
      throw File_Error("Cannot write " + f.path + ": " + Reason(EISDIR));
  }
  std::vector<Pending_File> pending;
  pending.reserve(files.size());
  for (const File_Content& f : files) {
    pending.push_back({f.path, "", -1, ""});
    if (int error = Write_Temp(pending.back(), f.data)) {
      Discard(pending);
      throw File_Error("Cannot write " + f.path + ": " + Reason(error));
    }
  }
  // Every temporary file is complete and on disk: only now are the targets replaced, one right
  // after the other.
  for (Pending_File& p : pending) Keep_Old_Target(p);
  for (size_t i = 0; i < pending.size(); ++i) {
    if (rename(pending[i].temp.c_str(), pending[i].target.c_str()) != 0) {
      const int error = errno;
      // The targets replaced so far get their old content back where it was kept.
      for (size_t done = 0; done < i; ++done) {
        pending[done].temp.clear();
        if (!pending[done].keep.empty() &&
            rename(pending[done].keep.c_str(), pending[done].target.c_str()) == 0)
          pending[done].keep.clear();
      }
      Discard(pending);
      throw File_Error("Cannot write " + files[i].path + ": " + Reason(error));
    }
  }
  std::vector<std::string> folders;
  for (Pending_File& p : pending) {
    close(p.fd);
    const std::string folder = Parent_Of(p.target);
    if (std::find(folders.begin(), folders.end(), folder) == folders.end())
      folders.push_back(folder);
  }
  for (const std::string& folder : folders) Sync_Folder(folder);
  for (const Pending_File& p : pending)
    if (!p.keep.empty()) unlink(p.keep.c_str());
}

int Open_Lock_File(const std::string& path, std::string& failure) {
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
  // A lock file that this user may not write can still be locked for reading.
  if (fd < 0) {
    const int create_error = errno;
    fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
      failure = Reason(create_error);
      return -1;
    }
  }
  // Only a regular file is a lock that every instance takes the same way.
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    failure = S_ISDIR(st.st_mode) ? Reason(EISDIR) : "it is not a regular file";
    close(fd);
    return -1;
  }
  return fd;
}

Lock_Outcome Lock_File(int fd, std::string& failure) {
  if (flock(fd, LOCK_EX | LOCK_NB) == 0) return Lock_Outcome::Taken;
  if (errno == EWOULDBLOCK) return Lock_Outcome::Held;
  failure = Reason(errno);
  return Lock_Outcome::Failed;
}

void Close_Lock_File(int fd) { close(fd); }

std::string Executable_Path() {
  std::vector<char> buffer(4096);
  const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  return n > 0 ? std::string(buffer.data(), static_cast<size_t>(n)) : std::string();
}

}  // namespace util

#endif  // !_WIN32
