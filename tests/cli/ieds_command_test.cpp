// rq30517-cli ieds, extract-ied and scl --ied: several IEDs of one SCL file from the command line.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <filesystem>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "util/files.h"

namespace {

using test::Run_Result;

Run_Result Cli(const std::vector<std::string>& args) {
  return test::Run_Program(test::Bin_Dir() + "/rq30517-cli", args);
}

std::string Fixture() { return test::Data_Dir() + "/scl/fixtures/multi.scd"; }

TEST(Cli_Ieds, Lists_Every_Ied_As_One_Line_Of_Json) {
  const Run_Result run = Cli({"ieds", Fixture()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            R"([{"name":"P1","manufacturer":"Maker","type":"Relay","desc":"Feeder 1",)"
            R"("ip":"10.0.0.1","server":true},)"
            R"({"name":"P2","manufacturer":"","type":"Meter","desc":"","ip":"10.0.0.2",)"
            R"("server":true},)"
            R"({"name":"A/B","manufacturer":"","type":"","desc":"Gateway é","ip":"10.0.0.3",)"
            R"("server":false},)"
            R"({"name":"Bare","manufacturer":"","type":"","desc":"","ip":"","server":false}])"
            "\n");
}

TEST(Cli_Ieds, Extracted_Ied_Prints_As_The_Scl_Of_That_Ied) {
  test::Temp_Dir dir;
  // Same file name in another folder, so that even the model's "fileName" matches.
  const std::string out = dir / "multi.scd";
  for (const char* name : {"P1", "P2", "A/B"}) {
    SCOPED_TRACE(name);
    const Run_Result extract = Cli({"extract-ied", Fixture(), name, out});
    ASSERT_EQ(extract.status, 0) << extract.err;
    const Run_Result by_name = Cli({"scl", "--ied", name, Fixture()});
    ASSERT_EQ(by_name.status, 0) << by_name.err;
    const Run_Result extracted = Cli({"scl", out});
    EXPECT_EQ(extracted.out, by_name.out);
    EXPECT_EQ(by_name.out.rfind(std::string(R"({"name":")") + name + "\"", 0), 0u) << by_name.out;
  }
  const Run_Result stats = Cli({"scl", "--stats", "--ied", "P2", Fixture()});
  EXPECT_EQ(stats.out, R"({"lDevices":1,"lns":2,"dos":2,"das":3,"dataSets":1,"members":1})"
                       "\n");
}

TEST(Cli_Ieds, Unknown_Ieds_And_Bad_Arguments_Fail) {
  test::Temp_Dir dir;
  const struct {
    std::vector<std::string> args;
    int status;
    std::string message;
  } cases[] = {
      {{"scl", "--ied", "P9", Fixture()}, 1, "no IED named \"P9\""},
      {{"extract-ied", Fixture(), "P9", dir / "out.scd"}, 1, "no IED named \"P9\""},
      {{"ieds", dir / "absent.scd"}, 1, "absent.scd"},
      {{"extract-ied", dir / "absent.scd", "P1", dir / "out.scd"}, 1, "absent.scd"},
      {{"extract-ied", Fixture(), "P1", dir / "no/such/folder/out.scd"}, 1, "out.scd"},
      {{"ieds"}, 2, "Usage"},
      {{"extract-ied", Fixture(), "P1"}, 2, "Usage"},
      {{"scl", "--ied", "P1"}, 2, "Usage"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args.back());
    const Run_Result run = Cli(c.args);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
  }
  EXPECT_FALSE(util::File_Exists(dir / "out.scd"));
}

// extract-ied writes a regular file or nothing: a FIFO or a folder in OUT's place stays, and an
// IED holding characters XML 1.0 cannot hold is refused like one with a control character.
TEST(Cli_Ieds, Extract_Ied_Writes_Only_Regular_Files_Of_Xml_Characters) {
  test::Temp_Dir dir;
  test::Write(dir / "odd.scd",
              "<SCL><IED name=\"A\" desc=\"&#xFFFE;\"/><IED name=\"B\" desc=\"&#xD800;\"/>"
              "<IED name=\"C\" desc=\"&#x1;\"/></SCL>");
  for (const char* ied : {"A", "B", "C"}) {
    SCOPED_TRACE(ied);
    const Run_Result run = Cli({"extract-ied", dir / "odd.scd", ied, dir / "out.scd"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("XML cannot hold"), std::string::npos) << run.err;
  }
  EXPECT_FALSE(util::Path_Present(dir / "out.scd"));
#ifndef _WIN32
  ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0644), 0);
  std::filesystem::create_directory(dir / "folder");
  for (const char* out : {"fifo", "folder"}) {
    SCOPED_TRACE(out);
    const Run_Result run = Cli({"extract-ied", Fixture(), "P1", dir / out});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(dir / out), std::string::npos) << run.err;
  }
  EXPECT_TRUE(std::filesystem::is_fifo(dir / "fifo"));
  EXPECT_TRUE(std::filesystem::is_empty(dir / "folder"));
#endif
}

// Names holding ESC and BEL reach the terminal escaped, in the text outputs and the messages.
TEST(Cli_Ieds, Control_Characters_Of_Names_Reach_The_Terminal_Escaped) {
  test::Temp_Dir dir;
  test::Write(
      dir / "odd.scd",
      "<SCL><IED name=\"X&#x1b;]0;title&#x7;\"/><IED name=\"X&#x1b;]0;title&#x7;\"/></SCL>");
  const Run_Result check = Cli({"check", dir / "odd.scd"});
  EXPECT_NE(check.out.find("IED \"X\\x1b]0;title\\x07\" has the name"), std::string::npos)
      << check.out;
  const Run_Result diff = Cli({"diff-scl", dir / "odd.scd", dir / "odd.scd", "--ied", "\x1b[2J"});
  EXPECT_NE(diff.err.find("no IED named \"\\x1b[2J\""), std::string::npos) << diff.err;
  for (const Run_Result* run : {&check, &diff})
    for (const std::string* text : {&run->out, &run->err}) {
      EXPECT_EQ(text->find('\x1b'), std::string::npos) << *text;
      EXPECT_EQ(text->find('\x07'), std::string::npos) << *text;
    }
}

}  // namespace
