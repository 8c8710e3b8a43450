// The chooser of "Add IEC Device" for an SCL file with several IEDs: one row per IED (name,
// manufacturer, type, description, IP address, whether it has a server); the user picks one
// or several. An IED whose name cannot be written into a file is shown greyed out and cannot be
// chosen; its tooltip says why.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "lang/lang_strings.h"
#include "scl/ied_catalog.h"

class QLabel;
class QPushButton;
class QTableWidget;

class TFIED_Chooser : public QDialog {
  Q_OBJECT

 public:
  TFIED_Chooser(const std::string& file_name, const std::vector<UIEC_Client_Decode::IED_Info>& ieds,
                const lang::Lang_Strings& strings, QWidget* parent = nullptr);

  // Positions of the chosen IEDs, in list order.
  std::vector<size_t> Chosen() const;

  QLabel* L_Prompt;
  QTableWidget* SG_IEDs;
  QPushButton* Btn_Select_All;
  QPushButton* Btn_OK;
  QPushButton* Btn_Cancel;

 private:
  void Update_Buttons();

  std::vector<size_t> unwritable_;  // rows that cannot be chosen
};
