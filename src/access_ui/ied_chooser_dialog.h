// The chooser of "Add IEC Device" for an SCL file with several IEDs: one row per IED (name,
// manufacturer, type, description, IP address, whether it has a server); the user picks one
// or several. An IED whose name cannot be written into a file, or that has no server, is shown
// greyed out and cannot be chosen; its tooltip says why. An IED whose file the configuration's
// catalog already holds names that file in the column "In catalog".
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "scl/ied_catalog.h"
#include "text/lang_strings.h"

class QLabel;
class QPushButton;
class QTableWidget;

class TFIED_Chooser : public QDialog {
  Q_OBJECT

 public:
  // `in_catalog[i]`: the catalog file that already holds IED i, empty when none (missing
  // entries: none). `strings`: the string table to show (none: the built-in English texts).
  TFIED_Chooser(const std::string& file_name, const std::vector<UIEC_Client_Decode::IED_Info>& ieds,
                const lang::Lang_Strings& strings, QWidget* parent = nullptr,
                const std::vector<std::string>& in_catalog = {});

  // Positions of the chosen IEDs, in list order.
  std::vector<size_t> Chosen() const;

  QLabel* L_Prompt;
  QTableWidget* SG_IEDs;
  QPushButton* Btn_Select_All;
  QPushButton* Btn_OK;
  QPushButton* Btn_Cancel;

 private:
  void Update_Buttons();

  std::vector<size_t> unchoosable_;  // rows that cannot be chosen
};
