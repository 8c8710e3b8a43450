// The configurator in German, as it comes: German is chosen in the options from the language
// files the program put into LANGUAGE, then every window is opened and what it shows (title,
// labels, buttons, tabs, headers, cells, menus, tooltips, the messages shown) holds no English
// word; English chosen afterwards brings every English text back.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>
#include <cctype>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "access_ui/access_window.h"
#include "access_ui/ied_chooser_dialog.h"
#include "access_ui/map_page_qt.h"
#include "access_ui/replace_impact_dialog.h"
#include "access_ui/tree_filter_qt.h"
#include "app/about_dialog.h"
#include "app/all_texts.h"
#include "app/new_project_dialog.h"
#include "app/open_conf_dialog.h"
#include "app/soft_options_dialog.h"
#include "app/web_links.h"
#include "check/check_report_dialog.h"
#include "comm/pargen_dialog.h"
#include "lang/lang_file.h"
#include "lang/language_files.h"
#include "support/check_report.h"
#include "support/configurator.h"
#include "support/test_support.h"
#include "support/user_input.h"
#include "update/boot_dialog.h"
#include "util/files.h"
#include "util/messages_qt.h"

namespace {

std::string S(const QString& text) { return text.toStdString(); }

// The words of a text: runs of letters (any byte of a UTF-8 character counts as a letter), in
// lower case.
std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  std::string word;
  for (char c : text + " ") {
    const auto byte = static_cast<unsigned char>(c);
    if (std::isalpha(byte) || byte >= 0x80) {
      word += static_cast<char>(std::tolower(byte));
    } else {
      if (word.size() > 1) words.push_back(word);
      word.clear();
    }
  }
  return words;
}

// Words that are the same in both languages or are names, though only the English texts use
// them: languages, products, protocols, file names and the words of the files' formats.
const char* const Same_In_Both[] = {
    "english", "deutsch", "varnoscope", "software", "bacnet",      "ede",    "gsd",
    "knx",     "udp",     "ethernet",   "ms",       "ip",          "ied",    "ieds",
    "icd",     "scl",     "csv",        "xml",      "fc",          "da",     "btype",
    "lntype",  "dotype",  "datype",     "enumtype", "lnodetype",   "struct", "enum",
    "goose",   "ok",      "bank",       "bin",      "icd_catalog", "itof",   "ftoi"};

// The English words a German screen must not show: the words of the built-in texts that no
// German text uses and that are not the same in both languages.
std::set<std::string> English_Words() {
  std::set<std::string> english;
  lang::For_Each_Built_In_Text([&english](int, const char* text) {
    for (const std::string& word : Words(text)) english.insert(word);
  });
  // Only what the German file says: an entry it lacks adds no German words.
  const lang::Lang_Strings german = [] {
    lang::Lang_Strings strings = lang::English_Strings();
    lang::For_Each_Built_In_Text([&strings](int index, const char*) { strings.Set(index, ""); });
    for (const lang::Shipped_File& file : lang::Shipped_Files())
      if (std::string(file.Name) == "Deutsch.lng")
        lang::Apply_Lang_Text(strings, std::string(file.Bytes));
    return strings;
  }();
  lang::For_Each_Built_In_Text([&english, &german](int index, const char*) {
    for (const std::string& word : Words(german[index])) english.erase(word);
  });
  for (const char* word : Same_In_Both) english.erase(word);
  return english;
}

// A label's text as it shows: rich text without its tags.
QString Plain(const QString& text) {
  QString plain = text;
  plain.remove(QRegularExpression("<[^>]*>"));
  return plain;
}

