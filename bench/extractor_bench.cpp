// Timings of korvane's passes on a seeded game-like data file:
//   extractor_bench            60 MB with 100,000 strings
//   extractor_bench MB STRINGS a case of your choice
// Extraction, repeated-line removal, and replacement in the default mode
// and with "-b", each with translations of other lengths.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "bench/benchutil.h"
#include "common/line_file.h"
#include "common/platform.h"
#include "common/stringlist.h"
#include "extractor/extract.h"
#include "extractor/korvane.h"
#include "extractor/replace.h"

namespace {

std::string Phrase(std::mt19937& rng) {
  static const char* const kWords[] = {"the", "sword", "of", "king", "you", "found", "a", "key", "door",
                                       "is", "locked", "gold", "quest", "north", "dragon", "cave"};
  std::string s;
  size_t want = 8 + rng() % 60;
  while (s.size() < want) {
    if (!s.empty()) s += rng() % 9 == 0 ? "\r\n" : " ";
    s += kWords[rng() % std::size(kWords)];
  }
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  const long long megabytes = argc > 2 ? std::atoll(argv[1]) : 60;
  const long long strings = argc > 2 ? std::atoll(argv[2]) : 100000;
  std::mt19937 rng(2024);
  const long long size = megabytes * 1000000;
  const long long gap = std::max<long long>(16, size / strings - 40);
  std::string data;
  data.reserve(static_cast<size_t>(size + 1000));
  std::vector<std::string> phrases;
  for (int i = 0; i < 3000; ++i) phrases.push_back(Phrase(rng));
  while (static_cast<long long>(data.size()) < size) {
    for (long long i = 0; i < gap; ++i) data.push_back(static_cast<char>('0' + rng() % 40));
    data += "<s>" + phrases[rng() % phrases.size()] + "</s>";
  }
  char tmpl[] = "/tmp/extractor_bench.XXXXXX";
  if (!mkdtemp(tmpl)) return 1;
  const std::string dir = tmpl;

  TParametrs p;
  p.operation = "replace";
  p.silent = true;
  p.file_data = dir + "/data.bin";
  p.file_txt = dir + "/text.txt";
  WriteWholeFile(p.file_data, data);
  std::vector<TScript> scripts(1);
  scripts[0].left_re = "<s>";
  scripts[0].right_re = "</s>";
  TConsoleReporter console;
  const std::string label = std::to_string(megabytes) + " MB";

  double t0 = NowSeconds();
  TDataText text;
  LoadDataText(p, scripts, text, console);
  PrintRow("load data text", label, NowSeconds() - t0);
  t0 = NowSeconds();
  TExtraction ex = ExtractItems(text.text, scripts, p, console);
  PrintRow("extract (" + std::to_string(ex.lines.size()) + " lines)", label, NowSeconds() - t0);
  {
    TExtraction copy = ex;
    t0 = NowSeconds();
    RemoveDuplicateLines(copy);
    PrintRow("remove repeated lines (" + std::to_string(copy.lines.size()) + " kept)", label, NowSeconds() - t0);
  }
  std::vector<std::string> translated;
  for (const auto& line : ex.lines) translated.push_back(rng() % 2 ? line + " (tr)" : line.substr(0, line.size() / 2 + 1));
  SaveLineFile(p.file_txt, translated);

  for (bool b : {false, true}) {
    WriteWholeFile(p.file_data, data);
    p.b = b;
    TDataText d;
    LoadDataText(p, scripts, d, console);
    TExtraction e = ExtractItems(d.text, scripts, p, console);
    TReportState report;
    t0 = NowSeconds();
    ReplaceItems(p, scripts, e, d, report, console);
    PrintRow(b ? "replace -b" : "replace (default mode)", label, NowSeconds() - t0);
  }
  unlink(p.file_data.c_str());
  unlink(p.file_txt.c_str());
  rmdir(dir.c_str());
  return 0;
}
