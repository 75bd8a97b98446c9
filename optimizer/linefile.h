// Line-file conventions shared by all velloran modes: file-marker lines,
// comparison keys and the two finishing steps before a save.
#pragma once
#include <string>
#include <vector>

#include "common/stringlist.h"
#include "optimizer/params.h"

bool IsMarkerLine(const std::string& line);
std::string TrimBorder(std::string s);
std::string RemoveEnters(std::string s, const TParam& p);
std::string RemoveQuotes(std::string s);
// Comparison key of a line under -dbs, -rn, -rno, -is.
std::string NormalizeLine(const std::string& line, const TParam& p);
// True when none of -dbs, -rn, -rno, -is is on: the key is the line itself.
bool KeyIsLine(const TParam& p);
// The leading run of spaces and TABs of source, then translation, then the
// trailing run of source (-r -dbs). A source of blanks only is all leading
// run, so its blanks are carried once.
std::string RestoreBorder(const std::string& source, const std::string& translation);
// -df, -dfn, -ef, -de
void CleanMarkers(TStringList& list, const TParam& p);
// -dfumb
void RewriteMarkers(TStringList& list, const TParam& p);
// CleanMarkers then RewriteMarkers.
void FinishLines(TStringList& list, const TParam& p);
// True when FinishLines leaves every list as it is (no marker option).
bool FinishLinesKeepsThem(const TParam& p);

// "NO_FIND.log": loaded at the first miss of a run (never under -silent),
// extended by misses, saved with the dash entry when this run wrote a header.
class TNoFindLog {
 public:
  TNoFindLog(const TParam& p);
  // Prints "Not Find Line + add line in to file NO_FIND.log" and records the
  // line (nothing under -silent). inputPath/outputPath: the header paths.
  void Miss(const std::string& line, const std::string& inputPath, const std::string& outputPath);
  // Saves the log when this run recorded a miss.
  void Save();

 private:
  const TParam& p_;
  TStringList log_;
  bool loaded_ = false;  // the earlier entries are in log_
  bool headerWritten_ = false;
};
