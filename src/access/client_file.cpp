#include "access/client_file.h"

#include <algorithm>
#include <array>
#include <exception>
#include <utility>

#include "access/scl_revision.h"
#include "conf/version.h"
#include "util/files.h"
#include "util/text.h"
#include "util/xml.h"

namespace UIEC_61850_Access {

namespace {

// Attribute names of DA_Item, for the variable table's columns 1 to 16.
constexpr std::array<const char*, DA_Col::Count> DA_Attributes = {
    nullptr,    "Index",     "bType",      "fc",       "Reference", "IPAddress",
    "Port",     "OnChange",  "OnCMD",      "OnTimer",  "Time",      "Position",
    "StartBit", "ReadWrite", "Convertion", "MoltFact", "Mnemonic"};

// Attribute names of DataSet_Item, for the data set table's columns 1 to 8.
constexpr std::array<const char*, DS_Col::Count> DS_Attributes = {
    nullptr, "Index", "Reference", "GooseName", "EnGoose", "IPAddress", "Port", "Time", "Mnemonic"};

void Add_Row(pugi::xml_node list, const char* item_name, const Row& row, const char* const* names,
             int count) {
  pugi::xml_node item = list.append_child(item_name);
  for (int c = 1; c < count; ++c) item.append_attribute(names[c]).set_value(row[c].c_str());
}

void Add_Member(pugi::xml_node list, const TDataSet_DA& member) {
  pugi::xml_node item = list.append_child("DataSet_DA_Item");
  item.append_attribute("bType").set_value(member.bType().c_str());
  item.append_attribute("Reference").set_value(member.Reference().c_str());
  item.append_attribute("Position").set_value(member.Position.c_str());
  item.append_attribute("StartBit").set_value(member.bitAddress.c_str());
  item.append_attribute("Convertion").set_value(member.conversion.c_str());
  item.append_attribute("MoltFact").set_value(member.multFactor.c_str());
  item.append_attribute("Mnemonic").set_value(member.Mnemonic.c_str());
}

}  // namespace

void Build_Client_Document(const Access_State& state, pugi::xml_document& doc) {
  doc.reset();
  pugi::xml_node root = doc.append_child(Client_Root);
  doc.append_child(pugi::node_comment).set_value(conf::Version_Comment().c_str());

  pugi::xml_node files = root.append_child("List_ICD_Files");
  for (const auto& device : state.List_IEC_Dev) {
    pugi::xml_node item = files.append_child("ICD_File");
    item.append_attribute("Name").set_value(device->Name().c_str());
    item.append_attribute("FileName").set_value(device->FileName().c_str());
  }

  pugi::xml_node variables = root.append_child("List_DA_Selected");
  if (!state.ACG_DA.Counts_As_Empty())
    for (int r = 0; r < state.ACG_DA.Row_Count(); ++r)
      Add_Row(variables, "DA_Item", state.ACG_DA.Get_Row(r), DA_Attributes.data(), DA_Col::Count);

  pugi::xml_node data_sets = root.append_child("List_DataSet_Selected");
  if (!state.ACG_DataSet.Counts_As_Empty()) {
    for (int r = 0; r < state.ACG_DataSet.Row_Count(); ++r) {
      Add_Row(data_sets, "DataSet_Item", state.ACG_DataSet.Get_Row(r), DS_Attributes.data(),
              DS_Col::Count);
      pugi::xml_node members = data_sets.last_child().append_child("DataSet_List_DAs");
      if (r < static_cast<int>(state.List_DataSet.size()))
        for (const TDataSet_DA& member : state.List_DataSet[static_cast<size_t>(r)].List_DAs)
          Add_Member(members, member);
    }
  }
}

std::string Client_Xml(const Access_State& state) {
  pugi::xml_document doc;
  Build_Client_Document(state, doc);
  return util::Xml_To_String(doc);
}

void Save_Client_File(const Access_State& state, const std::string& path) {
  pugi::xml_document doc;
  Build_Client_Document(state, doc);
  util::Save_Xml_File(doc, path);
}

void Save_Client_File(const Access_State& state, const util::Checked_Folder& folder,
                      const std::string& name) {
  pugi::xml_document doc;
  Build_Client_Document(state, doc);
  util::Save_Xml_File(doc, folder, name);
}

// ---------------------------------------------------------------------------------------------
// Reading

namespace {

class Reader {
 public:
  Reader(const std::string& path, const std::string& catalog_dir, const Importer& import)
      : path_(path), catalog_dir_(catalog_dir), import_(import) {}

