#include "util/ip_entry_qt.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPoint>
#include <algorithm>

#include "util/qstring_qt.h"

namespace ui {

namespace {

QLabel* Make_Dot(QWidget* parent) {
  auto* dot = new QLabel(".", parent);
  dot->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
  return dot;
}

}  // namespace

IP_Entry::IP_Entry(QWidget* parent, const std::string& prefix, int box_width, const QString& text)
    : parent_(parent), box_width_(box_width) {
  for (size_t i = 0; i < boxes_.size(); ++i) {
    boxes_[i] = new QLineEdit(text, parent);
    boxes_[i]->setObjectName(ui::Q(prefix + std::to_string(i + 1)));
  }
}

QHBoxLayout* IP_Entry::Row_Layout() const {
  auto* row = new QHBoxLayout;
  row->setSpacing(2);
  for (size_t i = 0; i < boxes_.size(); ++i) {
    if (i > 0) row->addWidget(Make_Dot(parent_));
    boxes_[i]->setFixedWidth(box_width_);
    boxes_[i]->setAlignment(Qt::AlignCenter);
    row->addWidget(boxes_[i]);
  }
  row->addStretch(1);
  return row;
}

void IP_Entry::Place(QPoint at) const {
  int x = at.x();
  for (size_t i = 0; i < boxes_.size(); ++i) {
    boxes_[i]->setGeometry(x, at.y(), box_width_, 24);
    x += box_width_;
    if (i + 1 < boxes_.size()) {
      Make_Dot(parent_)->setGeometry(x, at.y(), 10, 20);
      x += 10;
    }
  }
}

bool Dot_Moves_To_Next_Box(std::span<QLineEdit* const> chain, QLineEdit* box, const QString& key,
                           QLineEdit** moved_to) {
  if (moved_to != nullptr) *moved_to = nullptr;
  if (key != ".") return false;
  const auto at = std::find(chain.begin(), chain.end(), box);
  if (at == chain.end()) return false;
  // The last box has no next box: the "." is simply dropped.
  if (at + 1 == chain.end()) return true;
  QLineEdit* next = *(at + 1);
  if (next->isVisible() && next->isEnabled()) {
    next->setFocus(Qt::TabFocusReason);
    // The focus event selects only when the window is active; typing must replace anyway.
    next->selectAll();
    if (moved_to != nullptr) *moved_to = next;
  }
  return true;
}

}  // namespace ui
