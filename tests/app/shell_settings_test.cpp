// The settings across program runs: what start-up loads, what closing the
// window saves and what "Exit" leaves alone.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>
#include <tuple>

#include "spin_edit.h"
#include "window_fixture.h"

namespace {

class ShellSettings : public ::testing::Test {
 protected:
  WindowRun run;

  void plantAll(const QString &folder, int format, int overwrite, int dropDown, int letterBox, int vq, int aq) {
    auto raw = run.stored();
    for (const auto &[key, value] : std::initializer_list<std::pair<const char *, QVariant>>{
             {"Output Folder", folder}, {"ComboOutputFormat", format}, {"Overwrite", overwrite},
             {"DropDownItems", dropDown}, {"LetterBox", letterBox}, {"VideoQuality", vq}, {"AudioQuality", aq}})
      raw->setValue(Q(key), value);
  }
  // Each of `values` is in the settings file as given.
  void expectStored(std::initializer_list<std::pair<const char *, QVariant>> values) {
    auto raw = run.stored();
    for (const auto &[key, value] : values) EXPECT_EQ(raw->value(Q(key)).toString(), value.toString()) << key;
  }
  // What the "Additional Options" dialog shows.
  static QCheckBox *check(MainWindow &w, const char *name) {
    return control<QCheckBox>(*control<OptionsDialog>(w, "optionsDialog"), name);
  }
  static QComboBox *combo(MainWindow &w, const char *name) {
    return control<QComboBox>(*control<OptionsDialog>(w, "optionsDialog"), name);
  }
  static SpinEdit *spin(MainWindow &w) {
    return control<SpinEdit>(*control<OptionsDialog>(w, "optionsDialog"), "dropDownItemsSpin");
  }
  // What the window and its dialog show of the stored values, in the file's
  // order: the output folder, the profile's item, overwrite, the drop-down
  // length, the zoom, the two quality levels.
  static auto shown(MainWindow &w) {
    return std::tuple(control<QLineEdit>(w, "outputFolderEdit")->text(),
                      control<QComboBox>(w, "profileCombo")->currentIndex(), check(w, "overwriteCheck")->isChecked(),
                      spin(w)->value(), combo(w, "letterBoxCombo")->currentText(),
                      control<QComboBox>(w, "videoQualityCombo")->currentText(),
                      control<QComboBox>(w, "audioQualityCombo")->currentText());
  }
};

TEST_F(ShellSettings, FirstRunStartsWithTheDefaultsAndCreatesEveryValue) {
  auto w = run.start();
  EXPECT_EQ(shown(*w), std::tuple(QString(), 0, false, 26, Q("None"), Q("Normal"), Q("Normal")));
  EXPECT_TRUE(check(*w, "keepMetadataCheck")->isChecked());
  EXPECT_TRUE(run.prompts.messages.isEmpty());
  EXPECT_EQ(run.stored()->allKeys().size(), 9);
  expectStored({{"KeepMetadata", 1}, {"Output Folder", QString()}, {"ComboOutputFormat", 0}, {"Overwrite", 0},
                {"DropDownItems", 26}, {"LetterBox", 0}, {"VideoQuality", 2}, {"AudioQuality", 2}});
}

TEST_F(ShellSettings, StoredChoicesComeBackAtStartUp) {
  plantAll(Q("/videos/out"), 20, 1, 30, 1, 0, 4);
  auto w = run.start();
  EXPECT_EQ(shown(*w), std::tuple(Q("/videos/out"), 20, true, 30, Q("LetterBox"), Q("Highest"), Q("Lowest")));
  EXPECT_EQ(control<QComboBox>(*w, "profileCombo")->currentText(), Q("MP3 - Mpeg Layer3 Audio (*.mp3)"));
  EXPECT_EQ(profileFormatName(w->settings().profileId), "MP3");
  EXPECT_EQ(w->settings().choices.comboAudioBitrate.text(), "64 Kbps");  // the stored profile's lowest level
  EXPECT_EQ(control<QComboBox>(*w, "profileCombo")->maxVisibleItems(), 30);
}

TEST_F(ShellSettings, DropDownItemsAreLimitedWhenLoaded) {
  plantAll(QString(), 0, 0, 100, 0, 2, 2);
  {
    auto w = run.start();
    // At most the whole format list.
    const int whole = control<QComboBox>(*w, "profileCombo")->count();
    EXPECT_EQ(spin(*w)->value(), whole);
    EXPECT_EQ(control<QComboBox>(*w, "profileCombo")->maxVisibleItems(), whole);
  }
  plantAll(QString(), 0, 0, 10, 0, 2, 2);
  auto w = run.start();
  EXPECT_EQ(spin(*w)->value(), 26);
  EXPECT_EQ(control<QComboBox>(*w, "profileCombo")->maxVisibleItems(), 26);
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
    const int shown = limit == whole ? control<QComboBox>(*w, "profileCombo")->count() : limit;
    EXPECT_EQ(spin(*w)->text(), QString::number(shown));
    EXPECT_EQ(control<QComboBox>(*w, "profileCombo")->maxVisibleItems(), shown);  // before the window is shown too
    w->show();
    EXPECT_EQ(control<QComboBox>(*w, "profileCombo")->maxVisibleItems(), shown);
    ASSERT_TRUE(w->close());
    EXPECT_EQ(run.stored()->value(Q("DropDownItems")).toInt(), shown);
  }
}

