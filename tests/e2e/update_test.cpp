// A new version of the game data (strings added, changed, removed) after a
// finished translation of the old one: korvane extract and velloran -o on
// the new data, then velloran -u carries the old translation over, and
// velloran -cpd -addoldenru builds the patch of new and changed lines with
// the record files beside it. The translator's result then goes through the
// rest of the cycle into the new data.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "tests/e2e/e2e_data.h"

using namespace e2e;

namespace {

std::vector<std::string> Unique(const std::vector<std::string>& lines) {
  std::vector<std::string> out;
  std::set<std::string> seen;
  for (const std::string& l : lines)
    if (seen.insert(l).second) out.push_back(l);
  return out;
}

// One version of the data: places of two shapes, each holding a string.
struct Version {
  std::vector<std::string> strings;  // per place
  std::vector<int> shape;            // 0 bracket, 1 tag
};

Data Build(std::mt19937& rng, const Version& v) {
  Data d;
  for (size_t i = 0; i < v.strings.size(); ++i) {
    d.Fixed(Noise(rng, 0, 50));
    if (v.shape[i] == 0) {
      d.Fixed("[");
      d.Put(v.strings[i], 0);
      d.Fixed("]");
    } else {
      d.Fixed("<t id=" + std::to_string(i % 997) + ">");
      d.Put(v.strings[i], 1);
      d.Fixed("</t>");
    }
  }
  d.Fixed(Noise(rng, 0, 50));
  return d;
}

class Update : public testing::Test {
 protected:
  void SetUp() override {
    std::mt19937 rng(20240611);
    Features f;
    f.min_words = 3;
    f.max_words = 9;
    // the old version: 1200 distinct strings over 3000 places
    std::set<std::string> pool;
    while (pool.size() < 1200) pool.insert(GenString(rng, f));
    std::vector<std::string> p1(pool.begin(), pool.end());
    std::shuffle(p1.begin(), p1.end(), rng);
    for (size_t i = 0; i < 3000; ++i) {
      oldV_.strings.push_back(i < p1.size() ? p1[i] : p1[std::uniform_int_distribution<size_t>(0, p1.size() - 1)(rng)]);
      oldV_.shape.push_back(static_cast<int>(rng() % 2));
    }
    // the new version: a tenth removed, a tenth changed by one more word (long
    // strings only, so that the similarity search can pair them), new strings
    // added at random places
    std::uniform_int_distribution<int> pct(0, 99);
    for (const std::string& s : p1) {
      int p = pct(rng);
      if (p < 10) {
        removed_.insert(s);
      } else if (p < 20 && s.size() >= 24) {
        std::string c;
        do {
          size_t at = s.find(' ', s.size() / 3);
          if (at == std::string::npos) at = s.size() / 2;
          c = s.substr(0, at) + " " + Word(rng, 3, 6) + s.substr(at);
        } while (pool.count(c));
        changed_[s] = c;
        pool.insert(c);
      }
    }
    std::vector<std::string> added;
    while (added.size() < 150) {
      std::string s = GenString(rng, f);
      if (pool.insert(s).second) added.push_back(s);
    }
    size_t nextAdded = 0;
    for (size_t i = 0; i < oldV_.strings.size(); ++i) {
      if (pct(rng) < 6 && nextAdded < added.size()) {
        newV_.strings.push_back(added[nextAdded++]);
        newV_.shape.push_back(static_cast<int>(rng() % 2));
      }
      const std::string& s = oldV_.strings[i];
      if (removed_.count(s)) continue;
      newV_.strings.push_back(changed_.count(s) ? changed_[s] : s);
      newV_.shape.push_back(oldV_.shape[i]);
    }
    while (nextAdded < added.size()) {
      newV_.strings.push_back(added[nextAdded++]);
      newV_.shape.push_back(0);
    }
    // a few empty places, which only "-ee" extracts
    for (int i = 0; i < 8; ++i) {
      size_t at = std::uniform_int_distribution<size_t>(0, newV_.strings.size())(rng);
      newV_.strings.insert(newV_.strings.begin() + static_cast<long>(at), "");
      newV_.shape.insert(newV_.shape.begin() + static_cast<long>(at), 0);
    }
    entries_ = {EntryOf(Shape::kBracket), EntryOf(Shape::kTag)};
    oldData_ = Build(rng, oldV_);
    newData_ = Build(rng, newV_);
    ws_.Script(ScriptText(entries_, false));
    WriteBytes(F("old/game.dat"), oldData_.Text());
    WriteBytes(F("new/game.dat"), newData_.Text());
  }

