// The check's rules on hand-written fixtures (one per group of rules, with the lines expected),
// its agreement with the import and with the editor's loading, and the shared samples.
#include "check/check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <pugixml.hpp>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "access/client_file.h"
#include "access/scl_revision.h"
#include "access/server_list.h"
#include "image/client_tables.h"
#include "scl/ied_catalog.h"
#include "scl/scl_import.h"
#include "support/test_support.h"
#include "util/files.h"
#include "util/utf.h"

namespace {

using check::Finding;

std::string Fixture(const std::string& name) {
  return test::Data_Dir() + "/check/fixtures/" + name;
}

std::vector<Finding> Scl_Findings(const std::string& path,
                                  const std::vector<std::string>* only_ieds = nullptr) {
  std::vector<Finding> found;
  check::Check_Scl_File(
      path, util::File_Name_Of(path), [&](const Finding& f) { found.push_back(f); },
      test::English(), only_ieds);
  return found;
}

using Rule_Line = std::pair<std::string, int>;

std::vector<Rule_Line> Rules_And_Lines(const std::vector<Finding>& findings) {
  std::vector<Rule_Line> out;
  for (const Finding& f : findings) out.push_back({f.rule, f.line.value_or(0)});
  std::sort(out.begin(), out.end());
  return out;
}

std::vector<Rule_Line> Sorted(std::vector<Rule_Line> v) {
  std::sort(v.begin(), v.end());
  return v;
}

TEST(Scl_Rules, Each_Fixture_Gives_Its_Findings_At_Their_Lines) {
  struct Case {
    const char* file;
    std::vector<Rule_Line> expected;
  };
  const Case cases[] = {
      {"templates.icd",
       {{"duplicate-type-id", 19},
        {"duplicate-type-id", 45},
        {"do-type-missing", 15},
        {"do-type-missing", 17},
        {"da-type-missing", 23},
        {"enum-type-missing", 24},
        {"do-type-missing", 26},
        {"type-cycle", 29},
        {"type-cycle", 32},
        {"type-cycle", 35}}},
      {"ieds.scd",
       {{"duplicate-ip", 9},
        {"fcda-unresolved", 24},
        {"fcda-unresolved", 25},
        {"fcda-unresolved", 26},
        {"control-datset-missing", 29},
        {"control-datset-missing", 31},
        {"ln-type-missing", 33},
        {"ln-type-missing", 34},
        {"fcda-unresolved", 36},
        {"ied-without-server", 44},
        {"duplicate-ied-name", 47}}},
      {"clean.icd", {}},
      {"broken.icd", {{"xml-error", 5}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const std::vector<Finding> found = Scl_Findings(Fixture(c.file));
    EXPECT_EQ(Rules_And_Lines(found), Sorted(c.expected));
    for (const Finding& f : found) {
      EXPECT_EQ(f.file, c.file);
      EXPECT_EQ(f.kind, "");
      EXPECT_FALSE(f.row || f.member);
      EXPECT_FALSE(f.message.empty());
      const bool warning = f.rule == "duplicate-type-id" || f.rule == "enum-type-missing" ||
                           f.rule == "ied-without-server";
      EXPECT_EQ(f.severity, warning ? check::Severity::Warning : check::Severity::Error) << f.rule;
    }
  }
}

// The catalog file written for one IED of a file with several keeps the IED's own line breaks:
// each finding on it names a line of that file holding the element it is about, as the maker
// wrote it.
TEST(Scl_Rules, Findings_On_An_Extracted_Ied_Name_Its_Own_Lines) {
  auto lines_of = [](const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
      lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));
    return lines;
  };
  const std::vector<std::string> source = lines_of(test::Read(Fixture("ieds.scd")));
  const std::string text =
      UIEC_Client_Decode::Extract_IED(Fixture("ieds.scd"), "A", test::English());
  const std::vector<std::string> lines = lines_of(text);
  ASSERT_GT(lines.size(), 40u);
  std::vector<Finding> found;
  check::Check_Scl_Text(
      text, "ieds_A.scd", [&](const Finding& f) { found.push_back(f); }, test::English());
  const std::map<std::string, std::string> element = {{"fcda-unresolved", "<FCDA "},
                                                      {"control-datset-missing", "Control name="},
                                                      {"ln-type-missing", "<LN "}};
  std::map<std::string, int> count;
  for (const Finding& f : found) {
    SCOPED_TRACE(f.rule + " " + f.message);
    ASSERT_TRUE(f.line && *f.line >= 1 && static_cast<size_t>(*f.line) <= lines.size());
    std::string line = lines[static_cast<size_t>(*f.line - 1)];
    ASSERT_TRUE(element.count(f.rule));
    EXPECT_NE(line.find(element.at(f.rule)), std::string::npos) << line;
    // The writer closes an empty element with " />" where the maker wrote "/>".
    for (size_t at; (at = line.find(" />")) != std::string::npos;) line.erase(at, 1);
    EXPECT_NE(std::find(source.begin(), source.end(), line), source.end()) << line;
    ++count[f.rule];
  }
  EXPECT_EQ(count,
            (std::map<std::string, int>{
                {"fcda-unresolved", 4}, {"control-datset-missing", 2}, {"ln-type-missing", 2}}));
}

TEST(Scl_Rules, Messages_Name_The_Object) {
  const std::vector<Finding> found = Scl_Findings(Fixture("ieds.scd"));
  auto message = [&](const std::string& rule, int line) {
    for (const Finding& f : found)
      if (f.rule == rule && f.line == line) return f.message;
    return std::string();
  };
  EXPECT_NE(message("fcda-unresolved", 24).find("ALD0/LLN0.Mod.nothing"), std::string::npos);
  EXPECT_NE(message("fcda-unresolved", 24).find("\"DS1\""), std::string::npos);
  EXPECT_NE(message("duplicate-ip", 9).find("10.0.0.1"), std::string::npos);
  EXPECT_NE(message("duplicate-ied-name", 47).find("line 16"), std::string::npos);
  EXPECT_NE(message("control-datset-missing", 29).find("\"DS9\""), std::string::npos);
}

TEST(Scl_Rules, Chosen_Ieds_Only_With_The_Whole_Templates) {
  const std::vector<std::string> only_b = {"B"};
  EXPECT_EQ(Rules_And_Lines(Scl_Findings(Fixture("ieds.scd"), &only_b)),
            Sorted({{"duplicate-ip", 9}, {"ied-without-server", 44}}));
  const std::vector<std::string> only_t1 = {"T1"};
  EXPECT_EQ(Scl_Findings(Fixture("templates.icd"), &only_t1).size(), 10u);
}

// A type chain far deeper than any call stack, ending in a loop back to its middle.
TEST(Scl_Rules, Deep_Type_Chain_Is_Walked_Without_Recursion) {
  std::string text = "<SCL><DataTypeTemplates>";
  const int depth = 200000;
  for (int i = 0; i < depth; ++i)
    text += "<DAType id=\"T" + std::to_string(i) + "\"><BDA name=\"b\" bType=\"Struct\" type=\"T" +
            std::to_string(i + 1 < depth ? i + 1 : depth / 2) + "\"/></DAType>\n";
  text += "</DataTypeTemplates></SCL>";
  size_t cycles = 0;
  check::Check_Scl_Text(
      text, "deep.icd",
      [&](const Finding& f) {
        ASSERT_EQ(f.rule, "type-cycle");
        ++cycles;
      },
      test::English());
  EXPECT_EQ(cycles, static_cast<size_t>(depth - depth / 2));
}

// For every IED the import reads, its members and the FCDAs reported unresolved together are
// exactly the FCDAs of the server it reads.
void Expect_Members_Agree(const std::string& path) {
  SCOPED_TRACE(path);
  const std::vector<Finding> found = Scl_Findings(path);
  const std::string text = test::Read(path);
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_buffer(text.data(), text.size()));
  auto line_of = [&](pugi::xml_node node) {
    return 1 + static_cast<int>(std::count(text.begin(), text.begin() + node.offset_debug(), '\n'));
  };
  std::vector<std::string> seen;
  for (pugi::xml_node ied : doc.child("SCL").children("IED")) {
    const std::string name = ied.attribute("name").value();
    if (std::find(seen.begin(), seen.end(), name) != seen.end()) continue;
    seen.push_back(name);
    pugi::xml_node server = ied.child("AccessPoint").child("Server");
    if (!server) continue;
    std::set<int> lines;
    size_t fcdas = 0;
    for (pugi::xpath_node n : server.select_nodes(".//FCDA")) {
      lines.insert(line_of(n.node()));
      ++fcdas;
    }
    UIEC_Client_Decode::TIEC_Device device;
    UIEC_Client_Decode::Decode_ICD_File_IED(device, path, &name);
    size_t members = 0;
    for (const auto* ld : device.List_LDevice)
      for (const auto* ln : ld->List_LN)
        for (const auto* data_set : ln->List_DataSet) members += data_set->List_DA.size();
    const size_t unresolved = std::count_if(found.begin(), found.end(), [&](const Finding& f) {
      return f.rule == "fcda-unresolved" && lines.count(f.line.value_or(0));
    });
    EXPECT_EQ(members + unresolved, fcdas) << name;
  }
}

