#include "access_ui/map_page_qt.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>
#include <optional>
#include <set>

#include "access/access_check.h"
#include "access/access_strings.h"
#include "access_ui/editor_button_qt.h"
#include "util/file_dialog_qt.h"
#include "util/files.h"
#include "util/grid_qt.h"
#include "util/qstring_qt.h"
#include "util/text.h"
#include "util/worker_qt.h"

namespace UIEC_61850_Access {

using namespace access_strings;

namespace {

using ui::Q;

// The texts of one table row: placed entries show the place the gateway uses, unplaced ones
// what was typed.
std::vector<std::string> Row_Texts(const Map_Entry& e) {
  std::vector<std::string> texts(Map_Col::Count);
  texts[Map_Col::Position] = e.Placed() ? std::to_string(*e.Position) : e.Position_Text;
  texts[Map_Col::StartBit] = e.Placed() ? std::to_string(e.Start_Bit) : e.StartBit_Text;
  texts[Map_Col::Kind] = Kind_Text(e.Kind);
  texts[Map_Col::Row] = std::to_string(e.Row);
  texts[Map_Col::Member] = e.Kind == Map_Kind::Member ? std::to_string(e.Member) : "";
  texts[Map_Col::Index] = e.Index;
  texts[Map_Col::Reference] = e.Reference;
  texts[Map_Col::bType] = e.bType;
  texts[Map_Col::fc] = e.fc;
  texts[Map_Col::ReadWrite] = e.ReadWrite;
  texts[Map_Col::Conversion] = e.Conversion;
  texts[Map_Col::Factor] = e.Factor;
  texts[Map_Col::Mnemonic] = e.Mnemonic;
  texts[Map_Col::IPAddress] = e.IPAddress;
  texts[Map_Col::Port] = e.Port;
  return texts;
}

}  // namespace

Map_Page::Map_Page(Access_State& state, ui::Messages& messages, const lang::Lang_Strings& strings,
                   QWidget* parent)
    : QWidget(parent), state_(state), messages_(messages), strings_(strings) {
  setObjectName("TS_Map");
  ACG_Map = new QTableWidget(this);
  ACG_Map->setObjectName("ACG_Map");
  ACG_Map->setColumnCount(Map_Col::Count);
  ACG_Map->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ACG_Map->setSelectionBehavior(QAbstractItemView::SelectRows);
  ACG_Map->setSelectionMode(QAbstractItemView::ExtendedSelection);
  ACG_Map->verticalHeader()->hide();
  ACG_Map->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
  ACG_Map->horizontalHeader()->setHighlightSections(false);
  // A long reference loses its middle, never its end (LN.DO.DA), and shows whole as a tooltip.
  ACG_Map->setWordWrap(false);
  ACG_Map->setTextElideMode(Qt::ElideMiddle);
  for (int c : {Map_Col::Position, Map_Col::StartBit, Map_Col::Row, Map_Col::Member, Map_Col::Index,
                Map_Col::fc})
    ACG_Map->setColumnWidth(c, 62);
  ACG_Map->setColumnWidth(Map_Col::Reference, 260);
  ACG_Map->setColumnWidth(Map_Col::IPAddress, 110);

  L_Map_Summary = new QLabel(this);
  L_Map_Summary->setObjectName("L_Map_Summary");
  // Their texts and hints come with Set_Lang.
  Btn_Auto_Position = Make_Editor_Button(this, "Btn_Auto_Position", 110);
  Btn_Export_Map = Make_Editor_Button(this, "Btn_Export_Map", 110);
  Btn_Import_Map = Make_Editor_Button(this, "Btn_Import_Map", 110);

  auto* bar = new QHBoxLayout;
  bar->addWidget(L_Map_Summary, 1);
  bar->addWidget(Btn_Auto_Position);
  bar->addWidget(Btn_Export_Map);
  bar->addWidget(Btn_Import_Map);
  auto* page = new QVBoxLayout(this);
  page->setContentsMargins(4, 4, 4, 4);
  page->addLayout(bar);
  page->addWidget(ACG_Map, 1);

  auto choose = [this](ui::File_Dialog_Mode mode, int title, const QString& name) {
    std::string none;
    return ui::Choose_File_Path(this, Csv_Folder ? *Csv_Folder : none, mode, Q(strings_[title]),
                                Q(strings_[Text_Csv_Filter]), name);
  };
  Choose_Export_File = [choose] {
    return choose(ui::File_Dialog_Mode::Save, Text_Export_Map, "map.csv");
  };
  Choose_Import_File = [choose] { return choose(ui::File_Dialog_Mode::Open, Text_Import_Map, ""); };

  connect(Btn_Auto_Position, &QPushButton::clicked, this, &Map_Page::Btn_Auto_PositionClick);
  connect(Btn_Export_Map, &QPushButton::clicked, this, &Map_Page::Btn_Export_MapClick);
  connect(Btn_Import_Map, &QPushButton::clicked, this, &Map_Page::Btn_Import_MapClick);
  connect(ACG_Map, &QTableWidget::cellDoubleClicked, this,
          [this](int row, int) { emit Entry_Activated(Ref_Of(Entry_At(row))); });
  Set_Lang();
}

void Map_Page::Set_Lang() {
  static_assert(Text_Map_Columns.Count == Map_Col::Count);
  QStringList headers;
  for (int c = 0; c < Map_Col::Count; ++c) headers.push_back(Q(strings_[Text_Map_Columns.At(c)]));
  ACG_Map->setHorizontalHeaderLabels(headers);
  ui::Fit_Header_Widths(ACG_Map);
  const std::pair<QPushButton*, std::pair<int, int>> buttons[] = {
      {Btn_Auto_Position, {Text_Auto_Position, Text_Auto_Position_Hint}},
      {Btn_Export_Map, {Text_Export_Map, Text_Export_Map_Hint}},
      {Btn_Import_Map, {Text_Import_Map, Text_Import_Map_Hint}}};
  for (const auto& [button, texts] : buttons) {
    button->setText(Q(strings_[texts.first]));
    button->setToolTip(Q(strings_[texts.second]));
  }
  if (!L_Map_Summary->text().isEmpty()) Show_Summary();
}

void Map_Page::Show_Summary() {
  L_Map_Summary->setText(
      Q(strings_[Text_Map_Summary_Used] + std::to_string(map_.Used) +
        strings_[Text_Map_Summary_Free] + std::to_string(map_.Free()) +
        strings_[Text_Map_Summary_Conflicts] + std::to_string(map_.Conflicts.size()) +
        strings_[Text_Map_Summary_Unplaced] + std::to_string(map_.Unplaced.size())));
}

const Map_Entry& Map_Page::Entry_At(int row) const {
  return map_.Entries.at(order_.at(static_cast<size_t>(row)));
}

void Map_Page::Show_Map() {
  map_ = Build_Data_Map(state_);
  order_ = Map_Display_Order(map_);
  std::set<size_t> in_conflict;
  for (const Map_Conflict& c : map_.Conflicts)
    in_conflict.insert(c.Entries.begin(), c.Entries.end());

  ACG_Map->clearContents();
  ACG_Map->setRowCount(static_cast<int>(order_.size()));
  for (int r = 0; r < ACG_Map->rowCount(); ++r) {
    const size_t index = order_[static_cast<size_t>(r)];
    const Map_Entry& entry = map_.Entries[index];
    const std::vector<std::string> texts = Row_Texts(entry);
    const bool conflict = in_conflict.count(index) > 0;
    for (int c = 0; c < Map_Col::Count; ++c) {
      auto* item = new QTableWidgetItem(Q(texts[static_cast<size_t>(c)]));
      if (c == Map_Col::Reference) item->setToolTip(item->text());
      if (conflict)
        item->setBackground(Conflict_Colour);
      else if (!entry.Placed())
        item->setBackground(Unplaced_Colour);
      // A variable's direction that is neither Read nor Write would reach the server as a write.
      if (c == Map_Col::ReadWrite && entry.Kind == Map_Kind::Variable &&
          !ReadWrite_Ok(entry.ReadWrite)) {
        item->setBackground(Conflict_Colour);
        item->setToolTip(Q(strings_[Text_Map_ReadWrite_Invalid]));
      }
      ACG_Map->setItem(r, c, item);
    }
  }
  Show_Summary();
}

void Map_Page::Btn_Auto_PositionClick() {
  std::set<int> rows;
  for (const QModelIndex& index : ACG_Map->selectionModel()->selectedRows())
    rows.insert(index.row());
  std::vector<Entry_Ref> targets;
  for (int row : rows)
    if (row >= 0 && row < static_cast<int>(order_.size())) targets.push_back(Ref_Of(Entry_At(row)));
  if (targets.empty()) return;
  // The question only when there is something to place.
  const bool any_empty = std::any_of(targets.begin(), targets.end(), [this](const Entry_Ref& t) {
    for (const Map_Entry& e : map_.Entries)
      if (Ref_Of(e) == t) return util::Trim(e.Position_Text).empty();
    return false;
  });
  if (!any_empty) return;
  const int lowest_free = Lowest_Free_Position(map_);
  int first = std::max(lowest_free, 0);
  if (lowest_free >= 0 && Ask_First_Position) {
    const std::optional<int> answer = Ask_First_Position(lowest_free);
    if (!answer) return;
    first = *answer;
  }
  Auto_Position_Result result;
  As_Step(Map_Step::Auto_Position, [&] { result = Auto_Position(state_, targets, first); });
  if (result.Assigned > 0) emit Tables_Changed();
  Show_Map();
  if (result.No_Room > 0)
    messages_.Warning(this, strings_[Text_No_Room] + std::to_string(result.No_Room));
}

void Map_Page::As_Step(Map_Step step, const std::function<void()>& change) {
  if (Record_Step)
    Record_Step(step, change);
  else
    change();
}

void Map_Page::Btn_Export_MapClick() {
  const std::string path = Choose_Export_File ? Choose_Export_File() : std::string();
  if (path.empty()) return;
  try {
    util::Write_File_Atomic(path, Data_Map_Csv(Build_Data_Map(state_)));
  } catch (const std::exception& failure) {
    messages_.Error(this, util::Error_Text(failure, strings_));
  }
}

void Map_Page::Btn_Import_MapClick() {
  const std::string path = Choose_Import_File ? Choose_Import_File() : std::string();
  if (path.empty()) return;
  // The file is read and matched on a worker thread, which only reads the state; the values
  // are written on this one, in one step. A Cancel changes nothing.
  const char separator = util::Get_Dec_Separator();
  ui::Job_Outcome outcome;
  const std::optional<Data_Map_Edits> edits = ui::Run_And_Wait<Data_Map_Edits>(
      this, Q(util::File_Name_Of(path)), strings_,
      [&](util::Progress& progress) {
        return Read_Map(util::Read_File(path), state_, separator, strings_, &progress);
      },
      outcome);
  if (outcome.end == ui::Job_Outcome::End::Stopped) return;
  if (!edits) {
    messages_.Error(this, outcome.message);
    return;
  }
  const Import_Report& report = edits->Report;
  try {
    As_Step(Map_Step::Import, [&] { Apply_Data_Map_Edits(*edits, state_); });
  } catch (const std::exception& failure) {
    messages_.Error(this, util::Error_Text(failure, strings_));
    return;
  }
  if (report.Updated > 0) emit Tables_Changed();
  Show_Map();
  if (!report.Problems.empty()) messages_.Warning_List(this, Import_Report_Text(report, strings_));
}

}  // namespace UIEC_61850_Access
