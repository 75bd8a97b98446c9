// Mode -r: spreads the translated lines back over every repeated place of
// the source.
#include <string_view>

#include "common/exitstatus.h"
#include "common/escape.h"
#include "common/platform.h"
#include "common/key_map.h"
#include "optimizer/linefile.h"
#include "optimizer/mode_runs.h"
#include "optimizer/optimize.h"
#include "optimizer/recover.h"
#include "optimizer/repeats.h"
#include "optimizer/source_en_ru.h"

namespace {

// True when the escape of byte 0, 10 or 13 ("\x00", "\x0A", "\x0a", "\x0D",
// "\x0d") starts at pos.
bool IsKeptEscape(std::string_view s, size_t pos) {
  if (pos + 4 > s.size() || s[pos] != '\\' || s[pos + 1] != 'x' || s[pos + 2] != '0') return false;
  const char d = s[pos + 3];
  return d == '0' || d == 'A' || d == 'a' || d == 'D' || d == 'd';
}

}  // namespace

std::string UnescapeKeepingBreaks(const std::string& line) {
  // Every escape that UnescapeText knows in the Hex form begins with the only
  // backslash it holds, so no two can overlap and none is made by another's
  // replacement. The pieces between the kept escapes therefore unescape on
  // their own exactly as they would inside the whole line.
  if (line.find('\\') == std::string::npos) return line;
  std::string out;
  out.reserve(line.size());
  size_t start = 0;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '\\' && IsKeptEscape(line, i)) {
      if (i > start) out += UnescapeText(line.substr(start, i - start), TEscapeForm::Hex, true);
      out.append(line, i, 4);
      start = i + 4;
      i += 3;
    }
  }
  if (start < line.size()) out += UnescapeText(line.substr(start), TEscapeForm::Hex, true);
  return out;
}

