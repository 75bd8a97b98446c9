// A text under edits with its occurrences of a fixed set of search strings.
//
// A plain loop would search each query from the start of the text as changed
// so far and move the rest of the text on every length change: (queries) x
// (text) work. This form answers the same queries as follows.
//
// - The text is a piece table: pieces of the original text and of the
//   replacement bytes, kept in a treap in text order. An edit only splits
//   pieces, marks the replaced ones dead (they stay in the treap as tombstones
//   of zero length) and inserts a piece for the new bytes, so no edit moves
//   bytes. A byte is named by its source (0 = original text, e = bytes of the
//   e-th edit) and its offset in that source. The relative order of bytes
//   never changes, and tombstones keep an order for dead bytes too, so
//   comparing two names (by the order labels of their pieces) gives a total
//   order that stays valid for the whole run.
// - Every occurrence of a search string in the current text is of one of two
//   kinds. A clean original occurrence lies on original bytes that no edit has
//   removed or separated; per search string these are found in original order
//   (all search strings at once in one pass over the original text, as many as
//   the uses need, then one at a time with memmem), and an occurrence stays
//   valid as long as two bit sets (removed original bytes, places where
//   something was inserted between two original bytes) show nothing inside
//   it. Any other occurrence touches the bytes of some edit (contains an
//   inserted byte or the seam where bytes were removed); right after each edit
//   the text around it is searched for the search strings still in use, and
//   what is found is kept per search string in a heap in text order, checked
//   against the current text when it comes to the top.
// - Search strings of 8 bytes or more are found through an 8-byte anchor near
//   their start and a hash table; shorter ones with an Aho-Corasick automaton.
// - The first occurrence is the earlier of the first valid candidate of each
//   kind; all occurrences are the two kinds merged in text order.
#include "extractor/tracked_text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <map>
#include <numeric>
#include <string_view>
#include <utility>

namespace {

// First occurrence of a byte string: glibc's memmem where the C library has
// it, else a Boyer-Moore-Horspool search (also linear on ordinary text).
const void* FindBytes(const char* hay, size_t hayLen, const char* needle, size_t needleLen) {
#if defined(__GLIBC__)
  return memmem(hay, hayLen, needle, needleLen);
#else
  const char* end = hay + hayLen;
  const char* f = std::search(hay, end, std::boyer_moore_horspool_searcher(needle, needle + needleLen));
  return f == end ? nullptr : f;
#endif
}

constexpr uint32_t kNone = 0xFFFFFFFFu;
// Search strings of at least kQ bytes are found through one kQ-byte piece
// ("anchor") at an offset of at most kMaxShift; shorter ones with a small
// Aho-Corasick automaton.
constexpr size_t kQ = 8;
constexpr size_t kMaxShift = 24;
// Original occurrences collected per search string beyond its number of items
// in the first pass; more are found on demand.
constexpr size_t kSlack = 4;
// Length of the byte run before an edit that is looked up among the runs of
// the long search strings to decide how far to the left the text around an
// edit must be searched.
constexpr size_t kGram = 64;

// A fixed-size set of bits with range operations.
class BitSet {
 public:
  explicit BitSet(size_t n) : words_(n / 64 + 2, 0) {}
  void Set(size_t i) { words_[i >> 6] |= uint64_t{1} << (i & 63); }
  // Sets the bits [a, b).
  void SetRange(size_t a, size_t b) {
    if (a >= b) return;
    size_t wa = a >> 6, wb = (b - 1) >> 6;
    uint64_t first = ~uint64_t{0} << (a & 63);
    uint64_t last = ~uint64_t{0} >> (63 - ((b - 1) & 63));
    if (wa == wb) {
      words_[wa] |= first & last;
      return;
    }
    words_[wa] |= first;
    for (size_t w = wa + 1; w < wb; ++w) words_[w] = ~uint64_t{0};
    words_[wb] |= last;
  }
  // True when a bit in [a, b) is set.
  bool AnyIn(size_t a, size_t b) const {
    if (a >= b) return false;
    size_t wa = a >> 6, wb = (b - 1) >> 6;
    uint64_t first = ~uint64_t{0} << (a & 63);
    uint64_t last = ~uint64_t{0} >> (63 - ((b - 1) & 63));
    if (wa == wb) return (words_[wa] & first & last) != 0;
    if (words_[wa] & first) return true;
    for (size_t w = wa + 1; w < wb; ++w)
      if (words_[w]) return true;
    return (words_[wb] & last) != 0;
  }

