// The filter of the access editor's tree: which nodes of one server's tree to show for a search
// text and a functional constraint. The server's nodes are indexed once, in the tree's order,
// with their references folded to lower case, so that each keystroke is one pass over flat
// memory however large the server.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "scl/scl_model.h"
#include "util/progress.h"

namespace UIEC_61850_Access {

using UIEC_Client_Decode::TIEC_Object;

// The kinds of tree node, numbered as the tree's images.
enum class Node_Kind : uint8_t { Server, LDevice, LN, DO, DA, DataSet };

class Tree_Index {
 public:
  // One node of the tree, in the tree's order (a node, then its children).
  struct Entry {
    TIEC_Object* object;
    int32_t parent;  // index of the parent entry; -1 for the server
    Node_Kind kind;
    bool leaf;        // an attribute without sub attributes
    uint16_t fc;      // attributes: index of their FC in FCs()
    size_t ref_from;  // the lower-case reference: folded_[ref_from, ref_from + ref_size)
    uint32_t ref_size;
  };
  // References are compared by their last this many bytes at most: far more than any real
  // reference, and it keeps a server whose data types nest thousands of levels deep from
  // needing the square of its depth here.
  static constexpr size_t Max_Reference = 512;

  Tree_Index() = default;
  // `progress` (may be null) follows the indexing (Text_Indexing_Tree, counting nodes) and can
  // stop it (util::Cancelled). It only reads the model, so a worker thread may build the index
  // while nothing changes the model.
  explicit Tree_Index(const UIEC_Client_Decode::TIEC_Device& device,
                      util::Progress* progress = nullptr);

  const std::vector<Entry>& Entries() const { return entries_; }
  // The reference of entry `i` as the filter compares it (lower case).
  std::string_view Folded_Reference(size_t i) const;
  // Every functional constraint of the server's attributes, sorted, each once.
  const std::vector<std::string>& FCs() const { return fcs_; }

  struct Result {
    std::vector<int32_t> shown;  // indices of the entries to show, in tree order
    std::vector<bool> matched;   // per entry of `shown`: the node itself matches
    size_t matches = 0;          // every matching node, also those beyond the limit
    bool truncated = false;      // more than `max_matches` nodes match
  };
  // The nodes to show for `text` (compared without letter case with each node's name and
  // reference) and `fc` (empty: any): the matching nodes with their ancestors. A leaf attribute
  // matches only with that FC; other nodes match by text alone. With both empty, nothing
  // matches (the unfiltered tree is shown instead). At most `max_matches` matching nodes are
  // returned, the first in tree order.
  Result Filter(std::string_view text, std::string_view fc, size_t max_matches) const;

 private:
  struct Builder;  // the walk over the model that fills the index
  void Add(TIEC_Object* object, int32_t parent, Node_Kind kind, bool leaf, uint16_t fc,
           std::string_view reference);
  uint16_t FC_Id(const std::string& fc);

  std::vector<Entry> entries_;
  std::string folded_;  // every reference in lower case, one after another
  std::vector<std::string> fcs_;
};

// The text of the node for `entry` in the tree.
std::string Node_Text(const Tree_Index::Entry& entry);

// `text` with ASCII letters in lower case (references are ASCII; other bytes are kept).
std::string Fold_Case(std::string_view text);

}  // namespace UIEC_61850_Access
