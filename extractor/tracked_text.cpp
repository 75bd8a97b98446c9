// A text under edits with its occurrences of a fixed set of search strings.
//
// A plain loop would search each query from the start of the text as changed
// so far and move the rest of the text on every length change: (queries) x
// (text) work. This form answers the same queries as follows.
//
// - The text is a piece table (see piece_table.h): no edit moves bytes, and
//   every byte, alive or removed, keeps a name (its source and offset there)
//   whose order in the text stays valid for the whole run.
// - Every occurrence of a search string in the current text is of one of two
//   kinds. A clean original occurrence lies on original bytes that no edit has
//   removed or separated; per search string these are found in original order
//   (all search strings at once in one pass over the original text, as many as
//   the uses need, then one at a time with the byte search of find_bytes.h),
//   and an occurrence stays valid as long as two bit sets (removed original
//   bytes, places where something was inserted between two original bytes)
//   show nothing inside it. Any other occurrence touches the bytes of some
//   edit (contains an inserted byte or the seam where bytes were removed);
//   right after each edit the text around it is searched for the search
//   strings still in use, and what is found is kept per search string in a
//   heap in text order, checked against the current text when it comes to
//   the top.
// - Search strings of 8 bytes or more are found through an 8-byte anchor near
//   their start and a hash table (gram_anchors.h; in the first pass, where
//   they all begin with a few rare lead-ins, only where one stands); shorter
//   ones with an Aho-Corasick automaton. After an edit, the gram index (gram_index.h)
//   bounds how far back the text must be searched again.
// - The first occurrence is the earlier of the first valid candidate of each
//   kind; all occurrences are the two kinds merged in text order.
#include "extractor/tracked_text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <string_view>
#include <utility>

#include "common/aho_corasick.h"
#include "common/find_bytes.h"
#include "common/parallel_for.h"
#include "extractor/bit_set.h"
#include "extractor/gram_anchors.h"
#include "extractor/gram_index.h"
#include "extractor/piece_table.h"

namespace {

constexpr uint32_t kNone = AhoCorasick::kNone;
// Search strings of at least kQ bytes are found through one kQ-byte anchor at
// an offset of at most kMaxShift; shorter ones with a small Aho-Corasick
// automaton.
constexpr size_t kQ = GramAnchors::kQ;
constexpr size_t kMaxShift = GramAnchors::kMaxShift;
// Original occurrences collected per search string beyond its number of items
// in the first pass; more are found on demand.
constexpr size_t kSlack = 4;
// Texts with this many places for a long string to start, or more, are
// scanned for the long strings in two halves side by side.
constexpr size_t kHalvesFrom = size_t{1} << 20;
// Length of the byte run before an edit that is looked up among the runs of
// the long search strings to decide how far to the left the text around an
// edit must be searched.
constexpr size_t kGram = GramIndex::kGram;

using Ident = PieceTable::Ident;

// Walks the terminal states reachable from state s (s itself, then its
// dictionary links) whose pattern `active` accepts, calling emit(state) for
// each. Links past inactive patterns are shortened for good, which is valid
// because a pattern never becomes active again.
template <class Active, class Emit>
inline void ForEachActive(const AhoCorasick& ac, std::vector<uint32_t>& up, uint32_t s, Active active, Emit emit) {
  uint32_t t = ac.Id(s);
  if (t != kNone && active(t)) emit(s);
  uint32_t x = s;
  for (;;) {
    uint32_t r = up[x];
    while (r != kNone && !active(ac.Id(r))) r = up[r];
    for (uint32_t c = up[x]; c != r;) {
      uint32_t nx = up[c];
      up[c] = r;
      c = nx;
    }
    up[x] = r;
    if (r == kNone) return;
    emit(r);
    x = r;
  }
}

}  // namespace

