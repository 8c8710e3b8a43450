// The rules on an SCL file. The file is parsed once here, keeping where each element starts, so
// that every finding names its line; the data set members are resolved by the import itself on
// the same document, so "fcda-unresolved" says exactly what the import leaves out.
#include <algorithm>
#include <cstring>
#include <pugixml.hpp>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "check/check.h"
#include "check/check_strings.h"
#include "scl/scl_import.h"
#include "text/lang_strings.h"
#include "util/files.h"
#include "util/line_index.h"
#include "util/text.h"
#include "util/utf.h"
#include "util/xml.h"

namespace check {

using namespace check_strings;

const char* Severity_Text(Severity severity) {
  return severity == Severity::Error ? "error" : "warning";
}

namespace {

using Node = pugi::xml_node;

bool Is(Node node, const char* name) {
  return node.type() == pugi::node_element && std::strcmp(node.name(), name) == 0;
}

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

// The children of `parent` named `name`, in document order.
template <typename Fn>
void For_Each(Node parent, const char* name, Fn&& fn) {
  for (Node child = parent.first_child(); child; child = child.next_sibling())
    if (Is(child, name)) fn(child);
}

// The kinds of templates, each with ids of its own.
enum Template_Kind { LNodeType, DOType, DAType, EnumType, Kind_Count };
constexpr const char* Template_Names[Kind_Count] = {"LNodeType", "DOType", "DAType", "EnumType"};

class Scl_Checker {
 public:
  // `text` is parsed in place: it holds the document's texts until the checker is gone.
  Scl_Checker(std::string& text, const std::string& file, const Sink& sink,
              const lang::Lang_Strings& texts, const std::vector<std::string>* only_ieds,
              util::Progress* progress)
      : text_(text),
        lines_(text),
        file_(file),
        sink_(sink),
        texts_(texts),
        only_ieds_(only_ieds),
        progress_(progress) {
    import_templates_.document_bytes = text.size();
  }

  void Run() {
    pugi::xml_document doc;
    const pugi::xml_parse_result result =
        doc.load_buffer_inplace(text_.data(), text_.size(), pugi::parse_default);
    if (!result) {
      Report("xml-error", Severity::Error, lines_.Line(result.offset), file_,
             texts_[Text_Not_Well_Formed] + std::string(result.description()) + ".");
      return;
    }
    util::Poll(progress_);
    Node scl = util::Child_Element(doc, "SCL");
    if (!scl) return;
    Index_Templates(util::Child_Element(scl, "DataTypeTemplates"));
    util::Poll(progress_);
    Check_Ieds(doc, scl);
    util::Poll(progress_);
    Check_Addresses(util::Child_Element(scl, "Communication"));
    Check_Templates();
    util::Poll(progress_);
    Check_Cycles();
  }

 private:
  int Line(Node node) const { return lines_.Line(node.offset_debug()); }

  void Report(const char* rule, Severity severity, std::optional<int> line, std::string object,
              std::string message, std::string data_set = {}) {
    Finding f;
    f.rule = rule;
    f.severity = severity;
    f.file = file_;
    f.line = line;
    f.object = std::move(object);
    f.message = std::move(message);
    f.data_set = std::move(data_set);
    sink_(f);
  }
  void Report(const char* rule, Severity severity, Node node, std::string object,
              std::string message, std::string data_set = {}) {
    Report(rule, severity, Line(node), std::move(object), std::move(message), std::move(data_set));
  }

  // The reference a data set named `name` of logical node `ln` has in the model: the node whole
  // (prefix, class, instance), but for LLN0, which has neither prefix nor instance.
  static std::string Data_Set_Reference(std::string_view ied, Node ld, Node ln,
                                        std::string_view name) {
    const std::string_view ln_class = ln.attribute("lnClass").value();
    std::string node = std::string(ln_class);
    if (ln_class != "LLN0")
      node = std::string(ln.attribute("prefix").value()) + node + ln.attribute("inst").value();
    return std::string(ied) + ld.attribute("inst").value() + "/" + node + "." + std::string(name);
  }

  bool Wanted(std::string_view ied_name) const {
    return !only_ieds_ ||
           std::find(only_ieds_->begin(), only_ieds_->end(), ied_name) != only_ieds_->end();
  }

  // ---- templates ----