// Everything `top` shows now: its title, and for each control shown its text, placeholder,
// tooltip, items, tab titles, column headers and the commands of its menus.
std::vector<std::string> Shown_Texts(QWidget* top) {
  std::vector<QString> texts{top->windowTitle()};
  auto actions = [&texts](const QList<QAction*>& list) {
    for (QAction* action : list) texts.insert(texts.end(), {action->text(), action->toolTip()});
  };
  QList<QWidget*> widgets = top->findChildren<QWidget*>();
  widgets.prepend(top);
  for (QWidget* w : widgets) {
    if (auto* menu = qobject_cast<QMenu*>(w)) {  // a context menu is shown when asked for
      texts.push_back(menu->title());
      actions(menu->actions());
      continue;
    }
    if (!w->isVisibleTo(top) && w != top) continue;
    texts.push_back(w->toolTip());
    actions(w->actions());
    if (auto* label = qobject_cast<QLabel*>(w)) texts.push_back(Plain(label->text()));
    if (auto* button = qobject_cast<QAbstractButton*>(w)) texts.push_back(button->text());
    if (auto* group = qobject_cast<QGroupBox*>(w)) texts.push_back(group->title());
    if (auto* box = qobject_cast<QLineEdit*>(w)) texts.push_back(box->placeholderText());
    if (auto* combo = qobject_cast<QComboBox*>(w))
      for (int i = 0; i < combo->count(); ++i) texts.push_back(combo->itemText(i));
    if (auto* tabs = qobject_cast<QTabWidget*>(w))
      for (int i = 0; i < tabs->count(); ++i)
        texts.insert(texts.end(), {tabs->tabText(i), tabs->tabToolTip(i)});
    if (auto* table = qobject_cast<QTableWidget*>(w)) {
      for (int c = 0; c < table->columnCount(); ++c) {
        if (table->isColumnHidden(c)) continue;
        if (QTableWidgetItem* header = table->horizontalHeaderItem(c))
          texts.insert(texts.end(), {header->text(), header->toolTip()});
        for (int r = 0; r < table->rowCount(); ++r)
          if (QTableWidgetItem* cell = table->item(r, c))
            texts.insert(texts.end(), {cell->text(), cell->toolTip()});
      }
    }
    if (auto* tree = qobject_cast<QTreeWidget*>(w)) {
      for (int c = 0; c < tree->columnCount(); ++c) texts.push_back(tree->headerItem()->text(c));
      // Headings and entries of a tree of results (the impact window); a server's tree shows the
      // model's names, which are names.
      if (tree->columnCount() > 1)
        for (QTreeWidgetItemIterator it(tree); *it; ++it)
          for (int c = 0; c < tree->columnCount(); ++c)
            texts.insert(texts.end(), {(*it)->text(c), (*it)->toolTip(c)});
    }
  }
  std::vector<std::string> shown;
  for (const QString& text : texts)
    if (!text.trimmed().isEmpty()) shown.push_back(S(text));
  return shown;
}

// Runs `interact` on the modal window of type T once it is open (it may follow another one);
// `interact` must close it. Gives up after ten seconds.
template <typename T>
void On_Modal(std::function<void(T&)> interact) {
  auto* timer = new QTimer;
  auto ticks = std::make_shared<int>(0);
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, ticks, interact] {
    auto* window = qobject_cast<T*>(QApplication::activeModalWidget());
    if (window == nullptr && ++*ticks < 1000) return;
    timer->stop();
    timer->deleteLater();
    if (window) interact(*window);
  });
  timer->start();
}

// The configurator on a fresh program folder; Look_At notes every English word a window shows.
struct German_Windows : ::testing::Test {
  test::Temp_Dir dir;
  std::unique_ptr<test::Configurator> run;
  std::set<std::string> english = English_Words();
  std::vector<std::string> left;  // "window: text" for each text with an English word
  std::set<std::string> windows_seen;

  void SetUp() override {
    run = std::make_unique<test::Configurator>(dir.path());
    ASSERT_TRUE(test::Activate(run->window.get()));
  }
  void TearDown() override { run->window->close(); }

