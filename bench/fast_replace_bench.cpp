// Timings of the sequential replacement of translated lines: the fast form
// against the plain loop, on seeded game-like data texts.
//   fast_replace_bench                 5 MB / 10,000 and 60 MB / 100,000 strings
//   fast_replace_bench MB STRINGS      one case of your choice
// The plain loop runs fully on cases up to 8 MB; on larger ones it runs
// until a time cap (30 s, or the environment variable FAST_REPLACE_LITERAL_CAP
// in seconds) and the number of items it got through is printed.
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "extractor/fast_replace.h"

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

// Processor time of this process, in seconds (steadier than wall time on a
// shared machine).
double CpuNow() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

struct Case {
  std::string text;
  std::vector<TReplaceItem> items;
};

std::string Words(std::mt19937& rng, size_t minLen, size_t maxLen) {
  static const char* const kWords[] = {"the",   "sword", "of",     "ancient", "king",   "you",   "have", "found",
                                       "a",     "key",   "door",   "is",      "locked", "gold",  "coins", "quest",
                                       "north", "river", "dragon", "sleeps",  "in",     "cave",  "take", "this",
                                       "potion", "heals", "wounds", "merchant", "sells", "armor", "night", "falls"};
  std::uniform_int_distribution<size_t> len(minLen, maxLen);
  std::uniform_int_distribution<size_t> w(0, sizeof(kWords) / sizeof(kWords[0]) - 1);
  size_t want = len(rng);
  std::string s;
  while (s.size() < want) {
    if (!s.empty()) s += ' ';
    s += kWords[w(rng)];
  }
  s[0] = static_cast<char>(s[0] - 'a' + 'A');
  s += rng() % 2 ? "." : "!";
  return s;
}

// Translation: two-byte letters (like Cyrillic in UTF-8), 1.0 to 1.8 times
// the bytes of the original.
std::string Translate(std::mt19937& rng, const std::string& s) {
  std::string t;
  size_t want = s.size() + s.size() * (rng() % 80) / 100;
  while (t.size() < want) {
    if (rng() % 6 == 0) {
      t += ' ';
    } else {
      t += static_cast<char>(0xD0);
      t += static_cast<char>(0xB0 + rng() % 16);
    }
  }
  return t;
}

// A data text of about `bytes` bytes holding `strings` quoted strings between
// markup, and one item per string in file order (key = the string, right part
// = the closing quote).
Case MakeCase(size_t bytes, size_t strings, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<std::string> common;
  for (int i = 0; i < 60; ++i) common.push_back(Words(rng, 2, 14));
  std::vector<std::string> texts;
  texts.reserve(strings);
  size_t textBytes = 0;
  for (size_t i = 0; i < strings; ++i) {
    std::string s;
    unsigned r = rng() % 100;
    if (r < 15) {
      s = common[rng() % common.size()];  // repeated across the file
    } else if (r < 16) {
      s = Words(rng, 400, 1500);  // long dialog text
    } else {
      s = Words(rng, 10, 160);
    }
    textBytes += s.size();
    texts.push_back(std::move(s));
  }
  size_t markupPer = bytes > textBytes ? (bytes - textBytes) / (strings ? strings : 1) : 16;
  Case c;
  c.text.reserve(bytes + strings * 8);
  for (size_t i = 0; i < strings; ++i) {
    size_t m = markupPer / 2 + rng() % (markupPer + 1);
    std::string mk = "<node id=" + std::to_string(i) + " flags=";
    while (mk.size() + 8 < m) mk += static_cast<char>('0' + rng() % 10);
    c.text += mk + " text=\"";
    c.text += texts[i];
    c.text += "\"/>\r\n";
  }
  c.items.reserve(strings);
  for (size_t i = 0; i < strings; ++i) {
    TReplaceItem it;
    it.search = texts[i] + "\"";
    it.keyLen = texts[i].size();
    unsigned r = rng() % 100;
    if (r < 10) {
      it.replacement = texts[i];  // left untranslated
    } else if (r < 12 && i + 1 < strings) {
      // Holds the untranslated text of a later line.
      it.replacement = Translate(rng, texts[i]) + " " + texts[i + 1 + rng() % std::min<size_t>(50, strings - i - 1)];
    } else {
      it.replacement = Translate(rng, texts[i]);
    }
    c.items.push_back(std::move(it));
  }
  return c;
}

void RunCase(size_t mb, size_t strings, double literalCap) {
  Clock::time_point t0 = Clock::now();
  Case c = MakeCase(mb * 1000000, strings, 20240601u + static_cast<unsigned>(strings));
  std::printf("case %zu MB / %zu strings: data %zu bytes, generated in %.2f s\n", mb, strings, c.text.size(),
              Since(t0));

  std::string fastText = c.text;
  t0 = Clock::now();
  double c0 = CpuNow();
  std::vector<bool> fastFound = ReplaceSequentialFast(fastText, c.items);
  double fastSec = Since(t0), fastCpu = CpuNow() - c0;
  size_t hits = 0;
  for (bool b : fastFound) hits += b;
  std::printf("  fast:    %8.3f s wall, %.3f s processor  (%zu of %zu found, result %zu bytes)\n", fastSec, fastCpu,
              hits, c.items.size(), fastText.size());

  if (c.text.size() <= 8000000) {
    std::string litText = c.text;
    t0 = Clock::now();
    c0 = CpuNow();
    std::vector<bool> litFound = ReplaceSequentialLiteral(litText, c.items);
    double litSec = Since(t0), litCpu = CpuNow() - c0;
    bool same = litText == fastText && litFound == fastFound;
    std::printf("  literal: %8.3f s wall, %.3f s processor  (%.0fx the fast form), results %s\n", litSec, litCpu,
                litCpu / fastCpu, same ? "identical" : "DIFFERENT");
    if (!same) std::exit(1);
  } else {
    // The plain loop item by item until the cap.
    std::string litText = c.text;
    t0 = Clock::now();
    size_t done = 0;
    for (; done < c.items.size() && Since(t0) < literalCap; done += 50) {
      std::vector<TReplaceItem> part(c.items.begin() + done,
                                     c.items.begin() + std::min(done + 50, c.items.size()));
      ReplaceSequentialLiteral(litText, part);
    }
    done = std::min(done, c.items.size());
    double litSec = Since(t0);
    if (done == c.items.size()) {
      std::printf("  literal: %8.3f s  (%.0fx the fast form), results %s\n", litSec, litSec / fastSec,
                  litText == fastText ? "identical" : "DIFFERENT");
    } else {
      std::printf("  literal: stopped after %.1f s at %zu of %zu items (more than %.0fx the fast form)\n", litSec,
                  done, c.items.size(), litSec / fastSec);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  double cap = 30;
  if (const char* e = std::getenv("FAST_REPLACE_LITERAL_CAP")) cap = std::atof(e);
  if (argc == 3) {
    RunCase(std::strtoul(argv[1], nullptr, 10), std::strtoul(argv[2], nullptr, 10), cap);
    return 0;
  }
  RunCase(5, 10000, cap);
  RunCase(60, 100000, cap);
  return 0;
}
