// Identity: extracting a generated data file and replacing it with the
// unchanged text file gives the data file back byte for byte, under many
// script shapes and option sets; the extracted lines are checked against the
// strings the generator put into the data.
#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "tests/e2e/e2e_data.h"

using namespace e2e;

namespace {

struct IdentityCase {
  std::string name;
  std::vector<std::string> args;  // korvane options for both runs
  std::vector<Shape> shapes;
  GenOptions gen;
  Encoding enc;
  unsigned seed;
};

std::vector<IdentityCase> Cases() {
  std::vector<IdentityCase> c;
  auto add = [&](std::string name, std::vector<std::string> args, std::vector<Shape> shapes, Features f,
                 size_t slots = 400) {
    IdentityCase k;
    k.name = std::move(name);
    k.args = std::move(args);
    k.shapes = std::move(shapes);
    k.gen.features = f;
    k.gen.slots = slots;
    k.seed = static_cast<unsigned>(c.size() * 7919 + 17);
    c.push_back(k);
    return &c.back();
  };
  Features f;
  f.controls = true;
  f.high_bytes = true;
  add("Default", {}, {Shape::kBracket, Shape::kTag, Shape::kCoord, Shape::kPrefixed}, f, 2000);
  add("HexSys", {"-hex_sys"}, {Shape::kBracket, Shape::kCoord}, f)->gen.features.nul = true;
  add("OldBreakEscapes", {"-r_da_old"}, {Shape::kBracket, Shape::kTag}, f);
  add("RawTabs", {"-nr_t"}, {Shape::kBracket, Shape::kPrefixed}, f);
  add("RawBorderSpaces", {"-nr_bs"}, {Shape::kBracket}, f);
  Features nobreaks = f;
  nobreaks.crlf = nobreaks.lone_cr = nobreaks.lone_lf = false;
  add("NoBreakEscapes", {"-nr_rn"}, {Shape::kBracket, Shape::kTag}, nobreaks);
  Features nocr = f;
  nocr.lone_cr = false;
  add("LoneCrRaw", {"-nr_r_mac"}, {Shape::kBracket}, nocr);
  Features nolf = f;
  nolf.lone_lf = false;
  add("LoneLfRaw", {"-nr_n_unx"}, {Shape::kBracket}, nolf);
  add("CrLfPairsApart", {"-nr_rn_win"}, {Shape::kBracket, Shape::kCoord}, f);
  add("PlainBreakImport", {"-not_ekrane"}, {Shape::kBracket, Shape::kTag}, f);
  add("BorderQuotes", {"-border_quot"}, {Shape::kBracket, Shape::kTag, Shape::kPrefixed}, f);
  add("SystemQuotes", {"-bq_sys"}, {Shape::kQuoted}, f);
  add("AdvancedKeys", {"-adv_values_script"},
      {Shape::kBracket, Shape::kLiteralBreaks, Shape::kRawTabs, Shape::kLiteralLf, Shape::kLiteralCr, Shape::kPairKey}, f);
  add("DeleteDoubles", {"-d"}, {Shape::kBracket, Shape::kTag}, f)->gen.repeat_pct = 60;
  // (the key is followed by the right pattern, not the right part: a right
  // coordinate that moves bytes into the right part would hide every line)
  add("RegexSearch", {"-rep_reg"}, {Shape::kBracket, Shape::kTag}, f);
  // The dot stops at every line break byte of the matcher: CR, LF, VT, FF
  // and NEL (0x85), so the strings hold none of them.
  Features oneline = nobreaks;
  oneline.controls = oneline.high_bytes = false;
  add("SingleLine", {"-single_line"}, {Shape::kBracket, Shape::kTag}, oneline);
  add("NestedLeftWithB", {"-b"}, {Shape::kBracket, Shape::kNested}, f);
  add("Mixed", {"-hex_sys", "-r_da_old", "-border_quot", "-b", "-ff"}, {Shape::kBracket, Shape::kTag, Shape::kCoord}, f);
  add("MixedDoubles", {"-d", "-b", "-nr_bs", "-nr_t"}, {Shape::kBracket, Shape::kPrefixed}, f)->gen.repeat_pct = 50;

  // UTF-16 data files: decoded whole, written back behind the same mark.
  Features u;
  IdentityCase* k = add("Utf16LittleEndian", {"-utf16"}, {Shape::kBracket, Shape::kPrefixed}, u);
  k->gen.unicode = true;
  k->enc = {true, false, "\xFF\xFE", "Z"};  // an odd last byte is kept aside
  k = add("Utf16BigEndian", {"-utf16"}, {Shape::kBracket, Shape::kTag}, u);
  k->gen.unicode = true;
  k->enc = {true, true, "\xFE\xFF", ""};
  k = add("Utf16HexSys", {"-utf16", "-hex_sys", "-d"}, {Shape::kBracket, Shape::kCoord}, u);
  k->gen.unicode = true;
  k->gen.features.controls = true;
  k->gen.features.nul = true;
  k->enc = {true, false, "\xFF\xFE", ""};
  k = add("Utf16MarkOfUtf8", {"-utf16"}, {Shape::kBracket, Shape::kTag}, f);
  k->enc = {false, false, "\xEF\xBB\xBF", ""};
  k = add("Utf16OptionOn8BitData", {"-utf16"}, {Shape::kBracket, Shape::kCoord}, f);
  return c;
}

void PrintTo(const IdentityCase& c, std::ostream* os) { *os << c.name; }

class Identity : public testing::TestWithParam<IdentityCase> {};

TEST_P(Identity, ReplaceWithTheUnchangedTextGivesTheSameBytes) {
  const IdentityCase& c = GetParam();
  std::mt19937 rng(c.seed);
  Layout layout = MakeLayout(c.shapes);
  Data data = Generate(rng, layout, c.gen);
  if (c.name == "Utf16LittleEndian") data.fixed[0] = Cesu(0xFEFF) + data.fixed[0];  // a second mark is text
  std::string bytes = FileBytes(data.Text(), c.enc);

  Workspace ws;
  ws.Script(ScriptText(layout.entries, Has(c.args, "-adv_values_script")));
  WriteBytes(ws.F("game.dat"), bytes);
  ASSERT_TRUE(ws.KorvaneOk("extract", ws.F("game.dat"), ws.F("game.txt"), c.args));
  std::string text = ReadBytes(ws.F("game.txt"));
  std::vector<std::string> expected = ExpectedLines(data, layout.entries, c.args);
  std::vector<std::string> lines = SplitCrLf(text);
  ASSERT_EQ(lines.size(), expected.size());
  for (size_t i = 0; i < lines.size(); ++i)
    ASSERT_EQ(Show(lines[i]), Show(expected[i])) << "line " << i + 1;
  ASSERT_EQ(text, CrLf(expected));

  ASSERT_TRUE(ws.KorvaneOk("replace", ws.F("game.dat"), ws.F("game.txt"), c.args));
  std::string after = ReadBytes(ws.F("game.dat"));
  ASSERT_TRUE(after == bytes) << DescribeDifference(bytes, after);
  EXPECT_FALSE(PathExists(ws.F("game.dat.temp")));
}

INSTANTIATE_TEST_SUITE_P(E2e, Identity, testing::ValuesIn(Cases()),
                         [](const testing::TestParamInfo<IdentityCase>& i) { return i.param.name; });

// UTF-16 little-endian data without a byte-order mark is taken as bytes: the
// script names the zero bytes, and "-hex_sys" writes them as \x00.
TEST(IdentityRaw, Utf16WithoutMarkIsTakenAsBytes) {
  std::mt19937 rng(4242);
  auto unitsOf = [&](size_t minLen, size_t maxLen, bool breaks) {
    // ASCII letters, spaces and Cyrillic letters (no byte 0x5B or 0x5D anywhere)
    std::vector<uint16_t> u;
    size_t n = std::uniform_int_distribution<size_t>(minLen, maxLen)(rng);
    std::uniform_int_distribution<int> pct(0, 99);
    for (size_t i = 0; i < n; ++i) {
      int p = pct(rng);
      if (p < 50) u.push_back(static_cast<uint16_t>('a' + pct(rng) % 26));
      else if (p < 80) u.push_back(static_cast<uint16_t>(0x0410 + pct(rng) % 64));
      else if (p < 88) u.push_back(' ');
      else if (p < 94 && breaks) u.push_back(pct(rng) < 50 ? 13 : 10);
      else u.push_back(static_cast<uint16_t>('0' + pct(rng) % 10));
    }
    return UnitsToBytes(u, false);
  };
  Data data;
  for (int i = 0; i < 300; ++i) {
    data.Fixed(unitsOf(0, 20, true));
    data.Fixed(UnitsToBytes({'['}, false));
    data.Put(unitsOf(1, 25, true), 0);
    data.Fixed(UnitsToBytes({']'}, false));
  }
  std::vector<Entry> entries = {{"\\[\\x00", "\\]\\x00", 0, 0, "", "", ""}};
  std::vector<std::string> args = {"-utf16", "-hex_sys"};
  std::string bytes = data.Text();

  Workspace ws;
  ws.Script(ScriptText(entries, false));
  WriteBytes(ws.F("game.dat"), bytes);
  ASSERT_TRUE(ws.KorvaneOk("extract", ws.F("game.dat"), ws.F("game.txt"), args));
  ASSERT_EQ(ReadBytes(ws.F("game.txt")), CrLf(ExpectedLines(data, entries, args)));
  ASSERT_TRUE(ws.KorvaneOk("replace", ws.F("game.dat"), ws.F("game.txt"), args));
  std::string after = ReadBytes(ws.F("game.dat"));
  ASSERT_TRUE(after == bytes) << DescribeDifference(bytes, after);
}

// The search-position options together: "[text]", "[junk[text]" and a chain
// "#a#b#c#d#e#" at the end, whose extraction differs by option, and the
// identity that holds under each combination.
TEST(IdentityPositions, EveryCombinationOfBFtFf) {
  std::mt19937 rng(777);
  Features f;
  f.controls = true;
  struct Seg {
    int kind;  // 0 [s], 1 [j[s]
    std::string j, s;
  };
  std::vector<Seg> segs;
  std::string body;
  for (int i = 0; i < 250; ++i) {
    Seg g;
    g.kind = i % 3 == 0 ? 1 : 0;
    g.s = GenString(rng, f);
    if (g.kind == 1) g.j = GenString(rng, f);
    segs.push_back(g);
  }
  std::vector<std::string> chain;
  for (int i = 0; i < 5; ++i) chain.push_back(GenString(rng, f) + "x" + std::to_string(i));
  std::string data;
  for (const Seg& g : segs) {
    data += Noise(rng, 0, 40);
    data += g.kind == 0 ? "[" + g.s + "]" : "[" + g.j + "[" + g.s + "]";
  }
  data += Noise(rng, 1, 40) + "#";
  for (const std::string& s : chain) data += s + "#";
  data += Noise(rng, 0, 40);
  std::vector<Entry> entries = {EntryOf(Shape::kBracket), ChainEntry()};

  for (int combo = 0; combo < 8; ++combo) {
    bool b = combo & 1, ft = combo & 2, ff = combo & 4;
    std::vector<std::string> args;
    if (b) args.push_back("-b");
    if (ft) args.push_back("-ft");
    if (ff) args.push_back("-ff");
    SCOPED_TRACE("options:" + std::string(b ? " -b" : "") + (ft ? " -ft" : "") + (ff ? " -ff" : ""));
    std::vector<std::string> expected;
    for (const Seg& g : segs) {
      if (g.kind == 0 || b) {
        expected.push_back(ExportRef(g.s, args, ""));
      } else {
        expected.push_back(ExportRef(g.j + "[" + g.s, args, ""));
        if (ft) expected.push_back(ExportRef(g.s, args, ""));  // the search goes on inside the text
      }
    }
    for (size_t i = 0; i < chain.size(); ++i)
      if (!(ff && !ft) || i % 2 == 0) expected.push_back(ExportRef(chain[i], args, ""));

    Workspace ws;
    ws.Script(ScriptText(entries, false));
    WriteBytes(ws.F("game.dat"), data);
    ASSERT_TRUE(ws.KorvaneOk("extract", ws.F("game.dat"), ws.F("game.txt"), args));
    std::vector<std::string> lines = SplitCrLf(ReadBytes(ws.F("game.txt")));
    ASSERT_EQ(lines.size(), expected.size());
    for (size_t i = 0; i < lines.size(); ++i) ASSERT_EQ(Show(lines[i]), Show(expected[i])) << "line " << i + 1;
    for (const std::vector<std::string>& more : {std::vector<std::string>{}, std::vector<std::string>{"-d"}}) {
      std::vector<std::string> a = args;
      a.insert(a.end(), more.begin(), more.end());
      if (!more.empty()) {
        ASSERT_TRUE(ws.KorvaneOk("extract", ws.F("game.dat"), ws.F("game.txt"), a));
      }
      ASSERT_TRUE(ws.KorvaneOk("replace", ws.F("game.dat"), ws.F("game.txt"), a));
      std::string after = ReadBytes(ws.F("game.dat"));
      ASSERT_TRUE(after == data) << DescribeDifference(data, after);
    }
  }
}

}  // namespace
