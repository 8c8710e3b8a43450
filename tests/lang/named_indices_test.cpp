// Every named index of the modules' string-table headers (src/<module>/<module>_strings.h) must
// point at a built-in English text, so a wrong or unregistered index cannot show a blank or a
// neighbour's text unnoticed. The headers are read as text, so a name added later is checked
// without anyone listing it here.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "lang/lang_strings.h"
#include "lang/text_range.h"

namespace {

namespace fs = std::filesystem;

struct Named_Entry {
  std::string name;  // "Text_X", or "Text_X[k]" for entry k of a range
  int index;
};

// Every declaration of one header: `constexpr int Name = N;` and
// `constexpr lang::Text_Range Name{First, Count};`. `declarations` counts every "constexpr" so
// that a declaration in another style fails instead of going unchecked.
std::vector<Named_Entry> Read_Header(const fs::path& path, int& declarations, int& parsed) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  const std::string source = text.str();
  declarations = 0;
  for (size_t at = source.find("constexpr"); at != std::string::npos;
       at = source.find("constexpr", at + 1))
    ++declarations;
  parsed = 0;
  std::vector<Named_Entry> entries;
  static const std::regex single(R"(constexpr\s+int\s+(\w+)\s*=\s*(\d+)\s*;)");
  for (auto m = std::sregex_iterator(source.begin(), source.end(), single);
       m != std::sregex_iterator(); ++m, ++parsed)
    entries.push_back({(*m)[1], std::stoi((*m)[2])});
  static const std::regex range(
      R"(constexpr\s+lang::Text_Range\s+(\w+)\s*\{\s*(\d+)\s*,\s*(\d+)\s*\}\s*;)");
  for (auto m = std::sregex_iterator(source.begin(), source.end(), range);
       m != std::sregex_iterator(); ++m, ++parsed) {
    const int first = std::stoi((*m)[2]);
    const int count = std::stoi((*m)[3]);
    EXPECT_GT(count, 0) << path << ": " << (*m)[1];
    for (int k = 0; k < count; ++k)
      entries.push_back({std::string((*m)[1]) + "[" + std::to_string(k) + "]", first + k});
  }
  return entries;
}

TEST(Named_Indices, Each_Names_A_Built_In_Text_Once) {
  const lang::Lang_Strings strings;  // the built-in English texts
  int headers = 0;
  for (const auto& folder : fs::directory_iterator(fs::path(RQ_SOURCE_DIR) / "src")) {
    const std::string module = folder.path().filename().string();
    const fs::path header = folder.path() / (module + "_strings.h");
    if (module == "lang" || !fs::exists(header)) continue;  // lang holds the table itself
    ++headers;
    int declarations = 0;
    int parsed = 0;
    const std::vector<Named_Entry> entries = Read_Header(header, declarations, parsed);
    EXPECT_GT(parsed, 0) << header << " names no index";
    EXPECT_EQ(parsed, declarations) << header << " declares an index in a form not read here";
    std::map<int, std::string> owner;
    for (const Named_Entry& e : entries) {
      SCOPED_TRACE(header.string() + ": " + e.name + " = " + std::to_string(e.index));
      EXPECT_GE(e.index, 0);
      EXPECT_LT(e.index, lang::Num_Lang_Strings);
      EXPECT_NE(strings[e.index], " ") << "an unused entry of the table";
      EXPECT_FALSE(strings[e.index].empty());
      const auto [it, fresh] = owner.emplace(e.index, e.name);
      EXPECT_TRUE(fresh) << "index also named " << it->second;
    }
  }
  EXPECT_GE(headers, 4) << "no string-table headers found under " << RQ_SOURCE_DIR;
}

// An entry outside a range reads as the blank of an index outside the table, never as the text
// beside the range.
static_assert(lang::Text_Range{10, 3}.At(0) == 10 && lang::Text_Range{10, 3}.At(2) == 12);
static_assert(lang::Text_Range{10, 3}.At(3) == -1 && lang::Text_Range{10, 3}.At(-1) == -1);

}  // namespace
