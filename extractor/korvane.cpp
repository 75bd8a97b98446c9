#include "extractor/korvane.h"

#include "common/platform.h"
#include "common/strutil.h"
#include "extractor/extract.h"
#include "extractor/params.h"
#include "extractor/replace.h"
#include "extractor/script.h"

int RunKorvane(const std::vector<std::string>& args) {
  if (args.empty()) {
    PrintUsage();
    WaitEnter();
    return 0;
  }
  TParametrs p;
  if (ParseCommandLine(args, p) == TStartResult::End) return 0;
  if (CheckStartFiles(p) == TStartResult::End) return 0;

  std::vector<TScript> scripts;
  if (!LoadScript(p, scripts)) return 0;

  TDataText data;
  if (!LoadDataText(p, scripts, data)) return 0;

  const std::string operation = AnsiLowerCase(p.operation);
  if (operation != "extract" && operation != "replace") return 0;

  TReportState report;
  TExtraction ex = ExtractItems(data.text, scripts, p);
  if (p.d) RemoveDuplicateLines(ex);
  if (p.trash.enabled) RemoveTrashLines(ex, p);

  if (operation == "extract") {
    WriteTextFile(ex, p);
  } else {
    try {
      ReplaceItems(p, scripts, ex, data, report);
    } catch (...) {
      // The report of unmatched lines is written also when the run fails.
      WriteNotFoundReport(report);
      throw;
    }
  }
  WriteNotFoundReport(report);
  return 0;
}
