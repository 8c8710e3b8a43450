// Files of ordinary structure whose lists are long: every list of the model at lengths around
// each size where the model's store takes a new block, imported and checked entry by entry at
// the ends. Run under the sanitizers, an entry written past a list's room shows here.
#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "scl/scl_import.h"
#include "support/test_support.h"

namespace UIEC_Client_Decode {
namespace {

// The store's block sizes (see Model_Store): blocks double from the first to the largest, and a
// list of more than a quarter of the largest gets a block of its own.
constexpr size_t First_Block_Bytes = 4 * 1024;
constexpr size_t Own_Block_Bytes = 1024 * 1024 / 4;

// 1, the entry counts just below, at and just above each block size, and a list far longer than
// any block.
std::vector<size_t> Lengths() {
  std::vector<size_t> lengths{1};
  for (size_t block = First_Block_Bytes; block <= Own_Block_Bytes; block *= 2) {
    const size_t entries = block / sizeof(void*);
    lengths.insert(lengths.end(), {entries - 1, entries, entries + 1});
  }
  lengths.push_back(100'000);
  return lengths;
}

// How many entries each list of a generated file has.
struct Counts {
  size_t ldevices = 1, lns = 1, dos = 1, sdos = 1, das = 1, bdas = 1, data_sets = 1, members = 1,
         gooses = 1;
};

// The text of a generated file, built without temporaries: files of millions of elements.
class Text {
 public:
  Text& operator<<(std::string_view part) {
    text_.append(part);
    return *this;
  }
  Text& operator<<(size_t number) { return *this << std::string_view(Digits(number)); }
  // `count` times: before, the entry's number (from `first`), after.
  void Repeat(size_t first, size_t count, std::string_view before, std::string_view after) {
    for (size_t i = first; i < count; ++i) *this << before << i << after;
  }
  std::string& str() { return text_; }

 private:
  std::string_view Digits(size_t number) {
    char* end = digits_ + sizeof digits_;
    char* p = end;
    do *--p = static_cast<char>('0' + number % 10);
    while ((number /= 10) != 0);
    return {p, static_cast<size_t>(end - p)};
  }
  std::string text_;
  char digits_[24];
};

// One logical device L0 holding the nodes (LLN0 first, then GGIO1, GGIO2, ... without a type),
// then L1, L2, ...; LLN0 holds the data objects D0, D1, ... and the data sets S0, S1, ..., each
// published by the GOOSE control G0, G1, ...; D0 holds the sub data objects O0, O1, ... and the
// attributes A0, A1, ...; the other data objects and the sub data objects have an empty type; A0
// holds the sub attributes B0, B1, .... The members of S0 name A0, A1, ... in turn.
std::string Shape(const Counts& c) {
  Text s;
  s << R"(<?xml version="1.0"?><SCL><IED name="IED"><AccessPoint name="P"><Server>)"
    << R"(<LDevice inst="L0"><LN0 lnClass="LLN0" inst="" lnType="Big"><DataSet name="S0">)";
  for (size_t i = 0; i < c.members; ++i)
    s << R"(<FCDA ldInst="L0" lnClass="LLN0" doName="D0" daName="A)" << i % c.das
      << R"(" fc="ST"/>)";
  s << "</DataSet>";
  s.Repeat(1, c.data_sets, R"(<DataSet name="S)", R"("/>)");
  for (size_t i = 0; i < c.gooses; ++i)
    s << R"(<GSEControl name="G)" << i << R"(" datSet="S)" << i << R"("/>)";
  s << "</LN0>";
  s.Repeat(1, c.lns, R"(<LN lnClass="GGIO" inst=")", R"("/>)");
  s << "</LDevice>";
  s.Repeat(1, c.ldevices, R"(<LDevice inst="L)", R"("/>)");
  s << R"(</Server></AccessPoint></IED><DataTypeTemplates><LNodeType id="Big" lnClass="LLN0">)"
    << R"(<DO name="D0" type="BigDO"/>)";
  s.Repeat(1, c.dos, R"(<DO name="D)", R"(" type="Empty"/>)");
  s << R"(</LNodeType><DOType id="BigDO">)";
  s.Repeat(0, c.sdos, R"(<SDO name="O)", R"(" type="Empty"/>)");
  s << R"(<DA name="A0" bType="Struct" type="BigDA" fc="ST"/>)";
  s.Repeat(1, c.das, R"(<DA name="A)", R"(" bType="INT32" fc="ST"/>)");
  s << R"(</DOType><DOType id="Empty" cdc="SPS"/><DAType id="BigDA">)";
  s.Repeat(0, c.bdas, R"(<BDA name="B)", R"(" bType="BOOLEAN"/>)");
  s << "</DAType></DataTypeTemplates></SCL>";
  return std::move(s.str());
}

// Each list long in turn, the others of one entry: a list that grows past its block shows only
// while the store's blocks are still small.
const struct {
  const char* list;
  size_t Counts::*count;
  size_t Counts::*also;  // a second list of the same length, or null
} Lists[] = {
    {"logical devices", &Counts::ldevices, nullptr},
    {"logical nodes", &Counts::lns, nullptr},
    {"data objects", &Counts::dos, nullptr},
    {"sub data objects", &Counts::sdos, nullptr},
    {"attributes", &Counts::das, nullptr},
    {"sub attributes", &Counts::bdas, nullptr},
    {"data sets with their GOOSE names", &Counts::data_sets, &Counts::gooses},
    // One attribute named by every member: the case with no index to help.
    {"members", &Counts::members, nullptr},
};

std::string Last(size_t n) { return std::to_string(n - 1); }

void Check(const TIEC_Device& device, const Counts& c) {
  ASSERT_EQ(device.List_LDevice.size(), c.ldevices);
  EXPECT_EQ(device.List_LDevice.back()->Name(), "L" + Last(c.ldevices));
  const TIEC_LDevice& ld = *device.List_LDevice.front();
  ASSERT_EQ(ld.List_LN.size(), c.lns);
  const TIEC_LN& lln0 = *ld.List_LN.front();
  EXPECT_EQ(lln0.lnClass(), "LLN0");
  EXPECT_EQ(ld.List_LN.back()->Inst(), c.lns > 1 ? Last(c.lns) : "");
  EXPECT_EQ(ld.List_LN.back()->Owner_LDevice(), &ld);

  // Data objects, sub data objects, attributes and sub attributes.
  ASSERT_EQ(lln0.List_DO.size(), c.dos);
  EXPECT_EQ(lln0.List_DO.back()->Reference(), "IEDL0/LLN0.D" + Last(c.dos));
  const TIEC_DO& d0 = *lln0.List_DO.front();
  ASSERT_EQ(d0.List_DO.size(), c.sdos);
  EXPECT_EQ(d0.List_DO.front()->Reference(), "IEDL0/LLN0.D0.O0");
  EXPECT_EQ(d0.List_DO.back()->Reference(), "IEDL0/LLN0.D0.O" + Last(c.sdos));
  ASSERT_EQ(d0.List_DA.size(), c.das);
  EXPECT_EQ(d0.List_DA.back()->Reference(), "IEDL0/LLN0.D0.A" + Last(c.das));
  const TIEC_DA& a0 = *d0.List_DA.front();
  ASSERT_EQ(a0.List_DA.size(), c.bdas);
  EXPECT_EQ(a0.List_DA.front()->Reference(), "IEDL0/LLN0.D0.A0.B0");
  EXPECT_EQ(a0.List_DA.back()->Reference(), "IEDL0/LLN0.D0.A0.B" + Last(c.bdas));
  EXPECT_EQ(a0.List_DA.back()->FC(), "ST");

  // Data sets, the GOOSE controls publishing them, and the members of the first.
  ASSERT_EQ(lln0.List_DataSet.size(), c.data_sets);
  const TIEC_DataSet& s0 = *lln0.List_DataSet.front();
  const TIEC_DataSet& last_set = *lln0.List_DataSet.back();
  EXPECT_EQ(s0.GooseName(), "G0");
  EXPECT_EQ(last_set.Reference(), "IEDL0/LLN0.S" + Last(c.data_sets));
  EXPECT_EQ(last_set.GooseName(), c.gooses >= c.data_sets ? "G" + Last(c.data_sets) : "");
  // A member named by a structure is its first leaf.
  auto leaf = [](const TIEC_DA* da) { return da->List_DA.empty() ? da : da->Find_First_DA(); };
  ASSERT_EQ(s0.List_DA.size(), c.members);
  EXPECT_EQ(s0.List_DA.front(), leaf(&a0));
  EXPECT_EQ(s0.List_DA.back(), leaf(d0.List_DA[(c.members - 1) % c.das]));
}

TEST(Scl_Shape, Every_List_Of_The_Model_Imports_Whole_At_Every_Length) {
  test::Temp_Dir dir;
  for (const auto& list : Lists) {
    for (const size_t n : Lengths()) {
      SCOPED_TRACE(std::string(list.list) + ": " + std::to_string(n));
      Counts counts;
      counts.*list.count = n;
      if (list.also) counts.*list.also = n;
      test::Write(dir / "shape.icd", Shape(counts));
      TIEC_Device device;
      Decode_ICD_File(device, dir / "shape.icd");
      Check(device, counts);
      if (HasFatalFailure()) return;
    }
  }
}

}  // namespace
}  // namespace UIEC_Client_Decode
