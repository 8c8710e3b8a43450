#include "comm/pargen_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScrollArea>
#include <QScrollBar>
#include <QShowEvent>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>

#include "comm/category_panel_qt.h"
#include "comm/comm_strings.h"
#include "comm/pargen_check.h"
#include "util/ip_entry_qt.h"
#include "util/qstring_qt.h"
#include "util/title_panel_qt.h"

namespace {

// The dialog's client area keeps this width; only its height follows the user.
constexpr int Client_Width = 460;
constexpr int Client_Height = 700;
constexpr int Octet_Width = 46;
constexpr int Value_Width = 110;

using ui::Q;

QLineEdit* Make_Box(QWidget* parent, const char* name, int width) {
  auto* box = new QLineEdit(parent);
  box->setObjectName(name);
  box->setFixedWidth(width);
  return box;
}

QLabel* Make_Label(QWidget* parent, const char* name) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  return label;
}

QHBoxLayout* Single_Row(QLineEdit* box) {
  auto* row = new QHBoxLayout;
  row->addWidget(box);
  row->addStretch(1);
  return row;
}

QFormLayout* Panel_Form(QWidget* body) {
  auto* form = new QFormLayout(body);
  form->setRowWrapPolicy(QFormLayout::WrapLongRows);
  form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  form->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  form->setHorizontalSpacing(14);
  form->setVerticalSpacing(8);
  // No bottom margin: the panel adds its own 12 pixels below the last control.
  form->setContentsMargins(12, 10, 12, 0);
  return form;
}

}  // namespace

