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

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "scl/model_store.h"
#include "util/progress.h"

namespace UIEC_Client_Decode {

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

}  // namespace UIEC_Client_Decode