  // The product's identity and the maker's web address, the same in every language.
  bool Is_Identity(const std::string& text) const {
    const app::App_Context& ctx = run->ctx;
    const std::string web = app::Maker_Web_Server;
    return text == ctx.SW_Title || text == ctx.SW_Desc || text == ctx.SW_Code ||
           text == ctx.SW_Version || text == web || text == web.substr(web.find("://") + 3);
  }
  void Look_At_Text(const std::string& window, const std::string& text) {
    // The check's rule identifiers ("position-invalid") are names of the rules, not words.
    static const QRegularExpression rule("^[a-z0-9]+(-[a-z0-9]+)+$");
    if (Is_Identity(text) || rule.match(QString::fromStdString(text)).hasMatch()) return;
    for (const std::string& word : Words(text))
      if (english.count(word)) {
        left.push_back(window + ": " + text);
        return;
      }
  }
  void Look_At(const std::string& window, QWidget* top) {
    windows_seen.insert(window);
    for (const std::string& text : Shown_Texts(top)) Look_At_Text(window, text);
  }
  // Looks at every page of `tabs`, each shown by a click on its tab.
  void Look_At_Pages(const std::string& window, QWidget* top, QTabWidget* tabs) {
    for (int i = 0; i < tabs->count(); ++i) {
      test::Click_Tab(tabs, tabs->widget(i));
      Look_At(window + " / " + S(tabs->tabText(i)), top);
    }
  }
  // Clicks `button` of the main window, which opens `dialog` modally; `interact` must close it.
  void Open_With(QAbstractButton* button, QDialog* dialog, std::function<void()> interact) {
    test::While_Modal([dialog, interact] {
      ASSERT_TRUE(test::Activate(dialog));
      interact();
      if (dialog->isVisible()) dialog->done(QDialog::Rejected);  // never leave the test blocked
    });
    test::Click(button);
  }
  // Chooses `language` on the options' language page and closes them with OK.
  void Choose_Language(const std::string& language) {
    TFSoftOptions* options = run->window->FSoftOptions;
    Open_With(run->window->Btn_Opz, options, [&] {
      auto slot = std::find_if(std::begin(options->L_L), std::end(options->L_L), [&](QLabel* l) {
        return l->isVisible() && S(l->text()) == language;
      });
      ASSERT_NE(slot, std::end(options->L_L)) << language << " is not offered";
      QTest::mouseClick(*slot, Qt::LeftButton);
      test::Click(options->Btn_OK);
    });
    ASSERT_EQ(run->ctx.Language_Name, language);
  }
};

