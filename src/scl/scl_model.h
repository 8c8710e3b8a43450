// The in-memory picture of one IEC 61850 server as its SCL file declares it: device, logical
// devices, logical nodes, data objects (with sub data objects), data attributes (with sub
// attributes), and the data sets of each logical node. The import (scl_import.h) fills it once;
// afterwards it does not change (the editor's tree points into it; the model knows no tree).
//
// A large file gives millions of attributes, so the model is compact:
// - every object lives in blocks that its device owns (Model_Store) and dies with the device;
// - every text is kept once per device and the objects point at it: the same names, basic types
//   and functional constraints recur throughout a file;
// - references are not stored: Reference() builds them from the names on the object's path,
//   which each object reaches through its parent.
// Objects are created only through the device's Add_ operations, which set the parent links.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_set>
#include <vector>

#include "util/progress.h"

namespace UIEC_Client_Decode {

// A file the import refuses although it is well-formed XML, and a model that would grow past its
// memory budget (see Model_Store::Set_Limit).
class SCL_Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TIEC_Device;
class TIEC_LDevice;
class TIEC_LN;
class TIEC_DO;
class TIEC_DA;
class TIEC_DataSet;
class Model_Store;

// An ordered list of model objects (document order). The objects belong to the device's store;
// the list only points at them. Read-only to everyone but the store.
template <typename T>
class Object_List {
 public:
  using const_iterator = T* const*;
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  T* operator[](size_t index) const { return items_[index]; }
  T* at(size_t index) const {
    if (index >= size_) throw std::out_of_range("Object_List::at");
    return items_[index];
  }
  T* front() const { return items_[0]; }
  T* back() const { return items_[size_ - 1]; }
  const_iterator begin() const { return items_; }
  const_iterator end() const { return items_ + size_; }
  std::reverse_iterator<const_iterator> rbegin() const {
    return std::reverse_iterator<const_iterator>(end());
  }
  std::reverse_iterator<const_iterator> rend() const {
    return std::reverse_iterator<const_iterator>(begin());
  }

 private:
  friend class Model_Store;
  T** items_ = nullptr;
  uint32_t size_ = 0;
  uint32_t capacity_ = 0;
};

// The three texts of an attribute, kept once per distinct combination.
struct DA_Texts {
  const std::string* name;
  const std::string* bType;
  const std::string* fc;
};

// The texts of an object created by its default constructor, before the store gives it its own.
inline const std::string No_Model_Text;
inline const DA_Texts No_DA_Texts{&No_Model_Text, &No_Model_Text, &No_Model_Text};

// The memory of one device's model: objects, texts and lists, with the bytes they take counted
// against a limit. Allocation is by bump pointer in blocks; nothing is given back before the whole
// store is cleared, since the model never shrinks.
class Model_Store {
 public:
  Model_Store();
  Model_Store(const Model_Store&) = delete;
  Model_Store& operator=(const Model_Store&) = delete;
  ~Model_Store();

  // Beyond `bytes` in all, every further allocation throws SCL_Error ("the model would need more
  // than N MB") before it takes any memory. Unlimited until set.
  void Set_Limit(size_t bytes) { limit_ = bytes; }
  size_t Limit() const { return limit_; }
  // Bytes taken so far (blocks, texts and the index that keeps them unique).
  size_t Used() const { return used_; }
  // Counts `bytes` held elsewhere for the model (temporary tables of the import) against the
  // limit; Uncharge gives them back.
  void Charge(size_t bytes);
  void Uncharge(size_t bytes) { used_ -= bytes; }

  // An object of type T, constructed in the store. Its destructor never runs: the model classes
  // hold only pointers into the same store.
  template <typename T>
  T* New() {
    static_assert(alignof(T) <= alignof(std::max_align_t));
    return new (Allocate(sizeof(T), alignof(T))) T();
  }
  // The one copy of `text` in this store.
  const std::string* Intern(std::string_view text);
  const DA_Texts* Intern(const DA_Texts& texts);
  const std::string* Empty() const { return empty_; }

