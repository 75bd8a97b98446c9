// Modes -cp, -cpd and -cpds: the lines of a new source file that the old
// English (and, for -cp, old Russian) file does not hold, with optional
// record files that pair each patch line with its likely old line.
#include "optimizer/patch.h"

#include <numeric>
#include <optional>
#include <string_view>
#include <utility>

#include "common/exitstatus.h"
#include "common/key_map.h"
#include "common/line_file.h"
#include "common/lineindex.h"
#include "common/parallel_for.h"
#include "common/platform.h"
#include "optimizer/similar_lines.h"
#include "optimizer/linefile.h"
#include "optimizer/mode_runs.h"
#include "optimizer/repeat_split.h"

namespace {

const char* const kLogModify = "!!!MODIFY!!!";
const char* const kLogLevenshtein = "!!!FIND_LEVENSHTEIN!!!";
const char* const kLogEmptyRu = "!!!THIS EMPTY RU LINE!!!";

// Keeps the rows whose flag is set.
void KeepRows(TStringList& list, const std::vector<bool>& keep) {
  std::vector<std::string>& in = list.Lines();
  std::vector<std::string> out;
  out.reserve(in.size());
  for (size_t i = 0; i < in.size() && i < keep.size(); ++i) {
    if (keep[i]) out.push_back(std::move(in[i]));
  }
  list.Assign(std::move(out));
}

void SaveList(const TStringList& list, const std::string& path) {
  ForceFileDir(path);
  list.SaveToFile(path);
}

// The old files are missing: every line of the new file counts as new.
void CopyNewFile(const TParam& p) {
  ConsoleLine("Warning not find files old EN RU:");
  ConsoleLine(p.FileEN);
  ConsoleLine(p.FileRU);
  ConsoleLine("Copy NEW FILE:");
  TStringList lines;
  lines.LoadFromFile(p.FileMain);
  SaveList(lines, p.FileRec);
  if (p.AddOldEnRu) {
    TStringList empty;
    empty.Assign(std::vector<std::string>(lines.Lines().size()));
    SaveList(empty, p.FileOldEN);
    SaveList(empty, p.FileOldRU);
    SaveList(empty, p.FileLog);
  }
}

std::vector<std::string> Keys(const std::vector<std::string>& lines, const TParam& p) {
  std::vector<std::string> keys;
  keys.reserve(lines.size());
  for (const std::string& l : lines) keys.push_back(NormalizeLine(l, p));
  return keys;
}

// Whether a patch run writes its lines as it read them and compares them as
// they are: no key option, no marker option and no record files. Then the
// lines stay views into the files' bytes instead of a string each.
bool PatchesLinesAsRead(const TParam& p) {
  return !p.AddOldEnRu && !p.PatchFileLines && KeyIsLine(p) && FinishLinesKeepsThem(p);
}

// The old lines as -cp, -cpd and -cpds look new lines up in them. A line
// that -cpd or -cpds uses up reads as empty from then on, so an empty new
// line finds it; each distinct line keeps the count of its copies not yet
// used up.
class TOldLines {
 public:
  explicit TOldLines(const std::vector<std::string_view>& lines) : left_(lines.size()) {
    for (std::string_view l : lines) {
      if (l.empty()) {
        ++empty_;
      } else {
        ++left_.Insert(l);
      }
    }
    heldEmpty_ = empty_ > 0;
  }
  // Whether the lines held s before any was used up.
  bool Held(std::string_view s) { return s.empty() ? heldEmpty_ : left_.Find(s) != nullptr; }
  // Uses up a line equal to s; false when no such line is left.
  bool UseUp(std::string_view s) {
    if (s.empty()) return empty_ > 0;
    int32_t* left = left_.Find(s);
    if (!left || *left == 0) return false;
    --*left;
    ++empty_;
    return true;
  }

