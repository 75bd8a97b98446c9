// The "-rep_reg" replacement on the tracked text.
//
// The quoted key is a literal, so where the right pattern is an independent
// tail (IsIndependentTail) the first match of the whole pattern starts at the
// first occurrence of the key after which the right pattern matches, anchored.
// The tracked text lists the occurrences of the key, followed by the literal
// bytes that every match of the right pattern begins with, in text order;
// each is confirmed with the right pattern, compiled once per distinct pattern and
// run on a window of the current text around the place. The window grows
// while PCRE2's hard partial matching says that more text could change the
// result, so every confirmation equals a match on the whole text. A line
// whose right pattern is not an independent tail, whose pattern does not
// compile on its own or together with its key, or whose confirmation ends
// with a PCRE2 error is searched as the plain loop does, on the whole
// current text.
#include "extractor/regex_key_search.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <string_view>
#include <unordered_map>

#include "common/classic_string.h"
#include "extractor/convert.h"
#include "extractor/extract.h"
#include "extractor/regexsearch.h"
#include "extractor/tracked_text.h"

namespace {

// One line of the plain loop on `text`: the search of the quoted key and
// the right pattern from the start, with the warning of a search error.
TRegexHit SearchWhole(const std::string& text, const TRegexKeyItem& item, std::string& warning) {
  warning.clear();
  const std::string pattern = QuoteRegexText(item.key) + item.rightPattern;
  if (pattern.empty()) return {};
  TRegexHit hit = RegexSearch(pattern, text);
  if (!hit.error.empty()) warning = SearchErrorWarning(pattern, hit.error);
  return hit;
}

}  // namespace

void ReplaceRegexKeysLiteral(std::string& text, const std::vector<TRegexKeyItem>& items,
                             const TRegexLineReport& report, TRegexKeyEdit edit) {
  std::string work = text;
  std::string warning;
  for (size_t i = 0; i < items.size(); ++i) {
    const TRegexKeyItem& item = items[i];
    const TRegexHit hit = SearchWhole(work, item, warning);
    if (hit.found) {
      if (edit == TRegexKeyEdit::kFirstPlace) {
        work.replace(hit.begin, item.key.size(), item.replacement);
      } else if (item.key != item.replacement) {
        ReplaceAllInPlace(work, item.key, item.replacement);
      }
    }
    report(i, hit.found, warning);
  }
  text.swap(work);
}

bool IsIndependentTail(std::string_view r) {
  const size_t n = r.size();
  if (n > 0 && std::strchr("*+?{", r[0]) != nullptr) return false;
  int depth = 0;
  bool inClass = false;
  for (size_t i = 0; i < n; ++i) {
    const char c = r[i];
    if (c == '\\') {
      if (i + 1 >= n) return false;
      const char d = r[i + 1];
      if (d == 'Q') {
        const size_t e = r.find("\\E", i + 2);
        if (e == std::string_view::npos) return depth == 0 && !inClass;
        i = e + 1;
        continue;
      }
      if (!inClass && (d == 'K' || d == 'G' || d == 'g')) return false;
      ++i;
      continue;
    }
    if (inClass) {
      if (c == '[' && i + 1 < n && r[i + 1] == ':') {
        const size_t e = r.find(":]", i + 2);
        if (e == std::string_view::npos) return false;
        i = e + 1;
      } else if (c == ']') {
        inClass = false;
      }
      continue;
    }
    switch (c) {
      case '[':
        inClass = true;
        if (i + 1 < n && r[i + 1] == '^') ++i;
        if (i + 1 < n && r[i + 1] == ']') ++i;  // a leading ] is a member
        break;
      case '(':
        if (i + 1 < n && r[i + 1] == '*') return false;
        if (i + 1 < n && r[i + 1] == '?') {
          if (i + 2 >= n) return false;
          const char k = r[i + 2];
          if (k == '#') {
            const size_t e = r.find(')', i + 3);
            if (e == std::string_view::npos) return false;
            i = e;
            break;
          }
          if (k == 'R' || (k >= '0' && k <= '9') || k == '+' || k == '-' || k == 'C') {
            // Recursion or a relative call (which may reach the whole
            // pattern), or a callout; options with a minus sign land here too.
            return false;
          }
          // Option letters up to ':' or ')': extended mode makes # and
          // white space syntax that this scan does not follow.
          for (size_t j = i + 2; j < n && r[j] != ':' && r[j] != ')'; ++j)
            if (r[j] == 'x') return false;
        }
        ++depth;
        break;
      case ')':
        if (--depth < 0) return false;
        break;
      case '|':
        if (depth == 0) return false;
        break;
      default:
        break;
    }
  }
  return depth == 0 && !inClass;
}

