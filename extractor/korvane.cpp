#include "extractor/korvane.h"

#include "common/exitstatus.h"
#include "common/platform.h"
#include "common/standardoptions.h"
#include "extractor/extract.h"
#include "extractor/params.h"
#include "extractor/replace.h"
#include "extractor/script.h"
#include "extractor/stop_run.h"

void TConsoleReporter::Line(const std::string& message) { ConsoleLine(message); }
bool TConsoleReporter::Ask(const std::string& question) { return AskYesNo(question); }
void TConsoleReporter::Pause() { WaitEnter(); }

namespace {

int Run(const std::vector<std::string>& args, TReporter& console) {
  // Refused before anything is read or written: a wrong operation word, or
  // an option word where a file name belongs (it would be read or written
  // as a file of that name).
  CheckRunWords(args);
  TParametrs p;
  ParseCommandLine(args, p, console);
  CheckStartFiles(p, console);
  std::vector<TScript> scripts = LoadScript(p);

  TDataText data;
  // Only a "no" to the question after splitting stops the loading.
  if (!LoadDataText(p, scripts, data, console)) return kExitDone;

  const bool extracting = IsExtract(p);
  TReportState report;
  // The replacement works while the extraction searches.
  const bool together = !extracting && ReplacesWhileExtracting(p);
  TExtraction ex;
  if (!together) {
    ex = ExtractItems(data.text, scripts, p, console);
    if (p.d) RemoveDuplicateLines(ex);
    if (p.trash.enabled) RemoveTrashLines(ex, p, console);
  }
  bool complete = ex.complete;

  if (extracting) {
    WriteTextFile(ex, p, console);
  } else {
    try {
      if (together) {
        complete = ExtractAndReplace(p, scripts, data, report, console);
      } else {
        ReplaceItems(p, scripts, ex, data, report, console);
      }
    } catch (const EReplaceLineError& e) {
      console.Line(e.Cause());
      console.Line(e.what());
      // The report of unmatched lines is written also when the run fails.
      WriteNotFoundReport(report);
      throw;
    } catch (...) {
      WriteNotFoundReport(report);
      throw;
    }
  }
  WriteNotFoundReport(report);
  // A search cut short by an invalid pattern or exhausted memory still
  // writes what it found, but the job is not done.
  return EndRun(complete ? kExitDone : kExitFailed);
}

}  // namespace

int RunKorvane(const std::vector<std::string>& args) {
  TConsoleReporter console;
  if (args.empty()) {
    for (const std::string& line : UsageLines()) console.Line(line);
    console.Pause();
    return kExitDone;
  }
  if (AnswerStandardOption(args, "korvane", UsageLines())) return kExitDone;
  try {
    return Run(args, console);
  } catch (const EStopRun& e) {
    for (const std::string& line : e.Lines()) console.Line(line);
    return kExitFailed;
  }
}
