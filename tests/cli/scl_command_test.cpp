// rq30517-cli scl, run as the engineer runs it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace {

using test::Run_Result;

Run_Result Run_Scl(std::vector<std::string> args) {
  args.insert(args.begin(), "scl");
  return test::Run_Program(test::Bin_Dir() + "/rq30517-cli", args);
}

std::string Fixture(const std::string& name) { return test::Data_Dir() + "/scl/fixtures/" + name; }

TEST(Cli_Scl, Prints_The_Model_As_One_Line_Of_Json) {
  const Run_Result run = Run_Scl({Fixture("small.icd")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(
      run.out,
      R"({"name":"Dé1","fileName":"small.icd","lDevices":[{"name":"LD0","lns":[)"
      R"({"lnClass":"LLN0","lnType":"L0","prefix":"","inst":"","dos":[],"dataSets":[)"
      R"({"name":"DS","reference":"Dé1LD0/LLN0.DS","gooseName":"G1","members":[)"
      R"({"reference":"Dé1LD0/QMMXU1.PhV.phsA.cVal.f","fc":"MX","bType":"FLOAT32"},)"
      R"({"reference":"Dé1LD0/QMMXU1.PhV.d","fc":"DC","bType":"VisString255"}]}]},)"
      R"({"lnClass":"MMXU","lnType":"T","prefix":"Q","inst":"1","dos":[)"
      R"({"name":"PhV","dos":[{"name":"phsA","dos":[],"das":[)"
      R"({"name":"cVal","reference":"Dé1LD0/QMMXU1.PhV.phsA.cVal","fc":"MX","bType":"Struct",)"
      R"("das":[{"name":"f","reference":"Dé1LD0/QMMXU1.PhV.phsA.cVal.f","fc":"MX",)"
      R"("bType":"FLOAT32","das":[]}]}]}],)"
      R"("das":[{"name":"d","reference":"Dé1LD0/QMMXU1.PhV.d","fc":"DC","bType":"VisString255",)"
      R"("das":[]}]}],"dataSets":[]}]}]})"
      "\n");
}

TEST(Cli_Scl, Stats_Count_Every_Object_With_Sub_Objects) {
  for (const auto& args : {std::vector<std::string>{"--stats", Fixture("model.icd")},
                           std::vector<std::string>{Fixture("model.icd"), "--stats"}}) {
    const Run_Result run = Run_Scl(args);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, R"({"lDevices":2,"lns":7,"dos":12,"das":32,"dataSets":3,"members":3})"
                       "\n");
  }
}

TEST(Cli_Scl, A_Missing_Or_Broken_File_Is_An_Error) {
  test::Temp_Dir dir;
  test::Write(dir / "broken.icd", "<SCL>\n<IED name='A'>\n</SCL>");
  const struct {
    std::string file;
    std::string message;
  } cases[] = {{dir / "absent.icd", "absent.icd"}, {dir / "broken.icd", "line 3"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const Run_Result run = Run_Scl({c.file});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
  }
  EXPECT_EQ(Run_Scl({}).status, 2);
}

// A logical node whose data object holds a chain of `depth` sub data objects; the IED's name is
// in an undeclared 8-bit encoding.
std::string Deep_File(int depth) {
  std::string text =
      "<SCL><IED name='caf\xe9'><AccessPoint><Server><LDevice inst='L'>"
      "<LN lnClass='GGIO' lnType='N' inst='1'/></LDevice></Server></AccessPoint>"
      "</IED><DataTypeTemplates><LNodeType id='N'><DO name='s' type='D0'/>"
      "</LNodeType>";
  for (int i = 0; i < depth; ++i)
    text += "<DOType id='D" + std::to_string(i) + "'><SDO name='s' type='D" +
            std::to_string(i + 1) + "'/></DOType>";
  return text + "</DataTypeTemplates></SCL>";
}

// The JSON is written while the model is walked: the deepest model the import builds is written
// whole, with its texts that are not UTF-8 replaced. A deeper one is refused without any output.
TEST(Cli_Scl, Writes_The_Deepest_Models_And_Refuses_Deeper_Ones) {
  test::Temp_Dir dir;
  test::Write(dir / "deep.icd", Deep_File(64));  // a data object and 64 levels below it
  const Run_Result run = Run_Scl({dir / "deep.icd"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out.rfind("{\"name\":\"caf\xEF\xBF\xBD\",\"fileName\":\"deep.icd\"", 0), 0u);
  size_t levels = 0;
  for (size_t at = run.out.find(R"("name":"s")"); at != std::string::npos;
       at = run.out.find(R"("name":"s")", at + 1))
    ++levels;
  EXPECT_EQ(levels, 65u);
  const std::string end = R"(],"das":[]}],"dataSets":[]}]}]})"
                          "\n";
  ASSERT_GE(run.out.size(), end.size());
  EXPECT_EQ(run.out.substr(run.out.size() - end.size()), end);

  test::Write(dir / "deeper.icd", Deep_File(300'000));
  const Run_Result refused = Run_Scl({dir / "deeper.icd"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.out, "");
  EXPECT_NE(refused.err.find("more than 64 levels"), std::string::npos) << refused.err;
  EXPECT_NE(refused.err.find("(type \"D64\")"), std::string::npos) << refused.err;
}

}  // namespace
