// What changed between two revisions of one server's model: the leaf attributes (by reference,
// with bType and fc) and the data sets (by reference, with their members) added, removed or
// changed. `rq30517-cli diff-scl` prints it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "scl/scl_model.h"

namespace UIEC_Client_Decode {

// A leaf attribute of a model (an attribute without sub attributes).
struct Diff_Attribute {
  std::string reference, bType, fc;
  bool operator==(const Diff_Attribute&) const = default;
};

// A leaf attribute whose reference both revisions have, with another bType or fc.
struct Diff_Change {
  std::string reference;
  Diff_Attribute from, to;
  bool operator==(const Diff_Change&) const = default;
};

// A member added to or removed from a data set both revisions have.
struct Diff_Member {
  std::string data_set;   // the data set's reference
  std::string reference;  // the member attribute's reference
  std::string fc;
  bool operator==(const Diff_Member&) const = default;
};

// A data set both revisions have whose members, those in both, stand in another order.
struct Diff_Reorder {
  std::string reference;
  std::vector<std::string> from, to;  // the member references of each revision, in order
  bool operator==(const Diff_Reorder&) const = default;
};

struct Scl_Diff {
  // Attributes: removed and changed in the old model's order, added in the new one's. A
  // reference met twice in a model counts once, with its first attribute.
  std::vector<Diff_Attribute> added, removed;
  std::vector<Diff_Change> changed;
  // Data sets by reference, in each model's order.
  std::vector<std::string> data_sets_added, data_sets_removed;
  // Members of data sets in both: an attribute that is a member n times in one revision and m
  // times in the other is |n-m| times added or removed.
  std::vector<Diff_Member> members_added, members_removed;
  std::vector<Diff_Reorder> reordered;

  bool Empty() const {
    return added.empty() && removed.empty() && changed.empty() && data_sets_added.empty() &&
           data_sets_removed.empty() && members_added.empty() && members_removed.empty() &&
           reordered.empty();
  }
};

// What the comparison needs of the older model, a fraction of its size: each leaf attribute's
// reference (the start it shares with the reference before it kept once), hash, bType and fc,
// and each data set's reference and members. The model can be released once it is made, before
// the newer one is imported, so the two models are never in memory together.
class Diff_Summary {
 public:
  explicit Diff_Summary(const TIEC_Device& model);
  ~Diff_Summary();
  Diff_Summary(Diff_Summary&&) noexcept;
  Diff_Summary& operator=(Diff_Summary&&) noexcept;
  struct Data;
  std::unique_ptr<Data> data;
};

// The changes from `old_model` to `new_model`.
Scl_Diff Diff_Models(const TIEC_Device& old_model, const TIEC_Device& new_model);
// The same from the summary of the older model.
Scl_Diff Diff_Models(const Diff_Summary& old_model, const TIEC_Device& new_model);

}  // namespace UIEC_Client_Decode
