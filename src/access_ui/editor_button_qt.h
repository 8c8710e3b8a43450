// The access editor's push buttons: named for the tests, never the dialog's default button (Enter
// in a table cell must not press one), and wide enough for their translated texts.
#pragma once

class QPushButton;
class QWidget;

namespace UIEC_61850_Access {

// A button of `parent` named `name`, at least `min_width` wide; its text comes with Set_Lang.
QPushButton* Make_Editor_Button(QWidget* parent, const char* name, int min_width = 100);

}  // namespace UIEC_61850_Access
