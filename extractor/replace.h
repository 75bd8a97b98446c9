// The replacement pass: puts the edited lines of the text file back into
// the data text in the places where the extraction found their originals,
// and writes the data file.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/errors.h"
#include "extractor/extract.h"
#include "extractor/params.h"
#include "extractor/reporter.h"
#include "extractor/script.h"

// A line of the replacement failed. The message is "ERROR LINE: <number>
// <line>"; the cause is the message of the error behind it. The program
// prints both, cause first.
class EReplaceLineError : public EError {
 public:
  EReplaceLineError(const std::string& message, std::string cause)
      : EError(message), cause_(std::move(cause)) {}
  const std::string& Cause() const { return cause_; }
  const char* ClassName() const override { return "EReplaceLineError"; }

 private:
  std::string cause_;
};

// Unmatched lines and kept quotes, reported at the end of the run.
struct TReportState {
  std::string not_found_text;
  std::string quot_warnings;
  bool first_miss = false;
};

// 1-based position of needle in hay at or after from, 0 when absent or empty.
size_t FindBytes(std::string_view hay, std::string_view needle, size_t from = 1);

// Runs the pass when the operation is "replace". Raises EReplaceLineError
// when a line fails (the data file is then unchanged) and the errors of
// the final write (the temporary file "<data>.temp" then holds the result).
// The extraction is used up: what the pass no longer reads of it is
// released on the way.
void ReplaceItems(const TParametrs& p, const std::vector<TScript>& scripts, TExtraction& ex,
                  TDataText& data, TReportState& report, TReporter& reporter);

// Whether ExtractAndReplace serves the run: the default mode and "-b",
// without "-rep_reg", "-d", "-rep_input_txt", a trash file, and "-utf16"
// with "-b".
bool ReplacesWhileExtracting(const TParametrs& p);
// The extraction and the replacement side by side: the lines are converted
// (with "-b" also replaced and written) while the search goes on, with the
// console lines, errors and result of ExtractItems followed by ReplaceItems.
// Returns whether the extraction was complete.
bool ExtractAndReplace(const TParametrs& p, std::vector<TScript>& scripts, TDataText& data, TReportState& report,
                       TReporter& reporter);

// Appends the report to "NOT_FIND_LINES.txt" in the program directory when
// there is anything to report.
void WriteNotFoundReport(const TReportState& report);
