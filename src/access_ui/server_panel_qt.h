// The access editor's server list: the servers of the configuration with Add IEC Device, Remove
// IEC Device and Replace SCL file (also in the list's context menu). The flows ask the user
// through the editor's hooks (file dialog, IED chooser), check the SCL file, and change the
// document as one step of its history; the IED rules and the extraction they use are the core's
// (access/server_list, access/scl_revision).
#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "access/catalog_snapshot.h"
#include "access/editor_options.h"
#include "access/server_list.h"
#include "check/check.h"
#include "util/messages_qt.h"

class QAction;
class QListWidget;
class QPushButton;

namespace UIEC_61850_Access {

class Access_Document;

// What the editor asks of the world outside it; tests replace them.
struct Editor_Hooks {
  // Asks the user for the SCL file to add; empty when cancelled.
  std::function<std::string()> Choose_File;
  // Asks which IEDs of a file with several to add (positions in `ieds`; none: cancelled).
  std::function<std::vector<size_t>(const std::string& file, const std::vector<IED_Info>& ieds)>
      Choose_IEDs;
  // Builds a server's model from its catalog copy, on a worker thread.
  Progress_Importer Import_Scl = Import_Device_Following;
  // The check's rules on an SCL file (one added, or a catalog file); tests with stand-in files
  // empty it, and then no SCL file is checked.
  check::Scl_Check Check_Scl = check::Check_Scl_File;
};

class Server_Panel : public QWidget {
  Q_OBJECT

 public:
  Server_Panel(Access_Document& document, Editor_Options& options, Editor_Hooks& hooks,
               ui::Messages& messages, QWidget* parent);
  void Set_Lang();

  // Lists the servers again; the line of `shown` (the server whose tree is shown) is current.
  void Show_Servers(const UIEC_Client_Decode::TIEC_Device* shown);

  void Add_IEC_Device();
  void Remove_IEC_Device();
  // Replaces the selected server's SCL file with a new revision after showing what it changes.
  void Replace_Scl();

  // Whether Choose_File asks for a new revision of a server's file (the dialog's title).
  bool Choosing_Revision() const { return choosing_revision_; }

  QPushButton* Btn_Add_IEC_Device;
  QPushButton* Btn_Remove_IEC_Device;
  QPushButton* Btn_Replace_Scl;
  QAction* Act_Replace_Scl;
  QListWidget* LB_IEC_Devices;

 signals:
  // The user picked the server at `position` in the list.
  void Server_Chosen(int position);
  // Server `position`'s model is about to be replaced, or the server removed: nothing may point
  // into its model any more.
  void Server_Going(int position);
  // Server `position`'s model is being replaced by a new revision (after Server_Going).
  void Model_Replacing(int position);
  // Servers were added, removed or replaced (also after a failure, for those done before it).
  void Servers_Changed();

 private:
  // Whether the user goes on with `chosen` after the check's findings on it (all IEDs, or
  // `only_ieds`).
  bool Check_Accepted(const std::string& chosen, const std::vector<std::string>* only_ieds);
  // Puts back the catalog files an adding wrote (a snapshot without text: a file it created).
  void Restore_Catalog(const std::vector<Catalog_Snapshot>& written);

  Access_Document& document_;
  Editor_Options& options_;
  Editor_Hooks& hooks_;
  ui::Messages& messages_;
  bool choosing_revision_ = false;
};

}  // namespace UIEC_61850_Access