  std::string F(const std::string& name) const { return ws_.F(name); }
  static std::string Export(const std::string& s) { return ExportRef(s, {}, ""); }

  // The old translation: extract, optimize, translate (a few lines, such as
  // names, left as they are).
  void TranslateOldVersion() {
    ASSERT_TRUE(ws_.KorvaneOk("extract", F("old/game.dat"), F("old/game.txt"), {}));
    ASSERT_TRUE(ws_.VelloranOk({"-o", F("old/game.txt"), F("old/en.txt")}));
    oldEn_ = SplitCrLf(ReadBytes(F("old/en.txt")));
    ASSERT_EQ(oldEn_, Unique(SplitCrLf(ReadBytes(F("old/game.txt")))));
    tr_ = TranslateAll(oldEn_, entries_, 99);
    for (size_t i = 0; i < oldEn_.size(); ++i) {
      if (i % 19 == 7) tr_[oldEn_[i]] = oldEn_[i];  // untranslated
      oldRu_.push_back(tr_[oldEn_[i]]);
    }
    WriteBytes(F("old/ru.txt"), CrLf(oldRu_));
  }

  void ExtractNewVersion() {
    ASSERT_TRUE(ws_.KorvaneOk("extract", F("new/game.dat"), F("new/game.txt"), {}));
    newSrc_ = SplitCrLf(ReadBytes(F("new/game.txt")));
    ASSERT_EQ(newSrc_, ExpectedLines(newData_, entries_, {}));
    ASSERT_TRUE(ws_.VelloranOk({"-o", F("new/game.txt"), F("new/en.txt")}));
    newEn_ = SplitCrLf(ReadBytes(F("new/en.txt")));
    ASSERT_EQ(newEn_, Unique(newSrc_));
  }

  bool InOld(const std::string& line) const {
    return std::find(oldEn_.begin(), oldEn_.end(), line) != oldEn_.end();
  }

