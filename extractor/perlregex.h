// TPerlRegEx: a small matcher over the PCRE2 8-bit library. It holds a
// pattern, an option set, a text to search (viewed in place, never copied)
// and the result of the last search as 1-based positions.
#pragma once
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

class TPerlRegEx {
 public:
  // Room for the whole match and 99 groups.
  static constexpr int kMaxPairs = 100;

  TPerlRegEx();
  ~TPerlRegEx();
  TPerlRegEx(const TPerlRegEx&) = delete;
  TPerlRegEx& operator=(const TPerlRegEx&) = delete;

  const std::string& RegEx() const { return regex_; }
  // A different pattern discards the compiled one and the last match.
  void SetRegEx(std::string_view pattern);
  TPerlRegExOptions Options() const { return options_; }
  // A different set discards the compiled pattern; the same set keeps it.
  void SetOptions(TPerlRegExOptions options);

  // The text is viewed, not copied: it must outlive the searches.
  // SearchStart becomes 1, SearchStop its length, the last match is forgotten.
  void SetSearchText(std::string_view text);
  std::string_view SearchText() const { return text_; }
  int64_t SearchStart() const { return searchStart_; }
  // Values below 1 become 1; no upper bound.
  void SetSearchStart(int64_t n);
  int64_t SearchStop() const { return searchStop_; }
  // Values above the text length become the text length.
  void SetSearchStop(int64_t n);

  // Raises EPerlRegExError for an empty or invalid pattern.
  void Compile();
  bool Compiled() const { return code_ != nullptr; }
  void DiscardCompiled();

  // Searches from the first byte, whatever SearchStart holds.
  bool MatchFirst();
  // Searches from SearchStart.
  bool MatchNext();

  bool HasMatch() const { return pairCount_ > 0; }
  int SubExpressionCount() const;
  int64_t MatchOffset(int i = 0) const;
  int64_t MatchLength(int i = 0) const;
  std::string MatchText(int i = 0) const;
  std::string_view MatchView(int i = 0) const;

  // The last search was ended by PCRE2 with an error other than "no match"
  // (match limit, depth limit, ...). It then counts as no match; the error
  // text tells the caller why.
  bool SearchFailed() const { return searchError_ != 0; }
  std::string SearchErrorText() const;

  // Whether the compiled pattern runs through the JIT compiler.
  bool UsesJit() const { return jit_; }
  // For tests: forbid the JIT compiler for this object (takes effect at the
  // next compilation).
  void SetJitAllowed(bool allowed);

 private:
  bool Run(int64_t startOffset);
  void RequireMatch() const;
  void RequireIndex(int i) const;

  std::string regex_;
  TPerlRegExOptions options_ = 0;
  uint32_t compileOptions_ = 0;
  void* code_ = nullptr;         // pcre2_code_8*
  void* matchData_ = nullptr;    // pcre2_match_data_8*
  void* compileCtx_ = nullptr;   // pcre2_compile_context_8*
  void* matchCtx_ = nullptr;     // pcre2_match_context_8*
  const uint8_t* tables_ = nullptr;
  bool jit_ = false;
  bool jitAllowed_ = true;

  std::string_view text_;
  int64_t searchStart_ = 1;
  int64_t searchStop_ = 0;

  int pairCount_ = 0;
  int searchError_ = 0;
  int64_t offsets_[2 * kMaxPairs] = {};  // 1-based start, 1-based end (after the last byte)
};
