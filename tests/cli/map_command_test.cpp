// rq30517-cli map, run as the engineer runs it.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "support/test_support.h"

namespace {

using test::Run_Result;

Run_Result Run_Cli(const std::vector<std::string>& args) {
  return test::Run_Program(test::Bin_Dir() + "/rq30517-cli", args);
}

// A configuration folder holding the data map fixture as its client file.
void Copy_Conf(const test::Temp_Dir& dir) {
  std::filesystem::copy_file(test::Data_Dir() + "/access/fixtures/data_map/IEC_61850_Client.xml",
                             dir / "IEC_61850_Client.xml");
}

TEST(Cli_Map, Json_Of_The_Client_File) {
  test::Temp_Dir conf;
  Copy_Conf(conf);
  Run_Result run = Run_Cli({"map", conf.path()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  ASSERT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1);
  EXPECT_EQ(
      run.out.rfind("{\"entries\": [{\"kind\": \"variable\", \"row\": 1, \"member\": null, ", 0),
      0u);
  EXPECT_NE(run.out.find("], \"unplaced\": [3, 4], \"used\": 6, \"free\": 1394}\n"),
            std::string::npos);
  const nlohmann::json map = nlohmann::json::parse(run.out);
  ASSERT_EQ(map["entries"].size(), 10u);
  EXPECT_EQ(map["entries"][2], nlohmann::json::parse(R"({
      "kind": "variable", "row": 3, "member": null, "index": "0",
      "reference": "IED1LD0/MMXU1.TotW.mag.f", "btype": "FLOAT32", "fc": "MX", "position": 12,
      "start_bit": 0, "rw": "Read", "conversion": "ItoF/FtoI", "factor": "0,5",
      "mnemonic": "power, total", "ip": "127.0.0.1", "port": "102"})"));
  EXPECT_EQ(map["entries"][9], nlohmann::json::parse(R"({
      "kind": "member", "row": 2, "member": 2, "index": "1",
      "reference": "IED2LD0/LLN0.Mod.q", "btype": "Quality", "fc": "", "position": 12,
      "start_bit": 0, "rw": "", "conversion": "None", "factor": "1",
      "mnemonic": "quality", "ip": "127.0.0.2", "port": "103"})"));
  EXPECT_EQ(map["entries"][4]["position"], nullptr);
  EXPECT_EQ(map["conflicts"],
            nlohmann::json::parse(R"([{"position": 12, "start_bit": 0, "entries": [2, 9]}])"));
  EXPECT_EQ(map["unplaced"], nlohmann::json::parse("[3, 4]"));
  EXPECT_EQ(map["used"], 6);
  EXPECT_EQ(map["free"], 1394);
}

TEST(Cli_Map, Csv_Of_The_Client_File) {
  test::Temp_Dir conf;
  Copy_Conf(conf);
  Run_Result run = Run_Cli({"map", conf.path(), "--csv"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out.rfind("\xEF\xBB\xBFKind,Row,Member,", 0), 0u);
  EXPECT_NE(run.out.find("\r\nvariable,3,,0,,IED1LD0/MMXU1.TotW.mag.f,FLOAT32,MX,12,0,Read,"
                         "ItoF/FtoI,\"0,5\",\"power, total\",127.0.0.1,102\r\n"),
            std::string::npos)
      << run.out;
  EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 11);
  EXPECT_EQ(Run_Cli({"map", "--csv", conf.path()}).out, run.out);

  // A mnemonic a spreadsheet would run as a formula is written as text.
  std::string xml = test::Read(conf / "IEC_61850_Client.xml");
  xml.replace(xml.find("Mnemonic=\"breaker\""), 18, "Mnemonic=\"=cmd|' /C calc'!A0\"");
  test::Write(conf / "IEC_61850_Client.xml", xml);
  run = Run_Cli({"map", conf.path(), "--csv"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find(",Read,None,1,'=cmd|' /C calc'!A0,127.0.0.1,102\r\n"), std::string::npos)
      << run.out;
}

TEST(Cli_Map, Fails_When_Its_Output_Cannot_Be_Written) {
#ifdef _WIN32
  GTEST_SKIP() << "needs a full device (/dev/full) and a shell to redirect to it";
#endif
  test::Temp_Dir conf;
  Copy_Conf(conf);
  for (const char* format : {"", "--csv"}) {
    SCOPED_TRACE(format);
    Run_Result run =
        test::Run_Program("/bin/sh", {"-c", "exec \"$0\" map \"$1\" $2 > /dev/full",
                                      test::Bin_Dir() + "/rq30517-cli", conf.path(), format});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("could not be written"), std::string::npos) << run.err;
  }
}

TEST(Cli_Map, Missing_Or_Broken_File) {
  for (const char* content : {"", "<IEC_68850_Client>"}) {
    SCOPED_TRACE(content);
    test::Temp_Dir conf;
    if (*content) test::Write(conf / "IEC_61850_Client.xml", content);
    Run_Result run = Run_Cli({"map", conf.path()});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("IEC_61850_Client.xml"), std::string::npos) << run.err;
  }
  EXPECT_EQ(Run_Cli({"map"}).status, 2);
}

}  // namespace
