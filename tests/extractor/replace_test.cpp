// The default mode's sequential replacement as korvane relies on it, the byte search and the
// whole-file UTF-16 codec of "-utf16".
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "common/utf16.h"
#include "extractor/datacodec.h"
#include "extractor/fast_replace.h"
#include "extractor/replace.h"
#include "tests/extractor/recording_reporter.h"
#include "tests/support/testutil.h"

namespace {

// The literal loop: each line searches the whole text as changed so far.
std::vector<bool> LiteralReplace(std::string& text, const std::vector<TReplaceItem>& items) {
  std::vector<bool> found;
  for (const auto& it : items) {
    size_t p = it.search.empty() ? std::string::npos : text.find(it.search);
    found.push_back(p != std::string::npos);
    if (p == std::string::npos) continue;
    std::string key = it.search.substr(0, it.keyLen);
    if (it.replacement.size() < key.size()) {
      text.erase(p, key.size() - it.replacement.size());
    } else if (it.replacement.size() > key.size()) {
      text.insert(p, std::string(it.replacement.size() - key.size(), '?'));
    }
    text.replace(p, it.replacement.size(), it.replacement);
  }
  return found;
}

std::string Bytes(std::initializer_list<int> b) {
  std::string s;
  for (int c : b) s.push_back(static_cast<char>(c));
  return s;
}

}  // namespace

// The first unmatched line is shown and waited on once; later ones go only
// to the report file, and the data is still written.
TEST(ReplaceItems, FirstMissPausesOnceBeforeTheRunGoesOn) {
  TempDir dir;
  TParametrs p;
  p.operation = "replace";
  p.file_data = dir.File("d.bin");
  p.file_txt = dir.File("t.txt");
  WriteBytes(p.file_txt, "X\r\nY\r\nZ");
  std::vector<TScript> scripts(1);
  TExtraction ex;
  ex.lines = {"q", "a", "w"};
  ex.raw_lines = ex.lines;
  ex.items.resize(3);
  TDataText data;
  data.text = TByteBuffer("abc");
  TReportState report;
  TRecordingReporter reporter;
  ReplaceItems(p, scripts, ex, data, report, reporter);
  EXPECT_EQ(reporter.out, "WARNING: DETECTED NOT FIND LINES!!! NotCompare \\r\\n ???\nError: " + p.file_data +
                              "\nq\n...\n<pause>\nDone: " + p.file_data + "\n");
  EXPECT_EQ(report.not_found_text, "FILE: " + p.file_data + "\r\n\r\nq\r\n\r\nw\r\n\r\n");
  EXPECT_EQ(ReadBytes(p.file_data), "Ybc");
}

TEST(FindBytes, AgreesWithPlainSearch) {
  // Texts long enough for the sixteen-byte steps, and texts of mostly one
  // letter, on which the search hands over to the linear one midway.
  std::mt19937 rng(5);
  const std::string alphabets[] = {std::string("ab\0c", 4), "aaaaaaab", "abcdefghijklmnop"};
  for (int round = 0; round < 6000; ++round) {
    const std::string& alpha = alphabets[round % 3];
    std::string hay = RandomString(rng, alpha, 0, round % 2 ? 80 : 2000);
    std::string needle = round % 4 == 0 ? RandomPiece(rng, hay, 40) : RandomString(rng, alpha, 0, round % 5 == 0 ? 40 : 12);
    size_t from = 1 + rng() % (hay.size() + 2);
    size_t r = hay.find(needle, from - 1);
    size_t want = needle.empty() || from > hay.size() || r == std::string::npos ? 0 : r + 1;
    ASSERT_EQ(FindBytes(hay, needle, from), want) << hay << " / " << needle << " from " << from;
  }
  EXPECT_EQ(FindBytes("abc", "", 1), 0u);
  EXPECT_EQ(FindBytes("abc", "c", 0), 0u);
}

TEST(ReplaceSequentialFast, EdgeCases) {
  std::string text = "L[abc]R L[abc]R";
  auto found = ReplaceSequentialFast(text, {{"[abc]", 1, "[Hello"}, {"", 0, "X"}, {"zzz", 1, "q"}});
  EXPECT_EQ(text, "L[Helloabc]R L[abc]R");
  EXPECT_EQ(found, (std::vector<bool>{true, false, false}));
  // A later line can find text that an earlier translation wrote.
  text = "<a><b>";
  found = ReplaceSequentialFast(text, {{"a>", 1, "b"}, {"b>", 1, "c"}, {"b>", 1, "d"}});
  EXPECT_EQ(text, "<c><d>");
  // Key of length 0 with a right part: the replacement is inserted.
  text = "xy";
  ReplaceSequentialFast(text, {{"y", 0, "--"}});
  EXPECT_EQ(text, "x--y");
}

TEST(ReplaceSequentialFast, AgreesWithTheLiteralLoop) {
  std::mt19937 rng(77);
  for (int round = 0; round < 3000; ++round) {
    std::string text = RandomString(rng, "abc", 0, 60);
    const std::string original = text;
    std::vector<TReplaceItem> items;
    int n = static_cast<int>(rng() % 12);
    for (int i = 0; i < n; ++i) {
      TReplaceItem it;
      it.search = RandomString(rng, "abc", 0, 4);
      it.keyLen = it.search.empty() ? 0 : rng() % (it.search.size() + 1);
      it.replacement = RandomString(rng, "abcd", 0, 6);
      items.push_back(it);
    }
    std::string want = original;
    auto wantFound = LiteralReplace(want, items);
    auto gotFound = ReplaceSequentialFast(text, items);
    ASSERT_EQ(text, want) << original;
    ASSERT_EQ(gotFound, wantFound);
  }
}

