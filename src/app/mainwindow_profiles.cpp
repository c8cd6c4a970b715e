// Output profiles: the output format list, the per-profile setting combos,
// the quality presets and their hints. The profile logic works on plain
// choice lists; this file mirrors them into the window's combo boxes.
#include <QComboBox>
#include <QEvent>

#include "combo_lists.h"
#include "mainwindow.h"
#include "options_dialog.h"
#include "profiles.h"

namespace {

constexpr int kDefaultDropDownCount = 25;  // before the options dialog exists

// Raises the mouse-enter handlers of the two quality combos.
class QualityHintFilter : public QObject {
 public:
  explicit QualityHintFilter(MainWindow *window) : QObject(window), window_(window) {}

 protected:
  bool eventFilter(QObject *watched, QEvent *event) override {
    if (event->type() == QEvent::Enter) {
      if (watched == window_->videoQualityCombo) window_->showVideoQualityHint();
      if (watched == window_->audioQualityCombo) window_->showAudioQualityHint();
    }
    return false;
  }

 private:
  MainWindow *window_;
};

}  // namespace

void MainWindow::fillProfileList() {
  ChoiceList list;
  ::fillOutputFormatList(list);
  fillCombo(profileCombo, list);
  profileCombo->setMaxVisibleItems(profileCombo->count());
  lastProfileIndex = profileCombo->currentIndex();

  // The quality combos show the bit rate they stand for when the mouse
  // enters them; hooked up once, with the list they depend on.
  if (!findChild<QObject *>(QStringLiteral("qualityHints"), Qt::FindDirectChildrenOnly)) {
    auto *hints = new QualityHintFilter(this);
    hints->setObjectName(QStringLiteral("qualityHints"));
    videoQualityCombo->installEventFilter(hints);
    audioQualityCombo->installEventFilter(hints);
  }
}

ProfileChoices MainWindow::profileChoices() const {
  ProfileChoices c;
  c.comboVideoCodec = readCombo(videoCodecCombo);
  c.comboAudioCodec = readCombo(audioCodecCombo);
  c.comboVideoSize = readCombo(videoSizeCombo);
  c.comboVideoBitrate = readCombo(videoBitrateCombo);
  c.comboVideoFramerate = readCombo(frameRateCombo);
  c.comboAudioBitrate = readCombo(audioBitrateCombo);
  c.comboSamplingRate = readCombo(sampleRateCombo);
  c.comboAudioChannels = readCombo(audioChannelsCombo);
  c.comboAspectRatio = readCombo(aspectRatioCombo);
  c.comboVideoQuality = readCombo(videoQualityCombo);
  c.comboAudioQuality = readCombo(audioQualityCombo);
  return c;
}

void MainWindow::showProfileChoices(const ProfileChoices &c) {
  fillCombo(videoCodecCombo, c.comboVideoCodec);
  fillCombo(audioCodecCombo, c.comboAudioCodec);
  fillCombo(videoSizeCombo, c.comboVideoSize);
  fillCombo(videoBitrateCombo, c.comboVideoBitrate);
  fillCombo(frameRateCombo, c.comboVideoFramerate);
  fillCombo(audioBitrateCombo, c.comboAudioBitrate);
  fillCombo(sampleRateCombo, c.comboSamplingRate);
  fillCombo(audioChannelsCombo, c.comboAudioChannels);
  fillCombo(aspectRatioCombo, c.comboAspectRatio);
  fillCombo(videoQualityCombo, c.comboVideoQuality);
  fillCombo(audioQualityCombo, c.comboAudioQuality);
}

void MainWindow::onProfileChosen() {
  const std::string label = profileCombo->currentText().toStdString();
  // A separator is no profile: the previous pick comes back, quietly.
  if (isFormatSeparator(label)) {
    const bool blocked = profileCombo->blockSignals(true);
    profileCombo->setCurrentIndex(lastProfileIndex);
    profileCombo->blockSignals(blocked);
    return;
  }

  ProfileChoices choices = profileChoices();
  std::string type = outputType.toStdString();
  fillProfileOptions(label, choices, type);
  showProfileChoices(choices);
  outputType = QString::fromStdString(type);

  sourceJobs.setOutputType(type);

  applyDropDownLength();
  lastProfileIndex = profileCombo->currentIndex();
  updateVideoControls();
}

void MainWindow::applyDropDownLength() {
  int count = kDefaultDropDownCount;
  if (optionsDialog) count = optionsDialog->dropDownItems();
  profileCombo->setMaxVisibleItems(count);
}

void MainWindow::updateVideoControls() {
  const bool video = !isAudioOnlyFormat(profileCombo->currentText().toStdString());
  videoQualityCombo->setEnabled(video);
  videoSizeCombo->setEnabled(video);
  frameRateCombo->setEnabled(video);
}

void MainWindow::applyQualityPreset() {
  ProfileChoices choices = profileChoices();
  ::applyQualityPreset(profileCombo->currentText().toStdString(), choices);
  fillCombo(videoBitrateCombo, choices.comboVideoBitrate);
  fillCombo(audioBitrateCombo, choices.comboAudioBitrate);
}

// Either level applies both presets.
void MainWindow::onQualityChosen() { applyQualityPreset(); }

void MainWindow::showVideoQualityHint() { videoQualityCombo->setToolTip(videoBitrateCombo->currentText()); }
void MainWindow::showAudioQualityHint() { audioQualityCombo->setToolTip(audioBitrateCombo->currentText()); }

void MainWindow::applyProfileOptions(OutputOptions &options) const {
  ::applyProfileOptions(profileCombo->currentText().toStdString(), profileChoices(), outputType.toStdString(),
                        options);
}
