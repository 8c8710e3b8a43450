// The in-memory picture of one IEC 61850 server as its SCL file declares it: device, logical
// devices, logical nodes, data objects (with sub data objects), data attributes (with sub
// attributes), and the data sets of each logical node. The import (scl_import.h) fills it once;
// afterwards only the editor's TreeNode links change.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace UIEC_Client_Decode {

// Identifies the node of the editor's tree that shows a model object. The model never follows
// it, only stores it for identity comparison; null until the object is shown.
using Tree_Node = void*;

// Common root of the six model classes, so that a tree node's data can carry any of them.
class TIEC_Object {
 public:
  TIEC_Object() = default;
  TIEC_Object(const TIEC_Object&) = delete;
  TIEC_Object& operator=(const TIEC_Object&) = delete;
  virtual ~TIEC_Object() = default;

  Tree_Node TreeNode = nullptr;
};

class TIEC_DA;

// One data attribute: a DA of a DOType or a BDA of a DAType.
class TIEC_DA : public TIEC_Object {
 public:
  TIEC_DA() = default;
  ~TIEC_DA() override;

  const std::string& Reference() const { return fReference; }
  void Set_Reference(std::string value) { fReference = std::move(value); }
  const std::string& FC() const { return fFC; }
  void Set_FC(std::string value) { fFC = std::move(value); }
  const std::string& bType() const { return fbType; }
  void Set_bType(std::string value) { fbType = std::move(value); }
  const std::string& Name() const { return fName; }
  void Set_Name(std::string value) { fName = std::move(value); }

  // First attribute named exactly DA_Name among the sub attributes, depth first (an entry, then
  // its descendants, then the next entry); null when none. A dotted path matches nothing.
  TIEC_DA* Find_DA(const std::string& DA_Name) const;
  // The first leaf below this attribute following first entries; null when it has no sub
  // attributes.
  TIEC_DA* Find_First_DA() const;

  std::string fReference;  // e.g. IED1LD0/MMXU1.TotW.mag.f (no functional constraint)
  std::string fFC;         // a sub attribute inherits its parent's unless it has its own
  std::string fbType;      // as written: BOOLEAN, INT32, Struct, Enum, ...
  std::string fName;
  std::vector<std::unique_ptr<TIEC_DA>> List_DA;  // owned sub attributes
};

// One data object: a DO of an LNodeType or an SDO of a DOType.
class TIEC_DO : public TIEC_Object {
 public:
  TIEC_DO() = default;
  ~TIEC_DO() override;

  const std::string& Name() const { return fName; }
  void Set_Name(std::string value) { fName = std::move(value); }

  // First sub data object named DO_Name, depth first; null when none.
  TIEC_DO* Find_DO(const std::string& DO_Name) const;
  // First attribute named DA_Name among this object's own attributes and their sub attributes,
  // depth first; the attributes of sub data objects are not searched.
  TIEC_DA* Find_DA(const std::string& DA_Name) const;
  // The first leaf attribute following first entries; null when there are no attributes.
  TIEC_DA* Find_First_DA() const;

  std::string fName;
  std::vector<std::unique_ptr<TIEC_DO>> List_DO;  // owned sub data objects
  std::vector<std::unique_ptr<TIEC_DA>> List_DA;  // owned attributes
};

// One data set. Its members are attributes owned elsewhere in the same device.
class TIEC_DataSet : public TIEC_Object {
 public:
  TIEC_DataSet() = default;
  ~TIEC_DataSet() override = default;

  const std::string& Name() const { return fName; }
  void Set_Name(std::string value) { fName = std::move(value); }
  const std::string& Reference() const { return fReference; }
  void Set_Reference(std::string value) { fReference = std::move(value); }
  const std::string& GooseName() const { return fGooseName; }
  void Set_GooseName(std::string value) { fGooseName = std::move(value); }

  std::string fName;
  std::string fReference;         // e.g. IED1LD0/LLN0.Measures (no prefix, no LN inst)
  std::string fGooseName;         // name of the GSEControl publishing this set; empty when none
  std::vector<TIEC_DA*> List_DA;  // members, NOT owned; the same attribute may appear twice
};

// One logical node: an LN0 or LN element.
class TIEC_LN : public TIEC_Object {
 public:
  TIEC_LN() = default;
  ~TIEC_LN() override;

  const std::string& lnClass() const { return flnClass; }
  void Set_lnClass(std::string value) { flnClass = std::move(value); }
  const std::string& lnType() const { return flnType; }
  void Set_lnType(std::string value) { flnType = std::move(value); }
  const std::string& Prefix() const { return fPrefix; }
  void Set_Prefix(std::string value) { fPrefix = std::move(value); }
  const std::string& Inst() const { return fInst; }
  void Set_Inst(std::string value) { fInst = std::move(value); }

  // First data object named DO_Name, depth first through sub data objects; null when none.
  TIEC_DO* Find_DO(const std::string& DO_Name) const;

  std::string flnClass;
  std::string flnType;  // id of the LNodeType that defines the node
  std::string fPrefix;
  std::string fInst;
  std::vector<std::unique_ptr<TIEC_DO>> List_DO;            // owned
  std::vector<std::unique_ptr<TIEC_DataSet>> List_DataSet;  // owned
};

// One logical device: an LDevice element.
class TIEC_LDevice : public TIEC_Object {
 public:
  TIEC_LDevice() = default;
  ~TIEC_LDevice() override;

  const std::string& Name() const { return fName; }
  void Set_Name(std::string value) { fName = std::move(value); }

  // First logical node of class LN_Class; prefix and inst are not compared.
  TIEC_LN* Find_LN(const std::string& LN_Class) const;

  std::string fName;                              // the "inst", without the IED name
  std::vector<std::unique_ptr<TIEC_LN>> List_LN;  // owned; LN0 and LN in document order
};

// One IEC 61850 server (the first IED of an SCL file).
class TIEC_Device : public TIEC_Object {
 public:
  // An empty device, filled by hand (tests) or by Decode_ICD_File.
  TIEC_Device() = default;
  // Sets FileName to the file-name part of FileName_icd and imports the file (scl_import.h).
  // A missing file gives an empty device; a file that cannot be read or is not well-formed
  // throws (see Decode_ICD_File) and no device is constructed.
  explicit TIEC_Device(const std::string& FileName_icd);
  ~TIEC_Device() override;

  const std::string& Name() const { return fName; }
  void Set_Name(std::string value) { fName = std::move(value); }
  const std::string& FileName() const { return fFileName; }
  void Set_FileName(std::string value) { fFileName = std::move(value); }

  // First logical device whose Name equals LD_Name.
  TIEC_LDevice* Find_LDevice(const std::string& LD_Name) const;

  std::string fName;      // the IED's "name"
  std::string fFileName;  // the SCL file's name without its folder
  std::vector<std::unique_ptr<TIEC_LDevice>> List_LDevice;  // owned
};

}  // namespace UIEC_Client_Decode
