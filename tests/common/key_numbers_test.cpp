#include "common/key_numbers.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <unordered_map>
#include <vector>

// Numbers in order of first appearance, through many growths of the table
// and keys that differ only in their last bytes or their length (the hash
// reads 8-byte words and a tail); the empty key is a key like any other.
TEST(KeyNumbers, NumbersFirstAppearancesLikeAMap) {
  std::mt19937 rng(7);
  for (bool reserve : {false, true}) {
    std::vector<std::string> keys;
    for (int i = 0; i < 20000; ++i) {
      std::string k(rng() % 20, 'a');
      for (char& c : k) c = static_cast<char>('a' + rng() % 3);
      keys.push_back(k);
    }
    TKeyNumbers table;
    if (reserve) table.Reserve(keys.size());
    std::unordered_map<std::string, uint32_t> ref;
    for (const std::string& k : keys) {
      bool added = false;
      const uint32_t n = table.Add(k, &added);
      auto [it, inserted] = ref.try_emplace(k, static_cast<uint32_t>(ref.size()));
      ASSERT_EQ(n, it->second) << k;
      ASSERT_EQ(added, inserted) << k;
      ASSERT_EQ(table.Key(n), k);
    }
    EXPECT_EQ(table.Count(), ref.size());
    for (const std::string& k : keys) EXPECT_EQ(table.Find(k), ref[k]);
    EXPECT_EQ(table.Find(std::string(25, 'a')), TKeyNumbers::kNone);
  }
  EXPECT_EQ(TKeyNumbers().Find(""), TKeyNumbers::kNone);
}
