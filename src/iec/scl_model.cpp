#include "iec/scl_model.h"

#include <utility>

#include "iec/scl_import.h"
#include "util/files.h"

namespace UIEC_Client_Decode {

namespace {

// Owned lists are emptied from the last entry to the first. A child's own lists are moved into
// the work list before the child dies, so that destroying a deeply nested model never recurses.
void Destroy_DAs(std::vector<std::unique_ptr<TIEC_DA>>& list) {
  std::vector<std::unique_ptr<TIEC_DA>> pending = std::move(list);
  list.clear();
  while (!pending.empty()) {
    std::unique_ptr<TIEC_DA> last = std::move(pending.back());
    pending.pop_back();
    for (auto& child : last->List_DA) pending.push_back(std::move(child));
    last->List_DA.clear();
  }
}

void Destroy_DOs(std::vector<std::unique_ptr<TIEC_DO>>& list) {
  std::vector<std::unique_ptr<TIEC_DO>> pending = std::move(list);
  list.clear();
  while (!pending.empty()) {
    std::unique_ptr<TIEC_DO> last = std::move(pending.back());
    pending.pop_back();
    for (auto& child : last->List_DO) pending.push_back(std::move(child));
    last->List_DO.clear();
    Destroy_DAs(last->List_DA);
  }
}

template <typename T>
void Destroy_Backwards(std::vector<std::unique_ptr<T>>& list) {
  while (!list.empty()) list.pop_back();
}

// Depth-first search in the order "entry, its descendants, next entry", with an explicit stack
// so that deep models cannot exhaust the call stack. `children` gives the list searched below
// an entry (sub data objects for Find_DO, sub attributes for Find_DA).
template <typename T, typename Children>
T* Find_Depth_First(const std::vector<std::unique_ptr<T>>& list, const std::string& name,
                    Children children) {
  struct Level {
    const std::vector<std::unique_ptr<T>>* list;
    size_t next;
  };
  std::vector<Level> stack{{&list, 0}};
  while (!stack.empty()) {
    Level& top = stack.back();
    if (top.next == top.list->size()) {
      stack.pop_back();
      continue;
    }
    T* entry = (*top.list)[top.next++].get();
    if (entry->fName == name) return entry;
    const auto& below = children(*entry);
    if (!below.empty()) stack.push_back({&below, 0});
  }
  return nullptr;
}

TIEC_DA* First_Leaf(const std::vector<std::unique_ptr<TIEC_DA>>& list) {
  if (list.empty()) return nullptr;
  TIEC_DA* entry = list.front().get();
  while (!entry->List_DA.empty()) entry = entry->List_DA.front().get();
  return entry;
}

const std::vector<std::unique_ptr<TIEC_DA>>& Sub_DAs(const TIEC_DA& da) { return da.List_DA; }
const std::vector<std::unique_ptr<TIEC_DO>>& Sub_DOs(const TIEC_DO& dobj) { return dobj.List_DO; }

}  // namespace

TIEC_DA::~TIEC_DA() { Destroy_DAs(List_DA); }

TIEC_DA* TIEC_DA::Find_DA(const std::string& DA_Name) const {
  return Find_Depth_First(List_DA, DA_Name, Sub_DAs);
}

TIEC_DA* TIEC_DA::Find_First_DA() const { return First_Leaf(List_DA); }

TIEC_DO::~TIEC_DO() {
  Destroy_DOs(List_DO);
  Destroy_DAs(List_DA);
}

TIEC_DO* TIEC_DO::Find_DO(const std::string& DO_Name) const {
  return Find_Depth_First(List_DO, DO_Name, Sub_DOs);
}

TIEC_DA* TIEC_DO::Find_DA(const std::string& DA_Name) const {
  return Find_Depth_First(List_DA, DA_Name, Sub_DAs);
}

TIEC_DA* TIEC_DO::Find_First_DA() const { return First_Leaf(List_DA); }

TIEC_LN::~TIEC_LN() {
  // The data sets only point at attributes: the attributes go first, the sets never touch them.
  Destroy_DOs(List_DO);
  Destroy_Backwards(List_DataSet);
}

TIEC_DO* TIEC_LN::Find_DO(const std::string& DO_Name) const {
  return Find_Depth_First(List_DO, DO_Name, Sub_DOs);
}

TIEC_LDevice::~TIEC_LDevice() { Destroy_Backwards(List_LN); }

TIEC_LN* TIEC_LDevice::Find_LN(const std::string& LN_Class) const {
  for (const auto& ln : List_LN)
    if (ln->flnClass == LN_Class) return ln.get();
  return nullptr;
}

TIEC_Device::TIEC_Device(const std::string& FileName_icd)
    : fFileName(util::File_Name_Of(FileName_icd)) {
  Decode_ICD_File(*this, FileName_icd);
}

TIEC_Device::~TIEC_Device() { Destroy_Backwards(List_LDevice); }

TIEC_LDevice* TIEC_Device::Find_LDevice(const std::string& LD_Name) const {
  for (const auto& ld : List_LDevice)
    if (ld->fName == LD_Name) return ld.get();
  return nullptr;
}

}  // namespace UIEC_Client_Decode
