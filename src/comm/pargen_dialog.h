// Set Communication dialog (FParGen): both sides' network parameters, saved in ParGen.xml.
#pragma once

#include <QDialog>

#include "app/context.h"
#include "util/messages_qt.h"

class TFParGen : public QDialog {
  Q_OBJECT

 public:
  TFParGen(app::App_Context& ctx, ui::Messages& messages, QWidget* parent = nullptr);
  void Set_Lang();

 private:
  app::App_Context& ctx_;
  ui::Messages& messages_;
};
