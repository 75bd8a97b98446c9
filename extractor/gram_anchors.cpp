#include "extractor/gram_anchors.h"

void GramAnchors::Build(const std::vector<std::string_view>& pats, const std::vector<uint32_t>& ids,
                        std::string_view text) {
  pats_ = &pats;
  if (ids.empty()) return;
  // Lead-ins: the longest length at which the strings begin in at most
  // kMaxLeads ways.
  for (size_t len = kMaxLeadLen; len > 0 && leads_.empty(); --len) {
    for (uint32_t pid : ids) {
      std::string_view lead = pats[pid].substr(0, len);
      if (std::find(leads_.begin(), leads_.end(), lead) != leads_.end()) continue;
      if (leads_.size() == kMaxLeads) {
        leads_.clear();
        break;
      }
      leads_.push_back(lead);
    }
  }
  // Sampled counts of kQ-byte pieces of the text (and of anchors taken),
  // and of the places where a lead-in stands. Every kSketchStep-th position,
  // and for a large text no more than about kSketchSamples positions: a
  // million samples tell a common piece from a rare one as well as more
  // would, and each costs a cache miss.
  std::vector<uint16_t> seen(size_t{1} << kSketchBits, 0);
  const size_t step = std::max(kSketchStep, text.size() / kSketchSamples);
  size_t samples = 0, leadSamples = 0;
  for (size_t x = 0; x + kQ <= text.size(); x += step) {
    uint16_t& c = seen[Hash(Load8(text.data() + x), kSketchBits)];
    if (c < 0xFFFF) ++c;
    ++samples;
    for (std::string_view lead : leads_) {
      if (text.compare(x, lead.size(), lead) == 0) {
        ++leadSamples;
        break;
      }
    }
  }
  // With rare lead-ins every string is entered under its first kQ bytes, so
  // that a place where a lead-in stands needs one look-up (MatchLeads); else
  // under the piece that looks rarest.
  if (leadSamples * kLeadProbeCost * 2 > samples) leads_.clear();
  struct Choice {
    uint64_t gram;
    uint32_t shift;
    uint32_t pid;
  };
  std::vector<Choice> chosen;
  chosen.reserve(ids.size());
  for (uint32_t pid : ids) {
    std::string_view p = pats[pid];
    size_t best = 0;
    if (leads_.empty()) {
      const size_t last = std::min(kMaxShift, p.size() - kQ);
      uint32_t bestCount = 0xFFFFFFFFu;
      for (size_t j = 0; j <= last; ++j) {
        uint32_t c = seen[Hash(Load8(p.data() + j), kSketchBits)];
        if (c < bestCount) {
          bestCount = c;
          best = j;
        }
      }
      uint16_t& c = seen[Hash(Load8(p.data() + best), kSketchBits)];
      if (c < 0xFFFF) ++c;
    }
    chosen.push_back(Choice{Load8(p.data() + best), static_cast<uint32_t>(best), pid});
  }
  // Groups: by anchor, then offset, members sorted.
  std::sort(chosen.begin(), chosen.end(), [&](const Choice& a, const Choice& b) {
    if (a.gram != b.gram) return a.gram < b.gram;
    if (a.shift != b.shift) return a.shift < b.shift;
    return pats[a.pid] < pats[b.pid];
  });
  size_t slots = 1024;
  while (slots < chosen.size() * 2) slots <<= 1;
  slotBits_ = 0;
  for (size_t v = slots; v > 1; v >>= 1) ++slotBits_;
  keys_.assign(slots, 0);
  groupBegin_.assign(slots, kNone);
  groupEnd_.assign(slots, 0);
  filter_.Init(chosen.size());
  members_.reserve(chosen.size());
  std::vector<uint32_t> chain;
  for (size_t k = 0; k < chosen.size();) {
    const uint64_t gram = chosen[k].gram;
    size_t i = Hash(gram, slotBits_);
    while (groupBegin_[i] != kNone) i = (i + 1) & (slots - 1);
    keys_[i] = gram;
    groupBegin_[i] = static_cast<uint32_t>(groups_.size());
    while (k < chosen.size() && chosen[k].gram == gram) {
      const uint32_t shift = chosen[k].shift;
      const uint32_t begin = static_cast<uint32_t>(members_.size());
      chain.clear();
      for (; k < chosen.size() && chosen[k].gram == gram && chosen[k].shift == shift; ++k) {
        std::string_view p = pats[chosen[k].pid];
        while (!chain.empty() && !IsPrefix(pats[members_[chain.back()].pid], p)) chain.pop_back();
        Member m;
        m.pid = chosen[k].pid;
        m.parent = chain.empty() ? kNone : chain.back();
        m.head = Head(p.data());
        m.tail = Load8(p.data() + p.size() - kQ);
        m.len = p.size();
        chain.push_back(static_cast<uint32_t>(members_.size()));
        members_.push_back(m);
      }
      groups_.push_back(Group{shift, begin, static_cast<uint32_t>(members_.size())});
    }
    groupEnd_[i] = static_cast<uint32_t>(groups_.size());
    filter_.Add(gram);
  }
}
