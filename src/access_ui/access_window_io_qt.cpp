// The access editor's opening (the client file read), OK (checked and saved), Cancel (changes and
// replaced catalog files put back) and Check.
#include <QCheckBox>
#include <QListWidget>
#include <QShowEvent>
#include <exception>
#include <optional>
#include <utility>

#include "access/access_strings.h"
#include "access/client_file.h"
#include "access_ui/access_document_qt.h"
#include "access_ui/access_window.h"
#include "access_ui/map_page_qt.h"
#include "access_ui/table_marks_qt.h"
#include "access_ui/tables_panel_qt.h"
#include "access_ui/tree_filter_qt.h"
#include "access_ui/tree_panel_qt.h"
#include "access_ui/wait_cursor_qt.h"
#include "check/check_report_dialog.h"
#include "util/files.h"
#include "util/qstring_qt.h"
#include "util/text.h"
#include "util/window_qt.h"
#include "util/worker_qt.h"

using namespace UIEC_61850_Access;
using ui::Q;

int TFIEC_61850_Access::exec() {
  if (!FormShow()) return QDialog::Rejected;
  shown_ready_ = true;
  return QDialog::exec();
}

void TFIEC_61850_Access::showEvent(QShowEvent* event) {
  const bool ready = shown_ready_ || FormShow();
  shown_ready_ = false;
  ui::Centre_On_Screen(this);
  QDialog::showEvent(event);
  if (!ready) QMetaObject::invokeMethod(this, &QDialog::reject, Qt::QueuedConnection);
}

bool TFIEC_61850_Access::FormShow() {
  End_History();  // each opening starts its own
  Access_State& state = document_->State();
  document_->Catalog_At_Opening.clear();
  document_->Load_Failed = false;
  marks_->Enabled = true;
  CB_Address_From_SCL->setChecked(options_.Address_From_SCL);
  state.Clear_Selection();
  Tree->Clear();
  Tree->Forget_Filter_Of_Other_Configuration(options_.Conf_Dir);
  document_->Addresses.Forget();
  state.Reset();
  marks_->Clear();
  Read_Report report;
  // Anything in the file's place that is not a readable file fails to load (Read_File).
  if (util::Path_Present(options_.Client_File)) {
    // The servers' SCL files are imported on a worker thread into a state of its own, which
    // becomes the editor's when all is read; a Cancel leaves the editor not opened.
    ui::Job_Outcome outcome;
    std::optional<std::pair<Read_Report, Access_State>> read =
        ui::Run_And_Wait<std::pair<Read_Report, Access_State>>(
            this, Q(util::File_Name_Of(options_.Client_File)), options_.Strings,
            [this](util::Progress& progress) {
              Access_State fresh;
              Read_Report found;
              try {
                found = Read_Client_File(
                    options_.Client_File, Catalog_Dir(options_.Conf_Dir), fresh, options_.Strings,
                    [&](const std::string& path) { return Import_Scl(path, &progress); });
              } catch (const std::exception&) {
                progress.Poll();  // a stopped import is no failure of the file: a Cancel
                throw;
              }
              return std::pair<Read_Report, Access_State>(std::move(found), std::move(fresh));
            },
            outcome);
    if (!read) {
      document_->Load_Failed = true;
      marks_->Enabled = false;
      Tables->Show_Tables();
      Show_Servers();
      if (outcome.end == ui::Job_Outcome::End::Failed) messages_.Error(this, outcome.message);
      return false;
    }
    report = std::move(read->first);
    state = std::move(read->second);
  }
  Tables->Show_Tables();
  Show_Servers();
  TS_Map->Show_Map();
  shown_xml_ = Client_Xml(state);
  std::string message;
  {
    Wait_Cursor wait;
    message = marks_->Open(report);
  }
  if (!message.empty()) messages_.Warning_List(this, message);
  return true;
}

void TFIEC_61850_Access::Btn_OKClick() {
  if (document_->Load_Failed) return;
  const Access_State& state = document_->State();
  if (const auto failure = First_Row_Failure(state, options_.Strings, util::Get_Dec_Separator())) {
    messages_.Error(this, failure->Message);
    Tables->Show_Failure(*failure);
    return;
  }
  // One question for everything the check finds wrong (conflicts of the data map included); the
  // SCL files' findings that concern no row only on request.
  std::vector<check::Finding> errors, not_shown;
  std::optional<std::vector<check::Finding>> checked = Check_State();
  if (!checked) return;  // Cancel: the editor stays open, nothing saved
  for (check::Finding& f : *checked)
    if (f.severity == check::Severity::Error)
      (f.concerns_rows ? errors : not_shown).push_back(std::move(f));
  std::optional<check::Finding> activated;
  if (!Check_Report_Go_On(this, messages_, options_.Strings, std::move(errors),
                          TFCheck_Report::Purpose::Save, {}, &activated, &options_.Report_Folder,
                          Report_Csv_Name(options_.Conf_Dir), std::move(not_shown))) {
    if (activated) Show_Finding(*activated);
    return;
  }
  try {
    const auto conf = options_.Open_Conf_Folder();
    const std::string& file = options_.Client_File;
    // The client file of the configuration folder is written through the folder checked.
    if (file == util::Join_Path(options_.Conf_Dir, util::File_Name_Of(file)))
      Save_Client_File(state, *conf, util::File_Name_Of(file));
    else
      Save_Client_File(state, file);
  } catch (const std::exception& failure) {
    messages_.Error(this, util::Error_Text(failure, options_.Strings));
    return;
  }
  // The saved configuration goes with the catalog as it is now.
  document_->Catalog_At_Opening.clear();
  accept();
  End_History();
}

