// Finds the search strings of at least kQ bytes in a text, each through one
// kQ-byte piece of it (its anchor) and a hash table.
#pragma once
#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "common/find_bytes.h"
#include "extractor/word_filter.h"

// Each string is entered under one anchor: the kQ bytes at an offset
// j <= kMaxShift that look rarest in a sample of the text (or its first kQ
// bytes, see MatchLeads). At a text position x whose kQ bytes equal an
// anchor, the strings of that anchor and offset j may start at x - j.
// Strings that share anchor and offset form a group kept in sorted order,
// with for each the longest other member that is a prefix of it, so that a
// group of many strings (say with a common markup prefix) is checked by a
// binary search rather than one by one. A filter
// (word_filter.h) rejects most positions that hold no anchor with one
// look-up in a small table.
class GramAnchors {
 public:
  static constexpr size_t kQ = 8;
  static constexpr size_t kMaxShift = 24;

  // Enters the strings pats[id] for the ids given (each of at least kQ
  // bytes); the anchors are chosen on a sample of text. pats must outlive
  // the object.
  void Build(const std::vector<std::string_view>& pats, const std::vector<uint32_t>& ids, std::string_view text);

  bool Empty() const { return members_.empty(); }

  // Calls f(pid, start) for every string whose anchor stands at position x
  // of data[0, avail) (x + kQ <= avail) and that occurs at start = x - shift
  // (start >= 0). Only strings with active(pid) are reported.
  template <class Active, class F>
  void MatchAt(const char* data, size_t avail, size_t x, Active active, F f) const {
    const uint64_t gram = Load8(data + x);
    if (filter_.MayHold(gram)) Probe(data, avail, x, gram, active, f);
  }

  // MatchAt for every x in [from, to) in order (x + kQ <= avail), while
  // more() holds; more() is asked once per block of positions. The filter is
  // looked up for a whole block first, without branches, so that the look-ups
  // of neighbouring positions overlap instead of waiting on each other.
  template <class More, class Active, class F>
  void MatchRange(const char* data, size_t avail, size_t from, size_t to, More more, Active active, F f) const {
    constexpr size_t kBlock = 64;
    for (size_t x0 = from; x0 < to && more(); x0 += kBlock) {
      const size_t m = std::min(kBlock, to - x0);
      uint64_t hits = 0;
      for (size_t i = 0; i < m; ++i) hits |= uint64_t{filter_.MayHold(Load8(data + x0 + i))} << i;
      while (hits != 0) {
        const size_t x = x0 + static_cast<size_t>(std::countr_zero(hits));
        hits &= hits - 1;
        Probe(data, avail, x, Load8(data + x), active, f);
      }
    }
  }

  // Calls f(pid, start) for every string that occurs in the text at a place
  // in [from, to) where one of its lead-ins stands, in text order (only
  // strings with active(pid)); returns the position below which every start
  // has been matched (from: nothing done). When all strings begin with one
  // of a few short lead-ins (the markup or quote that a script puts before
  // each string) and these are rare in the text, the strings are entered
  // under their first kQ bytes: the lead-ins are found with the byte search
  // (find_bytes.h), far faster than a look-up per position, and each place
  // needs one look-up. Stops when more() fails, and gives up, leaving the
  // rest to MatchRange, when the lead-ins prove more frequent than the
  // sample showed.
  template <class More, class Active, class F>
  size_t MatchLeads(const char* data, size_t n, size_t from, size_t to, More more, Active active, F f) const {
    if (leads_.empty()) return from;
    const std::string_view text(data, n);
    size_t next[kMaxLeads];
    for (size_t i = 0; i < leads_.size(); ++i) next[i] = FindBytesFrom(text, leads_[i], from);
    size_t probes = 0;
    for (;;) {
      const size_t s = *std::min_element(next, next + leads_.size());
      if (s == std::string_view::npos || s >= to || !more()) return to;
      if (s + kQ <= n) MatchAt(data, n, s, active, f);
      for (size_t i = 0; i < leads_.size(); ++i)
        if (next[i] == s) next[i] = FindBytesFrom(text, leads_[i], s + 1);
      if (++probes * kLeadProbeCost > s - from + kLeadBudget) return s + 1;
    }
  }

 private:
  // Lead-ins: at most kMaxLeads, of at most kMaxLeadLen bytes.
  static constexpr size_t kMaxLeads = 4;
  static constexpr size_t kMaxLeadLen = 4;
  // A check at a lead-in costs about this many look-ups of a scan of every
  // position; the lead-ins are not used when the sample shows them costing
  // more than half of that scan, and given up when their checks cost more
  // than the scan would have, past a first allowance.
  static constexpr size_t kLeadProbeCost = 4;
  static constexpr size_t kLeadBudget = 4096;

