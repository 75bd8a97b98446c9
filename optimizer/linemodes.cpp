// Mode -repstr (replace text in lines), mode -co (clear lines that are not
// kept), the run without a mode, and the numbering of repeated lines.
#include "optimizer/linemodes.h"

#include <algorithm>
#include <deque>
#include <functional>
#include <unordered_map>
#include <utility>

#include "common/lineindex.h"
#include "common/platform.h"
#include "common/strutil.h"
#include "optimizer/linefile.h"
#include "optimizer/modes.h"

// ---------------------------------------------------------------------------
// TPairReplacer: an Aho-Corasick automaton over the search texts.

TPairReplacer::TPairReplacer(const std::vector<std::string>& search,
                             const std::vector<std::string>& replace, size_t denseLimit)
    : search_(search), replace_(replace) {
  // Trie with child lists; pair ids are added in ascending order, so every
  // state's id list is sorted.
  std::vector<std::vector<std::pair<unsigned char, int>>> children(1);
  std::vector<std::vector<int>> stateIds(1);
  for (size_t id = 0; id < search.size(); ++id) {
    const std::string& s = search[id];
    // An empty search text, or one replaced by itself, changes nothing.
    if (s.empty() || s == replace[id]) continue;
    int state = 0;
    for (unsigned char b : s) {
      int target = -1;
      for (const auto& [cb, ct] : children[static_cast<size_t>(state)]) {
        if (cb == b) {
          target = ct;
          break;
        }
      }
      if (target < 0) {
        target = static_cast<int>(children.size());
        children[static_cast<size_t>(state)].emplace_back(b, target);
        children.emplace_back();
        stateIds.emplace_back();
      }
      state = target;
    }
    stateIds[static_cast<size_t>(state)].push_back(static_cast<int>(id));
    maxLen_ = std::max(maxLen_, s.size());
  }
  const size_t states = children.size();

  // Flat edge arrays sorted by byte.
  edgeStart_.assign(states + 1, 0);
  for (size_t s = 0; s < states; ++s) {
    auto& c = children[s];
    std::sort(c.begin(), c.end());
    edgeStart_[s + 1] = edgeStart_[s] + static_cast<int>(c.size());
  }
  edgeByte_.reserve(static_cast<size_t>(edgeStart_[states]));
  edgeTarget_.reserve(static_cast<size_t>(edgeStart_[states]));
  for (size_t s = 0; s < states; ++s) {
    for (const auto& [b, t] : children[s]) {
      edgeByte_.push_back(b);
      edgeTarget_.push_back(t);
    }
  }
  rootNext_.assign(256, 0);
  for (const auto& [b, t] : children[0]) rootNext_[b] = t;

  idStart_.assign(states + 1, 0);
  for (size_t s = 0; s < states; ++s)
    idStart_[s + 1] = idStart_[s] + static_cast<int>(stateIds[s].size());
  ids_.reserve(static_cast<size_t>(idStart_[states]));
  for (size_t s = 0; s < states; ++s) ids_.insert(ids_.end(), stateIds[s].begin(), stateIds[s].end());
  stateIds.clear();
  stateIds.shrink_to_fit();

  // Failure and dictionary links, breadth first.
  fail_.assign(states, 0);
  dict_.assign(states, -1);
  std::deque<int> queue;
  std::vector<int> order;  // states other than the root, breadth first
  order.reserve(states);
  for (const auto& [b, t] : children[0]) queue.push_back(t);
  while (!queue.empty()) {
    const int s = queue.front();
    queue.pop_front();
    order.push_back(s);
    for (const auto& [b, t] : children[static_cast<size_t>(s)]) {
      int f = fail_[static_cast<size_t>(s)];
      fail_[static_cast<size_t>(t)] = Step(f, b);
      const int ft = fail_[static_cast<size_t>(t)];
      dict_[static_cast<size_t>(t)] =
          idStart_[static_cast<size_t>(ft)] != idStart_[static_cast<size_t>(ft) + 1] ? ft
                                                                                        : dict_[static_cast<size_t>(ft)];
      queue.push_back(t);
    }
  }
  stamp_.assign(states, 0);
  queued_.assign(search.size(), 0);

  // When it fits, the full transition table over byte classes (every byte
  // that occurs in a search text has a class of its own, all others share
  // class 0), so that a step is one look-up. Built breadth first: a state's
  // row is its failure state's row with its own edges put in.
  classOf_.assign(256, 0);
  numClasses_ = 1;
  for (unsigned char b : edgeByte_)
    if (classOf_[b] == 0) classOf_[b] = static_cast<uint16_t>(numClasses_++);
  if (states * numClasses_ <= denseLimit) {
    std::vector<int> table(states * numClasses_, 0);
    for (const auto& [b, t] : children[0]) table[classOf_[b]] = t;
    for (int st : order) {
      const size_t s = static_cast<size_t>(st);
      const size_t f = static_cast<size_t>(fail_[s]);
      std::copy_n(table.begin() + static_cast<std::ptrdiff_t>(f * numClasses_), numClasses_,
                  table.begin() + static_cast<std::ptrdiff_t>(s * numClasses_));
      for (const auto& [b, t] : children[s]) table[s * numClasses_ + classOf_[b]] = t;
    }
    dense_ = std::move(table);
  }
}

