#include "iec/scl_import.h"

#include <cstring>
#include <pugixml.hpp>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "util/files.h"
#include "util/xml.h"

namespace UIEC_Client_Decode {

namespace {

using Node = pugi::xml_node;

const std::string No_FC;

bool Is_Element(Node node, const char* name) {
  return node.type() == pugi::node_element && std::strcmp(node.name(), name) == 0;
}

// Attributes are read only when present, taken as written; an absent one leaves the text alone.
void Read_Attribute(Node element, const char* name, std::string& target) {
  if (pugi::xml_attribute attribute = element.attribute(name)) target = attribute.value();
}

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
      throw SCL_Error(path + ": " + result.description());
    default:
      util::Load_Xml_File(doc, path);  // throws Xml_Error with line and column
      doc.reset();
      throw util::Xml_Error(path + ": " + result.description());
  }
}

// All templates of one kind with the same "id": the children the import expands (DO of an
// LNodeType; SDO and DA of a DOType; BDA of a DAType), every matching template's in document
// order. Built once per import, so that expanding a type costs only the objects it creates.
struct Type_Entry {
  std::vector<Node> children;
  // Objects on the current path of the expansion that are expanding this type; a type met again
  // below itself is a cycle and is not expanded a second time.
  int active = 0;
};

class Type_Index {
 public:
  void Add(Node template_element, const char* child_name, const char* other_child_name) {
    pugi::xml_attribute id = template_element.attribute("id");
    if (!id) return;  // templates without "id" are passed over
    Type_Entry& entry = map_[std::string_view(id.value())];
    for (Node child = template_element.first_child(); child; child = child.next_sibling())
      if (Is_Element(child, child_name) ||
          (other_child_name && Is_Element(child, other_child_name)))
        entry.children.push_back(child);
  }

  Type_Entry* Find(std::string_view id) {
    auto it = map_.find(id);
    return it == map_.end() ? nullptr : &it->second;
  }

 private:
  std::unordered_map<std::string_view, Type_Entry> map_;
};

// Finds data set members by the same rules as the model's Find_ operations (exact names, the
// first match in the depth-first order winning), through maps built on first use, so that a
// data set with thousands of members does not search the same logical node thousands of times.
class Member_Resolver {
 public:
  explicit Member_Resolver(const TIEC_Device& device) {
    for (const auto& ld : device.List_LDevice) ldevices_.emplace(ld->fName, ld.get());
  }

  TIEC_DA* Resolve(const std::string& ldInst, const std::string& lnClass, const std::string& doName,
                   const std::string& daName) {
    if (ldInst.empty() || lnClass.empty() || doName.empty()) return nullptr;
    TIEC_LDevice* ld = Find(ldevices_, ldInst);
    if (!ld) return nullptr;
    auto [ln_map, new_ln_map] = lns_.try_emplace(ld);
    if (new_ln_map)
      for (const auto& ln : ld->List_LN) ln_map->second.emplace(ln->flnClass, ln.get());
    TIEC_LN* ln = Find(ln_map->second, lnClass);
    if (!ln) return nullptr;
    auto [do_map, new_do_map] = dos_.try_emplace(ln);
    if (new_do_map) Index_Depth_First(ln->List_DO, do_map->second);
    TIEC_DO* dobj = Find(do_map->second, doName);
    if (!dobj) return nullptr;
    if (daName.empty()) return dobj->Find_First_DA();
    auto [da_map, new_da_map] = das_.try_emplace(dobj);
    if (new_da_map) Index_Depth_First(dobj->List_DA, da_map->second);
    return Find(da_map->second, daName);
  }

 private:
  template <typename T>
  using Name_Map = std::unordered_map<std::string_view, T*>;

  template <typename T>
  static T* Find(const Name_Map<T>& map, const std::string& name) {
    auto it = map.find(name);
    return it == map.end() ? nullptr : it->second;
  }

