// The check's report window: the findings of an SCL file or a configuration in a table
// (severity, rule, line, object, message), which the user can copy or save as CSV, and, where
// the report stands before an action, the choice to go on anyway or cancel.
#pragma once

#include <QDialog>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "check/check.h"
#include "util/messages_qt.h"

class QLabel;
class QPushButton;
class QTableView;
class Findings_Model;

class TFCheck_Report : public QDialog {
  Q_OBJECT

 public:
  // What the report stands before: adding a server, replacing a server's SCL file, saving,
  // building the images, or nothing (the report is only shown).
  enum class Purpose { Add, Replace, Save, Build, Show };

  // `subject` names what was checked (the SCL file, for Add and Replace).
  TFCheck_Report(std::vector<check::Finding> findings, Purpose purpose, const std::string& subject,
                 ui::Messages& messages, const lang::Lang_Strings& strings,
                 QWidget* parent = nullptr);
  ~TFCheck_Report() override;

  // The finding double-clicked, which also closed the window (as Cancel); none otherwise.
  std::optional<size_t> Activated() const { return activated_; }
  const std::vector<check::Finding>& Findings() const { return findings_; }

  // Asks where to save the CSV file; empty when cancelled. Tests replace it.
  std::function<std::string()> Choose_Csv_File;
  // The folder the CSV file dialog opens in and remembers (none: the dialog's own start).
  std::string* Csv_Folder = nullptr;
  // The name the CSV file dialog proposes ("<configuration>-check.csv"); none: no name.
  std::string Csv_Name;

  // Findings of the SCL files that concern no row, left out of the table: a line says how many,
  // and its button adds them to the table.
  void Set_Not_Shown(std::vector<check::Finding> not_shown);
  // Whether a finding blocks the build (check::Blocks_Build): then there is no "Build anyway".
  bool Blocked() const { return blocked_; }

  QLabel* L_Intro;
  // The findings, a row each, made as they are shown: a report of tens of thousands opens at once.
  QTableView* SG_Findings;
  QLabel* L_Not_Shown;        // hidden while every finding is in the table
  QPushButton* Btn_Show_All;  // beside L_Not_Shown
  QPushButton* Btn_Copy;
  QPushButton* Btn_Save_Csv;
  // "Add anyway", "Replace anyway", "Save anyway", "Build anyway"; hidden for Show
  QPushButton* Btn_Go_On;
  QPushButton* Btn_Cancel;

  void Btn_CopyClick();
  void Btn_Save_CsvClick();
  void Btn_Show_AllClick();

 private:
  void Fill_Table();

  std::vector<check::Finding> findings_;
  std::vector<check::Finding> not_shown_;
  Findings_Model* model_;  // over findings_
  std::string subject_;
  const lang::Lang_Strings& strings_;
  bool blocked_ = false;
  ui::Messages& messages_;
  Purpose purpose_;
  std::optional<size_t> activated_;
};

// Shows the report for `purpose` and says whether to go on: true after "... anyway" (or at
// once when there is nothing to report for an action). For Show it always returns false.
// `activated` receives the finding double-clicked, if any; `csv_folder` and `csv_name` are the
// report's Csv_Folder and Csv_Name; `not_shown` its findings left out of the table, which alone
// never stop an action.
bool Check_Report_Go_On(QWidget* parent, ui::Messages& messages, const lang::Lang_Strings& strings,
                        std::vector<check::Finding> findings, TFCheck_Report::Purpose purpose,
                        const std::string& subject = {},
                        std::optional<check::Finding>* activated = nullptr,
                        std::string* csv_folder = nullptr, const std::string& csv_name = {},
                        std::vector<check::Finding> not_shown = {});

// The name the report's CSV file dialog proposes for configuration folder `conf_dir`.
std::string Report_Csv_Name(const std::string& conf_dir);
