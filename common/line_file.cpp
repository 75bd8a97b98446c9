#include "common/line_file.h"
#include "common/utf16.h"

#include "common/parallel_for.h"
#include "common/platform.h"
#include "common/stringlist.h"
#include "common/classic_string.h"

namespace {

// The text of a file behind a UTF-16 mark, as UTF-8.
std::string DecodeUtf16Body(std::string_view body, bool bigEndian) {
  std::string text = EncodeUnitsUtf8(UnitsFromBytes(body, bigEndian), true);
  if (body.size() % 2 != 0) text.push_back(body.back());
  return text;
}

// The text of a line file's bytes: decoded into `decoded` behind a UTF-16
// mark, without a leading UTF-8 mark.
std::string_view LineFileText(std::string_view bytes, std::string& decoded) {
  std::string_view text = bytes;
  if (StartsWith(bytes, "\xFF\xFE") || StartsWith(bytes, "\xFE\xFF")) {
    decoded = DecodeUtf16Body(bytes.substr(2), bytes[0] == '\xFE');
    text = decoded;
  }
  if (StartsWith(text, "\xEF\xBB\xBF")) text.remove_prefix(3);
  return text;
}

}  // namespace

std::vector<std::string> LineFileLines(std::string_view bytes) {
  std::string decoded;
  return SplitLines(LineFileText(bytes, decoded), TNulByte::InLine);
}

std::vector<std::string> ReadLineFile(const std::string& path) { return LineFileLines(ReadWholeFile(path)); }

void LoadLineFileViews(TLineFileView* const* views, const std::string* const* paths, size_t count) {
  ParallelForEach(count, 0, [&](size_t k) { views[k]->Load(*paths[k]); });
}

void TLineFileView::Load(const std::string& path) {
  lines_.clear();
  decoded_.clear();
  bytes_ = ReadWholeFile(path);
  lines_ = SplitLineViews(LineFileText(bytes_, decoded_), TNulByte::InLine);
}

namespace {

template <class Line>
void SaveLinesOf(const std::string& path, const std::vector<Line>& lines) {
  // The lines go out a block at a time, so that a file of 10^6 lines never
  // stands whole in memory a second time.
  constexpr size_t kBlock = size_t{1} << 20;
  std::string block;
  TByteParts batch(1);
  size_t next = 0;
  WriteWholeFile(path, [&]() -> const TByteParts* {
    if (next == lines.size()) return nullptr;
    block.clear();
    next = AppendLines(lines, next, kBlock, block);
    batch[0] = block;
    return &batch;
  });
}

}  // namespace

void SaveLineFile(const std::string& path, const std::vector<std::string>& lines) { SaveLinesOf(path, lines); }

void SaveLineFile(const std::string& path, const std::vector<std::string_view>& lines) { SaveLinesOf(path, lines); }