 private:
  TKeyMap left_;
  long long empty_ = 0;  // empty lines, first ones and used-up ones
  bool heldEmpty_ = false;
};

// The lines of a new file that a patch takes, and for -cpds the copies of
// old English lines beyond their count there (doubles). -cp takes a line
// that neither en nor ru holds; -cpd and -cpds use up one equal old English
// line per new line.
struct TPatchSplit {
  std::vector<std::string_view> patch, doubles;
};

TPatchSplit SplitNewLines(const std::vector<std::string_view>& newLines, const std::vector<std::string_view>& en,
                          const std::vector<std::string_view>& ru, bool modeCp, bool modeDouble) {
  static const std::vector<std::string_view> kNoLines;
  TOldLines listA(en);
  TOldLines listB(modeCp ? ru : kNoLines);
  TPatchSplit split;
  for (std::string_view s : newLines) {
    if (modeCp) {
      if (!listA.Held(s) && !listB.Held(s)) split.patch.push_back(s);
    } else if (!listA.UseUp(s)) {
      // -cpds compares with the old English lines as they were first.
      if (!modeDouble || !listA.Held(s)) {
        split.patch.push_back(s);
      } else {
        split.doubles.push_back(s);
      }
    }
  }
  return split;
}

int RunPatchLinesAsRead(const TParam& p, bool modeCp, bool modeDouble) {
  // The Russian file is read by -cp alone.
  TLineFileView newLines, en, ru;
  TLineFileView* const views[] = {&newLines, &en, &ru};
  const std::string* const paths[] = {&p.FileMain, &p.FileEN, &p.FileRU};
  LoadLineFileViews(views, paths, modeCp ? 3 : 2);
  const TPatchSplit split = SplitNewLines(newLines.Lines(), en.Lines(), ru.Lines(), modeCp, modeDouble);
  ForceFileDir(p.FileRec);
  if (!split.patch.empty()) SaveLineFile(p.FileRec, split.patch);
  if (!split.doubles.empty()) SaveLineFile(DoubleFileName(p.FileRec), split.doubles);
  return EndRun(kExitDone);
}

// Exact matches (ignoring case) use up their old line; other lines get the
// position predicted from the nearest earlier exact match.
void TakeExactMatches(const std::vector<std::string>& newLines, const std::vector<std::string>& oldEnLines,
                      std::vector<TLineMatch>& table) {
  const int n = static_cast<int>(newLines.size());
  const long long oldCount = static_cast<long long>(oldEnLines.size());
  TLineIndex work(oldEnLines, TLineMatch_Kind::CaseIgnoring);
  TLineIndex inNew(newLines, TLineMatch_Kind::CaseIgnoring);
  int lastExact = -1;  // nearest earlier line with an exact match
  for (int i = 0; i < n; ++i) {
    const int k = work.First(newLines[i]);
    if (k >= 0) {
      table[i].Index = k;
      work.Replace(k, "");
      lastExact = i;
      continue;
    }
    if (i == 0) continue;  // no earlier line to predict from
    long long index = lastExact >= 0 ? table[lastExact].Index + static_cast<long long>(i - lastExact) : i;
    if (index > oldCount - 1) index = -1;
    if (index != -1) {
      // An old line that the new file still holds was kept, not replaced.
      if (inNew.First(oldEnLines[static_cast<size_t>(index)]) >= 0) {
        index = -1;
      } else {
        table[i].Modified = true;
      }
    }
    table[i].Index = static_cast<int32_t>(index);
  }
}

}  // namespace

