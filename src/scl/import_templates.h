// The data type templates as the import keeps them once the document is gone: their children in
// a compact form, indexed by id, and the count of the objects a type expands to. Used by the
// import alone (scl_import.cpp, import_build.cpp, through importer.h).
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "scl/scl_model.h"

namespace UIEC_Client_Decode::import_parts {

using Node = pugi::xml_node;

inline bool Is_Element(Node node, const char* name) {
  return node.type() == pugi::node_element && std::strcmp(node.name(), name) == 0;
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

inline size_t Saturating_Add(size_t a, size_t b) { return a > SIZE_MAX - b ? SIZE_MAX : a + b; }

// The objects an expansion with `root` creates, from the types alone: each child one object,
// plus the objects of its type. Each type is counted once and remembered, so a type that fans
// out into many branches of the same types costs no more than the types themselves, and a type
// met again below itself counts nothing there, as the expansion does not repeat it. Where a
// type is shared between a cycle and other uses the count may come out lower than the model,
// never higher: no file the budget holds is refused by it. A stack of its own: a chain of types
// may be hundreds of thousands long.
inline size_t Objects_Of(Type_Entry& root) {
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

}  // namespace UIEC_Client_Decode::import_parts
