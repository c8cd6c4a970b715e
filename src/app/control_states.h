// Which of the main window's controls are enabled: exactly those that act
// in the window's present state. One pure rule over where a run stands and
// what the chosen profile offers; the window applies it to its widgets
// whenever either changes.
#pragma once

#include <array>
#include <cstddef>

// Where the window stands with its files and its run.
enum class RunPhase {
  Idle,         // nothing under way
  AddingFiles,  // files are being probed and listed
  Running,      // a run holds the controls (a row converts or the next waits)
  Stopping,     // Stop was confirmed; the stopped row has not ended yet
};

// The window's phase: a run that holds the controls comes first, then a row
// still ending after its run, then the adding of files.
RunPhase runPhase(bool runHoldsControls, bool rowStillConverting, bool addingFiles);

// The controls and menu entries the rule covers.
enum class WindowControl {
  AddFile,         // tool button and File menu item
  RemoveFile,      // tool button and the list menu's item (Delete)
  ClearAll,        // tool button and the list menu's item
  Stop,            // both Stop buttons and Esc
  Start,           // tool button and File menu item
  ChooseFolder,
  OpenFolder,
  Profile,         // the output format and "Fit into"
  VideoSettings,   // video quality, size and frame rate
  AudioSettings,   // audio quality and channels
  Volume,
  Preview,         // play, pause, stop, the speaker menu, snapshot, the position bar
  MainMenu,        // the three top-level menus
  SourceListMenu,  // the list's pop-up menu
  OptionsDialog,   // the settings of the "Additional Options" dialog
};
inline constexpr size_t kWindowControlCount = static_cast<size_t>(WindowControl::OptionsDialog) + 1;

class ControlStates {
 public:
  bool enabled(WindowControl control) const { return on_[static_cast<size_t>(control)]; }
  void set(WindowControl control, bool on) { on_[static_cast<size_t>(control)] = on; }

 private:
  std::array<bool, kWindowControlCount> on_{};
};

// The enable set for the phase; the video settings also need an output
// with a picture.
ControlStates controlStates(RunPhase phase, bool outputHasVideo);
