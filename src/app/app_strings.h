// Indices in the string table of the application shell's texts: main window, New
// Configuration, Open Configuration and Software Options.
#pragma once

#include "lang/text_range.h"

namespace app_strings {

// Main window.
inline constexpr int Text_Begin = 0;                   // caption above the steps
inline constexpr lang::Text_Range Text_Steps{1, 8};    // "Step 1" .. "Step 8"
inline constexpr int Text_No_Configuration = 9;        // configuration box, first line
inline constexpr int Text_No_Configuration_Hint = 10;  // configuration box, second line
inline constexpr int Text_Opened_Configuration = 11;   // first line; the name follows
inline constexpr int Text_Information_Hint = 12;       // hint of the About button
inline constexpr int Text_Options_Hint = 13;           // hint of the Options button
inline constexpr int Text_Close_Hint = 14;             // hint of the Close button
inline constexpr int Text_New_Configuration = 15;      // step button
inline constexpr int Text_Open_Configuration = 16;     // step button
inline constexpr int Text_Update_Device = 17;          // step button
inline constexpr int Text_Project_Not_Valid = 18;      // error of a step without project
inline constexpr int Text_New_Version_Link = 19;       // link under the steps
inline constexpr int Text_Set_Communication = 20;      // step button
inline constexpr int Text_IEC61850_Access = 21;        // step button
inline constexpr int Text_New_Configuration_Hint = 22;
inline constexpr int Text_Open_Configuration_Hint = 23;
inline constexpr int Text_Set_Communication_Hint = 24;
inline constexpr int Text_IEC61850_Access_Hint = 25;
inline constexpr int Text_Update_Device_Hint = 26;

// New Configuration.
inline constexpr int Text_New_Caption = 100;
inline constexpr int Text_New_Description = 101;
inline constexpr int Text_New_Name_Label = 102;
inline constexpr int Text_New_OK = 103;
inline constexpr int Text_New_Cancel = 104;
inline constexpr int Text_New_Not_Created = 105;  // error: the folder could not be created
inline constexpr int Text_New_Exists = 106;       // error: the folder exists already
inline constexpr int Text_New_Empty = 107;        // error: no name given
inline constexpr int Text_New_Name_Hint = 108;
inline constexpr int Text_New_OK_Hint = 109;
inline constexpr int Text_New_Cancel_Hint = 110;

// Open Configuration.
inline constexpr int Text_Open_Caption = 200;
inline constexpr int Text_Open_Description = 201;
inline constexpr int Text_Open_List_Label = 202;
inline constexpr int Text_Open_OK = 203;
inline constexpr int Text_Open_Cancel = 204;
inline constexpr int Text_Open_List_Hint = 205;
inline constexpr int Text_Open_OK_Hint = 206;
inline constexpr int Text_Open_Cancel_Hint = 207;

// Software Options.
inline constexpr int Text_Options_Caption = 300;
inline constexpr int Text_Options_Description = 301;
inline constexpr int Text_Options_Language_Page = 302;
inline constexpr int Text_Options_Connection_Page = 303;
inline constexpr int Text_Options_Selected_Language = 304;  // the language's name follows
inline constexpr int Text_Options_Page = 305;               // "Page " n " / " pages
inline constexpr int Text_Options_Page_Of = 306;
inline constexpr int Text_Options_Previous = 307;
inline constexpr int Text_Options_Next = 308;
inline constexpr int Text_Options_Enable_Internet = 309;
inline constexpr int Text_Options_Check_At_Start = 310;
inline constexpr int Text_Options_Check_Update = 311;  // button
inline constexpr int Text_Options_OK = 312;
inline constexpr int Text_Options_Cancel = 313;
inline constexpr int Text_Options_New_Version_Link = 314;
inline constexpr int Text_Options_No_Update = 315;
// The question before a language change: Change_Language, the language in use, Change_Language_To,
// the chosen language, Change_Language_End.
inline constexpr int Text_Options_Change_Language = 316;
inline constexpr int Text_Options_Change_Language_To = 317;
inline constexpr int Text_Options_Change_Language_End = 318;
inline constexpr int Text_Options_Settings_Page = 319;
inline constexpr int Text_Options_Jump_Table = 320;
inline constexpr int Text_Options_Double_Click_Auto_Size = 321;

}  // namespace app_strings
