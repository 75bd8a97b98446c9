#include "extractor/script.h"

#include "common/line_file.h"
#include "common/classic_string.h"
#include "extractor/stop_run.h"

std::string UnescapeScriptText(std::string_view s) {
  std::string out = ReplaceAll(s, "\\r", "\r");
  ReplaceAllInPlace(out, "\\n", "\n");
  return out;
}

std::vector<TScript> ParseScriptLines(const std::vector<std::string>& lines, bool advValues) {
  const size_t groupLen = advValues ? 7 : 6;
  const size_t n = lines.size() / groupLen;
  std::vector<TScript> entries(n);
  for (size_t i = 0; i < n; ++i) {
    const size_t base = i * groupLen;
    TScript& e = entries[i];
    e.active = true;
    e.left_re = lines[base];
    e.right_re = lines[base + 1];
    if (!StrToIntStrict(lines[base + 2], e.coord_left)) throw EStopRun({"Error script coordinate left not value."});
    if (!StrToIntStrict(lines[base + 3], e.coord_right)) throw EStopRun({"Error script coordinate right not value."});
    e.prefix = UnescapeScriptText(lines[base + 4]);
    e.suffix = UnescapeScriptText(lines[base + 5]);
    if (advValues) e.adv_keys = lines[base + 6];
  }
  return entries;
}

std::vector<TScript> LoadScript(const TParametrs& p) {
  return ParseScriptLines(ReadLineFile(p.script_file), p.adv_values_script);
}
