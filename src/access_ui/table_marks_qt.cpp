#include "access_ui/table_marks_qt.h"

#include <algorithm>
#include <array>
#include <exception>
#include <string_view>

#include "access/access_strings.h"
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
  static constexpr std::array<std::string_view, 10> rules{
      "server-file-missing", "point-server-missing", "point-unresolved", "point-type-changed",
      "dataset-unresolved",  "dataset-corrected",    "member-dropped",   "member-moved",
      "member-corrected",    "member-missing"};
  return std::find(rules.begin(), rules.end(), finding.rule) != rules.end();
}

namespace {

// The findings the opening puts right itself, said by Corrections_Text instead of one by one.
bool Is_Correction(const check::Finding& finding) {
  return finding.rule == "member-corrected" || finding.rule == "member-missing" ||
         finding.rule == "dataset-corrected";
}

}  // namespace

std::string Corrections_Text(const Read_Report& report, const lang::Lang_Strings& strings) {
  using namespace access_strings;
  std::string text;
  auto line = [&](int entry, size_t count) {
    if (count == 0) return;
    text += (text.empty() ? "" : "\n") + ui::Q(strings[entry]).arg(count).toStdString();
  };
  line(Text_Opening_Corrected_Members, report.Corrected_Members);
  line(Text_Opening_Corrected_Data_Sets, report.Corrected_Data_Sets);
  if (!report.Gained_Members.empty()) {
    text += (text.empty() ? "" : "\n") + strings[Text_Opening_Gained_Members];
    for (const Read_Report::Gained& g : report.Gained_Members)
      text += "\n" + ui::Q(strings[Text_Opening_Gained_Line])
                         .arg(g.row)
                         .arg(ui::Q(g.reference))
                         .arg(g.count)
                         .toStdString();
  }
  return text;
}

std::string Opening_Message(const lang::Lang_Strings& strings,
                            const std::vector<std::string>& missing_files,
                            const std::vector<check::Finding>& findings,
                            const std::string& corrections) {
  std::string text;
  if (!missing_files.empty()) text = Missing_Files_Warning(missing_files, strings);
  if (!corrections.empty()) text += (text.empty() ? "" : "\n\n") + corrections;
  std::string lines;
  for (const check::Finding& f : findings)
    if (f.rule != "server-file-missing" && Is_Fit_Finding(f) && !Is_Correction(f))
      lines += "\n" + f.message;
  if (!lines.empty())
    text += (text.empty() ? "" : "\n\n") + strings[access_strings::Text_Opening_Findings] + "\n" +
            lines;
  return text;
}

void Table_Marks::Set_Opening(const std::vector<check::Finding>& findings,
                              const Access_State& state) {
  stored_.clear();
  for (const check::Finding& f : findings) {
    // A changed bType stays with the member in the editor: the current findings mark it.
    if (f.kind != "member" || !f.row || !Is_Fit_Finding(f) || f.rule == "point-type-changed")
      continue;
    const int row = *f.row - 1;
    if (row < 0 || row >= state.ACG_DataSet.Row_Count()) continue;
    stored_.push_back({state.ACG_DataSet.Cell(row, DS_Col::Reference), Member_Reference(f),
                       f.severity, f.message, f.rule != "member-dropped",
                       f.rule == "member-missing"});
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
  members_.clear();
  for (const check::Finding& f : findings) {
    if (!f.row || !Is_Fit_Finding(f)) continue;
    if (f.kind == "variable") variables_[*f.row].push_back(f);
    if (f.kind == "dataset") data_sets_[*f.row].push_back(f);
    if (f.kind == "member" && f.member) members_[{*f.row, *f.member}].push_back(f);
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
    if (!m.on_member_row && m.data_set_reference == reference) builder.Add(m.severity, m.message);
  return builder.mark;
}

std::optional<Selection_Grid::Row_Mark> Table_Marks::Member(int member_row,
                                                            const Access_State& state) const {
  const int row = state.DataSet_Row_Select - 1;
  if (row < 0 || static_cast<size_t>(row) >= state.List_DataSet.size()) return std::nullopt;
  const auto& members = state.List_DataSet[static_cast<size_t>(row)].List_DAs;
  if (member_row < 0 || static_cast<size_t>(member_row) >= members.size()) return std::nullopt;
  const std::string& reference = state.ACG_DataSet.Cell(row, DS_Col::Reference);
  const TDataSet_DA& shown = members[static_cast<size_t>(member_row)];
  const std::string member = shown.Reference();
  Mark_Builder builder;
  for (const Stored_Member& m : stored_)
    if (m.on_member_row && m.data_set_reference == reference && m.member_reference == member &&
        !(m.needs_position && !shown.Position.empty()))
      builder.Add(m.severity, m.message);
  if (const auto found = members_.find({row + 1, member_row + 1}); found != members_.end())
    for (const check::Finding& f : found->second) builder.Add(f.severity, f.message);
  // The members of a data set that is gone are marked as their row is, like lost variable rows.
  if (!state.List_DataSet[static_cast<size_t>(row)].Select_DataSet)
    if (const auto found = data_sets_.find(row + 1); found != data_sets_.end())
      for (const check::Finding& f : found->second) builder.Add(f.severity, f.message);
  return builder.mark;
}

Row_Marks::Row_Marks(const Access_State& state, const lang::Lang_Strings& strings,
                     const std::string& conf_dir, Selection_Grid* variables,
                     Selection_Grid* data_sets, Selection_Grid* members, QObject* parent)
    : QObject(parent),
      state_(state),
      strings_(strings),
      conf_dir_(conf_dir),
      grids_{variables, data_sets, members} {
  variables->Mark_Of = [this](int row) { return marks_.Variable(row); };
  data_sets->Mark_Of = [this](int row) { return marks_.Data_Set(row, state_); };
  members->Mark_Of = [this](int row) { return marks_.Member(row, state_); };
}

std::string Row_Marks::Open(const Read_Report& report) {
  // The saved configuration as the command line's check sees it, on the models just loaded.
  std::vector<check::Finding> findings;
  check::Conf_Options options;
  options.scl_check = nullptr;
  options.bank_pair = false;
  options.loaded = &state_.List_IEC_Dev;
  try {
    check::Check_Configuration(
        conf_dir_, options,
        [&](const check::Finding& f) {
          if (Is_Fit_Finding(f)) findings.push_back(f);
        },
        strings_);
  } catch (const std::exception&) {
    findings.clear();  // the file was read a moment ago; the marks below still come
  }
  marks_.Set_Opening(findings, state_);
  Refresh();
  return Opening_Message(strings_, report.Missing_Files, findings,
                         Corrections_Text(report, strings_));
}

void Row_Marks::Refresh() {
  if (!Enabled) return;
  std::vector<check::Finding> findings;
  check::Conf_Options options;
  options.scl_check = nullptr;
  try {
    check::Check_Access_State(
        state_, conf_dir_, options,
        [&](const check::Finding& f) {
          if (Is_Fit_Finding(f)) findings.push_back(f);
        },
        strings_);
  } catch (const std::exception&) {
    // Only the SCL files' own rules read files, and they are not run here.
  }
  marks_.Set_Current(findings);
  for (Selection_Grid* grid : grids_) grid->Show_Row_Marks();
}

}  // namespace UIEC_61850_Access
