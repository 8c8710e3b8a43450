#include "scl/scl_diff.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace UIEC_Client_Decode;

// IED "I", LD0/LLN0.A with x (INT32 ST), y (BOOLEAN ST), z (Quality, fc `z_fc`) and s: a
// structure with f (FLOAT32 MX), or with `s_leaf` a leaf INT32 MX; data set DS of `members`.
std::unique_ptr<TIEC_Device> Model(const std::vector<std::string>& members,
                                   const std::string& z_fc = "ST", bool s_leaf = false) {
  auto device = std::make_unique<TIEC_Device>();
  device->Set_Name("I");
  TIEC_LN& ln = device->Add_LN(device->Add_LDevice("LD0"), "LLN0");
  TIEC_DO& a = device->Add_DO(ln, "A");
  std::map<std::string, TIEC_DA*> by_name{{"x", &device->Add_DA(a, "x", "INT32", "ST")},
                                          {"y", &device->Add_DA(a, "y", "BOOLEAN", "ST")},
                                          {"z", &device->Add_DA(a, "z", "Quality", z_fc)}};
  TIEC_DA& s = device->Add_DA(a, "s", s_leaf ? "INT32" : "Struct", "MX");
  if (!s_leaf) device->Add_DA(s, "f", "FLOAT32", "MX");
  TIEC_DataSet& ds = device->Add_DataSet(ln, "DS");
  for (const std::string& m : members) device->Add_Member(ds, *by_name.at(m));
  return device;
}

TEST(Scl_Diff, Leaf_Attributes_Added_Removed_And_Changed) {
  EXPECT_TRUE(Diff_Models(*Model({"x"}), *Model({"x"})).Empty());
  const Scl_Diff diff = Diff_Models(*Model({}), *Model({}, "MX", true));
  EXPECT_EQ(diff.removed, (std::vector<Diff_Attribute>{{"ILD0/LLN0.A.s.f", "FLOAT32", "MX"}}));
  EXPECT_EQ(diff.added, (std::vector<Diff_Attribute>{{"ILD0/LLN0.A.s", "INT32", "MX"}}));
  EXPECT_EQ(diff.changed, (std::vector<Diff_Change>{{"ILD0/LLN0.A.z",
                                                     {"ILD0/LLN0.A.z", "Quality", "ST"},
                                                     {"ILD0/LLN0.A.z", "Quality", "MX"}}}));
  EXPECT_TRUE(diff.data_sets_added.empty() && diff.data_sets_removed.empty() &&
              diff.reordered.empty() && diff.members_added.empty());
}

// A reference met twice in a model counts once, with its first attribute; what is added and
// removed keeps each model's order, however the references sort.
TEST(Scl_Diff, Repeated_References_And_Model_Order) {
  using Leaves = std::vector<std::pair<std::string, std::string>>;  // name and bType
  const auto flat = [](const Leaves& leaves) {
    auto device = std::make_unique<TIEC_Device>();
    device->Set_Name("I");
    TIEC_DO& a = device->Add_DO(device->Add_LN(device->Add_LDevice("LD0"), "LLN0"), "A");
    for (const auto& [name, type] : leaves) device->Add_DA(a, name, type, "ST");
    return device;
  };
  const auto twice = flat({{"x", "BOOLEAN"}, {"k", "INT32"}, {"x", "FLOAT32"}});
  EXPECT_TRUE(Diff_Models(*twice, *flat({{"k", "INT32"}, {"x", "BOOLEAN"}})).Empty());
  const Scl_Diff changed = Diff_Models(*flat({{"x", "FLOAT32"}}), *twice);
  ASSERT_EQ(changed.changed.size(), 1u);
  EXPECT_EQ(changed.changed[0].to.bType, "BOOLEAN");
  EXPECT_EQ(changed.added, (std::vector<Diff_Attribute>{{"ILD0/LLN0.A.k", "INT32", "ST"}}));

  Leaves many;
  for (int i = 0; i < 200; ++i) many.push_back({"d" + std::to_string(i), "INT32"});
  const Leaves reversed(many.rbegin(), many.rend());
  const Scl_Diff removed = Diff_Models(*flat(many), *flat({}));
  ASSERT_EQ(removed.removed.size(), many.size());
  for (size_t i = 0; i < many.size(); ++i)
    EXPECT_EQ(removed.removed[i].reference, "ILD0/LLN0.A." + many[i].first);
  const Scl_Diff added = Diff_Models(*flat({}), *flat(reversed));
  ASSERT_EQ(added.added.size(), reversed.size());
  for (size_t i = 0; i < reversed.size(); ++i)
    EXPECT_EQ(added.added[i].reference, "ILD0/LLN0.A." + reversed[i].first);
}

// Members added and removed count repeats; "reordered" is about the order of the members both
// revisions have, so a member taken out of the middle is no reordering.
TEST(Scl_Diff, Data_Set_Members) {
  struct Case {
    std::vector<std::string> from, to;
    std::vector<std::string> added, removed;  // member names
    bool reordered;
  };
  const std::vector<Case> cases = {
      {{"x", "y", "z"}, {"x", "z"}, {}, {"y"}, false},
      {{"x", "y"}, {"y", "x"}, {}, {}, true},
      {{"x", "y", "x"}, {"x", "y"}, {}, {"x"}, false},
      {{"x", "y"}, {"x", "y", "z"}, {"z"}, {}, false},
      {{"y", "x", "x"}, {"x", "y", "x"}, {}, {}, true},
      {{"z", "x"}, {"y", "x", "z"}, {"y"}, {}, true},
  };
  for (const Case& c : cases) {
    const Scl_Diff diff = Diff_Models(*Model(c.from), *Model(c.to));
    std::vector<std::string> added, removed;
    for (const Diff_Member& m : diff.members_added) added.push_back(m.reference.substr(12));
    for (const Diff_Member& m : diff.members_removed) removed.push_back(m.reference.substr(12));
    const std::string trace = ::testing::PrintToString(c.from) + ::testing::PrintToString(c.to);
    EXPECT_EQ(added, c.added) << trace;
    EXPECT_EQ(removed, c.removed) << trace;
    EXPECT_EQ(diff.reordered.size(), c.reordered ? 1u : 0u) << trace;
    for (const Diff_Member& m : diff.members_added) EXPECT_EQ(m.data_set, "ILD0/LLN0.DS");
  }
}

}  // namespace