TEST(Scl_Rules, Unresolved_Members_Are_Those_The_Import_Leaves_Out) {
  Expect_Members_Agree(Fixture("ieds.scd"));
  if (test::Scl_Samples_Dir().empty()) return;
  for (const std::string& path : test::Scl_Sample_Files()) Expect_Members_Agree(path);
}

// Every shared sample checks without a failure; each finding names a rule and a line.
TEST(Scl_Rules, Shared_Samples_Check) {
  RQ_SCL_SAMPLES_OR_SKIP();
  const std::vector<std::string> files = test::Scl_Sample_Files();
  ASSERT_FALSE(files.empty());
  for (const std::string& path : files) {
    SCOPED_TRACE(path);
    for (const Finding& f : Scl_Findings(path)) {
      EXPECT_FALSE(f.rule.empty());
      EXPECT_TRUE(f.line && *f.line >= 1);
    }
  }
}

// ---- configurations ----

struct Conf_Finding {
  std::string rule;
  int line;
  std::string kind;
  int row;
  int member;
  bool operator<(const Conf_Finding& o) const {
    return std::tie(line, rule, kind, row, member) <
           std::tie(o.line, o.rule, o.kind, o.row, o.member);
  }
  bool operator==(const Conf_Finding&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Conf_Finding& f) {
  return out << f.rule << "@" << f.line << " " << f.kind << " " << f.row << "/" << f.member;
}

std::vector<Conf_Finding> Conf_Findings(const std::vector<Finding>& findings) {
  std::vector<Conf_Finding> out;
  for (const Finding& f : findings)
    out.push_back({f.rule, f.line.value_or(0), f.kind, f.row.value_or(0), f.member.value_or(0)});
  std::sort(out.begin(), out.end());
  return out;
}

// The configuration's catalog file is a later revision of the server's SCL file: an attribute
// vanished, one changed its type, the data set's members were reordered and one removed, a data
// set is gone; one listed file is missing, and some rows carry values the tables refuse.
TEST(Configuration_Rules, Revised_Scl_File_Gives_Every_Finding_At_Its_Row) {
  std::vector<Finding> found;
  check::Check_Configuration(
      Fixture("conf"), {}, [&](const Finding& f) { found.push_back(f); }, test::English());
  const std::vector<Conf_Finding> expected = {
      {"server-file-missing", 5, "server", 2, 0},   {"point-unresolved", 9, "variable", 2, 0},
      {"point-type-changed", 10, "variable", 3, 0}, {"point-server-missing", 11, "variable", 4, 0},
      {"position-invalid", 12, "variable", 5, 0},   {"position-conflict", 13, "variable", 6, 0},
      {"member-moved", 18, "member", 1, 1},         {"member-moved", 19, "member", 1, 2},
      {"position-invalid", 19, "member", 1, 2},     {"member-dropped", 20, "member", 1, 3},
      {"position-invalid", 20, "member", 1, 3},  // a member needs a position, as at OK
      {"dataset-unresolved", 23, "dataset", 2, 0},
  };
  EXPECT_EQ(Conf_Findings(found), expected);
  for (const Finding& f : found) {
    EXPECT_EQ(f.file, Fixture("conf") + "/IEC_61850_Client.xml");
    EXPECT_EQ(f.severity,
              f.rule == "member-moved" ? check::Severity::Warning : check::Severity::Error);
    if (f.rule == "member-moved" && f.member == 1) {
      EXPECT_NE(f.message.find("now member 2"), std::string::npos) << f.message;
    }
    if (f.rule == "point-type-changed") {
      EXPECT_NE(f.message.find("FLOAT32"), std::string::npos) << f.message;
    }
  }
}

// What the check says the editor drops is what the editor's loading drops.
TEST(Configuration_Rules, Dropped_Members_Agree_With_Loading) {
  UIEC_61850_Access::Access_State state;
  UIEC_61850_Access::Read_Client_File(Fixture("conf") + "/IEC_61850_Client.xml",
                                      Fixture("conf") + "/ICD_Catalog", state, test::English());
  ASSERT_EQ(state.List_DataSet.size(), 2u);
  // The two members the data set still has follow their references, in the data set's order.
  const auto& members = state.List_DataSet[0].List_DAs;
  ASSERT_EQ(members.size(), 2u);
  EXPECT_EQ(members[0].Select_DA->Reference() + " " + members[0].Position, "SLD0/LLN0.Mod.q 21");
  EXPECT_EQ(members[1].Select_DA->Reference() + " " + members[1].Position,
            "SLD0/LLN0.Mod.stVal 20");

  // The editor's state after that loading: the same rows without lines, nothing left to drop.
  std::vector<Finding> found;
  check::Check_Access_State(
      state, Fixture("conf"), {}, [&](const Finding& f) { found.push_back(f); }, test::English());
  const std::vector<Conf_Finding> expected = {
      {"point-unresolved", 0, "variable", 2, 0},     {"point-type-changed", 0, "variable", 3, 0},
      {"point-server-missing", 0, "variable", 4, 0}, {"position-invalid", 0, "variable", 5, 0},
      {"position-conflict", 0, "variable", 6, 0},    {"dataset-unresolved", 0, "dataset", 2, 0},
      {"position-invalid", 0, "member", 1, 1},  // the member that moved keeps its start bit 9
  };
  std::vector<Conf_Finding> sorted = expected;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(Conf_Findings(found), sorted);
}

// Images of two builds in bin (here: one image without its partner) are an error of the
// configuration; the Update step, which names them itself, leaves this rule out.
TEST(Configuration_Rules, Mixed_Image_Pair) {
  test::Temp_Dir dir;
  const std::string conf = dir / "conf";
  std::filesystem::copy(Fixture("conf"), conf, std::filesystem::copy_options::recursive);
  std::filesystem::create_directory(conf + "/bin");
  test::Write(conf + "/bin/bank1.bin", std::string(2048, '\0'));
  auto pair_findings = [&](bool bank_pair) {
    check::Conf_Options options;
    options.bank_pair = bank_pair;
    std::vector<Finding> found;
    check::Check_Configuration(
        conf, options,
        [&](const Finding& f) {
          if (f.rule == "bank-pair-mixed") found.push_back(f);
        },
        test::English());
    return found;
  };
  const std::vector<Finding> found = pair_findings(true);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].severity, check::Severity::Error);
  EXPECT_EQ(found[0].file, conf + "/bin");
  EXPECT_EQ(found[0].kind, "");
  EXPECT_FALSE(found[0].line || found[0].row || found[0].member);
  EXPECT_FALSE(found[0].message.empty());
  EXPECT_TRUE(pair_findings(false).empty());
}

