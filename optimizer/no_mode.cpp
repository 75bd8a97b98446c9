// The run without a mode: the finishing steps and the numbering of repeated
// lines on one file.
#include "common/exitstatus.h"
#include "common/platform.h"
#include "common/stringlist.h"
#include "optimizer/linefile.h"
#include "optimizer/mode_runs.h"
#include "optimizer/number_duplicates.h"

int RunNoMode(const TParam& p) {
  ConsoleLine("Mode none: " + p.FileMain);
  TStringList lines;
  lines.LoadFromFile(p.FileMain);
  FinishLines(lines, p);
  NumberDuplicateLines(lines, p);
  // The output folder is not created: a missing folder fails the save.
  if (lines.Count() > 0) lines.SaveToFile(p.FileEN);
  return EndRun(kExitDone);
}
