#include "common/stringlistcsv.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <unordered_map>
#include <unordered_set>

#include "common/collation.h"
#include "common/comparestring.h"
#include "common/errors.h"
#include "common/first_by_key.h"
#include "common/escape.h"
#include "common/utf16.h"
#include "common/classic_string.h"

namespace {

// Walks a line character by character: whole UTF-8 sequences when the line
// is valid UTF-8, single bytes otherwise.
class TCharWalker {
 public:
  explicit TCharWalker(std::string_view line) : line_(line), utf8_(IsValidUtf8(line)) {}

  // Length of the character that starts at pos (pos < size).
  size_t Step(size_t pos) const {
    if (!utf8_) return 1;
    unsigned char c = static_cast<unsigned char>(line_[pos]);
    size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    return std::min(n, line_.size() - pos);
  }

  // Start of the first character at or after pos that is the byte ch, or
  // the end of the line.
  size_t FindChar(size_t pos, char ch) const {
    while (pos < line_.size() && line_[pos] != ch) pos += Step(pos);
    return pos;
  }

 private:
  std::string_view line_;
  bool utf8_;
};

// The field rule of ParseFields: emit(value) is called for each field in
// order and returns false to stop early.
void WalkFields(std::string_view line, char delimiter, char quote,
                const std::function<bool(std::string&&)>& emit) {
  if (line.empty()) return;
  TCharWalker walker(line);
  const size_t n = line.size();
  size_t p = 0;
  while (p < n) {
    std::string value;
    if (line[p] == quote) {
      // Quoted value: up to the next quote not followed by another quote;
      // each doubled quote gives one.
      const size_t start = p + 1;
      size_t c = start;
      bool closed = false;
      while (c < n) {
        size_t q = walker.FindChar(c, quote);
        value.append(line.substr(c, q - c));
        if (q >= n) {
          c = n;
          break;
        }
        if (q + 1 < n && line[q + 1] == quote) {
          value.push_back(quote);
          c = q + 2;
          continue;
        }
        c = q + 1;
        closed = true;
        break;
      }
      if (closed) {
        p = c;
      } else {
        // No closing quote: the rest of the line less its last byte.
        value = n - start <= 1 ? std::string() : std::string(line.substr(start, n - start - 1));
        p = n;
      }
    } else {
      size_t d = walker.FindChar(p, delimiter);
      value.assign(line.substr(p, d - p));
      p = d;
    }
    if (!emit(std::move(value))) return;
    if (p < n && line[p] == delimiter) {
      // A delimiter that ends the line opens one more, empty field.
      if (p == n - 1 && !emit(std::string())) return;
      ++p;
    }
  }
}

bool IsDigitByte(char c) { return c >= '0' && c <= '9'; }

void AppendUint64(std::string& out, uint64_t v) {
  char buf[8];
  std::memcpy(buf, &v, sizeof buf);
  out.append(buf, sizeof buf);
}

}  // namespace

std::string NaturalEqualityKey(std::string_view s) {
  // The empty text equals only itself; any other text is compared up to its
  // first NUL byte, token by token: a byte that is not a digit as itself, a
  // run of digits as its wrapped 64-bit value (and, for zero, its length).
  if (s.empty()) return "E";
  size_t nul = s.find('\0');
  if (nul != std::string_view::npos) s = s.substr(0, nul);
  std::string key = "N";
  key.reserve(s.size() + 1);
  size_t p = 0;
  while (p < s.size()) {
    if (!IsDigitByte(s[p])) {
      key.push_back(s[p++]);
      continue;
    }
    uint64_t value = 0;
    size_t start = p;
    while (p < s.size() && IsDigitByte(s[p])) value = value * 10u + static_cast<uint64_t>(s[p++] - '0');
    // NUL never occurs in the compared text, so it marks a number.
    key.push_back('\0');
    AppendUint64(key, value);
    if (value == 0) AppendUint64(key, p - start);
  }
  return key;
}

std::vector<std::string> TStringListCSVEX::SplitFields(std::string_view line, char delimiter,
                                                       char quote) {
  std::vector<std::string> fields;
  WalkFields(line, delimiter, quote, [&](std::string&& v) {
    fields.push_back(std::move(v));
    return true;
  });
  return fields;
}

std::string TStringListCSVEX::FieldOf(std::string_view line, int i) const {
  std::string result;
  if (i >= 0) {
    if (QuoteFields) {
      int at = 0;
      WalkFields(line, Delimiter, QuoteChar, [&](std::string&& v) {
        if (at++ < i) return true;
        result = std::move(v);
        return false;
      });
    } else {
      // Cut at every delimiter, quotes are ordinary bytes.
      TCharWalker walker(line);
      size_t start = 0;
      int at = 0;
      bool exists = true;
      while (at < i) {
        size_t d = walker.FindChar(start, Delimiter);
        if (d >= line.size()) {
          exists = false;
          break;
        }
        start = d + 1;
        ++at;
      }
      if (exists) {
        size_t end = walker.FindChar(start, Delimiter);
        result.assign(line.substr(start, end - start));
      }
    }
  }
  if (EscapeFields) result = UnescapeText(result, EscapeType, false);
  return result;
}

