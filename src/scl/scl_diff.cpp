#include "scl/scl_diff.h"

#include <map>
#include <type_traits>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace UIEC_Client_Decode {

namespace {

// The leaf attributes of a model in its order, each reference once.
struct Leaves {
  std::vector<Diff_Attribute> list;
  std::unordered_map<std::string, size_t> by_reference;
};

Leaves Leaves_Of(const TIEC_Device& device) {
  Leaves leaves;
  For_Each_Object(device, [&](auto& object) {
    if constexpr (std::is_same_v<std::remove_cvref_t<decltype(object)>, TIEC_DA>) {
      if (!object.List_DA.empty()) return;
      std::string reference = object.Reference();
      if (leaves.by_reference.count(reference)) return;
      leaves.by_reference.emplace(reference, leaves.list.size());
      leaves.list.push_back({std::move(reference), object.bType(), object.FC()});
    }
  });
  return leaves;
}

struct Data_Set_Info {
  std::string reference;
  std::vector<std::pair<std::string, std::string>> members;  // reference and fc
};

std::vector<Data_Set_Info> Data_Sets_Of(const TIEC_Device& device) {
  std::vector<Data_Set_Info> sets;
  std::unordered_set<std::string> seen;
  Find_DataSet(device, [&](const TIEC_DataSet& data_set) {
    Data_Set_Info info{data_set.Reference(), {}};
    if (!seen.insert(info.reference).second) return false;
    for (const TIEC_DA* member : data_set.List_DA)
      info.members.emplace_back(member->Reference(), member->FC());
    sets.push_back(std::move(info));
    return false;
  });
  return sets;
}

// The members of `list` that `other` has too, in `list`'s order: the first k occurrences of a
// member that `other` has k times.
std::vector<std::string> Common_In_Order(
    const std::vector<std::pair<std::string, std::string>>& list,
    const std::vector<std::pair<std::string, std::string>>& other) {
  std::map<std::string, int> available;
  for (const auto& member : other) ++available[member.first];
  std::vector<std::string> common;
  for (const auto& member : list) {
    auto found = available.find(member.first);
    if (found != available.end() && found->second > 0) {
      --found->second;
      common.push_back(member.first);
    }
  }
  return common;
}

// The members of `list` beyond those `other` has (counting repeats), in `list`'s order.
std::vector<std::pair<std::string, std::string>> Beyond(
    const std::vector<std::pair<std::string, std::string>>& list,
    const std::vector<std::pair<std::string, std::string>>& other) {
  std::map<std::string, int> available;
  for (const auto& member : other) ++available[member.first];
  std::vector<std::pair<std::string, std::string>> extra;
  for (const auto& member : list) {
    int& left = available[member.first];
    if (left > 0)
      --left;
    else
      extra.push_back(member);
  }
  return extra;
}

std::vector<std::string> References(const std::vector<std::pair<std::string, std::string>>& list) {
  std::vector<std::string> references;
  for (const auto& member : list) references.push_back(member.first);
  return references;
}

}  // namespace

Scl_Diff Diff_Models(const TIEC_Device& old_model, const TIEC_Device& new_model) {
  Scl_Diff diff;
  const Leaves old_leaves = Leaves_Of(old_model);
  const Leaves new_leaves = Leaves_Of(new_model);
  for (const Diff_Attribute& old_leaf : old_leaves.list) {
    const auto found = new_leaves.by_reference.find(old_leaf.reference);
    if (found == new_leaves.by_reference.end()) {
      diff.removed.push_back(old_leaf);
      continue;
    }
    const Diff_Attribute& new_leaf = new_leaves.list[found->second];
    if (new_leaf.bType != old_leaf.bType || new_leaf.fc != old_leaf.fc)
      diff.changed.push_back({old_leaf.reference, old_leaf, new_leaf});
  }
  for (const Diff_Attribute& new_leaf : new_leaves.list)
    if (!old_leaves.by_reference.count(new_leaf.reference)) diff.added.push_back(new_leaf);

  const std::vector<Data_Set_Info> old_sets = Data_Sets_Of(old_model);
  const std::vector<Data_Set_Info> new_sets = Data_Sets_Of(new_model);
  std::unordered_map<std::string, const Data_Set_Info*> new_by_reference;
  for (const Data_Set_Info& set : new_sets) new_by_reference.emplace(set.reference, &set);
  std::unordered_set<std::string> old_references;
  for (const Data_Set_Info& old_set : old_sets) {
    old_references.insert(old_set.reference);
    const auto found = new_by_reference.find(old_set.reference);
    if (found == new_by_reference.end()) {
      diff.data_sets_removed.push_back(old_set.reference);
      continue;
    }
    const Data_Set_Info& new_set = *found->second;
    for (const auto& [reference, fc] : Beyond(old_set.members, new_set.members))
      diff.members_removed.push_back({old_set.reference, reference, fc});
    for (const auto& [reference, fc] : Beyond(new_set.members, old_set.members))
      diff.members_added.push_back({old_set.reference, reference, fc});
    if (Common_In_Order(old_set.members, new_set.members) !=
        Common_In_Order(new_set.members, old_set.members))
      diff.reordered.push_back(
          {old_set.reference, References(old_set.members), References(new_set.members)});
  }
  for (const Data_Set_Info& new_set : new_sets)
    if (!old_references.count(new_set.reference)) diff.data_sets_added.push_back(new_set.reference);
  return diff;
}

}  // namespace UIEC_Client_Decode
