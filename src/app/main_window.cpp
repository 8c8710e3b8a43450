#include "app/main_window.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <exception>
#include <type_traits>

#include "access_ui/access_window.h"
#include "app/about_dialog.h"
#include "app/app_strings.h"
#include "app/new_project_dialog.h"
#include "app/open_conf_dialog.h"
#include "app/soft_options_dialog.h"
#include "app/version_check.h"
#include "app/web_links.h"
#include "app/workspace.h"
#include "comm/pargen_dialog.h"
#include "lang/lang_file.h"
#include "update/boot_dialog.h"
#include "util/files.h"
#include "util/qstring_qt.h"
#include "util/web_address_qt.h"
#include "util/window_qt.h"

namespace {

constexpr int First_Check_Interval_Ms = 60000;
constexpr int Check_Interval_Ms = 7200000;
// Inside the configuration box's frame (348 pixels wide, lines at left 87).
constexpr int Conf_Line_Width = 336;
// The new-version link spans the window under the separator, clear of every other control.
constexpr int Update_Link_Left = 16;
constexpr int Update_Link_Width = 694 - 2 * Update_Link_Left;

using ui::Q;

}  // namespace

TFVarnoscopioFirmWare::TFVarnoscopioFirmWare(app::App_Context& ctx, ui::Messages& messages,
                                             const std::string& exe_dir)
    : QWidget(nullptr, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      ctx_(ctx),
      messages_(messages) {
  setObjectName("FVarnoscopioFirmWare");
  ctx_.Lang_Strings.Load_Default_Strings();
  Lay_Out();
  app::Setup_Workspace(ctx_, exe_dir);
  ctx_.Active_Conf_Name.clear();
  ctx_.Update_Read_Back = true;
  app::Read_Settings(ctx_);
  Timer_Update = new QTimer(this);
  Timer_Update->setInterval(First_Check_Interval_Ms);
  connect(Timer_Update, &QTimer::timeout, this, &TFVarnoscopioFirmWare::Timer_UpdateTimer);
  Follow_Update_Options();
  setWindowTitle(Q(ctx_.SW_Title));
  L_SW_Code->setText(Q(ctx_.SW_Code));
  L_SW_Desc->setText(Q(ctx_.SW_Desc));
  lang::Select_Language(ctx_.Lang_Strings, ctx_.Language_Dir, ctx_.Language_Name);
  app::Reopen_Remembered_Configuration(ctx_);
  Set_Lang();
  Set_Files();
}

void TFVarnoscopioFirmWare::Lay_Out() {
  QPalette background = palette();
  background.setColor(QPalette::Window, QColor(0xF8, 0xF7, 0xED));
  setPalette(background);
  setAutoFillBackground(true);
  QFont text_font("Verdana");
  text_font.setPixelSize(11);
  setFont(text_font);

  auto label = [this](const char* name, int left, int top) {
    auto* l = new QLabel(this);
    l->setObjectName(name);
    l->move(left, top);
    return l;
  };
  L_SW_Code = label("L_SW_Code", 16, 8);
  QFont code_font("Verdana");
  code_font.setPixelSize(32);
  L_SW_Code->setFont(code_font);
  L_SW_Code->setStyleSheet("color: #808080;");
  L_SW_Desc = label("L_SW_Desc", 16, 42);
  L_Begin = label("L_Begin", 16, 84);

  Shape2 = new QFrame(this);
  Shape2->setFrameShape(QFrame::Box);
  Shape2->setGeometry(80, 70, 348, 36);
  L_Name_Conf = label("L_Name_Conf", 87, 75);
  L_Name_Conf_L2 = label("L_Name_Conf_L2", 87, 88);
  QFont bold = text_font;
  bold.setBold(true);
  L_Name_Conf_L2->setFont(bold);

  LL_Update = label("LL_Update", Update_Link_Left, 0);  // placed under the separator below
  LL_Update->setTextFormat(Qt::RichText);
  LL_Update->hide();
  connect(LL_Update, &QLabel::linkActivated, this, &ui::Open_Web_Address);

  auto tool = [this](const char* name, int left, QStyle::StandardPixmap icon) {
    auto* b = new QToolButton(this);
    b->setObjectName(name);
    b->setGeometry(left, 8, 50, 50);
    b->setIcon(style()->standardIcon(icon));
    b->setIconSize(QSize(32, 32));
    connect(b, &QToolButton::clicked, this, [this, b] { Btn_Click(b); });
    return b;
  };
  Btn_Info = tool("Btn_Info", 516, QStyle::SP_MessageBoxInformation);
  Btn_Opz = tool("Btn_Opz", 574, QStyle::SP_FileDialogDetailedView);
  Btn_Close = tool("Btn_Close", 632, QStyle::SP_DialogCloseButton);

  for (int n = 1; n <= 8; ++n) {
    L_Step[n - 1] = label(("L_Step_" + std::to_string(n)).c_str(), 16, 128 + 44 * (n - 1));
    L_Step[n - 1]->setFont(bold);
    L_Step[n - 1]->setVisible(n <= 4);
  }
  auto step_button = [this](const char* name, int step, int left) {
    auto* b = new QPushButton(this);
    b->setObjectName(name);
    b->setGeometry(left, 128 + 44 * (step - 1) - 16, 170, 36);
    connect(b, &QPushButton::clicked, this, [this, b] { Btn_Click(b); });
    return b;
  };
  Btn_New = step_button("Btn_New", 1, 80);
  Btn_Open = step_button("Btn_Open", 1, 258);
  Btn_Prm_Gen = step_button("Btn_Prm_Gen", 2, 80);
  Btn_IEC61850_Client = step_button("Btn_IEC61850_Client", 3, 80);
  Btn_CreateBin = step_button("Btn_CreateBin", 4, 80);

  const int create_bin_top = Btn_CreateBin->y();
  L_Tolvan = label("L_Tolvan", 565, L_Step[3]->y());
  L_Tolvan->setText(QString(app::Maker_Web_Server).section("//", 1));
  L_Tolvan->setCursor(Qt::PointingHandCursor);
  L_Tolvan->setStyleSheet("color: #0000c0;");
  L_Tolvan->installEventFilter(this);

  Shape1 = new QFrame(this);
  Shape1->setFrameShape(QFrame::HLine);
  Shape1->setGeometry(10, create_bin_top + 51, 674, 1);
  Shape1->setStyleSheet("color: #a0a0a0; background: #a0a0a0;");
  LL_Update->move(Update_Link_Left, Shape1->y() + 16);

  setFixedSize(694, create_bin_top + 152);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

bool TFVarnoscopioFirmWare::eventFilter(QObject* watched, QEvent* event) {
  if (watched == L_Tolvan && event->type() == QEvent::MouseButtonRelease) {
    ui::Open_Web_Address(QString(app::Maker_Web_Server) + app::Home_Page_Path);
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

bool TFVarnoscopioFirmWare::Claim_Workspace(util::Folder_Lock& lock, ui::Messages& messages,
                                            const lang::Lang_Strings& strings,
                                            const std::string& exe_dir) {
  // Two configurators on one workspace would each save over the other's work, so the program
  // never runs without the lock: when it cannot be taken (a read-only program folder, a folder
  // or link in the lock file's place) it says why and ends, as for a second instance.
  switch (lock.Try_Lock(exe_dir, app::Workspace_Lock_File_Name)) {
    case util::Folder_Lock::Result::Taken:
      return true;
    case util::Folder_Lock::Result::Held:
      messages.Error(nullptr, strings[app_strings::Text_Workspace_In_Use] + "\n" + exe_dir);
      return false;
    case util::Folder_Lock::Result::Unusable:
      break;
  }
  messages.Error(nullptr, strings[app_strings::Text_Workspace_Not_Lockable] + "\n" +
                              util::Error_Text(*lock.Failure(), strings));
  return false;
}

namespace app {

UIEC_61850_Access::Editor_Options Access_Editor_Options(App_Context& ctx) {
  return {ctx.Lang_Strings,
          ctx.SW_Code,
          ctx.Active_Conf_Dir,
          ctx.IEC_Client_File,
          ctx.Address_From_SCL,
          ctx.Double_Click_Auto_Size,
          ctx.Enable_Jump_Field_Tables,
          ctx.Last_Folders.SCL_File,
          ctx.Last_Folders.Map_File,
          ctx.Last_Folders.Report_File,
          [&ctx] { Require_Conf_Folders(ctx); },
          [&ctx] { return Open_Conf_Folder(ctx); }};
}

}  // namespace app

void TFVarnoscopioFirmWare::Create_Dialogs() {
  FNew_Project = new TFNew_Project(ctx_, messages_, this);
  FOpenConf = new TFOpenConf(ctx_, messages_, this);
  FAbout = new TFAbout(ctx_, this);
  FSoftOptions = new TFSoftOptions(ctx_, messages_, this);
  FSoftOptions->Set_Change_Language([this] { Change_Language(); });
  FParGen = new TFParGen(app::ParGen_Options_Of(ctx_), messages_, this);
  FIEC_61850_Access = new TFIEC_61850_Access(Access_Editor_Options(ctx_), messages_, this);
  FBoot = new TFBoot(app::Boot_Options_Of(ctx_), messages_, this);
}

void TFVarnoscopioFirmWare::Set_Lang() {
  const auto& s = ctx_.Lang_Strings;
  L_Begin->setText(Q(s[app_strings::Text_Begin]));
  static_assert(std::extent_v<decltype(L_Step)> == app_strings::Text_Steps.Count);
  for (int k = 0; k < app_strings::Text_Steps.Count; ++k)
    L_Step[k]->setText(Q(s[app_strings::Text_Steps.At(k)]));
  Show_Configuration_Box();
  Btn_Info->setToolTip(Q(s[app_strings::Text_Information_Hint]));
  Btn_Opz->setToolTip(Q(s[app_strings::Text_Options_Hint]));
  Btn_Close->setToolTip(Q(s[app_strings::Text_Close_Hint]));
  Btn_New->setText(Q(s[app_strings::Text_New_Configuration]));
  Btn_Open->setText(Q(s[app_strings::Text_Open_Configuration]));
  Btn_CreateBin->setText(Q(s[app_strings::Text_Update_Device]));
  Btn_Prm_Gen->setText(Q(s[app_strings::Text_Set_Communication]));
  Btn_IEC61850_Client->setText(Q(s[app_strings::Text_IEC61850_Access]));
  Btn_New->setToolTip(Q(s[app_strings::Text_New_Configuration_Hint]));
  Btn_Open->setToolTip(Q(s[app_strings::Text_Open_Configuration_Hint]));
  Btn_Prm_Gen->setToolTip(Q(s[app_strings::Text_Set_Communication_Hint]));
  Btn_IEC61850_Client->setToolTip(Q(s[app_strings::Text_IEC61850_Access_Hint]));
  Btn_CreateBin->setToolTip(Q(s[app_strings::Text_Update_Device_Hint]));
  for (QLabel* l : {L_Begin, L_SW_Code, L_SW_Desc, L_Tolvan}) l->adjustSize();
  for (QLabel* l : L_Step) l->adjustSize();
}

void TFVarnoscopioFirmWare::Show_Configuration_Box() {
  const auto& s = ctx_.Lang_Strings;
  // A text longer than the box is cut with "..." and shown whole as the line's tooltip.
  const bool active = ctx_.Conf_Active();
  ui::Set_Elided_Text(
      L_Name_Conf,
      Q(s[active ? app_strings::Text_Opened_Configuration : app_strings::Text_No_Configuration]),
      Conf_Line_Width);
  ui::Set_Elided_Text(
      L_Name_Conf_L2,
      Q(active ? ctx_.Active_Conf_Name : s[app_strings::Text_No_Configuration_Hint]),
      Conf_Line_Width);
}

void TFVarnoscopioFirmWare::Set_Files() { ctx_.Set_Files(); }

void TFVarnoscopioFirmWare::Save_Setting() {
  try {
    app::Save_Setting(ctx_);
  } catch (const std::exception& e) {
    messages_.Warning(this, util::Error_Text(e, ctx_.Lang_Strings));
  }
}

void TFVarnoscopioFirmWare::Create_New_Project() {
  if (FNew_Project->exec() == QDialog::Accepted) Show_Configuration_Box();
}

void TFVarnoscopioFirmWare::Open_Project() {
  if (FOpenConf->exec() != QDialog::Accepted) return;
  app::Activate_Configuration(ctx_, FOpenConf->Name_Conf);
  Show_Configuration_Box();
  Set_Files();
}

void TFVarnoscopioFirmWare::Follow_Update_Options() {
  const bool wanted = ctx_.Enable_Internet && ctx_.Enable_Update;
  // A running timer keeps its rhythm; a stopped one starts with the interval it has now.
  if (wanted && !Timer_Update->isActive())
    Timer_Update->start();
  else if (!wanted)
    Timer_Update->stop();
}

void TFVarnoscopioFirmWare::Btn_Click(QToolButton* button) {
  if (button == Btn_Close) {
    close();
  } else if (button == Btn_Info) {
    FAbout->exec();
  } else if (button == Btn_Opz) {
    if (FSoftOptions->exec() == QDialog::Accepted) {
      Save_Setting();
      Follow_Update_Options();
    }
  }
}

void TFVarnoscopioFirmWare::Btn_Click(QPushButton* button) {
  if (button == Btn_New) {
    Create_New_Project();
  } else if (button == Btn_Open) {
    Open_Project();
  } else if (!ctx_.Conf_Active()) {
    messages_.Error(this, ctx_.Lang_Strings[app_strings::Text_Project_Not_Valid]);
  } else if (button == Btn_Prm_Gen) {
    FParGen->exec();
  } else if (button == Btn_IEC61850_Client) {
    FIEC_61850_Access->exec();
  } else if (button == Btn_CreateBin) {
    Update_Device();
  }
}

void TFVarnoscopioFirmWare::Change_Language() {
  Set_Lang();
  if (FNew_Project) FNew_Project->Set_Lang();
  if (FOpenConf) FOpenConf->Set_Lang();
  if (FSoftOptions) FSoftOptions->Set_Lang();
  if (FBoot) FBoot->Set_Lang();
  if (FParGen) FParGen->Set_Lang();
  if (FIEC_61850_Access) FIEC_61850_Access->Set_Lang();
}

void TFVarnoscopioFirmWare::Timer_UpdateTimer() {
  Timer_Update->stop();
  if (app::Check_Version(ctx_.Version_Server, ctx_.SW_Version)) {
    const QString target = QString(app::Maker_Web_Server) + app::Download_Page_Path;
    ui::Set_Elided_Text(LL_Update, Q(ctx_.Lang_Strings[app_strings::Text_New_Version_Link]),
                        Update_Link_Width, target);
    LL_Update->show();
  } else {
    LL_Update->hide();
  }
  Timer_Update->setInterval(Check_Interval_Ms);
  Timer_Update->start();
}

void TFVarnoscopioFirmWare::closeEvent(QCloseEvent* event) {
  Save_Setting();
  event->accept();
}
