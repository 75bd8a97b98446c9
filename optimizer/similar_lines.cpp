// Similarity search. A search over a prepared list visits candidates so
// that the limit tightens early (an equal line, the neighbours in sorted
// orders, then lengths ever farther from the searched one) and rules most of
// them out by bounds that cost far less than a distance.
#include "optimizer/similar_lines.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <compare>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <unordered_map>

#include "common/intmath.h"
#include "common/key_map.h"
#include "common/parallel_for.h"

namespace {

// Order of the reversed strings, bytes compared as unsigned (as the order
// of the strings themselves compares them).
bool ReversedLess(std::string_view a, std::string_view b) {
  return std::lexicographical_compare(a.rbegin(), a.rend(), b.rbegin(), b.rend(),
                                      [](char x, char y) { return static_cast<uint8_t>(x) < static_cast<uint8_t>(y); });
}

// Sixteen bytes of s as a big-endian number in two halves, from its start
// or, read backwards, from its end; bytes past its length count as 0. When
// the keys of two strings differ, they order them as the strings (or the
// reversed strings) order.
struct TOrderKey {
  uint64_t high = 0, low = 0;
  auto operator<=>(const TOrderKey&) const = default;
};

TOrderKey OrderKey(std::string_view s, bool reversed) {
  TOrderKey key;
  const size_t n = std::min<size_t>(s.size(), 16);
  for (size_t j = 0; j < n; ++j) {
    const auto byte = static_cast<uint8_t>(reversed ? s[s.size() - 1 - j] : s[j]);
    (j < 8 ? key.high : key.low) |= uint64_t{byte} << (56 - 8 * (j & 7));
  }
  return key;
}

// The numbers [0, count) in the order of their distinct texts, or of the
// reversed texts. The sort compares keys of the texts' first bytes, held
// beside the numbers, and reads the texts only where the keys tie.
template <class Text>
std::vector<int> SortedOrder(size_t count, Text text, bool reversed) {
  struct TKeyed {
    TOrderKey key;
    int index;
  };
  std::vector<TKeyed> keyed(count);
  for (size_t i = 0; i < count; ++i) keyed[i] = TKeyed{OrderKey(text(static_cast<int>(i)), reversed), static_cast<int>(i)};
  std::sort(keyed.begin(), keyed.end(), [&](const TKeyed& a, const TKeyed& b) {
    if (a.key != b.key) return a.key < b.key;
    return reversed ? ReversedLess(text(a.index), text(b.index)) : text(a.index) < text(b.index);
  });
  std::vector<int> order(count);
  for (size_t i = 0; i < count; ++i) order[i] = keyed[i].index;
  return order;
}

// Neighbours searched on each side of a line in the two orders.
constexpr int kSeedNeighbours = 3;
// A search that may still meet more lines than this goes to the lane form,
// with others like it: there it shares each line's reading with up to
// seven other searches.
constexpr int kNarrowLines = 32768;

struct TSearch {
  // The lengths a line may have: at least minEff, within [lo, hi].
  long long len = 0, lo = 0, hi = 0, minEff = 0;
  bool InRange(long long n) const { return n >= minEff && n >= lo && n <= hi; }
  const std::string* s = nullptr;
  std::string_view cs;
  THistogram32 qh{};
  int best = -1;
  int k = 0;
  bool skipIdentical = false;
  TLevenshteinKernel* kernel = nullptr;
  TLcsBound* lcs = nullptr;
};

}  // namespace

long long SimilarAllowance(long long len, int percent) { return FloorDiv((100LL - percent) * len, 100); }

int FindSimilarLine(const std::string& s, const TStringList& list, int minLen, uint8_t percent,
                    bool useLengthWindow, bool skipIdentical, int cut) {
  const long long len = static_cast<long long>(s.size());
  if (len < minLen) return -1;
  const long long allowed = SimilarAllowance(len, percent);
  if (allowed < 0) return -1;  // no distance is negative
  const long long lo = len - allowed, hi = len + allowed;
  TLevenshteinKernel kernel;
  kernel.SetPattern(CutLine(s, cut));
  int best = -1;
  long long limit = allowed;
  const std::vector<std::string>& lines = list.Lines();
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    const long long n = static_cast<long long>(line.size());
    if (n == 0 || n < minLen) continue;
    if (useLengthWindow && (n < lo || n > hi)) continue;
    const int lim = static_cast<int>(std::min<long long>(limit, INT_MAX - 1));
    const int d = kernel.Within(CutLine(line, cut), lim);
    if (d <= lim) {
      if (skipIdentical && line == s) continue;
      best = static_cast<int>(i);
      limit = d;
    }
  }
  return best;
}

