// Patch building (-cp, -cpd, -cpds) and its helpers.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "common/stringlist.h"
#include "optimizer/params.h"

// The old English line that a line of the new file most likely replaces.
struct TLineMatch {
  int32_t Index = -1;     // index in the old English lines, -1 for none
  bool Modified = false;  // found by position and the old line no longer occurs in the new file
};

// Pairs every new line with an old English line: exactly (ignoring letter
// case), by position, then by similarity. threads: worker threads of the
// similarity search (0: one per processor); the result does not depend on it.
std::vector<TLineMatch> MatchOldLines(const std::vector<std::string>& newLines,
                                      const std::vector<std::string>& oldEnLines, int threads = 0);

enum class TMarkerAction { None, Appended, Replaced };
// Appends the file-marker line r, or puts it in place of a marker line that
// ends the list. Other lines are not added. Returns what it did.
TMarkerAction AddMarkerLine(TStringList& list, const std::string& r);
// Does to list what AddMarkerLine did to another list, so that lists kept
// line-parallel to it stay so.
void RepeatMarkerAction(TStringList& list, const std::string& r, TMarkerAction action);
// Deletes a file-marker line at the end of the list; true when it did.
bool DropTrailingMarker(TStringList& list);

// The three record lists of -addoldenru.
class TRecordLists {
 public:
  // table, oldEn and oldRu are read by AddRecordRow; they must outlive this.
  TRecordLists(bool enabled, const std::vector<TLineMatch>* table, const TStringList* oldEn,
               const TStringList* oldRu);
  bool Enabled() const { return enabled_; }
  // One row for line i of the new file in each list; nothing when disabled.
  // An old Russian line beyond that file's end raises "List index out of
  // bounds (%d)".
  void AddRecordRow(int i);

  TStringList En;   // old English line
  TStringList Ru;   // its old translation
  TStringList Log;  // how the pair was found

 private:
  bool enabled_;
  const std::vector<TLineMatch>* table_;
  const TStringList* oldEn_;
  const TStringList* oldRu_;
};

// The finishing steps of the patch list (CleanMarkers, then RewriteMarkers).
// The record lists, line-parallel to the patch list, lose the same rows as
// the patch list and get their marker lines rewritten without deletions, so
// that they stay line-parallel to it. (A list of another length than the
// patch list, which the callers never pass, only gets RewriteMarkers.)
void FinishPatchLists(TStringList& patch, const std::vector<TStringList*>& records, const TParam& p);