TEST(Configuration_Rules, Per_Value_Checks_Follow_The_Tables) {
  // A configuration holding one variable row, its values varied.
  test::Temp_Dir conf;
  std::filesystem::create_directory(conf / "ICD_Catalog");
  std::filesystem::copy_file(Fixture("clean.icd"), conf / "ICD_Catalog/srv.icd");
  struct Case {
    const char* position;
    const char* start_bit;
    const char* read_write;
    const char* conversion;
    const char* factor;
    const char* rule;  // the finding, or none when the row is accepted
  };
  const Case cases[] = {
      {"0", "0", "Read", "None", "1", nullptr},
      {"1399", "7", "Write", "ItoF/FtoI", "0.5", nullptr},
      {"12", "", "Read", "", "none", nullptr},
      {"-1", "0", "Read", "None", "1", "position-invalid"},
      {"1400", "0", "Read", "None", "1", "position-invalid"},
      {"", "0", "Read", "None", "1", "position-invalid"},
      {"x", "0", "Read", "None", "1", "position-invalid"},
      {"3", "8", "Read", "None", "1", "position-invalid"},
      {"3", "0", "Read", "Other", "1", "position-invalid"},
      {"3", "0", "Read", "None", "", "position-invalid"},
      {"3", "0", "Read", "None", "abc", "position-invalid"},
      // The image build takes every R/W but "Read" as a write.
      {"3", "0", "", "None", "1", "rw-invalid"},
      {"3", "0", "read", "None", "1", "rw-invalid"},
      {"3", "0", "X", "None", "1", "rw-invalid"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.position) + "|" + c.start_bit + "|" + c.read_write + "|" +
                 c.conversion + "|" + c.factor);
    test::Write(conf / "IEC_61850_Client.xml",
                std::string("<IEC_68850_Client><List_ICD_Files><ICD_File Name=\"S\" "
                            "FileName=\"srv.icd\"/></List_ICD_Files><List_DA_Selected>") +
                    "<DA_Item Index=\"0\" bType=\"Enum\" fc=\"ST\" "
                    "Reference=\"SLD0/LLN0.Mod.stVal\" IPAddress=\"\" Port=\"\" OnChange=\"N\" "
                    "OnCMD=\"N\" OnTimer=\"Y\" Time=\"\" Mnemonic=\"\" Position=\"" +
                    c.position + "\" StartBit=\"" + c.start_bit + "\" ReadWrite=\"" + c.read_write +
                    "\" Convertion=\"" + c.conversion + "\" MoltFact=\"" + c.factor +
                    "\"/></List_DA_Selected><List_DataSet_Selected/></IEC_68850_Client>");
    std::vector<Finding> found;
    check::Check_Configuration(
        conf.path(), {}, [&](const Finding& f) { found.push_back(f); }, test::English());
    if (!c.rule) {
      EXPECT_TRUE(found.empty()) << found.front().message;
      continue;
    }
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].rule, c.rule);
    EXPECT_EQ(found[0].row, 1);
    EXPECT_EQ(found[0].line, 1);
    // Both rules stand for a value the device cannot take: the build refuses them.
    EXPECT_TRUE(check::Blocks_Build(found[0]));
    if (std::string(c.rule) == "rw-invalid") {
      EXPECT_EQ(found[0].message, std::string("row 1: R/W \"") + c.read_write +
                                      "\" is neither Read nor Write: the image would send it to "
                                      "the server as a write.");
    }
  }
}

