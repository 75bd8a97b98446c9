#include "extractor/extract.h"

#include <algorithm>
#include <memory>
#include <new>
#include <queue>
#include <stdexcept>
#include <unordered_set>

#include "common/errors.h"
#include "common/line_file.h"
#include "common/platform.h"
#include "common/stringlist.h"
#include "common/classic_string.h"
#include "extractor/convert.h"
#include "extractor/perlregex.h"
#include "extractor/regexsearch.h"

std::string SearchErrorWarning(std::string_view pattern, const std::string& errorText) {
  return "WARNING: search error in regex " + std::string(pattern) + " : " + errorText +
         " (taken as not found)";
}

namespace {

std::string CombinedPattern(const TScript& e) { return e.left_re + ".*" + e.right_re; }

// Reports a search that PCRE2 ended with an error (it counts as no match).
void WarnIfFailed(const TPerlRegEx& re, const TRegExMatch& match, TReporter& reporter) {
  if (match.Failed()) reporter.Line(SearchErrorWarning(re.Pattern(), match.ErrorText()));
}

// Moves the last n bytes of from (all of it when shorter) to the front of to.
void MoveTail(std::string& from, std::string& to, int64_t n) {
  const size_t cnt = static_cast<size_t>(std::min<int64_t>(n, static_cast<int64_t>(from.size())));
  to.insert(0, from, from.size() - cnt, cnt);
  from.erase(from.size() - cnt);
}

// Moves the first n bytes of from (all of it when shorter) to the end of to.
void MoveHead(std::string& from, std::string& to, int64_t n) {
  const size_t cnt = static_cast<size_t>(std::min<int64_t>(n, static_cast<int64_t>(from.size())));
  to.append(from, 0, cnt);
  from.erase(0, cnt);
}

}  // namespace

std::string PieceFileName(const std::string& dataPath, int k) {
  const std::string ext = ExtractFileExt(dataPath);
  return dataPath.substr(0, dataPath.size() - ext.size()) + "_" + std::to_string(k) + ext;
}

void SplitDataFile(std::string_view data, const std::string& path, std::string_view pattern,
                   TReporter& reporter) {
  const int64_t size = static_cast<int64_t>(data.size());
  int64_t pos = 0;
  int k = 0;
  while (pos < size) {
    ++k;
    const std::string piece = PieceFileName(path, k);
    if (FileExistsCI(piece)) {
      const long long have = FileSize(ResolveExistingCI(piece));
      // An existing piece is kept and skipped; an empty or unreadable one
      // would never move the position, so it is written anew.
      if (have > 0) {
        pos += have;
        continue;
      }
    }
    const int64_t windowStart = pos + kPieceSize;
    std::string_view window;
    if (windowStart < size)
      window = data.substr(static_cast<size_t>(windowStart),
                           static_cast<size_t>(std::min<int64_t>(kSplitWindow, size - windowStart)));
    TRegexHit hit;
    if (!window.empty()) hit = RegexSearch(pattern, window);
    if (!hit.error.empty()) reporter.Line(SearchErrorWarning(pattern, hit.error));
    int64_t end;
    if (hit.found) {
      end = std::min<int64_t>(windowStart + static_cast<int64_t>(hit.begin), size);
    } else if (static_cast<int64_t>(window.size()) == kSplitWindow) {
      throw AbortError();
    } else {
      end = size;
    }
    WriteWholeFile(piece, data.substr(static_cast<size_t>(pos), static_cast<size_t>(end - pos)));
    pos = end;
  }
}

bool LoadDataText(const TParametrs& p, const std::vector<TScript>& scripts, TDataText& data,
                  TReporter& reporter) {
  data = TDataText{};
  if (p.utf16) {
    data.text = TByteBuffer(DecodeDataFile(ReadWholeFile(p.file_data), data.encoding));
  } else {
    // Opened for reading only: the data file is written only through the
    // temporary file at the end of a replacement.
    const long long size = FileSize(ResolveExistingCI(p.file_data));
    if (size > kSplitThreshold && !scripts.empty()) {
      reporter.Line("Splite file!!!");
      data.text = ReadWholeFile(p.file_data);
      SplitDataFile(data.text, p.file_data, CombinedPattern(scripts[0]), reporter);
      reporter.Line("Warning loading!!!");
      if (!reporter.Ask("Continue?")) return false;
    } else {
      data.text = ReadWholeFile(p.file_data);
    }
    if (static_cast<long long>(data.text.size()) < size) reporter.Line("Warning loading file not full!!!");
  }
  if (p.add_final_enter) {
    if (data.text.empty() || (data.text.back() != '\r' && data.text.back() != '\n')) data.text.Append("\r\n");
  }
  return true;
}

namespace {

// The line as written: prefix, text, suffix (the text moved in when both
// are empty, as they mostly are).
std::string Framed(const std::string& prefix, std::string text, const std::string& suffix) {
  if (prefix.empty() && suffix.empty()) return text;
  std::string line;
  line.reserve(prefix.size() + text.size() + suffix.size());
  line.append(prefix).append(text).append(suffix);
  return line;
}

}  // namespace

