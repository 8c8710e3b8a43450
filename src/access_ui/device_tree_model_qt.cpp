#include "access_ui/device_tree_model_qt.h"

#include <QColor>
#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "access/access_strings.h"
#include "access_ui/tree_filter_qt.h"
#include "util/qstring_qt.h"

namespace UIEC_61850_Access {

using ui::Q;
using UIEC_Client_Decode::TIEC_DA;
using UIEC_Client_Decode::TIEC_DataSet;
using UIEC_Client_Decode::TIEC_Device;
using UIEC_Client_Decode::TIEC_DO;
using UIEC_Client_Decode::TIEC_LDevice;
using UIEC_Client_Decode::TIEC_LN;
using UIEC_Client_Decode::TIEC_Object;

struct Device_Tree_Model::Node {
  TIEC_Object* object = nullptr;
  Node* parent = nullptr;
  int row = 0;  // among the parent's children
  Node_Kind kind = Node_Kind::Server;
  bool matched = false;
  bool made = false;  // the children exist (always, in a filtered tree)
  std::vector<std::unique_ptr<Node>> children;
};

namespace {

const QColor Match_Background(0xFF, 0xEB, 0x80);

// The six tree icons, drawn once, in the order of Node_Kind: server, logical device, logical
// node, data object, attribute, data set.
const QIcon& Tree_Icon(Node_Kind kind) {
  static const std::vector<QIcon> icons = [] {
    std::vector<QIcon> list;
    for (int i = 0; i <= static_cast<int>(Node_Kind::DataSet); ++i) {
      QPixmap pixmap(16, 16);
      pixmap.fill(Qt::transparent);
      QPainter p(&pixmap);
      p.setRenderHint(QPainter::Antialiasing);
      switch (static_cast<Node_Kind>(i)) {
        case Node_Kind::Server:  // a rack with two units
          p.setPen(QColor(0x30, 0x30, 0x30));
          p.setBrush(QColor(0x70, 0x78, 0x80));
          p.drawRoundedRect(QRectF(2.5, 1.5, 11, 13), 1.5, 1.5);
          p.setPen(QColor(0xD0, 0xD8, 0xE0));
          p.drawLine(QPointF(4.5, 5.5), QPointF(11.5, 5.5));
          p.drawLine(QPointF(4.5, 9.5), QPointF(11.5, 9.5));
          p.setPen(Qt::NoPen);
          p.setBrush(QColor(0x40, 0xE0, 0x40));
          p.drawEllipse(QPointF(5, 12.3), 1, 1);
          break;
        case Node_Kind::LDevice:  // a folder
          p.setPen(QColor(0x8A, 0x6A, 0x10));
          p.setBrush(QColor(0xF2, 0xC9, 0x4C));
          p.drawRect(QRectF(1.5, 4.5, 13, 9));
          p.drawRect(QRectF(1.5, 2.5, 5, 2));
          break;
        case Node_Kind::LN:  // a small block with a port on each side
          p.setPen(QColor(0x60, 0x30, 0x80));
          p.setBrush(QColor(0xB0, 0x90, 0xD8));
          p.drawRect(QRectF(3.5, 3.5, 9, 9));
          p.drawLine(QPointF(0.5, 8), QPointF(3.5, 8));
          p.drawLine(QPointF(12.5, 8), QPointF(15.5, 8));
          break;
        case Node_Kind::DO:  // a blue ball
          p.setPen(QColor(0x10, 0x30, 0x90));
          p.setBrush(QColor(0x40, 0x70, 0xE0));
          p.drawEllipse(QRectF(2.5, 2.5, 11, 11));
          break;
        case Node_Kind::DA: {  // a grey diamond
          QPainterPath path;
          path.moveTo(8, 2);
          path.lineTo(14, 8);
          path.lineTo(8, 14);
          path.lineTo(2, 8);
          path.closeSubpath();
          p.setPen(QColor(0x40, 0x40, 0x40));
          p.setBrush(QColor(0xC8, 0xC8, 0xC8));
          p.drawPath(path);
          break;
        }
        case Node_Kind::DataSet:  // a green list
          p.setPen(QColor(0x10, 0x60, 0x20));
          p.setBrush(QColor(0xC8, 0xF0, 0xC8));
          p.drawRect(QRectF(2.5, 1.5, 11, 13));
          for (double y : {5.0, 8.0, 11.0}) p.drawLine(QPointF(4.5, y), QPointF(11.5, y));
          break;
      }
      list.emplace_back(pixmap);
    }
    return list;
  }();
  return icons[static_cast<size_t>(kind)];
}

// Whether the model has objects below `object` that an unfiltered tree shows as its children.
bool Has_Model_Children(const TIEC_Object& object, Node_Kind kind) {
  switch (kind) {
    case Node_Kind::Server:
      return !static_cast<const TIEC_Device&>(object).List_LDevice.empty();
    case Node_Kind::LDevice:
      return !static_cast<const TIEC_LDevice&>(object).List_LN.empty();
    case Node_Kind::LN: {
      const auto& ln = static_cast<const TIEC_LN&>(object);
      return !ln.List_DO.empty() || !ln.List_DataSet.empty();
    }
    case Node_Kind::DO: {
      const auto& data_object = static_cast<const TIEC_DO&>(object);
      return !data_object.List_DO.empty() || !data_object.List_DA.empty();
    }
    case Node_Kind::DA:
      return !static_cast<const TIEC_DA&>(object).List_DA.empty();
    case Node_Kind::DataSet:
      return false;
  }
  return false;
}

}  // namespace

Device_Tree_Model::Device_Tree_Model(const lang::Lang_Strings& strings, QObject* parent)
    : QAbstractItemModel(parent), strings_(strings) {}

Device_Tree_Model::~Device_Tree_Model() = default;

Device_Tree_Model::Node* Device_Tree_Model::Add_Child(Node& parent, TIEC_Object& object,
                                                      Node_Kind kind) {
  auto node = std::make_unique<Node>();
  node->object = &object;
  node->parent = &parent;
  node->row = static_cast<int>(parent.children.size());
  node->kind = kind;
  node->made = !Has_Model_Children(object, kind);
  parent.children.push_back(std::move(node));
  ++node_count_;
  return parent.children.back().get();
}

void Device_Tree_Model::Make_Children(Node& node) {
  if (node.made) return;
  node.made = true;
  switch (node.kind) {
    case Node_Kind::Server:
      for (TIEC_LDevice* ld : static_cast<TIEC_Device*>(node.object)->List_LDevice)
        Add_Child(node, *ld, Node_Kind::LDevice);
      break;
    case Node_Kind::LDevice:
      for (TIEC_LN* ln : static_cast<TIEC_LDevice*>(node.object)->List_LN)
        Add_Child(node, *ln, Node_Kind::LN);
      break;
    case Node_Kind::LN: {
      auto* ln = static_cast<TIEC_LN*>(node.object);
      for (TIEC_DO* data_object : ln->List_DO) Add_Child(node, *data_object, Node_Kind::DO);
      for (TIEC_DataSet* data_set : ln->List_DataSet)
        Add_Child(node, *data_set, Node_Kind::DataSet);
      break;
    }
    case Node_Kind::DO: {
      auto* data_object = static_cast<TIEC_DO*>(node.object);
      for (TIEC_DO* sub : data_object->List_DO) Add_Child(node, *sub, Node_Kind::DO);
      for (TIEC_DA* da : data_object->List_DA) Add_Child(node, *da, Node_Kind::DA);
      break;
    }
    case Node_Kind::DA:
      for (TIEC_DA* sub : static_cast<TIEC_DA*>(node.object)->List_DA)
        Add_Child(node, *sub, Node_Kind::DA);
      break;
    case Node_Kind::DataSet:
      break;
  }
}

void Device_Tree_Model::Show_Device(TIEC_Device& device) {
  beginResetModel();
  root_ = std::make_unique<Node>();
  root_->made = true;
  node_count_ = 0;
  device_ = &device;
  filtered_ = false;
  // The server, its logical devices and nodes, and the nodes' data objects and data sets: what
  // the view shows unfolded at first.
  Node* server = Add_Child(*root_, device, Node_Kind::Server);
  Make_Children(*server);
  for (const auto& ld : server->children) {
    Make_Children(*ld);
    for (const auto& ln : ld->children) Make_Children(*ln);
  }
  endResetModel();
}

void Device_Tree_Model::Show_Filtered(TIEC_Device& device, const Tree_Index& index,
                                      const Tree_Index::Result& result) {
  beginResetModel();
  root_ = std::make_unique<Node>();
  root_->made = true;
  node_count_ = 0;
  device_ = &device;
  filtered_ = true;
  const auto& entries = index.Entries();
  // The node of each shown entry, by entry index; a parent always comes before its children.
  std::vector<Node*> nodes(entries.size(), nullptr);
  for (size_t k = 0; k < result.shown.size(); ++k) {
    const auto i = static_cast<size_t>(result.shown[k]);
    const Tree_Index::Entry& entry = entries[i];
    Node* parent = entry.parent >= 0 ? nodes[static_cast<size_t>(entry.parent)] : root_.get();
    if (parent == nullptr) continue;  // never: the result holds every ancestor of a match
    Node* node = Add_Child(*parent, *entry.object, entry.kind);
    node->made = true;  // nothing below a node but the nodes shown
    node->matched = result.matched[k];
    nodes[i] = node;
  }
  endResetModel();
}

void Device_Tree_Model::Clear() {
  beginResetModel();
  root_.reset();
  device_ = nullptr;
  filtered_ = false;
  node_count_ = 0;
  endResetModel();
}

Device_Tree_Model::Node* Device_Tree_Model::Node_Of(const QModelIndex& index) const {
  if (!index.isValid()) return root_.get();
  return static_cast<Node*>(index.internalPointer());
}

TIEC_Object* Device_Tree_Model::Object_At(const QModelIndex& index) const {
  return index.isValid() ? Node_Of(index)->object : nullptr;
}

Node_Kind Device_Tree_Model::Kind_At(const QModelIndex& index) const {
  return index.isValid() ? Node_Of(index)->kind : Node_Kind::Server;
}

QModelIndex Device_Tree_Model::Index_At(const std::vector<int>& path) const {
  QModelIndex at;
  for (int row : path) {
    at = index(row, 0, at);
    if (!at.isValid()) return {};
  }
  return at;
}

bool Device_Tree_Model::Before(const QModelIndex& a, const QModelIndex& b) {
  auto path = [](QModelIndex index) {
    std::vector<int> rows;
    for (; index.isValid(); index = index.parent()) rows.push_back(index.row());
    return std::vector<int>(rows.rbegin(), rows.rend());
  };
  return path(a) < path(b);
}

QModelIndex Device_Tree_Model::index(int row, int column, const QModelIndex& parent) const {
  const Node* node = Node_Of(parent);
  if (node == nullptr || column != 0 || row < 0 || row >= static_cast<int>(node->children.size()))
    return {};
  return createIndex(row, 0, node->children[static_cast<size_t>(row)].get());
}

QModelIndex Device_Tree_Model::parent(const QModelIndex& child) const {
  if (!child.isValid()) return {};
  const Node* parent = Node_Of(child)->parent;
  if (parent == nullptr || parent == root_.get()) return {};
  return createIndex(parent->row, 0, const_cast<Node*>(parent));
}

int Device_Tree_Model::rowCount(const QModelIndex& parent) const {
  const Node* node = Node_Of(parent);
  return node == nullptr ? 0 : static_cast<int>(node->children.size());
}

int Device_Tree_Model::columnCount(const QModelIndex&) const { return 1; }

bool Device_Tree_Model::hasChildren(const QModelIndex& parent) const {
  const Node* node = Node_Of(parent);
  if (node == nullptr) return false;
  return node->made ? !node->children.empty() : Has_Model_Children(*node->object, node->kind);
}

bool Device_Tree_Model::canFetchMore(const QModelIndex& parent) const {
  const Node* node = Node_Of(parent);
  return node != nullptr && !node->made;
}

void Device_Tree_Model::fetchMore(const QModelIndex& parent) {
  Node* node = Node_Of(parent);
  if (node == nullptr || node->made) return;
  // Counted first so that the rows announced are the rows made.
  Node probe;
  probe.object = node->object;
  probe.kind = node->kind;
  const size_t before = node_count_;
  Make_Children(probe);
  node_count_ = before;
  if (probe.children.empty()) {
    node->made = true;
    return;
  }
  beginInsertRows(parent, 0, static_cast<int>(probe.children.size()) - 1);
  for (auto& child : probe.children) child->parent = node;
  node->children = std::move(probe.children);
  node->made = true;
  node_count_ += node->children.size();
  endInsertRows();
}

QString Device_Tree_Model::Text_Of(const Node& node) const {
  if (node.kind != Node_Kind::DataSet || filtered_)
    return Q(Node_Text({node.object, -1, node.kind, false, 0, 0, 0}));
  // The member count shows a data set with FCDAs that name nothing before it is added.
  const auto& data_set = *static_cast<const TIEC_DataSet*>(node.object);
  const size_t members = data_set.List_DA.size();
  const size_t unresolved = data_set.FCDA_Count() > members ? data_set.FCDA_Count() - members : 0;
  if (unresolved > 0)
    return QString(Q(strings_[access_strings::Text_Tree_Data_Set_Unresolved]))
        .arg(Q(data_set.Name()))
        .arg(members)
        .arg(unresolved);
  return QString(Q(strings_[access_strings::Text_Tree_Data_Set_Members]))
      .arg(Q(data_set.Name()))
      .arg(members);
}

QVariant Device_Tree_Model::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const Node& node = *Node_Of(index);
  switch (role) {
    case Qt::DisplayRole:
      return Text_Of(node);
    case Qt::DecorationRole:
      return Tree_Icon(node.kind);
    case Qt::ForegroundRole:
      if (node.kind == Node_Kind::DO) return QColor(Qt::blue);
      if (node.kind == Node_Kind::DataSet) return QColor(0x00, 0x80, 0x00);
      return {};
    case Qt::BackgroundRole:
      return node.matched ? QVariant(Match_Background) : QVariant();
    case Qt::ToolTipRole:
      if (node.kind == Node_Kind::DA)
        return Attribute_Tooltip(*static_cast<const TIEC_DA*>(node.object), strings_);
      return {};
    case Matched_Role:
      return node.matched;
    default:
      return {};
  }
}

Qt::ItemFlags Device_Tree_Model::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

}  // namespace UIEC_61850_Access