  // Room for exactly `count` more entries, so that a list of known length takes no slack.
  template <typename T>
  void Reserve(Object_List<T>& list, size_t count) {
    if (count <= list.capacity_ - list.size_) return;
    if (count > UINT32_MAX - list.size_) Refuse();  // more entries than a list can count
    Grow(list, list.size_ + count);
  }
  template <typename T>
  void Append(Object_List<T>& list, T* entry) {
    if (list.size_ == list.capacity_) {
      if (list.size_ == UINT32_MAX) Refuse();
      Grow(list, std::min<size_t>(list.capacity_ ? 2 * size_t{list.capacity_} : 1, UINT32_MAX));
    }
    list.items_[list.size_++] = entry;
  }

  // `bytes` of raw memory aligned to `align` (a power of two, at most that of std::max_align_t),
  // counted against the limit. Each request gets room of its own whatever its size: one too large
  // for the current block takes a new block at least as large as itself.
  void* Allocate(size_t bytes, size_t align);

  // Drops everything; the limit stays.
  void Clear();

 private:
  // Throws the SCL_Error of a model over its budget.
  [[noreturn]] void Refuse() const;
  // A new block of exactly `bytes`, counted; the counting is undone when it cannot be had.
  char* New_Block(size_t bytes);
  template <typename T>
  void Grow(Object_List<T>& list, size_t capacity) {
    if (capacity > UINT32_MAX || capacity > SIZE_MAX / sizeof(T*)) Refuse();
    T** items = static_cast<T**>(Allocate(capacity * sizeof(T*), alignof(T*)));
    for (uint32_t i = 0; i < list.size_; ++i) items[i] = list.items_[i];
    list.items_ = items;
    list.capacity_ = static_cast<uint32_t>(capacity);
  }

  struct Text_Hash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
    size_t operator()(const std::string* text) const { return (*this)(std::string_view(*text)); }
  };
  struct Text_Equal {
    using is_transparent = void;
    static std::string_view View(std::string_view text) { return text; }
    static std::string_view View(const std::string* text) { return *text; }
    template <typename A, typename B>
    bool operator()(const A& a, const B& b) const {
      return View(a) == View(b);
    }
  };
  struct Texts_Hash {
    size_t operator()(const DA_Texts* t) const {
      const std::hash<const void*> h;
      return h(t->name) ^ (h(t->bType) * 31) ^ (h(t->fc) * 1009);
    }
  };
  struct Texts_Equal {
    bool operator()(const DA_Texts* a, const DA_Texts* b) const {
      return a->name == b->name && a->bType == b->bType && a->fc == b->fc;
    }
  };

  size_t limit_ = SIZE_MAX;
  size_t used_ = 0;
  std::vector<std::unique_ptr<char[]>> blocks_;
  char* next_ = nullptr;
  size_t left_ = 0;
  size_t block_bytes_ = 0;
  // The texts, each a std::string placed in the blocks; `strings_` lists them for destruction.
  std::unordered_set<const std::string*, Text_Hash, Text_Equal> texts_;
  std::unordered_set<const DA_Texts*, Texts_Hash, Texts_Equal> da_texts_;
  std::vector<std::string*> long_strings_;  // those whose characters sit on the heap
  const std::string* empty_ = nullptr;
};

// Common root of the six model classes, so that a tree node's data can carry any of them.
class TIEC_Object {
 public:
  TIEC_Object() = default;
  TIEC_Object(const TIEC_Object&) = delete;
  TIEC_Object& operator=(const TIEC_Object&) = delete;
  virtual ~TIEC_Object() = default;
};

// One data attribute: a DA of a DOType or a BDA of a DAType.
class TIEC_DA : public TIEC_Object {
 public:
  TIEC_DA() = default;

