#include "update/update_messages.h"

#include "update/update_strings.h"

namespace UBoot {

std::string Fill_Text(const std::string& text, const std::string& v1, const std::string& v2) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    // A translation may put the two values in either order; values are never scanned again.
    if (text[i] == '%' && i + 1 < text.size() && (text[i + 1] == '1' || text[i + 1] == '2')) {
      out += text[i + 1] == '1' ? v1 : v2;
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

Update_Message Ping_Failure_Message(const lang::Lang_Strings& strings, const TPing& ping,
                                    const std::string& program_path) {
  if (!ping.Not_Allowed.empty())
    return {false, Fill_Text(strings[update_strings::Text_Ping_Not_Allowed], ping.Not_Allowed,
                             program_path)};
  Update_Message message =
      ping.ping_res == Ping_Status::No_Data
          ? Update_Message{true, strings[update_strings::Text_Device_Not_Found]}
          : Update_Message{false, strings[update_strings::Text_Check_Ip_Address]};
  // A network that cannot be reached is not a device that does not answer: the reason follows
  // the message, so the user knows which of the two to look at.
  if (!ping.Failure.empty()) message.Text += "\n\n" + ping.Failure;
  return message;
}

Update_Message Updater_Not_Started_Message(const lang::Lang_Strings& strings,
                                           const std::string& program, const std::string& reason) {
  return {false, Fill_Text(strings[update_strings::Text_Updater_Not_Started], program, reason)};
}

}  // namespace UBoot
