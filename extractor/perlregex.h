// TPerlRegEx: a pattern compiled once with the PCRE2 8-bit library (through
// its JIT compiler where it can) and immutable afterwards. A search is
// const: it takes the text (viewed in place, never copied), the 0-based
// offset to start at and a TRegExMatch, which keeps PCRE2's match data from
// one search to the next and holds the result as 0-based byte spans.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/errors.h"

// Errors of the matcher: compile failures and misuse of the result accessors.
KV_DECLARE_ERROR(EPerlRegExError)
KV_DECLARE_ERROR(EAssertionFailed)

// Option flags; a set of them is a bitwise or.
enum TPerlRegExOption : uint32_t {
  preCaseLess = 0x1,
  preMultiLine = 0x2,
  preSingleLine = 0x4,
  preExtended = 0x8,
  preAnchored = 0x10,
  preUnGreedy = 0x200,
  preNoAutoCapture = 0x1000,
};
using TPerlRegExOptions = uint32_t;

// The bytes [begin, end) of the text searched. A group that took no part
// in the match has both at kUnset.
struct TMatchSpan {
  static constexpr size_t kUnset = static_cast<size_t>(-1);
  size_t begin = kUnset;
  size_t end = kUnset;
  size_t Length() const { return end - begin; }
};

// The state of the searches of one caller: PCRE2's match data, reused, and
// the result of the last search.
class TRegExMatch {
 public:
  // Room for the whole match and 99 groups; a match with more groups counts
  // as no match.
  static constexpr int kMaxPairs = 100;

  TRegExMatch();
  ~TRegExMatch();
  TRegExMatch(const TRegExMatch&) = delete;
  TRegExMatch& operator=(const TRegExMatch&) = delete;

  bool Found() const { return pairs_ > 0; }
  // The groups of the pattern up to the last one that took part (without
  // the whole match). The accessors raise EAssertionFailed without a match,
  // Span also for a group beyond that count.
  int GroupCount() const;
  TMatchSpan Span(int i = 0) const;
  // The bytes of group i; empty for a group that took no part or is beyond
  // the count.
  std::string_view Text(int i = 0) const;

  // The last search was ended by PCRE2 with an error other than "no match"
  // (match limit, depth limit, ...). It then counts as no match; the error
  // text tells the caller why.
  bool Failed() const { return error_ != 0; }
  std::string ErrorText() const;

 private:
  friend class TPerlRegEx;
  void RequireMatch() const;

  void* data_ = nullptr;  // pcre2_match_data_8*
  std::string_view text_;
  int pairs_ = 0;
  int error_ = 0;
};

class TPerlRegEx {
 public:
  // Compiles the pattern; raises EPerlRegExError for an empty or invalid
  // one. allowJit false keeps the interpreter (for tests).
  explicit TPerlRegEx(std::string_view pattern, TPerlRegExOptions options = 0, bool allowJit = true);
  ~TPerlRegEx();
  TPerlRegEx(const TPerlRegEx&) = delete;
  TPerlRegEx& operator=(const TPerlRegEx&) = delete;

  const std::string& Pattern() const { return pattern_; }
  // Whether the pattern runs through the JIT compiler.
  bool UsesJit() const { return jit_; }

  // The first non-empty match in text at or after the 0-based offset start.
  // The end of text is the end the pattern sees ("$" included): pass a
  // prefix to stop early. A start beyond the end finds nothing.
  bool Search(std::string_view text, size_t start, TRegExMatch& match) const;

 private:
  std::string pattern_;
  void* code_ = nullptr;  // pcre2_code_8*
  bool jit_ = false;
};
