#include "update/boot_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <array>

#include "update/icmp_echo.h"
#include "update/update_messages.h"
#include "update/update_params.h"
#include "update/update_strings.h"
#include "util/files.h"
#include "util/ip_entry_qt.h"
#include "util/qstring_qt.h"
#include "util/text.h"
#include "util/title_panel_qt.h"

namespace {

using ui::Q;

constexpr int Client_Width = 449;
constexpr int Margin = 16;
constexpr int Box_Width = 41;

QWidget* Make_Panel(QWidget* parent, const char* name, int height) {
  auto* panel = new QWidget(parent);
  panel->setObjectName(name);
  panel->setFixedSize(Client_Width, height);
  return panel;
}

}  // namespace

TFBoot::TFBoot(const UBoot::Boot_Options& options, ui::Messages& messages, QWidget* parent)
    : QDialog(parent), options_(options), messages_(messages) {
  setObjectName("FBoot");
  P_Title = Make_Panel(this, "P_Title", 69);
  P_IP_Address = Make_Panel(this, "P_IP_Address", 49);
  P_Options = Make_Panel(this, "P_Options", 72);
  P_Button = Make_Panel(this, "P_Button", 40);
  auto* stack = new QVBoxLayout(this);
  stack->setContentsMargins(0, 0, 0, 0);
  stack->setSpacing(0);
  for (QWidget* panel : {P_Title, P_IP_Address, P_Options, P_Button}) stack->addWidget(panel);

  L_SW_Code = ui::Make_Code_Label(P_Title, options_.SW_Code);
  L_SW_Desc = ui::Make_Desc_Label(P_Title);

  L_IP_Address = new QLabel(P_IP_Address);
  L_IP_Address->setObjectName("L_IP_Address");
  L_IP_Address->move(Margin, 3);
  const ui::IP_Entry address(P_IP_Address, "E_IP", Box_Width, "0");
  address.Place({Margin, 21});
  for (QLineEdit* box : address.Boxes()) box->installEventFilter(this);
  E_IP1 = address[0];
  E_IP2 = address[1];
  E_IP3 = address[2];
  E_IP4 = address[3];

  L_Update_Option = new QLabel(P_Options);
  L_Update_Option->setObjectName("L_Update_Option");
  L_Update_Option->move(Margin, 4);
  CB_Update_Options = new QComboBox(P_Options);
  CB_Update_Options->setObjectName("CB_Update_Options");
  // The list's width follows its items, which change with the language.
  CB_Update_Options->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  CB_Update_Option_Read_Back = new QCheckBox(P_Options);
  CB_Update_Option_Read_Back->setObjectName("CB_Update_Option_Read_Back");

  Btn_Cancel = new QPushButton(P_Button);
  Btn_Cancel->setObjectName("Btn_Cancel");
  Btn_Update = new QPushButton(P_Button);
  Btn_Update->setObjectName("Btn_Update");
  // Enter in an address box must not start a download or close the dialog by itself.
  Btn_Cancel->setAutoDefault(false);
  Btn_Update->setAutoDefault(false);
  connect(Btn_Cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(Btn_Update, &QPushButton::clicked, this, &TFBoot::Btn_UpdateClick);

  setTabOrder(E_IP1, E_IP2);
  setTabOrder(E_IP2, E_IP3);
  setTabOrder(E_IP3, E_IP4);
  setTabOrder(E_IP4, CB_Update_Options);
  setTabOrder(CB_Update_Options, CB_Update_Option_Read_Back);
  setTabOrder(CB_Update_Option_Read_Back, Btn_Cancel);
  setTabOrder(Btn_Cancel, Btn_Update);

  Set_Lang();
}

void TFBoot::Set_Lang() {
  const auto& s = options_.Lang_Strings;
  setWindowTitle(Q(s[update_strings::Text_Caption]));
  L_SW_Desc->setText(Q(s[update_strings::Text_Description]));
  L_IP_Address->setText(Q(s[update_strings::Text_IP_Address]));
  L_Update_Option->setText(Q(s[update_strings::Text_Update_Option]));
  CB_Update_Options->clear();
  for (int k = 0; k < update_strings::Text_Update_Options.Count; ++k)
    CB_Update_Options->addItem(Q(s[update_strings::Text_Update_Options.At(k)]));
  CB_Update_Options->setCurrentIndex(0);
  CB_Update_Option_Read_Back->setText(Q(s[update_strings::Text_Read_Back]));
  Btn_Cancel->setText(Q(s[update_strings::Text_Cancel]));
  Btn_Update->setText(Q(s[update_strings::Text_Update]));
  E_IP1->setToolTip(Q(s[update_strings::Text_IP_Octet_Hints.At(0)]));
  E_IP2->setToolTip(Q(s[update_strings::Text_IP_Octet_Hints.At(1)]));
  E_IP3->setToolTip(Q(s[update_strings::Text_IP_Octet_Hints.At(2)]));
  E_IP4->setToolTip(Q(s[update_strings::Text_IP_Octet_Hints.At(3)]));
  CB_Update_Options->setToolTip(Q(s[update_strings::Text_Update_Options_Hint]));
  CB_Update_Option_Read_Back->setToolTip(Q(s[update_strings::Text_Read_Back_Hint]));
  Btn_Cancel->setToolTip(Q(s[update_strings::Text_Cancel_Hint]));
  Btn_Update->setToolTip(Q(s[update_strings::Text_Update_Hint]));
  Arrange();
}

// Sizes the captioned controls to their texts, so that a longer language neither overlaps nor
// cuts them, within the fixed 449-pixel width.
void TFBoot::Arrange() {
  const int usable = Client_Width - 2 * Margin;
  L_SW_Desc->resize(usable, L_SW_Desc->height());
  for (QLabel* label : {L_IP_Address, L_Update_Option}) {
    label->adjustSize();
    label->resize(std::min(label->width(), usable), label->height());
  }
  const int combo_width = std::clamp(CB_Update_Options->sizeHint().width(), 220, usable);
  CB_Update_Options->setGeometry(Margin, 24, combo_width, 24);
  // The read-back box goes beside the list when both fit, else under it.
  const int check_width = std::min(CB_Update_Option_Read_Back->sizeHint().width(), usable);
  const int beside = Margin + combo_width + 12;
  if (beside + check_width <= Client_Width - Margin)
    CB_Update_Option_Read_Back->setGeometry(beside, 24, check_width, 24);
  else
    CB_Update_Option_Read_Back->setGeometry(Margin, 50, check_width, 20);

  int right = Client_Width - Margin;
  for (QPushButton* button : {Btn_Update, Btn_Cancel}) {
    const int width = std::max(87, button->sizeHint().width());
    button->setGeometry(right - width, 6, width, 28);
    right -= width + 8;
  }
}

void TFBoot::showEvent(QShowEvent* event) {
  FormShow();
  QDialog::showEvent(event);
}

void TFBoot::hideEvent(QHideEvent* event) {
  if (checking_) closed_while_checking_ = true;
  QDialog::hideEvent(event);
}

void TFBoot::FormShow() {
  Set_Lang();
  L_SW_Code->setText(Q(options_.SW_Code));
  setFixedSize(Client_Width, 69 + 49 + 72 + 40);
  if (const auto parts = util::Split_IP(options_.Last_IP_Address)) {
    E_IP1->setText(Q((*parts)[0]));
    E_IP2->setText(Q((*parts)[1]));
    E_IP3->setText(Q((*parts)[2]));
    E_IP4->setText(Q((*parts)[3]));
  }
  if (options_.Update_Option_Index >= 0 &&
      options_.Update_Option_Index < CB_Update_Options->count())
    CB_Update_Options->setCurrentIndex(options_.Update_Option_Index);
  CB_Update_Option_Read_Back->setChecked(options_.Update_Read_Back);
  if (E_IP1->isEnabled()) {
    E_IP1->setFocus();
    E_IP1->selectAll();
  }
}

bool TFBoot::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    for (QLineEdit* box : {E_IP1, E_IP2, E_IP3, E_IP4})
      if (watched == box) return KeyPress(box, static_cast<QKeyEvent*>(event)->text());
  }
  return QDialog::eventFilter(watched, event);
}

