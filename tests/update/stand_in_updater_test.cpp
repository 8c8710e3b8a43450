// The stand-in Ethernet_Update.exe, run as the configurator runs it: copied into a program
// folder beside the parameter file, started with no arguments.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "image/image_build.h"
#include "support/test_support.h"
#include "update/start_program.h"
#include "update/update_params.h"
#include "util/files.h"
#include "util/xml.h"

namespace {

struct Updater_Run {
  int exit_code = -1;
  std::string log;
};

class Stand_In_Updater : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string built = util::Join_Path(test::Bin_Dir(), "Ethernet_Update.exe");
    if (!util::File_Exists(built)) GTEST_SKIP() << "Ethernet_Update.exe is not built in " << built;
    std::filesystem::copy_file(built, exe / "Ethernet_Update.exe");
    util::Force_Dirs(conf / "bin");
    USaveBincc::Build_And_Save_Images(conf / "ParGen.xml", conf / "IEC_61850_Client.xml",
                                      conf.path(), test::English());
  }

  std::string Parameter_File(int option) {
    UBoot::Update_Parameters p;
    p.IP_Address = "127.0.0.1";
    p.Option_Index = option;
    p.Master_Dir = master.path();
    p.Active_Conf_Dir = conf.path();
    pugi::xml_document doc;
    UBoot::Build_Update_Parameters(doc, p);
    return util::Xml_To_String(doc);
  }

  Updater_Run Run(const std::string& parameter_file) {
    test::Write(exe / "Ethernet_Update.xml", parameter_file);
    return Run();
  }
  Updater_Run Run() {
    const UBoot::Start_Result r = UBoot::Start_Program(exe / "Ethernet_Update.exe", "", false);
    EXPECT_TRUE(r.Ended);
    Updater_Run run{r.Exit_Code, ""};
    if (util::File_Exists(exe / "Ethernet_Update.log"))
      run.log = test::Read(exe / "Ethernet_Update.log");
    return run;
  }

  test::Temp_Dir exe, master, conf;
};

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

TEST_F(Stand_In_Updater, Accepts_What_The_Configurator_Writes) {
  const Updater_Run run = Run(Parameter_File(0));
  EXPECT_EQ(run.exit_code, 0) << run.log;
  EXPECT_NE(run.log.find("device \"127.0.0.1\""), std::string::npos) << run.log;
  EXPECT_NE(run.log.find("Sim30517.sim\" to 0x08000 (bank type 1"), std::string::npos) << run.log;
  EXPECT_NE(run.log.find("firmware file not found"), std::string::npos) << run.log;
  EXPECT_NE(run.log.find("bank1.bin\" to 0x07000"), std::string::npos) << run.log;
  EXPECT_NE(run.log.find("general configuration block, 2048 bytes, checksum valid"),
            std::string::npos);
  EXPECT_NE(run.log.find("bank2.bin\" to 0x80000"), std::string::npos) << run.log;
  EXPECT_NE(run.log.find("IEC 61850 client tables, 24 bytes, 0 variable(s), 0 data set(s)"),
            std::string::npos)
      << run.log;
  EXPECT_NE(run.log.find("result: all in order"), std::string::npos) << run.log;

  // Firmware only, with the firmware present this time.
  test::Write(master / "Sim30517.sim", std::string(1000, '\x5A'));
  const Updater_Run firmware = Run(Parameter_File(1));
  EXPECT_EQ(firmware.exit_code, 0) << firmware.log;
  EXPECT_NE(firmware.log.find("firmware, 1000 bytes"), std::string::npos) << firmware.log;
  EXPECT_EQ(firmware.log.find("bank1"), std::string::npos) << firmware.log;
}

