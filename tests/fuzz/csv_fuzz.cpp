// The column line list: ParseFields, FieldOf and AppendField against their
// rules written as literal loops, the round trip of appended fields, the
// ordered insertion and field searches, and RemoveDuplicates against the
// loop over a scratch list and a list of seen keys.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/comparestring.h"
#include "common/errors.h"
#include "common/escape.h"
#include "common/stringlistcsv.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

using Rows = std::vector<std::string>;

Rows RefParse(const std::string& line, char d, char q) {
  Rows rows;
  size_t p = 0;
  const size_t n = line.size();
  while (p < n) {
    std::string v;
    if (line[p] == q) {
      size_t c = p + 1;
      bool closed = false;
      while (c < n) {
        if (line[c] == q) {
          if (c + 1 < n && line[c + 1] == q) {
            v.push_back(q);
            c += 2;
            continue;
          }
          closed = true;
          ++c;
          break;
        }
        v.push_back(line[c]);
        ++c;
      }
      if (!closed) {
        const size_t left = n - (p + 1);
        v = left <= 1 ? std::string() : line.substr(p + 1, left - 1);
        c = n;
      }
      p = c;
    } else {
      size_t e = p;
      while (e < n && line[e] != d) ++e;
      v = line.substr(p, e - p);
      p = e;
    }
    rows.push_back(v);
    if (p < n && line[p] == d) {
      if (p == n - 1) rows.push_back("");
      ++p;
    }
  }
  return rows;
}

std::string RefFieldOf(const TStringListCSVEX& l, const std::string& line, int i) {
  std::string r;
  if (l.QuoteFields) {
    Rows rows = RefParse(line, l.Delimiter, l.QuoteChar);
    if (i < static_cast<int>(rows.size())) r = rows[static_cast<size_t>(i)];
  } else {
    int field = 0;
    size_t start = 0;
    bool have = false;
    for (size_t k = 0; k <= line.size(); ++k) {
      if (k == line.size() || line[k] == l.Delimiter) {
        if (field == i) {
          r = line.substr(start, k - start);
          have = true;
          break;
        }
        ++field;
        start = k + 1;
      }
    }
    if (!have) r.clear();
  }
  if (l.EscapeFields) r = UnescapeText(r, l.EscapeType, false);
  return r;
}

void RefAppend(const TStringListCSVEX& l, std::string& line, std::string v) {
  const char q = l.QuoteChar, d = l.Delimiter;
  if (l.EscapeFields) v = EscapeText(v, l.EscapeType, false);
  if (!line.empty()) {
    line.push_back(d);
    if (!l.AlwaysQuote && line == std::string{q, q, d}) line = std::string(1, d);
  } else if (!l.AlwaysQuote && v.empty()) {
    line = std::string{q, q};
  }
  if (!l.QuoteFields) {
    line += v;
    return;
  }
  std::string doubled;
  for (char c : v) {
    doubled.push_back(c);
    if (c == q) doubled.push_back(q);
  }
  const bool special = v.find(q) != std::string::npos || v.find(d) != std::string::npos ||
                       v.find('\r') != std::string::npos || v.find('\n') != std::string::npos;
  if (l.AlwaysQuote || special) {
    line.push_back(q);
    line += doubled;
    line.push_back(q);
  } else {
    line += doubled;
  }
}

