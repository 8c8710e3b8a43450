// The Windows implementation of util/files.h for reading and writing files
// (files_folders_windows.cpp holds its folders, files.cpp and files_folders.cpp the Linux ones,
// file_names.cpp the name operations of both). Paths are UTF-8 and reach the system through its
// wide-character calls, so every name the user can type works.
#ifdef _WIN32

// clang-format off
#include <windows.h>
// clang-format on
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "text/lang_strings.h"
#include "util/file_names.h"
#include "util/files.h"
#include "util/utf.h"
#include "util/util_strings.h"

namespace util {

std::string System_Error_Text(int error) {
  wchar_t* buffer = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(error), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string text =
      n ? Wide_To_Utf8(std::wstring_view(buffer, n)) : "error " + std::to_string(error);
  if (buffer) LocalFree(buffer);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
    text.pop_back();
  return text;
}

namespace {

std::wstring W(const std::string& path) { return Utf8_To_Wide(path); }

std::string Reason(DWORD error) { return System_Error_Text(static_cast<int>(error)); }

DWORD Attributes_Of(const std::string& path) { return GetFileAttributesW(W(path).c_str()); }

// A scanner or indexer may hold a target open for a moment; a rename that meets it is tried
// again a few times before the failure is reported.
bool Busy(DWORD error) { return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION; }
constexpr int Rename_Tries = 10;
constexpr DWORD Rename_Pause_Ms = 50;

// One file of a Write_Files_Atomic on its way. Its temporary file stays open until the rename:
// the handle lets the rename through (FILE_SHARE_DELETE) but keeps Remove_Save_Leftovers of
// another save from taking the file, as that needs it to itself.
struct Pending_File {
  std::string target;
  std::string temp;
  HANDLE file = INVALID_HANDLE_VALUE;
  std::string keep;  // a second name of the old target while the renames run, or empty
};

void Discard(std::vector<Pending_File>& pending) {
  for (Pending_File& p : pending) {
    if (p.file != INVALID_HANDLE_VALUE) CloseHandle(p.file);
    if (!p.temp.empty()) DeleteFileW(W(p.temp).c_str());
    if (!p.keep.empty()) DeleteFileW(W(p.keep).c_str());
  }
  pending.clear();
}

// A fresh name of the temporary-file pattern beside `target` (".<name>.XXXXXX", as on Linux).
std::string Temp_Name(const std::string& target) {
  static unsigned long long seed = [] {
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    return static_cast<unsigned long long>(counter.QuadPart) ^
           (GetCurrentProcessId() * 2654435761ull);
  }();
  std::string suffix;
  for (size_t i = 0; i < Temp_Suffix_Length; ++i) {
    seed = seed * 6364136223846793005ull + 1442695040888963407ull;
    suffix += Temp_Letters[(seed >> 33) % (sizeof Temp_Letters - 1)];
  }
  return Join_Path(Parent_Of(target), Temp_Prefix(target) + suffix);
}

// Gives the old target a second name (a hard link) of the temporary-file pattern, so that a
// rename that fails after others had succeeded can put their old content back. Without hard
// links (FAT, some network shares) the write goes on without that way back. A crash leaves the
// second name as a leftover that the next save removes.
void Keep_Old_Target(Pending_File& p) {
  const DWORD attributes = Attributes_Of(p.target);
  if (attributes == INVALID_FILE_ATTRIBUTES ||
      (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
    return;
  for (int attempt = 0; attempt < 20; ++attempt) {
    const std::string name = Temp_Name(p.target);
    if (CreateHardLinkW(W(name).c_str(), W(p.target).c_str(), nullptr)) {
      p.keep = name;
      return;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return;
  }
}

// Creates the temporary file of `p.target`, fills and flushes it; returns the system's error,
// 0 on success.
DWORD Write_Temp(Pending_File& p, std::string_view data) {
  DWORD error = ERROR_FILE_EXISTS;
  for (int attempt = 0; attempt < 100 && p.file == INVALID_HANDLE_VALUE; ++attempt) {
    const std::string temp = Temp_Name(p.target);
    p.file = CreateFileW(W(temp).c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    if (p.file != INVALID_HANDLE_VALUE) {
      p.temp = temp;
    } else {
      error = GetLastError();
      if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return error;
    }
  }
  if (p.file == INVALID_HANDLE_VALUE) return error;
  size_t written = 0;
  while (written < data.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size() - written, 1u << 30));
    DWORD n = 0;
    if (!WriteFile(p.file, data.data() + written, chunk, &n, nullptr)) return GetLastError();
    written += n;
  }
  if (!FlushFileBuffers(p.file)) return GetLastError();
  return 0;
}

// Renames a temporary file over its target in one step; write-through returns only once the
// new name is on disk.
DWORD Replace(const std::string& temp, const std::string& target) {
  for (int attempt = 1;; ++attempt) {
    if (MoveFileExW(W(temp).c_str(), W(target).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      return 0;
    const DWORD error = GetLastError();
    if (!Busy(error) || attempt == Rename_Tries) return error;
    Sleep(Rename_Pause_Ms);
  }
}

// Throws unless the target `path` may be replaced: something that is there and is neither a file
// nor a link to one (which the rename replaces itself) is not a save's to take.
void Refuse_Odd_Target(const std::string& path) {
  const DWORD attributes = Attributes_Of(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY)
    throw File_Error(File_Error::Attempt::Write, path, File_Error::Refusal::Is_Folder);
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return;
  HANDLE handle =
      CreateFileW(W(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return;
  const DWORD type = GetFileType(handle);
  CloseHandle(handle);
  if (type != FILE_TYPE_DISK)
    throw File_Error(File_Error::Attempt::Write, path, File_Error::Refusal::Not_Regular_File);
}

}  // namespace

std::string Read_File(const std::string& path) {
  const DWORD attributes = Attributes_Of(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
    throw File_Error(File_Error::Attempt::Read, path, File_Error::Refusal::Is_Folder);
  HANDLE file = CreateFileW(W(path).c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const auto error = GetLastError();
    throw File_Error(File_Error::Attempt::Read, path, Reason(error));
  }
  auto fail = [&](const std::string& reason) {
    CloseHandle(file);
    throw File_Error(File_Error::Attempt::Read, path, reason);
  };
  // A pipe or a device would block or never end.
  if (GetFileType(file) != FILE_TYPE_DISK) {
    CloseHandle(file);
    throw File_Error(File_Error::Attempt::Read, path, File_Error::Refusal::Not_Regular_File);
  }
  std::string content;
  std::vector<char> buffer(65536);
  for (;;) {
    DWORD n = 0;
    if (!ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &n, nullptr))
      fail(Reason(GetLastError()));
    if (n == 0) break;
    content.append(buffer.data(), n);
  }
  CloseHandle(file);
  return content;
}

int Remove_Save_Leftovers(const std::string& path) {
  const std::string folder = Parent_Of(path);
  const std::string prefix = Temp_Prefix(path);
  WIN32_FIND_DATAW entry;
  HANDLE search = FindFirstFileW(W(Join_Path(folder, "*")).c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return 0;
  std::vector<std::string> candidates;
  do {
    const std::string name = Wide_To_Utf8(entry.cFileName);
    // Only plain files: never a folder, never a link.
    if (!(entry.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) &&
        Is_Temp_Name_Of(name, prefix))
      candidates.push_back(name);
  } while (FindNextFileW(search, &entry));
  FindClose(search);

  int removed = 0;
  for (const std::string& name : candidates) {
    // Opened for this process alone and deleted when closed; a running save holds its file
    // open, so the open fails and the file stays.
    HANDLE file = CreateFileW(W(Join_Path(folder, name)).c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) continue;
    CloseHandle(file);
    ++removed;
  }
  return removed;
}

void Write_Files_Atomic(const std::vector<File_Content>& files) {
  for (const File_Content& f : files) Remove_Save_Leftovers(f.path);
  // A folder or a device in a target's place is refused before anything is written; a folder
  // would also make its rename fail after others had succeeded.
  for (const File_Content& f : files) Refuse_Odd_Target(f.path);
  std::vector<Pending_File> pending;
  pending.reserve(files.size());
  for (const File_Content& f : files) {
    pending.push_back({f.path, "", INVALID_HANDLE_VALUE, ""});
    if (DWORD error = Write_Temp(pending.back(), f.data)) {
      Discard(pending);
      throw File_Error(File_Error::Attempt::Write, f.path, Reason(error));
    }
  }
  // Every temporary file is complete and on disk: only now are the targets replaced, one right
  // after the other.
  // The last target's old content is never put back: no rename follows that could fail.
  for (size_t i = 0; i + 1 < pending.size(); ++i) Keep_Old_Target(pending[i]);
  for (size_t i = 0; i < pending.size(); ++i) {
    if (DWORD error = Replace(pending[i].temp, pending[i].target)) {
      // The targets replaced so far get their old content back where it was kept; the handle
      // on the new content goes first, as the system replaces no file that is open.
      for (size_t done = 0; done < i; ++done) {
        CloseHandle(pending[done].file);
        pending[done].file = INVALID_HANDLE_VALUE;
        pending[done].temp.clear();
        if (!pending[done].keep.empty() && Replace(pending[done].keep, pending[done].target) == 0)
          pending[done].keep.clear();
      }
      Discard(pending);
      throw File_Error(File_Error::Attempt::Write, files[i].path, Reason(error));
    }
  }
  for (Pending_File& p : pending) {
    CloseHandle(p.file);
    if (!p.keep.empty()) DeleteFileW(W(p.keep).c_str());
  }
}

void Checked_Folder::Write_Files_Atomic(const std::vector<File_Content>& files) const {
  std::vector<std::string> paths;
  for (const File_Content& f : files) {
    if (!Is_Plain_Name(f.path))
      throw File_Error(File_Error::Attempt::Write, Join_Path(path_, f.path),
                       Reason(ERROR_INVALID_NAME));
    paths.push_back(Join_Path(written_, f.path));
  }
  std::vector<File_Content> placed;
  for (size_t i = 0; i < files.size(); ++i) placed.push_back({paths[i], files[i].data});
  util::Write_Files_Atomic(placed);
}

}  // namespace util

#endif  // _WIN32
