// English texts of the access editor's features that have no place in the string table.
#pragma once

namespace access_texts {

// The data map page and its commands.
inline constexpr const char* Text_Map_Page = "Map";
inline constexpr const char* Text_Auto_Position = "Auto position";
inline constexpr const char* Text_Auto_Position_Hint =
    "Give each selected entry without a position the lowest free position (start bit 0)";
inline constexpr const char* Text_Export_Map = "Export map...";
inline constexpr const char* Text_Export_Map_Hint = "Write the data map as a CSV file";
inline constexpr const char* Text_Import_Map = "Import map...";
inline constexpr const char* Text_Import_Map_Hint =
    "Take positions, start bits, R/W, conversions, factors and mnemonics from a CSV file";
inline constexpr const char* Text_Csv_Filter = "CSV Files (*.csv);;Any File (*)";
// Summary line: positions used, free, conflicts, unplaced entries.
inline constexpr const char* Text_Map_Summary_Used = "Positions used: ";
inline constexpr const char* Text_Map_Summary_Free = "   free: ";
inline constexpr const char* Text_Map_Summary_Conflicts = "   conflicts: ";
inline constexpr const char* Text_Map_Summary_Unplaced = "   unplaced: ";
inline constexpr const char* Text_No_Room = "No free position is left for this many entries: ";

// Kinds of map entries, also in the CSV file and the command line's JSON.
inline constexpr const char* Text_Kind_Variable = "variable";
inline constexpr const char* Text_Kind_Member = "member";

// How a conflict names its entries: "row 3", "data set 2 member 5", "position 12 bit 0: ...".
inline constexpr const char* Text_Entry_Row = "row ";
inline constexpr const char* Text_Entry_DataSet = "data set ";
inline constexpr const char* Text_Entry_Member = " member ";
inline constexpr const char* Text_Conflict_Position = "position ";
inline constexpr const char* Text_Conflict_Bit = " bit ";
inline constexpr const char* Text_More_Conflicts = "... and more conflicts: ";

// Column headers of the map table and of the CSV file.
inline constexpr const char* Text_Col_Kind = "Kind";
inline constexpr const char* Text_Col_Row = "Row";
inline constexpr const char* Text_Col_Member = "Member";
inline constexpr const char* Text_Col_Index = "Index";
inline constexpr const char* Text_Col_DataSet = "Data Set";
inline constexpr const char* Text_Col_Reference = "Reference";
inline constexpr const char* Text_Col_bType = "bType";
inline constexpr const char* Text_Col_fc = "fc";
inline constexpr const char* Text_Col_Position = "Position";
inline constexpr const char* Text_Col_StartBit = "Start Bit";
inline constexpr const char* Text_Col_ReadWrite = "R/W";
inline constexpr const char* Text_Col_Conversion = "Convertion";
inline constexpr const char* Text_Col_Factor = "Molt Fact";
inline constexpr const char* Text_Col_Mnemonic = "Mnemonic";
inline constexpr const char* Text_Col_IPAddress = "IP Address";
inline constexpr const char* Text_Col_Port = "Port";

// The import's report.
inline constexpr const char* Text_Import_Not_Taken = "These lines of the map file were not taken:";
inline constexpr const char* Text_Import_More = "... and more lines: ";
inline constexpr const char* Text_Import_Line = "line ";
inline constexpr const char* Text_Import_No_Kind_Column =
    "The file has no column \"Kind\" in its first line; it is not a data map.";
inline constexpr const char* Text_Import_Bad_Kind = "the kind is neither variable nor member: ";
inline constexpr const char* Text_Import_No_Variable = "no variable row has index ";
inline constexpr const char* Text_Import_No_DataSet = "no data set row has index ";
inline constexpr const char* Text_Import_And_Reference = " and reference ";
inline constexpr const char* Text_Import_Bad_Member = "the data set has no member ";
inline constexpr const char* Text_Import_Member_Differs = " with reference ";
inline constexpr const char* Text_Import_Not_In_List = " is not one of: ";
inline constexpr const char* Text_Import_Bad_Position = " is not an integer from 0 to ";
inline constexpr const char* Text_Import_Bad_Factor = " is neither a number nor NONE";
inline constexpr const char* Text_Import_Already_Taken = "an earlier line already set this entry";

// Tree filter
inline constexpr const char* Text_Filter_Placeholder = "Filter: name or reference";
inline constexpr const char* Text_Filter_Hint =
    "Shows the nodes whose name or reference contains this text (letter case ignored)";
inline constexpr const char* Text_FC_All = "All FC";
inline constexpr const char* Text_FC_Hint =
    "Shows only the leaf attributes of this functional constraint";
inline constexpr const char* Text_Matches = "%1 matches";
inline constexpr const char* Text_Matches_Truncated = "%1 matches; the first %2 are shown";
inline constexpr const char* Text_Tooltip_Reference = "Reference: ";
inline constexpr const char* Text_Tooltip_FC = "FC: ";
inline constexpr const char* Text_Tooltip_bType = "bType: ";

// IED chooser
inline constexpr const char* Text_Chooser_Title = "Choose IEDs";
inline constexpr const char* Text_Chooser_Prompt =
    "%1 describes %2 IEDs. Choose the ones to add as servers (Ctrl or Shift for several).";
inline constexpr const char* Text_Chooser_Name = "Name";
inline constexpr const char* Text_Chooser_Manufacturer = "Manufacturer";
inline constexpr const char* Text_Chooser_Type = "Type";
inline constexpr const char* Text_Chooser_Desc = "Description";
inline constexpr const char* Text_Chooser_IP = "IP Address";
inline constexpr const char* Text_Chooser_Server = "Server";
inline constexpr const char* Text_Chooser_Name_Not_Xml =
    "This IED cannot be added: its name holds a control character, which the configuration "
    "files cannot hold.";
inline constexpr const char* Text_Yes = "Yes";
inline constexpr const char* Text_No = "No";
inline constexpr const char* Text_Select_All = "Select All";
inline constexpr const char* Text_Add = "Add";
inline constexpr const char* Text_Cancel = "Cancel";

// Table commands
inline constexpr const char* Text_Fill_Down = "Fill Down";
inline constexpr const char* Text_Copy = "Copy";
inline constexpr const char* Text_Paste = "Paste";
inline constexpr const char* Text_Cells_Left_Unchanged =
    "%1 cells were left unchanged: "
    "read-only, or a value the cell does "
    "not offer.";

// Row check at OK: follows "Error row N", like the other row messages.
inline constexpr const char* Text_Row_ReadWrite = "!! R/W must be Read or Write";
inline constexpr const char* Text_Row_StartBit = "!! Start Bit must be between 0 and 7";
inline constexpr const char* Text_Row_Conversion = "!! Convertion must be None or ItoF/FtoI";
// A data set member's check at OK: "Error data set row 2 member 3" and the reason.
inline constexpr const char* Text_Error_DataSet_Row = "Error data set row ";
inline constexpr const char* Text_Error_Member = " member ";
// Asked when the editor is left without OK after a change.
inline constexpr const char* Text_Discard_Changes =
    "The changes have not been saved. Discard them and close?";

// The check's report window.
inline constexpr const char* Text_Report_Title = "Check";
inline constexpr const char* Text_Report_Severity = "Severity";
inline constexpr const char* Text_Report_Rule = "Rule";
inline constexpr const char* Text_Report_Line = "Line";
inline constexpr const char* Text_Report_Object = "Object";
inline constexpr const char* Text_Report_Message = "Message";
inline constexpr const char* Text_Report_Save_Csv = "Save as CSV...";
inline constexpr const char* Text_Report_Close = "Close";
inline constexpr const char* Text_Report_Add_Anyway = "Add anyway";
inline constexpr const char* Text_Report_Save_Anyway = "Save anyway";
inline constexpr const char* Text_Report_Build_Anyway = "Build anyway";
inline constexpr const char* Text_Report_Csv_Filter = "CSV files (*.csv)";
// Intros: %1 is the count of errors, %2 of warnings.
inline constexpr const char* Text_Report_Add_Intro =
    "The check of %3 found %1 errors and %2 warnings. Add the server anyway?";
inline constexpr const char* Text_Report_Save_Intro =
    "The check of the configuration found %1 errors and %2 warnings. Save anyway?";
inline constexpr const char* Text_Report_Build_Intro =
    "The check of the saved configuration found %1 errors and %2 warnings. Build the images "
    "anyway?";
inline constexpr const char* Text_Report_Show_Intro =
    "The check of the configuration as it stands (not yet saved) found %1 errors and %2 "
    "warnings. A double click on a finding shows its row.";
inline constexpr const char* Text_Check = "Check";

}  // namespace access_texts