TEST_F(German_Windows, Every_Window_Shows_German_Texts_Only) {
  Choose_Language("Deutsch");
  run->messages.shown.clear();  // the question to change the language was asked in English
  TFVarnoscopioFirmWare& main = *run->window;
  Look_At("main window", &main);

  Open_With(main.Btn_New, main.FNew_Project, [&] {
    Look_At("new configuration", main.FNew_Project);
    test::Type("conf");
    test::Click(main.FNew_Project->Btn_OK);
  });
  ASSERT_TRUE(run->ctx.Conf_Active()) << run->messages.Last();
  Open_With(main.Btn_Open, main.FOpenConf, [&] {
    Look_At("open configuration", main.FOpenConf);
    test::Click(main.FOpenConf->Btn_Cancel);
  });
  Open_With(main.Btn_Info, main.FAbout, [&] {
    Look_At("About", main.FAbout);
    test::Click(main.FAbout->Btn_OK);
  });
  Open_With(main.Btn_Opz, main.FSoftOptions, [&] {
    Look_At_Pages("options", main.FSoftOptions, main.FSoftOptions->PC_Options);
    test::Click(main.FSoftOptions->Btn_Cancel);
  });
  Open_With(main.Btn_Prm_Gen, main.FParGen, [&] {
    Look_At("Set Communication", main.FParGen);
    test::Click(main.FParGen->Btn_Cancel);
  });

  // The access editor with a server of a substation file, picked in the chooser, rows added
  // from its tree, the check's report and the impact of a new revision of its SCL file.
  TFIEC_61850_Access& editor = *main.FIEC_61850_Access;
  const std::string revisions = test::Data_Dir() + "/access/fixtures/revision/";
  std::string station = test::Read(revisions + "revision_old.icd");
  station.insert(station.find("<IED name=\"REV1\">"), "<IED name=\"BAY2\"/>\n  ");
  test::Write(dir / "anlage.scd", station);
  test::Write(dir / "rev2.icd", test::Read(revisions + "revision_new.icd"));
  std::string chosen = dir / "anlage.scd";
  editor.Choose_File = [&chosen] { return chosen; };
  editor.Check_Scl = nullptr;  // the check's report is opened with Check below
  Open_With(main.Btn_IEC61850_Client, &editor, [&] {
    Look_At_Pages("access editor", &editor, editor.PC_DA_DataSet);
    On_Modal<TFIED_Chooser>([&](TFIED_Chooser& chooser) {
      Look_At("chooser", &chooser);
      test::Click_Cell(chooser.SG_IEDs, 1, 0);
      test::Click(chooser.Btn_OK);
    });
    test::Click(editor.Btn_Add_IEC_Device);
    ASSERT_EQ(editor.LB_IEC_Devices->count(), 1) << run->messages.Last();
    ASSERT_TRUE(test::Activate(&editor));  // back from the chooser
    test::Click_Item(editor.LB_IEC_Devices, 0);
    test::Retype(editor.Tree_Filter->E_Tree_Filter, "stVal");
    ASSERT_TRUE(QTest::qWaitFor([&] { return editor.Tree_Filter->L_Tree_Matches->isVisible(); }));
    test::Tree_Item node = test::Top(editor.TV_IEC_Device, 0);
    while (node && node->childCount() > 0) {
      node->setExpanded(true);
      node = node->child(0);
    }
    ASSERT_NE(node, nullptr);
    test::Click_Item(editor.TV_IEC_Device, node);
    test::Click(editor.Btn_AddVar);
    Look_At_Pages("access editor with a row", &editor, editor.PC_DA_DataSet);

    test::On_Check_Report([&](TFCheck_Report& report) {
      Look_At("check report", &report);
      test::Click(report.Btn_Cancel);
    });
    test::Click(editor.Btn_Check);

    chosen = dir / "rev2.icd";
    On_Modal<TFReplace_Impact>([&](TFReplace_Impact& impact) {
      Look_At("impact of a new revision", &impact);
      test::Click(impact.Btn_Cancel);
    });
    test::Click(editor.Btn_Replace_Scl);
    test::Click(editor.Btn_Cancel);  // the question to discard the changes is answered Yes
  });

  // The update dialog as Step 4 opens it once the images are built.
  main.FBoot->Form_Type = 1;
  main.FBoot->show();
  Look_At("update dialog", main.FBoot);
  main.FBoot->close();

  // Each kind of message box, as the program shows them.
  ui::Box_Messages boxes(run->ctx.Lang_Strings);
  for (auto show : std::vector<std::function<void()>>{
           [&] { boxes.Error(nullptr, "!"); }, [&] { boxes.Warning(nullptr, "!"); },
           [&] { boxes.Question(nullptr, "?", true); }}) {
    On_Modal<QMessageBox>([&](QMessageBox& box) {
      Look_At("message box", &box);
      box.done(QMessageBox::Cancel);
    });
    show();
  }
  // What the message boxes of the walk said.
  for (const auto& message : run->messages.shown) Look_At_Text("message", message.text);

  // The walk reached every window.
  for (const char* window :
       {"main window", "new configuration", "open configuration", "About", "Set Communication",
        "chooser", "check report", "impact of a new revision", "update dialog", "message box"})
    EXPECT_TRUE(windows_seen.count(window)) << window << " was not opened";
  EXPECT_EQ(windows_seen.size(), 19u);  // with the options' three pages and the editor's three
  EXPECT_TRUE(left.empty()) << ::testing::PrintToString(left);
}

// English.lng is offered beside Deutsch, so English comes back after German, whole.
TEST_F(German_Windows, English_Comes_Back_After_German) {
  Choose_Language("Deutsch");
  TFVarnoscopioFirmWare& main = *run->window;
  EXPECT_EQ(S(main.Btn_New->text()), "Neue Konfiguration");
  Choose_Language("English");
  lang::For_Each_Built_In_Text([&](int index, const char* built_in) {
    EXPECT_EQ(run->ctx.Lang_Strings[index], built_in) << index;
  });
  EXPECT_EQ(S(main.Btn_New->text()), "New Configuration");
  EXPECT_EQ(S(main.FIEC_61850_Access->Btn_Check->text()), "Check");
  EXPECT_EQ(S(main.FParGen->windowTitle()), "Set Communication");
  main.close();
  EXPECT_NE(test::Read(dir / "Varnoscope.xml").find("<language>English</language>"),
            std::string::npos);
}

}  // namespace
