// rq30517-cli check, run as the engineer or a script runs it.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace {

using test::Run_Result;

Run_Result Run_Cli(const std::vector<std::string>& args) {
  return test::Run_Program(test::Bin_Dir() + "/rq30517-cli", args);
}

std::string Fixture(const std::string& name) {
  return test::Data_Dir() + "/check/fixtures/" + name;
}

TEST(Cli_Check, Exit_Status) {
  test::Temp_Dir dir;
  test::Write(dir / "warnings.icd",
              "<SCL><IED name=\"A\"/><DataTypeTemplates><EnumType id=\"E\"/><EnumType id=\"E\"/>"
              "</DataTypeTemplates></SCL>");
  struct Case {
    std::vector<std::string> args;
    int status;
  };
  const Case cases[] = {
      {{"check", Fixture("clean.icd")}, 0},
      {{"check", dir / "warnings.icd"}, 0},
      {{"check", Fixture("templates.icd")}, 1},
      {{"check", Fixture("clean.icd"), Fixture("conf")}, 1},
      {{"check", "--json", Fixture("broken.icd")}, 1},
      {{"check", dir / "absent.icd"}, 2},
      {{"check", Fixture("templates.icd"), dir / "absent.icd"}, 2},
      {{"check", dir.path()}, 2},  // a folder without a client file
      {{"check"}, 2},
      {{"check", "--jsn", Fixture("clean.icd")}, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.back());
    const Run_Result run = Run_Cli(c.args);
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_EQ(run.err.empty(), c.status != 2) << run.err;
  }
}

TEST(Cli_Check, Text_Lines_And_Summary) {
  const Run_Result run = Run_Cli({"check", Fixture("ieds.scd"), Fixture("clean.icd")});
  ASSERT_EQ(run.status, 1) << run.err;
  const std::string file = Fixture("ieds.scd");
  EXPECT_NE(run.out.find(file + ":47: error: [duplicate-ied-name] IED \"A\" has the name of an "
                                "earlier IED (line 16).\n"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find(file + ":44: warning: [ied-without-server] "), std::string::npos);
  EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 12);
  const std::string summary = "\n10 errors, 1 warnings\n";
  EXPECT_EQ(run.out.rfind(summary), run.out.size() - summary.size()) << run.out;
}

TEST(Cli_Check, Json_Holds_Every_Field_Of_Each_Finding) {
  const Run_Result run = Run_Cli({"check", "--json", Fixture("conf"), Fixture("templates.icd")});
  ASSERT_EQ(run.status, 1) << run.err;
  const nlohmann::json report = nlohmann::json::parse(run.out);
  ASSERT_EQ(report.size(), 3u);
  EXPECT_EQ(report["errors"], 17);
  EXPECT_EQ(report["warnings"], 5);  // two of them members that follow their reference
  ASSERT_EQ(report["findings"].size(), 22u);
  EXPECT_EQ(report["findings"][0], nlohmann::json::parse(R"({
      "rule": "server-file-missing", "severity": "error",
      "file": ")" + Fixture("conf") + R"(/IEC_61850_Client.xml", "line": 5, "kind": "server",
      "row": 2, "member": null,
      "message": "server 2 missing.icd: its SCL file is not in ICD_Catalog."})"));
  bool member_seen = false, template_seen = false;
  for (const nlohmann::json& f : report["findings"]) {
    ASSERT_EQ(f.size(), 8u);
    if (f["rule"] == "member-dropped" && f["member"] == 3) {
      member_seen = true;
      EXPECT_EQ(f["kind"], "member");
      EXPECT_EQ(f["row"], 1);
      EXPECT_EQ(f["line"], 20);
    }
    if (f["rule"] == "type-cycle" && f["line"] == 35) {
      template_seen = true;
      EXPECT_EQ(f["file"], Fixture("templates.icd"));
      EXPECT_EQ(f["kind"], nullptr);
      EXPECT_EQ(f["row"], nullptr);
      EXPECT_EQ(f["member"], nullptr);
    }
  }
  EXPECT_TRUE(member_seen && template_seen);

  const Run_Result clean = Run_Cli({"check", "--json", Fixture("clean.icd")});
  EXPECT_EQ(clean.status, 0);
  EXPECT_EQ(nlohmann::json::parse(clean.out),
            nlohmann::json::parse(R"({"findings": [], "errors": 0, "warnings": 0})"));
}

// Findings leave as they are found: a file with a great many of them comes through whole, and
// the output is valid JSON to its end.
TEST(Cli_Check, Many_Findings_Stream) {
  test::Temp_Dir dir;
  std::string text = "<SCL><IED name=\"A\"><AccessPoint><Server><LDevice inst=\"L\">";
  const int count = 100000;
  for (int i = 0; i < count; ++i)
    text += "<LN lnClass=\"GGIO\" inst=\"" + std::to_string(i) + "\"/>\n";
  text += "</LDevice></Server></AccessPoint></IED></SCL>";
  test::Write(dir / "many.icd", text);
  const Run_Result run = Run_Cli({"check", "--json", dir / "many.icd"});
  ASSERT_EQ(run.status, 1) << run.err;
  const nlohmann::json report = nlohmann::json::parse(run.out);
  EXPECT_EQ(report["errors"], count);
  EXPECT_EQ(report["findings"].size(), static_cast<size_t>(count));
  EXPECT_EQ(report["findings"][count - 1]["line"], count);
}

}  // namespace
