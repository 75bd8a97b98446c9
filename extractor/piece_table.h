// A text under edits that never moves bytes: the pieces of the current text
// in order, each a run of bytes of one source (0 = the original text, e =
// the bytes of the e-th edit), kept in a treap with parent links.
//
// A byte is named by its source and its offset there. An edit splits pieces,
// marks the replaced ones dead (they stay in the treap as tombstones of zero
// length) and inserts a piece for the new bytes, so the relative order of
// bytes never changes. Each piece carries an order label: labels grow along
// the text, tombstones included, so two byte names are ordered by comparing
// the labels of their pieces for the whole run. A new piece takes the middle
// of the gap between its neighbours; when there is none, the labels of a
// range around it are spread out again, the range growing until it is
// sparse enough (order maintenance after Bender et al.).
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

class PieceTable {
 public:
  // Name of a byte: its source and offset there, with the piece that held it
  // when last looked up (a hint; 0 = none).
  struct Ident {
    uint32_t src = 0;
    uint32_t node = 0;
    uint64_t off = 0;
  };

  // The sources are viewed; sources[0] is the original text. Sources added
  // later for edits must stay in place (the vector may grow).
  explicit PieceTable(const std::vector<std::string_view>& sources) : sources_(sources) {
    nodes_.push_back(Node{});  // index 0: no node
  }

  // The whole original text of len bytes as the only piece.
  void Init(uint64_t len);
  // Room for n pieces without moving the table.
  void Reserve(size_t n) { nodes_.reserve(n + 1); }

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

  // Next and previous piece in text order (tombstones included; 0: none).
  uint32_t Successor(uint32_t x) const { return Neighbour<&Node::r, &Node::l>(x); }
  uint32_t Predecessor(uint32_t x) const { return Neighbour<&Node::l, &Node::r>(x); }

  // Piece holding the byte id (alive or dead); refreshes the hint.
  uint32_t Resolve(Ident& id) const {
    uint32_t x = id.node;
    const Node& n = nodes_[x];
    if (x != 0 && n.src == id.src && id.off >= n.off && id.off - n.off < n.len) return x;
    if (id.src == 0) {
      x = FindOriginal(id.off);
    } else {
      // The bytes of an edit are split only by later cuts, each of which
      // leaves the left part in its piece: the byte is in the hinted piece
      // (or the source's first) or in one of the parts cut off after it.
      if (x == 0 || n.src != id.src || n.off > id.off) x = first_[id.src];
      while (id.off - nodes_[x].off >= nodes_[x].len) x = nodes_[x].next;
    }
    id.node = x;
    return x;
  }

  // True when byte a comes before byte b in the text (dead bytes included).
  bool Before(Ident& a, Ident& b) const {
    if (a.src == b.src) return a.off < b.off;
    return nodes_[Resolve(a)].label < nodes_[Resolve(b)].label;
  }

  // Makes a piece boundary at pos.
  void CutAt(uint64_t pos);
  // Marks piece x dead.
  void Kill(uint32_t x);
  // Inserts a new piece after piece `after` (0: at the front).
  uint32_t InsertNew(uint32_t after, uint32_t src, uint64_t off, uint64_t len);

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

  // Calls f(x, o, take) for the live pieces that hold the text [pos, end)
  // (end <= Total()), in order: take bytes of piece x from offset o.
  template <class F>
  void ForEachRun(uint64_t pos, uint64_t end, F f) const {
    if (pos >= end) return;
    auto [x, o] = Find(pos);
    for (uint64_t at = pos; at < end;) {
      if (nodes_[x].alive) {
        uint64_t take = std::min<uint64_t>(nodes_[x].len - o, end - at);
        f(x, o, take);
        at += take;
      }
      o = 0;
      x = Successor(x);
    }
  }

  // Calls f(data, n) for every non-empty live piece in order.
  template <class F>
  void ForEachLive(F f) const {
    // In-order walk without recursion on the (random-depth) treap.
    std::vector<uint32_t> stack;
    uint32_t t = root_;
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

 private:
  static constexpr uint64_t kNoOriginal = ~uint64_t{0};

  struct Node {
    uint32_t l = 0, r = 0, p = 0, pri = 0, src = 0;
    uint32_t next = 0;  // the piece cut off this one's end last (same source; 0: none)
    uint64_t off = 0, len = 0, sum = 0, label = 0;
    // Smallest offset of a piece of the original text in the subtree: these
    // pieces stay in the order of their offsets, so an offset of the
    // original text leads down the tree to its piece.
    uint64_t min0 = kNoOriginal;
    bool alive = false;
  };

  // The piece of the original text (alive or dead) that holds offset o.
  uint32_t FindOriginal(uint64_t o) const {
    for (uint32_t t = root_;;) {
      const Node& n = nodes_[t];
      if (nodes_[n.r].min0 <= o) {
        t = n.r;
      } else if (n.src == 0 && n.off <= o) {
        return t;
      } else {
        t = n.l;
      }
    }
  }

  static constexpr uint64_t kLabelEnd = uint64_t{1} << 62;
  // Step from the neighbour of a piece that becomes the first or the last:
  // room for 2^29 such pieces at each end, and 32 halvings between two.
  static constexpr uint64_t kEndStep = uint64_t{1} << 32;

  // The neighbour of x on the side `toward` (Node::r: the next piece).
  template <uint32_t Node::*toward, uint32_t Node::*away>
  uint32_t Neighbour(uint32_t x) const {
    if (nodes_[x].*toward != 0) {
      x = nodes_[x].*toward;
      while (nodes_[x].*away != 0) x = nodes_[x].*away;
      return x;
    }
    uint32_t p = nodes_[x].p;
    while (p != 0 && nodes_[p].*toward == x) {
      x = p;
      p = nodes_[p].p;
    }
    return p;
  }

  // Gives piece n, just linked after piece `after` (0: first), a label.
  void AssignLabel(uint32_t after, uint32_t n);
  uint32_t NewNode(uint32_t src, uint64_t off, uint64_t len);
  void Pull(uint32_t x);
  void FixUp(uint32_t x);
  // Turns x's edge to its parent around, x taking the parent's place.
  void Rotate(uint32_t x);
  void InsertAfter(uint32_t after, uint32_t n);

  // Pieces whose pages are mapped ahead in one call.
  static constexpr size_t kMapBlock = (size_t{2} << 20) / sizeof(Node);

  const std::vector<std::string_view>& sources_;
  std::vector<Node> nodes_;
  size_t mapped_ = 0;  // the room below this many pieces has its pages
  std::vector<uint32_t> first_;  // first piece of each source
  uint32_t root_ = 0;
  uint64_t seed_ = 0x9E3779B97F4A7C15ull;
};
