#include "access_ui/access_document_qt.h"

#include <QUndoStack>
#include <exception>

#include "access/scl_revision.h"
#include "util/files.h"
#include "util/qstring_qt.h"

namespace UIEC_61850_Access {

namespace {

// One step of the editor's history. The change is already done when the step is recorded, so
// the first redo (QUndoStack::push runs it) does nothing.
class State_Step : public QUndoCommand {
 public:
  using Apply = std::function<void(const Access_Change&, bool forward)>;
  State_Step(Access_Change change, const QString& name, Apply apply)
      : QUndoCommand(name), change_(std::move(change)), apply_(std::move(apply)) {}
  void undo() override { apply_(change_, false); }
  void redo() override {
    if (done_) {
      done_ = false;
      return;
    }
    apply_(change_, true);
  }

 private:
  Access_Change change_;
  Apply apply_;
  bool done_ = true;
};

// A replaced catalog file in the history: undo writes the revision it replaced back, redo the
// new one again (its first run is the replacement itself, already written). Each write goes
// through the catalog folder checked anew, so a link swapped in since carries nothing out.
class Catalog_File_Step : public QUndoCommand {
 public:
  using Report = std::function<void(const std::string& reason)>;
  Catalog_File_Step(std::string catalog_dir, std::string name, std::string before,
                    std::string after, const lang::Lang_Strings& texts, Report report)
      : catalog_dir_(std::move(catalog_dir)),
        name_(std::move(name)),
        before_(std::move(before)),
        after_(std::move(after)),
        texts_(texts),
        report_(std::move(report)) {}
  void undo() override { Write(before_); }
  void redo() override {
    if (done_) {
      done_ = false;
      return;
    }
    Write(after_);
  }

 private:
  void Write(const std::string& text) {
    try {
      Write_Catalog_File(catalog_dir_, name_, text, texts_);
    } catch (const std::exception& error) {
      report_(util::Error_Text(
          error, texts_));  // the step stays; the user is told the file was not written
    }
  }

  std::string catalog_dir_, name_, before_, after_;
  const lang::Lang_Strings& texts_;
  Report report_;
  bool done_ = true;
};

}  // namespace

Access_Document::Access_Document(const lang::Lang_Strings& strings, QObject* parent)
    : QObject(parent), History(new QUndoStack(this)), strings_(strings) {}

// The history's steps go with it, and clearing it then must not reach the half-destroyed owner.
Access_Document::~Access_Document() { History->disconnect(); }

void Access_Document::Record_Step(const std::string& name, const std::function<void()>& change) {
  Record(change, [&name] { return name; });
}

void Access_Document::Record(const std::function<void()>& change,
                             const std::function<std::string()>& name) {
  if (step_depth_ > 0) {
    change();
    return;
  }
  const Access_Snapshot before = Take_Snapshot(state_);
  auto push = [&] {
    Access_Change step(before, Take_Snapshot(state_));
    if (step.Empty()) return;
    History->push(
        new State_Step(std::move(step), ui::Q(name()),
                       [this](const Access_Change& c, bool forward) { Apply_Step(c, forward); }));
  };
  ++step_depth_;
  try {
    change();
  } catch (...) {
    // What the change did before it failed is recorded as a step too, so it can be undone.
    --step_depth_;
    push();
    throw;
  }
  --step_depth_;
  push();
}

void Access_Document::Record_Replace(const std::string& step_name, const std::string& catalog_dir,
                                     const std::string& name, std::string before, std::string after,
                                     const std::function<void()>& change) {
  // One step of the history: the catalog file and the server's model go back and forth together.
  History->beginMacro(ui::Q(step_name));
  History->push(new Catalog_File_Step(
      catalog_dir, name, std::move(before), std::move(after), strings_,
      [this](const std::string& reason) { emit Catalog_Write_Failed(ui::Q(reason)); }));
  Record_Step(step_name, change);
  History->endMacro();
}

void Access_Document::Apply_Step(const Access_Change& change, bool forward) {
  if (forward)
    change.Redo(state_);
  else
    change.Undo(state_);
  emit Step_Applied(change.Changes_Servers());
}

void Access_Document::End_History() { History->clear(); }

}  // namespace UIEC_61850_Access
