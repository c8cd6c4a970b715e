// The libraries expect floating-point exceptions to be masked (a division by
// zero gives an infinity, not a trap). The engine masks them while it is in
// use and restores the caller's environment when the last user goes away.
#pragma once

#include <cfenv>

class TFloatingPointGuard {
 public:
  TFloatingPointGuard();
  ~TFloatingPointGuard();
  TFloatingPointGuard(const TFloatingPointGuard &) = delete;
  TFloatingPointGuard &operator=(const TFloatingPointGuard &) = delete;

 private:
  fenv_t saved_;
};