  // The hash-table part of MatchAt, for a gram that passed the filter.
  template <class Active, class F>
  void Probe(const char* data, size_t avail, size_t x, uint64_t gram, Active active, F f) const {
    const size_t mask = keys_.size() - 1;
    for (size_t i = Hash(gram, slotBits_); groupBegin_[i] != kNone; i = (i + 1) & mask) {
      if (keys_[i] != gram) continue;
      for (uint32_t g = groupBegin_[i]; g < groupEnd_[i]; ++g) {
        const Group& gr = groups_[g];
        if (x < gr.shift) continue;
        const size_t start = x - gr.shift;
        MatchGroup(gr, std::string_view(data + start, avail - start), active,
                   [&](uint32_t pid) { f(pid, start); });
      }
      return;
    }
  }

  static constexpr uint32_t kNone = 0xFFFFFFFFu;
  static constexpr unsigned kSketchBits = 20;
  static constexpr size_t kSketchStep = 8;
  static constexpr size_t kSketchSamples = size_t{1} << 20;

  struct Group {
    uint32_t shift;
    uint32_t begin, end;  // range of members_
  };

  struct Member {
    uint32_t pid;
    uint32_t parent;  // index of the longest member that is a prefix of this one, or kNone
    uint64_t head;
    uint64_t tail;  // last kQ bytes
    size_t len;
  };

  static uint64_t Load8(const char* d) {
    uint64_t v;
    std::memcpy(&v, d, sizeof v);
    return v;
  }
  static size_t Hash(uint64_t g, unsigned bits) { return static_cast<size_t>((g * 0x9E3779B97F4A7C15ull) >> (64 - bits)); }
  static bool IsPrefix(std::string_view a, std::string_view b) { return a.size() <= b.size() && b.compare(0, a.size(), a) == 0; }

  // First kQ bytes as a number that orders like the bytes.
  static uint64_t Head(const char* d) { return __builtin_bswap64(Load8(d)); }

  // Members of the group that are prefixes of t (t holds at least kQ
  // bytes). Every such member begins with the same kQ bytes as t; among the
  // members that do, the largest one <= t shares the longest common prefix
  // with t, and the matches are exactly it and its chain of prefixes, cut to
  // that common length. The first and last kQ bytes of each member, kept
  // beside it, settle most candidates without reading the string.
  template <class Active, class F>
  void MatchGroup(const Group& gr, std::string_view t, Active active, F f) const {
    const uint64_t head = Head(t.data());
    if (gr.end - gr.begin == 1) {
      const Member& m = members_[gr.begin];
      if (m.head != head || m.len > t.size() || m.tail != Load8(t.data() + m.len - kQ)) return;
      if (std::memcmp((*pats_)[m.pid].data(), t.data(), m.len) == 0 && active(m.pid)) f(m.pid);
      return;
    }
    auto firstNotBelow = [&](uint32_t lo, uint32_t hi, auto below) {
      while (lo < hi) {
        uint32_t mid = lo + (hi - lo) / 2;
        if (below(members_[mid]))
          lo = mid + 1;
        else
          hi = mid;
      }
      return lo;
    };
    const uint32_t lo = firstNotBelow(gr.begin, gr.end, [&](const Member& m) { return m.head < head; });
    const uint32_t hi = firstNotBelow(lo, gr.end, [&](const Member& m) { return m.head <= head; });
    if (lo == hi) return;
    const uint32_t past = firstNotBelow(lo, hi, [&](const Member& m) { return (*pats_)[m.pid] <= t; });
    if (past == lo) return;
    uint32_t x = past - 1;
    std::string_view px = (*pats_)[members_[x].pid];
    size_t lcp = kQ, m = std::min(px.size(), t.size());
    while (lcp < m && px[lcp] == t[lcp]) ++lcp;
    while (x != kNone && members_[x].len > lcp) x = members_[x].parent;
    for (; x != kNone; x = members_[x].parent)
      if (active(members_[x].pid)) f(members_[x].pid);
  }

  const std::vector<std::string_view>* pats_ = nullptr;
  std::vector<uint64_t> keys_;
  std::vector<uint32_t> groupBegin_, groupEnd_;
  std::vector<Group> groups_;
  std::vector<Member> members_;
  WordFilter filter_;
  unsigned slotBits_ = 0;
  std::vector<std::string_view> leads_;  // empty: anchors chosen by rarity
};
