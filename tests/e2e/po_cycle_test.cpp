// The cycle on the bundled sample with the translation done in a PO file:
// korvane extract -> velloran -o -> velloran -topo -> a translation tool
// (gettext's msgmerge fills the exported file from the translator's own PO
// file, made here from samples/dialog.ru.txt) -> velloran -frompo ->
// velloran -r -> korvane replace -> a fresh extraction of the result.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/platform.h"
#include "tests/e2e/e2e_support.h"

using namespace e2e;

namespace {

// A PO string as a translator's tool writes it, on one line.
std::string PoQuote(const std::string& s) {
  std::string q = "\"";
  for (char c : s) {
    if (c == '\\' || c == '"') {
      q += '\\';
      q += c;
    } else if (c == '\t') {
      q += "\\t";
    } else {
      q += c;
    }
  }
  return q + "\"";
}

TEST(PoCycle, SampleTranslatedThroughAPoFile) {
  const std::string msgmerge = "/usr/bin/msgmerge";
  ASSERT_TRUE(IsRegularFile(msgmerge)) << "msgmerge (Debian package gettext) is needed";
  const std::string samples = std::string(KV_SOURCE_DIR) + "/samples/";
  Workspace ws;
  WriteBytes(ws.KorvaneDir() + "script_list.txt", ReadBytes(samples + "script_list.txt"));
  const std::string data = ReadBytes(samples + "dialog.dat");
  const std::string translation = ReadBytes(samples + "dialog.ru.txt");
  ASSERT_FALSE(data.empty());
  WriteBytes(ws.F("dialog.dat"), data);

  ASSERT_TRUE(ws.KorvaneOk("extract", "dialog.dat", "dialog.txt", {}));
  ASSERT_TRUE(ws.VelloranOk({"-o", "dialog.txt"}));
  const std::vector<std::string> en = SplitCrLf(ReadBytes(ws.F("2Optimize_EN/dialog.txt")));
  const std::vector<std::string> ru = SplitCrLf(translation);
  ASSERT_EQ(en.size(), ru.size());

  ToolResult r = ws.Velloran({"-topo", "2Optimize_EN/dialog.txt", "dialog.po"});
  ASSERT_EQ(r.status, 0) << r.out << r.err;

  // The translator's own file: every pair of the sample, last line first.
  std::string mine = "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n";
  for (size_t i = en.size(); i-- > 0;) mine += "\nmsgid " + PoQuote(en[i]) + "\nmsgstr " + PoQuote(ru[i]) + "\n";
  WriteBytes(ws.F("mine.po"), mine);
  ToolResult m = RunTool(msgmerge, {"--quiet", "--no-fuzzy-matching", "-o", "translated.po", "mine.po", "dialog.po"},
                         ws.F(""));
  ASSERT_EQ(m.status, 0) << m.out << m.err;

  r = ws.Velloran({"-frompo", "translated.po", "2Optimize_EN/dialog.txt", "3Optimize_RU/dialog.txt"});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("Check: 0 findings in 0 lines\n"), std::string::npos) << r.out;
  ASSERT_EQ(ReadBytes(ws.F("3Optimize_RU/dialog.txt")), translation);

  ASSERT_TRUE(ws.VelloranOk({"-r", "dialog.txt"}));
  ASSERT_TRUE(ws.KorvaneOk("replace", "dialog.dat", "4Recover_RU/dialog.txt", {"-out_data", "dialog_ru.dat"}));
  EXPECT_EQ(ReadBytes(ws.F("dialog.dat")), data);
  ASSERT_TRUE(ws.KorvaneOk("extract", "dialog_ru.dat", "check.txt", {}));
  const std::string recovered = ReadBytes(ws.F("4Recover_RU/dialog.txt"));
  EXPECT_EQ(ReadBytes(ws.F("check.txt")), recovered);
  EXPECT_NE(recovered.find(ru[0]), std::string::npos);
}

}  // namespace
