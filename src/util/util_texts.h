// English texts of the platform layer that have no place in the string table.
#pragma once

namespace util_texts {

// A folder the product writes into is a link (or a junction) that leads out of the folder it
// belongs to: "<link> leads to <target>, outside <root>. Nothing was written."
inline constexpr const char* Text_Link_Leads_To = " leads to ";
inline constexpr const char* Text_Link_Outside = ", outside ";
inline constexpr const char* Text_Nothing_Written = ". Nothing was written.";
// The target of a link that points nowhere, or that the system cannot follow.
inline constexpr const char* Text_Link_Unresolved = "a place that cannot be reached";

}  // namespace util_texts
