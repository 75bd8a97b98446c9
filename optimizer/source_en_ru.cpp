#include "optimizer/source_en_ru.h"

#include <string>

#include "common/program.h"

void LoadSourceEnRu(const TParam& p, TStringList& source, TStringList& en, TStringList& ru) {
  source.LoadFromFile(p.FileMain);
  en.LoadFromFile(p.FileEN);
  ru.LoadFromFile(p.FileRU);
}

bool EnRuLinesMatch(const TStringList& en, const TStringList& ru, std::string_view mismatch) {
  if (en.Count() == ru.Count()) return true;
  ConsoleLine(std::string(mismatch));
  return false;
}
