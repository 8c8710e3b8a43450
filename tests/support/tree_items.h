// The access editor's tree (a QTreeView over Device_Tree_Model) seen node by node, as a person
// sees it: a node's text, colours, whether it is unfolded or selected, its children as far as
// the view has made them. Tree_Item reads like a tree item (item->text(0), item->child(0)) so
// that tests read the tree as they would read any other.
#pragma once

#include <QAbstractItemModel>
#include <QBrush>
#include <QItemSelectionModel>
#include <QTreeView>
#include <cstddef>
#include <functional>
#include <vector>

namespace test {

class Tree_Item {
 public:
  Tree_Item() = default;
  Tree_Item(std::nullptr_t) {}
  Tree_Item(QTreeView* tree, const QModelIndex& index) : tree_(tree), index_(index) {}

  Tree_Item* operator->() { return this; }
  const Tree_Item* operator->() const { return this; }
  explicit operator bool() const { return index_.isValid(); }
  bool operator==(std::nullptr_t) const { return !index_.isValid(); }
  bool operator!=(std::nullptr_t) const { return index_.isValid(); }
  bool operator==(const Tree_Item& other) const { return index_ == other.index_; }
  bool operator!=(const Tree_Item& other) const { return index_ != other.index_; }

  QString text(int = 0) const { return index_.data(Qt::DisplayRole).toString(); }
  QString toolTip(int = 0) const { return index_.data(Qt::ToolTipRole).toString(); }
  QBrush foreground(int = 0) const { return Brush(Qt::ForegroundRole); }
  QBrush background(int = 0) const { return Brush(Qt::BackgroundRole); }
  int childCount() const { return index_.isValid() ? index_.model()->rowCount(index_) : 0; }
  Tree_Item child(int row) const {
    return index_.isValid() ? Tree_Item(tree_, index_.model()->index(row, 0, index_)) : Tree_Item();
  }
  Tree_Item parent() const { return Tree_Item(tree_, index_.parent()); }
  bool isExpanded() const { return tree_->isExpanded(index_); }
  // Unfolds or folds the node as its arrow does; the view makes the children it shows.
  void setExpanded(bool on) const {
    tree_->setExpanded(index_, on);
    tree_->doItemsLayout();
  }
  bool isSelected() const { return tree_->selectionModel()->isSelected(index_); }
  const QModelIndex& index() const { return index_; }

 private:
  QBrush Brush(int role) const {
    const QVariant value = index_.data(role);
    if (value.typeId() == QMetaType::QColor) return QBrush(value.value<QColor>());
    return value.canConvert<QBrush>() ? value.value<QBrush>() : QBrush();
  }

  QTreeView* tree_ = nullptr;
  QModelIndex index_;
};

inline int Top_Count(QTreeView* tree) { return tree->model()->rowCount(); }
inline Tree_Item Top(QTreeView* tree, int row = 0) {
  return Tree_Item(tree, tree->model()->index(row, 0));
}

// Every node the tree has made, in tree order (a node, then its children).
inline std::vector<Tree_Item> All_Items(QTreeView* tree) {
  std::vector<Tree_Item> items;
  std::function<void(const QModelIndex&)> walk = [&](const QModelIndex& parent) {
    for (int r = 0; r < tree->model()->rowCount(parent); ++r) {
      const QModelIndex index = tree->model()->index(r, 0, parent);
      items.emplace_back(tree, index);
      walk(index);
    }
  };
  walk(QModelIndex());
  return items;
}

// The nodes made so far whose text is `text`, in tree order.
inline std::vector<Tree_Item> Find_Items(QTreeView* tree, const QString& text) {
  std::vector<Tree_Item> found;
  for (const Tree_Item& item : All_Items(tree))
    if (item.text() == text) found.push_back(item);
  return found;
}

}  // namespace test