  // e.g. IED1LD0/MMXU1.TotW.mag.f (no functional constraint), built from the names on the path.
  std::string Reference() const;
  // A sub attribute inherits its parent's functional constraint unless it has its own.
  const std::string& FC() const { return *fTexts->fc; }
  // As written: BOOLEAN, INT32, Struct, Enum, ...
  const std::string& bType() const { return *fTexts->bType; }
  const std::string& Name() const { return *fTexts->name; }

  // The attribute this one is a sub attribute of; null for an attribute of a data object.
  TIEC_DA* Parent_DA() const {
    return (fParent & 1) ? reinterpret_cast<TIEC_DA*>(fParent - 1) : nullptr;
  }
  // The data object the attribute belongs to, through its parent attributes.
  TIEC_DO* Owner_DO() const;

  // First attribute named exactly DA_Name among the sub attributes, depth first (an entry, then
  // its descendants, then the next entry); null when none. A dotted path matches nothing.
  TIEC_DA* Find_DA(std::string_view DA_Name) const;
  // The first leaf below this attribute following first entries; null when it has no sub
  // attributes.
  TIEC_DA* Find_First_DA() const;

  Object_List<TIEC_DA> List_DA;  // sub attributes

 private:
  friend class TIEC_Device;
  const DA_Texts* fTexts = &No_DA_Texts;
  // The parent's address: a TIEC_DO, or a TIEC_DA with the lowest bit set.
  uintptr_t fParent = 0;
};

// One data object: a DO of an LNodeType or an SDO of a DOType.
class TIEC_DO : public TIEC_Object {
 public:
  TIEC_DO() = default;

  const std::string& Name() const { return *fName; }
  // e.g. IED1LD0/MMXU1.TotW.phsA, built from the names on the path.
  std::string Reference() const;

  // The data object this one is a sub data object of; null for a data object of a node.
  TIEC_DO* Parent_DO() const {
    return (fParent & 1) ? reinterpret_cast<TIEC_DO*>(fParent - 1) : nullptr;
  }
  // The logical node the object belongs to, through its parent data objects.
  TIEC_LN* Owner_LN() const;

  // First sub data object named DO_Name, depth first; null when none.
  TIEC_DO* Find_DO(std::string_view DO_Name) const;
  // First attribute named DA_Name among this object's own attributes and their sub attributes,
  // depth first; the attributes of sub data objects are not searched.
  TIEC_DA* Find_DA(std::string_view DA_Name) const;
  // The first leaf attribute following first entries; null when there are no attributes.
  TIEC_DA* Find_First_DA() const;

  Object_List<TIEC_DO> List_DO;  // sub data objects
  Object_List<TIEC_DA> List_DA;  // attributes

 private:
  friend class TIEC_Device;
  const std::string* fName = &No_Model_Text;
  // The parent's address: a TIEC_LN, or a TIEC_DO with the lowest bit set.
  uintptr_t fParent = 0;
};

// A member as configurators before the exact FCDA look-up read it: the attribute the earlier
// look-ups gave for one FCDA, and the place in the data set's members of the attribute the same
// FCDA gives now (No_Member_Place when it gives none).
struct Earlier_Member {
  TIEC_DA* da;
  uint32_t place;
};
inline constexpr uint32_t No_Member_Place = UINT32_MAX;

// One data set. Its members are attributes of the same device.
class TIEC_DataSet : public TIEC_Object {
 public:
  TIEC_DataSet() = default;

  const std::string& Name() const { return *fName; }
  // e.g. IED1LD0/LLN0.Measures, or IED1LD0/Q0XCBR1.Trips for a set of another node: the node is
  // named whole (prefix, class, instance), so sets of two nodes of one class stay apart.
  std::string Reference() const;
  // The reference as configurators before named a set: the node by its class alone. Equal to
  // Reference() for a set of LLN0.
  std::string Earlier_Reference() const;
  // Name of the GSEControl publishing this set; empty when none.
  const std::string& GooseName() const { return *fGooseName; }
  TIEC_LN* Owner_LN() const { return fLN; }

