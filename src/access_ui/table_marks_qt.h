// The access editor's word on rows that no longer fit the SCL files of their servers: the
// findings of the check that take a row's meaning or its settings (a catalog file missing, a
// server, attribute or data set gone or changed, a stored member left out or moved), said once
// when the editor opens and shown as marks on the rows of the tables.
#pragma once

#include <QObject>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "access/access_state.h"
#include "access/client_file.h"
#include "access_ui/selection_grid_qt.h"
#include "check/check.h"
#include "text/lang_strings.h"

namespace UIEC_61850_Access {

// Whether the opening reports `finding` and the tables mark its row.
bool Is_Fit_Finding(const check::Finding& finding);

// What the opening put right in the stored configuration (Read_Report): how many member and
// data set references it corrected, and which data sets gained members that need a position;
// empty when nothing.
std::string Corrections_Text(const Read_Report& report, const lang::Lang_Strings& strings);

// The opening's one message: the warning on missing catalog files, then `corrections`
// (Corrections_Text), then the intro (Text_Opening_Findings) and the other findings one a line
// (those on what the opening corrected are said by `corrections` alone), in the words of
// `strings`; empty when there is nothing to say.
std::string Opening_Message(const lang::Lang_Strings& strings,
                            const std::vector<std::string>& missing_files,
                            const std::vector<check::Finding>& findings,
                            const std::string& corrections = {});

class Table_Marks {
 public:
  // The opening's findings on the members as the client file stores them (left out, moved).
  // Each stays with its data set row, found by the data set's reference, while the editor has
  // that row.
  void Set_Opening(const std::vector<check::Finding>& findings, const Access_State& state);
  // Forgets the opening's findings on the members of server `index`'s data set rows, whose
  // members a new model of the server has placed again.
  void Forget_Server(int index, const Access_State& state);
  // The findings on what the editor holds now; they replace the previous ones.
  void Set_Current(const std::vector<check::Finding>& findings);

  // The marks of variable row `row`, data set row `row` and row `member_row` of the member
  // table (of the data set row shown), all from 0.
  std::optional<Selection_Grid::Row_Mark> Variable(int row) const;
  std::optional<Selection_Grid::Row_Mark> Data_Set(int row, const Access_State& state) const;
  std::optional<Selection_Grid::Row_Mark> Member(int member_row, const Access_State& state) const;

 private:
  struct Stored_Member {
    std::string data_set_reference;
    std::string member_reference;
    check::Severity severity;
    std::string message;
    // Whether the member has a row of its own (moved, corrected, added); a dropped member is
    // said on its data set's row.
    bool on_member_row;
    // A member added without settings: marked until it has a position.
    bool needs_position;
  };
  std::vector<Stored_Member> stored_;
  std::map<int, std::vector<check::Finding>> variables_;  // by the row's "N"
  std::map<int, std::vector<check::Finding>> data_sets_;
  std::map<std::pair<int, int>, std::vector<check::Finding>> members_;  // by "N" and member
};

// The marks on the three tables: the opening's findings, said once, and the check's findings on
// what the editor holds, evaluated again after each change (Refresh).
class Row_Marks : public QObject {
  Q_OBJECT

 public:
  // The texts and the configuration come from `strings` and `conf_dir`, which outlive it.
  Row_Marks(const Access_State& state, const lang::Lang_Strings& strings,
            const std::string& conf_dir, Selection_Grid* variables, Selection_Grid* data_sets,
            Selection_Grid* members, QObject* parent);

  // The opening: the saved configuration as the command line's check sees it, on the models just
  // loaded; the message that says what no longer fits (empty when nothing).
  std::string Open(const Read_Report& report);
  // Marks again the rows that no longer fit the servers' SCL files, after the tables changed.
  void Refresh();
  // Server `index`'s model was replaced (Table_Marks::Forget_Server).
  void Forget_Server(int index) { marks_.Forget_Server(index, state_); }
  // No marks (an opening that could not read the client file marks nothing).
  void Clear() { marks_ = Table_Marks(); }
  // Refresh does nothing while off.
  bool Enabled = true;

 private:
  const Access_State& state_;
  const lang::Lang_Strings& strings_;
  const std::string& conf_dir_;
  std::vector<Selection_Grid*> grids_;
  Table_Marks marks_;
};

}  // namespace UIEC_61850_Access
