// Shared pieces of the end-to-end tests: generated game data whose strings
// lie at known places, scripts, a reference of korvane's export conversion
// for checking extracted lines, a translator that changes lengths while
// keeping escapes intact, UTF-16 helpers, and a workspace that holds copies
// of both programs.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstdint>
#include <map>
#include <random>
#include <set>
#include <string>
#include <unordered_set>
#include <vector>

#include "tests/support/literal.h"
#include "tests/support/testutil.h"

namespace e2e {

// ---------------------------------------------------------------- text helpers

// A count of rounds or strings, smaller under the sanitizers (which set
// KV_SLOW_TESTS_OFF).
inline size_t Scaled(size_t full) { return std::getenv("KV_SLOW_TESTS_OFF") ? full / 4 + 1 : full; }

inline bool Has(const std::vector<std::string>& args, const std::string& option) {
  return std::find(args.begin(), args.end(), option) != args.end();
}

// Splits the bytes of a saved line list (CR LF after every line) into lines.
inline std::vector<std::string> SplitCrLf(const std::string& text) {
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t p = text.find("\r\n", pos);
    if (p == std::string::npos) {
      lines.push_back(text.substr(pos));
      break;
    }
    lines.push_back(text.substr(pos, p - pos));
    pos = p + 2;
  }
  return lines;
}

inline std::string Hex2(unsigned b) {
  static const char* digits = "0123456789ABCDEF";
  std::string s = "\\x";
  s.push_back(digits[(b >> 4) & 15]);
  s.push_back(digits[b & 15]);
  return s;
}

// Short printable form of bytes for failure messages.
inline std::string Show(const std::string& s, size_t limit = 200) {
  std::string out;
  for (size_t i = 0; i < s.size() && i < limit; ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c >= 32 && c < 127 && c != '\\')
      out.push_back(static_cast<char>(c));
    else {
      static const char* digits = "0123456789ABCDEF";
      out.push_back('<');
      out.push_back(digits[c >> 4]);
      out.push_back(digits[c & 15]);
      out.push_back('>');
    }
  }
  if (s.size() > limit) out += "...";
  return out;
}

// Index of the first differing byte (or the shorter size).
inline size_t FirstDifference(const std::string& a, const std::string& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i)
    if (a[i] != b[i]) return i;
  return n;
}

inline std::string DescribeDifference(const std::string& expected, const std::string& actual) {
  size_t d = FirstDifference(expected, actual);
  size_t from = d > 40 ? d - 40 : 0;
  return "sizes " + std::to_string(expected.size()) + " vs " + std::to_string(actual.size()) +
         ", first difference at byte " + std::to_string(d) + "\n expected: " +
         Show(expected.substr(from, 120)) + "\n actual:   " + Show(actual.substr(from, 120));
}

// ------------------------------------------------------------------- UTF-16

// Code point as UTF-8, with characters beyond the Basic Multilingual Plane as
// two surrogate units of three bytes each (the way the programs hold UTF-16
// text in memory).
inline std::string Cesu(uint32_t cp) {
  auto unit = [](uint32_t u) {
    std::string s;
    if (u < 0x80) {
      s.push_back(static_cast<char>(u));
    } else if (u < 0x800) {
      s.push_back(static_cast<char>(0xC0 | (u >> 6)));
      s.push_back(static_cast<char>(0x80 | (u & 0x3F)));
    } else {
      s.push_back(static_cast<char>(0xE0 | (u >> 12)));
      s.push_back(static_cast<char>(0x80 | ((u >> 6) & 0x3F)));
      s.push_back(static_cast<char>(0x80 | (u & 0x3F)));
    }
    return s;
  };
  if (cp < 0x10000) return unit(cp);
  uint32_t v = cp - 0x10000;
  return unit(0xD800 + (v >> 10)) + unit(0xDC00 + (v & 0x3FF));
}

