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

#include "form4.h"
#include "settings_store.h"
#include "spin_edit.h"
#include "test_env.h"

namespace {

QString Q(const char *s) { return QString::fromLatin1(s); }

// Stand-ins for the main window's controls, filled as its start-up does.
struct TMainStandIn {
  QWidget window;
  QLineEdit folder{&window};
  QComboBox format{&window}, letterBox{&window}, aspect{&window}, videoQuality{&window}, audioQuality{&window};

  TMainStandIn() {
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
  TMainWindowControls Controls() {
    TMainWindowControls c;
    c.EditOutputFolder = &folder;
    c.ComboOutputFormat = &format;
    c.ComboLetterBox = &letterBox;
    c.ComboAspectRatio = &aspect;
    c.ComboVideoQuality = &videoQuality;
    c.ComboAudioQuality = &audioQuality;
    return c;
  }
};

class Form4Test : public ::testing::Test {
 protected:
  TScratchDir dir;
  TQtSettingsStore store{QString::fromStdString(dir.path().string())};
  TMainStandIn main;

  std::unique_ptr<TForm4> Create() { return std::make_unique<TForm4>(&main.window, main.Controls(), store); }
  std::unique_ptr<QSettings> Raw() {
    return std::make_unique<QSettings>(store.FileName(), QSettings::NativeFormat);
  }
  void TypeInto(QWidget *w, const QString &text) {
    w->setFocus();
    QTest::keyClick(w, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(w, text);
  }
};

TEST_F(Form4Test, ControlsAndCaptions) {
  auto form = Create();
  EXPECT_EQ(form->objectName(), Q("Form4"));
  EXPECT_EQ(form->windowTitle(), Q("Additional Options"));
  EXPECT_EQ(form->size(), QSize(390, 351));
  EXPECT_TRUE(form->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_FALSE(form->isModal());
  EXPECT_EQ(form->findChild<QGroupBox *>(Q("GroupBox1"))->title(), Q(" Additional Options "));
  EXPECT_EQ(form->findChild<QCheckBox *>(Q("CheckBoxOverWrite"))->text(),
            Q("Overwrite Existing File With The Same Name"));
  EXPECT_EQ(form->findChild<QLabel *>(Q("Label1"))->text(), Q("Drop Down Items in Output Format List"));
  EXPECT_EQ(form->findChild<QGroupBox *>(Q("GroupBox2"))->title(), Q(" General Video Settings "));
  EXPECT_EQ(form->findChild<QLabel *>(Q("Label2"))->text(), Q("Video Zoom : "));
  EXPECT_EQ(form->findChild<QLabel *>(Q("Label3"))->text(), Q("Video Aspect Ratio : "));
  EXPECT_EQ(form->findChild<QPushButton *>(Q("Button1"))->text(), Q("Done"));
  auto *zoom = form->findChild<QComboBox *>(Q("ComboLetterBox"));
  auto *aspect = form->findChild<QComboBox *>(Q("ComboAspectRatio"));
  ASSERT_TRUE(zoom && aspect);
  EXPECT_TRUE(zoom->isEditable());
  EXPECT_TRUE(aspect->isEditable());
  EXPECT_EQ(zoom->count(), 2);
  EXPECT_EQ(zoom->itemText(1), Q("LetterBox"));
  EXPECT_EQ(aspect->itemText(1), Q("4:3 (Standard"));
  EXPECT_EQ(aspect->itemText(2), Q("16:9 (Wide Screen)"));
  EXPECT_EQ(form->SpinEdit1->Value(), 26);
  EXPECT_EQ(form->SpinEdit1->MinValue(), 26);
  EXPECT_EQ(form->SpinEdit1->MaxValue(), 47);
}

TEST_F(Form4Test, CreationLoadsTheSettingsAndShowsTheLetterBoxChoice) {
  {
    auto raw = Raw();
    raw->setValue(Q("Output Folder"), Q("/out"));
    raw->setValue(Q("ComboOutputFormat"), 9);
    raw->setValue(Q("Overwrite"), 1);
    raw->setValue(Q("DropDownItems"), 35);
    raw->setValue(Q("LetterBox"), 1);
    raw->setValue(Q("VideoQuality"), 1);
    raw->setValue(Q("AudioQuality"), 3);
  }
  auto form = Create();
  EXPECT_EQ(main.folder.text(), Q("/out"));
  EXPECT_EQ(main.format.currentIndex(), 9);
  EXPECT_TRUE(form->CheckBoxOverWrite->isChecked());
  EXPECT_EQ(form->SpinEdit1->Value(), 35);
  // Setting the spin edit while loading sets the drop-down length.
  EXPECT_EQ(main.format.maxVisibleItems(), 35);
  EXPECT_EQ(main.letterBox.currentIndex(), 1);
  EXPECT_EQ(form->ComboLetterBox->currentText(), Q("LetterBox"));
  EXPECT_EQ(form->ComboAspectRatio->currentText(), Q("Original"));
  EXPECT_EQ(main.videoQuality.currentIndex(), 1);
  EXPECT_EQ(main.audioQuality.currentIndex(), 3);
}

TEST_F(Form4Test, TypedNumberSetsTheDropDownLengthAsTyped) {
  auto form = Create();
  form->show();
  TypeInto(form->SpinEdit1, Q("30"));
  EXPECT_EQ(main.format.maxVisibleItems(), 30);
  EXPECT_EQ(form->DropDownItems(), 30);
  // Beyond the limits too: a typed number is used and saved as typed.
  TypeInto(form->SpinEdit1, Q("60"));
  EXPECT_EQ(main.format.maxVisibleItems(), 60);
  form->SaveSettings();
  EXPECT_EQ(Raw()->value(Q("DropDownItems")).toInt(), 60);
  // The spin buttons keep to 26..47.
  form->SpinEdit1->stepBy(1);
  EXPECT_EQ(form->SpinEdit1->Value(), 47);
  form->SpinEdit1->SetValue(26);
  form->SpinEdit1->stepBy(-3);
  EXPECT_EQ(form->SpinEdit1->Value(), 26);
  EXPECT_EQ(main.format.maxVisibleItems(), 26);
  // Text that is not a number counts as the minimum.
  form->SpinEdit1->findChild<QLineEdit *>()->setText(QString());
  EXPECT_EQ(form->SpinEdit1->Value(), 26);
}

TEST_F(Form4Test, ChoicesAreMirroredByIndex) {
  auto form = Create();
  form->show();
  form->ComboAspectRatio->setCurrentIndex(2);
  emit form->ComboAspectRatio->activated(2);
  EXPECT_EQ(main.aspect.currentIndex(), 2);
  form->ComboLetterBox->setCurrentIndex(1);
  emit form->ComboLetterBox->activated(1);
  EXPECT_EQ(main.letterBox.currentIndex(), 1);

  // A typed text matching no item leaves the holder without a selection.
  TypeInto(form->ComboAspectRatio, Q("2.35:1"));
  EXPECT_EQ(main.aspect.currentIndex(), -1);
  // A typed text equal to an item selects that item.
  TypeInto(form->ComboAspectRatio, Q("original"));
  EXPECT_EQ(main.aspect.currentIndex(), 0);
  TypeInto(form->ComboLetterBox, Q("Zoom"));
  EXPECT_EQ(main.letterBox.currentIndex(), -1);
}

TEST_F(Form4Test, DoneHidesTheDialogAndKeepsItsValues) {
  auto form = Create();
  form->show();
  form->CheckBoxOverWrite->setChecked(true);
  QTest::mouseClick(form->Button1, Qt::LeftButton);
  EXPECT_FALSE(form->isVisible());
  form->show();
  EXPECT_TRUE(form->CheckBoxOverWrite->isChecked());
}

}  // namespace
