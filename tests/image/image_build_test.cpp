// The Update step's build: both images from a configuration folder, written only when the
// whole build succeeded.
#include "image/image_build.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <optional>

#include "image/image_inspect.h"
#include "image_test_util.h"
#include "util/files.h"

namespace {

using namespace USaveBincc;

// A configuration folder holding copies of the given project files and a bin folder with
// recognisable old images.
struct Conf {
  test::Temp_Dir dir;
  std::string ParGen_File = dir / "ParGen.xml";
  std::string IEC_Client_File = dir / "IEC_61850_Client.xml";

  // A file that is not given is not there.
  explicit Conf(const std::optional<std::string>& pargen = std::nullopt,
                const std::optional<std::string>& client = std::nullopt) {
    if (pargen) test::Write(ParGen_File, *pargen);
    if (client) test::Write(IEC_Client_File, *client);
  }
  void Old_Images() {
    std::filesystem::create_directory(dir / "bin");
    test::Write(Bank1_File(dir.path()), "old bank1");
    test::Write(Bank2_File(dir.path()), "old bank2");
  }
  // The message of a failed build; empty when both images were written.
  std::string Build() {
    try {
      Build_And_Save_Images(ParGen_File, IEC_Client_File, dir.path());
    } catch (const std::exception& failure) {
      return failure.what();
    }
    return "";
  }
  std::string Bank1() { return test::Read(Bank1_File(dir.path())); }
  std::string Bank2() { return test::Read(Bank2_File(dir.path())); }
};

std::string Fixture(const std::string& name) { return test::Read(image_test::Fixture(name)); }

// A client file whose bank2.bin has exactly `size` bytes: one variable whose reference fills
// what the header, the record and the other two (empty) texts leave.
std::string Client_Of_Size(size_t size) {
  return "<IEC_68850_Client><List_DA_Selected><DA_Item bType=\"\" fc=\"ST\" Reference=\"" +
         std::string(size - 24 - 32 - 3, 'r') +
         "\" IPAddress=\"\" Port=\"102\" Time=\"1\" Position=\"1\" StartBit=\"0\" "
         "MoltFact=\"1\"/></List_DA_Selected></IEC_68850_Client>";
}

TEST(Image_Build, Empty_Configuration_Gives_Reset_Block_And_Header) {
  Conf conf;
  EXPECT_EQ(conf.Build(), "");
  std::string bank1 = conf.Bank1();
  ASSERT_EQ(bank1.size(), 2048u);
  EXPECT_EQ(Check_Bank1(bank1), std::nullopt);
  EXPECT_EQ(bank1.substr(1516, 4), std::string("\x00\x00\x08\x00", 4));
  EXPECT_EQ(bank1.substr(2044, 4), std::string("\x8A\x0D\x00\x00", 4));
  EXPECT_EQ(conf.Bank2(),
            std::string("\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\x18\0\x08\0\x18\0\x08\0", 24));
}

TEST(Image_Build, Writes_What_The_Build_Made_And_Rebuilds_Identically) {
  Conf conf(Fixture("conf/ParGen.xml"), Fixture("conf/IEC_61850_Client.xml"));
  conf.Old_Images();
  Image_Build build;
  build.Build_Image(conf.ParGen_File, conf.IEC_Client_File);
  EXPECT_EQ(build.Bank1_Length, 2048);
  EXPECT_EQ(build.Bank2_Length, static_cast<int32_t>(Client_Tables_Length(build.Client_Tables)));

  ASSERT_EQ(conf.Build(), "");
  EXPECT_EQ(conf.Bank1(), build.Bank1());
  EXPECT_EQ(conf.Bank2(), build.Bank2());
  EXPECT_EQ(Check_Bank2(conf.Bank2()), std::nullopt);
  // vLan 12 and application ID 0x3FFF from ParGen.xml land in the client header.
  EXPECT_EQ(conf.Bank2().substr(8, 8), std::string("\x0C\0\0\0\xFF\x3F\0\0", 8));

  const std::string first1 = conf.Bank1(), first2 = conf.Bank2();
  ASSERT_EQ(conf.Build(), "");
  EXPECT_EQ(conf.Bank1(), first1);
  EXPECT_EQ(conf.Bank2(), first2);
}

TEST(Image_Build, Nothing_Of_An_Earlier_Build_Remains) {
  Conf full(Fixture("conf/ParGen.xml"), Fixture("conf/IEC_61850_Client.xml"));
  Conf empty;
  Image_Build reused;
  reused.Build_Image(full.ParGen_File, full.IEC_Client_File);
  reused.Build_Image(empty.ParGen_File, empty.IEC_Client_File);
  Image_Build fresh;
  fresh.Build_Image(empty.ParGen_File, empty.IEC_Client_File);
  EXPECT_EQ(reused.Bank1(), fresh.Bank1());
  EXPECT_EQ(reused.Bank2(), fresh.Bank2());
}

TEST(Image_Build, Largest_Image_Still_Builds) {
  Conf conf(std::nullopt, Client_Of_Size(0x80000));
  ASSERT_EQ(conf.Build(), "");
  EXPECT_EQ(conf.Bank2().size(), 0x80000u);
  EXPECT_EQ(Check_Bank2(conf.Bank2()), std::nullopt);
}

TEST(Image_Build, Errors_Write_No_File) {
  std::string members;
  for (int i = 0; i < 256; ++i)
    members +=
        "<DataSet_DA_Item bType=\"B\" Reference=\"R\" Position=\"1\" StartBit=\"0\" "
        "MoltFact=\"1\"/>";
  const std::string too_many =
      "<IEC_68850_Client><List_DA_Selected/><List_DataSet_Selected><DataSet_Item Port=\"1\" "
      "Time=\"1\" GooseName=\"\" Reference=\"LD0/LLN0.Big\" IPAddress=\"\"><DataSet_List_DAs>" +
      members + "</DataSet_List_DAs></DataSet_Item></List_DataSet_Selected></IEC_68850_Client>";
  struct Case {
    std::optional<std::string> pargen, client;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"<Par_Gen><IEC61850_Client_IP1>1</Par_Gen>", std::nullopt, "line 1, column"},
      {std::nullopt, "<IEC_68850_Client>\n<List_DA_Selected>", "line 2, column"},
      {std::nullopt, "", "No document element"},
      {Fixture("pargen_defaults.xml"), "<IEC_68850_Client/>", "\"List_DA_Selected\""},
      {std::nullopt, "<IEC_61850_Client><List_DA_Selected/></IEC_61850_Client>",
       "\"IEC_68850_Client\""},
      {std::nullopt,
       "<IEC_68850_Client><List_DA_Selected><DA_Item bType=\"X\"/></List_DA_Selected>"
       "</IEC_68850_Client>",
       "\"fc\""},
      {std::nullopt, too_many, "256 members"},
      {std::nullopt, Client_Of_Size(0x80001), "524289 bytes"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    Conf conf(c.pargen, c.client);
    conf.Old_Images();
    std::string error = conf.Build();
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
    EXPECT_EQ(conf.Bank1(), "old bank1");
    EXPECT_EQ(conf.Bank2(), "old bank2");
  }
}

// A project file that is there but is not a readable file stops the build like a file that is
// not well-formed; only a file that is not there at all falls back to the defaults.
TEST(Image_Build, A_Project_File_That_Is_Not_A_Regular_File_Stops_The_Build) {
  const struct {
    const char* kind;
    std::function<void(const std::string&)> make;
    const char* reason;
  } kinds[] = {
      {"folder", [](const std::string& p) { std::filesystem::create_directory(p); },
       "Is a directory"},
#ifndef _WIN32
      // Links need a privilege on Windows, and it has no FIFOs in folders.
      {"dangling link",
       [](const std::string& p) { std::filesystem::create_symlink(p + ".gone", p); },
       "No such file or directory"},
      {"FIFO", [](const std::string& p) { ASSERT_EQ(mkfifo(p.c_str(), 0644), 0); },
       "not a regular file"},
#endif
  };
  for (const char* file : {"ParGen.xml", "IEC_61850_Client.xml"})
    for (const auto& k : kinds) {
      SCOPED_TRACE(std::string(file) + " as " + k.kind);
      Conf conf;
      conf.Old_Images();
      k.make(conf.dir / file);
      const std::string error = conf.Build();
      EXPECT_NE(error.find(conf.dir / file), std::string::npos) << error;
      EXPECT_NE(error.find(k.reason), std::string::npos) << error;
      EXPECT_EQ(conf.Bank1(), "old bank1");
      EXPECT_EQ(conf.Bank2(), "old bank2");
    }
}

TEST(Image_Build, Creates_A_Missing_Bin_Folder) {
  Conf conf;
  ASSERT_FALSE(util::Dir_Exists(conf.dir / "bin"));
  EXPECT_EQ(conf.Build(), "");
  EXPECT_EQ(conf.Bank2().size(), 24u);
}

TEST(Image_Build, Write_Failures_Are_Reported) {
  {
    Conf conf;
    test::Write(conf.dir / "bin", "a file where the bin folder belongs");
    std::string error = conf.Build();
    EXPECT_NE(error.find("bin"), std::string::npos) << error;
  }
  {
    // bank2.bin cannot be replaced: bank1.bin keeps the earlier build too, so the pair the
    // updater downloads never mixes two builds.
    Conf conf;
    std::filesystem::create_directories(conf.dir / "bin/bank2.bin/inside");
    test::Write(Bank1_File(conf.dir.path()), "old bank1");
    std::string error = conf.Build();
    EXPECT_NE(error.find("bank2.bin"), std::string::npos) << error;
    EXPECT_EQ(conf.Bank1(), "old bank1");
  }
  {
    test::Temp_Dir dir;
    std::string missing = dir / "gone";
    EXPECT_ANY_THROW(
        Build_And_Save_Images(missing + "/ParGen.xml", missing + "/IEC_61850_Client.xml", missing));
    EXPECT_FALSE(util::Dir_Exists(missing));
  }
}

}  // namespace
