// XML reading and writing rules shared by every project file and the SCL import.
#pragma once

#include <optional>
#include <pugixml.hpp>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "util/files.h"

namespace util {

// A file that is not well-formed XML (what() is the file's name, the parser's description, line
// and column), or a text that XML cannot hold. what() is the message in the built-in English;
// Error_Text (util/files.h) words it in the language of a table.
class Xml_Error : public std::runtime_error {
 public:
  enum class Kind { Worded, Not_Well_Formed, Control_Character };

  // A message complete as it is (Kind::Worded).
  explicit Xml_Error(const std::string& worded);
  // `name` is not well-formed: the parser's `description` (its own words) at `line`, `column`.
  static Xml_Error Not_Well_Formed(const std::string& name, const std::string& description,
                                   size_t line, size_t column);
  // A text of the element `element` (empty: outside every element) holds a control character.
  static Xml_Error Control_Character(const std::string& element);

  Kind What_Kind() const { return kind_; }
  // The message in the words of `texts`; names and the parser's description as they are.
  std::string Text(const lang::Lang_Strings& texts) const;

 private:
  Xml_Error(Kind kind, std::vector<std::string> values);
  Kind kind_;
  std::vector<std::string> values_;  // what the kind's text is filled with
};

// Loads an XML file keeping comments as nodes (the readers must see and skip them).
// Throws File_Error when the file cannot be read, Xml_Error when it is not well-formed.
void Load_Xml_File(pugi::xml_document& doc, const std::string& path);
// The same for XML text already in memory; `name` is used in the error text.
void Load_Xml_Text(pugi::xml_document& doc, const std::string& text, const std::string& name);

// The document's first top-level node, whatever its kind and name: the project files' readers
// take it as the root.
pugi::xml_node First_Top_Node(const pugi::xml_document& doc);

// The first child element named exactly `name` (case-sensitive); null when there is none.
pugi::xml_node Child_Element(pugi::xml_node parent, const char* name);

// The text content of an element. An element that holds child elements has no readable text:
// nullopt then, as for a null node.
std::optional<std::string> Element_Text(pugi::xml_node element);

// Text of the first child element `name`, or nullopt when it is missing or unreadable.
std::optional<std::string> Child_Text(pugi::xml_node parent, const char* name);

// Whether XML 1.0 can hold `text`: no control character other than tab, line feed and carriage
// return, no surrogate and neither U+FFFE nor U+FFFF (a parser accepts them in no form, not even
// as a character reference).
bool Is_Xml_Text(std::string_view text);
// Throws Xml_Error naming the element when a name, value or text in `root` or below it is not
// Is_Xml_Text, so that no file is ever written that other readers refuse.
void Check_Xml_Texts(const pugi::xml_node& root);

// Serialises without declaration and without indentation, UTF-8. A control character comes out
// as a character reference that XML readers refuse: check with Check_Xml_Texts before writing.
std::string Xml_To_String(const pugi::xml_document& doc);
// Check_Xml_Texts, then serialises and writes atomically; throws Xml_Error or File_Error and
// writes nothing then.
void Save_Xml_File(const pugi::xml_document& doc, const std::string& path);
// The same into the file `name` of a folder opened and checked once (a configuration's).
void Save_Xml_File(const pugi::xml_document& doc, const Checked_Folder& folder,
                   const std::string& name);

}  // namespace util
