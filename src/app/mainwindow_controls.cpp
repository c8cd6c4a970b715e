// Control states: the window enables exactly the controls that act where it
// stands (control_states.h), and a close during a run waits for the stopped
// row.
#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QSlider>
#include <QTimer>
#include <QToolButton>

#include "conversion_queue.h"
#include "engine_relay.h"
#include "fit_into_box.h"
#include "mainwindow.h"
#include "media_engine.h"
#include "options_dialog.h"
#include "profiles.h"
#include "seek_bar.h"

namespace {

template <typename... W>
void setEnabledAll(bool enabled, W *...widgets) {
  ((widgets ? widgets->setEnabled(enabled) : void()), ...);
}

}  // namespace

RunPhase MainWindow::runPhase() const {
  const bool adding = queueLink_ && runFlags().addingFiles;
  return ::runPhase(runHoldsControls_, sourceJobs_.anyConverting(), adding);
}

void MainWindow::applyControlStates() {
  using C = WindowControl;
  const ControlStates s = controlStates(runPhase(), !isAudioOnlyFormat(::profileLabel(settings_.profileId)));
  auto on = [&s](C c) { return s.enabled(c); };
  setEnabledAll(on(C::AddFile), addFileButton_, addFilesAction_);
  setEnabledAll(on(C::RemoveFile), removeFileButton_, removeSelectedAction_);
  setEnabledAll(on(C::ClearAll), clearAllButton_, clearAllAction_);
  setEnabledAll(on(C::Stop), stopButton_, progressStopButton_, stopAction_);
  setEnabledAll(on(C::Start), startButton_, convertAction_);
  setEnabledAll(on(C::ChooseFolder), chooseFolderButton_);
  setEnabledAll(on(C::OpenFolder), openFolderButton_, openOutputFolderAction_);
  setEnabledAll(on(C::Profile), static_cast<QComboBox *>(profileCombo_), static_cast<QComboBox *>(fitIntoBox_));
  setEnabledAll(on(C::VideoSettings), videoQualityCombo_, videoSizeCombo_, frameRateCombo_);
  setEnabledAll(on(C::AudioSettings), audioQualityCombo_, audioChannelsCombo_);
  setEnabledAll(on(C::Volume), volumeSlider_);
  setEnabledAll(on(C::Preview), playButton_, pauseButton_, previewStopButton_, volumeButton_, snapshotButton_);
  setEnabledAll(on(C::Preview), static_cast<QWidget *>(seekBar_), playSelectedAction_);
  setMainMenuEnabled(on(C::MainMenu));
  sourceListMenuEnabled_ = on(C::SourceListMenu);
  if (optionsDialog_) optionsDialog_->setSettingsEnabled(on(C::OptionsDialog));
}

void MainWindow::setMainMenuEnabled(bool enabled) {
  for (QMenu *menu : {fileMenu_, optionsMenu_, helpMenu_})
    if (menu) menu->menuAction()->setEnabled(enabled);
}

void MainWindow::disableControlsForConversion() {
  runHoldsControls_ = true;
  applyControlStates();
}

void MainWindow::enableControlsAfterConversion() {
  runHoldsControls_ = false;
  applyControlStates();
}

void MainWindow::updateVideoControls() { applyControlStates(); }

void MainWindow::onRunPhaseChanged() {
  applyControlStates();
  if (closeWhenStopped_ && runPhase() == RunPhase::Idle) {
    closeWhenStopped_ = false;
    QTimer::singleShot(0, this, &QWidget::close);
  }
}

bool MainWindow::closeAllowed() {
  // Already confirmed: the window closes when the stopped row has ended.
  if (closeWhenStopped_) return false;
  if (runInProgress()) {
    // Asked as Stop asks; "No" keeps the run going and the window open.
    stopAllConversions();
    if (runInProgress()) return false;
  }
  // The stopped row's output is kept or removed as a stop does it, by the
  // end of its task; the window waits for that without blocking.
  if (runPhase() == RunPhase::Stopping) {
    closeWhenStopped_ = true;
    return false;
  }
  if (runFlags().addingFiles) {
    // The window closes once the adding has stopped.
    closeWhenAdded_ = true;
    stopAddingFiles();
    return false;
  }
  relay_->close();
  engine_->stop();
  return true;
}