namespace {

template <class Line>
void RemoveRepeatedPairsOf(std::vector<Line>& en, std::vector<Line>& ru) {
  const std::vector<char> keep = FirstOccurrences(en);
  KeepFlagged(en, keep);
  KeepFlagged(ru, keep);
}

// Every source line that English line i matches gets a value whose key is
// NormalizeLine(ru[i]): without -dbs the value is ru[i] itself; with it,
// RestoreBorder only adds blanks around ru[i], and TrimBorder's first two
// loops remove those with ru[i]'s own. So all lines matched by one English
// line move together to one new key, and the pass can move groups instead
// of lines. The groups form a forest: a leaf per distinct source key
// (standing for all source lines with that key), and a node per English
// line that matched, whose children are the trees that held its key. Every
// node becomes a child at most once, so building it is linear in the number
// of lines.
struct TForest {
  std::vector<int32_t> leafOf;   // leaf of each source line
  std::vector<int32_t> parent;   // English node above a node, -1 for a root
  std::vector<int32_t> english;  // English index of each English node
  int32_t leaves = 0;            // nodes 0 .. leaves - 1 are the leaves
};

// The forest of the lines, whose keys are srcKeyOf, enKeyOf and ruKeyOf.
template <class Key>
TForest BuildForest(const std::vector<Key>& srcKeyOf, const std::vector<Key>& enKeyOf,
                    const std::vector<Key>& ruKeyOf, const std::function<void(size_t)>& miss) {
  const size_t n = srcKeyOf.size();
  const size_t m = enKeyOf.size();

  TForest f;
  // Per key, the first of the roots that currently have that key (-1 when
  // none); further roots of the same key are chained through next.
  TKeyMap roots(n + m);
  std::vector<int32_t> next;
  AssignAhead(f.leafOf, n, 0);
  ReserveAhead(next, n + m);
  ReserveAhead(f.parent, n + m);
  ReserveAhead(f.english, n + m);
  {
    const std::vector<uint64_t> hashes = HashAll(srcKeyOf);
    for (size_t k = 0; k < n; ++k) {
      if (k + kPrefetchAhead < n) roots.Prefetch(hashes[k + kPrefetchAhead]);
      if (k + kPrefetchAhead / 2 < n) roots.PrefetchKey(hashes[k + kPrefetchAhead / 2]);
      bool inserted = false;
      int32_t& head = roots.Insert(srcKeyOf[k], hashes[k], &inserted, -1);
      if (inserted) {
        head = static_cast<int32_t>(next.size());
        next.push_back(-1);
        f.parent.push_back(-1);
        f.english.push_back(-1);
      }
      // Before any English line runs, a key's only root is its leaf.
      f.leafOf[k] = head;
    }
  }
  f.leaves = static_cast<int32_t>(next.size());

  const std::vector<uint64_t> enHash = HashAll(enKeyOf);
  const std::vector<uint64_t> ruHash = HashAll(ruKeyOf);
  for (size_t i = 0; i < m; ++i) {
    if (i + kPrefetchAhead < m) {
      roots.Prefetch(enHash[i + kPrefetchAhead]);
      roots.Prefetch(ruHash[i + kPrefetchAhead]);
    }
    if (i + kPrefetchAhead / 2 < m) roots.PrefetchKey(enHash[i + kPrefetchAhead / 2]);
    int32_t* head = roots.Find(enKeyOf[i], enHash[i]);
    if (!head || *head < 0) {
      miss(i);
      continue;
    }
    const int32_t node = static_cast<int32_t>(next.size());
    for (int32_t x = *head; x >= 0; x = next[x]) f.parent[x] = node;
    *head = -1;
    f.parent.push_back(-1);
    f.english.push_back(static_cast<int32_t>(i));
    int32_t& newHead = roots.Insert(ruKeyOf[i], ruHash[i], nullptr, -1);
    next.push_back(newHead);
    newHead = node;
  }
  return f;
}

TForest BuildForest(const std::vector<std::string>& src, const std::vector<std::string>& en,
                    const std::vector<std::string>& ru, const TParam& p,
                    const std::function<void(size_t)>& miss) {
  if (KeyIsLine(p)) return BuildForest(src, en, ru, miss);
  auto keys = [&](const std::vector<std::string>& lines) {
    std::vector<std::string> k(lines.size());
    for (size_t i = 0; i < lines.size(); ++i) k[i] = NormalizeLine(lines[i], p);
    return k;
  };
  return BuildForest(keys(src), keys(en), keys(ru), miss);
}

// Every source line takes the Russian line of the topmost English node
// above its leaf.
template <class Line>
void TakeTopValues(TForest& f, std::vector<Line>& src, std::vector<Line>& ru) {
  const size_t n = src.size();
  // A source line's value is the Russian line of the topmost node above its
  // leaf: found once per leaf, with paths compressed as they are followed.
  std::vector<int32_t> leafValue;
  AssignAhead(leafValue, static_cast<size_t>(f.leaves), -1);
  for (int32_t leaf = 0; leaf < f.leaves; ++leaf) {
    if (f.parent[leaf] < 0) continue;
    int32_t root = f.parent[leaf];
    while (f.parent[root] >= 0) root = f.parent[root];
    for (int32_t x = f.parent[leaf]; x != root;) {
      const int32_t up = f.parent[x];
      f.parent[x] = root;
      x = up;
    }
    leafValue[leaf] = f.english[root];
  }
  f.parent = {};
  f.english = {};
  // The last line that takes a Russian line takes it over instead of a
  // copy. Russian lines are fetched some steps ahead.
  std::vector<int32_t> uses;
  AssignAhead(uses, ru.size(), 0);
  for (size_t k = 0; k < n; ++k) {
    const int32_t v = leafValue[f.leafOf[k]];
    if (v >= 0) ++uses[v];
  }
  auto valueOf = [&](size_t k) { return leafValue[f.leafOf[k]]; };
  for (size_t k = 0; k < n; ++k) {
    if (k + 2 * kPrefetchAhead < n && valueOf(k + 2 * kPrefetchAhead) >= 0)
      __builtin_prefetch(&ru[valueOf(k + 2 * kPrefetchAhead)]);
    if (k + kPrefetchAhead < n && valueOf(k + kPrefetchAhead) >= 0)
      __builtin_prefetch(ru[valueOf(k + kPrefetchAhead)].data());
    const int32_t v = valueOf(k);
    if (v < 0) continue;
    if (--uses[v] == 0) {
      src[k] = std::move(ru[v]);
    } else {
      src[k] = ru[v];
    }
  }
}

}  // namespace

