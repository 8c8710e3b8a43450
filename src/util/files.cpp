#include "util/files.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace util {

namespace {

std::string Reason(int error) { return std::strerror(error); }

std::string Parent_Of(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

std::string Join_Path(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (!path.empty() && path.back() != '/') path += '/';
  path += name;
  return path;
}

std::string File_Name_Of(std::string_view path) {
  size_t cut = path.find_last_of("/\\");
  return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

bool File_Exists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool Dir_Exists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Create_Dir(const std::string& path) { return mkdir(path.c_str(), 0777) == 0; }

bool Force_Dirs(const std::string& path) {
  if (path.empty()) return false;
  if (Dir_Exists(path)) return true;
  std::string parent = Parent_Of(path);
  if (parent != path && !Dir_Exists(parent) && !Force_Dirs(parent)) return false;
  return Create_Dir(path) || Dir_Exists(path);
}

std::string Read_File(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw File_Error("Cannot read " + path + ": " + Reason(errno));
  std::ostringstream content;
  content << in.rdbuf();
  if (in.bad()) throw File_Error("Cannot read " + path + ": " + Reason(errno));
  return content.str();
}

void Write_File_Atomic(const std::string& path, std::string_view data) {
  std::string temp_template = Join_Path(Parent_Of(path), "." + File_Name_Of(path) + ".XXXXXX");
  std::vector<char> temp_name(temp_template.begin(), temp_template.end());
  temp_name.push_back('\0');
  int fd = mkstemp(temp_name.data());
  if (fd < 0) throw File_Error("Cannot write " + path + ": " + Reason(errno));
  const std::string temp(temp_name.data());

  auto fail = [&](int error) {
    close(fd);
    unlink(temp.c_str());
    throw File_Error("Cannot write " + path + ": " + Reason(error));
  };
  size_t written = 0;
  while (written < data.size()) {
    ssize_t n = write(fd, data.data() + written, data.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      fail(errno);
    }
    written += static_cast<size_t>(n);
  }
  // mkstemp creates the file readable by its owner only; give it the usual permissions.
  mode_t mask = umask(0);
  umask(mask);
  if (fchmod(fd, 0666 & ~mask) != 0) fail(errno);
  if (fsync(fd) != 0) fail(errno);
  if (close(fd) != 0) {
    int error = errno;
    unlink(temp.c_str());
    throw File_Error("Cannot write " + path + ": " + Reason(error));
  }
  if (rename(temp.c_str(), path.c_str()) != 0) {
    int error = errno;
    unlink(temp.c_str());
    throw File_Error("Cannot write " + path + ": " + Reason(error));
  }
}

std::string Executable_Dir() {
#ifdef _WIN32
  char buffer[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
  std::string path(buffer, n);
  return path.substr(0, path.find_last_of("\\/"));
#else
  std::vector<char> buffer(4096);
  ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return ".";
  return Parent_Of(std::string(buffer.data(), static_cast<size_t>(n)));
#endif
}

}  // namespace util
