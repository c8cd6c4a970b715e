// The libraries expect floating-point exceptions to be masked (a division by
// zero gives an infinity, not a trap). The engine masks them while it is in
// use and restores the caller's environment when the last user goes away.
#pragma once

#include <cfenv>

class FloatingPointGuard {
 public:
  FloatingPointGuard();
  ~FloatingPointGuard();
  FloatingPointGuard(const FloatingPointGuard &) = delete;
  FloatingPointGuard &operator=(const FloatingPointGuard &) = delete;

 private:
  fenv_t saved_;
};
