// The extraction loop of the rules written out plainly, as the reference
// for the tests and the fuzz target: a walking matcher compiled anew for
// every search, a linear choice of the earliest pending match, fresh
// matchers for the left and right parts, and the pairwise removal of
// repeated lines.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "common/errors.h"
#include "common/classic_string.h"
#include "extractor/convert.h"
#include "extractor/extract.h"
#include "extractor/params.h"
#include "extractor/perlregex.h"
#include "extractor/script.h"

// threwOutside: an entry's combined pattern did not compile before the loop
// (the loop itself ends at an error and keeps what it found).
inline TExtraction RefExtract(const std::string& data, std::vector<TScript> scripts, const TParametrs& p,
                              bool& threwOutside) {
  TExtraction ex;
  threwOutside = false;
  const TPerlRegExOptions walkOptions =
      preUnGreedy | (p.single_line ? 0u : static_cast<TPerlRegExOptions>(preMultiLine | preSingleLine));
  const TPerlRegExOptions cutOptions = preMultiLine | preSingleLine | preUnGreedy;
  int64_t position = 1;
  auto searchEntry = [&](TScript& e) {
    TRegExMatch match;
    const TPerlRegEx walk(e.left_re + ".*" + e.right_re, walkOptions);
    e.active = position - 1 <= static_cast<int64_t>(data.size()) &&
               walk.Search(data, static_cast<size_t>(position - 1), match);
    if (e.active) {
      e.found_pos = static_cast<int64_t>(match.Span().begin) + 1;
      e.found_len = static_cast<int64_t>(match.Span().Length());
    }
  };
  try {
    for (TScript& e : scripts) searchEntry(e);
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
        TRegExMatch match;
        const TPerlRegEx L(e.left_re, cutOptions);
        std::string left = L.Search(m, 0, match) ? std::string(match.Text()) : "";
        const TPerlRegEx R(e.right_re, cutOptions);
        std::string right = R.Search(m, 0, match) ? std::string(match.Text()) : "";
        const int64_t lm = static_cast<int64_t>(m.size());
        int64_t a = 1;
        if (p.b) {
          // 1-based: the next search starts where the last left part ends and
          // sees the match only up to the right part.
          int64_t start = static_cast<int64_t>(left.size()) + 1;
          const std::string head = m.substr(0, m.size() - right.size());
          while (start - 1 <= static_cast<int64_t>(head.size()) &&
                 L.Search(head, static_cast<size_t>(start - 1), match)) {
            a = static_cast<int64_t>(match.Span().begin) + 1;
            left = std::string(match.Text());
            start = a + static_cast<int64_t>(left.size());
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
          if (p.bq_sys) ex.raw_lines.push_back(e.prefix + text + e.suffix);
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
inline void RefRemoveDuplicates(TExtraction& ex) {
  for (size_t i = 0; i + 1 < ex.lines.size(); ++i) {
    if (ex.lines[i].empty()) continue;
    for (size_t j = i + 1; j < ex.lines.size(); ++j)
      if (ex.lines[j] == ex.lines[i]) ex.lines[j].clear();
  }
  for (size_t i = 0; i < ex.lines.size();) {
    if (ex.lines[i].empty()) {
      ex.lines.erase(ex.lines.begin() + static_cast<long>(i));
      ex.items.erase(ex.items.begin() + static_cast<long>(i));
      if (i < ex.raw_lines.size()) ex.raw_lines.erase(ex.raw_lines.begin() + static_cast<long>(i));
    } else {
      ++i;
    }
  }
}
