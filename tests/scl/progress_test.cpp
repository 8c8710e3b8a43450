// The long operations of the SCL library and the check follow a util::Progress and stop on its
// cancel flag with util::Cancelled, keeping nothing of what they had begun.
#include "util/progress.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "check/check.h"
#include "scl/ied_catalog.h"
#include "scl/scl_import.h"
#include "scl/scl_strings.h"
#include "scl/tree_filter.h"
#include "support/test_support.h"
#include "util/files.h"

namespace {

using namespace UIEC_Client_Decode;

std::string Scl_Fixture(const std::string& name) {
  return test::Data_Dir() + "/scl/fixtures/" + name;
}

TEST(Progress, Import_Counts_Every_Object_It_Builds) {
  util::Progress progress;
  TIEC_Device device;
  Decode_ICD_File(device, Scl_Fixture("model.icd"), Max_Model_Bytes, &progress);
  EXPECT_EQ(progress.What(), scl_strings::Text_Building_Model);
  EXPECT_GT(progress.Total(), 0u);
  EXPECT_EQ(progress.Done(), progress.Total());
  // The index of the tree counts its nodes.
  util::Progress indexing;
  const UIEC_61850_Access::Tree_Index index(device, &indexing);
  EXPECT_EQ(indexing.What(), scl_strings::Text_Indexing_Tree);
  EXPECT_EQ(indexing.Done(), index.Entries().size());
}

TEST(Progress, Cancelled_Operations_Throw_And_Keep_Nothing) {
  test::Temp_Dir dir;
  const std::string multi = Scl_Fixture("multi.scd");
  const std::string out = dir / "out.scd";
  TIEC_Device device;
  const struct {
    const char* name;
    std::function<void(util::Progress&)> run;
  } cases[] = {
      {"import", [&](util::Progress& p) { Decode_ICD_File(device, multi, Max_Model_Bytes, &p); }},
      {"list", [&](util::Progress& p) { List_IEDs(multi, &p); }},
      {"extract",
       [&](util::Progress& p) {
         Write_Extracted_IED(multi, List_IEDs(multi).front().name, out, test::English(), &p);
       }},
      {"check",
       [&](util::Progress& p) {
         check::Check_Scl_File(
             multi, multi, [](const check::Finding&) {}, test::English(), nullptr, &p);
       }},
      {"check configuration",
       [&](util::Progress& p) {
         check::Conf_Options options;
         options.progress = &p;
         check::Check_Configuration(
             test::Data_Dir() + "/check/fixtures/conf", options, [](const check::Finding&) {},
             test::English());
       }},
  };
  for (const auto& c : cases) {
    util::Progress progress;
    progress.Cancel();
    EXPECT_THROW(c.run(progress), util::Cancelled) << c.name;
    EXPECT_TRUE(device.List_LDevice.empty()) << c.name;
    EXPECT_FALSE(util::File_Exists(out)) << c.name;
  }
  // A tree index asked to stop throws as well.
  TIEC_Device model;
  Decode_ICD_File(model, Scl_Fixture("model.icd"));
  util::Progress stopped;
  stopped.Cancel();
  EXPECT_THROW(UIEC_61850_Access::Tree_Index(model, &stopped), util::Cancelled);
}

}  // namespace
