// The output format list of the main window: profile changes, separators,
// video controls, the "Output" column, quality presets and hints.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QSignalSpy>
#include <QTreeWidget>
#include <memory>

#include "options_dialog.h"
#include "mainwindow.h"
#include "profiles.h"
#include "prompts.h"
#include "test_env.h"

namespace {

QApplication &app() {
  static int argc = 1;
  static char name[] = "profiles_window_test";
  static char *argv[] = {name, nullptr};
  static QApplication app(argc, argv);
  return app;
}

class ProfilesWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    app();
    MainWindowOptions options;
    options.prompts = &prompts_;
    options.programFolder = QString::fromStdString(TREVIX_BIN_DIR);
    options.settingsFolder = QString::fromStdString(scratch_.path().string());
    window_ = std::make_unique<MainWindow>(options);
    if (window_->startupFailed()) GTEST_SKIP() << "media libraries not available";
    window_->createForms();
    window_->formShow();
  }

  // The user picks an item of the output format list.
  void pick(int index) {
    QComboBox *list = window_->comboOutputFormat;
    list->setCurrentIndex(index);
    emit list->activated(index);
  }
  void pick(const char *label) {
    const int index = window_->comboOutputFormat->findText(QString::fromLatin1(label));
    ASSERT_GE(index, 0) << label;
    pick(index);
  }
  QTreeWidgetItem *addRow(const QString &path) {
    auto *item = new QTreeWidgetItem(window_->listView1);
    item->setText(kFileNameColumn, path);
    item->setCheckState(kFileNameColumn, Qt::Unchecked);
    return item;
  }
  bool videoControlsEnabled() const {
    return window_->comboVideoQuality->isEnabled() && window_->comboVideoSize->isEnabled() &&
           window_->comboVideoFramerate->isEnabled();
  }
  bool videoControlsDisabled() const {
    return !window_->comboVideoQuality->isEnabled() && !window_->comboVideoSize->isEnabled() &&
           !window_->comboVideoFramerate->isEnabled();
  }

  AutoAnswerPrompts prompts_;
  ScratchDir scratch_;
  std::unique_ptr<MainWindow> window_;
};

TEST_F(ProfilesWindow, ShowLoadsTheFirstProfile) {
  MainWindow &w = *window_;
  EXPECT_EQ(w.comboOutputFormat->count(), kOutputFormatCount);
  EXPECT_EQ(w.outputType, "3GP");
  EXPECT_EQ(w.comboVideoSize->currentText(), "176 x 144 (QCIF)");
  EXPECT_EQ(w.comboAudioChannels->currentText(), "Mono");
  // The show event applied the "Normal" presets after loading the profile.
  EXPECT_EQ(w.comboVideoBitrate->currentText(), "128 Kbps");
  EXPECT_EQ(w.comboAudioBitrate->currentText(), "7400 bps");
  EXPECT_TRUE(videoControlsEnabled());
}

TEST_F(ProfilesWindow, AudioOnlyDisablesVideoAndTheOutputColumnFollows) {
  MainWindow &w = *window_;
  QTreeWidgetItem *checked = addRow("/media/a.mov");
  checked->setCheckState(kFileNameColumn, Qt::Checked);
  QTreeWidgetItem *unchecked = addRow("/media/b.mov");

  pick("OGG - Ogg Vorbis Audio (*.ogg)");
  EXPECT_EQ(w.outputType, "OGG");
  EXPECT_TRUE(videoControlsDisabled());
  EXPECT_EQ(w.comboVideoSize->count(), 0);
  EXPECT_EQ(w.comboAudioBitrate->currentText(), "160 Kbps");
  EXPECT_EQ(checked->text(kOutputColumn), "OGG");
  EXPECT_EQ(unchecked->text(kOutputColumn), "OGG");
  OutputOptions ogg;
  w.applyProfileOptions(ogg);
  EXPECT_EQ(ogg.acodec, "vorbis");
  EXPECT_TRUE(ogg.vn);

  pick("ASF - Advance Streaming Format (*.asf)");
  EXPECT_EQ(w.outputType, "ASF");
  EXPECT_TRUE(videoControlsEnabled());
  EXPECT_EQ(w.comboVideoBitrate->currentText(), "1200 Kbps");
  EXPECT_EQ(checked->text(kOutputColumn), "ASF");
  EXPECT_EQ(unchecked->text(kOutputColumn), "ASF");
  OutputOptions asf;
  w.applyProfileOptions(asf);
  EXPECT_EQ(asf.vcodec, "msmpeg4");
  EXPECT_FALSE(asf.vn);

  pick("Video CD (*.mpg)");
  EXPECT_EQ(checked->text(kOutputColumn), "MPG");
  pick("Xbox360 AVI Video (*.avi)");
  EXPECT_EQ(unchecked->text(kOutputColumn), "AVI");

  // After a run the controls follow the format again.
  pick("MP3 - Mpeg Layer3 Audio (*.mp3)");
  w.comboVideoSize->setEnabled(true);
  w.updateVideoControls();
  EXPECT_TRUE(videoControlsDisabled());
}

