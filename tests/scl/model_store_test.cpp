// The model's memory: every allocation has room of its own whatever its size and alignment,
// lists keep their entries through any number of growths, and the limit holds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "scl/scl_model.h"

namespace UIEC_Client_Decode {
namespace {

// The store's block sizes: the first block, and the largest, beyond a quarter of which a request
// gets a block of its own.
constexpr size_t First_Block_Bytes = 4 * 1024;
constexpr size_t Max_Block_Bytes = 1024 * 1024;

struct Allocation {
  unsigned char* data;
  size_t bytes;
  unsigned char fill;  // every byte; neighbours differ
};

// Sizes on both sides of every block size and of the own-block threshold, then random sizes
// spread evenly over their magnitude from 1 byte to twice the largest block.
std::vector<size_t> Sizes(std::mt19937& random) {
  std::vector<size_t> sizes;
  for (size_t block = First_Block_Bytes; block <= 2 * Max_Block_Bytes; block *= 2)
    for (size_t size : {block - 1, block, block + 1, block / 4 - 1, block / 4, block / 4 + 1})
      sizes.push_back(size);
  std::uniform_real_distribution<double> magnitude(0.0, 21.0);  // 2^21 = twice the largest block
  while (sizes.size() < 400) sizes.push_back(static_cast<size_t>(std::exp2(magnitude(random))));
  std::shuffle(sizes.begin(), sizes.end(), random);
  return sizes;
}

TEST(Model_Store, Every_Allocation_Has_Room_Of_Its_Own_Whatever_Its_Size_And_Alignment) {
  for (const unsigned seed : {1u, 2u, 3u}) {
    SCOPED_TRACE(seed);
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> align_bits(0, 4);   // 1 to 16
    std::uniform_int_distribution<int> small_size(1, 64);  // many small requests between the large
    Model_Store store;
    std::vector<Allocation> made;
    size_t total = 0;
    for (size_t size : Sizes(random)) {
      for (size_t bytes : {size, size_t(small_size(random)), size_t(small_size(random))}) {
        const size_t align = size_t{1} << align_bits(random);
        const size_t used = store.Used();
        auto* data = static_cast<unsigned char*>(store.Allocate(bytes, align));
        ASSERT_EQ(reinterpret_cast<uintptr_t>(data) % align, 0u) << bytes << " bytes";
        EXPECT_GE(store.Used(), used);
        const Allocation a{data, bytes, static_cast<unsigned char>(made.size() % 251 + 1)};
        std::memset(data, a.fill, bytes);
        made.push_back(a);
        total += bytes;
      }
    }
    // Only once everything is made: an allocation that overlapped another shows here.
    std::vector<unsigned char> expected;
    for (const Allocation& a : made) {
      expected.assign(a.bytes, a.fill);
      ASSERT_EQ(std::memcmp(a.data, expected.data(), a.bytes), 0) << a.bytes << " bytes";
    }
    EXPECT_GE(store.Used(), total);
    EXPECT_LE(store.Used(), 3 * total + Max_Block_Bytes);  // counted once, not in excess
  }
}

TEST(Model_Store, Lists_Grown_One_Entry_At_A_Time_Keep_Every_Entry) {
  constexpr size_t Entries = 100'000;
  Model_Store store;
  // Three lists grown in turn, with objects made between their growths, and one reserved part
  // of the way and then appended to past its reservation.
  Object_List<TIEC_DA> lists[3];
  Object_List<TIEC_DA> reserved;
  store.Reserve(reserved, 1000);
  std::vector<TIEC_DA*> objects;
  for (size_t i = 0; i < Entries; ++i) {
    objects.push_back(store.New<TIEC_DA>());
    for (auto& list : lists) store.Append(list, objects.back());
    store.Append(reserved, objects.back());
  }
  for (const auto* list : {&lists[0], &lists[1], &lists[2], &reserved}) {
    ASSERT_EQ(list->size(), Entries);
    for (size_t i = 0; i < Entries; ++i) ASSERT_EQ((*list)[i], objects[i]) << i;
  }
  EXPECT_GE(store.Used(), 4 * Entries * sizeof(TIEC_DA*) + Entries * sizeof(TIEC_DA));
}

TEST(Model_Store, The_Limit_Refuses_Before_Taking_And_Used_Counts_What_Was_Taken) {
  constexpr size_t Limit = 4 << 20;
  Model_Store store;
  store.Set_Limit(Limit);
  const size_t start = store.Used();

  // Too large at once: refused, nothing taken.
  EXPECT_THROW(store.Allocate(Limit + 1, 8), SCL_Error);
  EXPECT_EQ(store.Used(), start);

  // A list grown entry by entry until the limit stops it: every entry it has kept is intact.
  Object_List<TIEC_DA> list;
  std::vector<TIEC_DA*> objects;
  try {
    for (;;) {
      const size_t used = store.Used();
      objects.push_back(store.New<TIEC_DA>());
      store.Append(list, objects.back());
      ASSERT_LE(store.Used(), Limit);
      ASSERT_GE(store.Used(), used);
    }
  } catch (const SCL_Error& e) {
    EXPECT_STREQ(e.what(), "the model would need more than 4 MB");
  }
  EXPECT_LE(store.Used(), Limit);
  EXPECT_GT(store.Used(), Limit / 2);
  EXPECT_GT(list.size(), 1000u);
  for (size_t i = 0; i < list.size(); ++i) ASSERT_EQ(list[i], objects[i]);

  // Texts count too; Clear gives everything back and keeps the limit.
  store.Clear();
  EXPECT_EQ(store.Used(), start);
  EXPECT_EQ(store.Limit(), Limit);
  const size_t before = store.Used();
  store.Intern(std::string(100'000, 'x'));
  EXPECT_GE(store.Used(), before + 100'000);
  EXPECT_THROW(store.Intern(std::string(Limit, 'y')), SCL_Error);
}

}  // namespace
}  // namespace UIEC_Client_Decode
