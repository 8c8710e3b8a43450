// The process-wide state of one run of the configurator: workspace folders, the active
// configuration, remembered values and options, the product identity and the string table.
// Created once at start and handed by reference to every window that needs it.
#pragma once

#include <string>

#include "app/version.h"
#include "app/web_links.h"
#include "lang/lang_strings.h"

namespace app {

struct App_Context {
  // Workspace, fixed for the run (set by Setup_Workspace).
  std::string Exe_Dir;
  std::string Master_Dir;
  std::string Projects_Dir;
  std::string Language_Dir;

  // Active configuration: active exactly when Active_Conf_Dir is not empty.
  std::string Active_Conf_Name;
  std::string Active_Conf_Dir;
  std::string ParGen_File;
  std::string IEC_Client_File;

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
  std::string SW_Version = Program_Version;

  lang::Lang_Strings Lang_Strings;

  // The maker's web server asked by the version check (tests point it at a local server).
  std::string Version_Server = Maker_Web_Server;

  bool Conf_Active() const { return !Active_Conf_Dir.empty(); }
  // Recomputes ParGen_File and IEC_Client_File from Active_Conf_Dir.
  void Set_Files();
};

}  // namespace app
