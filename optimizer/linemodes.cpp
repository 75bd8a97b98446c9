// Mode -repstr (replace text in lines), mode -co (clear lines that are not
// kept), the run without a mode, and the numbering of repeated lines.
#include "optimizer/linemodes.h"

#include <algorithm>
#include <deque>
#include <functional>
#include <unordered_map>
#include <utility>

#include "common/exitstatus.h"
#include "common/lineindex.h"
#include "common/platform.h"
#include "common/strutil.h"
#include "optimizer/linefile.h"
#include "optimizer/mode_runs.h"

// ---------------------------------------------------------------------------
// TPairReplacer: an Aho-Corasick automaton over the search texts.

TPairReplacer::TPairReplacer(const std::vector<std::string>& search,
                             const std::vector<std::string>& replace, size_t denseLimit,
                             size_t chunkSize)
    : search_(search), replace_(replace), chunkSize_(std::max<size_t>(chunkSize, 1)) {
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
  report_.resize(states);
  for (size_t st = 0; st < states; ++st)
    report_[st] = idStart_[st] != idStart_[st + 1] ? static_cast<int>(st) : dict_[st];
  stamp_.assign(states, 0);
  queued_.assign(search.size(), 0);
  endsIn_.resize(search.size());

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

void TPairReplacer::NewScan() {
  if (++scan_ == 0) {  // stamps wrapped around: start afresh
    std::fill(stamp_.begin(), stamp_.end(), 0);
    scan_ = 1;
  }
}

void TPairReplacer::BuildSizes() {
  const size_t n = chunks_.size();
  sizes_.assign(n + 1, 0);
  total_ = 0;
  for (size_t i = 1; i <= n; ++i) {
    sizes_[i] += chunks_[i - 1].size();
    total_ += chunks_[i - 1].size();
    const size_t parent = i + (i & (~i + 1));
    if (parent <= n) sizes_[parent] += sizes_[i];
  }
}

void TPairReplacer::AddSize(size_t chunk, size_t oldSize, size_t newSize) {
  // Unsigned arithmetic wraps, so a shrink adds its negative.
  const size_t delta = newSize - oldSize;
  total_ += delta;
  for (size_t i = chunk + 1; i < sizes_.size(); i += i & (~i + 1)) sizes_[i] += delta;
}

size_t TPairReplacer::StartOf(size_t chunk) const {
  size_t sum = 0;
  for (size_t i = chunk; i > 0; i -= i & (~i + 1)) sum += sizes_[i];
  return sum;
}

void TPairReplacer::Locate(size_t pos, size_t& chunk, size_t& offset) const {
  // The number of leading chunks that end at or before pos; empty chunks
  // there are counted too, so the next chunk holds pos.
  const size_t n = sizes_.size() - 1;
  size_t step = 1;
  while (step * 2 <= n) step *= 2;
  size_t idx = 0, rest = pos;
  for (; step > 0; step /= 2) {
    if (idx + step <= n && sizes_[idx + step] <= rest) {
      idx += step;
      rest -= sizes_[idx];
    }
  }
  chunk = idx;
  offset = rest;
}

void TPairReplacer::Collect(size_t lo, size_t hi, int from) {
  size_t c = 0, off = 0;
  Locate(lo, c, off);
  int state = 0;
  for (size_t pos = lo; pos < hi && c < chunks_.size(); ++c, off = 0) {
    const std::string& text = chunks_[c];
    if (off >= text.size()) continue;
    // Stamps are per chunk: every state visited again in this chunk had
    // its whole dictionary chain visited with it, for this same chunk.
    NewScan();
    const size_t end = std::min(text.size(), off + (hi - pos));
    pos += end - off;
    for (; off < end; ++off) {
      state = Step(state, static_cast<unsigned char>(text[off]));
      int t = report_[static_cast<size_t>(state)];
      while (t > 0 && stamp_[static_cast<size_t>(t)] != scan_) {
        const size_t ts = static_cast<size_t>(t);
        stamp_[ts] = scan_;
        auto i1 = ids_.begin() + idStart_[ts + 1];
        for (auto it = std::lower_bound(ids_.begin() + idStart_[ts], i1, from); it != i1; ++it) {
          std::vector<int>& ends = endsIn_[static_cast<size_t>(*it)];
          if (ends.empty() || ends.back() != static_cast<int>(c)) ends.push_back(static_cast<int>(c));
          Push(*it);
        }
        t = dict_[ts];
      }
    }
  }
}

void TPairReplacer::ApplyPair(int id) {
  const std::string& find = search_[static_cast<size_t>(id)];
  const std::string& rep = replace_[static_cast<size_t>(id)];
  list_.swap(endsIn_[static_cast<size_t>(id)]);
  endsIn_[static_cast<size_t>(id)].clear();
  std::sort(list_.begin(), list_.end());
  list_.erase(std::unique(list_.begin(), list_.end()), list_.end());
  sites_.clear();
  // Text before the guard (the end of the last inserted replacement) is
  // done with: no later occurrence of this pair may begin before it.
  size_t guardChunk = 0, guardOff = 0;
  for (int ci : list_) {
    const size_t c = static_cast<size_t>(ci);
    // Every occurrence ending in chunk c begins at most find.size() - 1
    // bytes before it: window_ = those bytes (none before the guard), then
    // chunk c. The context may come from several chunks.
    size_t need = find.size() - 1, ctx = 0;
    pieces_.clear();  // (chunk, offset, length), nearest first
    for (size_t k = c; need > 0 && k > guardChunk;) {
      --k;
      const size_t floor = k == guardChunk ? std::min(guardOff, chunks_[k].size()) : 0;
      const size_t take = std::min(need, chunks_[k].size() - floor);
      pieces_.push_back({k, chunks_[k].size() - take, take});
      ctx += take;
      need -= take;
    }
    // Without context the chunk is searched where it is.
    const std::string* win = &chunks_[c];
    if (ctx > 0) {
      window_.clear();
      for (auto it = pieces_.rbegin(); it != pieces_.rend(); ++it)
        window_.append(chunks_[it->chunk], it->offset, it->length);
      window_ += chunks_[c];
      win = &window_;
    }
    const std::string& w = *win;
    size_t p = Pos(find, w, 1);
    if (p == 0) continue;  // stale: a change removed the text
    // Occurrences here all end in chunk c: those ending earlier were
    // replaced with their own chunks, or lie before the guard.
    out_.clear();
    size_t copied = ctx;  // bytes of w handled; the context stays where it is
    size_t consumed = 0;  // context bytes taken by the first occurrence
    if (p - 1 < ctx) {
      consumed = ctx - (p - 1);
      copied = p - 1;
    }
    while (p != 0) {
      out_.append(w, copied, p - 1 - copied);
      sites_.emplace_back(c, out_.size());
      out_ += rep;
      copied = p - 1 + find.size();
      p = Pos(find, w, copied + 1);
    }
    out_.append(w, copied, std::string::npos);
    AddSize(c, chunks_[c].size(), out_.size());
    chunks_[c].swap(out_);
    // The consumed context bytes leave the chunks before c.
    for (size_t j = c; consumed > 0;) {
      --j;
      const size_t take = std::min(consumed, chunks_[j].size());
      AddSize(j, chunks_[j].size(), chunks_[j].size() - take);
      chunks_[j].erase(chunks_[j].size() - take);
      consumed -= take;
    }
    guardChunk = c;
    guardOff = sites_.back().second + rep.size();
  }
  if (sites_.empty()) return;
  // New occurrences overlap an inserted text, or the joint where an empty
  // one was put, and so lie within maxLen_ - 1 bytes of it. Everything
  // else in the line was there before and is queued already.
  const size_t total = total_;
  const size_t reach = maxLen_ - 1;
  size_t lo = 0, hi = 0;
  bool open = false;
  size_t lastChunk = sites_.front().first, lastStart = StartOf(lastChunk);
  for (const auto& [c, off] : sites_) {
    if (c != lastChunk) {
      lastChunk = c;
      lastStart = StartOf(c);
    }
    const size_t site = lastStart + off;
    const size_t a = site > reach ? site - reach : 0;
    const size_t b = std::min(total, site + rep.size() + reach);
    if (open && a <= hi) {
      hi = std::max(hi, b);
    } else {
      if (open) Collect(lo, hi, id + 1);
      lo = a;
      hi = b;
      open = true;
    }
  }
  if (open) Collect(lo, hi, id + 1);
}

void TPairReplacer::Apply(std::string& line) {
  if (line.empty() || stamp_.size() <= 1) return;
  const size_t n = (line.size() + chunkSize_ - 1) / chunkSize_;
  chunks_.resize(n);
  if (n == 1) {
    chunks_[0].swap(line);
  } else {
    for (size_t c = 0; c < n; ++c) chunks_[c].assign(line, c * chunkSize_, chunkSize_);
  }
  BuildSizes();
  Collect(0, total_, 0);
  bool changed = false;
  while (!heap_.empty()) {
    ApplyPair(PopMin());
    changed = changed || !sites_.empty();
  }
  if (n == 1) {
    line.swap(chunks_[0]);
    // The line may have got a work buffer whose room suits a far longer line.
    if (changed && line.capacity() > line.size() + line.size() / 2 + 64) line.shrink_to_fit();
  } else if (changed) {
    line.clear();
    size_t total = 0;
    for (const auto& ch : chunks_) total += ch.size();
    line.reserve(total);
    for (const auto& ch : chunks_) line += ch;
  }
  if (n > 1) chunks_.resize(1);  // let the pieces of a long line go
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

int RunRepStr(const TParam& p) {
  ConsoleLine("RepInLine: " + p.FileMain);
  TStringList lines, search, replace;
  lines.LoadFromFile(p.FileMain);
  search.LoadFromFile(p.FileEN);
  replace.LoadFromFile(p.FileRU);
  if (search.Count() != replace.Count()) {
    ConsoleLine("Not math Old and New lines!!!");
    return kExitFailed;
  }
  ReplaceInLines(lines.Lines(), search.Lines(), replace.Lines());
  ForceFileDir(p.FileRec);
  lines.SaveToFile(p.FileRec);
  return kExitDone;
}

int RunClearOther(const TParam& p) {
  ConsoleLine("Clear other text for: " + p.FileMain);
  TStringList lines, en, ru;
  lines.LoadFromFile(p.FileMain);
  en.LoadFromFile(p.FileEN);
  ru.LoadFromFile(p.FileRU);
  ClearOtherLines(lines.Lines(), en.Lines(), ru.Lines());
  ForceFileDir(p.FileRec);
  FinishLines(lines, p);
  lines.SaveToFile(p.FileRec);
  return kExitDone;
}

int RunNoMode(const TParam& p) {
  ConsoleLine("Mode none: " + p.FileMain);
  TStringList lines;
  lines.LoadFromFile(p.FileMain);
  FinishLines(lines, p);
  NumberDuplicateLines(lines, p);
  // The output folder is not created: a missing folder fails the save.
  if (lines.Count() > 0) lines.SaveToFile(p.FileEN);
  return kExitDone;
}
