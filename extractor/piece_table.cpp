#include "extractor/piece_table.h"

void PieceTable::Init(uint64_t len) {
  if (len == 0) return;
  root_ = NewNode(0, 0, len);
  nodes_[root_].label = kLabelEnd / 2;
}

uint64_t PieceTable::RankCount(uint32_t x) const {
  uint64_t r = nodes_[nodes_[x].l].cnt + 1;
  for (uint32_t p = nodes_[x].p; p != 0; x = p, p = nodes_[p].p)
    if (nodes_[p].r == x) r += nodes_[nodes_[p].l].cnt + 1;
  return r;
}

void PieceTable::CutAt(uint64_t pos) {
  if (pos >= Total()) return;
  auto [t, o] = Find(pos);
  if (o == 0) return;
  uint32_t n = NewNode(nodes_[t].src, nodes_[t].off + o, nodes_[t].len - o);
  nodes_[n].next = nodes_[t].next;
  nodes_[t].next = n;
  nodes_[t].len = o;
  FixUp(t);
  InsertAfter(t, n);
}

void PieceTable::Kill(uint32_t x) {
  nodes_[x].alive = false;
  FixUp(x);
}

uint32_t PieceTable::InsertNew(uint32_t after, uint32_t src, uint64_t off, uint64_t len) {
  uint32_t n = NewNode(src, off, len);
  InsertAfter(after, n);
  return n;
}

void PieceTable::AssignLabel(uint32_t after, uint32_t n) {
  uint64_t a = after == 0 ? 0 : nodes_[after].label;
  uint32_t s = Successor(n);
  uint64_t b = s == 0 ? kLabelEnd : nodes_[s].label;
  nodes_[n].label = a;
  if (b - a >= 2) {
    // A piece next to either end of the label range takes a fixed step
    // from its neighbour rather than the middle: edits that move along the
    // text keep cutting the last piece, and halving that gap every time
    // would use it up after 62 cuts and spread labels again and again.
    uint64_t gap = (b - a) / 2;
    if (gap > kEndStep && s == 0) {
      nodes_[n].label = a + kEndStep;
    } else if (gap > kEndStep && after == 0) {
      nodes_[n].label = b - kEndStep;
    } else {
      nodes_[n].label = a + gap;
    }
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

uint32_t PieceTable::NewNode(uint32_t src, uint64_t off, uint64_t len) {
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
  n.min0 = src == 0 ? off : kNoOriginal;
  nodes_.push_back(n);
  uint32_t id = static_cast<uint32_t>(nodes_.size() - 1);
  if (src >= first_.size()) first_.resize(src + 1, 0);
  if (first_[src] == 0) first_[src] = id;
  return id;
}

void PieceTable::Pull(uint32_t x) {
  Node& n = nodes_[x];
  n.sum = (n.alive ? n.len : 0) + nodes_[n.l].sum + nodes_[n.r].sum;
  n.min0 = nodes_[n.l].min0 != kNoOriginal ? nodes_[n.l].min0 : (n.src == 0 ? n.off : nodes_[n.r].min0);
  n.cnt = 1 + nodes_[n.l].cnt + nodes_[n.r].cnt;
  if (n.l) nodes_[n.l].p = x;
  if (n.r) nodes_[n.r].p = x;
}

void PieceTable::FixUp(uint32_t x) {
  for (; x != 0; x = nodes_[x].p) Pull(x);
}

void PieceTable::Split(uint32_t t, uint64_t k, uint32_t& a, uint32_t& b) {
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

uint32_t PieceTable::Merge(uint32_t a, uint32_t b) {
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

void PieceTable::InsertAfter(uint32_t after, uint32_t n) {
  uint64_t k = after == 0 ? 0 : RankCount(after);
  uint32_t a, b;
  Split(root_, k, a, b);
  root_ = Merge(Merge(a, n), b);
  nodes_[root_].p = 0;
  AssignLabel(after, n);
}
