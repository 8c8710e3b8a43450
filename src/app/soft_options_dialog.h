// Software options dialog (FSoftOptions): language, connection options, table settings.
#pragma once

#include <functional>

#include <QDialog>

#include "app/context.h"
#include "util/messages_qt.h"

class TFSoftOptions : public QDialog {
  Q_OBJECT

 public:
  TFSoftOptions(app::App_Context& ctx, ui::Messages& messages, QWidget* parent = nullptr);
  void Set_Lang();

  // The main window's Change_Language, run when the user picks another language.
  void Set_Change_Language(std::function<void()> change_language) { Change_Language_ = std::move(change_language); }

 private:
  std::function<void()> Change_Language_;

 private:
  app::App_Context& ctx_;
  ui::Messages& messages_;
};
