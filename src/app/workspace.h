// The workspace beside the executable, the configurations in it, and the settings file
// Varnoscope.xml that remembers the last configuration and the options between runs.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/context.h"
#include "util/files.h"

namespace app {

constexpr const char* Settings_File_Name = "Varnoscope.xml";
// Held open and locked in the workspace by the running configurator (one per workspace).
constexpr const char* Workspace_Lock_File_Name = "Varnoscope.lock";

// Sets Exe_Dir and its MASTER, PROJECTS and LANGUAGE folders, creating each missing one
// (one level; a failure is not reported), and puts the language files that come with the
// program into LANGUAGE where they are missing (lang::Install_Language_Files).
void Setup_Workspace(App_Context& ctx, const std::string& exe_dir);

// Reads the settings file into the context, each group with its own defaults. A missing file,
// or one that is not well-formed, gives all defaults.
void Read_Settings(App_Context& ctx);
// The same for the settings file's text.
void Read_Settings_Text(App_Context& ctx, const std::string& text);

// The settings file's text for the current values.
std::string Settings_Xml(const App_Context& ctx);
// Writes the settings file atomically; throws util::File_Error with the system's reason.
void Save_Setting(const App_Context& ctx);

// Re-activates the remembered configuration when its folder still exists in PROJECTS. A name
// that would lead out of PROJECTS ("/", "\\", "." or "..") stays inactive like a missing folder.
void Reopen_Remembered_Configuration(App_Context& ctx);

// Activates `name` (the open dialog's choice): empty means no configuration is active.
void Activate_Configuration(App_Context& ctx, const std::string& name);

// Creates PROJECTS/name with its bin folder and activates it. The name is taken as typed; a
// name that would leave PROJECTS (holding a path separator, or "." or "..") is refused like
// one the file system rejects. A refusal throws std::runtime_error with the message to show
// (an empty name, a configuration that exists, a folder that cannot be created) and changes
// nothing.
void Create_Configuration(App_Context& ctx, const std::string& name);

// The names of the folders in PROJECTS, as the file system lists them; none when PROJECTS is
// not there. Throws util::File_Error when it cannot be listed.
std::vector<std::string> Load_Existing_Configuration(const std::string& Projects_Dir);

// Index of the first entry equal to `name` ignoring letter case, or -1.
int Search_Open_Conf(const std::vector<std::string>& list, const std::string& name);

// The active configuration's name as its folder is called: Active_Conf_Dir after
// Projects_Dir and one separator; empty when none is active.
std::string Active_Folder_Name(const App_Context& ctx);

// conf::Require_Conf_Folders, conf::Open_Conf_Folder and conf::In_Conf_Folder on the context's
// paths, worded with its table.
inline void Require_Conf_Folders(const App_Context& ctx) {
  conf::Require_Conf_Folders(ctx, ctx.Lang_Strings);
}
inline std::unique_ptr<util::Checked_Folder> Open_Conf_Folder(const App_Context& ctx) {
  return conf::Open_Conf_Folder(ctx, ctx.Lang_Strings);
}
inline bool In_Conf_Folder(const App_Context& ctx, const std::string& file) {
  return conf::In_Conf_Folder(ctx, file);
}

}  // namespace app
