// The settings store and the load/save rules of the conversion settings.
#include "settings.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <random>
#include <tuple>

#include "latin1_text.h"
#include "settings_store.h"
#include "test_env.h"

namespace {

QString folderOf(const ScratchDir &dir, const char *below = "") {
  return QString::fromStdString(*below ? (dir.path() / below).string() : dir.path().string());
}
// A folder below a regular file, which can never be created.
QString blockedFolder(const ScratchDir &dir) {
  QFile blocker(QString::fromStdString(dir.file("blocker")));
  EXPECT_TRUE(blocker.open(QIODevice::WriteOnly));
  return QString::fromStdString(dir.file("blocker/inside"));
}

// The file behind a store in `folder`, opened directly for checks and for
// planting odd values.
std::unique_ptr<QSettings> rawFile(const ScratchDir &dir) {
  QtSettingsStore store(folderOf(dir));
  return std::make_unique<QSettings>(store.fileName(), QSettings::NativeFormat);
}

TEST(SettingsStore, LivesUnderTheRedirectedFolderWithTheProgramsNames) {
  ScratchDir dir;
  EXPECT_EQ(QtSettingsStore(folderOf(dir)).fileName(), folderOf(dir, "Trevix/Trevix MOV Video Converter.conf"));
}

TEST(SettingsStore, ValuesReadBackWithTheirTypes) {
  ScratchDir dir;
  QtSettingsStore store(folderOf(dir));
  ASSERT_TRUE(store.openKey());
  EXPECT_TRUE(store.writeString(Q("Output Folder"), Q("/tmp/out, with comma")));
  EXPECT_TRUE(store.writeInteger(Q("DropDownItems"), 31));
  EXPECT_TRUE(store.writeInteger(Q("LetterBox"), -1));
  store.closeKey();

  QtSettingsStore again(folderOf(dir));
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
  QtSettingsStore store(folderOf(dir));
  ASSERT_TRUE(store.openKey());
  int32_t n = 7;
  QString s = Q("unchanged");
  EXPECT_FALSE(store.readInteger(Q("Missing"), n));
  EXPECT_FALSE(store.readString(Q("Missing"), s));
  for (const char *key : {"Text", "Padded", "Huge", "List"}) EXPECT_FALSE(store.readInteger(Q(key), n)) << key;
  EXPECT_FALSE(store.readString(Q("List"), s));
  EXPECT_EQ(n, 7);
  EXPECT_EQ(s, Q("unchanged"));
  EXPECT_TRUE(store.readInteger(Q("Number"), n));
  EXPECT_EQ(n, 12);
}

TEST(SettingsStore, UnusableLocationFailsQuietly) {
  ScratchDir dir;
  QtSettingsStore store(blockedFolder(dir));
  store.openKey();
  store.writeInteger(Q("VideoQuality"), 1);
  store.closeKey();
  EXPECT_FALSE(QFile::exists(store.fileName()));
}

class SettingsFile : public ::testing::Test {
 protected:
  ScratchDir dir;
  QtSettingsStore store{folderOf(dir)};
  ConversionSettings settings;

