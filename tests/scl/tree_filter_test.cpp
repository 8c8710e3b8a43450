// The tree filter: which nodes of a server a search text and a functional constraint show.
#include "scl/tree_filter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_support.h"

namespace UIEC_61850_Access {
namespace {

struct Tree_Filter : ::testing::Test {
  UIEC_Client_Decode::TIEC_Device device{test::Data_Dir() + "/scl/fixtures/model.icd"};
  Tree_Index index{device};

  // The nodes shown, in tree order, a matching node marked with "*".
  std::string Shown(const std::string& text, const std::string& fc, size_t max = 1000) const {
    const Tree_Index::Result result = index.Filter(text, fc, max);
    std::string out;
    for (size_t k = 0; k < result.shown.size(); ++k) {
      if (!out.empty()) out += " ";
      out += Node_Text(index.Entries()[static_cast<size_t>(result.shown[k])]);
      if (result.matched[k]) out += "*";
    }
    return out;
  }
};

TEST_F(Tree_Filter, Matches_Names_And_References_Without_Letter_Case) {
  const struct {
    const char *text, *fc, *shown;
  } cases[] = {
      // a reference running across a data object and its attributes
      {"tOtW.MaG.f", "", "IED1 LD0 MMXU1 TotW mag f*"},
      // a name: the node and everything below it (their references hold it)
      {"phsa", "", "IED1 LD0 MMXU1 PhV phsA* cVal* mag* f* i* ang* f* i*"},
      // a data set by its own reference, which names its node whole
      {"q0xcbr1.trip", "", "IED1 LD0 Q0XCBR1 Trip*"},
      {"ld1/ggio1.ind2", "", "IED1 LD1 GGIO1 Ind2* stVal*"},
      {"nowhere", "", ""},
      // an FC alone: its leaf attributes with their ancestors
      {"", "CO", "IED1 LD0 Q0XCBR1 Pos Oper ctlVal* origin orCat* orIdent*"},
      // text and FC: leaf attributes of other FCs are left out, other nodes match by text
      {"ind", "ST", "IED1 LD1 GGIO1 Ind1* stVal* Ind1* stVal* Ind2* stVal*"},
      {"q0xcbr1.pos", "CF", "IED1 LD0 Q0XCBR1 Pos* ctlModel* Oper* origin*"},
      // nothing asked, or an FC the server does not have: no filtered tree
      {"", "", ""},
      {"", "SP", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(Shown(c.text, c.fc), c.shown) << c.text << " " << c.fc;
}

TEST_F(Tree_Filter, Offers_The_Servers_Fcs_And_Limits_The_Matches_Shown) {
  EXPECT_EQ(index.FCs(), (std::vector<std::string>{"CF", "CO", "DC", "MX", "ST", "XX"}));
  const Tree_Index::Result all = index.Filter("ied1", "", 1000);
  EXPECT_EQ(all.matches, index.Entries().size());
  EXPECT_FALSE(all.truncated);
  const Tree_Index::Result first = index.Filter("ied1", "", 3);
  EXPECT_EQ(first.matches, all.matches);  // every match is counted
  EXPECT_TRUE(first.truncated);
  EXPECT_EQ(Shown("ied1", "", 3), "IED1* LD0* LLN0*");
}

}  // namespace
}  // namespace UIEC_61850_Access
