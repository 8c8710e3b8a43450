// What the import resolves a data set's FCDAs with: the reading of what each FCDA names
// (Member_Resolver) and the earlier look-ups kept for configurations saved by them
// (Earlier_Resolver). Used by the import alone (scl_import.cpp, import_build.cpp).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "scl/import_templates.h"
#include "scl/model_walk.h"
#include "scl/scl_import.h"
#include "scl/scl_model.h"

namespace UIEC_Client_Decode::import_parts {

// The earlier look-ups of data set members, kept to know what configurations saved before read
// for each FCDA (TIEC_DataSet::Earlier_Members_Begin): the first logical node of the FCDA's class,
// the first data object and attribute of each name depth first (a dotted name finds nothing),
// and a data object's first leaf when daName is empty. Maps built on first use keep a data set
// with thousands of members from searching the same logical node thousands of times; their
// entries are counted against the model's limit while they live.
class Earlier_Resolver {
 public:
  Earlier_Resolver(const TIEC_Device& device, Model_Store& store) : store_(store) {
    for (TIEC_LDevice* ld : device.List_LDevice) Index(ldevices_, ld->Name(), ld);
  }
  ~Earlier_Resolver() { store_.Uncharge(charged_); }

  TIEC_DA* Resolve(std::string_view ldInst, std::string_view lnClass, std::string_view doName,
                   std::string_view daName) {
    if (ldInst.empty() || lnClass.empty() || doName.empty()) return nullptr;
    TIEC_LDevice* ld = Find(ldevices_, ldInst);
    if (!ld) return nullptr;
    auto [ln_map, new_ln_map] = lns_.try_emplace(ld);
    if (new_ln_map)
      for (TIEC_LN* ln : ld->List_LN) Index(ln_map->second, ln->lnClass(), ln);
    TIEC_LN* ln = Find(ln_map->second, lnClass);
    if (!ln) return nullptr;
    auto [do_map, new_do_map] = dos_.try_emplace(ln);
    if (new_do_map) Index_Depth_First(ln->List_DO, do_map->second);
    TIEC_DO* dobj = Find(do_map->second, doName);
    if (!dobj) return nullptr;
    if (daName.empty()) return dobj->Find_First_DA();
    auto [da_map, new_da_map] = das_.try_emplace(dobj);
    if (new_da_map) Index_Depth_First(dobj->List_DA, da_map->second);
    return Find(da_map->second, daName);
  }

 private:
  template <typename T>
  using Name_Map = std::unordered_map<std::string_view, T*>;
  static constexpr size_t Entry_Bytes = 64;

  template <typename T>
  static T* Find(const Name_Map<T>& map, std::string_view name) {
    auto it = map.find(name);
    return it == map.end() ? nullptr : it->second;
  }

  // The first object of each name is kept.
  template <typename T>
  void Index(Name_Map<T>& map, std::string_view name, T* entry) {
    store_.Charge(Entry_Bytes);
    charged_ += Entry_Bytes;
    map.emplace(name, entry);
  }

  // Visits entries in the order Find_DO/Find_DA search them (an entry, its descendants, the next
  // entry).
  template <typename T>
  void Index_Depth_First(const Object_List<T>& list, Name_Map<T>& map) {
    Find_Depth_First(list, [&](T& entry) {
      Index(map, entry.Name(), &entry);
      return false;
    });
  }

  Model_Store& store_;
  size_t charged_ = 0;
  Name_Map<TIEC_LDevice> ldevices_;
  std::unordered_map<const TIEC_LDevice*, Name_Map<TIEC_LN>> lns_;
  std::unordered_map<const TIEC_LN*, Name_Map<TIEC_DO>> dos_;
  std::unordered_map<const TIEC_DO*, Name_Map<TIEC_DA>> das_;
};

// The texts of one FCDA, as written (empty when absent).
struct FCDA_Names {
  std::string_view ldInst, prefix, lnClass, lnInst, doName, daName, fc;
};

// Resolves an FCDA to what it names (see FCDA_Problem in scl_import.h); when it names nothing,
// says why. Lists of more than a few entries are searched through name maps built on first use,
// counted against the model's limit while they live.
class Member_Resolver {
 public:
  // `ln_types`: the LNodeType each logical node was expanded with.
  Member_Resolver(const TIEC_Device& device, Model_Store& store,
                  std::unordered_map<const TIEC_LN*, Type_Entry*> ln_types)
      : device_(device), store_(store), ln_types_(std::move(ln_types)) {}
  ~Member_Resolver() { store_.Uncharge(charged_); }

