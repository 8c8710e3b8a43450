// Walking a device's model: one depth-first walk of every object (Walk_Model, with its own
// stack) and the searches built on it.
#pragma once

#include <cstddef>
#include <vector>

#include "scl/scl_model.h"

namespace UIEC_Client_Decode {

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
