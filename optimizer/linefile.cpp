// Line-file conventions shared by the velloran modes.
#include "optimizer/linefile.h"

#include <utility>

#include "common/platform.h"
#include "common/classic_string.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsHexBlank(std::string_view four) { return four == "\\x20" || four == "\\x09"; }

}  // namespace

bool IsMarkerLine(const std::string& line) {
  return StartsWith(line, "file\\") || StartsWith(line, "file/");
}

std::string TrimBorder(std::string s) {
  // Each loop runs once, in this order; a raw blank uncovered by the hex
  // loops stays.
  size_t n = 0;
  while (n < s.size() && IsBlank(s[n])) ++n;
  Delete(s, 1, static_cast<long long>(n));

  n = 0;
  while (n < s.size() && IsBlank(s[s.size() - 1 - n])) ++n;
  Delete(s, static_cast<long long>(s.size() - n) + 1, static_cast<long long>(n));

  n = 0;
  while (s.size() - n >= 4 && IsHexBlank(std::string_view(s).substr(n, 4))) n += 4;
  Delete(s, 1, static_cast<long long>(n));

  n = 0;
  while (s.size() - n >= 4 && IsHexBlank(std::string_view(s).substr(s.size() - n - 4, 4))) n += 4;
  Delete(s, static_cast<long long>(s.size() - n) + 1, static_cast<long long>(n));
  return s;
}

std::string RemoveEnters(std::string s, const TParam& p) {
  // Plain replace-alls in this order; a deletion may join a new escape that
  // the next replace-all then removes, as the sequence of passes does.
  s = DeleteAll(s, "\\r");
  s = DeleteAll(s, "\\n");
  if (p.IgnoreOld) {
    s = DeleteAll(s, "\\d");
    s = DeleteAll(s, "\\a");
  }
  return s;
}

std::string RemoveQuotes(std::string s) { return DeleteAll(s, "'"); }

bool KeyIsLine(const TParam& p) { return !p.DeleteBorder && !p.IgnoreEnters && !p.IgnoreQuote; }

std::string NormalizeLine(const std::string& line, const TParam& p) {
  std::string s = line;
  if (p.DeleteBorder) s = TrimBorder(std::move(s));
  if (p.IgnoreEnters) s = RemoveEnters(std::move(s), p);
  if (p.IgnoreQuote) s = RemoveQuotes(std::move(s));
  return s;
}

void CleanMarkers(TStringList& list, const TParam& p) {
  if (!p.DeleteFileLines && !p.DeleteEmpty && !p.EmptyFileLines) return;
  // The index loop deletes only at the current line and looks only at the
  // line after it, which is still the original next line: one forward pass
  // that builds the kept lines gives the same list.
  std::vector<std::string>& in = list.Lines();
  const size_t n = in.size();
  std::vector<std::string> out;
  out.reserve(n);
  for (size_t b = 0; b < n; ++b) {
    std::string& s = in[b];
    if ((p.DeleteFileLines || p.EmptyFileLines) && IsMarkerLine(s)) {
      bool goes = !p.NullFileLinesOnly || b + 1 == n || IsMarkerLine(in[b + 1]);
      if (goes) {
        if (p.EmptyFileLines) out.emplace_back();
        continue;  // deleted; a marker is never empty, so -de has nothing to add
      }
    }
    if (p.DeleteEmpty && s.empty()) continue;
    out.push_back(std::move(s));
  }
  list.Assign(std::move(out));
}

void RewriteMarkers(TStringList& list, const TParam& p) {
  if (!p.FolderMarkers) return;
  std::vector<std::string>& in = list.Lines();
  std::vector<std::string> out;
  out.reserve(in.size());
  std::string lastFolder, lastType, type;
  for (std::string& line : in) {
    if (!IsMarkerLine(line)) {
      out.push_back(std::move(line));
      continue;
    }
    const std::string sep(1, line[4]);
    std::string folder;
    size_t from = 6;
    int32_t n = 0;
    while (n != p.FolderLevel) {
      size_t sp = Pos(sep, line, from);
      if (sp > 0) {
        folder += Copy(line, static_cast<long long>(from), static_cast<long long>(sp - from)) + sep;
        from = sp + 1;
        ++n;
      } else {
        size_t d = Pos(".", line, from);
        if (d > 0) folder += Copy(line, static_cast<long long>(from), static_cast<long long>(d - from)) + sep;
        break;
      }
    }
    size_t d = LastPos(".", line);
    if (d > 0) {
      type = Copy(line, static_cast<long long>(d) + 1, static_cast<long long>(line.size()));
      if (type == "txt") {
        std::string cut = Copy(line, 1, static_cast<long long>(d) - 1);
        size_t d2 = LastPos(".", cut);
        if (d2 > 0) type = Copy(cut, static_cast<long long>(d2) + 1, static_cast<long long>(cut.size()));
      }
    }
    if (folder != lastFolder || type != lastType) {
      out.push_back("//folder=" + folder + " type=" + type);
      lastFolder = folder;
      lastType = type;
    } else if (!p.DeleteEmpty) {
      out.push_back(std::move(line));
    }
  }
  list.Assign(std::move(out));
}

void FinishLines(TStringList& list, const TParam& p) {
  CleanMarkers(list, p);
  RewriteMarkers(list, p);
}

bool FinishLinesKeepsThem(const TParam& p) {
  return !p.DeleteFileLines && !p.DeleteEmpty && !p.EmptyFileLines && !p.FolderMarkers;
}

std::string RestoreBorder(const std::string& source, const std::string& translation) {
  size_t lead = 0;
  while (lead < source.size() && IsBlank(source[lead])) ++lead;
  // A line of blanks only is all leading run: its blanks are carried once,
  // not once before and once more after the translation.
  size_t trail = 0;
  if (lead < source.size()) {
    while (trail < source.size() && IsBlank(source[source.size() - 1 - trail])) ++trail;
  }
  std::string r = Copy(source, 1, static_cast<long long>(lead));
  r += translation;
  r += Copy(source, static_cast<long long>(source.size() - trail) + 1, static_cast<long long>(trail));
  return r;
}

TNoFindLog::TNoFindLog(const TParam& p) : p_(p) {}

void TNoFindLog::Miss(const std::string& line, const std::string& inputPath,
                      const std::string& outputPath) {
  if (p_.Silent) return;
  ConsoleLine("Not Find Line + add line in to file NO_FIND.log");
  if (!loaded_) {
    // The earlier entries are read only by a run that adds to them: the log
    // only grows, and a run without misses leaves it as it is.
    if (FileExistsCI(p_.NoFindLog)) log_.LoadFromFile(p_.NoFindLog);
    loaded_ = true;
  }
  if (!headerWritten_) {
    log_.Add("INPUT : " + inputPath);
    log_.Add("OUTPUT: " + outputPath);
    headerWritten_ = true;
  }
  log_.Add(line);
}

void TNoFindLog::Save() {
  if (p_.Silent || !headerWritten_) return;
  // One entry of dashes with its own CR LF: saved, it shows the dash line
  // and an empty line after it.
  log_.Add(std::string(47, '-') + "\r\n");
  log_.SaveToFile(p_.NoFindLog);
  headerWritten_ = false;
}
