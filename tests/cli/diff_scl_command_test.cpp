// rq30517-cli diff-scl, on two revisions of IED REV1 and a configuration made on the first.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "util/files.h"

namespace {

using test::Run_Result;

Run_Result Run_Cli(const std::vector<std::string>& args) {
  return test::Run_Program(test::Bin_Dir() + "/rq30517-cli", args);
}

std::string Revision(const std::string& name) {
  return test::Data_Dir() + "/access/fixtures/revision/" + name;
}

const std::string Old_File = Revision("revision_old.icd");
const std::string New_File = Revision("revision_new.icd");

// The configuration of the fixture, its catalog holding revision 1 as rev1.icd.
struct Cli_Diff_Scl : ::testing::Test {
  test::Temp_Dir dir;
  std::string conf = dir / "conf";
  void SetUp() override {
    util::Force_Dirs(conf + "/ICD_Catalog");
    test::Write(conf + "/IEC_61850_Client.xml", test::Read(Revision("conf/IEC_61850_Client.xml")));
    test::Write(conf + "/ICD_Catalog/rev1.icd", test::Read(Old_File));
  }
};

TEST_F(Cli_Diff_Scl, Text_Has_One_Line_Per_Finding) {
  const Run_Result run = Run_Cli({"diff-scl", Old_File, New_File});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "added attribute REV1LD0/GGIO1.Ind3.stVal BOOLEAN ST\n"
            "added attribute REV1LD0/GGIO1.Ind3.q Quality ST\n"
            "removed attribute REV1LD0/GGIO1.Ind2.q Quality ST\n"
            "changed attribute REV1LD0/LLN0.Mod.stVal Enum ST -> INT8 ST\n"
            "changed attribute REV1LD0/MMXU1.Hz.mag.f FLOAT32 MX -> FLOAT64 MX\n"
            "removed dataset REV1LD0/LLN0.Events\n"
            "removed member REV1LD0/GGIO1.Ind2.q ST of dataset REV1LD0/LLN0.Status\n"
            "reordered dataset REV1LD0/LLN0.Measures: REV1LD0/MMXU1.TotW.mag.f, "
            "REV1LD0/MMXU1.Hz.mag.f, REV1LD0/LLN0.Mod.stVal -> REV1LD0/LLN0.Mod.stVal, "
            "REV1LD0/MMXU1.TotW.mag.f, REV1LD0/MMXU1.Hz.mag.f\n"
            "2 added, 3 removed, 2 changed, 1 reordered\n");

  // Backwards, additions and removals swap; the same file twice differs in nothing.
  const Run_Result back = Run_Cli({"diff-scl", New_File, Old_File});
  EXPECT_NE(back.out.find("added dataset REV1LD0/LLN0.Events\n"), std::string::npos);
  EXPECT_NE(back.out.find("\n3 added, 2 removed, 2 changed, 1 reordered\n"), std::string::npos);
  EXPECT_EQ(Run_Cli({"diff-scl", Old_File, Old_File}).out,
            "0 added, 0 removed, 0 changed, 0 reordered\n");

  const Run_Result impact =
      Run_Cli({"diff-scl", Old_File, New_File, "--conf", conf, "--server", "1"});
  ASSERT_EQ(impact.status, 0) << impact.err;
  const std::string tail =
      "kept variable row 1 REV1LD0/MMXU1.TotW.mag.f\n"
      "kept member row 2 member 1 REV1LD0/GGIO1.Ind1.stVal\n"
      "kept member row 2 member 2 REV1LD0/GGIO1.Ind2.stVal\n"
      "moved member row 1 member 1 REV1LD0/MMXU1.TotW.mag.f\n"
      "changed variable row 2 REV1LD0/MMXU1.Hz.mag.f\n"
      "changed variable row 4 REV1LD0/LLN0.Mod.stVal\n"
      "changed member row 1 member 2 REV1LD0/MMXU1.Hz.mag.f\n"
      "changed member row 1 member 3 REV1LD0/LLN0.Mod.stVal\n"
      "lost variable row 3 REV1LD0/GGIO1.Ind2.q\n"
      "lost member row 2 member 3 REV1LD0/GGIO1.Ind2.q\n"
      "lost member row 3 member 1 REV1LD0/GGIO1.Ind1.stVal\n"
      "gone dataset REV1LD0/LLN0.Events\n"
      "server 1: 3 kept, 1 moved, 4 changed, 3 lost, 1 datasets gone\n";
  EXPECT_EQ(impact.out, run.out + tail);
}

