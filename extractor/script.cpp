#include "extractor/script.h"

#include "common/line_file.h"
#include "common/platform.h"
#include "common/strutil.h"

std::string UnescapeScriptText(std::string_view s) {
  std::string out = ReplaceAll(s, "\\r", "\r");
  ReplaceAllInPlace(out, "\\n", "\n");
  return out;
}

bool ParseScriptLines(const std::vector<std::string>& lines, bool advValues,
                      std::vector<TScript>& entries, std::string& message) {
  const size_t groupLen = advValues ? 7 : 6;
  const size_t n = lines.size() / groupLen;
  entries.assign(n, TScript{});
  for (size_t i = 0; i < n; ++i) {
    const size_t base = i * groupLen;
    TScript& e = entries[i];
    e.active = true;
    e.left_re = lines[base];
    e.right_re = lines[base + 1];
    if (!StrToIntStrict(lines[base + 2], e.coord_left)) {
      message = "Error script coordinate left not value.";
      entries.clear();
      return false;
    }
    if (!StrToIntStrict(lines[base + 3], e.coord_right)) {
      message = "Error script coordinate right not value.";
      entries.clear();
      return false;
    }
    e.prefix = UnescapeScriptText(lines[base + 4]);
    e.suffix = UnescapeScriptText(lines[base + 5]);
    if (advValues) e.adv_keys = lines[base + 6];
  }
  return true;
}

bool LoadScript(const TParametrs& p, std::vector<TScript>& entries) {
  std::vector<std::string> lines = ReadLineFile(p.script_file);
  std::string message;
  if (!ParseScriptLines(lines, p.adv_values_script, entries, message)) {
    ConsoleLine(message);
    return false;
  }
  return true;
}