std::string LiteralHead(std::string_view r) {
  const size_t n = r.size();
  size_t i = 0;
  const bool ahead = r.substr(0, 3) == "(?=";
  if (ahead) i = 3;
  std::string out;
  while (i < n) {
    const char c = r[i];
    char lit = 0;
    size_t next = i + 1;
    if (c == '\\') {
      if (i + 1 >= n) break;
      const char d = r[i + 1];
      const bool alnum = (d >= '0' && d <= '9') || (d >= 'a' && d <= 'z') || (d >= 'A' && d <= 'Z');
      if (!alnum) {
        lit = d;
      } else if (d == 'n') {
        lit = '\n';
      } else if (d == 'r') {
        lit = '\r';
      } else if (d == 't') {
        lit = '\t';
      } else {
        break;
      }
      next = i + 2;
    } else if (std::strchr(".^$|()[]{}*+?#", c) != nullptr || c == 0) {
      break;
    } else {
      lit = c;
    }
    if (next < n && std::strchr("*+?{", r[next]) != nullptr) break;  // quantified
    out.push_back(lit);
    i = next;
  }
  // A look-ahead counts only when it holds nothing but the literal.
  if (ahead && (i >= n || r[i] != ')')) return "";
  return out;
}

namespace {

// PCRE2 handles shared by the compiled right patterns.
class MatchEnv {
 public:
  MatchEnv() {
    tables_ = pcre2_maketables(nullptr);
    compile_ = pcre2_compile_context_create(nullptr);
    match_ = pcre2_match_context_create(nullptr);
    jitStack_ = pcre2_jit_stack_create(32 * 1024, 64 * 1024 * 1024, nullptr);
    if (!tables_ || !compile_ || !match_) {
      Free();
      throw std::bad_alloc();
    }
    pcre2_set_character_tables(compile_, tables_);
    pcre2_set_newline(compile_, PCRE2_NEWLINE_ANY);
    if (jitStack_) pcre2_jit_stack_assign(match_, nullptr, jitStack_);
  }
  ~MatchEnv() { Free(); }
  MatchEnv(const MatchEnv&) = delete;
  MatchEnv& operator=(const MatchEnv&) = delete;

  pcre2_compile_context* Compile() const { return compile_; }
  pcre2_match_context* Match() const { return match_; }

 private:
  void Free() {
    if (jitStack_) pcre2_jit_stack_free(jitStack_);
    if (match_) pcre2_match_context_free(match_);
    if (compile_) pcre2_compile_context_free(compile_);
    if (tables_) pcre2_maketables_free(nullptr, tables_);
  }
  const uint8_t* tables_ = nullptr;
  pcre2_compile_context* compile_ = nullptr;
  pcre2_match_context* match_ = nullptr;
  pcre2_jit_stack* jitStack_ = nullptr;
};

// Options of the whole-text search.
constexpr uint32_t kSearchOptions = PCRE2_MULTILINE | PCRE2_DOTALL | PCRE2_UNGREEDY;

// Patterns longer than this may outgrow what PCRE2 can compile.
constexpr size_t kLongPattern = 1000;

// True when PCRE2 compiles the pattern with the options of the search.
bool Compiles(const MatchEnv& env, const std::string& pattern) {
  int err = 0;
  PCRE2_SIZE errOffset = 0;
  pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(), kSearchOptions,
                                   &err, &errOffset, env.Compile());
  if (!code) return false;
  pcre2_code_free(code);
  return true;
}

