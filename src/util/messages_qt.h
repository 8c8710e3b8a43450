// The one way windows talk to the user in message boxes. The configurator uses the
// QMessageBox implementation; tests plug in a recorder that answers scripted choices.
#pragma once

#include <string>

class QWidget;

namespace lang {
class Lang_Strings;
}

namespace ui {

class Messages {
 public:
  enum class Answer { Yes, No, Cancel };

  virtual ~Messages() = default;
  // Error icon, OK button.
  virtual void Error(QWidget* parent, const std::string& text) = 0;
  // Warning icon, OK button.
  virtual void Warning(QWidget* parent, const std::string& text) = 0;
  // Confirmation with Yes and No, or Yes, No and Cancel.
  virtual Answer Question(QWidget* parent, const std::string& text, bool with_cancel = false) = 0;
  // A warning that lists many lines (a report): its text scrolls in a window of fixed size
  // rather than growing a message box past the screen. Without an own way, a warning.
  virtual void Warning_List(QWidget* parent, const std::string& text) { Warning(parent, text); }
  // A Yes/No question before throwing work away: No is the default button, so Enter keeps the
  // work. Without an own way, a question.
  virtual Answer Question_Default_No(QWidget* parent, const std::string& text) {
    return Question(parent, text);
  }
};

// Titles and buttons in the words of the string table given (the windows' own, so a language
// file translates them too).
class Box_Messages : public Messages {
 public:
  explicit Box_Messages(const lang::Lang_Strings& texts) : texts_(texts) {}
  void Error(QWidget* parent, const std::string& text) override;
  void Warning(QWidget* parent, const std::string& text) override;
  Answer Question(QWidget* parent, const std::string& text, bool with_cancel) override;
  void Warning_List(QWidget* parent, const std::string& text) override;
  Answer Question_Default_No(QWidget* parent, const std::string& text) override;

 private:
  const lang::Lang_Strings& texts_;
};

}  // namespace ui
