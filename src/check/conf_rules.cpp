// The rules on a configuration: the client file's servers, variable rows, data set rows and
// members against the models of the catalog files, loaded as the access editor loads them (a
// missing file is left out and the servers after it move up), and the data map's places.
#include <algorithm>
#include <cctype>
#include <memory>
#include <set>
#include <string_view>
#include <vector>

#include "access/access_check.h"
#include "access/client_file.h"
#include "access/data_map.h"
#include "access/scl_revision.h"
#include "access/server_list.h"
#include "check/check.h"
#include "check/check_strings.h"
#include "check/conf_view.h"
#include "image/image_build.h"
#include "scl/model_walk.h"
#include "text/lang_strings.h"
#include "util/files.h"
#include "util/text.h"

namespace check {

using namespace check_strings;
using namespace UIEC_61850_Access;
using UIEC_Client_Decode::TIEC_DO;

namespace {

// What the tables would not accept of an entry's place and conversion; empty when all is well.
// The same checks as OK's, for variables and data set members alike.
std::string Value_Problem(const std::string& position, const std::string& start_bit,
                          const std::string& conversion, const std::string& factor, char separator,
                          const lang::Lang_Strings& texts_) {
  if (!Position_Ok(position)) return texts_[Text_Bad_Position];
  if (!Start_Bit_Ok(start_bit)) return texts_[Text_Bad_Start_Bit];
  if (!Conversion_Ok(conversion)) return texts_[Text_Bad_Conversion];
  if (!Factor_Ok(factor, separator)) return texts_[Text_Bad_Factor];
  return {};
}

class Conf_Checker {
 public:
  Conf_Checker(const Conf_View& view, const Conf_Options& options, const Sink& sink,
               const lang::Lang_Strings& texts)
      : view_(view), options_(options), sink_(sink), texts_(texts) {}

  void Run(const Data_Map& map) {
    Check_Variables();
    Check_Data_Sets();
    Check_Conflicts(map);
  }

  void Report(const char* rule, Severity severity, std::optional<int> line, const char* kind,
              int row, std::optional<int> member, std::string object, std::string message) {
    Finding f;
    f.rule = rule;
    f.severity = severity;
    f.file = view_.file;
    f.line = line;
    f.kind = kind;
    f.row = row;
    f.member = member;
    f.object = std::move(object);
    f.message = std::move(message);
    sink_(f);
  }

 private:
  // The server a row's Index names; reports when it names none. Null also for a server whose
  // file could not be imported (its own findings say why).
  const TIEC_Device* Server_Of(const std::string& index, std::optional<int> line, const char* kind,
                               int row, const std::string& name, bool& named) {
    const std::optional<int32_t> number = util::Str_To_Int(index);
    named = number && *number >= 0 && *number < static_cast<int32_t>(view_.models.size());
    if (!named) {
      Report(
          "point-server-missing", Severity::Error, line, kind, row, std::nullopt, name,
          name + texts_[Text_Index_Names_No_Server] + std::to_string(view_.models.size()) + ").");
      return nullptr;
    }
    return view_.models[static_cast<size_t>(*number)];
  }

  static std::string Server_Name(const TIEC_Device& device) {
    return "\"" + device.Name() + "\" (" + device.FileName() + ")";
  }

