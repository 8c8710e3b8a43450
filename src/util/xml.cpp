#include "util/xml.h"

#include <cstring>
#include <sstream>
#include <utility>

#include "text/lang_strings.h"
#include "util/files.h"
#include "util/text.h"
#include "util/util_strings.h"

namespace util {

namespace {

// Comments are kept as nodes because readers must see and skip them; a text of blanks alone
// is kept because project files hold texts exactly as typed.
constexpr unsigned Parse_Options =
    pugi::parse_default | pugi::parse_comments | pugi::parse_ws_pcdata_single;

Xml_Error Describe(const pugi::xml_parse_result& result, const std::string& text,
                   const std::string& name) {
  size_t offset = result.offset < 0 ? 0 : static_cast<size_t>(result.offset);
  if (offset > text.size()) offset = text.size();
  size_t line = 1;
  size_t line_start = 0;
  for (size_t i = 0; i < offset; ++i)
    if (text[i] == '\n') {
      ++line;
      line_start = i + 1;
    }
  return Xml_Error::Not_Well_Formed(name, result.description(), line, offset - line_start + 1);
}

// The platform layer's built-in English, which what() carries.
const lang::Lang_Strings& Built_In_English() {
  static const lang::Lang_Strings english(&util_strings::Built_In);
  return english;
}

std::string Word(Xml_Error::Kind kind, const std::vector<std::string>& values,
                 const lang::Lang_Strings& texts) {
  if (kind == Xml_Error::Kind::Not_Well_Formed && values.size() == 4)
    return Fill_Text(texts[util_strings::Text_Xml_Not_Well_Formed],
                     {values[0], values[1], values[2], values[3]});
  if (kind == Xml_Error::Kind::Control_Character && values.size() == 1)
    return Fill_Text(
        texts[util_strings::Text_Xml_Control_Character],
        {values[0].empty() ? texts[util_strings::Text_Xml_Document] : "<" + values[0] + ">"});
  return values.empty() ? std::string() : values[0];
}

}  // namespace

Xml_Error::Xml_Error(const std::string& worded) : std::runtime_error(worded), kind_(Kind::Worded) {}

Xml_Error::Xml_Error(Kind kind, std::vector<std::string> values)
    : std::runtime_error(Word(kind, values, Built_In_English())),
      kind_(kind),
      values_(std::move(values)) {}

Xml_Error Xml_Error::Not_Well_Formed(const std::string& name, const std::string& description,
                                     size_t line, size_t column) {
  return Xml_Error(Kind::Not_Well_Formed,
                   {name, description, std::to_string(line), std::to_string(column)});
}

Xml_Error Xml_Error::Control_Character(const std::string& element) {
  return Xml_Error(Kind::Control_Character, {element});
}

std::string Xml_Error::Text(const lang::Lang_Strings& texts) const {
  if (kind_ == Kind::Worded) return what();
  return Word(kind_, values_, texts);
}

void Load_Xml_Text(pugi::xml_document& doc, const std::string& text, const std::string& name) {
  pugi::xml_parse_result result = doc.load_buffer(text.data(), text.size(), Parse_Options);
  if (!result) {
    doc.reset();
    throw Describe(result, text, name);
  }
}

void Load_Xml_File(pugi::xml_document& doc, const std::string& path) {
  Load_Xml_Text(doc, Read_File(path), path);
}

pugi::xml_node First_Top_Node(const pugi::xml_document& doc) { return doc.first_child(); }

pugi::xml_node Child_Element(pugi::xml_node parent, const char* name) {
  for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling())
    if (child.type() == pugi::node_element && std::strcmp(child.name(), name) == 0) return child;
  return {};
}

std::optional<std::string> Element_Text(pugi::xml_node element) {
  if (!element || element.type() != pugi::node_element) return std::nullopt;
  std::string text;
  for (pugi::xml_node child = element.first_child(); child; child = child.next_sibling()) {
    if (child.type() == pugi::node_element) return std::nullopt;
    if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
      text += child.value();
  }
  return text;
}

std::optional<std::string> Child_Text(pugi::xml_node parent, const char* name) {
  return Element_Text(Child_Element(parent, name));
}

bool Is_Xml_Text(std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') return false;
    const unsigned char next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
    // A surrogate (U+D800..U+DFFF: ED A0..BF xx), which a reader may have let through from a
    // character reference, and the non-characters U+FFFE and U+FFFF (EF BF BE, EF BF BF).
    if (c == 0xED && next >= 0xA0) return false;
    if (c == 0xEF && next == 0xBF && i + 2 < text.size() &&
        static_cast<unsigned char>(text[i + 2]) >= 0xBE)
      return false;
  }
  return true;
}

void Check_Xml_Texts(const pugi::xml_node& root) {
  struct Checker : pugi::xml_tree_walker {
    pugi::xml_node bad;
    bool Check(const pugi::xml_node& node) {
      bool good = Is_Xml_Text(node.name()) && Is_Xml_Text(node.value());
      for (pugi::xml_attribute a = node.first_attribute(); a && good; a = a.next_attribute())
        good = Is_Xml_Text(a.name()) && Is_Xml_Text(a.value());
      if (!good) bad = node;
      return good;
    }
    bool for_each(pugi::xml_node& node) override { return Check(node); }
  } checker;
  pugi::xml_node walked = root;  // a handle: traversing does not change the tree
  if (checker.Check(walked)) walked.traverse(checker);
  if (!checker.bad) return;
  pugi::xml_node element = checker.bad;
  while (element && element.type() != pugi::node_element) element = element.parent();
  throw Xml_Error::Control_Character(element && Is_Xml_Text(element.name()) ? element.name()
                                                                            : std::string());
}

std::string Xml_To_String(const pugi::xml_document& doc) {
  std::ostringstream out;
  doc.save(out, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
  return out.str();
}

void Save_Xml_File(const pugi::xml_document& doc, const std::string& path) {
  Check_Xml_Texts(doc);
  Write_File_Atomic(path, Xml_To_String(doc));
}

void Save_Xml_File(const pugi::xml_document& doc, const Checked_Folder& folder,
                   const std::string& name) {
  Check_Xml_Texts(doc);
  folder.Write_File_Atomic(name, Xml_To_String(doc));
}

}  // namespace util
