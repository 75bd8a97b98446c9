#include "extractor/piece_table.h"

#include "common/program.h"

void PieceTable::Init(uint64_t len) {
  if (len == 0) return;
  root_ = NewNode(0, 0, len);
  nodes_[root_].label = kLabelEnd / 2;
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
  n.alive = true;
  n.min0 = src == 0 ? off : kNoOriginal;
  nodes_.push_back(n);
  // The reserved room gets its pages a block at a time, just ahead of the
  // pieces that reach it, and never more of it than the pieces made need.
  if (nodes_.size() > mapped_ && nodes_.size() < nodes_.capacity()) {
    const size_t count = std::min(nodes_.capacity() - nodes_.size(), kMapBlock);
    MapPagesAhead(nodes_.data() + nodes_.size(), count * sizeof(Node));
    mapped_ = nodes_.size() + count;
  }
  uint32_t id = static_cast<uint32_t>(nodes_.size() - 1);
  if (src >= first_.size()) first_.resize(src + 1, 0);
  if (first_[src] == 0) first_[src] = id;
  return id;
}

void PieceTable::Pull(uint32_t x) {
  Node& n = nodes_[x];
  n.sum = (n.alive ? n.len : 0) + nodes_[n.l].sum + nodes_[n.r].sum;
  n.min0 = nodes_[n.l].min0 != kNoOriginal ? nodes_[n.l].min0 : (n.src == 0 ? n.off : nodes_[n.r].min0);
  if (n.l) nodes_[n.l].p = x;
  if (n.r) nodes_[n.r].p = x;
}

void PieceTable::FixUp(uint32_t x) {
  for (; x != 0; x = nodes_[x].p) Pull(x);
}

void PieceTable::Rotate(uint32_t x) {
  const uint32_t y = nodes_[x].p, g = nodes_[y].p;
  if (nodes_[y].l == x) {
    nodes_[y].l = nodes_[x].r;
    nodes_[x].r = y;
  } else {
    nodes_[y].r = nodes_[x].l;
    nodes_[x].l = y;
  }
  nodes_[x].p = g;
  if (g != 0) (nodes_[g].l == y ? nodes_[g].l : nodes_[g].r) = x;
  Pull(y);
  Pull(x);
}

void PieceTable::InsertAfter(uint32_t after, uint32_t n) {
  // n goes in as a leaf right after `after` (as its right child, or as the
  // left child of the first piece of its right subtree), then rises while
  // its priority beats its parent's; the sums are made again up to the root.
  if (root_ == 0) {
    root_ = n;
  } else {
    uint32_t parent = after;
    bool left = false;
    if (after == 0 || nodes_[after].r != 0) {
      parent = after == 0 ? root_ : nodes_[after].r;
      while (nodes_[parent].l != 0) parent = nodes_[parent].l;
      left = true;
    }
    (left ? nodes_[parent].l : nodes_[parent].r) = n;
    nodes_[n].p = parent;
    while (nodes_[n].p != 0 && nodes_[n].pri > nodes_[nodes_[n].p].pri) Rotate(n);
    if (nodes_[n].p == 0) root_ = n;
    FixUp(nodes_[n].p);
  }
  AssignLabel(after, n);
}
