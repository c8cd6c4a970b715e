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
std::unique_ptr<QSettings> RawFile(const TScratchDir &dir) {
  TQtSettingsStore store(QString::fromStdString(dir.path().string()));
  return std::make_unique<QSettings>(store.FileName(), QSettings::NativeFormat);
}

TEST(SettingsStore, LivesUnderTheRedirectedFolderWithTheProgramsNames) {
  TScratchDir dir;
  TQtSettingsStore store(QString::fromStdString(dir.path().string()));
  EXPECT_EQ(store.FileName(),
            QString::fromStdString(dir.file("Trevix/Trevix MOV Video Converter.conf")));
}

TEST(SettingsStore, EnvironmentVariableRedirectsTheStore) {
  TScratchDir dir;
  qputenv("TREVIX_SETTINGS_DIR", dir.path().string().c_str());
  TQtSettingsStore store;
  qunsetenv("TREVIX_SETTINGS_DIR");
  ASSERT_TRUE(store.OpenKey());
  EXPECT_TRUE(store.WriteInteger(Q("VideoQuality"), 3));
  store.CloseKey();
  EXPECT_TRUE(QFile::exists(QString::fromStdString(dir.file("Trevix/Trevix MOV Video Converter.conf"))));
}

TEST(SettingsStore, ValuesReadBackWithTheirTypes) {
  TScratchDir dir;
  TQtSettingsStore store(QString::fromStdString(dir.path().string()));
  ASSERT_TRUE(store.OpenKey());
  EXPECT_TRUE(store.WriteString(Q("Output Folder"), Q("/tmp/out, with comma")));
  EXPECT_TRUE(store.WriteInteger(Q("DropDownItems"), 31));
  EXPECT_TRUE(store.WriteInteger(Q("LetterBox"), -1));
  store.CloseKey();

  TQtSettingsStore again(QString::fromStdString(dir.path().string()));
  ASSERT_TRUE(again.OpenKey());
  QString s;
  int32_t n = 0;
  EXPECT_TRUE(again.ReadString(Q("Output Folder"), s));
  EXPECT_EQ(s, Q("/tmp/out, with comma"));
  EXPECT_TRUE(again.ReadInteger(Q("DropDownItems"), n));
  EXPECT_EQ(n, 31);
  EXPECT_TRUE(again.ReadInteger(Q("LetterBox"), n));
  EXPECT_EQ(n, -1);
}

TEST(SettingsStore, ReadsAreStrict) {
  TScratchDir dir;
  {
    auto raw = RawFile(dir);
    raw->setValue(Q("Text"), Q("12x"));
    raw->setValue(Q("Padded"), Q(" 12"));
    raw->setValue(Q("Huge"), Q("99999999999"));
    raw->setValue(Q("List"), QStringList{Q("a"), Q("b")});
    raw->setValue(Q("Number"), Q("12"));
  }
  TQtSettingsStore store(QString::fromStdString(dir.path().string()));
  ASSERT_TRUE(store.OpenKey());
  int32_t n = 7;
  QString s = Q("unchanged");
  EXPECT_FALSE(store.ReadInteger(Q("Missing"), n));
  EXPECT_FALSE(store.ReadString(Q("Missing"), s));
  EXPECT_FALSE(store.ReadInteger(Q("Text"), n));
  EXPECT_FALSE(store.ReadInteger(Q("Padded"), n));
  EXPECT_FALSE(store.ReadInteger(Q("Huge"), n));
  EXPECT_FALSE(store.ReadInteger(Q("List"), n));
  EXPECT_FALSE(store.ReadString(Q("List"), s));
  EXPECT_EQ(n, 7);
  EXPECT_EQ(s, Q("unchanged"));
  EXPECT_TRUE(store.ReadInteger(Q("Number"), n));
  EXPECT_EQ(n, 12);
}

TEST(SettingsStore, UnusableLocationFailsQuietly) {
  // A folder below a regular file can never be created.
  TScratchDir dir;
  QFile blocker(QString::fromStdString(dir.file("blocker")));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  TQtSettingsStore store(QString::fromStdString(dir.file("blocker/inside")));
  store.OpenKey();
  store.WriteInteger(Q("VideoQuality"), 1);
  store.CloseKey();
  EXPECT_FALSE(QFile::exists(store.FileName()));
}