bool TFBoot::KeyPress(QLineEdit* box, const QString& key) {
  return ui::Dot_Moves_To_Next_Box(std::array{E_IP1, E_IP2, E_IP3, E_IP4}, box, key);
}

std::string TFBoot::Address_Text() const {
  return E_IP1->text().toStdString() + "." + E_IP2->text().toStdString() + "." +
         E_IP3->text().toStdString() + "." + E_IP4->text().toStdString();
}

void TFBoot::Use_Echo_Service(UBoot::Echo_Service* echo, UBoot::Ping_Clock* clock) {
  echo_ = echo;
  clock_ = clock;
}

bool TFBoot::Send_Ping() {
  // The machine's echo client holds a socket only for the length of one check.
  UBoot::Icmp_Echo_Service machine_echo(options_.Lang_Strings);
  UBoot::Real_Ping_Clock machine_clock;
  UBoot::TPing Ping(echo_ ? *echo_ : machine_echo, clock_ ? *clock_ : machine_clock);
  const bool answered = Ping.Send_Ping(Address_Text(), [] { QCoreApplication::processEvents(); });
  ping_res = Ping.ping_res;
  if (!answered) {
    const UBoot::Update_Message message =
        UBoot::Ping_Failure_Message(options_.Lang_Strings, Ping, util::Executable_Path());
    if (message.Warning)
      messages_.Warning(this, message.Text);
    else
      messages_.Error(this, message.Text);
  }
  return answered;
}

void TFBoot::Compile_XML_Parameter_New_Boot() {
  UBoot::Update_Parameters p;
  p.IP_Address = Address_Text();
  p.Option_Index = CB_Update_Options->currentIndex();
  p.Read_Back = CB_Update_Option_Read_Back->isChecked();
  p.Master_Dir = options_.Conf.Master_Dir;
  p.Active_Conf_Dir = options_.Conf.Active_Conf_Dir;
  UBoot::Compile_XML_Parameter_New_Boot(p, options_.Conf.Exe_Dir);
}

void TFBoot::Btn_UpdateClick() {
  // The check processes window events, so a second click could arrive while it runs.
  if (checking_) return;
  checking_ = true;
  closed_while_checking_ = false;
  const bool answered = Send_Ping();
  checking_ = false;
  // Closing the dialog during the check cancels the update.
  if (!answered || closed_while_checking_) return;

  options_.Last_IP_Address = Address_Text();
  options_.Update_Option_Index = CB_Update_Options->currentIndex();
  options_.Update_Read_Back = CB_Update_Option_Read_Back->isChecked();
  try {
    Compile_XML_Parameter_New_Boot();
  } catch (const std::exception& e) {
    messages_.Error(this, util::Error_Text(e, options_.Lang_Strings));
    return;
  }
  const std::string program = util::Join_Path(options_.Conf.Exe_Dir, UBoot::Updater_Program_Name);
  try {
    UBoot::Start_Program(program, "", false, Updater_Wait_Ms);
  } catch (const UBoot::Start_Error& refusal) {
    messages_.Error(
        this,
        UBoot::Updater_Not_Started_Message(options_.Lang_Strings, program, refusal.what()).Text);
  }
}
