#include "access_ui/tree_filter_qt.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTreeView>
#include <QVBoxLayout>

#include "access/access_strings.h"
#include "text/lang_strings.h"
#include "util/qstring_qt.h"

namespace UIEC_61850_Access {

Tree_Filter_Bar::Tree_Filter_Bar(const lang::Lang_Strings& strings, QWidget* parent)
    : QWidget(parent), strings_(strings) {
  setObjectName("Tree_Filter_Bar");
  E_Tree_Filter = new QLineEdit(this);
  E_Tree_Filter->setObjectName("E_Tree_Filter");
  E_Tree_Filter->setClearButtonEnabled(true);
  CB_Tree_FC = new QComboBox(this);
  CB_Tree_FC->setObjectName("CB_Tree_FC");
  CB_Tree_FC->addItem(QString(), QString());  // "All FC", named by Set_Lang
  CB_Tree_FC->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  L_Tree_Matches = new QLabel(this);
  L_Tree_Matches->setObjectName("L_Tree_Matches");
  L_Tree_Matches->hide();

  auto* row = new QHBoxLayout;
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(E_Tree_Filter, 1);
  row->addWidget(CB_Tree_FC);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(2);
  column->addLayout(row);
  column->addWidget(L_Tree_Matches);

  connect(E_Tree_Filter, &QLineEdit::textChanged, this, &Tree_Filter_Bar::Changed);
  connect(CB_Tree_FC, &QComboBox::currentIndexChanged, this, &Tree_Filter_Bar::Changed);
  Set_Lang();
}

void Tree_Filter_Bar::Set_Lang() {
  E_Tree_Filter->setPlaceholderText(ui::Q(strings_[access_strings::Text_Filter_Placeholder]));
  E_Tree_Filter->setToolTip(ui::Q(strings_[access_strings::Text_Filter_Hint]));
  CB_Tree_FC->setToolTip(ui::Q(strings_[access_strings::Text_FC_Hint]));
  CB_Tree_FC->setItemText(0, ui::Q(strings_[access_strings::Text_FC_All]));
  Show_Count_Text();  // the count shown stays, in the new words
}

void Tree_Filter_Bar::Set_FCs(const std::vector<std::string>& fcs) {
  const QString chosen = CB_Tree_FC->currentData().toString();
  const QSignalBlocker block(CB_Tree_FC);
  CB_Tree_FC->clear();
  CB_Tree_FC->addItem(ui::Q(strings_[access_strings::Text_FC_All]), QString());
  for (const std::string& fc : fcs) {
    if (fc.empty()) continue;  // attributes without FC are found under "All FC"
    CB_Tree_FC->addItem(ui::Q(fc), ui::Q(fc));
  }
  CB_Tree_FC->setCurrentIndex(std::max(0, CB_Tree_FC->findData(chosen)));
}

std::string Tree_Filter_Bar::Text() const { return E_Tree_Filter->text().toStdString(); }

std::string Tree_Filter_Bar::FC() const {
  return CB_Tree_FC->currentData().toString().toStdString();
}

void Tree_Filter_Bar::Show_Indexing() {
  indexing_ = true;
  unavailable_.clear();
  Show_Label();
}

void Tree_Filter_Bar::Show_Unavailable(const QString& reason) {
  indexing_ = false;
  unavailable_ = reason;
  Show_Label();
}

void Tree_Filter_Bar::Show_Count(const Tree_Index::Result& result) {
  indexing_ = false;
  unavailable_.clear();
  matches_ = result.matches;
  truncated_ = result.truncated;
  Show_Label();
}

void Tree_Filter_Bar::Show_Label() {
  if (!Active()) {
    L_Tree_Matches->hide();
    return;
  }
  Show_Count_Text();
  L_Tree_Matches->show();
}

void Tree_Filter_Bar::Show_Count_Text() {
  if (!unavailable_.isEmpty())
    L_Tree_Matches->setText(
        ui::Q(strings_[access_strings::Text_Filter_Unavailable]).arg(unavailable_));
  else if (indexing_)
    L_Tree_Matches->setText(ui::Q(strings_[access_strings::Text_Filter_Indexing]));
  else if (truncated_)
    L_Tree_Matches->setText(ui::Q(strings_[access_strings::Text_Matches_Truncated])
                                .arg(matches_)
                                .arg(Max_Filter_Matches));
  else if (matches_ == 1)
    L_Tree_Matches->setText(ui::Q(strings_[access_strings::Text_One_Match]));
  else
    L_Tree_Matches->setText(ui::Q(strings_[access_strings::Text_Matches]).arg(matches_));
}

void Tree_Filter_Bar::Clear() {
  E_Tree_Filter->clear();
  CB_Tree_FC->setCurrentIndex(0);
  L_Tree_Matches->hide();
}

QString Attribute_Tooltip(const UIEC_Client_Decode::TIEC_DA& da,
                          const lang::Lang_Strings& strings) {
  return ui::Q(strings[access_strings::Text_Tooltip_Reference] + da.Reference() + "\n" +
               strings[access_strings::Text_Tooltip_FC] + da.FC() + "\n" +
               strings[access_strings::Text_Tooltip_bType] + da.bType());
}

namespace {

class Click_Anchor : public QObject {
 public:
  explicit Click_Anchor(QTreeView* tree) : QObject(tree), tree_(tree) {}

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    const auto type = event->type();
    if (type == QEvent::MouseButtonRelease && swallow_release_) {
      swallow_release_ = false;
      return true;
    }
    if (type != QEvent::MouseButtonPress) return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton) return false;
    const QModelIndex clicked = tree_->indexAt(mouse->position().toPoint());
    if (!clicked.isValid()) return false;
    const auto modifiers = mouse->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier);
    if (modifiers != Qt::ShiftModifier) {
      anchor_ = clicked;  // the view selects as usual
      return false;
    }
    const QModelIndex anchor = anchor_;
    // A node folded away since its click leaves Shift+click to the view.
    if (!anchor.isValid() || tree_->visualRect(anchor).isEmpty()) return false;
    // The nodes shown between the two, whichever comes first.
    const bool down = tree_->visualRect(anchor).top() <= tree_->visualRect(clicked).top();
    QItemSelection range;
    QModelIndex index = anchor;
    for (; index.isValid(); index = down ? tree_->indexBelow(index) : tree_->indexAbove(index)) {
      range.select(index, index);
      if (index == clicked) break;
    }
    if (index != clicked) return false;
    tree_->selectionModel()->select(range, QItemSelectionModel::ClearAndSelect);
    tree_->selectionModel()->setCurrentIndex(clicked, QItemSelectionModel::NoUpdate);
    swallow_release_ = true;
    return true;
  }

 private:
  QTreeView* tree_;
  QPersistentModelIndex anchor_;
  bool swallow_release_ = false;
};

}  // namespace

void Extend_From_Last_Click(QTreeView* tree) {
  tree->viewport()->installEventFilter(new Click_Anchor(tree));
}

}  // namespace UIEC_61850_Access
