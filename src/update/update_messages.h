// The messages of the update dialog that depend on what went wrong, composed from the string
// table so that a language file can translate them.
#pragma once

#include <string>

#include "text/lang_strings.h"
#include "update/ping.h"

namespace UBoot {

struct Update_Message {
  bool Warning = false;  // a warning box; otherwise an error box
  std::string Text;
};

// Replaces every "%1" and "%2" in `text` by the two values.
std::string Fill_Text(const std::string& text, const std::string& v1, const std::string& v2 = "");

// The message after a failed reachability check: the system's refusal to send echo requests
// when that ended it, else "Device Not Found!" when the last reply carried no data, else
// "Error!!! Check the Ip Address"; when an error of the echo service ended the check, its
// reason follows on a paragraph of its own.
Update_Message Ping_Failure_Message(const lang::Lang_Strings& strings, const TPing& ping,
                                    const std::string& program_path);

// The message when the updater could not be started.
Update_Message Updater_Not_Started_Message(const lang::Lang_Strings& strings,
                                           const std::string& program, const std::string& reason);

}  // namespace UBoot