  struct Outcome {
    TIEC_DA* member = nullptr;
    std::optional<FCDA_Problem> problem;
    std::string name, where;
  };

  Outcome Resolve(const FCDA_Names& f) {
    Outcome out;
    auto fail = [&](FCDA_Problem problem, std::string_view name, std::string where) {
      out.problem = problem;
      out.name = std::string(name);
      out.where = std::move(where);
      return out;
    };
    if (f.ldInst.empty()) return fail(FCDA_Problem::Missing_Attribute, "ldInst", {});
    if (f.lnClass.empty()) return fail(FCDA_Problem::Missing_Attribute, "lnClass", {});
    if (f.doName.empty()) return fail(FCDA_Problem::Missing_Attribute, "doName", {});
    for (std::string_view path : {f.doName, f.daName})
      if (path.find('(') != std::string_view::npos)
        return fail(FCDA_Problem::Array_Element, path, {});

    TIEC_LDevice* ld = Named(device_.List_LDevice, f.ldInst);
    if (!ld) return fail(FCDA_Problem::No_LDevice, f.ldInst, {});
    const bool lln0 = f.lnClass == "LLN0";
    const std::string ln_name =
        lln0 ? std::string(f.lnClass) : std::string(f.prefix).append(f.lnClass).append(f.lnInst);
    TIEC_LN* ln = Find_LN(*ld, f, lln0);
    if (!ln) return fail(FCDA_Problem::No_LN, ln_name, ld->Name());

    // The data object path, with the type each object was expanded with (null: unknown).
    std::string_view rest = f.doName;
    std::string_view part = Next_Part(rest);
    const std::optional<uint32_t> do_place = Place_Of(ln->List_DO, part);
    if (!do_place) return fail(FCDA_Problem::No_DO, part, ln_name);
    TIEC_DO* dobj = ln->List_DO[*do_place];
    Type_Entry* type = Type_Of_DO(*ln, *do_place);
    std::string where(part);
    while (!rest.empty()) {
      part = Next_Part(rest);
      TIEC_DO* sub = Named(dobj->List_DO, part);
      if (!sub) return fail(FCDA_Problem::No_SDO, part, where);
      type = Type_Of_SDO(*dobj, type, *sub);
      dobj = sub;
      where.append(1, '.').append(part);
    }

    if (f.daName.empty()) {
      out.member = First_Leaf_With_FC(*dobj, type, f.fc);
      if (!out.member) return fail(FCDA_Problem::No_FC_Attribute, f.fc, where);
      return out;
    }
    rest = f.daName;
    part = Next_Part(rest);
    TIEC_DA* da = Named(dobj->List_DA, part);
    if (!da) return fail(FCDA_Problem::No_DA, part, where);
    where.append(1, '.').append(part);
    while (!rest.empty()) {
      part = Next_Part(rest);
      TIEC_DA* sub = Named(da->List_DA, part);
      if (!sub) return fail(FCDA_Problem::No_BDA, part, where);
      da = sub;
      where.append(1, '.').append(part);
    }
    // A structure gives its first leaf, as the member must be a single value.
    if (!da->List_DA.empty()) da = da->Find_First_DA();
    out.member = da;
    if (!f.fc.empty() && da->FC() != f.fc) {
      out.problem = FCDA_Problem::FC_Mismatch;
      out.name = da->FC();
      out.where = where;
    }
    return out;
  }

 private:
  static constexpr size_t Entry_Bytes = 64;
  // Lists up to this long are searched entry by entry, without a map.
  static constexpr size_t Map_From = 16;
  using Name_Map = std::unordered_map<std::string_view, uint32_t>;

  static std::string_view Next_Part(std::string_view& rest) {
    const size_t dot = rest.find('.');
    const std::string_view part = rest.substr(0, dot);
    rest = dot == std::string_view::npos ? std::string_view() : rest.substr(dot + 1);
    return part;
  }

  void Charge(size_t entries) {
    store_.Charge(entries * Entry_Bytes);
    charged_ += entries * Entry_Bytes;
  }

  // The place of the first direct entry of `list` named `name`; none when there is none.
  template <typename T>
  std::optional<uint32_t> Place_Of(const Object_List<T>& list, std::string_view name) {
    if (list.size() <= Map_From) {
      for (uint32_t i = 0; i < list.size(); ++i)
        if (list[i]->Name() == name) return i;
      return std::nullopt;
    }
    auto [map, made] = names_.try_emplace(&list);
    if (made) {
      Charge(list.size());
      for (uint32_t i = 0; i < list.size(); ++i) map->second.emplace(list[i]->Name(), i);
    }
    const auto found = map->second.find(name);
    if (found == map->second.end()) return std::nullopt;
    return found->second;
  }

