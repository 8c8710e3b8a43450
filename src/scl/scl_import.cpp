#include "scl/scl_import.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "scl/fcda_resolvers.h"
#include "scl/import_templates.h"
#include "scl/importer.h"
#include "scl/scl_strings.h"
#include "text/lang_strings.h"
#include "util/files.h"
#include "util/memory.h"
#include "util/progress.h"
#include "util/xml.h"

// The import reads the document once, building the logical devices, nodes and data sets and
// keeping what the rest needs (the data type templates in a compact form indexed by id, their
// texts already in the device's store, and the data set members still to resolve). It then
// releases the document and builds the data objects and attributes, nearly all of the model,
// from the templates. The document and those objects are thus never in memory together, and
// expanding a type costs only the objects it creates, however many templates the file holds.
// Every list is sized exactly before it is filled, and every byte the model takes is counted
// against the device's limit before it is taken.
//
// This file holds the first half, the reading of the document, and the import's entry points;
// the building of the model is import_build.cpp, the Importer both halves share importer.h.

namespace UIEC_Client_Decode {

using namespace import_parts;

namespace {

// Comments are not kept: the reading skips them everywhere, and without them the document is
// smaller. Text directly inside an element becomes its value instead of a node of its own, which
// saves a node per <Val> or <EnumVal>; nothing of the import reads element text.
constexpr unsigned Parse_Options = pugi::parse_default | pugi::parse_embed_pcdata;

// Loads the file into `doc`, parsing in place in a single buffer. Failures are reported through
// the shared loaders so that their wording is the one used for every other file.
void Load_Document(pugi::xml_document& doc, const std::string& path) {
  const pugi::xml_parse_result result = doc.load_file(path.c_str(), Parse_Options);
  if (result) return;
  doc.reset();
  switch (result.status) {
    case pugi::status_file_not_found:
    case pugi::status_io_error:
      util::Read_File(path);  // throws File_Error with the system's reason
      throw util::File_Error(path + ": " + result.description());
    case pugi::status_out_of_memory:
      throw SCL_Error(result.description());
    default:
      util::Load_Xml_File(doc, path);  // throws Xml_Error with line and column
      doc.reset();
      throw util::Xml_Error(path + ": " + result.description());
  }
}

}  // namespace

struct Shared_Templates::Set {
  Model_Store texts;  // the templates' texts, which the devices imported with them keep
  Template_Kinds kinds;
  bool indexed = false;
  pugi::xml_node dtt;  // the document's DataTypeTemplates, once looked up
  bool looked_up = false;
};

namespace {

size_t Count_Children(Node element, const char* name, const char* other_name = nullptr) {
  size_t count = 0;
  for (Node child = element.first_child(); child; child = child.next_sibling())
    if (Is_Element(child, name) || (other_name && Is_Element(child, other_name))) ++count;
  return count;
}

}  // namespace

void Importer::Decode_ICD_File() {
  std::error_code unknown;
  const uintmax_t size = std::filesystem::file_size(
      std::filesystem::path(std::u8string(path_name_.begin(), path_name_.end())), unknown);
  if (!unknown) source_bytes_ = static_cast<size_t>(size);
  {
    util::Start(progress_, scl_strings::Text_Reading_File, 0);  // the parser says not how far
    pugi::xml_document doc;
    Load_Document(doc, path_name_);
    util::Poll(progress_);
    if (!Read_Document(doc, Node())) return;
  }  // the document is released before the objects are built
  Build_Model();
}

// The same for IED element `ied` of a document the caller keeps.
void Importer::Decode_IED(Node document, Node ied) {
  if (shared_) source_bytes_ = shared_->document_bytes;
  if (Read_Document(document, ied)) Build_Model();
}

// Takes from the document the logical devices and nodes, the data sets with their GOOSE names,
// the members to resolve and the templates. False when the file has no server to read.
bool Importer::Read_Document(Node doc, Node ied) {
  Node scl = util::Child_Element(doc, "SCL");
  // `ied` when given, else the IED asked for by name, else the first
  if (!ied && ied_name_) {
    for (Node child = scl.first_child(); child && !ied; child = child.next_sibling())
      if (Is_Element(child, "IED") && *ied_name_ == child.attribute("name").value()) ied = child;
    if (!ied) {
      // In the import's own words, as for its limits.
      const lang::Lang_Strings english(&scl_strings::Built_In);
      throw SCL_Error(english[scl_strings::Text_No_IED_Named] + *ied_name_ + "\"");
    }
  }
  if (!scl) return false;
  if (!ied) ied = util::Child_Element(scl, "IED");
  // Found once per document: a file of many IEDs would otherwise be walked again for each.
  Node dtt;
  if (!shared_) {
    dtt = util::Child_Element(scl, "DataTypeTemplates");
  } else {
    if (!shared_->set->looked_up) shared_->set->dtt = util::Child_Element(scl, "DataTypeTemplates");
    shared_->set->looked_up = true;
    dtt = shared_->set->dtt;
  }
  if (!ied || !dtt) return false;
  if (pugi::xml_attribute name = ied.attribute("name")) {
    store_.Charge(std::strlen(name.value()) + 1);
    device_.Set_Name(name.value());
  }
  Node access_point = util::Child_Element(ied, "AccessPoint");
  Node server = access_point ? util::Child_Element(access_point, "Server") : Node();
  if (!server) return false;

  if (!shared_) {
    Index_Templates(dtt, own_templates_, store_);
  } else {
    if (!shared_->set->indexed) {
      Index_Templates(dtt, shared_->set->kinds, shared_->set->texts);
      shared_->set->indexed = true;
    }
    templates_ = &shared_->set->kinds;
  }
  store_.Reserve(device_.List_LDevice, Count_Children(server, "LDevice"));
  for (Node child = server.first_child(); child; child = child.next_sibling()) {
    if (!Is_Element(child, "LDevice")) continue;
    Decode_LDevice(device_.Add_LDevice(child.attribute("inst").value()), child);
  }
  return true;
}

// Reads the templates into `kinds`, their texts kept in `texts`.
void Importer::Index_Templates(Node dtt, Template_Kinds& kinds, Model_Store& texts) {
  Type_Index& lnode_types = kinds.lnode_types;
  Type_Index& do_types = kinds.do_types;
  Type_Index& da_types = kinds.da_types;
  for (Node child = dtt.first_child(); child; child = child.next_sibling()) {
    if (child.type() != pugi::node_element) continue;
    const char* name = child.name();
    if (std::strcmp(name, "LNodeType") == 0)
      lnode_types.Add(child, "DO", nullptr, texts);
    else if (std::strcmp(name, "DOType") == 0)
      do_types.Add(child, "DA", "SDO", texts);
    else if (std::strcmp(name, "DAType") == 0)
      da_types.Add(child, "BDA", nullptr, texts);
  }
  // Which type each child expands with: a data object's DOType when its type is not empty; an
  // attribute's DAType when it has a type and is not an "Enum".
  auto data_object = [&do_types](Template_Child& child) {
    if (child.type_id && !child.type_id->empty()) child.type = do_types.Find(*child.type_id);
  };
  lnode_types.For_Each_Child(data_object);
  auto attribute = [&da_types](Template_Child& child) {
    if (child.type_id && *child.bType != "Enum") child.type = da_types.Find(*child.type_id);
  };
  do_types.For_Each_Child([&](Template_Child& child) {
    if (child.sdo)
      data_object(child);
    else
      attribute(child);
  });
  da_types.For_Each_Child(attribute);
}

void Importer::Decode_LDevice(TIEC_LDevice& ld, Node element) {
  store_.Reserve(ld.List_LN, Count_Children(element, "LN0", "LN"));
  for (Node child = element.first_child(); child; child = child.next_sibling()) {
    if (!Is_Element(child, "LN0") && !Is_Element(child, "LN")) continue;
    util::Poll(progress_);
    Decode_LN(
        device_.Add_LN(ld, child.attribute("lnClass").value(), child.attribute("inst").value(),
                       child.attribute("prefix").value(), child.attribute("lnType").value()),
        child);
  }
}

// The node's data sets, and its type for pass 1. A node without lnType has neither data
// objects nor data sets.
void Importer::Decode_LN(TIEC_LN& ln, Node element) {
  if (ln.lnType().empty()) {
    // Its data sets' members are never read: none of them becomes a member.
    if (findings_) {
      const std::string where = ln.Prefix() + ln.lnClass() + ln.Inst();
      for (Node data_set = element.first_child(); data_set; data_set = data_set.next_sibling())
        if (Is_Element(data_set, "DataSet"))
          for (Node fcda = data_set.first_child(); fcda; fcda = fcda.next_sibling())
            if (Is_Element(fcda, "FCDA"))
              findings_->push_back({fcda, FCDA_Problem::LN_Without_Type, {}, where});
    }
    return;
  }
  if (Type_Entry* type = templates_->lnode_types.Find(ln.lnType())) lns_.push_back({&ln, type});
  Decode_LN_DataSet(ln, element);
}

void Importer::Decode_LN_DataSet(TIEC_LN& ln, Node element) {
  bool has_goose = false;
  store_.Reserve(ln.List_DataSet, Count_Children(element, "DataSet"));
  for (Node child = element.first_child(); child; child = child.next_sibling()) {
    if (Is_Element(child, "GSEControl")) has_goose = true;
    if (!Is_Element(child, "DataSet")) continue;
    Decode_DataSet(device_.Add_DataSet(ln, child.attribute("name").value()), child);
  }
  if (!has_goose) return;
  // A GSEControl may come before its DataSet: the controls are matched once all sets exist.
  std::unordered_map<std::string_view, TIEC_DataSet*> by_name;
  for (TIEC_DataSet* data_set : ln.List_DataSet) by_name.emplace(data_set->Name(), data_set);
  for (Node child = element.first_child(); child; child = child.next_sibling())
    if (Is_Element(child, "GSEControl")) Decode_LN_Goose(by_name, child);
}

void Importer::Decode_LN_Goose(const std::unordered_map<std::string_view, TIEC_DataSet*>& by_name,
                               Node element) {
  const std::string_view name = element.attribute("name").value();
  const std::string_view datSet = element.attribute("datSet").value();
  if (name.empty() || datSet.empty()) return;
  auto it = by_name.find(datSet);
  if (it != by_name.end()) device_.Set_GooseName(*it->second, name);
}

void Importer::Decode_DataSet(TIEC_DataSet& data_set, Node element) {
  for (Node child = element.first_child(); child; child = child.next_sibling())
    if (Is_Element(child, "FCDA"))
      members_.push_back({&data_set, Keep(child, "ldInst"), Keep(child, "prefix"),
                          Keep(child, "lnClass"), Keep(child, "lnInst"), Keep(child, "doName"),
                          Keep(child, "daName"), Keep(child, "fc"), child});
}

const char* Importer::Keep(Node element, const char* attribute) {
  return texts_.Keep(element.attribute(attribute).value());
}

Shared_Templates::Shared_Templates() : set(std::make_unique<Set>()) {}
Shared_Templates::~Shared_Templates() = default;

void Decode_IED_Element(TIEC_Device& device, pugi::xml_node document, pugi::xml_node ied,
                        std::vector<FCDA_Finding>& findings, size_t max_bytes,
                        Shared_Templates* templates, util::Progress* progress) {
  const size_t old_limit = device.Store().Limit();
  device.Store().Set_Limit(max_bytes);
  try {
    Importer(device, std::string(), nullptr, &findings, templates, progress)
        .Decode_IED(document, ied);
  } catch (...) {
    // Whatever stopped the import (a refusal, Cancel, memory), nothing of it stays behind.
    device.Clear();
    device.Store().Set_Limit(old_limit);
    throw;
  }
  device.Store().Set_Limit(old_limit);
}

void Decode_ICD_File(TIEC_Device& device, const std::string& FileName_icd, size_t max_bytes,
                     util::Progress* progress) {
  Decode_ICD_File_IED(device, FileName_icd, nullptr, max_bytes, progress);
}

void Decode_ICD_File_IED(TIEC_Device& device, const std::string& FileName_icd,
                         const std::string* IED_Name, size_t max_bytes, util::Progress* progress) {
  if (!util::File_Exists(FileName_icd)) return;
  const size_t old_limit = device.Store().Limit();
  device.Store().Set_Limit(max_bytes);
  // The document of a large file, released before the model was built, would otherwise stay
  // with the program as free heap some times the model's size.
  struct Release_At_End {
    ~Release_At_End() { util::Release_Free_Memory(); }
  } release;
  try {
    Importer(device, FileName_icd, IED_Name, nullptr, nullptr, progress).Decode_ICD_File();
  } catch (const SCL_Error& e) {
    // Nothing of a failed import stays behind.
    device.Clear();
    device.Store().Set_Limit(old_limit);
    throw SCL_Error(FileName_icd + ": " + e.what());
  } catch (...) {
    // Any other failure (Cancel, memory, a file error) goes on as it is, the device emptied.
    device.Clear();
    device.Store().Set_Limit(old_limit);
    throw;
  }
  device.Store().Set_Limit(old_limit);
}

}  // namespace UIEC_Client_Decode
