// Answering a number question (QInputDialog) in window tests, as a person does: type the number
// over the one offered and press Enter, or press Escape.
#pragma once

#include <QApplication>
#include <QInputDialog>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <memory>
#include <optional>

namespace test {

// Once a QInputDialog is the modal window: records the number it offered into `*offered`
// (when given), then types `answer` and Enter, or presses Escape when there is no answer.
// Gives up after ten seconds.
inline void On_Number_Question(std::optional<QString> answer, int* offered = nullptr) {
  auto* timer = new QTimer;
  auto ticks = std::make_shared<int>(0);
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, ticks, answer, offered] {
    // The keys wait until the question is the active window, so they reach its number box.
    auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
    QSpinBox* box = dialog != nullptr ? dialog->findChild<QSpinBox*>() : nullptr;
    const bool ready = box != nullptr && QApplication::activeWindow() == dialog;
    if (!ready && ++*ticks < 1000) return;
    timer->stop();
    timer->deleteLater();
    if (box == nullptr) return;
    if (offered != nullptr) *offered = dialog->intValue();
    if (!answer) {
      QTest::keyClick(box, Qt::Key_Escape);
      return;
    }
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(box, *answer);
    QTest::keyClick(box, Qt::Key_Return);
  });
  timer->start();
}

}  // namespace test
