// Integer division rounded down and up, for signed operands.
#pragma once

inline long long FloorDiv(long long a, long long b) {
  long long q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

inline long long CeilDiv(long long a, long long b) { return -FloorDiv(-a, b); }
