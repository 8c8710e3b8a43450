#include "util/messages_qt.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QStyle>
#include <QVBoxLayout>

#include "util/qstring_qt.h"

namespace ui {

void Box_Messages::Error(QWidget* parent, const std::string& text) {
  QMessageBox::critical(parent, QObject::tr("Error"), ui::Q(text));
}

void Box_Messages::Warning(QWidget* parent, const std::string& text) {
  QMessageBox::warning(parent, QObject::tr("Warning"), ui::Q(text));
}

void Box_Messages::Warning_List(QWidget* parent, const std::string& text) {
  QDialog box(parent);
  box.setWindowTitle(QObject::tr("Warning"));
  auto* icon = new QLabel;
  const int size = box.style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, &box);
  icon->setPixmap(box.style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(size, size));
  icon->setAlignment(Qt::AlignTop);
  auto* lines = new QPlainTextEdit(ui::Q(text));
  lines->setReadOnly(true);
  lines->setLineWrapMode(QPlainTextEdit::NoWrap);
  const QFontMetrics metrics(lines->font());
  lines->setMinimumSize(metrics.averageCharWidth() * 80, metrics.lineSpacing() * 16);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
  auto* top = new QHBoxLayout;
  top->addWidget(icon);
  top->addWidget(lines, 1);
  auto* layout = new QVBoxLayout(&box);
  layout->addLayout(top, 1);
  layout->addWidget(buttons);
  box.exec();
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
