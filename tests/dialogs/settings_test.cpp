// The settings store and the load/save rules over the controls they fill.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QSettings>

#include "settings.h"
#include "settings_store.h"
#include "spin_edit.h"
#include "test_env.h"

namespace {

QString Q(const char *s) { return QString::fromLatin1(s); }

// The file behind a store in `folder`, opened directly for checks and for
// planting odd values.
std::unique_ptr<QSettings> rawFile(const ScratchDir &dir) {
  QtSettingsStore store(QString::fromStdString(dir.path().string()));
  return std::make_unique<QSettings>(store.fileName(), QSettings::NativeFormat);
}

TEST(SettingsStore, LivesUnderTheRedirectedFolderWithTheProgramsNames) {
  ScratchDir dir;
  QtSettingsStore store(QString::fromStdString(dir.path().string()));
  EXPECT_EQ(store.fileName(),
            QString::fromStdString(dir.file("Trevix/Trevix MOV Video Converter.conf")));
}

TEST(SettingsStore, ValuesReadBackWithTheirTypes) {
  ScratchDir dir;
  QtSettingsStore store(QString::fromStdString(dir.path().string()));
  ASSERT_TRUE(store.openKey());
  EXPECT_TRUE(store.writeString(Q("Output Folder"), Q("/tmp/out, with comma")));
  EXPECT_TRUE(store.writeInteger(Q("DropDownItems"), 31));
  EXPECT_TRUE(store.writeInteger(Q("LetterBox"), -1));
  store.closeKey();

  QtSettingsStore again(QString::fromStdString(dir.path().string()));
  ASSERT_TRUE(again.openKey());
  QString s;
  int32_t n = 0;
  EXPECT_TRUE(again.readString(Q("Output Folder"), s));
  EXPECT_EQ(s, Q("/tmp/out, with comma"));
  EXPECT_TRUE(again.readInteger(Q("DropDownItems"), n));
  EXPECT_EQ(n, 31);
  EXPECT_TRUE(again.readInteger(Q("LetterBox"), n));
  EXPECT_EQ(n, -1);
}

TEST(SettingsStore, ReadsAreStrict) {
  ScratchDir dir;
  {
    auto raw = rawFile(dir);
    raw->setValue(Q("Text"), Q("12x"));
    raw->setValue(Q("Padded"), Q(" 12"));
    raw->setValue(Q("Huge"), Q("99999999999"));
    raw->setValue(Q("List"), QStringList{Q("a"), Q("b")});
    raw->setValue(Q("Number"), Q("12"));
  }
  QtSettingsStore store(QString::fromStdString(dir.path().string()));
  ASSERT_TRUE(store.openKey());
  int32_t n = 7;
  QString s = Q("unchanged");
  EXPECT_FALSE(store.readInteger(Q("Missing"), n));
  EXPECT_FALSE(store.readString(Q("Missing"), s));
  EXPECT_FALSE(store.readInteger(Q("Text"), n));
  EXPECT_FALSE(store.readInteger(Q("Padded"), n));
  EXPECT_FALSE(store.readInteger(Q("Huge"), n));
  EXPECT_FALSE(store.readInteger(Q("List"), n));
  EXPECT_FALSE(store.readString(Q("List"), s));
  EXPECT_EQ(n, 7);
  EXPECT_EQ(s, Q("unchanged"));
  EXPECT_TRUE(store.readInteger(Q("Number"), n));
  EXPECT_EQ(n, 12);
}

TEST(SettingsStore, UnusableLocationFailsQuietly) {
  // A folder below a regular file can never be created.
  ScratchDir dir;
  QFile blocker(QString::fromStdString(dir.file("blocker")));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  QtSettingsStore store(QString::fromStdString(dir.file("blocker/inside")));
  store.openKey();
  store.writeInteger(Q("VideoQuality"), 1);
  store.closeKey();
  EXPECT_FALSE(QFile::exists(store.fileName()));
}

// The controls as the program has them after start-up.
struct Controls {
  QLineEdit folder;
  QComboBox format, letterBox, videoQuality, audioQuality;
  QCheckBox overwrite;
  SpinEdit spin{26, 47};

