// Output profiles: the output format list, the per-profile setting combos,
// the quality presets and their hints. The profile logic works on plain
// choice lists; this file mirrors them into the window's combo boxes.
#include <QComboBox>
#include <QEvent>
#include <QTreeWidget>
#include <algorithm>

#include "options_dialog.h"
#include "mainwindow.h"
#include "profiles.h"

namespace {

constexpr int kDefaultDropDownCount = 25;

ChoiceList readCombo(const QComboBox *combo) {
  ChoiceList list;
  list.items.reserve(static_cast<size_t>(combo->count()));
  for (int i = 0; i < combo->count(); ++i) list.items.push_back(combo->itemText(i).toStdString());
  list.itemIndex = combo->currentIndex();
  return list;
}

// Replaces the items only when they differ, then the selection; no change
// event is raised.
void writeCombo(QComboBox *combo, const ChoiceList &list) {
  const bool blocked = combo->blockSignals(true);
  bool same = combo->count() == static_cast<int>(list.items.size());
  for (int i = 0; same && i < combo->count(); ++i)
    same = combo->itemText(i) == QString::fromStdString(list.items[static_cast<size_t>(i)]);
  if (!same) {
    combo->clear();
    for (const std::string &item : list.items) combo->addItem(QString::fromStdString(item));
  }
  combo->setCurrentIndex(list.itemIndex);
  combo->blockSignals(blocked);
}

// Raises the mouse-enter handlers of the two quality combos.
class QualityHintFilter : public QObject {
 public:
  explicit QualityHintFilter(MainWindow *window) : QObject(window), window_(window) {}

 protected:
  bool eventFilter(QObject *watched, QEvent *event) override {
    if (event->type() == QEvent::Enter) {
      if (watched == window_->comboVideoQuality) window_->comboVideoQualityMouseEnter();
      if (watched == window_->comboAudioQuality) window_->comboAudioQualityMouseEnter();
    }
    return false;
  }

 private:
  MainWindow *window_;
};

}  // namespace

void MainWindow::fillOutputFormatList() {
  ChoiceList list;
  ::fillOutputFormatList(list);
  writeCombo(comboOutputFormat, list);
  comboOutputFormat->setMaxVisibleItems(comboOutputFormat->count());
  lastFormatIndex = comboOutputFormat->currentIndex();

  // The quality combos show the bit rate they stand for when the mouse
  // enters them; hooked up once, with the list they depend on.
  if (!findChild<QObject *>(QStringLiteral("QualityHints"), Qt::FindDirectChildrenOnly)) {
    auto *hints = new QualityHintFilter(this);
    hints->setObjectName(QStringLiteral("QualityHints"));
    comboVideoQuality->installEventFilter(hints);
    comboAudioQuality->installEventFilter(hints);
  }
}

ProfileChoices MainWindow::profileChoices() const {
  ProfileChoices c;
  c.comboVideoCodec = readCombo(comboVideoCodec);
  c.comboAudioCodec = readCombo(comboAudioCodec);
  c.comboVideoSize = readCombo(comboVideoSize);
  c.comboVideoBitrate = readCombo(comboVideoBitrate);
  c.comboVideoFramerate = readCombo(comboVideoFramerate);
  c.comboAudioBitrate = readCombo(comboAudioBitrate);
  c.comboSamplingRate = readCombo(comboSamplingRate);
  c.comboAudioChannels = readCombo(comboAudioChannels);
  c.comboAspectRatio = readCombo(comboAspectRatio);
  c.comboVideoQuality = readCombo(comboVideoQuality);
  c.comboAudioQuality = readCombo(comboAudioQuality);
  return c;
}

void MainWindow::showProfileChoices(const ProfileChoices &c) {
  writeCombo(comboVideoCodec, c.comboVideoCodec);
  writeCombo(comboAudioCodec, c.comboAudioCodec);
  writeCombo(comboVideoSize, c.comboVideoSize);
  writeCombo(comboVideoBitrate, c.comboVideoBitrate);
  writeCombo(comboVideoFramerate, c.comboVideoFramerate);
  writeCombo(comboAudioBitrate, c.comboAudioBitrate);
  writeCombo(comboSamplingRate, c.comboSamplingRate);
  writeCombo(comboAudioChannels, c.comboAudioChannels);
  writeCombo(comboAspectRatio, c.comboAspectRatio);
  writeCombo(comboVideoQuality, c.comboVideoQuality);
  writeCombo(comboAudioQuality, c.comboAudioQuality);
}

void MainWindow::comboOutputFormatChange() {
  const std::string label = comboOutputFormat->currentText().toStdString();
  // A separator is no profile: the previous pick comes back, quietly.
  if (isFormatSeparator(label)) {
    const bool blocked = comboOutputFormat->blockSignals(true);
    comboOutputFormat->setCurrentIndex(lastFormatIndex);
    comboOutputFormat->blockSignals(blocked);
    return;
  }

  ProfileChoices choices = profileChoices();
  std::string type = outputType.toStdString();
  fillProfileOptions(label, choices, type);
  showProfileChoices(choices);
  outputType = QString::fromStdString(type);

  for (int i = 0; i < listView1->topLevelItemCount(); ++i)
    listView1->topLevelItem(i)->setText(kOutputColumn, outputType);

  comboOutputFormatDropDown();
  lastFormatIndex = comboOutputFormat->currentIndex();
  updateVideoControls();
}

void MainWindow::comboOutputFormatDropDown() {
  int count = kDefaultDropDownCount;
  if (form4) count = form4->dropDownItems();
  comboOutputFormat->setMaxVisibleItems(std::max(1, count));
}

void MainWindow::updateVideoControls() {
  const bool video = !isAudioOnlyFormat(comboOutputFormat->currentText().toStdString());
  comboVideoQuality->setEnabled(video);
  comboVideoSize->setEnabled(video);
  comboVideoFramerate->setEnabled(video);
}

void MainWindow::applyQualityPreset() {
  ProfileChoices choices = profileChoices();
  ::applyQualityPreset(comboOutputFormat->currentText().toStdString(), choices);
  writeCombo(comboVideoBitrate, choices.comboVideoBitrate);
  writeCombo(comboAudioBitrate, choices.comboAudioBitrate);
}

// Either level applies both presets.
void MainWindow::comboVideoQualityChange() { applyQualityPreset(); }
void MainWindow::comboAudioQualityChange() { applyQualityPreset(); }

void MainWindow::comboVideoQualityMouseEnter() { comboVideoQuality->setToolTip(comboVideoBitrate->currentText()); }
void MainWindow::comboAudioQualityMouseEnter() { comboAudioQuality->setToolTip(comboAudioBitrate->currentText()); }

void MainWindow::applyProfileOptions(OutputOptions &options) const {
  ::applyProfileOptions(comboOutputFormat->currentText().toStdString(), profileChoices(),
                        outputType.toStdString(), options);
}