TEST_F(Stand_In_Updater, Refuses_Broken_Parameter_Files_And_Images) {
  const std::string good = Parameter_File(0);
  const std::string bank1 = test::Read(USaveBincc::Bank1_File(conf.path()));
  const std::string bank2 = test::Read(USaveBincc::Bank2_File(conf.path()));
  std::string bad_checksum = bank1;
  bad_checksum[100] ^= 1;
  std::string too_many_variables = bank2;
  too_many_variables[0] = 5;

  const struct {
    const char* name;
    std::string xml;
    std::function<void()> damage;  // done to the images before the run
    const char* expected;
  } cases[] = {
      {"not XML", "<Ethernet_Update><Version>", nullptr, "not well-formed"},
      {"empty file", "", nullptr, "not well-formed"},
      {"other root", "<Update/>", nullptr, "root element must be Ethernet_Update"},
      {"element missing", Replace(good, "<Boot_Port>2008</Boot_Port>", ""), nullptr,
       "element 5 must be Boot_Port"},
      {"elements swapped",
       Replace(good, "<Boot_Port>2008</Boot_Port><Boot_Port_Sec>2007</Boot_Port_Sec>",
               "<Boot_Port_Sec>2007</Boot_Port_Sec><Boot_Port>2008</Boot_Port>"),
       nullptr, "must be Boot_Port"},
      {"address not dotted", Replace(good, "127.0.0.1", "300.0.0.1"), nullptr,
       "not an IPv4 address"},
      {"flag not 0 or 1", Replace(good, "<Ope_Read_Back>1<", "<Ope_Read_Back>yes<"), nullptr,
       "neither 0 nor 1"},
      {"value holding elements", Replace(good, "<Ope_Port>2008<", "<Ope_Port><x/><"), nullptr,
       "holds elements instead of a value"},
      {"no operation",
       Replace(good, good.substr(good.find("<Operations>")), "<Operations/></Ethernet_Update>"),
       nullptr, "nothing to download"},
      {"image at a wrong address", Replace(good, "0x80000", "0x90000"), nullptr,
       "no configuration image belongs at 0x90000"},
      {"application started too early",
       Replace(good, "<Ope_GoToApp_After>0</Ope_GoToApp_After></Operation>",
               "<Ope_GoToApp_After>1</Ope_GoToApp_After></Operation>"),
       nullptr, "starts the application before the last download"},
      {"bank1 checksum wrong", good,
       [&] { test::Write(USaveBincc::Bank1_File(conf.path()), bad_checksum); }, "checksum"},
      {"bank1 too short", good,
       [&] { test::Write(USaveBincc::Bank1_File(conf.path()), bank1.substr(0, 2047)); },
       "this one 2047"},
      {"bank1 too long", good,
       [&] { test::Write(USaveBincc::Bank1_File(conf.path()), bank1 + "x"); }, "has 2049 bytes"},
      {"bank2 header beyond its length", good,
       [&] { test::Write(USaveBincc::Bank2_File(conf.path()), too_many_variables); },
       "announces 5 variables"},
      {"bank2 missing", good, [&] { std::filesystem::remove(USaveBincc::Bank2_File(conf.path())); },
       "no such file"},
      {"bank2 is a folder", good,
       [&] {
         std::filesystem::remove(USaveBincc::Bank2_File(conf.path()));
         util::Create_Dir(USaveBincc::Bank2_File(conf.path()));
       },
       "not a regular file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::Write(USaveBincc::Bank1_File(conf.path()), bank1);
    std::filesystem::remove_all(USaveBincc::Bank2_File(conf.path()));
    test::Write(USaveBincc::Bank2_File(conf.path()), bank2);
    if (c.damage) c.damage();
    const Updater_Run run = Run(c.xml);
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_NE(run.log.find(c.expected), std::string::npos) << run.log;
    EXPECT_NE(run.log.find("nothing would be sent"), std::string::npos) << run.log;
  }
}

TEST_F(Stand_In_Updater, Missing_Parameter_File) {
  const Updater_Run run = Run();
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_NE(run.log.find("Cannot read"), std::string::npos) << run.log;
}

}  // namespace
