#include "scl/scl_model.h"

#include <algorithm>
#include <cstddef>
#include <new>
#include <stdexcept>
#include <utility>

#include "scl/model_walk.h"
#include "scl/scl_import.h"
#include "scl/scl_strings.h"
#include "text/lang_strings.h"
#include "util/files.h"

namespace UIEC_Client_Decode {

namespace {

// What an entry of a hash set costs beside the entry itself: the node with its link and the
// share of the bucket array, with the heap's bookkeeping.
constexpr size_t Index_Entry_Bytes = 48;
// Blocks start small, so that many small devices stay small, and grow to this size.
constexpr size_t First_Block_Bytes = 4 * 1024;
constexpr size_t Max_Block_Bytes = 1024 * 1024;

// The first entry named `name`, depth first.
template <typename T>
T* Find_Named(const Object_List<T>& list, std::string_view name) {
  return Find_Depth_First(list, [name](const T& entry) { return entry.Name() == name; });
}

TIEC_DA* First_Leaf(const Object_List<TIEC_DA>& list) {
  if (list.empty()) return nullptr;
  TIEC_DA* entry = list.front();
  while (!entry->List_DA.empty()) entry = entry->List_DA.front();
  return entry;
}

// The reference of a logical node as attribute references start: IED name, LD inst, "/",
// prefix, lnClass, inst.
void Append_LN_Reference(std::string& out, const TIEC_LN* ln) {
  if (!ln) return;
  if (const TIEC_LDevice* ld = ln->Owner_LDevice()) {
    if (const TIEC_Device* device = ld->Owner_Device()) out += device->Name();
    out += ld->Name();
  }
  out.append(1, '/').append(ln->Prefix()).append(ln->lnClass()).append(ln->Inst());
}

// The LN part followed by "." and each name of `names`, taken from the last to the first.
std::string Join_Reference(const TIEC_LN* ln, const std::vector<const std::string*>& names) {
  std::string out;
  Append_LN_Reference(out, ln);
  size_t size = out.size();
  for (const std::string* name : names) size += 1 + name->size();
  out.reserve(size);
  for (auto it = names.rbegin(); it != names.rend(); ++it) out.append(1, '.').append(**it);
  return out;
}

// Collects the names from `dobj` up to its logical node; returns the node.
const TIEC_LN* Collect_DO_Names(const TIEC_DO* dobj, std::vector<const std::string*>& names) {
  if (!dobj) return nullptr;
  for (;;) {
    names.push_back(&dobj->Name());
    const TIEC_DO* parent = dobj->Parent_DO();
    if (!parent) return dobj->Owner_LN();
    dobj = parent;
  }
}

}  // namespace

// ---- Model_Store ----

Model_Store::Model_Store() { empty_ = Intern(std::string_view{}); }

Model_Store::~Model_Store() {
  for (std::string* text : long_strings_) text->~basic_string();
}

void Model_Store::Charge(size_t bytes) {
  if (bytes > limit_ || used_ > limit_ - bytes) Refuse();
  used_ += bytes;
}

void Model_Store::Refuse() const {
  // The import's own words, as for its other limits.
  const lang::Lang_Strings english(&scl_strings::Built_In);
  throw SCL_Error(english[scl_strings::Text_Model_Needs_More] + std::to_string(limit_ >> 20) +
                  english[scl_strings::Text_Model_Megabytes]);
}

char* Model_Store::New_Block(size_t bytes) {
  // Room for the block's entry first, so that nothing can fail between counting and keeping it.
  if (blocks_.size() == blocks_.capacity()) blocks_.reserve(2 * blocks_.size() + 8);
  Charge(bytes);
  try {
    blocks_.push_back(std::make_unique_for_overwrite<char[]>(bytes));
  } catch (...) {
    // The block was not kept: its bytes leave the count before the failure goes on.
    Uncharge(bytes);
    throw;
  }
  return blocks_.back().get();
}

void* Model_Store::Allocate(size_t bytes, size_t align) {
  // Blocks come from new[], which aligns them for any fundamental type.
  if (align == 0 || (align & (align - 1)) != 0 || align > alignof(std::max_align_t))
    throw std::invalid_argument("Model_Store::Allocate: unsupported alignment");
  size_t pad = (align - reinterpret_cast<uintptr_t>(next_) % align) % align;
  if (pad > left_ || bytes > left_ - pad) {
    // A large request (a long list) gets a block of its own; the current block goes on serving
    // small requests.
    if (bytes > Max_Block_Bytes / 4) return New_Block(bytes);
    // Blocks double up to their largest size, and a request larger than the next block's size
    // (a list of a few thousand entries) doubles it further until it fits.
    size_t block = std::clamp(2 * block_bytes_, First_Block_Bytes, Max_Block_Bytes);
    while (block < bytes) block *= 2;
    next_ = New_Block(block);
    left_ = block;
    block_bytes_ = block;
    pad = 0;
  }
  void* result = next_ + pad;
  next_ += pad + bytes;
  left_ -= pad + bytes;
  return result;
}

const std::string* Model_Store::Intern(std::string_view text) {
  auto found = texts_.find(text);
  if (found != texts_.end()) return *found;
  // A text longer than the string's own buffer also takes a heap block of its own.
  const bool is_long = text.size() >= sizeof(std::string) / 2;
  Charge(Index_Entry_Bytes + (is_long ? text.size() + 1 + 16 + sizeof(void*) : 0));
  if (is_long) long_strings_.reserve(long_strings_.size() + 1);
  std::string* kept = new (Allocate(sizeof(std::string), alignof(std::string))) std::string(text);
  if (is_long) long_strings_.push_back(kept);
  texts_.insert(kept);
  return kept;
}

const DA_Texts* Model_Store::Intern(const DA_Texts& texts) {
  auto found = da_texts_.find(&texts);
  if (found != da_texts_.end()) return *found;
  Charge(Index_Entry_Bytes);
  DA_Texts* kept = new (Allocate(sizeof(DA_Texts), alignof(DA_Texts))) DA_Texts(texts);
  da_texts_.insert(kept);
  return kept;
}

void Model_Store::Clear() {
  for (std::string* text : long_strings_) text->~basic_string();
  decltype(long_strings_)().swap(long_strings_);
  decltype(texts_)().swap(texts_);
  decltype(da_texts_)().swap(da_texts_);
  decltype(blocks_)().swap(blocks_);
  next_ = nullptr;
  left_ = 0;
  block_bytes_ = 0;
  used_ = 0;
  empty_ = Intern(std::string_view{});
}

// ---- the model classes ----

std::string TIEC_DA::Reference() const {
  std::vector<const std::string*> names;
  const TIEC_DA* da = this;
  for (;;) {
    names.push_back(&da->Name());
    const TIEC_DA* parent = da->Parent_DA();
    if (!parent) break;
    da = parent;
  }
  const TIEC_LN* ln = Collect_DO_Names(reinterpret_cast<const TIEC_DO*>(da->fParent), names);
  return Join_Reference(ln, names);
}

TIEC_DO* TIEC_DA::Owner_DO() const {
  const TIEC_DA* da = this;
  while (const TIEC_DA* parent = da->Parent_DA()) da = parent;
  return reinterpret_cast<TIEC_DO*>(da->fParent);
}

TIEC_DA* TIEC_DA::Find_DA(std::string_view DA_Name) const { return Find_Named(List_DA, DA_Name); }

TIEC_DA* TIEC_DA::Find_First_DA() const { return First_Leaf(List_DA); }

std::string TIEC_DO::Reference() const {
  std::vector<const std::string*> names;
  const TIEC_LN* ln = Collect_DO_Names(this, names);
  return Join_Reference(ln, names);
}

TIEC_LN* TIEC_DO::Owner_LN() const {
  const TIEC_DO* dobj = this;
  while (const TIEC_DO* parent = dobj->Parent_DO()) dobj = parent;
  return reinterpret_cast<TIEC_LN*>(dobj->fParent);
}

TIEC_DO* TIEC_DO::Find_DO(std::string_view DO_Name) const { return Find_Named(List_DO, DO_Name); }

TIEC_DA* TIEC_DO::Find_DA(std::string_view DA_Name) const { return Find_Named(List_DA, DA_Name); }

TIEC_DA* TIEC_DO::Find_First_DA() const { return First_Leaf(List_DA); }

std::string TIEC_DataSet::Reference() const {
  std::string out;
  if (fLN && fLN->lnClass() == "LLN0") {
    // LLN0 has no prefix or instance of its own.
    return Earlier_Reference();
  } else if (fLN) {
    Append_LN_Reference(out, fLN);
  }
  return out.append(1, '.').append(Name());
}

std::string TIEC_DataSet::Earlier_Reference() const {
  std::string out;
  if (fLN) {
    if (const TIEC_LDevice* ld = fLN->Owner_LDevice()) {
      if (const TIEC_Device* device = ld->Owner_Device()) out += device->Name();
      out += ld->Name();
    }
    out.append(1, '/').append(fLN->lnClass());
  }
  return out.append(1, '.').append(Name());
}

TIEC_DO* TIEC_LN::Find_DO(std::string_view DO_Name) const { return Find_Named(List_DO, DO_Name); }

TIEC_LN* TIEC_LDevice::Find_LN(std::string_view LN_Class) const {
  for (TIEC_LN* ln : List_LN)
    if (ln->lnClass() == LN_Class) return ln;
  return nullptr;
}

// ---- the device ----

TIEC_Device::TIEC_Device() = default;

TIEC_Device::TIEC_Device(const std::string& FileName_icd, util::Progress* progress)
    : fFileName(util::File_Name_Of(FileName_icd)) {
  Decode_ICD_File(*this, FileName_icd, Max_Model_Bytes, progress);
}

TIEC_Device::~TIEC_Device() = default;

TIEC_LDevice* TIEC_Device::Find_LDevice(std::string_view LD_Name) const {
  for (TIEC_LDevice* ld : List_LDevice)
    if (ld->Name() == LD_Name) return ld;
  return nullptr;
}

TIEC_LDevice& TIEC_Device::Add_LDevice(std::string_view name) {
  TIEC_LDevice* ld = store_.New<TIEC_LDevice>();
  ld->fName = store_.Intern(name);
  ld->fDevice = this;
  store_.Append(List_LDevice, ld);
  return *ld;
}

TIEC_LN& TIEC_Device::Add_LN(TIEC_LDevice& ld, std::string_view lnClass, std::string_view inst,
                             std::string_view prefix, std::string_view lnType) {
  TIEC_LN* ln = store_.New<TIEC_LN>();
  ln->flnClass = store_.Intern(lnClass);
  ln->fInst = store_.Intern(inst);
  ln->fPrefix = store_.Intern(prefix);
  ln->flnType = store_.Intern(lnType);
  ln->fLDevice = &ld;
  store_.Append(ld.List_LN, ln);
  return *ln;
}

TIEC_DO& TIEC_Device::Add_DO(TIEC_LN& ln, const std::string* name) {
  TIEC_DO* dobj = store_.New<TIEC_DO>();
  dobj->fName = name;
  dobj->fParent = reinterpret_cast<uintptr_t>(&ln);
  store_.Append(ln.List_DO, dobj);
  return *dobj;
}

TIEC_DO& TIEC_Device::Add_DO(TIEC_DO& parent, const std::string* name) {
  TIEC_DO* dobj = store_.New<TIEC_DO>();
  dobj->fName = name;
  dobj->fParent = reinterpret_cast<uintptr_t>(&parent) | 1;
  store_.Append(parent.List_DO, dobj);
  return *dobj;
}

TIEC_DA& TIEC_Device::Add_DA(TIEC_DO& parent, const DA_Texts* texts) {
  TIEC_DA* da = store_.New<TIEC_DA>();
  da->fTexts = texts;
  da->fParent = reinterpret_cast<uintptr_t>(&parent);
  store_.Append(parent.List_DA, da);
  return *da;
}

TIEC_DA& TIEC_Device::Add_DA(TIEC_DA& parent, const DA_Texts* texts) {
  TIEC_DA* da = store_.New<TIEC_DA>();
  da->fTexts = texts;
  da->fParent = reinterpret_cast<uintptr_t>(&parent) | 1;
  store_.Append(parent.List_DA, da);
  return *da;
}

TIEC_DO& TIEC_Device::Add_DO(TIEC_LN& ln, std::string_view name) {
  return Add_DO(ln, store_.Intern(name));
}

TIEC_DO& TIEC_Device::Add_DO(TIEC_DO& parent, std::string_view name) {
  return Add_DO(parent, store_.Intern(name));
}

TIEC_DA& TIEC_Device::Add_DA(TIEC_DO& parent, std::string_view name, std::string_view bType,
                             std::string_view fc) {
  return Add_DA(parent, store_.Intern(DA_Texts{store_.Intern(name), store_.Intern(bType),
                                               store_.Intern(fc)}));
}

TIEC_DA& TIEC_Device::Add_DA(TIEC_DA& parent, std::string_view name, std::string_view bType,
                             std::string_view fc) {
  return Add_DA(parent, store_.Intern(DA_Texts{store_.Intern(name), store_.Intern(bType),
                                               store_.Intern(fc)}));
}

TIEC_DataSet& TIEC_Device::Add_DataSet(TIEC_LN& ln, std::string_view name) {
  TIEC_DataSet* data_set = store_.New<TIEC_DataSet>();
  data_set->fName = store_.Intern(name);
  data_set->fGooseName = store_.Empty();
  data_set->fLN = &ln;
  store_.Append(ln.List_DataSet, data_set);
  return *data_set;
}

void TIEC_Device::Set_GooseName(TIEC_DataSet& data_set, std::string_view name) {
  data_set.fGooseName = store_.Intern(name);
}

void TIEC_Device::Add_Member(TIEC_DataSet& data_set, TIEC_DA& member) {
  store_.Append(data_set.List_DA, &member);
}

void TIEC_Device::Set_Earlier_Members(TIEC_DataSet& data_set,
                                      const std::vector<Earlier_Member>& members) {
  if (members.size() > UINT32_MAX)
    throw SCL_Error(lang::Lang_Strings(&scl_strings::Built_In)[scl_strings::Text_Too_Many_Members]);
  if (members.empty()) {
    data_set.fEarlier = nullptr;
    data_set.fEarlier_Count = 0;
    return;
  }
  auto* kept = static_cast<Earlier_Member*>(
      store_.Allocate(members.size() * sizeof(Earlier_Member), alignof(Earlier_Member)));
  std::copy(members.begin(), members.end(), kept);
  data_set.fEarlier = kept;
  data_set.fEarlier_Count = static_cast<uint32_t>(members.size());
}

void TIEC_Device::Clear() {
  List_LDevice = {};
  fName.clear();
  store_.Clear();
}

}  // namespace UIEC_Client_Decode
