#include "common/stringlist.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <numeric>

#if defined(__SSE2__) && defined(__x86_64__)
#include <emmintrin.h>
#endif

#include "common/collation.h"
#include "common/errors.h"
#include "common/line_file.h"
#include "common/utf16.h"
#include "common/platform.h"
#include "common/classic_string.h"

namespace {

constexpr uint64_t kOnes = 0x0101010101010101ull;
constexpr uint64_t kLows = 0x7F7F7F7F7F7F7F7Full;

// The high bit of each byte of x that equals b, and only of those.
inline uint64_t BytesEqual(uint64_t x, uint8_t b) {
  const uint64_t y = x ^ (kOnes * b);
  return ~(((y & kLows) + kLows) | y | kLows);
}

// Number of bytes equal to b: sixteen at a time where the processor has
// SSE2 (every x86-64 does), else eight at a time by adding up the marks.
size_t CountBytes(const char* p, size_t n, uint8_t b) {
  size_t count = 0, i = 0;
#if defined(__SSE2__) && defined(__x86_64__)
  const __m128i needle = _mm_set1_epi8(static_cast<char>(b));
  while (i + 16 <= n) {
    // Each byte lane counts up to 255 matches before the lanes are summed.
    __m128i lanes = _mm_setzero_si128();
    for (int k = 0; k < 255 && i + 16 <= n; ++k, i += 16) {
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
      lanes = _mm_sub_epi8(lanes, _mm_cmpeq_epi8(x, needle));
    }
    const __m128i sums = _mm_sad_epu8(lanes, _mm_setzero_si128());
    count += static_cast<size_t>(_mm_cvtsi128_si64(sums)) +
             static_cast<size_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums)));
  }
#endif
  for (; i + 8 <= n; i += 8) {
    uint64_t x;
    std::memcpy(&x, p + i, 8);
    // One bit per matching byte at the bottom of its byte; the multiply adds
    // the eight bytes up into the top one.
    count += static_cast<size_t>(((BytesEqual(x, b) >> 7) * kOnes) >> 56);
  }
  for (; i < n; ++i) count += static_cast<uint8_t>(p[i]) == b ? 1 : 0;
  return count;
}

// Offset of the first CR, LF or (with nulEnds) NUL at or after i, or n.
// Lines average tens of bytes: eight are looked at in one step.
inline size_t NextBreak(const char* p, size_t i, size_t n, bool nulEnds) {
  for (; i + 8 <= n; i += 8) {
    uint64_t x;
    std::memcpy(&x, p + i, 8);
    uint64_t m = BytesEqual(x, '\r') | BytesEqual(x, '\n');
    if (nulEnds) m |= BytesEqual(x, 0);
    // The lowest marked byte comes first (little-endian order).
    if (m != 0) return i + static_cast<size_t>(__builtin_ctzll(m) >> 3);
  }
  for (; i < n; ++i) {
    const char c = p[i];
    if (c == '\r' || c == '\n' || (c == '\0' && nulEnds)) return i;
  }
  return n;
}

// Calls add(pointer, length) for every line of text, in order.
template <class Add>
void ForEachLine(std::string_view text, TNulByte nul, Add add) {
  const bool nulEnds = nul == TNulByte::EndsText;
  const size_t n = text.size();
  const char* p = text.data();
  size_t start = 0;
  while (start < n) {
    const size_t i = NextBreak(p, start, n, nulEnds);
    if (i == n || p[i] == '\0') {
      if (i > start) add(p + start, i - start);
      break;
    }
    add(p + start, i - start);
    start = i + (p[i] == '\r' && i + 1 < n && p[i + 1] == '\n' ? 2 : 1);
  }
}

// The lines of text, of type Line (a string or a view).
template <class Line>
std::vector<Line> SplitInto(std::string_view text, TNulByte nul) {
  std::vector<Line> lines;
  // At most one line per line feed and one more: the table is made once.
  ReserveAhead(lines, CountBytes(text.data(), text.size(), '\n') + 1);
  ForEachLine(text, nul, [&](const char* p, size_t len) { lines.emplace_back(p, len); });
  return lines;
}

}  // namespace

std::vector<std::string> SplitLines(std::string_view text, TNulByte nul) {
  return SplitInto<std::string>(text, nul);
}

std::vector<std::string_view> SplitLineViews(std::string_view text, TNulByte nul) {
  return SplitInto<std::string_view>(text, nul);
}

