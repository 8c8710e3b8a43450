// Ethernet_Update.xml, the parameter file of the external updater: the device's address and one
// operation per file to download (firmware, bank1.bin, bank2.bin).
#pragma once

#include <pugixml.hpp>
#include <string>

namespace UBoot {

constexpr const char* Update_Param_File_Name = "Ethernet_Update.xml";
constexpr const char* Updater_Program_Name = "Ethernet_Update.exe";
constexpr const char* Firmware_File_Name = "Sim30517.sim";

// Update options as listed in the dialog.
constexpr int Option_Firmware_And_Configuration = 0;
constexpr int Option_Firmware = 1;
constexpr int Option_Configuration = 2;

struct Update_Parameters {
  std::string IP_Address;  // the dotted address as typed
  int Option_Index = 0;    // Option_*
  bool Read_Back = true;
  std::string Master_Dir;       // folder of the firmware file
  std::string Active_Conf_Dir;  // configuration whose bin folder holds the images
};

// Builds the parameter file's document in `doc`, discarding what it held.
void Build_Update_Parameters(pugi::xml_document& doc, const Update_Parameters& p);

// Writes Exe_Dir/Ethernet_Update.xml, replacing the file atomically. Throws util::File_Error.
void Compile_XML_Parameter_New_Boot(const Update_Parameters& p, const std::string& Exe_Dir);

}  // namespace UBoot
