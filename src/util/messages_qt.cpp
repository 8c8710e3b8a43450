#include "util/messages_qt.h"

#include <QAbstractButton>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <utility>

#include "text/lang_strings.h"
#include "util/qstring_qt.h"
#include "util/util_strings.h"

namespace ui {

namespace {

// A message box whose title and buttons come from the string table.
QMessageBox::StandardButton Show_Box(
    const lang::Lang_Strings& texts, QWidget* parent, QMessageBox::Icon icon, int title,
    const std::string& text, QMessageBox::StandardButtons buttons,
    QMessageBox::StandardButton default_button = QMessageBox::NoButton) {
  QMessageBox box(icon, ui::Q(texts[title]), ui::Q(text), buttons, parent);
  if (default_button != QMessageBox::NoButton) box.setDefaultButton(default_button);
  const std::pair<QMessageBox::StandardButton, int> names[] = {
      {QMessageBox::Ok, util_strings::Text_Button_OK},
      {QMessageBox::Yes, util_strings::Text_Button_Yes},
      {QMessageBox::No, util_strings::Text_Button_No},
      {QMessageBox::Cancel, util_strings::Text_Button_Cancel}};
  for (const auto& [which, name] : names)
    if (QAbstractButton* button = box.button(which)) button->setText(ui::Q(texts[name]));
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace

void Box_Messages::Error(QWidget* parent, const std::string& text) {
  Show_Box(texts_, parent, QMessageBox::Critical, util_strings::Text_Box_Error, text,
           QMessageBox::Ok);
}

void Box_Messages::Warning(QWidget* parent, const std::string& text) {
  Show_Box(texts_, parent, QMessageBox::Warning, util_strings::Text_Box_Warning, text,
           QMessageBox::Ok);
}

void Box_Messages::Warning_List(QWidget* parent, const std::string& text) {
  QDialog box(parent);
  box.setWindowTitle(ui::Q(texts_[util_strings::Text_Box_Warning]));
  auto* icon = new QLabel;
  const int size = box.style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, &box);
  icon->setPixmap(box.style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(size, size));
  icon->setAlignment(Qt::AlignTop);
  auto* lines = new QPlainTextEdit(ui::Q(text));
  lines->setReadOnly(true);
  // Long lines wrap at the window's width: a finding is read without scrolling sideways.
  lines->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  const QFontMetrics metrics(lines->font());
  lines->setMinimumSize(metrics.averageCharWidth() * 80, metrics.lineSpacing() * 16);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
  buttons->button(QDialogButtonBox::Ok)->setText(ui::Q(texts_[util_strings::Text_Button_OK]));
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
  switch (Show_Box(texts_, parent, QMessageBox::Question, util_strings::Text_Box_Confirm, text,
                   buttons)) {
    case QMessageBox::Yes:
      return Answer::Yes;
    case QMessageBox::No:
      return Answer::No;
    default:
      return with_cancel ? Answer::Cancel : Answer::No;
  }
}

Messages::Answer Box_Messages::Question_Default_No(QWidget* parent, const std::string& text) {
  return Show_Box(texts_, parent, QMessageBox::Question, util_strings::Text_Box_Confirm, text,
                  QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes
             ? Answer::Yes
             : Answer::No;
}

}  // namespace ui
