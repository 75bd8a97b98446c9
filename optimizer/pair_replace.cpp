#include "optimizer/pair_replace.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <utility>

#include "common/exitstatus.h"
#include "common/platform.h"
#include "common/stringlist.h"
#include "common/classic_string.h"
#include "optimizer/mode_runs.h"
#include "optimizer/source_en_ru.h"

struct TPairReplacer::Impl {
  Impl(const std::vector<std::string>& search, const std::vector<std::string>& replace, size_t denseLimit,
       size_t chunkSize);
  void Apply(std::string& line);
  // Records, for every pair id >= from whose search text occurs wholly
  // inside line[lo, hi) (positions in the whole line), the chunk where the
  // occurrence ends, and queues the pair.
  void Collect(size_t lo, size_t hi, int from);
  // Applies pair id to the chunks where its text may end.
  void ApplyPair(int id);
  void Push(int id);
  int PopMin();
  void NewScan();
  // Chunk sizes in a Fenwick tree: position of a chunk, the chunk holding
  // a position, and size changes, each in logarithmic time.
  void BuildSizes();
  void AddSize(size_t chunk, size_t oldSize, size_t newSize);
  size_t StartOf(size_t chunk) const;
  void Locate(size_t pos, size_t& chunk, size_t& offset) const;

  const std::vector<std::string>& search_;
  const std::vector<std::string>& replace_;
  size_t chunkSize_;
  AhoCorasick ac_;                  // over the search texts, under their pair ids
  size_t maxLen_ = 0;               // longest search text in the automaton
  std::vector<uint32_t> stamp_;     // per state: last scan that visited it
  uint32_t scan_ = 0;

  // Work state of the line being changed.
  std::vector<std::string> chunks_;      // the line, in order
  std::vector<size_t> sizes_;            // Fenwick tree of the chunk sizes
  size_t total_ = 0;                     // length of the line
  std::vector<std::vector<int>> endsIn_; // per pair: chunks where its text may end
  std::vector<char> queued_;             // per pair: in the queue
  std::vector<int> heap_;                // min-heap of queued pair ids
  std::vector<int> list_;                // chunks of the pair being applied
  std::vector<std::pair<size_t, size_t>> sites_;  // (chunk, offset) of every inserted text
  struct TPiece {
    size_t chunk, offset, length;
  };
  std::vector<TPiece> pieces_;           // context of the chunk being changed
  std::string window_, out_;
};

// The search texts that change something, under their pair ids; the others
// stand in the automaton as empty texts, which it leaves out.
static std::vector<std::string_view> ActiveTexts(const std::vector<std::string>& search,
                                                 const std::vector<std::string>& replace) {
  std::vector<std::string_view> texts(search.size());
  for (size_t id = 0; id < search.size(); ++id)
    if (search[id] != replace[id]) texts[id] = search[id];
  return texts;
}

TPairReplacer::Impl::Impl(const std::vector<std::string>& search, const std::vector<std::string>& replace,
                          size_t denseLimit, size_t chunkSize)
    : search_(search),
      replace_(replace),
      chunkSize_(std::max<size_t>(chunkSize, 1)),
      ac_(ActiveTexts(search, replace), denseLimit),
      maxLen_(ac_.MaxLen()) {
  stamp_.assign(ac_.States(), 0);
  queued_.assign(search.size(), 0);
  endsIn_.resize(search.size());
}

void TPairReplacer::Impl::Push(int id) {
  if (queued_[static_cast<size_t>(id)]) return;
  queued_[static_cast<size_t>(id)] = 1;
  heap_.push_back(id);
  std::push_heap(heap_.begin(), heap_.end(), std::greater<int>());
}

int TPairReplacer::Impl::PopMin() {
  std::pop_heap(heap_.begin(), heap_.end(), std::greater<int>());
  const int id = heap_.back();
  heap_.pop_back();
  queued_[static_cast<size_t>(id)] = 0;
  return id;
}