namespace {

template <class Line>
size_t AppendLinesOf(const std::vector<Line>& lines, size_t from, size_t limit, std::string& out) {
  // After a pass the lines' bytes may lie anywhere in memory: they are read
  // a few lines ahead of the copy.
  constexpr size_t kAhead = 16;
  const size_t n = lines.size();
  size_t i = from;
  for (; i < n; ++i) {
    if (i > from && out.size() + lines[i].size() + 2 > limit) break;
#if defined(__GNUC__)
    if (i + kAhead < n) __builtin_prefetch(lines[i + kAhead].data());
#endif
    out.append(lines[i]);
    out.append("\r\n", 2);
  }
  return i;
}

}  // namespace

size_t AppendLines(const std::vector<std::string>& lines, size_t from, size_t limit, std::string& out) {
  return AppendLinesOf(lines, from, limit, out);
}

size_t AppendLines(const std::vector<std::string_view>& lines, size_t from, size_t limit, std::string& out) {
  return AppendLinesOf(lines, from, limit, out);
}

std::string JoinLines(const std::vector<std::string>& lines) {
  size_t total = 0;
  for (const auto& l : lines) total += l.size() + 2;
  std::string out;
  out.reserve(total);
  AppendLines(lines, 0, SIZE_MAX, out);
  return out;
}

const std::string& TStringList::Get(int index) const {
  if (index < 0 || index >= Count()) throw IndexError(index);
  return lines_[static_cast<size_t>(index)];
}

void TStringList::Put(int index, std::string value) {
  if (index < 0 || index >= Count()) throw IndexError(index);
  lines_[static_cast<size_t>(index)] = std::move(value);
}

void* TStringList::GetObject(int index) const {
  if (index < 0 || index >= Count()) throw IndexError(index);
  return objects_.size() == lines_.size() ? objects_[static_cast<size_t>(index)] : nullptr;
}

void TStringList::InsertItem(int index, const std::string& line, void* object) {
  if (objects_.size() != lines_.size()) objects_.assign(lines_.size(), nullptr);
  lines_.insert(lines_.begin() + index, line);
  objects_.insert(objects_.begin() + index, object);
}

int TStringList::AddObject(const std::string& line, void* object) {
  int index;
  if (!sorted_) {
    index = Count();
  } else if (Find(line, index)) {
    if (duplicates_ == TDuplicates::dupIgnore) return index;
    if (duplicates_ == TDuplicates::dupError)
      throw EStringListError("String list does not allow duplicates");
  }
  InsertItem(index, line, object);
  return index;
}

void TStringList::Insert(int index, const std::string& line) {
  if (index < 0 || index > Count()) throw IndexError(index);
  InsertItem(index, line, nullptr);
}

void TStringList::Delete(int index) {
  if (index < 0 || index >= Count()) throw IndexError(index);
  lines_.erase(lines_.begin() + index);
  if (objects_.size() == lines_.size() + 1) objects_.erase(objects_.begin() + index);
}

void TStringList::Clear() {
  lines_.clear();
  objects_.clear();
}

int TStringList::CompareStrings(std::string_view a, std::string_view b) const {
  return CompareLines(a, b, caseSensitive_);
}

int TStringList::IndexOf(std::string_view line) const {
  if (sorted_) {
    int index;
    return Find(line, index) ? index : -1;
  }
  if (caseSensitive_) {
    // Case-sensitive equality is byte equality.
    for (size_t i = 0; i < lines_.size(); ++i)
      if (lines_[i] == line) return static_cast<int>(i);
    return -1;
  }
  std::string key = EqualityKey(line, false);
  for (size_t i = 0; i < lines_.size(); ++i)
    if (EqualityKey(lines_[i], false) == key) return static_cast<int>(i);
  return -1;
}

bool TStringList::BinarySearch(const std::function<int(int)>& compareAt, int& index) const {
  bool found = false;
  int low = 0, high = Count() - 1;
  while (low <= high) {
    int probe = low + (high - low) / 2;
    int c = compareAt(probe);
    if (c < 0) {
      low = probe + 1;
    } else {
      high = probe - 1;
      if (c == 0) {
        found = true;
        if (duplicates_ != TDuplicates::dupAccept) low = probe;
      }
    }
  }
  index = low;
  return found;
}

