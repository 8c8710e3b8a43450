#include "util/worker_qt.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <limits>

#include "util/files.h"
#include "util/memory.h"
#include "util/qstring_qt.h"
#include "util/util_strings.h"

namespace ui {

namespace {

// The dialog's bar runs from 0 to this; a total of any size is scaled onto it.
constexpr int Bar_Steps = 1000;

}  // namespace

Background_Job::Background_Job(QWidget* owner, QString file_name, const lang::Lang_Strings& strings,
                               std::function<void(util::Progress&)> work)
    : QObject(owner), strings_(strings), file_name_(std::move(file_name)) {
  show_timer_ = new QTimer(this);
  show_timer_->setSingleShot(true);
  show_timer_->setTimerType(Qt::PreciseTimer);
  connect(show_timer_, &QTimer::timeout, this, &Background_Job::Show_Dialog);
  show_timer_->start(Show_After_Ms);
  // The worker touches nothing of the window: it runs `work` on the progress it is given, keeps
  // how it ended and posts End to the window thread, which reads that after the thread is done.
  thread_ = std::thread([this, work = std::move(work)] {
    try {
      work(progress_);
    } catch (...) {
      // Any failure, kept for End, which hands it on as Stopped or Failed on the window thread.
      error_ = std::current_exception();
    }
    QMetaObject::invokeMethod(this, &Background_Job::End, Qt::QueuedConnection);
  });
}

Background_Job::~Background_Job() {
  // Closing the owner mid-run: the operation stops at its next poll, keeping nothing, and no
  // signal follows (the posted End dies with this object).
  progress_.Cancel();
  if (thread_.joinable()) thread_.join();
  for (auto& [widget, enabled] : disabled_)
    if (widget) widget->setEnabled(enabled);
}

void Background_Job::Without_Dialog() { show_timer_->stop(); }

void Background_Job::Disable_While_Running(QWidget* widget) {
  if (!widget || !running_) return;
  disabled_.push_back({widget, widget->isEnabled()});
  widget->setEnabled(false);
}

void Background_Job::Show_Dialog() {
  if (!running_ || dialog_) return;
  auto* owner = qobject_cast<QWidget*>(parent());
  dialog_ = new QProgressDialog(owner);
  dialog_->setObjectName("Job_Progress");
  dialog_->setWindowTitle(Q(strings_[util_strings::Text_Job_Title]));
  dialog_->setWindowModality(Qt::WindowModal);
  dialog_->setAutoClose(false);
  dialog_->setAutoReset(false);
  dialog_->setMinimumDuration(0);
  auto* cancel = new QPushButton(Q(strings_[util_strings::Text_Button_Cancel]), dialog_);
  cancel->setObjectName("Job_Cancel");
  dialog_->setCancelButton(cancel);
  connect(dialog_, &QProgressDialog::canceled, this, [this] {
    progress_.Cancel();
    if (dialog_)
      dialog_->setLabelText(dialog_->labelText() + "\n" +
                            Q(strings_[util_strings::Text_Job_Stopping]));
  });
  update_timer_ = new QTimer(this);
  connect(update_timer_, &QTimer::timeout, this, &Background_Job::Update_Dialog);
  update_timer_->start(Update_Every_Ms);
  Update_Dialog();
  dialog_->show();
  emit Dialog_Shown();
}

void Background_Job::Update_Dialog() {
  if (!dialog_ || progress_.Cancel_Asked()) return;
  QString label = file_name_;
  const int what = progress_.What();
  if (what != util::Progress::No_Text) label += "\n" + Q(strings_[what]);
  const size_t total = progress_.Total();
  const size_t done = std::min(progress_.Done(), total);
  if (total > 0) {
    label += "\n" + QString::number(done) + Q(strings_[util_strings::Text_Job_Of]) +
             QString::number(total);
    dialog_->setRange(0, Bar_Steps);
    dialog_->setValue(static_cast<int>(static_cast<double>(done) / total * Bar_Steps));
  } else {
    dialog_->setRange(0, 0);  // how much is left is not known: a busy bar
  }
  dialog_->setLabelText(label);
}

void Background_Job::End() {
  if (thread_.joinable()) thread_.join();
  running_ = false;
  show_timer_->stop();
  if (update_timer_) update_timer_->stop();
  if (dialog_) {
    dialog_->hide();
    dialog_->deleteLater();
    dialog_ = nullptr;
  }
  for (auto& [widget, enabled] : disabled_)
    if (widget) widget->setEnabled(enabled);
  disabled_.clear();
  // The worker's memory lies in a heap of its own thread, which the C library keeps when the
  // thread ends: given back here, a check of a large file leaves nothing resident behind it.
  util::Release_Free_Memory();
  if (!error_) {
    emit Finished();
    return;
  }
  try {
    std::rethrow_exception(error_);
  } catch (const util::Cancelled&) {
    emit Stopped();
  } catch (const std::exception& failure) {
    emit Failed(Q(util::Error_Text(failure, strings_)));
  } catch (...) {
    // Not a std::exception: there is no what() to show, so the job's failure in general words.
    emit Failed(Q(strings_[util_strings::Text_Job_Failed]));
  }
}

namespace {

// Keeps the user's input from every window but the job's dialog while Run_And_Wait waits, as a
// modal dialog does, also before the dialog shows.
class Input_Block : public QObject {
 public:
  explicit Input_Block(Background_Job* job) : job_(job) { qApp->installEventFilter(this); }
  ~Input_Block() override { qApp->removeEventFilter(this); }

 protected:
  bool eventFilter(QObject* target, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::Wheel:
      case QEvent::Shortcut:
      case QEvent::ShortcutOverride:
      case QEvent::Close:  // a window closed now would leave the caller half-way
        break;
      default:
        return false;
    }
    // Input reaches the dialog's window first, then the control in it.
    const QWidget* dialog = job_ ? job_->Dialog() : nullptr;
    if (dialog && target == dialog->windowHandle()) return false;
    const auto* widget = qobject_cast<const QWidget*>(target);
    if (dialog && widget && (widget == dialog || dialog->isAncestorOf(widget))) return false;
    event->ignore();  // a close refused, not only held back
    return true;
  }

 private:
  QPointer<Background_Job> job_;
};

}  // namespace

Job_Outcome Run_And_Wait(QWidget* owner, const QString& file_name,
                         const lang::Lang_Strings& strings,
                         std::function<void(util::Progress&)> work) {
  // Stopped unless the job says otherwise: a loop left early (the application quitting leaves
  // every loop) ends the job below, which then keeps nothing.
  Job_Outcome outcome{Job_Outcome::End::Stopped, {}};
  QEventLoop loop;
  QPointer<Background_Job> job = new Background_Job(owner, file_name, strings, std::move(work));
  QObject::connect(job, &Background_Job::Finished, &loop, [&] {
    outcome.end = Job_Outcome::End::Done;
    loop.quit();
  });
  QObject::connect(job, &Background_Job::Failed, &loop, [&](const QString& message) {
    outcome.end = Job_Outcome::End::Failed;
    outcome.message = message.toStdString();
    loop.quit();
  });
  QObject::connect(job, &Background_Job::Stopped, &loop, [&] { loop.quit(); });
  // The owner gone meanwhile took the job with it: nothing came back.
  QObject::connect(job, &QObject::destroyed, &loop, [&] {
    if (loop.isRunning()) loop.quit();
  });
  {
    Input_Block block(job);
    loop.exec();
  }
  if (job && job->Running()) outcome.end = Job_Outcome::End::Stopped;
  delete job.data();  // null when the owner took it; else stops and waits for a running one
  return outcome;
}

}  // namespace ui
