// The translation cycle: korvane extract, velloran -o, a translation that
// makes some lines longer and others shorter with their escapes intact,
// velloran -r, korvane replace. The replaced data file must give, extracted
// afresh, exactly the recovered file, and differ from the original only
// inside the strings, every one of which now holds its translation.
#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "tests/e2e/e2e_data.h"

using namespace e2e;

namespace {

struct CycleCase {
  std::string name;
  std::vector<std::string> kargs;  // korvane options (extract and replace)
  std::vector<std::string> oargs;  // velloran options of -o only
  std::vector<std::string> vargs;  // velloran comparison options of -o and -r
  std::vector<Shape> shapes;
  GenOptions gen;
  Encoding enc;
  size_t chain = 0;  // strings of a #a#b#...# chain at the end
  size_t huge = 0;   // strings of tens of kilobytes at the end
  bool out_data = false;
  bool prefix_free = false;  // no string starts with another of its entry ("-d" replaces every occurrence)
  unsigned seed = 1;
};

std::vector<CycleCase> Cases() {
  std::vector<CycleCase> c;
  auto add = [&](std::string name, std::vector<std::string> kargs, std::vector<Shape> shapes, Features f,
                 size_t slots = 400) -> CycleCase& {
    CycleCase k;
    k.name = std::move(name);
    k.kargs = std::move(kargs);
    k.shapes = std::move(shapes);
    k.gen.features = f;
    k.gen.slots = slots;
    k.seed = static_cast<unsigned>(c.size() * 104729 + 3);
    c.push_back(k);
    return c.back();
  };
  Features f;
  f.controls = true;
  f.high_bytes = true;
  {
    // a data file of about three megabytes with twenty thousand strings
    CycleCase& k = add("LargeDefault", {}, {Shape::kBracket, Shape::kTag, Shape::kCoord, Shape::kPrefixed}, f,
                       Scaled(20000));
    k.gen.noise_max = 220;
    k.gen.repeat_pct = 35;
    k.huge = 4;
  }
  add("HexSys", {"-hex_sys"}, {Shape::kBracket, Shape::kCoord}, f).gen.features.nul = true;
  add("OldBreakEscapes", {"-r_da_old"}, {Shape::kBracket, Shape::kTag}, f);
  add("RawTabs", {"-nr_t"}, {Shape::kBracket, Shape::kPrefixed}, f);
  add("RawBorderSpaces", {"-nr_bs"}, {Shape::kBracket, Shape::kTag}, f);
  add("PlainBreakImport", {"-not_ekrane"}, {Shape::kBracket, Shape::kTag}, f);
  add("BorderQuotes", {"-border_quot"}, {Shape::kBracket, Shape::kTag, Shape::kPrefixed}, f);
  add("SystemQuotes", {"-bq_sys"}, {Shape::kQuoted, Shape::kBracket}, f);
  add("AdvancedKeys", {"-adv_values_script"},
      {Shape::kBracket, Shape::kLiteralBreaks, Shape::kRawTabs, Shape::kLiteralLf, Shape::kLiteralCr, Shape::kPairKey}, f);
  add("NestedLeftWithB", {"-b"}, {Shape::kBracket, Shape::kNested, Shape::kTag}, f, Scaled(3000));
  add("RegexSearch", {"-rep_reg"}, {Shape::kBracket, Shape::kTag}, f);
  add("FromTheText", {"-ft"}, {Shape::kBracket, Shape::kTag}, f).chain = 7;
  add("AfterTheRight", {"-ff"}, {Shape::kBracket, Shape::kPrefixed}, f).chain = 9;
  {
    CycleCase& k = add("DeleteDoubles", {"-d"}, {Shape::kBracket, Shape::kPrefixed}, f);
    k.gen.repeat_pct = 60;
    k.prefix_free = true;
  }
  add("Mixed", {"-hex_sys", "-r_da_old", "-b", "-nr_bs"}, {Shape::kBracket, Shape::kCoord, Shape::kTag}, f);
  add("SortedOptimize", {}, {Shape::kBracket, Shape::kTag}, f).oargs = {"-sort"};
  {
    CycleCase& k = add("VelloranIgnoresBreaks", {}, {Shape::kBracket, Shape::kTag}, f);
    k.vargs = {"-rn"};
    k.gen.variant = GenOptions::Variant::kNoBreaks;
    k.gen.repeat_pct = 40;
    k.gen.variant_pct = 80;
  }
  {
    CycleCase& k = add("VelloranIgnoresOldBreaks", {"-r_da_old"}, {Shape::kBracket, Shape::kCoord}, f);
    k.vargs = {"-rno"};
    k.gen.variant = GenOptions::Variant::kNoBreaks;
    k.gen.repeat_pct = 40;
    k.gen.variant_pct = 80;
  }
  {
    CycleCase& k = add("VelloranIgnoresApostrophes", {}, {Shape::kBracket, Shape::kPrefixed}, f);
    k.vargs = {"-is"};
    k.gen.variant = GenOptions::Variant::kNoApostrophes;
    k.gen.repeat_pct = 40;
    k.gen.variant_pct = 80;
  }
  {
    // raw border blanks in the lines, trimmed for comparison and put back
    CycleCase& k = add("VelloranTrimsBorders", {"-nr_bs", "-nr_t"}, {Shape::kBracket, Shape::kTag}, f);
    k.vargs = {"-dbs"};
    k.gen.variant = GenOptions::Variant::kBorderSpaces;
    k.gen.repeat_pct = 40;
    k.gen.variant_pct = 80;
  }
  add("OutData", {}, {Shape::kBracket, Shape::kCoord}, f).out_data = true;
  Features u;
  {
    CycleCase& k = add("Utf16LittleEndian", {"-utf16"}, {Shape::kBracket, Shape::kPrefixed}, u, Scaled(3000));
    k.gen.unicode = true;
    k.enc = {true, false, "\xFF\xFE", ""};
  }
  {
    CycleCase& k = add("Utf16BigEndianHexSys", {"-utf16", "-hex_sys"}, {Shape::kBracket, Shape::kTag}, u);
    k.gen.unicode = true;
    k.gen.features.controls = true;
    k.gen.features.nul = true;
    k.enc = {true, true, "\xFE\xFF", ""};
  }
  {
    CycleCase& k = add("Utf16BigEndianB", {"-utf16", "-b"}, {Shape::kBracket, Shape::kNested}, u);
    k.gen.unicode = true;
    k.enc = {true, true, "\xFE\xFF", ""};
  }
  return c;
}

// No string of an entry is the start of another string of the same entry.
bool PrefixFree(const Data& d) {
  for (size_t i = 0; i < d.slots.size(); ++i)
    for (size_t j = 0; j < d.slots.size(); ++j) {
      const Slot &a = d.slots[i], &b = d.slots[j];
      if (a.entry == b.entry && a.raw != b.raw && b.raw.compare(0, a.raw.size(), a.raw) == 0) return false;
    }
  return true;
}

// velloran's border trim of "-dbs": blanks and tabs, then their escapes,
// each loop once.
std::string TrimBorder(std::string s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.erase(0, 1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.pop_back();
  while (s.size() >= 4 && (s.compare(0, 4, "\\x20") == 0 || s.compare(0, 4, "\\x09") == 0)) s.erase(0, 4);
  while (s.size() >= 4 && (s.compare(s.size() - 4, 4, "\\x20") == 0 || s.compare(s.size() - 4, 4, "\\x09") == 0))
    s.erase(s.size() - 4);
  return s;
}

// The comparison key of velloran's -o and -r under the options.
std::string KeyOf(const std::string& line, const std::vector<std::string>& v) {
  std::string k = line;
  if (Has(v, "-dbs")) k = TrimBorder(k);
  if (Has(v, "-rn") || Has(v, "-rno")) {
    k = LitReplaceAll(LitReplaceAll(k, "\\r", ""), "\\n", "");
    if (Has(v, "-rno")) k = LitReplaceAll(LitReplaceAll(k, "\\d", ""), "\\a", "");
  }
  if (Has(v, "-is")) k = LitReplaceAll(k, "'", "");
  return k;
}

// The source's border blanks and tabs around a translation ("-r -dbs").
std::string RestoreBorder(const std::string& source, const std::string& t) {
  size_t a = 0;
  while (a < source.size() && (source[a] == ' ' || source[a] == '\t')) ++a;
  size_t b = source.size();
  while (b > a && (source[b - 1] == ' ' || source[b - 1] == '\t')) --b;
  return source.substr(0, a) + t + source.substr(b);
}

// The first line of each group of equal keys, in file order.
std::vector<std::string> Unique(const std::vector<std::string>& lines, const std::vector<std::string>& v = {}) {
  std::vector<std::string> out;
  std::set<std::string> seen;
  for (const std::string& l : lines)
    if (seen.insert(KeyOf(l, v)).second) out.push_back(Has(v, "-dbs") ? TrimBorder(l) : l);
  return out;
}

void PrintTo(const CycleCase& c, std::ostream* os) { *os << c.name; }

class Cycle : public testing::TestWithParam<CycleCase> {};

TEST_P(Cycle, FreshExtractionEqualsTheRecoveredFile) {
  const CycleCase& c = GetParam();
  std::mt19937 rng(c.seed);
  Layout layout = MakeLayout(c.shapes);
  std::vector<Entry> entries = layout.entries;
  Data data;
  for (int attempt = 0;; ++attempt) {
    data = Generate(rng, layout, c.gen);
    if (!c.prefix_free || PrefixFree(data)) break;
    ASSERT_LT(attempt, 50) << "no prefix-free data";
  }
  for (size_t i = 0; i < c.huge; ++i) {
    Features hf = c.gen.features;
    hf.min_words = hf.max_words = 6000 + 3000 * i;
    data.Fixed(Noise(rng, 1, 30) + "[");
    data.Put(GenString(rng, hf), layout.entry_of[0]);
    data.Fixed("]");
  }
  if (c.chain > 0) {
    entries.push_back(ChainEntry());
    std::vector<std::string> taken;
    Features cf = c.gen.features;
    data.Fixed(Noise(rng, 1, 30));
    AppendChain(rng, data, static_cast<int>(entries.size() - 1), c.chain,
                Has(c.kargs, "-ff") && !Has(c.kargs, "-ft"), cf, &taken);
    data.Fixed(Noise(rng, 0, 30));
  }
  const std::string original = FileBytes(data.Text(), c.enc);

  Workspace ws;
  ws.Script(ScriptText(entries, Has(c.kargs, "-adv_values_script")));
  const std::string game = ws.F("game.dat"), src = ws.F("game.txt"), en = ws.F("2Optimize_EN/game.txt"),
                    ru = ws.F("3Optimize_RU/game.txt"), rec = ws.F("4Recover_RU/game.txt"),
                    out = ws.F("out/game.dat"), fresh = ws.F("fresh.txt");
  WriteBytes(game, original);

  // extract: the strings the generator put in, in data order
  ASSERT_TRUE(ws.KorvaneOk("extract", game, src, c.kargs));
  std::vector<std::string> srcLines = SplitCrLf(ReadBytes(src));
  ASSERT_EQ(ReadBytes(src), CrLf(ExpectedLines(data, entries, c.kargs)));

  // -o: each string once
  std::vector<std::string> o = {"-o", src, en};
  o.insert(o.end(), c.oargs.begin(), c.oargs.end());
  o.insert(o.end(), c.vargs.begin(), c.vargs.end());
  ASSERT_TRUE(ws.VelloranOk(o));
  std::vector<std::string> enLines = SplitCrLf(ReadBytes(en));
  std::vector<std::string> unique = Unique(srcLines, c.vargs);
  if (!c.vargs.empty()) {  // the data holds lines that differ only in what the options ignore
    EXPECT_LT(unique.size() + 15, Unique(srcLines).size());
  }
  if (Has(c.oargs, "-sort")) {
    ASSERT_EQ(std::set<std::string>(enLines.begin(), enLines.end()), std::set<std::string>(unique.begin(), unique.end()));
    ASSERT_EQ(enLines.size(), unique.size());
  } else {
    ASSERT_EQ(enLines, unique);
  }

  // the translator's file, line for line
  std::map<std::string, std::string> tr = TranslateAll(enLines, entries, c.seed + 1);
  std::vector<std::string> ruLines;
  size_t longer = 0, shorter = 0;
  for (const std::string& l : enLines) {
    ruLines.push_back(tr[l]);
    (tr[l].size() > l.size() ? longer : shorter) += tr[l].size() != l.size();
  }
  EXPECT_GT(longer, 0u);
  EXPECT_GT(shorter, 0u);
  WriteBytes(ru, CrLf(ruLines));

  // -r: every place of the source gets its translation
  std::vector<std::string> r = {"-r", src, en, ru, rec};
  r.insert(r.end(), c.vargs.begin(), c.vargs.end());
  ASSERT_TRUE(ws.VelloranOk(r));
  std::map<std::string, std::string> byKey;
  for (const std::string& l : enLines) byKey[KeyOf(l, c.vargs)] = tr[l];
  std::vector<std::string> expectedRec;
  for (const std::string& l : srcLines) {
    const std::string& t = byKey[KeyOf(l, c.vargs)];
    expectedRec.push_back(Has(c.vargs, "-dbs") ? RestoreBorder(l, t) : t);
  }
  std::vector<std::string> recLines = SplitCrLf(ReadBytes(rec));
  ASSERT_EQ(recLines.size(), expectedRec.size());
  for (size_t i = 0; i < recLines.size(); ++i)
    ASSERT_EQ(Show(recLines[i]), Show(expectedRec[i])) << "line " << i + 1 << " of " << Show(srcLines[i]);
  ASSERT_EQ(ReadBytes(rec), CrLf(expectedRec));
  EXPECT_FALSE(PathExists(ws.VelloranDir() + "NO_FIND.log"));

  // replace, then extract the result afresh
  std::vector<std::string> rargs = c.kargs;
  if (c.out_data) rargs.insert(rargs.end(), {"-out_data", out});
  ASSERT_TRUE(ws.KorvaneOk("replace", game, rec, rargs));
  std::string result = ReadBytes(c.out_data ? out : game);
  if (c.out_data) {
    ASSERT_EQ(ReadBytes(game), original) << "the named data file changed";
  }
  ASSERT_TRUE(ws.KorvaneOk("extract", c.out_data ? out : game, fresh, c.kargs));
  std::string freshText = ReadBytes(fresh), recText = ReadBytes(rec);
  ASSERT_TRUE(freshText == recText) << DescribeDifference(recText, freshText);

  // outside the strings nothing changed; every string was translated
  std::string text;
  ASSERT_TRUE(DecodeFile(result, c.enc, &text));
  std::vector<std::string> now;
  ASSERT_TRUE(ParseFrame(text, data, &now));
  for (size_t i = 0; i < now.size(); ++i) {
    EXPECT_NE(now[i].find(kMark), std::string::npos) << "string " << i + 1 << " untranslated: " << Show(now[i]);
    if (testing::Test::HasFailure()) break;
  }
}

INSTANTIATE_TEST_SUITE_P(E2e, Cycle, testing::ValuesIn(Cases()),
                         [](const testing::TestParamInfo<CycleCase>& i) { return i.param.name; });

}  // namespace

namespace {

// The enter keys of the script: whatever notation of a line break the
// translator writes (the escapes \r\n, \r, \n or the texts #$D#$A, #$D, #$A),
// the data gets the notation that the entry's key asks for, and so does a
// fresh extraction.
struct EnterKey {
  std::string key, target;
};

void PrintTo(const EnterKey& k, std::ostream* os) { *os << k.key; }

class EnterKeys : public testing::TestWithParam<EnterKey> {};

TEST_P(EnterKeys, EveryNotationBecomesTheKeysNotation) {
  const EnterKey& k = GetParam();
  static const std::vector<std::string> notations = {"#$D#$A", "#$D", "#$A", "\\r\\n", "\\r", "\\n"};
  std::mt19937 rng(static_cast<unsigned>(k.key.size() * 31 + k.target.size()));
  std::vector<Entry> entries = {{"\\[", "\\]", 0, 0, "", "", "[-nr_rn]" + k.key}};
  // strings: words joined by blanks or by the key's own notation
  Data data;
  std::vector<std::vector<std::string>> words;
  std::vector<std::vector<bool>> breaks;
  for (int i = 0; i < 200; ++i) {
    data.Fixed(Noise(rng, 0, 30) + "[");
    std::vector<std::string> w;
    std::vector<bool> b;
    std::string s;
    size_t n = 1 + rng() % 5;
    for (size_t j = 0; j < n; ++j) {
      w.push_back(Word(rng));
      if (j > 0) b.push_back(rng() % 2 == 0);
      s += (j == 0 ? "" : b.back() ? k.target : " ") + w.back();
    }
    words.push_back(w);
    breaks.push_back(b);
    data.Put(s, 0);
    data.Fixed("]");
  }
  Workspace ws;
  ws.Script(ScriptText(entries, true));
  WriteBytes(ws.F("game.dat"), data.Text());
  const std::vector<std::string> args = {"-adv_values_script"};
  ASSERT_TRUE(ws.KorvaneOk("extract", ws.F("game.dat"), ws.F("game.txt"), args));
  ASSERT_EQ(ReadBytes(ws.F("game.txt")), CrLf(ExpectedLines(data, entries, args)));

  // the translation writes breaks in every notation
  std::vector<std::string> tr, expected;
  for (size_t i = 0; i < words.size(); ++i) {
    std::string t = kMark, e = kMark;
    for (size_t j = 0; j < words[i].size(); ++j) {
      std::string w = Translate(words[i][j], Length::kLonger).substr(kMark.size());
      if (j > 0 && breaks[i][j - 1]) {
        t += notations[rng() % notations.size()];
        e += k.target;
      } else if (j > 0) {
        t += " ";
        e += " ";
      }
      t += w;
      e += w;
    }
    tr.push_back(t);
    expected.push_back(e);
  }
  WriteBytes(ws.F("tr.txt"), CrLf(tr));
  ASSERT_TRUE(ws.KorvaneOk("replace", ws.F("game.dat"), ws.F("tr.txt"), args));
  ASSERT_TRUE(ws.KorvaneOk("extract", ws.F("game.dat"), ws.F("fresh.txt"), args));
  std::vector<std::string> fresh = SplitCrLf(ReadBytes(ws.F("fresh.txt")));
  ASSERT_EQ(fresh.size(), expected.size());
  for (size_t i = 0; i < fresh.size(); ++i) ASSERT_EQ(fresh[i], expected[i]) << "line " << i + 1 << " from " << tr[i];
  std::vector<std::string> now;
  ASSERT_TRUE(ParseFrame(ReadBytes(ws.F("game.dat")), data, &now));
}

INSTANTIATE_TEST_SUITE_P(E2e, EnterKeys,
                         testing::Values(EnterKey{"[-enter_win_reg]", "\\r\\n"}, EnterKey{"[-enter_win]", "#$D#$A"},
                                         EnterKey{"[-enter_unix_reg]", "\\n"}, EnterKey{"[-enter_unix]", "#$A"},
                                         EnterKey{"[-enter_mac_reg]", "\\r"}, EnterKey{"[-enter_mac]", "#$D"}),
                         [](const testing::TestParamInfo<EnterKey>& i) {
                           std::string n;
                           for (char c : i.param.key)
                             if (isalpha(static_cast<unsigned char>(c))) n += c;
                           return n;
                         });

}  // namespace

namespace {

// The translator's file of the bundled sample saved the ways editors save
// it: as it is, behind a UTF-8 mark, or as UTF-16 of either byte order, each
// with CR LF or LF breaks; the script is saved the same way. Every way gives
// the same recovered file and the same game file, and a fresh extraction of
// that game file equals the recovered file.
TEST(TranslatorsFile, EveryEncodingGivesTheSameGameFile) {
  const std::string samples = std::string(KV_SOURCE_DIR) + "/samples/";
  const std::string ru = ReadBytes(samples + "dialog.ru.txt"), script = ReadBytes(samples + "script_list.txt");
  ASSERT_NE(ru.find("\r\n"), std::string::npos);
  const std::string firstLine = ru.substr(0, ru.find("\r\n") + 2);
  struct Way {
    std::string name;
    Encoding enc;
  };
  const std::vector<Way> ways = {{"plain", {}},
                                 {"UTF-8 mark", {false, false, "\xEF\xBB\xBF", ""}},
                                 {"UTF-16 LE", {true, false, "\xFF\xFE", ""}},
                                 {"UTF-16 BE", {true, true, "\xFE\xFF", ""}}};
  std::string firstGame, firstRec;
  for (const Way& w : ways) {
    for (const char* breaks : {"\r\n", "\n"}) {
      SCOPED_TRACE(w.name + (breaks[1] ? " CR LF" : " LF"));
      Workspace ws;
      ws.Script(FileBytes(LitReplaceAll(script, "\r\n", breaks), w.enc));
      WriteBytes(ws.F("dialog.dat"), ReadBytes(samples + "dialog.dat"));
      ASSERT_TRUE(ws.KorvaneOk("extract", ws.F("dialog.dat"), ws.F("dialog.txt"), {}));
      ASSERT_TRUE(ws.VelloranOk({"-o", "dialog.txt"}));
      WriteBytes(ws.F("3Optimize_RU/dialog.txt"), FileBytes(LitReplaceAll(ru, "\r\n", breaks), w.enc));
      ASSERT_TRUE(ws.VelloranOk({"-r", "dialog.txt"}));
      const std::string rec = ReadBytes(ws.F("4Recover_RU/dialog.txt"));
      ASSERT_EQ(Show(rec.substr(0, firstLine.size())), Show(firstLine));
      ASSERT_TRUE(ws.KorvaneOk("replace", ws.F("dialog.dat"), ws.F("4Recover_RU/dialog.txt"),
                               {"-out_data", ws.F("dialog_ru.dat")}));
      ASSERT_TRUE(ws.KorvaneOk("extract", ws.F("dialog_ru.dat"), ws.F("check.txt"), {}));
      ASSERT_EQ(ReadBytes(ws.F("check.txt")), rec);
      const std::string game = ReadBytes(ws.F("dialog_ru.dat"));
      if (firstGame.empty()) {
        firstGame = game;
        firstRec = rec;
      }
      EXPECT_EQ(rec, firstRec);
      EXPECT_TRUE(game == firstGame) << DescribeDifference(firstGame, game);
    }
  }
}

// A string that holds byte 0 (extracted without "-hex_sys") stands in the
// line files as a raw NUL byte: -o, -r and replace keep that line whole and
// every line after it.
TEST(LineFiles, NulByteInALineLosesNothing) {
  const std::string nul(1, '\0'), en = "a" + nul + "b", tr = "A" + nul + nul + "B";
  Workspace ws;
  ws.Script(ScriptText({{"\\[", "\\]", 0, 0, "", "", ""}}, false));
  WriteBytes(ws.F("game.dat"), "hd[" + en + "]x[c]y[" + en + "]z[d]end");
  ASSERT_TRUE(ws.KorvaneOk("extract", ws.F("game.dat"), ws.F("game.txt"), {}));
  ASSERT_EQ(ReadBytes(ws.F("game.txt")), CrLf({en, "c", en, "d"}));
  ASSERT_TRUE(ws.VelloranOk({"-o", "game.txt"}));
  ASSERT_EQ(ReadBytes(ws.F("2Optimize_EN/game.txt")), CrLf({en, "c", "d"}));
  WriteBytes(ws.F("3Optimize_RU/game.txt"), CrLf({tr, "CC", "D"}));
  ASSERT_TRUE(ws.VelloranOk({"-r", "game.txt"}));
  ASSERT_EQ(ReadBytes(ws.F("4Recover_RU/game.txt")), CrLf({tr, "CC", tr, "D"}));
  ASSERT_TRUE(ws.KorvaneOk("replace", ws.F("game.dat"), ws.F("4Recover_RU/game.txt"), {}));
  EXPECT_EQ(ReadBytes(ws.F("game.dat")), "hd[" + tr + "]x[CC]y[" + tr + "]z[D]end");
}

}  // namespace
