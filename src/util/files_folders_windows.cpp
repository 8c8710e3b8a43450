// The Windows implementation of util/files.h for folders: where a folder leads (Require_Inside,
// Checked_Folder), what stands at a path, listing and creating folders, the workspace lock's
// system calls and the executable's path. files_windows.cpp reads and writes files; files.cpp
// and files_folders.cpp are the Linux ones. Paths are UTF-8 and reach the system through its
// wide-character calls.
#ifdef _WIN32

// clang-format off
#include <windows.h>
// clang-format on
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cstdint>
#include <string>
#include <vector>

#include "text/lang_strings.h"
#include "util/file_names.h"
#include "util/files.h"
#include "util/utf.h"
#include "util/util_strings.h"

namespace util {

namespace {

std::wstring W(const std::string& path) { return Utf8_To_Wide(path); }

std::string Reason(DWORD error) { return System_Error_Text(static_cast<int>(error)); }

DWORD Attributes_Of(const std::string& path) { return GetFileAttributesW(W(path).c_str()); }

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
  if (real_root.empty()) throw File_Error(File_Error::Attempt::Use, root, Reason(error));
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
    throw File_Error(File_Error::Attempt::List_Folder, folder, Reason(error));
  }
  do {
    const std::string name = Wide_To_Utf8(entry.cFileName);
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileW(search, &entry));
  const DWORD error = GetLastError();
  FindClose(search);
  if (error != ERROR_NO_MORE_FILES)
    throw File_Error(File_Error::Attempt::List_Folder, folder, Reason(error));
  return names;
}

int Make_Dir(const std::string& path) {
  return CreateDirectoryW(W(path).c_str(), nullptr) ? 0 : static_cast<int>(GetLastError());
}

bool Is_Missing_Parent(int error) { return error == ERROR_PATH_NOT_FOUND; }

void Remove_Empty_Dir(const std::string& path) {
  RemoveDirectoryW(W(path).c_str());  // best effort: a folder that stays is the caller's to accept
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
  if (folder == INVALID_HANDLE_VALUE) {
    const auto error = GetLastError();
    throw File_Error(File_Error::Attempt::Use, path, Reason(error));
  }
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

std::vector<std::string> Checked_Folder::List() const { return List_Folder(written_); }

bool Checked_Folder::Remove(const std::string& name) const {
  return Is_Plain_Name(name) && DeleteFileW(W(Join_Path(written_, name)).c_str()) != 0;
}

// The lock file is opened through the C runtime, whose descriptor the header keeps, and locked
// with the system's byte-range lock, which the system drops when the process ends.
int Open_Lock_File(const std::string& path) {
  const std::wstring name = W(path);
  int fd =
      _wopen(name.c_str(), _O_RDWR | _O_CREAT | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
  // A lock file that this user may not write can still be locked for reading.
  if (fd < 0) {
    // The C runtime keeps the system's own error of its failed call in _doserrno.
    const int create_error = static_cast<int>(_doserrno);
    fd = _wopen(name.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    if (fd < 0) throw File_Error(File_Error::Attempt::Use, path, System_Error_Text(create_error));
  }
  return fd;
}

Lock_Attempt Lock_File(int fd) {
  OVERLAPPED whole{};
  if (LockFileEx(reinterpret_cast<HANDLE>(_get_osfhandle(fd)),
                 LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &whole))
    return {Lock_Outcome::Taken, {}};
  const DWORD error = GetLastError();
  if (error == ERROR_LOCK_VIOLATION) return {Lock_Outcome::Held, {}};
  return {Lock_Outcome::Failed, Reason(error)};
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
