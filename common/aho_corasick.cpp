#include "common/aho_corasick.h"

#include <algorithm>

AhoCorasick::AhoCorasick() : AhoCorasick(std::vector<std::string_view>{}) {}

AhoCorasick::AhoCorasick(const std::vector<std::string_view>& strings, size_t denseLimit) {
  // The ids of the non-empty strings, by string and then by id.
  std::vector<uint32_t> order;
  order.reserve(strings.size());
  for (size_t k = 0; k < strings.size(); ++k)
    if (!strings[k].empty()) order.push_back(static_cast<uint32_t>(k));
  std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
    const int c = strings[a].compare(strings[b]);
    return c != 0 ? c < 0 : a < b;
  });
  // Temporary trie with sibling lists. Strings inserted in sorted order
  // need at each node either its newest child or a new one.
  std::vector<uint32_t> tFirst(1, kNone), tLast(1, kNone), tNext(1, kNone);
  std::vector<uint8_t> tLabel(1, 0);
  std::vector<uint32_t> endOf;  // per entry of order: the node where it ends
  endOf.reserve(order.size());
  for (uint32_t id : order) {
    std::string_view p = strings[id];
    maxLen_ = std::max(maxLen_, p.size());
    uint32_t v = 0;
    for (char ch : p) {
      const uint8_t c = static_cast<uint8_t>(ch);
      uint32_t w = tLast[v];
      if (w != kNone && tLabel[w] == c) {
        v = w;
        continue;
      }
      uint32_t nw = static_cast<uint32_t>(tFirst.size());
      tFirst.push_back(kNone);
      tLast.push_back(kNone);
      tNext.push_back(kNone);
      tLabel.push_back(c);
      if (tFirst[v] == kNone)
        tFirst[v] = nw;
      else
        tNext[tLast[v]] = nw;
      tLast[v] = nw;
      v = nw;
    }
    endOf.push_back(v);
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
  std::vector<uint32_t> rank(nodes);
  for (size_t k = 0; k < nodes; ++k) {
    label_[k] = tLabel[bfs[k]];
    rank[bfs[k]] = static_cast<uint32_t>(k);
  }
  for (size_t k = 0; k < nodes; ++k)
    if (node_[k].count > 0) node_[k].firstLabel = label_[node_[k].childBegin];
  // The ids of every state; those of one state are neighbours in order,
  // ascending.
  idStart_.assign(nodes + 1, 0);
  for (uint32_t v : endOf) ++idStart_[rank[v] + 1];
  for (size_t k = 0; k < nodes; ++k) idStart_[k + 1] += idStart_[k];
  ids_.resize(order.size());
  {
    std::vector<uint32_t> at(idStart_.begin(), idStart_.end() - 1);
    for (size_t k = 0; k < order.size(); ++k) ids_[at[rank[endOf[k]]]++] = order[k];
  }
  first_.assign(nodes, kNone);
  for (size_t k = 0; k < nodes; ++k)
    if (idStart_[k] != idStart_[k + 1]) first_[k] = ids_[idStart_[k]];
  std::vector<uint32_t>().swap(tFirst);
  std::vector<uint32_t>().swap(tLast);
  std::vector<uint32_t>().swap(tNext);
  std::vector<uint8_t>().swap(tLabel);
  std::vector<uint32_t>().swap(bfs);
  std::vector<uint32_t>().swap(rank);
  std::vector<uint32_t>().swap(endOf);
  // Nodes with many children (near the root) get a child table.
  for (size_t k = 1; k < nodes && rows_.size() < kMaxRows * 256; ++k) {
    if (node_[k].count < kRowFrom) continue;
    node_[k].row = static_cast<uint32_t>(rows_.size() / 256);
    rows_.resize(rows_.size() + 256, kNone);
    for (uint32_t w = node_[k].childBegin; w < node_[k].childBegin + node_[k].count; ++w)
      rows_[size_t{node_[k].row} * 256 + label_[w]] = w;
  }
  // Failure and dictionary links, breadth first.
  dict_.assign(nodes, kNone);
  for (uint32_t w = node_[0].childBegin; w < node_[0].childBegin + node_[0].count; ++w) rootNext_[label_[w]] = w;
  for (uint32_t v = 0; v < nodes; ++v) {
    for (uint32_t w = node_[v].childBegin; w < node_[v].childBegin + node_[v].count; ++w) {
      uint32_t f = v == 0 ? 0 : Next(node_[v].fail, label_[w]);
      node_[w].fail = f;
      dict_[w] = Ends(f) ? f : dict_[f];
    }
  }
  report_.resize(nodes);
  for (size_t k = 0; k < nodes; ++k) report_[k] = Ends(static_cast<uint32_t>(k)) ? static_cast<uint32_t>(k) : dict_[k];
  BuildTable(denseLimit);
}

void AhoCorasick::BuildTable(size_t denseLimit) {
  const size_t nodes = node_.size();
  for (size_t s = 1; s < nodes; ++s)
    if (classOf_[label_[s]] == 0) classOf_[label_[s]] = static_cast<uint16_t>(classes_++);
  if (nodes * classes_ > denseLimit) return;
  // A state's row is its failure state's row with its own children put in.
  std::vector<uint32_t> table(nodes * classes_, 0);
  for (size_t s = 0; s < nodes; ++s) {
    const Node& n = node_[s];
    if (s > 0) std::copy_n(table.begin() + n.fail * classes_, classes_, table.begin() + s * classes_);
    for (uint32_t w = n.childBegin; w < n.childBegin + n.count; ++w) table[s * classes_ + classOf_[label_[w]]] = w;
  }
  table_ = std::move(table);
  std::vector<Node>().swap(node_);
  std::vector<uint8_t>().swap(label_);
  std::vector<uint32_t>().swap(rows_);
}
