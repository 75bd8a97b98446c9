// The rule of the line list, walked byte by byte: a line ends at CR, LF or
// CR LF; a NUL byte ends the text (unless it is kept in its line); a final
// break gives no empty last line. The reference of the fast split.
#pragma once
#include <string>
#include <string_view>
#include <vector>

inline std::vector<std::string> ReferenceSplitLines(std::string_view text, bool nulEndsText = true) {
  std::vector<std::string> lines;
  std::string cur;
  bool open = false;  // cur holds a line that has not ended yet
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\0' && nulEndsText) break;
    if (c == '\r' || c == '\n') {
      lines.push_back(cur);
      cur.clear();
      open = false;
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      cur.push_back(c);
      open = true;
    }
  }
  if (open) lines.push_back(cur);
  return lines;
}