struct TrackedText::Impl {
  Impl(std::string_view text, const std::vector<Pattern>& patterns) : text_(text), pieces_(sources_) {
    pats_.reserve(patterns.size());
    for (const Pattern& p : patterns) {
      pats_.push_back(p.bytes);
      remaining_.push_back(p.uses);
    }
    // The bit sets and the gram index need nothing of the rest: they are
    // made on a second worker while the tables of the search are.
    ParallelForEach(2, 0, [&](size_t part) {
      if (part == 0) {
        BuildSearch(patterns);
      } else {
        dirtyByte_ = BitSet(text_.size() + 1);
        dirtyGap_ = BitSet(text_.size() + 2);
        grams_.Build(pats_);
      }
    });
    FirstPass();
    upWin_ = ac_.DictLinks();
    // An edit adds at most three pieces: the two cuts and its bytes.
    uint64_t uses = 0;
    for (uint32_t r : remaining_) uses += r;
    pieces_.Reserve(static_cast<size_t>(std::min<uint64_t>(3 * uses + 2, uint64_t{1} << 26)));
    pieces_.Init(text_.size());
  }

  // The counts of pending lengths, the lists of original occurrences, the
  // anchors of the long strings and the automaton of the short ones.
  void BuildSearch(const std::vector<Pattern>& patterns) {
    // Pending lengths: count of pending patterns per distinct length.
    std::vector<size_t> lens;
    for (std::string_view p : pats_) lens.push_back(p.size());
    std::sort(lens.begin(), lens.end());
    lens.erase(std::unique(lens.begin(), lens.end()), lens.end());
    lenValue_ = lens;
    lenCount_.assign(lens.size(), 0);
    lenIndex_.resize(pats_.size());
    for (size_t k = 0; k < pats_.size(); ++k) {
      lenIndex_[k] = static_cast<uint32_t>(std::lower_bound(lens.begin(), lens.end(), pats_[k].size()) - lens.begin());
      if (remaining_[k] > 0) ++lenCount_[lenIndex_[k]];
    }
    lenTop_ = lens.size();
    orig_.resize(pats_.size());
    heaps_.resize(pats_.size());
    for (size_t k = 0; k < pats_.size(); ++k)
      orig_[k].cap = patterns[k].all ? std::numeric_limits<size_t>::max() : remaining_[k] + kSlack;
    sources_.push_back(std::string_view(text_));
    // The automaton holds the short strings under their own ids; the long
    // ones stand in it as empty strings, which it leaves out.
    std::vector<uint32_t> longIds;
    std::vector<std::string_view> shortPats(pats_.size());
    for (uint32_t k = 0; k < pats_.size(); ++k) {
      if (pats_[k].size() >= kQ)
        longIds.push_back(k);
      else
        shortPats[k] = pats_[k];
    }
    anchors_.Build(pats_, longIds, text_);
    // The sparse form: the scans stay mostly at the start state, where its
    // step is a single look-up.
    ac_ = AhoCorasick(shortPats, 0);
  }

  void Use(uint32_t k) {
    if (remaining_[k] > 0 && --remaining_[k] == 0) --lenCount_[lenIndex_[k]];
  }

  void Forget(uint32_t k) {
    if (remaining_[k] != 0) return;
    std::vector<uint64_t>().swap(orig_[k].occ);
    orig_[k].ptr = 0;
    std::vector<Ident>().swap(heaps_[k]);
  }

  // Longest pending search string (0: none).
  size_t PendingMax() {
    while (lenTop_ > 0 && lenCount_[lenTop_ - 1] == 0) --lenTop_;
    return lenTop_ == 0 ? 0 : lenValue_[lenTop_ - 1];
  }

