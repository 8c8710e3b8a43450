#include "access/client_file.h"

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <pugixml.hpp>
#include <utility>

#include "access/access_strings.h"
#include "conf/version.h"
#include "util/line_index.h"
#include "util/xml.h"

namespace UIEC_61850_Access {

using namespace access_strings;

Client_File_Error::Client_File_Error(Kind kind, std::string file, std::optional<int> line,
                                     std::string reason, const lang::Lang_Strings& texts)
    : std::runtime_error(file + (line ? texts[Text_Client_Line] + std::to_string(*line) : "") +
                         ": " + reason),
      kind_(kind),
      file_(std::move(file)),
      line_(line),
      reason_(std::move(reason)) {}

Client_File_Error::Client_File_Error(const std::string& text)
    : std::runtime_error(text), reason_(text) {}

namespace {

// ---------------------------------------------------------------------------------------------
// The file's names: words of its format, each written once here.

constexpr char Root[] = "IEC_68850_Client";
constexpr char Server_List[] = "List_ICD_Files";
constexpr char Server_Item[] = "ICD_File";
constexpr char Variable_List[] = "List_DA_Selected";
constexpr char Variable_Item[] = "DA_Item";
constexpr char Data_Set_List[] = "List_DataSet_Selected";
constexpr char Data_Set_Item[] = "DataSet_Item";
constexpr char Member_List[] = "DataSet_List_DAs";
constexpr char Member_Item[] = "DataSet_DA_Item";

constexpr char A_Name[] = "Name";
constexpr char A_FileName[] = "FileName";
constexpr char A_Index[] = "Index";
constexpr char A_bType[] = "bType";
constexpr char A_fc[] = "fc";
constexpr char A_Reference[] = "Reference";
constexpr char A_IPAddress[] = "IPAddress";
constexpr char A_Port[] = "Port";
constexpr char A_OnChange[] = "OnChange";
constexpr char A_OnCMD[] = "OnCMD";
constexpr char A_OnTimer[] = "OnTimer";
constexpr char A_Time[] = "Time";
constexpr char A_Position[] = "Position";
constexpr char A_StartBit[] = "StartBit";
constexpr char A_ReadWrite[] = "ReadWrite";
constexpr char A_Convertion[] = "Convertion";
constexpr char A_MoltFact[] = "MoltFact";
constexpr char A_Mnemonic[] = "Mnemonic";
constexpr char A_GooseName[] = "GooseName";
constexpr char A_EnGoose[] = "EnGoose";

// The attributes of each kind of item by the column of its table, in the order the file
// writes them; column N has none.
constexpr std::array<const char*, Server_Col::Count> Server_Attributes = {A_Name, A_FileName};
constexpr std::array<const char*, DA_Col::Count> Variable_Attributes = {
    nullptr,    A_Index,     A_bType,      A_fc,       A_Reference, A_IPAddress,
    A_Port,     A_OnChange,  A_OnCMD,      A_OnTimer,  A_Time,      A_Position,
    A_StartBit, A_ReadWrite, A_Convertion, A_MoltFact, A_Mnemonic};
constexpr std::array<const char*, DS_Col::Count> Data_Set_Attributes = {
    nullptr, A_Index, A_Reference, A_GooseName, A_EnGoose, A_IPAddress, A_Port, A_Time, A_Mnemonic};
constexpr std::array<const char*, Var_Col::Count> Member_Attributes = {
    nullptr, A_bType, A_Reference, A_Position, A_StartBit, A_Convertion, A_MoltFact, A_Mnemonic};

// ---------------------------------------------------------------------------------------------
// What each reading needs: the one table of it.

using Columns = uint32_t;  // a bit per column of a table
constexpr Columns Of(std::initializer_list<int> columns) {
  Columns bits = 0;
  for (int c : columns) bits |= Columns{1} << c;
  return bits;
}
constexpr Columns All(int count) { return ((Columns{1} << count) - 1) & ~Columns{1}; }

struct Needs {
  bool server_list = false;
  bool member_list = false;
  bool xml_texts = false;  // a text XML 1.0 cannot hold is refused
  Columns server = 0, variable = 0, data_set = 0, member = 0;
};

constexpr Needs Editor_Needs = {
    true, true, false, Of({Server_Col::FileName}), All(DA_Col::Count), All(DS_Col::Count), 0};
// The client tables take these as text or number; "OnChange", "OnCMD", "OnTimer",
// "ReadWrite", "Convertion" and "EnGoose" are only compared, and a missing one compares unequal.
constexpr Needs Image_Needs = {
    false,
    true,
    true,
    0,
    Of({DA_Col::bType, DA_Col::fc, DA_Col::Reference, DA_Col::IPAddress, DA_Col::Port, DA_Col::Time,
        DA_Col::Position, DA_Col::StartBit, DA_Col::MoltFact}),
    Of({DS_Col::Port, DS_Col::Time, DS_Col::GooseName, DS_Col::Reference, DS_Col::IPAddress}),
    Of({Var_Col::bType, Var_Col::Reference, Var_Col::Position, Var_Col::StartBit,
        Var_Col::MultFact})};
constexpr Needs Map_Needs = {};

const Needs& Needs_Of(Client_Reading reading) {
  switch (reading) {
    case Client_Reading::Editor:
      return Editor_Needs;
    case Client_Reading::Image:
      return Image_Needs;
    case Client_Reading::Map:
      break;
  }
  return Map_Needs;
}

std::string Quoted(const char* name) { return std::string("\"") + name + "\""; }

class Reader {
 public:
  Reader(std::string_view text, const std::string& file, const Needs& needs,
         const lang::Lang_Strings& texts)
      : text_(text), lines_(text), file_(file), needs_(needs), texts_(texts) {}

