#include "common/aho_corasick.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/testutil.h"

namespace {

// Every id reported after each byte of text, by walking the automaton, as
// "end:id" items.
std::vector<std::string> Reported(const AhoCorasick& ac, const std::string& text, bool sparseStep) {
  std::vector<std::string> out;
  uint32_t s = 0;
  for (size_t j = 0; j < text.size(); ++j) {
    const uint8_t c = static_cast<uint8_t>(text[j]);
    s = sparseStep ? ac.NextSparse(s, c) : ac.Next(s, c);
    for (uint32_t t = ac.Report(s); t != AhoCorasick::kNone; t = ac.Dict(t)) {
      EXPECT_EQ(ac.Id(t), ac.Ids(t).front());
      for (uint32_t id : ac.Ids(t)) out.push_back(std::to_string(j) + ":" + std::to_string(id));
    }
  }
  std::sort(out.begin(), out.end());
  return out;
}

// The same by comparing every string at every end position.
std::vector<std::string> Literal(const std::vector<std::string_view>& strings, const std::string& text) {
  std::vector<std::string> out;
  for (size_t j = 0; j < text.size(); ++j)
    for (size_t k = 0; k < strings.size(); ++k) {
      const std::string_view p = strings[k];
      if (!p.empty() && p.size() <= j + 1 && text.compare(j + 1 - p.size(), p.size(), p) == 0)
        out.push_back(std::to_string(j) + ":" + std::to_string(k));
    }
  std::sort(out.begin(), out.end());
  return out;
}

TEST(AhoCorasick, BothFormsAgainstLiteralSearch) {
  std::mt19937 rng(2718);
  // Repeated and empty strings, strings that are suffixes of others, and a
  // byte outside the strings' alphabet in the text.
  for (int round = 0; round < 300; ++round) {
    std::vector<std::string> owned;
    for (size_t n = rng() % 12; n > 0; --n) owned.push_back(RandomString(rng, "abc", 0, 5));
    if (!owned.empty() && rng() % 3 == 0) owned.push_back(owned[rng() % owned.size()]);
    const std::vector<std::string_view> strings(owned.begin(), owned.end());
    const std::string text = RandomString(rng, "abcd", 0, 60);
    const std::vector<std::string> expect = Literal(strings, text);
    const AhoCorasick dense(strings);
    const AhoCorasick sparse(strings, 0);
    ASSERT_TRUE(dense.Dense());
    ASSERT_FALSE(sparse.Dense());
    EXPECT_EQ(Reported(dense, text, false), expect) << "round " << round;
    EXPECT_EQ(Reported(sparse, text, false), expect) << "round " << round;
    EXPECT_EQ(Reported(sparse, text, true), expect) << "round " << round;
  }
}

TEST(AhoCorasick, WideStatesUseTheirChildTables) {
  // A state with children on every byte value, and one with a few.
  std::vector<std::string> owned;
  for (int c = 0; c < 256; ++c) owned.push_back(std::string("x") + static_cast<char>(c));
  owned.push_back("yab");
  owned.push_back("b");
  const std::vector<std::string_view> strings(owned.begin(), owned.end());
  std::string text = "xyabx";
  for (int c = 255; c >= 0; --c) text += static_cast<char>(c) + std::string("x");
  const AhoCorasick sparse(strings, 0);
  EXPECT_EQ(Reported(sparse, text, true), Literal(strings, text));
  EXPECT_EQ(Reported(AhoCorasick(strings), text, false), Literal(strings, text));
}

}  // namespace
