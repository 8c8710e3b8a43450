// A language file translates the access editor's newer texts (tree filter, Map page, table
// commands, IED chooser) and the message boxes' buttons; translated headers are not clipped.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <algorithm>

#include "access/access_strings.h"
#include "access/access_test_models.h"
#include "access_ui/access_window.h"
#include "access_ui/ied_chooser_dialog.h"
#include "access_ui/map_page_qt.h"
#include "access_ui/selection_grid_qt.h"
#include "access_ui/tree_filter_qt.h"
#include "access_ui/tree_panel_qt.h"
#include "app/all_texts.h"
#include "app/context.h"
#include "app/main_window.h"
#include "lang/lang_file.h"
#include "support/recording_messages.h"
#include "support/table_text.h"
#include "support/test_support.h"
#include "support/user_input.h"
#include "util/files.h"
#include "util/messages_qt.h"

namespace {

using namespace UIEC_61850_Access;

std::string S(const QString& text) { return text.toStdString(); }

// The German table the tests' language file gives.
lang::Lang_Strings German() {
  lang::Lang_Strings strings = lang::English_Strings();
  std::string name = "Deutsch";
  lang::Select_Language(strings, test::Data_Dir() + "/ui/fixtures", name);
  EXPECT_EQ(name, "Deutsch");
  return strings;
}

// Whether the header of `column` shows whole: the column is at least as wide as its header asks.
void Expect_Header_Whole(QTableWidget* table, int column, const std::string& text) {
  EXPECT_EQ(S(table->horizontalHeaderItem(column)->text()), text);
  EXPECT_GE(table->columnWidth(column), table->horizontalHeader()->sectionSizeHint(column))
      << text << " is clipped";
}

// The editor, opened in English on a configuration with one server; the language is changed to
// German while it is open, as the options do.
TEST(German_Texts, Editor_Filter_And_Map_Page_Follow_The_Language_File) {
  test::Temp_Dir dir;
  app::App_Context ctx;
  ctx.Active_Conf_Dir = dir / "conf";
  util::Force_Dirs(ctx.Active_Conf_Dir);
  ctx.Set_Files();
  test::Recording_Messages messages;
  TFIEC_61850_Access window(app::Access_Editor_Options(ctx), messages);
  window.Import_Scl = Ignoring_Progress(test::Fake_Import);
  window.Check_Scl = nullptr;  // stand-in files are no SCL files
  test::Write(dir / "a.icd", test::Fake_Scl("IED1"));
  window.Choose_File = [&dir] { return dir / "a.icd"; };
  ASSERT_TRUE(test::Activate(&window));
  test::Click(window.Btn_Add_IEC_Device);
  ASSERT_EQ(window.LB_IEC_Devices->count(), 1) << messages.Last();
  test::Click_Item(window.LB_IEC_Devices, 0);
  ASSERT_TRUE(QTest::qWaitFor([&window] { return !window.Tree->Indexing(); }));
  EXPECT_EQ(S(window.TS_Map->Btn_Auto_Position->text()), "Auto position");
  Tree_Filter_Bar* filter = window.Tree_Filter;
  test::Retype(filter->E_Tree_Filter, "stVal");
  ASSERT_TRUE(QTest::qWaitFor([filter] { return filter->L_Tree_Matches->isVisible(); }));
  EXPECT_EQ(filter->L_Tree_Matches->text(), test::Table_Text(access_strings::Text_One_Match));

  ctx.Lang_Strings = German();
  window.Set_Lang();

  EXPECT_EQ(S(filter->E_Tree_Filter->placeholderText()), "Filter: Name oder Referenz");
  EXPECT_EQ(S(filter->CB_Tree_FC->itemText(0)), "Alle FC");
  // The count shown is worded anew, and so is the next one.
  EXPECT_EQ(filter->L_Tree_Matches->text(), "1 Treffer");
  test::Retype(filter->E_Tree_Filter, "Mod");
  EXPECT_TRUE(filter->L_Tree_Matches->text().contains(QRegularExpression("^[0-9]+ Treffer$")))
      << S(filter->L_Tree_Matches->text());

  EXPECT_EQ(S(window.ACG_DA->Act_Fill_Down->text()), "Nach unten füllen");
  EXPECT_EQ(S(window.ACG_DA->Act_Paste->text()), "Einfügen");
  Expect_Header_Whole(window.ACG_DA, DA_Col::MoltFact - 1, "Multiplikationsfaktor");
  Expect_Header_Whole(window.ACG_DS_Vars, Var_Col::MultFact - 1, "Multiplikationsfaktor");
  EXPECT_EQ(S(window.PC_DA_DataSet->tabText(1)), "Datensätze");

  const int map_tab = window.PC_DA_DataSet->indexOf(window.TS_Map);
  EXPECT_EQ(S(window.PC_DA_DataSet->tabText(map_tab)), "Zuordnung");
  window.PC_DA_DataSet->setCurrentIndex(map_tab);
  Map_Page* page = window.TS_Map;
  EXPECT_EQ(S(page->Btn_Auto_Position->text()), "Automatisch platzieren");
  EXPECT_EQ(S(page->Btn_Import_Map->text()), "Zuordnung importieren...");
  EXPECT_EQ(S(page->L_Map_Summary->text()),
            "Belegte Positionen: 0   frei: 1400   Konflikte: 0   ohne Platz: 0");
  Expect_Header_Whole(page->ACG_Map, Map_Col::Factor, "Multiplikationsfaktor");
  Expect_Header_Whole(page->ACG_Map, Map_Col::IPAddress, "IP-Adresse");
  window.close();
}

TEST(German_Texts, Chooser_Speaks_The_Language_File) {
  const lang::Lang_Strings german = German();
  TFIED_Chooser chooser(
      "plant.scd",
      {{"P1", "Maker", "Relay", "Feeder", "10.0.0.1", true}, {"P2", "", "", "", "", false}},
      german);
  chooser.show();
  EXPECT_EQ(S(chooser.windowTitle()), "IEDs wählen");
  EXPECT_EQ(S(chooser.L_Prompt->text()).rfind("plant.scd beschreibt 2 IEDs.", 0), 0u);
  EXPECT_EQ(S(chooser.SG_IEDs->horizontalHeaderItem(1)->text()), "Hersteller");
  EXPECT_EQ(S(chooser.SG_IEDs->item(0, 5)->text()), "Ja");
  EXPECT_EQ(S(chooser.SG_IEDs->item(1, 5)->text()), "Nein");
  EXPECT_EQ(S(chooser.Btn_Select_All->text()), "Alle wählen");
  EXPECT_EQ(S(chooser.Btn_OK->text()), "Hinzufügen");
  EXPECT_EQ(S(chooser.Btn_Cancel->text()), "Abbrechen");
}

// The message boxes of the program: title and buttons from the table; the answer is the button
// clicked, whatever its text.
TEST(German_Texts, Message_Box_Buttons_Follow_The_Language_File) {
  const lang::Lang_Strings german = German();
  ui::Box_Messages boxes(german);
  struct Seen {
    std::string title;
    std::vector<std::string> buttons;
  } seen;
  // Clicks the button with `text` in the box that is open once the event loop runs.
  auto click_when_open = [&seen](const QString& text) {
    QTimer::singleShot(0, [&seen, text] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      seen.title = S(box->windowTitle());
      seen.buttons.clear();
      QAbstractButton* chosen = nullptr;
      for (QAbstractButton* button : box->buttons()) {
        seen.buttons.push_back(S(button->text()));
        if (button->text() == text) chosen = button;
      }
      std::sort(seen.buttons.begin(), seen.buttons.end());
      ASSERT_NE(chosen, nullptr) << text.toStdString();
      QTest::mouseClick(chosen, Qt::LeftButton);
    });
  };

  click_when_open("Nein");
  EXPECT_EQ(boxes.Question(nullptr, "?", true), ui::Messages::Answer::No);
  EXPECT_EQ(seen.title, "Bestätigen");
  EXPECT_EQ(seen.buttons, (std::vector<std::string>{"Abbrechen", "Ja", "Nein"}));

  click_when_open("Ja");
  EXPECT_EQ(boxes.Question(nullptr, "?", false), ui::Messages::Answer::Yes);
  EXPECT_EQ(seen.buttons, (std::vector<std::string>{"Ja", "Nein"}));

  click_when_open("OK");
  boxes.Error(nullptr, "!");
  EXPECT_EQ(seen.title, "Fehler");
  EXPECT_EQ(seen.buttons, (std::vector<std::string>{"OK"}));
}

}  // namespace
