// The rule of the window's enabled controls, without a window (the window's
// own states in idle, running and stopping are in queue_window_test.cpp).
#include <gtest/gtest.h>

#include "control_states.h"

TEST(ControlStates, ARunHoldingTheControlsComesFirstThenAStoppedRowThenAdding) {
  EXPECT_EQ(runPhase(true, true, false), RunPhase::Running);
  EXPECT_EQ(runPhase(false, true, true), RunPhase::Stopping);
  EXPECT_EQ(runPhase(false, false, true), RunPhase::AddingFiles);
  EXPECT_EQ(runPhase(false, false, false), RunPhase::Idle);
}

// While files are added the list stays as it is and Stop ends the adding; an
// output without a picture leaves the video settings off in every phase.
TEST(ControlStates, AddingFilesAndAnOutputWithoutPicture) {
  using C = WindowControl;
  const ControlStates adding = controlStates(RunPhase::AddingFiles, true);
  for (C c : {C::AddFile, C::RemoveFile, C::ClearAll}) EXPECT_FALSE(adding.enabled(c));
  for (C c : {C::Stop, C::Start, C::Profile, C::VideoSettings, C::Preview, C::MainMenu}) EXPECT_TRUE(adding.enabled(c));
  for (RunPhase p : {RunPhase::Idle, RunPhase::AddingFiles, RunPhase::Running, RunPhase::Stopping})
    EXPECT_FALSE(controlStates(p, false).enabled(C::VideoSettings));
  EXPECT_TRUE(controlStates(RunPhase::Idle, false).enabled(C::AudioSettings));
}
