#include "scl/tree_filter.h"

#include <algorithm>
#include <limits>
#include <map>

#include "scl/model_walk.h"
#include "scl/scl_strings.h"

namespace UIEC_61850_Access {

using namespace UIEC_Client_Decode;

std::string Fold_Case(std::string_view text) {
  std::string folded(text);
  for (char& c : folded)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return folded;
}

std::string Node_Text(const Tree_Index::Entry& entry) {
  switch (entry.kind) {
    case Node_Kind::Server:
      return static_cast<const TIEC_Device*>(entry.object)->Name();
    case Node_Kind::LDevice:
      return static_cast<const TIEC_LDevice*>(entry.object)->Name();
    case Node_Kind::LN: {
      const auto* ln = static_cast<const TIEC_LN*>(entry.object);
      return ln->Prefix() + ln->lnClass() + ln->Inst();
    }
    case Node_Kind::DO:
      return static_cast<const TIEC_DO*>(entry.object)->Name();
    case Node_Kind::DA:
      return static_cast<const TIEC_DA*>(entry.object)->Name();
    case Node_Kind::DataSet:
      return static_cast<const TIEC_DataSet*>(entry.object)->Name();
  }
  return {};
}

uint16_t Tree_Index::FC_Id(const std::string& fc) {
  auto found = std::find(fcs_.begin(), fcs_.end(), fc);
  if (found != fcs_.end()) return static_cast<uint16_t>(found - fcs_.begin());
  // A file with more distinct constraints than this is not a real server; the rest share one.
  if (fcs_.size() == std::numeric_limits<uint16_t>::max())
    return static_cast<uint16_t>(fcs_.size() - 1);
  fcs_.push_back(fc);
  return static_cast<uint16_t>(fcs_.size() - 1);
}

void Tree_Index::Add(TIEC_Object* object, int32_t parent, Node_Kind kind, bool leaf, uint16_t fc,
                     std::string_view reference) {
  if (reference.size() > Max_Reference)
    reference = reference.substr(reference.size() - Max_Reference);
  const size_t from = folded_.size();
  folded_.append(reference);
  for (size_t i = from; i < folded_.size(); ++i)
    if (folded_[i] >= 'A' && folded_[i] <= 'Z')
      folded_[i] = static_cast<char>(folded_[i] - 'A' + 'a');
  folded_.push_back('\0');  // no match runs from one reference into the next
  entries_.push_back(
      {object, parent, kind, leaf, fc, from, static_cast<uint32_t>(reference.size())});
}

// Adds each object of the walk with its parent's entry and its reference. The references of
// the containers are built in `reference`, each ancestor's a prefix of it.
struct Tree_Index::Builder : Model_Visitor {
  using Model_Visitor::Enter;
  struct Parent {
    int32_t entry;
    size_t reference_length;  // the parent's reference: this much of `reference`
  };

  Builder(Tree_Index& target, util::Progress* progress) : index(target), steps(progress) {}

  bool Enter(const TIEC_Device& device, size_t) {
    reference = device.Name();
    Add(const_cast<TIEC_Device*>(&device), Node_Kind::Server, false, 0, reference);
    return true;
  }
  bool Enter(TIEC_LDevice& ld, size_t) {
    return Add_Container(&ld, Node_Kind::LDevice, "", ld.Name());
  }
  bool Enter(TIEC_LN& ln, size_t) {
    return Add_Container(&ln, Node_Kind::LN, "/", ln.Prefix() + ln.lnClass() + ln.Inst());
  }
  bool Enter(TIEC_DO& dobj, size_t) {
    return Add_Container(&dobj, Node_Kind::DO, ".", dobj.Name());
  }
  bool Enter(TIEC_DA& da, size_t) {
    Add(&da, Node_Kind::DA, da.List_DA.empty(), index.FC_Id(da.FC()), da.Reference());
    return true;
  }
  bool Enter(TIEC_DataSet& data_set, size_t) {
    steps.Step();
    index.Add(&data_set, parents.back().entry, Node_Kind::DataSet, false, 0, data_set.Reference());
    return false;
  }
  template <typename T>
  void Leave(T&) {
    parents.pop_back();
  }