TExtraction ExtractItems(std::string_view data, std::vector<TScript>& scripts, const TParametrs& p,
                         TReporter& reporter, const TExtractionSink& sink) {
  TExtraction ex;
  size_t handed = 0;  // lines given to the sink
  const size_t n = scripts.size();
  // One compiled matcher per entry for the walk, and one each for its left
  // and right pattern, so entries never recompile when they take turns. The
  // part patterns are compiled at their first use, inside the loop, whose
  // report names the one that does not compile.
  std::vector<std::unique_ptr<TPerlRegEx>> walk(n), leftRe(n), rightRe(n);
  TRegExMatch walkMatch, cutMatch;
  const TPerlRegExOptions walkOptions =
      preUnGreedy | (p.single_line ? 0u : static_cast<TPerlRegExOptions>(preMultiLine | preSingleLine));
  const TPerlRegExOptions cutOptions = preMultiLine | preSingleLine | preUnGreedy;

  // Only the replacement reads the items, and only with "-bq_sys" the raw
  // texts.
  const bool keepItems = !IsExtract(p);
  const bool keepRaw = p.bq_sys;
  int64_t position = 1;
  using TPending = std::pair<int64_t, size_t>;  // found_pos, entry index: lower wins ties
  std::priority_queue<TPending, std::vector<TPending>, std::greater<TPending>> pending;

  // The three lines of the report, then the cause (a pattern error), so
  // that the user sees which pattern to mend; the lines found so far stay.
  auto stopSearch = [&](const std::string& cause) {
    reporter.Line("ERROR Loop or Memory File");
    reporter.Line("Element Find = " + std::to_string(handed + ex.lines.size()));
    reporter.Line("Position finaly = " + std::to_string(position));
    reporter.Line(cause);
    ex.complete = false;
    if (!p.silent) reporter.Pause();
  };

  // The first match of a part pattern inside a match; a part whose pattern
  // finds nothing there is empty.
  auto cutPart = [&](std::unique_ptr<TPerlRegEx>& re, const std::string& pattern, std::string_view m) {
    if (!re) re = std::make_unique<TPerlRegEx>(pattern, cutOptions);
    if (re->Search(m, 0, cutMatch)) return std::string(cutMatch.Text());
    WarnIfFailed(*re, cutMatch, reporter);
    return std::string();
  };

  auto search = [&](size_t i) {
    TScript& e = scripts[i];
    const TPerlRegEx& re = *walk[i];
    if (re.Search(data, static_cast<size_t>(position - 1), walkMatch)) {
      const TMatchSpan found = walkMatch.Span();
      e.found_pos = static_cast<int64_t>(found.begin) + 1;
      e.found_len = static_cast<int64_t>(found.Length());
      pending.push({e.found_pos, i});
    } else {
      WarnIfFailed(re, walkMatch, reporter);
      e.active = false;
    }
  };

  for (size_t i = 0; i < n; ++i) {
    // An invalid combined pattern raises here, outside the catch.
    walk[i] = std::make_unique<TPerlRegEx>(CombinedPattern(scripts[i]), walkOptions);
    scripts[i].active = true;
    search(i);
  }

  try {
    while (!pending.empty()) {
      const size_t idx = pending.top().second;
      pending.pop();
      TScript& e = scripts[idx];
      if (e.found_pos >= position) {
        const std::string_view m =
            data.substr(static_cast<size_t>(e.found_pos - 1), static_cast<size_t>(e.found_len));
        std::string left = cutPart(leftRe[idx], e.left_re, m);
        std::string right = cutPart(rightRe[idx], e.right_re, m);
        const TPerlRegEx& L = *leftRe[idx];
        const int64_t mlen = static_cast<int64_t>(m.size());
        int64_t a = 1;
        if (p.b) {
          // The last occurrence of the left pattern that ends before the right part.
          const std::string_view beforeRight = m.substr(0, m.size() - right.size());
          size_t from = left.size();
          while (L.Search(beforeRight, from, cutMatch)) {
            const TMatchSpan found = cutMatch.Span();
            a = static_cast<int64_t>(found.begin) + 1;
            left = cutMatch.Text();
            from = found.end;
          }
          WarnIfFailed(L, cutMatch, reporter);
        }
        const int64_t llen = static_cast<int64_t>(left.size());
        std::string text = Copy(m, a + llen, mlen - a - llen - static_cast<int64_t>(right.size()) + 1);

        const bool keep = !text.empty() || p.ee;
        if (keep) {
          // Left coordinate: negative moves the end of the left part into
          // the text, positive the start of the text into the left part.
          const int64_t kl = e.coord_left;
          if (kl < 0) {
            MoveTail(left, text, -kl);
          } else if (kl > 0) {
            MoveHead(text, left, kl);
          }
          // Right coordinate: negative moves the end of the text into the
          // right part, positive the start of the right part into the text
          // (all but its last two bytes when the right part is shorter).
          const int64_t kr = e.coord_right;
          if (kr < 0) {
            MoveTail(text, right, -kr);
          } else if (kr > 0) {
            int64_t cnt = 0;
            if (static_cast<int64_t>(right.size()) >= kr) {
              cnt = kr;
            } else if (right.size() > 2) {
              cnt = static_cast<int64_t>(right.size()) - 2;
            }
            MoveHead(right, text, cnt);
          }
        }
        // The parts move into the item below: their lengths are kept here.
        const int64_t leftLen = static_cast<int64_t>(left.size());
        const int64_t textLen = static_cast<int64_t>(text.size());
        const int64_t rightLen = static_cast<int64_t>(right.size());
        if (keep) {
          if (keepItems) {
            TInfoLINE item;
            item.script_index = static_cast<int32_t>(idx);
            item.left_text = std::move(left);
            item.right_text = std::move(right);
            item.left_re = e.left_re;
            item.right_re = e.right_re;
            ex.items.push_back(std::move(item));
          }
          ex.lines.push_back(Framed(e.prefix, ExportText(text, e.adv_keys, p), e.suffix));
          if (keepRaw) ex.raw_lines.push_back(Framed(e.prefix, std::move(text), e.suffix));
          if (sink && ex.lines.size() == kSinkBatch) {
            handed += ex.lines.size();
            sink(std::move(ex));
            ex = TExtraction{};
          }
        }

        position = e.found_pos + a - 1 + leftLen;
        if (!p.ft) position += textLen;
        if (p.ff) position += rightLen;
        // A step must move past the match start, or the same match would
        // be found again and again.
        if (position <= e.found_pos) position = e.found_pos + 1;
      }
      search(idx);
    }
  } catch (const EError& e) {
    stopSearch(e.what());
  } catch (const std::bad_alloc&) {
    stopSearch("Out of memory");
  }
  // A failure between the appends leaves the sequences of different
  // lengths: keep them parallel.
  const size_t count = std::min(
      {ex.lines.size(), keepItems ? ex.items.size() : SIZE_MAX, keepRaw ? ex.raw_lines.size() : SIZE_MAX});
  ex.lines.resize(count);
  if (keepItems) ex.items.resize(count);
  if (keepRaw) ex.raw_lines.resize(count);
  if (sink) {
    const bool complete = ex.complete;
    if (!ex.lines.empty()) sink(std::move(ex));
    ex = TExtraction{};
    ex.complete = complete;
  }
  return ex;
}