 private:
  std::vector<uint64_t> words_;
};

// Where a kGram-byte run may stand inside a long search string, followed by
// at least one more byte of it. Such a run contains an aligned piece of the
// string: kSub bytes at an offset that is a multiple of kSub (kGram = 2 kSub).
// A hash table maps the hash of every aligned piece to the largest offset at
// which it stands in any long string. From the kSub + 1 pieces inside a run
// this bounds how far before the run a string holding it can start; when
// none is known, no long string holds the run.
class GramIndex {
 public:
  static constexpr size_t kSub = kGram / 2;

  void Build(const std::vector<std::string_view>& pats) {
    size_t count = 0;
    for (std::string_view p : pats)
      if (p.size() > kGram) count += (p.size() - 1) / kSub;
    if (count == 0) return;
    size_t slots = 1024;
    while (slots < count * 2) slots <<= 1;
    mask_ = slots - 1;
    keys_.assign(slots, 0);
    offs_.assign(slots, 0);
    for (std::string_view p : pats) {
      if (p.size() <= kGram) continue;
      for (size_t at = 0; at + kSub + 1 <= p.size(); at += kSub) {
        uint64_t h = Key(Hash(p.data() + at));
        size_t i = Slot(h);
        while (keys_[i] != 0 && keys_[i] != h) i = (i + 1) & mask_;
        keys_[i] = h;
        offs_[i] = std::max<uint64_t>(offs_[i], at);
      }
    }
  }

  // For the kGram bytes at d: the largest distance from the start of a long
  // string holding them (followed by one more of its bytes) to the end of the
  // run, or 0 when no long string holds them.
  uint64_t Reach(const char* d) const {
    if (keys_.empty()) return 0;
    uint64_t top = 1;  // kBase^(kSub-1)
    for (size_t k = 1; k < kSub; ++k) top *= kBase;
    uint64_t h = Hash(d);
    uint64_t reach = 0;
    for (size_t t = 0;; ++t) {
      uint64_t key = Key(h);
      for (size_t i = Slot(key); keys_[i] != 0; i = (i + 1) & mask_) {
        if (keys_[i] == key) {
          // The piece d[t, t + kSub) stands at offset offs_[i] at most, so
          // the string starts at most offs_[i] + kGram - t bytes before the
          // end of the run.
          reach = std::max<uint64_t>(reach, offs_[i] + kGram - t);
          break;
        }
      }
      if (t == kSub) return reach;
      h = (h - top * static_cast<uint8_t>(d[t])) * kBase + static_cast<uint8_t>(d[t + kSub]);
    }
  }

 private:
  static constexpr uint64_t kBase = 0x100000001B3ull;
  static constexpr uint64_t kMul = 0x9E3779B97F4A7C15ull;
  // Polynomial hash of kSub bytes.
  static uint64_t Hash(const char* d) {
    uint64_t h = 0;
    for (size_t k = 0; k < kSub; ++k) h = h * kBase + static_cast<uint8_t>(d[k]);
    return h;
  }
  // Table key of a hash: 0 marks an empty slot.
  static uint64_t Key(uint64_t h) { return h == 0 ? 1 : h; }
  size_t Slot(uint64_t h) const { return static_cast<size_t>((h * kMul) >> 32) & mask_; }
  std::vector<uint64_t> keys_;
  std::vector<uint64_t> offs_;
  size_t mask_ = 0;
};

inline uint64_t Load8(const char* d) {
  uint64_t v;
  std::memcpy(&v, d, sizeof v);
  return v;
}

// Finds the search strings of at least kQ bytes. Each one is entered under
// one anchor: the kQ bytes at an offset j <= kMaxShift that look rarest in a
// sample of the text. At a text position x whose kQ bytes equal an anchor,
// the strings of that anchor and offset j may start at x - j. Strings that
// share anchor and offset form a group kept in sorted order, with for each
// the longest other member that is a prefix of it, so that a group of many
// strings (say with a common markup prefix) is checked by a binary search
// rather than one by one. A bit table over a hash of the kQ bytes rejects
// most positions with one look-up in a small table.
class GramAnchors {
 public:
  void Build(const std::vector<std::string_view>& pats, const std::vector<uint32_t>& ids, std::string_view text) {
    pats_ = &pats;
    if (ids.empty()) return;
    // Sampled counts of kQ-byte pieces of the text (and of anchors taken).
    std::vector<uint16_t> seen(size_t{1} << kSketchBits, 0);
    for (size_t x = 0; x + kQ <= text.size(); x += kSketchStep) {
      uint16_t& c = seen[Hash(Load8(text.data() + x), kSketchBits)];
      if (c < 0xFFFF) ++c;
    }
    struct Choice {
      uint64_t gram;
      uint32_t shift;
      uint32_t pid;
    };
    std::vector<Choice> chosen;
    chosen.reserve(ids.size());
    for (uint32_t pid : ids) {
      std::string_view p = pats[pid];
      size_t last = std::min(kMaxShift, p.size() - kQ);
      size_t best = 0;
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
    bits_.assign(size_t{1} << (kFilterBits - 6), 0);
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
      size_t f = Hash(gram, kFilterBits);
      bits_[f >> 6] |= uint64_t{1} << (f & 63);
    }
  }

