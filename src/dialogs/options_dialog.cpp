#include "options_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QValidator>
#include <QVBoxLayout>
#include <algorithm>

#include "job_slots.h"
#include "settings.h"
#include "spin_edit.h"

namespace {

// The dialog's size in the design.
const QSize kDesignSize(390, 391);

// Items stand for their index; they are shown in the user's language.
const char *const kLetterBoxItems[] = {QT_TRANSLATE_NOOP("OptionsDialog", "None"),
                                       QT_TRANSLATE_NOOP("OptionsDialog", "LetterBox")};
const char *const kAspectItems[] = {QT_TRANSLATE_NOOP("OptionsDialog", "Original"),
                                    QT_TRANSLATE_NOOP("OptionsDialog", "4:3 (Standard"),
                                    QT_TRANSLATE_NOOP("OptionsDialog", "16:9 (Wide Screen)")};

// What may be typed into an editable combo: one of its items (case
// ignored), or the start of one while it is being typed. Anything else is
// refused as it is typed.
class ItemTextValidator : public QValidator {
 public:
  explicit ItemTextValidator(QComboBox *combo) : QValidator(combo), combo_(combo) {}

  State validate(QString &input, int &) const override {
    if (input.isEmpty()) return Intermediate;
    bool started = false;
    for (int i = 0; i < combo_->count(); ++i) {
      const QString item = combo_->itemText(i);
      if (item.compare(input, Qt::CaseInsensitive) == 0) return Acceptable;
      started = started || item.startsWith(input, Qt::CaseInsensitive);
    }
    return started ? Intermediate : Invalid;
  }

 private:
  QComboBox *combo_;
};

QComboBox *makeEditableCombo(QWidget *parent, const char *name) {
  auto *combo = new QComboBox(parent);
  combo->setObjectName(QString::fromLatin1(name));
  combo->setEditable(true);
  combo->setInsertPolicy(QComboBox::NoInsert);
  combo->setValidator(new ItemTextValidator(combo));
  return combo;
}

// The item index an editable combo stands for: the picked item, or the item
// whose text equals the typed text (case ignored), or -1.
int editableIndex(const QComboBox *combo) {
  return combo->findText(combo->currentText(), Qt::MatchFixedString);
}

// Selects `index` in `combo` without raising the dialog's change handlers.
void selectQuietly(QComboBox *combo, int index) {
  const bool blocked = combo->blockSignals(true);
  combo->setCurrentIndex(index < combo->count() ? index : -1);
  if (index < 0 || index >= combo->count()) combo->setEditText(QString());
  combo->blockSignals(blocked);
}

QLabel *makeLabel(QWidget *parent, const char *name, const QString &text) {
  auto *label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  return label;
}

QCheckBox *makeCheck(QWidget *parent, const char *name, const QString &text) {
  auto *check = new QCheckBox(text, parent);
  check->setObjectName(QString::fromLatin1(name));
  return check;
}

}  // namespace

OptionsDialog::OptionsDialog(QWidget *mainWindow, ConversionSettings &settings)
    : QDialog(mainWindow, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                              Qt::WindowStaysOnTopHint),
      settings_(settings) {
  setObjectName(QStringLiteral("optionsDialog"));
  setWindowTitle(tr("Additional Options"));
  setModal(false);
  createControls();
  // The design size, or more where a larger desktop font needs it.
  setFixedSize(kDesignSize.expandedTo(layout()->totalMinimumSize()));
  for (const char *item : kAspectItems) aspectRatioCombo_->addItem(tr(item));
  for (const char *item : kLetterBoxItems) letterBoxCombo_->addItem(tr(item));
  showSettings();
}

void OptionsDialog::createControls() {
  additionalOptionsBox_ = new QGroupBox(tr(" Additional Options "), this);
  additionalOptionsBox_->setObjectName(QStringLiteral("additionalOptionsBox"));
  overwriteCheck_ =
      makeCheck(additionalOptionsBox_, "overwriteCheck", tr("Overwrite Existing File With The Same Name"));
  keepMetadataCheck_ = makeCheck(additionalOptionsBox_, "keepMetadataCheck",
                                 tr("Keep the recording date, place and camera"));
  connect(overwriteCheck_, &QCheckBox::clicked, this, [this](bool on) {
    settings_.overwrite = on;
    emit settingsEdited();
  });
  connect(keepMetadataCheck_, &QCheckBox::clicked, this, [this](bool on) {
    settings_.keepMetadata = on;
    emit settingsEdited();
  });

  dropDownItemsLabel_ =
      makeLabel(additionalOptionsBox_, "dropDownItemsLabel", tr("Drop Down Items in Output Format List"));
  // Up to the whole list, which is longer than the classic 47 since today's formats joined it.
  dropDownItemsSpin_ = new SpinEdit(kDropDownItemsMin, kDropDownItemsLimit, additionalOptionsBox_);
  dropDownItemsSpin_->setObjectName(QStringLiteral("dropDownItemsSpin"));
  dropDownItemsLabel_->setBuddy(dropDownItemsSpin_);
  connect(dropDownItemsSpin_, &QSpinBox::textChanged, this, &OptionsDialog::onDropDownItemsChanged);

  simultaneousLabel_ = makeLabel(additionalOptionsBox_, "simultaneousLabel", tr("Simultaneous conversions"));
  simultaneousCombo_ = new QComboBox(additionalOptionsBox_);
  simultaneousCombo_->setObjectName(QStringLiteral("simultaneousCombo"));
  for (int n = 1; n <= kMostChosenJobs; ++n) simultaneousCombo_->addItem(QString::number(n));
  simultaneousCombo_->addItem(tr("Auto"));
  simultaneousLabel_->setBuddy(simultaneousCombo_);
  connect(simultaneousCombo_, &QComboBox::activated, this, [this](int item) {
    // The last item, "Auto", is 0.
    settings_.simultaneous = item >= kMostChosenJobs ? 0 : item + 1;
    emit settingsEdited();
  });

  auto *additional = new QGridLayout(additionalOptionsBox_);
  additional->setContentsMargins(16, 16, 16, 16);
  additional->setVerticalSpacing(20);
  additional->addWidget(overwriteCheck_, 0, 0, 1, 2);
  additional->addWidget(keepMetadataCheck_, 1, 0, 1, 2);
  additional->addWidget(dropDownItemsLabel_, 2, 0);
  additional->addWidget(dropDownItemsSpin_, 2, 1);
  additional->addWidget(simultaneousLabel_, 3, 0);
  additional->addWidget(simultaneousCombo_, 3, 1);
  additional->setColumnStretch(0, 1);

  createGeneralVideoBox();

  doneButton_ = new QPushButton(tr("Done"), this);
  doneButton_->setObjectName(QStringLiteral("doneButton"));
  connect(doneButton_, &QPushButton::clicked, this, &QWidget::hide);

  auto *buttonRow = new QHBoxLayout;
  buttonRow->addStretch(1);
  buttonRow->addWidget(doneButton_);
  buttonRow->addStretch(1);
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(10, 8, 10, 16);
  layout->setSpacing(12);
  layout->addWidget(additionalOptionsBox_);
  layout->addWidget(generalVideoBox_);
  layout->addStretch(1);
  layout->addLayout(buttonRow);
}

