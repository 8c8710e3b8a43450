#include "comm/pargen_dialog.h"

TFParGen::TFParGen(app::App_Context& ctx, ui::Messages& messages, QWidget* parent)
    : QDialog(parent), ctx_(ctx), messages_(messages) {
  Set_Lang();
}

void TFParGen::Set_Lang() {}
