#include "options_dialog.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "settings_store.h"
#include "spin_edit.h"

namespace {

// The dialog's size in the design.
const QSize kDesignSize(390, 351);

const QStringList kLetterBoxItems = {QStringLiteral("None"), QStringLiteral("LetterBox")};
const QStringList kAspectItems = {QStringLiteral("Original"), QStringLiteral("4:3 (Standard"),
                                  QStringLiteral("16:9 (Wide Screen)")};

QComboBox *makeEditableCombo(QWidget *parent, const char *name) {
  auto *combo = new QComboBox(parent);
  combo->setObjectName(QString::fromLatin1(name));
  combo->setEditable(true);
  combo->setInsertPolicy(QComboBox::NoInsert);
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

}  // namespace

OptionsDialog::OptionsDialog(QWidget *mainWindow, const MainWindowControls &mainControls, SettingsStore &store)
    : QDialog(mainWindow, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                              Qt::WindowStaysOnTopHint),
      main_(mainControls),
      store_(store) {
  setObjectName(QStringLiteral("optionsDialog"));
  setWindowTitle(QStringLiteral("Additional Options"));
  setModal(false);
  createControls();
  // The design size, or more where a larger desktop font needs it.
  setFixedSize(kDesignSize.expandedTo(layout()->totalMinimumSize()));
  loadAtCreation();
}

void OptionsDialog::createControls() {
  additionalOptionsBox = new QGroupBox(QStringLiteral(" Additional Options "), this);
  additionalOptionsBox->setObjectName(QStringLiteral("additionalOptionsBox"));

  overwriteCheck = new QCheckBox(QStringLiteral("Overwrite Existing File With The Same Name"), additionalOptionsBox);
  overwriteCheck->setObjectName(QStringLiteral("overwriteCheck"));

  dropDownItemsLabel = new QLabel(QStringLiteral("Drop Down Items in Output Format List"), additionalOptionsBox);
  dropDownItemsLabel->setObjectName(QStringLiteral("dropDownItemsLabel"));

  // Up to the whole list, which is longer than the classic 47 since today's formats joined it.
  const int listLength = main_.profileCombo ? main_.profileCombo->count() : 0;
  dropDownItemsSpin = new SpinEdit(kDropDownItemsMin, std::max(kDropDownItemsMax, listLength), additionalOptionsBox);
  dropDownItemsSpin->setObjectName(QStringLiteral("dropDownItemsSpin"));
  dropDownItemsLabel->setBuddy(dropDownItemsSpin);
  connect(dropDownItemsSpin, &QSpinBox::textChanged, this, &OptionsDialog::onDropDownItemsChanged);

  auto *additional = new QGridLayout(additionalOptionsBox);
  additional->setContentsMargins(16, 16, 16, 16);
  additional->setVerticalSpacing(20);
  additional->addWidget(overwriteCheck, 0, 0, 1, 2);
  additional->addWidget(dropDownItemsLabel, 1, 0);
  additional->addWidget(dropDownItemsSpin, 1, 1);
  additional->setColumnStretch(0, 1);

  generalVideoBox = new QGroupBox(QStringLiteral(" General Video Settings "), this);
  generalVideoBox->setObjectName(QStringLiteral("generalVideoBox"));

  videoZoomLabel = new QLabel(QStringLiteral("Video Zoom : "), generalVideoBox);
  videoZoomLabel->setObjectName(QStringLiteral("videoZoomLabel"));
  letterBoxCombo = makeEditableCombo(generalVideoBox, "letterBoxCombo");
  videoZoomLabel->setBuddy(letterBoxCombo);

  aspectRatioLabel = new QLabel(QStringLiteral("Video Aspect Ratio : "), generalVideoBox);
  aspectRatioLabel->setObjectName(QStringLiteral("aspectRatioLabel"));
  aspectRatioCombo = makeEditableCombo(generalVideoBox, "aspectRatioCombo");
  aspectRatioLabel->setBuddy(aspectRatioCombo);

  auto *general = new QGridLayout(generalVideoBox);
  general->setContentsMargins(16, 16, 16, 16);
  general->setVerticalSpacing(20);
  general->addWidget(videoZoomLabel, 0, 0);
  general->addWidget(letterBoxCombo, 0, 1);
  general->addWidget(aspectRatioLabel, 1, 0);
  general->addWidget(aspectRatioCombo, 1, 1);
  general->setColumnStretch(1, 1);

  // A pick from the list or a typed text changes the choice; programmatic
  // selections do not.
  connect(letterBoxCombo, &QComboBox::activated, this, &OptionsDialog::onLetterBoxChosen);
  connect(letterBoxCombo->lineEdit(), &QLineEdit::textEdited, this, &OptionsDialog::onLetterBoxChosen);
  connect(aspectRatioCombo, &QComboBox::activated, this, &OptionsDialog::onAspectRatioChosen);
  connect(aspectRatioCombo->lineEdit(), &QLineEdit::textEdited, this, &OptionsDialog::onAspectRatioChosen);

  doneButton = new QPushButton(QStringLiteral("Done"), this);
  doneButton->setObjectName(QStringLiteral("doneButton"));
  connect(doneButton, &QPushButton::clicked, this, &QWidget::hide);

  auto *buttonRow = new QHBoxLayout;
  buttonRow->addStretch(1);
  buttonRow->addWidget(doneButton);
  buttonRow->addStretch(1);
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(10, 8, 10, 16);
  layout->setSpacing(12);
  layout->addWidget(additionalOptionsBox);
  layout->addWidget(generalVideoBox);
  layout->addStretch(1);
  layout->addLayout(buttonRow);
}

void OptionsDialog::loadAtCreation() {
  try {
    loadSettings();
  } catch (...) {
  }
  aspectRatioCombo->addItems(kAspectItems);
  letterBoxCombo->addItems(kLetterBoxItems);
  // The list follows the loaded length even when loading left the spin
  // edit's value as it was (a stored 0 or 10 is the minimum, like the start).
  onDropDownItemsChanged();
  selectQuietly(aspectRatioCombo, 0);
  selectQuietly(letterBoxCombo, 0);
  if (main_.letterBoxCombo) selectQuietly(letterBoxCombo, main_.letterBoxCombo->currentIndex());
  if (main_.aspectRatioCombo) selectQuietly(aspectRatioCombo, main_.aspectRatioCombo->currentIndex());
}

SettingsControls OptionsDialog::settingsControls() const {
  SettingsControls c;
  c.outputFolderEdit = main_.outputFolderEdit;
  c.profileCombo = main_.profileCombo;
  c.overwriteCheck = overwriteCheck;
  c.dropDownItemsSpin = dropDownItemsSpin;
  c.letterBoxCombo = main_.letterBoxCombo;
  c.videoQualityCombo = main_.videoQualityCombo;
  c.audioQualityCombo = main_.audioQualityCombo;
  return c;
}

bool OptionsDialog::loadSettings() { return ::loadSettings(store_, settingsControls()); }

bool OptionsDialog::saveSettings() { return ::saveSettings(store_, settingsControls()); }

int OptionsDialog::dropDownItems() const {
  const int typed = dropDownItemsSpin->value();
  return typed > 0 ? typed : kDropDownItemsMin;
}

void OptionsDialog::onDropDownItemsChanged() {
  if (main_.profileCombo) main_.profileCombo->setMaxVisibleItems(dropDownItems());
}

void OptionsDialog::onLetterBoxChosen() {
  if (main_.letterBoxCombo) main_.letterBoxCombo->setCurrentIndex(editableIndex(letterBoxCombo));
}

void OptionsDialog::onAspectRatioChosen() {
  if (main_.aspectRatioCombo) main_.aspectRatioCombo->setCurrentIndex(editableIndex(aspectRatioCombo));
}

void OptionsDialog::showEvent(QShowEvent *event) {
  if (QWidget *owner = parentWidget()) {
    const QRect r = owner->frameGeometry();
    move(r.center() - QPoint(width() / 2, height() / 2));
  }
  QDialog::showEvent(event);
}