std::optional<std::vector<check::Finding>> TFIEC_61850_Access::Check_State() {
  std::vector<check::Finding> findings;
  check::Conf_Options options;
  options.separator = util::Get_Dec_Separator();
  options.scl_check = Check_Scl;
  // On a worker thread, which only reads the state: the window takes no input meanwhile.
  const ui::Job_Outcome outcome = ui::Run_And_Wait(
      this, Q(util::File_Name_Of(options_.Client_File)), options_.Strings,
      [&](util::Progress& progress) {
        options.progress = &progress;
        check::Check_Access_State(
            document_->State(), options_.Conf_Dir, options,
            [&](const check::Finding& f) { findings.push_back(f); }, options_.Strings);
      });
  if (outcome.end == ui::Job_Outcome::End::Stopped) return std::nullopt;
  // A catalog file that cannot be read.
  if (outcome.end == ui::Job_Outcome::End::Failed) messages_.Error(this, outcome.message);
  return findings;
}

void TFIEC_61850_Access::Btn_CheckClick() {
  if (document_->Load_Failed) return;
  std::vector<check::Finding> findings, not_shown;
  std::optional<std::vector<check::Finding>> checked = Check_State();
  if (!checked) return;
  for (check::Finding& f : *checked)
    (f.concerns_rows ? findings : not_shown).push_back(std::move(f));
  std::optional<check::Finding> activated;
  Check_Report_Go_On(this, messages_, options_.Strings, std::move(findings),
                     TFCheck_Report::Purpose::Show, {}, &activated, &options_.Report_Folder,
                     Report_Csv_Name(options_.Conf_Dir), std::move(not_shown));
  if (activated) Show_Finding(*activated);
}

void TFIEC_61850_Access::Show_Finding(const check::Finding& finding) {
  if (!finding.row) return;
  const int row = *finding.row;
  if (finding.kind == "variable") {
    Tables->Show_Map_Entry({Map_Kind::Variable, row, 0});
  } else if (finding.kind == "member") {
    Tables->Show_Map_Entry({Map_Kind::Member, row, finding.member.value_or(0)});
  } else if (finding.kind == "dataset") {
    Tables->Show_Data_Set_Row(row);
  } else if (finding.kind == "server") {
    LB_IEC_Devices->setCurrentRow(row - 1);
    LB_IEC_Devices->setFocus();
  }
}

void TFIEC_61850_Access::done(int result) {
  Tree->Stop_Indexing();
  QDialog::done(result);
}

void TFIEC_61850_Access::reject() {
  if (!document_->Load_Failed && isVisible()) {
    // A catalog file replaced since the opening goes back with the rest, and the question says so.
    const auto& s = options_.Strings;
    std::string question = s[access_strings::Text_Discard_Changes];
    bool changed = Client_Xml(document_->State()) != shown_xml_;
    for (const Catalog_Snapshot& snapshot : document_->Catalog_At_Opening) {
      bool replaced = true;
      try {
        replaced = Catalog_File_Changed(snapshot);
      } catch (const std::exception&) {
        // unreadable now: written back all the same
      }
      if (!replaced) continue;
      changed = true;
      question += "\n" + QString(Q(s[access_strings::Text_Discard_Catalog_File]))
                             .arg(Q(snapshot.name))
                             .toStdString();
    }
    if (changed && messages_.Question_Default_No(this, question) != ui::Messages::Answer::Yes)
      return;
    try {
      for (const Catalog_Snapshot& snapshot : document_->Catalog_At_Opening)
        Restore_Catalog_Snapshot(snapshot, s);
    } catch (const std::exception& failure) {
      messages_.Error(this, util::Error_Text(failure, options_.Strings));
      return;  // the editor stays open with what it holds, which matches the files it replaced
    }
  }
  document_->Catalog_At_Opening.clear();
  QDialog::reject();
  End_History();
}