  void plant(const char *name, const QVariant &value) { rawFile(dir)->setValue(Q(name), value); }
  // The values as a build before "KeepMetadata" wrote them.
  void plantAll(const QString &folder, int format, int overwrite, int dropDown, int letterBox, int vq, int aq) {
    auto raw = rawFile(dir);
    const std::pair<const char *, QVariant> values[] = {
        {kValueOutputFolder, folder},     {kValueOutputFormat, format}, {kValueOverwrite, overwrite},
        {kValueDropDownItems, dropDown}, {kValueLetterBox, letterBox}, {kValueVideoQuality, vq},
        {kValueAudioQuality, aq}};
    for (const auto &[name, value] : values) raw->setValue(Q(name), value);
  }
  QVariant stored(const char *name) { return rawFile(dir)->value(Q(name)); }
  // The stored values of a record in the file's order, the profile as its
  // item in the format list.
  static auto storedFields(const ConversionSettings &s) {
    return std::tuple(s.outputFolder, listItemOfProfile(s.profileId), s.overwrite, s.dropDownItems, s.letterBox,
                      s.choices.comboVideoQuality.itemIndex, s.choices.comboAudioQuality.itemIndex, s.keepMetadata,
                      s.fitIntoBytes, s.simultaneous);
  }
  void expectOnlyTheProgramsKeys() {
    QStringList keys = rawFile(dir)->allKeys();
    keys.sort();
    EXPECT_EQ(keys,
              QStringList({Q(kValueAudioQuality), Q(kValueOutputFormat), Q(kValueDropDownItems), Q(kValueFitInto),
                           Q(kValueKeepMetadata), Q(kValueLetterBox), Q(kValueOutputFolder), Q(kValueOverwrite),
                           Q(kValueVideoQuality)}));
  }
};

TEST_F(SettingsFile, FirstRunCreatesEveryValueFromTheDefaults) {
  EXPECT_EQ(loadSettings(store, settings), SettingsLoad::Rewritten);
  expectOnlyTheProgramsKeys();
  EXPECT_EQ(stored(kValueOutputFolder).toString(), QString());
  const std::pair<const char *, int> defaults[] = {
      {kValueOutputFormat, 0}, {kValueOverwrite, 0},    {kValueDropDownItems, 26}, {kValueLetterBox, 0},
      {kValueVideoQuality, 2}, {kValueAudioQuality, 2}, {kValueKeepMetadata, 1},   {kValueFitInto, 0}};
  for (const auto &[name, value] : defaults) EXPECT_EQ(stored(name).toInt(), value) << name;
  // A second load finds everything.
  EXPECT_EQ(loadSettings(store, settings), SettingsLoad::Read);
}

// A file as the build before the settings record wrote it reads the same;
// the new value is added with its default.
TEST_F(SettingsFile, StoredValuesOfTheFormerBuildReadTheSame) {
  plantAll(Q("/videos/out"), 20, 1, 40, 1, 0, 4);
  EXPECT_EQ(loadSettings(store, settings), SettingsLoad::Rewritten);
  EXPECT_EQ(profileLabel(settings.profileId), kOutputFormatItems[20]);
  EXPECT_EQ(storedFields(settings), std::tuple("/videos/out", 20, true, 40, 1, 0, 4, true, 0, 1));
  EXPECT_EQ(stored(kValueOutputFormat).toInt(), 20);
  EXPECT_EQ(stored(kValueAudioQuality).toInt(), 4);
  plant(kValueKeepMetadata, 0);
  EXPECT_EQ(loadSettings(store, settings), SettingsLoad::Read);
  EXPECT_FALSE(settings.keepMetadata);
}

TEST_F(SettingsFile, DropDownItemsAreLimitedWhenLoaded) {
  const std::pair<int, int> cases[] = {{100, kDropDownItemsLimit}, {10, 26}, {0, 26}, {-4, 26}, {51, 51}};
  for (const auto &[storedCount, loaded] : cases) {
    settings.dropDownItems = 30;
    plantAll(QString(), 0, 0, storedCount, 0, 2, 2);
    loadSettings(store, settings);
    EXPECT_EQ(settings.dropDownItems, loaded) << storedCount;
  }
  EXPECT_EQ(kDropDownItemsLimit, 56);
}

// A bad value in the middle takes its own default; the values after it are
// kept, and the file is rewritten with the program's keys only.
TEST_F(SettingsFile, WrongTypeTakesItsDefaultAndTheRestAreKept) {
  plantAll(Q("/videos/out"), 5, 1, 40, 7, 0, 1);
  plant(kValueLetterBox, Q("wide"));
  plant("Unknown", Q("junk"));
  EXPECT_EQ(loadSettings(store, settings), SettingsLoad::Rewritten);
  EXPECT_EQ(storedFields(settings), std::tuple("/videos/out", 5, true, 40, 0, 0, 1, true, 0, 1));
  EXPECT_EQ(stored(kValueLetterBox).toInt(), 0);
  EXPECT_EQ(stored(kValueAudioQuality).toInt(), 1);
  expectOnlyTheProgramsKeys();
}

TEST_F(SettingsFile, MissingFormatIsTheFirstProfileAndTheRestAreKept) {
  plantAll(Q("/videos/out"), 12, 1, 40, 1, 0, 0);
  rawFile(dir)->remove(Q(kValueOutputFormat));
  EXPECT_EQ(loadSettings(store, settings), SettingsLoad::Rewritten);
  EXPECT_EQ(storedFields(settings), std::tuple("/videos/out", 0, true, 40, 1, 0, 0, true, 0, 1));
  EXPECT_EQ(stored(kValueOutputFolder).toString(), Q("/videos/out"));
  EXPECT_EQ(stored(kValueOutputFormat).toInt(), 0);
  EXPECT_EQ(stored(kValueDropDownItems).toInt(), 40);
  EXPECT_EQ(stored(kValueLetterBox).toInt(), 1);
}

TEST_F(SettingsFile, MissingFolderReadsAsEmpty) {
  plantAll(Q("/videos/out"), 3, 0, 26, 1, 2, 2);
  plant(kValueKeepMetadata, 1);
  plant(kValueFitInto, 0);
  rawFile(dir)->remove(Q(kValueOutputFolder));
  settings.outputFolder = "/previous";
  EXPECT_EQ(loadSettings(store, settings), SettingsLoad::Read);
  EXPECT_EQ(storedFields(settings), std::tuple("", 3, false, 26, 1, 2, 2, true, 0, 1));
}

// Indexes past their lists, or before them, take their defaults: the first
// profile, no letterbox, "Normal"; a separator of the format list is no
// profile either.
TEST_F(SettingsFile, IndexOutOfRangeTakesItsDefault) {
  ASSERT_TRUE(isFormatSeparator(kOutputFormatItems[kFirstCurrentFormatItem - 1]));
  const std::array<int, 3> formats = {1000, -1, kFirstCurrentFormatItem - 1};
  for (int format : formats) {
    settings.profileId = profileIdAtListItem(9);
    plantAll(QString(), format, 0, 26, 2, 9, -1);
    EXPECT_EQ(loadSettings(store, settings), SettingsLoad::Rewritten) << format;
    EXPECT_EQ(storedFields(settings), std::tuple("", 0, false, 26, 0, 2, 2, true, 0, 1)) << format;
    EXPECT_EQ(stored(kValueOutputFormat).toInt(), 0);
    EXPECT_EQ(stored(kValueVideoQuality).toInt(), 2);
  }
}

// "Fit into" is kept in kilobytes; a size outside its range, or no number,
// is off and is written again.
TEST_F(SettingsFile, FitIntoReadsBackOrIsOff) {
  const struct {
    QVariant stored;
    int64_t bytes;
    SettingsLoad load;
  } cases[] = {{25000, 25000000, SettingsLoad::Read},     {12500, 12500000, SettingsLoad::Read},
               {0, 0, SettingsLoad::Read},                {999, 0, SettingsLoad::Rewritten},
               {-8000, 0, SettingsLoad::Rewritten},       {100000001, 0, SettingsLoad::Rewritten},
               {Q("25 MB"), 0, SettingsLoad::Rewritten}};
  for (const auto &c : cases) {
    loadSettings(store, settings);
    settings.fitIntoBytes = 50000000;
    plant(kValueFitInto, c.stored);
    EXPECT_EQ(loadSettings(store, settings), c.load) << c.stored.toString().toStdString();
    EXPECT_EQ(settings.fitIntoBytes, c.bytes) << c.stored.toString().toStdString();
    EXPECT_EQ(stored(kValueFitInto).toLongLong(), c.bytes / 1000);
    EXPECT_EQ(jobSettingsFrom(settings).targetSizeBytes, c.bytes);
  }
}

TEST_F(SettingsFile, RandomBytesGiveTheDefaultsAndAreReplaced) {
  const QString file = store.fileName();
  ASSERT_TRUE(QDir().mkpath(QFileInfo(file).path()));
  QFile junk(file);
  ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
  std::mt19937 random(7);
  QByteArray bytes;
  for (int i = 0; i < 4096; ++i) bytes.append(static_cast<char>(random() & 0xff));
  junk.write(bytes);
  junk.close();
  settings.overwrite = true;
  EXPECT_EQ(loadSettings(store, settings), SettingsLoad::Rewritten);
  EXPECT_EQ(storedFields(settings), std::tuple("", 0, false, 26, 0, 2, 2, true, 0, 1));
  expectOnlyTheProgramsKeys();
}

// A file that cannot be read (here a folder in its place) is left alone;
// a folder where nothing can be written keeps nothing.
TEST_F(SettingsFile, UnreadableOrUnwritableStoreIsReported) {
  ASSERT_TRUE(QDir().mkpath(store.fileName()));
  settings.overwrite = true;
  EXPECT_EQ(loadSettings(store, settings), SettingsLoad::NotRead);
  EXPECT_TRUE(settings.overwrite);
  EXPECT_TRUE(QFileInfo(store.fileName()).isDir());

  QtSettingsStore blocked(blockedFolder(dir));
  EXPECT_EQ(loadSettings(blocked, settings), SettingsLoad::NotSaved);
  EXPECT_FALSE(saveSettings(blocked, settings));
}

TEST_F(SettingsFile, SaveWritesTheSettings) {
  settings.outputFolder = "/a/b";
  settings.profileId = profileIdAtListItem(44);
  settings.overwrite = true;
  settings.dropDownItems = 39;
  settings.letterBox = 1;
  settings.choices.comboVideoQuality.itemIndex = 4;
  settings.choices.comboAudioQuality.itemIndex = 0;
  settings.keepMetadata = false;
  settings.fitIntoBytes = 7500000;
  EXPECT_TRUE(saveSettings(store, settings));
  ConversionSettings fresh;
  EXPECT_EQ(loadSettings(store, fresh), SettingsLoad::Read);
  EXPECT_EQ(storedFields(fresh), std::tuple("/a/b", 44, true, 39, 1, 4, 0, false, 7500000, 1));
}

// "Simultaneous conversions" is kept; a bad value reads as 1, the others
// are kept.
TEST_F(SettingsFile, SimultaneousConversionsAreStoredAndABadValueIsOne) {
  for (const int jobs : {0, 8, 1}) {
    settings.simultaneous = jobs;
    EXPECT_TRUE(saveSettings(store, settings));
    ConversionSettings fresh;
    fresh.simultaneous = 5;
    EXPECT_EQ(loadSettings(store, fresh), SettingsLoad::Read) << jobs;
    EXPECT_EQ(fresh.simultaneous, jobs);
  }
  for (const QVariant &bad : {QVariant(9), QVariant(-1), QVariant(Q("two"))}) {
    plant(kValueSimultaneous, bad);
    plant(kValueOverwrite, 1);
    EXPECT_EQ(loadSettings(store, settings), SettingsLoad::Rewritten) << bad.toString().toStdString();
    EXPECT_EQ(settings.simultaneous, 1);
    EXPECT_TRUE(settings.overwrite);
  }
}

}  // namespace
