#include "app/new_project_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

#include "app/app_strings.h"
#include "app/workspace.h"
#include "util/files.h"
#include "util/qstring_qt.h"
#include "util/title_panel_qt.h"
#include "util/window_qt.h"

TFNew_Project::TFNew_Project(app::App_Context& ctx, ui::Messages& messages, QWidget* parent)
    : QDialog(parent), ctx_(ctx), messages_(messages) {
  setFixedSize(331, 162);
  L_SW_Code = ui::Make_Code_Label(this, ctx_.SW_Code);
  L_SW_Desc = ui::Make_Desc_Label(this);
  Label1 = new QLabel(this);
  Label1->setGeometry(16, 66, 300, 18);
  E_New_Proj = new QLineEdit(this);
  E_New_Proj->setGeometry(16, 86, 299, 24);
  Btn_OK = new QPushButton(this);
  Btn_OK->setGeometry(134, 122, 87, 28);
  Btn_OK->setDefault(true);
  Btn_Cancel = new QPushButton(this);
  Btn_Cancel->setGeometry(228, 122, 87, 28);
  // Enter in the name box confirms through the default button, OK, and only through it: a second
  // handler on the box would run the check twice and show each refusal twice.
  connect(Btn_OK, &QPushButton::clicked, this, &TFNew_Project::Btn_OKClick);
  connect(Btn_Cancel, &QPushButton::clicked, this, &QDialog::reject);
  Set_Lang();
}

void TFNew_Project::Set_Lang() {
  const auto& s = ctx_.Lang_Strings;
  setWindowTitle(ui::Q(s[app_strings::Text_New_Caption]));
  L_SW_Desc->setText(ui::Q(s[app_strings::Text_New_Description]));
  Label1->setText(ui::Q(s[app_strings::Text_New_Name_Label]));
  Btn_OK->setText(ui::Q(s[app_strings::Text_New_OK]));
  Btn_Cancel->setText(ui::Q(s[app_strings::Text_New_Cancel]));
  E_New_Proj->setToolTip(ui::Q(s[app_strings::Text_New_Name_Hint]));
  Btn_OK->setToolTip(ui::Q(s[app_strings::Text_New_OK_Hint]));
  Btn_Cancel->setToolTip(ui::Q(s[app_strings::Text_New_Cancel_Hint]));
}

void TFNew_Project::showEvent(QShowEvent* event) {
  E_New_Proj->clear();
  E_New_Proj->setFocus();
  // Centred on the screen, not on the main window as a dialog would be by default.
  if (!event->spontaneous()) ui::Centre_On_Screen(this);
  QDialog::showEvent(event);
}

void TFNew_Project::Btn_OKClick() {
  try {
    app::Create_Configuration(ctx_, E_New_Proj->text().toStdString());
  } catch (const std::exception& refusal) {
    messages_.Error(this, util::Error_Text(refusal, ctx_.Lang_Strings));
    return;
  }
  accept();
}
