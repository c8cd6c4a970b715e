#include "fp_environment.h"

FloatingPointGuard::FloatingPointGuard() {
  // Saves the environment, clears the flags and masks every exception
  // (non-stop mode), round to nearest.
  feholdexcept(&saved_);
  fesetround(FE_TONEAREST);
}

FloatingPointGuard::~FloatingPointGuard() { fesetenv(&saved_); }
