// Software options dialog (FSoftOptions): language, connection options, table settings.
#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "app/context.h"
#include "util/messages_qt.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QTabWidget;
class QWidget;

class TFSoftOptions : public QDialog {
  Q_OBJECT

 public:
  // FormCreate.
  TFSoftOptions(app::App_Context& ctx, ui::Messages& messages, QWidget* parent = nullptr);
  void Set_Lang();

  // The room inside each page, to its controls.
  static constexpr int Page_Margin = 12;

  // The main window's Change_Language, run when the user picks another language.
  void Set_Change_Language(std::function<void()> change_language) {
    Change_Language_ = std::move(change_language);
  }

  void FormShow();
  void Create_Lang_List();
  void Update_Lang_Page(int Num_Page);
  // Shared by Btn_Prev and Btn_Next.
  void Btn_NextClick(QPushButton* sender);
  // Shared by the picture and the label of language slot `slot` (1 to 6).
  void LangClick(int slot);
  void Update_CheckBox();
  // Shared by the four check boxes.
  void CB_En_ConClick();
  void Btn_Check_UpdateClick();
  void LL_Check_UpdateLinkClick(const QString& link);
  void Btn_OKClick();

  // File names of the language files offered, sorted.
  std::vector<std::string> SL_Languages;
  // Language page shown, from 1.
  int Show_Page = 1;
  // The language chosen in the dialog; becomes Language_Name on OK.
  std::string Language_In_Use;

  QLabel* L_SW_Code;
  QLabel* L_SW_Desc;
  QTabWidget* PC_Options;
  QWidget* TS_Language;
  QWidget* TS_Con_Options;
  QWidget* TS_Soft_Settings;
  QLabel* L_Sel_Lang;
  QLabel* L_Page_Lang;
  QLabel* I_L[6];  // I_L1 ... I_L6
  QLabel* L_L[6];  // L_L1 ... L_L6
  QPushButton* Btn_Prev;
  QPushButton* Btn_Next;
  QCheckBox* CB_En_Con;
  QCheckBox* CB_Update;
  QPushButton* Btn_Check_Update;
  QLabel* LL_Check_Update;
  QCheckBox* CB_Soft_Set_Jump_Table;
  QCheckBox* CB_DoubleClick_Auto_Size;
  QCheckBox* CB_Address_From_SCL;
  QPushButton* Btn_OK;
  QPushButton* Btn_Cancel;

 protected:
  void showEvent(QShowEvent* event) override;                  // FormShow
  bool eventFilter(QObject* watched, QEvent* event) override;  // LangClick

 private:
  void Build_Language_Page();
  void Build_Connection_Page();
  void Build_Settings_Page();
  void Show_Page_Counter(int Num_Page);
  void Show_Selected_Language();

  std::function<void()> Change_Language_;
  app::App_Context& ctx_;
  ui::Messages& messages_;
};
