#include "extractor/perlregex.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>
#include <new>

namespace {

pcre2_code* Code(void* p) { return static_cast<pcre2_code*>(p); }
pcre2_match_data* Data(void* p) { return static_cast<pcre2_match_data*>(p); }

// One JIT stack for the whole process: patterns are matched on one thread
// only (korvane's passes); large enough that deep patterns rarely need the interpreter fallback.
pcre2_jit_stack* SharedJitStack() {
  static pcre2_jit_stack* stack = pcre2_jit_stack_create(32 * 1024, 64 * 1024 * 1024, nullptr);
  return stack;
}

std::string Pcre2ErrorText(int code) {
  PCRE2_UCHAR buf[256];
  int n = pcre2_get_error_message(code, buf, sizeof buf);
  if (n < 0) return "PCRE2 error " + std::to_string(code);
  return std::string(reinterpret_cast<const char*>(buf), static_cast<size_t>(n));
}

// A valid pointer for empty texts: PCRE2 rejects a null subject.
const char kEmpty[1] = {0};

}  // namespace

TPerlRegEx::TPerlRegEx() {
  tables_ = pcre2_maketables(nullptr);
  compileCtx_ = pcre2_compile_context_create(nullptr);
  pcre2_set_character_tables(static_cast<pcre2_compile_context*>(compileCtx_), tables_);
  pcre2_set_newline(static_cast<pcre2_compile_context*>(compileCtx_), PCRE2_NEWLINE_ANY);
  matchCtx_ = pcre2_match_context_create(nullptr);
  if (pcre2_jit_stack* js = SharedJitStack())
    pcre2_jit_stack_assign(static_cast<pcre2_match_context*>(matchCtx_), nullptr, js);
  matchData_ = pcre2_match_data_create(kMaxPairs, nullptr);
  if (!tables_ || !compileCtx_ || !matchCtx_ || !matchData_) throw std::bad_alloc();
  text_ = std::string_view(kEmpty, 0);
}

TPerlRegEx::~TPerlRegEx() {
  DiscardCompiled();
  pcre2_match_data_free(Data(matchData_));
  pcre2_match_context_free(static_cast<pcre2_match_context*>(matchCtx_));
  pcre2_compile_context_free(static_cast<pcre2_compile_context*>(compileCtx_));
  pcre2_maketables_free(nullptr, tables_);
}

void TPerlRegEx::SetRegEx(std::string_view pattern) {
  if (pattern == regex_) return;
  regex_.assign(pattern);
  DiscardCompiled();
}

void TPerlRegEx::SetOptions(TPerlRegExOptions options) {
  if (options == options_) return;
  options_ = options;
  uint32_t o = 0;
  if (options & preCaseLess) o |= PCRE2_CASELESS;
  if (options & preMultiLine) o |= PCRE2_MULTILINE;
  if (options & preSingleLine) o |= PCRE2_DOTALL;
  if (options & preExtended) o |= PCRE2_EXTENDED;
  if (options & preAnchored) o |= PCRE2_ANCHORED;
  if (options & preUnGreedy) o |= PCRE2_UNGREEDY;
  if (options & preNoAutoCapture) o |= PCRE2_NO_AUTO_CAPTURE;
  compileOptions_ = o;
  DiscardCompiled();
}

void TPerlRegEx::SetSearchText(std::string_view text) {
  text_ = text.data() ? text : std::string_view(kEmpty, 0);
  searchStart_ = 1;
  searchStop_ = static_cast<int64_t>(text_.size());
  pairCount_ = 0;
  searchError_ = 0;
}

void TPerlRegEx::SetSearchStart(int64_t n) { searchStart_ = n < 1 ? 1 : n; }

void TPerlRegEx::SetSearchStop(int64_t n) {
  int64_t len = static_cast<int64_t>(text_.size());
  searchStop_ = n > len ? len : n;
}

void TPerlRegEx::SetJitAllowed(bool allowed) {
  if (allowed == jitAllowed_) return;
  jitAllowed_ = allowed;
  DiscardCompiled();
}

