#include "optimizer/number_duplicates.h"

#include <string_view>
#include <unordered_map>

#include "common/classic_string.h"

void NumberDuplicates(std::vector<std::string>& lines) {
  // Every open line still holds its loaded text, so the pairwise numbering
  // is a numbering of the groups of equal loaded lines that have at least
  // two members.
  std::vector<int> groupOf(lines.size());
  std::vector<int> sizes;
  {
    std::unordered_map<std::string_view, int> group;
    group.reserve(lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
      auto [it, inserted] = group.try_emplace(lines[i], static_cast<int>(sizes.size()));
      if (inserted) sizes.push_back(0);
      groupOf[i] = it->second;
      ++sizes[static_cast<size_t>(it->second)];
    }
  }
  std::vector<int> counter(sizes.size(), 0);
  for (size_t i = 0; i < lines.size(); ++i) {
    const size_t g = static_cast<size_t>(groupOf[i]);
    if (sizes[g] < 2) continue;
    lines[i] += "*";
    lines[i] += IntToStr(++counter[g]);
  }
}

void NumberDuplicateLines(TStringList& list, const TParam& p) {
  if (!p.NumberDoubles) return;
  NumberDuplicates(list.Lines());
}
