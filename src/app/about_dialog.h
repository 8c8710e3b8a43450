// About box (FAbout): product identity and the maker's web address. The identity values are
// fixed; their names, the title and the button are table texts, read each time the box opens.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>

#include "app/context.h"

class TFAbout : public QDialog {
  Q_OBJECT

 public:
  TFAbout(const app::App_Context& ctx, QWidget* parent = nullptr);
  void Set_Lang();

  QLabel* L_Software_Code;
  QLabel* L_Version;
  QLabel* L_Document_Code;
  QPushButton* Btn_OK;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  const app::App_Context& ctx_;
};