  Client_File_Data Read() {
    pugi::xml_document doc;
    const pugi::xml_parse_result result =
        doc.load_buffer(text_.data(), text_.size(), pugi::parse_default);
    if (!result)
      throw Client_File_Error(
          Client_File_Error::Kind::Not_Well_Formed, file_, lines_.Line(result.offset),
          texts_[Text_Client_Not_Well_Formed] + result.description() + ".", texts_);
    // The root is the first top-level element of its name; the comment after it is not read.
    pugi::xml_node root;
    for (pugi::xml_node node = doc.first_child(); node && !root; node = node.next_sibling())
      if (node.type() == pugi::node_element && std::strcmp(node.name(), Root) == 0) root = node;
    if (!root)
      throw Client_File_Error(Client_File_Error::Kind::Missing, file_, std::nullopt,
                              texts_[Text_Client_No_Root] + Quoted(Root) + ".", texts_);

    Client_File_Data data;
    Find_Bad_Texts(root, data.Bad_Texts);
    if (needs_.xml_texts && !data.Bad_Texts.empty()) {
      const Client_Bad_Text& bad = data.Bad_Texts.front();
      throw Client_File_Error(Client_File_Error::Kind::Text_Invalid, file_, bad.Line,
                              Bad_Text_Reason(bad, texts_), texts_);
    }

    for (pugi::xml_node item : Items(List(root, Server_List, needs_.server_list)))
      data.Servers.push_back(Item<Server_Col::Count>(item, Server_Attributes, needs_.server));
    for (pugi::xml_node item : Items(List(root, Variable_List, true)))
      data.Variables.push_back(Item<DA_Col::Count>(item, Variable_Attributes, needs_.variable));
    for (pugi::xml_node item : Items(List(root, Data_Set_List, false))) {
      Client_Data_Set data_set;
      static_cast<Client_Item<DS_Col::Count>&>(data_set) =
          Item<DS_Col::Count>(item, Data_Set_Attributes, needs_.data_set);
      for (pugi::xml_node member : Items(List(item, Member_List, needs_.member_list)))
        data_set.Members.push_back(Item<Var_Col::Count>(member, Member_Attributes, needs_.member));
      data.Data_Sets.push_back(std::move(data_set));
    }
    return data;
  }

 private:
  int Line(pugi::xml_node node) const { return lines_.Line(node.offset_debug()); }

  [[noreturn]] void Missing(pugi::xml_node element, const std::string& reason) const {
    throw Client_File_Error(Client_File_Error::Kind::Missing, file_, Line(element),
                            Quoted(element.name()) + reason + ".", texts_);
  }

  // The first child element `name` of `parent`; a null node, read as an empty list, where the
  // reading does not need it.
  pugi::xml_node List(pugi::xml_node parent, const char* name, bool needed) const {
    const pugi::xml_node list = util::Child_Element(parent, name);
    if (!list && needed) Missing(parent, texts_[Text_Client_No_Element] + Quoted(name));
    return list;
  }

  // The items of a list are its child elements, whatever their names; comments and text are
  // not.
  static std::vector<pugi::xml_node> Items(pugi::xml_node list) {
    std::vector<pugi::xml_node> items;
    for (pugi::xml_node node = list.first_child(); node; node = node.next_sibling())
      if (node.type() == pugi::node_element) items.push_back(node);
    return items;
  }