TFParGen::TFParGen(const comm::ParGen_Options& options, ui::Messages& messages, QWidget* parent)
    : QDialog(parent), options_(options), messages_(messages) {
  setObjectName("FParGen");
  L_SW_Code = ui::Make_Code_Label(this, options_.SW_Code);
  L_SW_Desc = ui::Make_Desc_Label(this);

  CPG = new QScrollArea(this);
  CPG->setObjectName("CPG");
  CPG->setWidgetResizable(true);
  CPG->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  // A scroll bar that never comes and goes keeps the panels' width, and so their heights, fixed.
  CPG->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  CPG->verticalScrollBar()->setSingleStep(8);
  auto* group = new QWidget;
  const int header_height = fontMetrics().height() + 10;
  CP_IEC61850_Client = new comm::Category_Panel(header_height, group);
  CP_IEC61850_Client->setObjectName("CP_IEC61850_Client");
  CP_Modbus_TCP_Slave = new comm::Category_Panel(header_height, group);
  CP_Modbus_TCP_Slave->setObjectName("CP_Modbus_TCP_Slave");

  // IEC 61850 client panel; boxes are created in tab order.
  QWidget* body = CP_IEC61850_Client->Body();
  L_IEC61850_Client_IP = Make_Label(body, "L_IEC61850_Client_IP");
  const ui::IP_Entry client_ip(body, "E_IEC61850_Client_IP", Octet_Width);
  L_IEC61850_Client_SM = Make_Label(body, "L_IEC61850_Client_SM");
  const ui::IP_Entry client_sm(body, "E_IEC61850_Client_SM", Octet_Width);
  CB_IEC61850_Client_En_GAT = new QCheckBox(body);
  CB_IEC61850_Client_En_GAT->setObjectName("CB_IEC61850_Client_En_GAT");
  const ui::IP_Entry client_gat(body, "E_IEC61850_Client_GAT", Octet_Width);
  L_IEC61850_Client_VLAN = Make_Label(body, "L_IEC61850_Client_VLAN");
  E_IEC61850_Client_VLAN = Make_Box(body, "E_IEC61850_Client_VLAN", Value_Width);
  // Digits only, at most 8 of them, for what the user types; a text loaded from the file is
  // shown as it is stored (a length limit on the box itself would cut it).
  E_IEC61850_Client_VLAN->setValidator(
      new QRegularExpressionValidator(QRegularExpression("[0-9]{0,8}"), E_IEC61850_Client_VLAN));
  L_IEC61850_Client_AppID = Make_Label(body, "L_IEC61850_Client_AppID");
  E_IEC61850_Client_AppID = Make_Box(body, "E_IEC61850_Client_AppID", Value_Width);
  QFormLayout* form = Panel_Form(body);
  form->addRow(L_IEC61850_Client_IP, client_ip.Row_Layout());
  form->addRow(L_IEC61850_Client_SM, client_sm.Row_Layout());
  form->addRow(CB_IEC61850_Client_En_GAT, client_gat.Row_Layout());
  form->addRow(L_IEC61850_Client_VLAN, Single_Row(E_IEC61850_Client_VLAN));
  form->addRow(L_IEC61850_Client_AppID, Single_Row(E_IEC61850_Client_AppID));

  // Modbus TCP slave panel.
  body = CP_Modbus_TCP_Slave->Body();
  L_ModbusTCPSlave_IP = Make_Label(body, "L_ModbusTCPSlave_IP");
  const ui::IP_Entry slave_ip(body, "E_ModbusTCPSlave_IP", Octet_Width);
  L_ModbusTCPSlave_SM = Make_Label(body, "L_ModbusTCPSlave_SM");
  const ui::IP_Entry slave_sm(body, "E_ModbusTCPSlave_SM", Octet_Width);
  CB_ModbusTCPSlave_En_GAT = new QCheckBox(body);
  CB_ModbusTCPSlave_En_GAT->setObjectName("CB_ModbusTCPSlave_En_GAT");
  const ui::IP_Entry slave_gat(body, "E_ModbusTCPSlave_GAT", Octet_Width);
  L_ModbusTCPSlave_Port = Make_Label(body, "L_ModbusTCPSlave_Port");
  E_ModbusTCPSlave_Port = Make_Box(body, "E_ModbusTCPSlave_Port", Value_Width);
  form = Panel_Form(body);
  form->addRow(L_ModbusTCPSlave_IP, slave_ip.Row_Layout());
  form->addRow(L_ModbusTCPSlave_SM, slave_sm.Row_Layout());
  form->addRow(CB_ModbusTCPSlave_En_GAT, slave_gat.Row_Layout());
  form->addRow(L_ModbusTCPSlave_Port, Single_Row(E_ModbusTCPSlave_Port));

  E_IEC61850_Client_IP1 = client_ip[0];
  E_IEC61850_Client_IP2 = client_ip[1];
  E_IEC61850_Client_IP3 = client_ip[2];
  E_IEC61850_Client_IP4 = client_ip[3];
  E_IEC61850_Client_SM1 = client_sm[0];
  E_IEC61850_Client_SM2 = client_sm[1];
  E_IEC61850_Client_SM3 = client_sm[2];
  E_IEC61850_Client_SM4 = client_sm[3];
  E_IEC61850_Client_GAT1 = client_gat[0];
  E_IEC61850_Client_GAT2 = client_gat[1];
  E_IEC61850_Client_GAT3 = client_gat[2];
  E_IEC61850_Client_GAT4 = client_gat[3];
  E_ModbusTCPSlave_IP1 = slave_ip[0];
  E_ModbusTCPSlave_IP2 = slave_ip[1];
  E_ModbusTCPSlave_IP3 = slave_ip[2];
  E_ModbusTCPSlave_IP4 = slave_ip[3];
  E_ModbusTCPSlave_SM1 = slave_sm[0];
  E_ModbusTCPSlave_SM2 = slave_sm[1];
  E_ModbusTCPSlave_SM3 = slave_sm[2];
  E_ModbusTCPSlave_SM4 = slave_sm[3];
  E_ModbusTCPSlave_GAT1 = slave_gat[0];
  E_ModbusTCPSlave_GAT2 = slave_gat[1];
  E_ModbusTCPSlave_GAT3 = slave_gat[2];
  E_ModbusTCPSlave_GAT4 = slave_gat[3];
  for (int i = 0; i < 4; ++i) {
    client_chain_[i] = client_ip[i];
    client_chain_[4 + i] = client_sm[i];
    client_chain_[8 + i] = client_gat[i];
    slave_chain_[i] = slave_ip[i];
    slave_chain_[4 + i] = slave_sm[i];
    slave_chain_[8 + i] = slave_gat[i];
  }

  auto* panels = new QVBoxLayout(group);
  panels->setContentsMargins(0, 0, 0, 0);
  panels->setSpacing(0);
  panels->addWidget(CP_IEC61850_Client);
  panels->addWidget(CP_Modbus_TCP_Slave);
  panels->addStretch(1);
  CPG->setWidget(group);

  Btn_OK = new QPushButton(this);
  Btn_OK->setObjectName("Btn_OK");
  Btn_OK->setDefault(true);
  Btn_OK->setMinimumWidth(87);
  Btn_Cancel = new QPushButton(this);
  Btn_Cancel->setObjectName("Btn_Cancel");
  Btn_Cancel->setMinimumWidth(87);

  // The title labels keep their fixed place above the panel group; the group takes the height.
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 62, 8, 10);
  layout->addWidget(CPG, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(Btn_OK);
  buttons->addWidget(Btn_Cancel);
  layout->addLayout(buttons);

  connect(Btn_OK, &QPushButton::clicked, this, &TFParGen::Btn_OKClick);
  connect(Btn_Cancel, &QPushButton::clicked, this, &TFParGen::Btn_CancelClick);

  // Every control reports its wheel events here first, so the group scrolls wherever the mouse
  // is over it; the octet boxes also report their keys for the "." navigation.
  for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);

  setFixedWidth(Client_Width);
  resize(Client_Width, Client_Height);
  Order_TAB_Panels();
  Move_GroupBoxs();
  Set_Lang();
}

