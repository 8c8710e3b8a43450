#include "iec/scl_import.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <pugixml.hpp>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "util/files.h"
#include "util/xml.h"

// The import reads the document once, building the logical devices, nodes and data sets and
// keeping what the rest needs (the data type templates in a compact form indexed by id, and the
// data set members still to resolve). It then releases the document and builds the data objects
// and attributes, nearly all of the model, from the templates. The document and those objects
// are thus never in memory together, and expanding a type costs only the objects it creates,
// however many templates the file holds.

namespace UIEC_Client_Decode {

namespace {

using Node = pugi::xml_node;

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

// Attribute values copied out of the document, so that they outlive it. Each text is
// zero-terminated; the pointers stay valid until the store dies.
class Text_Store {
 public:
  const char* Keep(std::string_view text) {
    const size_t size = text.size() + 1;
    if (size > left_) {
      const size_t block = std::max<size_t>(size, 64 * 1024);
      blocks_.push_back(std::unique_ptr<char[]>(new char[block]));
      next_ = blocks_.back().get();
      left_ = block;
    }
    char* kept = next_;
    std::memcpy(kept, text.data(), text.size());
    kept[text.size()] = '\0';
    next_ += size;
    left_ -= size;
    return kept;
  }

 private:
  std::vector<std::unique_ptr<char[]>> blocks_;
  char* next_ = nullptr;
  size_t left_ = 0;
};

// The texts of the templates, each distinct one kept once: the same names, basic types and
// functional constraints recur throughout a file, and every object copies them from here.
class Text_Pool {
 public:
  const std::string* Intern(std::string_view text) {
    auto found = texts_.find(text);
    if (found == texts_.end()) found = texts_.emplace(text).first;
    return &*found;
  }

 private:
  struct Hash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
  };
  std::unordered_set<std::string, Hash, std::equal_to<>> texts_;  // nodes never move
};

struct Type_Entry;

// One child of a template that becomes a model object: a DO of an LNodeType, an SDO or DA of a
// DOType, a BDA of a DAType. A null text stands for an absent attribute.
struct Template_Child {
  const std::string* name;
  const std::string* bType;
  const std::string* fc;       // absent: a sub attribute then inherits its parent's
  const std::string* type_id;  // absent: no type
  Type_Entry* type;            // the type to expand the object with; null when it has none
  bool sdo;
};

// All templates of one kind with the same "id": the children of every one of them, in document
// order, since every matching template is expanded.
struct Type_Entry {
  std::vector<Template_Child> children;
  uint32_t sdo_count = 0;
  // Objects on the current path of the expansion that are expanding this type; a type met again
  // below itself is a cycle and is not expanded a second time.
  int active = 0;
};

class Type_Index {
 public:
  void Add(Node template_element, const char* child_name, const char* other_child_name,
           Text_Pool& texts) {
    pugi::xml_attribute id = template_element.attribute("id");
    if (!id) return;  // templates without "id" are passed over
    auto found = map_.find(std::string_view(id.value()));
    if (found == map_.end()) found = map_.try_emplace(*texts.Intern(id.value())).first;
    Type_Entry& entry = found->second;
    auto for_each_child = [&](auto visit) {
      for (Node child = template_element.first_child(); child; child = child.next_sibling()) {
        const bool sdo = other_child_name && Is_Element(child, other_child_name);
        if (sdo || Is_Element(child, child_name)) visit(child, sdo);
      }
    };
    // Sized exactly for a single template; geometrically when an id comes back many times.
    size_t count = entry.children.size();
    for_each_child([&](Node, bool) { ++count; });
    if (count > entry.children.capacity())
      entry.children.reserve(std::max(count, 2 * entry.children.capacity()));
    for_each_child([&](Node child, bool sdo) {
      entry.children.push_back(Read_Child(child, sdo, texts));
      if (sdo) ++entry.sdo_count;
    });
  }

  Type_Entry* Find(std::string_view id) {
    auto it = map_.find(id);
    return it == map_.end() || it->second.children.empty() ? nullptr : &it->second;
  }

