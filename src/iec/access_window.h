// IEC 61850 access editor (FIEC_61850_Access): servers, their data tree and the selection tables.
#pragma once

#include <QDialog>

#include "app/context.h"
#include "util/messages_qt.h"

class TFIEC_61850_Access : public QDialog {
  Q_OBJECT

 public:
  TFIEC_61850_Access(app::App_Context& ctx, ui::Messages& messages, QWidget* parent = nullptr);
  void Set_Lang();

 private:
  app::App_Context& ctx_;
  ui::Messages& messages_;
};
