#include "scl/scl_import.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "lang/lang_strings.h"
#include "scl/scl_strings.h"
#include "util/files.h"
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

namespace {

using Node = pugi::xml_node;

bool Is_Element(Node node, const char* name) {
  return node.type() == pugi::node_element && std::strcmp(node.name(), name) == 0;
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
      throw SCL_Error(result.description());
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
  // The texts of the last attribute made from this child, and the functional constraint it
  // inherited: an attribute type is nearly always used under one constraint.
  const std::string* last_fc_father = nullptr;
  const DA_Texts* last_texts = nullptr;
  // The import those two belong to: templates shared between imports serve several devices.
  uint64_t last_import = 0;
};

// All templates of one kind with the same "id": the children of every one of them, in document
// order, since every matching template is expanded.
struct Type_Entry {
  const std::string* id = nullptr;  // the templates' "id", for messages
  std::vector<Template_Child> children;
  uint32_t sdo_count = 0;
  // Objects on the current path of the expansion that are expanding this type; a type met again
  // below itself is a cycle and is not expanded a second time.
  int active = 0;
  // How many objects an expansion with this type creates, counted once before any is built
  // (Objects_Of); `counted` is 0 before, 1 while it is being counted, 2 once `objects` holds it.
  size_t objects = 0;
  uint8_t counted = 0;
};

size_t Saturating_Add(size_t a, size_t b) { return a > SIZE_MAX - b ? SIZE_MAX : a + b; }

// The objects an expansion with `root` creates, from the types alone: each child one object,
// plus the objects of its type. Each type is counted once and remembered, so a type that fans
// out into many branches of the same types costs no more than the types themselves, and a type
// met again below itself counts nothing there, as the expansion does not repeat it. Where a
// type is shared between a cycle and other uses the count may come out lower than the model,
// never higher: no file the budget holds is refused by it. A stack of its own: a chain of types
// may be hundreds of thousands long.
size_t Objects_Of(Type_Entry& root) {
  if (root.counted == 2) return root.objects;
  struct Step {
    Type_Entry* type;
    size_t next;
    size_t sum;
  };
  std::vector<Step> walk{{&root, 0, 0}};
  root.counted = 1;
  while (!walk.empty()) {
    Step& step = walk.back();
    if (step.next == step.type->children.size()) {
      step.type->objects = step.sum;
      step.type->counted = 2;
      const size_t done = step.sum;
      walk.pop_back();
      if (!walk.empty()) walk.back().sum = Saturating_Add(walk.back().sum, done);
      continue;
    }
    Type_Entry* type = step.type->children[step.next++].type;
    step.sum = Saturating_Add(step.sum, 1);
    if (!type || type->counted == 1) continue;
    if (type->counted == 2) {
      step.sum = Saturating_Add(step.sum, type->objects);
      continue;
    }
    type->counted = 1;
    walk.push_back({type, 0, 0});  // `step` is not used after this
  }
  return root.objects;
}

class Type_Index {
 public:
  void Add(Node template_element, const char* child_name, const char* other_child_name,
           Model_Store& texts) {
    pugi::xml_attribute id = template_element.attribute("id");
    if (!id) return;  // templates without "id" are passed over
    auto found = map_.find(std::string_view(id.value()));
    if (found == map_.end()) found = map_.try_emplace(*texts.Intern(id.value())).first;
    Type_Entry& entry = found->second;
    entry.id = texts.Intern(id.value());
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
  static Template_Child Read_Child(Node element, bool sdo, Model_Store& texts) {
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
    if (!child.name) child.name = texts.Intern(std::string_view{});
    if (!child.bType) child.bType = texts.Intern(std::string_view{});
    return child;
  }

  std::unordered_map<std::string_view, Type_Entry> map_;
};

// Finds data set members by the same rules as the model's Find_ operations (exact names, the
// first match in the depth-first order winning), through maps built on first use, so that a
// data set with thousands of members does not search the same logical node thousands of times.
// The maps' entries are counted against the model's limit while they live.
class Member_Resolver {
 public:
  Member_Resolver(const TIEC_Device& device, Model_Store& store) : store_(store) {
    for (TIEC_LDevice* ld : device.List_LDevice) Index(ldevices_, ld->Name(), ld);
  }
  ~Member_Resolver() { store_.Uncharge(charged_); }