void TFParGen::Order_TAB_Panels() {
  CP_IEC61850_Client->show();
  CP_Modbus_TCP_Slave->show();
  setTabOrder(CP_IEC61850_Client, CP_Modbus_TCP_Slave);
}

void TFParGen::Set_Lang() {
  const auto& s = options_.Lang_Strings;
  setWindowTitle(Q(s[comm_strings::Text_Caption]));
  L_SW_Desc->setText(Q(s[comm_strings::Text_Description]));
  L_SW_Desc->resize(Client_Width - 2 * L_SW_Desc->x(), L_SW_Desc->height());
  Btn_OK->setText(Q(s[comm_strings::Text_OK]));
  Btn_Cancel->setText(Q(s[comm_strings::Text_Cancel]));
  Btn_OK->setToolTip(Q(s[comm_strings::Text_OK_Hint]));
  Btn_Cancel->setToolTip(Q(s[comm_strings::Text_Cancel_Hint]));
  // The captions follow a language change too, not only the language at start.
  CP_IEC61850_Client->Set_Caption("1. " + Q(s[comm_strings::Text_Client_Caption]));
  CP_Modbus_TCP_Slave->Set_Caption("2. " + Q(s[comm_strings::Text_Slave_Caption]));

  // Each side: IP label, mask label, gateway caption and hint, and one hint per octet box of the
  // chain (IP, mask, gateway).
  struct Side_Texts {
    int ip;
    lang::Text_Range ip_octets;
    int mask;
    lang::Text_Range mask_octets;
    int gateway;
    int gateway_hint;
    lang::Text_Range gateway_octets;
  };
  auto side = [&s](const Side_Texts& t, QLabel* ip, QLabel* sm, QCheckBox* gateway,
                   const std::array<QLineEdit*, 12>& chain) {
    ip->setText(Q(s[t.ip]));
    sm->setText(Q(s[t.mask]));
    gateway->setText(Q(s[t.gateway]));
    gateway->setToolTip(Q(s[t.gateway_hint]));
    for (int i = 0; i < 4; ++i) {
      chain[static_cast<size_t>(i)]->setToolTip(Q(s[t.ip_octets.At(i)]));
      chain[static_cast<size_t>(4 + i)]->setToolTip(Q(s[t.mask_octets.At(i)]));
      chain[static_cast<size_t>(8 + i)]->setToolTip(Q(s[t.gateway_octets.At(i)]));
    }
  };
  side({comm_strings::Text_Client_IP, comm_strings::Text_Client_IP_Octet_Hints,
        comm_strings::Text_Client_Mask, comm_strings::Text_Client_Mask_Octet_Hints,
        comm_strings::Text_Client_Gateway, comm_strings::Text_Client_Gateway_Hint,
        comm_strings::Text_Client_Gateway_Octet_Hints},
       L_IEC61850_Client_IP, L_IEC61850_Client_SM, CB_IEC61850_Client_En_GAT, client_chain_);
  side({comm_strings::Text_Slave_IP, comm_strings::Text_Slave_IP_Octet_Hints,
        comm_strings::Text_Slave_Mask, comm_strings::Text_Slave_Mask_Octet_Hints,
        comm_strings::Text_Slave_Gateway, comm_strings::Text_Slave_Gateway_Hint,
        comm_strings::Text_Slave_Gateway_Octet_Hints},
       L_ModbusTCPSlave_IP, L_ModbusTCPSlave_SM, CB_ModbusTCPSlave_En_GAT, slave_chain_);
  L_IEC61850_Client_VLAN->setText(Q(s[comm_strings::Text_Client_VLAN]));
  E_IEC61850_Client_VLAN->setToolTip(Q(s[comm_strings::Text_Client_VLAN_Hint]));
  L_IEC61850_Client_AppID->setText(Q(s[comm_strings::Text_Client_AppID]));
  E_IEC61850_Client_AppID->setToolTip(Q(s[comm_strings::Text_Client_AppID_Hint]));
  L_ModbusTCPSlave_Port->setText(Q(s[comm_strings::Text_Slave_Port]));
  E_ModbusTCPSlave_Port->setToolTip(Q(s[comm_strings::Text_Slave_Port_Hint]));
  // One label column for both panels, so their boxes line up whatever the language.
  const std::array<QWidget*, 9> captions = {
      L_IEC61850_Client_IP,   L_IEC61850_Client_SM,     CB_IEC61850_Client_En_GAT,
      L_IEC61850_Client_VLAN, L_IEC61850_Client_AppID,  L_ModbusTCPSlave_IP,
      L_ModbusTCPSlave_SM,    CB_ModbusTCPSlave_En_GAT, L_ModbusTCPSlave_Port};
  int column = 0;
  for (QWidget* caption : captions) {
    caption->setMinimumWidth(0);
    column = std::max(column, caption->sizeHint().width());
  }
  for (QWidget* caption : captions) caption->setMinimumWidth(column);
  // Texts of another length can move the last control of a panel.
  Move_GroupBoxs();
}

