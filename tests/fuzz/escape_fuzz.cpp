// EscapeText, UnescapeText and ReplaceEscaped under random escape types and
// border settings, against the replace-all steps of the escape rules; and
// the round trip of texts that hold no escape-like characters.
#include <cstdint>
#include <string>

#include "common/escape.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/support/literal.h"

namespace {

struct Notation {
  const char* cr;
  const char* lf;
  bool honour;
};

// The CR and LF notations of types 1, 2, 4 and 5; nullptr for the others.
const Notation* NotationOf(uint8_t type) {
  static const Notation k1{"\\d", "\\a", false}, k2{"\\r", "\\n", true}, k4{"<CR>", "<LF>", false},
      k5{"&#13", "&#10;", false};
  switch (type) {
    case 1: return &k1;
    case 2: return &k2;
    case 4: return &k4;
    case 5: return &k5;
    default: return nullptr;
  }
}

std::string RefEscape(std::string s, uint8_t type, bool border) {
  if (s.empty()) return s;
  if (border) {
    if (s[0] == ' ') s.replace(0, 1, "\\x20");
    if (s.back() == ' ') s.replace(s.size() - 1, 1, "\\x20");
  }
  if (type != 3) {
    if (const Notation* n = NotationOf(type)) {
      s = LitReplaceEscaped(s, "\r", n->cr, n->honour);
      s = LitReplaceEscaped(s, "\n", n->lf, n->honour);
    }
    s = LitReplaceAll(s, "\t", "\\t");
  }
  for (unsigned b = 0; b < 32; ++b) s = LitReplaceEscaped(s, std::string(1, static_cast<char>(b)), LitHex(b, true), false);
  return s;
}

std::string RefUnescape(std::string s, uint8_t type, bool border) {
  if (s.empty()) return s;
  if (border) s = LitReplaceAll(s, "\\x20", " ");
  if (type != 3) {
    if (const Notation* n = NotationOf(type)) {
      s = LitReplaceEscaped(s, n->cr, "\r", n->honour);
      s = LitReplaceEscaped(s, n->lf, "\n", n->honour);
    }
    s = LitReplaceAll(s, "\\t", "\t");
  }
  for (unsigned b = 0; b < 32; ++b) {
    const std::string byte(1, static_cast<char>(b));
    s = LitReplaceEscaped(s, LitHex(b, true), byte, false);
    s = LitReplaceEscaped(s, LitHex(b, false), byte, false);
  }
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const uint8_t flags = in.Byte();
  const uint8_t type = static_cast<uint8_t>(flags % 8);  // 6 and 7 behave like 0
  const bool border = (flags & 8) != 0;
  const bool honour = (flags & 16) != 0;
  const std::string find = in.Str(6);
  const std::string rep = in.Str(6);
  const std::string text = in.Rest(4096);

  // ReplaceEscaped against the loop of the rule.
  std::string replaced = text;
  ReplaceEscaped(replaced, find, rep, honour);
  FUZZ_CHECK(replaced == LitReplaceEscaped(text, find, rep, honour), text);

  const std::string escaped = EscapeText(text, static_cast<TEscapeForm>(type), border);
  FUZZ_CHECK(escaped == RefEscape(text, type, border), text);
  for (unsigned char c : escaped) FUZZ_CHECK(c >= 32, text);  // one line, no control byte
  const std::string unescaped = UnescapeText(text, static_cast<TEscapeForm>(type), border);
  FUZZ_CHECK(unescaped == RefUnescape(text, type, border), text);

  // A text without backslashes and without the first characters of the
  // notations comes back unchanged.
  bool plain = true;
  for (char c : text) plain = plain && c != '\\' && c != '<' && c != '&';
  if (plain) FUZZ_CHECK(UnescapeText(escaped, static_cast<TEscapeForm>(type), border) == text, text);
  return 0;
}