int TPairReplacer::Step(int state, unsigned char byte) const {
  if (!dense_.empty()) return dense_[static_cast<size_t>(state) * numClasses_ + classOf_[byte]];
  for (;;) {
    if (state == 0) return rootNext_[byte];
    const int lo = edgeStart_[static_cast<size_t>(state)];
    const int hi = edgeStart_[static_cast<size_t>(state) + 1];
    if (hi - lo <= 8) {
      for (int e = lo; e < hi; ++e)
        if (edgeByte_[static_cast<size_t>(e)] == byte) return edgeTarget_[static_cast<size_t>(e)];
    } else {
      auto b0 = edgeByte_.begin() + lo, b1 = edgeByte_.begin() + hi;
      auto it = std::lower_bound(b0, b1, byte);
      if (it != b1 && *it == byte) return edgeTarget_[static_cast<size_t>(it - edgeByte_.begin())];
    }
    state = fail_[static_cast<size_t>(state)];
  }
}

void TPairReplacer::Push(int id) {
  if (queued_[static_cast<size_t>(id)]) return;
  queued_[static_cast<size_t>(id)] = 1;
  heap_.push_back(id);
  std::push_heap(heap_.begin(), heap_.end(), std::greater<int>());
}

int TPairReplacer::PopMin() {
  std::pop_heap(heap_.begin(), heap_.end(), std::greater<int>());
  const int id = heap_.back();
  heap_.pop_back();
  queued_[static_cast<size_t>(id)] = 0;
  return id;
}

void TPairReplacer::Collect(std::string_view line, size_t lo, size_t hi, int from) {
  int state = 0;
  for (size_t i = lo; i < hi; ++i) {
    state = Step(state, static_cast<unsigned char>(line[i]));
    const size_t st = static_cast<size_t>(state);
    int t = idStart_[st] != idStart_[st + 1] ? state : dict_[st];
    // Every state on the dictionary chain ends an occurrence here. A state
    // visited before in this scan had its whole chain visited with it.
    while (t > 0 && stamp_[static_cast<size_t>(t)] != scan_) {
      const size_t ts = static_cast<size_t>(t);
      stamp_[ts] = scan_;
      auto i1 = ids_.begin() + idStart_[ts + 1];
      for (auto it = std::lower_bound(ids_.begin() + idStart_[ts], i1, from); it != i1; ++it) Push(*it);
      t = dict_[ts];
    }
  }
}

// Replace-all of find by rep in line into out, left to right and without
// overlaps; sites gets the start of every inserted rep in out. False (out
// untouched) when find does not occur.
static bool ReplaceAllSites(const std::string& line, const std::string& find, const std::string& rep,
                            std::string& out, std::vector<size_t>& sites) {
  size_t p = Pos(find, line, 1);
  if (p == 0) return false;
  out.clear();
  sites.clear();
  size_t copied = 0;  // bytes of line already handled
  while (p != 0) {
    out.append(line, copied, p - 1 - copied);
    sites.push_back(out.size());
    out += rep;
    copied = p - 1 + find.size();
    p = Pos(find, line, copied + 1);
  }
  out.append(line, copied, std::string::npos);
  return true;
}

