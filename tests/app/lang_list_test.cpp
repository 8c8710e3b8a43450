#include "app/lang_list.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include "support/test_support.h"
#include "util/files.h"

namespace {

using Names = std::vector<std::string>;

TEST(List_Language_Files, Lists_Writable_Lng_Files_Sorted_Ignoring_Case) {
  test::Temp_Dir dir;
  for (const char* name : {"italiano.lng", "Deutsch.lng", "English.lng", "ReadOnly.lng",
                           "Upper.LNG", "notes.txt", ".lng",
                           "Fran\xC3\xA7"
                           "ais.lng"})
    test::Write(dir / name, "STR0 = x\n");
  util::Create_Dir(dir / "Folder.lng");
  chmod((dir / "ReadOnly.lng").c_str(), 0444);  // on Windows: the read-only attribute
  Names expected{"Deutsch.lng", "English.lng",
                 "Fran\xC3\xA7"
                 "ais.lng",
                 "italiano.lng"};
#ifndef _WIN32
  // Links need a privilege on Windows; there the other entries show the rule.
  ASSERT_EQ(symlink((dir / "English.lng").c_str(), (dir / "Link.lng").c_str()), 0);
  ASSERT_EQ(symlink((dir / "missing").c_str(), (dir / "Dangling.lng").c_str()), 0);
  expected.push_back("Link.lng");
#endif

  EXPECT_EQ(app::List_Language_Files(dir.path()), expected);
  EXPECT_TRUE(app::List_Language_Files(dir / "absent").empty());
}

TEST(List_Language_Files, A_File_With_Any_Write_Bit_Is_Writable) {
  // Read-only means no write bit at all, so the test holds when it runs as root too.
#ifdef _WIN32
  GTEST_SKIP() << "a Windows file has one read-only attribute, no group or other write bits";
#endif
  test::Temp_Dir dir;
  test::Write(dir / "Group.lng", "");
  chmod((dir / "Group.lng").c_str(), 0464);
  test::Write(dir / "Locked.lng", "");
  chmod((dir / "Locked.lng").c_str(), 0400);
  EXPECT_EQ(app::List_Language_Files(dir.path()), (Names{"Group.lng"}));
}

TEST(Lang_Pages, Six_Languages_To_A_Page) {
  Names seven{"A.lng", "B.lng", "C.lng", "D.lng", "E.lng", "F.lng", "G.lng"};
  EXPECT_EQ(app::Lang_Page_Count(0), 0);
  EXPECT_EQ(app::Lang_Page_Count(1), 1);
  EXPECT_EQ(app::Lang_Page_Count(6), 1);
  EXPECT_EQ(app::Lang_Page_Count(7), 2);
  EXPECT_EQ(app::Lang_Page_Count(13), 3);

  EXPECT_EQ(app::Lang_Page_Names(seven, 1), (Names{"A", "B", "C", "D", "E", "F"}));
  EXPECT_EQ(app::Lang_Page_Names(seven, 2), (Names{"G"}));
  EXPECT_TRUE(app::Lang_Page_Names(seven, 3).empty());
  EXPECT_TRUE(app::Lang_Page_Names(seven, 0).empty());
  EXPECT_TRUE(app::Lang_Page_Names({}, 1).empty());

  EXPECT_EQ(app::Next_Lang_Page(1, 2, true), 2);
  EXPECT_EQ(app::Next_Lang_Page(2, 2, true), 2);
  EXPECT_EQ(app::Next_Lang_Page(2, 2, false), 1);
  EXPECT_EQ(app::Next_Lang_Page(1, 2, false), 1);
  EXPECT_EQ(app::Next_Lang_Page(1, 0, true), 1);
}

TEST(Lang_Flag_File, Own_Picture_Then_Default_Flag_Then_None) {
  test::Temp_Dir dir;
  EXPECT_EQ(app::Lang_Flag_File(dir.path(), "Deutsch"), "");
  test::Write(dir / "DefaultFlag.bmp", "BM");
  EXPECT_EQ(app::Lang_Flag_File(dir.path(), "Deutsch"), dir / "DefaultFlag.bmp");
  test::Write(dir / "Deutsch.bmp", "BM");
  EXPECT_EQ(app::Lang_Flag_File(dir.path(), "Deutsch"), dir / "Deutsch.bmp");
  EXPECT_EQ(app::Lang_Flag_File(dir.path(), "Italiano"), dir / "DefaultFlag.bmp");
}

}  // namespace
