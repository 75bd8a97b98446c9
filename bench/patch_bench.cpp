// Benchmark of patch building: "-cpd -addoldenru" on a generated pair of
// 100,000-line files. About 5% of the old lines are changed by small edits,
// 2% are deleted and 2% of new lines are inserted; dialogue lines run up to a
// few hundred bytes and many short UI strings repeat.
//
// Usage: patch_bench [lines] [seed] [velloran program or "-"] [folder to keep]
// Without a program (or with "-"), RunPatch runs in this process; with one,
// the program runs on the generated files. Prints the time and the peak
// memory. With a folder, the files are written there and kept.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "common/platform.h"
#include "common/stringlist.h"
#include "optimizer/mode_runs.h"
#include "optimizer/params.h"

namespace fs = std::filesystem;

namespace {

struct Generator {
  std::mt19937_64 rng;
  std::vector<std::string> words;
  std::vector<std::string> ui;

  explicit Generator(uint64_t seed) : rng(seed) {
    const std::string letters = "etaoinshrdlcumwfgypbvkjxqz";
    for (int i = 0; i < 4000; ++i) {
      int len = 1 + static_cast<int>(Geometric(0.25)) % 11;
      std::string w;
      for (int k = 0; k < len; ++k) w += letters[Skewed(letters.size())];
      words.push_back(w);
    }
    for (int i = 0; i < 600; ++i) {
      int n = 1 + static_cast<int>(rng() % 3);
      std::string s;
      for (int k = 0; k < n; ++k) {
        if (k) s += ' ';
        s += Word();
      }
      s[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(s[0])));
      if (rng() % 4 == 0) s += ":";
      ui.push_back(s);
    }
  }
  uint64_t Geometric(double p) {
    std::geometric_distribution<int> g(p);
    return static_cast<uint64_t>(g(rng));
  }
  // Index in [0, n) with small indexes far more likely.
  size_t Skewed(size_t n) {
    double u = std::uniform_real_distribution<double>(0, 1)(rng);
    return std::min(n - 1, static_cast<size_t>(u * u * u * static_cast<double>(n)));
  }
  const std::string& Word() { return words[Skewed(words.size())]; }
  std::string Dialogue() {
    int n = 2 + static_cast<int>(Geometric(0.06));
    if (n > 70) n = 70;
    std::string s;
    for (int k = 0; k < n; ++k) {
      if (k) s += (rng() % 12 == 0) ? ", " : " ";
      s += Word();
    }
    s[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(s[0])));
    s += ".!?"[rng() % 3];
    if (rng() % 20 == 0) s += "\\n" + Dialogue();
    return s;
  }
  std::string Line() {
    if (rng() % 100 < 35) return ui[Skewed(ui.size())];
    return Dialogue();
  }
  std::string Edit(std::string s) {
    int edits = 1 + static_cast<int>(rng() % 3);
    for (int e = 0; e < edits; ++e) {
      int op = static_cast<int>(rng() % 4);
      if (s.empty()) op = 0;
      size_t at = s.empty() ? 0 : rng() % s.size();
      if (op == 0) {
        s.insert(at, 1, static_cast<char>('a' + rng() % 26));
      } else if (op == 1) {
        s.erase(at, 1);
      } else if (op == 2) {
        s[at] = static_cast<char>('a' + rng() % 26);
      } else {
        s.insert(at, " " + Word());
      }
    }
    return s;
  }
};

double CpuSeconds() {
  struct rusage self {}, children {};
  getrusage(RUSAGE_SELF, &self);
  getrusage(RUSAGE_CHILDREN, &children);
  auto sec = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return sec(self.ru_utime) + sec(self.ru_stime) + sec(children.ru_utime) + sec(children.ru_stime);
}

long PeakKiB() {
  struct rusage ru {};
  getrusage(RUSAGE_SELF, &ru);
  long self = ru.ru_maxrss;
  getrusage(RUSAGE_CHILDREN, &ru);
  return std::max(self, ru.ru_maxrss);
}

}  // namespace

