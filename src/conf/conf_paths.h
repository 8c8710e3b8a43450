// A configuration's files and folders, and the check of its folders before anything is written
// into them. Qt-free and without the program's other state: the windows hand it what their
// context holds, the command line a configuration folder it was given.
#pragma once

#include <memory>
#include <string>

#include "text/lang_strings.h"
#include "util/files.h"

namespace conf {

struct Conf_Paths {
  // The workspace (the program folder with MASTER and PROJECTS); empty on the command line,
  // where the configuration folder is the one given.
  std::string Exe_Dir;
  std::string Master_Dir;
  std::string Projects_Dir;

  // Active configuration: active exactly when Active_Conf_Dir is not empty.
  std::string Active_Conf_Dir;
  std::string ParGen_File;
  std::string IEC_Client_File;

  bool Conf_Active() const { return !Active_Conf_Dir.empty(); }
  // Recomputes ParGen_File and IEC_Client_File from Active_Conf_Dir.
  void Set_Files();
};

// The paths of the configuration in `folder`, outside any workspace (the command line's).
Conf_Paths Conf_Paths_Of(const std::string& folder);

// Throws util::File_Error, naming the link and where it leads, unless the active configuration's
// folder resolves inside the workspace and its ICD_Catalog and bin inside the configuration
// folder (links in the file layer's sense: symbolic links, junctions). Every step that writes
// into the configuration asks this first and writes nothing after a failure. Paths without a
// workspace (Exe_Dir empty, as on the command line) take the configuration folder as given.
void Require_Conf_Folders(const Conf_Paths& paths, const lang::Lang_Strings& texts);
// Require_Conf_Folders, then the configuration folder opened and checked by its handle: the
// steps write their files through it, so a link swapped in afterwards changes nothing.
std::unique_ptr<util::Checked_Folder> Open_Conf_Folder(const Conf_Paths& paths,
                                                       const lang::Lang_Strings& texts);
// Whether `file` is a file of the configuration folder itself (as ParGen_File and IEC_Client_File
// are), which the steps write through Open_Conf_Folder; paths may name one elsewhere.
bool In_Conf_Folder(const Conf_Paths& paths, const std::string& file);

}  // namespace conf
