// The check's texts: the sentences of its findings, put together from these parts.
#pragma once

namespace check_texts {

// ---- rules on an SCL file ----
inline constexpr const char* Text_Not_Well_Formed = "The file is not well-formed XML: ";
inline constexpr const char* Text_Duplicate_Type =
    " has the id of an earlier template of the same kind (line ";
inline constexpr const char* Text_Has_No_Type = " has no type.";
inline constexpr const char* Text_Names_No = " names type ";
inline constexpr const char* Text_No_DOType = ", which is no DOType of the file.";
inline constexpr const char* Text_No_DAType = ", which is no DAType of the file.";
inline constexpr const char* Text_No_EnumType = ", which is no EnumType of the file.";
inline constexpr const char* Text_Struct = " (a Struct)";
inline constexpr const char* Text_Enum = " (an Enum)";
inline constexpr const char* Text_Type_Cycle =
    " contains itself through the types of its children; the import cuts it off there.";
inline constexpr const char* Text_Duplicate_Ied = " has the name of an earlier IED (line ";
inline constexpr const char* Text_No_Server = " has no access point holding a server.";
inline constexpr const char* Text_No_LnType =
    " has no lnType: it shows no data objects and no data sets.";
inline constexpr const char* Text_Names_No_LNodeType_1 = " names lnType ";
inline constexpr const char* Text_No_LNodeType =
    ", which is no LNodeType of the file: it shows no data objects.";
inline constexpr const char* Text_Names_Data_Set = " names data set ";
inline constexpr const char* Text_No_Data_Set = ", which its logical node does not have.";
inline constexpr const char* Text_Of_Data_Set = " of data set ";
inline constexpr const char* Text_Fcda_Unresolved =
    " names no attribute of the IED: it is not a member of the data set.";
inline constexpr const char* Text_Has_Address = " has IP address ";
inline constexpr const char* Text_Address_Taken = ", which an earlier access point has (";
inline constexpr const char* Text_At_Line = ", line ";

// ---- rules on a configuration ----
inline constexpr const char* Text_Server = "server ";
inline constexpr const char* Text_Row = "row ";
inline constexpr const char* Text_Data_Set_Row = "data set row ";
inline constexpr const char* Text_Member = " member ";
inline constexpr const char* Text_File_Missing = ": its SCL file is not in ICD_Catalog.";
inline constexpr const char* Text_Index_Names_No_Server =
    ": its Index names no server (servers loaded: ";
inline constexpr const char* Text_Not_Attribute = " is no attribute of server ";
inline constexpr const char* Text_Type_Changed_1 = " is now ";
inline constexpr const char* Text_Type_Changed_2 = " in server ";
inline constexpr const char* Text_Type_Changed_3 = "; the row has ";
inline constexpr const char* Text_Not_Data_Set = " is no data set of server ";
inline constexpr const char* Text_Member_Not_At_Place = " is not at its place in the data set";
inline constexpr const char* Text_Member_Gone = " is no longer in the data set";
inline constexpr const char* Text_Member_Dropped = ": opening the editor drops it and its settings";
inline constexpr const char* Text_Found_At = " (the data set has it as member ";
inline constexpr const char* Text_Taken_By_Member = ", which stored member ";
inline constexpr const char* Text_Taken_By_Member_2 = " keeps)";
inline constexpr const char* Text_Member_Moved = " is now member ";
inline constexpr const char* Text_Member_Moved_2 = " of the data set; its settings follow it.";
inline constexpr const char* Text_Position_Not_Accepted = " is not accepted by the tables: ";
inline constexpr const char* Text_Bad_Position = "Position must be an integer from 0 to 1399";
inline constexpr const char* Text_Bad_Start_Bit = "Start Bit must be one of 0 to 7";
inline constexpr const char* Text_Bad_Conversion = "Convertion must be None or ItoF/FtoI";
inline constexpr const char* Text_Bad_Factor = "Mult Fact must be a number or NONE";
inline constexpr const char* Text_Position_Taken_1 = ": position ";
inline constexpr const char* Text_Position_Taken_2 = " bit ";
inline constexpr const char* Text_Position_Taken_3 = " is already taken by ";
inline constexpr const char* Text_Bank_Pair = "bank1.bin and bank2.bin";

}  // namespace check_texts