  TIEC_DA* Resolve(std::string_view ldInst, std::string_view lnClass, std::string_view doName,
                   std::string_view daName) {
    if (ldInst.empty() || lnClass.empty() || doName.empty()) return nullptr;
    TIEC_LDevice* ld = Find(ldevices_, ldInst);
    if (!ld) return nullptr;
    auto [ln_map, new_ln_map] = lns_.try_emplace(ld);
    if (new_ln_map)
      for (TIEC_LN* ln : ld->List_LN) Index(ln_map->second, ln->lnClass(), ln);
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
  static constexpr size_t Entry_Bytes = 64;

  template <typename T>
  static T* Find(const Name_Map<T>& map, std::string_view name) {
    auto it = map.find(name);
    return it == map.end() ? nullptr : it->second;
  }

  // The first object of each name is kept.
  template <typename T>
  void Index(Name_Map<T>& map, std::string_view name, T* entry) {
    store_.Charge(Entry_Bytes);
    charged_ += Entry_Bytes;
    map.emplace(name, entry);
  }

  // Visits entries in the order Find_DO/Find_DA search them (an entry, its descendants, the next
  // entry).
  template <typename T>
  void Index_Depth_First(const Object_List<T>& list, Name_Map<T>& map) {
    Find_Depth_First(list, [&](T& entry) {
      Index(map, entry.Name(), &entry);
      return false;
    });
  }

  Model_Store& store_;
  size_t charged_ = 0;
  Name_Map<TIEC_LDevice> ldevices_;
  std::unordered_map<const TIEC_LDevice*, Name_Map<TIEC_LN>> lns_;
  std::unordered_map<const TIEC_LN*, Name_Map<TIEC_DO>> dos_;
  std::unordered_map<const TIEC_DO*, Name_Map<TIEC_DA>> das_;
};

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
           std::vector<Node>* unresolved = nullptr, Shared_Templates* shared = nullptr)
      : device_(device),
        store_(device.Store()),
        path_name_(std::move(path)),
        ied_name_(ied_name),
        unresolved_(unresolved),
        shared_(shared) {}
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
      pugi::xml_document doc;
      Load_Document(doc, path_name_);
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
        const lang::Lang_Strings english;  // the import's own words, as for the nesting limit
        throw SCL_Error(english[scl_strings::Text_Expands_To] + std::to_string(objects) +
                        english[scl_strings::Text_Expands_More_Than] + std::to_string(most) + ")");
      }
    }
    // Pass 1, structure: the data objects of every logical node.
    for (const Pending_LN& pending : lns_) {
      store_.Reserve(pending.ln->List_DO, pending.type->children.size());
      for (Template_Child& child : pending.type->children) {
        TIEC_DO& dobj = device_.Add_DO(*pending.ln, child.name);
        Start_DO(dobj, child);
        Expand();
      }
    }
    // Pass 2, data set members: only now can an FCDA find a logical device or node that comes
    // later in the file. The members of one set are consecutive.
    Member_Resolver resolver(device_, store_);
    std::vector<TIEC_DA*> found;
    for (size_t i = 0; i < members_.size();) {
      TIEC_DataSet* data_set = members_[i].data_set;
      found.clear();
      for (; i < members_.size() && members_[i].data_set == data_set; ++i) {
        const Pending_Member& member = members_[i];
        if (TIEC_DA* da =
                resolver.Resolve(member.ldInst, member.lnClass, member.doName, member.daName))
          found.push_back(da);
        else if (unresolved_)
          unresolved_->push_back(member.fcda);
      }
      store_.Reserve(data_set->List_DA, found.size());
      for (TIEC_DA* da : found) device_.Add_Member(*data_set, *da);
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
      if (unresolved_)
        for (Node data_set = element.first_child(); data_set; data_set = data_set.next_sibling())
          if (Is_Element(data_set, "DataSet"))
            for (Node fcda = data_set.first_child(); fcda; fcda = fcda.next_sibling())
              if (Is_Element(fcda, "FCDA")) unresolved_->push_back(fcda);
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
        members_.push_back({&data_set, texts_.Keep(child.attribute("ldInst").value()),
                            texts_.Keep(child.attribute("lnClass").value()),
                            texts_.Keep(child.attribute("doName").value()),
                            texts_.Keep(child.attribute("daName").value()), child});
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
    const lang::Lang_Strings english;
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
    const char* lnClass;
    const char* doName;
    const char* daName;
    Node fcda;  // only followed while the caller keeps the document (unresolved_ set)
  };

  TIEC_Device& device_;
  Model_Store& store_;
  const std::string path_name_;
  const std::string* ied_name_;  // null: the file's first IED
  size_t source_bytes_ = 0;      // the document's size, for the bound on its objects; 0: none
  // Where the FCDAs that add no member go; null when nobody asks.
  std::vector<Node>* unresolved_;
  Text_Store texts_;
  Shared_Templates* shared_;  // null: the templates are this import's own
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
                        std::vector<pugi::xml_node>& unresolved, size_t max_bytes,
                        Shared_Templates* templates) {
  const size_t old_limit = device.Store().Limit();
  device.Store().Set_Limit(max_bytes);
  try {
    Importer(device, std::string(), nullptr, &unresolved, templates).Decode_IED(document, ied);
  } catch (...) {
    device.Clear();
    device.Store().Set_Limit(old_limit);
    throw;
  }
  device.Store().Set_Limit(old_limit);
}

void Decode_ICD_File(TIEC_Device& device, const std::string& FileName_icd, size_t max_bytes) {
  Decode_ICD_File_IED(device, FileName_icd, nullptr, max_bytes);
}

void Decode_ICD_File_IED(TIEC_Device& device, const std::string& FileName_icd,
                         const std::string* IED_Name, size_t max_bytes) {
  if (!util::File_Exists(FileName_icd)) return;
  const size_t old_limit = device.Store().Limit();
  device.Store().Set_Limit(max_bytes);
  try {
    Importer(device, FileName_icd, IED_Name).Decode_ICD_File();
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
