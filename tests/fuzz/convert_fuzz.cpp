// ExportText, ImportText, NormalizeEnters and QuoteRegexText under random
// options and advanced keys, against the steps of the conversion rules
// written as literal replace-alls; a quoted text must match itself.
#include <cstdint>
#include <string>
#include <vector>

#include "common/errors.h"
#include "extractor/convert.h"
#include "extractor/params.h"
#include "extractor/regexsearch.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/support/literal.h"

namespace {

bool Has(const std::string& keys, const char* key) { return keys.find(key) != std::string::npos; }

std::string RefExport(std::string t, const std::string& keys, const TParametrs& p) {
  if (t.empty()) return t;
  if (p.del_enter_and_tab && p.operation == "extract") {
    t = LitReplaceAll(t, "\t", "");
    t = LitReplaceAll(t, "\r", "");
    t = LitReplaceAll(t, "\n", "");
  }
  if (p.border_quot) t = "\"" + t + "\"";
  if (p.bq_sys) {
    if (!t.empty() && t[0] == '"') t.erase(0, 1);
    if (!t.empty() && t.back() == '"') t.pop_back();
  }
  if (!p.nr_bs) {
    if (!t.empty() && t[0] == ' ') t.replace(0, 1, "\\x20");
    if (!t.empty() && t.back() == ' ') t.replace(t.size() - 1, 1, "\\x20");
  }
  if (p.hex_sys)  // byte 0 too (it would end the text file)
    for (unsigned b = 0; b < 32; ++b) t = LitReplaceAll(t, std::string(1, static_cast<char>(b)), LitHex(b, true));
  if (!p.nr_rn) {
    const bool old = p.r_da_old;
    if (!p.nr_rn_win) t = LitReplaceAll(t, "\r\n", old ? "\\d\\a" : "\\r\\n");
    if (!p.nr_r_mac) t = LitReplaceAll(t, "\r", old ? "\\d" : "\\r");
    if (!p.nr_n_unx) t = LitReplaceAll(t, "\n", old ? "\\a" : "\\n");
  }
  if (!p.nr_t && !Has(keys, "[-nr_t]")) {
    t = LitReplaceAll(t, "\\t", "\\\\t");
    t = LitReplaceAll(t, "\t", "\\t");
  }
  return t;
}

// NormalizeEnters over a text of tokens, where the two markers are values
// that no byte has; false when a marker is left over (then the bytes that
// stand for it are the implementation's own choice).
using Tokens = std::u32string;
constexpr char32_t kCrMark = 0x110001, kLfMark = 0x110002;

Tokens ToTokens(std::string_view s) {
  Tokens t;
  for (unsigned char c : s) t.push_back(c);
  return t;
}

void TokReplace(Tokens& s, const Tokens& find, const Tokens& rep, bool honour) {
  size_t q = s.find(find);
  while (q != Tokens::npos) {
    if (honour && q > 0 && s[q - 1] == U'\\') {
      s.erase(q - 1, 1);
      q = s.find(find, q);
    } else {
      s.replace(q, find.size(), rep);
      q = s.find(find, q + rep.size());
    }
  }
}

bool RefNormalizeEnters(std::string& text, const std::string& target, const TParametrs& p) {
  Tokens s = ToTokens(text);
  const bool honour = !p.not_ekrane;
  const Tokens cr(1, kCrMark), lf(1, kLfMark), pair = cr + lf, tgt = ToTokens(target);
  TokReplace(s, ToTokens("#$D#$A"), pair, honour);
  TokReplace(s, ToTokens("#$D"), cr, honour);
  TokReplace(s, ToTokens("#$A"), lf, honour);
  TokReplace(s, ToTokens("\\r\\n"), pair, honour);
  TokReplace(s, ToTokens("\\r"), cr, honour);
  TokReplace(s, ToTokens("\\n"), lf, honour);
  TokReplace(s, pair, tgt, honour);
  TokReplace(s, lf, tgt, honour);
  TokReplace(s, cr, tgt, honour);
  std::string out;
  for (char32_t c : s) {
    if (c > 255) return false;
    out.push_back(static_cast<char>(c));
  }
  text = out;
  return true;
}

std::string Enter(const std::string& t, const char* find, const char* rep, const TParametrs& p) {
  return LitReplaceEscaped(t, find, rep, !p.not_ekrane);
}

// Returns false when the comparison cannot be made (a marker left over).
bool RefImport(std::string t, const std::string& keys, const TParametrs& p, std::string& warnings,
               std::vector<std::string>& console, std::string& result) {
  if (t.empty()) {
    result = t;
    return true;
  }
  if (p.border_quot) {
    // One quote off each end; a quote left inside is reported.
    const size_t from = t[0] == '"' ? 1 : 0;
    size_t to = t.size();
    if (to > from && t[to - 1] == '"') --to;
    t = t.substr(from, to - from);
    if (t.find('"') != std::string::npos) {
      warnings += t;
      console.push_back("Warning quot text: " + t);
    }
  }
  if (!p.nr_bs) {
    if (p.r_bs_old) {
      if (t.size() >= 3 && t.compare(0, 3, "\\\" ") == 0) t.erase(0, 2);
      if (t.size() >= 3 && t.compare(t.size() - 3, 3, " \\\"") == 0) t.erase(t.size() - 2);
    }
    t = LitReplaceAll(t, "\\x20", " ");
  }
  auto unhex = [&t](unsigned from, unsigned to) {
    for (unsigned b = from; b <= to; ++b) {
      const std::string byte(1, static_cast<char>(b));
      t = LitReplaceAll(t, LitHex(b, true), byte);
      t = LitReplaceAll(t, LitHex(b, false), byte);
    }
  };
  if (p.hex_sys) unhex(0, 31);  // "\x00" too: the export writes byte 0 that way
  if (p.hex_lat) unhex(32, 127);
  if (p.hex_utf8) unhex(128, 255);
  if (!p.nr_rn && !Has(keys, "[-nr_rn]")) {
    const bool win = !(p.nr_rn_win || Has(keys, "[-nr_rn_win]"));
    const bool mac = !(p.nr_r_mac || Has(keys, "[-nr_r_mac]"));
    const bool unx = !(p.nr_n_unx || Has(keys, "[-nr_n_unix]"));
    if (p.r_da_old) {
      if (win) t = LitReplaceAll(t, "\\d\\a", "\r\n");
      if (mac) t = LitReplaceAll(t, "\\d", "\r");
      if (unx) t = LitReplaceAll(t, "\\a", "\n");
    } else {
      if (win) t = Enter(t, "\\r\\n", "\r\n", p);
      if (mac) t = Enter(t, "\\r", "\r", p);
      if (unx) t = Enter(t, "\\n", "\n", p);
    }
  }
  if (p.adv_values_script) {
    static const char* kKeys[][2] = {{"[-enter_win_reg]", "\\r\\n"}, {"[-enter_win]", "#$D#$A"},
                                     {"[-enter_unix_reg]", "\\n"},   {"[-enter_unix]", "#$A"},
                                     {"[-enter_mac_reg]", "\\r"},    {"[-enter_mac]", "#$D"}};
    for (const auto& k : kKeys)
      if (Has(keys, k[0]) && !RefNormalizeEnters(t, k[1], p)) return false;
  }
  if (!p.nr_t && !Has(keys, "[-nr_t]")) {
    t = LitReplaceEscaped(t, "\\t", "\t", true);
    t = LitReplaceAll(t, "\\\\t", "\\t");
  }
  result = t;
  return true;
}

std::string RefQuote(std::string t) {
  for (const char* c : {"\\", ".", "*", "^", "$", "(", ")", "[", "]", "<", ">", "!", "?", "+", "{", "}", "|"})
    t = LitReplaceAll(t, c, std::string("\\") + c);
  return t;
}

const char* const kKeyWords[] = {"[-nr_t]",        "[-nr_rn]",     "[-nr_rn_win]",     "[-nr_r_mac]",
                                 "[-nr_n_unix]",   "[-enter_win_reg]", "[-enter_win]", "[-enter_unix_reg]",
                                 "[-enter_unix]",  "[-enter_mac_reg]", "[-enter_mac]"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  TParametrs p;
  p.operation = in.Bool() ? "extract" : "replace";
  bool* flags[] = {&p.hex_sys,   &p.hex_lat, &p.hex_utf8, &p.nr_rn,   &p.nr_r_mac,          &p.nr_n_unx,
                   &p.nr_rn_win, &p.not_ekrane, &p.nr_t, &p.nr_bs,    &p.r_da_old,          &p.r_bs_old,
                   &p.del_enter_and_tab, &p.border_quot, &p.bq_sys, &p.adv_values_script};
  uint32_t bits = in.Byte() | (in.Byte() << 8);
  for (bool* f : flags) {
    *f = (bits & 1) != 0;
    bits >>= 1;
  }
  // Advanced keys: a random choice of the known words, then random bytes.
  std::string keys;
  uint16_t keyBits = static_cast<uint16_t>(in.Byte() | (in.Byte() << 8));
  for (size_t k = 0; k < sizeof(kKeyWords) / sizeof(kKeyWords[0]); ++k)
    if (keyBits & (1u << k)) keys += kKeyWords[k];
  keys += in.Str(8);
  const std::string text = in.Rest(2048);

  const std::string exported = ExportText(text, keys, p);
  FUZZ_CHECK(exported == RefExport(text, keys, p), text);

  std::string warnings, refWarnings, refResult;
  std::vector<std::string> console, refConsole;
  const std::string imported = ImportText(text, keys, p, warnings, console);
  if (RefImport(text, keys, p, refWarnings, refConsole, refResult)) {
    FUZZ_CHECK(imported == refResult, text);
    FUZZ_CHECK(warnings == refWarnings, text);
    FUZZ_CHECK(console == refConsole, text);
  }

  // NormalizeEnters alone, for every target.
  for (const char* target : {"\\r\\n", "#$D#$A", "\\n", "#$A", "\\r", "#$D"}) {
    std::string a = text, b = text;
    NormalizeEnters(a, target, p);
    if (RefNormalizeEnters(b, target, p)) FUZZ_CHECK(a == b, text);
  }

  // A quoted text is searched literally: it matches itself at its start.
  const std::string quoted = QuoteRegexText(text);
  FUZZ_CHECK(quoted == RefQuote(text), text);
  if (!text.empty() && text.size() <= 256) {
    TRegexHit hit;
    try {
      hit = RegexSearch(quoted, text);
    } catch (const EError& e) {
      FuzzFail("quoted text is not a valid pattern", text + " / " + e.what());
    }
    FUZZ_CHECK(hit.found && hit.begin == 0, text);
  }
  return 0;
}
