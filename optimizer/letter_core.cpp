// "-bsymbol": keeps one line per letter core (the line without its leading
// and trailing bytes that are not ASCII letters), in list order, and writes
// the pairs of core and line to "test.txt" in the working folder.
#include <string>
#include <utility>
#include <vector>

#include "common/platform.h"
#include "common/stringlistcsv.h"
#include "common/classic_string.h"
#include "optimizer/mode_runs.h"

namespace {

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The line without the bytes that are not letters at either end.
std::string_view LetterCore(std::string_view line) {
  size_t first = 0, last = line.size();
  while (first < last && !IsAsciiLetter(line[first])) ++first;
  while (last > first && !IsAsciiLetter(line[last - 1])) --last;
  return line.substr(first, last - first);
}

}  // namespace

void DedupeByLetters(TStringList& list) {
  std::vector<std::string> lines = std::move(list.Lines());
  list.Clear();

  // One row per line: the quoted core, then the line as an escaped field.
  TStringListCSVEX rows;
  const std::string quote(1, rows.QuoteChar);
  std::vector<std::string> rowText;
  rowText.reserve(lines.size());
  for (const std::string& line : lines) {
    std::string core(LetterCore(line));
    ReplaceAllInPlace(core, quote, quote + quote);
    std::string row = quote + core + quote;
    rows.AppendField(row, line);
    rowText.push_back(std::move(row));
  }
  rows.Assign(std::move(rowText));

  // The first row of each core stays.
  std::vector<int> kept = rows.RemoveDuplicates(0, false);
  rows.SaveToFileEX(ExpandPath("test.txt"));

  // The kept lines go back exactly as they were: reading field 1 back
  // through the escape form would turn escapes such as "\n" into real line
  // breaks and lose backslashes.
  for (int source : kept) list.Add(lines[source]);
}
