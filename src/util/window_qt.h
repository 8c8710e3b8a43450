// Small window-placement and label helpers shared by the windows.
#pragma once

#include <QString>

class QLabel;
class QWidget;

namespace ui {

// Places `window` in the middle of the screen it is on (the primary screen when it has none),
// whatever window it belongs to.
void Centre_On_Screen(QWidget* window);

// Shows `text` in `label` within `width` pixels: whole when it fits, otherwise cut with "..." and
// the whole text as the label's tooltip. `link`, when given, makes the shown text a link to it.
void Set_Elided_Text(QLabel* label, const QString& text, int width, const QString& link = {});

}  // namespace ui