void DeleteEmptyLines(TExtraction& ex) {
  size_t out = 0;
  for (size_t i = 0; i < ex.lines.size(); ++i) {
    if (ex.lines[i].empty()) continue;
    if (out != i) {
      ex.lines[out] = std::move(ex.lines[i]);
      if (i < ex.items.size()) ex.items[out] = std::move(ex.items[i]);
      if (i < ex.raw_lines.size()) ex.raw_lines[out] = std::move(ex.raw_lines[i]);
    }
    ++out;
  }
  ex.lines.resize(out);
  if (ex.items.size() > out) ex.items.resize(out);
  if (ex.raw_lines.size() > out) ex.raw_lines.resize(out);
}

void RemoveDuplicateLines(TExtraction& ex) {
  // A line equal (byte for byte) to an earlier one is emptied: the same
  // result as comparing each line with every later one, in linear time.
  std::unordered_set<std::string_view> seen;
  seen.reserve(ex.lines.size() * 2);
  std::vector<size_t> repeated;
  for (size_t i = 0; i < ex.lines.size(); ++i) {
    if (ex.lines[i].empty()) continue;
    if (!seen.insert(ex.lines[i]).second) repeated.push_back(i);
  }
  seen.clear();
  for (size_t i : repeated) ex.lines[i].clear();
  DeleteEmptyLines(ex);
}

void RemoveTrashLines(TExtraction& ex, const TParametrs& p, TReporter& reporter) {
  for (const std::string& trash : ReadLineFile(p.trash.file)) {
    if (trash.empty()) continue;  // an empty trash line matches nothing
    if (ex.lines.empty()) continue;  // nothing to match: the pattern is not compiled
    // One compiled matcher per trash line, reused over every line.
    const TPerlRegEx re(trash, preMultiLine | preSingleLine | preUnGreedy);
    TRegExMatch match;
    for (std::string& line : ex.lines) {
      if (line.empty()) continue;  // an empty text cannot hold a non-empty match
      if (re.Search(line, 0, match)) {
        line.clear();
      } else {
        WarnIfFailed(re, match, reporter);
      }
    }
  }
  DeleteEmptyLines(ex);
}

void WriteTextFile(const TExtraction& ex, const TParametrs& p, TReporter& reporter) {
  if (!ex.lines.empty()) {
    ForceFileDir(p.file_txt);
    SaveLineFile(p.file_txt, ex.lines);
  }
  if (!p.silent) reporter.Line("Done: " + p.file_txt);
}
