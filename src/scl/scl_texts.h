// Texts of the SCL library's errors that the user sees.
#pragma once

namespace scl_texts {

// Followed by the limit, Text_Nesting_Type, the type's id and "\")".
inline constexpr const char* Text_Nesting_Too_Deep = "data objects and attributes nest more than ";
inline constexpr const char* Text_Nesting_Type = " levels deep below a data object (type \"";
// Followed by the IED's name with its control characters shown as "?" and "\"".
inline constexpr const char* Text_IED_Name_Not_Xml =
    "the IED's name holds a control character, which XML cannot hold: \"";

}  // namespace scl_texts
