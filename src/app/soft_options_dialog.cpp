#include "app/soft_options_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/app_strings.h"
#include "app/version_check.h"
#include "app/web_links.h"
#include "text/lang_strings.h"
#include "util/qstring_qt.h"
#include "util/title_panel_qt.h"
#include "util/web_address_qt.h"
#include "util/window_qt.h"

namespace {

constexpr int Form_Width = 509;
constexpr int Form_Height = 373;
constexpr int Form_Margin = 12;  // around the pages and the buttons
constexpr int Page_Frame = 4;    // the page control's frame on each side, with some room
// How far the update controls sit to the right of the internet connection's check box.
constexpr int Update_Indent = 20;

using ui::Q;

// Width left for a check box's text on a page of this fixed-size dialog: the dialog less its
// margins, the page frame and margins, and the box itself.
int Check_Box_Text_Width(const QCheckBox* box, int indent) {
  const QStyle* style = box->style();
  const int indicator = style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, box) +
                        style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, box);
  return Form_Width - 2 * (Form_Margin + Page_Frame + TFSoftOptions::Page_Margin) - indicator -
         indent - 8;
}

// Check boxes do not wrap their text, so a long translation is broken into lines at blanks
// rather than cut off at the page's edge.
void Set_Check_Box_Text(QCheckBox* box, const std::string& text, int indent = 0) {
  const QFontMetrics metrics(box->font());
  const int width = Check_Box_Text_Width(box, indent);
  QString wrapped;
  QString line;
  for (const QString& word : ui::Q(text).split(' ')) {
    const QString longer = line.isEmpty() ? word : line + ' ' + word;
    if (!line.isEmpty() && metrics.horizontalAdvance(longer) > width) {
      wrapped += line + '\n';
      line = word;
    } else {
      line = longer;
    }
  }
  box->setText(wrapped + line);
}

}  // namespace