int TFParGen::Panel_Width() const {
  if (CPG->isVisible()) return CPG->viewport()->width();
  // Not laid out yet: the width the panels will get once the dialog is shown.
  const QMargins margins = layout()->contentsMargins();
  return Client_Width - margins.left() - margins.right() - 2 * CPG->frameWidth() -
         CPG->verticalScrollBar()->sizeHint().width();
}

void TFParGen::Move_GroupBoxs() {
  const int width = Panel_Width();
  fitted_width_ = width;
  auto fit = [width](comm::Category_Panel* panel, QWidget* last) {
    QLayout* form = panel->Body()->layout();
    const int height =
        form->hasHeightForWidth() ? form->heightForWidth(width) : form->sizeHint().height();
    form->setGeometry(QRect(0, 0, width, height));
    const int bottom = last->geometry().y() + last->geometry().height();
    panel->Set_Expanded_Height(bottom + panel->Header_Height() + 12);
  };
  fit(CP_IEC61850_Client, E_IEC61850_Client_AppID);
  fit(CP_Modbus_TCP_Slave, E_ModbusTCPSlave_Port);
}

void TFParGen::showEvent(QShowEvent* event) {
  // A window restored from the task bar is shown again by the system: that is no new showing
  // and must not throw away what the user typed.
  if (!event->spontaneous()) FormShow();
  QDialog::showEvent(event);
}

void TFParGen::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  if (width() != Client_Width) resize(Client_Width, height());
}

bool TFParGen::KeyPress(QLineEdit* box, const QString& key) {
  // The "." runs through the address, mask and gateway boxes of one side.
  for (const auto* chain : {&client_chain_, &slave_chain_}) {
    QLineEdit* next = nullptr;
    if (!ui::Dot_Moves_To_Next_Box(*chain, box, key, &next)) continue;
    if (next != nullptr) CPG->ensureWidgetVisible(next);
    return true;
  }
  return false;
}

bool TFParGen::FormMouseWheel(QWheelEvent* event) {
  const QPoint at = CPG->viewport()->mapFromGlobal(event->globalPosition().toPoint());
  // Only the vertical wheel scrolls the group; a tilt sideways is left to the control.
  if (!CPG->viewport()->rect().contains(at) || event->angleDelta().y() == 0) return false;
  const auto step = event->angleDelta().y() > 0 ? QAbstractSlider::SliderSingleStepSub
                                                : QAbstractSlider::SliderSingleStepAdd;
  // A setting below 1 scrolls nothing, but the wheel is still taken.
  for (int line = 0; line < QApplication::wheelScrollLines(); ++line)
    CPG->verticalScrollBar()->triggerAction(step);
  return true;
}

bool TFParGen::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Wheel) {
    if (FormMouseWheel(static_cast<QWheelEvent*>(event))) {
      event->accept();
      return true;
    }
  } else if (event->type() == QEvent::Resize && watched == CPG->viewport()) {
    // The group is laid out only once shown; the panels then get their final width.
    if (CPG->viewport()->width() != fitted_width_) Move_GroupBoxs();
  } else if (event->type() == QEvent::KeyPress) {
    if (auto* box = qobject_cast<QLineEdit*>(watched))
      if (KeyPress(box, static_cast<QKeyEvent*>(event)->text())) return true;
  }
  return QDialog::eventFilter(watched, event);
}
