// The "Additional Options" dialog: its controls, the settings it loads at
// creation, the drop-down length and the mirroring into the main window.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>

#include "layout_check.h"
#include "options_dialog.h"
#include "settings_store.h"
#include "spin_edit.h"
#include "test_env.h"

namespace {

QString Q(const char *s) { return QString::fromLatin1(s); }

// Stand-ins for the main window's controls, filled as its start-up does.
struct MainStandIn {
  QWidget window;
  QLineEdit folder{&window};
  QComboBox format{&window}, letterBox{&window}, aspect{&window}, videoQuality{&window}, audioQuality{&window};

  MainStandIn() {
    for (int i = 0; i < 47; ++i) format.addItem(QStringLiteral("Format %1").arg(i));
    format.setCurrentIndex(0);
    format.setMaxVisibleItems(25);
    letterBox.addItems({Q("None"), Q("LetterBox")});
    letterBox.setCurrentIndex(0);
    aspect.addItems({Q("Original"), Q("4:3 (Standard"), Q("16:9 (Wide Screen)")});
    aspect.setCurrentIndex(0);
    const QStringList levels{Q("Highest"), Q("Higher"), Q("Normal"), Q("Lower"), Q("Lowest")};
    videoQuality.addItems(levels);
    videoQuality.setCurrentIndex(2);
    audioQuality.addItems(levels);
    audioQuality.setCurrentIndex(2);
  }
  MainWindowControls controls() {
    MainWindowControls c;
    c.outputFolderEdit = &folder;
    c.profileCombo = &format;
    c.letterBoxCombo = &letterBox;
    c.aspectRatioCombo = &aspect;
    c.videoQualityCombo = &videoQuality;
    c.audioQualityCombo = &audioQuality;
    return c;
  }
};

class OptionsDialogTest : public ::testing::Test {
 protected:
  ScratchDir dir;
  QtSettingsStore store{QString::fromStdString(dir.path().string())};
  MainStandIn main;