  Workspace ws_;
  Version oldV_, newV_;
  std::set<std::string> removed_;
  std::map<std::string, std::string> changed_;  // old string -> new string
  std::vector<Entry> entries_;
  Data oldData_, newData_;
  std::vector<std::string> oldEn_, oldRu_, newSrc_, newEn_;
  std::map<std::string, std::string> tr_;
};

TEST_F(Update, UpdateCarriesTheTranslationOverAndTheCycleFinishesIt) {
  ASSERT_NO_FATAL_FAILURE(TranslateOldVersion());
  ASSERT_NO_FATAL_FAILURE(ExtractNewVersion());

  ToolResult r = ws_.Velloran({"-u", F("new/en.txt"), F("old/en.txt"), F("old/ru.txt"), F("new/ru.txt")});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  std::vector<std::string> ru = SplitCrLf(ReadBytes(F("new/ru.txt")));
  ASSERT_EQ(ru.size(), newEn_.size());
  size_t kept = 0, fresh = 0;
  for (size_t i = 0; i < newEn_.size(); ++i) {
    if (InOld(newEn_[i])) {
      ASSERT_EQ(Show(ru[i]), Show(tr_[newEn_[i]])) << "line " << i + 1 << " lost its translation";
      ++kept;
    } else {
      ASSERT_EQ(Show(ru[i]), Show(newEn_[i])) << "line " << i + 1 << " is new and must stay as it is";
      ++fresh;
    }
  }
  EXPECT_GT(kept, 800u);
  EXPECT_GT(fresh, 150u);

  // the old lines that the new version lost are reported
  std::vector<std::string> log = {"INPUT : " + F("old/en.txt"), "OUTPUT: " + F("new/en.txt")};
  size_t lost = 0;
  for (const std::string& l : oldEn_)
    if (std::find(newEn_.begin(), newEn_.end(), l) == newEn_.end()) {
      log.push_back(l);
      ++lost;
    }
  log.push_back(std::string(47, '-'));
  log.push_back("");
  EXPECT_EQ(ReadBytes(ws_.VelloranDir() + "NO_FIND.log"), CrLf(log));
  EXPECT_GT(lost, 150u);
  EXPECT_EQ(r.out, "Update text " + F("new/en.txt") + "\n" +
                       [&] {
                         std::string s;
                         for (size_t i = 0; i < lost; ++i) s += "Not Find Line + add line in to file NO_FIND.log\n";
                         return s;
                       }() +
                       "DONE\n");

  // the translator translates what is still English; then -r and replace
  std::map<std::string, std::string> newTr = TranslateAll(newEn_, entries_, 7);
  for (size_t i = 0; i < newEn_.size(); ++i)
    if (!InOld(newEn_[i])) ru[i] = newTr[newEn_[i]];
  WriteBytes(F("new/ru.txt"), CrLf(ru));
  ASSERT_TRUE(ws_.VelloranOk({"-r", F("new/game.txt"), F("new/en.txt"), F("new/ru.txt"), F("new/rec.txt")}));
  std::map<std::string, std::string> final;
  for (size_t i = 0; i < newEn_.size(); ++i) final[newEn_[i]] = ru[i];
  std::vector<std::string> rec;
  for (const std::string& l : newSrc_) rec.push_back(final[l]);
  ASSERT_EQ(ReadBytes(F("new/rec.txt")), CrLf(rec));

  ASSERT_TRUE(ws_.KorvaneOk("replace", F("new/game.dat"), F("new/rec.txt"), {}));
  ASSERT_TRUE(ws_.KorvaneOk("extract", F("new/game.dat"), F("new/fresh.txt"), {}));
  ASSERT_EQ(ReadBytes(F("new/fresh.txt")), ReadBytes(F("new/rec.txt")));
  std::vector<std::string> now;
  ASSERT_TRUE(ParseFrame(ReadBytes(F("new/game.dat")), newData_, &now));
  for (size_t i = 0; i < now.size(); ++i) {
    const std::string& was = newData_.slots[i].raw;
    bool translated = final[Export(was)] != Export(was);
    EXPECT_EQ(now[i].find(kMark) != std::string::npos, translated) << "string " << i + 1 << ": " << Show(now[i]);
    if (!translated) {
      EXPECT_EQ(now[i], was);
    }
    if (HasFailure()) break;
  }
}

TEST_F(Update, PatchHoldsTheNewAndChangedLinesWithTheirOldCounterparts) {
  ASSERT_NO_FATAL_FAILURE(TranslateOldVersion());
  ASSERT_NO_FATAL_FAILURE(ExtractNewVersion());

  ToolResult r = ws_.Velloran({"-cpd", "-addoldenru", F("rec/en.txt"), F("rec/ru.txt"), F("rec/log.txt"),
                               F("new/en.txt"), F("old/en.txt"), F("old/ru.txt"), F("patch/game.txt")});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(r.out, "Create Patch for: " + F("new/en.txt") + "\nCreate REC EN Patch: " + F("rec/en.txt") +
                       "\nCreate REC RU Patch: " + F("rec/ru.txt") + "\n");

  // every line that is new or changed, in the order of the new file
  std::vector<std::string> expected;
  for (const std::string& l : newEn_)
    if (!InOld(l)) expected.push_back(l);
  std::vector<std::string> patch = SplitCrLf(ReadBytes(F("patch/game.txt")));
  ASSERT_EQ(patch, expected);

  // the record files are line-parallel to the patch
  std::vector<std::string> recEn = SplitCrLf(ReadBytes(F("rec/en.txt")));
  std::vector<std::string> recRu = SplitCrLf(ReadBytes(F("rec/ru.txt")));
  std::vector<std::string> recLog = SplitCrLf(ReadBytes(F("rec/log.txt")));
  ASSERT_EQ(recEn.size(), patch.size());
  ASSERT_EQ(recRu.size(), patch.size());
  ASSERT_EQ(recLog.size(), patch.size());

  std::map<std::string, std::string> changedLine;  // new line -> old line it replaces
  for (const auto& [from, to] : changed_) changedLine[Export(to)] = Export(from);
  size_t paired = 0;
  for (size_t k = 0; k < patch.size(); ++k) {
    SCOPED_TRACE("patch line " + std::to_string(k + 1) + ": " + Show(patch[k]));
    if (recEn[k].empty()) {
      EXPECT_EQ(recRu[k], "");
      EXPECT_EQ(recLog[k], "");
    } else {
      // a row names an old line and that line's old translation
      auto it = std::find(oldEn_.begin(), oldEn_.end(), recEn[k]);
      ASSERT_NE(it, oldEn_.end()) << "record of a line that the old file lacks: " << Show(recEn[k]);
      const std::string& oldRu = oldRu_[it - oldEn_.begin()];
      if (oldRu == recEn[k]) {
        EXPECT_EQ(recRu[k], "");
        EXPECT_EQ(recLog[k], "!!!THIS EMPTY RU LINE!!!");
      } else {
        EXPECT_EQ(recRu[k], oldRu);
        EXPECT_TRUE(recLog[k] == "!!!MODIFY!!!" || recLog[k] == "!!!FIND_LEVENSHTEIN!!!") << recLog[k];
        if (recLog[k] == "!!!MODIFY!!!") {  // paired by position: the old line left the new file
          EXPECT_EQ(std::find(newEn_.begin(), newEn_.end(), recEn[k]), newEn_.end());
        }
      }
    }
    // a changed line is paired with the line it came from by similarity
    auto c = changedLine.find(patch[k]);
    if (c != changedLine.end()) {
      EXPECT_EQ(Show(recEn[k]), Show(c->second));
      if (recRu[k] != "") {
        EXPECT_EQ(recLog[k], "!!!FIND_LEVENSHTEIN!!!");
      }
      ++paired;
    }
    if (HasFailure()) break;
  }
  EXPECT_GT(paired, 50u);

  // the plain patch is the same
  ASSERT_TRUE(ws_.VelloranOk({"-cpd", F("new/en.txt"), F("old/en.txt"), F("old/ru.txt"), F("patch/plain.txt")}));
  EXPECT_EQ(ReadBytes(F("patch/plain.txt")), ReadBytes(F("patch/game.txt")));
}

// The finishing steps of velloran may delete patch lines (here "-df" the
// file-marker lines that name the game file a text file came from); the
// record files lose the same rows and stay line-parallel to the patch.
TEST_F(Update, RecordsStayParallelWhenFinishingStepsDropPatchLines) {
  ASSERT_NO_FATAL_FAILURE(TranslateOldVersion());
  // the new version extracted with its empty places
  ASSERT_TRUE(ws_.KorvaneOk("extract", F("new/game.dat"), F("new/game.txt"), {"-ee"}));
  ASSERT_EQ(SplitCrLf(ReadBytes(F("new/game.txt"))), ExpectedLines(newData_, entries_, {"-ee"}));
  ASSERT_TRUE(ws_.VelloranOk({"-o", F("new/game.txt"), F("new/en.txt")}));
  std::vector<std::string> en = SplitCrLf(ReadBytes(F("new/en.txt")));
  ASSERT_EQ(std::count(en.begin(), en.end(), ""), 1);

  // text files of several game files carry marker lines
  std::vector<std::string> newFile = {"file\\maps\\new_town.dat"}, oldEn = {"file\\maps\\old_town.dat"};
  newFile.insert(newFile.end(), en.begin(), en.begin() + static_cast<long>(en.size() / 2));
  newFile.push_back("file\\maps\\harbour.dat");
  newFile.insert(newFile.end(), en.begin() + static_cast<long>(en.size() / 2), en.end());
  oldEn.insert(oldEn.end(), oldEn_.begin(), oldEn_.end());
  std::vector<std::string> oldRu = {oldEn[0]};
  oldRu.insert(oldRu.end(), oldRu_.begin(), oldRu_.end());
  WriteBytes(F("m/new.txt"), CrLf(newFile));
  WriteBytes(F("m/old_en.txt"), CrLf(oldEn));
  WriteBytes(F("m/old_ru.txt"), CrLf(oldRu));

  auto patch = [&](const std::string& dir, std::vector<std::string> more) {
    std::vector<std::string> args = {"-cpd", "-addoldenru", F(dir + "/rec_en.txt"), F(dir + "/rec_ru.txt"),
                                     F(dir + "/log.txt"), F("m/new.txt"), F("m/old_en.txt"), F("m/old_ru.txt"),
                                     F(dir + "/patch.txt")};
    args.insert(args.end(), more.begin(), more.end());
    EXPECT_TRUE(ws_.VelloranOk(args));
    std::vector<std::vector<std::string>> rows;
    for (const char* name : {"/patch.txt", "/rec_en.txt", "/rec_ru.txt", "/log.txt"})
      rows.push_back(SplitCrLf(ReadBytes(F(dir + name))));
    return rows;
  };
  std::vector<std::vector<std::string>> all = patch("plain", {}), kept = patch("df", {"-df"});
  auto marker = [](const std::string& l) { return l.rfind("file\\", 0) == 0; };
  ASSERT_EQ(std::count_if(all[0].begin(), all[0].end(), marker), 2) << "the new markers are patch lines";
  std::vector<std::vector<std::string>> expected(4);
  for (size_t k = 0; k < all[0].size(); ++k) {
    for (size_t f = 0; f < 4; ++f) ASSERT_EQ(all[f].size(), all[0].size());
    if (marker(all[0][k])) continue;
    for (size_t f = 0; f < 4; ++f) expected[f].push_back(all[f][k]);
  }
  ASSERT_GT(expected[0].size(), 200u);
  for (size_t f = 0; f < 4; ++f) EXPECT_EQ(kept[f], expected[f]) << "file " << f;
}

}  // namespace
