// The configurator: the main window and its dialogs, created once, in this order.
#include <QApplication>

#include "app/context.h"
#include "app/main_window.h"
#include "util/files.h"
#include "util/messages_qt.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  app::App_Context ctx;
  ui::Box_Messages messages;
  TFVarnoscopioFirmWare FVarnoscopioFirmWare(ctx, messages, util::Executable_Dir());
  FVarnoscopioFirmWare.Create_Dialogs();
  FVarnoscopioFirmWare.show();
  return application.exec();
}
