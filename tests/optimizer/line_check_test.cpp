// The check of translated lines: a table of broken and sound translations,
// and a run of "velloran -check" on files.
#include "optimizer/line_check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/testutil.h"
#include "tests/support/velloran_folder.h"

namespace {

struct CheckCase {
  const char* en;
  const char* ru;
  std::vector<std::string> findings;  // formatted, line 1
};

std::vector<std::string> Findings(const std::string& en, const std::string& ru) {
  std::vector<std::string> out;
  for (const TLineFinding& f : CheckLine(en, ru, 1)) out.push_back(FormatFinding(f));
  return out;
}

TEST(CheckLine, BrokenAndSoundTranslations) {
  const std::vector<CheckCase> cases = {
      // sound: everything kept, reordered, or nothing to keep
      {"Line one\\r\\nLine two", "Stroka odin\\r\\nStroka dva", {}},
      {"%s has %d gold", "U %s est %d zolota", {}},
      {"%1$s gave %2$s", "%2$s poluchil ot %1$s", {}},
      {"<b>Bold</b> and {0} [Name]", "[Name] i {0} <b>zhirno</b>", {}},
      {"\\x20Press START\\x20", "\\x20Nazhmi START\\x20", {}},
      {"100%% sure, 50% off", "100%% tochno, skidka 50 %", {}},
      {"Same line", "Same line", {}},
      {"Name:\\tValue", "Imya:\\tZnachenie", {}},
      // broken
      {"Line one\\r\\nLine two", "Stroka odin Stroka dva",
       {"line 1: escape: lost \"\\n\"", "line 1: escape: lost \"\\r\""}},
      {"a\\nb\\nc", "a\\nb\\nc\\n\\n", {"line 1: escape: added \"\\n\" (2 times)"}},
      {"Tab\\there", "Tab\\x09here", {"line 1: escape: lost \"\\t\"", "line 1: escape: added \"\\x09\""}},
      {"literal \\\\t here", "bukvalno \\t zdes", {"line 1: escape: lost \"\\\\t\"", "line 1: escape: added \"\\t\""}},
      {"%s has %d gold", "%s est zoloto", {"line 1: format: lost \"%d\""}},
      {"%5.2f%%", "%5.2d%%", {"line 1: format: added \"%5.2d\"", "line 1: format: lost \"%5.2f\""}},
      {"<color=#FF0000>Red</color>", "<color=#FF0000>Krasnyi",
       {"line 1: tag: lost \"</color>\""}},
      {"Hello {player}", "Privet {igrok}",
       {"line 1: placeholder: added \"{igrok}\"", "line 1: placeholder: lost \"{player}\""}},
      {"Press [E]", "Nazhmi E", {"line 1: placeholder: lost \"[E]\""}},
      {"\\x20Press START\\x20", "Nazhmi START",
       {"line 1: blanks: leading \"\\x20\" became \"\"", "line 1: blanks: trailing \"\\x20\" became \"\""}},
      {"  two spaces", " odin", {"line 1: blanks: leading \"  \" became \" \""}},
      {"end\\t", "konec", {"line 1: blanks: trailing \"\\t\" became \"\""}},
      {"Text", "", {}},
  };
  for (const CheckCase& c : cases) {
    EXPECT_EQ(Findings(c.en, c.ru), c.findings) << "EN: " << c.en << "\nRU: " << c.ru;
  }
}

TEST(CheckLines, NumbersTheLines) {
  const std::vector<std::string> en = {"a %s", "b", "c\\n"};
  const std::vector<std::string> ru = {"a %s", "B", "C"};
  std::vector<TLineFinding> f = CheckLines(en, ru);
  ASSERT_EQ(f.size(), 1u);
  EXPECT_EQ(FormatFinding(f[0]), "line 3: escape: lost \"\\n\"");
}

using CheckMode = VelloranFolderTest;

TEST_F(CheckMode, ListsFindingsAndEndsWithStatusOne) {
  WriteBytes(W("en.txt"), CrLf({"Gold: %d", "<b>Quit</b>", "Ok"}));
  WriteBytes(W("ru.txt"), CrLf({"Zoloto: %d", "<b>Vyhod", "Ladno"}));
  WriteBytes(W("good.txt"), CrLf({"Zoloto: %d", "<b>Vyhod</b>", "Ladno"}));
  ToolResult r = Run({"-check", "en.txt", "ru.txt"});
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  EXPECT_EQ(r.out, "line 2: tag: lost \"</b>\"\nCheck: 1 findings in 1 lines\n");
  r = Run({"-check", "en.txt", "good.txt"});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(r.out, "Check: 0 findings in 0 lines\n");
  WriteBytes(W("short.txt"), CrLf({"Zoloto: %d"}));
  r = Run({"-check", "en.txt", "short.txt"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "Error: EN and RU differ in length: 3 and 1 lines\n");
  r = Run({"-check", "en.txt", "missing.txt"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "Not find file: " + W("missing.txt") + "\n");
}

}  // namespace
