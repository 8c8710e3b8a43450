// File-system operations used by every subsystem. Every file the product writes goes through
// Write_File_Atomic, so a crash or a full disk never leaves a half-written file behind.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace util {

// A file operation that failed; what() names the file and the system's reason.
class File_Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Joins a folder and a name with the platform's separator.
std::string Join_Path(std::string_view folder, std::string_view name);

// The last component of a path ("a/b/c.icd" -> "c.icd"); both separators count.
std::string File_Name_Of(std::string_view path);

bool File_Exists(const std::string& path);     // a regular file (or a link to one)
bool Dir_Exists(const std::string& path);      // a folder (or a link to one)

// Creates one folder level; false when it fails or already exists.
bool Create_Dir(const std::string& path);
// Creates a folder with any missing parents; false when it fails.
bool Force_Dirs(const std::string& path);

// Reads a whole file; throws File_Error.
std::string Read_File(const std::string& path);

// Writes `data` to a temporary file in the target's folder, flushes it to disk and renames it
// over `path`. Throws File_Error with the system's reason; the target is then untouched.
void Write_File_Atomic(const std::string& path, std::string_view data);

// The folder of the running executable, without a trailing separator.
std::string Executable_Dir();

}  // namespace util
