// The model's look-ups and ownership, on models built by hand.
#include "iec/scl_model.h"

#include <gtest/gtest.h>

#include <string>

namespace UIEC_Client_Decode {
namespace {

TIEC_DA* Add_DA(std::vector<std::unique_ptr<TIEC_DA>>& list, const std::string& name) {
  list.push_back(std::make_unique<TIEC_DA>());
  list.back()->fName = name;
  return list.back().get();
}

TIEC_DO* Add_DO(std::vector<std::unique_ptr<TIEC_DO>>& list, const std::string& name) {
  list.push_back(std::make_unique<TIEC_DO>());
  list.back()->fName = name;
  return list.back().get();
}

TIEC_LN* Add_LN(TIEC_LDevice& ld, const std::string& ln_class, const std::string& inst) {
  ld.List_LN.push_back(std::make_unique<TIEC_LN>());
  ld.List_LN.back()->flnClass = ln_class;
  ld.List_LN.back()->fInst = inst;
  return ld.List_LN.back().get();
}

TEST(SclModel, FindLnAndLDeviceTakeTheFirstExactMatch) {
  TIEC_Device device;
  for (const char* name : {"LD0", "ld1", "LD1", "LD1"}) {
    device.List_LDevice.push_back(std::make_unique<TIEC_LDevice>());
    device.List_LDevice.back()->fName = name;
  }
  TIEC_LDevice& ld = *device.List_LDevice[0];
  TIEC_LN* mmxu1 = Add_LN(ld, "MMXU", "1");
  Add_LN(ld, "MMXU", "2");
  Add_LN(ld, "mmxu", "3");

  EXPECT_EQ(device.Find_LDevice("LD1"), device.List_LDevice[2].get());
  EXPECT_EQ(device.Find_LDevice("LD"), nullptr);
  EXPECT_EQ(device.Find_LDevice(""), nullptr);
  // The instance the caller has in mind plays no part.
  EXPECT_EQ(ld.Find_LN("MMXU"), mmxu1);
  EXPECT_EQ(ld.Find_LN("MMXU2"), nullptr);
  EXPECT_EQ(ld.Find_LN("Mmxu"), nullptr);
}

TEST(SclModel, FindDoSearchesDepthFirstAndComparesWholeNames) {
  TIEC_LN ln;
  TIEC_DO* a = Add_DO(ln.List_DO, "A");
  TIEC_DO* phs_a = Add_DO(a->List_DO, "phsA");
  TIEC_DO* deep = Add_DO(phs_a->List_DO, "X");
  TIEC_DO* later = Add_DO(ln.List_DO, "X");
  Add_DA(phs_a->List_DA, "cVal");

  // A match inside the first entry's subtree beats a direct match in a later entry.
  EXPECT_EQ(ln.Find_DO("X"), deep);
  EXPECT_EQ(ln.Find_DO("phsA"), phs_a);
  EXPECT_EQ(ln.Find_DO("A.phsA"), nullptr);
  EXPECT_EQ(ln.Find_DO("phsa"), nullptr);
  EXPECT_EQ(a->Find_DO("phsA"), phs_a);
  EXPECT_EQ(a->Find_DO("A"), nullptr);  // only below the object itself
  EXPECT_EQ(later->Find_DO("X"), nullptr);
  // The attributes of a sub data object are not the outer object's.
  EXPECT_EQ(a->Find_DA("cVal"), nullptr);
  EXPECT_EQ(phs_a->Find_DA("cVal"), phs_a->List_DA[0].get());
}

TEST(SclModel, FindDaSearchesDepthFirstAndComparesWholeNames) {
  TIEC_DO dobj;
  TIEC_DA* mag = Add_DA(dobj.List_DA, "mag");
  TIEC_DA* f = Add_DA(mag->List_DA, "f");
  Add_DA(mag->List_DA, "i");
  Add_DA(dobj.List_DA, "f");
  TIEC_DA* st_val = Add_DA(dobj.List_DA, "stVal");

  EXPECT_EQ(dobj.Find_DA("f"), f);
  EXPECT_EQ(dobj.Find_DA("mag"), mag);
  EXPECT_EQ(dobj.Find_DA("mag.f"), nullptr);
  EXPECT_EQ(dobj.Find_DA("StVal"), nullptr);
  EXPECT_EQ(dobj.Find_DA("stVal"), st_val);
  EXPECT_EQ(mag->Find_DA("f"), f);
  EXPECT_EQ(mag->Find_DA("mag"), nullptr);
  EXPECT_EQ(st_val->Find_DA("stVal"), nullptr);
}

TEST(SclModel, FindFirstDaDescendsThroughFirstEntriesToALeaf) {
  TIEC_DO empty;
  EXPECT_EQ(empty.Find_First_DA(), nullptr);

  TIEC_DO dobj;
  TIEC_DA* mag = Add_DA(dobj.List_DA, "mag");
  TIEC_DA* f = Add_DA(mag->List_DA, "f");
  Add_DA(mag->List_DA, "i");
  TIEC_DA* q = Add_DA(dobj.List_DA, "q");
  EXPECT_EQ(dobj.Find_First_DA(), f);
  EXPECT_EQ(mag->Find_First_DA(), f);
  EXPECT_EQ(q->Find_First_DA(), nullptr);

  // Sub data objects do not count: only the object's own attributes.
  TIEC_DO outer;
  Add_DA(Add_DO(outer.List_DO, "phsA")->List_DA, "cVal");
  EXPECT_EQ(outer.Find_First_DA(), nullptr);
}

// Counts its destructions, to show each member attribute dies exactly once, with its owner.
struct Counted_DA : TIEC_DA {
  explicit Counted_DA(int& deaths) : deaths_(deaths) {}
  ~Counted_DA() override { ++deaths_; }
  int& deaths_;
};

TEST(SclModel, DestroyingADeviceDestroysEachAttributeOnceAndNotTheSetsMembersAgain) {
  int deaths = 0;
  {
    TIEC_Device device;
    device.List_LDevice.push_back(std::make_unique<TIEC_LDevice>());
    TIEC_LN* ln = Add_LN(*device.List_LDevice[0], "LLN0", "");
    TIEC_DO* dobj = Add_DO(ln->List_DO, "TotW");
    dobj->List_DA.push_back(std::make_unique<Counted_DA>(deaths));
    TIEC_DA* mag = dobj->List_DA.back().get();
    mag->List_DA.push_back(std::make_unique<Counted_DA>(deaths));
    TIEC_DA* f = mag->List_DA.back().get();
    ln->List_DataSet.push_back(std::make_unique<TIEC_DataSet>());
    ln->List_DataSet[0]->List_DA = {f, mag, f};
  }
  EXPECT_EQ(deaths, 2);
}

TEST(SclModel, VeryDeepModelsAreSearchedAndDestroyedWithoutExhaustingTheStack) {
  constexpr int Depth = 1'000'000;
  auto dobj = std::make_unique<TIEC_DO>();
  TIEC_DA* da = Add_DA(dobj->List_DA, "a");
  TIEC_DO* sub = dobj.get();
  for (int i = 0; i < Depth; ++i) {
    da = Add_DA(da->List_DA, "a");
    sub = Add_DO(sub->List_DO, "s");
  }
  da->fName = "leaf";
  EXPECT_EQ(dobj->Find_DA("leaf"), da);
  EXPECT_EQ(dobj->Find_DA("none"), nullptr);
  EXPECT_EQ(dobj->Find_First_DA(), da);
  EXPECT_EQ(dobj->Find_DO("none"), nullptr);
  dobj.reset();
}

}  // namespace
}  // namespace UIEC_Client_Decode
