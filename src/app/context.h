// The process-wide state of one run of the configurator: workspace folders, the active
// configuration, remembered values and options, the product identity and the string table.
// Created once at start and handed by reference to every window that needs it.
#pragma once

#include <string>

#include "app/all_texts.h"
#include "app/web_links.h"
#include "conf/conf_paths.h"
#include "conf/version.h"
#include "text/lang_strings.h"

namespace app {

// The workspace's folders and the active configuration's files (Exe_Dir, Master_Dir,
// Projects_Dir, Active_Conf_Dir, ParGen_File, IEC_Client_File, Set_Files) are its conf::Conf_Paths,
// which the core and the dialogs of the steps take as they are.
struct App_Context : conf::Conf_Paths {
  // Workspace, fixed for the run (set by Setup_Workspace with the folders of Conf_Paths).
  std::string Language_Dir;

  // The active configuration's name, remembered in the settings file.
  std::string Active_Conf_Name;

  // Remembered in the settings file.
  std::string Last_IP_Address = "192.168.2.205";
  std::string Language_Name = "English";
  bool Enable_Internet = false;
  bool Enable_Update = false;
  bool Enable_Jump_Field_Tables = false;
  bool Double_Click_Auto_Size = false;
  // Rows added in the access editor get their server's address from its SCL file and port 102.
  bool Address_From_SCL = false;
  // The folder each kind of file was last picked in, where its file dialog opens next time
  // (empty: none yet).
  struct Dialog_Folders {
    std::string SCL_File;     // Add IEC Device
    std::string Map_File;     // the data map's CSV export and import
    std::string Report_File;  // the check report's CSV
  } Last_Folders;

  // Update dialog choices, kept between showings but not saved.
  int Update_Option_Index = 0;
  bool Update_Read_Back = true;

  // Product identity.
  std::string SW_Code = "RQ30517";
  std::string SW_Desc = "IEC61850 Client / Modbus TCP Slave - Converter";
  std::string SW_Title = "Tolvan - Configurator RQ30517 - IEC61850 Client / Modbus TCP Slave ";
  std::string SW_Version = conf::Program_Version;

  lang::Lang_Strings Lang_Strings = lang::English_Strings();

  // The maker's web server asked by the version check (tests point it at a local server).
  std::string Version_Server = Maker_Web_Server;
};

}  // namespace app
