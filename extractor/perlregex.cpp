#include "extractor/perlregex.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <new>

namespace {

pcre2_code* Code(void* p) { return static_cast<pcre2_code*>(p); }
pcre2_match_data* Data(void* p) { return static_cast<pcre2_match_data*>(p); }

// What every pattern shares: the character tables of the C locale, the
// compile context (newline convention ANY) and the match context with one
// JIT stack, large enough that deep patterns rarely need the interpreter
// fallback. Created at first use and kept for the whole run; korvane
// matches on one thread only, and the JIT stack may serve one search at a
// time.
struct TEngine {
  const uint8_t* tables = nullptr;
  pcre2_compile_context* compile = nullptr;
  pcre2_match_context* match = nullptr;

  TEngine() {
    tables = pcre2_maketables(nullptr);
    compile = pcre2_compile_context_create(nullptr);
    match = pcre2_match_context_create(nullptr);
    if (!tables || !compile || !match) throw std::bad_alloc();
    pcre2_set_character_tables(compile, tables);
    pcre2_set_newline(compile, PCRE2_NEWLINE_ANY);
    if (pcre2_jit_stack* stack = pcre2_jit_stack_create(32 * 1024, 64 * 1024 * 1024, nullptr))
      pcre2_jit_stack_assign(match, nullptr, stack);
  }
};

const TEngine& Engine() {
  static const TEngine engine;
  return engine;
}

std::string Pcre2ErrorText(int code) {
  PCRE2_UCHAR buf[256];
  int n = pcre2_get_error_message(code, buf, sizeof buf);
  if (n < 0) return "PCRE2 error " + std::to_string(code);
  return std::string(reinterpret_cast<const char*>(buf), static_cast<size_t>(n));
}

uint32_t CompileOptions(TPerlRegExOptions options) {
  uint32_t o = 0;
  if (options & preCaseLess) o |= PCRE2_CASELESS;
  if (options & preMultiLine) o |= PCRE2_MULTILINE;
  if (options & preSingleLine) o |= PCRE2_DOTALL;
  if (options & preExtended) o |= PCRE2_EXTENDED;
  if (options & preAnchored) o |= PCRE2_ANCHORED;
  if (options & preUnGreedy) o |= PCRE2_UNGREEDY;
  if (options & preNoAutoCapture) o |= PCRE2_NO_AUTO_CAPTURE;
  return o;
}

// A valid pointer for empty texts: PCRE2 rejects a null subject.
const char kEmpty[1] = {0};

}  // namespace

TRegExMatch::TRegExMatch() {
  data_ = pcre2_match_data_create(kMaxPairs, nullptr);
  if (!data_) throw std::bad_alloc();
}

TRegExMatch::~TRegExMatch() { pcre2_match_data_free(Data(data_)); }

std::string TRegExMatch::ErrorText() const { return error_ ? Pcre2ErrorText(error_) : std::string(); }

void TRegExMatch::RequireMatch() const {
  if (pairs_ <= 0) throw EAssertionFailed("REQUIRE: There must be a successful match first");
}

int TRegExMatch::GroupCount() const {
  RequireMatch();
  return pairs_ - 1;
}

TMatchSpan TRegExMatch::Span(int i) const {
  RequireMatch();
  if (i < 0 || i >= pairs_) throw EAssertionFailed("REQUIRE: Index <= SubExpressionCount");
  const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(Data(data_));
  if (ov[2 * i] == PCRE2_UNSET) return TMatchSpan{};
  return TMatchSpan{static_cast<size_t>(ov[2 * i]), static_cast<size_t>(ov[2 * i + 1])};
}

std::string_view TRegExMatch::Text(int i) const {
  RequireMatch();
  if (i < 0 || i >= pairs_) return {};
  const TMatchSpan s = Span(i);
  if (s.begin == TMatchSpan::kUnset) return {};
  return text_.substr(s.begin, s.Length());
}

TPerlRegEx::TPerlRegEx(std::string_view pattern, TPerlRegExOptions options, bool allowJit) : pattern_(pattern) {
  if (pattern_.empty())
    throw EPerlRegExError("TPerlRegEx.Compile() - Please specify a regular expression in RegEx first");
  int err = 0;
  PCRE2_SIZE errOffset = 0;
  pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern_.data()), pattern_.size(),
                                   CompileOptions(options), &err, &errOffset, Engine().compile);
  if (!code) {
    throw EPerlRegExError("TPerlRegEx.Compile() - Error in regex at offset " + std::to_string(errOffset) + ": " +
                          Pcre2ErrorText(err));
  }
  code_ = code;
  // The JIT gives the same matches as the interpreter; when it cannot
  // compile a pattern the interpreter serves alone.
  jit_ = allowJit && pcre2_jit_compile(code, PCRE2_JIT_COMPLETE) == 0;
}

TPerlRegEx::~TPerlRegEx() { pcre2_code_free(Code(code_)); }

bool TPerlRegEx::Search(std::string_view text, size_t start, TRegExMatch& match) const {
  match.text_ = text;
  match.pairs_ = 0;
  match.error_ = 0;
  if (start > text.size()) return false;
  auto subject = reinterpret_cast<PCRE2_SPTR>(text.data() ? text.data() : kEmpty);
  pcre2_match_context* context = Engine().match;
  int rc = pcre2_match(Code(code_), subject, text.size(), start, PCRE2_NOTEMPTY, Data(match.data_), context);
  if (rc < 0 && rc != PCRE2_ERROR_NOMATCH && jit_) {
    // The JIT ran out of its stack or hit a limit of its own: the
    // interpreter decides.
    rc = pcre2_match(Code(code_), subject, text.size(), start, PCRE2_NOTEMPTY | PCRE2_NO_JIT, Data(match.data_),
                     context);
  }
  if (rc < 0 && rc != PCRE2_ERROR_NOMATCH) match.error_ = rc;
  // 0: the groups did not fit the match data; counted as no match.
  match.pairs_ = rc > 0 ? rc : 0;
  return rc > 0;
}
