// File-system operations used by every subsystem. Every file the product writes goes through
// Write_File_Atomic, so a crash or a full disk never leaves a half-written file behind.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace lang {
class Lang_Strings;  // the texts of messages (lang/lang_strings.h, read inline)
}

namespace util {

// A file operation that failed: what was attempted, on which file or folder, and why. what() is
// the message in the built-in English; Error_Text words it in the language of a table.
class File_Error : public std::runtime_error {
 public:
  // What was attempted.
  enum class Attempt {
    Read,
    Write,
    Use,  // open or resolve a folder to work in, open or lock a folder's lock file
    List_Folder,
    Create_Folder,
    Unnamed_Folder,  // create a folder whose path is empty (no path, no reason)
    Worded,          // a message already in the words of the caller's table
  };
  // Why it failed: the system's reason, or one the platform layer gives itself.
  enum class Refusal {
    System,            // Reason() holds the system's text, kept as the system gives it
    Not_Regular_File,  // a FIFO, device or socket where a file is expected
    Is_Folder,         // a folder where a file is expected (Windows; Linux says it itself)
    Not_Inside,        // the path is not below the folder Reason() names
  };

  // `reason`: the system's text for the failure (System_Error_Text).
  File_Error(Attempt attempt, std::string path, std::string reason);
  // A reason of the platform layer's own; for Not_Inside `root` is the folder left.
  File_Error(Attempt attempt, std::string path, Refusal refusal, std::string root = {});
  // A message complete as it is (Attempt::Worded).
  explicit File_Error(const std::string& worded);

  Attempt What_Attempted() const { return attempt_; }
  const std::string& Path() const { return path_; }
  Refusal Why() const { return refusal_; }
  // The system's text, or for Not_Inside the folder left.
  const std::string& Reason() const { return reason_; }

  // The message in the words of `texts`: the path and the system's reason as they are.
  std::string Text(const lang::Lang_Strings& texts) const;

 private:
  Attempt attempt_;
  std::string path_;
  Refusal refusal_;
  std::string reason_;
};

// The message of a failure to show the user, in the words of `texts`: a File_Error or an
// Xml_Error (util/xml.h) worded from the table, any other exception's what() (the core words
// those from the table it was given). Every window that shows an exception's text goes
// through it.
std::string Error_Text(const std::exception& error, const lang::Lang_Strings& texts);

// Joins a folder and a name with the platform's separator.
std::string Join_Path(std::string_view folder, std::string_view name);

// The last component of a path ("a/b/c.icd" -> "c.icd"); both separators count.
std::string File_Name_Of(std::string_view path);

bool File_Exists(const std::string& path);  // a regular file (or a link to one)
bool Dir_Exists(const std::string& path);   // a folder (or a link to one)
// Anything at all stands at `path`: a file of any kind, a folder, or a link, even a dangling one.
bool Path_Present(const std::string& path);
// A regular file (or a link to one) that carries a write permission: on Linux any of its write
// bits, on Windows no read-only attribute. The mark the file carries, not whether the current
// user may write it.
bool Is_Writable_File(const std::string& path);

// The names (UTF-8) of the entries of `folder`, without "." and "..", in the order the system
// lists them. Throws File_Error naming the folder and the system's reason when it cannot be
// listed (also when it is not there).
std::vector<std::string> List_Folder(const std::string& folder);

// True when `name` names one entry inside a folder: not empty, no path separator ("/" or "\\"),
// no NUL, and neither "." nor "..". Names taken from files (settings, language choice) must pass
// this before they are joined to a folder, so they cannot lead outside it.
bool Is_Plain_Name(std::string_view name);

// Creates one folder level. Throws File_Error naming the folder and the system's reason when it
// cannot (also when anything, a folder too, is already at `path`).
void Create_Dir(const std::string& path);
// Removes `path` when it is an empty folder. A best-effort clean-up: when it cannot (the folder
// is not empty, not there, or may not be removed) it changes nothing and reports nothing.
void Remove_Empty_Dir(const std::string& path);
// Creates a folder with any missing parents (nothing to do when it is there). Throws File_Error
// naming the folder that could not be made and the system's reason for it.
void Force_Dirs(const std::string& path);

// Throws File_Error unless `path` resolves inside `root`: `path` is `root` followed by folder
// names, and each of them that exists is followed through links (Linux: symbolic links;
// Windows: symbolic links and junctions) and must end up in `root`'s real folder or below it.
// The message names the first one that does not, where it leads and `root`, and says that
// nothing was written (the caller writes nothing after this failure). Folders not there yet
// pass: they are created inside what was checked. Every step that writes into a configuration
// folder, its ICD_Catalog or its bin asks this first, so a link cannot carry files elsewhere.
// The message is in the words of `texts` (the windows' table; the command line's built-in English).
void Require_Inside(const std::string& root, const std::string& path,
                    const lang::Lang_Strings& texts);

// Reads a whole regular file (or a link to one); throws File_Error naming the file, also for a
// folder, a FIFO, a device or a dangling link. Never blocks on a FIFO.
std::string Read_File(const std::string& path);

// Writes `data` to a temporary file in the target's folder, flushes it to disk and renames it
// over `path`. Throws File_Error with the system's reason; the target is then untouched. A target
// that is there and is neither a regular file nor a link (a folder, FIFO, device or socket) is
// refused before anything is written: a save never replaces something that is not a file.
// Temporary files of an earlier save of the same target that was interrupted (".name.XXXXXX",
// no longer held by a running save) are removed first.
void Write_File_Atomic(const std::string& path, std::string_view data);

struct File_Content {
  std::string path;
  std::string_view data;
};

// Writes several files as one change: each to its own temporary file beside its target, all of
// them flushed to disk, and only then renamed into place one after the other, and the folders
// flushed. A failure leaves every target with its old content (a rename that fails after others
// succeeded puts theirs back). Only a crash in the microseconds of the renames can leave some
// targets new and others old; the targets are renamed in the order given, so a record renamed
// first (the image pair's bank.sum) lets a reader tell such a mix.
void Write_Files_Atomic(const std::vector<File_Content>& files);

// Removes the temporary files that an interrupted save of `path` left beside it: regular files
// named exactly "." + name + "." + six letters or digits that no running save holds. Returns how
// many were removed.
int Remove_Save_Leftovers(const std::string& path);

// A folder opened once and checked by its handle to lie inside `root`, for the writes into it.
// Every file written, listed or removed through it lands in the folder that was checked, even
// when another process swaps a link in for that folder (or a folder above it) meanwhile:
// Linux writes relative to the open folder (openat, renameat, linkat, unlinkat, fsync on it);
// Windows holds the folder open without letting it be deleted or renamed and writes below the
// final path read from that handle. Every write into a configuration (its files, bin,
// ICD_Catalog) goes through one.
class Checked_Folder {
 public:
  // Require_Inside(root, path, texts), creates what is missing of `path`, opens it and checks
  // again, by the open handle, that it lies inside `root`: a link swapped in between the check
  // and the opening is refused in the same words. Throws File_Error; nothing is written then.
  Checked_Folder(const std::string& root, const std::string& path, const lang::Lang_Strings& texts);
  ~Checked_Folder();
  Checked_Folder(const Checked_Folder&) = delete;
  Checked_Folder& operator=(const Checked_Folder&) = delete;

