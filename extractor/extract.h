// The extraction pass: the data text, the search of all script entries at
// once, the cut of each match into left part, text and right part, the
// removals of repeated and unwanted lines, and the writing of the text file.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/byte_buffer.h"
#include "extractor/datacodec.h"
#include "extractor/params.h"
#include "extractor/reporter.h"
#include "extractor/script.h"

struct TInfoLINE {
  int32_t script_index = 0;
  std::string left_text;
  std::string right_text;
  std::string left_re;
  std::string right_re;
};

struct TDataText {
  TByteBuffer text;
  TDataEncoding encoding;  // with "-utf16": how the file was encoded
};

// The parallel sequences: line i, item i and raw line i belong together. The
// items are kept only for a replacement, the raw lines (the texts before
// their export) only with "-bq_sys".
struct TExtraction {
  std::vector<std::string> lines;
  std::vector<TInfoLINE> items;
  std::vector<std::string> raw_lines;
  // False when an error ended the search loop early: the lines are those
  // found before it.
  bool complete = true;
};

inline constexpr int64_t kPieceSize = 60000000;
inline constexpr int64_t kSplitWindow = 983040;
inline constexpr int64_t kSplitThreshold = kPieceSize + 1000000;

// The console line that reports a search ended by a PCRE2 error.
std::string SearchErrorWarning(std::string_view pattern, const std::string& errorText);

// Reads the data file (for reading only), splits a file over the threshold
// into pieces, and applies "-add_final_enter". Returns false when the user
// refuses to continue after the splitting.
bool LoadDataText(const TParametrs& p, const std::vector<TScript>& scripts, TDataText& data,
                  TReporter& reporter);

// data.bin -> data_1.bin; a name without extension gets _1 at its end.
std::string PieceFileName(const std::string& dataPath, int k);
// Writes the missing piece files of data (the content of the file at path).
void SplitDataFile(std::string_view data, const std::string& path, std::string_view pattern,
                   TReporter& reporter);

// Takes the lines found so far, in order, while the search goes on.
using TExtractionSink = std::function<void(TExtraction&& lines)>;
// Lines handed to a sink at a time (the last batch may be shorter).
inline constexpr size_t kSinkBatch = 4096;

// The search loop over the data text (viewed, not copied). With a sink the
// lines leave the extraction batch by batch as they are found, the last
// ones when the search ends; what is returned then holds only `complete`.
TExtraction ExtractItems(std::string_view data, std::vector<TScript>& scripts, const TParametrs& p,
                         TReporter& reporter, const TExtractionSink& sink = nullptr);

// "-d": a repeated line is dropped after its first occurrence; every empty
// line goes too. The three sequences stay parallel.
void RemoveDuplicateLines(TExtraction& ex);
// "-del_lines_trash": lines matching a pattern of the trash file are dropped.
void RemoveTrashLines(TExtraction& ex, const TParametrs& p, TReporter& reporter);
// Deletes every empty line together with its item and raw line.
void DeleteEmptyLines(TExtraction& ex);

// "extract": saves the lines (when there is one) and prints "Done: ".
void WriteTextFile(const TExtraction& ex, const TParametrs& p, TReporter& reporter);
