// The small helpers the SCL rules walk a document with: an element's kind, a name in quotes, and
// the children of one name. Used by the rule files of src/check alone.
#pragma once

#include <cstring>
#include <pugixml.hpp>
#include <string>
#include <string_view>

namespace check::xml_walk {

using Node = pugi::xml_node;

inline bool Is(Node node, const char* name) {
  return node.type() == pugi::node_element && std::strcmp(node.name(), name) == 0;
}

inline std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

// The children of `parent` named `name`, in document order.
template <typename Fn>
void For_Each(Node parent, const char* name, Fn&& fn) {
  for (Node child = parent.first_child(); child; child = child.next_sibling())
    if (Is(child, name)) fn(child);
}

}  // namespace check::xml_walk
