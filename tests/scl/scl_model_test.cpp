// The model's look-ups, references and ownership, on models built by hand.
#include "scl/scl_model.h"

#include <gtest/gtest.h>

#include <string>

#include "scl/model_walk.h"

namespace UIEC_Client_Decode {
namespace {

TEST(Scl_Model, Find_LN_And_LDevice_Take_The_First_Exact_Match) {
  TIEC_Device device;
  for (const char* name : {"LD0", "ld1", "LD1", "LD1"}) device.Add_LDevice(name);
  TIEC_LDevice& ld = *device.List_LDevice[0];
  TIEC_LN* mmxu1 = &device.Add_LN(ld, "MMXU", "1");
  device.Add_LN(ld, "MMXU", "2");
  device.Add_LN(ld, "mmxu", "3");

  EXPECT_EQ(device.Find_LDevice("LD1"), device.List_LDevice[2]);
  EXPECT_EQ(device.Find_LDevice("LD"), nullptr);
  EXPECT_EQ(device.Find_LDevice(""), nullptr);
  // The instance the caller has in mind plays no part.
  EXPECT_EQ(ld.Find_LN("MMXU"), mmxu1);
  EXPECT_EQ(ld.Find_LN("MMXU2"), nullptr);
  EXPECT_EQ(ld.Find_LN("Mmxu"), nullptr);
}

// A device with one logical node, for the tests of data objects and attributes.
struct One_Node {
  TIEC_Device device;
  TIEC_LN& ln = device.Add_LN(device.Add_LDevice("LD0"), "MMXU", "1", "Q");
};

TEST(Scl_Model, Find_DO_Searches_Depth_First_And_Compares_Whole_Names) {
  One_Node model;
  TIEC_Device& device = model.device;
  TIEC_DO* a = &device.Add_DO(model.ln, "A");
  TIEC_DO* phs_a = &device.Add_DO(*a, "phsA");
  TIEC_DO* deep = &device.Add_DO(*phs_a, "X");
  TIEC_DO* later = &device.Add_DO(model.ln, "X");
  TIEC_DA* c_val = &device.Add_DA(*phs_a, "cVal");

  // A match inside the first entry's subtree beats a direct match in a later entry.
  EXPECT_EQ(model.ln.Find_DO("X"), deep);
  EXPECT_EQ(model.ln.Find_DO("phsA"), phs_a);
  EXPECT_EQ(model.ln.Find_DO("A.phsA"), nullptr);
  EXPECT_EQ(model.ln.Find_DO("phsa"), nullptr);
  EXPECT_EQ(a->Find_DO("phsA"), phs_a);
  EXPECT_EQ(a->Find_DO("A"), nullptr);  // only below the object itself
  EXPECT_EQ(later->Find_DO("X"), nullptr);
  // The attributes of a sub data object are not the outer object's.
  EXPECT_EQ(a->Find_DA("cVal"), nullptr);
  EXPECT_EQ(phs_a->Find_DA("cVal"), c_val);
}

TEST(Scl_Model, Find_DA_Searches_Depth_First_And_Compares_Whole_Names) {
  One_Node model;
  TIEC_Device& device = model.device;
  TIEC_DO& dobj = device.Add_DO(model.ln, "TotW");
  TIEC_DA* mag = &device.Add_DA(dobj, "mag");
  TIEC_DA* f = &device.Add_DA(*mag, "f");
  device.Add_DA(*mag, "i");
  device.Add_DA(dobj, "f");
  TIEC_DA* st_val = &device.Add_DA(dobj, "stVal");

  EXPECT_EQ(dobj.Find_DA("f"), f);
  EXPECT_EQ(dobj.Find_DA("mag"), mag);
  EXPECT_EQ(dobj.Find_DA("mag.f"), nullptr);
  EXPECT_EQ(dobj.Find_DA("StVal"), nullptr);
  EXPECT_EQ(dobj.Find_DA("stVal"), st_val);
  EXPECT_EQ(mag->Find_DA("f"), f);
  EXPECT_EQ(mag->Find_DA("mag"), nullptr);
  EXPECT_EQ(st_val->Find_DA("stVal"), nullptr);
}

TEST(Scl_Model, Find_First_DA_Descends_Through_First_Entries_To_A_Leaf) {
  One_Node model;
  TIEC_Device& device = model.device;
  EXPECT_EQ(device.Add_DO(model.ln, "empty").Find_First_DA(), nullptr);

  TIEC_DO& dobj = device.Add_DO(model.ln, "TotW");
  TIEC_DA* mag = &device.Add_DA(dobj, "mag");
  TIEC_DA* f = &device.Add_DA(*mag, "f");
  device.Add_DA(*mag, "i");
  TIEC_DA* q = &device.Add_DA(dobj, "q");
  EXPECT_EQ(dobj.Find_First_DA(), f);
  EXPECT_EQ(mag->Find_First_DA(), f);
  EXPECT_EQ(q->Find_First_DA(), nullptr);

  // Sub data objects do not count: only the object's own attributes.
  TIEC_DO& outer = device.Add_DO(model.ln, "outer");
  device.Add_DA(device.Add_DO(outer, "phsA"), "cVal");
  EXPECT_EQ(outer.Find_First_DA(), nullptr);
}

TEST(Scl_Model, References_Are_Built_From_The_Names_On_The_Path) {
  One_Node model;
  TIEC_Device& device = model.device;
  device.Set_Name("IED1");
  TIEC_DO& phv = device.Add_DO(model.ln, "PhV");
  TIEC_DO& phs_a = device.Add_DO(phv, "phsA");
  TIEC_DA& c_val = device.Add_DA(phs_a, "cVal", "Struct", "MX");
  TIEC_DA& f = device.Add_DA(c_val, "f", "FLOAT32", "MX");
  TIEC_DataSet& data_set = device.Add_DataSet(model.ln, "Measures");
  device.Add_Member(data_set, f);
  device.Add_Member(data_set, c_val);
  device.Add_Member(data_set, f);

  EXPECT_EQ(f.Reference(), "IED1LD0/QMMXU1.PhV.phsA.cVal.f");
  EXPECT_EQ(c_val.Reference(), "IED1LD0/QMMXU1.PhV.phsA.cVal");
  EXPECT_EQ(phs_a.Reference(), "IED1LD0/QMMXU1.PhV.phsA");
  // A data set of a node other than LLN0 names the node whole; earlier versions named its class.
  EXPECT_EQ(data_set.Reference(), "IED1LD0/QMMXU1.Measures");
  EXPECT_EQ(data_set.Earlier_Reference(), "IED1LD0/MMXU.Measures");
  EXPECT_EQ(f.Owner_DO(), &phs_a);
  EXPECT_EQ(phs_a.Owner_LN(), &model.ln);
  ASSERT_EQ(data_set.List_DA.size(), 3u);
  EXPECT_EQ(data_set.List_DA[2], &f);
  // Texts are kept once per device.
  EXPECT_EQ(&c_val.FC(), &f.FC());
}

// Writes what the walk does: "+name/index" on entering, "-name" on leaving.
struct Walk_Record : Model_Visitor {
  std::string log;
  std::string skip;  // the walk does not go below the object of this name
  template <typename T>
  bool Enter(const T& object, size_t index) {
    log += "+" + Name_Of(object) + "/" + std::to_string(index) + " ";
    return Name_Of(object) != skip;
  }
  template <typename T>
  void Leave(const T& object) {
    log += "-" + Name_Of(object) + " ";
  }
  static std::string Name_Of(const TIEC_LN& ln) { return ln.lnClass(); }
  template <typename T>
  static std::string Name_Of(const T& object) {
    return object.Name();
  }
};

TEST(Scl_Model, The_Walk_Visits_In_Document_Order_And_Skips_What_The_Visitor_Declines) {
  One_Node model;
  TIEC_Device& device = model.device;
  device.Set_Name("IED");
  TIEC_DO& a = device.Add_DO(model.ln, "A");
  TIEC_DA& x = device.Add_DA(a, "x");
  device.Add_DA(x, "x1");
  device.Add_DO(a, "sub");
  device.Add_DA(a, "y");
  device.Add_DO(model.ln, "B");
  device.Add_DataSet(model.ln, "DS");
  TIEC_LDevice& empty = device.Add_LDevice("LD1");
  device.Add_LN(empty, "LLN0");

  const struct {
    std::string skip;
    std::string log;
  } cases[] = {
      {"",
       "+IED/0 +LD0/0 +MMXU/0 +A/0 +sub/0 -sub +x/0 +x1/0 -x1 -x +y/1 -y -A +B/1 -B +DS/0 -DS "
       "-MMXU -LD0 +LD1/1 +LLN0/0 -LLN0 -LD1 -IED "},
      {"A",
       "+IED/0 +LD0/0 +MMXU/0 +A/0 +B/1 -B +DS/0 -DS -MMXU -LD0 +LD1/1 +LLN0/0 -LLN0 -LD1 "
       "-IED "},
      {"x",
       "+IED/0 +LD0/0 +MMXU/0 +A/0 +sub/0 -sub +x/0 +y/1 -y -A +B/1 -B +DS/0 -DS -MMXU -LD0 "
       "+LD1/1 +LLN0/0 -LLN0 -LD1 -IED "},
      {"LD0", "+IED/0 +LD0/0 +LD1/1 +LLN0/0 -LLN0 -LD1 -IED "},
  };
  for (const auto& c : cases) {
    Walk_Record record;
    record.skip = c.skip;
    Walk_Model(device, record);
    EXPECT_EQ(record.log, c.log) << "skipping below " << c.skip;
  }
}

TEST(Scl_Model, Very_Deep_Models_Are_Searched_And_Destroyed_Without_Exhausting_The_Stack) {
  constexpr int Depth = 1'000'000;
  auto model = std::make_unique<One_Node>();
  TIEC_Device& device = model->device;
  TIEC_DO& dobj = device.Add_DO(model->ln, "top");
  TIEC_DA* da = &device.Add_DA(dobj, "a");
  TIEC_DO* sub = &dobj;
  for (int i = 0; i < Depth; ++i) {
    da = &device.Add_DA(*da, "a");
    sub = &device.Add_DO(*sub, "s");
  }
  TIEC_DA* leaf = &device.Add_DA(*da, "leaf");
  EXPECT_EQ(dobj.Find_DA("leaf"), leaf);
  EXPECT_EQ(dobj.Find_DA("none"), nullptr);
  EXPECT_EQ(dobj.Find_First_DA(), leaf);
  EXPECT_EQ(dobj.Find_DO("none"), nullptr);
  EXPECT_EQ(leaf->Owner_DO(), &dobj);
  size_t objects = 0;
  For_Each_Object(device, [&](const TIEC_Object&) { ++objects; });
  EXPECT_EQ(objects, 2u * Depth + 5);  // LD, LN, top, a, the levels below and leaf
  model.reset();
}

TEST(Scl_Model, The_Store_Refuses_To_Grow_Past_Its_Limit_And_Clearing_Empties_The_Device) {
  One_Node model;
  TIEC_Device& device = model.device;
  device.Store().Set_Limit(device.Store().Used() + 64 * 1024);
  TIEC_DO& dobj = device.Add_DO(model.ln, "d");
  try {
    for (int i = 0; i < 100'000; ++i) device.Add_DA(dobj, "x");
    FAIL() << "no error";
  } catch (const SCL_Error& e) {
    EXPECT_STREQ(e.what(), "the model would need more than 0 MB");
  }
  EXPECT_LE(device.Store().Used(), device.Store().Limit());
  device.Clear();
  EXPECT_TRUE(device.List_LDevice.empty());
  EXPECT_EQ(device.Store().Used(), TIEC_Device().Store().Used());
}

}  // namespace
}  // namespace UIEC_Client_Decode
