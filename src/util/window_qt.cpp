#include "util/window_qt.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QWidget>

namespace ui {

void Centre_On_Screen(QWidget* window) {
  const QScreen* screen = window->screen();
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  window->move(screen->availableGeometry().center() - window->rect().center());
}

void Set_Elided_Text(QLabel* label, const QString& text, int width, const QString& link) {
  const QString shown = label->fontMetrics().elidedText(text, Qt::ElideRight, width);
  // A name is shown as typed, never read as markup.
  label->setTextFormat(link.isEmpty() ? Qt::PlainText : Qt::RichText);
  if (link.isEmpty())
    label->setText(shown);
  else
    label->setText(
        QString("<a href=\"%1\">%2</a>").arg(link.toHtmlEscaped(), shown.toHtmlEscaped()));
  label->setToolTip(shown == text ? QString() : text);
  label->adjustSize();
  if (label->width() > width) label->resize(width, label->height());
}

}  // namespace ui
