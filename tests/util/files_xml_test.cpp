#include <filesystem>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/test_support.h"
#include "util/files.h"
#include "util/utf.h"
#include "util/xml.h"

namespace {

TEST(Write_File_Atomic, Replaces_Whole_File_And_Leaves_No_Temporary) {
  test::Temp_Dir dir;
  const std::string path = dir / "a.xml";
  util::Write_File_Atomic(path, "first version, longer");
  util::Write_File_Atomic(path, "second");
  EXPECT_EQ(test::Read(path), "second");
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_NE(st.st_mode & S_IRGRP, 0u) << "written with the usual permissions";
  int entries = 0;
  for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1) << "no temporary file left behind";
}

TEST(Write_File_Atomic, Failure_Names_The_File_And_Keeps_The_Target) {
  test::Temp_Dir dir;
  test::Write(dir / "plain", "x");
  try {
    util::Write_File_Atomic(dir / "plain/inside.xml", "data");  // parent is a file
    FAIL() << "no error";
  } catch (const util::File_Error& e) {
    EXPECT_NE(std::string(e.what()).find("inside.xml"), std::string::npos);
    EXPECT_NE(std::string(e.what()).find("Not a directory"), std::string::npos);
  }
  // A folder standing where the file should go: the rename fails, the folder survives.
  util::Create_Dir(dir / "taken");
  EXPECT_THROW(util::Write_File_Atomic(dir / "taken", "data"), util::File_Error);
  EXPECT_TRUE(util::Dir_Exists(dir / "taken"));
}

TEST(Xml, Parse_Error_Has_Line_And_Column) {
  pugi::xml_document doc;
  try {
    util::Load_Xml_Text(doc, "<a>\n  <b>\n</a>", "f.xml");
    FAIL() << "no error";
  } catch (const util::Xml_Error& e) {
    EXPECT_NE(std::string(e.what()).find("f.xml"), std::string::npos);
    EXPECT_NE(std::string(e.what()).find("line 3"), std::string::npos) << e.what();
  }
}

TEST(Xml, Reading_Rules) {
  pugi::xml_document doc;
  util::Load_Xml_Text(doc,
                      "<!-- note --><Root><v>1</v><v>2</v><g><x/></g><e/><c><!--c-->t</c></Root>",
                      "t");
  // The first top-level node is the root, whatever it is: here the comment.
  EXPECT_EQ(util::First_Top_Node(doc).type(), pugi::node_comment);
  pugi::xml_node root = doc.child("Root");
  EXPECT_EQ(util::Child_Text(root, "v").value(), "1");  // the first of a name counts
  EXPECT_FALSE(util::Child_Text(root, "V").has_value());  // names are case-sensitive
  EXPECT_FALSE(util::Child_Text(root, "g").has_value());  // holds elements: unreadable
  EXPECT_EQ(util::Child_Text(root, "e").value(), "");
  EXPECT_EQ(util::Child_Text(root, "c").value(), "t");
}

TEST(Xml, Writes_Without_Declaration_Or_Indentation) {
  pugi::xml_document doc;
  pugi::xml_node root = doc.append_child("R");
  doc.append_child(pugi::node_comment).set_value("SW_VERSION = 1.001");
  root.append_child("a").text().set("x & y");
  EXPECT_EQ(util::Xml_To_String(doc), "<R><a>x &amp; y</a></R><!--SW_VERSION = 1.001-->");
}

TEST(Utf, Decodes_Text_Files_By_Mark_Or_Content) {
  EXPECT_EQ(util::Decode_Text_File("\xEF\xBB\xBF" "caf\xC3\xA9"), "caf\xC3\xA9");
  EXPECT_EQ(util::Decode_Text_File(std::string("\xFF\xFE" "c\0\xE9\0", 6)), "c\xC3\xA9");
  EXPECT_EQ(util::Decode_Text_File(std::string("\xFE\xFF\0c\0\xE9", 6)), "c\xC3\xA9");
  EXPECT_EQ(util::Decode_Text_File("caf\xE9 \x80"), "caf\xC3\xA9 \xE2\x82\xAC");  // Windows-1252
  EXPECT_EQ(util::Low_Bytes("A\xC3\xA9\xE2\x82\xAC"), "A\xE9\xAC");  // U+20AC keeps 0xAC
  EXPECT_FALSE(util::Is_Valid_Utf8("\xC0\xAF"));                      // overlong
}

}  // namespace
