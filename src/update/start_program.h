// Starting the external updater and waiting for it. The wait blocks the calling thread and
// processes no window events: the configurator stays still while the updater talks to the device.
#pragma once

#include <stdexcept>
#include <string>

namespace UBoot {

constexpr int Updater_Wait_Limit_Ms = 150000;  // after this the updater is left running
constexpr int Updater_Poll_Ms = 10;

// The program could not be started; what() is the system's reason.
class Start_Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What became of a program that was started.
struct Start_Result {
  bool Ended = false;  // the program ended within the limit
  int Exit_Code = -1;  // when it ended; the configurator does not act on it
  long Pid = 0;        // the process; when it was not Ended it runs on by itself
};

// Starts `NomeSW` with the command line `Parameter` (empty: no arguments; otherwise passed as
// one argument on Linux), inheriting the current folder, and polls every 10 ms until it ends or
// more than `limit_ms` have passed. `tipo` true starts it hidden (Windows; Linux has no window to
// hide). A program still running after the limit is left to run; the system's record of it is
// collected as soon as it ends (no process stays behind as a zombie), without any further call.
// Throws Start_Error when the program cannot be started.
Start_Result Start_Program(const std::string& NomeSW, const std::string& Parameter, bool tipo,
                           int limit_ms = Updater_Wait_Limit_Ms);

}  // namespace UBoot
