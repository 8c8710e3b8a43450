// The program's version, written here once: the About box, the version check, the
// command-line tool and the comment in the project files all take it from here.
#pragma once

#include <string>

namespace app {

inline constexpr char Program_Version[] = "1.001";

// The comment that both project files carry after their root element.
inline std::string Version_Comment() { return std::string("SW_VERSION = ") + Program_Version; }

}  // namespace app
