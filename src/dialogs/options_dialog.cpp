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
  setObjectName(QStringLiteral("Form4"));
  setWindowTitle(QStringLiteral("Additional Options"));
  setModal(false);
  setFont(QFont(QStringLiteral("Tahoma"), 8));
  setFixedSize(390, 351);

  groupBox1 = new QGroupBox(QStringLiteral(" Additional Options "), this);
  groupBox1->setObjectName(QStringLiteral("GroupBox1"));
  groupBox1->setGeometry(10, 8, 370, 130);

  checkBoxOverWrite = new QCheckBox(QStringLiteral("Overwrite Existing File With The Same Name"), groupBox1);
  checkBoxOverWrite->setObjectName(QStringLiteral("CheckBoxOverWrite"));
  checkBoxOverWrite->setGeometry(16, 28, 340, 24);

  label1 = new QLabel(QStringLiteral("Drop Down Items in Output Format List"), groupBox1);
  label1->setObjectName(QStringLiteral("Label1"));
  label1->setGeometry(16, 74, 250, 22);

  spinEdit1 = new SpinEdit(26, 47, groupBox1);
  spinEdit1->setObjectName(QStringLiteral("SpinEdit1"));
  spinEdit1->setGeometry(276, 72, 70, 24);
  label1->setBuddy(spinEdit1);
  connect(spinEdit1, &QSpinBox::textChanged, this, &OptionsDialog::spinEdit1Change);

  groupBox2 = new QGroupBox(QStringLiteral(" General Video Settings "), this);
  groupBox2->setObjectName(QStringLiteral("GroupBox2"));
  groupBox2->setGeometry(10, 150, 370, 130);

  label2 = new QLabel(QStringLiteral("Video Zoom : "), groupBox2);
  label2->setObjectName(QStringLiteral("Label2"));
  label2->setGeometry(16, 34, 130, 22);
  comboLetterBox = makeEditableCombo(groupBox2, "ComboLetterBox");
  comboLetterBox->setGeometry(150, 32, 196, 24);
  label2->setBuddy(comboLetterBox);

  label3 = new QLabel(QStringLiteral("Video Aspect Ratio : "), groupBox2);
  label3->setObjectName(QStringLiteral("Label3"));
  label3->setGeometry(16, 80, 130, 22);
  comboAspectRatio = makeEditableCombo(groupBox2, "ComboAspectRatio");
  comboAspectRatio->setGeometry(150, 78, 196, 24);
  label3->setBuddy(comboAspectRatio);

  // A pick from the list or a typed text changes the choice; programmatic
  // selections do not.
  connect(comboLetterBox, &QComboBox::activated, this, &OptionsDialog::comboLetterBoxChange);
  connect(comboLetterBox->lineEdit(), &QLineEdit::textEdited, this, &OptionsDialog::comboLetterBoxChange);
  connect(comboAspectRatio, &QComboBox::activated, this, &OptionsDialog::comboAspectRatioChange);
  connect(comboAspectRatio->lineEdit(), &QLineEdit::textEdited, this, &OptionsDialog::comboAspectRatioChange);

  button1 = new QPushButton(QStringLiteral("Done"), this);
  button1->setObjectName(QStringLiteral("Button1"));
  button1->setGeometry(150, 302, 90, 30);
  connect(button1, &QPushButton::clicked, this, &OptionsDialog::button1Click);

  formCreate();
}

void OptionsDialog::formCreate() {
  applyFontRule(this);
  try {
    loadSettings();
  } catch (...) {
  }
  comboAspectRatio->addItems(kAspectItems);
  comboLetterBox->addItems(kLetterBoxItems);
  selectQuietly(comboAspectRatio, 0);
  selectQuietly(comboLetterBox, 0);
  if (main_.comboLetterBox) selectQuietly(comboLetterBox, main_.comboLetterBox->currentIndex());
  if (main_.comboAspectRatio) selectQuietly(comboAspectRatio, main_.comboAspectRatio->currentIndex());
}

SettingsControls OptionsDialog::settingsControls() const {
  SettingsControls c;
  c.editOutputFolder = main_.editOutputFolder;
  c.comboOutputFormat = main_.comboOutputFormat;
  c.checkBoxOverWrite = checkBoxOverWrite;
  c.spinEdit1 = spinEdit1;
  c.comboLetterBox = main_.comboLetterBox;
  c.comboVideoQuality = main_.comboVideoQuality;
  c.comboAudioQuality = main_.comboAudioQuality;
  return c;
}

bool OptionsDialog::loadSettings() { return ::loadSettings(store_, settingsControls()); }

bool OptionsDialog::saveSettings() { return ::saveSettings(store_, settingsControls()); }

int OptionsDialog::dropDownItems() const { return spinEdit1->value(); }

void OptionsDialog::spinEdit1Change() {
  if (main_.comboOutputFormat) main_.comboOutputFormat->setMaxVisibleItems(std::max(1, spinEdit1->value()));
}

void OptionsDialog::comboLetterBoxChange() {
  if (main_.comboLetterBox) main_.comboLetterBox->setCurrentIndex(editableIndex(comboLetterBox));
}

void OptionsDialog::comboAspectRatioChange() {
  if (main_.comboAspectRatio) main_.comboAspectRatio->setCurrentIndex(editableIndex(comboAspectRatio));
}

void OptionsDialog::button1Click() { hide(); }

void OptionsDialog::showEvent(QShowEvent *event) {
  if (QWidget *owner = parentWidget()) {
    const QRect r = owner->frameGeometry();
    move(r.center() - QPoint(width() / 2, height() / 2));
  }
  QDialog::showEvent(event);
}
