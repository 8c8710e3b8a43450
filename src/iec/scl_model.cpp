#include "iec/scl_model.h"

#include <atomic>
#include <memory>
#include <new>
#include <thread>
#include <utility>
#include <vector>

#include "iec/scl_import.h"
#include "util/files.h"

namespace UIEC_Client_Decode {

namespace {

// Under the address sanitizer every object keeps a heap block of its own, so that a use after
// destruction is still caught.
#if defined(__SANITIZE_ADDRESS__)
#define SCL_MODEL_OWN_BLOCKS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SCL_MODEL_OWN_BLOCKS 1
#endif
#endif

// Slots of one size carved from large blocks, a freed slot serving the next object. This saves
// the heap's bookkeeping on each of the hundreds of thousands of objects of a large model, and
// keeps them close together. When the last object of the pool dies (no model is left), the
// blocks go back to the heap.
class Slot_Pool {
 public:
  explicit Slot_Pool(size_t slot_size) : slot_size_(slot_size) {}

  void* Allocate() {
    Lock lock(busy_);
    if (free_) {
      Free_Slot* slot = free_;
      free_ = slot->next;
      ++live_;
      return slot;
    }
    if (size_t(end_ - next_) < slot_size_) New_Block();
    void* slot = next_;
    next_ += slot_size_;
    ++live_;
    return slot;
  }

  void Release(void* object) noexcept {
    Lock lock(busy_);
    if (--live_ == 0) {
      blocks_.clear();
      blocks_.shrink_to_fit();
      free_ = nullptr;
      next_ = end_ = nullptr;
      return;
    }
    Free_Slot* slot = static_cast<Free_Slot*>(object);
    slot->next = free_;
    free_ = slot;
  }

 private:
  struct Free_Slot {
    Free_Slot* next;
  };
  // Models live on one thread; the lock only keeps the pool sound should two threads ever build
  // models at once, and costs next to nothing when uncontended.
  class Lock {
   public:
    explicit Lock(std::atomic_flag& busy) : busy_(busy) {
      while (busy_.test_and_set(std::memory_order_acquire)) std::this_thread::yield();
    }
    ~Lock() { busy_.clear(std::memory_order_release); }

   private:
    std::atomic_flag& busy_;
  };
  // Below the size from which the heap maps blocks of their own, so that blocks reuse memory
  // the heap already holds (such as that of the parsed document).
  static constexpr size_t Block_Bytes = 64 * 1024 - 64;

  void New_Block() {
    blocks_.push_back(std::make_unique_for_overwrite<char[]>(Block_Bytes));
    next_ = blocks_.back().get();
    end_ = next_ + Block_Bytes;
  }

  const size_t slot_size_;
  std::atomic_flag busy_;
  std::vector<std::unique_ptr<char[]>> blocks_;
  Free_Slot* free_ = nullptr;
  char* next_ = nullptr;
  char* end_ = nullptr;
  size_t live_ = 0;
};

// Never destroyed (no destructor runs), so that a model that outlives static destruction can
// still be freed.
template <typename T>
Slot_Pool& Pool_Of() {
  static_assert(sizeof(T) % alignof(T) == 0 && alignof(T) <= alignof(std::max_align_t));
  static Slot_Pool* const pool = new Slot_Pool(sizeof(T));
  return *pool;
}

template <typename T>
void* Pooled_New(size_t size) {
#ifndef SCL_MODEL_OWN_BLOCKS
  if (size == sizeof(T)) return Pool_Of<T>().Allocate();
#endif
  return ::operator new(size);
}

template <typename T>
void Pooled_Delete(void* object, size_t size) noexcept {
#ifndef SCL_MODEL_OWN_BLOCKS
  if (size == sizeof(T)) return Pool_Of<T>().Release(object);
#endif
  ::operator delete(object, size);
}

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

void* TIEC_DA::operator new(size_t size) { return Pooled_New<TIEC_DA>(size); }

void TIEC_DA::operator delete(void* object, size_t size) noexcept {
  Pooled_Delete<TIEC_DA>(object, size);
}

TIEC_DA* TIEC_DA::Find_DA(const std::string& DA_Name) const {
  return Find_Depth_First(List_DA, DA_Name, Sub_DAs);
}

TIEC_DA* TIEC_DA::Find_First_DA() const { return First_Leaf(List_DA); }

TIEC_DO::~TIEC_DO() {
  Destroy_DOs(List_DO);
  Destroy_DAs(List_DA);
}

void* TIEC_DO::operator new(size_t size) { return Pooled_New<TIEC_DO>(size); }

void TIEC_DO::operator delete(void* object, size_t size) noexcept {
  Pooled_Delete<TIEC_DO>(object, size);
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