  template <typename T>
  T* Named(const Object_List<T>& list, std::string_view name) {
    const std::optional<uint32_t> place = Place_Of(list, name);
    return place ? list[*place] : nullptr;
  }

  // The node named by prefix, class and instance together; LLN0 by its class alone.
  TIEC_LN* Find_LN(const TIEC_LDevice& ld, const FCDA_Names& f, bool lln0) {
    auto [map, made] = lns_.try_emplace(&ld);
    if (made) {
      Charge(ld.List_LN.size());
      for (TIEC_LN* ln : ld.List_LN)
        map->second.emplace(ln->lnClass() == "LLN0" ? Key("", "LLN0", "")
                                                    : Key(ln->Prefix(), ln->lnClass(), ln->Inst()),
                            ln);
    }
    const auto found =
        map->second.find(lln0 ? Key("", "LLN0", "") : Key(f.prefix, f.lnClass, f.lnInst));
    return found == map->second.end() ? nullptr : found->second;
  }

  static std::string Key(std::string_view prefix, std::string_view lnClass, std::string_view inst) {
    return std::string(prefix).append(1, '\0').append(lnClass).append(1, '\0').append(inst);
  }

  // The type data object `place` of `ln` was expanded with; null when not known.
  Type_Entry* Type_Of_DO(const TIEC_LN& ln, uint32_t place) const {
    const auto found = ln_types_.find(&ln);
    if (found == ln_types_.end() || found->second->children.size() != ln.List_DO.size())
      return nullptr;
    return Expanded(*ln.List_DO[place], found->second->children[place].type);
  }

  // The type of sub data object `sub` of `dobj`, expanded with `type`.
  static Type_Entry* Type_Of_SDO(const TIEC_DO& dobj, const Type_Entry* type, const TIEC_DO& sub) {
    if (!type) return nullptr;
    size_t k = 0;
    for (const Template_Child& child : type->children) {
      if (!child.sdo) continue;
      if (k < dobj.List_DO.size() && dobj.List_DO[k] == &sub) return Expanded(sub, child.type);
      ++k;
    }
    return nullptr;
  }

  // `type` when `dobj` holds exactly its children (a type met again below itself is not
  // expanded); else null.
  static Type_Entry* Expanded(const TIEC_DO& dobj, Type_Entry* type) {
    if (!type || dobj.List_DO.size() != type->sdo_count ||
        dobj.List_DA.size() != type->children.size() - type->sdo_count)
      return nullptr;
    return type;
  }

  // The first leaf attribute of fc `fc` (any fc when empty) below `dobj`, in the order its type
  // lists attributes and sub data objects; sub data objects before attributes when the type is
  // not known. Nesting is bounded by Max_Nesting_Levels.
  static TIEC_DA* First_Leaf_With_FC(const TIEC_DO& dobj, const Type_Entry* type,
                                     std::string_view fc) {
    if (type) {
      size_t sdo = 0, da = 0;
      for (const Template_Child& child : type->children) {
        TIEC_DA* found = child.sdo
                             ? First_Leaf_With_FC(*dobj.List_DO[sdo],
                                                  Expanded(*dobj.List_DO[sdo], child.type), fc)
                             : Leaf_With_FC(*dobj.List_DA[da], fc);
        ++(child.sdo ? sdo : da);
        if (found) return found;
      }
      return nullptr;
    }
    for (const TIEC_DO* sub : dobj.List_DO)
      if (TIEC_DA* found = First_Leaf_With_FC(*sub, nullptr, fc)) return found;
    for (TIEC_DA* da : dobj.List_DA)
      if (TIEC_DA* found = Leaf_With_FC(*da, fc)) return found;
    return nullptr;
  }

  static TIEC_DA* Leaf_With_FC(TIEC_DA& da, std::string_view fc) {
    if (da.List_DA.empty()) return fc.empty() || da.FC() == fc ? &da : nullptr;
    for (TIEC_DA* sub : da.List_DA)
      if (TIEC_DA* found = Leaf_With_FC(*sub, fc)) return found;
    return nullptr;
  }

  const TIEC_Device& device_;
  Model_Store& store_;
  size_t charged_ = 0;
  std::unordered_map<const TIEC_LN*, Type_Entry*> ln_types_;
  std::unordered_map<const void*, Name_Map> names_;
  std::unordered_map<const TIEC_LDevice*, std::unordered_map<std::string, TIEC_LN*>> lns_;
};

}  // namespace UIEC_Client_Decode::import_parts
