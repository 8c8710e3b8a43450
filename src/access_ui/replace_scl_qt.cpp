// Replace SCL file of the server panel: a server's SCL file replaced with a new revision after
// the check's findings on it and what it changes in the rows were shown.
#include <QListWidget>
#include <QTemporaryDir>
#include <algorithm>
#include <exception>
#include <optional>

#include "access/access_strings.h"
#include "access/scl_revision.h"
#include "access_ui/access_document_qt.h"
#include "access_ui/replace_impact_dialog.h"
#include "access_ui/server_panel_qt.h"
#include "check/check_report_dialog.h"
#include "util/files.h"
#include "util/qstring_qt.h"
#include "util/worker_qt.h"

namespace UIEC_61850_Access {

using ui::Q;
using UIEC_Client_Decode::TIEC_Device;

void Server_Panel::Replace_Scl() {
  const int position = LB_IEC_Devices->currentRow();
  Access_State& state = document_.State();
  if (document_.Load_Failed || position < 0 ||
      position >= static_cast<int>(state.List_IEC_Dev.size()))
    return;
  choosing_revision_ = true;
  const std::string chosen = hooks_.Choose_File ? hooks_.Choose_File() : std::string();
  choosing_revision_ = false;
  if (chosen.empty()) return;
  const TIEC_Device& server = *state.List_IEC_Dev[static_cast<size_t>(position)];
  const std::string file_name = util::File_Name_Of(server.FileName());
  const auto& s = options_.Strings;
  auto failed = [&](const std::string& reason) {
    messages_.Error(this, QString(Q(s[access_strings::Text_Replace_Failed]))
                              .arg(Q(chosen), Q(server.Name() + " (" + file_name + ")"), Q(reason))
                              .toStdString());
  };
  // The new text: the file, or the one IED chosen from a file with several, extracted as Add
  // IEC Device does. It is imported from a copy of its own before anything changes.
  Revision_Source source;
  std::unique_ptr<TIEC_Device> revised;
  std::vector<check::Finding> findings;
  const QString shown_name = Q(util::File_Name_Of(chosen));
  // The reading, the import and the check run on a worker thread; a Cancel changes nothing.
  ui::Job_Outcome outcome;
  try {
    const std::optional<std::vector<IED_Info>> ieds = ui::Run_And_Wait<std::vector<IED_Info>>(
        this, shown_name, s,
        [&chosen](util::Progress& progress) {
          return UIEC_Client_Decode::List_IEDs(chosen, &progress);
        },
        outcome);
    if (outcome.end == ui::Job_Outcome::End::Stopped) return;
    if (!ieds) return failed(outcome.message);
    size_t picked = 0;
    if (ieds->size() > 1) {
      const std::optional<size_t> one = Revision_IED(
          hooks_.Choose_IEDs ? hooks_.Choose_IEDs(chosen, *ieds) : std::vector<size_t>(),
          ieds->size(), s);
      if (!one) return;
      picked = *one;
    }
    const QTemporaryDir scratch;
    if (!scratch.isValid()) throw util::File_Error(scratch.errorString().toStdString());
    const std::string copy = util::Join_Path(scratch.path().toStdString(), file_name);
    outcome = ui::Run_And_Wait(this, shown_name, s, [&](util::Progress& progress) {
      source = Revision_Source_Of(chosen, *ieds, picked, s);
      util::Write_File_Atomic(copy, source.text);
      revised = hooks_.Import_Scl(copy, &progress);
      // The new revision's own findings, as Add IEC Device shows a new file's, on the text that
      // goes into the catalog.
      if (hooks_.Check_Scl)
        hooks_.Check_Scl(
            copy, chosen, [&](const check::Finding& f) { findings.push_back(f); }, s, nullptr,
            &progress);
    });
  } catch (const std::exception& error) {
    return failed(util::Error_Text(error, options_.Strings));
  }
  if (outcome.end == ui::Job_Outcome::End::Stopped) return;
  if (outcome.end == ui::Job_Outcome::End::Failed) return failed(outcome.message);
  if (!Check_Report_Go_On(this, messages_, s, std::move(findings), TFCheck_Report::Purpose::Replace,
                          chosen, nullptr, &options_.Report_Folder,
                          Report_Csv_Name(options_.Conf_Dir)))
    return;
  // Weighed on the worker too, which only reads the state and the revision meanwhile.
  const std::optional<Replace_Impact> weighed = ui::Run_And_Wait<Replace_Impact>(
      this, shown_name, s,
      [&](util::Progress& progress) {
        return Impact_Of_Replace(state, position, *revised, &progress);
      },
      outcome);
  if (outcome.end == ui::Job_Outcome::End::Stopped) return;
  if (!weighed) return failed(outcome.message);
  const Replace_Impact& impact = *weighed;
  TFReplace_Impact window(
      impact,
      QString(Q(s[access_strings::Text_Impact_Intro]))
          .arg(Q(file_name), Q(server.Name()), Q(source.ied_name), Q(util::File_Name_Of(chosen))),
      s, this);
  if (window.exec() != QDialog::Accepted) return;
  const std::string catalog_dir = Catalog_Dir(options_.Conf_Dir);
  const std::string catalog_file = util::Join_Path(catalog_dir, file_name);
  std::string old_text;
  // Leaving without OK puts the catalog back as the opening found it.
  auto& kept = document_.Catalog_At_Opening;
  const bool first_replacement =
      std::none_of(kept.begin(), kept.end(),
                   [&](const Catalog_Snapshot& snapshot) { return snapshot.path == catalog_file; });
  std::optional<Catalog_Snapshot> at_opening;
  try {
    options_.Require_Conf_Folders();
    // A large file takes a while to read, keep and write: on the worker, which polls no stop,
    // so the replacement is written whole or not at all.
    outcome = ui::Run_And_Wait(this, Q(file_name), s, [&](util::Progress&) {
      old_text = util::Read_File(catalog_file);
      if (first_replacement) at_opening = Take_Catalog_Snapshot(catalog_dir, file_name);
      Replace_Catalog_File(catalog_dir, file_name, source.text, s);
    });
  } catch (const std::exception& error) {
    return failed(util::Error_Text(error, options_.Strings));
  }
  if (at_opening) kept.push_back(std::move(*at_opening));
  if (!outcome.Done()) return failed(outcome.message);
  const std::string step_name =
      QString(Q(s[access_strings::Text_Step_Replace_Scl])).arg(Q(server.Name())).toStdString();
  document_.Record_Replace(step_name, catalog_dir, file_name, std::move(old_text),
                           std::move(source.text), [&] {
                             // The tree and the filter's index lead into the model replaced.
                             emit Server_Going(position);
                             emit Model_Replacing(position);
                             Replace_Server_Model(state, position, std::move(revised));
                           });
  emit Servers_Changed();
  LB_IEC_Devices->setCurrentRow(position);  // shows the new model's tree
}

}  // namespace UIEC_61850_Access
