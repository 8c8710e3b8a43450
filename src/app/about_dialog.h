// About box (FAbout): product identity and the maker's web address. Its texts are fixed.
#pragma once

#include <QDialog>

#include "app/context.h"

class TFAbout : public QDialog {
  Q_OBJECT

 public:
  TFAbout(const app::App_Context& ctx, QWidget* parent = nullptr);
};