// A bad value in the middle takes its own default; the others are kept.
TEST_F(ShellSettings, ValueOfTheWrongTypeTakesItsDefaultAndIsRewritten) {
  plantAll(Q("/videos/out"), 8, 1, 33, 1, 1, 1);
  run.stored()->setValue(Q("Overwrite"), Q("sometimes"));
  run.stored()->setValue(Q("Stray"), Q("junk"));
  auto w = run.start();
  EXPECT_EQ(shown(*w), std::tuple(Q("/videos/out"), 8, false, 33, Q("LetterBox"), Q("Higher"), Q("Higher")));
  EXPECT_EQ(w->settings().letterBox, 1);
  EXPECT_TRUE(run.prompts.messages.isEmpty());
  expectStored({{"Overwrite", Q("0")}, {"DropDownItems", 33}, {"LetterBox", 1}, {"ComboOutputFormat", 8},
                {"Output Folder", Q("/videos/out")}});
  EXPECT_FALSE(run.stored()->contains(Q("Stray")));
}

TEST_F(ShellSettings, DeletedFormatIsTheFirstProfileAndTheRestAreKept) {
  plantAll(Q("/videos/out"), 20, 1, 40, 1, 0, 0);
  run.stored()->remove(Q("ComboOutputFormat"));
  auto w = run.start();
  EXPECT_EQ(control<QLineEdit>(*w, "outputFolderEdit")->text(), Q("/videos/out"));
  EXPECT_EQ(control<QComboBox>(*w, "profileCombo")->currentIndex(), 0);
  EXPECT_EQ(run.stored()->allKeys().size(), 9);
  expectStored({{"Output Folder", Q("/videos/out")}, {"ComboOutputFormat", 0}, {"Overwrite", 1}, {"DropDownItems", 40},
                {"LetterBox", 1}, {"VideoQuality", 0}});
}

// A profile index past the list (or before it) shows the first profile with
// its choices, and Start can convert with it; quality levels out of range
// show "Normal".
TEST_F(ShellSettings, IndexesOutOfRangeShowTheirDefaults) {
  for (int format : {1000, -3}) {
    SCOPED_TRACE(format);
    plantAll(QString(), format, 0, 26, 0, 9, -1);
    auto w = run.start();
    EXPECT_EQ(shown(*w), std::tuple(QString(), 0, false, 26, Q("None"), Q("Normal"), Q("Normal")));
    EXPECT_EQ(control<QComboBox>(*w, "profileCombo")->currentText(), Q("3GP - Mobile Video Format (*.3gp)"));
    EXPECT_GT(control<QComboBox>(*w, "videoSizeCombo")->count(), 0);
    EXPECT_FALSE(w->settings().choices.comboVideoBitrate.text().empty());
    EXPECT_TRUE(control<QToolButton>(*w, "startButton")->isEnabled());
    EXPECT_EQ(run.stored()->value(Q("ComboOutputFormat")).toInt(), 0);
  }
}