  bool Empty() const { return members_.empty(); }

  // Calls f(pid, start) for every string whose anchor stands at position x
  // of data[0, avail) (x + kQ <= avail) and that occurs at start = x - shift
  // (start >= 0). Only strings with active(pid) are reported.
  template <class Active, class F>
  void MatchAt(const char* data, size_t avail, size_t x, Active active, F f) const {
    const uint64_t gram = Load8(data + x);
    const size_t h = Hash(gram, kFilterBits);
    if ((bits_[h >> 6] >> (h & 63) & 1) == 0) return;
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

 private:
  static constexpr unsigned kSketchBits = 20;
  static constexpr size_t kSketchStep = 8;
  static constexpr unsigned kFilterBits = 21;

  struct Group {
    uint32_t shift;
    uint32_t begin, end;  // range of members_
  };

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

  struct Member {
    uint32_t pid;
    uint32_t parent;  // index of the longest member that is a prefix of this one, or kNone
    uint64_t head;
    uint64_t tail;  // last kQ bytes
    size_t len;
  };

  const std::vector<std::string_view>* pats_ = nullptr;
  std::vector<uint64_t> keys_;
  std::vector<uint32_t> groupBegin_, groupEnd_;
  std::vector<Group> groups_;
  std::vector<Member> members_;
  std::vector<uint64_t> bits_;
  unsigned slotBits_ = 0;
};

// Aho-Corasick automaton over a set of distinct short strings.
class Automaton {
 public:
  void Build(const std::vector<std::string_view>& pats) {
    const size_t n = pats.size();
    std::vector<uint32_t> order(n);
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return pats[a] < pats[b]; });
    // Temporary trie with sibling lists. Strings inserted in sorted order
    // need at each node either its newest child or a new one.
    std::vector<uint32_t> tFirst(1, kNone), tLast(1, kNone), tNext(1, kNone), tTerm(1, kNone);
    std::vector<uint8_t> tLabel(1, 0);
    for (uint32_t id : order) {
      std::string_view p = pats[id];
      uint32_t v = 0;
      for (size_t j = 0; j < p.size(); ++j) {
        uint8_t c = static_cast<uint8_t>(p[j]);
        uint32_t w = tLast[v];
        if (w != kNone && tLabel[w] == c) {
          v = w;
          continue;
        }
        uint32_t nw = static_cast<uint32_t>(tFirst.size());
        tFirst.push_back(kNone);
        tLast.push_back(kNone);
        tNext.push_back(kNone);
        tTerm.push_back(kNone);
        tLabel.push_back(c);
        if (tFirst[v] == kNone)
          tFirst[v] = nw;
        else
          tNext[tLast[v]] = nw;
        tLast[v] = nw;
        v = nw;
      }
      tTerm[v] = id;
    }
    // Renumber in breadth-first order: the children of a node become a
    // contiguous run sorted by byte.
    const size_t nodes = tFirst.size();
    std::vector<uint32_t> bfs;
    bfs.reserve(nodes);
    bfs.push_back(0);
    node_.assign(nodes, Node{});
    for (size_t k = 0; k < bfs.size(); ++k) {
      uint32_t v = bfs[k];
      node_[k].childBegin = static_cast<uint32_t>(bfs.size());
      for (uint32_t w = tFirst[v]; w != kNone; w = tNext[w]) {
        bfs.push_back(w);
        ++node_[k].count;
      }
    }
    label_.resize(nodes);
    for (size_t k = 0; k < nodes; ++k) {
      label_[k] = tLabel[bfs[k]];
      node_[k].term = tTerm[bfs[k]];
    }
    for (size_t k = 0; k < nodes; ++k)
      if (node_[k].count > 0) node_[k].firstLabel = label_[node_[k].childBegin];
    // Nodes with many children (near the root) get a full child table.
    for (size_t k = 1; k < nodes && dense_.size() < kMaxDense * 256; ++k) {
      if (node_[k].count < kDenseFrom) continue;
      node_[k].dense = static_cast<uint32_t>(dense_.size() / 256);
      dense_.resize(dense_.size() + 256, kNone);
      for (uint32_t w = node_[k].childBegin; w < node_[k].childBegin + node_[k].count; ++w)
        dense_[size_t{node_[k].dense} * 256 + label_[w]] = w;
    }
    {
      std::vector<uint32_t>().swap(tFirst);
      std::vector<uint32_t>().swap(tLast);
      std::vector<uint32_t>().swap(tNext);
      std::vector<uint32_t>().swap(tTerm);
      std::vector<uint8_t>().swap(tLabel);
      std::vector<uint32_t>().swap(bfs);
    }
    up.assign(nodes, kNone);
    std::fill(std::begin(rootNext_), std::end(rootNext_), 0u);
    for (uint32_t w = node_[0].childBegin; w < node_[0].childBegin + node_[0].count; ++w) rootNext_[label_[w]] = w;
    for (uint32_t v = 0; v < nodes; ++v) {
      for (uint32_t w = node_[v].childBegin; w < node_[v].childBegin + node_[v].count; ++w) {
        uint32_t f = v == 0 ? 0 : Next(node_[v].fail, label_[w]);
        node_[w].fail = f;
        up[w] = node_[f].term != kNone ? f : up[f];
      }
    }
  }

