#include "util/title_panel_qt.h"

#include <QLabel>

#include "util/qstring_qt.h"

namespace ui {

QLabel* Make_Code_Label(QWidget* parent, const std::string& SW_Code) {
  auto* label = new QLabel(ui::Q(SW_Code), parent);
  QFont font("Verdana");
  font.setPixelSize(26);
  font.setBold(true);
  label->setFont(font);
  label->setStyleSheet("color: #808080;");
  label->setGeometry(16, 6, 300, 32);
  label->setObjectName("L_SW_Code");
  return label;
}

QLabel* Make_Desc_Label(QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setGeometry(16, 38, 300, 18);
  label->setObjectName("L_SW_Desc");
  return label;
}

}  // namespace ui
