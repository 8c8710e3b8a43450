// English texts of the main window's features that have no place in the string table.
#pragma once

namespace app_texts {

// The question before the Update step builds the images from a data map with conflicts.
inline constexpr const char* Text_Build_Anyway = "Build the images anyway?";

}  // namespace app_texts
