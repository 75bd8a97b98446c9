// Script loading: the lines of a script file, grouped by six (seven with
// "-adv_values_script"), against the rule written out (integer syntax of
// the coordinates, unescaping of prefix and suffix); a loaded script then
// runs over a small data text, where any pattern must either work or fail
// with the program's own error.
#include <cstdint>
#include <string>
#include <vector>

#include "common/errors.h"
#include "common/stringlist.h"
#include "extractor/extract.h"
#include "extractor/params.h"
#include "extractor/script.h"
#include "extractor/stop_run.h"
#include "tests/extractor/recording_reporter.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/support/literal.h"

namespace {

// Leading spaces, a sign, decimal digits or hexadecimal ones after "$", "x",
// "X", "0x", "0X"; nothing after the digits. Decimal values must fit 32
// bits signed, hexadecimal ones 32 bits.
bool RefInt(const std::string& s, int32_t& value) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool neg = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) neg = s[i++] == '-';
  int base = 10;
  if (i < s.size() && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
    base = 16;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i == s.size()) return false;
  unsigned long long v = 0;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else return false;
    v = v * static_cast<unsigned>(base) + static_cast<unsigned>(d);
    const unsigned long long limit = base == 16 ? 0xFFFFFFFFull : (neg ? 2147483648ull : 2147483647ull);
    if (v > limit) return false;
  }
  const long long r = neg ? -static_cast<long long>(v) : static_cast<long long>(v);
  value = static_cast<int32_t>(static_cast<uint32_t>(static_cast<unsigned long long>(r)));
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const uint8_t flags = in.Byte();
  const bool adv = (flags & 1) != 0;
  const std::string file = in.Rest(4096);

  const std::vector<std::string> lines = SplitLines(file);
  std::vector<TScript> entries;
  std::string message;
  bool ok = true;
  try {
    entries = ParseScriptLines(lines, adv);
  } catch (const EStopRun& e) {
    ok = false;
    message = e.what();
  }

  const size_t group = adv ? 7 : 6;
  const size_t n = lines.size() / group;
  std::string refMessage;
  std::vector<TScript> ref(n);
  for (size_t i = 0; i < n && refMessage.empty(); ++i) {
    const size_t b = i * group;
    ref[i].left_re = lines[b];
    ref[i].right_re = lines[b + 1];
    if (!RefInt(lines[b + 2], ref[i].coord_left)) {
      refMessage = "Error script coordinate left not value.";
    } else if (!RefInt(lines[b + 3], ref[i].coord_right)) {
      refMessage = "Error script coordinate right not value.";
    }
    ref[i].prefix = LitReplaceAll(LitReplaceAll(lines[b + 4], "\\r", "\r"), "\\n", "\n");
    ref[i].suffix = LitReplaceAll(LitReplaceAll(lines[b + 5], "\\r", "\r"), "\\n", "\n");
    if (adv) ref[i].adv_keys = lines[b + 6];
  }
  FUZZ_CHECK(ok == refMessage.empty(), file);
  FUZZ_CHECK(message == refMessage, file);
  if (!ok) return 0;
  FUZZ_CHECK(entries.size() == n, file);
  for (size_t i = 0; i < n; ++i) {
    const TScript& e = entries[i];
    FUZZ_CHECK(e.active, file);
    FUZZ_CHECK(e.left_re == ref[i].left_re && e.right_re == ref[i].right_re, file);
    FUZZ_CHECK(e.coord_left == ref[i].coord_left && e.coord_right == ref[i].coord_right, file);
    FUZZ_CHECK(e.prefix == ref[i].prefix && e.suffix == ref[i].suffix, file);
    FUZZ_CHECK(e.adv_keys == ref[i].adv_keys, file);
  }

  // The script at work on a small text: every line it yields carries the
  // prefix and suffix of its entry, and the three sequences stay parallel.
  if (n > 4) return 0;
  static const std::string kData = "a=[x] b=[y]\r\n<t>Hello, world</t>\n#a#b#\t\"q\" 12 ";
  TParametrs p;
  p.operation = "replace";  // its extraction keeps the items
  p.silent = true;
  p.b = (flags & 2) != 0;
  p.ee = (flags & 4) != 0;
  p.ft = (flags & 8) != 0;
  p.ff = (flags & 16) != 0;
  p.single_line = (flags & 32) != 0;
  p.adv_values_script = adv;
  try {
    TRecordingReporter reporter;
    TExtraction ex = ExtractItems(kData, entries, p, reporter);
    FUZZ_CHECK(ex.lines.size() == ex.items.size() && ex.raw_lines.empty(), file);
    for (size_t k = 0; k < ex.lines.size(); ++k) {
      const TInfoLINE& item = ex.items[k];
      FUZZ_CHECK(item.script_index >= 0 && static_cast<size_t>(item.script_index) < n, file);
      const TScript& e = entries[static_cast<size_t>(item.script_index)];
      const std::string& line = ex.lines[k];
      FUZZ_CHECK(line.size() >= e.prefix.size() + e.suffix.size(), file);
      FUZZ_CHECK(line.compare(0, e.prefix.size(), e.prefix) == 0, file);
      FUZZ_CHECK(line.compare(line.size() - e.suffix.size(), e.suffix.size(), e.suffix) == 0, file);
    }
  } catch (const EError&) {
    // An invalid combined pattern: the program's own error, reported as such.
  }
  return 0;
}
