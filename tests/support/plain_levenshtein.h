// The literal two-row Levenshtein table and search loop, the references of
// the similarity tests, with the random edits the tests make.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "common/stringlist.h"
#include "common/classic_string.h"
#include "optimizer/edit_distance.h"

namespace plain_levenshtein {

// The literal algorithm: a buffer of 2 * (L + 1) cells holding two rows.
class PlainLevenshtein {
 public:
  void Init(int maxLen) {
    int len = maxLen == 0 ? 65536 : maxLen;
    cells_.assign(2 * (static_cast<size_t>(len) + 1), 0);
  }
  int Distance(std::string a, std::string b, int bound) {
    if (static_cast<long long>(cells_.size()) < 2LL * (bound + 1)) {
      long long half = static_cast<long long>(cells_.size()) / 2;
      a = Copy(a, 1, half - 1);
      b = Copy(b, 1, half - 1);
    }
    if (a.empty()) return static_cast<int>(b.size());
    if (b.empty()) return static_cast<int>(a.size());
    const size_t lb = b.size();
    int* prev = cells_.data();
    int* cur = cells_.data() + lb + 1;
    for (size_t j = 0; j <= lb; ++j) prev[j] = static_cast<int>(j);
    for (size_t i = 1; i <= a.size(); ++i) {
      cur[0] = static_cast<int>(i);
      for (size_t j = 1; j <= lb; ++j) {
        int cost = a[i - 1] == b[j - 1] ? 0 : 1;
        cur[j] = Min3(prev[j] + 1, cur[j - 1] + 1, prev[j - 1] + cost);
      }
      std::swap(prev, cur);
    }
    return prev[lb];
  }
  int FindSimilar(const std::string& s, const std::vector<std::string>& list, int minLen,
                  uint8_t percent, bool window, bool skipIdentical) {
    int len = static_cast<int>(s.size());
    if (len < minLen) return -1;
    int allowed = static_cast<int>(std::floor((100 - static_cast<int>(percent)) * len / 100.0));
    int lo = len - allowed, hi = len + allowed;
    int best = -1, limit = allowed;
    for (size_t i = 0; i < list.size(); ++i) {
      const std::string& line = list[i];
      int n = static_cast<int>(line.size());
      if (line.empty() || n < minLen) continue;
      if (window && (n < lo || n > hi)) continue;
      int d = Distance(s, line, std::max(len, n));
      if (d <= limit) {
        if (skipIdentical && line == s) continue;
        best = static_cast<int>(i);
        limit = d;
      }
    }
    return best;
  }

 private:
  std::vector<int> cells_;
};

inline std::string Mutate(std::mt19937& rng, std::string s, const std::string& alphabet, int edits) {
  for (int e = 0; e < edits; ++e) {
    int op = static_cast<int>(rng() % 3);
    char c = alphabet[rng() % alphabet.size()];
    if (op == 0 || s.empty()) {
      s.insert(s.begin() + (s.empty() ? 0 : rng() % (s.size() + 1)), c);
    } else if (op == 1) {
      s.erase(s.begin() + rng() % s.size());
    } else {
      s[rng() % s.size()] = c;
    }
  }
  return s;
}

inline TStringList MakeList(const std::vector<std::string>& lines) {
  TStringList l;
  l.Assign(lines);
  return l;
}

}  // namespace plain_levenshtein
