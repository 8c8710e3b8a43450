#include "text/lang_strings.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/all_texts.h"
#include "lang/lang_file.h"
#include "support/test_support.h"
#include "util/files.h"

namespace {

TEST(Lang_Strings, Built_In_Table) {
  lang::Lang_Strings s = lang::English_Strings();
  EXPECT_EQ(s[0], "Begin");
  EXPECT_EQ(s[9], "None Configuration Opened ");
  EXPECT_EQ(s[18], "Error! Project not Valid");
  EXPECT_EQ(s[106], "Error! Name project is not valid because directory already exists");
  EXPECT_EQ(s[306], " / ");
  EXPECT_EQ(s[1105], "File already exists. Do you want to overwrite?");
  EXPECT_EQ(s[31], " ");  // every entry without a text is a single blank
  EXPECT_EQ(s[1499], " ");
}

TEST(Lang_Strings, Language_File_Lines) {
  struct Case {
    const char* line;
    int index;
    const char* expected;  // entry afterwards
  } cases[] = {
      {"STR1499 = X", 1499, "X"},
      {"STR1500 = X", 1499, " "},
      // The texts added beyond the original table: 5000 .. 5999.
      {"STR5000 = X", 5000, "X"},
      {"STR5999 = X", 5999, "X"},
      {"STR4999 = X", 4999, " "},
      {"STR6000 = X", 6000, " "},
      {"STR-1 = X", 0, "Begin"},
      {"str5 = X", 5, "Step 5"},
      {"   STR5 = X   ", 5, "X"},
      {"STR5 = A = B", 5, "A = B"},
      {"STR5 = Hello /#/ greeting", 5, "Hello"},
      {"STR5 = /#/ note", 5, "Step 5"},
      {"STR5 = \xC2\xB6\xC2\xB6", 5, ""},
      {"STR5 = \xC2\xB6", 5, ""},
      {"STR5 =", 5, "Step 5"},
      {"STR9 = \xC2\xB6None Configuration Opened \xC2\xB6 tail", 9, "None Configuration Opened "},
      {"STR12=Text", 1, "Text"},  // one character is expected before "="
      {"STR12 = Text", 12, "Text"},
      {"STR5 X", 5, "Step 5"},
      {"STRab = X", 5, "Step 5"},
      {"STR99999999999 = X", 5, "Step 5"},
      {"STR$A = X", 10, "X"},
      {"STR=X", 0, "Begin"},
      // A line break inside a text is written as \n.
      {"STR5600 = One\\nTwo\\n", 5600, "One\nTwo\n"},
      {"STR5 = \xC2\xB6 \\n \xC2\xB6", 5, " \n "},
  };
  for (const Case& c : cases) {
    lang::Lang_Strings s = lang::English_Strings();
    lang::Apply_Lang_Text(s, c.line);
    EXPECT_EQ(s[c.index], c.expected) << c.line;
  }
}

TEST(Lang_Strings, Later_Lines_Win_And_Any_Bytes_Are_Safe) {
  lang::Lang_Strings s = lang::English_Strings();
  lang::Apply_Lang_Text(s, "header\r\nSTR0 = One\r\n\r\nSTR0 = Two\rSTR1 = Uno\n");
  EXPECT_EQ(s[0], "Two");
  EXPECT_EQ(s[1], "Uno");
  std::string junk;
  for (int i = 0; i < 4096; ++i) junk += static_cast<char>((i * 7919) & 0xFF);
  lang::Apply_Lang_Text(s, junk + "\nSTR2 = " + std::string(100000, 'x'));
  EXPECT_EQ(s[2].size(), 100000u);
}

TEST(Select_Language, Applies_File_Or_Falls_Back_To_English) {
  test::Temp_Dir dir;
  std::string utf16le = "\xFF\xFE";
  for (char c : std::string("STR0 = Inizio\r\n")) utf16le += std::string{c, '\0'};
  test::Write(dir / "Italiano.lng", utf16le);
  test::Write(dir / "English.lng", "STR0 = Start");
  lang::Lang_Strings s = lang::English_Strings();
  std::string name = "Italiano";
  lang::Select_Language(s, dir.path(), name);
  EXPECT_EQ(s[0], "Inizio");
  EXPECT_EQ(name, "Italiano");

  name = "Klingon";  // missing file: English.lng applies and the name becomes English
  lang::Select_Language(s, dir.path(), name);
  EXPECT_EQ(s[0], "Start");
  EXPECT_EQ(name, "English");

  test::Temp_Dir empty;  // neither file: the built-in texts, nothing of the earlier language
  name = "Italiano";
  lang::Select_Language(s, empty.path(), name);
  EXPECT_EQ(s[0], "Begin");
  EXPECT_EQ(name, "English");
}

// Loading a file is an operation: a file that cannot be read is a failure naming it, and the
// texts stay as they were.
TEST(Lang_Strings, Unreadable_File_Throws_And_Changes_Nothing) {
  test::Temp_Dir dir;
  std::filesystem::create_directory(dir / "Folder.lng");
  lang::Lang_Strings s = lang::English_Strings();
  s.Set(0, "kept");
  for (const std::string& path : {dir / "Missing.lng", dir / "Folder.lng"}) {
    SCOPED_TRACE(path);
    try {
      lang::Load_Lang_File(s, path);
      ADD_FAILURE() << "no error";
    } catch (const util::File_Error& e) {
      EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
    EXPECT_EQ(s[0], "kept");
  }
}

// A language name that would lead out of LANGUAGE counts as a language without a file.
TEST(Select_Language, Name_Never_Leads_Out_Of_The_Language_Folder) {
  test::Temp_Dir root;
  std::filesystem::create_directories(root / "LANGUAGE/sub");
  test::Write(root / "evil.lng", "STR0 = Evil");
  test::Write(root / "LANGUAGE/sub/evil.lng", "STR0 = Evil");
  for (std::string name :
       std::vector<std::string>{"../evil", "sub/evil", "..\\evil", root / "evil"}) {
    SCOPED_TRACE(name);
    lang::Lang_Strings s = lang::English_Strings();
    lang::Select_Language(s, root / "LANGUAGE", name);
    EXPECT_EQ(s[0], "Begin");
    EXPECT_EQ(name, "English");
  }
}

TEST(Select_Language, Windows_1252_File) {
  test::Temp_Dir dir;
  test::Write(dir / "Deutsch.lng",
              "STR0 = Gr\xFC\xDF"
              "e\n");
  lang::Lang_Strings s = lang::English_Strings();
  std::string name = "Deutsch";
  lang::Select_Language(s, dir.path(), name);
  EXPECT_EQ(s[0],
            "Gr\xC3\xBC\xC3\x9F"
            "e");
}

}  // namespace
