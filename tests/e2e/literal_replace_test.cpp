// korvane replace against a literal reading of its search modes (default,
// "-b", "-d", and "-rep_reg" alone, with "-b" and with "-d"), on data built so that
// translations contain other lines' untranslated texts (whole or cut at the
// delimiters) and so create places that later lines then find: short
// alphabets, repeated strings, texts that hold other entries' places, an
// entry whose right part is empty.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "tests/e2e/e2e_support.h"

using namespace e2e;

namespace {

struct Place {
  std::string left, text, right;  // right: the right part that extraction cut
  std::string pattern_right;      // what the right pattern matches after the text ("-rep_reg")
};

struct Case {
  std::string data;
  std::vector<Place> places;  // in data order
};

// Delimiters of the script entries in the data, and the right part that
// extraction cuts: the last entry's right pattern is a look-ahead, so its
// right part is empty and its search text is the left part and the text
// alone (which also finds longer texts that begin with it).
struct Delim {
  std::string left, right, right_part;
};
const std::vector<Delim> kDelims = {{"[", "]", "]"}, {"<", ">", ">"}, {"{{", "}}", "}}"}, {"(", ")", ""}};
const std::vector<Entry> kEntries = {{"\\[", "\\]", 0, 0, "", "", ""},
                                     {"<", ">", 0, 0, "", "", ""},
                                     {"\\{\\{", "\\}\\}", 0, 0, "", "", ""},
                                     {"\\(", "(?=\\))", 0, 0, "", "", ""}};

Case MakeCase(std::mt19937& rng, size_t places, const std::string& alphabet) {
  Case c;
  std::vector<std::string> used;
  for (size_t i = 0; i < places; ++i) {
    c.data += RandomString(rng, "abx ", 0, 4);
    size_t d = rng() % kDelims.size();
    std::string s = !used.empty() && rng() % 3 == 0 ? used[rng() % used.size()] : RandomString(rng, alphabet, 1, 3);
    if (d == 2 && rng() % 3 == 0) {
      // a text of the {{ }} entry may hold [..] and <..>: extraction skips
      // those places inside, but a search from the start finds them
      const Delim& inner = kDelims[rng() % 2];
      s = RandomString(rng, alphabet, 0, 2) + inner.left + RandomString(rng, alphabet, 1, 2) + inner.right +
          RandomString(rng, alphabet, 0, 2);
    } else {
      used.push_back(s);  // (only texts without delimiters serve every entry)
    }
    c.data += kDelims[d].left + s + kDelims[d].right;
    c.places.push_back({kDelims[d].left, s, kDelims[d].right_part, kDelims[d].right});
  }
  c.data += RandomString(rng, "abx ", 0, 4);
  return c;
}

// A translation: random bytes with delimiters, often with another line's
// search text, whole, without its right part or without its left part.
std::string MakeTranslation(std::mt19937& rng, const std::vector<Place>& lines, const std::string& alphabet) {
  std::string t = RandomString(rng, alphabet + "x[]<>{}()", 0, 4);
  const Place& o = lines[rng() % lines.size()];
  switch (rng() % 5) {
    case 0:
      t += o.left + o.text + o.right;
      break;
    case 1:
      t += o.left + o.text;  // the place's own right part completes it
      break;
    case 2:
      t = o.text + o.right + t;  // the place's own left part completes it
      break;
    case 3:
      t += o.text;
      break;
    default:
      break;
  }
  if (rng() % 4 == 0) t += RandomString(rng, alphabet + "x[]<>{}()", 0, 3);
  return t;
}

enum class Mode { kDefault, kB, kD };

struct Stats {
  size_t inside_translation = 0;  // lines found in text that an earlier translation wrote
};

// The replacement done the slow literal way, one line after the other.
std::string Literal(const std::string& original, const std::vector<Place>& lines,
                    const std::vector<std::string>& tr, Mode mode, bool regex, Stats* stats) {
  std::string data = original;
  std::string out;
  size_t cursor = 0, start = 0;
  std::vector<std::pair<size_t, size_t>> written;  // [from, to) of translations in the default mode
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string key = lines[i].left + lines[i].text;
    const std::string repl = lines[i].left + tr[i];
    // the quoted key and the right pattern find the key before the
    // pattern's text; the length replaced is the key's either way
    const std::string search = key + (regex ? lines[i].pattern_right : lines[i].right);
    size_t p = data.find(search, mode == Mode::kB ? start : 0);
    if (p == std::string::npos) continue;  // unmatched: nothing changes
    if (mode == Mode::kD) {
      data = LitReplaceAll(data, key, repl);
    } else if (mode == Mode::kB) {
      out += data.substr(cursor, p - cursor) + repl;
      cursor = start = p + key.size();
    } else {
      for (const auto& w : written)
        if (p < w.second && p + search.size() > w.first) {
          ++stats->inside_translation;
          break;
        }
      data.replace(p, key.size(), repl);
      long delta = static_cast<long>(repl.size()) - static_cast<long>(key.size());
      for (auto& w : written) {
        if (w.first >= p + key.size()) w.first += delta;
        if (w.second >= p + key.size()) w.second += delta;
      }
      written.push_back({p + lines[i].left.size(), p + repl.size()});
    }
  }
  return mode == Mode::kB ? out + data.substr(cursor) : data;
}