  // Adds a logical device, node or data object, whose reference is its parent's followed by
  // `separator` and `name`.
  bool Add_Container(TIEC_Object* object, Node_Kind kind, std::string_view separator,
                     std::string_view name) {
    reference.resize(parents.back().reference_length);
    reference.append(separator).append(name);
    Add(object, kind, false, 0, reference);
    return true;
  }
  // Adds the entry of `object`, which then is the parent of what the walk enters next.
  void Add(TIEC_Object* object, Node_Kind kind, bool leaf, uint16_t fc,
           std::string_view object_reference) {
    steps.Step();
    const auto entry = static_cast<int32_t>(index.entries_.size());
    index.Add(object, parents.empty() ? -1 : parents.back().entry, kind, leaf, fc,
              object_reference);
    parents.push_back({entry, reference.size()});
  }

  Tree_Index& index;
  util::Progress_Steps steps;
  std::vector<Parent> parents;
  std::string reference;
};

Tree_Index::Tree_Index(const TIEC_Device& device, util::Progress* progress) {
  util::Start(progress, scl_strings::Text_Indexing_Tree, 0);
  // Data types may nest deep: the walk keeps its own stack.
  Builder builder(*this, progress);
  Walk_Model(device, builder);
  builder.steps.Flush();
  // Attributes keep the index of their FC in the table sorted for the user.
  std::vector<std::string> sorted = fcs_;
  std::sort(sorted.begin(), sorted.end());
  sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
  std::vector<uint16_t> renumber(fcs_.size());
  for (size_t i = 0; i < fcs_.size(); ++i)
    renumber[i] = static_cast<uint16_t>(std::lower_bound(sorted.begin(), sorted.end(), fcs_[i]) -
                                        sorted.begin());
  for (Entry& entry : entries_)
    if (entry.kind == Node_Kind::DA) entry.fc = renumber[entry.fc];
  fcs_ = std::move(sorted);
}

std::string_view Tree_Index::Folded_Reference(size_t i) const {
  const Entry& entry = entries_.at(i);
  return std::string_view(folded_).substr(entry.ref_from, entry.ref_size);
}

Tree_Index::Result Tree_Index::Filter(std::string_view text, std::string_view fc,
                                      size_t max_matches) const {
  Result result;
  if ((text.empty() && fc.empty()) || entries_.empty()) return result;
  int wanted_fc = -1;  // -1: any
  if (!fc.empty()) {
    auto found = std::lower_bound(fcs_.begin(), fcs_.end(), fc);
    if (found == fcs_.end() || *found != fc) return result;  // no attribute has it
    wanted_fc = static_cast<int>(found - fcs_.begin());
  }
  const std::string needle = Fold_Case(text);
  if (needle.find('\0') != std::string::npos) return result;  // no reference holds one
  const std::string_view all(folded_);
  // 1: shown as an ancestor, 2: matches.
  std::vector<uint8_t> mark(entries_.size(), 0);
  auto passes_fc = [&](const Entry& entry) {
    if (entry.kind == Node_Kind::DA && entry.leaf) return wanted_fc < 0 || entry.fc == wanted_fc;
    return !needle.empty();  // without a text only the leaf attributes of the FC match
  };
  auto take = [&](size_t i) {
    ++result.matches;
    if (result.matches > max_matches) {
      result.truncated = true;
      return;
    }
    mark[i] = 2;
    for (int32_t p = entries_[i].parent; p >= 0 && mark[static_cast<size_t>(p)] == 0;
         p = entries_[static_cast<size_t>(p)].parent)
      mark[static_cast<size_t>(p)] = 1;
  };
  if (needle.empty()) {
    for (size_t i = 0; i < entries_.size(); ++i)
      if (passes_fc(entries_[i])) take(i);
  } else {
    // One search through all references; each hit is mapped to the entry it falls in, whose
    // rest is then skipped. References are stored in entry order.
    size_t i = 0;
    size_t at = all.find(needle);
    while (at != std::string_view::npos) {
      while (entries_[i].ref_from + entries_[i].ref_size < at + needle.size()) ++i;
      const Entry& entry = entries_[i];
      if (at >= entry.ref_from && passes_fc(entry)) take(i);
      if (++i == entries_.size()) break;
      at = all.find(needle, entries_[i].ref_from);
    }
  }
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (mark[i] == 0) continue;
    result.shown.push_back(static_cast<int32_t>(i));
    result.matched.push_back(mark[i] == 2);
  }
  return result;
}

}  // namespace UIEC_61850_Access
