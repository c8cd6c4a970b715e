// Conversion queue: Start, the job builder, the queue timer, the engine's
// events and Stop. The logic lives in ConversionQueue, which works on the
// window's sourceJobs; QueueLink lends it the window's dialogs, timer and
// controls and shows what the queue reports: the status bar during and
// after a run, and a notification when a run ends out of the user's sight.
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QSlider>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include "app_info.h"
#include "conversion_queue.h"
#include "desktop_services.h"
#include "engine_adapter.h"
#include "engine_relay.h"
#include "fit_into_box.h"
#include "heap_trim.h"
#include "job_request.h"
#include "mainwindow.h"
#include "media_engine.h"
#include "pipeline_text.h"
#include "run_progress.h"
#include "shown_text.h"
#include "source_list_model.h"

namespace {

QString qText(const std::string &s) { return QString::fromStdString(s); }

const char *const kRunCompletedText = QT_TRANSLATE_NOOP("MainWindow", "All Conversions Completed");

}  // namespace

// UI thread only, but for post(), which the queue's bridge calls on the
// engine's threads and which hands the work to the window's relay.
class QueueLink : public QueuePrompts,
                  public QueueTimer,
                  public JobSettingsSource,
                  public UiPoster,
                  public QueueObserver {
 public:
  QueueLink(MainWindow &w, std::shared_ptr<EngineEventRelay> relay)
      : w_(w),
        relay_(std::move(relay)),
        engine_(*w.engine_),
        queue_(QueueSurroundings{w.sourceJobs_, *this, *this, *this, engine_, *this}),
        clock_(w.clockNow_) {
    queue_.setClock(w.clockNow_);
    queue_.connectEngineEvents(*this);
  }
  ~QueueLink() override { queue_.disconnectEngineEvents(); }

  ConversionQueue &queue() { return queue_; }

  // QueuePrompts
  void information(const std::string &text) override { w_.showInformation(shownText(text)); }
  // The run waits for the answer: that time is not the file's.
  bool confirmStopAll() override {
    clock_.pause();
    const bool yes =
        w_.prompts_->askYesNo(&w_, MainWindow::tr("Confirmation"), MainWindow::tr("Stop all conversions?"));
    clock_.resume();
    return yes;
  }

  // QueueTimer
  void setEnabled(bool enabled) override {
    if (enabled)
      w_.nextRowTimer_->start();
    else
      w_.nextRowTimer_->stop();
  }
  bool enabled() const override { return w_.nextRowTimer_->isActive(); }

  // JobSettingsSource
  JobSettings currentJobSettings() override {
    JobSettings s = jobSettingsFrom(w_.settings_);
    setProgramFolder(s, w_.programFolder_.toStdString());
    return s;
  }

  // UiPoster
  void post(std::function<void()> work) override { relay_->post(std::move(work)); }

  // QueueObserver: the list shows the rows' own changes, the controls,
  // the progress bar and the status bar where the run stands.
  void startPressed() override { w_.stopAndReleasePreview(); }
  void outputFolderRefused(const std::string &) override { w_.chooseOutputFolder(); }
  void runStarted() override {
    runOn_ = true;
    w_.clearStatusBar();
    w_.disableControlsForConversion();
  }
  void runReleased() override {
    w_.enableControlsAfterConversion();
    releaseFreedHeap();
  }
  void progressCleared() override { w_.progressBar_->setValue(0); }
  void rowStarted(int row) override {
    // The task before this one has been freed: what its threads freed goes
    // back now, or the window grows with every file of a long run.
    releaseFreedHeap();
    // Several rows at once: the status bar follows the run (runStatus).
    if (severalAtOnce()) return;
    clock_.fileStarted();
    showRunPosition(row);
    w_.setStatusPanelText(kTimePanel, QString());
  }
  void rowProgress(int row, const ProgressReport &report) override {
    // A stopped task's last reports come after its run: the counts stand.
    // With several rows at once each row shows its own in the list.
    if (!runOn_ || severalAtOnce()) return;
    w_.setStatusPanelText(kFileSizePanel, fileSizeShown(report.size));
    w_.progressBar_->setValue(report.barPercent);
    w_.sourceList_->scrollTo(w_.sourceListModel_->index(row, kFileNameColumn));
    showRunPosition(row);
    const ProgressSample sample = progressSample(report, clock_.elapsedSec());
    const ProgressFigures figures = progressFigures(sample);
    w_.setStatusPanelText(kTimePanel, MainWindow::tr("Elapsed %1   Speed %2   Left %3")
                                          .arg(qText(clockText(sample.elapsedSec)), qText(speedText(figures.speed)),
                                               qText(timeLeftText(figures.leftSec))));
  }
  void runStatus(const RunStatus &status) override {
    if (!runOn_) return;
    w_.progressBar_->setValue(status.percent);
    w_.setStatusPanelText(kFileSizePanel, QString());
    w_.setStatusPanelText(kStatePanel, QCoreApplication::translate("MainWindow", "Converting %1 at once, %2 of %3 done")
                                           .arg(status.running)
                                           .arg(status.ended)
                                           .arg(status.total));
    w_.setStatusPanelText(kTimePanel, QCoreApplication::translate("MainWindow", "Elapsed %1   Left %2")
                                          .arg(qText(clockText(status.elapsedSec)), qText(timeLeftText(status.leftSec))));
  }
  void rowEnded(int, JobState, const std::string &) override {
    // A stopped row ends after its run: the counts take it in.
    if (!w_.runInProgress()) w_.setStatusPanelText(kStatePanel, runCountsShown(runCounts(w_.sourceJobs_)));
    w_.onRunPhaseChanged();
  }
  void runEnded(RunOutcome outcome) override {
    runOn_ = false;
    const QString counts = runCountsShown(runCounts(w_.sourceJobs_));
    w_.setStatusPanelText(kStatePanel, counts);
    w_.setStatusPanelText(kTimePanel, QString());
    // Told on the desktop when the user looks elsewhere; before the
    // message box, which waits for an answer.
    if (!w_.isActiveWindow()) {
      const QString what = outcome == RunOutcome::Completed ? MainWindow::tr(kRunCompletedText)
                                                            : MainWindow::tr("Conversions stopped");
      w_.desktop_->notify(QString::fromLatin1(trevix::kProgramTitle), what + QStringLiteral(": ") + counts);
    }
    if (outcome == RunOutcome::Completed) w_.showInformation(MainWindow::tr(kRunCompletedText));
  }

 private:
  MainWindow &w_;
  std::shared_ptr<EngineEventRelay> relay_;
  bool severalAtOnce() const { return queue_.rowSlots() > 1; }
  void showRunPosition(int row) {
    w_.setStatusPanelText(kStatePanel, runPositionShown(runPosition(w_.sourceJobs_, row)));
  }

  EngineAdapter engine_;
  ConversionQueue queue_;
  FileClock clock_;
  bool runOn_ = false;  // between runStarted and runEnded
};

ConversionQueue &MainWindow::queue() {
  if (!queueLink_) queueLink_ = std::make_shared<QueueLink>(*this, relay_);
  return queueLink_->queue();
}

const QueueFlags &MainWindow::runFlags() const { return queueLink_->queue().flags(); }

void MainWindow::startConversion() {
  if (runFlags().addingFiles) {
    startWhenAdded_ = true;  // the run starts over the whole list
    return;
  }
  queue().startConversion();
}
void MainWindow::onNextRowTimer() { queue().onTimerTick(); }
void MainWindow::stopAllConversions() {
  if (runFlags().addingFiles)
    stopAddingFiles();
  else
    queue().stopAllConversions();
}
