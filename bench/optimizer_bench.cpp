// Benchmark of velloran -o and -r on generated line files.
//
//   optimizer_bench [--velloran PATH] [--dir DIR] [--lines N]...
//       Generates seeded files of 100,000 and 1,000,000 lines (or the given
//       counts; about 60 bytes a line, half of the lines distinct), runs
//       "velloran -o" and "velloran -r" on them, and also awk '!seen[$0]++'
//       and sort -u on the same source; prints wall time and peak memory of
//       each run.
//   optimizer_bench --generate N FILE
//       Only writes the seeded source file of N lines.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Source of n lines: n/2 distinct lines of 20 to 100 letters and words, each
// once, and n - n/2 repeats of random ones among them, shuffled; every line
// followed by CR LF as the extractor writes it.
std::string MakeSource(size_t n, uint32_t seed) {
  std::mt19937_64 rng(seed);
  const std::string letters = "abcdefghijklmnopqrstuvwxyz ABCDEFGHIJKLMNOPQRSTUVWXYZ .,'!?0123456789";
  std::uniform_int_distribution<size_t> len(20, 100), pick(0, letters.size() - 1);
  const size_t distinct = n / 2 > 0 ? n / 2 : 1;
  std::vector<std::string> pool(distinct);
  for (size_t i = 0; i < distinct; ++i) {
    std::string s = "#";  // "#<number> " keeps the lines distinct
    s.append(std::to_string(i)).push_back(' ');
    for (size_t k = len(rng); k > 0; --k) s.push_back(letters[pick(rng)]);
    pool[i] = std::move(s);
  }
  std::vector<uint32_t> order;
  order.reserve(n);
  for (size_t i = 0; i < n; ++i) order.push_back(static_cast<uint32_t>(i < distinct ? i : rng() % distinct));
  std::shuffle(order.begin(), order.end(), rng);
  std::string text;
  text.reserve(n * 64);
  for (uint32_t i : order) {
    text += pool[i];
    text += "\r\n";
  }
  return text;
}

void WriteFile(const std::string& path, const std::string& data) {
  if (fs::path(path).has_parent_path()) fs::create_directories(fs::path(path).parent_path());
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(data.data(), static_cast<std::streamsize>(data.size()));
  if (!f) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::exit(2);
  }
}

std::string ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

struct Measure {
  int status = -1;
  double seconds = 0;     // wall
  double cpuSeconds = 0;  // user + system of the child
  long peakKiB = 0;
};

// Runs argv in cwd with stdout to outPath (or /dev/null) and stdin from
// /dev/null; wall time, the child's processor time and its peak resident
// memory. On a shared machine the processor time is the steadier figure.
Measure RunChild(const std::vector<std::string>& argv, const std::string& cwd, const std::string& outPath = "") {
  auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    int in = open("/dev/null", O_RDONLY);
    int out = open(outPath.empty() ? "/dev/null" : outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || chdir(cwd.c_str()) != 0) _exit(127);
    dup2(in, 0);
    dup2(out, 1);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  Measure m;
  int st = 0;
  struct rusage ru {};
  if (pid > 0 && wait4(pid, &st, 0, &ru) == pid) {
    m.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    m.peakKiB = ru.ru_maxrss;
    m.cpuSeconds = ru.ru_utime.tv_sec + ru.ru_utime.tv_usec / 1e6 + ru.ru_stime.tv_sec + ru.ru_stime.tv_usec / 1e6;
  }
  m.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return m;
}

void Report(const std::string& what, size_t lines, const Measure& m, const std::string& extra = "") {
  std::printf("%-30s %8zu lines  %7.3f s wall  %7.3f s cpu  %7.1f MiB peak  status %d%s\n", what.c_str(), lines,
              m.seconds, m.cpuSeconds, m.peakKiB / 1024.0, m.status, extra.c_str());
  std::fflush(stdout);
}

size_t CountLines(const std::string& path) {
  std::string s = ReadFile(path);
  size_t n = 0;
  for (char c : s) n += c == '\n';
  return n;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 3 && args[0] == "--generate") {
    WriteFile(args[2], MakeSource(std::stoul(args[1]), 20240601));
    return 0;
  }
  std::string velloran = (fs::canonical("/proc/self/exe").parent_path().parent_path() / "bin" / "velloran").string();
  std::string dir = (fs::temp_directory_path() / "optimizer_bench").string();
  std::vector<size_t> counts;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--velloran" && i + 1 < args.size()) {
      velloran = args[++i];
    } else if (args[i] == "--dir" && i + 1 < args.size()) {
      dir = args[++i];
    } else if (args[i] == "--lines" && i + 1 < args.size()) {
      counts.push_back(std::stoul(args[++i]));
    } else {
      std::fprintf(stderr, "usage: optimizer_bench [--velloran PATH] [--dir DIR] [--lines N]...\n"
                           "       optimizer_bench --generate N FILE\n");
      return 2;
    }
  }
  if (counts.empty()) counts = {100000, 1000000};
  if (!fs::exists(velloran)) {
    std::fprintf(stderr, "velloran not found: %s (give --velloran PATH)\n", velloran.c_str());
    return 2;
  }
  fs::create_directories(dir);
  const std::string exe = dir + "/velloran";
  fs::copy_file(velloran, exe, fs::copy_options::overwrite_existing);

  for (size_t n : counts) {
    const std::string name = "src" + std::to_string(n) + ".txt";
    const std::string src = dir + "/" + name;
    const std::string text = MakeSource(n, 20240601);
    WriteFile(src, text);
    std::printf("-- %zu lines, %.1f MB\n", n, text.size() / 1e6);

    Measure o = RunChild({exe, "-o", name}, dir);
    const std::string en = dir + "/2Optimize_EN/" + name;
    Report("velloran -o", n, o, "  -> " + std::to_string(CountLines(en)) + " lines");

    Measure awk = RunChild({"awk", "!seen[$0]++", src}, dir, dir + "/awk.out");
    Report("awk '!seen[$0]++'", n, awk);
    Measure sort = RunChild({"sort", "-u", src, "-o", dir + "/sort.out"}, dir);
    Report("sort -u", n, sort);

    // The translation: every English line with a prefix, line for line.
    {
      std::string ru;
      std::string enText = ReadFile(en);
      ru.reserve(enText.size() + enText.size() / 10);
      size_t start = 0;
      while (start < enText.size()) {
        size_t end = enText.find("\r\n", start);
        if (end == std::string::npos) end = enText.size();
        ru += "RU ";
        ru.append(enText, start, end - start);
        ru += "\r\n";
        start = end + 2;
      }
      WriteFile(dir + "/3Optimize_RU/" + name, ru);
    }
    Measure r = RunChild({exe, "-r", name}, dir);
    Report("velloran -r", n, r, "  -> " + std::to_string(CountLines(dir + "/4Recover_RU/" + name)) + " lines");

    Measure os = RunChild({exe, "-o", "-sort", name, "en_sorted.txt"}, dir);
    Report("velloran -o -sort", n, os);
    Measure orn = RunChild({exe, "-o", "-dbs", "-rn", "-is", "-lso", "30", name, "en_keys.txt"}, dir);
    Report("velloran -o -dbs -rn -is -lso", n, orn);
    Measure rh = RunChild({exe, "-r", "-dbs", "-hbs", name}, dir);
    Report("velloran -r -dbs -hbs", n, rh);
  }
  return 0;
}
