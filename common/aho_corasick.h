// An Aho-Corasick automaton over a fixed set of byte strings: reading a text
// byte by byte from the start state, the state after each byte tells which
// of the strings end there.
//
// Every byte that occurs in a string has a byte class of its own; all other
// bytes share class 0. When the full transition table (states x classes)
// has at most denseLimit entries, a step is one look-up in it. Otherwise a
// step follows failure links over the children of each state: a sorted run
// of child labels, or a table of 256 entries for the states with many
// children (near the root), with a table of 256 entries for the root.
//
// States are numbered breadth first from the root (0), so a failure link
// always points to a smaller number.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

class AhoCorasick {
 public:
  static constexpr uint32_t kNone = 0xFFFFFFFFu;
  // Default bound of the full transition table, in entries.
  static constexpr size_t kDenseLimit = 8u << 20;

  // No strings: only the start state.
  AhoCorasick();
  // String k gets the id k. Empty strings are left out (never reported);
  // strings may repeat, and then one state ends several ids. The strings
  // are read only here.
  explicit AhoCorasick(const std::vector<std::string_view>& strings, size_t denseLimit = kDenseLimit);

  // The state after reading byte c in state s.
  uint32_t Next(uint32_t s, uint8_t c) const {
    return table_.empty() ? NextSparse(s, c) : table_[size_t{s} * classes_ + classOf_[c]];
  }
  // The same step for an automaton built without the full table (denseLimit
  // 0), without the test for the form: on a text that keeps the automaton
  // near the start state it is the fastest step.
  uint32_t NextSparse(uint32_t s, uint8_t c) const {
    while (s != 0) {
      const Node& n = node_[s];
      if (n.count == 1) {
        if (n.firstLabel == c) return n.childBegin;
      } else if (n.count > 1) {
        uint32_t w = n.row != kNone ? rows_[size_t{n.row} * 256 + c] : Child(n, c);
        if (w != kNone) return w;
      }
      s = n.fail;
    }
    return rootNext_[c];
  }


  // True when some string ends in state s.
  bool Ends(uint32_t s) const { return first_[s] != kNone; }
  // The ids of the strings that end in state s, ascending.
  std::span<const uint32_t> Ids(uint32_t s) const {
    return std::span<const uint32_t>(ids_.data() + idStart_[s], idStart_[s + 1] - idStart_[s]);
  }
  // The smallest id that ends in state s (kNone: none).
  uint32_t Id(uint32_t s) const { return first_[s]; }
  // The nearest state on the failure chain of s (s excluded) in which a
  // string ends (kNone: none): the longest proper suffix of what was read
  // that is a whole string. Per state, for callers that shorten them.
  const std::vector<uint32_t>& DictLinks() const { return dict_; }
  uint32_t Dict(uint32_t s) const { return dict_[s]; }
  // The first state of the chain s, Dict(s), ... that ends a string.
  uint32_t Report(uint32_t s) const { return report_[s]; }

  size_t States() const { return idStart_.size() - 1; }
  // Number of strings held (the non-empty ones).
  size_t Count() const { return ids_.size(); }
  // Length of the longest string (0: none).
  size_t MaxLen() const { return maxLen_; }
  // True when a step is one look-up in the full table.
  bool Dense() const { return !table_.empty(); }
  bool Empty() const { return States() <= 1; }

 private:
  struct Node {
    uint32_t childBegin = 0;
    uint32_t fail = 0;
    uint32_t row = kNone;  // index of the child table of 256 entries, if any
    uint16_t count = 0;    // number of children
    uint8_t firstLabel = 0;
  };
  // States with at least kRowFrom children get a child table, at most
  // kMaxRows of them.
  static constexpr uint16_t kRowFrom = 6;
  static constexpr size_t kMaxRows = 16384;

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

  void BuildTable(size_t denseLimit);

  // Sparse form (emptied when the full table is built).
  std::vector<Node> node_;
  std::vector<uint8_t> label_;  // per state: the byte that leads to it
  std::vector<uint32_t> rows_;
  uint32_t rootNext_[256] = {};
  // Full form.
  uint16_t classOf_[256] = {};
  size_t classes_ = 1;
  std::vector<uint32_t> table_;
  // Output.
  std::vector<uint32_t> idStart_;  // per state: its ids in ids_
  std::vector<uint32_t> ids_;
  std::vector<uint32_t> first_;    // per state: its smallest id, or kNone
  std::vector<uint32_t> dict_;
  std::vector<uint32_t> report_;
  size_t maxLen_ = 0;
};
