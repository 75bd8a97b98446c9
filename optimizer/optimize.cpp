// Mode -o: removes repeated lines so that every string is translated once.
#include <algorithm>
#include <string_view>

#include "common/collation.h"
#include "common/escape.h"
#include "common/exitstatus.h"
#include "common/line_file.h"
#include "common/platform.h"
#include "optimizer/linefile.h"
#include "optimizer/mode_runs.h"
#include "optimizer/optimize.h"
#include "optimizer/repeats.h"

namespace {

// Flags the lines that the pairwise pass keeps: it removes a line exactly
// when an earlier line that survived to its own turn, and is longer than
// the limit, has its key. So one pass in order with the set of keys of such
// kept lines decides every line.
template <class Line>
std::vector<char> KeptByKey(const std::vector<Line>& keys, const std::vector<Line>& lines, const TParam& p) {
  const bool limited = p.LimitSymbols > 0;
  const size_t limit = limited ? static_cast<size_t>(p.LimitSymbols) : 0;
  // A line up to the limit long never removes a later one: its key does not
  // count.
  return FirstOccurrences(keys, [&](size_t i) { return !limited || lines[i].size() > limit; });
}

// Whether -o leaves every line it keeps as it was read: then the lines stay
// views into the file's bytes instead of a string each.
bool KeepsLinesAsRead(const TParam& p) {
  return KeyIsLine(p) && !p.Sort && !p.BorderSymbols && !p.HexBorder && FinishLinesKeepsThem(p);
}

}  // namespace

void RemoveRepeatedKeys(std::vector<std::string>& lines, const TParam& p) {
  const size_t n = lines.size();
  std::vector<std::string> keys;
  if (!KeyIsLine(p)) {
    keys.resize(n);
    for (size_t i = 0; i < n; ++i) keys[i] = NormalizeLine(lines[i], p);
  }
  KeepFlagged(lines, KeptByKey(KeyIsLine(p) ? lines : keys, lines, p));
}

void SortUnique(TStringList& list) {
  std::vector<std::string>& lines = list.Lines();
  // Lines equal byte for byte share their collation key and, after a stable
  // sort, the earliest would be kept anyway: drop the later copies first so
  // that each distinct line is keyed once.
  KeepFlagged(lines, FirstOccurrences(lines));
  const size_t m = lines.size();
  // One collation key per distinct line, all in one buffer. The keys leave
  // out the tie-break of lines the collation finds equal; such ties, rare,
  // are settled by comparing the two lines themselves.
  std::string arena;
  std::vector<uint64_t> start(m + 1);
  {
    size_t bytes = 0;
    for (const std::string& s : lines) bytes += s.size();
    arena.reserve(bytes + bytes / 2 + 8 * m);
  }
  for (size_t i = 0; i < m; ++i) {
    start[i] = arena.size();
    AppendCaselessOrderKey(lines[i], arena);
  }
  start[m] = arena.size();
  auto key = [&](uint32_t i) { return std::string_view(arena.data() + start[i], start[i + 1] - start[i]); };
  // Sorted by key, ties by the collation comparison and then by file order
  // (so that of lines the collation finds equal the first in the file comes
  // first and is the one kept). The first eight key bytes ride along with the
  // index, so most comparisons need not reach the keys themselves.
  struct TItem {
    uint64_t prefix;
    uint32_t index;
  };
  std::vector<TItem> order(m);
  for (uint32_t i = 0; i < m; ++i) {
    uint64_t prefix = 0;
    const std::string_view k = key(i);
    for (size_t b = 0; b < 8; ++b) prefix = (prefix << 8) | (b < k.size() ? static_cast<unsigned char>(k[b]) : 0u);
    order[i] = TItem{prefix, i};
  }
  auto compare = [&](uint32_t a, uint32_t b) {
    const int c = key(a).compare(key(b));
    return c != 0 ? c : CompareLines(lines[a], lines[b], false);
  };
  std::sort(order.begin(), order.end(), [&](const TItem& a, const TItem& b) {
    if (a.prefix != b.prefix) return a.prefix < b.prefix;
    const int c = compare(a.index, b.index);
    return c != 0 ? c < 0 : a.index < b.index;
  });
  std::vector<std::string> out;
  out.reserve(m);
  uint32_t last = 0;
  bool any = false;
  for (const TItem& item : order) {
    if (any && key(last) == key(item.index) && CompareLines(out.back(), lines[item.index], false) == 0) continue;
    out.push_back(std::move(lines[item.index]));
    last = item.index;
    any = true;
  }
  std::vector<std::string>().swap(lines);
  list.Assign(std::move(out));
}

std::string EscapeBorderHex(const std::string& line) {
  // EscapeText in the Hex form changes only border spaces and bytes below 32;
  // a line with neither is returned as it is without the escape passes.
  bool plain = line.empty() || (line.front() != ' ' && line.back() != ' ');
  if (plain) {
    for (unsigned char c : line) {
      if (c < 32) {
        plain = false;
        break;
      }
    }
  }
  return plain ? line : EscapeText(line, TEscapeForm::Hex, true);
}

int RunOptimize(const TParam& p) {
  ConsoleLine("OPTIMIZE double " + p.FileMain);
  if (KeepsLinesAsRead(p)) {
    TLineFileView file;
    file.Load(p.FileMain);
    std::vector<std::string_view>& lines = file.Lines();
    KeepFlagged(lines, KeptByKey(lines, lines, p));
    ForceFileDir(p.FileEN);
    SaveLineFile(p.FileEN, lines);
    ConsoleLine("DONE");
    return EndRun(kExitDone);
  }
  TStringList list;
  list.LoadFromFile(p.FileMain);
  if (p.DeleteBorder) {
    for (std::string& s : list.Lines()) s = TrimBorder(std::move(s));
  }
  if (p.Sort) {
    SortUnique(list);
  } else {
    RemoveRepeatedKeys(list.Lines(), p);
  }
  if (p.BorderSymbols) DedupeByLetters(list);
  if (p.HexBorder) {
    for (std::string& s : list.Lines()) s = EscapeBorderHex(s);
  }
  FinishLines(list, p);
  ForceFileDir(p.FileEN);
  list.SaveToFile(p.FileEN);
  ConsoleLine("DONE");
  return EndRun(kExitDone);
}
