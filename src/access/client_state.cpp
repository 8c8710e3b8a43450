// The access editor's state and IEC_61850_Client.xml: the state as the file's data for the
// writer, and the file's data, read by the one reader, taken into the state with the SCL models
// of its servers.
#include <algorithm>
#include <exception>
#include <utility>

#include "access/access_strings.h"
#include "access/client_file.h"
#include "access/scl_revision.h"
#include "util/files.h"
#include "util/text.h"

namespace UIEC_61850_Access {

namespace {

template <size_t Count>
Client_Item<Count> Item_Of(const Row& row) {
  Client_Item<Count> item;
  for (int c = 1; c < static_cast<int>(Count); ++c) item[c] = row[static_cast<size_t>(c)];
  return item;
}

Client_Member Member_Of(const TDataSet_DA& member) {
  Client_Member item;
  item[Var_Col::bType] = member.bType();
  item[Var_Col::Reference] = member.Reference();
  item[Var_Col::Position] = member.Position;
  item[Var_Col::StartBit] = member.bitAddress;
  item[Var_Col::Convertion] = member.conversion;
  item[Var_Col::MultFact] = member.multFactor;
  item[Var_Col::Mnemonic] = member.Mnemonic;
  return item;
}

}  // namespace

Client_File_Data Client_Data_Of(const Access_State& state) {
  Client_File_Data data;
  for (const auto& device : state.List_IEC_Dev) {
    Client_Server server;
    server[Server_Col::Name] = device->Name();
    server[Server_Col::FileName] = device->FileName();
    data.Servers.push_back(std::move(server));
  }
  if (!state.ACG_DA.Counts_As_Empty())
    for (int r = 0; r < state.ACG_DA.Row_Count(); ++r)
      data.Variables.push_back(Item_Of<DA_Col::Count>(state.ACG_DA.Get_Row(r)));
  if (!state.ACG_DataSet.Counts_As_Empty())
    for (int r = 0; r < state.ACG_DataSet.Row_Count(); ++r) {
      Client_Data_Set data_set;
      static_cast<Client_Item<DS_Col::Count>&>(data_set) =
          Item_Of<DS_Col::Count>(state.ACG_DataSet.Get_Row(r));
      if (r < static_cast<int>(state.List_DataSet.size()))
        for (const TDataSet_DA& member : state.List_DataSet[static_cast<size_t>(r)].List_DAs)
          data_set.Members.push_back(Member_Of(member));
      data.Data_Sets.push_back(std::move(data_set));
    }
  return data;
}

std::string Client_Xml(const Access_State& state) { return Client_Xml(Client_Data_Of(state)); }

void Save_Client_File(const Access_State& state, const std::string& path) {
  Save_Client_File(Client_Data_Of(state), path);
}

void Save_Client_File(const Access_State& state, const util::Checked_Folder& folder,
                      const std::string& name) {
  Save_Client_File(Client_Data_Of(state), folder, name);
}

// ---------------------------------------------------------------------------------------------
// Reading

namespace {

class Loader {
 public:
  Loader(const std::string& catalog_dir, const Importer& import, const lang::Lang_Strings& texts)
      : catalog_dir_(catalog_dir), import_(import), texts_(texts) {}

  Read_Report Load(const Client_File_Data& data, Access_State& loaded) const {
    Read_Report report;
    Load_Servers(data.Servers, loaded, report);
    Load_Variables(data.Variables, loaded);
    Load_DataSets(data.Data_Sets, loaded, report);
    return report;
  }

 private:
  void Load_Servers(const std::vector<Client_Server>& servers, Access_State& loaded,
                    Read_Report& report) const {
    for (const Client_Server& server : servers) {
      const std::string& name = server[Server_Col::FileName];
      const std::string file = Catalog_Path(catalog_dir_, name);
      if (file.empty() || !util::File_Exists(file)) {
        report.Missing_Files.push_back(name);
        continue;
      }
      try {
        loaded.List_IEC_Dev.push_back(import_(file));
      } catch (const std::exception& error) {
        // The import's own words, with the file named where they do not name it.
        const std::string text = util::Error_Text(error, texts_);
        throw Client_File_Error(text.find(file) == std::string::npos ? file + ": " + text : text);
      }
    }
  }

