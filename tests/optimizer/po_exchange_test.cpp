// PO export and import (-topo, -frompo) on files: a round trip of awkward
// lines that msgfmt accepts, a PO file edited by a tool, and the runs that
// must end with status 1 without writing their output.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "common/platform.h"
#include "optimizer/po_exchange.h"
#include "optimizer/po_file.h"
#include "tests/support/testutil.h"
#include "tests/support/velloran_folder.h"

namespace {

using Lines = std::vector<std::string>;

// Full path of a program found through PATH, "" when there is none.
std::string FindOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    const std::string candidate = dirs.substr(start, end - start) + "/" + name;
    if (IsRegularFile(candidate)) return candidate;
    start = end + 1;
  }
  return "";
}

// The cores on random files full of repeated and empty lines, with the
// entries shuffled as a tool may leave them: every line finds its own entry
// (checked against a scan of all entries) and the import gives the
// translation back.
TEST(PoEntries, ShuffledEntriesImportLineForLine) {
  std::mt19937 rng(19);
  for (int round = 0; round < 200; ++round) {
    Lines en, ru;
    const size_t n = rng() % 40;
    for (size_t i = 0; i < n; ++i) {
      en.push_back(RandomString(rng, "ab ", 0, 2));
      ru.push_back(rng() % 4 == 0 ? en.back() : RandomString(rng, "xyz\\t", 1, 4));
    }
    std::vector<TPoEntry> entries = ExportEntries(en, ru);
    ASSERT_EQ(entries.size(), n);
    std::shuffle(entries.begin(), entries.end(), rng);
    const Lines contexts = LineContexts(en);
    for (size_t i = 0; i < n; ++i) {
      size_t matches = 0;
      for (const TPoEntry& e : entries)
        if (e.Id == en[i] && e.HasContext == !contexts[i].empty() && e.Context == contexts[i]) {
          ++matches;
          EXPECT_EQ(e.Line, static_cast<int>(i + 1));
        }
      ASSERT_EQ(matches, 1u) << "line " << i + 1;
    }
    TPoImport r = ImportEntries(entries, en);
    EXPECT_TRUE(r.Complete());
    EXPECT_TRUE(r.EntriesWithoutLine.empty());
    EXPECT_EQ(r.Ru, ru);
  }
}

using PoExchange = VelloranFolderTest;

// Escapes as text, quotes, backslashes, raw and escaped tabs, control bytes,
// UTF-8, empty and repeated lines, PO syntax inside a line, a long line.
const Lines kAwkward = {
    "Line one\\r\\nLine two",
    "He said \"hello\" and left",
    "C:\\games\\save\\slot1.dat",
    "Name:\\tValue",
    "raw\ttab",
    "literal \\\\t and \\\\n",
    "\\x20Press START\\x20",
    "",
    "Gold",
    "Caf\xC3\xA9 au lait \xE2\x80\x94 \xD0\x9A\xD0\xBE\xD1\x84\xD0\xB5",
    "Gold",
    "",
    "bell\x07 escape\x1B del\x7F",
    "msgid \"x\"\\n#, fuzzy",
    "occurrence 2",
    "file\\level1\\00001.-1.txt",
    "trailing blanks  ",
    "A very long sentence that goes on and on, far beyond the width at which a PO writer wraps its "
    "strings, with %s and {0} and <b>tags</b> in it.",
    "Gold",
};

// A large catalog goes through the library in pieces: the joined pieces
// must be the bytes of the catalog written at once, with and without a
// header, with entries that wrap, carry contexts, flags and references, and
// with an obsolete entry (which the library moves to the end).
TEST(PoPieces, PiecesJoinToTheWholeFile) {
  TempDir dir;
  std::mt19937 rng(11);
  bool header = true;
  auto text = [&](size_t n) {
    // Without a header the library takes the texts as ASCII.
    static const std::vector<std::string> words = {"sword", "a\"b", "tab\t", "line\n", "  ", "gold", "\\x",
                                                   "\xD0\xBC\xD0\xB5\xD1\x87"};
    std::string t;
    while (t.size() < n) t += words[rng() % (words.size() - (header ? 0 : 1))] + (rng() % 3 ? " " : "");
    return t;
  };
  for (const bool withHeader : {true, false}) {
    header = withHeader;
    for (const bool obsolete : {false, true}) {
      TPoCatalog catalog;
      if (header) catalog.Header = "Content-Type: text/plain; charset=UTF-8\nX-Note: pieces\n";
      for (int i = 0; i < 40; ++i) {
        TPoEntry e;
        e.HasContext = rng() % 4 == 0;
        e.Context = e.HasContext ? text(rng() % 6) : "";
        e.Id = text(1 + rng() % 120) + std::to_string(i);
        e.Str = rng() % 5 ? text(rng() % 140) : "";
        e.Fuzzy = rng() % 6 == 0;
        e.Obsolete = obsolete && i == 7;
        e.Line = static_cast<int>(rng() % 3) * (i + 1);
        catalog.Entries.push_back(e);
      }
      WritePoFile(dir.File("whole.po"), catalog, "src.txt", catalog.Entries.size());
      const std::string whole = ReadBytes(dir.File("whole.po"));
      for (size_t per : {1, 3, 39}) {
        WritePoFile(dir.File("pieces.po"), catalog, "src.txt", per);
        EXPECT_EQ(ReadBytes(dir.File("pieces.po")), whole) << header << obsolete << per;
      }
    }
  }
}

