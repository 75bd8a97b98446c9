#include "extractor/replace.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <functional>
#include <new>
#include <thread>
#include <utility>

#include "common/batch_queue.h"
#include "common/byte_arena.h"
#include "common/find_bytes.h"
#include "common/line_file.h"
#include "common/parallel_for.h"
#include "common/parts_queue.h"
#include "common/platform.h"
#include "common/classic_string.h"
#include "extractor/convert.h"
#include "extractor/datacodec.h"
#include "extractor/fast_replace.h"
#include "extractor/regex_key_search.h"
#include "extractor/regexsearch.h"
#include "extractor/replace_all_keys.h"

size_t FindBytes(std::string_view hay, std::string_view needle, size_t from) {
  if (needle.empty() || from < 1 || from > hay.size()) return 0;
  const size_t r = FindBytesFrom(hay, needle, from - 1);
  return r == std::string_view::npos ? 0 : r + 1;
}

namespace {

// A line prepared for its search: key and replacement (left part included),
// the console lines that their conversion produced and its quote warnings
// for the report. The strings keep their buffers from batch to batch, so
// that the conversions take no fresh memory.
struct TPrepared {
  std::string key;
  std::string replacement;
  std::vector<std::string> messages;
  std::string quotWarnings;
  std::string converted;  // a text converted before its left part goes in front
};

// Lines converted at a time, on every processor; the replacement then takes
// them in order.
constexpr size_t kPrepareBatch = 16384;
// Lines a worker takes at a time.
constexpr size_t kPrepareChunk = 512;
// "-b": the data text before the search start is final; a stretch of it this
// long goes to the output at once.
constexpr size_t kFinalStretch = size_t{1} << 20;
// "-b": parts handed to the writing thread at a time, at most.
constexpr size_t kBatchParts = 4096;
constexpr size_t kBatchBytes = size_t{1} << 20;

using TEmit = std::function<void(std::string_view)>;

// The batches of lines that the extraction finds, handed from the thread
// that searches the data text to the one that replaces in it.
using TExtractionQueue = TBatchQueue<TExtraction>;

// Ends the "-b" write without a result (the lines are not all replaced).
struct TStreamStopped {};

const char kCountError[] = "ERROR: Count lines not aligment.";

// Keeps what a pass tells the user, to be shown later in the same order.
class TRecordedLines : public TReporter {
 public:
  void Line(const std::string& message) override { events_.push_back({false, message}); }
  bool Ask(const std::string&) override { return false; }  // the passes that record ask nothing
  void Pause() override { events_.push_back({true, std::string()}); }
  void ShowTo(TReporter& reporter) const {
    for (const auto& [pause, message] : events_) {
      if (pause) {
        reporter.Pause();
      } else {
        reporter.Line(message);
      }
    }
  }

 private:
  std::vector<std::pair<bool, std::string>> events_;
};

std::string Inner(std::string_view line, const std::string& prefix, const std::string& suffix) {
  return Copy(line, static_cast<long long>(prefix.size()) + 1,
              static_cast<long long>(line.size()) - static_cast<long long>(prefix.size()) -
                  static_cast<long long>(suffix.size()));
}

class TReplacer {
 public:
  TReplacer(const TParametrs& p, const std::vector<TScript>& scripts, TExtraction& ex, TDataText& data,
            TReportState& report, TReporter& reporter)
      : p_(p), scripts_(scripts), ex_(ex), data_(data), report_(report), reporter_(reporter) {}

  void Run();
  // The replacement as the lines are found: the extraction runs on this
  // thread while the lines are converted beside it (with "-b" also searched,
  // replaced and written); the console lines of the replacement are shown
  // when the extraction is over, after its own, as in Run after a whole
  // extraction. Returns whether the extraction was complete.
  bool RunWhileExtracting(std::vector<TScript>& scripts, TReporter& console);
  // Reads the translated lines; false when they cannot be read.
  bool LoadTranslated();

