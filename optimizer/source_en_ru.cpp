#include "optimizer/source_en_ru.h"

#include <string>

#include "common/exitstatus.h"
#include "common/filesystem.h"
#include "common/parallel_for.h"
#include "common/platform.h"
#include "common/program.h"

void LoadSourceEnRu(const TParam& p, TStringList& source, TStringList& en, TStringList& ru) {
  // The files are read side by side (the source, the largest, first); of
  // several that cannot be read, the first in order is reported.
  TStringList* const lists[] = {&source, &en, &ru};
  const std::string* const paths[] = {&p.FileMain, &p.FileEN, &p.FileRU};
  ParallelForEach(3, 0, [&](size_t k) { lists[k]->LoadFromFile(*paths[k]); });
}

TEnRuViewsRun::TEnRuViewsRun(const TParam& p) : p_(p), log_(p) {
  TLineFileView* const views[] = {&source, &en, &ru};
  const std::string* const paths[] = {&p.FileMain, &p.FileEN, &p.FileRU};
  LoadLineFileViews(views, paths, 3);
}

int TEnRuViewsRun::Finish() {
  ForceFileDir(p_.FileRec);
  SaveLineFile(p_.FileRec, source.Lines());
  log_.Save();
  ConsoleLine("DONE");
  return EndRun(kExitDone);
}

bool EnRuLinesMatch(const TStringList& en, const TStringList& ru, std::string_view mismatch) {
  return EnRuLinesMatch(static_cast<size_t>(en.Count()), static_cast<size_t>(ru.Count()), mismatch);
}

bool EnRuLinesMatch(size_t enCount, size_t ruCount, std::string_view mismatch) {
  if (enCount == ruCount) return true;
  ConsoleLine(std::string(mismatch));
  return false;
}
