// Load, split and save of a 1,000,000-line text file of about 40 MB.
#include <random>

#include "bench/benchutil.h"
#include "common/platform.h"
#include "common/stringlist.h"

int main(int argc, char** argv) {
  std::string dir = argc > 1 ? argv[1] : "/tmp";
  std::string in = dir + "/lines_bench_in.txt", out = dir + "/lines_bench_out.txt";
  std::mt19937 rng(42);
  std::string text;
  const char* words[] = {"sword", "Open the door", "You found ", "gold", "\\x20", "\\r\\n", "Quest", "HP"};
  for (int i = 0; i < 1000000; ++i) {
    int n = 2 + static_cast<int>(rng() % 7);
    for (int k = 0; k < n; ++k) {
      text += words[rng() % 8];
      text += ' ';
    }
    text += std::to_string(rng() % 1000);
    text += "\r\n";
  }
  WriteWholeFile(in, text);
  std::printf("input: %zu bytes, 1000000 lines\n", text.size());
  text.clear();
  text.shrink_to_fit();

  TStringList l;
  double t0 = NowSeconds();
  l.LoadFromFile(in);
  double t1 = NowSeconds();
  PrintRow("load + split", "1,000,000 lines", t1 - t0);
  l.SaveToFile(out);
  double t2 = NowSeconds();
  PrintRow("save", "1,000,000 lines", t2 - t1);
  TStringListEX ex;
  ex.LoadFromFileEX(in);
  ex.Encoding = TStringListEX::kEncUtf16LE;
  ex.WriteBOM = true;
  double t3 = NowSeconds();
  ex.SaveToFileEX(out);
  double t4 = NowSeconds();
  PrintRow("save as UTF-16", "1,000,000 lines", t4 - t3);
  DeleteFileIfExists(in);
  DeleteFileIfExists(out);
  return 0;
}
