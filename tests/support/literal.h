// Literal string operations for the tests' reference loops, written the way
// the rules state them: 1-based positions, a search for the next occurrence
// after every change.
#pragma once
#include <string>
#include <string_view>

// 1-based position of sub in s at or after from; 0 when absent or empty.
inline size_t LitPos(std::string_view sub, std::string_view s, size_t from = 1) {
  if (sub.empty() || from < 1 || from > s.size()) return 0;
  const size_t p = s.find(sub, from - 1);
  return p == std::string_view::npos ? 0 : p + 1;
}

// Replace-all, left to right, never searching the inserted text: the text
// up to each occurrence is copied, then the replacement, and the search goes
// on in the original text after the occurrence.
inline std::string LitReplaceAll(std::string_view s, std::string_view find, std::string_view rep) {
  if (find.empty()) return std::string(s);
  std::string out;
  size_t from = 1;
  for (size_t p = LitPos(find, s); p != 0; p = LitPos(find, s, from)) {
    out.append(s.substr(from - 1, p - from));
    out.append(rep);
    from = p + find.size();
  }
  out.append(s.substr(from - 1));
  return out;
}

// The backslash-aware replace-all: with honour on, an occurrence directly
// after a backslash loses that backslash and stays; the search goes on from
// the occurrence's second byte.
inline std::string LitReplaceEscaped(std::string s, std::string_view find, std::string_view rep,
                                     bool honour) {
  if (find.empty()) return s;
  size_t p = LitPos(find, s);
  while (p != 0) {
    if (honour && p > 1 && s[p - 2] == '\\') {
      s = s.substr(0, p - 2) + s.substr(p - 1);
      p = LitPos(find, s, p);
    } else {
      s = s.substr(0, p - 1) + std::string(rep) + s.substr(p - 1 + find.size());
      p = LitPos(find, s, p + rep.size());
    }
  }
  return s;
}

inline std::string LitHex(unsigned b, bool upper) {
  const char* d = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::string s = "\\x";
  s.push_back(d[(b >> 4) & 15]);
  s.push_back(d[b & 15]);
  return s;
}
