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

#include "text/lang_strings.h"
#include "util/file_names.h"
#include "util/util_strings.h"

namespace util {

std::string System_Error_Text(int error) { return std::strerror(error); }

namespace {

std::string Reason(int error) { return System_Error_Text(error); }

// One file of a write on its way: the folder it goes into (an open descriptor) and its name
// there, its temporary file, open and locked, so that Remove_Save_Leftovers of another save
// leaves it alone.
struct Pending_File {
  int dir = -1;
  std::string name;
  std::string shown;  // the target's path, for messages
  std::string temp;
  int fd = -1;
  std::string keep;  // a second name of the old target while the renames run, or empty
};

void Discard(std::vector<Pending_File>& pending) {
  for (Pending_File& p : pending) {
    if (p.fd >= 0) close(p.fd);
    if (!p.temp.empty()) unlinkat(p.dir, p.temp.c_str(), 0);
    if (!p.keep.empty()) unlinkat(p.dir, p.keep.c_str(), 0);
  }
  pending.clear();
}

// A fresh name of the temporary-file pattern for `name`: "." + name + "." + six letters.
std::string Temp_Name(const std::string& name) {
  static thread_local std::mt19937 random(std::random_device{}());
  std::string temp = Temp_Prefix(name);
  for (size_t i = 0; i < Temp_Suffix_Length; ++i)
    temp += Temp_Letters[random() % (sizeof Temp_Letters - 1)];
  return temp;
}

// Gives the old target a second name of the temporary-file pattern, so that the rename over it
// does not have to free the old file: on ext4 that takes milliseconds, against microseconds for
// the rename alone, and a crash in that time would separate files written together. Without
// hard links (some file systems) the rename simply takes longer. A crash leaves the second name
// as a leftover that the next save removes.
void Keep_Old_Target(Pending_File& p) {
  struct stat st {};
  if (fstatat(p.dir, p.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) return;
  for (int attempt = 0; attempt < 20; ++attempt) {
    const std::string name = Temp_Name(p.name);
    if (linkat(p.dir, p.name.c_str(), p.dir, name.c_str(), 0) == 0) {
      p.keep = name;
      return;
    }
    if (errno != EEXIST) return;
  }
}

// Creates, fills and flushes the temporary file of the target; on failure it returns the errno
// (Discard removes what it created).
int Write_Temp(Pending_File& p, std::string_view data) {
  for (int attempt = 0; attempt < 100 && p.fd < 0; ++attempt) {
    const std::string temp = Temp_Name(p.name);
    p.fd = openat(p.dir, temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (p.fd >= 0)
      p.temp = temp;
    else if (errno != EEXIST)
      return errno;
  }
  if (p.fd < 0) return EEXIST;
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
  if (fsync(p.fd) != 0) return errno;
  return 0;
}

// Why the target `name` in `dir` may not be replaced, or empty: something that is there and is
// neither a regular file nor a link (which the rename replaces itself) is not a save's to take.
std::string Target_Refusal(int dir, const std::string& name) {
  struct stat st {};
  if (fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return {};
  if (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)) return {};
  return S_ISDIR(st.st_mode) ? Reason(EISDIR) : "it is not a regular file";
}

// Removes the leftovers of interrupted saves of `name` in the open folder `dir`.
int Remove_Leftovers_In(int dir, const std::string& name) {
  const int listing = openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listing < 0) return 0;
  DIR* entries = fdopendir(listing);
  if (entries == nullptr) {
    close(listing);
    return 0;
  }
  const std::string prefix = Temp_Prefix(name);
  std::vector<std::string> candidates;
  while (const dirent* entry = readdir(entries))
    if (Is_Temp_Name_Of(entry->d_name, prefix)) candidates.push_back(entry->d_name);
  closedir(entries);

  int removed = 0;
  for (const std::string& candidate : candidates) {
    int fd = openat(dir, candidate.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) continue;  // gone meanwhile, or a link: not ours
    struct stat st {};
    // A save in progress holds the lock on its temporary file until it renames it.
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        unlinkat(dir, candidate.c_str(), 0) == 0)
      ++removed;
    close(fd);
  }
  return removed;
}

// Writes the files as one change, each into its open folder (see Write_Files_Atomic).
void Write_In_Folders(std::vector<Pending_File> pending,
                      const std::vector<std::string_view>& data) {
  for (const Pending_File& p : pending) Remove_Leftovers_In(p.dir, p.name);
  // A folder or a device in a target's place is refused before anything is written; a folder
  // would also make its rename fail after others had succeeded.
  for (const Pending_File& p : pending)
    if (const std::string refusal = Target_Refusal(p.dir, p.name); !refusal.empty())
      throw File_Error("Cannot write " + p.shown + ": " + refusal);
  // The files get the usual permissions of a new file; the umask is read once for them all.
  const mode_t mask = umask(0);
  umask(mask);
  for (size_t i = 0; i < pending.size(); ++i) {
    int error = Write_Temp(pending[i], data[i]);
    if (error == 0 && fchmod(pending[i].fd, 0666 & ~mask) != 0) error = errno;
    if (error != 0) {
      const std::string shown = pending[i].shown;
      Discard(pending);
      throw File_Error("Cannot write " + shown + ": " + Reason(error));
    }
  }
  // Every temporary file is complete and on disk: only now are the targets replaced, one right
  // after the other.
  for (Pending_File& p : pending) Keep_Old_Target(p);
  for (size_t i = 0; i < pending.size(); ++i) {
    Pending_File& p = pending[i];
    if (renameat(p.dir, p.temp.c_str(), p.dir, p.name.c_str()) != 0) {
      const int error = errno;
      // The targets replaced so far get their old content back where it was kept.
      for (size_t done = 0; done < i; ++done) {
        Pending_File& d = pending[done];
        d.temp.clear();
        if (!d.keep.empty() && renameat(d.dir, d.keep.c_str(), d.dir, d.name.c_str()) == 0)
          d.keep.clear();
      }
      const std::string shown = p.shown;
      Discard(pending);
      throw File_Error("Cannot write " + shown + ": " + Reason(error));
    }
  }
  // The folders' entries (the renames) go to disk. Some file systems cannot; the files
  // themselves are already flushed, so that is not an error.
  std::vector<int> folders;
  for (Pending_File& p : pending) {
    close(p.fd);
    if (std::find(folders.begin(), folders.end(), p.dir) == folders.end()) folders.push_back(p.dir);
  }
  for (int folder : folders) fsync(folder);
  for (const Pending_File& p : pending)
    if (!p.keep.empty()) unlinkat(p.dir, p.keep.c_str(), 0);
}

// Open folder descriptors, closed when it goes.
struct Open_Folders {
  std::vector<int> fds;
  ~Open_Folders() {
    for (int fd : fds) close(fd);
  }
};

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
  if (real_root.empty()) throw File_Error("Cannot use " + root + ": " + Reason(errno));
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
  const int dir = open(Parent_Of(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return 0;
  const int removed = Remove_Leftovers_In(dir, File_Name_Of(path));
  close(dir);
  return removed;
}

void Write_Files_Atomic(const std::vector<File_Content>& files) {
  Open_Folders folders;
  std::vector<Pending_File> pending;
  std::vector<std::string_view> data;
  for (const File_Content& f : files) {
    const int dir = open(Parent_Of(f.path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) throw File_Error("Cannot write " + f.path + ": " + Reason(errno));
    folders.fds.push_back(dir);
    Pending_File p;
    p.dir = dir;
    p.name = File_Name_Of(f.path);
    p.shown = f.path;
    pending.push_back(std::move(p));
    data.push_back(f.data);
  }
  Write_In_Folders(std::move(pending), data);
}

Checked_Folder::Checked_Folder(const std::string& root, const std::string& path,
                               const lang::Lang_Strings& texts)
    : path_(path), written_(path) {
  Require_Inside(root, path, texts);
  Force_Dirs(path);
  const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) throw File_Error("Cannot use " + path + ": " + Reason(errno));
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

void Checked_Folder::Write_Files_Atomic(const std::vector<File_Content>& files) const {
  std::vector<Pending_File> pending;
  std::vector<std::string_view> data;
  for (const File_Content& f : files) {
    if (!Is_Plain_Name(f.path))
      throw File_Error("Cannot write " + Join_Path(path_, f.path) + ": " + Reason(EINVAL));
    Pending_File p;
    p.dir = static_cast<int>(handle_);
    p.name = f.path;
    p.shown = Join_Path(path_, f.path);
    pending.push_back(std::move(p));
    data.push_back(f.data);
  }
  Write_In_Folders(std::move(pending), data);
}

std::vector<std::string> Checked_Folder::List() const {
  const int listing = openat(static_cast<int>(handle_), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  DIR* dir = listing < 0 ? nullptr : fdopendir(listing);
  if (dir == nullptr) {
    const int error = errno;
    if (listing >= 0) close(listing);
    throw File_Error("Cannot list the folder " + path_ + ": " + Reason(error));
  }
  std::vector<std::string> names;
  errno = 0;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  const int error = errno;
  closedir(dir);
  if (error != 0) throw File_Error("Cannot list the folder " + path_ + ": " + Reason(error));
  return names;
}

bool Checked_Folder::Remove(const std::string& name) const {
  return Is_Plain_Name(name) && unlinkat(static_cast<int>(handle_), name.c_str(), 0) == 0;
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
