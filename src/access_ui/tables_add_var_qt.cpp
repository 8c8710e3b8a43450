// Add Var of the tables panel: rows from the tree's selection.
#include <QString>
#include <algorithm>
#include <exception>

#include "access/access_strings.h"
#include "access_ui/access_document_qt.h"
#include "access_ui/selection_grid_qt.h"
#include "access_ui/tables_panel_qt.h"
#include "util/files.h"
#include "util/qstring_qt.h"

namespace UIEC_61850_Access {

using ui::Q;
using UIEC_Client_Decode::TIEC_Device;
using UIEC_Client_Decode::TIEC_Object;

void Tables_Panel::Add_Var(int server, const TIEC_Device& device,
                           const std::vector<TIEC_Object*>& selected, TIEC_Object* current) {
  // An empty-looking table's one row is the first that Add Var fills; -1: nothing was added.
  auto first_new = [](const Table& table) {
    return table.Counts_As_Empty() ? 0 : table.Row_Count();
  };
  const int variables_before = first_new(state_.ACG_DA);
  const int data_sets_before = first_new(state_.ACG_DataSet);
  document_.Record_Step(options_.Strings[access_strings::Text_Add_Var],
                        [&] { Add_Var_Rows(server, device, selected, current); });
  auto added_from = [](const Table& table, int before) {
    return !table.Counts_As_Empty() && table.Row_Count() > before ? before : -1;
  };
  Focus_Added_Rows(added_from(state_.ACG_DA, variables_before),
                   added_from(state_.ACG_DataSet, data_sets_before));
}

void Tables_Panel::Add_Var_Rows(int server, const TIEC_Device& device,
                                const std::vector<TIEC_Object*>& selected_objects,
                                TIEC_Object* current) {
  // Several nodes selected: one row per leaf attribute and per data set among them, in tree
  // order; the page of the last one added is shown.
  const bool several = selected_objects.size() > 1;
  std::vector<TIEC_Object*> selected = selected_objects;
  if (!several) selected = {nullptr};  // the selection as the last click left it
  std::vector<bool> repeated;
  int picked = 0;
  for (TIEC_Object* object : selected) {
    if (object != nullptr) state_.Select_Object(object);
    const bool any = state_.Selected_IEC_DA != nullptr || state_.Selected_IEC_DS != nullptr;
    picked += any ? 1 : 0;
    repeated.push_back(any && state_.Selection_Has_Row(server));
  }
  const int count = static_cast<int>(std::count(repeated.begin(), repeated.end(), true));
  const bool again =
      count == 0 ||
      messages_.Question(this, QString(Q(options_.Strings[access_strings::Text_Add_Var_Duplicates]))
                                   .arg(count)
                                   .arg(picked)
                                   .toStdString()) == ui::Messages::Answer::Yes;
  Access_State::Added last = Access_State::Added::Nothing;
  for (size_t i = 0; i < selected.size(); ++i) {
    if (selected[i] != nullptr) state_.Select_Object(selected[i]);
    if (repeated[i] && !again) continue;
    const Access_State::Added added = state_.Add_Var(server);
    Fill_Address_From_Scl(device, added);
    if (added != Access_State::Added::Nothing) last = added;
  }
  if (several) {
    state_.Select_Object(current);  // the selection is the current node's again
    if (last != Access_State::Added::Nothing) Show_Tables();
  }
  Show_Added(last);
}

void Tables_Panel::Fill_Address_From_Scl(const TIEC_Device& device, Access_State::Added added) {
  if (!options_.Address_From_SCL || added == Access_State::Added::Nothing) return;
  try {
    const std::optional<std::string>& ip =
        document_.Addresses.Of(device, Catalog_Dir(options_.Conf_Dir));
    if (ip) Fill_Address(state_, added, *ip);  // else the file gives the server no address
  } catch (const std::exception& failure) {
    // The row stays added; only its address is missing, and the user is told why.
    messages_.Error(this, util::Error_Text(failure, options_.Strings));
  }
}

void Tables_Panel::Focus_Added_Rows(int first_variable, int first_data_set) {
  // The page Add Var showed is the one of the last row added; its first new row takes the
  // keyboard, so that typing and Shift+arrows go on from there.
  Selection_Grid* grid = nullptr;
  int first = 0;
  if (currentWidget() == TS_DA && first_variable >= 0) {
    grid = ACG_DA;
    first = first_variable;
  } else if (currentWidget() == TS_DataSet && first_data_set >= 0) {
    grid = ACG_DataSet;
    first = first_data_set;
  }
  if (grid == nullptr) return;
  const int column = grid->currentColumn() >= 0 ? grid->currentColumn() : 0;
  grid->setCurrentCell(first, column);
  grid->scrollToItem(grid->item(first, column));
  grid->setFocus();
  if (grid == ACG_DataSet) Show_DataSet_DAs();
}

void Tables_Panel::Show_Added(Access_State::Added added) {
  switch (added) {
    case Access_State::Added::Variable:
      setCurrentWidget(TS_DA);
      ACG_DA->Show_Table(state_.ACG_DA);
      ACG_DA->setCurrentCell(ACG_DA->rowCount() - 1, DA_Col::IPAddress - 1);
      break;
    case Access_State::Added::DataSet:
      setCurrentWidget(TS_DataSet);
      ACG_DataSet->Show_Table(state_.ACG_DataSet);
      ACG_DataSet->setCurrentCell(ACG_DataSet->rowCount() - 1, DS_Col::IPAddress - 1);
      Show_DataSet_DAs();
      break;
    case Access_State::Added::Nothing:
      break;
  }
}

}  // namespace UIEC_61850_Access