TFSoftOptions::TFSoftOptions(app::App_Context& ctx, ui::Messages& messages, QWidget* parent)
    : QDialog(parent), ctx_(ctx), messages_(messages) {
  setObjectName("FSoftOptions");
  setFixedSize(Form_Width, Form_Height);
  L_SW_Code = ui::Make_Code_Label(this, ctx_.SW_Code);
  L_SW_Desc = ui::Make_Desc_Label(this);

  PC_Options = new QTabWidget(this);
  PC_Options->setObjectName("PC_Options");
  Build_Language_Page();
  Build_Connection_Page();
  Build_Settings_Page();

  Btn_OK = new QPushButton(this);
  Btn_OK->setObjectName("Btn_OK");
  Btn_OK->setDefault(true);
  Btn_Cancel = new QPushButton(this);
  Btn_Cancel->setObjectName("Btn_Cancel");

  // The title labels keep their fixed place above the pages.
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(Form_Margin, 62, Form_Margin, Form_Margin);
  layout->addWidget(PC_Options, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(Btn_OK);
  buttons->addWidget(Btn_Cancel);
  layout->addLayout(buttons);

  connect(Btn_OK, &QPushButton::clicked, this, &TFSoftOptions::Btn_OKClick);
  connect(Btn_Cancel, &QPushButton::clicked, this, &QDialog::reject);
  Set_Lang();
}

void TFSoftOptions::Build_Connection_Page() {
  TS_Con_Options = new QWidget;
  TS_Con_Options->setObjectName("TS_Con_Options");
  PC_Options->addTab(TS_Con_Options, QString());

  CB_En_Con = new QCheckBox(TS_Con_Options);
  CB_En_Con->setObjectName("CB_En_Con");
  CB_Update = new QCheckBox(TS_Con_Options);
  CB_Update->setObjectName("CB_Update");
  Btn_Check_Update = new QPushButton(TS_Con_Options);
  Btn_Check_Update->setObjectName("Btn_Check_Update");
  LL_Check_Update = new QLabel(TS_Con_Options);
  LL_Check_Update->setObjectName("LL_Check_Update");
  LL_Check_Update->setWordWrap(true);
  LL_Check_Update->setOpenExternalLinks(false);

  // The update check belongs to the internet connection, so it sits indented under it.
  auto* update_row = new QHBoxLayout;
  update_row->addSpacing(Update_Indent);
  update_row->addWidget(CB_Update, 1);
  auto* check_row = new QHBoxLayout;
  check_row->addSpacing(Update_Indent);
  check_row->addWidget(Btn_Check_Update);
  check_row->addStretch(1);
  auto* link_row = new QHBoxLayout;
  link_row->addSpacing(Update_Indent);
  link_row->addWidget(LL_Check_Update, 1);

  auto* page = new QVBoxLayout(TS_Con_Options);
  page->setContentsMargins(Page_Margin, Page_Margin, Page_Margin, 8);
  page->setSpacing(10);
  page->addWidget(CB_En_Con);
  page->addLayout(update_row);
  page->addSpacing(6);
  page->addLayout(check_row);
  page->addLayout(link_row);
  page->addStretch(1);

  connect(Btn_Check_Update, &QPushButton::clicked, this, &TFSoftOptions::Btn_Check_UpdateClick);
  connect(LL_Check_Update, &QLabel::linkActivated, this, &TFSoftOptions::LL_Check_UpdateLinkClick);
}

void TFSoftOptions::Build_Settings_Page() {
  TS_Soft_Settings = new QWidget;
  TS_Soft_Settings->setObjectName("TS_Soft_Settings");
  PC_Options->addTab(TS_Soft_Settings, QString());

  CB_Soft_Set_Jump_Table = new QCheckBox(TS_Soft_Settings);
  CB_Soft_Set_Jump_Table->setObjectName("CB_Soft_Set_Jump_Table");
  CB_DoubleClick_Auto_Size = new QCheckBox(TS_Soft_Settings);
  CB_DoubleClick_Auto_Size->setObjectName("CB_DoubleClick_Auto_Size");
  CB_Address_From_SCL = new QCheckBox(TS_Soft_Settings);
  CB_Address_From_SCL->setObjectName("CB_Address_From_SCL");

  auto* page = new QVBoxLayout(TS_Soft_Settings);
  page->setContentsMargins(Page_Margin, Page_Margin, Page_Margin, 8);
  page->setSpacing(10);
  page->addWidget(CB_Soft_Set_Jump_Table);
  page->addWidget(CB_DoubleClick_Auto_Size);
  page->addWidget(CB_Address_From_SCL);
  page->addStretch(1);

  for (QCheckBox* box : {CB_En_Con, CB_Update, CB_Soft_Set_Jump_Table, CB_DoubleClick_Auto_Size})
    connect(box, &QCheckBox::toggled, this, &TFSoftOptions::CB_En_ConClick);
}

void TFSoftOptions::Set_Lang() {
  const auto& s = ctx_.Lang_Strings;
  setWindowTitle(Q(s[app_strings::Text_Options_Caption]));
  L_SW_Desc->setText(Q(s[app_strings::Text_Options_Description]));
  PC_Options->setTabText(PC_Options->indexOf(TS_Language),
                         Q(s[app_strings::Text_Options_Language_Page]));
  PC_Options->setTabText(PC_Options->indexOf(TS_Con_Options),
                         Q(s[app_strings::Text_Options_Connection_Page]));
  PC_Options->setTabText(PC_Options->indexOf(TS_Soft_Settings),
                         Q(s[app_strings::Text_Options_Settings_Page]));
  Show_Selected_Language();
  Show_Page_Counter(Show_Page);
  Btn_Prev->setText(Q(s[app_strings::Text_Options_Previous]));
  Btn_Next->setText(Q(s[app_strings::Text_Options_Next]));
  Set_Check_Box_Text(CB_En_Con, s[app_strings::Text_Options_Enable_Internet]);
  Set_Check_Box_Text(CB_Update, s[app_strings::Text_Options_Check_At_Start], Update_Indent);
  Btn_Check_Update->setText(Q(s[app_strings::Text_Options_Check_Update]));
  Btn_OK->setText(Q(s[app_strings::Text_Options_OK]));
  Btn_Cancel->setText(Q(s[app_strings::Text_Options_Cancel]));
  Set_Check_Box_Text(CB_Soft_Set_Jump_Table, s[app_strings::Text_Options_Jump_Table]);
  Set_Check_Box_Text(CB_DoubleClick_Auto_Size, s[app_strings::Text_Options_Double_Click_Auto_Size]);
  Set_Check_Box_Text(CB_Address_From_SCL, s[app_strings::Text_Address_From_SCL]);
}

void TFSoftOptions::showEvent(QShowEvent* event) {
  FormShow();
  // Centred on the screen, not on the main window as a dialog would be by default.
  if (!event->spontaneous()) ui::Centre_On_Screen(this);
  QDialog::showEvent(event);
}

void TFSoftOptions::FormShow() {
  Language_In_Use = ctx_.Language_Name;
  Create_Lang_List();
  LL_Check_Update->hide();
  PC_Options->setCurrentWidget(TS_Language);
  CB_En_Con->setChecked(ctx_.Enable_Internet);
  CB_Update->setChecked(ctx_.Enable_Update);
  CB_Soft_Set_Jump_Table->setChecked(ctx_.Enable_Jump_Field_Tables);
  CB_DoubleClick_Auto_Size->setChecked(ctx_.Double_Click_Auto_Size);
  CB_Address_From_SCL->setChecked(ctx_.Address_From_SCL);
  Update_CheckBox();
}

void TFSoftOptions::CB_En_ConClick() { Update_CheckBox(); }

void TFSoftOptions::Update_CheckBox() {
  // Disabling the update check keeps its tick: it is still stored on OK.
  CB_Update->setEnabled(CB_En_Con->isChecked());
  Btn_Check_Update->setEnabled(CB_Update->isEnabled() && CB_Update->isChecked());
}

void TFSoftOptions::Btn_Check_UpdateClick() {
  const auto& s = ctx_.Lang_Strings;
  // The query blocks the window until the server answers or the time-out ends.
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const bool newer = app::Check_Version(ctx_.Version_Server, ctx_.SW_Version);
  QApplication::restoreOverrideCursor();
  if (newer) {
    const QString target = QString(app::Maker_Web_Server) + app::Download_Page_Path;
    LL_Check_Update->setTextFormat(Qt::RichText);
    LL_Check_Update->setText(
        QString("<a href=\"%1\">%2</a>")
            .arg(target.toHtmlEscaped(),
                 Q(s[app_strings::Text_Options_New_Version_Link]).toHtmlEscaped()));
  } else {
    LL_Check_Update->setTextFormat(Qt::PlainText);
    LL_Check_Update->setText(Q(s[app_strings::Text_Options_No_Update]));
  }
  LL_Check_Update->show();
}

void TFSoftOptions::LL_Check_UpdateLinkClick(const QString& link) { ui::Open_Web_Address(link); }

void TFSoftOptions::Btn_OKClick() {
  ctx_.Language_Name = Language_In_Use;
  ctx_.Enable_Internet = CB_En_Con->isChecked();
  ctx_.Enable_Update = CB_Update->isChecked();
  ctx_.Enable_Jump_Field_Tables = CB_Soft_Set_Jump_Table->isChecked();
  ctx_.Double_Click_Auto_Size = CB_DoubleClick_Auto_Size->isChecked();
  ctx_.Address_From_SCL = CB_Address_From_SCL->isChecked();
  // The main window then writes the settings file and lets its timer follow the options.
  accept();
}
