// Speed and peak memory of the velloran modes -u, -repstr, -co, the run
// without a mode (with numbering), -sd and -rd on seeded generated files of
// 100,000 and 1,000,000 lines. Every mode runs in a child process of its
// own, so the peak memory printed is that of the one mode.
//   optimizer_modes_bench [folder] [line counts...]
// With KEEP_BENCH_FILES set, the generated folders are kept.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "bench/benchutil.h"
#include "common/platform.h"
#include "common/stringlist.h"
#include "optimizer/mode_runs.h"
#include "optimizer/params.h"

namespace {

using Lines = std::vector<std::string>;

std::string Word(std::mt19937& rng) {
  static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  std::string w;
  const size_t n = 2 + rng() % 8;
  for (size_t i = 0; i < n; ++i) w += letters[rng() % 52];
  return w;
}

std::string Sentence(std::mt19937& rng, const Lines& words, int minWords, int maxWords) {
  const int n = minWords + static_cast<int>(rng() % static_cast<unsigned>(maxWords - minWords + 1));
  std::string s;
  for (int i = 0; i < n; ++i) {
    if (i) s += ' ';
    s += words[rng() % words.size()];
  }
  if (rng() % 10 == 0) s += "\\n";
  return s;
}

void Save(const std::string& path, Lines lines) {
  TStringList l;
  l.Assign(std::move(lines));
  l.SaveToFile(path);
}

struct TInputs {
  std::string dir, source, en, ru, newFile, oldEn, oldRu, search, replace, keepEn, keepRu, orderedEn,
      orderedRu, longLine;
};

TInputs Paths(const std::string& dir) {
  TInputs in;
  in.dir = dir;
  in.source = dir + "/source.txt";
  in.newFile = dir + "/new.txt";
  in.oldEn = dir + "/old_en.txt";
  in.oldRu = dir + "/old_ru.txt";
  in.search = dir + "/search.txt";
  in.replace = dir + "/replace.txt";
  in.keepEn = dir + "/keep_en.txt";
  in.keepRu = dir + "/keep_ru.txt";
  in.orderedEn = dir + "/ordered_en.txt";
  in.orderedRu = dir + "/ordered_ru.txt";
  in.longLine = dir + "/long.txt";
  return in;
}

void MakeInputs(const TInputs& in, size_t n) {
  std::mt19937 rng(static_cast<unsigned>(n) * 7 + 1);
  Lines words;
  for (int i = 0; i < 20000; ++i) words.push_back(Word(rng));
  // A game text: half short repeated interface strings, half longer
  // dialogue lines with some repeats.
  Lines pool;
  for (int i = 0; i < 2000; ++i) pool.push_back(Sentence(rng, words, 1, 4));
  Lines source;
  source.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    if (rng() % 2 == 0)
      source.push_back(pool[rng() % pool.size()]);
    else if (rng() % 5 == 0 && !source.empty())
      source.push_back(source[rng() % source.size()]);
    else
      source.push_back(Sentence(rng, words, 4, 25));
    if (rng() % 500 == 0) source.push_back("file\\level" + std::to_string(i % 7) + "\\" + std::to_string(i) + ".-1.txt");
    if (rng() % 50 == 0) source.push_back("");
  }
  Save(in.source, source);

  // -u: a new version (5% lines changed) and the old English file with its
  // translation (the old lines, shuffled in blocks, 3% not in the new file).
  Lines newLines = source;
  for (auto& l : newLines)
    if (rng() % 20 == 0) l = Sentence(rng, words, 3, 20);
  Save(in.newFile, newLines);
  Lines oldEn, oldRu;
  for (size_t i = 0; i < source.size(); ++i) {
    oldEn.push_back(rng() % 33 == 0 ? Sentence(rng, words, 3, 10) + " old" : source[i]);
    oldRu.push_back("RU " + oldEn.back());
  }
  Save(in.oldEn, oldEn);
  Save(in.oldRu, oldRu);

