// The Windows implementation of util/files.h (files.cpp holds the Linux one). Paths are UTF-8
// and reach the system through its wide-character calls, so every name the user can type works.
#ifdef _WIN32

// clang-format off
#include <windows.h>
// clang-format on

#include <algorithm>
#include <string>
#include <vector>

#include "util/files.h"
#include "util/utf.h"

namespace util {

namespace {

std::wstring W(const std::string& path) { return Utf8_To_Wide(path); }

// The system's text for an error number.
std::string Reason(DWORD error) {
  wchar_t* buffer = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string text =
      n ? Wide_To_Utf8(std::wstring_view(buffer, n)) : "error " + std::to_string(error);
  if (buffer) LocalFree(buffer);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
    text.pop_back();
  return text;
}

bool Is_Separator(char c) { return c == '/' || c == '\\'; }

std::string Parent_Of(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  if (slash == std::string::npos) return ".";
  if (slash == 0) return path.substr(0, 1);
  return path.substr(0, slash);
}

DWORD Attributes_Of(const std::string& path) { return GetFileAttributesW(W(path).c_str()); }

// A scanner or indexer may hold a freshly written file open for a moment; a rename that meets
// it is tried again a few times before the failure is reported.
bool Busy(DWORD error) { return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION; }
constexpr int Rename_Tries = 10;
constexpr DWORD Rename_Pause_Ms = 50;

// Creates a new temporary file beside `path`, named like the Linux one (".<name>.XXXXXX").
HANDLE Create_Temp(const std::string& path, std::string& temp, DWORD& error) {
  static const char Letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  LARGE_INTEGER counter{};
  QueryPerformanceCounter(&counter);
  unsigned long long seed =
      static_cast<unsigned long long>(counter.QuadPart) ^ (GetCurrentProcessId() * 2654435761ull);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string suffix;
    for (int i = 0; i < 6; ++i) {
      seed = seed * 6364136223846793005ull + 1442695040888963407ull;
      suffix += Letters[(seed >> 33) % (sizeof Letters - 1)];
    }
    temp = Join_Path(Parent_Of(path), "." + File_Name_Of(path) + "." + suffix);
    HANDLE file = CreateFileW(W(temp).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) return file;
    error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
  }
  return INVALID_HANDLE_VALUE;
}

}  // namespace

std::string Join_Path(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (!path.empty() && !Is_Separator(path.back())) path += '/';
  path += name;
  return path;
}

std::string File_Name_Of(std::string_view path) {
  size_t cut = path.find_last_of("/\\");
  return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

bool File_Exists(const std::string& path) {
  const DWORD attributes = Attributes_Of(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Dir_Exists(const std::string& path) {
  const DWORD attributes = Attributes_Of(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Create_Dir(const std::string& path) { return CreateDirectoryW(W(path).c_str(), nullptr) != 0; }

bool Force_Dirs(const std::string& path) {
  if (path.empty()) return false;
  if (Dir_Exists(path)) return true;
  std::string parent = Parent_Of(path);
  if (parent != path && !Dir_Exists(parent) && !Force_Dirs(parent)) return false;
  return Create_Dir(path) || Dir_Exists(path);
}

std::string Read_File(const std::string& path) {
  HANDLE file = CreateFileW(W(path).c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    throw File_Error("Cannot read " + path + ": " + Reason(GetLastError()));
  std::string content;
  std::vector<char> buffer(65536);
  for (;;) {
    DWORD n = 0;
    if (!ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &n, nullptr)) {
      const DWORD error = GetLastError();
      CloseHandle(file);
      throw File_Error("Cannot read " + path + ": " + Reason(error));
    }
    if (n == 0) break;
    content.append(buffer.data(), n);
  }
  CloseHandle(file);
  return content;
}

void Write_File_Atomic(const std::string& path, std::string_view data) {
  std::string temp;
  DWORD error = 0;
  HANDLE file = Create_Temp(path, temp, error);
  if (file == INVALID_HANDLE_VALUE) throw File_Error("Cannot write " + path + ": " + Reason(error));
  auto fail = [&](DWORD failure) {
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    DeleteFileW(W(temp).c_str());
    throw File_Error("Cannot write " + path + ": " + Reason(failure));
  };
  size_t written = 0;
  while (written < data.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size() - written, 1u << 30));
    DWORD n = 0;
    if (!WriteFile(file, data.data() + written, chunk, &n, nullptr)) fail(GetLastError());
    written += n;
  }
  if (!FlushFileBuffers(file)) fail(GetLastError());
  if (!CloseHandle(file)) {
    file = INVALID_HANDLE_VALUE;
    fail(GetLastError());
  }
  file = INVALID_HANDLE_VALUE;
  // The rename replaces the target in one step; the write-through flag returns only once the
  // new name is on disk.
  for (int attempt = 1;; ++attempt) {
    if (MoveFileExW(W(temp).c_str(), W(path).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      return;
    const DWORD failure = GetLastError();
    if (!Busy(failure) || attempt == Rename_Tries) fail(failure);
    Sleep(Rename_Pause_Ms);
  }
}

std::string Executable_Dir() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return ".";
    if (n < path.size()) {
      const std::string full = Wide_To_Utf8(std::wstring_view(path.data(), n));
      return full.substr(0, full.find_last_of("/\\"));
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace util

#endif  // _WIN32
