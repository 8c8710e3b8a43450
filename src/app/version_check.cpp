#include "app/version_check.h"

#include <cctype>

#include "util/text.h"

// The query itself goes through libcurl here and through WinHTTP on Windows
// (version_check_windows.cpp).
#ifndef _WIN32
#include <curl/curl.h>

#include <mutex>

#include "app/version_query.h"
#include "app/web_links.h"
#endif

namespace app {

namespace {

#ifndef _WIN32
void Init_Curl_Once() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

size_t Collect_Body(char* data, size_t size, size_t count, void* user) {
  auto* body = static_cast<std::string*>(user);
  const size_t bytes = size * count;
  // Returning less than was offered makes libcurl abort the transfer with a write error.
  if (body->size() + bytes > Max_Answer_Bytes) return 0;
  body->append(data, bytes);
  return bytes;
}
#endif

std::string Upper_Case(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

std::optional<int> Conv_Version(const std::string& Ver_str) {
  const size_t blank = Ver_str.find(' ');
  const std::string version =
      util::Trim(blank == std::string::npos ? std::string_view(Ver_str)
                                            : std::string_view(Ver_str).substr(blank + 1));
  if (version.size() < 5) return std::nullopt;
  // The second character is the separator between the major digit and the three minor ones.
  const std::string digits{version[0], version[2], version[3], version[4]};
  return util::Str_To_Int(digits);
}

#ifndef _WIN32
std::string Query_Version(const std::string& server, long timeout_ms) {
  Init_Curl_Once();
  CURL* curl = curl_easy_init();
  if (!curl) return {};
  std::string body;
  curl_slist* headers = curl_slist_append(nullptr, Accept_Header);
  const std::string url = server + Version_Query_Path;

  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http");
  curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
  curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(curl, CURLOPT_USERAGENT, User_Agent);
  // A direct connection whatever the environment says: no proxy, no redirects, no cookies
  // (the cookie engine stays off because no cookie file is named).
  curl_easy_setopt(curl, CURLOPT_PROXY, "");
  curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, timeout_ms);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, timeout_ms);
  // Time-outs without SIGALRM: the program has other threads (the windowing toolkit's).
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Collect_Body);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);

  const CURLcode result = curl_easy_perform(curl);
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  curl_slist_free_all(headers);
  curl_easy_cleanup(curl);
  // A redirect is not followed and an error page is not a version: only 2xx carries the answer.
  if (result != CURLE_OK || status < 200 || status > 299) return {};
  return body;
}
#endif

bool Is_Newer_Version(const std::string& answer, const std::string& SW_Version) {
  const std::string trimmed = util::Trim(answer);
  const std::string t = Upper_Case(trimmed);
  if (t.empty() || t == "VER. 0.000") return false;
  const std::optional<int> local = Conv_Version(SW_Version);
  const std::optional<int> remote = Conv_Version(trimmed);
  return local && remote && *remote > *local;
}

bool Check_Version(const std::string& server, const std::string& SW_Version, long timeout_ms) {
  return Is_Newer_Version(Query_Version(server, timeout_ms), SW_Version);
}

}  // namespace app