enum class Outcome { kMatch, kNoMatch, kError };

// A right pattern compiled once, anchored, with the options of the search.
class RightPattern {
 public:
  RightPattern(const MatchEnv& env, const std::string& pattern) : env_(env) {
    if (!IsIndependentTail(pattern)) return;
    int err = 0;
    PCRE2_SIZE errOffset = 0;
    // An empty pattern is valid here: the key alone then decides.
    code_ = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                          kSearchOptions | PCRE2_ANCHORED, &err, &errOffset,
                          env.Compile());
    if (!code_) return;
    pcre2_jit_compile(code_, PCRE2_JIT_COMPLETE | PCRE2_JIT_PARTIAL_HARD);
    data_ = pcre2_match_data_create_from_pattern(code_, nullptr);
    uint32_t behind = 0;
    pcre2_pattern_info(code_, PCRE2_INFO_MAXLOOKBEHIND, &behind);
    behind_ = behind;
    head_ = LiteralHead(pattern);
    if (!data_) throw std::bad_alloc();
  }
  ~RightPattern() {
    if (data_) pcre2_match_data_free(data_);
    if (code_) pcre2_code_free(code_);
  }
  RightPattern(const RightPattern&) = delete;
  RightPattern& operator=(const RightPattern&) = delete;

  // Usable for the candidate search.
  bool Ok() const { return code_ != nullptr; }
  // The literal bytes every match begins with.
  const std::string& Head() const { return head_; }

  // Does the pattern match anchored at position `at` of the live text?
  Outcome MatchAt(const TrackedText& live, uint64_t at, std::string& window) const {
    const uint64_t total = live.Size();
    // Bytes before `at` for look-behinds, \b and the line-start tests.
    const uint64_t before = std::min<uint64_t>(at, behind_ + 16);
    const uint64_t from = at - before;
    for (uint64_t ahead = 64;; ahead *= 4) {
      window.clear();
      live.AppendRange(from, before + ahead, window);
      const bool whole = from + window.size() >= total;
      const uint32_t partial = whole ? 0 : PCRE2_PARTIAL_HARD;
      auto subject = reinterpret_cast<PCRE2_SPTR>(window.data() ? window.data() : "");
      int rc = pcre2_match(code_, subject, window.size(), before, partial, data_, env_.Match());
      if (rc < 0 && rc != PCRE2_ERROR_NOMATCH && rc != PCRE2_ERROR_PARTIAL) {
        // The JIT ran out of its stack or hit a limit of its own: the
        // interpreter decides.
        rc = pcre2_match(code_, subject, window.size(), before, partial | PCRE2_NO_JIT, data_, env_.Match());
      }
      if (rc == PCRE2_ERROR_PARTIAL) continue;  // more text could decide otherwise
      if (rc >= 0) return Outcome::kMatch;
      return rc == PCRE2_ERROR_NOMATCH ? Outcome::kNoMatch : Outcome::kError;
    }
  }

 private:
  const MatchEnv& env_;
  pcre2_code* code_ = nullptr;
  pcre2_match_data* data_ = nullptr;
  uint64_t behind_ = 0;
  std::string head_;
};

constexpr uint32_t kNone = 0xFFFFFFFFu;

}  // namespace