  // -repstr: a glossary of 10,000 terms (words of five letters or more, and
  // two-word terms) replaced by new words.
  Lines search, replace;
  while (search.size() < 10000) {
    const std::string& w = words[rng() % words.size()];
    if (w.size() < 5) continue;
    search.push_back(rng() % 5 == 0 ? w + " " + words[rng() % words.size()] : w);
    replace.push_back("ru_" + Word(rng));
  }
  Save(in.search, search);
  Save(in.replace, replace);
  // And a hard case: 10,000 short texts of 2 to 9 letters that occur almost
  // everywhere, with replacements made of letters that later pairs find again.
  Lines hardSearch, hardReplace;
  for (int i = 0; i < 10000; ++i) {
    hardSearch.push_back(words[rng() % words.size()]);
    hardReplace.push_back(rng() % 4 == 0 ? words[rng() % words.size()] : Word(rng) + "_ru");
  }
  Save(in.dir + "/hard_search.txt", hardSearch);
  Save(in.dir + "/hard_replace.txt", hardReplace);

  // -co: a third of the lines kept in English, a few in Russian.
  Lines keepEn, keepRu;
  for (size_t i = 0; i < source.size(); ++i) {
    if (rng() % 3 == 0) keepEn.push_back(source[i]);
    if (rng() % 50 == 0) keepRu.push_back(source[i]);
  }
  Save(in.keepEn, keepEn);
  Save(in.keepRu, keepRu);

  // -rd: every other source line in order, with 1% lines that are not there.
  Lines ordEn, ordRu;
  for (size_t i = 0; i < source.size(); i += 2) {
    ordEn.push_back(rng() % 100 == 0 ? Sentence(rng, words, 2, 5) + " missing" : source[i]);
    ordRu.push_back("RU " + ordEn.back());
  }
  Save(in.orderedEn, ordEn);
  Save(in.orderedRu, ordRu);

  // The whole source as one line, for the glossary.
  {
    std::string one;
    for (const auto& l : source) {
      one += l;
      one += ' ';
    }
    Save(in.dir + "/one_line.txt", {one});
  }
  // One line of n bytes for -repstr with a replacement that holds its search text.
  Save(in.longLine, {std::string(n, 'a') + " b"});
  Save(in.dir + "/long_search.txt", {"a", "b", "aa"});
  Save(in.dir + "/long_replace.txt", {"aa", "c", "x"});
}

struct TRow {
  double seconds = 0;
  double peakMiB = 0;
  int status = -1;
};

// Runs job in a child with standard output sent to /dev/null.
TRow InChild(const std::function<void()>& job) {
  const double t0 = NowSeconds();
  pid_t pid = fork();
  if (pid == 0) {
    int devnull = open("/dev/null", O_WRONLY);
    if (devnull >= 0) dup2(devnull, 1);
    try {
      job();
    } catch (const std::exception& e) {
      std::fprintf(stderr, "error: %s\n", e.what());
      _exit(1);
    }
    _exit(0);
  }
  int st = 0;
  struct rusage ru {};
  wait4(pid, &st, 0, &ru);
  TRow r;
  r.seconds = NowSeconds() - t0;
  r.peakMiB = static_cast<double>(ru.ru_maxrss) / 1024.0;
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
  return r;
}

void Report(const std::string& job, size_t n, const TRow& r) {
  std::printf("%-48s %9zu lines %9.3f s  peak %8.1f MiB%s\n", job.c_str(), n, r.seconds, r.peakMiB,
              r.status == 0 ? "" : "  FAILED");
  std::fflush(stdout);
}

TParam Base(const TInputs& in) {
  TParam p;
  p.NoFindLog = in.dir + "/NO_FIND.log";
  return p;
}

}  // namespace