 private:
  // Converts line i of ex_ (line base_ + i of the run) into r (which may
  // hold an earlier line's strings); r keeps what was done when the
  // conversion fails.
  void Prepare(size_t i, TPrepared& r) const;
  // Calls use(line) for every line in order, current_ its index, the lines
  // converted batch by batch on every processor beforehand. A failed
  // conversion raises its error when its line comes, with current_ there and
  // its quote warnings reported, as in a run that converts line by line.
  void ForEachPrepared(const std::function<void(TPrepared&)>& use);
  void Miss(const std::string& key);
  // Gives back the memory of the extraction's items (and, unless keepLines,
  // of its lines) once every line is converted, so that the search reuses it
  // instead of fresh pages: tens of megabytes for a large data file.
  void ReleaseExtraction(bool keepLines);
  void PrintMessages(const std::vector<std::string>& messages) {
    for (const auto& m : messages) reporter_.Line(m);
  }
  // Converts every line, then runs them all through one sequential engine.
  void RunSequential(TPartsEngine engine);
  // A converted line as the item of a sequential engine.
  void AddItem(TPrepared& line);
  // The conversion messages of the items and a miss report for each item
  // not found, in line order.
  void ReportFound(const std::vector<bool>& found);
  // "-rep_reg" without "-b" (or with "-d", which leaves the search start at
  // 1): converts every line, then searches and replaces them in order on the
  // tracked text.
  void RunRegexKeys();
  // "-b" without "-d": line by line, each search onward from the end of the
  // last place; the result goes to emit part by part, in order, each part
  // final when it is given.
  void RunStreamed(const TEmit& emit);
  // ForEachPrepared over the lines of the batches, as they come from the
  // extraction. Every batch is counted (total_), also after a failure, as
  // the count of lines is checked first; a failed line ends the
  // conversions (lineFailure_, failedLine_, current_ at it).
  void ConvertFrom(TExtractionQueue& queue, const std::function<void(TPrepared&)>& use);
  // RunStreamed over ConvertFrom; raises TStreamStopped when not every line
  // was replaced, so that no result is written.
  void RunStreamedFrom(TExtractionQueue& queue, const TEmit& emit);
  struct TStreamPlace {
    size_t searchStart = 1;  // next search from here
    size_t cursor = 1;       // first byte not yet written
  };
  // Line current_ of "-b", and the rest of the data text after the last.
  void StreamLine(TPrepared& line, TStreamPlace& at, const TEmit& emit);
  void EmitRest(const TStreamPlace& at, const TEmit& emit) const;
  // make(emit) on a second thread while this one writes the result to the
  // temporary file as it comes. A line's failure is raised here; a failure
  // of the write is returned, to be raised outside the handling of line
  // errors, as WriteResult's would be.
  std::exception_ptr RunStreamedWriting(const std::function<void(const TEmit&)>& make);
  std::string TempPath() const { return p_.file_data + ".temp"; }
  // Writes out_ to the temporary file, then PutInPlace.
  void WriteResult();
  // The temporary file takes the data file's place.
  void PutInPlace();

