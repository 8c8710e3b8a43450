// English texts of the application shell that have no place in the string table.
#pragma once

namespace app_texts {

// Options, settings page: rows added in the access editor take their address from the SCL file.
inline constexpr const char* Text_Address_From_SCL =
    "Fill IP Address and Port (102) of added rows from the server's SCL file";

// Shown when the configurator is started on a workspace that a running configurator holds;
// the folder follows on its own line.
inline constexpr const char* Text_Workspace_In_Use =
    "The configurator is already running on this workspace. Close it before you start it "
    "again.";

// Shown when the workspace lock cannot be taken for another reason than a running configurator
// (a read-only program folder); the lock file and the system's reason follow on their own line.
inline constexpr const char* Text_Workspace_Not_Lockable =
    "The configurator cannot lock this workspace, so it cannot make sure that no other "
    "configurator uses it at the same time. Make the program folder writable and start it "
    "again.";

}  // namespace app_texts
