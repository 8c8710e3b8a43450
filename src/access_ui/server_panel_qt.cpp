#include "access_ui/server_panel_qt.h"

#include <QAction>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>
#include <optional>
#include <stdexcept>

#include "access/access_strings.h"
#include "access/catalog_snapshot.h"
#include "access/scl_revision.h"
#include "access_ui/access_document_qt.h"
#include "access_ui/editor_button_qt.h"
#include "check/check_report_dialog.h"
#include "util/files.h"
#include "util/qstring_qt.h"
#include "util/worker_qt.h"
#include "util/xml.h"

namespace UIEC_61850_Access {

using ui::Q;
using UIEC_Client_Decode::TIEC_Device;

Server_Panel::Server_Panel(Access_Document& document, Editor_Options& options, Editor_Hooks& hooks,
                           ui::Messages& messages, QWidget* parent)
    : QWidget(parent), document_(document), options_(options), hooks_(hooks), messages_(messages) {
  setObjectName("Server_Panel");
  Btn_Add_IEC_Device = Make_Editor_Button(this, "Btn_Add_IEC_Device");
  Btn_Remove_IEC_Device = Make_Editor_Button(this, "Btn_Remove_IEC_Device");
  Btn_Replace_Scl = Make_Editor_Button(this, "Btn_Replace_Scl");
  LB_IEC_Devices = new QListWidget(this);
  LB_IEC_Devices->setObjectName("LB_IEC_Devices");
  LB_IEC_Devices->setMaximumHeight(110);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Btn_Add_IEC_Device);
  buttons->addWidget(Btn_Remove_IEC_Device);
  buttons->addWidget(Btn_Replace_Scl);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->addLayout(buttons);
  column->addWidget(LB_IEC_Devices);

  Act_Replace_Scl = new QAction(LB_IEC_Devices);
  Act_Replace_Scl->setObjectName("Act_Replace_Scl");
  LB_IEC_Devices->addAction(Act_Replace_Scl);
  LB_IEC_Devices->setContextMenuPolicy(Qt::ActionsContextMenu);

  connect(Btn_Add_IEC_Device, &QPushButton::clicked, this, &Server_Panel::Add_IEC_Device);
  connect(Btn_Remove_IEC_Device, &QPushButton::clicked, this, &Server_Panel::Remove_IEC_Device);
  connect(Btn_Replace_Scl, &QPushButton::clicked, this, &Server_Panel::Replace_Scl);
  connect(Act_Replace_Scl, &QAction::triggered, this, &Server_Panel::Replace_Scl);
  connect(LB_IEC_Devices, &QListWidget::currentRowChanged, this, [this](int position) {
    if (position >= 0 && position < static_cast<int>(document_.State().List_IEC_Dev.size()))
      emit Server_Chosen(position);
  });
}

void Server_Panel::Set_Lang() {
  const auto& s = options_.Strings;
  Btn_Add_IEC_Device->setText(Q(s[access_strings::Text_Add_IEC_Device]));
  Btn_Remove_IEC_Device->setText(Q(s[access_strings::Text_Remove_IEC_Device]));
  Btn_Add_IEC_Device->setToolTip(Q(s[access_strings::Text_Add_IEC_Device_Hint]));
  Btn_Remove_IEC_Device->setToolTip(Q(s[access_strings::Text_Remove_IEC_Device_Hint]));
  Btn_Replace_Scl->setText(Q(s[access_strings::Text_Replace_Scl_File]));
  Btn_Replace_Scl->setToolTip(Q(s[access_strings::Text_Replace_Scl_File_Hint]));
  Act_Replace_Scl->setText(Btn_Replace_Scl->text());
}

void Server_Panel::Show_Servers(const UIEC_Client_Decode::TIEC_Device* shown) {
  const QSignalBlocker block(LB_IEC_Devices);
  LB_IEC_Devices->clear();
  for (const auto& device : document_.State().List_IEC_Dev)
    LB_IEC_Devices->addItem(Q(device->Name()));
  // The list keeps pointing at the server whose tree is shown.
  LB_IEC_Devices->setCurrentRow(document_.State().Server_Position(shown).value_or(-1));
}

bool Server_Panel::Check_Accepted(const std::string& chosen,
                                  const std::vector<std::string>* only_ieds) {
  if (!hooks_.Check_Scl) return true;
  std::vector<check::Finding> findings;
  const ui::Job_Outcome outcome = ui::Run_And_Wait(
      this, Q(util::File_Name_Of(chosen)), options_.Strings, [&](util::Progress& progress) {
        hooks_.Check_Scl(
            chosen, chosen, [&](const check::Finding& f) { findings.push_back(f); },
            options_.Strings, only_ieds, &progress);
      });
  if (outcome.end == ui::Job_Outcome::End::Stopped) return false;  // Cancel: nothing added
  if (outcome.end == ui::Job_Outcome::End::Failed) return true;    // unreadable: adding says why
  // An IED the import refuses is refused by the adding too, with the same reason: the report
  // would only ask a question whose answer changes nothing.
  if (std::any_of(findings.begin(), findings.end(),
                  [](const check::Finding& f) { return f.rule == "scl-refused"; }))
    return true;
  return Check_Report_Go_On(this, messages_, options_.Strings, std::move(findings),
                            TFCheck_Report::Purpose::Add, chosen, nullptr, &options_.Report_Folder,
                            Report_Csv_Name(options_.Conf_Dir));
}

