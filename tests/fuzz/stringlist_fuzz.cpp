// Line splitting, the line-file loader, and the loading and saving of
// TStringListEX (byte-order marks, UTF-16 of odd length, lone surrogates,
// NUL bytes) against literal loops written from the rules of the line list,
// and the whole-file codec of "-utf16", whose decoding must encode back to
// the very same bytes.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "common/line_file.h"
#include "common/utf16.h"
#include "common/stringlist.h"
#include "common/classic_string.h"
#include "extractor/datacodec.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/support/split_reference.h"

namespace {

void PutUnit(uint16_t u, std::string& out) {
  if (u < 0x80) {
    out.push_back(static_cast<char>(u));
  } else if (u < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (u >> 6)));
    out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (u >> 12)));
    out.push_back(static_cast<char>(0x80 | ((u >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
  }
}

// The units of the bytes (an odd last byte ignored), a leading U+FEFF
// dropped, each unit encoded on its own.
std::string RefWideToUtf8(const std::string& bytes, bool bigEndian) {
  std::vector<uint16_t> units;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const uint16_t x = static_cast<unsigned char>(bytes[i]);
    const uint16_t y = static_cast<unsigned char>(bytes[i + 1]);
    units.push_back(bigEndian ? static_cast<uint16_t>((x << 8) | y) : static_cast<uint16_t>((y << 8) | x));
  }
  std::string out;
  for (size_t i = 0; i < units.size(); ++i) {
    if (i == 0 && units[i] == 0xFEFF) continue;
    PutUnit(units[i], out);
  }
  return out;
}

struct RefLoad {
  std::vector<std::string> lines;
  int32_t encoding;
  bool bom;
};

RefLoad RefLoadStream(std::string b, int32_t requested, int32_t encoding, bool bom) {
  if (b.size() >= 2 && b[0] == '\xFF' && b[1] == '\xFE') {
    bom = true;
    encoding = TStringListEX::kEncUtf16LE;
    b = RefWideToUtf8(b.substr(2), false);
  }
  if (b.size() >= 2 && b[0] == '\xFE' && b[1] == '\xFF') {
    bom = true;
    encoding = TStringListEX::kEncUtf16BE;
    b = RefWideToUtf8(b.substr(2), true);
  }
  if (requested == TStringListEX::kEncUtf8 && (b.empty() || !IsValidUtf8(b))) {
    std::string latin;  // the 8-bit code page: byte per character
    for (unsigned char c : b) PutUnit(c, latin);
    b = latin;
  }
  if (b.size() >= 3 && b.compare(0, 3, "\xEF\xBB\xBF") == 0) b.erase(0, 3);
  return {ReferenceSplitLines(b), encoding, bom};
}

bool BeginsWithMark(const std::string& s) {
  return (s.size() >= 2 && ((s[0] == '\xFF' && s[1] == '\xFE') || (s[0] == '\xFE' && s[1] == '\xFF'))) ||
         (s.size() >= 3 && s.compare(0, 3, "\xEF\xBB\xBF") == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const uint8_t mode = in.Byte();
  const std::string bytes = in.Rest(1 << 16);

  // Splitting and joining.
  const std::vector<std::string> lines = SplitLines(bytes);
  FUZZ_CHECK(lines == ReferenceSplitLines(bytes), bytes);
  FUZZ_CHECK(SplitLines(JoinLines(lines)) == lines, bytes);
  TStringList plain;
  plain.SetText(bytes);
  FUZZ_CHECK(plain.Lines() == lines, bytes);
  FUZZ_CHECK(plain.Text() == JoinLines(lines), bytes);

  // The line-file loader: without a mark and without NUL bytes it splits
  // like the text setter; without a UTF-16 mark no NUL byte is lost. Behind
  // a UTF-16 mark it decodes any bytes.
  const std::vector<std::string> fileLines = LineFileLines(bytes);
  const bool utf16Mark = bytes.size() >= 2 && ((bytes[0] == '\xFF' && bytes[1] == '\xFE') ||
                                               (bytes[0] == '\xFE' && bytes[1] == '\xFF'));
  const auto nuls = [](const std::string& s) { return std::count(s.begin(), s.end(), '\0'); };
  if (!BeginsWithMark(bytes) && nuls(bytes) == 0) FUZZ_CHECK(fileLines == lines, bytes);
  if (!utf16Mark) FUZZ_CHECK(nuls(JoinLines(fileLines)) == nuls(bytes), bytes);

  // Loading with the recorded values of an earlier load.
  static const int32_t kEncodings[] = {0, TStringListEX::kEncUtf8, TStringListEX::kEncUtf16LE,
                                       TStringListEX::kEncUtf16BE};
  const int32_t requested = (mode & 1) ? TStringListEX::kEncUtf8 : 0;
  const int32_t prevEncoding = kEncodings[(mode >> 1) & 3];
  const bool prevBom = (mode & 8) != 0;
  TStringListEX list;
  list.Add("earlier content");
  list.Encoding = prevEncoding;
  list.WriteBOM = prevBom;
  list.LoadFromStreamEX(bytes, requested);
  const RefLoad ref = RefLoadStream(bytes, requested, prevEncoding, prevBom);
  FUZZ_CHECK(list.Lines() == ref.lines, bytes);
  FUZZ_CHECK(list.Encoding == ref.encoding, bytes);
  FUZZ_CHECK(list.WriteBOM == ref.bom, bytes);
  if (requested == TStringListEX::kEncUtf8) FUZZ_CHECK(IsValidUtf8(list.Text()), bytes);

  // Saving with the recorded values and loading again gives the same lines
  // and values, except where the rules themselves change the text: text that
  // is not UTF-8 written as UTF-16 (byte per character), a first line that
  // begins with a mark of its own (dropped by the conversion or taken as
  // the file's mark), and a mark written before text that is not UTF-8.
  const bool writeMark = (mode & 16) != 0;
  const std::string text = list.Text();
  const std::string saved = list.SaveToStreamEX(writeMark);
  if (writeMark) FUZZ_CHECK(list.WriteBOM, bytes);
  const bool utf16 = list.WriteBOM && (list.Encoding == TStringListEX::kEncUtf16LE ||
                                       list.Encoding == TStringListEX::kEncUtf16BE);
  if (utf16) {
    FUZZ_CHECK(saved.size() >= 2, bytes);
    FUZZ_CHECK(saved.size() % 2 == 0, bytes);
  }
  const bool textIsPlain = !utf16 && !(list.WriteBOM && list.Encoding == TStringListEX::kEncUtf8);
  if (textIsPlain) FUZZ_CHECK(saved == text, bytes);
  bool fourByte = false;  // four-byte sequences come back as two three-byte units
  for (unsigned char c : text) fourByte = fourByte || c >= 0xF0;
  const bool comparable = !BeginsWithMark(text) && (!utf16 || (IsValidUtf8(text) && !fourByte));
  if (comparable) {
    TStringListEX again;
    again.LoadFromStreamEX(saved, 0);
    FUZZ_CHECK(again.Lines() == list.Lines(), bytes);
    if (utf16) {
      FUZZ_CHECK(again.Encoding == list.Encoding, bytes);
      FUZZ_CHECK(again.WriteBOM, bytes);
    }
  }

  // The whole-file codec of "-utf16": decoding and encoding again gives the
  // file back byte for byte.
  TDataEncoding enc;
  const std::string decoded = DecodeDataFile(bytes, enc);
  std::string encoded;
  FUZZ_CHECK(EncodeDataFile(decoded, enc, encoded), bytes);
  FUZZ_CHECK(encoded == bytes, bytes);
  return 0;
}
