#include "app/workspace.h"

#include <gtest/gtest.h>

#include "app/app_strings.h"
#include "support/test_support.h"
#include "util/files.h"

namespace {

struct Workspace : ::testing::Test {
  test::Temp_Dir dir;
  app::App_Context ctx;
  void SetUp() override { app::Setup_Workspace(ctx, dir.path()); }
  void Settings(const std::string& xml) { test::Write(dir / "Varnoscope.xml", xml); }
};

TEST_F(Workspace, Creates_The_Three_Folders) {
  EXPECT_TRUE(util::Dir_Exists(dir / "MASTER"));
  EXPECT_TRUE(util::Dir_Exists(dir / "PROJECTS"));
  EXPECT_TRUE(util::Dir_Exists(dir / "LANGUAGE"));
  EXPECT_EQ(ctx.Projects_Dir, dir / "PROJECTS");
}

TEST_F(Workspace, Settings_Round_Trip_With_Exact_Tree) {
  ctx.Active_Conf_Name = "Plant <A> & B";
  ctx.Last_IP_Address = "127.0.0.1";
  ctx.Language_Name = "Italiano";
  ctx.Enable_Internet = true;
  ctx.Double_Click_Auto_Size = true;
  app::Save_Setting(ctx);
  EXPECT_EQ(test::Read(dir / "Varnoscope.xml"),
            "<Conf_Settings><lastproj><projectname>Plant &lt;A&gt; &amp; B</projectname>"
            "</lastproj><lastipadd><ipaddress>127.0.0.1</ipaddress></lastipadd><lastlang>"
            "<language>Italiano</language></lastlang><lastinternet><enable_internet>1"
            "</enable_internet><enable_update>0</enable_update><enable_jump_field_tables>0"
            "</enable_jump_field_tables><Double_Click_Auto_Size>1</Double_Click_Auto_Size>"
            "</lastinternet></Conf_Settings>");
  app::App_Context back;
  back.Exe_Dir = ctx.Exe_Dir;
  app::Read_Settings(back);
  EXPECT_EQ(back.Active_Conf_Name, ctx.Active_Conf_Name);
  EXPECT_EQ(back.Last_IP_Address, "127.0.0.1");
  EXPECT_EQ(back.Language_Name, "Italiano");
  EXPECT_TRUE(back.Enable_Internet);
  EXPECT_FALSE(back.Enable_Update);
  EXPECT_FALSE(back.Enable_Jump_Field_Tables);
  EXPECT_TRUE(back.Double_Click_Auto_Size);
}

TEST_F(Workspace, Settings_Groups_Fall_Back_Independently) {
  struct Case {
    const char* xml;
    const char* name;
    const char* ip;
    const char* language;
    bool internet, update, jump, autosize;
  } cases[] = {
      // lastinternet lacks enable_update: the others are still read
      {"<Conf_Settings><lastinternet><enable_internet>1</enable_internet>"
       "<enable_jump_field_tables>1</enable_jump_field_tables>"
       "<Double_Click_Auto_Size>1</Double_Click_Auto_Size></lastinternet></Conf_Settings>",
       "", "192.168.2.205", "English", true, false, true, true},
      // empty elements give empty values, not defaults; "true" and " 1" are not yes
      {"<X><lastproj><projectname/></lastproj><lastipadd><ipaddress></ipaddress></lastipadd>"
       "<lastlang><language/></lastlang><lastinternet><enable_internet>true</enable_internet>"
       "<enable_update> 1</enable_update></lastinternet></X>",
       "", "", "", false, false, false, false},
      // the root's name is not checked; a wrongly cased flag is missing
      {"<Other><lastproj><projectname>P1</projectname></lastproj><lastinternet>"
       "<double_click_auto_size>1</double_click_auto_size></lastinternet></Other>",
       "P1", "192.168.2.205", "English", false, false, false, false},
      // a comment before the root is the first top-level node: everything defaults
      {"<!--c--><Conf_Settings><lastproj><projectname>P1</projectname></lastproj>"
       "</Conf_Settings>",
       "", "192.168.2.205", "English", false, false, false, false},
      // an element holding elements has no text: its group's default
      {"<Conf_Settings><lastipadd><ipaddress><b/></ipaddress></lastipadd></Conf_Settings>", "",
       "192.168.2.205", "English", false, false, false, false},
      // not well-formed or truncated: all defaults, start-up goes on
      {"<Conf_Settings><lastproj><projectname>P1</projectname>", "", "192.168.2.205", "English",
       false, false, false, false},
      {"\x01\x02 not xml", "", "192.168.2.205", "English", false, false, false, false},
  };
  for (const Case& c : cases) {
    Settings(c.xml);
    ctx.Last_IP_Address = "stale";
    app::Read_Settings(ctx);
    EXPECT_EQ(ctx.Active_Conf_Name, c.name) << c.xml;
    EXPECT_EQ(ctx.Last_IP_Address, c.ip) << c.xml;
    EXPECT_EQ(ctx.Language_Name, c.language) << c.xml;
    EXPECT_EQ(ctx.Enable_Internet, c.internet) << c.xml;
    EXPECT_EQ(ctx.Enable_Update, c.update) << c.xml;
    EXPECT_EQ(ctx.Enable_Jump_Field_Tables, c.jump) << c.xml;
    EXPECT_EQ(ctx.Double_Click_Auto_Size, c.autosize) << c.xml;
  }
}

TEST_F(Workspace, Address_From_Scl_Is_Written_Only_When_On) {
  ctx.Address_From_SCL = true;
  app::Save_Setting(ctx);
  EXPECT_NE(test::Read(dir / "Varnoscope.xml")
                .find("</Double_Click_Auto_Size><address_from_scl>1</address_from_scl>"
                      "</lastinternet>"),
            std::string::npos);
  app::App_Context back;
  back.Exe_Dir = ctx.Exe_Dir;
  app::Read_Settings(back);
  EXPECT_TRUE(back.Address_From_SCL);
  ctx.Address_From_SCL = false;
  app::Save_Setting(ctx);
  EXPECT_EQ(test::Read(dir / "Varnoscope.xml").find("address_from_scl"), std::string::npos);
  app::Read_Settings(back);
  EXPECT_FALSE(back.Address_From_SCL);
}

// The folder of each file dialog: written only once one is remembered (the exact tree above has
// none), read back, and missing from older files without harm.
TEST_F(Workspace, Dialog_Folders_Round_Trip_And_Older_Files_Load) {
  ctx.Last_Folders.SCL_File = "/plant/scl <A>";
  ctx.Last_Folders.Report_File = "/tmp";
  app::Save_Setting(ctx);
  EXPECT_NE(test::Read(dir / "Varnoscope.xml")
                .find("</lastinternet><lastfolders><scl_file>/plant/scl &lt;A&gt;</scl_file>"
                      "<report_file>/tmp</report_file></lastfolders></Conf_Settings>"),
            std::string::npos);
  app::App_Context back;
  back.Exe_Dir = ctx.Exe_Dir;
  back.Last_Folders.Map_File = "stale";
  app::Read_Settings(back);
  EXPECT_EQ(back.Last_Folders.SCL_File, "/plant/scl <A>");
  EXPECT_EQ(back.Last_Folders.Map_File, "");
  EXPECT_EQ(back.Last_Folders.Report_File, "/tmp");

  Settings("<Conf_Settings><lastproj><projectname>P1</projectname></lastproj></Conf_Settings>");
  app::Read_Settings(back);
  EXPECT_EQ(back.Active_Conf_Name, "P1");
  EXPECT_EQ(back.Last_Folders.SCL_File, "");
  EXPECT_EQ(back.Last_Folders.Report_File, "");
}

TEST_F(Workspace, Remembered_Configuration_Reopens_Only_When_Its_Folder_Exists) {
  util::Create_Dir(dir / "PROJECTS/Plant");
  ctx.Active_Conf_Name = "Plant";
  app::Reopen_Remembered_Configuration(ctx);
  EXPECT_EQ(ctx.Active_Conf_Dir, dir / "PROJECTS/Plant");
  ctx.Active_Conf_Name = "Gone";
  app::Reopen_Remembered_Configuration(ctx);
  EXPECT_FALSE(ctx.Conf_Active());
  EXPECT_EQ(ctx.Active_Conf_Name, "Gone");  // written back unchanged at close
}

// A remembered name that would lead out of PROJECTS is a configuration whose folder is missing,
// even where a folder of that path exists outside.
TEST_F(Workspace, Remembered_Name_Never_Leads_Out_Of_Projects) {
  util::Force_Dirs(dir / "outside_target/bin");
  util::Force_Dirs(dir / "PROJECTS/sub/inner/bin");
  for (const std::string& name :
       std::vector<std::string>{"../outside_target", "../../outside_target", "sub/inner",
                                "sub\\inner", ".", "..", dir / "outside_target"}) {
    SCOPED_TRACE(name);
    Settings("<Conf_Settings><lastproj><projectname>" + name +
             "</projectname></lastproj></Conf_Settings>");
    app::Read_Settings(ctx);
    app::Reopen_Remembered_Configuration(ctx);
    ctx.Set_Files();
    EXPECT_FALSE(ctx.Conf_Active());
    EXPECT_EQ(ctx.Active_Conf_Name, name);  // written back unchanged at close
  }
}

TEST_F(Workspace, New_Configuration_Names) {
  // The refusal's message, or "" when the configuration was created.
  const auto refusal = [this](const std::string& name) -> std::string {
    try {
      app::Create_Configuration(ctx, name);
    } catch (const std::runtime_error& e) {
      return e.what();
    }
    return "";
  };
  const std::string Empty = ctx.Lang_Strings[app_strings::Text_New_Empty],
                    Exists = ctx.Lang_Strings[app_strings::Text_New_Exists],
                    Not_Created = ctx.Lang_Strings[app_strings::Text_New_Not_Created];
  util::Create_Dir(dir / "PROJECTS/Existing");
  struct Case {
    std::string name;
    std::string error;
  } cases[] = {
      {"", Empty},
      {"Existing", Exists},
      {"../Escape", Not_Created},
      {"a/b", Not_Created},
      {"a\\b", Not_Created},
      {".", Not_Created},
      {"..", Not_Created},
      {std::string(300, 'n'), Not_Created},
  };
  for (const Case& c : cases) EXPECT_EQ(refusal(c.name), c.error) << c.name;
  EXPECT_FALSE(util::Dir_Exists(dir / "Escape"));
  EXPECT_FALSE(ctx.Conf_Active());

#ifdef _WIN32
  // Windows drops the blanks that end a name, so " Plant 1 " cannot be a folder there.
  return;
#endif
  EXPECT_EQ(refusal(" Plant 1 "), "");  // taken as typed
  EXPECT_TRUE(util::Dir_Exists(dir / "PROJECTS/ Plant 1 /bin"));
  EXPECT_EQ(ctx.Active_Conf_Name, " Plant 1 ");
  EXPECT_EQ(ctx.ParGen_File, dir / "PROJECTS/ Plant 1 /ParGen.xml");
  EXPECT_EQ(ctx.IEC_Client_File, dir / "PROJECTS/ Plant 1 /IEC_61850_Client.xml");
}

TEST_F(Workspace, Open_Lists_Folders_And_Finds_Name_Ignoring_Case) {
  util::Create_Dir(dir / "PROJECTS/Alpha");
  util::Create_Dir(dir / "PROJECTS/Stray");
  test::Write(dir / "PROJECTS/file.txt", "not a configuration");
  auto list = app::Load_Existing_Configuration(ctx.Projects_Dir);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_GE(app::Search_Open_Conf(list, "ALPHA"), 0);
  EXPECT_EQ(list[static_cast<size_t>(app::Search_Open_Conf(list, "stray"))], "Stray");
  EXPECT_EQ(app::Search_Open_Conf(list, "Beta"), -1);

  app::Activate_Configuration(ctx, "Stray");
  EXPECT_EQ(app::Active_Folder_Name(ctx), "Stray");
  app::Activate_Configuration(ctx, "");
  EXPECT_FALSE(ctx.Conf_Active());
  EXPECT_EQ(app::Active_Folder_Name(ctx), "");
}

}  // namespace
