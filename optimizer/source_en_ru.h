// The three line files of the modes that carry translations from an English
// and a Russian file into a source: the source (FileMain), the English file
// (FileEN) and the Russian file (FileRU), the two last line for line.
#pragma once
#include <string_view>

#include "common/line_file.h"
#include "common/stringlist.h"
#include "optimizer/linefile.h"
#include "optimizer/params.h"

// The message of English and Russian files of different lengths.
inline constexpr std::string_view kEnRuMismatch = "Not math EN and RU lines!!!";

// Loads the source, the English and the Russian file of the run (of files
// that cannot be read, the first in that order raises the line list's
// error).
void LoadSourceEnRu(const TParam& p, TStringList& source, TStringList& en, TStringList& ru);

// True when en and ru have as many lines; otherwise prints mismatch and
// gives false (the mode then ends).
bool EnRuLinesMatch(const TStringList& en, const TStringList& ru, std::string_view mismatch = kEnRuMismatch);
bool EnRuLinesMatch(size_t enCount, size_t ruCount, std::string_view mismatch = kEnRuMismatch);

// What a mode that records misses in NO_FIND.log starts with: the three
// files, then the log of earlier misses.
struct TEnRuRun {
  TStringList source, en, ru;
  TNoFindLog log;
  explicit TEnRuRun(const TParam& p) : log((LoadSourceEnRu(p, source, en, ru), p)) {}
};

// TEnRuRun for a mode that writes its lines as it read them: the three files
// as views into their bytes, the log, and the end such a mode shares.
class TEnRuViewsRun {
 public:
  TLineFileView source, en, ru;

  explicit TEnRuViewsRun(const TParam& p);
  // EnRuLinesMatch for the English and Russian files.
  bool LinesMatch() const { return EnRuLinesMatch(en.size(), ru.size()); }
  // Records English line i as found in no source line.
  void Miss(size_t i) { log_.Miss(std::string(en[i]), p_.FileEN, p_.FileMain); }
  // Writes the source lines to the recovered file and the log, prints
  // "DONE" and ends the run.
  int Finish();

 private:
  const TParam& p_;
  TNoFindLog log_;
};