void TPairReplacer::Apply(std::string& line) {
  if (line.empty() || stamp_.size() <= 1) return;
  auto newScan = [this] {
    if (++scan_ == 0) {  // stamps wrapped around: start afresh
      std::fill(stamp_.begin(), stamp_.end(), 0);
      scan_ = 1;
    }
  };
  newScan();
  Collect(line, 0, line.size(), 0);
  while (!heap_.empty()) {
    const int id = PopMin();
    const size_t i = static_cast<size_t>(id);
    if (!ReplaceAllSites(line, search_[i], replace_[i], out_, sites_)) continue;  // text gone meanwhile
    line.swap(out_);
    // An occurrence that does not overlap an inserted text (or the joint
    // where an empty one was put) lay in the line before and is queued
    // already. The others lie within maxLen_ - 1 bytes of an inserted text.
    const size_t reach = maxLen_ - 1, rlen = replace_[i].size();
    newScan();
    size_t lo = 0, hi = 0;
    bool open = false;
    for (size_t site : sites_) {
      const size_t a = site > reach ? site - reach : 0;
      const size_t b = std::min(line.size(), site + rlen + reach);
      if (open && a <= hi) {
        hi = std::max(hi, b);
      } else {
        if (open) Collect(line, lo, hi, id + 1);
        lo = a;
        hi = b;
        open = true;
      }
    }
    if (open) Collect(line, lo, hi, id + 1);
  }
}

void ReplaceInLines(std::vector<std::string>& lines, const std::vector<std::string>& search,
                    const std::vector<std::string>& replace) {
  bool any = false;
  for (size_t i = 0; i < search.size() && !any; ++i) any = !search[i].empty() && search[i] != replace[i];
  if (!any) return;
  TPairReplacer replacer(search, replace);
  for (auto& line : lines) replacer.Apply(line);
}

// ---------------------------------------------------------------------------

void ClearOtherLines(std::vector<std::string>& lines, const std::vector<std::string>& keepEN,
                     const std::vector<std::string>& keepRU) {
  TLineIndex en(keepEN, TLineMatch_Kind::Bytes);
  TLineIndex ru(keepRU, TLineMatch_Kind::Bytes);
  for (auto& line : lines) {
    if (en.First(line) < 0 && ru.First(line) < 0) line.clear();
  }
}

void NumberDuplicates(std::vector<std::string>& lines) {
  // Every open line still holds its loaded text, so the pairwise numbering
  // is a numbering of the groups of equal loaded lines that have at least
  // two members.
  std::vector<int> groupOf(lines.size());
  std::vector<int> sizes;
  {
    std::unordered_map<std::string_view, int> group;
    group.reserve(lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
      auto [it, inserted] = group.try_emplace(lines[i], static_cast<int>(sizes.size()));
      if (inserted) sizes.push_back(0);
      groupOf[i] = it->second;
      ++sizes[static_cast<size_t>(it->second)];
    }
  }
  std::vector<int> counter(sizes.size(), 0);
  for (size_t i = 0; i < lines.size(); ++i) {
    const size_t g = static_cast<size_t>(groupOf[i]);
    if (sizes[g] < 2) continue;
    lines[i] += "*";
    lines[i] += IntToStr(++counter[g]);
  }
}

void NumberDuplicateLines(TStringList& list, const TParam& p) {
  if (!p.NumberDoubles) return;
  NumberDuplicates(list.Lines());
}

// ---------------------------------------------------------------------------

void RunRepStr(const TParam& p) {
  ConsoleLine("RepInLine: " + p.FileMain);
  TStringList lines, search, replace;
  lines.LoadFromFile(p.FileMain);
  search.LoadFromFile(p.FileEN);
  replace.LoadFromFile(p.FileRU);
  if (search.Count() != replace.Count()) {
    ConsoleLine("Not math Old and New lines!!!");
    return;
  }
  ReplaceInLines(lines.Lines(), search.Lines(), replace.Lines());
  ForceFileDir(p.FileRec);
  lines.SaveToFile(p.FileRec);
}

void RunClearOther(const TParam& p) {
  ConsoleLine("Clear other text for: " + p.FileMain);
  TStringList lines, en, ru;
  lines.LoadFromFile(p.FileMain);
  en.LoadFromFile(p.FileEN);
  ru.LoadFromFile(p.FileRU);
  ClearOtherLines(lines.Lines(), en.Lines(), ru.Lines());
  ForceFileDir(p.FileRec);
  FinishLines(lines, p);
  lines.SaveToFile(p.FileRec);
}

void RunNoMode(const TParam& p) {
  ConsoleLine("Mode none: " + p.FileMain);
  TStringList lines;
  lines.LoadFromFile(p.FileMain);
  FinishLines(lines, p);
  NumberDuplicateLines(lines, p);
  // The output folder is not created: a missing folder fails the save.
  if (lines.Count() > 0) lines.SaveToFile(p.FileEN);
}