// RemoveDuplicates as the rule states it; throws where the rule raises.
Rows RefRemoveDuplicates(const TStringListCSVEX& l, const Rows& rows, int i, bool keepLast) {
  TStringListCSVEX r;  // defaults, then the list's quoting and delimiter
  r.QuoteFields = l.QuoteFields;
  r.AlwaysQuote = l.AlwaysQuote;
  r.QuoteChar = l.QuoteChar;
  r.Delimiter = l.Delimiter;
  Rows out, seen;
  for (const std::string& row : rows) {
    const std::string key = l.FieldOf(row, i);
    bool known = false;
    for (const std::string& s : seen) known = known || s == key;
    if (!known) {
      seen.push_back(key);
      out.push_back(row);
    } else if (keepLast) {
      int found = -1;
      for (size_t k = 0; k < out.size() && found < 0; ++k)
        if (CompareNaturalStr(r.FieldOf(out[k], i), key) == 0) found = static_cast<int>(k);
      if (found < 0) throw std::out_of_range("List index out of bounds (-1)");
      out[static_cast<size_t>(found)] = row;
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  TStringListCSVEX l;
  const uint8_t s = in.Byte();
  l.QuoteFields = (s & 1) != 0;
  l.AlwaysQuote = (s & 2) != 0;
  l.EscapeFields = (s & 4) != 0;
  l.EscapeType = static_cast<TEscapeForm>((s >> 3) % 6);
  static const char kDelims[] = {';', ',', '\t', '|', '"', 'a'};
  static const char kQuotes[] = {'"', '\'', '"', '"'};
  l.Delimiter = kDelims[in.Byte() % sizeof(kDelims)];
  l.QuoteChar = kQuotes[in.Byte() % sizeof(kQuotes)];
  const std::string line = in.Str(200);
  const std::vector<std::string> values = in.Strs(5, 20);
  const std::string all = line + "|" + FuzzJoin(values);

  // Parsing.
  const Rows parsed = RefParse(line, l.Delimiter, l.QuoteChar);
  FUZZ_CHECK(TStringListCSVEX::SplitFields(line, l.Delimiter, l.QuoteChar) == parsed, all);
  TStringListCSVEX scratch;
  scratch.Delimiter = l.Delimiter;
  scratch.QuoteChar = l.QuoteChar;
  scratch.ParseFields(line);
  FUZZ_CHECK(scratch.Lines() == parsed, all);
  for (int i = 0; i <= static_cast<int>(parsed.size()) + 1; ++i)
    FUZZ_CHECK(l.FieldOf(line, i) == RefFieldOf(l, line, i), all);

  // Appending, and reading the fields back.
  std::string built, refBuilt;
  for (const std::string& v : values) {
    l.AppendField(built, v);
    RefAppend(l, refBuilt, v);
    FUZZ_CHECK(built == refBuilt, all);
  }
  if (l.QuoteFields && !l.EscapeFields && l.Delimiter != l.QuoteChar && !values.empty()) {
    for (size_t k = 0; k < values.size(); ++k)
      FUZZ_CHECK(l.FieldOf(built, static_cast<int>(k)) == values[k], all + "|" + built);
  }

  // Rows: the parsed fields of the line and the values, as rows of a list.
  // Rows of a list hold no line breaks and no NUL (its text is split into
  // lines again when it is replaced).
  Rows rows = values;
  for (const std::string& f : parsed) rows.push_back(f);
  for (std::string& r : rows)
    for (char& c : r)
      if (c == '\r' || c == '\n' || c == '\0') c = ' ';
  const int field = in.Int(0, 2);
  l.Assign(rows);
  for (const std::string& v : values) {
    int expect = -1;
    for (size_t r = 0; r < rows.size() && expect < 0; ++r)
      if (l.CompareField(l.FieldOf(rows[r], field), v) == 0) expect = static_cast<int>(r);
    FUZZ_CHECK(l.IndexOfField(v, field) == expect, all);
    FUZZ_CHECK(l.IndexOfFieldFrom(v, field, 0) == expect, all);
  }

  // Ordered insertion by field 0 and the binary search over it.
  TStringListCSVEX sorted;
  sorted.QuoteFields = l.QuoteFields;
  sorted.EscapeFields = l.EscapeFields;
  sorted.EscapeType = l.EscapeType;
  sorted.Delimiter = l.Delimiter;
  sorted.QuoteChar = l.QuoteChar;
  sorted.KeySorted = true;
  sorted.SetCaseSensitive(in.Bool());
  for (const std::string& r : rows) sorted.Add(r);
  FUZZ_CHECK(sorted.Count() == static_cast<int>(rows.size()), all);
  for (int r = 1; r < sorted.Count(); ++r)
    FUZZ_CHECK(sorted.CompareField(sorted.GetField(r - 1, 0), sorted.GetField(r, 0)) <= 0, all);
  for (int r = 0; r < sorted.Count(); ++r) {
    const std::string key = sorted.GetField(r, 0);
    const int at = sorted.IndexOfField(key, 0);
    FUZZ_CHECK(at >= 0 && at <= r && sorted.CompareField(sorted.GetField(at, 0), key) == 0, all);
    FUZZ_CHECK(at == 0 || sorted.CompareField(sorted.GetField(at - 1, 0), key) < 0, all);
  }

  // RemoveDuplicates.
  const bool keepLast = in.Bool();
  Rows expect;
  bool refThrew = false;
  try {
    expect = RefRemoveDuplicates(l, rows, field, keepLast);
  } catch (const std::out_of_range&) {
    refThrew = true;
  }
  bool threw = false;
  std::vector<int> from;
  try {
    from = l.RemoveDuplicates(field, keepLast);
  } catch (const EStringListError&) {
    threw = true;
  }
  FUZZ_CHECK(threw == refThrew, all);
  if (!threw) {
    FUZZ_CHECK(l.Lines() == expect, all);
    FUZZ_CHECK(from.size() == expect.size(), all);
    for (size_t k = 0; k < from.size(); ++k)
      FUZZ_CHECK(from[k] >= 0 && from[k] < static_cast<int>(rows.size()) && rows[static_cast<size_t>(from[k])] == expect[k], all);
  }
  return 0;
}