int main(int argc, char** argv) {
  const int lines = argc > 1 ? std::atoi(argv[1]) : 100000;
  const uint64_t seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 20240601;
  std::string program = argc > 3 ? argv[3] : "";
  if (program == "-") program.clear();
  const std::string keep = argc > 4 ? argv[4] : "";

  Generator g(seed);
  std::vector<std::string> oldEn, oldRu, fresh;
  oldEn.reserve(lines);
  for (int i = 0; i < lines; ++i) {
    if (i % 250 == 0) {
      oldEn.push_back("file\\level" + std::to_string(i / 5000) + "\\" + std::to_string(i) + ".-1.txt");
    } else {
      oldEn.push_back(g.Line());
    }
  }
  for (const std::string& e : oldEn) {
    // Some lines stay untranslated; the others get a translation of their own.
    oldRu.push_back(g.rng() % 20 == 0 ? e : "RU " + std::string(e.rbegin(), e.rend()));
  }
  for (const std::string& e : oldEn) {
    uint64_t r = g.rng() % 1000;
    if (r < 20) {
      fresh.push_back(g.Line());  // inserted
      fresh.push_back(e);
    } else if (r < 40) {
      continue;  // deleted
    } else if (r < 90) {
      fresh.push_back(g.Edit(e));  // changed
    } else {
      fresh.push_back(e);
    }
  }
  while (static_cast<int>(fresh.size()) > lines) fresh.pop_back();
  while (static_cast<int>(fresh.size()) < lines) fresh.push_back(g.Line());

  const fs::path dir =
      keep.empty() ? fs::temp_directory_path() / ("patch_bench." + std::to_string(getpid())) : fs::path(keep);
  fs::create_directories(dir);
  auto save = [](const std::vector<std::string>& l, const fs::path& path) {
    TStringList list;
    list.Assign(l);
    list.SaveToFile(path.string());
  };
  save(fresh, dir / "new.txt");
  save(oldEn, dir / "en.txt");
  save(oldRu, dir / "ru.txt");
  size_t bytes = 0;
  for (const auto& l : fresh) bytes += l.size() + 2;
  std::printf("generated %d lines (%.1f MB new file) in %s\n", lines, bytes / 1e6, dir.c_str());

  const double cpuStart = CpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  if (program.empty()) {
    TParam p;
    p.Mode = TMode::PatchEnglishOnly;
    p.FileMain = (dir / "new.txt").string();
    p.FileEN = (dir / "en.txt").string();
    p.FileRU = (dir / "ru.txt").string();
    p.FileRec = (dir / "patch.txt").string();
    p.AddOldEnRu = true;
    p.FileOldEN = (dir / "rec_en.txt").string();
    p.FileOldRU = (dir / "rec_ru.txt").string();
    p.FileLog = (dir / "rec_log.txt").string();
    RunPatch(p);
  } else {
    pid_t pid = fork();
    if (pid == 0) {
      if (chdir(dir.c_str()) != 0) _exit(127);
      execl(program.c_str(), program.c_str(), "-cpd", "-addoldenru", "rec_en.txt", "rec_ru.txt", "rec_log.txt",
            "new.txt", "en.txt", "ru.txt", "patch.txt", static_cast<char*>(nullptr));
      _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::printf("velloran failed: status %d\n", status);
  }
  const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double cpu = CpuSeconds() - cpuStart;

  TStringList patch, log;
  patch.LoadFromFile((dir / "patch.txt").string());
  log.LoadFromFile((dir / "rec_log.txt").string());
  int similar = 0, modify = 0, emptyRu = 0;
  for (const auto& l : log.Lines()) {
    similar += l == "!!!FIND_LEVENSHTEIN!!!";
    modify += l == "!!!MODIFY!!!";
    emptyRu += l == "!!!THIS EMPTY RU LINE!!!";
  }
  std::printf("-cpd -addoldenru: %.2f s (processor time %.2f s), peak memory %.1f MiB\n", secs, cpu,
              PeakKiB() / 1024.0);
  std::printf("patch lines %d: similar %d, modify %d, empty ru %d\n", patch.Count(), similar, modify, emptyRu);
  if (keep.empty()) fs::remove_all(dir);
  return 0;
}
