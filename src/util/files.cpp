// The Linux implementation of util/files.h for reading and writing files; files_folders.cpp holds
// its folders, files_windows.cpp and files_folders_windows.cpp are the Windows ones, and the name
// operations that are the same on both are in file_names.cpp.
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

// Throws unless the target `name` in `dir` (`shown` in messages) may be replaced: something that
// is there and is neither a regular file nor a link (which the rename replaces itself) is not a
// save's to take.
void Refuse_Odd_Target(int dir, const std::string& name, const std::string& shown) {
  struct stat st {};
  if (fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return;
  if (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)) return;
  if (S_ISDIR(st.st_mode)) throw File_Error(File_Error::Attempt::Write, shown, Reason(EISDIR));
  throw File_Error(File_Error::Attempt::Write, shown, File_Error::Refusal::Not_Regular_File);
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
  for (const Pending_File& p : pending) Refuse_Odd_Target(p.dir, p.name, p.shown);
  // The files get the usual permissions of a new file; the umask is read once for them all.
  const mode_t mask = umask(0);
  umask(mask);
  for (size_t i = 0; i < pending.size(); ++i) {
    int error = Write_Temp(pending[i], data[i]);
    if (error == 0 && fchmod(pending[i].fd, 0666 & ~mask) != 0) error = errno;
    if (error != 0) {
      const std::string shown = pending[i].shown;
      Discard(pending);
      throw File_Error(File_Error::Attempt::Write, shown, Reason(error));
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
      throw File_Error(File_Error::Attempt::Write, shown, Reason(error));
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

}  // namespace

std::string Read_File(const std::string& path) {
  // Without O_NONBLOCK opening a FIFO would wait for a writer; the type is checked right after.
  int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    const auto error = errno;
    throw File_Error(File_Error::Attempt::Read, path, Reason(error));
  }
  auto fail = [&](const std::string& reason) {
    close(fd);
    throw File_Error(File_Error::Attempt::Read, path, reason);
  };
  struct stat st {};
  if (fstat(fd, &st) != 0) fail(Reason(errno));
  if (S_ISDIR(st.st_mode)) fail(Reason(EISDIR));
  if (!S_ISREG(st.st_mode)) {
    close(fd);
    throw File_Error(File_Error::Attempt::Read, path, File_Error::Refusal::Not_Regular_File);
  }
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
    if (dir < 0) {
      const auto error = errno;
      throw File_Error(File_Error::Attempt::Write, f.path, Reason(error));
    }
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

void Checked_Folder::Write_Files_Atomic(const std::vector<File_Content>& files) const {
  std::vector<Pending_File> pending;
  std::vector<std::string_view> data;
  for (const File_Content& f : files) {
    if (!Is_Plain_Name(f.path))
      throw File_Error(File_Error::Attempt::Write, Join_Path(path_, f.path), Reason(EINVAL));
    Pending_File p;
    p.dir = static_cast<int>(handle_);
    p.name = f.path;
    p.shown = Join_Path(path_, f.path);
    pending.push_back(std::move(p));
    data.push_back(f.data);
  }
  Write_In_Folders(std::move(pending), data);
}

}  // namespace util

#endif  // !_WIN32