struct TSimilarIndex::TImpl {
  TImpl(const std::vector<std::string>& lines, int cut);
  int Find(const std::string& s, int minLen, uint8_t percent, bool useLengthWindow, bool skipIdentical,
           TSimilarScratch& scratch) const;
  void FindLanes(const std::string* const* queries, int count, int minLen, uint8_t percent, bool useLengthWindow,
                 bool skipIdentical, TSimilarLanesScratch& scratch, int* results) const;
  bool FindIfNarrow(const std::string& s, int minLen, uint8_t percent, bool useLengthWindow, bool skipIdentical,
                    TSimilarScratch& scratch, int& result) const;
  // Whether the lane form can take a started search.
  bool LaneFormTakes(const TSearch& st) const {
    return LaneFormInUse() != TLaneForm::kNone && st.len <= cut_ &&
           st.cs.size() <= static_cast<size_t>(kMaxLaneWords) * 64;
  }

  // Distinct lines: equal lines have equal distances, so only the highest
  // index of each content matters.
  struct TGroup {
    std::string_view text;  // full line
    int maxIndex = -1;
    int length = 0;  // full length
    THistogram32 hist{};  // of the cut line
  };
  // Cheap tests; t is the limit the line must meet.
  bool Prefilter(const TGroup& g, TSearch& st, int& t) const;
  // The distance within t, taken as the best when it is.
  void Measure(const TGroup& g, TSearch& st, int t) const;
  void Consider(const TGroup& g, TSearch& st) const;
  // The groups [from, to), all of one length.
  void ConsiderRange(int from, int to, TSearch& st) const;
  // Sets up a search and makes its first steps (an equal line, the
  // neighbours in the sorted orders); false when no line can qualify.
  bool Start(const std::string& s, int minLen, uint8_t percent, bool useLengthWindow, bool skipIdentical,
             TSimilarScratch& scratch, TSearch& st) const;
  // The lines of every length the search may still take.
  void Scan(TSearch& st) const;
  // The lengths [from, to] of groups_ that the search may still take.
  void LengthsLeft(const TSearch& st, long long& from, long long& to) const {
    const long long maxLen = static_cast<long long>(lengthStart_.size()) - 2;
    from = std::max({st.minEff, st.lo, st.len - st.k});
    to = std::min({maxLen, st.hi, st.len + st.k});
  }
  // Scan for up to eight searches at once, their lines up to cut_ long.
  void ScanLanes(TSearch* st, int count, TLaneTables& tables) const;

  int cut_ = 0;
  std::string arena_;  // the texts of groups_, one after another
  std::vector<TGroup> groups_;  // lines up to cut_ long, ordered by length
  std::vector<int> lengthStart_;  // groups of length n: [lengthStart_[n], lengthStart_[n+1])
  std::vector<TGroup> longGroups_;  // lines longer than cut_
  TKeyMap exact_;  // content -> maxIndex
  // groups_ ordered by content and by reversed content: the neighbours of a
  // searched line share its longest beginnings and endings, and a line
  // changed by a small edit keeps one of them. Searching them first
  // tightens the limit early.
  std::vector<int> byPrefix_, bySuffix_;
};

