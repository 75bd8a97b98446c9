// The "-d" replacement. The fast form asks the tracked text, per line, for the
// first occurrence of key and right part (does it occur at all?) and then
// replaces the key as a replace-all scan of the text as it stands would. The
// tracked text then finds what the edits created for later lines.
#include "extractor/replace_all_keys.h"

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <unordered_map>

#include "common/classic_string.h"
#include "extractor/tracked_text.h"

std::vector<bool> ReplaceAllKeysLiteral(std::string& text, const std::vector<TReplaceItem>& items) {
  std::vector<bool> found(items.size(), false);
  for (size_t i = 0; i < items.size(); ++i) {
    const TReplaceItem& item = items[i];
    if (item.search.empty() || text.find(item.search) == std::string::npos) continue;
    found[i] = true;
    const std::string key = item.search.substr(0, item.keyLen);
    if (key != item.replacement) ReplaceAllInPlace(text, key, item.replacement);
  }
  return found;
}

namespace {

constexpr uint32_t kNone = 0xFFFFFFFFu;

// The distinct strings the lines ask for, with their uses.
class PatternSet {
 public:
  uint32_t Add(std::string_view s, bool all) {
    auto [it, inserted] = ids_.emplace(s, static_cast<uint32_t>(pats_.size()));
    if (inserted) pats_.push_back(TrackedText::Pattern{s, 0, false});
    TrackedText::Pattern& p = pats_[it->second];
    ++p.uses;
    p.all = p.all || all;
    return it->second;
  }
  const std::vector<TrackedText::Pattern>& Patterns() const { return pats_; }

 private:
  std::unordered_map<std::string_view, uint32_t> ids_;
  std::vector<TrackedText::Pattern> pats_;
};

}  // namespace

std::vector<bool> ReplaceAllKeysFast(std::string_view text, const std::vector<TReplaceView>& items,
                                     TByteParts& out) {
  std::vector<bool> found(items.size(), false);
  const size_t n = items.size();
  std::vector<uint32_t> searchPat(n, kNone), keyPat(n, kNone);
  PatternSet set;
  for (size_t i = 0; i < n; ++i) {
    const TReplaceView& item = items[i];
    if (item.search.empty()) continue;
    // Replace-alls destroy occurrences in bulk: every occurrence is
    // collected in the first pass rather than searched for again later.
    searchPat[i] = set.Add(item.search, true);
    std::string_view key = item.search.substr(0, std::min(item.keyLen, item.search.size()));
    if (!key.empty() && key != item.replacement) keyPat[i] = set.Add(key, true);
  }
  out.clear();
  if (set.Patterns().empty() || text.empty()) {  // nothing can be found: text unchanged
    if (!text.empty()) out.push_back(text);
    return found;
  }
  {
    TrackedText live(text, set.Patterns());
    for (size_t i = 0; i < n; ++i) {
      const uint32_t sp = searchPat[i], kp = keyPat[i];
      if (sp == kNone) continue;
      live.Use(sp);
      if (kp != kNone) live.Use(kp);
      uint64_t pos = 0;
      if (live.First(sp, pos)) {
        found[i] = true;
        if (kp != kNone) live.ReplaceAll(kp, items[i].replacement);
      }
      live.Forget(sp);
      if (kp != kNone) live.Forget(kp);
    }
    live.Parts(out);
  }
  return found;
}

std::vector<bool> ReplaceAllKeysFast(std::string& text, const std::vector<TReplaceItem>& items) {
  return ReplaceInPlace<&ReplaceAllKeysFast>(text, items);
}
