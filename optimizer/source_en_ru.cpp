#include "optimizer/source_en_ru.h"

#include <exception>
#include <string>

#include "common/parallel_for.h"
#include "common/program.h"

void LoadSourceEnRu(const TParam& p, TStringList& source, TStringList& en, TStringList& ru) {
  // The files are read side by side (the source, the largest, first); of
  // several that cannot be read, the first in order is reported.
  TStringList* const lists[] = {&source, &en, &ru};
  const std::string* const paths[] = {&p.FileMain, &p.FileEN, &p.FileRU};
  std::exception_ptr failure[3];
  struct TNone {};
  ParallelFor<TNone>(3, 0, [&](TNone&, size_t k) {
    try {
      lists[k]->LoadFromFile(*paths[k]);
    } catch (...) {
      failure[k] = std::current_exception();
    }
  });
  for (const std::exception_ptr& f : failure) {
    if (f) std::rethrow_exception(f);
  }
}

bool EnRuLinesMatch(const TStringList& en, const TStringList& ru, std::string_view mismatch) {
  if (en.Count() == ru.Count()) return true;
  ConsoleLine(std::string(mismatch));
  return false;
}
