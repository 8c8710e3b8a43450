// The names of the temporary files that a save writes beside its target, the same on every
// system: "." + the target's name + "." + six letters or digits. Used by files.cpp and
// files_windows.cpp only.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace lang {
class Lang_Strings;  // the texts of messages (lang/lang_strings.h, read inline)
}

namespace util {

// The characters of the six that end a temporary file's name.
inline constexpr char Temp_Letters[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
// Six, as many as mkstemp puts in place of "XXXXXX".
inline constexpr size_t Temp_Suffix_Length = 6;

// "." + the file name of `path` + ".": what every temporary file of a save of `path` starts with.
std::string Temp_Prefix(const std::string& path);

// Whether `entry` (a name in the target's folder) is `prefix` followed by six letters or digits.
bool Is_Temp_Name_Of(const std::string& entry, const std::string& prefix);

// The folder part of `path` ("." for a bare name; the root stays the root). Windows takes
// either separator.
std::string Parent_Of(const std::string& path);

// The folder names that follow `root` in `path` ("a/b" for root "/w" and path "/w/a/b"); both
// separators count. Empty when `path` is `root`; throws File_Error when it does not start with it.
std::vector<std::string> Names_Below(const std::string& root, const std::string& path);

// The failure of Require_Inside: `link` leads to `target`, outside `root`, in the words of
// `texts`.
[[noreturn]] void Throw_Link_Outside(const std::string& link, const std::string& target,
                                     const std::string& root, const lang::Lang_Strings& texts);

// The failure of Require_Inside for a link that leads back to itself (a loop of links).
[[noreturn]] void Throw_Link_Loop(const std::string& link, const lang::Lang_Strings& texts);

// Creates one folder level: 0, or the system's error code (errno; GetLastError()) of the failure.
int Make_Dir(const std::string& path);
// Whether that code says a folder above the one to create is missing (ENOENT;
// ERROR_PATH_NOT_FOUND), so that creating the parents first may help.
bool Is_Missing_Parent(int error);

// The system's part of Folder_Lock (files_folders.cpp, files_folders_windows.cpp);
// file_names.cpp holds the rest.
// Opens the lock file, creating it when missing, and gives its descriptor. Throws File_Error
// (Attempt::Use, the path, and the system's reason or Not_Regular_File) when it cannot.
int Open_Lock_File(const std::string& path);
enum class Lock_Outcome { Taken, Held, Failed };
struct Lock_Attempt {
  Lock_Outcome outcome;
  std::string reason;  // the system's text when Failed, else empty
};
// Takes the exclusive lock without waiting. Another holder is no failure, so this throws nothing.
Lock_Attempt Lock_File(int fd);
void Close_Lock_File(int fd);

}  // namespace util
