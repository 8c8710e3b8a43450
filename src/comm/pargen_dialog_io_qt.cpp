// Set Communication's values: read from ParGen.xml when the dialog is shown, checked and saved on
// OK, and the question before Cancel throws changed values away.
#include <QCheckBox>
#include <QLineEdit>
#include <exception>
#include <pugixml.hpp>
#include <string>

#include "comm/comm_strings.h"
#include "comm/pargen_check.h"
#include "comm/pargen_dialog.h"
#include "conf/conf_paths.h"
#include "util/files.h"
#include "util/qstring_qt.h"

using ui::Q;

void TFParGen::FormShow() {
  comm::Par_Gen values;
  try {
    pugi::xml_document doc;
    comm::Load_Par_Gen(doc, options_.Conf.ParGen_File, values);
    Write_Controls(values);
  } catch (const std::exception& e) {
    // The controls keep what they held; a later OK writes a well-formed file.
    messages_.Error(this, util::Error_Text(e, options_.Lang_Strings));
  }
  shown_values_ = Read_Controls();
  Move_GroupBoxs();
}

comm::Par_Gen TFParGen::Read_Controls() const {
  comm::Par_Gen v;
  auto text = [](const QLineEdit* box) { return box->text().toStdString(); };
  for (size_t i = 0; i < 4; ++i) {
    v.IEC61850_Client_IP[i] = text(client_chain_[i]);
    v.IEC61850_Client_SM[i] = text(client_chain_[4 + i]);
    v.IEC61850_Client_GAT[i] = text(client_chain_[8 + i]);
    v.Modbus_TCP_Slave_IP[i] = text(slave_chain_[i]);
    v.Modbus_TCP_Slave_SM[i] = text(slave_chain_[4 + i]);
    v.Modbus_TCP_Slave_GAT[i] = text(slave_chain_[8 + i]);
  }
  v.IEC61850_Client_En_GAT = CB_IEC61850_Client_En_GAT->isChecked();
  v.IEC61850_Client_VLAN = text(E_IEC61850_Client_VLAN);
  v.IEC61850_Client_Application_ID = text(E_IEC61850_Client_AppID);
  v.Modbus_TCP_Slave_EN_GAT = CB_ModbusTCPSlave_En_GAT->isChecked();
  v.Modbus_TCP_Slave_Port = text(E_ModbusTCPSlave_Port);
  return v;
}

void TFParGen::Write_Controls(const comm::Par_Gen& v) {
  auto set = [](QLineEdit* box, const std::string& text) { box->setText(Q(text)); };
  for (size_t i = 0; i < 4; ++i) {
    set(client_chain_[i], v.IEC61850_Client_IP[i]);
    set(client_chain_[4 + i], v.IEC61850_Client_SM[i]);
    set(client_chain_[8 + i], v.IEC61850_Client_GAT[i]);
    set(slave_chain_[i], v.Modbus_TCP_Slave_IP[i]);
    set(slave_chain_[4 + i], v.Modbus_TCP_Slave_SM[i]);
    set(slave_chain_[8 + i], v.Modbus_TCP_Slave_GAT[i]);
  }
  CB_IEC61850_Client_En_GAT->setChecked(v.IEC61850_Client_En_GAT);
  set(E_IEC61850_Client_VLAN, v.IEC61850_Client_VLAN);
  set(E_IEC61850_Client_AppID, v.IEC61850_Client_Application_ID);
  CB_ModbusTCPSlave_En_GAT->setChecked(v.Modbus_TCP_Slave_EN_GAT);
  set(E_ModbusTCPSlave_Port, v.Modbus_TCP_Slave_Port);
}

bool TFParGen::Controllo_Dati() {
  const util::Check_Result failure = comm::Controllo_Dati(Read_Controls(), options_.Lang_Strings);
  if (!failure) return true;
  messages_.Error(this, *failure);
  return false;
}

void TFParGen::Btn_OKClick() {
  if (!Controllo_Dati()) return;
  try {
    const auto conf = conf::Open_Conf_Folder(options_.Conf, options_.Lang_Strings);
    pugi::xml_document doc;
    if (conf::In_Conf_Folder(options_.Conf, options_.Conf.ParGen_File))
      comm::Save_Par_Gen(doc, *conf, util::File_Name_Of(options_.Conf.ParGen_File),
                         Read_Controls());
    else
      comm::Save_Par_Gen(doc, options_.Conf.ParGen_File, Read_Controls());
  } catch (const std::exception& e) {
    // Nothing was written: the dialog stays open with the user's entries.
    messages_.Error(this, util::Error_Text(e, options_.Lang_Strings));
    return;
  }
  accept();
}

void TFParGen::Btn_CancelClick() { reject(); }

void TFParGen::reject() {
  if (isVisible() && Read_Controls() != shown_values_ &&
      messages_.Question_Default_No(this,
                                    options_.Lang_Strings[comm_strings::Text_Discard_Changes]) !=
          ui::Messages::Answer::Yes)
    return;
  QDialog::reject();
}
