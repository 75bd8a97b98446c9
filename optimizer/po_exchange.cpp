#include "optimizer/po_exchange.h"

#include <functional>
#include <string_view>
#include <unordered_map>

#include "common/platform.h"
#include "common/utf16.h"
#include "common/stringlist.h"
#include "common/classic_string.h"
#include "optimizer/given_files.h"
#include "optimizer/line_check.h"
#include "optimizer/linefile.h"

namespace {

// Entry key: context (with whether there is one) and msgid, viewed.
struct TEntryKey {
  bool hasContext;
  std::string_view context;
  std::string_view id;
  bool operator==(const TEntryKey& o) const {
    return hasContext == o.hasContext && context == o.context && id == o.id;
  }
};

struct TEntryKeyHash {
  size_t operator()(const TEntryKey& k) const {
    const std::hash<std::string_view> h;
    size_t v = h(k.id);
    if (k.hasContext) v ^= h(k.context) + 0x9e3779b97f4a7c15ULL + (v << 6) + (v >> 2);
    return v;
  }
};

std::string Occurrence(size_t k) { return "occurrence " + IntToStr(static_cast<long long>(k)); }

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

// UTF-8 as a PO file must hold it: IsValidUtf8 without the 3-byte forms of
// surrogates (ED A0..BF ..).
bool IsStrictUtf8(std::string_view s) {
  if (!IsValidUtf8(s)) return false;
  for (size_t i = s.find('\xED'); i != std::string_view::npos; i = s.find('\xED', i + 1)) {
    if (i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) >= 0xA0) return false;
  }
  return true;
}

bool IsUtf8Charset(const std::string& charset) {
  const std::string c = LowerAscii(charset);
  // "CHARSET" is the placeholder of a fresh template; ASCII is a subset.
  return c.empty() || c == "utf-8" || c == "utf8" || c == "charset" || c == "ascii" || c == "us-ascii";
}

std::string ShownEntry(const TPoEntry& e) {
  std::string s = "\"" + e.Id + "\"";
  if (e.HasContext) s += " (context \"" + e.Context + "\")";
  return s;
}

}  // namespace

std::vector<std::string> LineContexts(const std::vector<std::string>& en) {
  std::vector<std::string> contexts(en.size());
  std::unordered_map<std::string_view, size_t> seen;
  seen.reserve(en.size());
  for (size_t i = 0; i < en.size(); ++i) {
    const size_t k = ++seen[en[i]];
    if (en[i].empty() || k >= 2) contexts[i] = Occurrence(k);
  }
  return contexts;
}

std::vector<TPoEntry> ExportEntries(std::vector<std::string> en, std::vector<std::string> ru) {
  const std::vector<std::string> contexts = LineContexts(en);
  const bool withRu = !ru.empty();
  std::vector<TPoEntry> entries(en.size());
  for (size_t i = 0; i < en.size(); ++i) {
    TPoEntry& e = entries[i];
    e.HasContext = !contexts[i].empty();
    e.Context = contexts[i];
    if (withRu && ru[i] != en[i]) e.Str = std::move(ru[i]);
    e.Id = std::move(en[i]);
    e.Line = static_cast<int>(i + 1);
  }
  return entries;
}

std::string ExportHeader(const std::string& enFileName) {
  return "Project-Id-Version: " + enFileName +
         "\n"
         "Language: \n"
         "MIME-Version: 1.0\n"
         "Content-Type: text/plain; charset=UTF-8\n"
         "Content-Transfer-Encoding: 8bit\n";
}

size_t FirstNonUtf8Line(const std::vector<std::string>& lines) {
  for (size_t i = 0; i < lines.size(); ++i)
    if (!IsStrictUtf8(lines[i])) return i + 1;
  return 0;
}

TPoImport ImportEntries(const std::vector<TPoEntry>& entries, const std::vector<std::string>& en) {
  std::unordered_map<TEntryKey, size_t, TEntryKeyHash> index;
  index.reserve(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    const TPoEntry& e = entries[i];
    if (!e.Obsolete) index.try_emplace(TEntryKey{e.HasContext, e.Context, e.Id}, i);
  }
  const std::vector<std::string> contexts = LineContexts(en);
  std::vector<char> claimed(entries.size(), 0);
  TPoImport r;
  r.Ru.reserve(en.size());
  for (size_t i = 0; i < en.size(); ++i) {
    auto it = index.find(TEntryKey{!contexts[i].empty(), contexts[i], en[i]});
    if (it == index.end()) {
      r.LinesWithoutEntry.push_back(i);
      r.Ru.push_back(en[i]);
      continue;
    }
    const TPoEntry& e = entries[it->second];
    claimed[it->second] = 1;
    if (e.Fuzzy || e.Str.empty()) {
      if (e.Fuzzy && !e.Str.empty()) ++r.FuzzyLines;
      r.Ru.push_back(en[i]);
    } else {
      if (HasLineBreak(e.Str)) r.LinesWithBreak.push_back(i);
      r.Ru.push_back(e.Str);
    }
  }
  for (size_t i = 0; i < entries.size(); ++i)
    if (!entries[i].Obsolete && !claimed[i]) r.EntriesWithoutLine.push_back(i);
  return r;
}

