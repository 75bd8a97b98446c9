// Equality index over a list of lines: gives, in O(1) average, the same
// index as a linear scan for the first equal line, and stays correct when
// lines are changed through Replace.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "common/first_by_key.h"

enum class TLineMatch_Kind { Bytes, CaseIgnoring };

class TLineIndex {
 public:
  // Bytes: byte equality (also the case-sensitive collation equality).
  // CaseIgnoring: the case-ignoring collation equality (EqualityKey).
  TLineIndex(const std::vector<std::string>& lines, TLineMatch_Kind kind);
  // First index whose line equals value, -1 when none.
  int First(std::string_view value);
  // Line index now holds newValue.
  void Replace(int index, std::string_view newValue);
  int Count() const { return index_.Count(); }

 private:
  TLineMatch_Kind kind_;
  TFirstByKey index_;
};