void ReplaceRegexKeysFast(std::string_view text, const std::vector<TRegexKeyItem>& items,
                          const TRegexLineReport& report, TRegexKeyEdit edit, TByteParts& out) {
  const bool every = edit == TRegexKeyEdit::kEveryKey;
  const size_t n = items.size();
  MatchEnv env;
  // Distinct right patterns, compiled once; distinct searches of the lines
  // that can use the candidate search.
  std::map<std::string, std::unique_ptr<RightPattern>> rights;
  std::vector<const RightPattern*> right(n, nullptr);
  std::unordered_map<std::string_view, uint32_t> searchIds;
  std::vector<TrackedText::Pattern> pats;
  // What the candidate search looks for: the key and the literal bytes that
  // every match of the right pattern begins with.
  std::vector<std::string> searches(n);
  std::vector<uint32_t> searchPat(n, kNone);
  for (size_t i = 0; i < n; ++i) {
    const TRegexKeyItem& item = items[i];
    if (item.key.empty()) continue;
    auto it = rights.find(item.rightPattern);
    if (it == rights.end())
      it = rights.emplace(item.rightPattern, std::make_unique<RightPattern>(env, item.rightPattern)).first;
    if (!it->second->Ok()) continue;
    // A long key can make the whole pattern too large to compile; the
    // whole-text search then reports that error.
    if (item.key.size() + item.rightPattern.size() > kLongPattern &&
        !Compiles(env, QuoteRegexText(item.key) + item.rightPattern))
      continue;
    right[i] = it->second.get();
    searches[i] = item.key + right[i]->Head();
  }
  // With "-d" every occurrence of a search or a key is collected up front:
  // replace-alls destroy them in bulk.
  auto add = [&](std::string_view s) {
    auto [k, inserted] = searchIds.emplace(s, static_cast<uint32_t>(pats.size()));
    if (inserted) pats.push_back(TrackedText::Pattern{s, 0, every});
    ++pats[k->second].uses;
    return k->second;
  };
  std::vector<uint32_t> keyPat(n, kNone);
  for (size_t i = 0; i < n; ++i) {
    if (right[i] != nullptr) searchPat[i] = add(searches[i]);
    if (every && !items[i].key.empty() && items[i].key != items[i].replacement) keyPat[i] = add(items[i].key);
  }
  TrackedText live(text, pats);
  std::string window, whole, warning;
  for (size_t i = 0; i < n; ++i) {
    const TRegexKeyItem& item = items[i];
    const uint32_t kp = searchPat[i];
    bool found = false;
    bool fallback = kp == kNone;
    uint64_t pos = 0;
    warning.clear();
    if (!fallback) {
      live.Use(kp);
      const uint64_t keyLen = item.key.size();
      live.ForEach(kp, [&](uint64_t at) {
        switch (right[i]->MatchAt(live, at + keyLen, window)) {
          case Outcome::kMatch:
            found = true;
            pos = at;
            return false;
          case Outcome::kError:
            fallback = true;
            return false;
          case Outcome::kNoMatch:
            return true;
        }
        return true;
      });
    }
    if (fallback) {
      found = false;
      if (!item.key.empty() || !item.rightPattern.empty()) {
        whole = live.Text();
        const TRegexHit hit = SearchWhole(whole, item, warning);
        found = hit.found;
        if (found) pos = hit.begin;
      }
    }
    if (every) {
      if (keyPat[i] != kNone) {
        live.Use(keyPat[i]);
        if (found) live.ReplaceAll(keyPat[i], item.replacement);
        live.Forget(keyPat[i]);
      }
    } else if (found) {
      live.Replace(pos, item.key.size(), item.replacement);
    }
    if (kp != kNone) live.Forget(kp);
    report(i, found, warning);
  }
  live.Parts(out);
}

void ReplaceRegexKeysFast(std::string& text, const std::vector<TRegexKeyItem>& items,
                          const TRegexLineReport& report, TRegexKeyEdit edit) {
  TByteParts parts;
  ReplaceRegexKeysFast(std::string_view(text), items, report, edit, parts);
  text = JoinParts(parts);
}