std::vector<TLineMatch> MatchOldLines(const std::vector<std::string>& newLines,
                                      const std::vector<std::string>& oldEnLines, int threads) {
  const int n = static_cast<int>(newLines.size());
  std::vector<TLineMatch> table(newLines.size());

  // Phase 1: the exact matches. The similarity index needs only the old
  // lines, so a second worker, where there is one, builds it meanwhile.
  std::optional<TSimilarIndex> index;
  ParallelForEach(WorkerCount(threads, 2), threads, [&](size_t part) {
    if (part == 0) {
      TakeExactMatches(newLines, oldEnLines, table);
    } else {
      index.emplace(oldEnLines);
    }
  });

  // Phase 2: similarity for the lines without an exact match. The searches
  // are independent of each other; their table updates apply in order.
  std::vector<int> searched;
  std::vector<std::string> queries;
  for (int i = 0; i < n; ++i) {
    if (table[i].Index == -1 || table[i].Modified) {
      searched.push_back(i);
      queries.push_back(newLines[i]);
    }
  }
  std::vector<int> found;
  if (!queries.empty()) {
    if (!index) index.emplace(oldEnLines);
    found = FindSimilarLines(queries, *index, 10, 50, true, false, threads);
  }
  std::vector<std::vector<int>> modifiedAt(oldEnLines.size());
  for (int i = 0; i < n; ++i) {
    if (table[i].Modified && table[i].Index >= 0) modifiedAt[table[i].Index].push_back(i);
  }
  for (size_t q = 0; q < searched.size(); ++q) {
    const int b = found[q];
    if (b == -1) continue;
    const int i = searched[q];
    table[i] = TLineMatch{b, false};
    for (int j : modifiedAt[b]) {
      if (j != i && table[j].Index == b && table[j].Modified) table[j] = TLineMatch{};
    }
    modifiedAt[b].clear();
  }
  return table;
}

TMarkerAction AddMarkerLine(TStringList& list, const std::string& r) {
  if (!IsMarkerLine(r)) return TMarkerAction::None;
  std::vector<std::string>& lines = list.Lines();
  if (lines.empty() || !IsMarkerLine(lines.back())) {
    list.Add(r);
    return TMarkerAction::Appended;
  }
  list.Put(list.Count() - 1, r);
  return TMarkerAction::Replaced;
}

void RepeatMarkerAction(TStringList& list, const std::string& r, TMarkerAction action) {
  if (action == TMarkerAction::Appended || (action == TMarkerAction::Replaced && list.Empty())) {
    list.Add(r);
  } else if (action == TMarkerAction::Replaced) {
    list.Put(list.Count() - 1, r);
  }
}

bool DropTrailingMarker(TStringList& list) {
  if (list.Empty() || !IsMarkerLine(list.Lines().back())) return false;
  list.Delete(list.Count() - 1);
  return true;
}

TRecordLists::TRecordLists(bool enabled, const std::vector<TLineMatch>* table, const TStringList* oldEn,
                           const TStringList* oldRu)
    : enabled_(enabled), table_(table), oldEn_(oldEn), oldRu_(oldRu) {}

void TRecordLists::AddRecordRow(int i) {
  if (!enabled_) return;
  const TLineMatch& m = (*table_)[static_cast<size_t>(i)];
  if (m.Index == -1) {
    En.Add("");
    Ru.Add("");
    Log.Add("");
    return;
  }
  const std::string& e = oldEn_->Get(m.Index);
  const std::string& t = oldRu_->Get(m.Index);
  En.Add(e);
  if (t == e) {
    // Never translated.
    Ru.Add("");
    Log.Add(kLogEmptyRu);
  } else {
    Ru.Add(t);
    Log.Add(m.Modified ? kLogModify : kLogLevenshtein);
  }
}

