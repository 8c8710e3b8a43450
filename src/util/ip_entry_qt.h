// The row of four boxes in which the user types an IP address (or a mask): one box per octet,
// with a dot between two boxes, and "." moving on to the next box.
#pragma once

#include <QString>
#include <array>
#include <span>
#include <string>

class QHBoxLayout;
class QLineEdit;
class QPoint;
class QWidget;

namespace ui {

class IP_Entry {
 public:
  // Four boxes named <prefix>1 to <prefix>4, children of `parent`, created in tab order, each
  // `box_width` pixels wide and holding `text`.
  IP_Entry(QWidget* parent, const std::string& prefix, int box_width, const QString& text = {});

  QLineEdit* operator[](int i) const { return boxes_[static_cast<size_t>(i)]; }
  const std::array<QLineEdit*, 4>& Boxes() const { return boxes_; }

  // The boxes in a row layout: text centred, 2 pixels apart with a dot between two boxes, the
  // rest of the row empty.
  QHBoxLayout* Row_Layout() const;
  // The boxes placed side by side from `at`, 24 pixels high, with a dot 10 pixels wide between
  // two boxes.
  void Place(QPoint at) const;

 private:
  QWidget* parent_;
  int box_width_;
  std::array<QLineEdit*, 4> boxes_;
};

// A key typed in `box`: when it is "." and `box` is one of `chain` (the boxes in the order the
// user fills them), it is taken, and the focus moves on to the next box of the chain, if any,
// with its text selected so that typing replaces it, as after the Tab key. Returns whether the key
// was taken, and in `moved_to` the box that got the focus (null when none did).
bool Dot_Moves_To_Next_Box(std::span<QLineEdit* const> chain, QLineEdit* box, const QString& key,
                           QLineEdit** moved_to = nullptr);

}  // namespace ui
