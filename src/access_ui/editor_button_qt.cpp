#include "access_ui/editor_button_qt.h"

#include <QPushButton>

namespace UIEC_61850_Access {

QPushButton* Make_Editor_Button(QWidget* parent, const char* name, int min_width) {
  auto* button = new QPushButton(parent);
  button->setObjectName(name);
  button->setMinimumWidth(min_width);
  button->setAutoDefault(false);
  return button;
}

}  // namespace UIEC_61850_Access