  void Index_Templates(Node dtt) {
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

  bool Has_Type(int kind, std::string_view id) const {
    return ids_[kind].count(std::string(id)) > 0;
  }

  void Check_Templates() {
    for (int k = 0; k < Kind_Count; ++k) {
      for (Node t : templates_[k]) {
        pugi::xml_attribute id = t.attribute("id");
        if (id && ids_[k].at(id.value()) != t)
          Report("duplicate-type-id", Severity::Warning, t,
                 std::string(Template_Names[k]) + " " + id.value(),
                 std::string(Template_Names[k]) + " " + Quoted(id.value()) +
                     texts_[Text_Duplicate_Type] + std::to_string(Line(ids_[k].at(id.value()))) +
                     ").");
      }
    }
    for (Node t : templates_[LNodeType])
      For_Each(t, "DO", [&](Node d) { Check_Data_Object(t, d); });
    for (Node t : templates_[DOType])
      for (Node c = t.first_child(); c; c = c.next_sibling()) {
        if (Is(c, "SDO")) Check_Data_Object(t, c);
        if (Is(c, "DA")) Check_Attribute(t, c);
      }
    for (Node t : templates_[DAType]) For_Each(t, "BDA", [&](Node b) { Check_Attribute(t, b); });
  }

  static std::string Child_Name(Node owner, Node child) {
    return std::string(owner.name()) + " " + owner.attribute("id").value() + " " + child.name() +
           " " + child.attribute("name").value();
  }

  void Check_Data_Object(Node owner, Node child) {
    const std::string_view type = child.attribute("type").value();
    if (!type.empty() && Has_Type(DOType, type)) return;
    const std::string object = Child_Name(owner, child);
    Report("do-type-missing", Severity::Error, child, object,
           object + (type.empty() ? texts_[Text_Has_No_Type]
                                  : texts_[Text_Names_No] + Quoted(type) + texts_[Text_No_DOType]));
  }

  void Check_Attribute(Node owner, Node child) {
    const std::string_view bType = child.attribute("bType").value();
    const std::string_view type = child.attribute("type").value();
    if (bType == "Struct" && (type.empty() || !Has_Type(DAType, type))) {
      const std::string object = Child_Name(owner, child);
      Report("da-type-missing", Severity::Error, child, object,
             object + texts_[Text_Struct] +
                 (type.empty() ? texts_[Text_Has_No_Type]
                               : texts_[Text_Names_No] + Quoted(type) + texts_[Text_No_DAType]));
    } else if (bType == "Enum" && (type.empty() || !Has_Type(EnumType, type))) {
      const std::string object = Child_Name(owner, child);
      Report("enum-type-missing", Severity::Warning, child, object,
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
  void Check_Cycles() {
    Check_Cycles(DOType, "SDO", nullptr);
    Check_Cycles(DAType, "BDA", "DA");
  }

  void Check_Cycles(int kind, const char* link, const char* other_link) {
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
        Report("type-cycle", Severity::Error, first[i], object, object + texts_[Text_Type_Cycle]);
      }
  }

  static std::vector<bool> In_Cycles(const std::vector<std::vector<size_t>>& edges,
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

  // ---- IEDs ----

  void Check_Ieds(const pugi::xml_document& doc, Node scl) {
    std::unordered_map<std::string_view, Node> names;
    For_Each(scl, "IED", [&](Node ied) {
      const std::string_view name = ied.attribute("name").value();
      auto [earlier, first] = names.emplace(name, ied);
      if (!Wanted(name)) return;
      const std::string object = "IED " + std::string(name);
      if (!first)
        Report("duplicate-ied-name", Severity::Error, ied, object,
               "IED " + Quoted(name) + texts_[Text_Duplicate_Ied] +
                   std::to_string(Line(earlier->second)) + ").");
      bool has_server = false;
      For_Each(ied, "AccessPoint", [&](Node ap) {
        For_Each(ap, "Server", [&](Node server) {
          has_server = true;
          For_Each(server, "LDevice", [&](Node ld) {
            util::Poll(progress_);
            for (Node ln = ld.first_child(); ln; ln = ln.next_sibling())
              if (Is(ln, "LN0") || Is(ln, "LN")) Check_LN(name, ld, ln);
          });
        });
      });
      if (!has_server)
        Report("ied-without-server", Severity::Warning, ied, object,
               "IED " + Quoted(name) + texts_[Text_No_Server]);
      // The import reads each IED by its name: a second IED of the same name is never read.
      if (first) Check_Members(doc, ied, name);
    });
  }

  static std::string LN_Name(Node ln) {
    return std::string(ln.attribute("prefix").value()) + ln.attribute("lnClass").value() +
           ln.attribute("inst").value();
  }

  void Check_LN(std::string_view ied, Node ld, Node ln) {
    const std::string where = std::string(ied) + ld.attribute("inst").value() + "/" + LN_Name(ln);
    pugi::xml_attribute type = ln.attribute("lnType");
    if (!type || !*type.value())
      Report("ln-type-missing", Severity::Error, ln, where,
             std::string(ln.name()) + " " + where + texts_[Text_No_LnType]);
    else if (!Has_Type(LNodeType, type.value()))
      Report("ln-type-missing", Severity::Error, ln, where,
             std::string(ln.name()) + " " + where + texts_[Text_Names_No_LNodeType_1] +
                 Quoted(type.value()) + texts_[Text_No_LNodeType]);
    std::unordered_set<std::string_view> data_sets;
    For_Each(ln, "DataSet", [&](Node ds) { data_sets.insert(ds.attribute("name").value()); });
    for (Node c = ln.first_child(); c; c = c.next_sibling()) {
      if (!Is(c, "GSEControl") && !Is(c, "ReportControl") && !Is(c, "SampledValueControl"))
        continue;
      const std::string_view datSet = c.attribute("datSet").value();
      if (datSet.empty() || data_sets.count(datSet)) continue;
      const std::string object =
          std::string(c.name()) + " " + where + "." + c.attribute("name").value();
      Report("control-datset-missing", Severity::Error, c, object,
             object + texts_[Text_Names_Data_Set] + Quoted(datSet) + texts_[Text_No_Data_Set],
             Data_Set_Reference(ied, ld, ln, datSet));
    }
  }

  // The FCDAs of the IED's data sets that the import leaves out, and those naming an attribute
  // of another functional constraint.
  void Check_Members(const pugi::xml_document& doc, Node ied, std::string_view name) {
    using UIEC_Client_Decode::FCDA_Finding;
    std::vector<FCDA_Finding> problems;
    try {
      UIEC_Client_Decode::TIEC_Device device;
      UIEC_Client_Decode::Decode_IED_Element(device, doc, ied, problems,
                                             UIEC_Client_Decode::Max_Model_Bytes,
                                             &import_templates_, progress_);
    } catch (const UIEC_Client_Decode::SCL_Error& refusal) {
      // The import refuses the IED whole (beyond its budget or its nesting limit): no member of
      // it is left out on its own, but the IED cannot be used at all.
      Report("scl-refused", Severity::Error, ied, "IED " + std::string(name),
             "IED " + Quoted(name) + texts_[Text_Scl_Refused] + refusal.what() + ".");
      return;
    }
    std::stable_sort(problems.begin(), problems.end(),
                     [](const FCDA_Finding& a, const FCDA_Finding& b) {
                       return a.fcda.offset_debug() < b.fcda.offset_debug();
                     });
    for (const FCDA_Finding& problem : problems) {
      const Node fcda = problem.fcda;
      const std::string reference =
          std::string(name) + fcda.attribute("ldInst").value() + "/" +
          fcda.attribute("prefix").value() + fcda.attribute("lnClass").value() +
          fcda.attribute("lnInst").value() + "." + fcda.attribute("doName").value() +
          (*fcda.attribute("daName").value() ? "." : "") + fcda.attribute("daName").value();
      const Node data_set = fcda.parent();
      const Node ln = data_set.parent();
      const std::string data_set_reference =
          Data_Set_Reference(name, ln.parent(), ln, data_set.attribute("name").value());
      const std::string start = "FCDA " + reference + texts_[Text_Of_Data_Set] +
                                Quoted(data_set.attribute("name").value());
      if (problem.Unresolved())
        Report("fcda-unresolved", Severity::Error, fcda, reference,
               start + texts_[Text_Fcda_No_Member] + Reason(problem) + ".", data_set_reference);
      else
        Report("fcda-fc-mismatch", Severity::Warning, fcda, reference,
               start + texts_[Text_Fcda_FC_Mismatch] + Quoted(problem.name) +
                   texts_[Text_Fcda_FC_Mismatch_2] + Quoted(fcda.attribute("fc").value()) + ".",
               data_set_reference);
    }
  }

  // Why an FCDA adds no member, in a few words.
  std::string Reason(const UIEC_Client_Decode::FCDA_Finding& problem) const {
    using UIEC_Client_Decode::FCDA_Problem;
    auto in = [&](int text) {
      return texts_[text] + Quoted(problem.name) + texts_[Text_Fcda_In] + Quoted(problem.where);
    };
    switch (problem.problem) {
      case FCDA_Problem::No_LDevice:
        return texts_[Text_Fcda_No_LDevice] + Quoted(problem.name);
      case FCDA_Problem::No_LN:
        return in(Text_Fcda_No_LN);
      case FCDA_Problem::No_DO:
        return in(Text_Fcda_No_DO);
      case FCDA_Problem::No_SDO:
        return in(Text_Fcda_No_SDO);
      case FCDA_Problem::No_DA:
        return in(Text_Fcda_No_DA);
      case FCDA_Problem::No_BDA:
        return in(Text_Fcda_No_BDA);
      case FCDA_Problem::No_FC_Attribute:
        return in(Text_Fcda_No_FC_Leaf);
      case FCDA_Problem::Array_Element:
        return texts_[Text_Fcda_Array] + problem.name + ")";
      case FCDA_Problem::LN_Without_Type:
        return texts_[Text_Fcda_LN_Without_Type] + problem.where + ")";
      case FCDA_Problem::Missing_Attribute:
        return texts_[Text_Fcda_Lacks] + Quoted(problem.name);
      case FCDA_Problem::FC_Mismatch:
        break;
    }
    return {};
  }

  // ---- addresses ----

  void Check_Addresses(Node communication) {
    if (!communication) return;
    std::unordered_map<std::string, Node> addresses;  // the first ConnectedAP of each address
    For_Each(communication, "SubNetwork", [&](Node subnet) {
      For_Each(subnet, "ConnectedAP", [&](Node cap) {
        For_Each(util::Child_Element(cap, "Address"), "P", [&](Node p) {
          if (std::string_view(p.attribute("type").value()) != "IP") return;
          const std::string address = util::Trim(p.text().get());
          if (address.empty()) return;
          auto [earlier, first] = addresses.emplace(address, cap);
          if (first || !Wanted(cap.attribute("iedName").value())) return;
          const std::string object = std::string("ConnectedAP ") +
                                     cap.attribute("iedName").value() + " " +
                                     cap.attribute("apName").value();
          Report("duplicate-ip", Severity::Error, p, object,
                 object + texts_[Text_Has_Address] + address + texts_[Text_Address_Taken] +
                     earlier->second.attribute("iedName").value() + " " +
                     earlier->second.attribute("apName").value() + texts_[Text_At_Line] +
                     std::to_string(Line(earlier->second)) + ").");
        });
      });
    });
  }

  std::string& text_;
  util::Line_Index lines_;
  const std::string& file_;
  const Sink& sink_;
  const lang::Lang_Strings& texts_;
  const std::vector<std::string>* only_ieds_;
  util::Progress* progress_;  // polled; null: nobody can stop the check
  std::vector<Node> templates_[Kind_Count];
  std::unordered_map<std::string, Node> ids_[Kind_Count];  // the first template of each id
  // The import's templates of the document, read once for all its IEDs.
  UIEC_Client_Decode::Shared_Templates import_templates_;
};

}  // namespace

namespace {

// The check on `text`, which it parses in place: a large file is held once, not copied again.
void Check_Buffer(std::string& text, const std::string& shown_name, const Sink& sink,
                  const lang::Lang_Strings& texts, const std::vector<std::string>* only_ieds,
                  util::Progress* progress) {
  // The parser reads a UTF-16 file as UTF-8 and places its elements in that text: the lines are
  // counted there, which are the lines of the file in its own encoding.
  const bool little = text.size() >= 2 && (text.compare(0, 2, "\xFF\xFE") == 0 ||
                                           text.compare(0, 2, std::string("<\0", 2)) == 0);
  const bool big = text.size() >= 2 && (text.compare(0, 2, "\xFE\xFF") == 0 ||
                                        text.compare(0, 2, std::string("\0<", 2)) == 0);
  if (little || big) {
    const size_t bom = text[0] == '<' || text[1] == '<' ? 0 : 2;
    std::u16string units((text.size() - bom) / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i) {
      const auto first = static_cast<unsigned char>(text[bom + 2 * i]);
      const auto second = static_cast<unsigned char>(text[bom + 2 * i + 1]);
      units[i] = static_cast<char16_t>(little ? first | second << 8 : first << 8 | second);
    }
    std::string utf8 = util::Utf16_To_Utf8(units);
    std::string().swap(text);  // only the converted text is read from here on
    Scl_Checker(utf8, shown_name, sink, texts, only_ieds, progress).Run();
    return;
  }
  Scl_Checker(text, shown_name, sink, texts, only_ieds, progress).Run();
}

}  // namespace

void Check_Scl_Text(const std::string& text, const std::string& shown_name, const Sink& sink,
                    const lang::Lang_Strings& texts, const std::vector<std::string>* only_ieds,
                    util::Progress* progress) {
  std::string copy = text;
  Check_Buffer(copy, shown_name, sink, texts, only_ieds, progress);
}

void Check_Scl_File(const std::string& path, const std::string& shown_name, const Sink& sink,
                    const lang::Lang_Strings& texts, const std::vector<std::string>* only_ieds,
                    util::Progress* progress) {
  std::string text = util::Read_File(path);
  Check_Buffer(text, shown_name, sink, texts, only_ieds, progress);
}

}  // namespace check