  // Visits entries in the order Find_DO/Find_DA search them (an entry, its descendants, the next
  // entry); the first object of each name is kept.
  template <typename T>
  static void Index_Depth_First(const std::vector<std::unique_ptr<T>>& list, Name_Map<T>& map) {
    std::vector<std::pair<const std::vector<std::unique_ptr<T>>*, size_t>> stack{{&list, 0}};
    while (!stack.empty()) {
      auto& [entries, next] = stack.back();
      if (next == entries->size()) {
        stack.pop_back();
        continue;
      }
      T* entry = (*entries)[next++].get();
      map.emplace(entry->fName, entry);
      const auto& below = Sub_List(*entry);
      if (!below.empty()) stack.push_back({&below, 0});
    }
  }
  static const std::vector<std::unique_ptr<TIEC_DO>>& Sub_List(const TIEC_DO& d) {
    return d.List_DO;
  }
  static const std::vector<std::unique_ptr<TIEC_DA>>& Sub_List(const TIEC_DA& d) {
    return d.List_DA;
  }

  Name_Map<TIEC_LDevice> ldevices_;
  std::unordered_map<const TIEC_LDevice*, Name_Map<TIEC_LN>> lns_;
  std::unordered_map<const TIEC_LN*, Name_Map<TIEC_DO>> dos_;
  std::unordered_map<const TIEC_DO*, Name_Map<TIEC_DA>> das_;
};

// One import: the parsed document, the template indexes and the expansion's work stack.
class Importer {
 public:
  Importer(TIEC_Device& device, std::string path, size_t max_bytes)
      : device_(device), path_name_(std::move(path)), max_bytes_(max_bytes) {}

  void Decode_ICD_File() {
    pugi::xml_document doc;
    Load_Document(doc, path_name_);

    Node scl = util::Child_Element(doc, "SCL");
    if (!scl) return;
    Node ied = util::Child_Element(scl, "IED");
    Node dtt = util::Child_Element(scl, "DataTypeTemplates");
    if (!ied || !dtt) return;
    Read_Attribute(ied, "name", device_.fName);
    Node access_point = util::Child_Element(ied, "AccessPoint");
    Node server = access_point ? util::Child_Element(access_point, "Server") : Node();
    if (!server) return;

    Index_Templates(dtt);

    // Pass 1, structure.
    std::vector<Node> ldevice_elements;
    for (Node child = server.first_child(); child; child = child.next_sibling()) {
      if (!Is_Element(child, "LDevice")) continue;
      auto ld = std::make_unique<TIEC_LDevice>();
      Decode_LDevice(*ld, child, device_.fName);
      device_.List_LDevice.push_back(std::move(ld));
      ldevice_elements.push_back(child);
    }

    // Pass 2, data sets: only now can an FCDA find a logical device that comes after its own.
    Member_Resolver resolver(device_);
    for (size_t k = 0; k < ldevice_elements.size(); ++k)
      Decode_LDevice_DataSets(*device_.List_LDevice[k], ldevice_elements[k], device_.fName,
                              resolver);
  }

 private:
  void Index_Templates(Node dtt) {
    for (Node child = dtt.first_child(); child; child = child.next_sibling()) {
      if (child.type() != pugi::node_element) continue;
      const char* name = child.name();
      if (std::strcmp(name, "LNodeType") == 0)
        lnode_types_.Add(child, "DO", nullptr);
      else if (std::strcmp(name, "DOType") == 0)
        do_types_.Add(child, "SDO", "DA");
      else if (std::strcmp(name, "DAType") == 0)
        da_types_.Add(child, "BDA", nullptr);
    }
  }

  void Decode_LDevice(TIEC_LDevice& ld, Node element, const std::string& str_Reference) {
    Read_Attribute(element, "inst", ld.fName);
    const std::string reference = str_Reference + ld.fName;
    for (Node child = element.first_child(); child; child = child.next_sibling()) {
      if (!Is_Element(child, "LN0") && !Is_Element(child, "LN")) continue;
      auto ln = std::make_unique<TIEC_LN>();
      Decode_LN(*ln, child, reference);
      ld.List_LN.push_back(std::move(ln));
    }
  }

