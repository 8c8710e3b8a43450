// The Windows implementation of util/files.h (files.cpp holds the Linux one, file_names.cpp the
// name operations of both). Paths are UTF-8 and reach the system through its wide-character
// calls, so every name the user can type works.
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

// The final path of the open `handle` with every link and junction followed ("C:\\a\\b", or
// "\\\\server\\share\\b"), or empty (the system's error in `error`).
std::wstring Final_Path_Of(HANDLE handle, DWORD& error) {
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetFinalPathNameByHandleW(handle, name.data(), static_cast<DWORD>(name.size()),
                                              FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0) {
      error = GetLastError();
      return {};
    }
    if (n < name.size()) {
      name.resize(n);
      break;
    }
    name.resize(n + 1);
  }
  if (name.rfind(L"\\\\?\\UNC\\", 0) == 0) return L"\\\\" + name.substr(8);
  if (name.rfind(L"\\\\?\\", 0) == 0) return name.substr(4);
  return name;
}

// The final path of `path`, or empty (the system's error in `error`) when it cannot be opened.
std::wstring Final_Path(const std::string& path, DWORD& error) {
  // Backup semantics open folders too; no access right is asked, only the name.
  HANDLE handle =
      CreateFileW(W(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    error = GetLastError();
    return {};
  }
  std::wstring name = Final_Path_Of(handle, error);
  CloseHandle(handle);
  return name;
}

// Why the target `path` may not be replaced, or empty: something that is there and is neither a
// file nor a link to one (which the rename replaces itself) is not a save's to take.
std::string Target_Refusal(const std::string& path) {
  const DWORD attributes = Attributes_Of(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return {};
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return "Is a directory";
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return {};
  HANDLE handle =
      CreateFileW(W(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return {};
  const DWORD type = GetFileType(handle);
  CloseHandle(handle);
  return type == FILE_TYPE_DISK ? std::string() : "it is not a regular file";
}

// Whether `inner` is `outer` or below it; Windows names do not tell letter case apart.
bool Is_Within(const std::wstring& inner, std::wstring outer) {
  while (!outer.empty() && outer.back() == L'\\') outer.pop_back();
  if (inner.size() < outer.size()) return false;
  if (CompareStringOrdinal(inner.data(), static_cast<int>(outer.size()), outer.data(),
                           static_cast<int>(outer.size()), TRUE) != CSTR_EQUAL)
    return false;
  return inner.size() == outer.size() || inner[outer.size()] == L'\\';
}

}  // namespace

void Require_Inside(const std::string& root, const std::string& path,
                    const lang::Lang_Strings& texts) {
  DWORD error = 0;
  const std::wstring real_root = Final_Path(root, error);
  if (real_root.empty()) throw File_Error("Cannot use " + root + ": " + Reason(error));
  std::string walked = root;
  for (const std::string& name : Names_Below(root, path)) {
    walked = Join_Path(walked, name);
    if (!Path_Present(walked)) return;  // created later, inside what was checked
    const std::wstring real = Final_Path(walked, error);
    if (real.empty() && error == ERROR_CANT_RESOLVE_FILENAME) Throw_Link_Loop(walked, texts);
    // A link or junction that points nowhere would be followed or created elsewhere.
    if (real.empty())
      Throw_Link_Outside(walked, texts[util_strings::Text_Link_Unresolved], root, texts);
    if (!Is_Within(real, real_root)) Throw_Link_Outside(walked, Wide_To_Utf8(real), root, texts);
  }
}

bool File_Exists(const std::string& path) {
  const DWORD attributes = Attributes_Of(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Dir_Exists(const std::string& path) {
  const DWORD attributes = Attributes_Of(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// GetFileAttributesW describes a link itself, so a dangling one counts too.
bool Path_Present(const std::string& path) {
  return Attributes_Of(path) != INVALID_FILE_ATTRIBUTES;
}

bool Is_Writable_File(const std::string& path) {
  const DWORD attributes = Attributes_Of(path);
  return attributes != INVALID_FILE_ATTRIBUTES &&
         !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY));
}

std::vector<std::string> List_Folder(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW entry;
  HANDLE search = FindFirstFileW(W(Join_Path(folder, "*")).c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    // A folder without even "." and ".." (a drive's root may be one) holds nothing.
    if (error == ERROR_FILE_NOT_FOUND && Dir_Exists(folder)) return names;
    throw File_Error("Cannot list the folder " + folder + ": " + Reason(error));
  }
  do {
    const std::string name = Wide_To_Utf8(entry.cFileName);
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileW(search, &entry));
  const DWORD error = GetLastError();
  FindClose(search);
  if (error != ERROR_NO_MORE_FILES)
    throw File_Error("Cannot list the folder " + folder + ": " + Reason(error));
  return names;
}

int Make_Dir(const std::string& path) {
  return CreateDirectoryW(W(path).c_str(), nullptr) ? 0 : static_cast<int>(GetLastError());
}

bool Is_Missing_Parent(int error) { return error == ERROR_PATH_NOT_FOUND; }

bool Remove_Empty_Dir(const std::string& path) { return RemoveDirectoryW(W(path).c_str()) != 0; }

std::string Read_File(const std::string& path) {
  const DWORD attributes = Attributes_Of(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
    throw File_Error("Cannot read " + path + ": Is a directory");
  HANDLE file = CreateFileW(W(path).c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    throw File_Error("Cannot read " + path + ": " + Reason(GetLastError()));
  auto fail = [&](const std::string& reason) {
    CloseHandle(file);
    throw File_Error("Cannot read " + path + ": " + reason);
  };
  // A pipe or a device would block or never end.
  if (GetFileType(file) != FILE_TYPE_DISK) fail("it is not a regular file");
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
  for (const File_Content& f : files)
    if (const std::string refusal = Target_Refusal(f.path); !refusal.empty())
      throw File_Error("Cannot write " + f.path + ": " + refusal);
  std::vector<Pending_File> pending;
  pending.reserve(files.size());
  for (const File_Content& f : files) {
    pending.push_back({f.path, "", INVALID_HANDLE_VALUE, ""});
    if (DWORD error = Write_Temp(pending.back(), f.data)) {
      Discard(pending);
      throw File_Error("Cannot write " + f.path + ": " + Reason(error));
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
      throw File_Error("Cannot write " + files[i].path + ": " + Reason(error));
    }
  }
  for (Pending_File& p : pending) {
    CloseHandle(p.file);
    if (!p.keep.empty()) DeleteFileW(W(p.keep).c_str());
  }
}

Checked_Folder::Checked_Folder(const std::string& root, const std::string& path,
                               const lang::Lang_Strings& texts)
    : path_(path) {
  Require_Inside(root, path, texts);
  Force_Dirs(path);
  // Without FILE_SHARE_DELETE nobody can delete or rename the folder while it is held, so no
  // link can take its place; its final path, read from this very handle, is where the writes go.
  HANDLE folder =
      CreateFileW(W(path).c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (folder == INVALID_HANDLE_VALUE)
    throw File_Error("Cannot use " + path + ": " + Reason(GetLastError()));
  DWORD error = 0;
  const std::wstring real = Final_Path_Of(folder, error);
  const std::wstring real_root = Final_Path(root, error);
  if (real.empty() || real_root.empty() || !Is_Within(real, real_root)) {
    CloseHandle(folder);
    Throw_Link_Outside(
        path, real.empty() ? texts[util_strings::Text_Link_Unresolved] : Wide_To_Utf8(real), root,
        texts);
  }
  handle_ = static_cast<long long>(reinterpret_cast<intptr_t>(folder));
  written_ = Wide_To_Utf8(real);
}

Checked_Folder::~Checked_Folder() {
  if (handle_ != -1) CloseHandle(reinterpret_cast<HANDLE>(static_cast<intptr_t>(handle_)));
}

void Checked_Folder::Write_Files_Atomic(const std::vector<File_Content>& files) const {
  std::vector<std::string> paths;
  for (const File_Content& f : files) {
    if (!Is_Plain_Name(f.path))
      throw File_Error("Cannot write " + Join_Path(path_, f.path) + ": " +
                       Reason(ERROR_INVALID_NAME));
    paths.push_back(Join_Path(written_, f.path));
  }
  std::vector<File_Content> placed;
  for (size_t i = 0; i < files.size(); ++i) placed.push_back({paths[i], files[i].data});
  util::Write_Files_Atomic(placed);
}

std::vector<std::string> Checked_Folder::List() const { return List_Folder(written_); }

bool Checked_Folder::Remove(const std::string& name) const {
  return Is_Plain_Name(name) && DeleteFileW(W(Join_Path(written_, name)).c_str()) != 0;
}

// The lock file is opened through the C runtime, whose descriptor the header keeps, and locked
// with the system's byte-range lock, which the system drops when the process ends.
int Open_Lock_File(const std::string& path, std::string& failure) {
  const std::wstring name = W(path);
  int fd =
      _wopen(name.c_str(), _O_RDWR | _O_CREAT | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
  // A lock file that this user may not write can still be locked for reading.
  if (fd < 0) {
    // The C runtime keeps the system's own error of its failed call in _doserrno.
    const int create_error = static_cast<int>(_doserrno);
    fd = _wopen(name.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    if (fd < 0) failure = System_Error_Text(create_error);
  }
  return fd;
}

Lock_Outcome Lock_File(int fd, std::string& failure) {
  OVERLAPPED whole{};
  if (LockFileEx(reinterpret_cast<HANDLE>(_get_osfhandle(fd)),
                 LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &whole))
    return Lock_Outcome::Taken;
  const DWORD error = GetLastError();
  if (error == ERROR_LOCK_VIOLATION) return Lock_Outcome::Held;
  failure = Reason(error);
  return Lock_Outcome::Failed;
}

void Close_Lock_File(int fd) { _close(fd); }

std::string Executable_Path() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return std::string();
    if (n < path.size()) return Wide_To_Utf8(std::wstring_view(path.data(), n));
    path.resize(path.size() * 2);
  }
}

}  // namespace util

#endif  // _WIN32