  template <typename Visit>
  void For_Each_Child(Visit visit) {
    for (auto& [id, entry] : map_)
      for (Template_Child& child : entry.children) visit(child);
  }

 private:
  // One walk over the element's attributes; where a name repeats, the first one counts. The
  // first letter picks the one name to compare: templates make up most of a file.
  static Template_Child Read_Child(Node element, bool sdo, Text_Pool& texts) {
    Template_Child child{nullptr, nullptr, nullptr, nullptr, nullptr, sdo};
    for (pugi::xml_attribute a = element.first_attribute(); a; a = a.next_attribute()) {
      const char* name = a.name();
      const std::string** target = nullptr;
      switch (name[0]) {
        case 'n':
          if (std::strcmp(name, "name") == 0) target = &child.name;
          break;
        case 't':
          if (std::strcmp(name, "type") == 0) target = &child.type_id;
          break;
        case 'b':
          if (std::strcmp(name, "bType") == 0) target = &child.bType;
          break;
        case 'f':
          if (std::strcmp(name, "fc") == 0) target = &child.fc;
          break;
      }
      if (target && !*target) *target = texts.Intern(a.value());
    }
    if (!child.name) child.name = texts.Intern({});
    if (!child.bType) child.bType = texts.Intern({});
    return child;
  }

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

