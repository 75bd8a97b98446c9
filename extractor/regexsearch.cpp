#include "extractor/regexsearch.h"

#include "extractor/perlregex.h"

TRegexHit RegexSearch(std::string_view pattern, std::string_view text, size_t start) {
  const TPerlRegEx re(pattern, preMultiLine | preSingleLine | preUnGreedy);
  TRegExMatch match;
  TRegexHit hit;
  hit.found = re.Search(text, start, match);
  if (hit.found) hit.begin = match.Span().begin;
  hit.error = match.ErrorText();
  return hit;
}