  std::unique_ptr<OptionsDialog> create() { return std::make_unique<OptionsDialog>(&main.window, main.controls(), store); }
  std::unique_ptr<QSettings> rawSettings() {
    return std::make_unique<QSettings>(store.fileName(), QSettings::NativeFormat);
  }
  void typeInto(QWidget *w, const QString &text) {
    w->setFocus();
    QTest::keyClick(w, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(w, text);
  }
};

TEST_F(OptionsDialogTest, ControlsAndCaptions) {
  auto form = create();
  EXPECT_EQ(form->objectName(), Q("optionsDialog"));
  EXPECT_EQ(form->windowTitle(), Q("Additional Options"));
  // The design size, or the little more the desktop's font needs.
  EXPECT_GE(form->width(), 390);
  EXPECT_LT(form->width(), 390 + 60);
  EXPECT_EQ(form->height(), 351);
  form->show();
  EXPECT_TRUE(cutOffTexts(form.get()).isEmpty()) << cutOffTexts(form.get()).join(Q(", ")).toStdString();
  {
    ScaledAppFont larger(2.0);
    auto big = create();
    big->show();
    EXPECT_TRUE(cutOffTexts(big.get()).isEmpty()) << cutOffTexts(big.get()).join(Q(", ")).toStdString();
    EXPECT_GT(big->width(), form->width());
  }
  EXPECT_TRUE(form->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_FALSE(form->isModal());
  EXPECT_EQ(form->findChild<QGroupBox *>(Q("additionalOptionsBox"))->title(), Q(" Additional Options "));
  EXPECT_EQ(form->findChild<QCheckBox *>(Q("overwriteCheck"))->text(),
            Q("Overwrite Existing File With The Same Name"));
  EXPECT_EQ(form->findChild<QLabel *>(Q("dropDownItemsLabel"))->text(), Q("Drop Down Items in Output Format List"));
  EXPECT_EQ(form->findChild<QGroupBox *>(Q("generalVideoBox"))->title(), Q(" General Video Settings "));
  EXPECT_EQ(form->findChild<QLabel *>(Q("videoZoomLabel"))->text(), Q("Video Zoom : "));
  EXPECT_EQ(form->findChild<QLabel *>(Q("aspectRatioLabel"))->text(), Q("Video Aspect Ratio : "));
  EXPECT_EQ(form->findChild<QPushButton *>(Q("doneButton"))->text(), Q("Done"));
  auto *zoom = form->findChild<QComboBox *>(Q("letterBoxCombo"));
  auto *aspect = form->findChild<QComboBox *>(Q("aspectRatioCombo"));
  ASSERT_TRUE(zoom && aspect);
  EXPECT_TRUE(zoom->isEditable());
  EXPECT_TRUE(aspect->isEditable());
  EXPECT_EQ(zoom->count(), 2);
  EXPECT_EQ(zoom->itemText(1), Q("LetterBox"));
  EXPECT_EQ(aspect->itemText(1), Q("4:3 (Standard"));
  EXPECT_EQ(aspect->itemText(2), Q("16:9 (Wide Screen)"));
  EXPECT_EQ(form->dropDownItemsSpin->value(), 26);
  EXPECT_EQ(form->dropDownItemsSpin->minValue(), 26);
  EXPECT_EQ(form->dropDownItemsSpin->maxValue(), 47);
  // A list longer than 47 can be shown whole.
  for (int i = main.format.count(); i < 56; ++i) main.format.addItem(QStringLiteral("Format %1").arg(i));
  auto longer = create();
  EXPECT_EQ(longer->dropDownItemsSpin->maxValue(), 56);
  longer->dropDownItemsSpin->setValue(56);
  EXPECT_EQ(main.format.maxVisibleItems(), 56);
}

TEST_F(OptionsDialogTest, CreationLoadsTheSettingsAndShowsTheLetterBoxChoice) {
  {
    auto raw = rawSettings();
    raw->setValue(Q("Output Folder"), Q("/out"));
    raw->setValue(Q("ComboOutputFormat"), 9);
    raw->setValue(Q("Overwrite"), 1);
    raw->setValue(Q("DropDownItems"), 35);
    raw->setValue(Q("LetterBox"), 1);
    raw->setValue(Q("VideoQuality"), 1);
    raw->setValue(Q("AudioQuality"), 3);
  }
  auto form = create();
  EXPECT_EQ(main.folder.text(), Q("/out"));
  EXPECT_EQ(main.format.currentIndex(), 9);
  EXPECT_TRUE(form->overwriteCheck->isChecked());
  EXPECT_EQ(form->dropDownItemsSpin->value(), 35);
  // Setting the spin edit while loading sets the drop-down length.
  EXPECT_EQ(main.format.maxVisibleItems(), 35);
  EXPECT_EQ(main.letterBox.currentIndex(), 1);
  EXPECT_EQ(form->letterBoxCombo->currentText(), Q("LetterBox"));
  EXPECT_EQ(form->aspectRatioCombo->currentText(), Q("Original"));
  EXPECT_EQ(main.videoQuality.currentIndex(), 1);
  EXPECT_EQ(main.audioQuality.currentIndex(), 3);
}

TEST_F(OptionsDialogTest, TypedNumberSetsTheDropDownLengthAsTyped) {
  auto form = create();
  form->show();
  typeInto(form->dropDownItemsSpin, Q("30"));
  EXPECT_EQ(main.format.maxVisibleItems(), 30);
  EXPECT_EQ(form->dropDownItems(), 30);
  // Beyond the limits too: a typed number is used and saved as typed.
  typeInto(form->dropDownItemsSpin, Q("60"));
  EXPECT_EQ(main.format.maxVisibleItems(), 60);
  form->saveSettings();
  EXPECT_EQ(rawSettings()->value(Q("DropDownItems")).toInt(), 60);
  // The spin buttons keep to 26..47.
  form->dropDownItemsSpin->stepBy(1);
  EXPECT_EQ(form->dropDownItemsSpin->value(), 47);
  form->dropDownItemsSpin->setValue(26);
  form->dropDownItemsSpin->stepBy(-3);
  EXPECT_EQ(form->dropDownItemsSpin->value(), 26);
  EXPECT_EQ(main.format.maxVisibleItems(), 26);
  // A typed number that is no length drops down the minimum, and is saved
  // as typed.
  for (const char *typed : {"0", "-5"}) {
    typeInto(form->dropDownItemsSpin, Q(typed));
    EXPECT_EQ(main.format.maxVisibleItems(), 26) << typed;
    EXPECT_EQ(form->dropDownItems(), 26) << typed;
    form->saveSettings();
    EXPECT_EQ(rawSettings()->value(Q("DropDownItems")).toString(), Q(typed));
  }
  // Text that is not a number counts as the minimum.
  form->dropDownItemsSpin->findChild<QLineEdit *>()->setText(QString());
  EXPECT_EQ(form->dropDownItemsSpin->value(), 26);
}

TEST_F(OptionsDialogTest, ChoicesAreMirroredByIndex) {
  auto form = create();
  form->show();
  form->aspectRatioCombo->setCurrentIndex(2);
  emit form->aspectRatioCombo->activated(2);
  EXPECT_EQ(main.aspect.currentIndex(), 2);
  form->letterBoxCombo->setCurrentIndex(1);
  emit form->letterBoxCombo->activated(1);
  EXPECT_EQ(main.letterBox.currentIndex(), 1);

  // A typed text matching no item leaves the holder without a selection.
  typeInto(form->aspectRatioCombo, Q("2.35:1"));
  EXPECT_EQ(main.aspect.currentIndex(), -1);
  // A typed text equal to an item selects that item.
  typeInto(form->aspectRatioCombo, Q("original"));
  EXPECT_EQ(main.aspect.currentIndex(), 0);
  typeInto(form->letterBoxCombo, Q("Zoom"));
  EXPECT_EQ(main.letterBox.currentIndex(), -1);
}

TEST_F(OptionsDialogTest, DoneHidesTheDialogAndKeepsItsValues) {
  auto form = create();
  form->show();
  form->overwriteCheck->setChecked(true);
  QTest::mouseClick(form->doneButton, Qt::LeftButton);
  EXPECT_FALSE(form->isVisible());
  form->show();
  EXPECT_TRUE(form->overwriteCheck->isChecked());
}

}  // namespace
