#include "optimizer/clear_other_lines.h"

#include "common/exitstatus.h"
#include "common/lineindex.h"
#include "common/platform.h"
#include "common/stringlist.h"
#include "optimizer/linefile.h"
#include "optimizer/mode_runs.h"
#include "optimizer/source_en_ru.h"

void ClearOtherLines(std::vector<std::string>& lines, const std::vector<std::string>& keepEN,
                     const std::vector<std::string>& keepRU) {
  TLineIndex en(keepEN, TLineMatch_Kind::Bytes);
  TLineIndex ru(keepRU, TLineMatch_Kind::Bytes);
  for (auto& line : lines) {
    if (en.First(line) < 0 && ru.First(line) < 0) line.clear();
  }
}

int RunClearOther(const TParam& p) {
  ConsoleLine("Clear other text for: " + p.FileMain);
  TStringList lines, en, ru;
  LoadSourceEnRu(p, lines, en, ru);
  ClearOtherLines(lines.Lines(), en.Lines(), ru.Lines());
  ForceFileDir(p.FileRec);
  FinishLines(lines, p);
  lines.SaveToFile(p.FileRec);
  return EndRun(kExitDone);
}
