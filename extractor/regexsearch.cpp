#include "extractor/regexsearch.h"

#include "extractor/perlregex.h"

namespace {

void Setup(TPerlRegEx& re, std::string_view pattern, std::string_view text) {
  re.SetOptions(preMultiLine | preSingleLine | preUnGreedy);
  re.SetSearchText(text);
  re.SetRegEx(pattern);
}

void TakeError(const TPerlRegEx& re, std::string* searchError) {
  if (searchError) *searchError = re.SearchFailed() ? re.SearchErrorText() : std::string();
}

bool Find(std::string_view pattern, std::string_view text, int64_t& offset, int64_t start,
          std::string* searchError, bool fromStart) {
  TPerlRegEx re;
  Setup(re, pattern, text);
  re.SetSearchStart(start);
  offset = 0;
  bool found = fromStart ? re.MatchFirst() : re.MatchNext();
  TakeError(re, searchError);
  if (found) offset = re.MatchOffset(0);
  return found;
}

}  // namespace

bool RegexFind(std::string_view pattern, std::string_view text, int64_t& offset, int64_t start,
               std::string* searchError) {
  return Find(pattern, text, offset, start, searchError, true);
}

bool RegexFindFrom(std::string_view pattern, std::string_view text, int64_t& offset, int64_t start,
                   std::string* searchError) {
  return Find(pattern, text, offset, start, searchError, false);
}

bool RegexTest(std::string_view pattern, std::string_view text, std::string* searchError) {
  TPerlRegEx re;
  Setup(re, pattern, text);
  bool found = re.MatchFirst();
  TakeError(re, searchError);
  return found;
}
