// The script file: entries of a left and a right pattern, two coordinates,
// a prefix, a suffix and (with "-adv_values_script") advanced value keys.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "extractor/params.h"

struct TScript {
  bool active = true;
  int64_t found_pos = 0;  // 1-based start of the pending match
  int64_t found_len = 0;
  std::string left_re;
  std::string right_re;
  int32_t coord_left = 0;
  int32_t coord_right = 0;
  std::string prefix;
  std::string suffix;
  std::string adv_keys;
};

// Backslash-r becomes CR, then backslash-n becomes LF; nothing else.
std::string UnescapeScriptText(std::string_view s);

// Builds the entries from the lines of a script. A coordinate that is not
// an integer raises EStopRun with the line that says which one.
std::vector<TScript> ParseScriptLines(const std::vector<std::string>& lines, bool advValues);

// Reads p.script_file (an unreadable file raises EFOpenError) and parses it.
std::vector<TScript> LoadScript(const TParametrs& p);