TSimilarIndex::TImpl::TImpl(const std::vector<std::string>& lines, int cut) : cut_(cut), exact_(lines.size()) {
  const std::vector<uint64_t> hashes = HashAll(lines);
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i + kPrefetchAhead < lines.size()) exact_.Prefetch(hashes[i + kPrefetchAhead]);
    if (lines[i].empty()) continue;
    exact_.Insert(lines[i], hashes[i]) = static_cast<int32_t>(i);  // the last index wins
  }
  groups_.reserve(exact_.Size());
  int maxLen = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i + kPrefetchAhead < lines.size()) exact_.Prefetch(hashes[i + kPrefetchAhead]);
    // A content's group is made at its last line.
    if (lines[i].empty() || *exact_.Find(lines[i], hashes[i]) != static_cast<int32_t>(i)) continue;
    const std::string_view text = lines[i];
    TGroup g;
    g.text = text;
    g.maxIndex = static_cast<int>(i);
    g.length = static_cast<int>(std::min<size_t>(text.size(), INT_MAX));
    g.hist = MakeHistogram(CutLine(text, cut_));
    if (text.size() > static_cast<size_t>(cut_)) {
      longGroups_.push_back(g);
    } else {
      maxLen = std::max(maxLen, g.length);
      groups_.push_back(g);
    }
  }
  // By length; of one length the higher indexes first, so that a lower
  // index must be strictly closer and more of them are ruled out at once.
  std::sort(groups_.begin(), groups_.end(), [](const TGroup& a, const TGroup& b) {
    return a.length != b.length ? a.length < b.length : a.maxIndex > b.maxIndex;
  });
  // The lines of one length side by side, in the order of groups_, so that
  // the scan of a length reads memory in order.
  size_t total = 0;
  for (const TGroup& g : groups_) total += g.text.size();
  arena_.resize(total);
  size_t at = 0;
  for (TGroup& g : groups_) {
    std::memcpy(arena_.data() + at, g.text.data(), g.text.size());
    g.text = std::string_view(arena_.data() + at, g.text.size());
    at += g.text.size();
  }
  auto text = [this](int gi) { return groups_[gi].text; };
  byPrefix_ = SortedOrder(groups_.size(), text, false);
  bySuffix_ = SortedOrder(groups_.size(), text, true);
  lengthStart_.assign(static_cast<size_t>(maxLen) + 2, 0);
  size_t gi = 0;
  for (int len = 0; len <= maxLen + 1; ++len) {
    while (gi < groups_.size() && groups_[gi].length < len) ++gi;
    lengthStart_[len] = static_cast<int>(gi);
  }
}

bool TSimilarIndex::TImpl::Prefilter(const TGroup& g, TSearch& st, int& t) const {
  if (st.skipIdentical && g.text == *st.s) return false;
  // A lower index must be strictly closer; a higher one may tie.
  t = g.maxIndex > st.best ? st.k : st.k - 1;
  if (t < 0) return false;
  const long long cutLen = std::min<long long>(static_cast<long long>(g.text.size()), cut_);
  if (std::llabs(cutLen - static_cast<long long>(st.cs.size())) > t) return false;
  return HistogramBound(st.qh, g.hist) <= t;
}

void TSimilarIndex::TImpl::Measure(const TGroup& g, TSearch& st, int t) const {
  const int d = st.kernel->Within(CutLine(g.text, cut_), t);
  if (d <= t) {
    st.best = g.maxIndex;
    st.k = d;
  }
}

void TSimilarIndex::TImpl::Consider(const TGroup& g, TSearch& st) const {
  int t = 0;
  if (!Prefilter(g, st, t)) return;
  // The distance is at least max(len) - LCS.
  const std::string_view cl = CutLine(g.text, cut_);
  if (st.lcs->Below(cl, static_cast<int>(std::max(cl.size(), st.cs.size())) - t)) return;
  Measure(g, st, t);
}

void TSimilarIndex::TImpl::ConsiderRange(int from, int to, TSearch& st) const {
  if (!st.lcs->BatchReady()) {
    for (int gi = from; gi < to; ++gi) Consider(groups_[gi], st);
    return;
  }
  // Lines of one length: their common-subsequence bounds are computed
  // TLcsBound::kBatch at a time. The limit only tightens between
  // the bound and the distance, and a bound against a larger limit rules
  // out less, so every line it rules out is out under the current limit.
  constexpr int kBatch = TLcsBound::kBatch;
  int pending[kBatch];
  std::string_view texts[kBatch];
  int need[kBatch];
  int count = 0;
  auto flush = [&]() {
    const uint32_t below = st.lcs->BelowBatch(texts, count, need);
    for (int l = 0; l < count; ++l) {
      if (below & (uint32_t{1} << l)) continue;
      const TGroup& g = groups_[pending[l]];
      int t = 0;
      if (Prefilter(g, st, t)) Measure(g, st, t);
    }
    count = 0;
  };
  for (int gi = from; gi < to; ++gi) {
    const TGroup& g = groups_[gi];
    int t = 0;
    if (!Prefilter(g, st, t)) continue;
    pending[count] = gi;
    texts[count] = g.text;  // no line of these lengths is longer than the cut
    need[count] = static_cast<int>(std::max(g.text.size(), st.cs.size())) - t;
    if (++count == kBatch) flush();
  }
  if (count > 0) flush();
}