void RunCases(Mode mode, int count, unsigned seed, bool regex = false) {
  Workspace ws;
  ws.Script(ScriptText(kEntries, false));
  std::vector<std::string> args;
  if (mode == Mode::kB) args.push_back("-b");
  if (mode == Mode::kD) args.push_back("-d");
  if (regex) args.push_back("-rep_reg");
  Stats stats;
  for (int n = 0; n < static_cast<int>(Scaled(count)); ++n) {
    std::mt19937 rng(seed + static_cast<unsigned>(n));
    std::string alphabet = n % 3 == 0 ? "abc" : "ab";
    size_t places = n % 10 == 9 ? 150 + rng() % 150 : 2 + rng() % 30;
    Case c = MakeCase(rng, places, alphabet);
    SCOPED_TRACE("case " + std::to_string(n) + ", data " + Show(c.data, 400));

    std::vector<Place> lines;
    std::set<std::string> seen;
    for (const Place& p : c.places)
      if (mode != Mode::kD || seen.insert(p.text).second) lines.push_back(p);
    std::vector<std::string> expectedText;
    for (const Place& p : lines) expectedText.push_back(p.text);
    WriteBytes(ws.F("d.bin"), c.data);
    // (with -d the extraction keeps the first place of each text)
    std::vector<std::string> e = {"extract", ws.F("d.bin"), ws.F("t.txt"), "-silent"};
    e.insert(e.end(), args.begin(), args.end());
    ToolResult r = ws.Korvane(e);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    ASSERT_EQ(ReadBytes(ws.F("t.txt")), CrLf(expectedText));

    std::vector<std::string> tr;
    for (size_t i = 0; i < lines.size(); ++i) tr.push_back(MakeTranslation(rng, c.places, alphabet));
    WriteBytes(ws.F("t.txt"), CrLf(tr));
    std::vector<std::string> a = {"replace", ws.F("d.bin"), ws.F("t.txt"), "-silent"};
    a.insert(a.end(), args.begin(), args.end());
    r = ws.Korvane(a);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    std::string expected = Literal(c.data, lines, tr, mode, regex, &stats);
    std::string actual = ReadBytes(ws.F("d.bin"));
    ASSERT_TRUE(actual == expected) << "translations:\n" << Show(CrLf(tr), 2000) << "\n"
                                    << DescribeDifference(expected, actual);
  }
  // the generator made the situation it is built for: lines found inside
  // an earlier translation
  if (mode == Mode::kDefault) {
    EXPECT_GT(stats.inside_translation, Scaled(20));
  }
}

TEST(LiteralReplace, DefaultModeSearchesTheChangedTextFromTheStart) { RunCases(Mode::kDefault, 120, 1000); }

TEST(LiteralReplace, OptionBSearchesOnwardFromTheLastPlace) { RunCases(Mode::kB, 40, 5000); }

TEST(LiteralReplace, OptionDReplacesEveryOccurrenceOfTheText) { RunCases(Mode::kD, 40, 9000); }

TEST(LiteralReplace, RegexSearchFromTheStart) { RunCases(Mode::kDefault, 40, 13000, true); }

TEST(LiteralReplace, RegexSearchOnwardWithB) { RunCases(Mode::kB, 30, 17000, true); }

TEST(LiteralReplace, RegexWithDReplacesEveryOccurrence) { RunCases(Mode::kD, 30, 21000, true); }

}  // namespace
