// The maker's web addresses. Only the page paths, query and fragment are fixed by the device
// family; the host is one constant so that a deployment can change it in one place.
#pragma once

namespace app {

constexpr const char* Maker_Web_Server = "http://www.tolvan.example";
constexpr const char* Home_Page_Path = "/HOME/default.asp?frompg=RQ30517";
constexpr const char* Download_Page_Path = "/Home/download/download.asp#GW30517";
constexpr const char* Version_Query_Path = "/home/download/GetversionSW.asp?nomesw=RQ30517";

}  // namespace app
