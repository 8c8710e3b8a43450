// Small hand-built server models for the access editor's tests, and an importer that builds them
// from one-line stand-in files ("IED_NAME member,member,..."), so the editor's rules are tested
// without the SCL import.
#pragma once

#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

#include "access/server_list.h"
#include "scl/model_walk.h"
#include "scl/scl_model.h"
#include "support/test_support.h"
#include "util/files.h"
#include "util/xml.h"

namespace test {

using UIEC_Client_Decode::TIEC_DA;
using UIEC_Client_Decode::TIEC_DataSet;
using UIEC_Client_Decode::TIEC_Device;
using UIEC_Client_Decode::TIEC_DO;
using UIEC_Client_Decode::TIEC_LDevice;
using UIEC_Client_Decode::TIEC_LN;

// A server `ied` with logical device LD0 holding LLN0 and MMXU1:
//   LLN0.Mod: stVal (Enum), q (Quality), t (Timestamp)
//   MMXU1.TotW: mag (Struct) with f (FLOAT32)
// and two data sets in LLN0: DS1 (members by name among stVal, q, t, f; published by GOOSE
// "gcb1") and DS2 (member stVal, no GOOSE).
inline std::unique_ptr<TIEC_Device> Make_Device(const std::string& ied,
                                                const std::string& file_name,
                                                const std::vector<std::string>& members = {
                                                    "stVal", "q", "f"}) {
  auto device = std::make_unique<TIEC_Device>();
  device->Set_Name(ied);
  device->Set_FileName(file_name);
  TIEC_LDevice& ld = device->Add_LDevice("LD0");

  TIEC_LN& lln0 = device->Add_LN(ld, "LLN0");
  TIEC_LN& mmxu = device->Add_LN(ld, "MMXU", "1");
  TIEC_DO& mod = device->Add_DO(lln0, "Mod");
  std::map<std::string, TIEC_DA*> by_name;
  by_name["stVal"] = &device->Add_DA(mod, "stVal", "Enum", "ST");
  by_name["q"] = &device->Add_DA(mod, "q", "Quality", "ST");
  by_name["t"] = &device->Add_DA(mod, "t", "Timestamp", "ST");

  TIEC_DO& totw = device->Add_DO(mmxu, "TotW");
  TIEC_DA& mag = device->Add_DA(totw, "mag", "Struct", "MX");
  by_name["f"] = &device->Add_DA(mag, "f", "FLOAT32", "MX");

  TIEC_DataSet& ds1 = device->Add_DataSet(lln0, "DS1");
  device->Set_GooseName(ds1, "gcb1");
  for (const std::string& name : members) device->Add_Member(ds1, *by_name.at(name));
  TIEC_DataSet& ds2 = device->Add_DataSet(lln0, "DS2");
  device->Add_Member(ds2, *by_name.at("stVal"));
  return device;
}

// The stand-in for a server's SCL file: its IED name and the members of DS1.
inline std::string Fake_Scl(const std::string& ied, const std::string& members = "stVal,q,f") {
  return ied + " " + members;
}

// Builds the model a stand-in file describes; text starting with "<" counts as broken XML.
inline std::unique_ptr<TIEC_Device> Fake_Import(const std::string& path) {
  if (!util::File_Exists(path)) return std::make_unique<TIEC_Device>();
  const std::string content = util::Read_File(path);
  if (content.empty() || content[0] == '<')
    throw util::Xml_Error(path + ": unexpected end of data (line 1, column 1)");
  std::istringstream in(content);
  std::string ied, list;
  in >> ied >> list;
  std::vector<std::string> members;
  std::istringstream parts(list);
  for (std::string name; std::getline(parts, name, ',');) members.push_back(name);
  return Make_Device(ied, util::File_Name_Of(path), members);
}

// The leaf attribute of `device` with `reference`, or null.
inline UIEC_Client_Decode::TIEC_DA* Attribute(const UIEC_Client_Decode::TIEC_Device& device,
                                              const std::string& reference) {
  UIEC_Client_Decode::TIEC_DA* found = nullptr;
  UIEC_Client_Decode::For_Each_Object(device, [&](auto& object) {
    if constexpr (std::is_same_v<std::remove_cvref_t<decltype(object)>,
                                 UIEC_Client_Decode::TIEC_DA>)
      if (found == nullptr && object.Reference() == reference) found = &object;
  });
  return found;
}

}  // namespace test
