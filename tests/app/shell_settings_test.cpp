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
  WindowRun run;

  void plantAll(const QString &folder, int format, int overwrite, int dropDown, int letterBox, int vq, int aq) {
    auto raw = run.stored();
    raw->setValue(Q("Output Folder"), folder);
    raw->setValue(Q("ComboOutputFormat"), format);
    raw->setValue(Q("Overwrite"), overwrite);
    raw->setValue(Q("DropDownItems"), dropDown);
    raw->setValue(Q("LetterBox"), letterBox);
    raw->setValue(Q("VideoQuality"), vq);
    raw->setValue(Q("AudioQuality"), aq);
  }
  // Picks an item of one of the dialog's combos as the user does.
  static void pick(QComboBox *combo, int index) {
    combo->setCurrentIndex(index);
    emit combo->activated(index);
  }
};

TEST_F(ShellSettings, FirstRunStartsWithTheDefaultsAndCreatesEveryValue) {
  auto w = run.start();
  EXPECT_TRUE(w->outputFolderEdit->text().isEmpty());
  EXPECT_EQ(w->profileCombo->currentIndex(), 0);
  EXPECT_FALSE(w->optionsDialog->overwriteCheck->isChecked());
  EXPECT_EQ(w->optionsDialog->dropDownItemsSpin->value(), 26);
  EXPECT_EQ(w->letterBoxCombo->currentText(), Q("None"));
  EXPECT_EQ(w->videoQualityCombo->currentText(), Q("Normal"));
  EXPECT_EQ(w->audioQualityCombo->currentText(), Q("Normal"));
  auto raw = run.stored();
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
  plantAll(Q("/videos/out"), 20, 1, 30, 1, 0, 4);
  auto w = run.start();
  EXPECT_EQ(w->outputFolderEdit->text(), Q("/videos/out"));
  EXPECT_EQ(w->profileCombo->currentText(), Q("MP3 - Mpeg Layer3 Audio (*.mp3)"));
  EXPECT_EQ(w->outputType, Q("MP3"));  // the show event loaded the stored profile
  EXPECT_TRUE(w->optionsDialog->overwriteCheck->isChecked());
  EXPECT_EQ(w->profileCombo->maxVisibleItems(), 30);
  EXPECT_EQ(w->optionsDialog->letterBoxCombo->currentText(), Q("LetterBox"));
  EXPECT_EQ(w->videoQualityCombo->currentText(), Q("Highest"));
  EXPECT_EQ(w->audioQualityCombo->currentText(), Q("Lowest"));
}

TEST_F(ShellSettings, DropDownItemsAreLimitedWhenLoaded) {
  plantAll(QString(), 0, 0, 100, 0, 2, 2);
  {
    auto w = run.start();
    // At most the whole format list.
    const int whole = w->profileCombo->count();
    EXPECT_EQ(w->optionsDialog->dropDownItemsSpin->value(), whole);
    EXPECT_EQ(w->profileCombo->maxVisibleItems(), whole);
  }
  plantAll(QString(), 0, 0, 10, 0, 2, 2);
  auto w = run.start();
  EXPECT_EQ(w->optionsDialog->dropDownItemsSpin->value(), 26);
  EXPECT_EQ(w->profileCombo->maxVisibleItems(), 26);
}

// Stored lengths that are no length, or too long: the spin edit shows the
// nearest limit, the list drops down that many rows from the moment the
// settings are loaded, and the limit is what is saved again.
TEST_F(ShellSettings, StoredDropDownLengthsOutsideTheLimits) {
  const int whole = -1;  // the whole format list
  const std::pair<int, int> cases[] = {{0, 26}, {-5, 26}, {-2147483647, 26}, {1000, whole}, {2147483647, whole}};
  for (auto [stored, limit] : cases) {
    SCOPED_TRACE(stored);
    plantAll(QString(), 0, 0, stored, 0, 2, 2);
    auto w = run.start(false);
    const int shown = limit == whole ? w->profileCombo->count() : limit;
    EXPECT_EQ(w->optionsDialog->dropDownItemsSpin->text(), QString::number(shown));
    EXPECT_EQ(w->profileCombo->maxVisibleItems(), shown);  // before the window is shown too
    w->show();
    EXPECT_EQ(w->profileCombo->maxVisibleItems(), shown);
    ASSERT_TRUE(w->close());
    EXPECT_EQ(run.stored()->value(Q("DropDownItems")).toInt(), shown);
  }
}

