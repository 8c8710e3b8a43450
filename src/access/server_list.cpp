#include "access/server_list.h"

#include <algorithm>
#include <exception>

#include "access/access_strings.h"
#include "scl/scl_import.h"
#include "util/files.h"
#include "util/text.h"

namespace UIEC_61850_Access {

std::string Overwrite_Question_For(const std::string& file_name, const std::string& ied_name,
                                   const lang::Lang_Strings& strings) {
  // Filled from the end, so that a value holding "%1" is never taken for a place holder; a
  // translation without a place holder is shown as it stands.
  auto fill = [](std::string text, const char* holder, const std::string& value) {
    if (const size_t at = text.find(holder); at != std::string::npos) text.replace(at, 2, value);
    return text;
  };
  const std::string ied =
      ied_name.empty() ? std::string()
                       : fill(strings[access_strings::Text_Overwrite_Question_IED], "%1", ied_name);
  return fill(fill(strings[access_strings::Text_Overwrite_Question], "%2", ied), "%1", file_name);
}

std::string Catalog_Dir(const std::string& Active_Conf_Dir) {
  return util::Join_Path(Active_Conf_Dir, Catalog_Folder_Name);
}

std::string Catalog_Path(const std::string& catalog_dir, std::string_view name) {
  const std::string file = util::File_Name_Of(name);
  if (file.empty() || file == "." || file == "..") return {};
  return util::Join_Path(catalog_dir, file);
}

std::unique_ptr<TIEC_Device> Import_Device(const std::string& path) {
  return std::make_unique<TIEC_Device>(path);
}

std::unique_ptr<TIEC_Device> Import_Device_Following(const std::string& path,
                                                     util::Progress* progress) {
  return std::make_unique<TIEC_Device>(path, progress);
}

Progress_Importer Ignoring_Progress(Importer import) {
  return [import = std::move(import)](const std::string& path, util::Progress* progress) {
    std::unique_ptr<TIEC_Device> device = import(path);
    util::Poll(progress);
    return device;
  };
}

void Run_In_Place(const std::string&, const Adding_Step& step) { step(nullptr); }

namespace {

// The name of the first IED of an SCL file; "" when it has none or cannot be read.
std::string First_IED_Name(const std::string& path, util::Progress* progress = nullptr) {
  try {
    const std::vector<IED_Info> ieds = UIEC_Client_Decode::List_IEDs(path, progress);
    return ieds.empty() ? std::string() : ieds.front().name;
  } catch (const util::Cancelled&) {
    throw;
  } catch (const std::exception&) {
    return {};  // a file that cannot be read holds no IED to compare names with
  }
}

void Refuse_Unwritable(const std::string& file, const std::string& ied_name,
                       const lang::Lang_Strings& texts) {
  if (!UIEC_Client_Decode::Is_Writable_IED_Name(ied_name))
    throw UIEC_Client_Decode::SCL_Error(
        file + ": " + UIEC_Client_Decode::Unwritable_IED_Name_Text(ied_name, texts));
}

// Writes the catalog file `target` through `folder` with what `text` makes (unless the answer
// kept the catalog's copy) and imports it, all in one step of `run`; appends the server.
void Write_And_Import(Access_State& state, const util::Checked_Folder& folder,
                      const std::string& target, Overwrite_Answer answer,
                      const std::function<std::string(util::Progress*)>& text,
                      const Progress_Importer& import, const Step_Runner& run) {
  std::unique_ptr<TIEC_Device> device;
  const std::string name = util::File_Name_Of(target);
  run(name, [&](util::Progress* progress) {
    if (answer == Overwrite_Answer::Yes) folder.Write_File_Atomic(name, text(progress));
    device = import(target, progress);
  });
  state.List_IEC_Dev.push_back(std::move(device));
}

// Add_IEC_Device with the name of the file's first IED, when the caller has read it already.
size_t Add_Copy(Access_State& state, const std::string& Active_Conf_Dir, const std::string& chosen,
                const std::string& ied_name, const Overwrite_Asker& ask_overwrite,
                const lang::Lang_Strings& texts, const Progress_Importer& import,
                const Step_Runner& run) {
  const std::string catalog = Catalog_Dir(Active_Conf_Dir);
  const std::string target = Catalog_Path(catalog, chosen);
  if (target.empty())
    throw util::File_Error(util::Fill_Text(texts[access_strings::Text_Not_A_File_Name], {chosen}));
  Refuse_Unwritable(chosen, ied_name, texts);
  // The catalog folder is created and opened once; a link in its place that leads out of the
  // configuration is refused before anything is written, and one swapped in later changes
  // nothing, as the copy goes through the open folder.
  const util::Checked_Folder folder(Active_Conf_Dir, catalog, texts);
  Overwrite_Answer answer = Overwrite_Answer::Yes;
  if (util::File_Exists(target)) {
    // The question names the IED the catalog's copy holds.
    std::string held;
    run(util::File_Name_Of(target),
        [&](util::Progress* progress) { held = First_IED_Name(target, progress); });
    answer = ask_overwrite(util::File_Name_Of(target), held);
  }
  if (answer == Overwrite_Answer::Cancel) return 0;
  Write_And_Import(
      state, folder, target, answer, [&](util::Progress*) { return util::Read_File(chosen); },
      import, run);
  return 1;
}

}  // namespace

size_t Add_IEC_Device(Access_State& state, const std::string& Active_Conf_Dir,
                      const std::string& chosen, const Overwrite_Asker& ask_overwrite,
                      const lang::Lang_Strings& texts, const Importer& import) {
  return Add_Copy(state, Active_Conf_Dir, chosen, First_IED_Name(chosen), ask_overwrite, texts,
                  Ignoring_Progress(import), Run_In_Place);
}

size_t Add_IEC_Devices(Access_State& state, const std::string& Active_Conf_Dir,
                       const std::string& chosen, const std::vector<IED_Info>& ieds,
                       const IED_Picker& pick, const Overwrite_Asker& ask_overwrite,
                       const lang::Lang_Strings& texts, const Progress_Importer& import,
                       const Step_Runner& run) {
  if (ieds.size() < 2)
    return Add_Copy(state, Active_Conf_Dir, chosen, ieds.empty() ? std::string() : ieds[0].name,
                    ask_overwrite, texts, import, run);

  std::vector<size_t> picked = pick(ieds);
  std::sort(picked.begin(), picked.end());
  picked.erase(std::unique(picked.begin(), picked.end()), picked.end());
  if (picked.empty()) return 0;
  const std::string catalog = Catalog_Dir(Active_Conf_Dir);
  const util::Checked_Folder folder(Active_Conf_Dir, catalog, texts);
  size_t added = 0;
  for (const size_t i : picked) {
    if (i >= ieds.size()) continue;
    const std::string& name = ieds[i].name;
    Refuse_Unwritable(chosen, name, texts);
    // The catalog's files are read to find the one this IED has, or a free name.
    std::string target;
    run(util::File_Name_Of(chosen), [&](util::Progress*) {
      target = UIEC_Client_Decode::Catalog_File_For_IED(catalog, chosen, name);
    });
    // A file there already holds this IED (Catalog_File_For_IED says so).
    const Overwrite_Answer answer = util::File_Exists(target)
                                        ? ask_overwrite(util::File_Name_Of(target), name)
                                        : Overwrite_Answer::Yes;
    if (answer == Overwrite_Answer::Cancel) return added;
    Write_And_Import(
        state, folder, target, answer,
        [&](util::Progress* progress) {
          return UIEC_Client_Decode::Extract_IED(chosen, name, texts, progress);
        },
        import, run);
    ++added;
  }
  return added;
}

std::vector<std::string> Catalog_Files_Of(const std::string& Active_Conf_Dir,
                                          const std::string& file,
                                          const std::vector<IED_Info>& ieds) {
  // The file each IED would be written to, where the catalog holds it already.
  std::vector<std::string> present(ieds.size());
  const std::string catalog = Catalog_Dir(Active_Conf_Dir);
  if (!util::Dir_Exists(catalog)) return present;
  for (size_t i = 0; i < ieds.size(); ++i) {
    if (!UIEC_Client_Decode::Is_Writable_IED_Name(ieds[i].name)) continue;
    try {
      const std::string target =
          UIEC_Client_Decode::Catalog_File_For_IED(catalog, file, ieds[i].name);
      if (util::File_Exists(target)) present[i] = util::File_Name_Of(target);
    } catch (const std::exception&) {
      // an unreadable catalog shows nothing here; adding says what is wrong
    }
  }
  return present;
}

const std::optional<std::string>& Server_Addresses::Of(const TIEC_Device& device,
                                                       const std::string& catalog_dir) {
  auto found = ips_.find(&device);
  if (found == ips_.end()) {
    std::optional<std::string> ip =
        UIEC_Client_Decode::Server_IP(Catalog_Path(catalog_dir, device.FileName()));
    found = ips_.emplace(&device, std::move(ip)).first;
  }
  return found->second;
}

void Fill_Address(Access_State& state, Access_State::Added added, const std::string& ip) {
  if (added == Access_State::Added::Nothing) return;
  const bool variable = added == Access_State::Added::Variable;
  Table& table = variable ? state.ACG_DA : state.ACG_DataSet;
  const int row = table.Row_Count() - 1;
  table.Set_Cell(row, variable ? int{DA_Col::IPAddress} : int{DS_Col::IPAddress}, ip);
  table.Set_Cell(row, variable ? int{DA_Col::Port} : int{DS_Col::Port},
                 UIEC_Client_Decode::Default_Server_Port);
}

}  // namespace UIEC_61850_Access