  void Decode_LDevice_DataSets(TIEC_LDevice& ld, Node element, const std::string& str_Reference,
                               Member_Resolver& resolver) {
    const std::string reference = str_Reference + ld.fName;
    size_t k = 0;
    for (Node child = element.first_child(); child; child = child.next_sibling()) {
      if (!Is_Element(child, "LN0") && !Is_Element(child, "LN")) continue;
      if (k < ld.List_LN.size()) Decode_LN_DataSet(*ld.List_LN[k], child, reference, resolver);
      ++k;
    }
  }

  void Decode_LN(TIEC_LN& ln, Node element, const std::string& str_Reference) {
    Read_Attribute(element, "lnClass", ln.flnClass);
    Read_Attribute(element, "lnType", ln.flnType);
    Read_Attribute(element, "prefix", ln.fPrefix);
    Read_Attribute(element, "inst", ln.fInst);
    if (ln.flnType.empty()) return;
    Type_Entry* type = lnode_types_.Find(ln.flnType);
    if (!type) return;
    path_.assign(str_Reference).append("/").append(ln.fPrefix).append(ln.flnClass).append(ln.fInst);
    const size_t ln_length = path_.size();
    for (Node do_element : type->children) {
      Start_DO(ln.List_DO, do_element, ln_length);
      Expand();
    }
  }

  // A data object or sub data object whose parent's reference is the first `parent_length`
  // characters of path_: created with its name, and, when its DOType is known and not already
  // being expanded above it, queued for expansion with its own reference in path_.
  void Start_DO(std::vector<std::unique_ptr<TIEC_DO>>& list, Node element, size_t parent_length) {
    Charge(sizeof(TIEC_DO));
    list.push_back(std::make_unique<TIEC_DO>());
    TIEC_DO& dobj = *list.back();
    Read_Attribute(element, "name", dobj.fName);
    pugi::xml_attribute type_attribute = element.attribute("type");
    if (!type_attribute || !*type_attribute.value()) return;
    Type_Entry* type = do_types_.Find(type_attribute.value());
    if (!type || type->active > 0 || type->children.empty()) return;
    ++type->active;
    path_.resize(parent_length);
    path_.append(1, '.').append(dobj.fName);
    stack_.push_back({&dobj, nullptr, type, 0, path_.size()});
  }

