#include "access/table_marks_qt.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "access/client_file.h"
#include "util/qstring_qt.h"

namespace UIEC_61850_Access {

namespace {

const QColor Error_Mark(0xFF, 0xC8, 0xC8);
const QColor Warning_Mark(0xFF, 0xF0, 0xB0);

// One mark for several problems of a row: red when any is an error, one line each.
struct Mark_Builder {
  std::optional<Selection_Grid::Row_Mark> mark;
  void Add(check::Severity severity, const std::string& message) {
    if (!mark) mark = Selection_Grid::Row_Mark{Warning_Mark, {}};
    if (severity == check::Severity::Error) mark->colour = Error_Mark;
    if (!mark->text.isEmpty()) mark->text += '\n';
    mark->text += ui::Q(message);
  }
};

std::optional<Selection_Grid::Row_Mark> Mark_Of(
    const std::map<int, std::vector<check::Finding>>& marks, int row) {
  Mark_Builder builder;
  if (const auto found = marks.find(row + 1); found != marks.end())
    for (const check::Finding& f : found->second) builder.Add(f.severity, f.message);
  return builder.mark;
}

// The reference a member finding names: the last word of its object.
std::string Member_Reference(const check::Finding& finding) {
  const size_t space = finding.object.rfind(' ');
  return space == std::string::npos ? finding.object : finding.object.substr(space + 1);
}

}  // namespace

bool Is_Fit_Finding(const check::Finding& finding) {
  static constexpr std::array<std::string_view, 7> rules{
      "server-file-missing", "point-server-missing", "point-unresolved", "point-type-changed",
      "dataset-unresolved",  "member-dropped",       "member-moved"};
  return std::find(rules.begin(), rules.end(), finding.rule) != rules.end();
}

std::string Opening_Message(const std::string& intro, const std::vector<std::string>& missing_files,
                            const std::vector<check::Finding>& findings) {
  std::string text;
  if (!missing_files.empty()) text = Missing_Files_Warning(missing_files);
  std::string lines;
  for (const check::Finding& f : findings)
    if (f.rule != "server-file-missing" && Is_Fit_Finding(f)) lines += "\n" + f.message;
  if (!lines.empty()) text += (text.empty() ? "" : "\n\n") + intro + "\n" + lines;
  return text;
}

void Table_Marks::Set_Opening(const std::vector<check::Finding>& findings,
                              const Access_State& state) {
  stored_.clear();
  for (const check::Finding& f : findings) {
    if (f.kind != "member" || !f.row || !Is_Fit_Finding(f)) continue;
    const int row = *f.row - 1;
    if (row < 0 || row >= state.ACG_DataSet.Row_Count()) continue;
    stored_.push_back({state.ACG_DataSet.Cell(row, DS_Col::Reference), Member_Reference(f),
                       f.severity, f.message});
  }
}

void Table_Marks::Forget_Server(int index, const Access_State& state) {
  const std::string server = std::to_string(index);
  for (int row = 0; row < state.ACG_DataSet.Row_Count(); ++row) {
    if (state.ACG_DataSet.Cell(row, DS_Col::Index) != server) continue;
    const std::string& reference = state.ACG_DataSet.Cell(row, DS_Col::Reference);
    std::erase_if(stored_,
                  [&](const Stored_Member& m) { return m.data_set_reference == reference; });
  }
}

void Table_Marks::Set_Current(const std::vector<check::Finding>& findings) {
  variables_.clear();
  data_sets_.clear();
  for (const check::Finding& f : findings) {
    if (!f.row || !Is_Fit_Finding(f)) continue;
    if (f.kind == "variable") variables_[*f.row].push_back(f);
    if (f.kind == "dataset") data_sets_[*f.row].push_back(f);
  }
}

std::optional<Selection_Grid::Row_Mark> Table_Marks::Variable(int row) const {
  return Mark_Of(variables_, row);
}

std::optional<Selection_Grid::Row_Mark> Table_Marks::Data_Set(int row,
                                                              const Access_State& state) const {
  std::optional<Selection_Grid::Row_Mark> mark = Mark_Of(data_sets_, row);
  if (row < 0 || row >= state.ACG_DataSet.Row_Count()) return mark;
  // The members the opening left out have no row of their own: their data set row says so.
  Mark_Builder builder{mark};
  const std::string& reference = state.ACG_DataSet.Cell(row, DS_Col::Reference);
  for (const Stored_Member& m : stored_)
    if (m.severity == check::Severity::Error && m.data_set_reference == reference)
      builder.Add(m.severity, m.message);
  return builder.mark;
}

std::optional<Selection_Grid::Row_Mark> Table_Marks::Member(int member_row,
                                                            const Access_State& state) const {
  const int row = state.DataSet_Row_Select - 1;
  if (row < 0 || static_cast<size_t>(row) >= state.List_DataSet.size()) return std::nullopt;
  const auto& members = state.List_DataSet[static_cast<size_t>(row)].List_DAs;
  if (member_row < 0 || static_cast<size_t>(member_row) >= members.size()) return std::nullopt;
  const std::string& reference = state.ACG_DataSet.Cell(row, DS_Col::Reference);
  const std::string member = members[static_cast<size_t>(member_row)].Select_DA->Reference();
  Mark_Builder builder;
  for (const Stored_Member& m : stored_)
    if (m.severity == check::Severity::Warning && m.data_set_reference == reference &&
        m.member_reference == member)
      builder.Add(m.severity, m.message);
  return builder.mark;
}

}  // namespace UIEC_61850_Access
