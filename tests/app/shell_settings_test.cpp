// The settings across program runs: what start-up loads, what closing the
// window saves and what "Exit" leaves alone.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include "spin_edit.h"
#include "window_fixture.h"

namespace {

QString Q(const char *s) { return QString::fromLatin1(s); }

class ShellSettings : public ::testing::Test {
 protected:
  TWindowRun run;

  void PlantAll(const QString &folder, int format, int overwrite, int dropDown, int letterBox, int vq, int aq) {
    auto raw = run.Stored();
    raw->setValue(Q("Output Folder"), folder);
    raw->setValue(Q("ComboOutputFormat"), format);
    raw->setValue(Q("Overwrite"), overwrite);
    raw->setValue(Q("DropDownItems"), dropDown);
    raw->setValue(Q("LetterBox"), letterBox);
    raw->setValue(Q("VideoQuality"), vq);
    raw->setValue(Q("AudioQuality"), aq);
  }
  // Picks an item of one of the dialog's combos as the user does.
  static void Pick(QComboBox *combo, int index) {
    combo->setCurrentIndex(index);
    emit combo->activated(index);
  }
};

TEST_F(ShellSettings, FirstRunStartsWithTheDefaultsAndCreatesEveryValue) {
  auto w = run.Start();
  EXPECT_TRUE(w->EditOutputFolder->text().isEmpty());
  EXPECT_EQ(w->ComboOutputFormat->currentIndex(), 0);
  EXPECT_FALSE(w->Form4->CheckBoxOverWrite->isChecked());
  EXPECT_EQ(w->Form4->SpinEdit1->Value(), 26);
  EXPECT_EQ(w->ComboLetterBox->currentText(), Q("None"));
  EXPECT_EQ(w->ComboVideoQuality->currentText(), Q("Normal"));
  EXPECT_EQ(w->ComboAudioQuality->currentText(), Q("Normal"));
  auto raw = run.Stored();
  EXPECT_EQ(raw->allKeys().size(), 7);
  EXPECT_EQ(raw->value(Q("Output Folder")).toString(), QString());
  EXPECT_EQ(raw->value(Q("ComboOutputFormat")).toInt(), 0);
  EXPECT_EQ(raw->value(Q("Overwrite")).toInt(), 0);
  EXPECT_EQ(raw->value(Q("DropDownItems")).toInt(), 26);
  EXPECT_EQ(raw->value(Q("LetterBox")).toInt(), 0);
  EXPECT_EQ(raw->value(Q("VideoQuality")).toInt(), 2);
  EXPECT_EQ(raw->value(Q("AudioQuality")).toInt(), 2);
}

TEST_F(ShellSettings, StoredChoicesComeBackAtStartUp) {
  PlantAll(Q("/videos/out"), 20, 1, 30, 1, 0, 4);
  auto w = run.Start();
  EXPECT_EQ(w->EditOutputFolder->text(), Q("/videos/out"));
  EXPECT_EQ(w->ComboOutputFormat->currentText(), Q("MP3 - Mpeg Layer3 Audio (*.mp3)"));
  EXPECT_EQ(w->OutputType, Q("MP3"));  // the show event loaded the stored profile
  EXPECT_TRUE(w->Form4->CheckBoxOverWrite->isChecked());
  EXPECT_EQ(w->ComboOutputFormat->maxVisibleItems(), 30);
  EXPECT_EQ(w->Form4->ComboLetterBox->currentText(), Q("LetterBox"));
  EXPECT_EQ(w->ComboVideoQuality->currentText(), Q("Highest"));
  EXPECT_EQ(w->ComboAudioQuality->currentText(), Q("Lowest"));
}

TEST_F(ShellSettings, DropDownItemsAreLimitedWhenLoaded) {
  PlantAll(QString(), 0, 0, 100, 0, 2, 2);
  {
    auto w = run.Start();
    EXPECT_EQ(w->Form4->SpinEdit1->Value(), 47);
    EXPECT_EQ(w->ComboOutputFormat->maxVisibleItems(), 47);
  }
  PlantAll(QString(), 0, 0, 10, 0, 2, 2);
  auto w = run.Start();
  EXPECT_EQ(w->Form4->SpinEdit1->Value(), 26);
  EXPECT_EQ(w->ComboOutputFormat->maxVisibleItems(), 26);
}

TEST_F(ShellSettings, ValueOfTheWrongTypeIsTreatedAsMissingAndRewritten) {
  PlantAll(Q("/videos/out"), 8, 1, 33, 1, 1, 1);
  run.Stored()->setValue(Q("Overwrite"), Q("sometimes"));
  auto w = run.Start();
  EXPECT_EQ(w->EditOutputFolder->text(), Q("/videos/out"));
  EXPECT_EQ(w->ComboOutputFormat->currentIndex(), 8);
  // Reading stopped at the bad value: the rest are the start-up defaults.
  EXPECT_FALSE(w->Form4->CheckBoxOverWrite->isChecked());
  EXPECT_EQ(w->Form4->SpinEdit1->Value(), 26);
  EXPECT_EQ(w->ComboLetterBox->currentIndex(), 0);
  auto raw = run.Stored();
  EXPECT_EQ(raw->value(Q("Overwrite")).toString(), Q("0"));
  EXPECT_EQ(raw->value(Q("DropDownItems")).toInt(), 26);
  EXPECT_EQ(raw->value(Q("LetterBox")).toInt(), 0);
  EXPECT_EQ(raw->value(Q("ComboOutputFormat")).toInt(), 8);
  EXPECT_EQ(raw->value(Q("Output Folder")).toString(), Q("/videos/out"));
}

TEST_F(ShellSettings, DeletedFormatKeepsTheFolderAndRewritesEverything) {
  PlantAll(Q("/videos/out"), 20, 1, 40, 1, 0, 0);
  run.Stored()->remove(Q("ComboOutputFormat"));
  auto w = run.Start();
  EXPECT_EQ(w->EditOutputFolder->text(), Q("/videos/out"));
  EXPECT_EQ(w->ComboOutputFormat->currentIndex(), 0);
  auto raw = run.Stored();
  EXPECT_EQ(raw->allKeys().size(), 7);
  EXPECT_EQ(raw->value(Q("Output Folder")).toString(), Q("/videos/out"));
  EXPECT_EQ(raw->value(Q("ComboOutputFormat")).toInt(), 0);
  EXPECT_EQ(raw->value(Q("Overwrite")).toInt(), 0);
  EXPECT_EQ(raw->value(Q("DropDownItems")).toInt(), 26);
  EXPECT_EQ(raw->value(Q("LetterBox")).toInt(), 0);
  EXPECT_EQ(raw->value(Q("VideoQuality")).toInt(), 2);
}

TEST_F(ShellSettings, LetterBoxSurvivesARestartButTheAspectRatioDoesNot) {
  {
    auto w = run.Start();
    w->SetGeneralOptions1->trigger();
    Pick(w->Form4->ComboLetterBox, 1);
    Pick(w->Form4->ComboAspectRatio, 2);
    EXPECT_EQ(w->ComboLetterBox->currentIndex(), 1);
    EXPECT_EQ(w->ComboAspectRatio->currentText(), Q("16:9 (Wide Screen)"));
    ASSERT_TRUE(w->close());
  }
  auto w = run.Start();
  EXPECT_EQ(w->Form4->ComboLetterBox->currentText(), Q("LetterBox"));
  EXPECT_EQ(w->ComboLetterBox->currentIndex(), 1);
  EXPECT_EQ(w->Form4->ComboAspectRatio->currentText(), Q("Original"));
  EXPECT_EQ(w->ComboAspectRatio->currentIndex(), 0);
}

TEST_F(ShellSettings, ExitAfterChangingTheFolderDoesNotSaveIt) {
  PlantAll(Q("/videos/old"), 0, 0, 26, 0, 2, 2);
  {
    auto w = run.Start();
    w->TerminateProgram = [] {};
    run.prompts.Folders = {Q("/videos/new")};
    w->ButtonBrowseForFolder->click();
    EXPECT_EQ(w->EditOutputFolder->text(), Q("/videos/new"));
    w->Exit1->trigger();
  }
  EXPECT_EQ(run.Stored()->value(Q("Output Folder")).toString(), Q("/videos/old"));
  {
    auto w = run.Start();
    EXPECT_EQ(w->EditOutputFolder->text(), Q("/videos/old"));
    // Closing with the close box saves it.
    run.prompts.Folders = {Q("/videos/new")};
    w->ButtonBrowseForFolder->click();
    ASSERT_TRUE(w->close());
  }
  EXPECT_EQ(run.Stored()->value(Q("Output Folder")).toString(), Q("/videos/new"));
}

TEST_F(ShellSettings, TypingInTheSpinEditSetsTheDropDownRowsAtOnce) {
  auto w = run.Start();
  w->SetGeneralOptions1->trigger();
  TSpinEdit *spin = w->Form4->SpinEdit1;
  spin->setFocus();
  QTest::keyClick(spin, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(spin, Q("30"));
  EXPECT_EQ(w->ComboOutputFormat->maxVisibleItems(), 30);
  ASSERT_TRUE(w->close());
  EXPECT_EQ(run.Stored()->value(Q("DropDownItems")).toInt(), 30);
}

}  // namespace