// Only the findings of a catalog file about a data set that a row uses concern the rows; the
// others (every other data set, controls, types, addresses) are the file's own.
TEST(Configuration_Rules, Catalog_Findings_Concern_The_Rows_Of_Their_Data_Set) {
  test::Temp_Dir conf;
  std::filesystem::create_directory(conf / "ICD_Catalog");
  std::filesystem::copy_file(Fixture("ieds.scd"), conf / "ICD_Catalog/ieds.scd");
  test::Write(conf / "IEC_61850_Client.xml",
              "<IEC_68850_Client><List_ICD_Files><ICD_File Name=\"A\" FileName=\"ieds.scd\"/>"
              "</List_ICD_Files><List_DA_Selected/><List_DataSet_Selected>"
              "<DataSet_Item Index=\"0\" Reference=\"ALD0/LLN0.DS1\" GooseName=\"\" EnGoose=\"N\" "
              "IPAddress=\"\" Port=\"\" Time=\"\" Mnemonic=\"\"><DataSet_List_DAs/>"
              "</DataSet_Item></List_DataSet_Selected></IEC_68850_Client>");
  std::vector<Rule_Line> on_rows, beside;
  check::Check_Configuration(
      conf.path(), {},
      [&](const Finding& f) {
        if (f.kind.empty()) (f.concerns_rows ? on_rows : beside).push_back({f.rule, *f.line});
      },
      test::English());
  EXPECT_EQ(on_rows,
            (std::vector<Rule_Line>{
                {"fcda-unresolved", 24}, {"fcda-unresolved", 25}, {"fcda-unresolved", 26}}));
  EXPECT_EQ(Sorted(beside), Sorted({{"duplicate-ip", 9},
                                    {"control-datset-missing", 29},
                                    {"control-datset-missing", 31},
                                    {"ln-type-missing", 33},
                                    {"ln-type-missing", 34},
                                    {"fcda-unresolved", 36},
                                    {"ied-without-server", 44},
                                    {"duplicate-ied-name", 47}}));
}

}  // namespace

