// How far a long operation has come, and the user's wish to stop it. The operation (on any
// thread) counts what it has done against a total and names what it is doing by a string-table
// index; the window reads both to show them, and sets the cancel flag. The operation looks at
// the flag at its own steps (Poll) and, when set, throws util::Cancelled out of everything, so
// that nothing half-done is kept: each operation that takes one changes nothing before it has
// finished, as with any other failure.
#pragma once

#include <atomic>
#include <cstddef>
#include <stdexcept>

namespace util {

// An operation stopped on the user's wish. Not a failure to show: the caller that asked for the
// stop takes it as "nothing happened".
class Cancelled : public std::runtime_error {
 public:
  Cancelled() : std::runtime_error("cancelled") {}
};

class Progress {
 public:
  // The string-table index of what the operation is doing now; 0: nothing to name.
  static constexpr int No_Text = 0;

  // A new stage: what it does, and how much there is to do (0: not known).
  void Start(int what, std::size_t total) {
    done_.store(0, std::memory_order_relaxed);
    total_.store(total, std::memory_order_relaxed);
    what_.store(what, std::memory_order_relaxed);
    Poll();
  }
  void Set_Total(std::size_t total) { total_.store(total, std::memory_order_relaxed); }
  // `count` more done; throws Cancelled when the stop was asked for.
  void Advance(std::size_t count = 1) {
    done_.fetch_add(count, std::memory_order_relaxed);
    Poll();
  }
  void Set_Done(std::size_t done) {
    done_.store(done, std::memory_order_relaxed);
    Poll();
  }
  // Throws Cancelled when the stop was asked for.
  void Poll() const {
    if (cancel_.load(std::memory_order_relaxed)) throw Cancelled();
  }

  // From any thread: ask the operation to stop at its next Poll.
  void Cancel() { cancel_.store(true, std::memory_order_relaxed); }
  bool Cancel_Asked() const { return cancel_.load(std::memory_order_relaxed); }

  std::size_t Done() const { return done_.load(std::memory_order_relaxed); }
  std::size_t Total() const { return total_.load(std::memory_order_relaxed); }
  int What() const { return what_.load(std::memory_order_relaxed); }

 private:
  std::atomic<std::size_t> done_{0};
  std::atomic<std::size_t> total_{0};
  std::atomic<int> what_{No_Text};
  std::atomic<bool> cancel_{false};
};

// The same for an operation called without a Progress (null): they do nothing then.
inline void Start(Progress* progress, int what, std::size_t total) {
  if (progress) progress->Start(what, total);
}
inline void Advance(Progress* progress, std::size_t count = 1) {
  if (progress) progress->Advance(count);
}
inline void Poll(const Progress* progress) {
  if (progress) progress->Poll();
}

// Counts steps of a tight loop and passes them on every `Every` steps, so that a loop over
// millions of objects pays a counter increment per object, not an atomic operation. Without
// `count` the steps are only polled: the loop runs inside a stage that counts something else.
class Progress_Steps {
 public:
  static constexpr std::size_t Every = 4096;
  explicit Progress_Steps(Progress* progress, bool count = true)
      : progress_(progress), count_(count) {}
  void Step() {
    if (++pending_ == Every) Flush();
  }
  void Flush() {
    if (progress_ && pending_ > 0) {
      if (count_)
        progress_->Advance(pending_);
      else
        progress_->Poll();
    }
    pending_ = 0;
  }

 private:
  Progress* progress_;
  bool count_;
  std::size_t pending_ = 0;
};

}  // namespace util
