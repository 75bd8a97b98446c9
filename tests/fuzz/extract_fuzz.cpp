// The extraction loop on random data with random small patterns (bounded
// size), against the loop of the rules written out with one walking matcher
// whose pattern is set anew for every search, a linear choice of the
// earliest pending match, and fresh matchers for the left and right parts;
// then the removal of repeated lines against its pairwise loop.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/errors.h"
#include "common/strutil.h"
#include "extractor/convert.h"
#include "extractor/extract.h"
#include "extractor/params.h"
#include "extractor/perlregex.h"
#include "extractor/script.h"
#include "tests/extractor/recording_reporter.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

TExtraction RefExtract(const std::string& data, std::vector<TScript> scripts, const TParametrs& p,
                       bool& threwOutside) {
  TExtraction ex;
  threwOutside = false;
  TPerlRegEx walk;
  walk.SetOptions(preUnGreedy | (p.single_line ? 0u : static_cast<TPerlRegExOptions>(preMultiLine | preSingleLine)));
  walk.SetSearchText(data);
  int64_t position = 1;
  auto searchEntry = [&](TScript& e) {
    walk.SetSearchStart(position);
    walk.SetRegEx(e.left_re + ".*" + e.right_re);
    if (walk.MatchNext()) {
      e.found_pos = walk.MatchOffset(0);
      e.found_len = walk.MatchLength(0);
    } else {
      e.active = false;
    }
  };
  try {
    for (TScript& e : scripts) {
      e.active = true;
      searchEntry(e);
    }
  } catch (const EError&) {
    threwOutside = true;
    return ex;
  }
  try {
    for (;;) {
      int chosen = -1;
      for (size_t i = 0; i < scripts.size(); ++i)
        if (scripts[i].active && (chosen < 0 || scripts[i].found_pos < scripts[static_cast<size_t>(chosen)].found_pos))
          chosen = static_cast<int>(i);
      if (chosen < 0) break;
      TScript& e = scripts[static_cast<size_t>(chosen)];
      if (e.found_pos >= position) {
        const std::string m = data.substr(static_cast<size_t>(e.found_pos - 1), static_cast<size_t>(e.found_len));
        TPerlRegEx L, R;
        L.SetOptions(preMultiLine | preSingleLine | preUnGreedy);
        R.SetOptions(preMultiLine | preSingleLine | preUnGreedy);
        L.SetSearchText(m);
        R.SetSearchText(m);
        L.SetRegEx(e.left_re);
        R.SetRegEx(e.right_re);
        std::string left = L.MatchFirst() ? L.MatchText(0) : "";
        std::string right = R.MatchFirst() ? R.MatchText(0) : "";
        const int64_t lm = static_cast<int64_t>(m.size());
        int64_t a = 1;
        if (p.b) {
          L.SetSearchStart(static_cast<int64_t>(left.size()) + 1);
          L.SetSearchStop(lm - static_cast<int64_t>(right.size()));
          while (L.MatchNext()) {
            a = L.MatchOffset(0);
            left = L.MatchText(0);
            L.SetSearchStart(a + static_cast<int64_t>(left.size()));
            L.SetSearchStop(lm - static_cast<int64_t>(right.size()));
          }
        }
        std::string text = Copy(m, a + static_cast<int64_t>(left.size()),
                                lm - a - static_cast<int64_t>(left.size()) - static_cast<int64_t>(right.size()) + 1);
        if (!text.empty() || p.ee) {
          for (int64_t k = e.coord_left; k < 0 && !left.empty(); ++k) {
            text.insert(text.begin(), left.back());
            left.pop_back();
          }
          for (int64_t k = e.coord_left; k > 0 && !text.empty(); --k) {
            left.push_back(text.front());
            text.erase(text.begin());
          }
          if (e.coord_right < 0) {
            for (int64_t k = e.coord_right; k < 0 && !text.empty(); ++k) {
              right.insert(right.begin(), text.back());
              text.pop_back();
            }
          } else if (e.coord_right > 0) {
            const int64_t move = static_cast<int64_t>(right.size()) >= e.coord_right
                                     ? e.coord_right
                                     : (right.size() > 2 ? static_cast<int64_t>(right.size()) - 2 : 0);
            text += right.substr(0, static_cast<size_t>(move));
            right.erase(0, static_cast<size_t>(move));
          }
          TInfoLINE item;
          item.script_index = chosen;
          item.left_text = left;
          item.right_text = right;
          item.left_re = e.left_re;
          item.right_re = e.right_re;
          ex.items.push_back(item);
          ex.lines.push_back(e.prefix + ExportText(text, e.adv_keys, p) + e.suffix);
          ex.raw_lines.push_back(e.prefix + text + e.suffix);
        }
        position = e.found_pos + a - 1 + static_cast<int64_t>(left.size());
        if (!p.ft) position += static_cast<int64_t>(text.size());
        if (p.ff) position += static_cast<int64_t>(right.size());
        if (position <= e.found_pos) position = e.found_pos + 1;  // a step always moves on
      }
      searchEntry(e);
    }
  } catch (const EError&) {
    // The loop ends; the lines found so far are kept.
  }
  return ex;
}

// Pairwise removal of repeated lines, then of every empty line.
void RefRemoveDuplicates(TExtraction& ex) {
  for (size_t i = 0; i + 1 < ex.lines.size(); ++i) {
    if (ex.lines[i].empty()) continue;
    for (size_t j = i + 1; j < ex.lines.size(); ++j)
      if (ex.lines[j] == ex.lines[i]) ex.lines[j].clear();
  }
  for (size_t i = 0; i < ex.lines.size();) {
    if (ex.lines[i].empty()) {
      ex.lines.erase(ex.lines.begin() + static_cast<long>(i));
      ex.items.erase(ex.items.begin() + static_cast<long>(i));
      ex.raw_lines.erase(ex.raw_lines.begin() + static_cast<long>(i));
    } else {
      ++i;
    }
  }
}

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
  p.operation = "extract";
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