void TPerlRegEx::Compile() {
  if (regex_.empty())
    throw EPerlRegExError("TPerlRegEx.Compile() - Please specify a regular expression in RegEx first");
  DiscardCompiled();
  int err = 0;
  PCRE2_SIZE errOffset = 0;
  pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(regex_.data()), regex_.size(),
                                   compileOptions_, &err, &errOffset,
                                   static_cast<pcre2_compile_context*>(compileCtx_));
  if (!code) {
    throw EPerlRegExError("TPerlRegEx.Compile() - Error in regex at offset " +
                          std::to_string(errOffset) + ": " + Pcre2ErrorText(err));
  }
  code_ = code;
  // The JIT gives the same matches as the interpreter; when it cannot
  // compile a pattern the interpreter serves alone.
  jit_ = jitAllowed_ && pcre2_jit_compile(code, PCRE2_JIT_COMPLETE) == 0;
}

void TPerlRegEx::DiscardCompiled() {
  if (code_) pcre2_code_free(Code(code_));
  code_ = nullptr;
  jit_ = false;
  pairCount_ = 0;
  searchError_ = 0;
}

bool TPerlRegEx::Run(int64_t startOffset) {
  pairCount_ = 0;
  searchError_ = 0;
  if (!code_) Compile();
  if (searchStop_ < 0 || startOffset < 0 || startOffset > searchStop_) {
    pairCount_ = -1;
    return false;
  }
  auto subject = reinterpret_cast<PCRE2_SPTR>(text_.data());
  auto* mctx = static_cast<pcre2_match_context*>(matchCtx_);
  int rc = pcre2_match(Code(code_), subject, static_cast<PCRE2_SIZE>(searchStop_),
                       static_cast<PCRE2_SIZE>(startOffset), PCRE2_NOTEMPTY, Data(matchData_), mctx);
  if (rc < 0 && rc != PCRE2_ERROR_NOMATCH && jit_) {
    // The JIT ran out of its stack or hit a limit of its own: the
    // interpreter decides.
    rc = pcre2_match(Code(code_), subject, static_cast<PCRE2_SIZE>(searchStop_),
                     static_cast<PCRE2_SIZE>(startOffset), PCRE2_NOTEMPTY | PCRE2_NO_JIT,
                     Data(matchData_), mctx);
  }
  if (rc < 0 && rc != PCRE2_ERROR_NOMATCH) searchError_ = rc;
  pairCount_ = rc;
  if (rc <= 0) return false;
  PCRE2_SIZE* ov = pcre2_get_ovector_pointer(Data(matchData_));
  for (int i = 0; i < rc; ++i) {
    if (ov[2 * i] == PCRE2_UNSET) {
      offsets_[2 * i] = 0;
      offsets_[2 * i + 1] = 0;
    } else {
      offsets_[2 * i] = static_cast<int64_t>(ov[2 * i]) + 1;
      offsets_[2 * i + 1] = static_cast<int64_t>(ov[2 * i + 1]) + 1;
    }
  }
  searchStart_ = offsets_[1];
  if (offsets_[1] == offsets_[0]) ++searchStart_;
  return true;
}

bool TPerlRegEx::MatchFirst() { return Run(0); }

bool TPerlRegEx::MatchNext() {
  if (searchStart_ - 1 > searchStop_) {
    if (!code_) Compile();
    pairCount_ = -1;
    searchError_ = 0;
    return false;
  }
  return Run(searchStart_ - 1);
}

std::string TPerlRegEx::SearchErrorText() const {
  return searchError_ ? Pcre2ErrorText(searchError_) : std::string();
}

void TPerlRegEx::RequireMatch() const {
  if (pairCount_ <= 0) throw EAssertionFailed("REQUIRE: There must be a successful match first");
}

void TPerlRegEx::RequireIndex(int i) const {
  if (i < 0 || i > pairCount_ - 1) throw EAssertionFailed("REQUIRE: Index <= SubExpressionCount");
}

int TPerlRegEx::SubExpressionCount() const {
  RequireMatch();
  return pairCount_ - 1;
}

int64_t TPerlRegEx::MatchOffset(int i) const {
  RequireMatch();
  RequireIndex(i);
  return offsets_[2 * i];
}

int64_t TPerlRegEx::MatchLength(int i) const {
  RequireMatch();
  RequireIndex(i);
  return offsets_[2 * i + 1] - offsets_[2 * i];
}

std::string_view TPerlRegEx::MatchView(int i) const {
  RequireMatch();
  if (i < 0 || i > pairCount_ - 1 || offsets_[2 * i] == 0) return {};
  return text_.substr(static_cast<size_t>(offsets_[2 * i] - 1),
                      static_cast<size_t>(offsets_[2 * i + 1] - offsets_[2 * i]));
}

std::string TPerlRegEx::MatchText(int i) const { return std::string(MatchView(i)); }
