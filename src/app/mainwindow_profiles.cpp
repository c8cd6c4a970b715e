// Output profiles: the output format list, the per-profile setting combos,
// the quality presets and their hints. The profile logic works on plain
// choice lists; this file mirrors them into the window's combo boxes.
#include <QComboBox>
#include <QEvent>
#include <QTreeWidget>
#include <algorithm>

#include "form4.h"
#include "mainwindow.h"
#include "profiles.h"

namespace {

constexpr int kDefaultDropDownCount = 25;

TChoiceList ReadCombo(const QComboBox *combo) {
  TChoiceList list;
  list.Items.reserve(static_cast<size_t>(combo->count()));
  for (int i = 0; i < combo->count(); ++i) list.Items.push_back(combo->itemText(i).toStdString());
  list.ItemIndex = combo->currentIndex();
  return list;
}

// Replaces the items only when they differ, then the selection; no change
// event is raised.
void WriteCombo(QComboBox *combo, const TChoiceList &list) {
  const bool blocked = combo->blockSignals(true);
  bool same = combo->count() == static_cast<int>(list.Items.size());
  for (int i = 0; same && i < combo->count(); ++i)
    same = combo->itemText(i) == QString::fromStdString(list.Items[static_cast<size_t>(i)]);
  if (!same) {
    combo->clear();
    for (const std::string &item : list.Items) combo->addItem(QString::fromStdString(item));
  }
  combo->setCurrentIndex(list.ItemIndex);
  combo->blockSignals(blocked);
}

// Raises the mouse-enter handlers of the two quality combos.
class TQualityHintFilter : public QObject {
 public:
  explicit TQualityHintFilter(TForm1 *window) : QObject(window), window_(window) {}

 protected:
  bool eventFilter(QObject *watched, QEvent *event) override {
    if (event->type() == QEvent::Enter) {
      if (watched == window_->ComboVideoQuality) window_->ComboVideoQualityMouseEnter();
      if (watched == window_->ComboAudioQuality) window_->ComboAudioQualityMouseEnter();
    }
    return false;
  }

 private:
  TForm1 *window_;
};

}  // namespace

void TForm1::FillOutputFormatList() {
  TChoiceList list;
  ::FillOutputFormatList(list);
  WriteCombo(ComboOutputFormat, list);
  ComboOutputFormat->setMaxVisibleItems(ComboOutputFormat->count());
  LastFormatIndex = ComboOutputFormat->currentIndex();

  // The quality combos show the bit rate they stand for when the mouse
  // enters them; hooked up once, with the list they depend on.
  if (!findChild<QObject *>(QStringLiteral("QualityHints"), Qt::FindDirectChildrenOnly)) {
    auto *hints = new TQualityHintFilter(this);
    hints->setObjectName(QStringLiteral("QualityHints"));
    ComboVideoQuality->installEventFilter(hints);
    ComboAudioQuality->installEventFilter(hints);
  }
}

TProfileChoices TForm1::ProfileChoices() const {
  TProfileChoices c;
  c.ComboVideoCodec = ReadCombo(ComboVideoCodec);
  c.ComboAudioCodec = ReadCombo(ComboAudioCodec);
  c.ComboVideoSize = ReadCombo(ComboVideoSize);
  c.ComboVideoBitrate = ReadCombo(ComboVideoBitrate);
  c.ComboVideoFramerate = ReadCombo(ComboVideoFramerate);
  c.ComboAudioBitrate = ReadCombo(ComboAudioBitrate);
  c.ComboSamplingRate = ReadCombo(ComboSamplingRate);
  c.ComboAudioChannels = ReadCombo(ComboAudioChannels);
  c.ComboAspectRatio = ReadCombo(ComboAspectRatio);
  c.ComboVideoQuality = ReadCombo(ComboVideoQuality);
  c.ComboAudioQuality = ReadCombo(ComboAudioQuality);
  return c;
}

void TForm1::ShowProfileChoices(const TProfileChoices &c) {
  WriteCombo(ComboVideoCodec, c.ComboVideoCodec);
  WriteCombo(ComboAudioCodec, c.ComboAudioCodec);
  WriteCombo(ComboVideoSize, c.ComboVideoSize);
  WriteCombo(ComboVideoBitrate, c.ComboVideoBitrate);
  WriteCombo(ComboVideoFramerate, c.ComboVideoFramerate);
  WriteCombo(ComboAudioBitrate, c.ComboAudioBitrate);
  WriteCombo(ComboSamplingRate, c.ComboSamplingRate);
  WriteCombo(ComboAudioChannels, c.ComboAudioChannels);
  WriteCombo(ComboAspectRatio, c.ComboAspectRatio);
  WriteCombo(ComboVideoQuality, c.ComboVideoQuality);
  WriteCombo(ComboAudioQuality, c.ComboAudioQuality);
}

void TForm1::ComboOutputFormatChange() {
  const std::string label = ComboOutputFormat->currentText().toStdString();
  // A separator is no profile: the previous pick comes back, quietly.
  if (IsFormatSeparator(label)) {
    const bool blocked = ComboOutputFormat->blockSignals(true);
    ComboOutputFormat->setCurrentIndex(LastFormatIndex);
    ComboOutputFormat->blockSignals(blocked);
    return;
  }

  TProfileChoices choices = ProfileChoices();
  std::string outputType = OutputType.toStdString();
  FillProfileOptions(label, choices, outputType);
  ShowProfileChoices(choices);
  OutputType = QString::fromStdString(outputType);

  for (int i = 0; i < ListView1->topLevelItemCount(); ++i)
    ListView1->topLevelItem(i)->setText(colOutput, OutputType);

  ComboOutputFormatDropDown();
  LastFormatIndex = ComboOutputFormat->currentIndex();
  UpdateVideoControls();
}

void TForm1::ComboOutputFormatDropDown() {
  int count = kDefaultDropDownCount;
  if (Form4) count = Form4->DropDownItems();
  ComboOutputFormat->setMaxVisibleItems(std::max(1, count));
}

void TForm1::UpdateVideoControls() {
  const bool video = !IsAudioOnlyFormat(ComboOutputFormat->currentText().toStdString());
  ComboVideoQuality->setEnabled(video);
  ComboVideoSize->setEnabled(video);
  ComboVideoFramerate->setEnabled(video);
}

void TForm1::ApplyQualityPreset() {
  TProfileChoices choices = ProfileChoices();
  ::ApplyQualityPreset(ComboOutputFormat->currentText().toStdString(), choices);
  WriteCombo(ComboVideoBitrate, choices.ComboVideoBitrate);
  WriteCombo(ComboAudioBitrate, choices.ComboAudioBitrate);
}

// Either level applies both presets.
void TForm1::ComboVideoQualityChange() { ApplyQualityPreset(); }
void TForm1::ComboAudioQualityChange() { ApplyQualityPreset(); }

void TForm1::ComboVideoQualityMouseEnter() { ComboVideoQuality->setToolTip(ComboVideoBitrate->currentText()); }
void TForm1::ComboAudioQualityMouseEnter() { ComboAudioQuality->setToolTip(ComboAudioBitrate->currentText()); }

void TForm1::ApplyProfileOptions(TOutputOptions &options) const {
  ::ApplyProfileOptions(ComboOutputFormat->currentText().toStdString(), ProfileChoices(),
                        OutputType.toStdString(), options);
}