// Settings that cannot be read (a folder where the file should be) or kept
// (a location below a regular file): the defaults, and one message.
TEST_F(ShellSettings, UnusableSettingsAreToldOnce) {
  QtSettingsStore store(run.settingsFolder());
  ASSERT_TRUE(QDir().mkpath(store.fileName()));
  {
    auto w = run.start();
    EXPECT_EQ(control<QComboBox>(*w, "profileCombo")->currentIndex(), 0);
    ASSERT_EQ(run.prompts.messages.size(), 1);
    EXPECT_TRUE(run.prompts.messages[0].startsWith(Q("The settings could not be read from \"")));
    ASSERT_TRUE(w->close());
    EXPECT_EQ(run.prompts.messages.size(), 1);
  }
  EXPECT_TRUE(QFileInfo(store.fileName()).isDir());
  run.prompts.messages.clear();
  QFile blocker(QDir(run.settingsFolder()).filePath(Q("blocker")));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  WindowRun blocked;
  blocked.folderOverride = QDir(run.settingsFolder()).filePath(Q("blocker/inside"));
  auto w = blocked.start();
  ASSERT_EQ(blocked.prompts.messages.size(), 1);
  EXPECT_TRUE(blocked.prompts.messages[0].contains(Q("could not be saved")));
  ASSERT_TRUE(w->close());
  EXPECT_EQ(blocked.prompts.messages.size(), 1);
}

TEST_F(ShellSettings, LetterBoxSurvivesARestartButTheAspectRatioDoesNot) {
  {
    auto w = run.start();
    control<QAction>(*w, "setOptionsAction")->trigger();
    chooseItem(combo(*w, "letterBoxCombo"), Q("LetterBox"));
    chooseItem(combo(*w, "aspectRatioCombo"), Q("16:9 (Wide Screen)"));
    EXPECT_EQ(w->settings().letterBox, 1);
    EXPECT_EQ(w->settings().choices.comboAspectRatio.text(), "16:9 (Wide Screen)");
    ASSERT_TRUE(w->close());
  }
  auto w = run.start();
  EXPECT_EQ(combo(*w, "letterBoxCombo")->currentText(), Q("LetterBox"));
  EXPECT_EQ(w->settings().letterBox, 1);
  EXPECT_EQ(combo(*w, "aspectRatioCombo")->currentText(), Q("Original"));
  EXPECT_EQ(w->settings().choices.comboAspectRatio.itemIndex, 0);
}

TEST_F(ShellSettings, ExitAfterChangingTheFolderDoesNotSaveIt) {
  plantAll(Q("/videos/old"), 0, 0, 26, 0, 2, 2);
  {
    auto w = run.start();
    w->setTerminateProgram([] {});
    run.prompts.folders = {Q("/videos/new")};
    control<QToolButton>(*w, "chooseFolderButton")->click();
    EXPECT_EQ(control<QLineEdit>(*w, "outputFolderEdit")->text(), Q("/videos/new"));
    control<QAction>(*w, "exitAction")->trigger();
  }
  EXPECT_EQ(run.stored()->value(Q("Output Folder")).toString(), Q("/videos/old"));
  {
    auto w = run.start();
    EXPECT_EQ(control<QLineEdit>(*w, "outputFolderEdit")->text(), Q("/videos/old"));
    // Closing with the close box saves it.
    run.prompts.folders = {Q("/videos/new")};
    control<QToolButton>(*w, "chooseFolderButton")->click();
    ASSERT_TRUE(w->close());
  }
  EXPECT_EQ(run.stored()->value(Q("Output Folder")).toString(), Q("/videos/new"));
}

TEST_F(ShellSettings, TypingInTheSpinEditSetsTheDropDownRowsAtOnce) {
  auto w = run.start();
  control<QAction>(*w, "setOptionsAction")->trigger();
  SpinEdit *items = spin(*w);
  items->setFocus();
  QTest::keyClick(items, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(items, Q("30"));
  EXPECT_EQ(control<QComboBox>(*w, "profileCombo")->maxVisibleItems(), 30);
  ASSERT_TRUE(w->close());
  EXPECT_EQ(run.stored()->value(Q("DropDownItems")).toInt(), 30);
}

}  // namespace