void TPairReplacer::Impl::NewScan() {
  if (++scan_ == 0) {  // stamps wrapped around: start afresh
    std::fill(stamp_.begin(), stamp_.end(), 0);
    scan_ = 1;
  }
}

void TPairReplacer::Impl::BuildSizes() {
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

void TPairReplacer::Impl::AddSize(size_t chunk, size_t oldSize, size_t newSize) {
  // Unsigned arithmetic wraps, so a shrink adds its negative.
  const size_t delta = newSize - oldSize;
  total_ += delta;
  for (size_t i = chunk + 1; i < sizes_.size(); i += i & (~i + 1)) sizes_[i] += delta;
}

size_t TPairReplacer::Impl::StartOf(size_t chunk) const {
  size_t sum = 0;
  for (size_t i = chunk; i > 0; i -= i & (~i + 1)) sum += sizes_[i];
  return sum;
}

void TPairReplacer::Impl::Locate(size_t pos, size_t& chunk, size_t& offset) const {
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

void TPairReplacer::Impl::Collect(size_t lo, size_t hi, int from) {
  size_t c = 0, off = 0;
  Locate(lo, c, off);
  uint32_t state = 0;
  for (size_t pos = lo; pos < hi && c < chunks_.size(); ++c, off = 0) {
    const std::string& text = chunks_[c];
    if (off >= text.size()) continue;
    // Stamps are per chunk: every state visited again in this chunk had
    // its whole dictionary chain visited with it, for this same chunk.
    NewScan();
    const size_t end = std::min(text.size(), off + (hi - pos));
    pos += end - off;
    for (; off < end; ++off) {
      state = ac_.Next(state, static_cast<unsigned char>(text[off]));
      for (uint32_t t = ac_.Report(state); t != AhoCorasick::kNone && stamp_[t] != scan_; t = ac_.Dict(t)) {
        stamp_[t] = scan_;
        const std::span<const uint32_t> ids = ac_.Ids(t);
        for (auto it = std::lower_bound(ids.begin(), ids.end(), static_cast<uint32_t>(from)); it != ids.end(); ++it) {
          const int id = static_cast<int>(*it);
          std::vector<int>& ends = endsIn_[static_cast<size_t>(id)];
          if (ends.empty() || ends.back() != static_cast<int>(c)) ends.push_back(static_cast<int>(c));
          Push(id);
        }
      }
    }
  }
}

void TPairReplacer::Impl::ApplyPair(int id) {
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

void TPairReplacer::Impl::Apply(std::string& line) {
  if (line.empty() || ac_.Empty()) return;
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

TPairReplacer::TPairReplacer(const std::vector<std::string>& search, const std::vector<std::string>& replace,
                             size_t denseLimit, size_t chunkSize)
    : impl_(std::make_unique<Impl>(search, replace, denseLimit, chunkSize)) {}
TPairReplacer::~TPairReplacer() = default;
void TPairReplacer::Apply(std::string& line) { impl_->Apply(line); }
bool TPairReplacer::Dense() const { return impl_->ac_.Dense(); }

void ReplaceInLines(std::vector<std::string>& lines, const std::vector<std::string>& search,
                    const std::vector<std::string>& replace) {
  bool any = false;
  for (size_t i = 0; i < search.size() && !any; ++i) any = !search[i].empty() && search[i] != replace[i];
  if (!any) return;
  TPairReplacer replacer(search, replace);
  for (auto& line : lines) replacer.Apply(line);
}

int RunRepStr(const TParam& p) {
  ConsoleLine("RepInLine: " + p.FileMain);
  TStringList lines, search, replace;
  LoadSourceEnRu(p, lines, search, replace);
  if (!EnRuLinesMatch(search, replace, "Not math Old and New lines!!!")) return kExitFailed;
  ReplaceInLines(lines.Lines(), search.Lines(), replace.Lines());
  ForceFileDir(p.FileRec);
  lines.SaveToFile(p.FileRec);
  return EndRun(kExitDone);
}
