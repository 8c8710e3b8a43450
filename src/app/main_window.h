// The main window (FVarnoscopioFirmWare): product identity, the active configuration and the
// four workflow steps. It owns the start sequence, the gating of the steps on an active
// configuration, the new-version check and the re-captioning of every window.
#pragma once

#include <QWidget>
#include <string>

#include "access/editor_options.h"
#include "app/context.h"
#include "comm/pargen_dialog.h"
#include "update/boot_dialog.h"
#include "util/files.h"
#include "util/messages_qt.h"

namespace app {
// The options of the steps' dialogs, following `ctx`.
inline comm::ParGen_Options ParGen_Options_Of(const App_Context& ctx) {
  return {ctx, ctx.Lang_Strings, ctx.SW_Code};
}
inline UBoot::Boot_Options Boot_Options_Of(App_Context& ctx) {
  return {ctx,
          ctx.Lang_Strings,
          ctx.SW_Code,
          ctx.Last_IP_Address,
          ctx.Update_Option_Index,
          ctx.Update_Read_Back};
}
}  // namespace app

class QFrame;
class QLabel;
class QPushButton;
class QTimer;
class QToolButton;
class TFNew_Project;
class TFOpenConf;
class TFAbout;
class TFSoftOptions;
class TFParGen;
class TFIEC_61850_Access;
class TFBoot;

namespace app {
// What the access editor takes from the context: its settings and paths as references into
// `ctx`, and the configuration folder's checks.
UIEC_61850_Access::Editor_Options Access_Editor_Options(App_Context& ctx);
}  // namespace app

class TFVarnoscopioFirmWare : public QWidget {
  Q_OBJECT

 public:
  // FormCreate: sets up the workspace beside `exe_dir`, reads the settings and the language.
  TFVarnoscopioFirmWare(app::App_Context& ctx, ui::Messages& messages, const std::string& exe_dir);

  // Creates every dialog once, in the program's start order; they live as long as this window.
  void Create_Dialogs();

  // Takes the workspace beside `exe_dir` for this run into `lock`, before anything in it changes.
  // False when another running configurator holds it: the user has been told and the program
  // must end. A lock left by a crashed run is taken over silently. The refusal is in the words of
  // `strings` (at start-up, before a language is chosen, the built-in ones).
  static bool Claim_Workspace(util::Folder_Lock& lock, ui::Messages& messages,
                              const lang::Lang_Strings& strings, const std::string& exe_dir);

  void Set_Lang();
  void Set_Files();
  // Writes the settings file; shows the reason when it cannot.
  void Save_Setting();
  void Open_Project();
  void Create_New_Project();
  void Change_Language();
  void Update_Device();
  // Before the images are built: false when the check of the saved configuration finds errors
  // and the user does not want to go on.
  bool Data_Map_Accepted();
  void Btn_Click(QPushButton* button);
  void Btn_Click(QToolButton* button);
  void Timer_UpdateTimer();

  QLabel* L_SW_Code;
  QLabel* L_SW_Desc;
  QLabel* LL_Update;
  QToolButton* Btn_Info;
  QToolButton* Btn_Opz;
  QToolButton* Btn_Close;
  QTimer* Timer_Update;
  QLabel* L_Begin;
  QFrame* Shape2;
  QLabel* L_Name_Conf;
  QLabel* L_Name_Conf_L2;
  QLabel* L_Step[8];
  QPushButton* Btn_New;
  QPushButton* Btn_Open;
  QPushButton* Btn_Prm_Gen;
  QPushButton* Btn_IEC61850_Client;
  QPushButton* Btn_CreateBin;
  QFrame* Shape1;
  QLabel* L_Tolvan;

  TFNew_Project* FNew_Project = nullptr;
  TFOpenConf* FOpenConf = nullptr;
  TFAbout* FAbout = nullptr;
  TFSoftOptions* FSoftOptions = nullptr;
  TFParGen* FParGen = nullptr;
  TFIEC_61850_Access* FIEC_61850_Access = nullptr;
  TFBoot* FBoot = nullptr;

 protected:
  void closeEvent(QCloseEvent* event) override;                // FormClose
  bool eventFilter(QObject* watched, QEvent* event) override;  // L_TolvanClick

 private:
  void Lay_Out();
  void Show_Configuration_Box();
  void Follow_Update_Options();

  app::App_Context& ctx_;
  ui::Messages& messages_;
};
