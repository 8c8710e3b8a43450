#include "comm/category_panel_qt.h"

#include <QResizeEvent>
#include <QToolButton>
#include <algorithm>

namespace comm {

Category_Panel::Category_Panel(int header_height, QWidget* parent)
    : QFrame(parent), header_height_(header_height), expanded_height_(header_height) {
  setFrameShape(QFrame::StyledPanel);
  header_ = new QToolButton(this);
  header_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  header_->setArrowType(Qt::DownArrow);
  header_->setAutoRaise(true);
  header_->setFocusPolicy(Qt::NoFocus);
  header_->setStyleSheet(
      "QToolButton { border: none; background: #dfe6f0; font-weight: bold;"
      " padding-left: 4px; text-align: left; }"
      "QToolButton:hover { background: #cfd9e8; }");
  body_ = new QWidget(this);
  connect(header_, &QToolButton::clicked, this, [this] { Set_Collapsed(!collapsed_); });
  Apply_Height();
}

void Category_Panel::Set_Caption(const QString& caption) { header_->setText(caption); }

QString Category_Panel::Caption() const { return header_->text(); }

void Category_Panel::Set_Expanded_Height(int height) {
  expanded_height_ = std::max(height, header_height_);
  Apply_Height();
}

void Category_Panel::Set_Collapsed(bool collapsed) {
  collapsed_ = collapsed;
  header_->setArrowType(collapsed ? Qt::RightArrow : Qt::DownArrow);
  body_->setVisible(!collapsed);
  Apply_Height();
}

void Category_Panel::Apply_Height() {
  setFixedHeight(collapsed_ ? header_height_ : expanded_height_);
}

void Category_Panel::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  header_->setGeometry(0, 0, width(), header_height_);
  body_->setGeometry(0, header_height_, width(), std::max(0, height() - header_height_));
}

}  // namespace comm
