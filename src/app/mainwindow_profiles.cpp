// Output profiles: the output format list, the per-profile setting combos,
// the quality presets and their hints. The profile logic works on the
// choice lists of the conversion settings; this file shows them in the
// window's combo boxes and takes the user's picks into them.
#include <QComboBox>
#include <QEvent>
#include <iterator>
#include <string>
#include <utility>

#include "combo_lists.h"
#include "mainwindow.h"
#include "options_dialog.h"
#include "profiles.h"

namespace {

constexpr int kDefaultDropDownCount = 25;  // before the options dialog exists

// Raises the mouse-enter handlers of the two quality combos.
class QualityHintFilter : public QObject {
 public:
  QualityHintFilter(MainWindow *window, QObject *video, QObject *audio)
      : QObject(window), window_(window), video_(video), audio_(audio) {}

 protected:
  bool eventFilter(QObject *watched, QEvent *event) override {
    if (event->type() == QEvent::Enter) {
      if (watched == video_) window_->showVideoQualityHint();
      if (watched == audio_) window_->showAudioQualityHint();
    }
    return false;
  }

 private:
  MainWindow *window_;
  QObject *video_;
  QObject *audio_;
};

}  // namespace

void MainWindow::fillProfileList() {
  ChoiceList list;
  ::fillOutputFormatList(list);
  list.itemIndex = listItemOfProfile(settings_.profileId);
  fillCombo(profileCombo_, list);
  profileCombo_->setMaxVisibleItems(profileCombo_->count());
  lastProfileIndex_ = profileCombo_->currentIndex();
  reserveChoiceWidths();

  // The quality combos show the bit rate they stand for when the mouse
  // enters them; hooked up once, with the list they depend on.
  if (!findChild<QObject *>(QStringLiteral("qualityHints"), Qt::FindDirectChildrenOnly)) {
    auto *hints = new QualityHintFilter(this, videoQualityCombo_, audioQualityCombo_);
    hints->setObjectName(QStringLiteral("qualityHints"));
    videoQualityCombo_->installEventFilter(hints);
    audioQualityCombo_->installEventFilter(hints);
  }
}

// Each setting combo is as wide as the widest item any profile puts in it:
// choosing another profile leaves the window's layout where it is.
void MainWindow::reserveChoiceWidths() {
  const std::pair<QComboBox *, ChoiceList ProfileChoices::*> combos[] = {
      {videoQualityCombo_, &ProfileChoices::comboVideoQuality}, {videoSizeCombo_, &ProfileChoices::comboVideoSize},
      {frameRateCombo_, &ProfileChoices::comboVideoFramerate},  {audioQualityCombo_, &ProfileChoices::comboAudioQuality},
      {audioChannelsCombo_, &ProfileChoices::comboAudioChannels}};
  QStringList items[std::size(combos)];
  for (int item = 0; item < profileCombo_->count(); ++item) {
    ProfileChoices choices = settings_.choices;
    const int id = profileIdAtListItem(item);
    if (id < 0 || !fillProfileOptions(id, choices)) continue;
    for (size_t c = 0; c < std::size(combos); ++c)
      for (const std::string &text : (choices.*combos[c].second).items) items[c] << QString::fromStdString(text);
  }
  for (size_t c = 0; c < std::size(combos); ++c) reserveComboWidth(combos[c].first, items[c]);
}

void MainWindow::showChoices() {
  const ProfileChoices &c = settings_.choices;
  fillCombo(videoSizeCombo_, c.comboVideoSize);
  fillCombo(frameRateCombo_, c.comboVideoFramerate);
  fillCombo(audioChannelsCombo_, c.comboAudioChannels);
  fillCombo(videoQualityCombo_, c.comboVideoQuality);
  fillCombo(audioQualityCombo_, c.comboAudioQuality);
}

void MainWindow::onProfileChosen() {
  const int id = profileIdAtListItem(profileCombo_->currentIndex());
  // A separator is no profile: the previous pick comes back, quietly.
  if (id < 0) {
    const bool blocked = profileCombo_->blockSignals(true);
    profileCombo_->setCurrentIndex(lastProfileIndex_);
    profileCombo_->blockSignals(blocked);
    return;
  }

  settings_.profileId = id;
  std::string type = profileFormatName(id);
  fillProfileOptions(::profileLabel(id), settings_.choices, type);
  showChoices();
  // The profile may have reset the aspect ratio that the options show.
  if (optionsDialog_) optionsDialog_->showSettings();

  sourceJobs_.setOutputType(type);

  applyDropDownLength();
  lastProfileIndex_ = profileCombo_->currentIndex();
  updateVideoControls();
}

void MainWindow::applyDropDownLength() {
  profileCombo_->setMaxVisibleItems(optionsDialog_ ? dropDownLength(settings_) : kDefaultDropDownCount);
}

void MainWindow::applyQualityPreset() { ::applyQualityPreset(::profileLabel(settings_.profileId), settings_.choices); }

// Either level applies both presets.
void MainWindow::onQualityChosen() {
  settings_.choices.comboVideoQuality.itemIndex = videoQualityCombo_->currentIndex();
  settings_.choices.comboAudioQuality.itemIndex = audioQualityCombo_->currentIndex();
  applyQualityPreset();
}

void MainWindow::onChoiceChosen() {
  settings_.choices.comboVideoSize.itemIndex = videoSizeCombo_->currentIndex();
  settings_.choices.comboVideoFramerate.itemIndex = frameRateCombo_->currentIndex();
  settings_.choices.comboAudioChannels.itemIndex = audioChannelsCombo_->currentIndex();
}

void MainWindow::showVideoQualityHint() {
  videoQualityCombo_->setToolTip(QString::fromStdString(settings_.choices.comboVideoBitrate.text()));
}
void MainWindow::showAudioQualityHint() {
  audioQualityCombo_->setToolTip(QString::fromStdString(settings_.choices.comboAudioBitrate.text()));
}
