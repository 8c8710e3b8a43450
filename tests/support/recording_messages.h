// A Messages implementation for window tests: records every message box and answers questions
// from a script (Yes when the script has run out).
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "util/messages_qt.h"

namespace test {

struct Recording_Messages : ui::Messages {
  struct Shown {
    std::string kind;  // "error", "warning", "warning list" or "question"
    std::string text;
  };
  std::vector<Shown> shown;
  std::deque<Answer> answers;

  void Error(QWidget*, const std::string& text) override { shown.push_back({"error", text}); }
  void Warning(QWidget*, const std::string& text) override { shown.push_back({"warning", text}); }
  void Warning_List(QWidget*, const std::string& text) override {
    shown.push_back({"warning list", text});
  }
  Answer Question(QWidget*, const std::string& text, bool) override {
    shown.push_back({"question", text});
    if (answers.empty()) return Answer::Yes;
    Answer a = answers.front();
    answers.pop_front();
    return a;
  }
  std::string Last() const { return shown.empty() ? "" : shown.back().text; }
};

}  // namespace test
