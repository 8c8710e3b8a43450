// New configuration dialog (FNew_Project): asks for a name and creates its folder in PROJECTS.
#pragma once

#include <QDialog>

#include "app/context.h"
#include "util/messages_qt.h"

class QLabel;
class QLineEdit;
class QPushButton;

class TFNew_Project : public QDialog {
  Q_OBJECT

 public:
  TFNew_Project(app::App_Context& ctx, ui::Messages& messages, QWidget* parent = nullptr);
  void Set_Lang();

  QLineEdit* E_New_Proj;
  QPushButton* Btn_OK;
  QPushButton* Btn_Cancel;

  void Btn_OKClick();

 protected:
  void showEvent(QShowEvent* event) override;  // FormShow

 private:
  app::App_Context& ctx_;
  ui::Messages& messages_;
  QLabel* L_SW_Code;
  QLabel* L_SW_Desc;
  QLabel* Label1;
};
