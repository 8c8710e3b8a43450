// What the access editor's windows take from the program around them: the few settings they use
// and the configuration's paths, as references to the program's own values (the configuration
// open changes between two openings of the editor, and the editor writes back its option box and
// the folders its file dialogs last opened), and the configuration folder's checks. The program
// builds it once (the main window, from its context); tests build their own.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "text/lang_strings.h"
#include "util/files.h"

namespace UIEC_61850_Access {

struct Editor_Options {
  const lang::Lang_Strings& Strings;
  const std::string& SW_Code;
  // The configuration open and its client file (IEC_61850_Client.xml).
  const std::string& Conf_Dir;
  const std::string& Client_File;
  // "Address from SCL": Add Var fills a new row's address from its server's SCL file.
  bool& Address_From_SCL;
  const bool& Double_Click_Auto_Size;
  const bool& Enable_Jump_Field_Tables;
  // The folders the file dialogs last opened: SCL files, the data map's CSV, the report's CSV.
  std::string& SCL_Folder;
  std::string& Map_Folder;
  std::string& Report_Folder;
  // Throws (util::File_Error) when the configuration folder, its catalog or bin leaves where
  // it belongs; every step that writes into the configuration asks it first.
  std::function<void()> Require_Conf_Folders;
  // Require_Conf_Folders, then the configuration folder opened and checked by its handle.
  std::function<std::unique_ptr<util::Checked_Folder>()> Open_Conf_Folder;
};

}  // namespace UIEC_61850_Access