  Read_Report Read(Access_State& loaded) {
    pugi::xml_document doc;
    try {
      util::Load_Xml_File(doc, path_);
    } catch (const std::exception& error) {
      throw Client_File_Error(error.what());
    }
    pugi::xml_node root;
    for (pugi::xml_node node = doc.first_child(); node && !root; node = node.next_sibling())
      if (node.type() == pugi::node_element && std::string(node.name()) == Client_Root) root = node;
    if (!root) Fail(std::string("no element \"") + Client_Root + "\"");

    Read_Report report;
    Read_Servers(Need_List(root, "List_ICD_Files"), loaded, report);
    Read_Variables(Need_List(root, "List_DA_Selected"), loaded);
    Read_DataSets(util::Child_Element(root, "List_DataSet_Selected"), loaded, report);
    return report;
  }

 private:
  [[noreturn]] void Fail(const std::string& reason) const {
    throw Client_File_Error(path_ + ": " + reason);
  }

  pugi::xml_node Need_List(pugi::xml_node root, const char* name) const {
    pugi::xml_node list = util::Child_Element(root, name);
    if (!list) Fail(std::string("no element \"") + name + "\"");
    return list;
  }

  std::string Need_Attribute(pugi::xml_node item, const char* name, size_t position) const {
    pugi::xml_attribute attribute = item.attribute(name);
    if (!attribute)
      Fail(std::string("\"") + item.name() + "\" number " + std::to_string(position + 1) +
           " has no attribute \"" + name + "\"");
    return attribute.value();
  }

  static std::vector<pugi::xml_node> Elements(pugi::xml_node list) {
    std::vector<pugi::xml_node> items;
    for (pugi::xml_node node = list.first_child(); node; node = node.next_sibling())
      if (node.type() == pugi::node_element) items.push_back(node);
    return items;
  }

  void Read_Servers(pugi::xml_node list, Access_State& loaded, Read_Report& report) const {
    const std::vector<pugi::xml_node> items = Elements(list);
    for (size_t i = 0; i < items.size(); ++i) {
      const std::string name = Need_Attribute(items[i], "FileName", i);
      const std::string file = Catalog_Path(catalog_dir_, name);
      if (file.empty() || !util::File_Exists(file)) {
        report.Missing_Files.push_back(name);
        continue;
      }
      try {
        loaded.List_IEC_Dev.push_back(import_(file));
      } catch (const std::exception& error) {
        const std::string text = error.what();
        throw Client_File_Error(text.find(file) == std::string::npos ? file + ": " + text : text);
      }
    }
  }

  void Read_Variables(pugi::xml_node list, Access_State& loaded) const {
    const std::vector<pugi::xml_node> items = Elements(list);
    for (size_t i = 0; i < items.size(); ++i) {
      const int row = i == 0 ? 0 : loaded.ACG_DA.Append();
      for (int c = 1; c < DA_Col::Count; ++c)
        loaded.ACG_DA.Set_Cell(row, c, Need_Attribute(items[i], DA_Attributes[c], i));
    }
  }