bool TSimilarIndex::TImpl::Start(const std::string& s, int minLen, uint8_t percent, bool useLengthWindow,
                                 bool skipIdentical, TSimilarScratch& scratch, TSearch& st) const {
  const long long len = static_cast<long long>(s.size());
  if (len < minLen) return false;
  const long long allowed = SimilarAllowance(len, percent);
  if (allowed < 0) return false;
  st.len = len;
  st.lo = useLengthWindow ? len - allowed : LLONG_MIN;
  st.hi = useLengthWindow ? len + allowed : LLONG_MAX;
  st.minEff = std::max(minLen, 1);
  st.s = &s;
  st.cs = CutLine(s, cut_);
  st.qh = MakeHistogram(st.cs);
  st.k = static_cast<int>(std::min<long long>(allowed, INT_MAX - 1));
  st.skipIdentical = skipIdentical;
  st.kernel = &scratch.kernel;
  st.lcs = &scratch.lcs;
  scratch.kernel.SetPattern(st.cs);
  scratch.lcs.SetPattern(scratch.kernel.Masks());

  // An equal line is at distance 0: only lines at distance 0 with a higher
  // index can follow it.
  if (!skipIdentical) {
    if (const int32_t* index = exact_.Find(s)) {
      st.best = *index;
      st.k = 0;
    }
  }

  // The nearest lines in the two orders first.
  if (st.k > 0) {
    auto seed = [&](const std::vector<int>& order, auto less) {
      auto it = std::lower_bound(order.begin(), order.end(), std::string_view(s),
                                 [&](int gi, std::string_view v) { return less(groups_[gi].text, v); });
      const ptrdiff_t at = it - order.begin();
      const ptrdiff_t from = std::max<ptrdiff_t>(0, at - kSeedNeighbours);
      const ptrdiff_t to = std::min<ptrdiff_t>(static_cast<ptrdiff_t>(order.size()), at + kSeedNeighbours);
      for (ptrdiff_t i = from; i < to; ++i) {
        const TGroup& g = groups_[order[i]];
        if (st.InRange(g.length)) Consider(g, st);
      }
    };
    seed(byPrefix_, [](std::string_view a, std::string_view b) { return a < b; });
    seed(bySuffix_, ReversedLess);
  }
  return true;
}

void TSimilarIndex::TImpl::Scan(TSearch& st) const {
  const long long len = st.len;
  if (len <= cut_) {
    // Lines of the searched length first, then ever farther lengths, as
    // long as the length difference alone does not exceed the limit.
    const long long maxLen = static_cast<long long>(lengthStart_.size()) - 2;
    for (long long dl = 0;; ++dl) {
      if (dl > st.k) break;
      const long long up = len + dl, down = len - dl;
      const bool upOk = up <= maxLen && up <= st.hi;
      const bool downOk = down >= st.minEff && down >= st.lo;
      if (!upOk && !downOk) break;
      if (upOk && st.InRange(up)) {
        ConsiderRange(lengthStart_[up], lengthStart_[up + 1], st);
      }
      if (dl > 0 && downOk && down <= maxLen && st.InRange(down)) {
        ConsiderRange(lengthStart_[down], lengthStart_[down + 1], st);
      }
    }
  } else {
    for (const TGroup& g : groups_) {
      if (st.InRange(g.length)) Consider(g, st);
    }
  }
  for (const TGroup& g : longGroups_) {
    if (st.InRange(g.length)) Consider(g, st);
  }
}

