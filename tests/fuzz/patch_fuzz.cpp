// Patch building: the pairing of new lines with old English lines
// (MatchOldLines: exact matches ignoring case, positions, similarity)
// against the literal loops of its two phases, and the marker-line helpers.
#include <cstdint>
#include <string>
#include <vector>

#include "common/collation.h"
#include "common/stringlist.h"
#include "optimizer/similar_lines.h"
#include "optimizer/linefile.h"
#include "optimizer/patch.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

using Lines = std::vector<std::string>;

int FirstIgnoringCase(const Lines& list, const std::string& s) {
  for (size_t k = 0; k < list.size(); ++k)
    if (CompareLines(list[k], s, false) == 0) return static_cast<int>(k);
  return -1;
}

std::vector<TLineMatch> RefMatch(const Lines& nl, const Lines& old) {
  std::vector<TLineMatch> t(nl.size());
  Lines work = old;
  for (size_t i = 0; i < nl.size(); ++i) {
    const int k = FirstIgnoringCase(work, nl[i]);
    t[i].Index = k;
    if (k >= 0) {
      work[static_cast<size_t>(k)].clear();
      continue;
    }
    if (i == 0) continue;
    long long index = static_cast<long long>(i);
    for (long long j = static_cast<long long>(i) - 1; j >= 0; --j)
      if (t[static_cast<size_t>(j)].Index != -1 && !t[static_cast<size_t>(j)].Modified) {
        index = t[static_cast<size_t>(j)].Index + (static_cast<long long>(i) - j);
        break;
      }
    if (index > static_cast<long long>(old.size()) - 1) index = -1;
    if (index != -1) {
      if (FirstIgnoringCase(nl, old[static_cast<size_t>(index)]) >= 0) index = -1;
      else t[i].Modified = true;
    }
    t[i].Index = static_cast<int32_t>(index);
  }
  TStringList oldList;
  oldList.Assign(old);
  for (size_t i = 0; i < nl.size(); ++i) {
    if (t[i].Index != -1 && !t[i].Modified) continue;
    const int b = FindSimilarLine(nl[i], oldList, 10, 50, true, false);
    if (b == -1) continue;
    t[i] = TLineMatch{b, false};
    for (size_t j = 0; j < nl.size(); ++j)
      if (j != i && t[j].Index == b && t[j].Modified) t[j] = TLineMatch{};
  }
  return t;
}

bool Same(const std::vector<TLineMatch>& a, const std::vector<TLineMatch>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].Index != b[i].Index || a[i].Modified != b[i].Modified) return false;
  return true;
}

const Lines kPieces = {"Hello ", "hello ", "world", "World", "line ", "one", "two", "", "x", "file\\a.txt",
                       "Ёлка", "ёлка", "!"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const Lines nl = in.PieceLines(kPieces, 14, 4);
  const Lines old = in.PieceLines(kPieces, 10, 4);
  const std::string all = FuzzJoin(nl) + "#" + FuzzJoin(old);
  const std::vector<TLineMatch> expect = RefMatch(nl, old);
  FUZZ_CHECK(Same(MatchOldLines(nl, old, 1), expect), all);
  FUZZ_CHECK(Same(MatchOldLines(nl, old, 2), expect), all);

  // Marker lines: a marker replaces a marker that ends the list; a marker at
  // the end is dropped.
  TStringList list;
  Lines ref;
  for (const std::string& r : nl) {
    AddMarkerLine(list, r);
    if (IsMarkerLine(r)) {
      if (!ref.empty() && IsMarkerLine(ref.back())) ref.back() = r;
      else ref.push_back(r);
    }
    if (in.Bool()) {  // an ordinary line in between
      list.Add("text");
      ref.push_back("text");
    }
  }
  FUZZ_CHECK(list.Lines() == ref, all);
  DropTrailingMarker(list);
  if (!ref.empty() && IsMarkerLine(ref.back())) ref.pop_back();
  FUZZ_CHECK(list.Lines() == ref, all);
  return 0;
}
