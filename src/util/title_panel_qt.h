// The product-code label and subtitle that every dialog shows at its top left.
#pragma once

#include <string>

class QLabel;
class QWidget;

namespace ui {

// Large grey product code at the dialog's top left.
QLabel* Make_Code_Label(QWidget* parent, const std::string& SW_Code);
// The subtitle under it; the caller sets its text in Set_Lang.
QLabel* Make_Desc_Label(QWidget* parent);

}  // namespace ui