void TSimilarIndex::TImpl::ScanLanes(TSearch* st, int count, TLaneTables& tables) const {
  std::string_view patterns[8];
  for (int l = 0; l < count; ++l) patterns[l] = st[l].cs;
  BuildLaneTables(patterns, count, tables);
  // The lengths any search may take, visited from the middle one outward so
  // that the limits tighten early; each search takes only the lengths within
  // its own window and limit at the time.
  long long from = LLONG_MAX, to = LLONG_MIN;
  for (int l = 0; l < count; ++l) {
    long long laneFrom = 0, laneTo = 0;
    LengthsLeft(st[l], laneFrom, laneTo);
    from = std::min(from, laneFrom);
    to = std::max(to, laneTo);
  }
  const long long middle = st[count / 2].len;
  // Lines of one length whose bounds are pending, kLaneTexts at a time. The
  // bound of a later one was set before the earlier ones were measured,
  // against a limit no tighter than the one it is measured under, so it
  // rules out no line wrongly; it is filtered again before it is measured.
  long long need[kLaneTexts][8] = {};
  long long limit[kLaneTexts][8] = {};
  int pendingGroup[kLaneTexts];
  uint32_t pendingActive[kLaneTexts];
  int pending = 0;
  // The lanes' cheap tests run on a copy of their searches' state, brought
  // up to date whenever a measure changes it.
  TLaneFilter filter;
  uint32_t skipping = 0;  // lanes that skip identical lines
  for (int l = 0; l < count; ++l) {
    filter.SetLane(l, st[l].qh, static_cast<long long>(st[l].cs.size()), st[l].k, st[l].best);
    if (st[l].skipIdentical) skipping |= uint32_t{1} << l;
  }
  auto flush = [&] {
    std::string_view texts[kLaneTexts];
    const long long* needs[kLaneTexts];
    uint32_t below[kLaneTexts];
    for (int x = 0; x < pending; ++x) {
      texts[x] = groups_[pendingGroup[x]].text;
      needs[x] = need[x];
      below[x] = pendingActive[x];
    }
    LcsBelowLanesOfTexts(tables, texts, pending, needs, below);
    for (int x = 0; x < pending; ++x) {
      const TGroup& g = groups_[pendingGroup[x]];
      const uint32_t measure = pendingActive[x] & ~below[x];
      for (int l = 0; l < count; ++l) {
        if (!(measure & (uint32_t{1} << l))) continue;
        int t = static_cast<int>(limit[x][l]);
        if (x > 0 && !Prefilter(g, st[l], t)) continue;
        Measure(g, st[l], t);
        filter.limit[l] = st[l].k;
        filter.best[l] = st[l].best;
      }
    }
    pending = 0;
  };
  for (long long dl = 0; middle - dl >= from || middle + dl <= to; ++dl) {
    for (const long long n : {middle + dl, middle - dl}) {
      if ((dl == 0 && n != middle) || n < from || n > to) continue;
      uint32_t takes = 0;
      for (int l = 0; l < count; ++l) {
        if (st[l].InRange(n) && std::llabs(n - st[l].len) <= st[l].k) takes |= uint32_t{1} << l;
      }
      if (takes == 0) continue;
      for (int gi = lengthStart_[n]; gi < lengthStart_[n + 1]; ++gi) {
        const TGroup& g = groups_[gi];
        uint32_t active = LaneFilter(filter, g.hist, g.length, g.maxIndex, takes, limit[pending], need[pending]);
        for (uint32_t same = active & skipping; same != 0; same &= same - 1) {
          const int l = std::countr_zero(same);
          if (g.text == *st[l].s) active &= ~(uint32_t{1} << l);
        }
        if (active == 0) continue;
        pendingGroup[pending] = gi;
        pendingActive[pending] = active;
        if (++pending == kLaneTexts) flush();
      }
      flush();  // the next length has texts of another length
    }
  }
  for (int l = 0; l < count; ++l) {
    for (const TGroup& g : longGroups_) {
      if (st[l].InRange(g.length)) Consider(g, st[l]);
    }
  }
}

int TSimilarIndex::TImpl::Find(const std::string& s, int minLen, uint8_t percent, bool useLengthWindow,
                               bool skipIdentical, TSimilarScratch& scratch) const {
  TSearch st;
  if (!Start(s, minLen, percent, useLengthWindow, skipIdentical, scratch, st)) return -1;
  Scan(st);
  return st.best;
}

bool TSimilarIndex::TImpl::FindIfNarrow(const std::string& s, int minLen, uint8_t percent, bool useLengthWindow,
                                        bool skipIdentical, TSimilarScratch& scratch, int& result) const {
  TSearch st;
  if (!Start(s, minLen, percent, useLengthWindow, skipIdentical, scratch, st)) {
    result = -1;
    return true;
  }
  if (LaneFormTakes(st)) {
    long long from = 0, to = 0;
    LengthsLeft(st, from, to);
    if (from <= to && lengthStart_[to + 1] - lengthStart_[from] > kNarrowLines) return false;
  }
  Scan(st);
  result = st.best;
  return true;
}

void TSimilarIndex::TImpl::FindLanes(const std::string* const* queries, int count, int minLen, uint8_t percent,
                                     bool useLengthWindow, bool skipIdentical, TSimilarLanesScratch& scratch,
                                     int* results) const {
  // The searches that the lane form takes: searched lines up to the cut and
  // to the lane form's longest pattern. The others search alone.
  TSearch st[8];
  int lane[8];
  int lanes = 0;
  for (int q = 0; q < count; ++q) {
    TSearch one;
    if (!Start(*queries[q], minLen, percent, useLengthWindow, skipIdentical, scratch.lane[q], one)) {
      results[q] = -1;
    } else if (LaneFormTakes(one)) {
      st[lanes] = one;
      lane[lanes++] = q;
    } else {
      Scan(one);
      results[q] = one.best;
    }
  }
  if (lanes == 0) return;
  ScanLanes(st, lanes, scratch.tables);
  for (int l = 0; l < lanes; ++l) results[lane[l]] = st[l].best;
}

