#include "util/messages_qt.h"

#include <QMessageBox>

#include "util/qstring_qt.h"

namespace ui {

void Box_Messages::Error(QWidget* parent, const std::string& text) {
  QMessageBox::critical(parent, QObject::tr("Error"), ui::Q(text));
}

void Box_Messages::Warning(QWidget* parent, const std::string& text) {
  QMessageBox::warning(parent, QObject::tr("Warning"), ui::Q(text));
}

Messages::Answer Box_Messages::Question(QWidget* parent, const std::string& text,
                                        bool with_cancel) {
  QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
  if (with_cancel) buttons |= QMessageBox::Cancel;
  QMessageBox box(QMessageBox::Question, QObject::tr("Confirm"), ui::Q(text), buttons, parent);
  switch (box.exec()) {
    case QMessageBox::Yes:
      return Answer::Yes;
    case QMessageBox::No:
      return Answer::No;
    default:
      return with_cancel ? Answer::Cancel : Answer::No;
  }
}

}  // namespace ui