int RunToPo(const TParam& p) {
  std::vector<std::string> files;
  if (!TakeGivenFiles(p, "-topo", "[FILE_EN.txt] [FILE_RU.txt] [FILE.po] (RU optional)", 2, 3, files)) return 1;
  const bool withRu = files.size() == 3;
  const std::string& poPath = files.back();
  // With the PO file forgotten, "-topo en.txt ru.txt" would write a PO file
  // over the translation; only a PO file name is written to.
  const std::string ext = LowerAscii(ExtractFileExt(poPath));
  if (ext != ".po" && ext != ".pot") {
    ConsoleLine("Error: the PO file must be named *.po or *.pot: " + poPath);
    return 1;
  }
  if (!GivenInputsExist(std::vector<std::string>(files.begin(), files.end() - 1))) return 1;
  TStringList en, ru;
  en.LoadFromFile(files[0]);
  if (withRu) {
    ru.LoadFromFile(files[1]);
    if (!SameLineCount(en, ru)) return 1;
  }
  // A PO file holds UTF-8 text only; a line in another code page is refused
  // rather than written as bytes that no translation tool reads back.
  for (size_t f = 0; f < (withRu ? 2u : 1u); ++f) {
    const TStringList& list = f == 0 ? en : ru;
    if (size_t bad = FirstNonUtf8Line(list.Lines())) {
      ConsoleLine("Error: line " + IntToStr(static_cast<long long>(bad)) + " of " + files[f] +
                  " is not UTF-8 text; a PO file holds UTF-8 only");
      return 1;
    }
  }
  // The findings are taken before the lines move into the entries, so that
  // a large file is held once.
  const std::vector<TLineFinding> findings = withRu ? CheckLines(en.Lines(), ru.Lines()) : std::vector<TLineFinding>();
  const int count = en.Count();
  TPoCatalog catalog;
  catalog.Header = ExportHeader(ExtractFileName(files[0]));
  catalog.Entries = ExportEntries(std::move(en.Lines()), std::move(ru.Lines()));
  size_t translated = 0;
  for (const TPoEntry& e : catalog.Entries) translated += e.Str.empty() ? 0 : 1;
  ForceFileDir(poPath);
  try {
    WritePoFile(poPath, std::move(catalog), ExtractFileName(files[0]));
  } catch (const EPoError& e) {
    ConsoleLine(e.what());
    return 1;
  }
  ConsoleLine("PO file: " + poPath + " (" + IntToStr(count) + " entries, " +
              IntToStr(static_cast<long long>(translated)) + " translated)");
  if (withRu) PrintFindings(findings, true);
  ConsoleLine("DONE");
  return EndRun(0);
}

int RunFromPo(const TParam& p) {
  std::vector<std::string> files;
  if (!TakeGivenFiles(p, "-frompo", "[FILE.po] [FILE_EN.txt] [FILE_RU.txt]", 3, 3, files)) return 1;
  if (!GivenInputsExist({files[0], files[1]})) return 1;
  TPoCatalog catalog;
  try {
    catalog = ReadPoFile(files[0]);
  } catch (const EPoError& e) {
    ConsoleLine(e.what());
    return 1;
  }
  const std::string charset = PoHeaderCharset(catalog.Header);
  if (!IsUtf8Charset(charset)) {
    ConsoleLine("Error: the PO file is in " + charset +
                ", not UTF-8; convert it first (msgconv --to-code=UTF-8)");
    return 1;
  }
  TStringList en;
  en.LoadFromFile(files[1]);
  TPoImport r = ImportEntries(catalog.Entries, en.Lines());
  for (size_t i : r.LinesWithoutEntry)
    ConsoleLine("No entry for line " + IntToStr(static_cast<long long>(i + 1)) + ": " + en.Lines()[i]);
  for (size_t i : r.EntriesWithoutLine)
    ConsoleLine("No English line for entry: " + ShownEntry(catalog.Entries[i]));
  for (size_t i : r.LinesWithBreak)
    ConsoleLine("Error: the translation of line " + IntToStr(static_cast<long long>(i + 1)) +
                " holds a line break; write it as an escape (\\n)");
  ConsoleLine("Lines without entry: " + IntToStr(static_cast<long long>(r.LinesWithoutEntry.size())) +
              ", entries without line: " + IntToStr(static_cast<long long>(r.EntriesWithoutLine.size())));
  if (r.FuzzyLines > 0)
    ConsoleLine("Fuzzy translations left untranslated: " + IntToStr(static_cast<long long>(r.FuzzyLines)));
  if (!r.Complete()) {
    ConsoleLine("The RU file is not written: " + files[2]);
    return 1;
  }
  TStringList ru;
  ru.Assign(std::move(r.Ru));
  ForceFileDir(files[2]);
  ru.SaveToFile(files[2]);
  PrintFindings(CheckLines(en.Lines(), ru.Lines()), true);
  ConsoleLine("DONE");
  return EndRun(0);
}
