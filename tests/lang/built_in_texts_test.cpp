// The modules' tables of texts (src/<module>/<module>_strings.def) fill the string table: each
// entry at an index of the table, none twice, none empty, each readable through its name.
#include <gtest/gtest.h>

#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "access/access_strings.h"
#include "app/all_texts.h"
#include "app/app_strings.h"
#include "comm/comm_strings.h"
#include "text/lang_strings.h"
#include "update/update_strings.h"

namespace {

// The indices each module's table gives its entries.
#define TEXT(name, index, english) indices.push_back(index);
#define RUN(name, first, ...) \
  for (int k = 0; k < lang::Count_Texts(__VA_ARGS__); ++k) indices.push_back(first + k);
std::vector<int> Access_Indices() {
  std::vector<int> indices;
#include "access/access_strings.def"
  return indices;
}
std::vector<int> App_Indices() {
  std::vector<int> indices;
#include "app/app_strings.def"
  return indices;
}
std::vector<int> Check_Indices() {
  std::vector<int> indices;
#include "check/check_strings.def"
  return indices;
}
std::vector<int> Cli_Indices() {
  std::vector<int> indices;
#include "app/cli_strings.def"
  return indices;
}
std::vector<int> Comm_Indices() {
  std::vector<int> indices;
#include "comm/comm_strings.def"
  return indices;
}
std::vector<int> Image_Indices() {
  std::vector<int> indices;
#include "image/image_strings.def"
  return indices;
}
std::vector<int> Scl_Indices() {
  std::vector<int> indices;
#include "scl/scl_strings.def"
  return indices;
}
std::vector<int> Update_Indices() {
  std::vector<int> indices;
#include "update/update_strings.def"
  return indices;
}
std::vector<int> Util_Indices() {
  std::vector<int> indices;
#include "util/util_strings.def"
  return indices;
}
#undef TEXT
#undef RUN

TEST(Built_In_Texts, Each_Index_Once_Inside_The_Table_With_A_Text) {
  std::map<int, std::string> seen;
  lang::For_Each_Built_In_Text([&seen](int index, const char* english) {
    EXPECT_TRUE(lang::Is_String_Index(index)) << index;
    EXPECT_NE(std::string(english), "") << index;
    EXPECT_TRUE(seen.emplace(index, english).second) << "index " << index << " given twice";
  });
  const lang::Lang_Strings table = lang::English_Strings();
  for (const auto& [index, english] : seen) EXPECT_EQ(table[index], english) << index;
  // The original table's texts stay where they were.
  const auto added = seen.lower_bound(lang::First_Added_String);
  EXPECT_EQ(std::distance(seen.begin(), added), 229);
}

// The added range is shared out in blocks, one per module, so that each module takes new indices
// without meeting another's: every added entry lies in its module's block.
TEST(Built_In_Texts, Added_Entries_Lie_In_Their_Modules_Block) {
  const struct {
    const char* module;
    std::vector<int> indices;
    int first, last;
  } blocks[] = {{"cli", Cli_Indices(), 5000, 5049},       {"app", App_Indices(), 5050, 5099},
                {"comm", Comm_Indices(), 5100, 5199},     {"update", Update_Indices(), 5200, 5299},
                {"access", Access_Indices(), 5300, 5699}, {"check", Check_Indices(), 5700, 5849},
                {"scl", Scl_Indices(), 5850, 5899},       {"image", Image_Indices(), 5900, 5949},
                {"util", Util_Indices(), 5950, 5999}};
  for (const auto& block : blocks)
    for (int index : block.indices)
      if (index >= lang::First_Added_String) {
        EXPECT_TRUE(index >= block.first && index <= block.last) << block.module << " " << index;
      }
}

TEST(Built_In_Texts, Names_Read_Their_Own_Entries) {
  const lang::Lang_Strings table = lang::English_Strings();
  EXPECT_EQ(table[app_strings::Text_Begin], "Begin");
  EXPECT_EQ(table[app_strings::Text_Steps.At(7)], "Step 8");
  EXPECT_EQ(table[app_strings::Text_Steps.At(8)], " ");  // outside the run: a blank
  EXPECT_EQ(table[comm_strings::Text_Slave_Port_Error],
            "Error Modbus TCP Slave!! Port must be between 0 and 65535, and different from 10000");
  EXPECT_EQ(table[comm_strings::Text_Client_Gateway_Errors.At(3)],
            "Error IEC61850 Client!! GATEWAY IP 4 must be between 0 and 255");
  EXPECT_EQ(table[update_strings::Text_Update_Options.At(2)], "Configuration");
  EXPECT_EQ(access_strings::Text_Column_Headers.Count, 17);
  EXPECT_EQ(table[access_strings::Text_Column_Headers.At(16)], "Mnemonic");
  EXPECT_EQ(table[access_strings::Text_Row_Bad_Factor], "!! Mult. Factor must be a valid Float");
}

}  // namespace
