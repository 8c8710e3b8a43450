// Device update dialog (FBoot): reachability check, updater parameter file and updater start.
#pragma once

#include <QDialog>
#include <vector>

#include "conf/conf_paths.h"
#include "text/lang_strings.h"
#include "update/ping.h"
#include "update/start_program.h"
#include "util/messages_qt.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace UBoot {
// What the update dialog takes from the program: the workspace and configuration folders, the
// string table, the product's code, and the choices remembered between showings, which the
// dialog writes back when an update starts. The main window builds it from its context; the
// references follow that context.
struct Boot_Options {
  const conf::Conf_Paths& Conf;
  const lang::Lang_Strings& Lang_Strings;
  const std::string& SW_Code;
  std::string& Last_IP_Address;
  int& Update_Option_Index;
  bool& Update_Read_Back;
};
}  // namespace UBoot

class TFBoot : public QDialog {
  Q_OBJECT

 public:
  TFBoot(const UBoot::Boot_Options& options, ui::Messages& messages, QWidget* parent = nullptr);
  void Set_Lang();

  int Form_Type = 1;  // 1: update over Ethernet (UDP), the only mode this product shows
  UBoot::Ping_Status ping_res = UBoot::Ping_Status::No_Reply;  // of the last check (UBoot::TPing)

  QWidget* P_Title;
  QWidget* P_IP_Address;
  QWidget* P_Options;
  QWidget* P_Button;
  QLabel* L_SW_Code;
  QLabel* L_SW_Desc;
  QLabel* L_IP_Address;
  QLineEdit* E_IP1;
  QLineEdit* E_IP2;
  QLineEdit* E_IP3;
  QLineEdit* E_IP4;
  QLabel* L_Update_Option;
  QComboBox* CB_Update_Options;
  QCheckBox* CB_Update_Option_Read_Back;
  QPushButton* Btn_Cancel;
  QPushButton* Btn_Update;

  void FormShow();
  // A key typed in one of the address boxes; true when it was consumed (the "." that moves on).
  bool KeyPress(QLineEdit* box, const QString& key);
  void Btn_UpdateClick();
  bool Send_Ping();
  void Compile_XML_Parameter_New_Boot();

  // Checks run against this echo service and clock instead of the machine's (tests).
  void Use_Echo_Service(UBoot::Echo_Service* echo, UBoot::Ping_Clock* clock);
  // How long Btn_UpdateClick waits for the updater (tests shorten it).
  int Updater_Wait_Ms = UBoot::Updater_Wait_Limit_Ms;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::string Address_Text() const;
  void Arrange();

  UBoot::Boot_Options options_;
  ui::Messages& messages_;
  UBoot::Echo_Service* echo_ = nullptr;
  UBoot::Ping_Clock* clock_ = nullptr;
  bool checking_ = false;
  bool closed_while_checking_ = false;
};
