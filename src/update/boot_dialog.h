// Device update dialog (FBoot): reachability check, updater parameter file and updater start.
#pragma once

#include <QDialog>

#include "app/context.h"
#include "util/messages_qt.h"

class TFBoot : public QDialog {
  Q_OBJECT

 public:
  TFBoot(app::App_Context& ctx, ui::Messages& messages, QWidget* parent = nullptr);
  void Set_Lang();

  int Form_Type = 1;  // 1: update over Ethernet (UDP), the only mode this product shows

 private:
  app::App_Context& ctx_;
  ui::Messages& messages_;
};
