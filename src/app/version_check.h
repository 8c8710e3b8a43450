// The new-version query against the maker's web server.
#pragma once

#include <optional>
#include <string>

namespace app {

// How long the query may take, in milliseconds, for the connection and for the whole
// exchange. It runs on the user-interface thread, so it must give up after a few seconds.
constexpr long Version_Query_Timeout_Ms = 5000;

// "VER. 1.002" -> 1002: the text after the first blank, trimmed; its 1st, 3rd, 4th and 5th
// characters as an integer; no value when that is not an integer or the text is shorter than 5.
std::optional<int> Conv_Version(const std::string& Ver_str);

// Sends the version query (plain HTTP/1.0 GET of Version_Query_Path) to `server` and returns
// the answer's body. Every failure (no connection, an HTTP status other than 2xx, an
// interrupted or oversized transfer, the time-out) gives an empty answer.
std::string Query_Version(const std::string& server, long timeout_ms = Version_Query_Timeout_Ms);

// Whether the server's answer names a version newer than `SW_Version`. An empty answer,
// "VER. 0.000" (the server knows no version) in any letter case, or an answer that does not
// hold a version is no update; neither is an equal or older version.
bool Is_Newer_Version(const std::string& answer, const std::string& SW_Version);

// Asks `server` (scheme, host and optional port, e.g. "http://127.0.0.1:8080") for the
// published version of the product; true when it is newer than `SW_Version`. Any failure of
// the query counts as no newer version.
bool Check_Version(const std::string& server, const std::string& SW_Version,
                   long timeout_ms = Version_Query_Timeout_Ms);

}  // namespace app
