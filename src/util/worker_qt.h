// Long operations of the windows (importing a large SCL file, checking a configuration, building
// the images) run on a worker thread, so that the window thread only draws and answers the user.
// After a short while a progress dialog names the file, says what is being done and how far,
// and offers Cancel, which asks the operation to stop (util::Progress); an operation that stops
// throws util::Cancelled and keeps nothing half-done. The operation touches no widget and
// nothing the window may change meanwhile: it works on what it was given and hands its result
// back, which the window then takes on its own thread.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "text/lang_strings.h"
#include "util/progress.h"

class QProgressDialog;
class QTimer;

namespace ui {

// One operation on a worker thread, started at construction. Its end comes back on the window
// thread as exactly one of the signals Finished, Failed or Stopped, unless the job is destroyed
// first: destroying it (with its owner, whose child it is) asks the operation to stop and waits
// for the thread, and then no signal comes. Meanwhile the widgets given to Disable_While_Running
// are disabled (and enabled again at the end, when still there).
class Background_Job : public QObject {
  Q_OBJECT
 public:
  // How long the job runs before its progress dialog shows.
  static constexpr int Show_After_Ms = 300;
  // How often the dialog reads the progress.
  static constexpr int Update_Every_Ms = 100;

  // `file_name`: the file the operation works on, shown in the dialog; `strings`: the table the
  // dialog reads its texts from (the progress's stage texts too); it must outlive the job.
  Background_Job(QWidget* owner, QString file_name, const lang::Lang_Strings& strings,
                 std::function<void(util::Progress&)> work);
  ~Background_Job() override;

  void Disable_While_Running(QWidget* widget);
  // No progress dialog: the job runs quietly behind a window that stays usable and says itself
  // what is going on (as the tree's filter says "indexing...").
  void Without_Dialog();
  // Asks the operation to stop, as the dialog's Cancel does.
  void Cancel() { progress_.Cancel(); }
  bool Running() const { return running_; }
  const util::Progress& Progress() const { return progress_; }
  // The dialog, once shown (null before): for tests and the benchmark.
  QProgressDialog* Dialog() const { return dialog_; }

 signals:
  // The dialog has just been shown.
  void Dialog_Shown();
  void Finished();
  // The operation threw: its exception's message in the job's table (util::Error_Text), or a
  // text saying it failed.
  void Failed(QString message);
  // The operation stopped on Cancel (util::Cancelled).
  void Stopped();

 private:
  void Show_Dialog();
  void Update_Dialog();
  void End();  // on the window thread, once the worker is done

  const lang::Lang_Strings& strings_;
  QString file_name_;
  util::Progress progress_;
  std::exception_ptr error_;  // written by the worker before it posts End
  std::thread thread_;
  bool running_ = true;
  QProgressDialog* dialog_ = nullptr;
  QTimer* show_timer_ = nullptr;
  QTimer* update_timer_ = nullptr;
  std::vector<std::pair<QPointer<QWidget>, bool>> disabled_;  // each widget and its state before
};

// How a job ended, for Run_And_Wait.
struct Job_Outcome {
  enum class End { Done, Failed, Stopped } end = End::Done;
  std::string message;  // Failed: the operation's exception worded by util::Error_Text
  bool Done() const { return end == End::Done; }
};

// Runs `work` as a Background_Job owned by `owner` and waits for its end in a local event loop,
// so the windows keep drawing and the dialog answers Cancel. `owner` is disabled meanwhile, so
// nothing of it can start another operation or change what the work reads.
Job_Outcome Run_And_Wait(QWidget* owner, const QString& file_name,
                         const lang::Lang_Strings& strings,
                         std::function<void(util::Progress&)> work);

// The same for an operation with a result: the result when it finished, else none, with the
// outcome in `outcome`.
template <typename Result>
std::optional<Result> Run_And_Wait(QWidget* owner, const QString& file_name,
                                   const lang::Lang_Strings& strings,
                                   std::function<Result(util::Progress&)> work,
                                   Job_Outcome& outcome) {
  auto result = std::make_shared<std::optional<Result>>();
  outcome = Run_And_Wait(owner, file_name, strings,
                         [result, work = std::move(work)](util::Progress& progress) {
                           result->emplace(work(progress));
                         });
  if (!outcome.Done()) return std::nullopt;
  return std::move(*result);
}

}  // namespace ui
