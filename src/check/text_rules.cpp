#include "check/text_rules.h"

#include <vector>

#include "check/check_strings.h"
#include "util/xml.h"

namespace check {

void Check_Client_Texts(pugi::xml_node root, const std::string& file,
                        const std::function<int(pugi::xml_node)>& line, const Sink& sink,
                        const lang::Lang_Strings& texts) {
  auto report = [&](pugi::xml_node element, const std::string& object) {
    Finding f;
    f.rule = "text-invalid";
    f.file = file;
    f.line = line(element);
    f.object = object;
    f.message = object + texts[check_strings::Text_Text_Invalid] + ".";
    sink(f);
  };
  // The file's elements nest a few levels only, but it may be anything: a stack of its own.
  std::vector<pugi::xml_node> pending{root};
  while (!pending.empty()) {
    const pugi::xml_node element = pending.back();
    pending.pop_back();
    for (pugi::xml_attribute a = element.first_attribute(); a; a = a.next_attribute())
      if (!util::Is_Xml_Text(a.value()) || !util::Is_Xml_Text(a.name()))
        report(element, std::string(element.name()) + " " + a.name());
    for (pugi::xml_node child = element.last_child(); child; child = child.previous_sibling()) {
      if (child.type() == pugi::node_element)
        pending.push_back(child);
      else if ((child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) &&
               !util::Is_Xml_Text(child.value()))
        report(element, element.name());
    }
  }
}

}  // namespace check
