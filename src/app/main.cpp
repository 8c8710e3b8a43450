// The configurator: the main window and its dialogs, created once, in this order.
#include <QApplication>

#include "app/context.h"
#include "app/main_window.h"
#include "util/files.h"
#include "util/messages_qt.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  app::App_Context ctx;
  ui::Box_Messages messages(ctx.Lang_Strings);
  const std::string exe_dir = util::Executable_Dir();
  // Held until the program ends; the system releases it however the program ends.
  util::Folder_Lock workspace_lock;
  if (!TFVarnoscopioFirmWare::Claim_Workspace(workspace_lock, messages, ctx.Lang_Strings, exe_dir))
    return 1;
  TFVarnoscopioFirmWare FVarnoscopioFirmWare(ctx, messages, exe_dir);
  FVarnoscopioFirmWare.Create_Dialogs();
  FVarnoscopioFirmWare.show();
  return application.exec();
}