  Object_List<TIEC_DA> List_DA;  // members; the same attribute may appear twice

  // The members the earlier look-ups gave, in FCDA order, one per FCDA they resolved; empty when
  // they were the same as List_DA (nearly always), so that only sets that differ take room.
  const Earlier_Member* Earlier_Members_Begin() const { return fEarlier; }
  const Earlier_Member* Earlier_Members_End() const { return fEarlier + fEarlier_Count; }
  size_t Earlier_Member_Count() const { return fEarlier_Count; }
  bool Has_Earlier_Members() const { return fEarlier_Count > 0; }
  // How many FCDAs the data set lists; more than List_DA holds when some name nothing.
  size_t FCDA_Count() const { return fFCDA_Count; }

 private:
  friend class TIEC_Device;
  const std::string* fName = &No_Model_Text;
  const std::string* fGooseName = &No_Model_Text;
  TIEC_LN* fLN = nullptr;
  const Earlier_Member* fEarlier = nullptr;
  uint32_t fEarlier_Count = 0;
  uint32_t fFCDA_Count = 0;
};

// One logical node: an LN0 or LN element.
class TIEC_LN : public TIEC_Object {
 public:
  TIEC_LN() = default;

  const std::string& lnClass() const { return *flnClass; }
  const std::string& lnType() const { return *flnType; }  // id of the LNodeType of the node
  const std::string& Prefix() const { return *fPrefix; }
  const std::string& Inst() const { return *fInst; }
  TIEC_LDevice* Owner_LDevice() const { return fLDevice; }

  // First data object named DO_Name, depth first through sub data objects; null when none.
  TIEC_DO* Find_DO(std::string_view DO_Name) const;

  Object_List<TIEC_DO> List_DO;
  Object_List<TIEC_DataSet> List_DataSet;

 private:
  friend class TIEC_Device;
  const std::string* flnClass = &No_Model_Text;
  const std::string* flnType = &No_Model_Text;
  const std::string* fPrefix = &No_Model_Text;
  const std::string* fInst = &No_Model_Text;
  TIEC_LDevice* fLDevice = nullptr;
};

// One logical device: an LDevice element.
class TIEC_LDevice : public TIEC_Object {
 public:
  TIEC_LDevice() = default;

  // The "inst", without the IED name.
  const std::string& Name() const { return *fName; }
  TIEC_Device* Owner_Device() const { return fDevice; }

  // First logical node of class LN_Class; prefix and inst are not compared.
  TIEC_LN* Find_LN(std::string_view LN_Class) const;

  Object_List<TIEC_LN> List_LN;  // LN0 and LN in document order

 private:
  friend class TIEC_Device;
  const std::string* fName = &No_Model_Text;
  TIEC_Device* fDevice = nullptr;
};

// One IEC 61850 server (the first IED of an SCL file). It owns every object of its model.
class TIEC_Device : public TIEC_Object {
 public:
  // An empty device, filled by hand (tests) or by Decode_ICD_File.
  TIEC_Device();
  // Sets FileName to the file-name part of FileName_icd and imports the file (scl_import.h).
  // A missing file gives an empty device; a file that cannot be read or is not well-formed
  // throws (see Decode_ICD_File) and no device is constructed. `progress` (may be null) follows
  // the import and can stop it (util::Cancelled).
  explicit TIEC_Device(const std::string& FileName_icd, util::Progress* progress = nullptr);
  ~TIEC_Device() override;

  const std::string& Name() const { return fName; }
  void Set_Name(std::string value) { fName = std::move(value); }
  const std::string& FileName() const { return fFileName; }
  void Set_FileName(std::string value) { fFileName = std::move(value); }

  // First logical device whose Name equals LD_Name.
  TIEC_LDevice* Find_LDevice(std::string_view LD_Name) const;

  Object_List<TIEC_LDevice> List_LDevice;

