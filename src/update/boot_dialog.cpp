#include "update/boot_dialog.h"

TFBoot::TFBoot(app::App_Context& ctx, ui::Messages& messages, QWidget* parent)
    : QDialog(parent), ctx_(ctx), messages_(messages) {
  Set_Lang();
}

void TFBoot::Set_Lang() {}
