// The rule on the texts of the client file ("text-invalid"), run by Check_Configuration.
#pragma once

#include <functional>
#include <pugixml.hpp>
#include <string>

#include "check/check.h"

namespace check {

// Reports, as "text-invalid" errors, each attribute and text below `root` that XML 1.0 cannot
// hold (util::Is_Xml_Text): a control character, raw or as a character reference, would go
// into the image as it is, and no reader of the saved file could read it again. `line` gives
// an element's line.
void Check_Client_Texts(pugi::xml_node root, const std::string& file,
                        const std::function<int(pugi::xml_node)>& line, const Sink& sink,
                        const lang::Lang_Strings& texts);

}  // namespace check
