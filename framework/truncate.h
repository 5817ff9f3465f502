#pragma once
// Truncation toward zero into an int, defined for every double: NaN gives 0 and values beyond
// the int range saturate (a plain cast would be undefined behaviour for them).

namespace fluvia {

inline int TruncateToInt(double x) {
  if (!(x == x)) return 0;
  if (x >= 2147483647.0) return 2147483647;
  if (x <= -2147483648.0) return -2147483647 - 1;
  return static_cast<int>(x);
}

}  // namespace fluvia
