#include "common/lineindex.h"

#include "common/collation.h"

TLineIndex::TLineIndex(const std::vector<std::string>& lines, TLineMatch_Kind kind) : kind_(kind) {
  index_.Reserve(lines.size());
  for (const std::string& line : lines) index_.Append(KeyOf(line));
}

std::string TLineIndex::KeyOf(std::string_view s) const {
  return kind_ == TLineMatch_Kind::Bytes ? std::string(s) : EqualityKey(s, false);
}

int TLineIndex::First(std::string_view value) { return index_.First(KeyOf(value)); }

void TLineIndex::Replace(int index, std::string_view newValue) { index_.Replace(index, KeyOf(newValue)); }