TEST_F(Cli_Diff_Scl, Json_With_The_Impact_On_A_Configuration) {
  const std::string before = test::Read(conf + "/IEC_61850_Client.xml");
  const Run_Result run =
      Run_Cli({"diff-scl", "--json", Old_File, New_File, "--conf", conf, "--server", "1"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(nlohmann::json::parse(run.out), nlohmann::json::parse(R"({
    "added": [
      {"kind": "attribute", "reference": "REV1LD0/GGIO1.Ind3.stVal", "btype": "BOOLEAN", "fc": "ST"},
      {"kind": "attribute", "reference": "REV1LD0/GGIO1.Ind3.q", "btype": "Quality", "fc": "ST"}],
    "removed": [
      {"kind": "attribute", "reference": "REV1LD0/GGIO1.Ind2.q", "btype": "Quality", "fc": "ST"},
      {"kind": "dataset", "reference": "REV1LD0/LLN0.Events"},
      {"kind": "member", "dataset": "REV1LD0/LLN0.Status", "reference": "REV1LD0/GGIO1.Ind2.q",
       "fc": "ST"}],
    "changed": [
      {"reference": "REV1LD0/LLN0.Mod.stVal", "from": {"btype": "Enum", "fc": "ST"},
       "to": {"btype": "INT8", "fc": "ST"}},
      {"reference": "REV1LD0/MMXU1.Hz.mag.f", "from": {"btype": "FLOAT32", "fc": "MX"},
       "to": {"btype": "FLOAT64", "fc": "MX"}}],
    "reordered": ["REV1LD0/LLN0.Measures"],
    "impact": {
      "kept": [
        {"kind": "variable", "row": 1, "member": null, "reference": "REV1LD0/MMXU1.TotW.mag.f"},
        {"kind": "member", "row": 2, "member": 1, "reference": "REV1LD0/GGIO1.Ind1.stVal"},
        {"kind": "member", "row": 2, "member": 2, "reference": "REV1LD0/GGIO1.Ind2.stVal"}],
      "moved": [
        {"kind": "member", "row": 1, "member": 1, "reference": "REV1LD0/MMXU1.TotW.mag.f"}],
      "changed": [
        {"kind": "variable", "row": 2, "member": null, "reference": "REV1LD0/MMXU1.Hz.mag.f"},
        {"kind": "variable", "row": 4, "member": null, "reference": "REV1LD0/LLN0.Mod.stVal"},
        {"kind": "member", "row": 1, "member": 2, "reference": "REV1LD0/MMXU1.Hz.mag.f"},
        {"kind": "member", "row": 1, "member": 3, "reference": "REV1LD0/LLN0.Mod.stVal"}],
      "lost": [
        {"kind": "variable", "row": 3, "member": null, "reference": "REV1LD0/GGIO1.Ind2.q"},
        {"kind": "member", "row": 2, "member": 3, "reference": "REV1LD0/GGIO1.Ind2.q"},
        {"kind": "member", "row": 3, "member": 1, "reference": "REV1LD0/GGIO1.Ind1.stVal"}],
      "datasets_gone": ["REV1LD0/LLN0.Events"]}})"));
  // Without a configuration there is no impact; the configuration is only read.
  const nlohmann::json plain =
      nlohmann::json::parse(Run_Cli({"diff-scl", Old_File, New_File, "--json"}).out);
  EXPECT_FALSE(plain.contains("impact"));
  EXPECT_EQ(test::Read(conf + "/IEC_61850_Client.xml"), before);
}

// The IED is the first of OLD, looked up by name in NEW; --ied names it in both.
TEST_F(Cli_Diff_Scl, The_Ied_Compared) {
  std::string two = test::Read(New_File);
  two.insert(two.find("<IED name=\"REV1\">"), "<IED name=\"OTHER\"/>\n");
  test::Write(dir / "two.scd", two);
  const std::string expected = Run_Cli({"diff-scl", Old_File, New_File}).out;
  EXPECT_EQ(Run_Cli({"diff-scl", Old_File, dir / "two.scd"}).out, expected);
  EXPECT_EQ(Run_Cli({"diff-scl", "--ied", "REV1", Old_File, dir / "two.scd"}).out, expected);
  const Run_Result other = Run_Cli({"diff-scl", "--ied", "OTHER", Old_File, dir / "two.scd"});
  EXPECT_EQ(other.status, 2);
  EXPECT_NE(other.err.find("OTHER"), std::string::npos) << other.err;
}

TEST_F(Cli_Diff_Scl, Wrong_Arguments_And_Unreadable_Files_Give_Status_2) {
  test::Write(dir / "broken.icd", "<SCL><IED name=\"REV1\">");
  struct Case {
    std::vector<std::string> args;
    std::string message;  // part of stderr
  };
  const std::vector<Case> cases = {
      {{Old_File}, "Usage"},
      {{Old_File, New_File, "--frobnicate"}, "unknown option"},
      {{Old_File, New_File, "--ied"}, "--ied"},
      {{Old_File, dir / "absent.icd"}, "absent.icd"},
      {{dir / "broken.icd", New_File}, "broken.icd"},
      {{Old_File, New_File, "--conf", conf}, "Usage"},
      {{Old_File, New_File, "--server", "1"}, "Usage"},
      {{Old_File, New_File, "--conf", conf, "--server", "2"}, "1 server"},
      {{Old_File, New_File, "--conf", conf, "--server", "0"}, "1 server"},
      {{Old_File, New_File, "--conf", conf, "--server", "x"}, "1 server"},
      {{Old_File, New_File, "--conf", dir / "none", "--server", "1"}, "IEC_61850_Client.xml"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args{"diff-scl"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const Run_Result run = Run_Cli(args);
    EXPECT_EQ(run.status, 2) << ::testing::PrintToString(c.args);
    EXPECT_TRUE(run.out.empty()) << run.out;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
  }
}

}  // namespace