TEST_F(PoExchange, AwkwardLinesComeBackByteForByte) {
  std::string msgfmt = FindOnPath("msgfmt");
  // Under Wine the build machine's own gettext runs by its path, as in the
  // PO cycle test; Windows' search path does not name it.
  if (msgfmt.empty() && OnWindows() && IsRegularFile("/usr/bin/msgfmt")) msgfmt = "/usr/bin/msgfmt";
  ASSERT_FALSE(msgfmt.empty()) << "msgfmt (Debian package gettext) is needed";
  Lines ru;
  for (const std::string& l : kAwkward) ru.push_back("\xC2\xAB" + l + "\xC2\xBB");
  WriteBytes(W("en.txt"), CrLf(kAwkward));
  WriteBytes(W("ru.txt"), CrLf(ru));

  // untranslated: every line comes back as the English line
  ToolResult r = Run({"-topo", "en.txt", "en.po"});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  ToolResult m = RunTool(msgfmt, {"--check", "-o", "/dev/null", "en.po"}, work.Path());
  EXPECT_EQ(m.status, 0) << m.err;
  r = Run({"-frompo", "en.po", "en.txt", "back_en.txt"});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(ReadBytes(W("back_en.txt")), CrLf(kAwkward));

  // translated: every msgstr comes back as the Russian line
  r = Run({"-topo", "en.txt", "ru.txt", "ru.po"});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  m = RunTool(msgfmt, {"--check", "-o", "/dev/null", "ru.po"}, work.Path());
  EXPECT_EQ(m.status, 0) << m.err;
  const std::string po = ReadBytes(W("ru.po"));
  EXPECT_NE(po.find("\"Content-Type: text/plain; charset=UTF-8\\n\""), std::string::npos);
  EXPECT_NE(po.find("#: en.txt:11\nmsgctxt \"occurrence 2\"\nmsgid \"Gold\"\n"), std::string::npos) << po;
  EXPECT_NE(po.find("#: en.txt:9\nmsgid \"Gold\"\n"), std::string::npos) << po;
  r = Run({"-frompo", "ru.po", "en.txt", "back_ru.txt"});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(ReadBytes(W("back_ru.txt")), CrLf(ru));
  EXPECT_NE(r.out.find("Lines without entry: 0, entries without line: 0\n"), std::string::npos) << r.out;
}

TEST_F(PoExchange, PoEditedByAToolImportsByContextAndMsgid) {
  WriteBytes(W("en.txt"),
             CrLf({"Open the door", "Gold",
                   "A very long sentence that the translation will make much shorter, wrapped by the tool.",
                   "Ok", "Quit", "Gold", "Name: %s"}));
  // Re-ordered, one fuzzy entry, one obsolete entry, wrapped strings, a
  // translator's comment and flags.
  WriteBytes(W("tool.po"),
             "# Translator's file\n"
             "msgid \"\"\n"
             "msgstr \"\"\n"
             "\"Language: ru\\n\"\n"
             "\"Content-Type: text/plain; charset=UTF-8\\n\"\n"
             "\n"
             "#: en.txt:5\n"
             "msgid \"Quit\"\n"
             "msgstr \"\xD0\x92\xD1\x8B\xD1\x85\xD0\xBE\xD0\xB4\"\n"
             "\n"
             "#: en.txt:3\n"
             "msgid \"\"\n"
             "\"A very long sentence that the translation will make much shorter, \"\n"
             "\"wrapped by the tool.\"\n"
             "msgstr \"\"\n"
             "\"\xD0\x9A\xD0\xBE\xD1\x80\xD0\xBE\xD1\x87\xD0\xB5\"\n"
             "\".\"\n"
             "\n"
             "#: en.txt:6\n"
             "msgctxt \"occurrence 2\"\n"
             "msgid \"Gold\"\n"
             "msgstr \"\xD0\x97\xD0\xBE\xD0\xBB\xD0\xBE\xD1\x82\xD0\xBE 2\"\n"
             "\n"
             "#, fuzzy\n"
             "msgid \"Ok\"\n"
             "msgstr \"\xD0\x9B\xD0\xB0\xD0\xB4\xD0\xBD\xD0\xBE\"\n"
             "\n"
             "#, c-format\n"
             "msgid \"Name: %s\"\n"
             "msgstr \"\xD0\x98\xD0\xBC\xD1\x8F: %s\"\n"
             "\n"
             "msgid \"Gold\"\n"
             "msgstr \"\xD0\x97\xD0\xBE\xD0\xBB\xD0\xBE\xD1\x82\xD0\xBE\"\n"
             "\n"
             "msgid \"Open the door\"\n"
             "msgstr \"\"\n"
             "\n"
             "#~ msgid \"Old line\"\n"
             "#~ msgstr \"\xD0\xA1\xD1\x82\xD0\xB0\xD1\x80\xD0\xB0\xD1\x8F\"\n");
  ToolResult r = Run({"-frompo", "tool.po", "en.txt", "out/ru.txt"});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(ReadBytes(W("out/ru.txt")),
            CrLf({"Open the door", "\xD0\x97\xD0\xBE\xD0\xBB\xD0\xBE\xD1\x82\xD0\xBE",
                  "\xD0\x9A\xD0\xBE\xD1\x80\xD0\xBE\xD1\x87\xD0\xB5.", "Ok", "\xD0\x92\xD1\x8B\xD1\x85\xD0\xBE\xD0\xB4",
                  "\xD0\x97\xD0\xBE\xD0\xBB\xD0\xBE\xD1\x82\xD0\xBE 2", "\xD0\x98\xD0\xBC\xD1\x8F: %s"}));
  EXPECT_EQ(r.out,
            "Lines without entry: 0, entries without line: 0\n"
            "Fuzzy translations left untranslated: 1\n"
            "Check: 0 findings in 0 lines\nDONE\n");
}

