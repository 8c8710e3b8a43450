// The modules' tables of texts (src/<module>/<module>_strings.def) fill the string table: each
// entry at an index of the table, none twice, none empty, each readable through its name.
#include <gtest/gtest.h>

#include <iterator>
#include <map>
#include <string>

#include "access/access_strings.h"
#include "app/app_strings.h"
#include "comm/comm_strings.h"
#include "lang/lang_strings.h"
#include "update/update_strings.h"

namespace {

TEST(Built_In_Texts, Each_Index_Once_Inside_The_Table_With_A_Text) {
  std::map<int, std::string> seen;
  lang::For_Each_Built_In_Text([&seen](int index, const char* english) {
    EXPECT_TRUE(lang::Is_String_Index(index)) << index;
    EXPECT_NE(std::string(english), "") << index;
    EXPECT_TRUE(seen.emplace(index, english).second) << "index " << index << " given twice";
  });
  const lang::Lang_Strings table;
  for (const auto& [index, english] : seen) EXPECT_EQ(table[index], english) << index;
  // The original table's texts stay where they were.
  const auto added = seen.lower_bound(lang::First_Added_String);
  EXPECT_EQ(std::distance(seen.begin(), added), 229);
}

TEST(Built_In_Texts, Names_Read_Their_Own_Entries) {
  const lang::Lang_Strings table;
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