  // Building the model: each object is created in this device's store and appended to the list
  // of the parent given. Texts are copied once into the store.
  TIEC_LDevice& Add_LDevice(std::string_view name);
  TIEC_LN& Add_LN(TIEC_LDevice& ld, std::string_view lnClass, std::string_view inst = {},
                  std::string_view prefix = {}, std::string_view lnType = {});
  TIEC_DO& Add_DO(TIEC_LN& ln, std::string_view name);
  TIEC_DO& Add_DO(TIEC_DO& parent, std::string_view name);
  TIEC_DA& Add_DA(TIEC_DO& parent, std::string_view name, std::string_view bType = {},
                  std::string_view fc = {});
  TIEC_DA& Add_DA(TIEC_DA& parent, std::string_view name, std::string_view bType = {},
                  std::string_view fc = {});
  TIEC_DataSet& Add_DataSet(TIEC_LN& ln, std::string_view name);
  void Set_GooseName(TIEC_DataSet& data_set, std::string_view name);
  void Add_Member(TIEC_DataSet& data_set, TIEC_DA& member);
  void Set_FCDA_Count(TIEC_DataSet& data_set, size_t count) {
    data_set.fFCDA_Count = static_cast<uint32_t>(std::min<size_t>(count, UINT32_MAX));
  }
  // Keeps the members the earlier look-ups gave for `data_set` (see TIEC_DataSet).
  void Set_Earlier_Members(TIEC_DataSet& data_set, const std::vector<Earlier_Member>& members);

  // The same, with texts already kept by this store (the import's fast path).
  TIEC_DO& Add_DO(TIEC_LN& ln, const std::string* name);
  TIEC_DO& Add_DO(TIEC_DO& parent, const std::string* name);
  TIEC_DA& Add_DA(TIEC_DO& parent, const DA_Texts* texts);
  TIEC_DA& Add_DA(TIEC_DA& parent, const DA_Texts* texts);

  // Empties the device: no name, no logical devices, every object released. FileName stays.
  void Clear();

  Model_Store& Store() { return store_; }
  const Model_Store& Store() const { return store_; }

 private:
  std::string fName;      // the IED's "name"
  std::string fFileName;  // the SCL file's name without its folder
  Model_Store store_;
};

// ---- walking a model ----

// Defaults for a visitor of Walk_Model: every object is entered, nothing happens on leaving. A
// visitor derives from it and declares the overloads for the objects it cares about; where it
// declares some overloads of Enter or Leave, `using Model_Visitor::Enter;` (or Leave) keeps the
// defaults for the others.
struct Model_Visitor {
  template <typename T>
  bool Enter(const T&, size_t) {
    return true;
  }
  template <typename T>
  void Leave(const T&) {}
};

