#include "form4.h"

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

QComboBox *MakeEditableCombo(QWidget *parent, const char *name) {
  auto *combo = new QComboBox(parent);
  combo->setObjectName(QString::fromLatin1(name));
  combo->setEditable(true);
  combo->setInsertPolicy(QComboBox::NoInsert);
  return combo;
}

// The item index an editable combo stands for: the picked item, or the item
// whose text equals the typed text (case ignored), or -1.
int EditableIndex(const QComboBox *combo) {
  return combo->findText(combo->currentText(), Qt::MatchFixedString);
}

// Selects `index` in `combo` without raising the dialog's change handlers.
void SelectQuietly(QComboBox *combo, int index) {
  const bool blocked = combo->blockSignals(true);
  combo->setCurrentIndex(index < combo->count() ? index : -1);
  if (index < 0 || index >= combo->count()) combo->setEditText(QString());
  combo->blockSignals(blocked);
}

}  // namespace

TForm4::TForm4(QWidget *mainWindow, const TMainWindowControls &mainControls, ISettingsStore &store)
    : QDialog(mainWindow, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                              Qt::WindowStaysOnTopHint),
      main_(mainControls),
      store_(store) {
  setObjectName(QStringLiteral("Form4"));
  setWindowTitle(QStringLiteral("Additional Options"));
  setModal(false);
  setFont(QFont(QStringLiteral("Tahoma"), 8));
  setFixedSize(390, 351);

  GroupBox1 = new QGroupBox(QStringLiteral(" Additional Options "), this);
  GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
  GroupBox1->setGeometry(10, 8, 370, 130);

  CheckBoxOverWrite = new QCheckBox(QStringLiteral("Overwrite Existing File With The Same Name"), GroupBox1);
  CheckBoxOverWrite->setObjectName(QStringLiteral("CheckBoxOverWrite"));
  CheckBoxOverWrite->setGeometry(16, 28, 340, 24);

  Label1 = new QLabel(QStringLiteral("Drop Down Items in Output Format List"), GroupBox1);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setGeometry(16, 74, 250, 22);

  SpinEdit1 = new TSpinEdit(26, 47, GroupBox1);
  SpinEdit1->setObjectName(QStringLiteral("SpinEdit1"));
  SpinEdit1->setGeometry(276, 72, 70, 24);
  Label1->setBuddy(SpinEdit1);
  connect(SpinEdit1, &QSpinBox::textChanged, this, &TForm4::SpinEdit1Change);

  GroupBox2 = new QGroupBox(QStringLiteral(" General Video Settings "), this);
  GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
  GroupBox2->setGeometry(10, 150, 370, 130);

  Label2 = new QLabel(QStringLiteral("Video Zoom : "), GroupBox2);
  Label2->setObjectName(QStringLiteral("Label2"));
  Label2->setGeometry(16, 34, 130, 22);
  ComboLetterBox = MakeEditableCombo(GroupBox2, "ComboLetterBox");
  ComboLetterBox->setGeometry(150, 32, 196, 24);
  Label2->setBuddy(ComboLetterBox);

  Label3 = new QLabel(QStringLiteral("Video Aspect Ratio : "), GroupBox2);
  Label3->setObjectName(QStringLiteral("Label3"));
  Label3->setGeometry(16, 80, 130, 22);
  ComboAspectRatio = MakeEditableCombo(GroupBox2, "ComboAspectRatio");
  ComboAspectRatio->setGeometry(150, 78, 196, 24);
  Label3->setBuddy(ComboAspectRatio);

  // A pick from the list or a typed text changes the choice; programmatic
  // selections do not.
  connect(ComboLetterBox, &QComboBox::activated, this, &TForm4::ComboLetterBoxChange);
  connect(ComboLetterBox->lineEdit(), &QLineEdit::textEdited, this, &TForm4::ComboLetterBoxChange);
  connect(ComboAspectRatio, &QComboBox::activated, this, &TForm4::ComboAspectRatioChange);
  connect(ComboAspectRatio->lineEdit(), &QLineEdit::textEdited, this, &TForm4::ComboAspectRatioChange);

  Button1 = new QPushButton(QStringLiteral("Done"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setGeometry(150, 302, 90, 30);
  connect(Button1, &QPushButton::clicked, this, &TForm4::Button1Click);

  FormCreate();
}

void TForm4::FormCreate() {
  ApplyFontRule(this);
  try {
    LoadSettings();
  } catch (...) {
  }
  ComboAspectRatio->addItems(kAspectItems);
  ComboLetterBox->addItems(kLetterBoxItems);
  SelectQuietly(ComboAspectRatio, 0);
  SelectQuietly(ComboLetterBox, 0);
  if (main_.ComboLetterBox) SelectQuietly(ComboLetterBox, main_.ComboLetterBox->currentIndex());
  if (main_.ComboAspectRatio) SelectQuietly(ComboAspectRatio, main_.ComboAspectRatio->currentIndex());
}

TSettingsControls TForm4::SettingsControls() const {
  TSettingsControls c;
  c.EditOutputFolder = main_.EditOutputFolder;
  c.ComboOutputFormat = main_.ComboOutputFormat;
  c.CheckBoxOverWrite = CheckBoxOverWrite;
  c.SpinEdit1 = SpinEdit1;
  c.ComboLetterBox = main_.ComboLetterBox;
  c.ComboVideoQuality = main_.ComboVideoQuality;
  c.ComboAudioQuality = main_.ComboAudioQuality;
  return c;
}

bool TForm4::LoadSettings() { return ::LoadSettings(store_, SettingsControls()); }

bool TForm4::SaveSettings() { return ::SaveSettings(store_, SettingsControls()); }

int TForm4::DropDownItems() const { return SpinEdit1->Value(); }

void TForm4::SpinEdit1Change() {
  if (main_.ComboOutputFormat) main_.ComboOutputFormat->setMaxVisibleItems(std::max(1, SpinEdit1->Value()));
}

void TForm4::ComboLetterBoxChange() {
  if (main_.ComboLetterBox) main_.ComboLetterBox->setCurrentIndex(EditableIndex(ComboLetterBox));
}

void TForm4::ComboAspectRatioChange() {
  if (main_.ComboAspectRatio) main_.ComboAspectRatio->setCurrentIndex(EditableIndex(ComboAspectRatio));
}

void TForm4::Button1Click() { hide(); }

void TForm4::showEvent(QShowEvent *event) {
  if (QWidget *owner = parentWidget()) {
    const QRect r = owner->frameGeometry();
    move(r.center() - QPoint(width() / 2, height() / 2));
  }
  QDialog::showEvent(event);
}
