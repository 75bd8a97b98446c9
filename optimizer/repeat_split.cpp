// Modes -sd (split repeated lines off into a "_double.txt" companion) and
// -rd (ordered recover: each English line replaces the next equal source line).
#include "optimizer/repeat_split.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "common/exitstatus.h"
#include "common/key_map.h"
#include "common/line_file.h"
#include "common/platform.h"
#include "common/stringlist.h"
#include "optimizer/linefile.h"
#include "optimizer/mode_runs.h"
#include "optimizer/source_en_ru.h"

namespace {

template <class Line>
std::vector<Line> SplitDoublesOf(std::vector<Line>& lines) {
  // A non-empty line moves to the companion exactly when it occurs at least
  // twice; this is what the pairwise pass over the lines does.
  std::vector<char> repeated(lines.size(), 0);
  {
    TKeyMap first(lines.size());  // line -> first index
    for (size_t i = 0; i < lines.size(); ++i) {
      if (lines[i].empty()) continue;
      bool inserted = false;
      const int32_t at = first.Insert(lines[i], &inserted, static_cast<int32_t>(i));
      if (!inserted) {
        repeated[static_cast<size_t>(at)] = 1;
        repeated[i] = 1;
      }
    }
  }
  std::vector<Line> doubles;
  size_t kept = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].empty()) continue;
    if (repeated[i]) {
      doubles.push_back(std::move(lines[i]));
    } else {
      if (kept != i) lines[kept] = std::move(lines[i]);
      ++kept;
    }
  }
  lines.resize(kept);
  return doubles;
}

template <class Line>
std::vector<int> MatchInOrderOf(const std::vector<Line>& source, const std::vector<Line>& english) {
  // Per distinct source line the ascending list of its indexes (one array,
  // cut into groups), and per group a cursor below which every index lies
  // before the search start.
  TKeyMap group(source.size());
  std::vector<int> groupOf(source.size());
  std::vector<int> sizes;
  for (size_t k = 0; k < source.size(); ++k) {
    bool inserted = false;
    const int32_t g = group.Insert(source[k], &inserted, static_cast<int32_t>(sizes.size()));
    if (inserted) sizes.push_back(0);
    groupOf[k] = g;
    ++sizes[static_cast<size_t>(g)];
  }
  std::vector<int> start(sizes.size() + 1, 0);
  for (size_t g = 0; g < sizes.size(); ++g) start[g + 1] = start[g] + sizes[g];
  std::vector<int> cursor(start.begin(), start.end() - 1);
  std::vector<int> indexes(source.size());
  {
    std::vector<int> fill(cursor);
    for (size_t k = 0; k < source.size(); ++k) indexes[static_cast<size_t>(fill[static_cast<size_t>(groupOf[k])]++)] = static_cast<int>(k);
  }
  std::vector<int> match(english.size(), -1);
  int from = 0;  // search start
  for (size_t i = 0; i < english.size(); ++i) {
    const int32_t* found = group.Find(english[i]);
    if (!found) continue;
    const size_t g = static_cast<size_t>(*found);
    auto first = indexes.begin() + cursor[g];
    auto last = indexes.begin() + start[g + 1];
    auto at = std::lower_bound(first, last, from);
    cursor[g] = static_cast<int>(at - indexes.begin());
    if (at == last) continue;
    match[i] = *at;
    from = *at + 1;
    cursor[g] += 1;
  }
  return match;
}

}  // namespace

std::vector<std::string> SplitDoubles(std::vector<std::string>& lines) { return SplitDoublesOf(lines); }

std::vector<std::string_view> SplitDoubles(std::vector<std::string_view>& lines) { return SplitDoublesOf(lines); }

std::vector<int> MatchInOrder(const std::vector<std::string>& source, const std::vector<std::string>& english) {
  return MatchInOrderOf(source, english);
}

std::vector<int> MatchInOrder(const std::vector<std::string_view>& source,
                              const std::vector<std::string_view>& english) {
  return MatchInOrderOf(source, english);
}

std::string DoubleFileName(const std::string& path) { return ChangeFileExt(path, "_double.txt"); }

int RunSplitDouble(const TParam& p) {
  ConsoleLine("Sprite double " + p.FileMain);
  // The lines move whole: they stay views into the file's bytes.
  TLineFileView file;
  file.Load(p.FileMain);
  const std::vector<std::string_view> doubles = SplitDoubles(file.Lines());
  ForceFileDir(p.FileEN);
  if (!doubles.empty()) SaveLineFile(DoubleFileName(p.FileEN), doubles);
  SaveLineFile(p.FileEN, file.Lines());
  ConsoleLine("DONE");
  return EndRun(kExitDone);
}

int RunRecoverDouble(const TParam& p) {
  ConsoleLine("Recove double " + p.FileMain);
  // The lines move whole: they stay views into the files' bytes.
  TEnRuViewsRun run(p);
  if (!run.LinesMatch()) return kExitFailed;
  std::vector<std::string_view>& source = run.source.Lines();
  const std::vector<int> match = MatchInOrder(source, run.en.Lines());
  for (size_t i = 0; i < match.size(); ++i) {
    if (match[i] >= 0)
      source[static_cast<size_t>(match[i])] = run.ru[i];
    else
      run.Miss(i);
  }
  return run.Finish();
}
