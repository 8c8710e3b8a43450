// A new revision of a server's SCL file: what replacing the server's model by it does to the
// configuration's rows (the impact, shown before anything changes) and the replacement itself;
// the catalog file written over with its old contents kept beside it is access/catalog_file.h.
//
// How each row or member of the replaced server is classified against the new model:
// - A variable row (its "Index" names the server; the table's empty row is left out) is
//   kept when the new model has an attribute with the row's Reference, bType and fc;
//   changed when it has attributes with that Reference but none with the row's bType and fc;
//   lost when it has no attribute with that Reference. Variables are never "moved".
// - A member of a data set row (a row whose "Index" names the server, or whose record points
//   into its model) is matched against the data set of the same reference in the new model, in
//   three rounds, each member taking at most one place and each place at most one member:
//   1. kept: the attribute at the member's own place (its place in the old data set) has the
//      member's reference, bType and fc;
//   2. moved: the first place not taken whose attribute has the member's reference, bType and fc;
//   3. changed: the member's own place if it is not taken and has the member's reference, else
//      the first place not taken with that reference (another bType or fc);
//   every other member is lost, as is every member of a data set the new model does not have
//   (the row's reference is then listed in data_sets_gone).
// Loading the client file matches stored members by the same rounds, on reference and bType (the
// file keeps no fc), with one more after the first for members that earlier versions read for an
// FCDA: Stored_Member_Places. Either way the data set's members that no member takes come in
// with empty settings (Arrange_Members), so a record always holds its data set's members in
// order.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "access/access_state.h"
#include "access/catalog_file.h"
#include "scl/ied_catalog.h"
#include "text/lang_strings.h"
#include "util/files.h"
#include "util/progress.h"

namespace UIEC_61850_Access {

// One row or member of the configuration, as the impact of a new revision names it.
struct Impact_Entry {
  std::string kind;           // "variable" or "member"
  int row = 0;                // the table's "N": variable row, or data set row of a member
  std::optional<int> member;  // the member's number from 1 in the member table now (members only)
  std::string reference;      // the attribute's reference
  // Where a kept, moved or changed member goes in the new data set, from 1 (members only).
  std::optional<int> new_member;
};

// What replacing a server's model by a new revision does to the configuration's rows. Each list
// is in table order (variables first, then the data set rows and their members).
struct Replace_Impact {
  std::vector<Impact_Entry> kept, moved, changed, lost;
  std::vector<std::string>
      data_sets_gone;  // references of the data set rows whose data set is gone
};

// The impact of replacing server `position` (from 0, in List_IEC_Dev) of `state` by `revised`;
// `state` is not changed. A position outside the list gives an empty impact. `progress` (may be
// null) follows it (Text_Weighing_Impact, counting the revision's objects) and can stop it
// (util::Cancelled); it only reads `state` and `revised`, so a worker thread may weigh the
// impact while the window changes neither.
Replace_Impact Impact_Of_Replace(const Access_State& state, int position,
                                 const TIEC_Device& revised, util::Progress* progress = nullptr);

// Puts `revised` in place of server `position`: every row stays; the data set records and members
// are matched again to the new model (kept/moved/changed keep their settings at their new place,
// a changed member remembers its former bType in Stored_bType, lost members are dropped, members
// new to the data set come with empty settings, the members stay in the data set's order; a data
// set row whose data set is gone keeps its texts and its members with their settings, without
// attributes), variable rows keep their texts. `revised`
// takes the replaced server's FileName (its catalog file keeps its name). The tree selection is
// cleared and the member table shows no record (DataSet_Row_Select 0). A position outside the
// list changes nothing and throws std::out_of_range.
void Replace_Server_Model(Access_State& state, int position, std::unique_ptr<TIEC_Device> revised);

// A member stored in the client file: what the file keeps of it to find it again.
struct Stored_Member_Key {
  std::string_view bType;
  std::string_view reference;
};

enum class Stored_Match {
  Same,          // the attribute of the member's bType and reference, at its place or another
  Corrected,     // the member the FCDA gives that earlier versions read as the stored one
  Type_Changed,  // the attribute of the member's reference, now of another bType
};
struct Stored_Place {
  size_t place;
  Stored_Match match;
};

// Where loading the client file puts each stored member of a data set row (in stored order):
// its place in `data_set`, or none when it is dropped. In rounds, each place taken once:
// 1. a member keeps the place it was stored at while the data set has an attribute of its
//    bType and reference there;
// 2. a member that is what the data set's earlier look-ups gave at its stored number takes the
//    place of the member the same FCDA gives now (Corrected);
// 3. a member follows its bType and reference to the first place not taken;
// 4. a member takes its own place if the attribute there has its reference, else the first place
//    not taken with its reference, of another bType (Type_Changed);
// otherwise it is dropped.
std::vector<std::optional<Stored_Place>> Stored_Member_Places(
    const TIEC_DataSet& data_set, const std::vector<Stored_Member_Key>& stored);

// The members of `data_set` in its order: each of `placed` (its place, its settings) at its
// place, every other member with empty settings.
std::vector<TDataSet_DA> Arrange_Members(const TIEC_DataSet& data_set,
                                         std::vector<std::pair<size_t, TDataSet_DA>> placed);

// The text of a new revision of a server's SCL file, taken from the SCL file `chosen` whose IEDs
// are `ieds`: the file itself when it holds one IED, else the IED at position `picked` of it,
// extracted as Add IEC Device does. Throws (what() the reason to show) when no IED of the file
// has a server, and as Extract_IED or util::Read_File do.
struct Revision_Source {
  std::string text;
  std::string ied_name;
};
Revision_Source Revision_Source_Of(const std::string& chosen,
                                   const std::vector<UIEC_Client_Decode::IED_Info>& ieds,
                                   size_t picked, const lang::Lang_Strings& strings);
// The one IED of a file with several that a new revision takes, from the IEDs the user chose
// (positions in `ieds`): none when the user chose none (cancelled); throws (what() the reason to
// show) when several were chosen.
std::optional<size_t> Revision_IED(const std::vector<size_t>& chosen, size_t ied_count,
                                   const lang::Lang_Strings& strings);

}  // namespace UIEC_61850_Access
