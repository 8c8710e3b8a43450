// The access editor's tree as an item model over one server's SCL model (the Qt-free scl
// objects). Each node points at the model object it shows and is made only when the view first
// needs it: the server, its logical devices and nodes and the nodes' data objects and data sets
// at once, what lies below a data object when that object is first expanded (fetchMore). A
// server of hundreds of thousands of attributes therefore shows at once, and no node exists for
// an attribute nobody unfolded. In filter mode it shows the nodes of a filter's result (the
// matches and their ancestors), nothing below them.
//
// The model never reads or imports anything: the server's model, and the filter's index and
// result, are handed in ready-made, and stay alive while they are shown.
#pragma once

#include <QAbstractItemModel>
#include <memory>
#include <vector>

#include "scl/scl_model.h"
#include "scl/tree_filter.h"
#include "text/lang_strings.h"

namespace UIEC_61850_Access {

class Device_Tree_Model : public QAbstractItemModel {
  Q_OBJECT

 public:
  // The texts of data set nodes come from `strings`, which outlives the model.
  explicit Device_Tree_Model(const lang::Lang_Strings& strings, QObject* parent = nullptr);
  ~Device_Tree_Model() override;

  // The whole tree of `device`, its first levels made at once.
  void Show_Device(UIEC_Client_Decode::TIEC_Device& device);
  // The nodes of `result`, a filter of `index` (the index of `device`), in tree order; the
  // matching ones are marked (Matched_Role).
  void Show_Filtered(UIEC_Client_Decode::TIEC_Device& device, const Tree_Index& index,
                     const Tree_Index::Result& result);
  // No tree: nothing points into any model any more.
  void Clear();

  // The server shown; null when the tree is empty.
  UIEC_Client_Decode::TIEC_Device* Device() const { return device_; }
  bool Filtered() const { return filtered_; }
  // The object a node shows; null for an invalid index.
  UIEC_Client_Decode::TIEC_Object* Object_At(const QModelIndex& index) const;
  Node_Kind Kind_At(const QModelIndex& index) const;
  // The nodes made so far (the server's included).
  size_t Node_Count() const { return node_count_; }
  // The index of the node at `path` (rows from the server's node, which is {0}); invalid where a
  // step is missing or not made yet.
  QModelIndex Index_At(const std::vector<int>& path) const;
  // Whether `a` comes before `b` in the tree's order (a node before its children).
  static bool Before(const QModelIndex& a, const QModelIndex& b);

  // A matching node of a filtered tree: true.
  static constexpr int Matched_Role = Qt::UserRole + 1;

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  bool hasChildren(const QModelIndex& parent = {}) const override;
  bool canFetchMore(const QModelIndex& parent) const override;
  void fetchMore(const QModelIndex& parent) override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  struct Node;
  Node* Node_Of(const QModelIndex& index) const;
  Node* Add_Child(Node& parent, UIEC_Client_Decode::TIEC_Object& object, Node_Kind kind);
  // The children of `node` from the model (unfiltered tree), made once.
  void Make_Children(Node& node);
  QString Text_Of(const Node& node) const;

  const lang::Lang_Strings& strings_;
  UIEC_Client_Decode::TIEC_Device* device_ = nullptr;
  std::unique_ptr<Node> root_;  // holds the server's node; null when the tree is empty
  bool filtered_ = false;
  size_t node_count_ = 0;
};

}  // namespace UIEC_61850_Access
