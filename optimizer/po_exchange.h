// Exchange of line files with translation tools through gettext PO files:
// -topo writes one PO entry per English line, -frompo writes the Russian
// line file back from a translated PO file.
//
// Entry of English line n: msgid = the line exactly as it stands (escapes
// stay text), msgstr = the Russian line, or "" (untranslated) when there is
// none or it equals the English line, a reference "#: <EN file name>:n".
// msgctxt is set only where a msgid would otherwise repeat: the k-th line
// (k >= 2) of a text gets "occurrence k", and every empty line gets one
// (k from 1), because msgid "" without a context is the PO header. Entries
// are matched back by msgctxt + msgid, so a PO file re-ordered or merged by
// a tool still imports exactly.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "optimizer/params.h"
#include "optimizer/po_file.h"

// The msgctxt of every English line; "" where it has none (the contexts
// given are never empty).
std::vector<std::string> LineContexts(const std::vector<std::string>& en);

// -topo core: the entries of the English lines; ru, when not empty, is
// line-parallel to en. The lines are taken over (moved into the entries).
std::vector<TPoEntry> ExportEntries(std::vector<std::string> en, std::vector<std::string> ru);

// The header of a PO file made from the English file of that name.
std::string ExportHeader(const std::string& enFileName);

// 1-based number of the first line that is not UTF-8 (a PO file holds UTF-8
// text only), 0 when all are. Surrogate code points count as invalid.
size_t FirstNonUtf8Line(const std::vector<std::string>& lines);

// -frompo core.
struct TPoImport {
  // Line-parallel to en: the msgstr of the line's entry; the English line
  // where that is empty, fuzzy, or where the line has no entry.
  std::vector<std::string> Ru;
  std::vector<size_t> LinesWithoutEntry;   // 0-based English lines
  std::vector<size_t> EntriesWithoutLine;  // indexes of entries no line claimed
  std::vector<size_t> LinesWithBreak;      // 0-based lines whose msgstr holds CR or LF
  size_t FuzzyLines = 0;                   // lines left untranslated because their entry is fuzzy
  // The Russian file may be written: every line has an entry and no
  // translation would split a line.
  bool Complete() const { return LinesWithoutEntry.empty() && LinesWithBreak.empty(); }
};
// Obsolete entries take no part.
TPoImport ImportEntries(const std::vector<TPoEntry>& entries, const std::vector<std::string>& en);

// Mode -topo EN [RU] PO. Returns the exit status.
int RunToPo(const TParam& p);
// Mode -frompo PO EN RU. Returns the exit status.
int RunFromPo(const TParam& p);