std::string TStringListCSVEX::GetField(int row, int i) const { return FieldOf(Get(row), i); }

void TStringListCSVEX::AppendField(std::string& line, std::string value) const {
  if (EscapeFields) value = EscapeText(value, EscapeType, false);
  const std::string quote(1, QuoteChar);
  if (!line.empty()) {
    line.push_back(Delimiter);
    // An empty first field written as two quotes loses them once a second
    // field follows.
    if (!AlwaysQuote && line.size() == 3 && line[0] == QuoteChar && line[1] == QuoteChar &&
        line[2] == Delimiter) {
      line = std::string(1, Delimiter);
    }
  } else if (!AlwaysQuote && value.empty()) {
    line = quote + quote;
  }
  if (!QuoteFields) {
    line += value;
    return;
  }
  ReplaceAllInPlace(value, quote, quote + quote);
  bool enclose = AlwaysQuote || value.find(QuoteChar) != std::string::npos ||
                 value.find(Delimiter) != std::string::npos ||
                 value.find('\r') != std::string::npos || value.find('\n') != std::string::npos;
  if (enclose) {
    line += quote;
    line += value;
    line += quote;
  } else {
    line += value;
  }
}

void TStringListCSVEX::AppendFieldAt(int row, const std::string& value) {
  std::string line = Get(row);
  AppendField(line, value);
  Put(row, std::move(line));
}

void TStringListCSVEX::ParseFields(std::string_view line) {
  std::vector<std::string> fields = SplitFields(line, Delimiter, QuoteChar);
  Clear();
  for (auto& f : fields) InsertItem(Count(), f, nullptr);
}

int TStringListCSVEX::CompareField(std::string_view a, std::string_view b) const {
  return CaseSensitive() ? CompareNaturalStr(a, b) : CompareNaturalText(a, b);
}

bool TStringListCSVEX::FindField(std::string_view value, int& index, int i) const {
  return BinarySearch([&](int probe) { return CompareField(GetField(probe, i), value); }, index);
}

int TStringListCSVEX::IndexOfFieldFrom(std::string_view value, int i, int start) const {
  if (start > Count() - 1) return -1;
  for (int r = std::max(start, 0); r < Count(); ++r) {
    if (CompareField(GetField(r, i), value) == 0) return r;
  }
  return -1;
}

int TStringListCSVEX::IndexOfField(std::string_view value, int i) const {
  if (KeySorted) {
    int index = 0;
    return FindField(value, index, i) ? index : -1;
  }
  return IndexOfFieldFrom(value, i, 0);
}

std::vector<int> TStringListCSVEX::RemoveDuplicates(int i, bool keepLast) {
  // The result list R: defaults, with this list's quoting and separators.
  // Only its reading of fields matters here.
  TStringListCSVEX reader;
  reader.QuoteFields = QuoteFields;
  reader.AlwaysQuote = AlwaysQuote;
  reader.QuoteChar = QuoteChar;
  reader.Delimiter = Delimiter;
  // R reads a field exactly as this list does when the escape settings agree.
  const bool sameReading = EscapeFields && EscapeType == reader.EscapeType;

  std::vector<std::string> rows;  // R's rows
  std::vector<int> sources;       // the row of this list each holds
  std::unordered_set<std::string> seen;  // keys by case-sensitive equality
  TFirstByKey byNatural;              // R's rows by natural equality of field i

  const int count = Count();
  for (int r = 0; r < count; ++r) {
    const std::string& line = lines_[r];
    std::string key = FieldOf(line, i);
    if (seen.insert(EqualityKey(key, true)).second) {
      if (keepLast) byNatural.Append(NaturalEqualityKey(sameReading ? key : reader.FieldOf(line, i)));
      rows.push_back(line);
      sources.push_back(r);
    } else if (keepLast) {
      // R is case-sensitive: the first of its rows whose field i is
      // naturally equal to the key takes this row's content.
      int at = byNatural.First(NaturalEqualityKey(key));
      if (at < 0) throw IndexError(at);
      rows[at] = line;
      sources[at] = r;
      if (!sameReading) byNatural.Replace(at, NaturalEqualityKey(reader.FieldOf(line, i)));
    }
  }
  SetText(JoinLines(rows));
  return sources;
}

int TStringListCSVEX::AddObject(const std::string& line, void* object) {
  int index = Count();
  if (KeySorted) {
    bool found = FindField(FieldOf(line, 0), index, 0);
    if (found && Duplicates() != TDuplicates::dupAccept) return -1;
  }
  InsertItem(index, line, object);
  return index;
}
