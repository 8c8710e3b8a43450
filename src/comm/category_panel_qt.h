// A collapsible panel: a caption bar that folds the panel's body away when clicked, as in the
// Set Communication dialog's vertically scrolling group of panels.
#pragma once

#include <QFrame>

class QToolButton;

namespace comm {

class Category_Panel : public QFrame {
  Q_OBJECT

 public:
  // `header_height` is the caption bar's height, the same for every panel of a group.
  Category_Panel(int header_height, QWidget* parent = nullptr);

  // The area below the caption bar that holds the panel's controls.
  QWidget* Body() const { return body_; }
  int Header_Height() const { return header_height_; }

  void Set_Caption(const QString& caption);
  QString Caption() const;

  // The panel's height while expanded, caption bar included; a collapsed panel keeps it for
  // when it opens again.
  void Set_Expanded_Height(int height);
  int Expanded_Height() const { return expanded_height_; }

  bool Collapsed() const { return collapsed_; }
  void Set_Collapsed(bool collapsed);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Apply_Height();

  int header_height_;
  int expanded_height_;
  bool collapsed_ = false;
  QToolButton* header_;
  QWidget* body_;
};

}  // namespace comm
