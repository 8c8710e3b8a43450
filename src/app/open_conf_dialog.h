// Open configuration dialog (FOpenConf): lists the folders of PROJECTS to choose one.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "app/context.h"
#include "util/messages_qt.h"

class QLabel;
class QListWidget;
class QPushButton;

class TFOpenConf : public QDialog {
  Q_OBJECT

 public:
  TFOpenConf(app::App_Context& ctx, ui::Messages& messages, QWidget* parent = nullptr);
  void Set_Lang();

  std::vector<std::string> SL;  // configuration names as listed
  std::string Name_Conf;        // the choice handed to the main window on OK

  QListWidget* ListBox1;
  QPushButton* Btn_OK;
  QPushButton* Btn_Cancel;

  void FormShow();
  void ListBox1Click();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  app::App_Context& ctx_;
  ui::Messages& messages_;
  QLabel* L_SW_Code;
  QLabel* L_SW_Desc;
  QLabel* Label1;
};
