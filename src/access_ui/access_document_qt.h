// The access editor's document: what the editor holds (the Access_State with its servers) and
// the history of this opening. Every change goes through Record_Step, which makes it one step
// of the history; the panels do not change each other but listen to the document's signals and
// show what changed.
//
// The document takes servers' models as they are handed to it (imported elsewhere), so the
// long steps may run anywhere before the model arrives.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <string>

#include "access/access_state.h"
#include "access/catalog_snapshot.h"
#include "access/server_list.h"
#include "text/lang_strings.h"

class QUndoStack;

namespace UIEC_61850_Access {

class Access_Document : public QObject {
  Q_OBJECT

 public:
  // Names of steps and catalog write failures come from `strings`, which outlives it.
  Access_Document(const lang::Lang_Strings& strings, QObject* parent);
  ~Access_Document() override;

  Access_State& State() { return state_; }
  const Access_State& State() const { return state_; }

  // Runs `change` on the state and records what it changed as one step of the history, named
  // `name` ("Undo <name>"); a change that changes nothing records nothing. Calls inside `change`
  // join its step. A change that throws is recorded with what it did before, then the exception
  // goes on.
  void Record_Step(const std::string& name, const std::function<void()>& change);
  // The same with a name known once the change is done.
  void Record(const std::function<void()>& change, const std::function<std::string()>& name);
  // A new revision of the catalog file `name` (in `catalog_dir`), already written, and the
  // change of the state that goes with it (`change`), as one step named `step_name`: undo writes
  // `before` back, redo `after` again, each through the folder checked anew.
  void Record_Replace(const std::string& step_name, const std::string& catalog_dir,
                      const std::string& name, std::string before, std::string after,
                      const std::function<void()>& change);
  // Forgets the history (each opening starts its own).
  void End_History();

  QUndoStack* History;
  // The client file could not be read at this opening: nothing may be saved or replaced.
  bool Load_Failed = false;
  // Each catalog file replaced since the opening, as the opening found it.
  std::vector<Catalog_Snapshot> Catalog_At_Opening;
  // Each server's address from its SCL file, read when first needed.
  Server_Addresses Addresses;

 signals:
  // A step was taken back or forth: the rows changed, and the servers too where `servers`.
  void Step_Applied(bool servers);
  // Undo or redo of a replaced catalog file could not write it.
  void Catalog_Write_Failed(const QString& reason);

 private:
  void Apply_Step(const Access_Change& change, bool forward);

  const lang::Lang_Strings& strings_;
  Access_State state_;
  int step_depth_ = 0;  // Record calls running
};

}  // namespace UIEC_61850_Access