TEST(DataCodec, Utf16LittleAndBigEndian) {
  TDataEncoding enc;
  std::string le = Bytes({0xFF, 0xFE, 'A', 0, 0x0D, 0, 0x0A, 0, 0, 0, 0x3A, 0x04, 'B', 0});
  std::string text = DecodeDataFile(le, enc);
  EXPECT_EQ(enc.mark, TDataMark::Utf16LE);
  EXPECT_EQ(text, std::string("A\r\n\0\xD0\xBA" "B", 7));  // NUL and line break kept, no CR LF added
  std::string back;
  ASSERT_TRUE(EncodeDataFile(text, enc, back));
  EXPECT_EQ(back, le);

  std::string be = Bytes({0xFE, 0xFF, 0, 'A', 0, 0x0A, 0xFE, 0xFF, 0xD8, 0x3D, 0xDE, 0x00, 0x12});
  text = DecodeDataFile(be, enc);
  EXPECT_EQ(enc.mark, TDataMark::Utf16BE);
  EXPECT_TRUE(enc.hasOddByte);
  // A second U+FEFF is kept; surrogates become three bytes each.
  EXPECT_EQ(text, "A\n\xEF\xBB\xBF\xED\xA0\xBD\xED\xB8\x80");
  ASSERT_TRUE(EncodeDataFile(text, enc, back));
  EXPECT_EQ(back, be);
}

TEST(DataCodec, Utf8MarkAndPlainBytes) {
  TDataEncoding enc;
  std::string u8 = "\xEF\xBB\xBFhi\xFF";
  EXPECT_EQ(DecodeDataFile(u8, enc), "hi\xFF");
  EXPECT_EQ(enc.mark, TDataMark::Utf8);
  std::string back;
  ASSERT_TRUE(EncodeDataFile("hi\xFF", enc, back));
  EXPECT_EQ(back, u8);
  std::string plain("a\r\n\0b\xFE", 6);
  EXPECT_EQ(DecodeDataFile(plain, enc), plain);
  EXPECT_EQ(enc.mark, TDataMark::None);
  ASSERT_TRUE(EncodeDataFile(plain, enc, back));
  EXPECT_EQ(back, plain);
  EXPECT_EQ(DecodeDataFile("\xFF", enc), "\xFF");
  EXPECT_EQ(enc.mark, TDataMark::None);
}

TEST(DataCodec, TranslationsEncodeAndBadTextIsRefused) {
  TDataEncoding enc;
  DecodeDataFile(Bytes({0xFF, 0xFE}), enc);
  std::string out;
  // A four-byte sequence typed by a translator becomes a surrogate pair.
  ASSERT_TRUE(EncodeDataFile("\xF0\x9F\x98\x80", enc, out));
  EXPECT_EQ(out, Bytes({0xFF, 0xFE, 0x3D, 0xD8, 0x00, 0xDE}));
  EXPECT_FALSE(EncodeDataFile("ok\xFF", enc, out));
  EXPECT_FALSE(EncodeDataFile("\xC0\x80", enc, out));
  EXPECT_FALSE(EncodeDataFile("\xE2\x82", enc, out));
}

TEST(DataCodec, RandomUnitsComeBackByteIdentical) {
  std::mt19937 rng(3);
  for (int round = 0; round < 2000; ++round) {
    std::string file = rng() % 2 ? Bytes({0xFF, 0xFE}) : Bytes({0xFE, 0xFF});
    int units = static_cast<int>(rng() % 20);
    for (int i = 0; i < units; ++i) {
      uint16_t u;
      switch (rng() % 4) {
        case 0: u = static_cast<uint16_t>(rng() % 0x80); break;
        case 1: u = static_cast<uint16_t>(0xD800 + rng() % 0x800); break;  // lone or paired surrogates
        case 2: u = static_cast<uint16_t>(rng() % 0x10000); break;
        default: u = rng() % 2 ? 0xFEFF : 0x000D; break;
      }
      file.push_back(static_cast<char>(file[0] == '\xFF' ? u & 0xFF : u >> 8));
      file.push_back(static_cast<char>(file[0] == '\xFF' ? u >> 8 : u & 0xFF));
    }
    if (rng() % 3 == 0) file.push_back('\x42');
    TDataEncoding enc;
    std::string text = DecodeDataFile(file, enc);
    std::string back;
    ASSERT_TRUE(EncodeDataFile(text, enc, back));
    ASSERT_EQ(back, file);
    // The unit encoding is the one of the shared WideToUtf8 (apart from the
    // leading U+FEFF that WideToUtf8 drops).
    std::u16string w;
    for (size_t i = 2; i + 1 < file.size(); i += 2) {
      uint16_t a = static_cast<unsigned char>(file[i]), b = static_cast<unsigned char>(file[i + 1]);
      w.push_back(static_cast<char16_t>(file[0] == '\xFF' ? (b << 8) | a : (a << 8) | b));
    }
    std::u16string guarded = u"x" + w;
    ASSERT_EQ("x" + text, WideToUtf8(guarded));
  }
}