void FinishPatchLists(TStringList& patch, const std::vector<TStringList*>& records, const TParam& p) {
  std::vector<TStringList*> parallel, other;
  for (TStringList* r : records) (r->Count() == patch.Count() ? parallel : other).push_back(r);

  // CleanMarkers. Run with "-ef" in place of deleting and without "-de",
  // it changes lines but keeps every row: a marker that goes is an empty
  // row there. The real run deletes those markers (unless "-ef") and, with
  // "-de", the rows that were empty.
  if (p.DeleteFileLines || p.DeleteEmpty || p.EmptyFileLines) {
    const int n = patch.Count();
    TStringList shadow(patch);
    TParam q = p;
    q.EmptyFileLines = p.DeleteFileLines || p.EmptyFileLines;
    q.DeleteEmpty = false;
    CleanMarkers(shadow, q);
    std::vector<bool> keep(static_cast<size_t>(n), true);
    int kept = n;
    if (shadow.Count() == n) {
      for (int b = 0; b < n; ++b) {
        const std::string& s = patch.Lines()[b];
        const bool goes = (p.DeleteFileLines || p.EmptyFileLines) && IsMarkerLine(s) && shadow.Lines()[b].empty();
        const bool deleted = goes ? !p.EmptyFileLines : (p.DeleteEmpty && s.empty());
        if (deleted) {
          keep[b] = false;
          --kept;
        }
      }
    }
    CleanMarkers(patch, p);
    if (shadow.Count() == n && patch.Count() == kept) {
      for (TStringList* r : parallel) KeepRows(*r, keep);
    }
  }

  // RewriteMarkers. Without "-de" it keeps every row; with it, the markers
  // that a run without "-de" leaves unchanged are the deleted rows.
  TParam noDelete = p;
  noDelete.DeleteEmpty = false;
  if (p.FolderMarkers && p.DeleteEmpty) {
    const int n = patch.Count();
    TStringList shadow(patch);
    RewriteMarkers(shadow, noDelete);
    std::vector<bool> keep(static_cast<size_t>(n), true);
    int kept = n;
    if (shadow.Count() == n) {
      for (int i = 0; i < n; ++i) {
        const std::string& line = patch.Lines()[i];
        if (IsMarkerLine(line) && shadow.Lines()[i] == line) {
          keep[i] = false;
          --kept;
        }
      }
    }
    RewriteMarkers(patch, p);
    if (shadow.Count() == n && patch.Count() == kept) {
      for (TStringList* r : parallel) {
        if (r->Count() == n) KeepRows(*r, keep);
      }
    }
  } else {
    RewriteMarkers(patch, p);
  }
  for (TStringList* r : parallel) RewriteMarkers(*r, noDelete);
  for (TStringList* r : other) RewriteMarkers(*r, p);
}

