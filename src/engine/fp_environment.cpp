#include "fp_environment.h"

TFloatingPointGuard::TFloatingPointGuard() {
  // Saves the environment, clears the flags and masks every exception
  // (non-stop mode), round to nearest.
  feholdexcept(&saved_);
  fesetround(FE_TONEAREST);
}

TFloatingPointGuard::~TFloatingPointGuard() { fesetenv(&saved_); }