TEST_F(ShellSettings, ValueOfTheWrongTypeIsTreatedAsMissingAndRewritten) {
  plantAll(Q("/videos/out"), 8, 1, 33, 1, 1, 1);
  run.stored()->setValue(Q("Overwrite"), Q("sometimes"));
  auto w = run.start();
  EXPECT_EQ(w->outputFolderEdit->text(), Q("/videos/out"));
  EXPECT_EQ(w->profileCombo->currentIndex(), 8);
  // Reading stopped at the bad value: the rest are the start-up defaults.
  EXPECT_FALSE(w->optionsDialog->overwriteCheck->isChecked());
  EXPECT_EQ(w->optionsDialog->dropDownItemsSpin->value(), 26);
  EXPECT_EQ(w->letterBoxCombo->currentIndex(), 0);
  auto raw = run.stored();
  EXPECT_EQ(raw->value(Q("Overwrite")).toString(), Q("0"));
  EXPECT_EQ(raw->value(Q("DropDownItems")).toInt(), 26);
  EXPECT_EQ(raw->value(Q("LetterBox")).toInt(), 0);
  EXPECT_EQ(raw->value(Q("ComboOutputFormat")).toInt(), 8);
  EXPECT_EQ(raw->value(Q("Output Folder")).toString(), Q("/videos/out"));
}

TEST_F(ShellSettings, DeletedFormatKeepsTheFolderAndRewritesEverything) {
  plantAll(Q("/videos/out"), 20, 1, 40, 1, 0, 0);
  run.stored()->remove(Q("ComboOutputFormat"));
  auto w = run.start();
  EXPECT_EQ(w->outputFolderEdit->text(), Q("/videos/out"));
  EXPECT_EQ(w->profileCombo->currentIndex(), 0);
  auto raw = run.stored();
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
    auto w = run.start();
    w->setOptionsAction->trigger();
    pick(w->optionsDialog->letterBoxCombo, 1);
    pick(w->optionsDialog->aspectRatioCombo, 2);
    EXPECT_EQ(w->letterBoxCombo->currentIndex(), 1);
    EXPECT_EQ(w->aspectRatioCombo->currentText(), Q("16:9 (Wide Screen)"));
    ASSERT_TRUE(w->close());
  }
  auto w = run.start();
  EXPECT_EQ(w->optionsDialog->letterBoxCombo->currentText(), Q("LetterBox"));
  EXPECT_EQ(w->letterBoxCombo->currentIndex(), 1);
  EXPECT_EQ(w->optionsDialog->aspectRatioCombo->currentText(), Q("Original"));
  EXPECT_EQ(w->aspectRatioCombo->currentIndex(), 0);
}

TEST_F(ShellSettings, ExitAfterChangingTheFolderDoesNotSaveIt) {
  plantAll(Q("/videos/old"), 0, 0, 26, 0, 2, 2);
  {
    auto w = run.start();
    w->terminateProgram = [] {};
    run.prompts.folders = {Q("/videos/new")};
    w->chooseFolderButton->click();
    EXPECT_EQ(w->outputFolderEdit->text(), Q("/videos/new"));
    w->exitAction->trigger();
  }
  EXPECT_EQ(run.stored()->value(Q("Output Folder")).toString(), Q("/videos/old"));
  {
    auto w = run.start();
    EXPECT_EQ(w->outputFolderEdit->text(), Q("/videos/old"));
    // Closing with the close box saves it.
    run.prompts.folders = {Q("/videos/new")};
    w->chooseFolderButton->click();
    ASSERT_TRUE(w->close());
  }
  EXPECT_EQ(run.stored()->value(Q("Output Folder")).toString(), Q("/videos/new"));
}

TEST_F(ShellSettings, TypingInTheSpinEditSetsTheDropDownRowsAtOnce) {
  auto w = run.start();
  w->setOptionsAction->trigger();
  SpinEdit *spin = w->optionsDialog->dropDownItemsSpin;
  spin->setFocus();
  QTest::keyClick(spin, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(spin, Q("30"));
  EXPECT_EQ(w->profileCombo->maxVisibleItems(), 30);
  ASSERT_TRUE(w->close());
  EXPECT_EQ(run.stored()->value(Q("DropDownItems")).toInt(), 30);
}

}  // namespace