// Visits every object of `device` depth first in document order: the device, each logical
// device, each of its nodes, and in a node its data objects followed by its data sets. A data
// object's sub data objects come before its attributes; an attribute's sub attributes follow it.
//
// visitor.Enter(object, index) is called for each object reached, with the object's place in its
// parent's list (0 for the device); it returns whether to walk below the object. visitor.Leave
// (object) follows everything below an object whose Enter returned true. Data objects and
// attributes are walked with an explicit stack, so any depth of nesting is safe.
template <typename Visitor>
void Walk_Model(const TIEC_Device& device, Visitor&& visitor) {
  if (!visitor.Enter(device, size_t{0})) return;
  for (size_t i = 0; i < device.List_LDevice.size(); ++i) {
    TIEC_LDevice& ld = *device.List_LDevice[i];
    if (!visitor.Enter(ld, i)) continue;
    for (size_t j = 0; j < ld.List_LN.size(); ++j) {
      TIEC_LN& ln = *ld.List_LN[j];
      if (!visitor.Enter(ln, j)) continue;
      // Each level is a list being walked; a data object has two in turn (its sub data objects,
      // then its attributes). The level of the node's own data objects has no owner.
      struct Level {
        TIEC_DO* owner_do;
        TIEC_DA* owner_da;
        const Object_List<TIEC_DO>* dos;
        const Object_List<TIEC_DA>* das;
        size_t next;
      };
      std::vector<Level> stack{{nullptr, nullptr, &ln.List_DO, nullptr, 0}};
      while (!stack.empty()) {
        Level& level = stack.back();
        if (level.dos) {
          if (level.next < level.dos->size()) {
            const size_t index = level.next++;
            TIEC_DO& dobj = *(*level.dos)[index];
            if (visitor.Enter(dobj, index))
              stack.push_back({&dobj, nullptr, &dobj.List_DO, nullptr, 0});  // `level` dies here
          } else if (level.owner_do) {
            level = {level.owner_do, nullptr, nullptr, &level.owner_do->List_DA, 0};
          } else {
            stack.pop_back();
          }
          continue;
        }
        if (level.next < level.das->size()) {
          const size_t index = level.next++;
          TIEC_DA& da = *(*level.das)[index];
          if (visitor.Enter(da, index)) stack.push_back({nullptr, &da, nullptr, &da.List_DA, 0});
          continue;
        }
        TIEC_DO* owner_do = level.owner_do;
        TIEC_DA* owner_da = level.owner_da;
        stack.pop_back();
        if (owner_do)
          visitor.Leave(*owner_do);
        else
          visitor.Leave(*owner_da);
      }
      for (size_t k = 0; k < ln.List_DataSet.size(); ++k) {
        TIEC_DataSet& data_set = *ln.List_DataSet[k];
        if (visitor.Enter(data_set, k)) visitor.Leave(data_set);
      }
      visitor.Leave(ln);
    }
    visitor.Leave(ld);
  }
  visitor.Leave(device);
}

// The sub data objects of a data object, the sub attributes of an attribute.
inline const Object_List<TIEC_DO>& Sub_List(const TIEC_DO& dobj) { return dobj.List_DO; }
inline const Object_List<TIEC_DA>& Sub_List(const TIEC_DA& da) { return da.List_DA; }

// The entries of `list` and those below them of the same kind (Sub_List), in the order "an
// entry, its descendants, the next entry", until `stop(entry)` is true: returns that entry, or
// null when it is never true. The walk keeps its own stack, so any depth of nesting is safe.
template <typename T, typename Stop>
T* Find_Depth_First(const Object_List<T>& list, Stop&& stop) {
  struct Level {
    const Object_List<T>* list;
    size_t next;
  };
  std::vector<Level> stack{{&list, 0}};
  while (!stack.empty()) {
    Level& top = stack.back();
    if (top.next == top.list->size()) {
      stack.pop_back();
      continue;
    }
    T* entry = (*top.list)[top.next++];
    if (stop(*entry)) return entry;
    const Object_List<T>& below = Sub_List(*entry);
    if (!below.empty()) stack.push_back({&below, 0});
  }
  return nullptr;
}

// The first data set of `device` in document order for which `match` is true; null when none.
template <typename Match>
TIEC_DataSet* Find_DataSet(const TIEC_Device& device, Match&& match) {
  for (TIEC_LDevice* ld : device.List_LDevice)
    for (TIEC_LN* ln : ld->List_LN)
      for (TIEC_DataSet* data_set : ln->List_DataSet)
        if (match(*data_set)) return data_set;
  return nullptr;
}

namespace model_walk {
template <typename Fn>
struct Each_Object : Model_Visitor {
  Fn& fn;
  explicit Each_Object(Fn& f) : fn(f) {}
  bool Enter(const TIEC_Device&, size_t) { return true; }
  template <typename T>
  bool Enter(T& object, size_t) {
    fn(object);
    return true;
  }
};
}  // namespace model_walk

// Calls fn(object) for every object of `device` below the device itself, in Walk_Model's order.
template <typename Fn>
void For_Each_Object(const TIEC_Device& device, Fn&& fn) {
  Walk_Model(device, model_walk::Each_Object<std::remove_reference_t<Fn>>(fn));
}

}  // namespace UIEC_Client_Decode
