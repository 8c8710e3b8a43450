// The servers of the access editor and their catalog: every SCL file added to a configuration is
// copied into its "ICD_Catalog" folder, and servers are always imported from these copies.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "access/access_state.h"
#include "scl/ied_catalog.h"
#include "text/lang_strings.h"
#include "util/progress.h"

namespace UIEC_61850_Access {

inline constexpr char Catalog_Folder_Name[] = "ICD_Catalog";
// The question when a catalog file is taken (Text_Overwrite_Question), naming the file and the
// IED it holds, or only the file when no IED can be read from it.
std::string Overwrite_Question_For(const std::string& file_name, const std::string& ied_name,
                                   const lang::Lang_Strings& strings);

// The catalog folder of the configuration in `Active_Conf_Dir`.
std::string Catalog_Dir(const std::string& Active_Conf_Dir);

// The catalog copy for an SCL file called `name`. Only the file-name part of `name` counts, so
// no name reaches outside the catalog; empty when `name` has no usable file-name part.
std::string Catalog_Path(const std::string& catalog_dir, std::string_view name);

// Builds the model of one server from an SCL file; throws std::runtime_error (what() is the text
// to show) when the file cannot be read or is not well-formed. Tests substitute their own.
using Importer = std::function<std::unique_ptr<TIEC_Device>(const std::string& path)>;
// The SCL import of the product.
std::unique_ptr<TIEC_Device> Import_Device(const std::string& path);
// The same following `progress` (null: none), which can stop it (util::Cancelled): the import
// of a window's worker thread.
using Progress_Importer =
    std::function<std::unique_ptr<TIEC_Device>(const std::string& path, util::Progress* progress)>;
std::unique_ptr<TIEC_Device> Import_Device_Following(const std::string& path,
                                                     util::Progress* progress);
// `import`, which follows no progress, as a Progress_Importer: a stop asked while it runs stops
// the operation when it returns.
Progress_Importer Ignoring_Progress(Importer import);

enum class Overwrite_Answer { Yes, No, Cancel };
// Asked whether to write over the catalog file `file_name` (without folder), which holds the IED
// `ied_name` ("" when none can be read from it).
using Overwrite_Asker =
    std::function<Overwrite_Answer(const std::string& file_name, const std::string& ied_name)>;

// Adds the server described by the SCL file `chosen`: copies it into the catalog (asking
// `ask_overwrite` when a copy of that name is already there: Yes copies over it, No keeps the
// catalog's copy, Cancel stops), imports the catalog copy and appends it to List_IEC_Dev.
// Returns how many servers were added (0 after a Cancel). A failed copy or import adds nothing
// and throws (util::File_Error, or the import's error; what() is the text to show); so does a
// file whose first IED's name cannot be written as XML (SCL_Error), before anything is copied.
// The failures worded here (a link out of the configuration, an IED name XML cannot hold) are in
// the words of `texts`.
size_t Add_IEC_Device(Access_State& state, const std::string& Active_Conf_Dir,
                      const std::string& chosen, const Overwrite_Asker& ask_overwrite,
                      const lang::Lang_Strings& texts, const Importer& import = Import_Device);

using UIEC_Client_Decode::IED_Info;
// Asks which IEDs of a file with several to add: positions in `ieds`, in any order; none when
// the user cancels.
using IED_Picker = std::function<std::vector<size_t>(const std::vector<IED_Info>& ieds)>;

// One long piece of an adding that touches nothing but files and its own results: finding an
// IED's catalog file, copying or extracting into the catalog, importing. `progress` may be null.
using Adding_Step = std::function<void(util::Progress* progress)>;
// Runs `step`, which works on the file `file_name`, and returns when it ended. The windows run
// it on their worker thread with progress and Cancel, throwing util::Cancelled after a Cancel
// and the step's failure as a std::runtime_error (what() is the text to show).
using Step_Runner = std::function<void(const std::string& file_name, const Adding_Step& step)>;
// Runs the step where it is called, without progress: the command line and tests.
void Run_In_Place(const std::string& file_name, const Adding_Step& step);

// Adds the servers of the SCL file `chosen`, whose IEDs `ieds` are as List_IEDs gives them (empty
// when it cannot be read). A file with several IEDs asks `pick` which to add; each one picked, in
// file order, is written into the catalog as a file of its own (Catalog_File_For_IED: a name
// another IED's file already has gets a numeric suffix; `ask_overwrite` as in Add_IEC_Device
// when the file of that IED is there) and imported from there. An IED picked whose name cannot
// be written as XML throws SCL_Error. Any other file (one IED, none, or not readable as SCL) is
// added as Add_IEC_Device adds it. Returns how many servers were added. The first Cancel (an
// answer, or util::Cancelled out of `run`) stops; the first failure throws as in Add_IEC_Device.
// Either way the servers added before it stay. Every reading, writing and import runs through
// `run`; only the questions and the list of servers are left to the caller's thread.
size_t Add_IEC_Devices(Access_State& state, const std::string& Active_Conf_Dir,
                       const std::string& chosen, const std::vector<IED_Info>& ieds,
                       const IED_Picker& pick, const Overwrite_Asker& ask_overwrite,
                       const lang::Lang_Strings& texts,
                       const Progress_Importer& import = Import_Device_Following,
                       const Step_Runner& run = Run_In_Place);

// For each IED of the SCL file `file`: the name of its catalog file where the catalog of the
// configuration in `Active_Conf_Dir` holds it already, else empty (also for every IED when the
// catalog cannot be read: adding then says what is wrong).
std::vector<std::string> Catalog_Files_Of(const std::string& Active_Conf_Dir,
                                          const std::string& file,
                                          const std::vector<IED_Info>& ieds);

// Each server's IP address from its catalog file, read when first asked for and kept until
// Forget (a server replaced, removed or brought back).
class Server_Addresses {
 public:
  // The address of `device` from its catalog copy in `catalog_dir`; none when the file gives
  // the server none. A file that cannot be read throws (and is read again when next asked).
  const std::optional<std::string>& Of(const TIEC_Device& device, const std::string& catalog_dir);
  void Forget() { ips_.clear(); }

 private:
  std::map<const TIEC_Device*, std::optional<std::string>> ips_;
};

// Puts the address `ip` and the default port into the row Add Var just added (`added` names its
// table; a new row is always the last).
void Fill_Address(Access_State& state, Access_State::Added added, const std::string& ip);

}  // namespace UIEC_61850_Access
