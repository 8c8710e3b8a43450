// rq30517-cli build and inspect, run as the engineer runs them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "image/image_build.h"
#include "support/test_support.h"

namespace {

using test::Run_Result;

Run_Result Run_Cli(const std::vector<std::string>& args) {
  return test::Run_Program(test::Bin_Dir() + "/rq30517-cli", args);
}

std::string Fixture(const std::string& name) {
  return test::Data_Dir() + "/image/fixtures/" + name;
}

// A configuration folder with the fixture's two project files.
void Copy_Conf(const test::Temp_Dir& dir) {
  std::filesystem::copy_file(Fixture("conf/ParGen.xml"), dir / "ParGen.xml");
  std::filesystem::copy_file(Fixture("conf/IEC_61850_Client.xml"), dir / "IEC_61850_Client.xml");
}

TEST(Cli_Image, Build_Writes_The_Core_Images) {
  test::Temp_Dir conf;
  Copy_Conf(conf);
  Run_Result run = Run_Cli({"build", conf.path()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");

  USaveBincc::Image_Build core;
  core.Build_Image(conf / "ParGen.xml", conf / "IEC_61850_Client.xml", test::English());
  EXPECT_EQ(test::Read(conf / "bin/bank1.bin"), core.Bank1());
  EXPECT_EQ(test::Read(conf / "bin/bank2.bin"), core.Bank2());
  EXPECT_EQ(test::Read(conf / "bin/bank2.bin").size(), 385u);
}

// An R/W other than Read or Write would be built as a write: build refuses the configuration,
// naming the row as check does, unless --force; inspect then shows what the device got.
TEST(Cli_Image, Build_Refuses_Invalid_Values_Unless_Forced) {
  const struct {
    const char* read_write;
    bool built;
  } cases[] = {{"", false}, {"read", false}, {"X", false}, {"Write", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.read_write);
    test::Temp_Dir conf;
    Copy_Conf(conf);
    std::string client = test::Read(conf / "IEC_61850_Client.xml");
    const std::string read = "ReadWrite=\"Read\"";
    client.replace(client.find(read), read.size(),
                   std::string("ReadWrite=\"") + c.read_write + "\"");
    test::Write(conf / "IEC_61850_Client.xml", client);
    const Run_Result check = Run_Cli({"check", conf.path()});
    EXPECT_EQ(check.out.find("[rw-invalid]") != std::string::npos, !c.built) << check.out;

    const Run_Result run = Run_Cli({"build", conf.path()});
    EXPECT_EQ(run.status, c.built ? 0 : 1) << run.err;
    EXPECT_EQ(std::filesystem::exists(conf / "bin/bank2.bin"), c.built);
    if (c.built) continue;
    EXPECT_EQ(run.err, conf / "IEC_61850_Client.xml" + ":1: error: [rw-invalid] row 1: R/W \"" +
                           c.read_write +
                           "\" is neither Read nor Write: the image would send it to the server as "
                           "a write.\nrq30517-cli build: 1 errors would put values the device "
                           "cannot take into the images: nothing was built (--force builds them "
                           "anyway).\n");

    const Run_Result forced = Run_Cli({"build", "--force", conf.path()});
    EXPECT_EQ(forced.status, 0) << forced.err;
    EXPECT_NE(forced.err.find("built as --force asks"), std::string::npos) << forced.err;
    // Row 1 went to the device as a write, like row 2: no read is left.
    const Run_Result inspect = Run_Cli({"inspect", conf / "bin/bank2.bin"});
    EXPECT_NE(inspect.out.find("rw: 1 (write)"), std::string::npos) << inspect.out;
    EXPECT_EQ(inspect.out.find("rw: 0"), std::string::npos) << inspect.out;
  }
  // Arguments it does not know are refused before anything is read.
  test::Temp_Dir conf;
  EXPECT_EQ(Run_Cli({"build", "--forced", conf.path()}).status, 2);
  EXPECT_EQ(Run_Cli({"build", "--force"}).status, 2);
}

TEST(Cli_Image, Build_Error_Leaves_Old_Images) {
  struct Case {
    std::string file, content, message;
  };
  for (const Case& c :
       std::vector<Case>{{"ParGen.xml", "<Par_Gen>", "ParGen.xml: "},
                         {"IEC_61850_Client.xml", "<IEC_68850_Client/>", "\"List_DA_Selected\""}}) {
    SCOPED_TRACE(c.content);
    test::Temp_Dir conf;
    Copy_Conf(conf);
    test::Write(conf / c.file, c.content);
    std::filesystem::create_directory(conf / "bin");
    test::Write(conf / "bin/bank1.bin", "old 1");
    test::Write(conf / "bin/bank2.bin", "old 2");
    Run_Result run = Run_Cli({"build", conf.path()});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(test::Read(conf / "bin/bank1.bin"), "old 1");
    EXPECT_EQ(test::Read(conf / "bin/bank2.bin"), "old 2");
  }
  test::Temp_Dir dir;
  Run_Result run = Run_Cli({"build", dir / "no such configuration"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err, "");
  EXPECT_FALSE(std::filesystem::exists(dir / "no such configuration"));
}

// bin as a link out of the configuration folder given: the build stops, naming the link and
// where it leads, and writes nothing there.
TEST(Cli_Image, Build_Refuses_A_Bin_Link_Out_Of_The_Configuration) {
  test::Temp_Dir conf, outside;
  Copy_Conf(conf);
  if (!test::Make_Folder_Link(outside.path(), conf / "bin"))
    GTEST_SKIP() << "this system does not let this user make folder links";
  const Run_Result run = Run_Cli({"build", conf.path()});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "rq30517-cli build: " + conf / "bin" + " leads to " +
                         std::filesystem::canonical(outside.path()).string() + ", outside " +
                         conf.path() + ". Nothing was written.\n");
  EXPECT_TRUE(std::filesystem::is_empty(outside.path()));
}

// Images of two builds left by an interrupted build are named, then replaced by one whole pair.
TEST(Cli_Image, Build_Names_A_Mixed_Pair_Before_It_Replaces_It) {
  test::Temp_Dir conf;
  Copy_Conf(conf);
  ASSERT_EQ(Run_Cli({"build", conf.path()}).status, 0);
  test::Write(conf / "bin/bank2.bin", test::Read(conf / "bin/bank2.bin") + "x");
  const Run_Result run = Run_Cli({"build", conf.path()});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "rq30517-cli build: " + conf / "bin" +
                         ": bank1.bin and bank2.bin do not come from the same build (a build was "
                         "interrupted while it replaced them). Build the images again before the "
                         "device is updated. This build replaces both images.\n");
  EXPECT_EQ(USaveBincc::Check_Bank_Pair(conf / "bin", test::English()), std::nullopt);
}

TEST(Cli_Image, Inspect_Decodes_Both_Images) {
  test::Temp_Dir conf;
  Copy_Conf(conf);
  ASSERT_EQ(Run_Cli({"build", conf.path()}).status, 0);

  Run_Result bank1 = Run_Cli({"inspect", conf / "bin/bank1.bin"});
  EXPECT_EQ(bank1.status, 0) << bank1.err;
  EXPECT_NE(bank1.out.find("IEC 61850 client IP address (offset 388): 10.20.0.10\n"),
            std::string::npos)
      << bank1.out;
  EXPECT_NE(bank1.out.find("checksum (offset 2044): 4814 (valid)\n"), std::string::npos);

  Run_Result bank2 = Run_Cli({"inspect", conf / "bin/bank2.bin"});
  EXPECT_EQ(bank2.status, 0) << bank2.err;
  EXPECT_NE(bank2.out.find("  vLan: 12\n  appID: 16383\n"), std::string::npos) << bank2.out;
  EXPECT_NE(bank2.out.find("    reference: 0x0008016C \"Prot/MMXU1.Beh.stVal\"\n"),
            std::string::npos)
      << bank2.out;
}

// A report that cannot be written in full is a failure, not a silently cut text.
TEST(Cli_Image, Inspect_Fails_When_Its_Report_Cannot_Be_Written) {
#ifdef _WIN32
  GTEST_SKIP() << "needs a full device (/dev/full) and a shell to redirect to it";
#endif
  test::Temp_Dir conf;
  Copy_Conf(conf);
  ASSERT_EQ(Run_Cli({"build", conf.path()}).status, 0);
  for (const char* image : {"bin/bank1.bin", "bin/bank2.bin"}) {
    SCOPED_TRACE(image);
    Run_Result run = test::Run_Program("/bin/sh", {"-c", "exec \"$0\" inspect \"$1\" > /dev/full",
                                                   test::Bin_Dir() + "/rq30517-cli", conf / image});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("could not be written"), std::string::npos) << run.err;
  }
}

TEST(Cli_Image, Inspect_Refuses_Other_Files) {
  test::Temp_Dir dir;
  test::Write(dir / "junk.bin", std::string("\x01\x02junk\0\xFF", 8));
  test::Write(dir / "large.bin", std::string(0x80001, '\0'));
  for (const std::string& path :
       {dir / "junk.bin", dir / "large.bin", dir / "missing.bin", dir.path()}) {
    SCOPED_TRACE(path);
    Run_Result run = Run_Cli({"inspect", path});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find(path), std::string::npos) << run.err;
  }
  EXPECT_NE(Run_Cli({"inspect", dir / "junk.bin"}).err.find("neither a bank1.bin"),
            std::string::npos);
}

}  // namespace
