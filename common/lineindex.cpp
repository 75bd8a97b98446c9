#include "common/lineindex.h"

#include "common/collation.h"

TLineIndex::TLineIndex(const std::vector<std::string>& lines, TLineMatch_Kind kind) : kind_(kind) {
  index_.Reserve(lines.size());
  for (const std::string& line : lines) {
    if (kind_ == TLineMatch_Kind::Bytes) {
      index_.Append(line);
    } else {
      index_.Append(EqualityKey(line, false));
    }
  }
}

// Byte equality needs no key of its own: the line is its key.
int TLineIndex::First(std::string_view value) {
  return kind_ == TLineMatch_Kind::Bytes ? index_.First(value) : index_.First(EqualityKey(value, false));
}

void TLineIndex::Replace(int index, std::string_view newValue) {
  if (kind_ == TLineMatch_Kind::Bytes) {
    index_.Replace(index, newValue);
  } else {
    index_.Replace(index, EqualityKey(newValue, false));
  }
}