// UTF-16 units of text made by Cesu (sequences of one to three bytes).
inline std::vector<uint16_t> CesuToUnits(const std::string& s) {
  std::vector<uint16_t> units;
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      units.push_back(c);
      i += 1;
    } else if ((c & 0xE0) == 0xC0) {
      units.push_back(static_cast<uint16_t>(((c & 0x1F) << 6) | (s[i + 1] & 0x3F)));
      i += 2;
    } else {
      units.push_back(static_cast<uint16_t>(((c & 0x0F) << 12) | ((s[i + 1] & 0x3F) << 6) |
                                            (s[i + 2] & 0x3F)));
      i += 3;
    }
  }
  return units;
}

inline std::string UnitsToBytes(const std::vector<uint16_t>& units, bool bigEndian) {
  std::string out;
  for (uint16_t u : units) {
    char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
    if (bigEndian) {
      out.push_back(hi);
      out.push_back(lo);
    } else {
      out.push_back(lo);
      out.push_back(hi);
    }
  }
  return out;
}

// Bytes of UTF-16 (without mark, even length) back to the in-memory form.
inline std::string BytesToCesu(const std::string& bytes, bool bigEndian) {
  std::string out;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    unsigned char a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
    uint16_t u = bigEndian ? static_cast<uint16_t>((a << 8) | b) : static_cast<uint16_t>((b << 8) | a);
    out += Cesu(u);  // a lone surrogate unit is encoded on its own, like any unit
  }
  return out;
}

// ---------------------------------------------------------------- the script

struct Entry {
  std::string left_re, right_re;
  int coord_left = 0, coord_right = 0;
  std::string prefix, suffix;  // as they stand in the exported lines
  std::string adv;             // advanced value keys (seventh line)
};

inline std::string ScriptText(const std::vector<Entry>& entries, bool adv) {
  std::vector<std::string> lines;
  for (const Entry& e : entries) {
    lines.push_back(e.left_re);
    lines.push_back(e.right_re);
    lines.push_back(std::to_string(e.coord_left));
    lines.push_back(std::to_string(e.coord_right));
    lines.push_back(e.prefix);  // prefixes used here hold no backslash escape
    lines.push_back(e.suffix);
    if (adv) lines.push_back(e.adv);
  }
  return CrLf(lines);
}

// ------------------------------------------------------ the reference export

