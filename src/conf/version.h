// The program's version: project(VERSION) in the top CMakeLists.txt, through the generated
// version_number.h. The About box, the version check, the command-line tool and the comment in
// the project files all take it from here.
#pragma once

#include <string>

#include "conf/version_number.h"

namespace conf {

inline constexpr char Program_Version[] = RQ_PROGRAM_VERSION;

// The comment that both project files carry after their root element.
inline std::string Version_Comment() { return std::string("SW_VERSION = ") + Program_Version; }

}  // namespace conf
