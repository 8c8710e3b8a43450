// The new-version query against the maker's web server.
#pragma once

#include <string>

namespace app {

// "VER. 1.002" -> 1002: the text after the first blank, trimmed; its 1st, 3rd, 4th and 5th
// characters as an integer; -1 when that is not an integer or the text is shorter than 5.
int Conv_Version(const std::string& Ver_str);

// Asks `server` (scheme, host and optional port, e.g. "http://127.0.0.1:8080") for the
// published version of the product; true when it is newer than `SW_Version`. Any failure of
// the query counts as no newer version.
bool Check_Version(const std::string& server, const std::string& SW_Version);

}  // namespace app
