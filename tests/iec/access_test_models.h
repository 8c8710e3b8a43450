// Small hand-built server models for the access editor's tests, and an importer that builds them
// from one-line stand-in files ("IED_NAME member,member,..."), so the editor's rules are tested
// without the SCL import.
#pragma once

#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "iec/scl_model.h"
#include "iec/server_list.h"
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

inline TIEC_DA* Add_DA(std::vector<std::unique_ptr<TIEC_DA>>& list, const std::string& parent_ref,
                       const std::string& name, const std::string& bType, const std::string& fc) {
  auto da = std::make_unique<TIEC_DA>();
  da->Set_Name(name);
  da->Set_Reference(parent_ref + "." + name);
  da->Set_bType(bType);
  da->Set_FC(fc);
  list.push_back(std::move(da));
  return list.back().get();
}

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
  auto ld = std::make_unique<TIEC_LDevice>();
  ld->Set_Name("LD0");
  const std::string prefix = ied + "LD0/";

  auto lln0 = std::make_unique<TIEC_LN>();
  lln0->Set_lnClass("LLN0");
  auto mod = std::make_unique<TIEC_DO>();
  mod->Set_Name("Mod");
  std::map<std::string, TIEC_DA*> by_name;
  by_name["stVal"] = Add_DA(mod->List_DA, prefix + "LLN0.Mod", "stVal", "Enum", "ST");
  by_name["q"] = Add_DA(mod->List_DA, prefix + "LLN0.Mod", "q", "Quality", "ST");
  by_name["t"] = Add_DA(mod->List_DA, prefix + "LLN0.Mod", "t", "Timestamp", "ST");
  lln0->List_DO.push_back(std::move(mod));

  auto mmxu = std::make_unique<TIEC_LN>();
  mmxu->Set_lnClass("MMXU");
  mmxu->Set_Inst("1");
  auto totw = std::make_unique<TIEC_DO>();
  totw->Set_Name("TotW");
  TIEC_DA* mag = Add_DA(totw->List_DA, prefix + "MMXU1.TotW", "mag", "Struct", "MX");
  by_name["f"] = Add_DA(mag->List_DA, mag->Reference(), "f", "FLOAT32", "MX");
  mmxu->List_DO.push_back(std::move(totw));

  auto ds1 = std::make_unique<TIEC_DataSet>();
  ds1->Set_Name("DS1");
  ds1->Set_Reference(prefix + "LLN0.DS1");
  ds1->Set_GooseName("gcb1");
  for (const std::string& name : members) ds1->List_DA.push_back(by_name.at(name));
  auto ds2 = std::make_unique<TIEC_DataSet>();
  ds2->Set_Name("DS2");
  ds2->Set_Reference(prefix + "LLN0.DS2");
  ds2->List_DA.push_back(by_name.at("stVal"));
  lln0->List_DataSet.push_back(std::move(ds1));
  lln0->List_DataSet.push_back(std::move(ds2));

  ld->List_LN.push_back(std::move(lln0));
  ld->List_LN.push_back(std::move(mmxu));
  device->List_LDevice.push_back(std::move(ld));
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

}  // namespace test
