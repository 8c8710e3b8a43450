// The windows' one conversion from the core's texts (UTF-8 std::string) to QString.
#pragma once

#include <QString>
#include <string>

namespace ui {

inline QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace ui