TEST_F(PoExchange, MissingEntriesAreReportedAndNothingIsWritten) {
  WriteBytes(W("en.txt"), CrLf({"Open", "Quit", "Gold"}));
  WriteBytes(W("ru.txt"), "old translation\r\n");
  WriteBytes(W("part.po"),
             "msgid \"Open\"\nmsgstr \"Otkryt\"\n\n"
             "msgid \"Gold\"\nmsgstr \"Zoloto\"\n\n"
             "msgid \"Extra\"\nmsgstr \"Lishnee\"\n");
  ToolResult r = Run({"-frompo", "part.po", "en.txt", "ru.txt"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out,
            "No entry for line 2: Quit\n"
            "No English line for entry: \"Extra\"\n"
            "Lines without entry: 1, entries without line: 1\n"
            "The RU file is not written: " + W("ru.txt") + "\n");
  EXPECT_EQ(ReadBytes(W("ru.txt")), "old translation\r\n");

  // An entry without an English line alone is reported; the file is written.
  WriteBytes(W("en2.txt"), CrLf({"Open", "Gold"}));
  r = Run({"-frompo", "part.po", "en2.txt", "ru.txt"});
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(ReadBytes(W("ru.txt")), CrLf({"Otkryt", "Zoloto"}));
}

TEST_F(PoExchange, InputsThatCannotBeExchangedEndWithStatusOne) {
  // a line that is not UTF-8 cannot go into a PO file
  WriteBytes(W("en.txt"), CrLf({"Gold", "Zolot\xEE", "Quit"}));
  ToolResult r = Run({"-topo", "en.txt", "en.po"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "Error: line 2 of " + W("en.txt") + " is not UTF-8 text; a PO file holds UTF-8 only\n");
  EXPECT_FALSE(PathExists(W("en.po")));

  // a translation with a line break would split the line file
  WriteBytes(W("en.txt"), CrLf({"Gold", "Quit"}));
  WriteBytes(W("break.po"), "msgid \"Gold\"\nmsgstr \"Zo\\nloto\"\n\nmsgid \"Quit\"\nmsgstr \"\"\n");
  r = Run({"-frompo", "break.po", "en.txt", "ru.txt"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("Error: the translation of line 1 holds a line break"), std::string::npos) << r.out;
  EXPECT_FALSE(PathExists(W("ru.txt")));

  // a file that is no PO file: the library's message, no output
  WriteBytes(W("bad.po"), "msgid \"Gold\"\nmsgstr \"unterminated\n");
  r = Run({"-frompo", "bad.po", "en.txt", "ru.txt"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out.rfind("Not a valid PO file: " + W("bad.po") + "\n", 0), 0u) << r.out;
  EXPECT_FALSE(PathExists(W("ru.txt")));

  // a UTF-8 PO file holding bytes that are not UTF-8: refused, no output
  WriteBytes(W("bytes.po"),
             "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n\n"
             "msgid \"Gold\"\nmsgstr \"Zolot\xEE\"\n\nmsgid \"Quit\"\nmsgstr \"\"\n");
  r = Run({"-frompo", "bytes.po", "en.txt", "ru.txt"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out.rfind("Not a valid PO file: " + W("bytes.po") + "\n", 0), 0u) << r.out;
  EXPECT_NE(r.out.find("invalid multibyte sequence"), std::string::npos) << r.out;
  EXPECT_FALSE(PathExists(W("ru.txt")));

  // a forgotten PO file name never writes a PO file over the translation
  WriteBytes(W("ru.txt"), CrLf({"Zoloto", "Vyhod"}));
  r = Run({"-topo", "en.txt", "ru.txt"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "Error: the PO file must be named *.po or *.pot: " + W("ru.txt") + "\n");
  EXPECT_EQ(ReadBytes(W("ru.txt")), CrLf({"Zoloto", "Vyhod"}));

  // the wrong number of files
  r = Run({"-frompo", "break.po", "en.txt"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "Error: -frompo takes the files [FILE.po] [FILE_EN.txt] [FILE_RU.txt]\n");
}

}  // namespace
