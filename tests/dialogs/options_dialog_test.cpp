// The "Additional Options" dialog: its controls, the settings it loads at
// creation, the drop-down length and the settings record it edits.
#include "options_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QValidator>

#include "layout_check.h"
#include "settings.h"
#include "spin_edit.h"
#include "test_env.h"

namespace {

class OptionsDialogTest : public ::testing::Test {
 protected:
  QWidget window;
  ConversionSettings settings;
  int edits = 0;

  std::unique_ptr<OptionsDialog> create() {
    auto form = std::make_unique<OptionsDialog>(&window, settings);
    QObject::connect(form.get(), &OptionsDialog::settingsEdited, [this] { ++edits; });
    return form;
  }
  template <typename T>
  static T *control(OptionsDialog &form, const char *name) {
    T *c = form.findChild<T *>(Q(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
  }
  static SpinEdit *spin(OptionsDialog &form) { return control<SpinEdit>(form, "dropDownItemsSpin"); }
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
  EXPECT_EQ(form->height(), 391);
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
  const std::pair<const char *, const char *> captions[] = {
      {"additionalOptionsBox", " Additional Options "},
      {"overwriteCheck", "Overwrite Existing File With The Same Name"},
      {"keepMetadataCheck", "Keep the recording date, place and camera"},
      {"dropDownItemsLabel", "Drop Down Items in Output Format List"},
      {"simultaneousLabel", "Simultaneous conversions"}, {"generalVideoBox", " General Video Settings "},
      {"videoZoomLabel", "Video Zoom : "}, {"aspectRatioLabel", "Video Aspect Ratio : "}, {"doneButton", "Done"}};
  for (const auto &[name, caption] : captions) EXPECT_EQ(captionOf(*form, name), Q(caption)) << name;
  auto *zoom = form->findChild<QComboBox *>(Q("letterBoxCombo"));
  auto *aspect = form->findChild<QComboBox *>(Q("aspectRatioCombo"));
  ASSERT_TRUE(zoom && aspect);
  EXPECT_TRUE(zoom->isEditable());
  EXPECT_TRUE(aspect->isEditable());
  EXPECT_EQ(itemTexts(zoom), QStringList({"None", "LetterBox"}));
  EXPECT_EQ(itemTexts(aspect), QStringList({"Original", "4:3 (Standard", "16:9 (Wide Screen)"}));
  EXPECT_EQ(spin(*form)->value(), 26);
  EXPECT_EQ(spin(*form)->minValue(), 26);
  // The whole format list, longer than 47, can be shown.
  EXPECT_EQ(spin(*form)->maxValue(), 56);
  spin(*form)->setValue(56);
  EXPECT_EQ(settings.dropDownItems, 56);
  EXPECT_EQ(form->dropDownItems(), 56);
}

// The dialog shows the record it was given (the window loads it first).
TEST_F(OptionsDialogTest, CreationShowsTheSettingsAndTheLetterBoxChoice) {
  settings.overwrite = true;
  settings.keepMetadata = false;
  settings.dropDownItems = 35;
  settings.letterBox = 1;
  auto form = create();
  EXPECT_TRUE(control<QCheckBox>(*form, "overwriteCheck")->isChecked());
  EXPECT_FALSE(control<QCheckBox>(*form, "keepMetadataCheck")->isChecked());
  EXPECT_EQ(spin(*form)->value(), 35);
  EXPECT_EQ(form->dropDownItems(), 35);
  EXPECT_EQ(control<QComboBox>(*form, "letterBoxCombo")->currentText(), Q("LetterBox"));
  EXPECT_EQ(control<QComboBox>(*form, "aspectRatioCombo")->currentText(), Q("Original"));
  EXPECT_EQ(control<QComboBox>(*form, "simultaneousCombo")->currentText(), Q("1"));
  EXPECT_EQ(edits, 0);
  // Shown again after a change elsewhere.
  settings.simultaneous = 0;
  form->showSettings();
  EXPECT_EQ(control<QComboBox>(*form, "simultaneousCombo")->currentText(), Q("Auto"));
  settings.letterBox = 0;
  settings.choices.comboAspectRatio.itemIndex = 2;
  form->showSettings();
  EXPECT_EQ(control<QComboBox>(*form, "letterBoxCombo")->currentText(), Q("None"));
  EXPECT_EQ(control<QComboBox>(*form, "aspectRatioCombo")->currentText(), Q("16:9 (Wide Screen)"));
  EXPECT_EQ(edits, 0);
}

TEST_F(OptionsDialogTest, TypedNumberSetsTheDropDownLengthAsTyped) {
  auto form = create();
  form->show();
  SpinEdit *items = spin(*form);
  typeInto(items, Q("30"));
  EXPECT_EQ(settings.dropDownItems, 30);
  EXPECT_EQ(form->dropDownItems(), 30);
  EXPECT_GT(edits, 0);
  // Beyond the limits too: a typed number is used and saved as typed.
  typeInto(items, Q("60"));
  EXPECT_EQ(settings.dropDownItems, 60);
  EXPECT_EQ(form->dropDownItems(), 60);
  // The spin buttons keep to 26..56.
  items->stepBy(1);
  EXPECT_EQ(items->value(), 56);
  items->setValue(26);
  items->stepBy(-3);
  EXPECT_EQ(items->value(), 26);
  EXPECT_EQ(form->dropDownItems(), 26);
  // A typed number that is no length drops down the minimum, and is kept
  // as typed.
  for (int typed : {0, -5}) {
    typeInto(items, QString::number(typed));
    EXPECT_EQ(form->dropDownItems(), 26) << typed;
    EXPECT_EQ(settings.dropDownItems, typed);
  }
  // Text that is not a number counts as the minimum.
  items->findChild<QLineEdit *>()->setText(QString());
  EXPECT_EQ(items->value(), 26);
}

TEST_F(OptionsDialogTest, ChoicesGoIntoTheSettingsByIndex) {
  auto form = create();
  form->show();
  auto *aspect = control<QComboBox>(*form, "aspectRatioCombo");
  auto *zoom = control<QComboBox>(*form, "letterBoxCombo");
  aspect->setCurrentIndex(2);
  emit aspect->activated(2);
  EXPECT_EQ(settings.choices.comboAspectRatio.itemIndex, 2);
  zoom->setCurrentIndex(1);
  emit zoom->activated(1);
  EXPECT_EQ(settings.letterBox, 1);
  // "1" ... "8", then "Auto" (0).
  auto *jobs = control<QComboBox>(*form, "simultaneousCombo");
  ASSERT_EQ(jobs->count(), 9);
  for (const auto &[item, value] : {std::pair{8, 0}, std::pair{2, 3}, std::pair{0, 1}}) {
    jobs->setCurrentIndex(item);
    emit jobs->activated(item);
    EXPECT_EQ(settings.simultaneous, value) << jobs->currentText().toStdString();
  }

  // A text that is no item's is refused as it is typed: the choice stays.
  typeInto(aspect, Q("Banana"));
  EXPECT_EQ(aspect->currentText(), Q("16:9 (Wide Screen)"));
  EXPECT_EQ(settings.choices.comboAspectRatio.itemIndex, 2);
  // A typed text equal to an item selects that item.
  typeInto(aspect, Q("original"));
  EXPECT_EQ(settings.choices.comboAspectRatio.itemIndex, 0);
  typeInto(zoom, Q("Zoom"));
  EXPECT_EQ(zoom->currentText(), Q("LetterBox"));
  EXPECT_EQ(settings.letterBox, 1);

  // What each box takes: an item in any case, the start of one while it is
  // typed, nothing else.
  const struct {
    QComboBox *box;
    const char *text;
    QValidator::State state;
  } cases[] = {{zoom, "Banana", QValidator::Invalid},      {zoom, "letterbox", QValidator::Acceptable},
               {zoom, "Let", QValidator::Intermediate},    {zoom, "", QValidator::Intermediate},
               {zoom, "None ", QValidator::Invalid},       {aspect, "4:3 (Standard", QValidator::Acceptable},
               {aspect, "4:3 (Standard)", QValidator::Invalid}, {aspect, "2.35:1", QValidator::Invalid}};
  for (const auto &c : cases) {
    QString text = Q(c.text);
    int pos = static_cast<int>(text.size());
    ASSERT_NE(c.box->validator(), nullptr);
    EXPECT_EQ(c.box->validator()->validate(text, pos), c.state) << c.text;
  }
}

TEST_F(OptionsDialogTest, DoneHidesTheDialogAndKeepsItsValues) {
  auto form = create();
  form->show();
  auto *keep = control<QCheckBox>(*form, "keepMetadataCheck");
  QTest::mouseClick(control<QCheckBox>(*form, "overwriteCheck"), Qt::LeftButton);
  QTest::mouseClick(keep, Qt::LeftButton);
  EXPECT_TRUE(settings.overwrite);
  EXPECT_FALSE(settings.keepMetadata);
  QTest::mouseClick(control<QPushButton>(*form, "doneButton"), Qt::LeftButton);
  EXPECT_FALSE(form->isVisible());
  form->show();
  EXPECT_TRUE(control<QCheckBox>(*form, "overwriteCheck")->isChecked());
  EXPECT_FALSE(keep->isChecked());
}

}  // namespace
