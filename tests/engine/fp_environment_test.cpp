#include <gtest/gtest.h>

#include <cfenv>

#include "media_engine.h"

// The libraries expect masked floating-point exceptions; the engine masks
// them while a component lives and gives the caller's setting back after.
TEST(FloatingPoint, MaskedWhileComponentLivesAndRestoredAfter) {
  feclearexcept(FE_ALL_EXCEPT);
  feenableexcept(FE_DIVBYZERO | FE_INVALID);
  ASSERT_EQ(FE_DIVBYZERO | FE_INVALID, fegetexcept());
  {
    MediaEngine engine;
    EXPECT_EQ(0, fegetexcept());
    volatile double zero = 0.0;
    volatile double inf = 1.0 / zero;  // no trap: an infinity
    EXPECT_TRUE(inf > 1e308);
    {
      MediaEngine second;  // a second component changes nothing
      EXPECT_EQ(0, fegetexcept());
    }
    EXPECT_EQ(0, fegetexcept()) << "still masked while the first component lives";
  }
  EXPECT_EQ(FE_DIVBYZERO | FE_INVALID, fegetexcept());
  fedisableexcept(FE_ALL_EXCEPT);
}
