// The rules on the data type templates of an SCL file (run by scl_rules.cpp): an id given twice,
// a type named that is not there, and types that reach themselves.
#pragma once

#include <functional>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "check/check.h"
#include "text/lang_strings.h"

namespace check {

class Template_Rules {
 public:
  // The kinds of templates, each with ids of its own.
  enum Kind { LNodeType, DOType, DAType, EnumType, Kind_Count };
  // Hands on a finding on `node`: its rule, severity, object and message.
  using Report = std::function<void(const char* rule, Severity severity, pugi::xml_node node,
                                    std::string object, std::string message)>;
  // The line of the file where `node` starts.
  using Line_Of = std::function<int(pugi::xml_node node)>;

  Template_Rules(const lang::Lang_Strings& texts, Report report, Line_Of line)
      : texts_(texts), report_(std::move(report)), line_(std::move(line)) {}

  // Takes the templates of DataTypeTemplates (null: none).
  void Index(pugi::xml_node dtt);
  bool Has_Type(int kind, std::string_view id) const;
  // Ids given twice, and the types the templates' children name that are not there.
  void Check_Types();
  void Check_Cycles();

 private:
  void Check_Data_Object(pugi::xml_node owner, pugi::xml_node child);
  void Check_Attribute(pugi::xml_node owner, pugi::xml_node child);
  void Check_Cycles(int kind, const char* link, const char* other_link);

  const lang::Lang_Strings& texts_;
  Report report_;
  Line_Of line_;
  std::vector<pugi::xml_node> templates_[Kind_Count];
  std::unordered_map<std::string, pugi::xml_node> ids_[Kind_Count];  // the first of each id
};

}  // namespace check