namespace {

// A configuration saved by the earlier look-ups of FCDAs (access fixture earlier_reading.xml over
// the SCL fixture fcda.icd): the check tells it apart from a broken one, and after the editor
// opened and saved it nothing of that is left.
TEST(Configuration_Rules, Earlier_Reading_Is_Told_Apart_And_Gone_After_A_Save) {
  test::Temp_Dir dir;
  util::Force_Dirs(dir / "ICD_Catalog");
  test::Write(dir / "ICD_Catalog/fcda.icd",
              test::Read(test::Data_Dir() + "/scl/fixtures/fcda.icd"));
  test::Write(dir / "IEC_61850_Client.xml",
              test::Read(test::Data_Dir() + "/access/fixtures/client_file/earlier_reading.xml"));
  check::Conf_Options options;
  options.scl_check = nullptr;
  auto fit_findings = [&] {
    std::vector<std::string> out;
    check::Check_Configuration(
        dir.path(), options,
        [&](const Finding& f) {
          if (f.rule != "position-invalid")
            out.push_back(f.rule + " " + std::to_string(f.row.value_or(0)) + "/" +
                          std::to_string(f.member.value_or(0)));
        },
        test::English());
    return out;
  };
  EXPECT_EQ(fit_findings(),
            (std::vector<std::string>{
                "member-corrected 1/2", "member-corrected 1/5", "member-corrected 1/6",
                "member-dropped 1/5", "member-moved 1/6", "member-moved 1/7", "member-missing 1/3",
                "member-missing 1/4", "dataset-corrected 2/0", "member-missing 2/1"}));

  UIEC_61850_Access::Access_State state;
  UIEC_61850_Access::Read_Client_File(dir / "IEC_61850_Client.xml", dir / "ICD_Catalog", state,
                                      test::English());
  UIEC_61850_Access::Save_Client_File(state, dir / "IEC_61850_Client.xml");
  EXPECT_EQ(fit_findings(), std::vector<std::string>{});
}

}  // namespace

namespace {

using namespace UIEC_61850_Access;

// A configuration saved on revision 1 of a server's SCL file (its data sets Measures, Status and
// Events) meets revision 2, which changes the bType of two members, reorders Measures, removes a
// member of Status and removes Events: opened on the new file, or replaced in the editor, it
// comes out the same, every member setting following its reference, the lost data set keeping
// its members; the check reports each change, and after one save only what the user must still
// decide (the data set that is gone).
TEST(Configuration_Rules, Opening_Replace_And_Check_Agree_On_A_Revision) {
  const std::string fixtures = test::Data_Dir() + "/access/fixtures/revision/";
  test::Temp_Dir dir;
  util::Force_Dirs(dir / "ICD_Catalog");
  test::Write(dir / "ICD_Catalog/rev.icd", test::Read(fixtures + "revision_old.icd"));

  Access_State before;
  before.List_IEC_Dev.push_back(Import_Device(dir / "ICD_Catalog/rev.icd"));
  for (const char* name : {"REV1LD0/LLN0.Measures", "REV1LD0/LLN0.Status", "REV1LD0/LLN0.Events"}) {
    before.Clear_Selection();
    before.Selected_IEC_DS = before.Get_DataSet(0, name);
    ASSERT_NE(before.Selected_IEC_DS, nullptr) << name;
    before.Add_Var(0);
    const int row = before.ACG_DataSet.Row_Count();
    before.Show_DataSet_DAs(row);
    for (size_t k = 0; k < before.List_DataSet[static_cast<size_t>(row - 1)].List_DAs.size(); ++k) {
      before.Store_Member_Text(static_cast<int>(k), Var_Col::Position,
                               std::to_string(10 * row + static_cast<int>(k)));
      before.Store_Member_Text(static_cast<int>(k), Var_Col::MultFact, "1");
    }
  }
  const std::string file = dir / "IEC_61850_Client.xml";
  Save_Client_File(before, file);

  // Replace in the editor ...
  Replace_Server_Model(before, 0, Import_Device(fixtures + "revision_new.icd"));
  // ... and opening with the new file in the catalog.
  test::Write(dir / "ICD_Catalog/rev.icd", test::Read(fixtures + "revision_new.icd"));
  Access_State opened;
  Read_Client_File(file, dir / "ICD_Catalog", opened, test::English());
  EXPECT_EQ(Client_Xml(opened), Client_Xml(before));

  auto members = [](const Access_State& state, size_t row) {
    std::vector<std::string> out;
    for (const TDataSet_DA& m : state.List_DataSet[row].List_DAs)
      out.push_back(m.Reference() + " " + m.bType() + " " + m.Position + " " + m.Former_bType());
    return out;
  };
  for (const Access_State* state : {&before, &opened}) {
    EXPECT_EQ(members(*state, 0), (std::vector<std::string>{
                                      "REV1LD0/LLN0.Mod.stVal INT8 12 Enum",
                                      "REV1LD0/MMXU1.TotW.mag.f FLOAT32 10 ",
                                      "REV1LD0/MMXU1.Hz.mag.f FLOAT64 11 FLOAT32",
                                  }));
    EXPECT_EQ(members(*state, 1), (std::vector<std::string>{
                                      "REV1LD0/GGIO1.Ind1.stVal BOOLEAN 20 ",
                                      "REV1LD0/GGIO1.Ind2.stVal BOOLEAN 21 ",
                                  }));
    EXPECT_EQ(members(*state, 2), std::vector<std::string>{"REV1LD0/GGIO1.Ind1.stVal BOOLEAN 30 "});
    EXPECT_EQ(state->List_DataSet[2].Select_DataSet, nullptr);
  }

  check::Conf_Options options;
  options.scl_check = nullptr;
  auto findings = [&](const std::function<void(const check::Sink&)>& run) {
    std::vector<std::string> out;
    run([&](const Finding& f) {
      out.push_back(f.rule + " " + std::to_string(f.row.value_or(0)) + "/" +
                    std::to_string(f.member.value_or(0)));
    });
    return out;
  };
  auto saved = [&] {
    return findings([&](const check::Sink& sink) {
      check::Check_Configuration(dir.path(), options, sink, test::English());
    });
  };
  // Numbered as stored: TotW.mag.f, Hz.mag.f, Mod.stVal; then Status's Ind2.q.
  const std::vector<std::string> changed = {"member-moved 1/1", "point-type-changed 1/2",
                                            "point-type-changed 1/3", "member-dropped 2/3",
                                            "dataset-unresolved 3/0"};
  EXPECT_EQ(saved(), changed);
  // The editor's state says the same of the members that are still there.
  EXPECT_EQ(findings([&](const check::Sink& sink) {
              check::Check_Access_State(opened, dir.path(), options, sink, test::English());
            }),
            (std::vector<std::string>{"point-type-changed 1/1", "point-type-changed 1/3",
                                      "dataset-unresolved 3/0"}));

  Save_Client_File(opened, file);
  EXPECT_EQ(saved(), std::vector<std::string>{"dataset-unresolved 3/0"});
}

}  // namespace

