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

// The templates of a document by kind, each indexed by id.
struct Template_Kinds {
  Type_Index lnode_types, do_types, da_types;
};

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

uint64_t Next_Import_Number() {
  static std::atomic<uint64_t> next{1};
  return next++;
}

// One import: what is kept of the document, and the expansion's work stack.
class Importer {
 public:
  Importer(TIEC_Device& device, std::string path, const std::string* ied_name = nullptr,
           std::vector<FCDA_Finding>* findings = nullptr, Shared_Templates* shared = nullptr,
           util::Progress* progress = nullptr)
      : device_(device),
        store_(device.Store()),
        path_name_(std::move(path)),
        ied_name_(ied_name),
        findings_(findings),
        shared_(shared),
        progress_(progress),
        // The file's own import counts its objects; one IED of a document the caller reads
        // (the check) only polls, inside the caller's stage.
        steps_(progress, !path_name_.empty()) {}
  // An import stopped half-way leaves the expansions it ran unmarked on shared templates.
  ~Importer() {
    for (const Frame& frame : stack_) --frame.type->active;
  }

  void Decode_ICD_File() {
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
  void Decode_IED(Node document, Node ied) {
    if (shared_) source_bytes_ = shared_->document_bytes;
    if (Read_Document(document, ied)) Build_Model();
  }

 private:
  void Build_Model() {
    // Before anything is built, the objects the types expand to are counted, at the least
    // memory each of them takes: a file whose types fan out beyond the budget is refused in
    // milliseconds, not after it has filled the budget.
    size_t objects = 0;
    for (const Pending_LN& pending : lns_)
      objects = Saturating_Add(objects, Objects_Of(*pending.type));
    constexpr size_t Least_Object_Bytes =
        std::min(sizeof(TIEC_DO), sizeof(TIEC_DA)) + sizeof(void*);
    const size_t least =
        objects > SIZE_MAX / Least_Object_Bytes ? SIZE_MAX : objects * Least_Object_Bytes;
    store_.Charge(least);  // throws the budget's SCL_Error when it cannot hold them
    store_.Uncharge(least);
    // And no more than a file of its size can need.
    if (source_bytes_ > 0) {
      const size_t most =
          Saturating_Add(Max_Objects_Base, source_bytes_ > SIZE_MAX / Max_Objects_Per_Byte
                                               ? SIZE_MAX
                                               : source_bytes_ * Max_Objects_Per_Byte);
      if (objects > most) {
        // The import's own words, as for the nesting limit.
        const lang::Lang_Strings english(&scl_strings::Built_In);
        throw SCL_Error(english[scl_strings::Text_Expands_To] + std::to_string(objects) +
                        english[scl_strings::Text_Expands_More_Than] + std::to_string(most) + ")");
      }
    }
    // Pass 1, structure: the data objects of every logical node.
    if (progress_ && !path_name_.empty())
      progress_->Start(scl_strings::Text_Building_Model, objects);
    for (const Pending_LN& pending : lns_) {
      store_.Reserve(pending.ln->List_DO, pending.type->children.size());
      for (Template_Child& child : pending.type->children) {
        TIEC_DO& dobj = device_.Add_DO(*pending.ln, child.name);
        steps_.Step();
        Start_DO(dobj, child);
        Expand();
      }
    }
    steps_.Flush();
    // Pass 2, data set members: only now can an FCDA find a logical device or node that comes
    // later in the file. The members of one set are consecutive. Each FCDA is also read by the
    // earlier look-ups, so that configurations saved by them find their members again.
    // The exact reading first; its maps go before the earlier look-ups build theirs, so that
    // the two never take memory together.
    std::vector<TIEC_DA*> resolved(members_.size());
    {
      std::unordered_map<const TIEC_LN*, Type_Entry*> ln_types;
      for (const Pending_LN& pending : lns_) ln_types.emplace(pending.ln, pending.type);
      Member_Resolver resolver(device_, store_, std::move(ln_types));
      for (size_t i = 0; i < members_.size(); ++i) {
        if (i % util::Progress_Steps::Every == 0) util::Poll(progress_);
        const Pending_Member& m = members_[i];
        const Member_Resolver::Outcome outcome =
            resolver.Resolve({m.ldInst, m.prefix, m.lnClass, m.lnInst, m.doName, m.daName, m.fc});
        resolved[i] = outcome.member;
        if (outcome.problem && findings_)
          findings_->push_back({m.fcda, *outcome.problem, outcome.name, outcome.where});
      }
    }
    Earlier_Resolver earlier(device_, store_);
    std::vector<TIEC_DA*> found;
    std::vector<Earlier_Member> earlier_members;
    for (size_t i = 0; i < members_.size();) {
      util::Poll(progress_);
      TIEC_DataSet* data_set = members_[i].data_set;
      const size_t first = i;
      found.clear();
      earlier_members.clear();
      for (; i < members_.size() && members_[i].data_set == data_set; ++i) {
        const Pending_Member& m = members_[i];
        const uint32_t place = resolved[i] ? static_cast<uint32_t>(found.size()) : No_Member_Place;
        if (resolved[i]) found.push_back(resolved[i]);
        if (TIEC_DA* da = earlier.Resolve(m.ldInst, m.lnClass, m.doName, m.daName))
          earlier_members.push_back({da, place});
      }
      store_.Reserve(data_set->List_DA, found.size());
      for (TIEC_DA* da : found) device_.Add_Member(*data_set, *da);
      device_.Set_FCDA_Count(*data_set, i - first);
      const bool same =
          earlier_members.size() == found.size() &&
          std::equal(found.begin(), found.end(), earlier_members.begin(),
                     [](const TIEC_DA* da, const Earlier_Member& e) { return da == e.da; });
      if (!same) device_.Set_Earlier_Members(*data_set, earlier_members);
    }
  }

  // Takes from the document the logical devices and nodes, the data sets with their GOOSE names,
  // the members to resolve and the templates. False when the file has no server to read.
  bool Read_Document(Node doc, Node ied) {
    Node scl = util::Child_Element(doc, "SCL");
    // `ied` when given, else the IED asked for by name, else the first
    if (!ied && ied_name_) {
      for (Node child = scl.first_child(); child && !ied; child = child.next_sibling())
        if (Is_Element(child, "IED") && *ied_name_ == child.attribute("name").value()) ied = child;
      if (!ied) throw SCL_Error("no IED named \"" + *ied_name_ + "\"");
    }
    if (!scl) return false;
    if (!ied) ied = util::Child_Element(scl, "IED");
    // Found once per document: a file of many IEDs would otherwise be walked again for each.
    Node dtt;
    if (!shared_) {
      dtt = util::Child_Element(scl, "DataTypeTemplates");
    } else {
      if (!shared_->set->looked_up)
        shared_->set->dtt = util::Child_Element(scl, "DataTypeTemplates");
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
  static void Index_Templates(Node dtt, Template_Kinds& kinds, Model_Store& texts) {
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

  void Decode_LDevice(TIEC_LDevice& ld, Node element) {
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
  void Decode_LN(TIEC_LN& ln, Node element) {
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

  void Decode_LN_DataSet(TIEC_LN& ln, Node element) {
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

  void Decode_LN_Goose(const std::unordered_map<std::string_view, TIEC_DataSet*>& by_name,
                       Node element) {
    const std::string_view name = element.attribute("name").value();
    const std::string_view datSet = element.attribute("datSet").value();
    if (name.empty() || datSet.empty()) return;
    auto it = by_name.find(datSet);
    if (it != by_name.end()) device_.Set_GooseName(*it->second, name);
  }

  void Decode_DataSet(TIEC_DataSet& data_set, Node element) {
    for (Node child = element.first_child(); child; child = child.next_sibling())
      if (Is_Element(child, "FCDA"))
        members_.push_back({&data_set, Keep(child, "ldInst"), Keep(child, "prefix"),
                            Keep(child, "lnClass"), Keep(child, "lnInst"), Keep(child, "doName"),
                            Keep(child, "daName"), Keep(child, "fc"), child});
  }

  const char* Keep(Node element, const char* attribute) {
    return texts_.Keep(element.attribute(attribute).value());
  }

  // The texts of an attribute made from `child` below a parent whose functional constraint is
  // `fc_father` (the empty text for an attribute of a data object).
  const DA_Texts* Texts_Of(Template_Child& child, const std::string* fc_father) {
    if (!child.last_texts || child.last_import != number_ ||
        (!child.fc && child.last_fc_father != fc_father)) {
      child.last_texts =
          store_.Intern(DA_Texts{child.name, child.bType, child.fc ? child.fc : fc_father});
      child.last_fc_father = fc_father;
      child.last_import = number_;
    }
    return child.last_texts;
  }

  // A data object or sub data object just created: when it has a type that is not already being
  // expanded above it, queued for expansion.
  void Start_DO(TIEC_DO& dobj, const Template_Child& child) {
    Type_Entry* type = child.type;
    if (!type || type->active > 0) return;
    Check_Nesting(*type);
    ++type->active;
    store_.Reserve(dobj.List_DO, type->sdo_count);
    store_.Reserve(dobj.List_DA, type->children.size() - type->sdo_count);
    stack_.push_back({&dobj, nullptr, type, 0});
  }

  // An attribute or sub attribute just created, likewise.
  void Start_DA(TIEC_DA& da, const Template_Child& child) {
    Type_Entry* type = child.type;
    if (!type || type->active > 0) return;
    Check_Nesting(*type);
    ++type->active;
    store_.Reserve(da.List_DA, type->children.size());
    stack_.push_back({nullptr, &da, type, 0});
  }

  // An object being expanded with `type` lies as many levels below its node's data object as
  // there are expansions running above it; the children of the type would lie one further.
  void Check_Nesting(const Type_Entry& type) const {
    if (stack_.size() + 1 <= Max_Nesting_Levels) return;
    // The import runs below every window and without one's table: its one message of its own is
    // the built-in English.
    const lang::Lang_Strings english(&scl_strings::Built_In);
    throw SCL_Error(english[scl_strings::Text_Nesting_Too_Deep] +
                    std::to_string(Max_Nesting_Levels) + english[scl_strings::Text_Nesting_Type] +
                    (type.id ? *type.id : std::string()) + "\")");
  }

  // Runs the queued expansions with an explicit stack, creating the objects in the order a
  // recursive descent would, so that deeply nested types cannot exhaust the call stack.
  void Expand() {
    while (!stack_.empty()) {
      Frame& frame = stack_.back();
      if (frame.next == frame.type->children.size()) {
        --frame.type->active;
        stack_.pop_back();
        continue;
      }
      Template_Child& child = frame.type->children[frame.next++];
      steps_.Step();
      // The Start_ operations may push a frame: `frame` is not used after them.
      if (TIEC_DA* parent = frame.da) {
        Start_DA(device_.Add_DA(*parent, Texts_Of(child, &parent->FC())), child);
      } else if (child.sdo) {
        Start_DO(device_.Add_DO(*frame.dobj, child.name), child);
      } else {
        Start_DA(device_.Add_DA(*frame.dobj, Texts_Of(child, store_.Empty())), child);
      }
    }
  }

  struct Frame {
    TIEC_DO* dobj;  // expanding a DOType for this data object, or
    TIEC_DA* da;    // a DAType for this attribute
    Type_Entry* type;
    size_t next;  // next child of the type to create
  };
  struct Pending_LN {
    TIEC_LN* ln;
    Type_Entry* type;
  };
  struct Pending_Member {
    TIEC_DataSet* data_set;
    const char* ldInst;
    const char* prefix;
    const char* lnClass;
    const char* lnInst;
    const char* doName;
    const char* daName;
    const char* fc;
    Node fcda;  // only followed while the caller keeps the document (findings_ set)
  };

  TIEC_Device& device_;
  Model_Store& store_;
  const std::string path_name_;
  const std::string* ied_name_;  // null: the file's first IED
  size_t source_bytes_ = 0;      // the document's size, for the bound on its objects; 0: none
  // Where the FCDAs that add no member, or name another fc, go; null when nobody asks.
  std::vector<FCDA_Finding>* findings_;
  Text_Store texts_;
  Shared_Templates* shared_;    // null: the templates are this import's own
  util::Progress* progress_;    // null: nobody follows the import
  util::Progress_Steps steps_;  // the objects built, passed on to progress_
  Template_Kinds own_templates_;
  Template_Kinds* templates_ = &own_templates_;
  // This import's number, which no other import of the process has: what a template child
  // remembers of one import is not taken for another's.
  const uint64_t number_ = Next_Import_Number();
  std::vector<Pending_LN> lns_;
  std::vector<Pending_Member> members_;  // in document order, so each set's order is kept
  std::vector<Frame> stack_;
};

}  // namespace

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
    device.Clear();
    device.Store().Set_Limit(old_limit);
    throw;
  }
  device.Store().Set_Limit(old_limit);
}

}  // namespace UIEC_Client_Decode
