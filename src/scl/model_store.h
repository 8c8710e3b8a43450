// The memory of a device's model: the lists its objects hold and the store that owns every
// object, text and list of one device, counting the bytes they take against a limit
// (scl_model.h has the objects themselves).
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

}  // namespace UIEC_Client_Decode
