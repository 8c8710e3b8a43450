// The version query of app/version_check.h through the Windows HTTP API (WinHTTP), which comes
// with Windows; version_check.cpp holds the libcurl one and the rest of the check. The request
// is the same: a plain HTTP/1.0 GET with the product's Accept and User-Agent headers, a direct
// connection (no proxy), no redirects, no cookies, and one time limit for the whole exchange.
#ifdef _WIN32

// clang-format off
#include <windows.h>
#include <winhttp.h>
// clang-format on

#include <chrono>
#include <string>

#include "app/version_check.h"
#include "app/version_query.h"
#include "app/web_links.h"
#include "util/utf.h"

namespace app {

namespace {

// Closes a WinHTTP handle when it goes out of scope.
struct Handle {
  HINTERNET h = nullptr;
  explicit Handle(HINTERNET handle) : h(handle) {}
  ~Handle() {
    if (h) WinHttpCloseHandle(h);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  explicit operator bool() const { return h != nullptr; }
};

// The time left until `deadline` in milliseconds, at least 1 while any is left, 0 after.
int Left_Ms(std::chrono::steady_clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  return left.count() <= 0 ? 0 : static_cast<int>(left.count());
}

// Every phase of the exchange may take at most what is left of the whole: the name, the
// connection, sending, each receipt, and the wait for the answer's head, which has a time limit
// of its own.
bool Limit(HINTERNET request, std::chrono::steady_clock::time_point deadline) {
  DWORD left = static_cast<DWORD>(Left_Ms(deadline));
  return left > 0 && WinHttpSetTimeouts(request, left, left, left, left) &&
         WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &left, sizeof left);
}

}  // namespace

std::string Query_Version(const std::string& server, long timeout_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  const std::wstring url = util::Utf8_To_Wide(server + Version_Query_Path);
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwHostNameLength = static_cast<DWORD>(-1);
  parts.dwUrlPathLength = static_cast<DWORD>(-1);
  parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (!WinHttpCrackUrl(url.c_str(), 0, 0, &parts) || parts.nScheme != INTERNET_SCHEME_HTTP)
    return {};
  const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
  const std::wstring path = std::wstring(parts.lpszUrlPath, parts.dwUrlPathLength) +
                            std::wstring(parts.lpszExtraInfo, parts.dwExtraInfoLength);

  const std::wstring agent = util::Utf8_To_Wide(User_Agent);
  Handle session(WinHttpOpen(agent.c_str(), WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                             WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) return {};
  Handle connection(WinHttpConnect(session.h, host.c_str(), parts.nPort, 0));
  if (!connection) return {};
  Handle request(WinHttpOpenRequest(connection.h, L"GET", path.c_str(), L"HTTP/1.0",
                                    WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, 0));
  if (!request) return {};
  DWORD never = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
  DWORD no_cookies = WINHTTP_DISABLE_COOKIES;
  WinHttpSetOption(request.h, WINHTTP_OPTION_REDIRECT_POLICY, &never, sizeof never);
  WinHttpSetOption(request.h, WINHTTP_OPTION_DISABLE_FEATURE, &no_cookies, sizeof no_cookies);
  const std::wstring accept = util::Utf8_To_Wide(Accept_Header);
  if (!WinHttpAddRequestHeaders(request.h, accept.c_str(), static_cast<DWORD>(-1),
                                WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE))
    return {};

  if (!Limit(request.h, deadline) ||
      !WinHttpSendRequest(request.h, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0,
                          0, 0) ||
      !Limit(request.h, deadline) || !WinHttpReceiveResponse(request.h, nullptr))
    return {};
  DWORD status = 0;
  DWORD status_size = sizeof status;
  if (!WinHttpQueryHeaders(request.h, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                           WINHTTP_HEADER_NAME_BY_INDEX, &status, &status_size,
                           WINHTTP_NO_HEADER_INDEX))
    return {};
  // A redirect is not followed and an error page is not a version: only 2xx carries the answer.
  if (status < 200 || status > 299) return {};

  std::string body;
  char buffer[4096];
  for (;;) {
    DWORD got = 0;
    if (!Limit(request.h, deadline) || !WinHttpReadData(request.h, buffer, sizeof buffer, &got))
      return {};
    if (got == 0) break;
    if (body.size() + got > Max_Answer_Bytes) return {};
    body.append(buffer, got);
  }
  return body;
}

}  // namespace app

#endif  // _WIN32