  void Check_Variables() {
    for (size_t i = 0; i < view_.variables.size(); ++i) {
      const Stored_Variable& v = view_.variables[i];
      if (v.bType.empty()) continue;  // an empty row, as OK and the data map take it
      const int row = static_cast<int>(i) + 1;
      const std::string name = texts_[Text_Row] + std::to_string(row) + " " + v.Reference;
      bool named = false;
      if (const TIEC_Device* device = Server_Of(v.Index, v.line, "variable", row, name, named)) {
        const std::vector<const TIEC_DA*> found = Find_Attributes(*device, v.Reference);
        if (found.empty()) {
          Report("point-unresolved", Severity::Error, v.line, "variable", row, std::nullopt, name,
                 texts_[Text_Row] + std::to_string(row) + ": " + v.Reference +
                     texts_[Text_Not_Attribute] + Server_Name(*device) + ".");
        } else if (std::none_of(found.begin(), found.end(), [&](const TIEC_DA* da) {
                     return da->bType() == v.bType && da->FC() == v.fc;
                   })) {
          Report("point-type-changed", Severity::Error, v.line, "variable", row, std::nullopt, name,
                 texts_[Text_Row] + std::to_string(row) + ": " + v.Reference +
                     texts_[Text_Type_Changed_1] + found.front()->bType() + " " +
                     found.front()->FC() + texts_[Text_Type_Changed_2] + Server_Name(*device) +
                     texts_[Text_Type_Changed_3] + v.bType + " " + v.fc + ".");
        }
      }
      const std::string problem =
          Value_Problem(v.Position, v.StartBit, v.Conversion, v.Factor, options_.separator, texts_);
      if (!problem.empty())
        Report("position-invalid", Severity::Error, v.line, "variable", row, std::nullopt, name,
               texts_[Text_Row] + std::to_string(row) + texts_[Text_Position_Not_Accepted] +
                   problem + ".");
      if (!ReadWrite_Ok(v.ReadWrite))
        Report("rw-invalid", Severity::Error, v.line, "variable", row, std::nullopt, name,
               texts_[Text_Row] + std::to_string(row) + texts_[Text_ReadWrite_Invalid_1] +
                   v.ReadWrite + texts_[Text_ReadWrite_Invalid_2]);
    }
  }

  void Check_Data_Sets() {
    for (size_t i = 0; i < view_.data_sets.size(); ++i) {
      const Stored_DataSet& d = view_.data_sets[i];
      if (d.Index.empty() && d.Reference.empty() && d.members.empty()) continue;
      const int row = static_cast<int>(i) + 1;
      const std::string name = texts_[Text_Data_Set_Row] + std::to_string(row) + " " + d.Reference;
      bool named = false;
      const TIEC_Device* device = Server_Of(d.Index, d.line, "dataset", row, name, named);
      const TIEC_DataSet* data_set = nullptr;
      if (device) {
        data_set = UIEC_Client_Decode::Find_DataSet(
            *device, [&](const TIEC_DataSet& ds) { return ds.Reference() == d.Reference; });
        if (!data_set && view_.stored_members) {
          // Stored under the reference earlier versions gave it: the editor finds it by that.
          data_set = UIEC_Client_Decode::Find_DataSet(*device, [&](const TIEC_DataSet& ds) {
            return ds.Earlier_Reference() == d.Reference && ds.Reference() != d.Reference;
          });
          if (data_set)
            Report("dataset-corrected", Severity::Error, d.line, "dataset", row, std::nullopt, name,
                   name + texts_[Text_Data_Set_Corrected] + data_set->Reference() +
                       texts_[Text_Data_Set_Corrected_2]);
        }
        if (!data_set)
          Report("dataset-unresolved", Severity::Error, d.line, "dataset", row, std::nullopt, name,
                 texts_[Text_Data_Set_Row] + std::to_string(row) + ": " + d.Reference +
                     texts_[Text_Not_Data_Set] + Server_Name(*device) + ".");
      }
      std::vector<std::optional<Stored_Place>> places;
      if (data_set && view_.stored_members) {
        std::vector<Stored_Member_Key> stored;
        for (const Stored_Member& m : d.members) stored.push_back({m.bType, m.Reference});
        places = Stored_Member_Places(*data_set, stored);
      }
      for (size_t k = 0; k < d.members.size(); ++k) {
        const Stored_Member& m = d.members[k];
        const int member = static_cast<int>(k) + 1;
        const std::string member_name = texts_[Text_Data_Set_Row] + std::to_string(row) +
                                        texts_[Text_Member] + std::to_string(member) + " " +
                                        m.Reference;
        if (!places.empty())
          Check_Member_Place(*data_set, m, row, k, places[k], places, member_name);
        else if (!m.new_bType.empty())
          Report_Type_Changed(m, row, member, member_name, m.new_bType);
        const std::string problem = Value_Problem(m.Position, m.StartBit, m.Conversion, m.Factor,
                                                  options_.separator, texts_);
        if (!problem.empty())
          Report("position-invalid", Severity::Error, m.line, "member", row, member, member_name,
                 member_name + texts_[Text_Position_Not_Accepted] + problem + ".");
      }
      if (data_set && view_.stored_members) Check_Missing_Members(*data_set, d, row, places);
    }
  }