void Server_Panel::Add_IEC_Device() {
  const std::string chosen = hooks_.Choose_File ? hooks_.Choose_File() : std::string();
  if (chosen.empty()) return;
  // A file with several IEDs is checked for the IEDs picked, any other one whole, before
  // anything reaches the catalog.
  const QString shown_name = Q(util::File_Name_Of(chosen));
  ui::Job_Outcome listing;
  std::vector<IED_Info> ieds =
      ui::Run_And_Wait<std::vector<IED_Info>>(
          this, shown_name, options_.Strings,
          [&chosen](util::Progress& progress) {
            return UIEC_Client_Decode::List_IEDs(chosen, &progress);
          },
          listing)
          .value_or(std::vector<IED_Info>());  // unreadable: the check says what is wrong
  if (listing.end == ui::Job_Outcome::End::Stopped) return;
  // An IED whose name no configuration file can hold is refused by the adding itself; its
  // findings would only ask a question whose answer changes nothing.
  const bool refused_anyway = ieds.size() == 1 && !util::Is_Xml_Text(ieds[0].name);
  if (ieds.size() < 2 && !refused_anyway && !Check_Accepted(chosen, nullptr)) return;
  Access_State& state = document_.State();
  const size_t servers_before = state.List_IEC_Dev.size();
  const auto& s = options_.Strings;
  std::string failure;
  // What the adding wrote into the catalog, as it was before, so that a Cancel of an import
  // puts it back: a file asked about and written over (its snapshot), or one that was new.
  const std::string catalog_dir = Catalog_Dir(options_.Conf_Dir);
  std::vector<Catalog_Snapshot> written;
  bool cancelled = false;
  try {
    options_.Require_Conf_Folders();
    document_.Record_Step(s[access_strings::Text_Add_IEC_Device], [&] {
      try {
        Add_IEC_Devices(
            state, options_.Conf_Dir, chosen, ieds,
            [this, &chosen](const std::vector<IED_Info>& listed) {
              std::vector<size_t> picked =
                  hooks_.Choose_IEDs ? hooks_.Choose_IEDs(chosen, listed) : std::vector<size_t>();
              std::vector<std::string> names;
              for (size_t i : picked)
                if (i < listed.size()) names.push_back(listed[i].name);
              if (!names.empty() && !Check_Accepted(chosen, &names)) picked.clear();
              return picked;
            },
            [&](const std::string& file_name, const std::string& ied_name) {
              switch (
                  messages_.Question(this, Overwrite_Question_For(file_name, ied_name, s), true)) {
                case ui::Messages::Answer::Yes:
                  written.push_back(Take_Catalog_Snapshot(catalog_dir, file_name));
                  return Overwrite_Answer::Yes;
                case ui::Messages::Answer::No:
                  return Overwrite_Answer::No;
                default:
                  return Overwrite_Answer::Cancel;
              }
            },
            s, hooks_.Import_Scl,
            [&](const std::string& name, const Adding_Step& step) {
              const std::string path = util::Join_Path(catalog_dir, name);
              const bool was_there = util::Path_Present(path);
              const ui::Job_Outcome outcome = ui::Run_And_Wait(
                  this, Q(name), s, [&](util::Progress& progress) { step(&progress); });
              // A catalog file the step wrote where there was none goes again when the adding
              // is cancelled.
              if (!was_there && util::Path_Present(path) &&
                  std::none_of(written.begin(), written.end(),
                               [&](const Catalog_Snapshot& w) { return w.name == name; }))
                written.push_back({catalog_dir, name, path, std::nullopt, {}});
              if (outcome.end == ui::Job_Outcome::End::Failed)
                throw std::runtime_error(outcome.message);
              if (outcome.end == ui::Job_Outcome::End::Stopped) throw util::Cancelled();
            });
      } catch (const util::Cancelled&) {
        // Nothing of this adding stays: the servers added before go again.
        cancelled = true;
        state.List_IEC_Dev.resize(servers_before);
      }
    });
    if (cancelled) Restore_Catalog(written);
  } catch (const std::exception& error) {
    failure = util::Error_Text(error, options_.Strings);
  }
  // The servers added before a failure stay.
  if (state.List_IEC_Dev.size() != servers_before) emit Servers_Changed();
  if (!failure.empty()) messages_.Error(this, failure);
}

void Server_Panel::Restore_Catalog(const std::vector<Catalog_Snapshot>& written) {
  const auto& s = options_.Strings;
  for (const Catalog_Snapshot& snapshot : written) {
    if (snapshot.text)
      Restore_Catalog_Snapshot(snapshot, s);
    else
      Open_Catalog_Folder(snapshot.dir, s)->Remove(snapshot.name);
  }
}

void Server_Panel::Remove_IEC_Device() {
  const int position = LB_IEC_Devices->currentRow();
  Access_State& state = document_.State();
  if (position < 0 || position >= static_cast<int>(state.List_IEC_Dev.size())) return;
  if (state.Server_In_Use(position)) return;
  emit Server_Going(position);
  document_.Record_Step(options_.Strings[access_strings::Text_Remove_IEC_Device],
                        [&] { state.Remove_Server(position); });
  emit Servers_Changed();
}

}  // namespace UIEC_61850_Access