  // One pass over the original text: the first `cap` occurrences of every
  // search string.
  void FirstPass() {
    const char* d = text_.data();
    const size_t n = text_.size();
    auto active = [&](uint32_t pid) { return orig_[pid].occ.size() < orig_[pid].cap; };
    size_t open = 0;
    auto record = [&](uint32_t pid, size_t st) {
      OrigList& ol = orig_[pid];
      ol.occ.push_back(st);
      if (ol.occ.size() == ol.cap) --open;
    };
    open = pats_.size() - ac_.Count();
    auto more = [&] { return open > 0; };
    const size_t end = n >= kQ ? n - kQ + 1 : 0;  // no long string starts from here on
    if (end < kHalvesFrom || open == 0) {
      ScanLong(0, end, end, more, active, record);
    } else {
      // A large text in two halves side by side: the second half's
      // occurrences are kept apart, with counts of their own, and follow
      // the first half's up to each string's cap.
      const size_t mid = end / 2;
      std::vector<uint32_t> count(pats_.size(), 0);
      std::vector<std::pair<uint32_t, uint64_t>> later;
      size_t openLater = open;
      auto activeLater = [&](uint32_t pid) { return count[pid] < orig_[pid].cap; };
      auto recordLater = [&](uint32_t pid, size_t st) {
        later.emplace_back(pid, st);
        if (++count[pid] == orig_[pid].cap) --openLater;
      };
      auto moreLater = [&] { return openLater > 0; };
      ParallelForEach(2, 0, [&](size_t half) {
        if (half == 0) {
          ScanLong(0, mid, end, more, active, record);
        } else {
          ScanLong(mid, end, end, moreLater, activeLater, recordLater);
        }
      });
      for (const auto& [pid, st] : later) {
        if (active(pid)) orig_[pid].occ.push_back(st);
      }
    }
    open = ac_.Count();
    std::vector<uint32_t> up = ac_.DictLinks();
    uint32_t s = 0;
    for (size_t i = 0; i < n && open > 0; ++i) {
      s = ac_.NextSparse(s, static_cast<uint8_t>(d[i]));
      if (!ac_.Ends(s) && up[s] == kNone) continue;
      ForEachActive(ac_, up, s, active, [&](uint32_t t) {
        uint32_t pid = ac_.Id(t);
        record(pid, i + 1 - pats_[pid].size());
      });
    }
    for (OrigList& ol : orig_) {
      if (ol.occ.size() < ol.cap) {
        ol.exhausted = true;
      } else {
        ol.scanFrom = ol.occ.back() + 1;
      }
    }
  }

  // The long strings' occurrences that start in [from, to) (to <= end, the
  // end of all starts), through their anchors: the lead-ins where they
  // serve, a look-up at every position from where they were given up. An
  // anchor stands up to kMaxShift bytes after its string's start, so the
  // positions looked at reach that far past `to`, and a string found there
  // that starts before `from` or at `to` or after is left out.
  template <class More, class Active, class Record>
  void ScanLong(size_t from, size_t to, size_t end, More more, Active active, Record record) const {
    const char* d = text_.data();
    const size_t n = text_.size();
    auto inRange = [&](uint32_t pid, size_t st) {
      if (st >= from && st < to) record(pid, st);
    };
    const size_t at = anchors_.MatchLeads(d, n, from, to, more, active, inRange);
    const size_t reach = std::min(end, to + kMaxShift);
    if (at < reach) anchors_.MatchRange(d, n, at, reach, more, active, inRange);
  }

  // True when the original bytes [o, o + m) are all still in the text, side
  // by side.
  bool Clean(uint64_t o, size_t m) const {
    if (dirtyByte_.AnyIn(o, o + m)) return false;
    return m < 2 || !dirtyGap_.AnyIn(o + 1, o + m);
  }

  // Original occurrence number idx (from ptr on) of pattern pid, found with
  // the byte search when not yet known; false past the last one.
  bool OriginalAt(uint32_t pid, size_t idx, uint64_t& o) {
    OrigList& ol = orig_[pid];
    while (idx >= ol.occ.size()) {
      if (ol.exhausted) return false;
      std::string_view p = pats_[pid];
      if (ol.scanFrom + p.size() > text_.size()) {
        ol.exhausted = true;
        return false;
      }
      const size_t at = FindBytesFrom(text_, p, ol.scanFrom);
      if (at == std::string_view::npos) {
        ol.exhausted = true;
        return false;
      }
      ol.occ.push_back(at);
      ol.scanFrom = at + 1;
    }
    o = ol.occ[idx];
    return true;
  }

  // First clean original occurrence of pattern pid; the ones before it are
  // dropped for good (an original occurrence never becomes clean again).
  bool FirstOriginal(uint32_t pid, uint64_t& o) {
    OrigList& ol = orig_[pid];
    for (;;) {
      if (ol.ptr == ol.occ.size() && ol.ptr > 0) {
        ol.occ.clear();
        ol.ptr = 0;
      }
      if (!OriginalAt(pid, ol.ptr, o)) return false;
      if (Clean(o, pats_[pid].size())) return true;
      ++ol.ptr;
    }
  }

  // Position of the byte `id` when it is alive and the text there holds p.
  bool Verify(Ident& id, std::string_view p, uint64_t& pos) const {
    uint32_t x = pieces_.Resolve(id);
    if (!pieces_.Alive(x)) return false;
    uint64_t o = id.off - pieces_.Off(x);
    pos = pieces_.RankBytes(x) + o;
    if (pos + p.size() > pieces_.Total()) return false;
    return pieces_.Equal(x, o, p.data(), p.size());
  }

