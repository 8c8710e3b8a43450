#include "iec/access_window.h"

TFIEC_61850_Access::TFIEC_61850_Access(app::App_Context& ctx, ui::Messages& messages, QWidget* parent)
    : QDialog(parent), ctx_(ctx), messages_(messages) {
  Set_Lang();
}

void TFIEC_61850_Access::Set_Lang() {}