  TIEC_DA* Resolve(std::string_view ldInst, std::string_view lnClass, std::string_view doName,
                   std::string_view daName) {
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
  static T* Find(const Name_Map<T>& map, std::string_view name) {
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

// One import: what is kept of the document, and the expansion's work stack.
class Importer {
 public:
  Importer(TIEC_Device& device, std::string path, size_t max_bytes,
           const std::string* ied_name = nullptr)
      : device_(device), path_name_(std::move(path)), max_bytes_(max_bytes), ied_name_(ied_name) {}

  void Decode_ICD_File() {
    if (!Read_Document()) return;
    // Pass 1, structure: the data objects of every logical node.
    for (const Pending_LN& pending : lns_) {
      path_.assign(device_.fName)
          .append(pending.ld->fName)
          .append(1, '/')
          .append(pending.ln->fPrefix)
          .append(pending.ln->flnClass)
          .append(pending.ln->fInst);
      const size_t ln_length = path_.size();
      pending.ln->List_DO.reserve(pending.type->children.size());
      for (const Template_Child& child : pending.type->children) {
        Start_DO(pending.ln->List_DO, child, ln_length);
        Expand();
      }
    }
    // Pass 2, data set members: only now can an FCDA find a logical device or node that comes
    // later in the file.
    Member_Resolver resolver(device_);
    for (const Pending_Member& member : members_)
      if (TIEC_DA* da =
              resolver.Resolve(member.ldInst, member.lnClass, member.doName, member.daName))
        member.data_set->List_DA.push_back(da);
  }

 private:
  // Parses the file and takes from it the logical devices and nodes, the data sets with their
  // GOOSE names, the members to resolve and the templates. False when the file has no server to
  // read. The document is released on return.
  bool Read_Document() {
    pugi::xml_document doc;
    Load_Document(doc, path_name_);

    Node scl = util::Child_Element(doc, "SCL");
    Node ied;  // the IED asked for by name, else the first
    if (ied_name_) {
      for (Node child = scl.first_child(); child && !ied; child = child.next_sibling())
        if (Is_Element(child, "IED") && *ied_name_ == child.attribute("name").value()) ied = child;
      if (!ied) throw SCL_Error(path_name_ + ": no IED named \"" + *ied_name_ + "\"");
    }
    if (!scl) return false;
    if (!ied) ied = util::Child_Element(scl, "IED");
    Node dtt = util::Child_Element(scl, "DataTypeTemplates");
    if (!ied || !dtt) return false;
    Read_Attribute(ied, "name", device_.fName);
    Node access_point = util::Child_Element(ied, "AccessPoint");
    Node server = access_point ? util::Child_Element(access_point, "Server") : Node();
    if (!server) return false;

    Index_Templates(dtt);
    for (Node child = server.first_child(); child; child = child.next_sibling()) {
      if (!Is_Element(child, "LDevice")) continue;
      auto ld = std::make_unique<TIEC_LDevice>();
      Decode_LDevice(*ld, child);
      device_.List_LDevice.push_back(std::move(ld));
    }
    return true;
  }

  void Index_Templates(Node dtt) {
    for (Node child = dtt.first_child(); child; child = child.next_sibling()) {
      if (child.type() != pugi::node_element) continue;
      const char* name = child.name();
      if (std::strcmp(name, "LNodeType") == 0)
        lnode_types_.Add(child, "DO", nullptr, template_texts_);
      else if (std::strcmp(name, "DOType") == 0)
        do_types_.Add(child, "DA", "SDO", template_texts_);
      else if (std::strcmp(name, "DAType") == 0)
        da_types_.Add(child, "BDA", nullptr, template_texts_);
    }
    // Which type each child expands with: a data object's DOType when its type is not empty; an
    // attribute's DAType when it has a type and is not an "Enum".
    auto data_object = [this](Template_Child& child) {
      if (child.type_id && !child.type_id->empty()) child.type = do_types_.Find(*child.type_id);
    };
    lnode_types_.For_Each_Child(data_object);
    auto attribute = [this](Template_Child& child) {
      if (child.type_id && *child.bType != "Enum") child.type = da_types_.Find(*child.type_id);
    };
    do_types_.For_Each_Child([&](Template_Child& child) {
      if (child.sdo)
        data_object(child);
      else
        attribute(child);
    });
    da_types_.For_Each_Child(attribute);
  }

  void Decode_LDevice(TIEC_LDevice& ld, Node element) {
    Read_Attribute(element, "inst", ld.fName);
    for (Node child = element.first_child(); child; child = child.next_sibling()) {
      if (!Is_Element(child, "LN0") && !Is_Element(child, "LN")) continue;
      auto ln = std::make_unique<TIEC_LN>();
      Decode_LN(ld, *ln, child);
      ld.List_LN.push_back(std::move(ln));
    }
  }

  // The node's attributes, its data sets, and its type for pass 1. A node without lnType has
  // neither data objects nor data sets.
  void Decode_LN(const TIEC_LDevice& ld, TIEC_LN& ln, Node element) {
    Read_Attribute(element, "lnClass", ln.flnClass);
    Read_Attribute(element, "lnType", ln.flnType);
    Read_Attribute(element, "prefix", ln.fPrefix);
    Read_Attribute(element, "inst", ln.fInst);
    if (ln.flnType.empty()) return;
    if (Type_Entry* type = lnode_types_.Find(ln.flnType)) lns_.push_back({&ld, &ln, type});
    Decode_LN_DataSet(ld, ln, element);
  }

  void Decode_LN_DataSet(const TIEC_LDevice& ld, TIEC_LN& ln, Node element) {
    // Prefix and instance are not part of a data set's reference.
    const std::string reference = device_.fName + ld.fName + "/" + ln.flnClass;
    bool has_goose = false;
    for (Node child = element.first_child(); child; child = child.next_sibling()) {
      if (Is_Element(child, "GSEControl")) has_goose = true;
      if (!Is_Element(child, "DataSet")) continue;
      auto data_set = std::make_unique<TIEC_DataSet>();
      Decode_DataSet(*data_set, child, reference);
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
    const std::string_view name = element.attribute("name").value();
    const std::string_view datSet = element.attribute("datSet").value();
    if (name.empty() || datSet.empty()) return;
    auto it = by_name.find(datSet);
    if (it != by_name.end()) it->second->fGooseName = name;
  }

  void Decode_DataSet(TIEC_DataSet& data_set, Node element, const std::string& str_Reference) {
    Read_Attribute(element, "name", data_set.fName);
    data_set.fReference = str_Reference + "." + data_set.fName;
    for (Node child = element.first_child(); child; child = child.next_sibling())
      if (Is_Element(child, "FCDA"))
        members_.push_back({&data_set, texts_.Keep(child.attribute("ldInst").value()),
                            texts_.Keep(child.attribute("lnClass").value()),
                            texts_.Keep(child.attribute("doName").value()),
                            texts_.Keep(child.attribute("daName").value())});
  }

  // A data object or sub data object whose parent's reference is the first `parent_length`
  // characters of path_: created with its name, and, when it has a type that is not already
  // being expanded above it, queued for expansion with its own reference in path_.
  void Start_DO(std::vector<std::unique_ptr<TIEC_DO>>& list, const Template_Child& child,
                size_t parent_length) {
    Charge(sizeof(TIEC_DO));
    list.push_back(std::make_unique<TIEC_DO>());
    TIEC_DO& dobj = *list.back();
    dobj.fName = *child.name;
    Type_Entry* type = child.type;
    if (!type || type->active > 0) return;
    ++type->active;
    dobj.List_DO.reserve(type->sdo_count);
    dobj.List_DA.reserve(type->children.size() - type->sdo_count);
    path_.resize(parent_length);
    path_.append(1, '.').append(dobj.fName);
    stack_.push_back({&dobj, nullptr, type, 0, path_.size()});
  }

  // An attribute or sub attribute; a sub attribute inherits the functional constraint unless it
  // carries its own.
  void Start_DA(std::vector<std::unique_ptr<TIEC_DA>>& list, const Template_Child& child,
                std::string_view str_Reference, const std::string& FC_Father) {
    list.push_back(std::make_unique<TIEC_DA>());
    TIEC_DA& da = *list.back();
    da.fName = *child.name;
    da.fReference.reserve(str_Reference.size() + 1 + da.fName.size());
    da.fReference.append(str_Reference).append(1, '.').append(da.fName);
    Charge(sizeof(TIEC_DA) + da.fReference.capacity());
    da.fbType = *child.bType;
    da.fFC = child.fc ? *child.fc : FC_Father;
    Type_Entry* type = child.type;
    if (!type || type->active > 0) return;
    ++type->active;
    da.List_DA.reserve(type->children.size());
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
      const Template_Child& child = frame.type->children[frame.next++];
      // The Start_ operations may push a frame: `frame` is not used after them.
      if (TIEC_DA* parent = frame.da) {
        Start_DA(parent->List_DA, child, parent->fReference, parent->fFC);
      } else if (child.sdo) {
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

  struct Frame {
    TIEC_DO* dobj;  // expanding a DOType for this data object, or
    TIEC_DA* da;    // a DAType for this attribute
    Type_Entry* type;
    size_t next;         // next child of the type to create
    size_t path_length;  // a data object's reference: this much of path_
  };
  struct Pending_LN {
    const TIEC_LDevice* ld;
    TIEC_LN* ln;
    Type_Entry* type;
  };
  struct Pending_Member {
    TIEC_DataSet* data_set;
    const char* ldInst;
    const char* lnClass;
    const char* doName;
    const char* daName;
  };

  inline static const std::string No_FC;

  TIEC_Device& device_;
  const std::string path_name_;
  const size_t max_bytes_;
  const std::string* ied_name_;  // null: the file's first IED
  Text_Store texts_;
  Text_Pool template_texts_;
  Type_Index lnode_types_, do_types_, da_types_;
  std::vector<Pending_LN> lns_;
  std::vector<Pending_Member> members_;  // in document order, so each set's order is kept
  std::vector<Frame> stack_;
  // The reference of the data object being expanded and those of its ancestors, each a prefix
  // of the next: data objects keep no reference of their own, and sharing one text keeps a deep
  // chain of sub data objects from costing the square of its depth.
  std::string path_;
  size_t model_bytes_ = 0;
};

}  // namespace

void Decode_ICD_File(TIEC_Device& device, const std::string& FileName_icd, size_t max_bytes) {
  Decode_ICD_File_IED(device, FileName_icd, nullptr, max_bytes);
}

void Decode_ICD_File_IED(TIEC_Device& device, const std::string& FileName_icd,
                         const std::string* IED_Name, size_t max_bytes) {
  if (!util::File_Exists(FileName_icd)) return;
  try {
    Importer(device, FileName_icd, max_bytes, IED_Name).Decode_ICD_File();
  } catch (...) {
    // Nothing of a failed import stays behind.
    device.List_LDevice.clear();
    device.fName.clear();
    throw;
  }
}

}  // namespace UIEC_Client_Decode