  uint32_t Next(uint32_t s, uint8_t c) const {
    while (s != 0) {
      const Node& n = node_[s];
      if (n.count == 1) {
        if (n.firstLabel == c) return n.childBegin;
      } else if (n.count > 1) {
        uint32_t w = n.dense != kNone ? dense_[size_t{n.dense} * 256 + c] : Child(n, c);
        if (w != kNone) return w;
      }
      s = n.fail;
    }
    return rootNext_[c];
  }
  uint32_t Term(uint32_t s) const { return node_[s].term; }
  bool Empty() const { return node_.size() <= 1; }

  // Nearest proper suffix state that ends a string (kNone: none).
  std::vector<uint32_t> up;

 private:
  struct Node {
    uint32_t childBegin = 0;
    uint32_t fail = 0;
    uint32_t term = kNone;
    uint32_t dense = kNone;  // index of the full child table, if any
    uint16_t count = 0;
    uint8_t firstLabel = 0;
  };
  static constexpr uint16_t kDenseFrom = 6;
  static constexpr size_t kMaxDense = 16384;

  uint32_t Child(const Node& nd, uint8_t c) const {
    uint32_t b = nd.childBegin, n = nd.count;
    if (n <= 8) {
      for (uint32_t k = 0; k < n; ++k)
        if (label_[b + k] == c) return b + k;
      return kNone;
    }
    uint32_t lo = b, hi = b + n;
    while (lo < hi) {
      uint32_t mid = (lo + hi) / 2;
      if (label_[mid] < c)
        lo = mid + 1;
      else
        hi = mid;
    }
    return lo < b + n && label_[lo] == c ? lo : kNone;
  }

  std::vector<Node> node_;
  std::vector<uint8_t> label_;
  std::vector<uint32_t> dense_;
  uint32_t rootNext_[256] = {};
};

