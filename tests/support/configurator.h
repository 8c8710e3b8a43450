// One run of the configurator for window tests: the main window and every dialog on a
// temporary program folder, with message boxes recorded.
#pragma once

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

#include "app/main_window.h"
#include "support/recording_messages.h"

namespace test {

struct Configurator {
  app::App_Context ctx;
  Recording_Messages messages;
  std::unique_ptr<TFVarnoscopioFirmWare> window;

  explicit Configurator(const std::string& exe_dir) {
    window = std::make_unique<TFVarnoscopioFirmWare>(ctx, messages, exe_dir);
    window->Create_Dialogs();
    window->show();
  }
  // The two lines of the configuration box.
  std::string Box() const {
    return window->L_Name_Conf->text().toStdString() + "|" +
           window->L_Name_Conf_L2->text().toStdString();
  }
};

// Runs `interact` once a modal dialog's loop is running; it must close the dialog. A long
// operation's wait before the dialog (ui::Run_And_Wait, whose progress dialog is "Job_Progress")
// runs a loop of its own: `interact` waits for the dialog after it.
inline void While_Modal(std::function<void()> interact) {
  auto* timer = new QTimer;
  timer->setInterval(1);
  QObject::connect(timer, &QTimer::timeout, [timer, interact] {
    const QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal->objectName() == "Job_Progress") return;
    timer->stop();
    timer->deleteLater();
    interact();
  });
  timer->start();
}

}  // namespace test
