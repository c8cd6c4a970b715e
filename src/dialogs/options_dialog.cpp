#include "options_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

#include "font_rule.h"
#include "settings_store.h"
#include "spin_edit.h"

namespace {

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
  setFont(QFont(QStringLiteral("Tahoma"), 8));
  setFixedSize(390, 351);
  createControls();
  loadAtCreation();
}

void OptionsDialog::createControls() {
  additionalOptionsBox = new QGroupBox(QStringLiteral(" Additional Options "), this);
  additionalOptionsBox->setObjectName(QStringLiteral("additionalOptionsBox"));
  additionalOptionsBox->setGeometry(10, 8, 370, 130);

  overwriteCheck = new QCheckBox(QStringLiteral("Overwrite Existing File With The Same Name"), additionalOptionsBox);
  overwriteCheck->setObjectName(QStringLiteral("overwriteCheck"));
  overwriteCheck->setGeometry(16, 28, 340, 24);

  dropDownItemsLabel = new QLabel(QStringLiteral("Drop Down Items in Output Format List"), additionalOptionsBox);
  dropDownItemsLabel->setObjectName(QStringLiteral("dropDownItemsLabel"));
  dropDownItemsLabel->setGeometry(16, 74, 250, 22);

  dropDownItemsSpin = new SpinEdit(kDropDownItemsMin, kDropDownItemsMax, additionalOptionsBox);
  dropDownItemsSpin->setObjectName(QStringLiteral("dropDownItemsSpin"));
  dropDownItemsSpin->setGeometry(276, 72, 70, 24);
  dropDownItemsLabel->setBuddy(dropDownItemsSpin);
  connect(dropDownItemsSpin, &QSpinBox::textChanged, this, &OptionsDialog::onDropDownItemsChanged);

  generalVideoBox = new QGroupBox(QStringLiteral(" General Video Settings "), this);
  generalVideoBox->setObjectName(QStringLiteral("generalVideoBox"));
  generalVideoBox->setGeometry(10, 150, 370, 130);

  videoZoomLabel = new QLabel(QStringLiteral("Video Zoom : "), generalVideoBox);
  videoZoomLabel->setObjectName(QStringLiteral("videoZoomLabel"));
  videoZoomLabel->setGeometry(16, 34, 130, 22);
  letterBoxCombo = makeEditableCombo(generalVideoBox, "letterBoxCombo");
  letterBoxCombo->setGeometry(150, 32, 196, 24);
  videoZoomLabel->setBuddy(letterBoxCombo);

  aspectRatioLabel = new QLabel(QStringLiteral("Video Aspect Ratio : "), generalVideoBox);
  aspectRatioLabel->setObjectName(QStringLiteral("aspectRatioLabel"));
  aspectRatioLabel->setGeometry(16, 80, 130, 22);
  aspectRatioCombo = makeEditableCombo(generalVideoBox, "aspectRatioCombo");
  aspectRatioCombo->setGeometry(150, 78, 196, 24);
  aspectRatioLabel->setBuddy(aspectRatioCombo);

  // A pick from the list or a typed text changes the choice; programmatic
  // selections do not.
  connect(letterBoxCombo, &QComboBox::activated, this, &OptionsDialog::onLetterBoxChosen);
  connect(letterBoxCombo->lineEdit(), &QLineEdit::textEdited, this, &OptionsDialog::onLetterBoxChosen);
  connect(aspectRatioCombo, &QComboBox::activated, this, &OptionsDialog::onAspectRatioChosen);
  connect(aspectRatioCombo->lineEdit(), &QLineEdit::textEdited, this, &OptionsDialog::onAspectRatioChosen);

  doneButton = new QPushButton(QStringLiteral("Done"), this);
  doneButton->setObjectName(QStringLiteral("doneButton"));
  doneButton->setGeometry(150, 302, 90, 30);
  connect(doneButton, &QPushButton::clicked, this, &QWidget::hide);
}

void OptionsDialog::loadAtCreation() {
  applyFontRule(this);
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