TEST_F(ProfilesWindow, SeparatorRestoresThePreviousPick) {
  MainWindow &w = *window_;
  QTreeWidgetItem *row = addRow("/media/a.mov");
  pick("WMV - Windows Media Video (*.wmv)");
  ASSERT_EQ(w.comboOutputFormat->currentIndex(), 15);
  w.comboVideoSize->setCurrentIndex(3);
  for (int separator : {16, 25, 30, 38, 47}) {
    QSignalSpy changes(w.comboOutputFormat, &QComboBox::currentIndexChanged);
    w.comboOutputFormat->setCurrentIndex(separator);
    const int userChange = changes.count();
    emit w.comboOutputFormat->activated(separator);
    EXPECT_EQ(changes.count(), userChange);  // restored without a change event
    EXPECT_EQ(w.comboOutputFormat->currentIndex(), 15) << separator;
    EXPECT_EQ(w.outputType, "WMV");
    EXPECT_EQ(row->text(kOutputColumn), "WMV");
    EXPECT_EQ(w.comboVideoSize->currentIndex(), 3);
    EXPECT_EQ(w.lastFormatIndex, 15);
  }
}

TEST_F(ProfilesWindow, QualityPresetsAndHints) {
  MainWindow &w = *window_;
  pick("iPod (*.mp4)");
  EXPECT_EQ(w.comboVideoBitrate->currentText(), "512 Kbps");  // no preset on a profile change
  w.comboVideoQuality->setCurrentIndex(0);
  emit w.comboVideoQuality->activated(0);
  EXPECT_EQ(w.comboVideoBitrate->currentText(), "1200 Kbps");
  EXPECT_EQ(w.comboAudioBitrate->currentText(), "128 Kbps");  // audio "Normal" applied too
  w.comboAudioQuality->setCurrentIndex(4);
  emit w.comboAudioQuality->activated(4);
  EXPECT_EQ(w.comboAudioBitrate->currentText(), "64 Kbps");
  EXPECT_EQ(w.comboVideoBitrate->currentText(), "1200 Kbps");

  QEvent enter(QEvent::Enter);
  QCoreApplication::sendEvent(w.comboVideoQuality, &enter);
  QCoreApplication::sendEvent(w.comboAudioQuality, &enter);
  EXPECT_EQ(w.comboVideoQuality->toolTip(), "1200 Kbps");
  EXPECT_EQ(w.comboAudioQuality->toolTip(), "64 Kbps");

  pick("3GP - Mobile Video Format (*.3gp)");
  w.comboAudioQuality->setCurrentIndex(0);
  emit w.comboAudioQuality->activated(0);
  EXPECT_EQ(w.comboAudioBitrate->currentText(), "12200 bps");
}

TEST_F(ProfilesWindow, FormatsOfTodayShowTheirChannelsAndQualityLevels) {
  MainWindow &w = *window_;
  QTreeWidgetItem *row = addRow("/media/a.mov");
  pick("MKV - H.264 Video (*.mkv)");
  EXPECT_EQ(w.outputType, "MKV");
  EXPECT_EQ(row->text(kOutputColumn), "MKV");
  EXPECT_TRUE(videoControlsEnabled());
  EXPECT_EQ(w.comboAudioChannels->count(), 3);
  EXPECT_EQ(w.comboAudioChannels->currentText(), "Original");
  EXPECT_EQ(w.comboVideoSize->currentText(), "Original Video Size");
  EXPECT_EQ(w.comboVideoFramerate->currentText(), "Auto");

  // A quality level selects its constant quality, which the hint tells.
  w.comboVideoQuality->setCurrentIndex(0);
  emit w.comboVideoQuality->activated(0);
  EXPECT_EQ(w.comboVideoBitrate->currentText(), "CRF 18");
  QEvent enter(QEvent::Enter);
  QCoreApplication::sendEvent(w.comboVideoQuality, &enter);
  EXPECT_EQ(w.comboVideoQuality->toolTip(), "CRF 18");
  OutputOptions o;
  w.applyProfileOptions(o);
  EXPECT_EQ(o.vcodec, "libx264");
  EXPECT_NE(o.extraOptions.find("crf=18"), std::string::npos) << o.extraOptions;

  // Back to an older profile: its two channel items again.
  pick("iPod (*.mp4)");
  EXPECT_EQ(w.comboAudioChannels->count(), 2);
  EXPECT_EQ(w.comboAudioChannels->currentText(), "Stereo");

  pick("Opus Audio (*.opus)");
  EXPECT_EQ(row->text(kOutputColumn), "OPUS");
  EXPECT_TRUE(videoControlsDisabled());
}

TEST_F(ProfilesWindow, DropDownLengthFollowsTheOptions) {
  MainWindow &w = *window_;
  ASSERT_NE(w.form4, nullptr);
  w.comboOutputFormatDropDown();
  EXPECT_EQ(w.comboOutputFormat->maxVisibleItems(), w.form4->dropDownItems());
  pick("PSP Video (*.mp4)");
  EXPECT_EQ(w.comboOutputFormat->maxVisibleItems(), w.form4->dropDownItems());
}

}  // namespace