  void Report_Type_Changed(const Stored_Member& m, int row, int member, const std::string& name,
                           const std::string& now) {
    Report("point-type-changed", Severity::Error, m.line, "member", row, member, name,
           name + texts_[Text_Member_Type_Changed_1] + now + texts_[Text_Member_Type_Changed_2] +
               m.bType + ".");
  }

  // The members of the data set that no stored member takes: loading adds them without a
  // position.
  void Check_Missing_Members(const TIEC_DataSet& data_set, const Stored_DataSet& d, int row,
                             const std::vector<std::optional<Stored_Place>>& places) {
    std::vector<bool> taken(data_set.List_DA.size(), false);
    for (const auto& place : places)
      if (place && place->place < taken.size()) taken[place->place] = true;
    for (size_t j = 0; j < taken.size(); ++j) {
      if (taken[j]) continue;
      const int member = static_cast<int>(j) + 1;
      const std::string name = texts_[Text_Data_Set_Row] + std::to_string(row) +
                               texts_[Text_Member] + std::to_string(member) + " " +
                               data_set.List_DA[j]->Reference();
      Report("member-missing", Severity::Error, d.line, "member", row, member, name,
             name + texts_[Text_Member_Missing]);
    }
  }

  // `place` is where loading puts stored member k; `places` those of every stored member.
  void Check_Member_Place(const TIEC_DataSet& data_set, const Stored_Member& m, int row, size_t k,
                          std::optional<Stored_Place> place,
                          const std::vector<std::optional<Stored_Place>>& places,
                          const std::string& name) {
    const int member = static_cast<int>(k) + 1;
    if (place) {
      const TIEC_DA& now = *data_set.List_DA[place->place];
      if (place->match == Stored_Match::Type_Changed)
        return Report_Type_Changed(m, row, member, name, now.bType());
      if (place->match == Stored_Match::Corrected && now.Reference() != m.Reference) {
        // Named by what the editor will show: the corrected reference, at its place.
        const std::string corrected = texts_[Text_Data_Set_Row] + std::to_string(row) +
                                      texts_[Text_Member] + std::to_string(place->place + 1) + " " +
                                      now.Reference();
        Report("member-corrected", Severity::Error, m.line, "member", row,
               static_cast<int>(place->place) + 1, corrected,
               name + texts_[Text_Member_Corrected] + std::to_string(place->place + 1) +
                   texts_[Text_Member_Corrected_2] + now.Reference() + texts_[Text_Open_And_Save]);
        return;
      }
      if (place->place == k) return;
      Report("member-moved", Severity::Warning, m.line, "member", row, member, name,
             name + texts_[Text_Member_Moved] + std::to_string(place->place + 1) +
                 texts_[Text_Member_Moved_2]);
      return;
    }
    // Dropped although the data set has it: each place with it went to another stored member.
    std::string elsewhere;
    for (size_t j = 0; j < data_set.List_DA.size() && elsewhere.empty(); ++j) {
      const TIEC_DA& da = *data_set.List_DA[j];
      if (da.bType() == m.bType && da.Reference() == m.Reference) {
        size_t taken_by = 0;
        while (taken_by < places.size() && !(places[taken_by] && places[taken_by]->place == j))
          ++taken_by;
        elsewhere = texts_[Text_Found_At] + std::to_string(j + 1) + texts_[Text_Taken_By_Member] +
                    std::to_string(taken_by + 1) + texts_[Text_Taken_By_Member_2];
      }
    }
    Report("member-dropped", Severity::Error, m.line, "member", row, member, name,
           name +
               (elsewhere.empty() ? texts_[Text_Member_Gone] : texts_[Text_Member_Not_At_Place]) +
               texts_[Text_Member_Dropped] + elsewhere + ".");
  }