bool TStringList::Find(std::string_view line, int& index) const {
  return BinarySearch([&](int probe) { return CompareStrings(lines_[static_cast<size_t>(probe)], line); },
                      index);
}

void TStringList::Sort() {
  size_t n = lines_.size();
  if (n < 2) return;
  std::vector<std::string> keys(n);
  for (size_t i = 0; i < n; ++i) keys[i] = CollationSortKey(lines_[i], caseSensitive_);
  std::vector<size_t> order(n);
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return keys[a] < keys[b]; });
  std::vector<std::string> lines(n);
  std::vector<void*> objects;
  bool withObjects = objects_.size() == n;
  if (withObjects) objects.resize(n);
  for (size_t i = 0; i < n; ++i) {
    lines[i] = std::move(lines_[order[i]]);
    if (withObjects) objects[i] = objects_[order[i]];
  }
  lines_ = std::move(lines);
  objects_ = std::move(objects);
}

void TStringList::SetSorted(bool on) {
  if (on && !sorted_) Sort();
  sorted_ = on;
}

void TStringList::SetCaseSensitive(bool on) {
  if (on == caseSensitive_) return;
  caseSensitive_ = on;
  if (sorted_) Sort();
}

std::string TStringList::Text() const { return JoinLines(lines_); }

void TStringList::SetText(std::string_view text) {
  lines_ = SplitLines(text);
  objects_.clear();
}

void TStringList::LoadFromFile(const std::string& path) { Assign(ReadLineFile(path)); }

void TStringList::SaveToFile(const std::string& path) const { SaveLineFile(path, lines_); }

void TStringList::Assign(std::vector<std::string> lines) {
  lines_ = std::move(lines);
  objects_.clear();
}

// ---------------------------------------------------------------------------

TStringListEX::TStringListEX() {
  duplicates_ = TDuplicates::dupAccept;
  caseSensitive_ = true;
  sorted_ = false;
}

int TStringListEX::AddObject(const std::string& line, void* object) {
  if (sorted_) {
    int index;
    if (Find(line, index) && duplicates_ != TDuplicates::dupAccept) return -1;
    InsertItem(index, line, object);
    return index;
  }
  InsertItem(Count(), line, object);
  return Count() - 1;
}

bool TStringListEX::Find(std::string_view line, int& index) const { return TStringList::Find(line, index); }

void TStringListEX::LoadFromFileEX(const std::string& path, int32_t requestedEncoding) {
  if (!FileExistsCI(path)) return;
  LoadFromStreamEX(ReadWholeFile(path), requestedEncoding);
}

void TStringListEX::LoadFromStreamEX(std::string_view bytes, int32_t requestedEncoding) {
  std::string b(bytes);
  if (StartsWith(b, "\xFF\xFE")) {
    WriteBOM = true;
    Encoding = kEncUtf16LE;
    b = WideToUtf8(UnitsFromBytes(std::string_view(b).substr(2), false), false);
  }
  if (StartsWith(b, "\xFE\xFF")) {
    WriteBOM = true;
    Encoding = kEncUtf16BE;
    b = WideToUtf8(UnitsFromBytes(std::string_view(b).substr(2), true), false);
  }
  if (requestedEncoding == kEncUtf8 && (b.empty() || !IsValidUtf8(b))) {
    // Text in the 8-bit code page: byte per character into UTF-8.
    std::u16string u;
    DecodeToUtf16(b, u);
    b = EncodeUnitsUtf8(u);
  }
  if (StartsWith(b, "\xEF\xBB\xBF")) b.erase(0, 3);
  SetText(b);
}

std::string TStringListEX::SaveToStreamEX(bool writeMark) {
  std::string t = Text();
  if (writeMark) WriteBOM = true;
  if (!WriteBOM) return t;
  switch (Encoding) {
    case kEncUtf8:
      if (!t.empty() && IsValidUtf8(t)) return "\xEF\xBB\xBF" + t;
      return t;
    case kEncUtf16LE:
      return "\xFF\xFE" + BytesFromUnits(Utf8ToWide(t, false), false);
    case kEncUtf16BE:
      return "\xFE\xFF" + BytesFromUnits(Utf8ToWide(t, false), true);
    default:
      return t;
  }
}

void TStringListEX::SaveToFileEX(const std::string& path, bool writeMark) {
  ForceFileDir(path);
  std::string data = SaveToStreamEX(writeMark);
  WriteWholeFile(path, data);
}
