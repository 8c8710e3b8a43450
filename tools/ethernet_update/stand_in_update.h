// The stand-in for the device's updater: reads Ethernet_Update.xml, checks it and the files it
// names, and reports what the real updater would download where. It sends nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace Stand_In_Update {

enum class File_State { Missing, Unreadable, Read };

struct File_Read {
  File_State State = File_State::Missing;
  uint64_t Size = 0;   // the file's size on disk
  std::string Bytes;   // its first `limit` bytes
  std::string Reason;  // why it is missing or unreadable
};

// Reads at most `limit` bytes of the regular file `path`.
using File_Reader = std::function<File_Read(const std::string& path, size_t limit)>;

// The machine's files.
File_Read Read_Disk_File(const std::string& path, size_t limit);

struct Report {
  bool Ok = false;   // the file and every image it names are in order
  std::string Text;  // one line per finding
};

// Checks the parameter file's text and the files it names. Never throws: whatever the text,
// the answer is a report.
Report Check_Update_File(const std::string& xml_text, const File_Reader& read_file);

}  // namespace Stand_In_Update