  Controls() {
    for (int i = 0; i < 47; ++i) format.addItem(QStringLiteral("Format %1").arg(i));
    format.setCurrentIndex(0);
    letterBox.addItems({Q("None"), Q("LetterBox")});
    letterBox.setCurrentIndex(0);
    const QStringList levels{Q("Highest"), Q("Higher"), Q("Normal"), Q("Lower"), Q("Lowest")};
    videoQuality.addItems(levels);
    videoQuality.setCurrentIndex(2);
    audioQuality.addItems(levels);
    audioQuality.setCurrentIndex(2);
  }
  SettingsControls pointers() {
    SettingsControls c;
    c.outputFolderEdit = &folder;
    c.profileCombo = &format;
    c.overwriteCheck = &overwrite;
    c.dropDownItemsSpin = &spin;
    c.letterBoxCombo = &letterBox;
    c.videoQualityCombo = &videoQuality;
    c.audioQualityCombo = &audioQuality;
    return c;
  }
};

class SettingsLoad : public ::testing::Test {
 protected:
  ScratchDir dir;
  QtSettingsStore store{QString::fromStdString(dir.path().string())};
  Controls controls;

  void plant(const char *name, const QVariant &value) { rawFile(dir)->setValue(Q(name), value); }
  void plantAll(const QString &folder, int format, int overwrite, int dropDown, int letterBox, int vq, int aq) {
    auto raw = rawFile(dir);
    raw->setValue(Q(kValueOutputFolder), folder);
    raw->setValue(Q(kValueOutputFormat), format);
    raw->setValue(Q(kValueOverwrite), overwrite);
    raw->setValue(Q(kValueDropDownItems), dropDown);
    raw->setValue(Q(kValueLetterBox), letterBox);
    raw->setValue(Q(kValueVideoQuality), vq);
    raw->setValue(Q(kValueAudioQuality), aq);
  }
  QVariant stored(const char *name) { return rawFile(dir)->value(Q(name)); }
};

TEST_F(SettingsLoad, FirstRunCreatesEveryValueFromTheDefaults) {
  EXPECT_FALSE(loadSettings(store, controls.pointers()));
  auto raw = rawFile(dir);
  EXPECT_EQ(raw->allKeys().size(), 7);
  EXPECT_EQ(raw->value(Q(kValueOutputFolder)).toString(), QString());
  EXPECT_EQ(raw->value(Q(kValueOutputFormat)).toInt(), 0);
  EXPECT_EQ(raw->value(Q(kValueOverwrite)).toInt(), 0);
  EXPECT_EQ(raw->value(Q(kValueDropDownItems)).toInt(), 26);
  EXPECT_EQ(raw->value(Q(kValueLetterBox)).toInt(), 0);
  EXPECT_EQ(raw->value(Q(kValueVideoQuality)).toInt(), 2);
  EXPECT_EQ(raw->value(Q(kValueAudioQuality)).toInt(), 2);
  // A second load finds everything.
  EXPECT_TRUE(loadSettings(store, controls.pointers()));
}

TEST_F(SettingsLoad, StoredValuesReachTheControls) {
  plantAll(Q("/videos/out"), 20, 1, 40, 1, 0, 4);
  EXPECT_TRUE(loadSettings(store, controls.pointers()));
  EXPECT_EQ(controls.folder.text(), Q("/videos/out"));
  EXPECT_EQ(controls.format.currentIndex(), 20);
  EXPECT_TRUE(controls.overwrite.isChecked());
  EXPECT_EQ(controls.spin.value(), 40);
  EXPECT_EQ(controls.letterBox.currentIndex(), 1);
  EXPECT_EQ(controls.videoQuality.currentIndex(), 0);
  EXPECT_EQ(controls.audioQuality.currentIndex(), 4);
}

TEST_F(SettingsLoad, DropDownItemsAreLimitedWhenLoaded) {
  plantAll(QString(), 0, 0, 100, 0, 2, 2);
  loadSettings(store, controls.pointers());
  EXPECT_EQ(controls.spin.value(), 47);
  plantAll(QString(), 0, 0, 10, 0, 2, 2);
  loadSettings(store, controls.pointers());
  EXPECT_EQ(controls.spin.value(), 26);
  // A negative count is not applied.
  controls.spin.setValue(30);
  plantAll(QString(), 0, 0, -4, 0, 2, 2);
  loadSettings(store, controls.pointers());
  EXPECT_EQ(controls.spin.value(), 30);
}

TEST_F(SettingsLoad, WrongTypeCountsAsMissingAndIsRewritten) {
  plantAll(Q("/videos/out"), 5, 1, 40, 1, 0, 0);
  plant(kValueDropDownItems, Q("many"));
  controls.spin.setValue(33);
  EXPECT_FALSE(loadSettings(store, controls.pointers()));
  // Values before the bad one are applied, the rest keep the controls' state.
  EXPECT_EQ(controls.folder.text(), Q("/videos/out"));
  EXPECT_EQ(controls.format.currentIndex(), 5);
  EXPECT_TRUE(controls.overwrite.isChecked());
  EXPECT_EQ(controls.spin.value(), 33);
  EXPECT_EQ(controls.letterBox.currentIndex(), 0);
  EXPECT_EQ(controls.videoQuality.currentIndex(), 2);
  // Everything was rewritten from the controls, the bad value as a number.
  EXPECT_EQ(stored(kValueDropDownItems).toString(), Q("33"));
  EXPECT_EQ(stored(kValueLetterBox).toInt(), 0);
  EXPECT_EQ(stored(kValueVideoQuality).toInt(), 2);
  EXPECT_EQ(stored(kValueOutputFolder).toString(), Q("/videos/out"));
}

TEST_F(SettingsLoad, MissingFormatRewritesEverythingWithTheStartUpIndex) {
  plantAll(Q("/videos/out"), 12, 1, 40, 1, 0, 0);
  rawFile(dir)->remove(Q(kValueOutputFormat));
  EXPECT_FALSE(loadSettings(store, controls.pointers()));
  EXPECT_EQ(controls.folder.text(), Q("/videos/out"));
  EXPECT_EQ(controls.format.currentIndex(), 0);
  EXPECT_FALSE(controls.overwrite.isChecked());
  auto raw = rawFile(dir);
  EXPECT_EQ(raw->allKeys().size(), 7);
  EXPECT_EQ(raw->value(Q(kValueOutputFolder)).toString(), Q("/videos/out"));
  EXPECT_EQ(raw->value(Q(kValueOutputFormat)).toInt(), 0);
  EXPECT_EQ(raw->value(Q(kValueOverwrite)).toInt(), 0);
  EXPECT_EQ(raw->value(Q(kValueDropDownItems)).toInt(), 26);
  EXPECT_EQ(raw->value(Q(kValueLetterBox)).toInt(), 0);
}

TEST_F(SettingsLoad, MissingFolderReadsAsEmpty) {
  plantAll(Q("/videos/out"), 3, 0, 26, 1, 2, 2);
  rawFile(dir)->remove(Q(kValueOutputFolder));
  controls.folder.setText(Q("/previous"));
  EXPECT_TRUE(loadSettings(store, controls.pointers()));
  EXPECT_EQ(controls.folder.text(), QString());
  EXPECT_EQ(controls.format.currentIndex(), 3);
  EXPECT_EQ(controls.letterBox.currentIndex(), 1);
}

TEST_F(SettingsLoad, IndexPastTheListLeavesNoSelection) {
  plantAll(QString(), 47, 0, 26, 2, 9, -1);
  EXPECT_TRUE(loadSettings(store, controls.pointers()));
  EXPECT_EQ(controls.format.currentIndex(), -1);
  EXPECT_EQ(controls.letterBox.currentIndex(), -1);
  EXPECT_EQ(controls.videoQuality.currentIndex(), -1);
  // A negative index is not applied.
  EXPECT_EQ(controls.audioQuality.currentIndex(), 2);
}

TEST_F(SettingsLoad, SaveWritesTheCurrentControls) {
  controls.folder.setText(Q("/a/b"));
  controls.format.setCurrentIndex(44);
  controls.overwrite.setChecked(true);
  controls.spin.setValue(39);
  controls.letterBox.setCurrentIndex(1);
  controls.videoQuality.setCurrentIndex(4);
  controls.audioQuality.setCurrentIndex(0);
  EXPECT_TRUE(saveSettings(store, controls.pointers()));
  Controls fresh;
  EXPECT_TRUE(loadSettings(store, fresh.pointers()));
  EXPECT_EQ(fresh.folder.text(), Q("/a/b"));
  EXPECT_EQ(fresh.format.currentIndex(), 44);
  EXPECT_TRUE(fresh.overwrite.isChecked());
  EXPECT_EQ(fresh.spin.value(), 39);
  EXPECT_EQ(fresh.letterBox.currentIndex(), 1);
  EXPECT_EQ(fresh.videoQuality.currentIndex(), 4);
  EXPECT_EQ(fresh.audioQuality.currentIndex(), 0);
}

}  // namespace
