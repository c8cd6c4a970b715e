#include "control_states.h"

RunPhase runPhase(bool runHoldsControls, bool rowStillConverting, bool addingFiles) {
  if (runHoldsControls) return RunPhase::Running;
  if (rowStillConverting) return RunPhase::Stopping;
  return addingFiles ? RunPhase::AddingFiles : RunPhase::Idle;
}

ControlStates controlStates(RunPhase phase, bool outputHasVideo) {
  using C = WindowControl;
  const bool idle = phase == RunPhase::Idle;
  const bool adding = phase == RunPhase::AddingFiles;
  // A run's settings, its list and its folder stay as they were when it
  // started until its last row has ended; Stop acts once.
  const bool free = idle || adding;
  ControlStates s;
  // The list's rows change only when no files are being added either.
  for (C c : {C::AddFile, C::RemoveFile, C::ClearAll}) s.set(c, idle);
  // Stop ends a run or the adding of files; Start pressed while files are
  // added starts the run once they are listed.
  s.set(C::Stop, adding || phase == RunPhase::Running);
  for (C c : {C::Start, C::ChooseFolder, C::OpenFolder, C::Profile, C::AudioSettings, C::Volume, C::Preview,
              C::MainMenu, C::SourceListMenu, C::OptionsDialog})
    s.set(c, free);
  s.set(C::VideoSettings, free && outputHasVideo);
  return s;
}
