#include "check/scl_template_rules.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "check/check_strings.h"
#include "check/xml_walk.h"

namespace check {

using namespace check_strings;

namespace {

using namespace xml_walk;

constexpr const char* Template_Names[Template_Rules::Kind_Count] = {"LNodeType", "DOType", "DAType",
                                                                    "EnumType"};

std::string Child_Name(Node owner, Node child) {
  return std::string(owner.name()) + " " + owner.attribute("id").value() + " " + child.name() +
         " " + child.attribute("name").value();
}

// The nodes of a directed graph that lie on a cycle: strongly connected components by Tarjan's
// method with a stack of its own, so a chain hundreds of thousands long is safe.
std::vector<bool> In_Cycles(const std::vector<std::vector<size_t>>& edges,
                            const std::vector<bool>& self) {
  const size_t n = edges.size();
  constexpr size_t None = static_cast<size_t>(-1);
  std::vector<size_t> index(n, None), low(n, 0);
  std::vector<bool> on_stack(n, false), cyclic(n, false);
  std::vector<size_t> stack;
  std::vector<std::pair<size_t, size_t>> calls;  // node, next edge
  size_t counter = 0;
  for (size_t root = 0; root < n; ++root) {
    if (index[root] != None) continue;
    calls.push_back({root, 0});
    index[root] = low[root] = counter++;
    stack.push_back(root);
    on_stack[root] = true;
    while (!calls.empty()) {
      auto& [v, next] = calls.back();
      if (next < edges[v].size()) {
        const size_t w = edges[v][next++];
        if (index[w] == None) {
          index[w] = low[w] = counter++;
          stack.push_back(w);
          on_stack[w] = true;
          calls.push_back({w, 0});
        } else if (on_stack[w]) {
          low[v] = std::min(low[v], index[w]);
        }
        continue;
      }
      const size_t done = v;
      calls.pop_back();
      if (!calls.empty()) low[calls.back().first] = std::min(low[calls.back().first], low[done]);
      if (low[done] != index[done]) continue;
      std::vector<size_t> component;
      for (;;) {
        const size_t w = stack.back();
        stack.pop_back();
        on_stack[w] = false;
        component.push_back(w);
        if (w == done) break;
      }
      if (component.size() > 1 || self[done])
        for (size_t w : component) cyclic[w] = true;
    }
  }
  return cyclic;
}

}  // namespace

void Template_Rules::Index(Node dtt) {
  if (!dtt) return;
  for (Node child = dtt.first_child(); child; child = child.next_sibling()) {
    if (child.type() != pugi::node_element) continue;
    for (int k = 0; k < Kind_Count; ++k)
      if (std::strcmp(child.name(), Template_Names[k]) == 0) {
        templates_[k].push_back(child);
        pugi::xml_attribute id = child.attribute("id");
        if (id) ids_[k].emplace(id.value(), child);
      }
  }
}

bool Template_Rules::Has_Type(int kind, std::string_view id) const {
  return ids_[kind].count(std::string(id)) > 0;
}

void Template_Rules::Check_Types() {
  for (int k = 0; k < Kind_Count; ++k) {
    for (Node t : templates_[k]) {
      pugi::xml_attribute id = t.attribute("id");
      if (id && ids_[k].at(id.value()) != t)
        report_("duplicate-type-id", Severity::Warning, t,
                std::string(Template_Names[k]) + " " + id.value(),
                std::string(Template_Names[k]) + " " + Quoted(id.value()) +
                    texts_[Text_Duplicate_Type] + std::to_string(line_(ids_[k].at(id.value()))) +
                    ").");
    }
  }
  for (Node t : templates_[LNodeType]) For_Each(t, "DO", [&](Node d) { Check_Data_Object(t, d); });
  for (Node t : templates_[DOType])
    for (Node c = t.first_child(); c; c = c.next_sibling()) {
      if (Is(c, "SDO")) Check_Data_Object(t, c);
      if (Is(c, "DA")) Check_Attribute(t, c);
    }
  for (Node t : templates_[DAType]) For_Each(t, "BDA", [&](Node b) { Check_Attribute(t, b); });
}

void Template_Rules::Check_Data_Object(Node owner, Node child) {
  const std::string_view type = child.attribute("type").value();
  if (!type.empty() && Has_Type(DOType, type)) return;
  const std::string object = Child_Name(owner, child);
  report_("do-type-missing", Severity::Error, child, object,
          object + (type.empty() ? texts_[Text_Has_No_Type]
                                 : texts_[Text_Names_No] + Quoted(type) + texts_[Text_No_DOType]));
}

void Template_Rules::Check_Attribute(Node owner, Node child) {
  const std::string_view bType = child.attribute("bType").value();
  const std::string_view type = child.attribute("type").value();
  if (bType == "Struct" && (type.empty() || !Has_Type(DAType, type))) {
    const std::string object = Child_Name(owner, child);
    report_("da-type-missing", Severity::Error, child, object,
            object + texts_[Text_Struct] +
                (type.empty() ? texts_[Text_Has_No_Type]
                              : texts_[Text_Names_No] + Quoted(type) + texts_[Text_No_DAType]));
  } else if (bType == "Enum" && (type.empty() || !Has_Type(EnumType, type))) {
    const std::string object = Child_Name(owner, child);
    report_("enum-type-missing", Severity::Warning, child, object,
            object + texts_[Text_Enum] +
                (type.empty() ? texts_[Text_Has_No_Type]
                              : texts_[Text_Names_No] + Quoted(type) + texts_[Text_No_EnumType]));
  }
}

// Every DOType that reaches itself through its SDOs' types, and every DAType through its
// attributes' types, following the links the import expands (an SDO with a type; an attribute
// with a type that is not an "Enum"). Templates sharing an id count as one, as the import merges
// them. Strongly connected components by Tarjan's method with a stack of its own: a chain of
// types may be hundreds of thousands long.
void Template_Rules::Check_Cycles() {
  Check_Cycles(DOType, "SDO", nullptr);
  Check_Cycles(DAType, "BDA", "DA");
}

void Template_Rules::Check_Cycles(int kind, const char* link, const char* other_link) {
  std::unordered_map<std::string_view, size_t> number;
  std::vector<Node> first;  // the first template of each id
  for (Node t : templates_[kind]) {
    pugi::xml_attribute id = t.attribute("id");
    if (id && number.emplace(id.value(), first.size()).second) first.push_back(t);
  }
  const size_t n = first.size();
  std::vector<std::vector<size_t>> edges(n);
  std::vector<bool> self(n, false);
  for (Node t : templates_[kind]) {
    pugi::xml_attribute id = t.attribute("id");
    if (!id) continue;
    const size_t from = number.at(id.value());
    for (Node c = t.first_child(); c; c = c.next_sibling()) {
      if (!Is(c, link) && !(other_link && Is(c, other_link))) continue;
      if (kind == DAType && std::string_view(c.attribute("bType").value()) == "Enum") continue;
      auto to = number.find(c.attribute("type").value());
      if (to == number.end()) continue;
      edges[from].push_back(to->second);
      if (to->second == from) self[from] = true;
    }
  }
  const std::vector<bool> cyclic = In_Cycles(edges, self);
  for (size_t i = 0; i < n; ++i)
    if (cyclic[i]) {
      const std::string object =
          std::string(Template_Names[kind]) + " " + first[i].attribute("id").value();
      report_("type-cycle", Severity::Error, first[i], object, object + texts_[Text_Type_Cycle]);
    }
}

}  // namespace check
