// The "Map" page of the access editor: the gateway's data map of what the editor holds, sorted
// by position and start bit, with conflicts and unplaced entries in colour, a summary line, and
// the commands Auto position, Export map... and Import map.... It works on the editor's state
// and tells the editor when the tables changed or an entry should be shown on its own page.
#pragma once

#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "access/access_state.h"
#include "access/data_map.h"
#include "util/messages_qt.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace UIEC_61850_Access {

// Columns of the map table.
namespace Map_Col {
enum : int {
  Position,
  StartBit,
  Kind,
  Row,
  Member,
  Index,
  Reference,
  bType,
  fc,
  ReadWrite,
  Conversion,
  Factor,
  Mnemonic,
  IPAddress,
  Port,
  Count
};
}

// Row colours of the map table.
inline const QColor Conflict_Colour(0xFF, 0xC8, 0xC8);
inline const QColor Unplaced_Colour(0xFF, 0xEB, 0xB4);

// The page's commands that change the editor's state, each one step of the editor's history.
enum class Map_Step { Auto_Position, Import };

class Map_Page : public QWidget {
  Q_OBJECT

 public:
  // Its texts come from `strings`, which outlives it.
  Map_Page(Access_State& state, ui::Messages& messages, const lang::Lang_Strings& strings,
           QWidget* parent = nullptr);
  // Takes the texts from the strings again (after a change of language).
  void Set_Lang();

  // Rebuilds the table and the summary from the editor's state.
  void Show_Map();
  const Data_Map& Map() const { return map_; }
  // The entry shown in table row `row`.
  const Map_Entry& Entry_At(int row) const;

  void Btn_Auto_PositionClick();
  void Btn_Export_MapClick();
  void Btn_Import_MapClick();

  // Ask for the file to write or read; empty when cancelled. Tests replace them.
  std::function<std::string()> Choose_Export_File;
  std::function<std::string()> Choose_Import_File;
  // Reads a data map file for Import, on a worker thread; tests delay it.
  std::function<Data_Map_Edits(const std::string& bytes, const Access_State& state, char separator,
                               const lang::Lang_Strings& strings, util::Progress* progress)>
      Read_Map = Read_Data_Map_Csv;
  // The folder both CSV file dialogs open in and remember (none: the dialog's own start).
  std::string* Csv_Folder = nullptr;
  // Asks for the first position Auto position gives, offering `lowest_free`; none when
  // cancelled. Unset, Auto position starts at `lowest_free` without asking.
  std::function<std::optional<int>(int lowest_free)> Ask_First_Position;
  // Runs `change` as one step of the editor's history; unset, the change simply runs.
  std::function<void(Map_Step step, const std::function<void()>& change)> Record_Step;

  QTableWidget* ACG_Map;
  QLabel* L_Map_Summary;
  QPushButton* Btn_Auto_Position;
  QPushButton* Btn_Export_Map;
  QPushButton* Btn_Import_Map;

 signals:
  // Auto position or an import changed the editor's tables.
  void Tables_Changed();
  // The user double-clicked the entry: show it on its own page.
  void Entry_Activated(UIEC_61850_Access::Entry_Ref entry);

 private:
  void As_Step(Map_Step step, const std::function<void()>& change);

  Access_State& state_;
  void Show_Summary();

  ui::Messages& messages_;
  const lang::Lang_Strings& strings_;
  Data_Map map_;
  std::vector<size_t> order_;  // entry index of each table row
};

}  // namespace UIEC_61850_Access