// Walks the terminal states reachable from state s (s itself, then its
// dictionary links) whose pattern `active` accepts, calling emit(state) for
// each. Links past inactive patterns are shortened for good, which is valid
// because a pattern never becomes active again.
template <class Active, class Emit>
inline void ForEachActive(const Automaton& ac, std::vector<uint32_t>& up, uint32_t s, Active active, Emit emit) {
  uint32_t t = ac.Term(s);
  if (t != kNone && active(t)) emit(s);
  uint32_t x = s;
  for (;;) {
    uint32_t r = up[x];
    while (r != kNone && !active(ac.Term(r))) r = up[r];
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

// Name of a byte: its source and offset there, with the piece that held it
// when last looked up (a hint; 0 = none).
struct Ident {
  uint32_t src = 0;
  uint32_t node = 0;
  uint64_t off = 0;
};

// Pieces of the current text in order, as a treap with parent links. Each
// piece also carries an order label: labels grow along the text, so two
// pieces are ordered by comparing labels. A new piece takes the middle of the
// gap between its neighbours; when there is none, the labels of a range around
// it are spread out again, the range growing until it is sparse enough
// (order maintenance after Bender et al.).
class PieceTable {
 public:
  explicit PieceTable(const std::vector<std::string_view>& sources) : sources_(sources) {
    nodes_.push_back(Node{});  // index 0: no node
  }

  void Init(uint64_t len) {
    if (len == 0) return;
    root_ = NewNode(0, 0, len);
    nodes_[root_].label = kLabelEnd / 2;
  }

  uint64_t Total() const { return nodes_[root_].sum; }
  bool Alive(uint32_t x) const { return nodes_[x].alive; }
  uint64_t Len(uint32_t x) const { return nodes_[x].len; }
  uint64_t Off(uint32_t x) const { return nodes_[x].off; }
  uint32_t Src(uint32_t x) const { return nodes_[x].src; }
  const char* Data(uint32_t x) const { return sources_[nodes_[x].src].data() + nodes_[x].off; }

  // Piece holding the byte at pos (< Total()) and the offset in it.
  std::pair<uint32_t, uint64_t> Find(uint64_t pos) const {
    uint32_t t = root_;
    for (;;) {
      const Node& n = nodes_[t];
      uint64_t ls = nodes_[n.l].sum;
      if (pos < ls) {
        t = n.l;
        continue;
      }
      pos -= ls;
      uint64_t own = n.alive ? n.len : 0;
      if (pos < own) return {t, pos};
      pos -= own;
      t = n.r;
    }
  }

  // Text position of the first byte of piece x.
  uint64_t RankBytes(uint32_t x) const {
    uint64_t r = nodes_[nodes_[x].l].sum;
    for (uint32_t p = nodes_[x].p; p != 0; x = p, p = nodes_[p].p)
      if (nodes_[p].r == x) r += nodes_[nodes_[p].l].sum + (nodes_[p].alive ? nodes_[p].len : 0);
    return r;
  }

  // Number of pieces (tombstones included) up to and including x.
  uint64_t RankCount(uint32_t x) const {
    uint64_t r = nodes_[nodes_[x].l].cnt + 1;
    for (uint32_t p = nodes_[x].p; p != 0; x = p, p = nodes_[p].p)
      if (nodes_[p].r == x) r += nodes_[nodes_[p].l].cnt + 1;
    return r;
  }

  uint32_t Successor(uint32_t x) const {
    if (nodes_[x].r != 0) {
      x = nodes_[x].r;
      while (nodes_[x].l != 0) x = nodes_[x].l;
      return x;
    }
    uint32_t p = nodes_[x].p;
    while (p != 0 && nodes_[p].r == x) {
      x = p;
      p = nodes_[p].p;
    }
    return p;
  }

  uint32_t Predecessor(uint32_t x) const {
    if (nodes_[x].l != 0) {
      x = nodes_[x].l;
      while (nodes_[x].r != 0) x = nodes_[x].r;
      return x;
    }
    uint32_t p = nodes_[x].p;
    while (p != 0 && nodes_[p].l == x) {
      x = p;
      p = nodes_[p].p;
    }
    return p;
  }

  // Piece holding the byte id (alive or dead); refreshes the hint.
  uint32_t Resolve(Ident& id) const {
    const Node& n = nodes_[id.node];
    if (id.node != 0 && n.src == id.src && id.off >= n.off && id.off - n.off < n.len) return id.node;
    auto it = map_.upper_bound(std::make_pair(id.src, id.off));
    --it;
    id.node = it->second;
    return id.node;
  }

  // True when byte a comes before byte b in the text (dead bytes included).
  bool Before(Ident& a, Ident& b) const {
    if (a.src == b.src) return a.off < b.off;
    return nodes_[Resolve(a)].label < nodes_[Resolve(b)].label;
  }

  // Makes a piece boundary at pos.
  void CutAt(uint64_t pos) {
    if (pos >= Total()) return;
    auto [t, o] = Find(pos);
    if (o == 0) return;
    uint32_t n = NewNode(nodes_[t].src, nodes_[t].off + o, nodes_[t].len - o);
    nodes_[t].len = o;
    FixUp(t);
    InsertAfter(t, n);
  }

  void Kill(uint32_t x) {
    nodes_[x].alive = false;
    FixUp(x);
  }

  // Inserts a new piece after piece `after` (0: at the front).
  uint32_t InsertNew(uint32_t after, uint32_t src, uint64_t off, uint64_t len) {
    uint32_t n = NewNode(src, off, len);
    InsertAfter(after, n);
    return n;
  }

  // Compares len bytes of data with the text from piece x, offset o.
  bool Equal(uint32_t x, uint64_t o, const char* data, size_t len) const {
    while (len > 0) {
      if (x == 0) return false;
      if (nodes_[x].alive) {
        uint64_t take = std::min<uint64_t>(len, nodes_[x].len - o);
        if (std::memcmp(Data(x) + o, data, take) != 0) return false;
        data += take;
        len -= take;
      }
      o = 0;
      x = Successor(x);
    }
    return true;
  }

  template <class F>
  void ForEachLive(F f) const {
    Walk(root_, f);
  }

 private:
  struct Node {
    uint32_t l = 0, r = 0, p = 0, pri = 0, src = 0;
    uint64_t cnt = 0, off = 0, len = 0, sum = 0, label = 0;
    bool alive = false;
  };

  static constexpr uint64_t kLabelEnd = uint64_t{1} << 62;

  // Gives piece n, just linked after piece `after` (0: first), a label.
  void AssignLabel(uint32_t after, uint32_t n) {
    uint64_t a = after == 0 ? 0 : nodes_[after].label;
    uint32_t s = Successor(n);
    uint64_t b = s == 0 ? kLabelEnd : nodes_[s].label;
    nodes_[n].label = a;
    if (b - a >= 2) {
      nodes_[n].label = a + (b - a) / 2;
      return;
    }
    // The smallest aligned label range around n whose piece count is below
    // 2^k / 1.5^k gets its labels evenly spread.
    uint32_t first = n, last = n;
    uint64_t count = 1;
    double limit = 1;
    for (unsigned k = 1; k <= 62; ++k) {
      limit *= 1.5;
      uint64_t size = uint64_t{1} << k;
      uint64_t lo = nodes_[n].label & ~(size - 1), hi = lo + size - 1;
      for (uint32_t x = Predecessor(first); x != 0 && nodes_[x].label >= lo; x = Predecessor(x)) {
        first = x;
        ++count;
      }
      for (uint32_t x = Successor(last); x != 0 && nodes_[x].label <= hi; x = Successor(x)) {
        last = x;
        ++count;
      }
      if (static_cast<double>(count) * limit <= static_cast<double>(size) || (k == 62 && count < size)) {
        uint64_t step = size / (count + 1);
        uint64_t v = lo;
        for (uint32_t x = first;; x = Successor(x)) {
          v += step;
          nodes_[x].label = v;
          if (x == last) break;
        }
        return;
      }
    }
  }

  uint32_t NewNode(uint32_t src, uint64_t off, uint64_t len) {
    Node n;
    seed_ ^= seed_ << 13;
    seed_ ^= seed_ >> 7;
    seed_ ^= seed_ << 17;
    n.pri = static_cast<uint32_t>(seed_ >> 16);
    n.src = src;
    n.off = off;
    n.len = len;
    n.sum = len;
    n.cnt = 1;
    n.alive = true;
    nodes_.push_back(n);
    uint32_t id = static_cast<uint32_t>(nodes_.size() - 1);
    map_.emplace(std::make_pair(src, off), id);
    return id;
  }

  void Pull(uint32_t x) {
    Node& n = nodes_[x];
    n.sum = (n.alive ? n.len : 0) + nodes_[n.l].sum + nodes_[n.r].sum;
    n.cnt = 1 + nodes_[n.l].cnt + nodes_[n.r].cnt;
    if (n.l) nodes_[n.l].p = x;
    if (n.r) nodes_[n.r].p = x;
  }

  void FixUp(uint32_t x) {
    for (; x != 0; x = nodes_[x].p) Pull(x);
  }

  // First k pieces into a, the rest into b.
  void Split(uint32_t t, uint64_t k, uint32_t& a, uint32_t& b) {
    if (t == 0) {
      a = b = 0;
      return;
    }
    uint64_t lc = nodes_[nodes_[t].l].cnt;
    if (k <= lc) {
      uint32_t x, y;
      Split(nodes_[t].l, k, x, y);
      nodes_[t].l = y;
      Pull(t);
      a = x;
      b = t;
    } else {
      uint32_t x, y;
      Split(nodes_[t].r, k - lc - 1, x, y);
      nodes_[t].r = x;
      Pull(t);
      a = t;
      b = y;
    }
  }

  uint32_t Merge(uint32_t a, uint32_t b) {
    if (a == 0) return b;
    if (b == 0) return a;
    if (nodes_[a].pri > nodes_[b].pri) {
      uint32_t r = Merge(nodes_[a].r, b);
      nodes_[a].r = r;
      Pull(a);
      return a;
    }
    uint32_t l = Merge(a, nodes_[b].l);
    nodes_[b].l = l;
    Pull(b);
    return b;
  }

  void InsertAfter(uint32_t after, uint32_t n) {
    uint64_t k = after == 0 ? 0 : RankCount(after);
    uint32_t a, b;
    Split(root_, k, a, b);
    root_ = Merge(Merge(a, n), b);
    nodes_[root_].p = 0;
    AssignLabel(after, n);
  }

  template <class F>
  void Walk(uint32_t t, F& f) const {
    // In-order walk without recursion on the (random-depth) treap.
    std::vector<uint32_t> stack;
    while (t != 0 || !stack.empty()) {
      while (t != 0) {
        stack.push_back(t);
        t = nodes_[t].l;
      }
      t = stack.back();
      stack.pop_back();
      if (nodes_[t].alive && nodes_[t].len > 0) f(Data(t), nodes_[t].len);
      t = nodes_[t].r;
    }
  }

  const std::vector<std::string_view>& sources_;
  std::vector<Node> nodes_;
  std::map<std::pair<uint32_t, uint64_t>, uint32_t> map_;
  uint32_t root_ = 0;
  uint64_t seed_ = 0x9E3779B97F4A7C15ull;
};

}  // namespace

struct TrackedText::Impl {
  Impl(const std::string& text, const std::vector<Pattern>& patterns)
      : text_(text), dirtyByte_(text.size() + 1), dirtyGap_(text.size() + 2), pieces_(sources_) {
    pats_.reserve(patterns.size());
    for (const Pattern& p : patterns) {
      pats_.push_back(p.bytes);
      remaining_.push_back(p.uses);
    }
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
    std::vector<uint32_t> longIds;
    for (uint32_t k = 0; k < pats_.size(); ++k) {
      if (pats_[k].size() >= kQ) {
        longIds.push_back(k);
      } else {
        shortPid_.push_back(k);
        shortPats_.push_back(pats_[k]);
      }
    }
    anchors_.Build(pats_, longIds, text_);
    ac_.Build(shortPats_);
    grams_.Build(pats_);
    FirstPass();
    upWin_ = ac_.up;
    pieces_.Init(text_.size());
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
    open = pats_.size() - shortPats_.size();
    for (size_t x = 0; x + kQ <= n && open > 0; ++x) anchors_.MatchAt(d, n, x, active, record);
    open = shortPats_.size();
    std::vector<uint32_t> up = ac_.up;
    uint32_t s = 0;
    for (size_t i = 0; i < n && open > 0; ++i) {
      s = ac_.Next(s, static_cast<uint8_t>(d[i]));
      if (ac_.Term(s) == kNone && up[s] == kNone) continue;
      ForEachActive(ac_, up, s, [&](uint32_t sid) { return active(shortPid_[sid]); }, [&](uint32_t t) {
        uint32_t pid = shortPid_[ac_.Term(t)];
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

  // True when the original bytes [o, o + m) are all still in the text, side
  // by side.
  bool Clean(uint64_t o, size_t m) const {
    if (dirtyByte_.AnyIn(o, o + m)) return false;
    return m < 2 || !dirtyGap_.AnyIn(o + 1, o + m);
  }

  // Original occurrence number idx (from ptr on) of pattern pid, found with
  // memmem when not yet known; false past the last one.
  bool OriginalAt(uint32_t pid, size_t idx, uint64_t& o) {
    OrigList& ol = orig_[pid];
    while (idx >= ol.occ.size()) {
      if (ol.exhausted) return false;
      std::string_view p = pats_[pid];
      if (ol.scanFrom + p.size() > text_.size()) {
        ol.exhausted = true;
        return false;
      }
      const void* f = FindBytes(text_.data() + ol.scanFrom, text_.size() - ol.scanFrom, p.data(), p.size());
      if (f == nullptr) {
        ol.exhausted = true;
        return false;
      }
      uint64_t at = static_cast<uint64_t>(static_cast<const char*>(f) - text_.data());
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
      auto [x, o] = pieces_.Find(p - kGram);
      for (uint64_t at = p - kGram; at < p;) {
        if (pieces_.Alive(x)) {
          uint64_t take = std::min<uint64_t>(pieces_.Len(x) - o, p - at);
          buf_.append(pieces_.Data(x) + o, take);
          at += take;
        }
        o = 0;
        x = pieces_.Successor(x);
      }
      left = std::min<uint64_t>(L - 1, std::max<uint64_t>(kGram - 1, grams_.Reach(buf_.data())));
    }
    const uint64_t q = p > left ? p - left : 0;
    const uint64_t e = std::min<uint64_t>(total, z + L - 1);
    if (q >= e) return;
    buf_.clear();
    segs_.clear();
    auto [x, o] = pieces_.Find(q);
    for (uint64_t at = q; at < e;) {
      if (pieces_.Alive(x)) {
        uint64_t take = std::min<uint64_t>(pieces_.Len(x) - o, e - at);
        segs_.push_back(Seg{buf_.size(), pieces_.Src(x), x, pieces_.Off(x) + o});
        buf_.append(pieces_.Data(x) + o, take);
        at += take;
      }
      o = 0;
      x = pieces_.Successor(x);
    }
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
      for (size_t x = 0; x < xEnd; ++x) anchors_.MatchAt(buf_.data(), n, x, active, push);
    }
    // Short strings start at most kQ - 2 bytes before p and end at most
    // kQ - 2 bytes after z.
    if (!ac_.Empty()) {
      const size_t from = p - q > kQ - 2 ? p - (kQ - 2) - q : 0;
      const size_t to = std::min<uint64_t>(n, z + (kQ - 2) - q);
      uint32_t s = 0;
      for (size_t j = from; j < to; ++j) {
        s = ac_.Next(s, static_cast<uint8_t>(buf_[j]));
        if (ac_.Term(s) == kNone && upWin_[s] == kNone) continue;
        ForEachActive(ac_, upWin_, s, [&](uint32_t sid) { return active(shortPid_[sid]); }, [&](uint32_t t) {
          uint32_t pid = shortPid_[ac_.Term(t)];
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
    auto [x, o] = pieces_.Find(pos);
    for (uint64_t at = pos; at < e;) {
      if (pieces_.Alive(x)) {
        uint64_t take = std::min<uint64_t>(pieces_.Len(x) - o, e - at);
        out.append(pieces_.Data(x) + o, take);
        at += take;
      }
      o = 0;
      x = pieces_.Successor(x);
    }
  }

  std::string Text() const {
    if (!changed_) return text_;
    std::string out;
    out.reserve(pieces_.Total());
    pieces_.ForEachLive([&](const char* d, uint64_t n) { out.append(d, n); });
    return out;
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

  const std::string& text_;
  std::vector<std::string_view> pats_;
  std::vector<uint32_t> remaining_;
  std::vector<size_t> lenValue_;
  std::vector<uint32_t> lenCount_;
  std::vector<uint32_t> lenIndex_;
  size_t lenTop_ = 0;
  GramAnchors anchors_;
  Automaton ac_;  // over the short search strings
  std::vector<std::string_view> shortPats_;
  std::vector<uint32_t> shortPid_;
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

TrackedText::TrackedText(const std::string& text, const std::vector<Pattern>& patterns)
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
std::string TrackedText::Text() const { return impl_->Text(); }
