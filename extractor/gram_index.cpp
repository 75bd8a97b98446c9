#include "extractor/gram_index.h"

#include <algorithm>

void GramIndex::Build(const std::vector<std::string_view>& pats) {
  size_t count = 0;
  for (std::string_view p : pats)
    if (p.size() > kGram) count += (p.size() - 1) / kSub;
  if (count == 0) return;
  size_t slots = 1024;
  while (slots < count * 2) slots <<= 1;
  mask_ = slots - 1;
  keys_.assign(slots, 0);
  offs_.assign(slots, 0);
  filter_.Init(count);
  for (std::string_view p : pats) {
    if (p.size() <= kGram) continue;
    for (size_t at = 0; at + kSub + 1 <= p.size(); at += kSub) {
      uint64_t h = Key(Hash(p.data() + at));
      size_t i = Slot(h);
      while (keys_[i] != 0 && keys_[i] != h) i = (i + 1) & mask_;
      keys_[i] = h;
      offs_[i] = std::max<uint64_t>(offs_[i], at);
      filter_.Add(h);
    }
  }
}

uint64_t GramIndex::Reach(const char* d) const {
  if (keys_.empty()) return 0;
  uint64_t top = 1;  // kBase^(kSub-1)
  for (size_t k = 1; k < kSub; ++k) top *= kBase;
  uint64_t h = Hash(d);
  uint64_t reach = 0;
  for (size_t t = 0;; ++t) {
    const uint64_t key = Key(h);
    if (filter_.MayHold(key)) {
      for (size_t i = Slot(key); keys_[i] != 0; i = (i + 1) & mask_) {
        if (keys_[i] == key) {
          // The piece d[t, t + kSub) stands at offset offs_[i] at most, so
          // the string starts at most offs_[i] + kGram - t bytes before the
          // end of the run.
          reach = std::max<uint64_t>(reach, offs_[i] + kGram - t);
          break;
        }
      }
    }
    if (t == kSub) return reach;
    h = (h - top * static_cast<uint8_t>(d[t])) * kBase + static_cast<uint8_t>(d[t + kSub]);
  }
}
