#include "common/key_map.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <unordered_map>
#include <vector>

// Through many growths of the table, with keys that differ only in their
// last bytes or their length, and the empty key, the map agrees with a
// node-based one.
TEST(KeyMap, AgreesWithAMapThroughGrowth) {
  std::mt19937 rng(7);
  for (size_t expected : {size_t{0}, size_t{20000}}) {
    std::vector<std::string> keys;
    for (int i = 0; i < 20000; ++i) {
      std::string k(rng() % 20, 'a');
      for (char& c : k) c = static_cast<char>('a' + rng() % 3);
      keys.push_back(k);
    }
    TKeyMap table(expected);
    std::unordered_map<std::string, int32_t> ref;
    for (const std::string& k : keys) {
      bool added = false;
      const int32_t v = table.Insert(k, &added, static_cast<int32_t>(ref.size()));
      auto [it, inserted] = ref.try_emplace(k, static_cast<int32_t>(ref.size()));
      ASSERT_EQ(v, it->second) << k;
      ASSERT_EQ(added, inserted) << k;
    }
    EXPECT_EQ(table.Size(), ref.size());
    for (const std::string& k : keys) ASSERT_EQ(*table.Find(k), ref[k]);
    EXPECT_EQ(table.Find(std::string(25, 'a')), nullptr);
  }
  EXPECT_EQ(TKeyMap().Find(""), nullptr);
}
