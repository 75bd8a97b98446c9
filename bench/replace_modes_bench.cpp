// Timings of the replacement engines of "-d" and "-rep_reg" against their
// plain loops, on the files that bench/run makes (script "<t>" / "</t>"):
//   replace_modes_bench d|rep_reg DATA TEXT TRANSLATION fast|literal|both
// TEXT is the extraction of DATA, TRANSLATION its translated lines. The keys
// are built as the replacement pass builds them for that script (the only
// escape in these files is a line break written "\n"). With "both" the
// results must be identical.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/benchutil.h"
#include "common/platform.h"
#include "common/stringlist.h"
#include "common/classic_string.h"
#include "extractor/regex_key_search.h"
#include "extractor/replace_all_keys.h"

namespace {

struct Outcome {
  std::string text;
  std::vector<bool> found;
  double seconds = 0;
};

Outcome RunD(const std::string& data, const std::vector<TReplaceItem>& items, bool fast) {
  Outcome o;
  o.text = data;
  double t0 = NowSeconds();
  o.found = fast ? ReplaceAllKeysFast(o.text, items) : ReplaceAllKeysLiteral(o.text, items);
  o.seconds = NowSeconds() - t0;
  return o;
}

Outcome RunRegex(const std::string& data, const std::vector<TRegexKeyItem>& items, bool fast) {
  Outcome o;
  o.text = data;
  o.found.assign(items.size(), false);
  auto report = [&](size_t i, bool found, const std::string&) { o.found[i] = found; };
  double t0 = NowSeconds();
  if (fast)
    ReplaceRegexKeysFast(o.text, items, report);
  else
    ReplaceRegexKeysLiteral(o.text, items, report);
  o.seconds = NowSeconds() - t0;
  return o;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: replace_modes_bench d|rep_reg DATA TEXT TRANSLATION fast|literal|both\n");
    return 2;
  }
  const std::string mode = argv[1], which = argv[5];
  const std::string data = ReadWholeFile(argv[2]).Str();
  const std::vector<std::string> lines = SplitLines(ReadWholeFile(argv[3]));
  const std::vector<std::string> tr = SplitLines(ReadWholeFile(argv[4]));
  if (lines.size() != tr.size()) {
    std::fprintf(stderr, "line counts differ\n");
    return 2;
  }
  auto raw = [](const std::string& s) { return "<t>" + ReplaceAll(s, "\\n", "\r\n"); };
  std::vector<Outcome> runs;
  std::vector<bool> forms;
  if (which != "literal") forms.push_back(true);
  if (which != "fast") forms.push_back(false);
  for (bool fast : forms) {
    if (mode == "d") {
      std::vector<TReplaceItem> items;
      for (size_t i = 0; i < lines.size(); ++i) {
        std::string key = raw(lines[i]);
        items.push_back({key + "</t>", key.size(), raw(tr[i])});
      }
      runs.push_back(RunD(data, items, fast));
    } else {
      std::vector<TRegexKeyItem> items;
      for (size_t i = 0; i < lines.size(); ++i) items.push_back({raw(lines[i]), "</t>", raw(tr[i])});
      runs.push_back(RunRegex(data, items, fast));
    }
    size_t hits = 0;
    for (bool b : runs.back().found) hits += b;
    std::printf("  %s: %8.3f s  (%zu of %zu lines found, result %zu bytes)\n", fast ? "fast" : "literal",
                runs.back().seconds, hits, lines.size(), runs.back().text.size());
    std::fflush(stdout);
  }
  if (runs.size() == 2) {
    const bool same = runs[0].text == runs[1].text && runs[0].found == runs[1].found;
    std::printf("  results %s\n", same ? "identical" : "DIFFERENT");
    if (!same) return 1;
  }
  return 0;
}
