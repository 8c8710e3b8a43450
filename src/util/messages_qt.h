// The one way windows talk to the user in message boxes. The configurator uses the
// QMessageBox implementation; tests plug in a recorder that answers scripted choices.
#pragma once

#include <string>

class QWidget;

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
};

class Box_Messages : public Messages {
 public:
  void Error(QWidget* parent, const std::string& text) override;
  void Warning(QWidget* parent, const std::string& text) override;
  Answer Question(QWidget* parent, const std::string& text, bool with_cancel) override;
};

}  // namespace ui
