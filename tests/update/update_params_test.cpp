#include "update/update_params.h"

#include <gtest/gtest.h>

#include "support/test_support.h"
#include "util/files.h"
#include "util/xml.h"

namespace {

UBoot::Update_Parameters Params(int option, bool read_back) {
  UBoot::Update_Parameters p;
  p.IP_Address = "192.168.002.205";  // as typed: the file keeps the user's text
  p.Option_Index = option;
  p.Read_Back = read_back;
  p.Master_Dir = "/opt/rq30517/MASTER";
  p.Active_Conf_Dir = "/opt/rq30517/PROJECTS/Plant A";
  return p;
}

std::string Fixture(int option, bool read_back) {
  return test::Read(test::Data_Dir() + "/update/fixtures/Ethernet_Update_option" +
                    std::to_string(option) + "_read_back" + (read_back ? "1" : "0") + ".xml");
}

// Every option with and without read-back, byte for byte: which operations appear and in which
// order, the one "Ope_GoToApp_After" 1 on the last operation, the firmware's bank type and
// checksum write, the absolute paths, and no declaration, indentation or attributes.
TEST(Update_Params, File_Bytes_For_Each_Option) {
  for (int option : {0, 1, 2})
    for (bool read_back : {true, false}) {
      SCOPED_TRACE("option " + std::to_string(option) + (read_back ? ", read back" : ""));
      test::Temp_Dir exe;
      UBoot::Compile_XML_Parameter_New_Boot(Params(option, read_back), exe.path());
      EXPECT_EQ(test::Read(exe / "Ethernet_Update.xml"), Fixture(option, read_back));
    }
}

TEST(Update_Params, Rewrites_The_Whole_File) {
  test::Temp_Dir exe;
  test::Write(exe / "Ethernet_Update.xml", std::string(10000, 'x'));
  UBoot::Compile_XML_Parameter_New_Boot(Params(2, true), exe.path());
  EXPECT_EQ(test::Read(exe / "Ethernet_Update.xml"), Fixture(2, true));
}

// A write that fails (here a folder is in the way, which stops root too) is reported, and no
// half-written file is left behind.
TEST(Update_Params, Failed_Write_Throws) {
  test::Temp_Dir exe;
  util::Create_Dir(exe / "Ethernet_Update.xml");
  EXPECT_THROW(UBoot::Compile_XML_Parameter_New_Boot(Params(0, true), exe.path()),
               util::File_Error);
  EXPECT_TRUE(util::Dir_Exists(exe / "Ethernet_Update.xml"));
}

TEST(Update_Params, Missing_Folder_Throws) {
  test::Temp_Dir exe;
  EXPECT_THROW(UBoot::Compile_XML_Parameter_New_Boot(Params(0, true), exe / "gone"),
               util::File_Error);
}

}  // namespace