  const TParametrs& p_;
  const std::vector<TScript>& scripts_;
  TExtraction& ex_;
  TDataText& data_;
  TReportState& report_;
  TReporter& reporter_;
  TLineFileView translated_;
  // The replaced data text, written from its parts: views of the data text
  // and of the replacements, which the members below keep.
  TByteParts out_;
  std::vector<TPrepared> prepared_;  // the lines of a batch, their buffers kept
  std::vector<TReplaceView> items_;
  std::vector<std::vector<std::string>> messages_;  // of items_
  std::vector<TRegexKeyItem> regexItems_;
  // Bytes kept for the whole run: the items' search strings and
  // replacements, and "-b"'s replacements of another length.
  TByteArena kept_;
  std::string search_;                // "-b": key and right part of the line searched
  size_t current_ = 0;                // index of the line being handled
  size_t base_ = 0;                   // index of the first line of ex_
  // The extraction reads the data text at the same time: nothing is copied
  // over it, and the lines are converted on one thread.
  bool textShared_ = false;
  // ConvertFrom: lines counted, the first, the failure of a line and the line.
  size_t total_ = 0;
  std::string firstLine_;
  std::exception_ptr lineFailure_;
  std::string failedLine_;
  static const std::string kEmpty;
};

const std::string TReplacer::kEmpty;

void TReplacer::Prepare(size_t i, TPrepared& r) const {
  r.messages.clear();
  r.quotWarnings.clear();
  const TInfoLINE& item = ex_.items[i];
  const bool hasEntry = item.script_index >= 0 && static_cast<size_t>(item.script_index) < scripts_.size();
  const std::string& prefix = hasEntry ? scripts_[item.script_index].prefix : kEmpty;
  const std::string& suffix = hasEntry ? scripts_[item.script_index].suffix : kEmpty;
  const std::string& adv = hasEntry ? scripts_[item.script_index].adv_keys : kEmpty;

  // Without a prefix and suffix the inner texts are the lines themselves.
  const bool framed = !prefix.empty() || !suffix.empty();
  std::string innerExported, innerTranslated;
  std::string_view exported = ex_.lines[i];
  std::string_view translated = translated_[base_ + i];
  if (framed) {
    innerExported = Inner(ex_.lines[i], prefix, suffix);
    innerTranslated = Inner(translated, prefix, suffix);
    exported = innerExported;
    translated = innerTranslated;
  }
  if (p_.bq_sys && i < ex_.raw_lines.size()) {
    const std::string& raw = ex_.raw_lines[i];
    if (!raw.empty() && (raw.front() == '"' || raw.back() == '"')) {
      // The raw text is searched; the translation gets back exactly the
      // quotes that the export removed from the text, inside the prefix
      // and suffix.
      innerExported = Inner(raw, prefix, suffix);
      const bool lead = !innerExported.empty() && innerExported.front() == '"';
      const bool trail = innerExported.size() > 1 && innerExported.back() == '"';
      std::string quoted;
      quoted.append(lead ? "\"" : "").append(translated).append(trail ? "\"" : "");
      innerTranslated = std::move(quoted);
      exported = innerExported;
      translated = innerTranslated;
    }
  }
  // The left part, then the converted text.
  auto convert = [&](std::string_view text, std::string& out) {
    std::string& t = item.left_text.empty() ? out : r.converted;
    t.assign(text);
    ImportTextInPlace(t, adv, p_, r.quotWarnings, r.messages);
    if (!item.left_text.empty()) out.assign(item.left_text).append(t);
  };
  // The translated line first: this orders the console warnings.
  convert(translated, r.replacement);
  convert(exported, r.key);
}

void TReplacer::ForEachPrepared(const std::function<void(TPrepared&)>& use) {
  const size_t n = ex_.lines.size();
  std::vector<TPrepared>& batch = prepared_;
  for (size_t from = 0; from < n; from += kPrepareBatch) {
    const size_t count = std::min(kPrepareBatch, n - from);
    batch.resize(count);
    // Per chunk the first line that failed, with its error.
    const size_t chunks = (count + kPrepareChunk - 1) / kPrepareChunk;
    std::vector<size_t> failedAt(chunks, count);
    std::vector<std::exception_ptr> failure(chunks);
    ParallelForEach(chunks, textShared_ ? 1 : 0, [&](size_t c) {
      const size_t end = std::min(count, (c + 1) * kPrepareChunk);
      for (size_t k = c * kPrepareChunk; k < end; ++k) {
        try {
          Prepare(from + k, batch[k]);
        } catch (...) {
          failedAt[c] = k;
          failure[c] = std::current_exception();
          return;
        }
      }
    });
    for (size_t k = 0; k < count; ++k) {
      current_ = base_ + from + k;
      TPrepared& line = batch[k];
      report_.quot_warnings += line.quotWarnings;
      const size_t c = k / kPrepareChunk;
      if (failedAt[c] == k) std::rethrow_exception(failure[c]);
      use(line);
    }
  }
  current_ = base_ + n;
}

void TReplacer::Miss(const std::string& key) {
  if (!report_.first_miss) {
    reporter_.Line("WARNING: DETECTED NOT FIND LINES!!! NotCompare \\r\\n ???");
    reporter_.Line("Error: " + p_.file_data);
    reporter_.Line(key);
    reporter_.Line("...");
    report_.first_miss = true;
    report_.not_found_text += "FILE: " + p_.file_data + "\r\n\r\n";
    if (!p_.silent) reporter_.Pause();
  }
  report_.not_found_text += key + "\r\n\r\n";
}

void TReplacer::ReleaseExtraction(bool keepLines) {
  std::vector<TInfoLINE>().swap(ex_.items);
  std::vector<std::string>().swap(ex_.raw_lines);
  if (!keepLines) std::vector<std::string>().swap(ex_.lines);
}

void TReplacer::AddItem(TPrepared& line) {
  const std::string& right = ex_.items[current_ - base_].right_text;
  items_.push_back(TReplaceView{kept_.Keep(line.key, right), line.key.size(), kept_.Keep(line.replacement)});
  messages_.push_back(std::move(line.messages));
}

void TReplacer::ReportFound(const std::vector<bool>& found) {
  for (size_t i = 0; i < found.size(); ++i) {
    PrintMessages(messages_[i]);
    if (!found[i]) Miss(std::string(items_[i].search.substr(0, items_[i].keyLen)));
  }
}

void TReplacer::RunSequential(TPartsEngine engine) {
  // All lines are converted first, in line order, then searched and
  // replaced in one sequential pass (near-linear, the same bytes as a search
  // of each line from the start of the text as changed so far); the console
  // output keeps the order of a line-by-line run (conversion warnings, then
  // the miss report).
  items_.reserve(ex_.lines.size());
  messages_.reserve(ex_.lines.size());
  try {
    ForEachPrepared([&](TPrepared& line) { AddItem(line); });
  } catch (...) {
    // Lines before the failing one are handled as a line-by-line run would
    // have handled them before it failed.
    ReportFound(engine(data_.text.View(), items_, out_));
    throw;
  }
  // An error of the search names no line (current_ is past the last).
  ReleaseExtraction(false);
  ReportFound(engine(data_.text.View(), items_, out_));
}

void TReplacer::RunRegexKeys() {
  const size_t n = ex_.lines.size();
  std::vector<TRegexKeyItem>& items = regexItems_;
  std::vector<std::vector<std::string>> messages;
  items.reserve(n);
  messages.reserve(n);
  size_t reported = 0;
  auto report = [&](size_t i, bool found, const std::string& warning) {
    PrintMessages(messages[i]);
    if (!warning.empty()) reporter_.Line(warning);
    if (!found) Miss(items[i].key);
    reported = i + 1;
  };
  auto run = [&] {
    try {
      ReplaceRegexKeysFast(data_.text.View(), items, report,
                           p_.d ? TRegexKeyEdit::kEveryKey : TRegexKeyEdit::kFirstPlace, out_);
    } catch (...) {
      // The failing line's conversion messages come before its error, as in
      // a line-by-line run.
      current_ = reported;
      if (reported < messages.size()) PrintMessages(messages[reported]);
      throw;
    }
  };
  try {
    ForEachPrepared([&](TPrepared& line) {
      items.push_back(TRegexKeyItem{line.key, ex_.items[current_].right_re, line.replacement});
      messages.push_back(std::move(line.messages));
    });
  } catch (...) {
    run();
    throw;
  }
  // An error of the search names its line.
  ReleaseExtraction(true);
  run();
}

void TReplacer::StreamLine(TPrepared& line, TStreamPlace& at, const TEmit& emit) {
  PrintMessages(line.messages);
  const TInfoLINE& item = ex_.items[current_ - base_];
  const std::string_view text = data_.text.View();
  size_t pos = 0;
  if (p_.rep_reg) {
    const std::string pattern = QuoteRegexText(line.key) + item.right_re;
    if (!pattern.empty()) {
      const TRegexHit hit = RegexSearch(pattern, text, at.searchStart - 1);
      if (!hit.error.empty()) reporter_.Line(SearchErrorWarning(pattern, hit.error));
      if (hit.found) pos = hit.begin + 1;
    }
  } else {
    search_.assign(line.key).append(item.right_text);
    pos = FindBytes(text, search_, at.searchStart);
  }
  if (pos == 0) {
    Miss(line.key);
    return;
  }
  // Replacements of the same length are copied over the data text, as they
  // never change what a later search (onward from the end of the place)
  // sees; the others, and all while the extraction still reads the text,
  // are written as parts between the data text's.
  if (line.key.size() == line.replacement.size() && !textShared_) {
    if (!line.key.empty()) std::memcpy(data_.text.data() + pos - 1, line.replacement.data(), line.replacement.size());
  } else {
    emit(text.substr(at.cursor - 1, pos - at.cursor));
    emit(kept_.Keep(line.replacement));
    at.cursor = pos + line.key.size();
  }
  at.searchStart = pos + line.key.size();
  // No later line changes a byte before the search start.
  if (at.searchStart - at.cursor >= kFinalStretch) {
    emit(text.substr(at.cursor - 1, at.searchStart - at.cursor));
    at.cursor = at.searchStart;
  }
}

void TReplacer::EmitRest(const TStreamPlace& at, const TEmit& emit) const {
  const std::string_view text = data_.text.View();
  if (at.cursor - 1 < text.size()) emit(text.substr(at.cursor - 1));
}

void TReplacer::RunStreamed(const TEmit& emit) {
  TStreamPlace at;
  ForEachPrepared([&](TPrepared& line) { StreamLine(line, at, emit); });
  EmitRest(at, emit);
}

void TReplacer::ConvertFrom(TExtractionQueue& queue, const std::function<void(TPrepared&)>& use) {
  // Every batch is counted, also after a failure, as the count of lines
  // is checked first.
  while (TExtraction* batch = queue.Next()) {
    const size_t first = total_;
    total_ += batch->lines.size();
    if (first == 0 && !batch->lines.empty()) firstLine_ = batch->lines[0];
    if (lineFailure_ || total_ > translated_.size()) continue;
    ex_ = std::move(*batch);
    base_ = first;
    try {
      ForEachPrepared(use);
    } catch (...) {
      lineFailure_ = std::current_exception();
      failedLine_ = ex_.lines[current_ - base_];
    }
  }
}

void TReplacer::RunStreamedFrom(TExtractionQueue& queue, const TEmit& emit) {
  TStreamPlace at;
  ConvertFrom(queue, [&](TPrepared& line) { StreamLine(line, at, emit); });
  if (total_ == 0 || total_ != translated_.size() || lineFailure_) throw TStreamStopped{};
  EmitRest(at, emit);
}

std::exception_ptr TReplacer::RunStreamedWriting(const std::function<void(const TEmit&)>& make) {
  TPartsQueue queue;
  std::exception_ptr lineFailure;
  std::thread maker([&] {
    try {
      TByteParts batch;
      size_t bytes = 0;
      make([&](std::string_view part) {
        batch.push_back(part);
        bytes += part.size();
        if (batch.size() >= kBatchParts || bytes >= kBatchBytes) {
          queue.Push(std::move(batch));
          batch = TByteParts();
          bytes = 0;
        }
      });
      queue.Push(std::move(batch));
      queue.Close(false);
    } catch (...) {
      lineFailure = std::current_exception();
      queue.Close(true);
    }
  });
  std::exception_ptr writeFailure;
  try {
    WriteWholeFile(TempPath(), queue.Source(), TSaveDepth::kDisk);
  } catch (const TPartsQueue::TUnfinished&) {
    // The line's failure is raised below.
  } catch (...) {
    writeFailure = std::current_exception();
    queue.Abandon();
  }
  maker.join();
  if (lineFailure) std::rethrow_exception(lineFailure);
  return writeFailure;
}

void TReplacer::WriteResult() {
  std::string encoded;
  if (p_.utf16) {
    if (!EncodeDataFile(JoinParts(out_), data_.encoding, encoded)) {
      throw EInOutError("Cannot save \"" + p_.file_data +
                        "\" as UTF-16: the replaced text is not valid UTF-8. The data file is unchanged");
    }
    out_ = TByteParts{encoded};
  }
  WriteWholeFile(TempPath(), out_, TSaveDepth::kDisk);
  PutInPlace();
}

void TReplacer::PutInPlace() {
  // The result was written whole to the temporary file, which now takes
  // the data file's place (and its permissions); when that move fails, the
  // result stays in the temporary file.
  const std::string temp = TempPath();
  const std::string err = MoveFileOver(temp, p_.file_data);
  if (!err.empty()) {
    throw EFCreateError("Cannot create file \"" + p_.file_data + "\". " + err + " The replaced data is kept in \"" +
                        temp + "\"");
  }
}

void TReplacer::Run() {
  current_ = 0;
  bool written = false;  // the result is in the temporary file
  std::exception_ptr writeFailure;
  try {
    translated_.Load(p_.file_txt);
    if (p_.rep_input.enabled) {
      // An older export stands in for the fresh lines; every line uses the
      // entry and the parts of the first line found.
      // Opened relative to the current folder as typed; a message names
      // the expanded path, like every other path.
      ex_.lines = ReadLineFile(ExpandPath(p_.rep_input.file));
      ex_.items.resize(ex_.lines.size());
      for (size_t i = 1; i < ex_.items.size(); ++i) ex_.items[i] = ex_.items[0];
    }
    if (translated_.size() != ex_.lines.size()) throw ERunError(kCountError);
    if (!p_.rep_reg && !p_.b && !p_.d) {
      RunSequential(&ReplaceSequentialFast);
    } else if (!p_.rep_reg && p_.d) {
      // "-d" leaves search start and write cursor at 1, so "-b" adds nothing.
      RunSequential(&ReplaceAllKeysFast);
    } else if (p_.rep_reg && (p_.d || !p_.b)) {
      RunRegexKeys();
    } else if (p_.utf16) {
      // The whole result is needed to encode it.
      RunStreamed([&](std::string_view part) { out_.push_back(part); });
    } else {
      writeFailure = RunStreamedWriting([&](const TEmit& emit) { RunStreamed(emit); });
      written = true;
    }
  } catch (const std::exception& e) {
    // The cause (a miscounted or unreadable text file, an invalid pattern)
    // travels with the line, so that the translator sees why it failed.
    const std::string line = current_ < ex_.lines.size() ? ex_.lines[current_] : std::string();
    throw EReplaceLineError("ERROR LINE: " + std::to_string(current_ + 1) + " " + line, e.what());
  }
  if (writeFailure) std::rethrow_exception(writeFailure);
  if (written) {
    PutInPlace();
  } else {
    WriteResult();
  }
  if (!p_.silent) reporter_.Line("Done: " + p_.file_data);
}

bool TReplacer::LoadTranslated() {
  try {
    translated_.Load(p_.file_txt);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool TReplacer::RunWhileExtracting(std::vector<TScript>& scripts, TReporter& console) {
  textShared_ = true;
  TExtractionQueue lines;
  std::exception_ptr takeFailure, writeFailure;
  std::thread taking([&] {
    try {
      if (p_.b) {
        writeFailure = RunStreamedWriting([&](const TEmit& emit) { RunStreamedFrom(lines, emit); });
      } else {
        ConvertFrom(lines, [&](TPrepared& line) { AddItem(line); });
      }
    } catch (const TStreamStopped&) {
      // What stopped it is told below.
    } catch (...) {
      takeFailure = std::current_exception();
    }
  });
  TExtraction rest;
  try {
    rest = ExtractItems(data_.text.View(), scripts, p_, console,
                        [&](TExtraction&& batch) { lines.Push(std::move(batch)); });
  } catch (...) {
    lines.Close(true);
    taking.join();
    report_ = TReportState{};
    throw;
  }
  lines.Close(false);
  taking.join();
  // No line: nothing to do. A wrong count changes nothing and tells only
  // that. Otherwise the replacement's console lines come after the
  // extraction's, as in a run that extracts first.
  if (total_ == 0) return rest.complete;
  if (total_ != translated_.size()) {
    report_ = TReportState{};
    throw EReplaceLineError("ERROR LINE: 1 " + firstLine_, kCountError);
  }
  auto lineError = [&](const std::exception& e) {
    const std::string& line = lineFailure_ ? failedLine_ : kEmpty;
    return EReplaceLineError("ERROR LINE: " + std::to_string(current_ + 1) + " " + line, e.what());
  };
  auto show = [&] { static_cast<TRecordedLines&>(reporter_).ShowTo(console); };
  if (!p_.b) {
    try {
      ReportFound(ReplaceSequentialFast(data_.text.View(), items_, out_));
    } catch (const std::exception& e) {
      show();
      throw lineError(e);
    }
  }
  show();
  if (lineFailure_) {
    try {
      std::rethrow_exception(lineFailure_);
    } catch (const std::exception& e) {
      throw lineError(e);
    }
  }
  if (takeFailure) std::rethrow_exception(takeFailure);
  if (writeFailure) std::rethrow_exception(writeFailure);
  if (p_.b) {
    PutInPlace();
  } else {
    WriteResult();
  }
  if (!p_.silent) console.Line("Done: " + p_.file_data);
  return rest.complete;
}

}  // namespace

void ReplaceItems(const TParametrs& p, const std::vector<TScript>& scripts, TExtraction& ex,
                  TDataText& data, TReportState& report, TReporter& reporter) {
  if (ex.lines.empty() && !p.rep_input.enabled) return;
  TReplacer(p, scripts, ex, data, report, reporter).Run();
}

void WriteNotFoundReport(const TReportState& report) {
  if (report.not_found_text.empty() && report.quot_warnings.empty()) return;
  AppendToFile(ProgramDir() + "NOT_FIND_LINES.txt", report.not_found_text + report.quot_warnings);
}

bool ReplacesWhileExtracting(const TParametrs& p) {
  // "-utf16" with "-b" keeps the whole result to encode it.
  return !p.rep_reg && !p.d && !(p.b && p.utf16) && !p.rep_input.enabled && !p.trash.enabled;
}

bool ExtractAndReplace(const TParametrs& p, std::vector<TScript>& scripts, TDataText& data, TReportState& report,
                       TReporter& reporter) {
  TExtraction batch;
  TRecordedLines recorded;
  TReplacer replacer(p, scripts, batch, data, report, recorded);
  if (!replacer.LoadTranslated()) {
    // The failure is reported as the replacement after a whole extraction
    // reports it.
    TExtraction ex = ExtractItems(data.text.View(), scripts, p, reporter);
    ReplaceItems(p, scripts, ex, data, report, reporter);
    return ex.complete;
  }
  return replacer.RunWhileExtracting(scripts, reporter);
}