  static void Load_Variables(const std::vector<Client_Variable>& variables, Access_State& loaded) {
    for (size_t i = 0; i < variables.size(); ++i) {
      const int row = i == 0 ? 0 : loaded.ACG_DA.Append();
      for (int c = 1; c < DA_Col::Count; ++c) loaded.ACG_DA.Set_Cell(row, c, variables[i][c]);
    }
  }

  static void Load_DataSets(const std::vector<Client_Data_Set>& data_sets, Access_State& loaded,
                            Read_Report& report) {
    for (size_t i = 0; i < data_sets.size(); ++i) {
      const int row = i == 0 ? 0 : loaded.ACG_DataSet.Append();
      for (int c = 1; c < DS_Col::Count; ++c) loaded.ACG_DataSet.Set_Cell(row, c, data_sets[i][c]);

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
      Load_Members(data_sets[i].Members, record, row,
                   loaded.ACG_DataSet.Cell(row, DS_Col::Reference), report);
      loaded.List_DataSet.resize(static_cast<size_t>(loaded.ACG_DataSet.Row_Count()));
      loaded.List_DataSet[static_cast<size_t>(row)] = std::move(record);
    }
  }

  static TDataSet_DA Stored_Settings(const Client_Member& item) {
    TDataSet_DA settings;
    settings.Position = item[Var_Col::Position];
    settings.bitAddress = item[Var_Col::StartBit];
    settings.conversion = item[Var_Col::Convertion];
    settings.multFactor = item[Var_Col::MultFact];
    settings.Mnemonic = item[Var_Col::Mnemonic];
    return settings;
  }

  // Each stored member takes the place Stored_Member_Places gives it; the record lists the data
  // set's members in its order whatever their stored order. Without a data set, the stored
  // members stay as they are.
  static void Load_Members(const std::vector<Client_Member>& items, TDataSet& record, int row,
                           const std::string& reference, Read_Report& report) {
    if (record.Select_DataSet == nullptr) {
      for (const Client_Member& item : items) {
        TDataSet_DA settings = Stored_Settings(item);
        settings.Stored_bType = item[Var_Col::bType];
        settings.Stored_Reference = item[Var_Col::Reference];
        record.List_DAs.push_back(std::move(settings));
      }
      return;
    }
    const auto& model = record.Select_DataSet->List_DA;
    std::vector<Stored_Member_Key> stored;
    stored.reserve(items.size());
    for (const Client_Member& item : items)
      stored.push_back({item[Var_Col::bType], item[Var_Col::Reference]});
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

  const std::string& catalog_dir_;
  const Importer& import_;
  const lang::Lang_Strings& texts_;
};

}  // namespace

Read_Report Read_Client_File(const std::string& path, const std::string& catalog_dir,
                             Access_State& state, const lang::Lang_Strings& texts,
                             const Importer& import) {
  std::string text;
  try {
    text = util::Read_File(path);
  } catch (const std::exception& error) {
    throw Client_File_Error(util::Error_Text(error, texts));
  }
  const Client_File_Data data = Read_Client_Data(text, path, Client_Reading::Editor, texts);
  Access_State loaded;
  Read_Report report = Loader(catalog_dir, import, texts).Load(data, loaded);
  state = std::move(loaded);
  return report;
}

std::string Missing_Files_Warning(const std::vector<std::string>& missing,
                                  const lang::Lang_Strings& strings) {
  std::string list;
  for (const std::string& name : missing) list += "\n" + name;
  return strings[access_strings::Text_Client_Missing_Files] + Catalog_Folder_Name + ":" + list +
         "\n\n" + strings[access_strings::Text_Client_Missing_Files_2];
}

}  // namespace UIEC_61850_Access
