// Mode -u: carries the old translation over to a new source file.
#include "optimizer/update.h"

#include <string>
#include <utility>

#include "common/exitstatus.h"
#include "common/key_map.h"
#include "common/platform.h"
#include "common/stringlist.h"
#include "optimizer/linefile.h"
#include "optimizer/mode_runs.h"
#include "optimizer/source_en_ru.h"

std::vector<int> ClaimNewLines(const std::vector<std::string_view>& newKeys,
                               const std::vector<std::string_view>& oldKeys) {
  // Per key the first still free new line; next[i] links a new line to the
  // following one with the same key, so each key holds a queue of its free
  // indexes in ascending order.
  const int n = static_cast<int>(newKeys.size());
  std::vector<int> next(newKeys.size(), -1);
  TKeyMap head(newKeys.size());
  for (int i = n - 1; i >= 0; --i) {
    bool inserted = false;
    int32_t& first = head.Insert(newKeys[i], &inserted, i);
    if (!inserted) {
      next[i] = first;
      first = i;
    }
  }
  std::vector<int> claims(oldKeys.size(), -1);
  for (size_t i = 0; i < oldKeys.size(); ++i) {
    int32_t* first = head.Find(oldKeys[i]);
    if (!first || *first < 0) continue;
    claims[i] = *first;
    *first = next[static_cast<size_t>(*first)];
  }
  return claims;
}

std::vector<std::string_view> LineKeys(const std::vector<std::string>& lines, const TParam& p,
                                       std::vector<std::string>& owned) {
  std::vector<std::string_view> keys;
  keys.reserve(lines.size());
  // With none of -dbs, -rn, -rno, -is the key is the line itself.
  if (!p.DeleteBorder && !p.IgnoreEnters && !p.IgnoreQuote) {
    owned.clear();
    for (const auto& l : lines) keys.emplace_back(l);
    return keys;
  }
  owned.clear();
  owned.reserve(lines.size());
  for (const auto& l : lines) owned.push_back(NormalizeLine(l, p));
  for (const auto& k : owned) keys.emplace_back(k);
  return keys;
}

namespace {

// Each English line claims one new line at most: its Russian line moves there.
template <class Line>
void TakeClaimed(std::vector<Line>& newLines, std::vector<Line>& ru, const std::vector<int>& claims) {
  for (size_t i = 0; i < claims.size(); ++i) {
    if (claims[i] >= 0) newLines[static_cast<size_t>(claims[i])] = std::move(ru[i]);
  }
}

// Whether -u writes the lines as it read them (or as the Russian file has
// them): then they stay views into the files' bytes instead of a string each.
bool UpdatesLinesAsRead(const TParam& p) { return KeyIsLine(p) && FinishLinesKeepsThem(p); }

int RunUpdateLinesAsRead(const TParam& p) {
  TEnRuViewsRun run(p);
  if (!run.LinesMatch()) return kExitFailed;
  const std::vector<int> claims = ClaimNewLines(run.source.Lines(), run.en.Lines());
  TakeClaimed(run.source.Lines(), run.ru.Lines(), claims);
  for (size_t i = 0; i < claims.size(); ++i) {
    if (claims[i] < 0) run.Miss(i);
  }
  return run.Finish();
}

}  // namespace

std::vector<int> UpdateLines(std::vector<std::string>& newLines, const std::vector<std::string>& en,
                             std::vector<std::string> ru, const TParam& p) {
  std::vector<int> claims;
  {
    // The keys may view newLines, so the lines change only after matching.
    std::vector<std::string> newOwned, enOwned;
    std::vector<std::string_view> newKeys = LineKeys(newLines, p, newOwned);
    std::vector<std::string_view> enKeys = LineKeys(en, p, enOwned);
    claims = ClaimNewLines(newKeys, enKeys);
  }
  TakeClaimed(newLines, ru, claims);
  return claims;
}

int RunUpdate(const TParam& p) {
  ConsoleLine("Update text " + p.FileMain);
  if (UpdatesLinesAsRead(p)) return RunUpdateLinesAsRead(p);
  TEnRuRun run(p);
  if (!EnRuLinesMatch(run.en, run.ru)) return kExitFailed;
  // The Russian lines are not read again.
  std::vector<int> claims = UpdateLines(run.source.Lines(), run.en.Lines(), std::move(run.ru.Lines()), p);
  for (size_t i = 0; i < claims.size(); ++i) {
    if (claims[i] < 0) run.log.Miss(run.en.Lines()[i], p.FileEN, p.FileMain);
  }
  ForceFileDir(p.FileRec);
  FinishLines(run.source, p);
  run.source.SaveToFile(p.FileRec);
  run.log.Save();
  ConsoleLine("DONE");
  return EndRun(kExitDone);
}