void RemoveRepeatedPairs(std::vector<std::string>& en, std::vector<std::string>& ru) { RemoveRepeatedPairsOf(en, ru); }

void RemoveRepeatedPairs(std::vector<std::string_view>& en, std::vector<std::string_view>& ru) {
  RemoveRepeatedPairsOf(en, ru);
}

void ReplaceByKeys(std::vector<std::string>& src, const std::vector<std::string>& en,
                   std::vector<std::string>& ru, const TParam& p,
                   const std::function<void(size_t)>& miss) {
  TForest f = BuildForest(src, en, ru, p, miss);
  if (p.DeleteBorder) {
    // RestoreBorder depends on the line it changes: apply the nodes from
    // the leaf upwards, as the replacements happened.
    for (size_t k = 0; k < src.size(); ++k) {
      for (int32_t x = f.parent[f.leafOf[k]]; x >= 0; x = f.parent[x]) src[k] = RestoreBorder(src[k], ru[f.english[x]]);
    }
    return;
  }
  TakeTopValues(f, src, ru);
}

void ReplaceByKeys(std::vector<std::string_view>& src, const std::vector<std::string_view>& en,
                   std::vector<std::string_view>& ru, const std::function<void(size_t)>& miss) {
  TForest f = BuildForest(src, en, ru, miss);
  TakeTopValues(f, src, ru);
}

namespace {

// Whether -r writes the lines as it read them (or as the Russian file has
// them): then they stay views into the files' bytes instead of a string each.
bool RecoversLinesAsRead(const TParam& p) { return KeyIsLine(p) && !p.HexBorder && FinishLinesKeepsThem(p); }

int RunRecoverLinesAsRead(const TParam& p) {
  TEnRuViewsRun run(p);
  if (!run.LinesMatch()) return kExitFailed;
  RemoveRepeatedPairs(run.en.Lines(), run.ru.Lines());
  ReplaceByKeys(run.source.Lines(), run.en.Lines(), run.ru.Lines(), [&](size_t i) { run.Miss(i); });
  return run.Finish();
}

}  // namespace

int RunRecover(const TParam& p) {
  ConsoleLine("RECOVE double " + p.FileMain);
  if (RecoversLinesAsRead(p)) return RunRecoverLinesAsRead(p);
  TStringList source, enList, ruList;
  LoadSourceEnRu(p, source, enList, ruList);
  std::vector<std::string>& src = source.Lines();
  if (p.HexBorder) {
    for (std::string& s : src) s = EscapeBorderHex(s);
  }
  if (!EnRuLinesMatch(enList, ruList)) return kExitFailed;
  std::vector<std::string>& en = enList.Lines();
  std::vector<std::string>& ru = ruList.Lines();
  RemoveRepeatedPairs(en, ru);
  if (p.HexBorder) {
    for (std::string& s : en) s = EscapeBorderHex(s);
    for (std::string& s : ru) s = EscapeBorderHex(s);
  }

  TNoFindLog log(p);
  ReplaceByKeys(src, en, ru, p, [&](size_t i) { log.Miss(en[i], p.FileEN, p.FileMain); });
  // The English and Russian lines are done with; free them before the
  // output text is built.
  enList.Clear();
  ruList.Clear();

  ForceFileDir(p.FileRec);
  if (p.HexBorder) {
    for (std::string& s : src) s = UnescapeKeepingBreaks(s);
  }
  FinishLines(source, p);
  source.SaveToFile(p.FileRec);
  log.Save();
  ConsoleLine("DONE");
  return EndRun(kExitDone);
}
