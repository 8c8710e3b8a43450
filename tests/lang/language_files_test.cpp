// The language files that come with the program: English.lng says every built-in text, the
// German file translates every one of them, and both reach LANGUAGE without replacing a file a
// user put there or changed.
#include "lang/language_files.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <regex>
#include <string>

#include "app/all_texts.h"
#include "lang/lang_file.h"
#include "support/test_support.h"
#include "text/lang_strings.h"
#include "util/files.h"
#include "util/xml.h"

namespace {

// The built-in texts by index.
std::map<int, std::string> Built_In() {
  std::map<int, std::string> texts;
  lang::For_Each_Built_In_Text(
      [&texts](int index, const char* english) { texts[index] = english; });
  return texts;
}

std::string Shipped(const std::string& name) {
  for (const lang::Shipped_File& file : lang::Shipped_Files())
    if (name == file.Name) return std::string(file.Bytes);
  ADD_FAILURE() << name << " is not shipped";
  return {};
}

// What a language file's text sets, entry by entry: every entry the file leaves alone reads
// `unset`.
const std::string Unset = "\x01unset";
lang::Lang_Strings Only_What_It_Sets(const std::string& text) {
  lang::Lang_Strings strings = lang::English_Strings();
  for (const auto& [index, english] : Built_In()) strings.Set(index, Unset);
  lang::Apply_Lang_Text(strings, text);
  return strings;
}

std::vector<std::string> Placeholders(const std::string& text) {
  std::vector<std::string> found;
  const std::regex placeholder("%[0-9]");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), placeholder);
       it != std::sregex_iterator(); ++it)
    found.push_back(it->str());
  std::sort(found.begin(), found.end());
  return found;
}

TEST(Language_Files, English_File_Reads_Back_As_The_Built_In_Table) {
  const lang::Lang_Strings read =
      Only_What_It_Sets(lang::Built_In_Lang_Text(lang::For_Each_Built_In_Text));
  for (const auto& [index, english] : Built_In()) EXPECT_EQ(read[index], english) << "STR" << index;
}

// A text added to a module's table without its German line fails here with its index and its
// English text; a German text keeps what the program composes around it: the placeholders, the
// blanks at the ends where English joins it to other words, and the line breaks.
TEST(Language_Files, German_Translates_Every_Entry_Keeping_Its_Shape) {
  const lang::Lang_Strings german = Only_What_It_Sets(Shipped("Deutsch.lng"));
  for (const auto& [index, english] : Built_In()) {
    const std::string& text = german[index];
    if (text == Unset) {
      ADD_FAILURE() << "Deutsch.lng has no line STR" << index << " for \"" << english << "\"";
      continue;
    }
    EXPECT_EQ(Placeholders(text), Placeholders(english)) << "STR" << index << " = " << text;
    if (english.front() == ' ') {
      EXPECT_EQ(text.front(), ' ') << "STR" << index << " = " << text;
    }
    if (english.back() == ' ') {
      EXPECT_EQ(text.back(), ' ') << "STR" << index << " = " << text;
    }
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'),
              std::count(english.begin(), english.end(), '\n'))
        << "STR" << index << " = " << text;
  }
  // Only entries of the table: a line for an index the program does not have is a typing error.
  std::smatch line;
  const std::string file = Shipped("Deutsch.lng");
  const std::regex str_line("(^|\n)STR([0-9]+) ");
  const std::map<int, std::string> built_in = Built_In();
  for (auto it = std::sregex_iterator(file.begin(), file.end(), str_line);
       it != std::sregex_iterator(); ++it)
    EXPECT_TRUE(built_in.count(std::stoi((*it)[2].str()))) << "STR" << (*it)[2].str();
}

