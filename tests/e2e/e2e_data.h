// Script shapes and generated data for the end-to-end tests: each shape is
// one script entry and the way its strings stand in the data.
#pragma once
#include <random>
#include <string>
#include <vector>

#include "tests/e2e/e2e_support.h"

namespace e2e {

enum class Shape {
  kBracket,        // [text]
  kTag,            // <t id=123>text</t>
  kCoord,          // ~T~ + 2 header bytes + text + 1 trailer byte + ;;  (coordinates 2 and -1)
  kPrefixed,       // ((text)) exported as {ID}text{/}
  kLiteralBreaks,  // $<text>$ with the escape texts \n and \r\n in the data; key [-nr_rn]
  kRawTabs,        // !<text>! with raw tabs kept in the lines; key [-nr_t]
  kNested,         // [junk[text] : the bracket entry; "-b" takes text only
  kQuoted,         // <q>"text"</q> : for -bq_sys
  kLiteralLf,      // @<text>@ with the escape text \n in the data; key [-nr_n_unix]
  kLiteralCr,      // %<text>% with the escape text \r in the data; key [-nr_r_mac]
  kPairKey,        // :<text>: ordinary strings; key [-nr_rn_win]
};

inline Entry EntryOf(Shape s) {
  switch (s) {
    case Shape::kBracket:
    case Shape::kNested:
      return {"\\[", "\\]", 0, 0, "", "", ""};
    case Shape::kTag:
      return {"<t id=\\d+>", "</t>", 0, 0, "", "", ""};
    case Shape::kCoord:
      return {"~T~", ";;", 2, -1, "", "", ""};
    case Shape::kPrefixed:
      return {"\\(\\(", "\\)\\)", 0, 0, "{ID}", "{/}", ""};
    case Shape::kLiteralBreaks:
      return {"\\$<", ">\\$", 0, 0, "", "", "[-nr_rn]"};
    case Shape::kRawTabs:
      return {"!<", ">!", 0, 0, "", "", "[-nr_t]"};
    case Shape::kQuoted:
      return {"<q>", "</q>", 0, 0, "", "", ""};
    case Shape::kLiteralLf:
      return {"@<", ">@", 0, 0, "", "", "[-nr_n_unix]"};
    case Shape::kLiteralCr:
      return {"%<", ">%", 0, 0, "", "", "[-nr_r_mac]"};
    case Shape::kPairKey:
      return {":<", ">:", 0, 0, "", "", "[-nr_rn_win]"};
  }
  return {};
}

struct Layout {
  std::vector<Shape> shapes;    // shapes used in the data
  std::vector<Entry> entries;   // one per distinct entry, in script order
  std::vector<int> entry_of;    // entry index of each shape
};

inline Layout MakeLayout(const std::vector<Shape>& shapes) {
  Layout l;
  l.shapes = shapes;
  for (Shape s : shapes) {
    Shape key = s == Shape::kNested ? Shape::kBracket : s;
    int found = -1;
    for (size_t i = 0; i < l.shapes.size() && i < l.entry_of.size(); ++i) {
      Shape k = l.shapes[i] == Shape::kNested ? Shape::kBracket : l.shapes[i];
      if (k == key) found = l.entry_of[i];
    }
    if (found < 0) {
      found = static_cast<int>(l.entries.size());
      l.entries.push_back(EntryOf(key));
    }
    l.entry_of.push_back(found);
  }
  return l;
}

struct GenOptions {
  size_t slots = 300;
  size_t noise_min = 0, noise_max = 60;
  int repeat_pct = 25;  // chance that a place repeats an earlier string
  Features features;
  bool unicode = false;  // strings and noise for UTF-16 files (in-memory form)
  // A repeated string sometimes comes back changed in a way that velloran's
  // comparison options ignore.
  enum class Variant { kNone, kNoBreaks, kBorderSpaces, kNoApostrophes } variant = Variant::kNone;
  int variant_pct = 40;
};

// The string with a change that a comparison option of velloran ignores.
inline std::string MakeVariant(std::mt19937& rng, const std::string& s, GenOptions::Variant v) {
  std::string out;
  switch (v) {
    case GenOptions::Variant::kNone:
      return s;
    case GenOptions::Variant::kNoBreaks:  // "-rn": escaped line breaks do not count
      for (char c : s)
        if (c != '\r' && c != '\n') out.push_back(c);
      return out;
    case GenOptions::Variant::kNoApostrophes:  // "-is": apostrophes do not count
      for (char c : s)
        if (c != '\'') out.push_back(c);
      if (out == s) {  // none to drop: one more
        size_t at = s.size() / 2;
        while (at < s.size() && static_cast<unsigned char>(s[at]) >= 0x80) ++at;
        out.insert(out.begin() + static_cast<std::ptrdiff_t>(at), '\'');
      }
      return out;
    case GenOptions::Variant::kBorderSpaces: {  // "-dbs": raw border blanks do not count
      size_t a = s.find_first_not_of(" \t"), b = s.find_last_not_of(" \t");
      if (a == std::string::npos) return s;
      static const std::vector<std::string> borders = {"", " ", "\t", "  ", " \t"};
      return borders[rng() % borders.size()] + s.substr(a, b - a + 1) + borders[rng() % borders.size()];
    }
  }
  return s;
}

// Noise of UTF-16 text in its in-memory form: characters of all planes,
// line breaks, NUL; no reserved ASCII byte.
inline std::string UnicodeNoise(std::mt19937& rng, size_t minLen, size_t maxLen) {
  size_t n = std::uniform_int_distribution<size_t>(minLen, maxLen)(rng);
  std::string s;
  std::uniform_int_distribution<int> pct(0, 99);
  for (size_t i = 0; i < n; ++i) {
    int p = pct(rng);
    uint32_t cp;
    if (p < 50) {
      do cp = std::uniform_int_distribution<uint32_t>(0, 127)(rng);
      while (Reserved(static_cast<unsigned char>(cp)));
    } else if (p < 90) {
      do cp = std::uniform_int_distribution<uint32_t>(0xA0, 0xFFFD)(rng);
      while (cp >= 0xD800 && cp <= 0xDFFF);
    } else if (p < 95) {
      cp = std::uniform_int_distribution<uint32_t>(0x10000, 0x10FFFF)(rng);
    } else {
      // NUL, breaks, tab, a mark inside the text, lone surrogate units
      static const uint32_t special[] = {0, 10, 13, 9, 0xFEFF, 0xD800, 0xDBFF, 0xDC00, 0xDFFF};
      cp = special[std::uniform_int_distribution<int>(0, 8)(rng)];
    }
    s += Cesu(cp);
  }
  return s;
}

// A string for UTF-16 data: words of several scripts, characters beyond the
// Basic Multilingual Plane, line breaks, tabs, border spaces.
inline std::string UnicodeString(std::mt19937& rng, const Features& f) {
  Features g = f;
  g.utf8 = false;
  g.high_bytes = false;
  std::string s = GenString(rng, g);
  static const std::vector<uint32_t> extra = {0x0434, 0x043E, 0x4E2D, 0x6587, 0x03B1, 0x00E9,
                                              0x1F600, 0x1D11E, 0x20AC, 0xFF21};
  std::uniform_int_distribution<size_t> pick(0, extra.size() - 1);
  // put a few characters into the middle of words, away from the borders
  size_t count = std::uniform_int_distribution<size_t>(0, 3)(rng);
  for (size_t k = 0; k < count; ++k) {
    size_t at = s.size() / 2;
    while (at < s.size() && static_cast<unsigned char>(s[at]) >= 0x80) ++at;
    s.insert(at, Cesu(extra[pick(rng)]));
  }
  return s;
}

inline std::string StringFor(std::mt19937& rng, Shape shape, const GenOptions& o) {
  Features f = o.features;
  switch (shape) {
    case Shape::kLiteralBreaks:
      f.literal_breaks = true;
      f.crlf = f.lone_cr = f.lone_lf = false;
      break;
    case Shape::kRawTabs:
      f.tabs = true;
      break;
    case Shape::kLiteralLf:  // a raw LF would come back as the text \n
      f.literal_breaks = true;
      f.literal_set = {"\\n"};
      f.lone_lf = false;
      break;
    case Shape::kLiteralCr:  // a raw CR would come back as the text \r
      f.literal_breaks = true;
      f.literal_set = {"\\r"};
      f.lone_cr = false;
      break;
    case Shape::kQuoted:
      f.quotes = true;
      f.backslash_t = false;  // the raw text of a quoted string goes through the import as a search key
      break;
    default:
      break;
  }
  return o.unicode ? UnicodeString(rng, f) : GenString(rng, f);
}

// Generated data: noise, then places of the given shapes with strings,
// some of them repeated.
inline Data Generate(std::mt19937& rng, const Layout& layout, const GenOptions& o) {
  Data d;
  std::vector<std::vector<std::string>> used(layout.shapes.size());
  std::uniform_int_distribution<size_t> pickShape(0, layout.shapes.size() - 1);
  std::uniform_int_distribution<int> pct(0, 99);
  auto noise = [&]() {
    return o.unicode ? UnicodeNoise(rng, o.noise_min, o.noise_max) : Noise(rng, o.noise_min, o.noise_max);
  };
  int id = 1;
  for (size_t i = 0; i < o.slots; ++i) {
    d.Fixed(noise());
    size_t k = pickShape(rng);
    Shape shape = layout.shapes[k];
    std::string s;
    if (!used[k].empty() && pct(rng) < o.repeat_pct) {
      s = used[k][std::uniform_int_distribution<size_t>(0, used[k].size() - 1)(rng)];
      if (pct(rng) < o.variant_pct) s = MakeVariant(rng, s, o.variant);
    } else
      used[k].push_back(s = StringFor(rng, shape, o));
    int entry = layout.entry_of[k];
    switch (shape) {
      case Shape::kBracket:
        d.Fixed("[");
        d.Put(s, entry);
        d.Fixed("]");
        break;
      case Shape::kNested: {
        Features jf = o.features;
        d.Fixed("[");
        d.Fixed(o.unicode ? UnicodeString(rng, jf) : GenString(rng, jf));
        d.Fixed("[");
        d.Put(s, entry);
        d.Fixed("]");
        break;
      }
      case Shape::kTag:
        d.Fixed("<t id=" + std::to_string(id++ * 7 % 1000) + ">");
        d.Put(s, entry);
        d.Fixed("</t>");
        break;
      case Shape::kCoord: {
        std::string header;
        while (header.size() < 2) {
          unsigned char c = static_cast<unsigned char>(std::uniform_int_distribution<int>(1, o.unicode ? 127 : 255)(rng));
          if (!Reserved(c)) header.push_back(static_cast<char>(c));
        }
        d.Fixed("~T~" + header);
        d.Put(s, entry);
        d.Fixed(pct(rng) < 50 ? "|;;" : "^;;");
        break;
      }
      case Shape::kPrefixed:
        d.Fixed("((");
        d.Put(s, entry);
        d.Fixed("))");
        break;
      case Shape::kLiteralBreaks:
        d.Fixed("$<");
        d.Put(s, entry);
        d.Fixed(">$");
        break;
      case Shape::kRawTabs:
        d.Fixed("!<");
        d.Put(s, entry);
        d.Fixed(">!");
        break;
      case Shape::kQuoted:
        d.Fixed("<q>");
        d.Put(s, entry);
        d.Fixed("</q>");
        break;
      case Shape::kLiteralLf:
        d.Fixed("@<");
        d.Put(s, entry);
        d.Fixed(">@");
        break;
      case Shape::kLiteralCr:
        d.Fixed("%<");
        d.Put(s, entry);
        d.Fixed(">%");
        break;
      case Shape::kPairKey:
        d.Fixed(":<");
        d.Put(s, entry);
        d.Fixed(">:");
        break;
    }
  }
  d.Fixed(noise());
  return d;
}

// A chain #s1#s2#...#sk# at the end of the data (delimiters shared by
// neighbours), for the entry "#" ... "#". With "-ff" (and not "-ft") only
// every other string is extracted; the others stay fixed bytes.
inline void AppendChain(std::mt19937& rng, Data& d, int entry, size_t k, bool alternate, const Features& f,
                        std::vector<std::string>* taken) {
  d.Fixed("#");
  std::set<std::string> seen(taken->begin(), taken->end());
  for (size_t i = 0; i < k; ++i) {
    std::string s;
    do s = GenString(rng, f);
    while (seen.count(s));  // a skipped string equal to a taken one would catch its search
    seen.insert(s);
    if (!alternate || i % 2 == 0) {
      d.Put(s, entry);
      taken->push_back(s);
    } else {
      d.Fixed(s);
    }
    d.Fixed("#");
  }
}

inline Entry ChainEntry() { return {"#", "#", 0, 0, "", "", ""}; }

// Bytes of a data file: the in-memory text as such, or as UTF-16 behind a
// byte-order mark.
struct Encoding {
  bool utf16 = false;
  bool big_endian = false;
  std::string mark;  // bytes before the text
  std::string odd;   // a last odd byte after UTF-16 text
};

inline std::string FileBytes(const std::string& text, const Encoding& e) {
  if (!e.utf16) return e.mark + text;
  return e.mark + UnitsToBytes(CesuToUnits(text), e.big_endian) + e.odd;
}

// The in-memory text of a data file written by FileBytes, or a failure.
inline ::testing::AssertionResult DecodeFile(const std::string& bytes, const Encoding& e, std::string* text) {
  if (bytes.compare(0, e.mark.size(), e.mark) != 0)
    return ::testing::AssertionFailure() << "the file lost its mark: " << Show(bytes.substr(0, 8));
  if (!e.utf16) {
    *text = bytes.substr(e.mark.size());
    return ::testing::AssertionSuccess();
  }
  std::string body = bytes.substr(e.mark.size());
  if (body.size() < e.odd.size() || body.compare(body.size() - e.odd.size(), e.odd.size(), e.odd) != 0 ||
      (body.size() - e.odd.size()) % 2 != 0)
    return ::testing::AssertionFailure() << "the UTF-16 body is damaged (" << body.size() << " bytes)";
  *text = BytesToCesu(body.substr(0, body.size() - e.odd.size()), e.big_endian);
  return ::testing::AssertionSuccess();
}

}  // namespace e2e
