#include "app/soft_options_dialog.h"

TFSoftOptions::TFSoftOptions(app::App_Context& ctx, ui::Messages& messages, QWidget* parent)
    : QDialog(parent), ctx_(ctx), messages_(messages) {
  Set_Lang();
}

void TFSoftOptions::Set_Lang() {}
