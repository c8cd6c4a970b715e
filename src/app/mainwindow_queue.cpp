// Conversion queue: Start, the job builder, the queue timer, the engine's
// events and Stop. The logic lives in TConversionQueue; TQueueLink lends it
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
#include "ffmpeg_vcl.h"
#include "form4.h"
#include "job_request.h"
#include "mainwindow.h"

namespace {

QString Q(const std::string &s) { return QString::fromStdString(s); }

}  // namespace

class TQueueLink : public ISourceRows,
                   public IQueuePrompts,
                   public IFolderDialog,
                   public IQueueTimer,
                   public IRunView,
                   public IUiPoster {
 public:
  TQueueLink(TForm1 &w, std::shared_ptr<TEngineEventRelay> relay)
      : w_(w),
        relay_(std::move(relay)),
        engine_(*w.FFVCL),
        queue_(TQueueState(w.Converting, w.UserAborted, w.AddingFiles, w.IsLastRow, w.QueueFinished,
                           w.CurrentRow, w.IdleTicks),
               *this, *this, *this, *this, *this, engine_) {
    queue_.ConnectEngineEvents(*this);
  }
  ~TQueueLink() override { queue_.DisconnectEngineEvents(); }

  TConversionQueue &Queue() { return queue_; }

  // ISourceRows
  int RowCount() const override { return w_.ListView1->topLevelItemCount(); }
  std::string Caption(int row) const override { return Item(row)->text(colFileName).toStdString(); }
  std::string Text(int row, TSourceColumn c) const override { return Item(row)->text(c).toStdString(); }
  void SetText(int row, TSourceColumn c, const std::string &text) override { Item(row)->setText(c, Q(text)); }
  bool Checked(int row) const override { return Item(row)->checkState(colFileName) == Qt::Checked; }
  void MakeVisible(int row) override { w_.ListView1->scrollToItem(Item(row)); }

  // IQueuePrompts
  void Information(const std::string &text) override { w_.ShowInformation(Q(text)); }
  bool ConfirmStopAll() override {
    return w_.Prompts->AskYesNo(&w_, QStringLiteral("Confirmation"), QStringLiteral("Stop all conversions?"));
  }

  // IFolderDialog
  void BrowseForOutputFolder() override { w_.ButtonBrowseForFolderClick(); }

  // IQueueTimer
  void SetEnabled(bool enabled) override {
    if (enabled)
      w_.TimerConvertAgain->start();
    else
      w_.TimerConvertAgain->stop();
  }
  bool Enabled() const override { return w_.TimerConvertAgain->isActive(); }

  // IRunView
  void SetProgressBar(int position) override { w_.ProgressBar1->setValue(position); }
  void SetFileSizeText(const std::string &text) override { w_.SetStatusPanelText(1, Q(text)); }
  void DisableControlsForConversion() override { w_.DisableControlsForConversion(); }
  void EnableControlsAfterConversion() override { w_.EnableControlsAfterConversion(); }
  void StopPreview(bool deactivate) override {
    if (deactivate)
      w_.StopAndReleasePreview();
    else
      w_.StopPreviewGraph();
  }
  TJobSettings CurrentJobSettings() override {
    const bool overwrite = w_.Form4 && w_.Form4->CheckBoxOverWrite && w_.Form4->CheckBoxOverWrite->isChecked();
    TJobSettings s = MakeJobSettings(w_.ComboOutputFormat->currentText().toStdString(), w_.ProfileChoices(),
                                     w_.OutputType.toStdString(), w_.EditOutputFolder->text().toStdString(),
                                     overwrite, w_.VolumeValue);
    SetProgramFolder(s, w_.ProgramFolder.toStdString());
    return s;
  }

  // IUiPoster
  void Post(std::function<void()> work) override { relay_->Post(std::move(work)); }

 private:
  QTreeWidgetItem *Item(int row) const { return w_.ListView1->topLevelItem(row); }

  TForm1 &w_;
  std::shared_ptr<TEngineEventRelay> relay_;
  TEngineAdapter engine_;
  TConversionQueue queue_;
};

TConversionQueue &TForm1::Queue() {
  if (!queueLink_) queueLink_ = std::make_shared<TQueueLink>(*this, relay_);
  return queueLink_->Queue();
}

void TForm1::ButtonConvertClick() { Queue().ButtonConvertClick(); }
void TForm1::BuildNextJob() { Queue().BuildNextJob(); }
void TForm1::TimerConvertAgainTimer() { Queue().TimerConvertAgainTimer(); }
void TForm1::ButtonStopConvertClick() { Queue().ButtonStopConvertClick(); }
void TForm1::ButtonStopSmallClick() { Queue().ButtonStopSmallClick(); }

void TForm1::FFVCLProgress(int32_t AIndex, int32_t AFrameNumber, int32_t AFPS, int32_t ACurrentDuration,
                           float AQuality, float ABitRate, int64_t ACurrentSize, int32_t ATotalOutputDuration) {
  Queue().FFVCLProgress(AIndex, AFrameNumber, AFPS, ACurrentDuration, AQuality, ABitRate, ACurrentSize,
                        ATotalOutputDuration);
}

void TForm1::FFVCLTerminate(int32_t AIndex, bool AFinished, bool AException, const std::string &AMessage) {
  Queue().FFVCLTerminate(AIndex, AFinished, AException, AMessage);
}

namespace {

template <typename... W>
void SetEnabledAll(bool enabled, W *...widgets) {
  ((widgets ? widgets->setEnabled(enabled) : void()), ...);
}

}  // namespace

static void SetRunControls(TForm1 &w, bool enabled) {
  SetEnabledAll(enabled, w.ButtonAddFile, w.ButtonClear, w.ButtonRemove, w.ButtonConvert);
  SetEnabledAll(enabled, static_cast<QComboBox *>(w.ComboOutputFormat), w.ComboVideoSize, w.ComboVideoBitrate,
                w.ComboVideoFramerate, w.ComboAudioBitrate, w.ComboAudioChannels, w.ComboVideoCodec,
                w.ComboSamplingRate, w.ComboAudioCodec);
  SetEnabledAll(enabled, w.TrackBar1);
  SetEnabledAll(enabled, w.ComboAspectRatio, w.ComboLetterBox, w.ComboVideoQuality, w.ComboAudioQuality);
  w.PopupListView1AutoPopup = enabled;
  w.SetMainMenuEnabled(enabled);
}

void TForm1::DisableControlsForConversion() { SetRunControls(*this, false); }

void TForm1::EnableControlsAfterConversion() {
  SetRunControls(*this, true);
  UpdateVideoControls();
}

void TForm1::SetMainMenuEnabled(bool enabled) {
  for (QMenu *menu : {File1, Options1, Help1})
    if (menu) menu->menuAction()->setEnabled(enabled);
}