// The line that korvane's export makes of a found text for the options of a
// run (those that the generated data uses), worked out byte by byte: what
// each byte of the quoted text becomes. This agrees with applying the rules
// one after the other because no rule acts on what another wrote: the
// escapes written hold no control byte, no space at the border and no
// backslash before a "t".
inline std::string ExportRef(const std::string& text, const std::vector<std::string>& args,
                             const std::string& adv) {
  std::string t = text;
  if (!t.empty() && Has(args, "-border_quot")) {
    t.insert(t.begin(), '"');
    t.push_back('"');
  }
  if (Has(args, "-bq_sys")) {
    if (!t.empty() && t.front() == '"') t.erase(0, 1);
    if (!t.empty() && t.back() == '"') t.pop_back();
  }
  const bool border = !Has(args, "-nr_bs");
  const bool hex = Has(args, "-hex_sys");  // byte 0 too: a NUL would otherwise end the text file
  const bool breaks = !Has(args, "-nr_rn");
  const bool pairs = breaks && !Has(args, "-nr_rn_win");
  const bool crs = breaks && !Has(args, "-nr_r_mac");
  const bool lfs = breaks && !Has(args, "-nr_n_unx");
  const bool old = Has(args, "-r_da_old");
  const bool tabs = !Has(args, "-nr_t") && adv.find("[-nr_t]") == std::string::npos;
  std::string out;
  for (size_t i = 0; i < t.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(t[i]);
    const char next = i + 1 < t.size() ? t[i + 1] : '\0';
    if (border && c == ' ' && (i == 0 || i + 1 == t.size())) {
      out += "\\x20";
    } else if (hex && c < 32) {
      out += Hex2(c);
    } else if (pairs && c == '\r' && next == '\n') {
      out += old ? "\\d\\a" : "\\r\\n";
      ++i;
    } else if (crs && c == '\r') {
      out += old ? "\\d" : "\\r";
    } else if (lfs && c == '\n') {
      out += old ? "\\a" : "\\n";
    } else if (tabs && c == '\t') {
      out += "\\t";
    } else if (tabs && c == '\\' && next == 't') {
      out += "\\\\t";
      ++i;
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

// --------------------------------------------------------------- the data

// Data text as fixed bytes and string places: fixed[0] slot[0] fixed[1] ...
// slot[n-1] fixed[n]. A slot holds the bytes that extraction takes as the
// text of one line (after the coordinates).
struct Slot {
  std::string raw;
  int entry = 0;
};

struct Data {
  std::vector<std::string> fixed{std::string()};
  std::vector<Slot> slots;

  void Fixed(const std::string& bytes) { fixed.back() += bytes; }
  void Put(const std::string& raw, int entry) {
    slots.push_back({raw, entry});
    fixed.emplace_back();
  }
  std::string Text() const {
    std::string s = fixed[0];
    for (size_t i = 0; i < slots.size(); ++i) s += slots[i].raw + fixed[i + 1];
    return s;
  }
};

// Lines that extraction gives for the data.
inline std::vector<std::string> ExpectedLines(const Data& d, const std::vector<Entry>& entries,
                                              const std::vector<std::string>& args) {
  std::vector<std::string> lines;
  std::unordered_set<std::string> seen;
  for (const Slot& s : d.slots) {
    if (s.raw.empty() && !Has(args, "-ee")) continue;  // an empty text yields no line
    const Entry& e = entries[s.entry];
    std::string line = e.prefix + ExportRef(s.raw, args, Has(args, "-adv_values_script") ? e.adv : "") + e.suffix;
    if (Has(args, "-d") && (line.empty() || !seen.insert(line).second)) continue;  // -d drops empty lines too
    lines.push_back(line);
  }
  return lines;
}

// Checks that text is the data with only its slots changed, and returns the
// new slot contents. Needs: the first byte of every fixed part after a slot
// occurs in no slot, old or new.
inline ::testing::AssertionResult ParseFrame(const std::string& text, const Data& d,
                                             std::vector<std::string>* newSlots) {
  newSlots->clear();
  size_t pos = 0;
  for (size_t i = 0; i <= d.slots.size(); ++i) {
    const std::string& f = d.fixed[i];
    if (text.compare(pos, f.size(), f) != 0)
      return ::testing::AssertionFailure()
             << "fixed part " << i << " changed at byte " << pos << ": expected " << Show(f, 80)
             << " found " << Show(text.substr(pos, 80), 80);
    pos += f.size();
    if (i == d.slots.size()) break;
    const std::string& next = d.fixed[i + 1];
    size_t end = next.empty() ? text.size() : text.find(next[0], pos);
    if (end == std::string::npos)
      return ::testing::AssertionFailure() << "no end of slot " << i << " after byte " << pos;
    newSlots->push_back(text.substr(pos, end - pos));
    pos = end;
  }
  if (pos != text.size())
    return ::testing::AssertionFailure() << "data has " << text.size() - pos << " bytes too many";
  return ::testing::AssertionSuccess();
}

// ------------------------------------------------------------ generation

// Bytes that the generated strings and noise never contain, so that the
// script's delimiters are found only where the generator put them: [ ] < > #
// ~ ; ( ) { } $ ! | ^ " \ @ % : = and NUL.
inline bool Reserved(unsigned char c) {
  static const std::string reserved = std::string("[]<>#~;(){}$!|^\"\\@%:=") + std::string(1, '\0');
  return reserved.find(static_cast<char>(c)) != std::string::npos;
}

// Random bytes between string places: any byte but the reserved ones (line
// breaks, control and high bytes included).
inline std::string Noise(std::mt19937& rng, size_t minLen, size_t maxLen) {
  std::uniform_int_distribution<size_t> len(minLen, maxLen);
  std::uniform_int_distribution<int> byte(0, 255);
  size_t n = len(rng);
  std::string s;
  while (s.size() < n) {
    unsigned char c = static_cast<unsigned char>(byte(rng));
    if (!Reserved(c)) s.push_back(static_cast<char>(c));
  }
  return s;
}

// What a generated string may hold.
struct Features {
  bool crlf = true, lone_cr = true, lone_lf = true;  // raw line breaks
  bool tabs = true;
  bool border_spaces = true;
  bool utf8 = true;
  bool controls = false;    // bytes 1..31 other than TAB, LF, CR
  bool nul = false;         // byte 0 (only "-hex_sys" keeps it out of the text file)
  bool high_bytes = false;  // single bytes 0x80..0xFF (not UTF-8)
  bool backslash_q = true;  // a literal backslash before q
  bool backslash_t = true;  // a literal backslash before t
  bool literal_breaks = false;  // escape texts (from literal_set) standing in the data
  std::vector<std::string> literal_set = {"\\n", "\\r\\n"};
  bool quotes = false;          // double quotes, at the borders too
  size_t min_words = 1, max_words = 6;
};

inline std::string Word(std::mt19937& rng, size_t minLen = 1, size_t maxLen = 8) {
  return RandomString(rng, "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789", minLen, maxLen);
}

// UTF-8 words (no U+0416, the letter the translator adds).
inline std::string Utf8Word(std::mt19937& rng) {
  static const std::vector<std::string> words = {
      "caf\xC3\xA9", "\xC3\xBC" "ber", "\xE4\xB8\xAD\xE6\x96\x87", "\xD0\xB4\xD0\xBE\xD0\xBC",
      "na\xC3\xAFve", "\xCE\xB1\xCE\xB2\xCE\xB3", "\xE2\x82\xAC" "5", "\xF0\x9F\x98\x80"};
  return words[std::uniform_int_distribution<size_t>(0, words.size() - 1)(rng)];
}

inline std::string GenString(std::mt19937& rng, const Features& f) {
  std::uniform_int_distribution<int> pct(0, 99);
  std::uniform_int_distribution<size_t> nwords(f.min_words, f.max_words);
  size_t n = nwords(rng);
  std::string s;
  for (size_t i = 0; i < n; ++i) {
    if (i > 0) {
      int p = pct(rng);
      if (p < 55) {
        s += " ";
      } else if (p < 62 && f.crlf) {
        s += "\r\n";
      } else if (p < 66 && f.lone_lf) {
        s += "\n";
      } else if (p < 69 && f.lone_cr) {
        s += "\r";
      } else if (p < 74 && f.tabs) {
        s += "\t";
      } else if (p < 77 && (f.controls || f.nul)) {
        static const std::string ctl = "\x01\x02\x03\x07\x08\x0B\x0C\x0E\x1B\x1F";
        if (f.nul && (!f.controls || pct(rng) < 30))
          s.push_back('\0');
        else
          s.push_back(ctl[std::uniform_int_distribution<size_t>(0, ctl.size() - 1)(rng)]);
      } else if (p < 80 && f.backslash_q) {
        s += "\\q";
      } else if (p < 82 && f.backslash_t) {
        s += "\\t";
      } else if (p < 86 && f.literal_breaks) {
        s += f.literal_set[std::uniform_int_distribution<size_t>(0, f.literal_set.size() - 1)(rng)];
      } else if (p < 89 && f.quotes) {
        s += "\"";
      } else {
        static const std::string punct = ".,?-'/+*& ";
        s.push_back(punct[std::uniform_int_distribution<size_t>(0, punct.size() - 1)(rng)]);
      }
    }
    int p = pct(rng);
    if (p < 12 && f.utf8) {
      s += Utf8Word(rng);
    } else if (p < 16 && f.high_bytes) {
      std::string w;
      for (int k = 0; k < 2; ++k) {
        unsigned char c = static_cast<unsigned char>(std::uniform_int_distribution<int>(0x80, 0xFF)(rng));
        if (c == 0xD0) c = 0xD1;
        w.push_back(static_cast<char>(c));
      }
      s += w + Word(rng, 1, 4);
    } else {
      s += Word(rng);
    }
  }
  if (f.border_spaces) {
    int p = pct(rng);
    if (p < 10) s = " " + s;
    else if (p < 18) s += " ";
    else if (p < 22) s = "  " + s + " ";
  }
  if (f.quotes) {
    int p = pct(rng);
    if (p < 30) s = "\"" + s + "\"";
    else if (p < 40) s = "\"" + s;
    else if (p < 50) s += "\"";
  }
  return s;
}

// ---------------------------------------------------------- the translator

// Pieces of an exported line: an escape (a backslash with the next byte, or
// \x with two hex digits) or one plain byte.
inline std::vector<std::string> Tokens(const std::string& s) {
  std::vector<std::string> t;
  for (size_t i = 0; i < s.size();) {
    if (s[i] == '\\' && i + 1 < s.size()) {
      if (s[i + 1] == 'x' && i + 3 < s.size() && isxdigit(static_cast<unsigned char>(s[i + 2])) &&
          isxdigit(static_cast<unsigned char>(s[i + 3]))) {
        t.push_back(s.substr(i, 4));
        i += 4;
      } else {
        t.push_back(s.substr(i, 2));
        i += 2;
      }
    } else {
      t.push_back(s.substr(i, 1));
      ++i;
    }
  }
  return t;
}

enum class Length { kLonger, kShorter, kSame };

// The letter the translator puts in front of every translation; no source
// string holds it, so a translation never equals a source line.
inline const std::string kMark = "\xD0\x96";

// A translation of one line as a person would write it: the prefix, the
// suffix, escapes and border spaces or quotes stay as they are; the letters
// between change (ROT13), and are doubled (longer) or partly dropped
// (shorter).
inline std::string Translate(const std::string& line, Length mode, const std::string& prefix = "",
                             const std::string& suffix = "") {
  std::string pre, suf, inner = line;
  if (!prefix.empty() || !suffix.empty()) {
    if (line.size() >= prefix.size() + suffix.size() && line.compare(0, prefix.size(), prefix) == 0 &&
        line.compare(line.size() - suffix.size(), suffix.size(), suffix) == 0) {
      pre = prefix;
      suf = suffix;
      inner = line.substr(prefix.size(), line.size() - prefix.size() - suffix.size());
    }
  }
  std::vector<std::string> t = Tokens(inner);
  auto border = [](const std::string& tok) { return tok == "\\x20" || tok == " " || tok == "\""; };
  size_t lead = 0;
  while (lead < t.size() && border(t[lead])) ++lead;
  size_t trail = t.size();
  while (trail > lead && border(t[trail - 1])) --trail;
  std::string out = pre;
  for (size_t i = 0; i < lead; ++i) out += t[i];
  out += kMark;
  for (size_t i = lead; i < trail; ++i) {
    const std::string& tok = t[i];
    bool afterEscape = i > 0 && t[i - 1].size() > 1;
    unsigned char c = static_cast<unsigned char>(tok[0]);
    bool letter = tok.size() == 1 && c < 128 && isalpha(c) && !afterEscape;
    if (!letter) {
      out += tok;
      continue;
    }
    char r = static_cast<char>(isupper(c) ? 'A' + (c - 'A' + 13) % 26 : 'a' + (c - 'a' + 13) % 26);
    if (mode == Length::kLonger) {
      out.push_back(r);
      out.push_back(r);
    } else if (mode == Length::kShorter && (i - lead) % 2 == 1 && i + 1 != trail) {
      // dropped
    } else {
      out.push_back(r);
    }
  }
  for (size_t i = trail; i < t.size(); ++i) out += t[i];
  return out + suf;
}

// Translations of distinct lines, all distinct (a dropped letter could make
// two translations equal; those lines get the longer form instead).
inline std::map<std::string, std::string> TranslateAll(const std::vector<std::string>& lines,
                                                       const std::vector<Entry>& entries,
                                                       unsigned seed) {
  std::map<std::string, std::string> out;
  std::set<std::string> used;
  std::mt19937 rng(seed);
  for (const std::string& l : lines) {
    if (out.count(l)) continue;
    std::string prefix, suffix;
    for (const Entry& e : entries) {
      if ((!e.prefix.empty() || !e.suffix.empty()) && l.size() >= e.prefix.size() + e.suffix.size() &&
          l.compare(0, e.prefix.size(), e.prefix) == 0 &&
          l.compare(l.size() - e.suffix.size(), e.suffix.size(), e.suffix) == 0) {
        prefix = e.prefix;
        suffix = e.suffix;
      }
    }
    Length mode = static_cast<Length>(std::uniform_int_distribution<int>(0, 2)(rng));
    std::string t = Translate(l, mode, prefix, suffix);
    if (used.count(t)) t = Translate(l, Length::kLonger, prefix, suffix);
    EXPECT_TRUE(used.insert(t).second) << "two lines translate alike: " << Show(l);
    out[l] = t;
  }
  return out;
}

// ---------------------------------------------------------- the workspace

// A folder with copies of both programs (each keeps its script and logs in
// its own folder) and room for the files of one run of the cycle.
class Workspace {
 public:
  Workspace() {
    korvane_ = InstallKorvane(dir_.Path() + "/kv");
    velloran_ = InstallVelloran(dir_.Path() + "/vl");
  }
  std::string F(const std::string& name) const { return dir_.File(name); }
  std::string KorvaneDir() const { return dir_.Path() + "/kv/"; }
  std::string VelloranDir() const { return dir_.Path() + "/vl/"; }
  void Script(const std::string& text) { WriteBytes(KorvaneDir() + "script_list.txt", text); }

  ToolResult Korvane(const std::vector<std::string>& args) { return RunTool(korvane_, args, dir_.Path()); }
  ToolResult Velloran(const std::vector<std::string>& args) { return RunTool(velloran_, args, dir_.Path()); }

  // korvane extract or replace that must succeed with every line found.
  ::testing::AssertionResult KorvaneOk(const std::string& op, const std::string& data,
                                       const std::string& text, const std::vector<std::string>& options) {
    std::vector<std::string> args = {op, data, text};
    args.insert(args.end(), options.begin(), options.end());
    ToolResult r = Korvane(args);
    if (r.status != 0 || !r.err.empty())
      return ::testing::AssertionFailure() << "korvane " << op << " status " << r.status << "\n" << r.out << r.err;
    if (r.out.find("NOT FIND") != std::string::npos || PathExists(KorvaneDir() + "NOT_FIND_LINES.txt"))
      return ::testing::AssertionFailure() << "korvane " << op << " missed lines:\n" << Show(r.out, 2000);
    if (r.out.find("Done: ") == std::string::npos)
      return ::testing::AssertionFailure() << "korvane " << op << " did not finish:\n" << r.out;
    return ::testing::AssertionSuccess();
  }

  ::testing::AssertionResult VelloranOk(const std::vector<std::string>& args) {
    ToolResult r = Velloran(args);
    if (r.status != 0 || !r.err.empty())
      return ::testing::AssertionFailure() << "velloran " << args[0] << " status " << r.status << "\n"
                                           << r.out << r.err;
    return ::testing::AssertionSuccess();
  }

 private:
  TempDir dir_;
  std::string korvane_, velloran_;
};

}  // namespace e2e
