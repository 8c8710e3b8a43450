// Built-in English texts of the application shell: main window (0-30), new configuration
// (100-110), open configuration (200-207), software options (300-321) and the grid-row and
// file-overwrite questions (1100-1105).
#include "lang/lang_strings.h"

namespace lang {

void Add_Shell_Strings(std::vector<std::string>& table) {
  static const char* const main_window[] = {
      "Begin",
      "Step 1",
      "Step 2",
      "Step 3",
      "Step 4",
      "Step 5",
      "Step 6",
      "Step 7",
      "Step 8",
      "None Configuration Opened ",
      "Use Step1 to open or create new configuration",
      "Opened Configuration of the Converter : ",
      "Information",
      "Options",
      "Close Configurator",
      "New Configuration",
      "Open Configuration",
      "Update Device UDP",
      "Error! Project not Valid",
      "New Version Available. Click Here for more Details",
      "Set Communication",
      "IEC61850 Access",
      "Create a new configuration for the device",
      "Open an exists configuration",
      "Set the main parameters of Protocols",
      "Set the Roles for IEC 61850 Client",
      "Update the actual Firmware and/or Configuration in the device",
      "Set BACnet Access",
      "Set the BACnet Slave Access Rules",
      "BACnet EDE File",
      "Create the BACnet EDE File for Actual Configuration"};
  static const char* const new_project[] = {
      "Create New Configuration",
      "Create New Configuration",
      "Name of the new Configuration",
      "OK",
      "Cancel",
      "Error! Name project is not valid",
      "Error! Name project is not valid because directory already exists",
      "Error! Name Project is not valid",
      "Insert here the name of new configuration",
      "Confirm the Name of new Configuration",
      "Cancel the New Configuration"};
  static const char* const open_conf[] = {"Open Configuration",
                                          "Open an Existing Configuration",
                                          "List of Avaliable Configurations",
                                          "OK",
                                          "Cancel",
                                          "Select from this list the configuration to open",
                                          "Open the Selected Configuration",
                                          "Cancel open of Configuration"};
  static const char* const options[] = {
      "Software Options",
      "Software Options",
      "Language",
      "Connection Options",
      "Selected Language : ",
      "Page ",
      " / ",
      "Previous",
      "Next",
      "Enable Internet Connection",
      "Check Software Update at Start of Program",
      "Check Available Update",
      "OK",
      "Cancel",
      "New Version Available. Click Here for more Details",
      "No Update Available",
      "Do you want to change the Language from ",
      " to ",
      "?",
      "Software Settings",
      "Jump into next field in the tables by pressing the Enter Key",
      "Enable Auto Size of Table Columns by Double Click"};
  static const char* const grid_questions[] = {
      "Row Already used. Do you want to overwrite the values?",
      "Error in the Copy values!!! Copy a valid row before Paste it",
      "Error!!! Copy a valid row before Paste it",
      "File already exists! Do you want to overwrite the file?",
      "Error! Please set the Set Communication Parameter before to create the GSD file",
      "File already exists. Do you want to overwrite?"};

  auto put = [&table](size_t first, const auto& texts) {
    for (size_t i = 0; i < std::size(texts); ++i) table[first + i] = texts[i];
  };
  put(0, main_window);
  put(100, new_project);
  put(200, open_conf);
  put(300, options);
  put(1100, grid_questions);
}

}  // namespace lang