  template <size_t Count>
  Client_Item<Count> Item(pugi::xml_node node, const std::array<const char*, Count>& names,
                          Columns needed) const {
    Client_Item<Count> item;
    item.Line = Line(node);
    for (int c = 0; c < static_cast<int>(Count); ++c) {
      if (names[static_cast<size_t>(c)] == nullptr) continue;
      const pugi::xml_attribute attribute = node.attribute(names[static_cast<size_t>(c)]);
      if (attribute)
        item[c] = attribute.value();
      else if (needed & (Columns{1} << c))
        Missing(node, texts_[Text_Client_No_Attribute] + Quoted(names[static_cast<size_t>(c)]));
    }
    return item;
  }

  // Each attribute and text below `root` that XML 1.0 cannot hold: a control character, raw or
  // as a character reference, would go into the image as it is, and no reader of a saved file
  // could read it again. The file's elements nest a few levels only, but it may be anything: a
  // stack of its own.
  void Find_Bad_Texts(pugi::xml_node root, std::vector<Client_Bad_Text>& bad) const {
    std::vector<pugi::xml_node> pending{root};
    while (!pending.empty()) {
      const pugi::xml_node element = pending.back();
      pending.pop_back();
      for (pugi::xml_attribute a = element.first_attribute(); a; a = a.next_attribute())
        if (!util::Is_Xml_Text(a.value()) || !util::Is_Xml_Text(a.name()))
          bad.push_back({Line(element), std::string(element.name()) + " " + a.name()});
      for (pugi::xml_node child = element.last_child(); child; child = child.previous_sibling()) {
        if (child.type() == pugi::node_element)
          pending.push_back(child);
        else if ((child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) &&
                 !util::Is_Xml_Text(child.value()))
          bad.push_back({Line(element), element.name()});
      }
    }
  }

  std::string_view text_;
  util::Line_Index lines_;
  const std::string& file_;
  const Needs& needs_;
  const lang::Lang_Strings& texts_;
};

// ---------------------------------------------------------------------------------------------
// Writing

template <size_t Count>
void Add_Item(pugi::xml_node list, const char* element, const Client_Item<Count>& item,
              const std::array<const char*, Count>& names) {
  pugi::xml_node node = list.append_child(element);
  for (int c = 0; c < static_cast<int>(Count); ++c)
    if (names[static_cast<size_t>(c)] != nullptr)
      node.append_attribute(names[static_cast<size_t>(c)]).set_value(item[c].c_str());
}

void Build_Document(const Client_File_Data& data, pugi::xml_document& doc) {
  doc.reset();
  pugi::xml_node root = doc.append_child(Root);
  doc.append_child(pugi::node_comment).set_value(conf::Version_Comment().c_str());

  pugi::xml_node servers = root.append_child(Server_List);
  for (const Client_Server& server : data.Servers)
    Add_Item(servers, Server_Item, server, Server_Attributes);
  pugi::xml_node variables = root.append_child(Variable_List);
  for (const Client_Variable& variable : data.Variables)
    Add_Item(variables, Variable_Item, variable, Variable_Attributes);
  pugi::xml_node data_sets = root.append_child(Data_Set_List);
  for (const Client_Data_Set& data_set : data.Data_Sets) {
    Add_Item(data_sets, Data_Set_Item, data_set, Data_Set_Attributes);
    pugi::xml_node members = data_sets.last_child().append_child(Member_List);
    for (const Client_Member& member : data_set.Members)
      Add_Item(members, Member_Item, member, Member_Attributes);
  }
}

}  // namespace

std::string Bad_Text_Reason(const Client_Bad_Text& bad, const lang::Lang_Strings& texts) {
  return bad.Object + texts[Text_Client_Text_Invalid] + ".";
}

Client_File_Data Read_Client_Data(std::string_view text, const std::string& file,
                                  Client_Reading reading, const lang::Lang_Strings& texts) {
  return Reader(text, file, Needs_Of(reading), texts).Read();
}

std::string Client_Xml(const Client_File_Data& data) {
  pugi::xml_document doc;
  Build_Document(data, doc);
  return util::Xml_To_String(doc);
}

void Save_Client_File(const Client_File_Data& data, const std::string& path) {
  pugi::xml_document doc;
  Build_Document(data, doc);
  util::Save_Xml_File(doc, path);
}

void Save_Client_File(const Client_File_Data& data, const util::Checked_Folder& folder,
                      const std::string& name) {
  pugi::xml_document doc;
  Build_Document(data, doc);
  util::Save_Xml_File(doc, folder, name);
}

}  // namespace UIEC_61850_Access
