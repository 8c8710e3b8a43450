// Decoding and checking of bank1.bin and bank2.bin, including hostile bytes.
#include "image/image_inspect.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "image/image_build.h"
#include "image_test_util.h"

namespace {

using namespace USaveBincc;

struct Images {
  std::string bank1, bank2;
};

Images Build(const std::string& conf_fixture_pargen, const std::string& conf_fixture_client) {
  Image_Build build;
  build.Build_Image(image_test::Fixture(conf_fixture_pargen),
                    image_test::Fixture(conf_fixture_client), test::English());
  return {build.Bank1(), build.Bank2()};
}

// The fixture configuration: two variables, a data set without members, one with two.
const Images& Full() {
  static const Images images = Build("conf/ParGen.xml", "conf/IEC_61850_Client.xml");
  return images;
}

// The reason an image is refused; empty when it is accepted.
std::string Refusal(const std::string& bytes) {
  try {
    Describe_Image(bytes);
  } catch (const Image_Error& refusal) {
    return refusal.what();
  }
  return "";
}

void Put32(std::string& bytes, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<char>(value >> (8 * i));
}

TEST(Image_Inspect, Describes_The_Example_Tables_Field_By_Field) {
  std::string text;
  text = Describe_Image(Build("none.xml", "client_one_variable.xml").bank2);
  EXPECT_EQ(text,
            "bank2.bin: IEC 61850 client tables, 98 bytes at device address 0x00080000\n"
            "header\n"
            "  nVariable: 1\n"
            "  nDataSet: 0\n"
            "  vLan: 0\n"
            "  appID: 0\n"
            "  Variable_Add: 0x00080018\n"
            "  DataSet_Add: 0x00080038\n"
            "variable 1 at 0x00080018\n"
            "  fc: \"ST\"\n"
            "  rw: 0 (read)\n"
            "  bit_address: 0\n"
            "  options: 0x05 (OnChange OnTimer)\n"
            "  conversion: 0 (none)\n"
            "  spare: 0 0\n"
            "  position: 5\n"
            "  tcpPort: 102\n"
            "  time: 1000 ms\n"
            "  moltFactor: 1\n"
            "  bType: 0x00080038 \"BOOLEAN\"\n"
            "  hostname: 0x00080040 \"192.168.2.10\"\n"
            "  reference: 0x0008004D \"LD0/GGIO1.Ind1.stVal\"\n");
}

TEST(Image_Inspect, Describes_Data_Sets_Members_And_The_General_Block) {
  std::string text;
  text = Describe_Image(Full().bank2);
  for (const char* line : {"data set 1 at 0x00080058\n  nVariable: 0\n  options: 0x04 (OnTimer)\n",
                           "  goose_name: 0x00080122 \"gcbMeas\"\n",
                           "  VariableList_Add: 0x00080090\n  member 1 at 0x00080090\n",
                           "    moltFactor: 2.5\n    bType: 0x00080166 \"INT32\"\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line << "\nin\n" << text;

  text = Describe_Image(Full().bank1);
  for (const char* line :
       {"IEC 61850 client IP address (offset 388): 10.20.0.10\n",
        "Modbus TCP slave default gateway (offset 48): 255.255.255.255 "
        "(disabled)\n",
        "Modbus TCP port (offset 54): 503\n", "client tables address (offset 1516): 0x00080000\n",
        "checksum (offset 2044): 4814 (valid)\n", "reserved bytes: all hold their fixed values\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line << "\nin\n" << text;

  // A reserved byte that was changed is pointed out (with the checksum made to match).
  std::string bank1 = Full().bank1;
  bank1[100] = 1;
  Put32(bank1, 2044, 4815);
  text = Describe_Image(bank1);
  EXPECT_NE(text.find("reserved bytes: 1 differ from their fixed values, at offsets 100\n"),
            std::string::npos)
      << text;
}

TEST(Image_Inspect, Texts_Show_Other_Bytes_Escaped) {
  std::string bank2 = Build("none.xml", "client_one_variable.xml").bank2;
  bank2[0x38] = static_cast<char>(0xC4);
  bank2[0x39] = '"';
  std::string text;
  text = Describe_Image(bank2);
  EXPECT_NE(text.find("bType: 0x00080038 \"\\xC4\\\"OLEAN\"\n"), std::string::npos) << text;
}

// Client tables whose data sets point at shared member records: `lists` gives each data set's
// first member (index into the member records) and its member count.
std::string Shared_Members_Image(size_t members,
                                 const std::vector<std::pair<size_t, size_t>>& lists) {
  const size_t data_sets_at = 24, members_at = data_sets_at + 28 * lists.size();
  const size_t text_at = members_at + 16 * members;
  std::string b(text_at + 2, '\0');
  b[text_at] = 'X';
  const uint32_t text = 0x80000 + static_cast<uint32_t>(text_at);
  Put32(b, 4, static_cast<uint32_t>(lists.size()));
  Put32(b, 16, 0x80018);
  Put32(b, 20, 0x80018);
  for (size_t i = 0; i < lists.size(); ++i) {
    const size_t r = data_sets_at + 28 * i;
    b[r] = static_cast<char>(lists[i].second);
    for (size_t field : {12, 16, 20}) Put32(b, r + field, text);
    Put32(b, r + 24, static_cast<uint32_t>(0x80000 + members_at + 16 * lists[i].first));
  }
  for (size_t k = 0; k < members; ++k) {
    b[members_at + 16 * k] = static_cast<char>(k);  // position
    Put32(b, members_at + 16 * k + 8, text);
    Put32(b, members_at + 16 * k + 12, text);
  }
  return b;
}

// Each member record is listed in full once; a data set pointing at records listed before
// refers to them in one line per run.
TEST(Image_Inspect, Shared_Member_Records_Are_Listed_Once) {
  // Records 0-2 belong to data set 1; data set 2 repeats them; data set 3 starts inside them
  // and adds record 3; data set 4 spans the records of data sets 1 and 3.
  const std::string image = Shared_Members_Image(4, {{0, 3}, {0, 3}, {1, 3}, {0, 4}});
  std::string text;
  text = Describe_Image(image);
  const auto section = [&](int n) {
    const size_t from = text.find("data set " + std::to_string(n) + " at ");
    const size_t to = text.find("data set " + std::to_string(n + 1) + " at ");
    return text.substr(from, to == std::string::npos ? std::string::npos : to - from);
  };
  EXPECT_NE(section(1).find("  member 3 at 0x000800A8\n    position: 2\n"), std::string::npos)
      << section(1);
  const struct {
    int data_set;
    const char* member_lines;
  } cases[] = {
      {2, "  VariableList_Add: 0x00080088\n  members 1 to 3: as members 1 to 3 of data set 1\n"},
      {3,
       "  VariableList_Add: 0x00080098\n  members 1 to 2: as members 2 to 3 of data set 1\n"
       "  member 3 at 0x000800B8\n    position: 3\n"},
      {4,
       "  VariableList_Add: 0x00080088\n  members 1 to 4: as the member records at "
       "0x00080088 to 0x000800B8 listed above\n"},
  };
  for (const auto& c : cases)
    EXPECT_NE(section(c.data_set).find(c.member_lines), std::string::npos) << section(c.data_set);

  // Thousands of data sets all pointing at the same 255 records: without sharing this would be
  // some hundred megabytes of text.
  const std::string many = Shared_Members_Image(
      255, std::vector<std::pair<size_t, size_t>>(4000, std::pair<size_t, size_t>{0, 255}));
  text = Describe_Image(many);
  EXPECT_LT(text.size(), 4000u * 400 + 255u * 200);
}

TEST(Image_Inspect, Refuses_With_Reasons) {
  struct Case {
    const char* name;
    std::function<std::string()> bytes;
    const char* reason;
  };
  const std::vector<Case> cases = {
      {"empty", [] { return std::string(); }, "24-byte header"},
      {"bank1 one byte short", [] { return Full().bank1.substr(0, 2047); }, "2048 bytes"},
      {"bank1 changed byte",
       [] {
         std::string b = Full().bank1;
         b[40] = 1;
         return b;
       },
       "add up to"},
      {"negative count",
       [] {
         std::string b = Full().bank2;
         Put32(b, 4, 0xFFFFFFFF);
         return b;
       },
       "negative"},
      {"records past the end",
       [] {
         std::string b = Full().bank2;
         Put32(b, 0, 0x7FFFFFFF);
         return b;
       },
       "do not fit"},
      {"Variable_Add",
       [] {
         std::string b = Full().bank2;
         Put32(b, 16, 0x80019);
         return b;
       },
       "Variable_Add is 0x00080019"},
      {"DataSet_Add",
       [] {
         std::string b = Full().bank2;
         Put32(b, 20, 0x80018);
         return b;
       },
       "DataSet_Add is 0x00080018"},
      {"text below the base",
       [] {
         std::string b = Full().bank2;
         Put32(b, 24 + 20, 0x7FFFF);
         return b;
       },
       "variable 1: the text address 0x0007FFFF"},
      {"text past the end",
       [] {
         std::string b = Full().bank2;
         Put32(b, 24 + 32 * 2 + 28 + 12, 0x80000 + static_cast<uint32_t>(b.size()));
         return b;
       },
       "data set 2: the text address"},
      {"unterminated last text",
       [] {
         std::string b = Full().bank2;
         b.back() = 'x';
         return b;
       },
       "member 2: the text address"},
      {"members past the end",
       [] {
         std::string b = Full().bank2;
         b[24 + 32 * 2] = 40;  // the empty data set now claims 40 members
         return b;
       },
       "data set 1: its 40 member records"},
      {"member list below the base",
       [] {
         std::string b = Full().bank2;
         Put32(b, 24 + 32 * 2 + 28 + 24, 0x10);
         return b;
       },
       "data set 2: its 2 member records at 0x00000010"},
      {"member text outside",
       [] {
         std::string b = Full().bank2;
         Put32(b, 24 + 32 * 2 + 28 * 2 + 16 + 8, 0xFFFFFFFF);
         return b;
       },
       "data set 2, member 2: the text address 0xFFFFFFFF"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string reason = Refusal(c.bytes());
    EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
  }
  EXPECT_TRUE(Check_Bank1(Full().bank2));
  EXPECT_TRUE(Check_Bank2(Full().bank1));
}

TEST(Image_Inspect, Every_Truncation_Is_Refused) {
  for (const std::string* image : {&Full().bank1, &Full().bank2})
    for (size_t size = 0; size < image->size(); ++size) {
      EXPECT_FALSE(Refusal(image->substr(0, size)).empty()) << size;
    }
}

// Random corruption of valid images and random bytes: the decoders return a result for each,
// and whatever they accept can be described.
TEST(Image_Inspect, Survives_Corrupted_Images) {
  std::mt19937 random(30517);
  const std::vector<std::string> seeds = {Full().bank1, Full().bank2,
                                          Build("none.xml", "none.xml").bank2};
  size_t accepted = 0;
  for (int round = 0; round < 20000; ++round) {
    std::string bytes = seeds[round % seeds.size()];
    int changes = 1 + static_cast<int>(random() % 4);
    for (int i = 0; i < changes; ++i) {
      size_t at = random() % bytes.size();
      switch (random() % 3) {
        case 0:
          bytes[at] = static_cast<char>(random());
          break;
        case 1:
          if (at + 4 <= bytes.size()) Put32(bytes, at & ~size_t{3}, 0x80000 + random() % 512);
          break;
        default:
          bytes.resize(at + random() % 8);
      }
      if (bytes.empty()) bytes = seeds[0];
    }
    try {
      EXPECT_FALSE(Describe_Image(bytes).empty());
      ++accepted;
    } catch (const Image_Error& refusal) {
      EXPECT_STRNE(refusal.what(), "");
    }
  }
  EXPECT_GT(accepted, 0u);
  for (int round = 0; round < 2000; ++round) {
    std::string bytes(random() % 300, '\0');
    for (char& c : bytes) c = static_cast<char>(random() % 4 == 0 ? 0 : random());
    Refusal(bytes);
  }
}

}  // namespace
