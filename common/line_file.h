// Line files: the text files that both programs read as lists of lines
// (translations, scripts, trash lists, logs). Translators save them in
// whatever editor they have, so a file may begin with a UTF-8 byte-order
// mark or be UTF-16 behind its mark, and an extracted string may hold byte 0.
// Reading takes all of that without losing a byte; writing stays 8-bit text
// with CR LF after every line and no mark (JoinLines).
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "common/byte_buffer.h"

// The lines of a line file's bytes:
// - behind FF FE (little-endian) or FE FF (big-endian) the UTF-16 units
//   become UTF-8: a surrogate pair as its one character, an unpaired
//   surrogate as its own three bytes, an odd last byte kept as it is at the
//   end of the text;
// - then a leading UTF-8 mark EF BB BF is dropped;
// - the text is split at CR, LF or CR LF with no empty last line for a final
//   break, and a NUL byte is an ordinary byte of its line.
// Anything else is taken byte for byte.
std::vector<std::string> LineFileLines(std::string_view bytes);

// Reads the file whole (ReadWholeFile, with its errors) and gives its lines.
std::vector<std::string> ReadLineFile(const std::string& path);

// A line file read whole, its lines as views into the bytes it keeps: a
// text file of 10^5 lines costs one block instead of one string per line.
// The lines are those of ReadLineFile. Not copied or moved: the views point
// into the object itself.
class TLineFileView {
 public:
  TLineFileView() = default;
  TLineFileView(const TLineFileView&) = delete;
  TLineFileView& operator=(const TLineFileView&) = delete;

  // Reads the file (ReadWholeFile, with its errors) in place of the lines held.
  void Load(const std::string& path);

  size_t size() const { return lines_.size(); }
  std::string_view operator[](size_t i) const { return lines_[i]; }
  // The views themselves, for a pass that drops or reorders lines; the
  // bytes they view stay as they are.
  std::vector<std::string_view>& Lines() { return lines_; }

 private:
  TByteBuffer bytes_;
  std::string decoded_;  // the text of a UTF-16 file, as UTF-8
  std::vector<std::string_view> lines_;
};

// Loads views[k] from paths[k] for k below count, the files side by side;
// of files that cannot be read, the first in that order raises its error.
void LoadLineFileViews(TLineFileView* const* views, const std::string* const* paths, size_t count);

// Writes the lines as a line file: 8-bit text, every line followed by CR LF,
// no mark, through a temporary file put over the target (WriteWholeFile,
// with its errors).
void SaveLineFile(const std::string& path, const std::vector<std::string>& lines);
void SaveLineFile(const std::string& path, const std::vector<std::string_view>& lines);