  // An attribute or sub attribute. A "type" makes it structured unless its bType is "Enum"; a
  // sub attribute inherits the functional constraint unless it carries its own.
  void Start_DA(std::vector<std::unique_ptr<TIEC_DA>>& list, Node element,
                std::string_view str_Reference, const std::string& FC_Father) {
    list.push_back(std::make_unique<TIEC_DA>());
    TIEC_DA& da = *list.back();
    Read_Attribute(element, "name", da.fName);
    da.fReference.reserve(str_Reference.size() + 1 + da.fName.size());
    da.fReference.append(str_Reference).append(1, '.').append(da.fName);
    Charge(sizeof(TIEC_DA) + da.fReference.capacity());
    Read_Attribute(element, "bType", da.fbType);
    da.fFC = FC_Father;
    Read_Attribute(element, "fc", da.fFC);
    pugi::xml_attribute type_attribute = element.attribute("type");
    if (!type_attribute || da.fbType == "Enum") return;
    Type_Entry* type = da_types_.Find(type_attribute.value());
    if (!type || type->active > 0 || type->children.empty()) return;
    ++type->active;
    stack_.push_back({nullptr, &da, type, 0, 0});
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
      const Node child = frame.type->children[frame.next++];
      // The Start_ operations may push a frame: `frame` is not used after them.
      if (TIEC_DA* parent = frame.da) {
        Start_DA(parent->List_DA, child, parent->fReference, parent->fFC);
      } else if (Is_Element(child, "SDO")) {
        Start_DO(frame.dobj->List_DO, child, frame.path_length);
      } else {
        const std::string_view reference(path_.data(), frame.path_length);
        Start_DA(frame.dobj->List_DA, child, reference, No_FC);
      }
    }
  }

  // Adds an object's estimated footprint (with the allocator's and its list's share) to the
  // model's size.
  void Charge(size_t object_bytes) {
    model_bytes_ += object_bytes + 3 * sizeof(void*);
    if (model_bytes_ > max_bytes_)
      throw SCL_Error(path_name_ + ": the data types of this file expand to more than " +
                      std::to_string(max_bytes_ >> 20) + " MB of data objects and attributes");
  }

  void Decode_LN_DataSet(TIEC_LN& ln, Node element, const std::string& str_Reference,
                         Member_Resolver& resolver) {
    Read_Attribute(element, "lnClass", ln.flnClass);
    const std::string reference = str_Reference + "/" + ln.flnClass;
    pugi::xml_attribute lnType = element.attribute("lnType");
    if (!lnType || !*lnType.value()) return;
    bool has_goose = false;
    for (Node child = element.first_child(); child; child = child.next_sibling()) {
      if (Is_Element(child, "GSEControl")) has_goose = true;
      if (!Is_Element(child, "DataSet")) continue;
      auto data_set = std::make_unique<TIEC_DataSet>();
      Decode_DataSet(*data_set, child, reference, resolver);
      ln.List_DataSet.push_back(std::move(data_set));
    }
    if (!has_goose) return;
    // A GSEControl may come before its DataSet: the controls are matched once all sets exist.
    std::unordered_map<std::string_view, TIEC_DataSet*> by_name;
    for (const auto& data_set : ln.List_DataSet) by_name.emplace(data_set->fName, data_set.get());
    for (Node child = element.first_child(); child; child = child.next_sibling())
      if (Is_Element(child, "GSEControl")) Decode_LN_Goose(by_name, child);
  }

  static void Decode_LN_Goose(const std::unordered_map<std::string_view, TIEC_DataSet*>& by_name,
                              Node element) {
    std::string name, datSet;
    Read_Attribute(element, "name", name);
    Read_Attribute(element, "datSet", datSet);
    if (name.empty() || datSet.empty()) return;
    auto it = by_name.find(datSet);
    if (it != by_name.end()) it->second->fGooseName = name;
  }

  static void Decode_DataSet(TIEC_DataSet& data_set, Node element, const std::string& str_Reference,
                             Member_Resolver& resolver) {
    Read_Attribute(element, "name", data_set.fName);
    data_set.fReference = str_Reference + "." + data_set.fName;
    for (Node child = element.first_child(); child; child = child.next_sibling()) {
      if (!Is_Element(child, "FCDA")) continue;
      std::string ldInst, lnClass, doName, daName;
      Read_Attribute(child, "ldInst", ldInst);
      Read_Attribute(child, "lnClass", lnClass);
      Read_Attribute(child, "doName", doName);
      Read_Attribute(child, "daName", daName);
      if (TIEC_DA* member = resolver.Resolve(ldInst, lnClass, doName, daName))
        data_set.List_DA.push_back(member);
    }
  }

  struct Frame {
    TIEC_DO* dobj;  // expanding a DOType for this data object, or
    TIEC_DA* da;    // a DAType for this attribute
    Type_Entry* type;
    size_t next;         // next child of the type to create
    size_t path_length;  // a data object's reference: this much of path_
  };

  TIEC_Device& device_;
  const std::string path_name_;
  const size_t max_bytes_;
  Type_Index lnode_types_, do_types_, da_types_;
  std::vector<Frame> stack_;
  // The reference of the data object being expanded and those of its ancestors, each a prefix
  // of the next: data objects keep no reference of their own, and sharing one text keeps a deep
  // chain of sub data objects from costing the square of its depth.
  std::string path_;
  size_t model_bytes_ = 0;
};

}  // namespace

void Decode_ICD_File(TIEC_Device& device, const std::string& FileName_icd, size_t max_bytes) {
  if (!util::File_Exists(FileName_icd)) return;
  try {
    Importer(device, FileName_icd, max_bytes).Decode_ICD_File();
  } catch (...) {
    // Nothing of a failed import stays behind.
    device.List_LDevice.clear();
    device.fName.clear();
    throw;
  }
}

}  // namespace UIEC_Client_Decode