void OptionsDialog::createGeneralVideoBox() {
  generalVideoBox_ = new QGroupBox(tr(" General Video Settings "), this);
  generalVideoBox_->setObjectName(QStringLiteral("generalVideoBox"));
  QLabel *zoomLabel = makeLabel(generalVideoBox_, "videoZoomLabel", tr("Video Zoom : "));
  letterBoxCombo_ = makeEditableCombo(generalVideoBox_, "letterBoxCombo");
  zoomLabel->setBuddy(letterBoxCombo_);
  QLabel *aspectLabel = makeLabel(generalVideoBox_, "aspectRatioLabel", tr("Video Aspect Ratio : "));
  aspectRatioCombo_ = makeEditableCombo(generalVideoBox_, "aspectRatioCombo");
  aspectLabel->setBuddy(aspectRatioCombo_);

  auto *general = new QGridLayout(generalVideoBox_);
  general->setContentsMargins(16, 16, 16, 16);
  general->setVerticalSpacing(20);
  general->addWidget(zoomLabel, 0, 0);
  general->addWidget(letterBoxCombo_, 0, 1);
  general->addWidget(aspectLabel, 1, 0);
  general->addWidget(aspectRatioCombo_, 1, 1);
  general->setColumnStretch(1, 1);

  // A pick from the list or a typed text changes the choice; programmatic
  // selections do not.
  connect(letterBoxCombo_, &QComboBox::activated, this, &OptionsDialog::onLetterBoxChosen);
  connect(letterBoxCombo_->lineEdit(), &QLineEdit::textEdited, this, &OptionsDialog::onLetterBoxChosen);
  connect(aspectRatioCombo_, &QComboBox::activated, this, &OptionsDialog::onAspectRatioChosen);
  connect(aspectRatioCombo_->lineEdit(), &QLineEdit::textEdited, this, &OptionsDialog::onAspectRatioChosen);
}

void OptionsDialog::showSettings() {
  showing_ = true;
  overwriteCheck_->setChecked(settings_.overwrite);
  keepMetadataCheck_->setChecked(settings_.keepMetadata);
  if (settings_.dropDownItems >= 0) dropDownItemsSpin_->setValue(settings_.dropDownItems);
  const int jobs = settings_.simultaneous;
  selectQuietly(simultaneousCombo_, jobs == 0 ? kMostChosenJobs : std::clamp(jobs, 1, kMostChosenJobs) - 1);
  selectQuietly(letterBoxCombo_, settings_.letterBox);
  selectQuietly(aspectRatioCombo_, settings_.choices.comboAspectRatio.itemIndex);
  showing_ = false;
}

int OptionsDialog::dropDownItems() const { return dropDownLength(settings_); }

void OptionsDialog::setSettingsEnabled(bool enabled) {
  additionalOptionsBox_->setEnabled(enabled);
  generalVideoBox_->setEnabled(enabled);
}

void OptionsDialog::onDropDownItemsChanged() {
  if (showing_) return;
  settings_.dropDownItems = dropDownItemsSpin_->value();
  emit settingsEdited();
}

void OptionsDialog::onLetterBoxChosen() {
  settings_.letterBox = editableIndex(letterBoxCombo_);
  emit settingsEdited();
}

void OptionsDialog::onAspectRatioChosen() {
  settings_.choices.comboAspectRatio.itemIndex = editableIndex(aspectRatioCombo_);
  emit settingsEdited();
}

void OptionsDialog::showEvent(QShowEvent *event) {
  if (QWidget *owner = parentWidget()) {
    const QRect r = owner->frameGeometry();
    move(r.center() - QPoint(width() / 2, height() / 2));
  }
  QDialog::showEvent(event);
}
