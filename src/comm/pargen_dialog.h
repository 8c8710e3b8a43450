// Set Communication dialog (FParGen): both sides' network parameters, saved in ParGen.xml.
#pragma once

#include <QDialog>
#include <array>

#include "comm/pargen_file.h"
#include "conf/conf_paths.h"
#include "text/lang_strings.h"
#include "util/messages_qt.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QWheelEvent;

namespace comm {
class Category_Panel;

// What Set Communication takes from the program: the configuration's ParGen.xml and folders, the
// string table and the product's code. The main window builds it from its context; the
// references follow that context, so each showing edits the configuration active then.
struct ParGen_Options {
  const conf::Conf_Paths& Conf;
  const lang::Lang_Strings& Lang_Strings;
  const std::string& SW_Code;
};
}  // namespace comm

class TFParGen : public QDialog {
  Q_OBJECT

 public:
  TFParGen(const comm::ParGen_Options& options, ui::Messages& messages, QWidget* parent = nullptr);
  void Set_Lang();

  // IEC 61850 client side.
  QLineEdit* E_IEC61850_Client_IP1;
  QLineEdit* E_IEC61850_Client_IP2;
  QLineEdit* E_IEC61850_Client_IP3;
  QLineEdit* E_IEC61850_Client_IP4;
  QLineEdit* E_IEC61850_Client_SM1;
  QLineEdit* E_IEC61850_Client_SM2;
  QLineEdit* E_IEC61850_Client_SM3;
  QLineEdit* E_IEC61850_Client_SM4;
  QCheckBox* CB_IEC61850_Client_En_GAT;
  QLineEdit* E_IEC61850_Client_GAT1;
  QLineEdit* E_IEC61850_Client_GAT2;
  QLineEdit* E_IEC61850_Client_GAT3;
  QLineEdit* E_IEC61850_Client_GAT4;
  QLineEdit* E_IEC61850_Client_VLAN;
  QLineEdit* E_IEC61850_Client_AppID;
  // Modbus TCP slave side.
  QLineEdit* E_ModbusTCPSlave_IP1;
  QLineEdit* E_ModbusTCPSlave_IP2;
  QLineEdit* E_ModbusTCPSlave_IP3;
  QLineEdit* E_ModbusTCPSlave_IP4;
  QLineEdit* E_ModbusTCPSlave_SM1;
  QLineEdit* E_ModbusTCPSlave_SM2;
  QLineEdit* E_ModbusTCPSlave_SM3;
  QLineEdit* E_ModbusTCPSlave_SM4;
  QCheckBox* CB_ModbusTCPSlave_En_GAT;
  QLineEdit* E_ModbusTCPSlave_GAT1;
  QLineEdit* E_ModbusTCPSlave_GAT2;
  QLineEdit* E_ModbusTCPSlave_GAT3;
  QLineEdit* E_ModbusTCPSlave_GAT4;
  QLineEdit* E_ModbusTCPSlave_Port;

  QScrollArea* CPG;
  comm::Category_Panel* CP_IEC61850_Client;
  comm::Category_Panel* CP_Modbus_TCP_Slave;
  QPushButton* Btn_OK;
  QPushButton* Btn_Cancel;

  // Loads every field from ParGen.xml (or the defaults), then sizes the panels.
  void FormShow();
  // Shows the first failing value's message; true when everything is acceptable.
  bool Controllo_Dati();
  void Btn_OKClick();
  void Btn_CancelClick();
  // Cancel, Escape and the close button: asks before throwing away changes made since showing.
  void reject() override;
  // Each panel as high as its last control's bottom plus the caption bar plus 12 pixels.
  void Move_GroupBoxs();
  // Scrolls the panel group by the system's wheel-scroll lines when the mouse is over it; true
  // when the event is taken.
  bool FormMouseWheel(QWheelEvent* event);

 protected:
  void showEvent(QShowEvent* event) override;
  // Every resize sets the width back to 460: the user changes only the height, also where no
  // window manager honours the fixed width.
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Order_TAB_Panels();
  // "." in an octet box: focus to the next box of that side's chain; true when the key is "."
  bool KeyPress(QLineEdit* box, const QString& key);
  comm::Par_Gen Read_Controls() const;
  void Write_Controls(const comm::Par_Gen& values);
  int Panel_Width() const;

  comm::ParGen_Options options_;
  ui::Messages& messages_;
  QLabel* L_SW_Code;
  QLabel* L_SW_Desc;
  QLabel* L_IEC61850_Client_IP;
  QLabel* L_IEC61850_Client_SM;
  QLabel* L_IEC61850_Client_VLAN;
  QLabel* L_IEC61850_Client_AppID;
  QLabel* L_ModbusTCPSlave_IP;
  QLabel* L_ModbusTCPSlave_SM;
  QLabel* L_ModbusTCPSlave_Port;
  // Each side's octet boxes in navigation order: IP 1-4, mask 1-4, gateway 1-4.
  std::array<QLineEdit*, 12> client_chain_;
  std::array<QLineEdit*, 12> slave_chain_;
  int fitted_width_ = -1;       // the panel width Move_GroupBoxs last laid the panels out for
  comm::Par_Gen shown_values_;  // what the controls held when the dialog was shown
};
