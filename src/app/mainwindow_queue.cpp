// Conversion queue: Start, the job builder, the queue timer, the engine's
// events and Stop. The logic lives in ConversionQueue; QueueLink lends it
// the window's list, dialogs, timer and controls.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QSlider>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItem>

#include "choice_list.h"
#include "conversion_queue.h"
#include "engine_adapter.h"
#include "engine_relay.h"
#include "media_engine.h"
#include "options_dialog.h"
#include "job_request.h"
#include "mainwindow.h"

namespace {

QString Q(const std::string &s) { return QString::fromStdString(s); }

}  // namespace

class QueueLink : public SourceRows,
                   public QueuePrompts,
                   public FolderDialog,
                   public QueueTimer,
                   public RunView,
                   public UiPoster {
 public:
  QueueLink(MainWindow &w, std::shared_ptr<EngineEventRelay> relay)
      : w_(w),
        relay_(std::move(relay)),
        engine_(*w.FFVCL),
        queue_(QueueState(w.converting, w.userAborted, w.addingFiles, w.isLastRow, w.queueFinished,
                           w.currentRow, w.idleTicks),
               *this, *this, *this, *this, *this, engine_) {
    queue_.connectEngineEvents(*this);
  }
  ~QueueLink() override { queue_.disconnectEngineEvents(); }

  ConversionQueue &queue() { return queue_; }

  // SourceRows
  int rowCount() const override { return w_.listView1->topLevelItemCount(); }
  std::string caption(int row) const override { return item(row)->text(kFileNameColumn).toStdString(); }
  std::string text(int row, SourceListColumn c) const override { return item(row)->text(c).toStdString(); }
  void setText(int row, SourceListColumn c, const std::string &text) override { item(row)->setText(c, Q(text)); }
  bool checked(int row) const override { return item(row)->checkState(kFileNameColumn) == Qt::Checked; }
  void makeVisible(int row) override { w_.listView1->scrollToItem(item(row)); }

  // QueuePrompts
  void information(const std::string &text) override { w_.showInformation(Q(text)); }
  bool confirmStopAll() override {
    return w_.prompts->askYesNo(&w_, QStringLiteral("Confirmation"), QStringLiteral("Stop all conversions?"));
  }

  // FolderDialog
  void browseForOutputFolder() override { w_.buttonBrowseForFolderClick(); }

  // QueueTimer
  void setEnabled(bool enabled) override {
    if (enabled)
      w_.timerConvertAgain->start();
    else
      w_.timerConvertAgain->stop();
  }
  bool enabled() const override { return w_.timerConvertAgain->isActive(); }

  // RunView
  void setProgressBar(int position) override { w_.progressBar1->setValue(position); }
  void setFileSizeText(const std::string &text) override { w_.setStatusPanelText(1, Q(text)); }
  void disableControlsForConversion() override { w_.disableControlsForConversion(); }
  void enableControlsAfterConversion() override { w_.enableControlsAfterConversion(); }
  void stopPreview(bool deactivate) override {
    if (deactivate)
      w_.stopAndReleasePreview();
    else
      w_.stopPreviewGraph();
  }
  JobSettings currentJobSettings() override {
    const bool overwrite = w_.form4 && w_.form4->checkBoxOverWrite && w_.form4->checkBoxOverWrite->isChecked();
    JobSettings s = makeJobSettings(w_.comboOutputFormat->currentText().toStdString(), w_.profileChoices(),
                                     w_.outputType.toStdString(), w_.editOutputFolder->text().toStdString(),
                                     overwrite, w_.volumeValue);
    setProgramFolder(s, w_.programFolder.toStdString());
    return s;
  }

  // UiPoster
  void post(std::function<void()> work) override { relay_->post(std::move(work)); }

 private:
  QTreeWidgetItem *item(int row) const { return w_.listView1->topLevelItem(row); }

  MainWindow &w_;
  std::shared_ptr<EngineEventRelay> relay_;
  EngineAdapter engine_;
  ConversionQueue queue_;
};

ConversionQueue &MainWindow::queue() {
  if (!queueLink_) queueLink_ = std::make_shared<QueueLink>(*this, relay_);
  return queueLink_->queue();
}

void MainWindow::buttonConvertClick() { queue().buttonConvertClick(); }
void MainWindow::buildNextJob() { queue().buildNextJob(); }
void MainWindow::timerConvertAgainTimer() { queue().timerConvertAgainTimer(); }
void MainWindow::buttonStopConvertClick() { queue().buttonStopConvertClick(); }
void MainWindow::buttonStopSmallClick() { queue().buttonStopSmallClick(); }

void MainWindow::ffvclProgress(int32_t index, int32_t frameNumber, int32_t AFPS, int32_t currentDuration,
                           float quality, float bitRate, int64_t currentSize, int32_t totalOutputDuration) {
  queue().ffvclProgress(index, frameNumber, AFPS, currentDuration, quality, bitRate, currentSize,
                        totalOutputDuration);
}

void MainWindow::ffvclTerminate(int32_t index, bool finished, bool exception, const std::string &message) {
  queue().ffvclTerminate(index, finished, exception, message);
}

namespace {

template <typename... W>
void setEnabledAll(bool enabled, W *...widgets) {
  ((widgets ? widgets->setEnabled(enabled) : void()), ...);
}

}  // namespace

static void setRunControls(MainWindow &w, bool enabled) {
  setEnabledAll(enabled, w.buttonAddFile, w.buttonClear, w.buttonRemove, w.buttonConvert);
  setEnabledAll(enabled, static_cast<QComboBox *>(w.comboOutputFormat), w.comboVideoSize, w.comboVideoBitrate,
                w.comboVideoFramerate, w.comboAudioBitrate, w.comboAudioChannels, w.comboVideoCodec,
                w.comboSamplingRate, w.comboAudioCodec);
  setEnabledAll(enabled, w.trackBar1);
  setEnabledAll(enabled, w.comboAspectRatio, w.comboLetterBox, w.comboVideoQuality, w.comboAudioQuality);
  w.popupListView1AutoPopup = enabled;
  w.setMainMenuEnabled(enabled);
}

void MainWindow::disableControlsForConversion() { setRunControls(*this, false); }

void MainWindow::enableControlsAfterConversion() {
  setRunControls(*this, true);
  updateVideoControls();
}

void MainWindow::setMainMenuEnabled(bool enabled) {
  for (QMenu *menu : {file1, options1, help1})
    if (menu) menu->menuAction()->setEnabled(enabled);
}
