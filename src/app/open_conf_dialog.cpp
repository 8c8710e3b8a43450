#include "app/open_conf_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "app/app_strings.h"
#include "app/workspace.h"
#include "util/files.h"
#include "util/qstring_qt.h"
#include "util/title_panel_qt.h"
#include "util/window_qt.h"

TFOpenConf::TFOpenConf(app::App_Context& ctx, ui::Messages& messages, QWidget* parent)
    : QDialog(parent), ctx_(ctx), messages_(messages) {
  resize(377, 351);
  L_SW_Code = ui::Make_Code_Label(this, ctx_.SW_Code);
  L_SW_Desc = ui::Make_Desc_Label(this);
  Label1 = new QLabel(this);
  ListBox1 = new QListWidget(this);
  ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
  Btn_OK = new QPushButton(this);
  Btn_OK->setDefault(true);
  Btn_Cancel = new QPushButton(this);

  // The title labels keep their fixed place; the list grows with the window.
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(16, 62, 16, 12);
  layout->addWidget(Label1);
  layout->addWidget(ListBox1, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(Btn_OK);
  buttons->addWidget(Btn_Cancel);
  layout->addLayout(buttons);

  connect(ListBox1, &QListWidget::itemSelectionChanged, this, &TFOpenConf::ListBox1Click);
  connect(ListBox1, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
  connect(Btn_OK, &QPushButton::clicked, this, &QDialog::accept);
  connect(Btn_Cancel, &QPushButton::clicked, this, &QDialog::reject);
  Set_Lang();
}

void TFOpenConf::Set_Lang() {
  const auto& s = ctx_.Lang_Strings;
  setWindowTitle(ui::Q(s[app_strings::Text_Open_Caption]));
  L_SW_Desc->setText(ui::Q(s[app_strings::Text_Open_Description]));
  Label1->setText(ui::Q(s[app_strings::Text_Open_List_Label]));
  Btn_OK->setText(ui::Q(s[app_strings::Text_Open_OK]));
  Btn_Cancel->setText(ui::Q(s[app_strings::Text_Open_Cancel]));
  ListBox1->setToolTip(ui::Q(s[app_strings::Text_Open_List_Hint]));
  Btn_OK->setToolTip(ui::Q(s[app_strings::Text_Open_OK_Hint]));
  Btn_Cancel->setToolTip(ui::Q(s[app_strings::Text_Open_Cancel_Hint]));
}

void TFOpenConf::showEvent(QShowEvent* event) {
  FormShow();
  // Centred on the screen, not on the main window as a dialog would be by default.
  if (!event->spontaneous()) ui::Centre_On_Screen(this);
  QDialog::showEvent(event);
}

void TFOpenConf::FormShow() {
  try {
    SL = app::Load_Existing_Configuration(ctx_.Projects_Dir);
  } catch (const util::File_Error& failure) {
    SL.clear();  // the list stays empty, and the user learns why
    messages_.Error(this, failure.Text(ctx_.Lang_Strings));
  }
  {
    const QSignalBlocker quiet(ListBox1);
    ListBox1->clear();
    for (const std::string& name : SL) ListBox1->addItem(ui::Q(name));
  }
  int found = app::Search_Open_Conf(SL, app::Active_Folder_Name(ctx_));
  if (found < 0 && !SL.empty()) found = 0;
  Name_Conf = found >= 0 ? SL[static_cast<size_t>(found)] : std::string();
  if (found >= 0) ListBox1->setCurrentRow(found);
}

void TFOpenConf::ListBox1Click() {
  const int row = ListBox1->currentRow();
  if (row >= 0 && row < static_cast<int>(SL.size()) && ListBox1->item(row)->isSelected())
    Name_Conf = SL[static_cast<size_t>(row)];
}
