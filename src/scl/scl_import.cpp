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

// The earlier look-ups of data set members, kept to know what configurations saved before read
// for each FCDA (TIEC_DataSet::Earlier_Members): the first logical node of the FCDA's class,
// the first data object and attribute of each name depth first (a dotted name finds nothing),
// and a data object's first leaf when daName is empty. Maps built on first use keep a data set
// with thousands of members from searching the same logical node thousands of times; their
// entries are counted against the model's limit while they live.
class Earlier_Resolver {
 public:
  Earlier_Resolver(const TIEC_Device& device, Model_Store& store) : store_(store) {
    for (TIEC_LDevice* ld : device.List_LDevice) Index(ldevices_, ld->Name(), ld);
  }
  ~Earlier_Resolver() { store_.Uncharge(charged_); }

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

// The texts of one FCDA, as written (empty when absent).
struct FCDA_Names {
  std::string_view ldInst, prefix, lnClass, lnInst, doName, daName, fc;
};

// Resolves an FCDA to what it names (see FCDA_Problem in scl_import.h); when it names nothing,
// says why. Lists of more than a few entries are searched through name maps built on first use,
// counted against the model's limit while they live.
class Member_Resolver {
 public:
  // `ln_types`: the LNodeType each logical node was expanded with.
  Member_Resolver(const TIEC_Device& device, Model_Store& store,
                  std::unordered_map<const TIEC_LN*, Type_Entry*> ln_types)
      : device_(device), store_(store), ln_types_(std::move(ln_types)) {}
  ~Member_Resolver() { store_.Uncharge(charged_); }

  struct Outcome {
    TIEC_DA* member = nullptr;
    std::optional<FCDA_Problem> problem;
    std::string name, where;
  };

  Outcome Resolve(const FCDA_Names& f) {
    Outcome out;
    auto fail = [&](FCDA_Problem problem, std::string_view name, std::string where) {
      out.problem = problem;
      out.name = std::string(name);
      out.where = std::move(where);
      return out;
    };
    if (f.ldInst.empty()) return fail(FCDA_Problem::Missing_Attribute, "ldInst", {});
    if (f.lnClass.empty()) return fail(FCDA_Problem::Missing_Attribute, "lnClass", {});
    if (f.doName.empty()) return fail(FCDA_Problem::Missing_Attribute, "doName", {});
    for (std::string_view path : {f.doName, f.daName})
      if (path.find('(') != std::string_view::npos)
        return fail(FCDA_Problem::Array_Element, path, {});

    TIEC_LDevice* ld = Named(device_.List_LDevice, f.ldInst);
    if (!ld) return fail(FCDA_Problem::No_LDevice, f.ldInst, {});
    const bool lln0 = f.lnClass == "LLN0";
    const std::string ln_name =
        lln0 ? std::string(f.lnClass) : std::string(f.prefix).append(f.lnClass).append(f.lnInst);
    TIEC_LN* ln = Find_LN(*ld, f, lln0);
    if (!ln) return fail(FCDA_Problem::No_LN, ln_name, ld->Name());

    // The data object path, with the type each object was expanded with (null: unknown).
    std::string_view rest = f.doName;
    std::string_view part = Next_Part(rest);
    const std::optional<uint32_t> do_place = Place_Of(ln->List_DO, part);
    if (!do_place) return fail(FCDA_Problem::No_DO, part, ln_name);
    TIEC_DO* dobj = ln->List_DO[*do_place];
    Type_Entry* type = Type_Of_DO(*ln, *do_place);
    std::string where(part);
    while (!rest.empty()) {
      part = Next_Part(rest);
      TIEC_DO* sub = Named(dobj->List_DO, part);
      if (!sub) return fail(FCDA_Problem::No_SDO, part, where);
      type = Type_Of_SDO(*dobj, type, *sub);
      dobj = sub;
      where.append(1, '.').append(part);
    }

    if (f.daName.empty()) {
      out.member = First_Leaf_With_FC(*dobj, type, f.fc);
      if (!out.member) return fail(FCDA_Problem::No_FC_Attribute, f.fc, where);
      return out;
    }
    rest = f.daName;
    part = Next_Part(rest);
    TIEC_DA* da = Named(dobj->List_DA, part);
    if (!da) return fail(FCDA_Problem::No_DA, part, where);
    where.append(1, '.').append(part);
    while (!rest.empty()) {
      part = Next_Part(rest);
      TIEC_DA* sub = Named(da->List_DA, part);
      if (!sub) return fail(FCDA_Problem::No_BDA, part, where);
      da = sub;
      where.append(1, '.').append(part);
    }
    // A structure gives its first leaf, as the member must be a single value.
    if (!da->List_DA.empty()) da = da->Find_First_DA();
    out.member = da;
    if (!f.fc.empty() && da->FC() != f.fc) {
      out.problem = FCDA_Problem::FC_Mismatch;
      out.name = da->FC();
      out.where = where;
    }
    return out;
  }

 private:
  static constexpr size_t Entry_Bytes = 64;
  // Lists up to this long are searched entry by entry, without a map.
  static constexpr size_t Map_From = 16;
  using Name_Map = std::unordered_map<std::string_view, uint32_t>;

  static std::string_view Next_Part(std::string_view& rest) {
    const size_t dot = rest.find('.');
    const std::string_view part = rest.substr(0, dot);
    rest = dot == std::string_view::npos ? std::string_view() : rest.substr(dot + 1);
    return part;
  }