  // Binary min-heap of candidates in text order.
  void HeapPush(std::vector<Ident>& h, const Ident& id) {
    h.push_back(id);
    for (size_t i = h.size() - 1; i > 0;) {
      size_t up = (i - 1) / 2;
      if (!pieces_.Before(h[i], h[up])) break;
      std::swap(h[i], h[up]);
      i = up;
    }
  }
  void HeapPop(std::vector<Ident>& h) {
    h.front() = h.back();
    h.pop_back();
    const size_t n = h.size();
    for (size_t i = 0;;) {
      size_t m = i, l = 2 * i + 1, r = l + 1;
      if (l < n && pieces_.Before(h[l], h[m])) m = l;
      if (r < n && pieces_.Before(h[r], h[m])) m = r;
      if (m == i) break;
      std::swap(h[i], h[m]);
      i = m;
    }
  }

  // First valid candidate made by edits.
  bool FirstMade(uint32_t pid, Ident& id, uint64_t& pos) {
    std::vector<Ident>& h = heaps_[pid];
    while (!h.empty()) {
      if (Verify(h.front(), pats_[pid], pos)) {
        id = h.front();
        return true;
      }
      HeapPop(h);
    }
    return false;
  }

  uint64_t OriginalPos(uint64_t o) const {
    Ident oi{0, 0, o};
    uint32_t x = pieces_.Resolve(oi);
    return pieces_.RankBytes(x) + (o - pieces_.Off(x));
  }

  // Position of the leftmost occurrence of pattern pid in the current text.
  bool FindFirst(uint32_t pid, uint64_t& pos) {
    uint64_t o = 0;
    bool haveOrig = FirstOriginal(pid, o);
    Ident made;
    uint64_t madePos = 0;
    bool haveMade = FirstMade(pid, made, madePos);
    if (!haveOrig && !haveMade) return false;
    if (haveOrig) {
      Ident oi{0, 0, o};
      if (!haveMade || !pieces_.Before(made, oi)) {
        pos = OriginalPos(o);
        return true;
      }
    }
    pos = madePos;
    return true;
  }

  // Every occurrence in text order: the clean original ones merged with the
  // valid candidates of the heap. The heap's valid candidates are taken out
  // while walking and put back afterwards; invalid ones are dropped.
  void ForEach(uint32_t pid, VisitFn fn, void* ctx) {
    std::vector<Ident>& h = heaps_[pid];
    taken_.clear();
    OrigList& ol = orig_[pid];
    size_t idx = ol.ptr;
    bool leading = true;  // dirty occurrences before the first clean one are dropped
    uint64_t o = 0, origPos = 0, madePos = 0;
    bool haveOrig = false, haveMade = false, havePrev = false;
    uint64_t prev = 0;
    auto nextOrig = [&] {
      haveOrig = false;
      while (OriginalAt(pid, idx, o)) {
        if (Clean(o, pats_[pid].size())) {
          leading = false;
          origPos = OriginalPos(o);
          haveOrig = true;
          return;
        }
        ++idx;
        if (leading) ol.ptr = idx;
      }
    };
    auto nextMade = [&] {
      haveMade = false;
      while (!h.empty()) {
        if (Verify(h.front(), pats_[pid], madePos)) {
          taken_.push_back(h.front());
          HeapPop(h);
          haveMade = true;
          return;
        }
        HeapPop(h);
      }
    };
    nextOrig();
    nextMade();
    while (haveOrig || haveMade) {
      uint64_t pos;
      if (haveOrig && (!haveMade || origPos < madePos)) {
        pos = origPos;
        ++idx;
        nextOrig();
      } else {
        pos = madePos;
        nextMade();
      }
      if (havePrev && pos == prev) continue;  // a candidate found twice
      havePrev = true;
      prev = pos;
      if (!fn(ctx, pos)) break;
    }
    for (const Ident& id : taken_) HeapPush(h, id);
  }

