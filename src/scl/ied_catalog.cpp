#include "scl/ied_catalog.h"

#include <cstring>
#include <exception>
#include <iterator>
#include <map>
#include <pugixml.hpp>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "scl/scl_import.h"
#include "scl/scl_strings.h"
#include "text/lang_strings.h"
#include "util/files.h"
#include "util/xml.h"

namespace UIEC_Client_Decode {

namespace {

using Node = pugi::xml_node;

bool Is_Element(Node node, const char* name) {
  return node.type() == pugi::node_element && std::strcmp(node.name(), name) == 0;
}

// Parsed as the import parses, so that texts (and the encoding the file is read in) are the
// ones the import sees. Failures are worded as for every other file. `options` may add
// pugi::parse_ws_pcdata, which keeps the blanks and line breaks between elements (the import
// leaves them out again when it reads the file written with them).
void Load(pugi::xml_document& doc, const std::string& path,
          unsigned int options = pugi::parse_default) {
  const pugi::xml_parse_result result = doc.load_file(path.c_str(), options);
  if (result) return;
  doc.reset();
  if (result.status == pugi::status_out_of_memory)
    throw SCL_Error(path + ": " + result.description());
  util::Load_Xml_File(doc, path);  // throws File_Error or Xml_Error with line and column
  doc.reset();
  throw util::Xml_Error(path + ": " + result.description());
}

// The ConnectedAP entries of every SubNetwork of every Communication section, by IED name and
// access point name; the first in document order wins.
using AP_Key = std::pair<std::string, std::string>;

std::map<AP_Key, Node> Connected_APs(Node scl) {
  std::map<AP_Key, Node> aps;
  for (Node comm = scl.first_child(); comm; comm = comm.next_sibling()) {
    if (!Is_Element(comm, "Communication")) continue;
    for (Node net = comm.first_child(); net; net = net.next_sibling()) {
      if (!Is_Element(net, "SubNetwork")) continue;
      for (Node ap = net.first_child(); ap; ap = ap.next_sibling())
        if (Is_Element(ap, "ConnectedAP"))
          aps.try_emplace({ap.attribute("iedName").value(), ap.attribute("apName").value()}, ap);
    }
  }
  return aps;
}

std::string IP_Of(Node connected_ap) {
  const Node address = util::Child_Element(connected_ap, "Address");
  for (Node p = address.first_child(); p; p = p.next_sibling())
    if (Is_Element(p, "P") && std::strcmp(p.attribute("type").value(), "IP") == 0)
      return util::Element_Text(p).value_or("");
  return {};
}

Node Find_IED(Node scl, const std::string& name) {
  for (Node ied = scl.first_child(); ied; ied = ied.next_sibling())
    if (Is_Element(ied, "IED") && name == ied.attribute("name").value()) return ied;
  return {};
}

bool Is_Blank_Text(Node node) {
  if (node.type() != pugi::node_pcdata) return false;
  for (const char* c = node.value(); *c; ++c)
    if (*c != ' ' && *c != '\t' && *c != '\n' && *c != '\r') return false;
  return true;
}

// Copies `source` without its children.
Node Copy_Shell(Node parent, Node source) {
  Node copy = parent.append_child(source.name());
  for (pugi::xml_attribute a = source.first_attribute(); a; a = a.next_attribute())
    copy.append_copy(a);
  return copy;
}

// Copies `child` into `parent` after the blanks that stand before it in its own file, so that
// it starts on a line of its own, indented as there.
Node Copy_On_Its_Line(Node parent, Node child) {
  if (Is_Blank_Text(child.previous_sibling())) parent.append_copy(child.previous_sibling());
  return parent.append_copy(child);
}

// Ends a shell copied from `source` with the blanks before the end tag of `source`.
void Close_Shell(Node copy, Node source) {
  if (Is_Blank_Text(source.last_child())) copy.append_copy(source.last_child());
}

// The Communication section cut down to the ConnectedAP entries of `ied_name`: a SubNetwork
// keeps its own settings and only those entries; one without any is left out, and so is the
// whole section when nothing remains.
void Copy_Communication(Node target_scl, Node comm, const std::string& ied_name) {
  Node comm_copy;
  for (Node net = comm.first_child(); net; net = net.next_sibling()) {
    if (!Is_Element(net, "SubNetwork")) continue;
    bool used = false;
    for (Node ap = net.first_child(); ap; ap = ap.next_sibling())
      used = used || (Is_Element(ap, "ConnectedAP") && ied_name == ap.attribute("iedName").value());
    if (!used) continue;
    if (!comm_copy) {
      if (Is_Blank_Text(comm.previous_sibling())) target_scl.append_copy(comm.previous_sibling());
      comm_copy = Copy_Shell(target_scl, comm);
    }
    if (Is_Blank_Text(net.previous_sibling())) comm_copy.append_copy(net.previous_sibling());
    Node net_copy = Copy_Shell(comm_copy, net);
    for (Node child = net.first_child(); child; child = child.next_sibling()) {
      if (Is_Blank_Text(child)) continue;  // each child brings the blanks before it
      if (Is_Element(child, "ConnectedAP") && ied_name != child.attribute("iedName").value())
        continue;
      Copy_On_Its_Line(net_copy, child);
    }
    Close_Shell(net_copy, net);
  }
  if (comm_copy) Close_Shell(comm_copy, comm);
}

size_t Count_IEDs(Node scl) {
  size_t count = 0;
  for (Node ied = scl.first_child(); ied; ied = ied.next_sibling())
    if (Is_Element(ied, "IED")) ++count;
  return count;
}

}  // namespace

std::vector<IED_Info> List_IEDs(const std::string& path, util::Progress* progress) {
  util::Start(progress, scl_strings::Text_Listing_IEDs, 0);
  pugi::xml_document doc;
  Load(doc, path);
  util::Poll(progress);
  std::vector<IED_Info> ieds;
  const Node scl = util::Child_Element(doc, "SCL");
  if (!scl) return ieds;
  const std::map<AP_Key, Node> aps = Connected_APs(scl);
  if (progress) progress->Set_Total(Count_IEDs(scl));
  for (Node ied = scl.first_child(); ied; ied = ied.next_sibling()) {
    if (!Is_Element(ied, "IED")) continue;
    util::Advance(progress);
    IED_Info info;
    info.name = ied.attribute("name").value();
    info.manufacturer = ied.attribute("manufacturer").value();
    info.type = ied.attribute("type").value();
    info.desc = ied.attribute("desc").value();
    if (const Node ap = util::Child_Element(ied, "AccessPoint")) {
      info.server = static_cast<bool>(util::Child_Element(ap, "Server"));
      const auto found = aps.find({info.name, ap.attribute("name").value()});
      if (found != aps.end()) info.ip = IP_Of(found->second);
    }
    ieds.push_back(std::move(info));
  }
  return ieds;
}

std::optional<std::string> Server_IP(const std::string& path) {
  const std::vector<IED_Info> ieds = List_IEDs(path);
  if (ieds.empty() || ieds.front().ip.empty()) return std::nullopt;
  return ieds.front().ip;
}

bool Is_Writable_IED_Name(std::string_view ied_name) { return util::Is_Xml_Text(ied_name); }

std::string Unwritable_IED_Name_Text(std::string_view ied_name, const lang::Lang_Strings& texts) {
  std::string shown(ied_name);
  for (char& c : shown)
    if (!util::Is_Xml_Text(std::string_view(&c, 1))) c = '?';
  return texts[scl_strings::Text_IED_Name_Not_Xml] + shown + "\"";
}

std::string Extract_IED(const std::string& path, const std::string& ied_name,
                        const lang::Lang_Strings& texts, util::Progress* progress) {
  if (!Is_Writable_IED_Name(ied_name))
    throw SCL_Error(path + ": " + Unwritable_IED_Name_Text(ied_name, texts));
  util::Start(progress, scl_strings::Text_Extracting_IED, 0);
  pugi::xml_document doc;
  // With the file's own line breaks, so that the lines of the catalog file (the lines its
  // check's findings name) are lines of the IED's text as its maker wrote it.
  Load(doc, path, pugi::parse_default | pugi::parse_ws_pcdata);
  const Node scl = util::Child_Element(doc, "SCL");
  const Node ied = scl ? Find_IED(scl, ied_name) : Node();
  if (!ied) throw SCL_Error(path + ": " + texts[scl_strings::Text_No_IED_Named] + ied_name + "\"");
  if (progress) progress->Set_Total(static_cast<size_t>(std::distance(scl.begin(), scl.end())) + 1);

  pugi::xml_document out;
  Node out_scl = Copy_Shell(out, scl);
  bool header_done = false;
  for (Node child = scl.first_child(); child; child = child.next_sibling()) {
    util::Advance(progress);
    if (Is_Element(child, "Header") && !header_done) {
      Copy_On_Its_Line(out_scl, child);
      header_done = true;
    } else if (Is_Element(child, "Communication")) {
      Copy_Communication(out_scl, child, ied_name);
    } else if (child == ied || Is_Element(child, "DataTypeTemplates")) {
      Copy_On_Its_Line(out_scl, child);
    }
  }
  Close_Shell(out_scl, scl);
  util::Check_Xml_Texts(out);
  std::ostringstream text;
  // Written as read, without indentation of its own: added blanks would change the text of
  // elements that hold both text and elements.
  text << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  out.save(text, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
  text << "\n";
  util::Advance(progress);
  return text.str();
}

void Write_Extracted_IED(const std::string& path, const std::string& ied_name,
                         const std::string& out, const lang::Lang_Strings& texts,
                         util::Progress* progress) {
  const std::string content = Extract_IED(path, ied_name, texts, progress);
  util::Poll(progress);
  util::Write_File_Atomic(out, content);
}

std::string Extracted_File_Name(std::string_view source, std::string_view ied_name) {
  const std::string file = util::File_Name_Of(source);
  const size_t dot = file.rfind('.');
  const bool has_extension = dot != std::string::npos && dot > 0;
  std::string name = has_extension ? file.substr(0, dot) : file;
  name.append(1, '_').append(ied_name);
  if (has_extension) name.append(file, dot);
  for (char& c : name)
    if (static_cast<unsigned char>(c) < 32 || std::strchr("<>:\"/\\|?*", c) != nullptr) c = '_';
  if (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.back() = '_';
  return name;
}

std::string Catalog_File_For_IED(const std::string& catalog_dir, std::string_view source,
                                 const std::string& ied_name) {
  const std::string name = Extracted_File_Name(source, ied_name);
  const size_t dot = name.rfind('.');
  const bool has_extension = dot != std::string::npos && dot > 0;
  const std::string stem = has_extension ? name.substr(0, dot) : name;
  const std::string extension = has_extension ? name.substr(dot) : std::string();
  for (size_t n = 1;; ++n) {
    const std::string path =
        util::Join_Path(catalog_dir, n == 1 ? name : stem + "_" + std::to_string(n) + extension);
    if (!util::File_Exists(path)) return path;
    std::vector<IED_Info> held;
    try {
      held = List_IEDs(path);
    } catch (const std::exception&) {
      held.clear();  // unreadable: not this IED's
    }
    if (!held.empty() && held.front().name == ied_name) return path;
  }
}

}  // namespace UIEC_Client_Decode