// The platform layer's failures reach a German user in German: the file and the system's reason
// as they are, around them the table's words; what() stays the built-in English, which the
// English table words the same.
TEST(Language_Files, File_Failures_Are_Worded_In_The_Tables_Language) {
  lang::Lang_Strings german = lang::English_Strings();
  lang::Apply_Lang_Text(german, Shipped("Deutsch.lng"));
  const lang::Lang_Strings english = lang::English_Strings();
  test::Temp_Dir dir;
  // A name holding a placeholder stays as it is.
  const std::string missing = dir / "%2 missing.xml";
  const std::string outside = dir / "elsewhere";
  util::Create_Dir(dir / "root");
  pugi::xml_document doc;
  const struct {
    const char* what;
    std::function<void()> fail;
    std::vector<std::string> kept;  // what the German text holds as it is
  } cases[] = {
      {"read", [&] { util::Read_File(missing); }, {missing, test::No_Such_File_Text()}},
      // The system's reason for a missing folder differs between systems ("Path not found").
      {"list", [&] { util::List_Folder(missing); }, {missing}},
      {"not inside",
       [&] { util::Require_Inside(dir / "root", outside, english); },
       {outside, dir / "root"}},
      {"unnamed folder", [&] { util::Force_Dirs(""); }, {}},
      {"xml", [&] { util::Load_Xml_Text(doc, "<a>", missing); }, {missing}},
  };
  for (const auto& c : cases) {
    try {
      c.fail();
      ADD_FAILURE() << c.what << ": no failure";
    } catch (const std::exception& error) {
      const std::string worded = util::Error_Text(error, german);
      EXPECT_NE(worded, error.what()) << c.what;
      EXPECT_EQ(util::Error_Text(error, english), error.what()) << c.what;
      for (const std::string& part : c.kept)
        EXPECT_NE(worded.find(part), std::string::npos) << c.what << ": " << worded;
    }
  }
  // Any other exception's text is its own.
  EXPECT_EQ(util::Error_Text(std::runtime_error("as it is"), german), "as it is");
}

struct Installed_Language_Files : ::testing::Test {
  test::Temp_Dir dir;
  std::string File(const std::string& name) const { return dir / name; }
};

TEST_F(Installed_Language_Files, Missing_Files_Are_Written_And_Read_As_Their_Language) {
  lang::Install_Language_Files(dir.path(), lang::For_Each_Built_In_Text);
  for (const char* name : {"English.lng", "Deutsch.lng", "Deutsch.bmp", "English.bmp"})
    EXPECT_TRUE(util::File_Exists(File(name))) << name;
  EXPECT_EQ(test::Read(File("Deutsch.bmp")), Shipped("Deutsch.bmp"));

  lang::Lang_Strings strings = lang::English_Strings();
  std::string name = "Deutsch";
  lang::Select_Language(strings, dir.path(), name);
  EXPECT_EQ(name, "Deutsch");
  EXPECT_EQ(strings[0], "Beginn");
  EXPECT_EQ(strings[9], "Keine Konfiguration geöffnet ");
  name = "English";
  lang::Select_Language(strings, dir.path(), name);
  for (const auto& [index, english] : Built_In()) EXPECT_EQ(strings[index], english) << index;
}

// A file a user put there or edited is never replaced; the program's own file, untouched since,
// follows the program's texts; what is not a file is left alone.
TEST_F(Installed_Language_Files, Only_The_Programs_Own_Untouched_Files_Are_Replaced) {
  test::Write(File("Deutsch.lng"), "STR0 = Anfang\n");
  util::Create_Dir(File("English.bmp"));
  test::Write(File("Deutsch.bmp"), "my flag");
  lang::Install_Language_Files(dir.path(), lang::For_Each_Built_In_Text);
  EXPECT_EQ(test::Read(File("Deutsch.lng")), "STR0 = Anfang\n");
  EXPECT_TRUE(util::Dir_Exists(File("English.bmp")));
  EXPECT_EQ(test::Read(File("Deutsch.bmp")), "my flag");

  // English.lng of an earlier version, as the program wrote it: brought up to date.
  const std::string current = test::Read(File("English.lng"));
  EXPECT_TRUE(lang::Is_Unchanged_Installed_File(current));
  test::Write(File("English.lng"), lang::Installed_File("STR0 = Start\n"));
  lang::Install_Language_Files(dir.path(), lang::For_Each_Built_In_Text);
  EXPECT_EQ(test::Read(File("English.lng")), current);

  // The same file with one text changed by hand: kept.
  std::string edited = current;
  edited.replace(edited.find("STR0 = Begin"), 12, "STR0 = Go");
  test::Write(File("English.lng"), edited);
  EXPECT_FALSE(lang::Is_Unchanged_Installed_File(edited));
  lang::Install_Language_Files(dir.path(), lang::For_Each_Built_In_Text);
  EXPECT_EQ(test::Read(File("English.lng")), edited);
}

}  // namespace
