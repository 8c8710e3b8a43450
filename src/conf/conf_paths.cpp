#include "conf/conf_paths.h"

namespace conf {

void Conf_Paths::Set_Files() {
  ParGen_File = util::Join_Path(Active_Conf_Dir, "ParGen.xml");
  IEC_Client_File = util::Join_Path(Active_Conf_Dir, "IEC_61850_Client.xml");
}

Conf_Paths Conf_Paths_Of(const std::string& folder) {
  Conf_Paths paths;
  paths.Active_Conf_Dir = folder;
  paths.Set_Files();
  return paths;
}

void Require_Conf_Folders(const Conf_Paths& paths, const lang::Lang_Strings& texts) {
  // Without a workspace (the command line's) the configuration folder is the one given.
  if (!paths.Exe_Dir.empty()) util::Require_Inside(paths.Exe_Dir, paths.Active_Conf_Dir, texts);
  // The folders the configuration's own steps write into: the access editor's copies of the SCL
  // files and the images. Each belongs to this configuration alone, not to another one.
  for (const char* folder : {"ICD_Catalog", "bin"})
    util::Require_Inside(paths.Active_Conf_Dir, util::Join_Path(paths.Active_Conf_Dir, folder),
                         texts);
}

bool In_Conf_Folder(const Conf_Paths& paths, const std::string& file) {
  return file == util::Join_Path(paths.Active_Conf_Dir, util::File_Name_Of(file));
}

std::unique_ptr<util::Checked_Folder> Open_Conf_Folder(const Conf_Paths& paths,
                                                       const lang::Lang_Strings& texts) {
  Require_Conf_Folders(paths, texts);
  return std::make_unique<util::Checked_Folder>(
      paths.Exe_Dir.empty() ? paths.Active_Conf_Dir : paths.Exe_Dir, paths.Active_Conf_Dir, texts);
}

}  // namespace conf