TSimilarIndex::TSimilarIndex(const std::vector<std::string>& lines, int cut)
    : impl_(std::make_unique<TImpl>(lines, cut)) {}
TSimilarIndex::~TSimilarIndex() = default;

int TSimilarIndex::Find(const std::string& s, int minLen, uint8_t percent, bool useLengthWindow,
                        bool skipIdentical, TSimilarScratch& scratch) const {
  return impl_->Find(s, minLen, percent, useLengthWindow, skipIdentical, scratch);
}

bool TSimilarIndex::FindIfNarrow(const std::string& s, int minLen, uint8_t percent, bool useLengthWindow,
                                 bool skipIdentical, TSimilarScratch& scratch, int& result) const {
  return impl_->FindIfNarrow(s, minLen, percent, useLengthWindow, skipIdentical, scratch, result);
}

void TSimilarIndex::FindTogether(const std::string* const* queries, int count, int minLen, uint8_t percent,
                                 bool useLengthWindow, bool skipIdentical, TSimilarLanesScratch& scratch,
                                 int* results) const {
  if (LaneFormInUse() == TLaneForm::kNone) {
    for (int q = 0; q < count; ++q) {
      results[q] = Find(*queries[q], minLen, percent, useLengthWindow, skipIdentical, scratch.lane[q]);
    }
    return;
  }
  impl_->FindLanes(queries, count, minLen, percent, useLengthWindow, skipIdentical, scratch, results);
}

std::vector<int> FindSimilarLines(const std::vector<std::string>& queries, const std::vector<std::string>& list,
                                  int minLen, uint8_t percent, bool useLengthWindow, bool skipIdentical,
                                  int threads, int cut) {
  if (queries.empty()) return {};
  return FindSimilarLines(queries, TSimilarIndex(list, cut), minLen, percent, useLengthWindow, skipIdentical,
                          threads);
}

std::vector<int> FindSimilarLines(const std::vector<std::string>& queries, const TSimilarIndex& index, int minLen,
                                  uint8_t percent, bool useLengthWindow, bool skipIdentical, int threads) {
  std::vector<int> results(queries.size(), -1);
  if (queries.empty()) return results;
  // Equal searched lines give equal results: search each content once.
  std::vector<int> firstOf(queries.size());
  std::vector<int> distinct;
  {
    std::unordered_map<std::string_view, int> seen;
    seen.reserve(queries.size());
    for (size_t i = 0; i < queries.size(); ++i) {
      auto [it, inserted] = seen.try_emplace(std::string_view(queries[i]), static_cast<int>(i));
      firstOf[i] = it->second;
      if (inserted) distinct.push_back(static_cast<int>(i));
    }
  }
  // The narrow searches one by one; the wide ones eight at once, of lines
  // of similar lengths, so that they take mostly the same lines.
  std::vector<char> wide(distinct.size(), 0);
  ParallelFor<TSimilarScratch>(distinct.size(), threads, [&](TSimilarScratch& scratch, size_t k) {
    const int qi = distinct[k];
    wide[k] = !index.FindIfNarrow(queries[qi], minLen, percent, useLengthWindow, skipIdentical, scratch, results[qi]);
  });
  std::vector<int> together;
  for (size_t k = 0; k < distinct.size(); ++k) {
    if (wide[k]) together.push_back(distinct[k]);
  }
  std::stable_sort(together.begin(), together.end(),
                   [&](int a, int b) { return queries[a].size() < queries[b].size(); });
  const size_t batches = (together.size() + 7) / 8;
  ParallelFor<TSimilarLanesScratch>(batches, threads, [&](TSimilarLanesScratch& scratch, size_t k) {
    const std::string* batch[8];
    int found[8];
    const int count = static_cast<int>(std::min<size_t>(8, together.size() - k * 8));
    for (int q = 0; q < count; ++q) batch[q] = &queries[together[k * 8 + q]];
    index.FindTogether(batch, count, minLen, percent, useLengthWindow, skipIdentical, scratch, found);
    for (int q = 0; q < count; ++q) results[together[k * 8 + q]] = found[q];
  });
  for (size_t i = 0; i < queries.size(); ++i) results[i] = results[firstOf[i]];
  return results;
}