namespace {

// An IED whose one logical node expands a chain of DOTypes: `levels` levels of `width` sub data
// objects each.
std::string Chain_File(int levels, int width) {
  std::string text =
      "<?xml version=\"1.0\"?>\n<SCL>\n<IED name=\"S\"><AccessPoint name=\"P\"><Server>"
      "<LDevice inst=\"LD0\"><LN0 lnClass=\"LLN0\" inst=\"\" lnType=\"N\"/></LDevice>"
      "</Server></AccessPoint></IED>\n<DataTypeTemplates><LNodeType id=\"N\" lnClass=\"LLN0\">"
      "<DO name=\"d\" type=\"F0\"/></LNodeType>";
  for (int level = 0; level < levels; ++level) {
    text += "<DOType id=\"F" + std::to_string(level) + "\" cdc=\"SPS\">";
    for (int k = 0; k < width; ++k)
      text +=
          "<SDO name=\"s" + std::to_string(k) + "\" type=\"F" + std::to_string(level + 1) + "\"/>";
    text += "</DOType>";
  }
  text += "<DOType id=\"F" + std::to_string(levels) +
          "\" cdc=\"SPS\"><DA name=\"stVal\" bType=\"BOOLEAN\" fc=\"ST\"/></DOType>"
          "</DataTypeTemplates></SCL>\n";
  return text;
}

}  // namespace