int main(int argc, char** argv) {
  std::string root = argc > 1 ? argv[1] : "/tmp";
  std::vector<size_t> sizes;
  for (int i = 2; i < argc; ++i) sizes.push_back(static_cast<size_t>(std::atoll(argv[i])));
  if (sizes.empty()) sizes = {100000, 1000000};

  for (size_t n : sizes) {
    std::string tmpl = root + "/optimizer_modes_bench.XXXXXX";
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data())) {
      std::perror("mkdtemp");
      return 1;
    }
    const std::string dir = buf.data();
    const TInputs in = Paths(dir);
    // Generated in a child too, so that its memory does not count below.
    TRow g = InChild([&] { MakeInputs(in, n); });
    std::printf("inputs for %zu lines: %.3f s, source %lld bytes\n", n, g.seconds, FileSize(in.source));

    TParam u = Base(in);
    u.Mode = TMode::Update;
    u.FileMain = in.newFile;
    u.FileEN = in.oldEn;
    u.FileRU = in.oldRu;
    u.FileRec = dir + "/out_u.txt";
    Report("-u", n, InChild([&] { RunUpdate(u); }));
    u.DeleteBorder = u.IgnoreEnters = u.IgnoreQuote = true;
    Report("-u -dbs -rn -is", n, InChild([&] { RunUpdate(u); }));

    TParam r = Base(in);
    r.Mode = TMode::ReplaceInLines;
    r.FileMain = in.source;
    r.FileEN = in.search;
    r.FileRU = in.replace;
    r.FileRec = dir + "/out_repstr.txt";
    Report("-repstr (10,000 glossary terms)", n, InChild([&] { RunRepStr(r); }));
    TParam rh = r;
    rh.FileEN = dir + "/hard_search.txt";
    rh.FileRU = dir + "/hard_replace.txt";
    Report("-repstr (10,000 short texts, output grows)", n, InChild([&] { RunRepStr(rh); }));
    TParam ro = r;
    ro.FileMain = dir + "/one_line.txt";
    ro.FileRec = dir + "/out_one_line.txt";
    Report("-repstr (glossary, the whole file as one line)", n, InChild([&] { RunRepStr(ro); }));
    TParam rl = r;
    rl.FileMain = in.longLine;
    rl.FileRec = dir + "/out_long.txt";
    rl.FileEN = dir + "/long_search.txt";
    rl.FileRU = dir + "/long_replace.txt";
    Report("-repstr one line of n bytes (a->aa, aa->x)", n, InChild([&] { RunRepStr(rl); }));

    TParam c = Base(in);
    c.Mode = TMode::Clear;
    c.FileMain = in.source;
    c.FileEN = in.keepEn;
    c.FileRU = in.keepRu;
    c.FileRec = dir + "/out_co.txt";
    c.DeleteEmpty = true;
    Report("-co -de", n, InChild([&] { RunClearOther(c); }));

    TParam none = Base(in);
    none.FileMain = in.source;
    none.FileEN = dir + "/out_none.txt";
    none.NumberDoubles = true;
    none.DeleteFileLines = true;
    Report("no mode -add_numeration_double -df", n, InChild([&] { RunNoMode(none); }));

    TParam sd = Base(in);
    sd.Mode = TMode::SplitRepeats;
    sd.FileMain = in.source;
    sd.FileEN = dir + "/out_sd.txt";
    Report("-sd", n, InChild([&] { RunSplitDouble(sd); }));

    TParam rd = Base(in);
    rd.Mode = TMode::RecoverRepeats;
    rd.FileMain = in.source;
    rd.FileEN = in.orderedEn;
    rd.FileRU = in.orderedRu;
    rd.FileRec = dir + "/out_rd.txt";
    Report("-rd", n, InChild([&] { RunRecoverDouble(rd); }));

    if (std::getenv("KEEP_BENCH_FILES")) continue;
    std::string cmd = "rm -rf '" + dir + "'";
    if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "cannot remove %s\n", dir.c_str());
  }
  return 0;
}
