// The second half of an import, once the document is released: the data objects and attributes
// built from the templates with an explicit stack, after a count of what they expand to, then the
// data set members resolved on the finished model.
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "scl/fcda_resolvers.h"
#include "scl/importer.h"
#include "scl/scl_strings.h"
#include "text/lang_strings.h"
#include "util/progress.h"

namespace UIEC_Client_Decode::import_parts {

uint64_t Next_Import_Number() {
  static std::atomic<uint64_t> next{1};
  return next++;
}

void Importer::Build_Model() {
  // Before anything is built, the objects the types expand to are counted, at the least
  // memory each of them takes: a file whose types fan out beyond the budget is refused in
  // milliseconds, not after it has filled the budget.
  size_t objects = 0;
  for (const Pending_LN& pending : lns_)
    objects = Saturating_Add(objects, Objects_Of(*pending.type));
  constexpr size_t Least_Object_Bytes = std::min(sizeof(TIEC_DO), sizeof(TIEC_DA)) + sizeof(void*);
  const size_t least =
      objects > SIZE_MAX / Least_Object_Bytes ? SIZE_MAX : objects * Least_Object_Bytes;
  store_.Charge(least);  // throws the budget's SCL_Error when it cannot hold them
  store_.Uncharge(least);
  // And no more than a file of its size can need.
  if (source_bytes_ > 0) {
    const size_t most =
        Saturating_Add(Max_Objects_Base, source_bytes_ > SIZE_MAX / Max_Objects_Per_Byte
                                             ? SIZE_MAX
                                             : source_bytes_ * Max_Objects_Per_Byte);
    if (objects > most) {
      // The import's own words, as for the nesting limit.
      const lang::Lang_Strings english(&scl_strings::Built_In);
      throw SCL_Error(english[scl_strings::Text_Expands_To] + std::to_string(objects) +
                      english[scl_strings::Text_Expands_More_Than] + std::to_string(most) + ")");
    }
  }
  // Pass 1, structure: the data objects of every logical node.
  if (progress_ && !path_name_.empty()) progress_->Start(scl_strings::Text_Building_Model, objects);
  for (const Pending_LN& pending : lns_) {
    store_.Reserve(pending.ln->List_DO, pending.type->children.size());
    for (Template_Child& child : pending.type->children) {
      TIEC_DO& dobj = device_.Add_DO(*pending.ln, child.name);
      steps_.Step();
      Start_DO(dobj, child);
      Expand();
    }
  }
  steps_.Flush();
  // Pass 2, data set members: only now can an FCDA find a logical device or node that comes
  // later in the file. The members of one set are consecutive. Each FCDA is also read by the
  // earlier look-ups, so that configurations saved by them find their members again.
  // The exact reading first; its maps go before the earlier look-ups build theirs, so that
  // the two never take memory together.
  std::vector<TIEC_DA*> resolved(members_.size());
  {
    std::unordered_map<const TIEC_LN*, Type_Entry*> ln_types;
    for (const Pending_LN& pending : lns_) ln_types.emplace(pending.ln, pending.type);
    Member_Resolver resolver(device_, store_, std::move(ln_types));
    for (size_t i = 0; i < members_.size(); ++i) {
      if (i % util::Progress_Steps::Every == 0) util::Poll(progress_);
      const Pending_Member& m = members_[i];
      const Member_Resolver::Outcome outcome =
          resolver.Resolve({m.ldInst, m.prefix, m.lnClass, m.lnInst, m.doName, m.daName, m.fc});
      resolved[i] = outcome.member;
      if (outcome.problem && findings_)
        findings_->push_back({m.fcda, *outcome.problem, outcome.name, outcome.where});
    }
  }
  Earlier_Resolver earlier(device_, store_);
  std::vector<TIEC_DA*> found;
  std::vector<Earlier_Member> earlier_members;
  for (size_t i = 0; i < members_.size();) {
    util::Poll(progress_);
    TIEC_DataSet* data_set = members_[i].data_set;
    const size_t first = i;
    found.clear();
    earlier_members.clear();
    for (; i < members_.size() && members_[i].data_set == data_set; ++i) {
      const Pending_Member& m = members_[i];
      const uint32_t place = resolved[i] ? static_cast<uint32_t>(found.size()) : No_Member_Place;
      if (resolved[i]) found.push_back(resolved[i]);
      if (TIEC_DA* da = earlier.Resolve(m.ldInst, m.lnClass, m.doName, m.daName))
        earlier_members.push_back({da, place});
    }
    store_.Reserve(data_set->List_DA, found.size());
    for (TIEC_DA* da : found) device_.Add_Member(*data_set, *da);
    device_.Set_FCDA_Count(*data_set, i - first);
    const bool same =
        earlier_members.size() == found.size() &&
        std::equal(found.begin(), found.end(), earlier_members.begin(),
                   [](const TIEC_DA* da, const Earlier_Member& e) { return da == e.da; });
    if (!same) device_.Set_Earlier_Members(*data_set, earlier_members);
  }
}

// The texts of an attribute made from `child` below a parent whose functional constraint is
// `fc_father` (the empty text for an attribute of a data object).
const DA_Texts* Importer::Texts_Of(Template_Child& child, const std::string* fc_father) {
  if (!child.last_texts || child.last_import != number_ ||
      (!child.fc && child.last_fc_father != fc_father)) {
    child.last_texts =
        store_.Intern(DA_Texts{child.name, child.bType, child.fc ? child.fc : fc_father});
    child.last_fc_father = fc_father;
    child.last_import = number_;
  }
  return child.last_texts;
}

// A data object or sub data object just created: when it has a type that is not already being
// expanded above it, queued for expansion.
void Importer::Start_DO(TIEC_DO& dobj, const Template_Child& child) {
  Type_Entry* type = child.type;
  if (!type || type->active > 0) return;
  Check_Nesting(*type);
  ++type->active;
  store_.Reserve(dobj.List_DO, type->sdo_count);
  store_.Reserve(dobj.List_DA, type->children.size() - type->sdo_count);
  stack_.push_back({&dobj, nullptr, type, 0});
}

// An attribute or sub attribute just created, likewise.
void Importer::Start_DA(TIEC_DA& da, const Template_Child& child) {
  Type_Entry* type = child.type;
  if (!type || type->active > 0) return;
  Check_Nesting(*type);
  ++type->active;
  store_.Reserve(da.List_DA, type->children.size());
  stack_.push_back({nullptr, &da, type, 0});
}

// An object being expanded with `type` lies as many levels below its node's data object as
// there are expansions running above it; the children of the type would lie one further.
void Importer::Check_Nesting(const Type_Entry& type) const {
  if (stack_.size() + 1 <= Max_Nesting_Levels) return;
  // The import runs below every window and without one's table: its one message of its own is
  // the built-in English.
  const lang::Lang_Strings english(&scl_strings::Built_In);
  throw SCL_Error(english[scl_strings::Text_Nesting_Too_Deep] + std::to_string(Max_Nesting_Levels) +
                  english[scl_strings::Text_Nesting_Type] + (type.id ? *type.id : std::string()) +
                  "\")");
}

// Runs the queued expansions with an explicit stack, creating the objects in the order a
// recursive descent would, so that deeply nested types cannot exhaust the call stack.
void Importer::Expand() {
  while (!stack_.empty()) {
    Frame& frame = stack_.back();
    if (frame.next == frame.type->children.size()) {
      --frame.type->active;
      stack_.pop_back();
      continue;
    }
    Template_Child& child = frame.type->children[frame.next++];
    steps_.Step();
    // The Start_ operations may push a frame: `frame` is not used after them.
    if (TIEC_DA* parent = frame.da) {
      Start_DA(device_.Add_DA(*parent, Texts_Of(child, &parent->FC())), child);
    } else if (child.sdo) {
      Start_DO(device_.Add_DO(*frame.dobj, child.name), child);
    } else {
      Start_DA(device_.Add_DA(*frame.dobj, Texts_Of(child, store_.Empty())), child);
    }
  }
}

}  // namespace UIEC_Client_Decode::import_parts