  void Read_DataSets(pugi::xml_node list, Access_State& loaded, Read_Report& report) const {
    if (!list) return;
    const std::vector<pugi::xml_node> items = Elements(list);
    for (size_t i = 0; i < items.size(); ++i) {
      const int row = i == 0 ? 0 : loaded.ACG_DataSet.Append();
      for (int c = 1; c < DS_Col::Count; ++c)
        loaded.ACG_DataSet.Set_Cell(row, c, Need_Attribute(items[i], DS_Attributes[c], i));
      pugi::xml_node members = util::Child_Element(items[i], "DataSet_List_DAs");
      if (!members)
        Fail("\"" + std::string(items[i].name()) + "\" number " + std::to_string(i + 1) +
             " has no element \"DataSet_List_DAs\"");

      TDataSet record;
      if (const auto index = util::Str_To_Int(loaded.ACG_DataSet.Cell(row, DS_Col::Index))) {
        const std::string reference = loaded.ACG_DataSet.Cell(row, DS_Col::Reference);
        record.Select_DataSet = loaded.Get_DataSet(*index, reference);
        if (!record.Select_DataSet) {
          record.Select_DataSet = loaded.Get_DataSet_By_Earlier_Reference(*index, reference);
          if (record.Select_DataSet) {
            loaded.ACG_DataSet.Set_Cell(row, DS_Col::Reference, record.Select_DataSet->Reference());
            ++report.Corrected_Data_Sets;
          }
        }
      }
      Read_Members(Elements(members), record, row, loaded.ACG_DataSet.Cell(row, DS_Col::Reference),
                   report);
      loaded.List_DataSet.resize(static_cast<size_t>(loaded.ACG_DataSet.Row_Count()));
      loaded.List_DataSet[static_cast<size_t>(row)] = std::move(record);
    }
  }

  static TDataSet_DA Stored_Settings(pugi::xml_node item) {
    TDataSet_DA settings;
    settings.Position = item.attribute("Position").value();
    settings.bitAddress = item.attribute("StartBit").value();
    settings.conversion = item.attribute("Convertion").value();
    settings.multFactor = item.attribute("MoltFact").value();
    settings.Mnemonic = item.attribute("Mnemonic").value();
    return settings;
  }

  // Each stored member takes the place Stored_Member_Places gives it; the record lists the data
  // set's members in its order whatever their stored order. Without a data set, the stored
  // members stay as they are.
  static void Read_Members(const std::vector<pugi::xml_node>& items, TDataSet& record, int row,
                           const std::string& reference, Read_Report& report) {
    if (record.Select_DataSet == nullptr) {
      for (const pugi::xml_node& item : items) {
        TDataSet_DA settings = Stored_Settings(item);
        settings.Stored_bType = item.attribute("bType").value();
        settings.Stored_Reference = item.attribute("Reference").value();
        record.List_DAs.push_back(std::move(settings));
      }
      return;
    }
    const auto& model = record.Select_DataSet->List_DA;
    std::vector<Stored_Member_Key> stored;
    stored.reserve(items.size());
    for (const pugi::xml_node& item : items)
      stored.push_back({item.attribute("bType").value(), item.attribute("Reference").value()});
    const std::vector<std::optional<Stored_Place>> places =
        Stored_Member_Places(*record.Select_DataSet, stored);
    std::vector<std::pair<size_t, TDataSet_DA>> placed;
    for (size_t k = 0; k < places.size(); ++k) {
      if (!places[k]) continue;
      TDataSet_DA settings = Stored_Settings(items[k]);
      settings.Select_DA = model[places[k]->place];
      if (places[k]->match == Stored_Match::Type_Changed)
        settings.Stored_bType = std::string(stored[k].bType);
      if (places[k]->match == Stored_Match::Corrected &&
          settings.Select_DA->Reference() != stored[k].reference)
        ++report.Corrected_Members;
      placed.push_back({places[k]->place, std::move(settings)});
    }
    const size_t gained = model.size() - placed.size();
    if (gained > 0) report.Gained_Members.push_back({row + 1, reference, gained});
    record.List_DAs = Arrange_Members(*record.Select_DataSet, std::move(placed));
  }

  const std::string& path_;
  const std::string& catalog_dir_;
  const Importer& import_;
};

}  // namespace

Read_Report Read_Client_File(const std::string& path, const std::string& catalog_dir,
                             Access_State& state, const Importer& import) {
  Access_State loaded;
  Read_Report report = Reader(path, catalog_dir, import).Read(loaded);
  state = std::move(loaded);
  return report;
}

std::string Missing_Files_Warning(const std::vector<std::string>& missing) {
  std::string list;
  for (const std::string& name : missing) list += "\n" + name;
  return std::string("These SCL files are missing from the folder ") + Catalog_Folder_Name + ":" +
         list +
         "\n\nTheir servers are left out and the servers after them have moved up, so the "
         "\"Index\" of a row may now name another server. Press Cancel to leave without saving, "
         "put the files back and open again.";
}

}  // namespace UIEC_61850_Access
