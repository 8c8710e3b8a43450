// Answering the check's report window in window tests.
#pragma once

#include <QApplication>
#include <QTimer>
#include <functional>
#include <memory>

#include "check/check_report_dialog.h"

namespace test {

// Runs `interact` on the check's report window once it is the modal window (it may follow
// another one, such as the IED chooser); `interact` must close it. Gives up after ten seconds.
inline void On_Check_Report(std::function<void(TFCheck_Report&)> interact) {
  auto* timer = new QTimer;
  auto ticks = std::make_shared<int>(0);
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, ticks, interact] {
    auto* report = qobject_cast<TFCheck_Report*>(QApplication::activeModalWidget());
    if (report == nullptr && ++*ticks < 1000) return;
    timer->stop();
    timer->deleteLater();
    if (report) interact(*report);
  });
  timer->start();
}

}  // namespace test