  std::optional<int> Line_Of(const Map_Entry& e) const {
    const size_t row = static_cast<size_t>(e.Row - 1);
    if (e.Kind == Map_Kind::Variable)
      return row < view_.variables.size() ? view_.variables[row].line : std::nullopt;
    if (row >= view_.data_sets.size()) return std::nullopt;
    const auto& members = view_.data_sets[row].members;
    const size_t k = static_cast<size_t>(e.Member - 1);
    return k < members.size() ? members[k].line : std::nullopt;
  }

  void Check_Conflicts(const Data_Map& map) {
    for (const Map_Conflict& c : map.Conflicts) {
      const Map_Entry& first = map.Entries[c.Entries.front()];
      for (size_t i = 1; i < c.Entries.size(); ++i) {
        const Map_Entry& e = map.Entries[c.Entries[i]];
        const bool member = e.Kind == Map_Kind::Member;
        const std::string name = Entry_Name(e, texts_);
        Report(
            "position-conflict", Severity::Error, Line_Of(e), member ? "member" : "variable", e.Row,
            member ? std::optional<int>(e.Member) : std::nullopt, name + " " + e.Reference,
            name + " " + e.Reference + texts_[Text_Position_Taken_1] + std::to_string(c.Position) +
                texts_[Text_Position_Taken_2] + std::to_string(c.Start_Bit) +
                texts_[Text_Position_Taken_3] + Entry_Name(first, texts_) + ".");
      }
    }
  }

