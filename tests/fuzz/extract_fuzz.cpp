// The extraction loop on random data with random small patterns (bounded
// size), against the loop of the rules written out plainly; then the
// removal of repeated lines against its pairwise loop.
#include <cstdint>
#include <string>
#include <vector>

#include "common/errors.h"
#include "extractor/extract.h"
#include "extractor/params.h"
#include "extractor/script.h"
#include "tests/extractor/extract_reference.h"
#include "tests/extractor/recording_reporter.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

bool SameItems(const std::vector<TInfoLINE>& a, const std::vector<TInfoLINE>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].script_index != b[i].script_index || a[i].left_text != b[i].left_text ||
        a[i].right_text != b[i].right_text || a[i].left_re != b[i].left_re || a[i].right_re != b[i].right_re)
      return false;
  return true;
}

const std::vector<std::string> kPieces = {"a", "b", "#", "=", "\\[", "\\]", "[", "]", ".", "x*", "[ab]",
                                          "(", ")", "|", "?", "^", "$", "\\d", ".+", "(?=b)", "\\b", "\\n",
                                          "\r", "\n", " ", "\"", "\\", "{2}", "*", "+"};

std::string Pattern(FuzzInput& in) {
  if (in.Int(0, 7) == 0) return in.Str(8);  // raw bytes now and then
  std::string s;
  for (int n = in.Int(0, 4); n > 0; --n) s += kPieces[static_cast<size_t>(in.Int(0, static_cast<int>(kPieces.size()) - 1))];
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  TParametrs p;
  p.operation = "replace";  // its extraction keeps the items
  p.silent = true;  // no pause after a failed search
  const uint8_t f = in.Byte();
  p.b = f & 1;
  p.ee = f & 2;
  p.ft = f & 4;
  p.ff = f & 8;
  p.single_line = f & 16;
  p.hex_sys = f & 32;
  p.nr_bs = f & 64;
  p.d = f & 128;

  std::vector<TScript> scripts(static_cast<size_t>(in.Int(1, 4)));
  for (TScript& e : scripts) {
    e.left_re = Pattern(in);
    e.right_re = Pattern(in);
    e.coord_left = in.Int(-4, 4);
    e.coord_right = in.Int(-4, 6);
    if (in.Int(0, 3) == 0) e.prefix = "P:";
    if (in.Int(0, 3) == 0) e.suffix.assign(1, ';');  // assign: GCC 12 warns wrongly on = here
  }
  std::string text = in.Rest(1024);
  // Mostly bytes of the patterns' alphabet, so that matches are common.
  static const char kAlphabet[] = "ab#=[] \r\nx\"1";
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0xF0) c = kAlphabet[static_cast<unsigned char>(c) % (sizeof(kAlphabet) - 1)];

  bool refThrew = false;
  TExtraction ref = RefExtract(text, scripts, p, refThrew);
  bool threw = false;
  TExtraction ex;
  try {
    std::vector<TScript> work = scripts;
    TRecordingReporter reporter;
    ex = ExtractItems(text, work, p, reporter);
  } catch (const EError&) {
    threw = true;
  }
  FUZZ_CHECK(threw == refThrew, text);
  if (threw) return 0;
  FUZZ_CHECK(ex.lines == ref.lines, text + "|" + FuzzJoin(ex.lines) + "|" + FuzzJoin(ref.lines));
  FUZZ_CHECK(ex.raw_lines == ref.raw_lines, text);
  FUZZ_CHECK(SameItems(ex.items, ref.items), text);

  RemoveDuplicateLines(ex);
  RefRemoveDuplicates(ref);
  FUZZ_CHECK(ex.lines == ref.lines && ex.raw_lines == ref.raw_lines && SameItems(ex.items, ref.items), text);
  return 0;
}
