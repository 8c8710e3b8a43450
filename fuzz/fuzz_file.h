// Readers that take a path get each input through a file of this fuzzing process.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "util/files.h"

// In memory where the system offers a folder for it (every input is written, with a sync), else
// in the temporary folder.
inline std::string Fuzz_Input_File(const std::string& name) {
  static const std::string folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  return folder + "/rq30517-fuzz-" + std::to_string(getpid()) + "-" + name;
}

inline std::string Write_Fuzz_Input(const std::string& name, const uint8_t* data, size_t size) {
  const std::string path = Fuzz_Input_File(name);
  util::Write_File_Atomic(path, std::string(reinterpret_cast<const char*>(data), size));
  return path;
}