  const Conf_View& view_;
  const Conf_Options& options_;
  const Sink& sink_;
  const lang::Lang_Strings& texts_;
};

}  // namespace

bool Blocks_Build(const Finding& finding) {
  // Each of these errors stands for a value the image build would turn into another one (a
  // position or bit cut to its field, a write for an unknown direction, a default conversion or
  // factor) without a word, or a text the device's tables and the XML files cannot hold.
  static constexpr std::string_view rules[] = {"position-invalid", "rw-invalid", "text-invalid"};
  return finding.severity == Severity::Error &&
         std::find(std::begin(rules), std::end(rules), finding.rule) != std::end(rules);
}

void Check_Configuration(const std::string& conf_dir, const Conf_Options& options, const Sink& sink,
                         const lang::Lang_Strings& texts) {
  Conf_View view;
  view.file = util::Join_Path(conf_dir, Client_File_Name);
  util::Start(options.progress, Text_Checking, 0);
  Client_File_Data data;
  try {
    // Read as the access editor reads it: what the editor would refuse, the check refuses in
    // the same words (Client_File_Error), except text that is not well-formed, which is a
    // finding, as in an SCL file.
    data = Read_Client_Data(util::Read_File(view.file), view.file, Client_Reading::Editor, texts);
  } catch (const Client_File_Error& error) {
    if (error.What_Kind() != Client_File_Error::Kind::Not_Well_Formed) throw;
    Finding f;
    f.rule = "xml-error";
    f.file = view.file;
    f.line = error.Line();
    f.object = Client_File_Name;
    f.message = error.Reason();
    sink(f);
    return;
  }
  for (const Client_Bad_Text& bad : data.Bad_Texts) {
    Finding f;
    f.rule = "text-invalid";
    f.file = view.file;
    f.line = bad.Line;
    f.object = bad.Object;
    f.message = Bad_Text_Reason(bad, texts);
    sink(f);
  }

  for (const Client_Server& server : data.Servers)
    view.servers.push_back({server[Server_Col::FileName], server.Line});
  for (const Client_Variable& v : data.Variables)
    view.variables.push_back({v[DA_Col::Index], v[DA_Col::bType], v[DA_Col::fc],
                              v[DA_Col::Reference], v[DA_Col::Position], v[DA_Col::StartBit],
                              v[DA_Col::ReadWrite], v[DA_Col::Convertion], v[DA_Col::MoltFact],
                              v.Line});
  for (const Client_Data_Set& item : data.Data_Sets) {
    Stored_DataSet d{item[DS_Col::Index], item[DS_Col::Reference], item.Line, {}};
    for (const Client_Member& m : item.Members)
      d.members.push_back({m[Var_Col::bType], m[Var_Col::Reference], m[Var_Col::Position],
                           m[Var_Col::StartBit], m[Var_Col::Convertion], m[Var_Col::MultFact],
                           m.Line});
    view.data_sets.push_back(std::move(d));
  }

  std::vector<std::unique_ptr<TIEC_Device>> imported;
  if (options.progress) options.progress->Set_Total(view.servers.size());
  Check_Servers(view, Catalog_Dir(conf_dir), options, sink, texts, &imported);
  Conf_Checker(view, options, sink, texts).Run(Data_Map_Of(data));

  // An interrupted build may have left the images of two builds in bin.
  const std::string bin = USaveBincc::Bin_Dir(conf_dir);
  if (!options.bank_pair) return;
  if (const util::Check_Result mixed = USaveBincc::Check_Bank_Pair(bin, texts)) {
    Finding f;
    f.rule = "bank-pair-mixed";
    f.file = bin;
    f.object = texts[Text_Bank_Pair];
    f.message = *mixed;
    sink(f);
  }
}

void Check_Access_State(const Access_State& state, const std::string& conf_dir,
                        const Conf_Options& options, const Sink& sink,
                        const lang::Lang_Strings& texts) {
  Conf_View view;
  view.file = util::Join_Path(conf_dir, Client_File_Name);
  view.stored_members = false;
  util::Start(options.progress, Text_Checking, state.List_IEC_Dev.size());
  for (const auto& device : state.List_IEC_Dev) {
    view.servers.push_back({device->FileName(), std::nullopt});
    view.models.push_back(device.get());
  }
  if (!state.ACG_DA.Counts_As_Empty())
    for (int r = 0; r < state.ACG_DA.Row_Count(); ++r) {
      const Row& row = state.ACG_DA.Get_Row(r);
      view.variables.push_back({row[DA_Col::Index], row[DA_Col::bType], row[DA_Col::fc],
                                row[DA_Col::Reference], row[DA_Col::Position],
                                row[DA_Col::StartBit], row[DA_Col::ReadWrite],
                                row[DA_Col::Convertion], row[DA_Col::MoltFact], std::nullopt});
    }
  if (!state.ACG_DataSet.Counts_As_Empty())
    for (int r = 0; r < state.ACG_DataSet.Row_Count(); ++r) {
      const Row& row = state.ACG_DataSet.Get_Row(r);
      Stored_DataSet d{row[DS_Col::Index], row[DS_Col::Reference], std::nullopt, {}};
      if (static_cast<size_t>(r) < state.List_DataSet.size())
        for (const TDataSet_DA& m : state.List_DataSet[static_cast<size_t>(r)].List_DAs) {
          const std::string former = m.Former_bType();
          d.members.push_back({former.empty() ? m.bType() : former, m.Reference(), m.Position,
                               m.bitAddress, m.conversion, m.multFactor, std::nullopt,
                               former.empty() ? std::string() : m.bType()});
        }
      view.data_sets.push_back(std::move(d));
    }
  // The editor's servers are loaded already: only their files are looked at.
  Check_Servers(view, Catalog_Dir(conf_dir), options, sink, texts, nullptr);
  Conf_Checker(view, options, sink, texts).Run(Build_Data_Map(state));
}

}  // namespace check