int RunPatch(const TParam& p) {
  if (!FileExistsCI(p.FileEN) || !FileExistsCI(p.FileRU)) {
    CopyNewFile(p);
    return kExitDone;
  }
  // -cpds is mode 9 with PatchDouble; mode 8 is -cp whatever PatchDouble says.
  const bool modeCp = p.Mode == TMode::Patch;
  const bool modeDouble = !modeCp && p.PatchDouble;

  ConsoleLine("Create Patch for: " + p.FileMain);
  if (PatchesLinesAsRead(p)) return RunPatchLinesAsRead(p, modeCp, modeDouble);
  TStringList newList;
  newList.LoadFromFile(p.FileMain);
  const std::vector<std::string>& newLines = newList.Lines();

  TStringList oldEn, oldRu;
  std::vector<TLineMatch> table;
  if (p.AddOldEnRu) {
    ConsoleLine("Create REC EN Patch: " + p.FileOldEN);
    ConsoleLine("Create REC RU Patch: " + p.FileOldRU);
    // The two old files side by side; a failure is told as the English
    // file's first, as when they are read one after the other.
    TStringList* const old[] = {&oldEn, &oldRu};
    const std::string* const oldPaths[] = {&p.FileEN, &p.FileRU};
    ParallelForEach(2, 0, [&](size_t f) { old[f]->LoadFromFile(*oldPaths[f]); });
    // -cpds writes no record rows, so the pairing would go unread.
    if (!modeDouble) table = MatchOldLines(newLines, oldEn.Lines());
  }
  TRecordLists records(p.AddOldEnRu, &table, &oldEn, &oldRu);

  // Comparison lists A and B: keys of the old lines, looked up by bytes
  // (the case-sensitive collation calls only equal bytes equal).
  std::vector<std::string> keysA, keysB;
  {
    TStringList en;
    if (p.AddOldEnRu) {
      keysA = Keys(oldEn.Lines(), p);
    } else {
      en.LoadFromFile(p.FileEN);
      keysA = Keys(en.Lines(), p);
    }
    if (modeCp) {
      if (p.AddOldEnRu) {
        keysB = Keys(oldRu.Lines(), p);
      } else {
        TStringList ru;
        ru.LoadFromFile(p.FileRU);
        keysB = Keys(ru.Lines(), p);
      }
    } else if (modeDouble) {
      keysB = keysA;
    }
  }
  TLineIndex listA(keysA, TLineMatch_Kind::Bytes);
  TLineIndex listB(keysB, TLineMatch_Kind::Bytes);

  TStringList patch, doubles;
  for (size_t i = 0; i < newLines.size(); ++i) {
    const std::string& r = newLines[i];
    const std::string s = NormalizeLine(r, p);
    if (p.PatchFileLines) {
      const TMarkerAction action = AddMarkerLine(patch, r);
      if (modeDouble) AddMarkerLine(doubles, r);
      if (p.AddOldEnRu) {
        for (TStringList* rec : {&records.En, &records.Ru, &records.Log}) {
          // A record row may itself be a marker line (an old line that
          // was one); the record lists follow the patch list's markers so
          // that each row stays beside its patch line. -cpds writes no
          // rows, and its record lists keep only markers of their own.
          if (modeDouble) {
            AddMarkerLine(*rec, r);
          } else {
            RepeatMarkerAction(*rec, r, action);
          }
        }
      }
      if (IsMarkerLine(s)) continue;
    }
    if (modeCp) {
      if (listA.First(s) < 0 && listB.First(s) < 0) {
        patch.Add(r);
        records.AddRecordRow(static_cast<int>(i));
      }
    } else if (!modeDouble) {
      const int k = listA.First(s);
      if (k < 0) {
        patch.Add(r);
        records.AddRecordRow(static_cast<int>(i));
      } else {
        listA.Replace(k, "");  // used up
      }
    } else {
      const int k = listA.First(s);
      if (k >= 0) {
        listA.Replace(k, "");
      } else if (listB.First(s) < 0) {
        patch.Add(r);
      } else {
        doubles.Add(r);
      }
    }
  }

  if (p.PatchFileLines) {
    const bool dropped = DropTrailingMarker(patch);
    if (modeDouble) DropTrailingMarker(doubles);
    if (p.AddOldEnRu) {
      for (TStringList* rec : {&records.En, &records.Ru, &records.Log}) {
        if (modeDouble) {
          DropTrailingMarker(*rec);
        } else if (dropped && !rec->Empty()) {
          rec->Delete(rec->Count() - 1);
        }
      }
    }
  }

  if (modeDouble) {
    // No record rows in this mode: the record lists are not parallel to the
    // patch list and only get RewriteMarkers.
    FinishLines(patch, p);
    FinishLines(doubles, p);
    if (p.AddOldEnRu) {
      RewriteMarkers(records.En, p);
      RewriteMarkers(records.Ru, p);
      RewriteMarkers(records.Log, p);
    }
  } else {
    std::vector<TStringList*> recordLists;
    if (p.AddOldEnRu) recordLists = {&records.En, &records.Ru, &records.Log};
    FinishPatchLists(patch, recordLists, p);
  }

  ForceFileDir(p.FileRec);
  if (!patch.Empty()) patch.SaveToFile(p.FileRec);
  if (modeDouble && !doubles.Empty()) doubles.SaveToFile(DoubleFileName(p.FileRec));
  if (p.AddOldEnRu) {
    if (!records.En.Empty()) SaveList(records.En, p.FileOldEN);
    if (!records.Ru.Empty()) SaveList(records.Ru, p.FileOldRU);
    if (!records.Log.Empty()) SaveList(records.Log, p.FileLog);
  }
  return EndRun(kExitDone);
}
