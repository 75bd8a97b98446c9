// Sequential replacement of translated lines: the plain loop and the form
// built on the tracked text.
#include "extractor/fast_replace.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>

#include "extractor/tracked_text.h"

std::vector<bool> ReplaceSequentialLiteral(std::string& text, const std::vector<TReplaceItem>& items) {
  std::vector<bool> found(items.size(), false);
  for (size_t i = 0; i < items.size(); ++i) {
    const TReplaceItem& item = items[i];
    if (item.search.empty()) continue;
    size_t p = text.find(item.search);
    if (p == std::string::npos) continue;
    found[i] = true;
    text.replace(p, std::min(item.keyLen, item.search.size()), item.replacement);
  }
  return found;
}

std::vector<TReplaceView> ViewsOf(const std::vector<TReplaceItem>& items) {
  std::vector<TReplaceView> views;
  views.reserve(items.size());
  for (const TReplaceItem& item : items) views.push_back(TReplaceView{item.search, item.keyLen, item.replacement});
  return views;
}

std::vector<bool> ReplaceSequentialFast(std::string_view text, const std::vector<TReplaceView>& items,
                                        TByteParts& out) {
  std::vector<bool> found(items.size(), false);
  constexpr uint32_t kNone = 0xFFFFFFFFu;
  std::vector<TrackedText::Pattern> pats;
  std::vector<uint32_t> itemPat(items.size(), kNone);
  std::unordered_map<std::string_view, uint32_t> ids;
  for (size_t i = 0; i < items.size(); ++i) {
    std::string_view s(items[i].search);
    if (s.empty()) continue;
    auto [it, inserted] = ids.emplace(s, static_cast<uint32_t>(pats.size()));
    if (inserted) pats.push_back(TrackedText::Pattern{s, 0, false});
    itemPat[i] = it->second;
    ++pats[it->second].uses;
  }
  out.clear();
  if (pats.empty() || text.empty()) {  // nothing can be found: text unchanged
    if (!text.empty()) out.push_back(text);
    return found;
  }
  TrackedText live(text, pats);
  for (size_t i = 0; i < items.size(); ++i) {
    const uint32_t pid = itemPat[i];
    if (pid == kNone) continue;
    live.Use(pid);
    uint64_t pos = 0;
    if (live.First(pid, pos)) {
      found[i] = true;
      live.Replace(pos, std::min(items[i].keyLen, items[i].search.size()), items[i].replacement);
    }
    live.Forget(pid);
  }
  live.Parts(out);
  return found;
}

std::vector<bool> ReplaceSequentialFast(std::string& text, const std::vector<TReplaceItem>& items) {
  return ReplaceInPlace<&ReplaceSequentialFast>(text, items);
}
