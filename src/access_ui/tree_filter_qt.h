// The search box and functional-constraint filter above the access editor's tree (tree_filter.h
// decides which nodes a filter shows), and the tree's selection by clicks.
#pragma once

#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "scl/tree_filter.h"
#include "text/lang_strings.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QTreeView;
class QModelIndex;

namespace UIEC_61850_Access {

// At most this many matching nodes are put into the tree: more would take longer to show than
// a keystroke should, and nobody reads them; the count says how many there are.
inline constexpr size_t Max_Filter_Matches = 2000;

class Tree_Filter_Bar : public QWidget {
  Q_OBJECT

 public:
  // Its texts come from `strings`, which outlives it.
  Tree_Filter_Bar(const lang::Lang_Strings& strings, QWidget* parent);
  // Takes the texts from the strings again (after a change of language).
  void Set_Lang();

  // The FCs offered besides "All FC"; the one chosen stays chosen when it is offered again.
  void Set_FCs(const std::vector<std::string>& fcs);
  std::string Text() const;
  std::string FC() const;  // empty: all
  bool Active() const { return !Text().empty() || !FC().empty(); }
  // Shows how many nodes matched; hidden while the filter is not active.
  void Show_Count(const Tree_Index::Result& result);
  // Says that the server's filter index is still being made (while the filter is active).
  void Show_Indexing();
  // Says that the server's tree cannot be filtered, and why (its index could not be made).
  void Show_Unavailable(const QString& reason);
  // Empties the text, takes "All FC" and hides the count.
  void Clear();

  QLineEdit* E_Tree_Filter;
  QComboBox* CB_Tree_FC;
  QLabel* L_Tree_Matches;

 signals:
  void Changed();

 private:
  void Show_Label();  // the label with Show_Count_Text, shown while the filter is active
  void Show_Count_Text();

  const lang::Lang_Strings& strings_;
  bool indexing_ = false;  // the index is not there yet: no count
  QString unavailable_;    // why there is no index; empty: there is one, or it is coming
  size_t matches_ = 0;     // of the count shown
  bool truncated_ = false;
};

// The tooltip of an attribute node: its reference, FC and bType.
QString Attribute_Tooltip(const UIEC_Client_Decode::TIEC_DA& da, const lang::Lang_Strings& strings);

// Makes Shift+click in `tree` select the nodes from the node last clicked (without Shift) to the
// node clicked, in the order shown, even where the keyboard moved the current node in between:
// paging down through a long filtered tree to the end of a range then takes one Shift+click.
void Extend_From_Last_Click(QTreeView* tree);

}  // namespace UIEC_61850_Access
