// Output profiles: the output format list, the per-profile setting combos,
// the quality presets and their hints. The profile logic works on the
// choice lists of the conversion settings; this file shows them in the
// window's combo boxes and takes the user's picks into them.
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
  list.itemIndex = listItemOfProfile(settings_.profileId);
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

void MainWindow::showChoices() {
  const ProfileChoices &c = settings_.choices;
  fillCombo(videoSizeCombo, c.comboVideoSize);
  fillCombo(frameRateCombo, c.comboVideoFramerate);
  fillCombo(audioChannelsCombo, c.comboAudioChannels);
  fillCombo(videoQualityCombo, c.comboVideoQuality);
  fillCombo(audioQualityCombo, c.comboAudioQuality);
}

void MainWindow::onProfileChosen() {
  const int id = profileIdAtListItem(profileCombo->currentIndex());
  // A separator is no profile: the previous pick comes back, quietly.
  if (id < 0) {
    const bool blocked = profileCombo->blockSignals(true);
    profileCombo->setCurrentIndex(lastProfileIndex);
    profileCombo->blockSignals(blocked);
    return;
  }

  settings_.profileId = id;
  std::string type = profileFormatName(id);
  fillProfileOptions(::profileLabel(id), settings_.choices, type);
  showChoices();
  // The profile may have reset the aspect ratio that the options show.
  if (optionsDialog) optionsDialog->showSettings();

  sourceJobs.setOutputType(type);

  applyDropDownLength();
  lastProfileIndex = profileCombo->currentIndex();
  updateVideoControls();
}

void MainWindow::applyDropDownLength() {
  profileCombo->setMaxVisibleItems(optionsDialog ? dropDownLength(settings_) : kDefaultDropDownCount);
}

void MainWindow::updateVideoControls() {
  const bool video = !isAudioOnlyFormat(::profileLabel(settings_.profileId));
  videoQualityCombo->setEnabled(video);
  videoSizeCombo->setEnabled(video);
  frameRateCombo->setEnabled(video);
}

void MainWindow::applyQualityPreset() { ::applyQualityPreset(::profileLabel(settings_.profileId), settings_.choices); }

// Either level applies both presets.
void MainWindow::onQualityChosen() {
  settings_.choices.comboVideoQuality.itemIndex = videoQualityCombo->currentIndex();
  settings_.choices.comboAudioQuality.itemIndex = audioQualityCombo->currentIndex();
  applyQualityPreset();
}

void MainWindow::onChoiceChosen() {
  settings_.choices.comboVideoSize.itemIndex = videoSizeCombo->currentIndex();
  settings_.choices.comboVideoFramerate.itemIndex = frameRateCombo->currentIndex();
  settings_.choices.comboAudioChannels.itemIndex = audioChannelsCombo->currentIndex();
}

void MainWindow::showVideoQualityHint() {
  videoQualityCombo->setToolTip(QString::fromStdString(settings_.choices.comboVideoBitrate.text()));
}
void MainWindow::showAudioQualityHint() {
  audioQualityCombo->setToolTip(QString::fromStdString(settings_.choices.comboAudioBitrate.text()));
}
