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
#include "check/scl_template_rules.h"
#include "check/xml_walk.h"
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

using namespace xml_walk;

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
        progress_(progress),
        templates_(
            texts,
            [this](const char* rule, Severity severity, Node node, std::string object,
                   std::string message) {
              Report(rule, severity, node, std::move(object), std::move(message));
            },
            [this](Node node) { return Line(node); }) {
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
    templates_.Index(util::Child_Element(scl, "DataTypeTemplates"));
    util::Poll(progress_);
    Check_Ieds(doc, scl);
    util::Poll(progress_);
    Check_Addresses(util::Child_Element(scl, "Communication"));
    templates_.Check_Types();
    util::Poll(progress_);
    templates_.Check_Cycles();
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
    else if (!templates_.Has_Type(Template_Rules::LNodeType, type.value()))
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
  Template_Rules templates_;
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