  // Replaces len bytes at pos by bytes; false when the text stays the same.
  bool Replace(uint64_t pos, uint64_t len, std::string_view bytes) {
    const uint64_t total = pieces_.Total();
    if (pos > total) return false;
    const uint64_t k = std::min<uint64_t>(len, total - pos);
    if (k == bytes.size()) {
      if (k == 0) return false;
      auto [x, o] = pieces_.Find(pos);
      if (pieces_.Equal(x, o, bytes.data(), k)) return false;
    }
    if (k == 0 && pos < total) {
      // Inserting between two original bytes that were side by side.
      auto [x, o] = pieces_.Find(pos);
      if (o > 0 && pieces_.Src(x) == 0) dirtyGap_.Set(pieces_.Off(x) + o);
    }
    pieces_.CutAt(pos);
    if (k > 0) {
      pieces_.CutAt(pos + k);
      uint32_t x = pieces_.Find(pos).first;
      uint64_t left = k;
      while (left > 0) {
        uint32_t nx = pieces_.Successor(x);
        if (pieces_.Alive(x)) {
          uint64_t plen = pieces_.Len(x);
          if (pieces_.Src(x) == 0) dirtyByte_.SetRange(pieces_.Off(x), pieces_.Off(x) + plen);
          left -= plen;
          pieces_.Kill(x);
        }
        x = nx;
      }
    }
    if (!bytes.empty()) {
      const uint32_t src = static_cast<uint32_t>(sources_.size());
      sources_.push_back(bytes);
      uint32_t before = pos == 0 ? 0 : pieces_.Find(pos - 1).first;
      pieces_.InsertNew(before, src, 0, bytes.size());
    }
    ScanAround(pos, pos + bytes.size());
    changed_ = true;
    return true;
  }

  // Finds the occurrences of pending patterns that touch the edited zone
  // [p, z) (for p == z: that contain the seam at p) and adds them to the
  // heaps. Such an occurrence starts at most L - 1 bytes before p (L: the
  // longest pending pattern). One that starts more than kGram - 1 bytes
  // before p holds the kGram bytes before p followed by at least one more
  // byte; the gram index bounds how far before p it can start.
  void ScanAround(uint64_t p, uint64_t z) {
    const size_t L = PendingMax();
    if (L == 0) return;
    const uint64_t total = pieces_.Total();
    uint64_t left = L - 1;
    if (L > kGram && p >= kGram) {
      buf_.clear();
      AppendRange(p - kGram, kGram, buf_);
      left = std::min<uint64_t>(L - 1, std::max<uint64_t>(kGram - 1, grams_.Reach(buf_.data())));
    }
    const uint64_t q = p > left ? p - left : 0;
    const uint64_t e = std::min<uint64_t>(total, z + L - 1);
    if (q >= e) return;
    buf_.clear();
    segs_.clear();
    pieces_.ForEachRun(q, e, [&](uint32_t x, uint64_t o, uint64_t take) {
      segs_.push_back(Seg{buf_.size(), pieces_.Src(x), x, pieces_.Off(x) + o});
      buf_.append(pieces_.Data(x) + o, take);
    });
    auto active = [&](uint32_t pid) { return remaining_[pid] > 0; };
    auto push = [&](uint32_t pid, size_t bs) {
      const uint64_t st = q + bs;
      if (st >= z || st + pats_[pid].size() <= p) return;
      auto it = std::upper_bound(segs_.begin(), segs_.end(), bs,
                                 [](size_t v, const Seg& sg) { return v < sg.bufStart; });
      --it;
      HeapPush(heaps_[pid], Ident{it->src, it->node, it->off + (bs - it->bufStart)});
    };
    const size_t n = buf_.size();
    // Long strings: their anchors stand at most kMaxShift bytes after a
    // start before z.
    if (!anchors_.Empty()) {
      const size_t xEnd = std::min<uint64_t>(z + kMaxShift + 1 - q, n >= kQ ? n - kQ + 1 : 0);
      anchors_.MatchRange(buf_.data(), n, 0, xEnd, [] { return true; }, active, push);
    }
    // Short strings start at most kQ - 2 bytes before p and end at most
    // kQ - 2 bytes after z.
    if (!ac_.Empty()) {
      const size_t from = p - q > kQ - 2 ? p - (kQ - 2) - q : 0;
      const size_t to = std::min<uint64_t>(n, z + (kQ - 2) - q);
      uint32_t s = 0;
      for (size_t j = from; j < to; ++j) {
        s = ac_.NextSparse(s, static_cast<uint8_t>(buf_[j]));
        if (!ac_.Ends(s) && upWin_[s] == kNone) continue;
        ForEachActive(ac_, upWin_, s, active, [&](uint32_t t) {
          uint32_t pid = ac_.Id(t);
          push(pid, j + 1 - pats_[pid].size());
        });
      }
    }
  }

