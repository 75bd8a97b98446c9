// Seeded input generator for the benchmark script.
//   gen_inputs data <file> <bytes> <strings> <seed>   game-like data file with <t>...</t> strings
//   gen_inputs lines <file> <lines> <seed>            extracted text file (about half distinct lines)
//   gen_inputs translate <in> <out>                   a "translation": every line changed, count kept
//   gen_inputs edit <in> <out> <seed>                 a new version: ~5% changed, 2% inserted, 2% deleted
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "common/platform.h"
#include "common/stringlist.h"
#include "common/classic_string.h"

static const char* kWords[] = {"the", "sword", "of", "King", "Arvel", "opens", "a", "door", "to",
                               "gold", "Quest", "log", "updated", "You", "found", "HP", "MP",
                               "shield", "village", "north", "ask", "the", "merchant", "Save", "Load"};

static std::string Sentence(std::mt19937& rng, int minWords, int maxWords) {
  int n = minWords + static_cast<int>(rng() % static_cast<unsigned>(maxWords - minWords + 1));
  std::string s;
  for (int i = 0; i < n; ++i) {
    if (i) s += ' ';
    s += kWords[rng() % (sizeof kWords / sizeof kWords[0])];
  }
  if (rng() % 10 == 0) s += "\\n";
  if (rng() % 3 == 0) s.append(" ").append(std::to_string(rng() % 100));
  return s;
}

// Lines as a game's text would have them: long dialogue, many short
// repeated interface strings.
static std::vector<std::string> MakeLines(size_t count, std::mt19937& rng) {
  std::vector<std::string> pool;
  for (int i = 0; i < 300; ++i) pool.push_back(Sentence(rng, 1, 3));
  std::vector<std::string> lines;
  lines.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    if (rng() % 2 == 0)
      lines.push_back(pool[rng() % pool.size()]);
    else
      lines.push_back(Sentence(rng, 4, 30) + " #" + std::to_string(i));
  }
  return lines;
}

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::string what = argv[1];
  if (what == "data" && argc == 6) {
    size_t bytes = std::strtoull(argv[3], nullptr, 10), strings = std::strtoull(argv[4], nullptr, 10);
    std::mt19937 rng(static_cast<unsigned>(std::atoi(argv[5])));
    std::vector<std::string> lines = MakeLines(strings, rng);
    size_t textBytes = 0;
    for (auto& l : lines) textBytes += l.size() + 7;
    size_t gap = bytes > textBytes ? (bytes - textBytes) / (strings + 1) : 4;
    std::string data = "DATA";
    auto noise = [&](size_t n) {
      for (size_t k = 0; k < n; ++k) {
        char c = static_cast<char>(rng() % 256);
        if (c == '<') c = '(';
        data.push_back(c);
      }
    };
    for (auto& l : lines) {
      noise(gap);
      // In the data a line break is a real one; the text file shows it escaped.
      data.append("<t>").append(ReplaceAll(l, "\\n", "\r\n")).append("</t>");
    }
    noise(gap);
    WriteWholeFile(argv[2], data);
    return 0;
  }
  if (what == "lines" && argc == 5) {
    std::mt19937 rng(static_cast<unsigned>(std::atoi(argv[4])));
    TStringList l;
    l.Assign(MakeLines(std::strtoull(argv[3], nullptr, 10), rng));
    l.SaveToFile(argv[2]);
    return 0;
  }
  if (what == "translate" && argc == 4) {
    TStringList l;
    l.LoadFromFile(argv[2]);
    for (auto& s : l.Lines()) {
      // Longer for some lines, shorter for others.
      std::string t;
      if (s.size() % 3 == 0) {
        t.append("[RU] ").append(s).append(" (ru)");
      } else if (s.size() > 6) {
        t.append("ru:").append(s, 0, s.size() / 2);
      } else {
        t.append("RU ").append(s);
      }
      s.swap(t);
    }
    l.SaveToFile(argv[3]);
    return 0;
  }
  if (what == "edit" && argc == 5) {
    std::mt19937 rng(static_cast<unsigned>(std::atoi(argv[4])));
    TStringList in, out;
    in.LoadFromFile(argv[2]);
    for (const auto& s : in.Lines()) {
      unsigned r = rng() % 100;
      if (r < 2) continue;                                   // deleted
      if (r < 4) out.Add(Sentence(rng, 3, 20) + " (new)");  // inserted
      if (r < 9 && s.size() > 3) {
        std::string t = s;
        t[rng() % t.size()] = 'x';                           // small edit
        out.Add(t);
      } else {
        out.Add(s);
      }
    }
    out.SaveToFile(argv[3]);
    return 0;
  }
  std::fprintf(stderr, "bad arguments\n");
  return 2;
}