  // The folder's path as given, for messages and for the readers.
  const std::string& Path() const { return path_; }
  // Write_Files_Atomic for files of this folder: each File_Content's path is a plain name
  // (Is_Plain_Name) in it; a message names the file by Path() and that name.
  void Write_Files_Atomic(const std::vector<File_Content>& files) const;
  void Write_File_Atomic(const std::string& name, std::string_view data) const;
  // The names of the folder's entries, as List_Folder.
  std::vector<std::string> List() const;
  // Removes the file `name` of the folder; false when it cannot.
  bool Remove(const std::string& name) const;

 private:
  std::string path_;
  std::string written_;  // where the writes go: Path() on Linux, the handle's final path on Windows
  long long handle_ = -1;  // the open folder: a descriptor on Linux, a HANDLE on Windows
};

// An exclusive lock on a folder, held through an open lock file inside it. The system releases
// it when the process ends in any way, so a crashed holder leaves no lock behind (its file stays
// and is simply taken over).
class Folder_Lock {
 public:
  Folder_Lock() = default;
  ~Folder_Lock();
  Folder_Lock(const Folder_Lock&) = delete;
  Folder_Lock& operator=(const Folder_Lock&) = delete;

  enum class Result {
    Taken,     // this object holds the lock now
    Held,      // another process (or another Folder_Lock) holds it
    Unusable,  // the lock file can be neither opened nor created nor locked (a read-only or
               // missing folder, a link, a folder or a FIFO in its place); Failure() says why
  };
  // Takes the lock through the file `folder`/`file_name`, creating it when missing; never waits.
  Result Try_Lock(const std::string& folder, const std::string& file_name);
  void Unlock();
  bool Locked() const { return fd_ >= 0; }
  // Why the last Try_Lock gave Unusable (Attempt::Use, the lock file and the reason; Error_Text
  // words it in a table's language); empty after any other result.
  const std::optional<File_Error>& Failure() const { return failure_; }

 private:
  int fd_ = -1;
  std::optional<File_Error> failure_;
};

// The system's text (UTF-8, without a trailing line break) for an error number: errno's on
// Linux (strerror), GetLastError()'s on Windows (FormatMessageW). Every message that gives the
// system's reason for a failure takes it from here.
std::string System_Error_Text(int error);

// The full path of the running executable; empty when the system does not tell it.
std::string Executable_Path();
// The folder of the running executable, without a trailing separator ("." when unknown).
std::string Executable_Dir();

}  // namespace util