  uint64_t Size() const { return pieces_.Total(); }

  void AppendRange(uint64_t pos, uint64_t n, std::string& out) const {
    const uint64_t total = pieces_.Total();
    if (pos >= total) return;
    const uint64_t e = std::min<uint64_t>(total, pos + std::min<uint64_t>(n, total - pos));
    pieces_.ForEachRun(pos, e, [&](uint32_t x, uint64_t o, uint64_t take) { out.append(pieces_.Data(x) + o, take); });
  }

  void Parts(TByteParts& out) const {
    out.clear();
    if (!changed_) {
      if (!text_.empty()) out.push_back(text_);
      return;
    }
    pieces_.ForEachLive([&](const char* d, uint64_t n) { out.emplace_back(d, n); });
  }

  struct OrigList {
    std::vector<uint64_t> occ;  // original occurrences in order, from ptr on not yet known dirty
    size_t ptr = 0;
    size_t cap = 0;
    uint64_t scanFrom = 0;  // where the search for more occurrences goes on
    bool exhausted = false;
  };

  struct Seg {
    size_t bufStart;
    uint32_t src;
    uint32_t node;
    uint64_t off;
  };

  const std::string_view text_;
  std::vector<std::string_view> pats_;
  std::vector<uint32_t> remaining_;
  std::vector<size_t> lenValue_;
  std::vector<uint32_t> lenCount_;
  std::vector<uint32_t> lenIndex_;
  size_t lenTop_ = 0;
  GramAnchors anchors_;
  AhoCorasick ac_;  // over the short search strings
  GramIndex grams_;
  std::vector<uint32_t> upWin_;
  std::vector<OrigList> orig_;
  std::vector<std::vector<Ident>> heaps_;
  std::vector<Ident> taken_;
  std::vector<uint64_t> places_;  // scratch of ReplaceAll
  BitSet dirtyByte_;
  BitSet dirtyGap_;
  std::vector<std::string_view> sources_;
  PieceTable pieces_;
  std::string buf_;
  std::vector<Seg> segs_;
  bool changed_ = false;
};

TrackedText::TrackedText(std::string_view text, const std::vector<Pattern>& patterns)
    : impl_(std::make_unique<Impl>(text, patterns)) {}
TrackedText::~TrackedText() = default;
void TrackedText::Use(uint32_t k) { impl_->Use(k); }
void TrackedText::Forget(uint32_t k) { impl_->Forget(k); }
bool TrackedText::First(uint32_t k, uint64_t& pos) { return impl_->FindFirst(k, pos); }
void TrackedText::ForEachImpl(uint32_t k, VisitFn fn, void* ctx) { impl_->ForEach(k, fn, ctx); }
bool TrackedText::Replace(uint64_t pos, uint64_t len, std::string_view bytes) { return impl_->Replace(pos, len, bytes); }
bool TrackedText::ReplaceAll(uint32_t k, std::string_view bytes) {
  // The places are chosen on the text as it stands and replaced from the
  // right, so that the positions of the others stay valid.
  const uint64_t len = impl_->pats_[k].size();
  std::vector<uint64_t>& places = impl_->places_;
  places.clear();
  ForEach(k, [&](uint64_t at) {
    if (places.empty() || at >= places.back() + len) places.push_back(at);
    return true;
  });
  bool changed = false;
  for (size_t j = places.size(); j-- > 0;) changed = Replace(places[j], len, bytes) || changed;
  return changed;
}
uint64_t TrackedText::Size() const { return impl_->Size(); }
void TrackedText::AppendRange(uint64_t pos, uint64_t n, std::string& out) const { impl_->AppendRange(pos, n, out); }
bool TrackedText::Changed() const { return impl_->changed_; }
std::string TrackedText::Text() const {
  TByteParts parts;
  impl_->Parts(parts);
  return JoinParts(parts);
}
void TrackedText::Parts(TByteParts& out) const { impl_->Parts(out); }