// The controls as the program has them after start-up.
struct TControls {
  QLineEdit folder;
  QComboBox format, letterBox, videoQuality, audioQuality;
  QCheckBox overwrite;
  TSpinEdit spin{26, 47};

  TControls() {
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
  TSettingsControls Pointers() {
    TSettingsControls c;
    c.EditOutputFolder = &folder;
    c.ComboOutputFormat = &format;
    c.CheckBoxOverWrite = &overwrite;
    c.SpinEdit1 = &spin;
    c.ComboLetterBox = &letterBox;
    c.ComboVideoQuality = &videoQuality;
    c.ComboAudioQuality = &audioQuality;
    return c;
  }
};

class SettingsLoad : public ::testing::Test {
 protected:
  TScratchDir dir;
  TQtSettingsStore store{QString::fromStdString(dir.path().string())};
  TControls controls;

  void Plant(const char *name, const QVariant &value) { RawFile(dir)->setValue(Q(name), value); }
  void PlantAll(const QString &folder, int format, int overwrite, int dropDown, int letterBox, int vq, int aq) {
    auto raw = RawFile(dir);
    raw->setValue(Q(kValueOutputFolder), folder);
    raw->setValue(Q(kValueOutputFormat), format);
    raw->setValue(Q(kValueOverwrite), overwrite);
    raw->setValue(Q(kValueDropDownItems), dropDown);
    raw->setValue(Q(kValueLetterBox), letterBox);
    raw->setValue(Q(kValueVideoQuality), vq);
    raw->setValue(Q(kValueAudioQuality), aq);
  }
  QVariant Stored(const char *name) { return RawFile(dir)->value(Q(name)); }
};

TEST_F(SettingsLoad, FirstRunCreatesEveryValueFromTheDefaults) {
  EXPECT_FALSE(LoadSettings(store, controls.Pointers()));
  auto raw = RawFile(dir);
  EXPECT_EQ(raw->allKeys().size(), 7);
  EXPECT_EQ(raw->value(Q(kValueOutputFolder)).toString(), QString());
  EXPECT_EQ(raw->value(Q(kValueOutputFormat)).toInt(), 0);
  EXPECT_EQ(raw->value(Q(kValueOverwrite)).toInt(), 0);
  EXPECT_EQ(raw->value(Q(kValueDropDownItems)).toInt(), 26);
  EXPECT_EQ(raw->value(Q(kValueLetterBox)).toInt(), 0);
  EXPECT_EQ(raw->value(Q(kValueVideoQuality)).toInt(), 2);
  EXPECT_EQ(raw->value(Q(kValueAudioQuality)).toInt(), 2);
  // A second load finds everything.
  EXPECT_TRUE(LoadSettings(store, controls.Pointers()));
}

TEST_F(SettingsLoad, StoredValuesReachTheControls) {
  PlantAll(Q("/videos/out"), 20, 1, 40, 1, 0, 4);
  EXPECT_TRUE(LoadSettings(store, controls.Pointers()));
  EXPECT_EQ(controls.folder.text(), Q("/videos/out"));
  EXPECT_EQ(controls.format.currentIndex(), 20);
  EXPECT_TRUE(controls.overwrite.isChecked());
  EXPECT_EQ(controls.spin.Value(), 40);
  EXPECT_EQ(controls.letterBox.currentIndex(), 1);
  EXPECT_EQ(controls.videoQuality.currentIndex(), 0);
  EXPECT_EQ(controls.audioQuality.currentIndex(), 4);
}

TEST_F(SettingsLoad, DropDownItemsAreLimitedWhenLoaded) {
  PlantAll(QString(), 0, 0, 100, 0, 2, 2);
  LoadSettings(store, controls.Pointers());
  EXPECT_EQ(controls.spin.Value(), 47);
  PlantAll(QString(), 0, 0, 10, 0, 2, 2);
  LoadSettings(store, controls.Pointers());
  EXPECT_EQ(controls.spin.Value(), 26);
  // A negative count is not applied.
  controls.spin.SetValue(30);
  PlantAll(QString(), 0, 0, -4, 0, 2, 2);
  LoadSettings(store, controls.Pointers());
  EXPECT_EQ(controls.spin.Value(), 30);
}

TEST_F(SettingsLoad, WrongTypeCountsAsMissingAndIsRewritten) {
  PlantAll(Q("/videos/out"), 5, 1, 40, 1, 0, 0);
  Plant(kValueDropDownItems, Q("many"));
  controls.spin.SetValue(33);
  EXPECT_FALSE(LoadSettings(store, controls.Pointers()));
  // Values before the bad one are applied, the rest keep the controls' state.
  EXPECT_EQ(controls.folder.text(), Q("/videos/out"));
  EXPECT_EQ(controls.format.currentIndex(), 5);
  EXPECT_TRUE(controls.overwrite.isChecked());
  EXPECT_EQ(controls.spin.Value(), 33);
  EXPECT_EQ(controls.letterBox.currentIndex(), 0);
  EXPECT_EQ(controls.videoQuality.currentIndex(), 2);
  // Everything was rewritten from the controls, the bad value as a number.
  EXPECT_EQ(Stored(kValueDropDownItems).toString(), Q("33"));
  EXPECT_EQ(Stored(kValueLetterBox).toInt(), 0);
  EXPECT_EQ(Stored(kValueVideoQuality).toInt(), 2);
  EXPECT_EQ(Stored(kValueOutputFolder).toString(), Q("/videos/out"));
}

TEST_F(SettingsLoad, MissingFormatRewritesEverythingWithTheStartUpIndex) {
  PlantAll(Q("/videos/out"), 12, 1, 40, 1, 0, 0);
  RawFile(dir)->remove(Q(kValueOutputFormat));
  EXPECT_FALSE(LoadSettings(store, controls.Pointers()));
  EXPECT_EQ(controls.folder.text(), Q("/videos/out"));
  EXPECT_EQ(controls.format.currentIndex(), 0);
  EXPECT_FALSE(controls.overwrite.isChecked());
  auto raw = RawFile(dir);
  EXPECT_EQ(raw->allKeys().size(), 7);
  EXPECT_EQ(raw->value(Q(kValueOutputFolder)).toString(), Q("/videos/out"));
  EXPECT_EQ(raw->value(Q(kValueOutputFormat)).toInt(), 0);
  EXPECT_EQ(raw->value(Q(kValueOverwrite)).toInt(), 0);
  EXPECT_EQ(raw->value(Q(kValueDropDownItems)).toInt(), 26);
  EXPECT_EQ(raw->value(Q(kValueLetterBox)).toInt(), 0);
}

TEST_F(SettingsLoad, MissingFolderReadsAsEmpty) {
  PlantAll(Q("/videos/out"), 3, 0, 26, 1, 2, 2);
  RawFile(dir)->remove(Q(kValueOutputFolder));
  controls.folder.setText(Q("/previous"));
  EXPECT_TRUE(LoadSettings(store, controls.Pointers()));
  EXPECT_EQ(controls.folder.text(), QString());
  EXPECT_EQ(controls.format.currentIndex(), 3);
  EXPECT_EQ(controls.letterBox.currentIndex(), 1);
}

TEST_F(SettingsLoad, IndexPastTheListLeavesNoSelection) {
  PlantAll(QString(), 47, 0, 26, 2, 9, -1);
  EXPECT_TRUE(LoadSettings(store, controls.Pointers()));
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
  controls.spin.SetValue(39);
  controls.letterBox.setCurrentIndex(1);
  controls.videoQuality.setCurrentIndex(4);
  controls.audioQuality.setCurrentIndex(0);
  EXPECT_TRUE(SaveSettings(store, controls.Pointers()));
  TControls fresh;
  EXPECT_TRUE(LoadSettings(store, fresh.Pointers()));
  EXPECT_EQ(fresh.folder.text(), Q("/a/b"));
  EXPECT_EQ(fresh.format.currentIndex(), 44);
  EXPECT_TRUE(fresh.overwrite.isChecked());
  EXPECT_EQ(fresh.spin.Value(), 39);
  EXPECT_EQ(fresh.letterBox.currentIndex(), 1);
  EXPECT_EQ(fresh.videoQuality.currentIndex(), 4);
  EXPECT_EQ(fresh.audioQuality.currentIndex(), 0);
}

}  // namespace
