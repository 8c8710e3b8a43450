// What the version query sends, the same through libcurl (version_check.cpp) and through
// WinHTTP on Windows (version_check_windows.cpp).
#pragma once

#include <cstddef>

namespace app {

constexpr const char* Accept_Header =
    "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8";
constexpr const char* User_Agent = "Mozilla/3.0 (compatible; Indy Library)";

// The answer is a short version text; anything much larger is not from the version page and is
// dropped rather than held in memory.
constexpr std::size_t Max_Answer_Bytes = 64 * 1024;

}  // namespace app