  void Charge(size_t entries) {
    store_.Charge(entries * Entry_Bytes);
    charged_ += entries * Entry_Bytes;
  }

  // The place of the first direct entry of `list` named `name`; none when there is none.
  template <typename T>
  std::optional<uint32_t> Place_Of(const Object_List<T>& list, std::string_view name) {
    if (list.size() <= Map_From) {
      for (uint32_t i = 0; i < list.size(); ++i)
        if (list[i]->Name() == name) return i;
      return std::nullopt;
    }
    auto [map, made] = names_.try_emplace(&list);
    if (made) {
      Charge(list.size());
      for (uint32_t i = 0; i < list.size(); ++i) map->second.emplace(list[i]->Name(), i);
    }
    const auto found = map->second.find(name);
    if (found == map->second.end()) return std::nullopt;
    return found->second;
  }

  template <typename T>
  T* Named(const Object_List<T>& list, std::string_view name) {
    const std::optional<uint32_t> place = Place_Of(list, name);
    return place ? list[*place] : nullptr;
  }

  // The node named by prefix, class and instance together; LLN0 by its class alone.
  TIEC_LN* Find_LN(const TIEC_LDevice& ld, const FCDA_Names& f, bool lln0) {
    auto [map, made] = lns_.try_emplace(&ld);
    if (made) {
      Charge(ld.List_LN.size());
      for (TIEC_LN* ln : ld.List_LN)
        map->second.emplace(ln->lnClass() == "LLN0" ? Key("", "LLN0", "")
                                                    : Key(ln->Prefix(), ln->lnClass(), ln->Inst()),
                            ln);
    }
    const auto found =
        map->second.find(lln0 ? Key("", "LLN0", "") : Key(f.prefix, f.lnClass, f.lnInst));
    return found == map->second.end() ? nullptr : found->second;
  }

  static std::string Key(std::string_view prefix, std::string_view lnClass, std::string_view inst) {
    return std::string(prefix).append(1, '\0').append(lnClass).append(1, '\0').append(inst);
  }

  // The type data object `place` of `ln` was expanded with; null when not known.
  Type_Entry* Type_Of_DO(const TIEC_LN& ln, uint32_t place) const {
    const auto found = ln_types_.find(&ln);
    if (found == ln_types_.end() || found->second->children.size() != ln.List_DO.size())
      return nullptr;
    return Expanded(*ln.List_DO[place], found->second->children[place].type);
  }

  // The type of sub data object `sub` of `dobj`, expanded with `type`.
  static Type_Entry* Type_Of_SDO(const TIEC_DO& dobj, const Type_Entry* type, const TIEC_DO& sub) {
    if (!type) return nullptr;
    size_t k = 0;
    for (const Template_Child& child : type->children) {
      if (!child.sdo) continue;
      if (k < dobj.List_DO.size() && dobj.List_DO[k] == &sub) return Expanded(sub, child.type);
      ++k;
    }
    return nullptr;
  }

  // `type` when `dobj` holds exactly its children (a type met again below itself is not
  // expanded); else null.
  static Type_Entry* Expanded(const TIEC_DO& dobj, Type_Entry* type) {
    if (!type || dobj.List_DO.size() != type->sdo_count ||
        dobj.List_DA.size() != type->children.size() - type->sdo_count)
      return nullptr;
    return type;
  }

  // The first leaf attribute of fc `fc` (any fc when empty) below `dobj`, in the order its type
  // lists attributes and sub data objects; sub data objects before attributes when the type is
  // not known. Nesting is bounded by Max_Nesting_Levels.
  static TIEC_DA* First_Leaf_With_FC(const TIEC_DO& dobj, const Type_Entry* type,
                                     std::string_view fc) {
    if (type) {
      size_t sdo = 0, da = 0;
      for (const Template_Child& child : type->children) {
        TIEC_DA* found = child.sdo
                             ? First_Leaf_With_FC(*dobj.List_DO[sdo],
                                                  Expanded(*dobj.List_DO[sdo], child.type), fc)
                             : Leaf_With_FC(*dobj.List_DA[da], fc);
        ++(child.sdo ? sdo : da);
        if (found) return found;
      }
      return nullptr;
    }
    for (const TIEC_DO* sub : dobj.List_DO)
      if (TIEC_DA* found = First_Leaf_With_FC(*sub, nullptr, fc)) return found;
    for (TIEC_DA* da : dobj.List_DA)
      if (TIEC_DA* found = Leaf_With_FC(*da, fc)) return found;
    return nullptr;
  }

  static TIEC_DA* Leaf_With_FC(TIEC_DA& da, std::string_view fc) {
    if (da.List_DA.empty()) return fc.empty() || da.FC() == fc ? &da : nullptr;
    for (TIEC_DA* sub : da.List_DA)
      if (TIEC_DA* found = Leaf_With_FC(*sub, fc)) return found;
    return nullptr;
  }

  const TIEC_Device& device_;
  Model_Store& store_;
  size_t charged_ = 0;
  std::unordered_map<const TIEC_LN*, Type_Entry*> ln_types_;
  std::unordered_map<const void*, Name_Map> names_;
  std::unordered_map<const TIEC_LDevice*, std::unordered_map<std::string, TIEC_LN*>> lns_;
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