// A file the import refuses is an error of the check, with the import's reason, on its own and
// as a configuration's catalog file: too deep, or fanning out beyond the model's budget.
TEST(Scl_Rules, A_File_The_Import_Refuses_Is_An_Error) {
  const struct {
    const char* what;
    std::string text;
    const char* reason;
  } cases[] = {
      {"65 SDO levels", Chain_File(65, 1), "64"},
      {"fan-out beyond the budget", Chain_File(40, 4), "the model would need more than 1024 MB"},
      {"fan-out beyond what a file of its size needs", Chain_File(10, 4),
       "more than a file of its size can need"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    test::Temp_Dir dir;
    test::Write(dir / "srv.icd", c.text);
    const std::vector<Finding> found = Scl_Findings(dir / "srv.icd");
    ASSERT_EQ(Rules_And_Lines(found), Sorted({{"scl-refused", 3}}));
    EXPECT_EQ(found[0].severity, check::Severity::Error);
    EXPECT_NE(found[0].message.find("IED \"S\" is refused by the import: "), std::string::npos);
    EXPECT_NE(found[0].message.find(c.reason), std::string::npos) << found[0].message;
    UIEC_Client_Decode::TIEC_Device device;
    EXPECT_THROW(UIEC_Client_Decode::Decode_ICD_File(device, dir / "srv.icd"),
                 UIEC_Client_Decode::SCL_Error);

    const std::string conf = dir / "conf";
    std::filesystem::copy(Fixture("conf"), conf, std::filesystem::copy_options::recursive);
    test::Write(conf + "/ICD_Catalog/srv.icd", c.text);
    size_t refused = 0;
    check::Check_Configuration(
        conf, check::Conf_Options(),
        [&](const Finding& f) {
          if (f.rule == "scl-refused" && f.file == "srv.icd") ++refused;
        },
        test::English());
    EXPECT_EQ(refused, 1u);
  }
}

// Lines are those of the file in its own encoding and with its own line ends.
TEST(Scl_Rules, Lines_Are_Counted_In_The_Files_Own_Encoding) {
  const std::string utf8 = test::Read(Fixture("ieds.scd"));
  const std::vector<Rule_Line> expected = Rules_And_Lines(Scl_Findings(Fixture("ieds.scd")));
  ASSERT_FALSE(expected.empty());
  auto utf16 = [&](bool little, bool bom) {
    std::string out = bom ? (little ? "\xFF\xFE" : "\xFE\xFF") : "";
    for (char16_t unit : util::Utf8_To_Utf16(utf8)) {
      const char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
      out += little ? std::string{low, high} : std::string{high, low};
    }
    return out;
  };
  auto line_ends = [&](const std::string& end) {
    std::string out;
    for (char c : utf8)
      if (c == '\n')
        out += end;
      else if (c != '\r')
        out += c;
    return out;
  };
  const std::pair<const char*, std::string> cases[] = {
      {"UTF-16 LE", utf16(true, true)},
      {"UTF-16 BE", utf16(false, true)},
      {"UTF-16 LE without BOM", utf16(true, false)},
      {"CR", line_ends("\r")},
      {"CR LF", line_ends("\r\n")},
  };
  for (const auto& [what, text] : cases) {
    SCOPED_TRACE(what);
    std::vector<Finding> found;
    check::Check_Scl_Text(
        text, "ieds.scd", [&](const Finding& f) { found.push_back(f); }, test::English());
    EXPECT_EQ(Rules_And_Lines(found), expected);
  }
}

// Texts of the client file that XML cannot hold, raw or as character references, are errors
// at their element's line; the image build refuses them.
TEST(Configuration_Rules, Control_Characters_In_Client_Texts) {
  test::Temp_Dir dir;
  const std::string conf = dir / "conf";
  std::filesystem::copy(Fixture("conf"), conf, std::filesystem::copy_options::recursive);
  std::string client = test::Read(conf + "/IEC_61850_Client.xml");
  for (const auto& [from, to] :
       {std::pair<std::string, std::string>{"Mnemonic=\"mode\"", "Mnemonic=\"a&#1;b\""},
        {"Mnemonic=\"time\"", "Mnemonic=\"\x1b[2J\""},
        {"Mnemonic=\"power\"", "Mnemonic=\"&#xFFFE;\""}}) {
    const size_t at = client.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    client.replace(at, from.size(), to);
  }
  test::Write(conf + "/IEC_61850_Client.xml", client);
  std::vector<Finding> found;
  check::Check_Configuration(
      conf, check::Conf_Options(),
      [&](const Finding& f) {
        if (f.rule == "text-invalid") found.push_back(f);
      },
      test::English());
  EXPECT_EQ(Rules_And_Lines(found),
            Sorted({{"text-invalid", 8}, {"text-invalid", 9}, {"text-invalid", 10}}));
  for (const Finding& f : found) {
    EXPECT_EQ(f.severity, check::Severity::Error);
    EXPECT_EQ(f.object, "DA_Item Mnemonic");
  }
}

namespace {

// A client file of one item of each kind, an item a line (line 3 a server, 6 a variable, 9 a
// data set, 11 its member).
const std::string Shapely_Client =
    "<IEC_68850_Client>\n"
    "<List_ICD_Files>\n"
    "<ICD_File Name=\"IED1\" FileName=\"a.icd\"/>\n"
    "</List_ICD_Files>\n"
    "<List_DA_Selected>\n"
    "<DA_Item Index=\"0\" bType=\"BOOLEAN\" fc=\"ST\" Reference=\"IED1LD0/GGIO1.Ind1.stVal\" "
    "IPAddress=\"\" Port=\"\" OnChange=\"N\" OnCMD=\"N\" OnTimer=\"Y\" Time=\"\" Position=\"5\" "
    "StartBit=\"0\" ReadWrite=\"Read\" Convertion=\"None\" MoltFact=\"1\" Mnemonic=\"\"/>\n"
    "</List_DA_Selected>\n"
    "<List_DataSet_Selected>\n"
    "<DataSet_Item Index=\"0\" Reference=\"IED1LD0/LLN0.DS1\" GooseName=\"\" EnGoose=\"N\" "
    "IPAddress=\"\" Port=\"\" Time=\"\" Mnemonic=\"\">\n"
    "<DataSet_List_DAs>\n"
    "<DataSet_DA_Item bType=\"INT32\" Reference=\"IED1LD0/GGIO1.Ind2.stVal\" Position=\"6\" "
    "StartBit=\"0\" Convertion=\"None\" MoltFact=\"1\" Mnemonic=\"\"/>\n"
    "</DataSet_List_DAs>\n"
    "</DataSet_Item>\n"
    "</List_DataSet_Selected>\n"
    "</IEC_68850_Client>\n";

std::string Changed(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

}  // namespace

// Each shape the client file's one reader refuses is one error, naming the element and its line
// in the same words whoever reads: the editor, the image build, the data map and the check (a
// file that is not well-formed and a text XML cannot hold are the check's findings, with the
// same line and reason).
TEST(Client_File_Shapes, Each_Is_One_Error_That_Every_Reader_Words_Alike) {
  using UIEC_61850_Access::Client_File_Error;
  using UIEC_61850_Access::Client_Reading;
  using Kind = Client_File_Error::Kind;
  struct Case {
    std::string xml;
    Kind kind;
    std::optional<int> line;
    std::string reason;
    std::vector<Client_Reading> refused_by;  // the others read the file
  };
  const std::vector<Client_Reading> all = {Client_Reading::Editor, Client_Reading::Image,
                                           Client_Reading::Map};
  const Case cases[] = {
      {Changed(Shapely_Client, "</DataSet_List_DAs>", "</DataSet_List>"), Kind::Not_Well_Formed, 12,
       "The file is not well-formed XML: Start-end tags mismatch.", all},
      {Changed(Shapely_Client, "IEC_68850_Client", "IEC_61850_Client"), Kind::Missing, std::nullopt,
       "The file has no element \"IEC_68850_Client\".", all},
      {Changed(Shapely_Client, "List_ICD_Files", "List_Files"),
       Kind::Missing,
       1,
       "\"IEC_68850_Client\" has no element \"List_ICD_Files\".",
       {Client_Reading::Editor}},
      {Changed(Shapely_Client, "List_DA_Selected", "List_DA"), Kind::Missing, 1,
       "\"IEC_68850_Client\" has no element \"List_DA_Selected\".", all},
      {Changed(Shapely_Client, " FileName=\"a.icd\"", ""),
       Kind::Missing,
       3,
       "\"ICD_File\" has no attribute \"FileName\".",
       {Client_Reading::Editor}},
      {Changed(Shapely_Client, "OnCMD=\"N\" ", ""),
       Kind::Missing,
       6,
       "\"DA_Item\" has no attribute \"OnCMD\".",
       {Client_Reading::Editor}},
      {Changed(Shapely_Client, "Position=\"5\" ", ""),
       Kind::Missing,
       6,
       "\"DA_Item\" has no attribute \"Position\".",
       {Client_Reading::Editor, Client_Reading::Image}},
      {Changed(Shapely_Client, "Port=\"\" Time=\"\" Mnemonic=\"\">", "Port=\"\" Mnemonic=\"\">"),
       Kind::Missing,
       9,
       "\"DataSet_Item\" has no attribute \"Time\".",
       {Client_Reading::Editor, Client_Reading::Image}},
      {Changed(Shapely_Client, "DataSet_List_DAs", "Members"),
       Kind::Missing,
       9,
       "\"DataSet_Item\" has no element \"DataSet_List_DAs\".",
       {Client_Reading::Editor, Client_Reading::Image}},
      {Changed(Shapely_Client, "MoltFact=\"1\" Mnemonic=\"\"/>\n</DataSet_List_DAs>",
               "Mnemonic=\"\"/>\n</DataSet_List_DAs>"),
       Kind::Missing,
       11,
       "\"DataSet_DA_Item\" has no attribute \"MoltFact\".",
       {Client_Reading::Image}},
      {Changed(Shapely_Client, "Position=\"5\"", "Position=\"5&#1;\""),
       Kind::Text_Invalid,
       6,
       "DA_Item Position holds a control character or another character that XML cannot hold; "
       "the image build refuses it.",
       {Client_Reading::Image}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reason);
    test::Temp_Dir conf;
    const std::string file = conf / "IEC_61850_Client.xml";
    test::Write(file, c.xml);
    const std::string expected =
        file + (c.line ? ", line " + std::to_string(*c.line) : std::string()) + ": " + c.reason;
    for (Client_Reading reading : all) {
      const bool refused =
          std::find(c.refused_by.begin(), c.refused_by.end(), reading) != c.refused_by.end();
      try {
        UIEC_61850_Access::Read_Client_Data(c.xml, file, reading, test::English());
        EXPECT_FALSE(refused) << "read by " << static_cast<int>(reading);
      } catch (const Client_File_Error& error) {
        EXPECT_TRUE(refused) << "refused by " << static_cast<int>(reading);
        EXPECT_EQ(error.What_Kind(), c.kind);
        EXPECT_EQ(error.Line(), c.line);
        EXPECT_EQ(error.what(), expected);
      }
    }
    // The editor's opening, the image build and the data map from the file say the same.
    auto message_of = [](const std::function<void()>& read) {
      try {
        read();
      } catch (const std::exception& error) {
        return std::string(error.what());
      }
      return std::string("read");
    };
    const bool editor = c.refused_by.front() == Client_Reading::Editor;
    UIEC_61850_Access::Access_State state;
    EXPECT_EQ(message_of([&] {
                UIEC_61850_Access::Read_Client_File(file, conf / "ICD_Catalog", state,
                                                    test::English());
              }),
              editor ? expected : "read");
    USaveBincc::TIEC61850_Client tables;
    EXPECT_EQ(message_of([&] {
                USaveBincc::Load_Client_Tables(tables, file, USaveBincc::Client_Tables_Base,
                                               test::English());
              }),
              std::count(c.refused_by.begin(), c.refused_by.end(), Client_Reading::Image) ? expected
                                                                                          : "read");

    // The check reads the file as the editor does: it refuses the same, in the same words; a
    // file that is not well-formed, or a text XML cannot hold, is one finding at that line.
    check::Conf_Options options;
    options.scl_check = nullptr;
    options.bank_pair = false;
    std::vector<Finding> found;
    const std::string refusal = message_of([&] {
      check::Check_Configuration(
          conf.path(), options,
          [&](const Finding& f) {
            if (f.rule == "xml-error" || f.rule == "text-invalid") found.push_back(f);
          },
          test::English());
    });
    if (c.kind == Kind::Missing) {
      EXPECT_EQ(refusal, editor ? expected : "read");
      EXPECT_TRUE(found.empty());
    } else {
      EXPECT_EQ(refusal, "read");
      ASSERT_EQ(found.size(), 1u);
      EXPECT_EQ(found[0].rule, c.kind == Kind::Not_Well_Formed ? "xml-error" : "text-invalid");
      EXPECT_EQ(found[0].file, file);
      EXPECT_EQ(found[0].line, c.line);
      EXPECT_EQ(found[0].message, c.reason);
    }
  }
}
