// The output format list of the main window: profile changes, separators,
// video controls, the "Output" column, quality presets and hints.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QSignalSpy>
#include <QSlider>
#include <QTimer>
#include <memory>

#include "conversion_settings.h"
#include "profiles.h"
#include "source_list_model.h"
#include "window_fixture.h"

namespace {

class ProfilesWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = run_.start(false);
    if (window_->startupFailed()) GTEST_SKIP() << "media libraries not available";
    window_->onShown();
  }

  QComboBox *combo(const char *name) const { return control<QComboBox>(*window_, name); }
  // The user picks an item of a list: of the output format list by its text.
  void pick(const char *label) { chooseItem(combo("profileCombo"), QString::fromLatin1(label)); }
  void choose(const char *box, int index) {
    combo(box)->setCurrentIndex(index);
    emit combo(box)->activated(index);
  }
  // The hint a combo box shows when the pointer enters it.
  QString hint(const char *box) {
    QEvent enter(QEvent::Enter);
    QCoreApplication::sendEvent(combo(box), &enter);
    return combo(box)->toolTip();
  }
  // Lists a file, unchecked, and returns its row.
  int addRow(const QString &path, bool checked = false) {
    SourceJob job;
    job.path = path.toStdString();
    job.checked = checked;
    window_->sourceJobs().append(job);
    return window_->sourceJobs().count() - 1;
  }
  // The chosen profile's output type and the bit rates of its quality
  // levels, as the settings hold them.
  QString outputType() const { return QString::fromStdString(profileFormatName(window_->settings().profileId)); }
  QString videoBitrate() const { return QString::fromStdString(window_->settings().choices.comboVideoBitrate.text()); }
  QString audioBitrate() const { return QString::fromStdString(window_->settings().choices.comboAudioBitrate.text()); }
  QString outputText(int row) const {
    return control<SourceListModel>(*window_, "sourceListModel")->index(row, kOutputColumn).data().toString();
  }
  // How many of the three video controls are enabled.
  int videoControlsOn() const {
    return combo("videoQualityCombo")->isEnabled() + combo("videoSizeCombo")->isEnabled() +
           combo("frameRateCombo")->isEnabled();
  }

  WindowRun run_;
  std::unique_ptr<MainWindow> window_;
};

TEST_F(ProfilesWindow, ShowLoadsTheFirstProfile) {
  EXPECT_EQ(combo("profileCombo")->count(), kOutputFormatCount);
  EXPECT_EQ(outputType(), "3GP");
  EXPECT_EQ(combo("videoSizeCombo")->currentText(), "176 x 144 (QCIF)");
  EXPECT_EQ(combo("audioChannelsCombo")->currentText(), "Mono");
  // The show event applied the "Normal" presets after loading the profile.
  EXPECT_EQ(videoBitrate(), "128 Kbps");
  EXPECT_EQ(audioBitrate(), "7400 bps");
  EXPECT_EQ(videoControlsOn(), 3);
}

TEST_F(ProfilesWindow, AudioOnlyDisablesVideoAndTheOutputColumnFollows) {
  MainWindow &w = *window_;
  const int checked = addRow("/media/a.mov", true);
  const int unchecked = addRow("/media/b.mov");

  pick("OGG - Ogg Vorbis Audio (*.ogg)");
  EXPECT_EQ(outputType(), "OGG");
  EXPECT_EQ(videoControlsOn(), 0);
  EXPECT_EQ(combo("videoSizeCombo")->count(), 0);
  EXPECT_EQ(audioBitrate(), "160 Kbps");
  EXPECT_EQ(outputText(checked), "OGG");
  EXPECT_EQ(outputText(unchecked), "OGG");
  OutputOptions ogg;
  jobSettingsFrom(w.settings()).applyProfileOptions(ogg);
  EXPECT_EQ(ogg.acodec, "vorbis");
  EXPECT_TRUE(ogg.vn);

  pick("ASF - Advance Streaming Format (*.asf)");
  EXPECT_EQ(outputType(), "ASF");
  EXPECT_EQ(videoControlsOn(), 3);
  EXPECT_EQ(videoBitrate(), "1200 Kbps");
  EXPECT_EQ(outputText(checked), "ASF");
  EXPECT_EQ(outputText(unchecked), "ASF");
  OutputOptions asf;
  jobSettingsFrom(w.settings()).applyProfileOptions(asf);
  EXPECT_EQ(asf.vcodec, "msmpeg4");
  EXPECT_FALSE(asf.vn);

  pick("Video CD (*.mpg)");
  EXPECT_EQ(outputText(checked), "MPG");
  pick("Xbox360 AVI Video (*.avi)");
  EXPECT_EQ(outputText(unchecked), "AVI");

  // After a run the controls follow the format again.
  pick("MP3 - Mpeg Layer3 Audio (*.mp3)");
  combo("videoSizeCombo")->setEnabled(true);
  w.enableControlsAfterConversion();
  EXPECT_EQ(videoControlsOn(), 0);
}

TEST_F(ProfilesWindow, SeparatorRestoresThePreviousPick) {
  const int row = addRow("/media/a.mov");
  pick("WMV - Windows Media Video (*.wmv)");
  ASSERT_EQ(combo("profileCombo")->currentIndex(), 15);
  combo("videoSizeCombo")->setCurrentIndex(3);
  for (int separator : {16, 25, 30, 38, 47}) {
    QSignalSpy changes(combo("profileCombo"), &QComboBox::currentIndexChanged);
    combo("profileCombo")->setCurrentIndex(separator);
    const int userChange = changes.count();
    emit combo("profileCombo")->activated(separator);
    EXPECT_EQ(changes.count(), userChange);  // restored without a change event
    EXPECT_EQ(combo("profileCombo")->currentIndex(), 15) << separator;
    EXPECT_EQ(outputType(), "WMV");
    EXPECT_EQ(outputText(row), "WMV");
    EXPECT_EQ(combo("videoSizeCombo")->currentIndex(), 3);
    EXPECT_EQ(combo("profileCombo")->currentIndex(), 15);
  }
}

TEST_F(ProfilesWindow, QualityPresetsAndHints) {
  pick("iPod (*.mp4)");
  EXPECT_EQ(videoBitrate(), "512 Kbps");  // no preset on a profile change
  choose("videoQualityCombo", 0);
  EXPECT_EQ(videoBitrate(), "1200 Kbps");
  EXPECT_EQ(audioBitrate(), "128 Kbps");  // audio "Normal" applied too
  choose("audioQualityCombo", 4);
  EXPECT_EQ(audioBitrate(), "64 Kbps");
  EXPECT_EQ(videoBitrate(), "1200 Kbps");

  EXPECT_EQ(hint("videoQualityCombo"), "1200 Kbps");
  EXPECT_EQ(hint("audioQualityCombo"), "64 Kbps");

  pick("3GP - Mobile Video Format (*.3gp)");
  choose("audioQualityCombo", 0);
  EXPECT_EQ(audioBitrate(), "12200 bps");
}

TEST_F(ProfilesWindow, FormatsOfTodayShowTheirChannelsAndQualityLevels) {
  const int row = addRow("/media/a.mov");
  pick("MKV - H.264 Video (*.mkv)");
  EXPECT_EQ(outputType(), "MKV");
  EXPECT_EQ(outputText(row), "MKV");
  EXPECT_EQ(videoControlsOn(), 3);
  EXPECT_EQ(combo("audioChannelsCombo")->count(), 3);
  EXPECT_EQ(combo("audioChannelsCombo")->currentText(), "Original");
  EXPECT_EQ(combo("videoSizeCombo")->currentText(), "Original Video Size");
  EXPECT_EQ(combo("frameRateCombo")->currentText(), "Auto");

  // A quality level selects its constant quality, which the hint tells.
  choose("videoQualityCombo", 0);
  EXPECT_EQ(videoBitrate(), "CRF 18");
  EXPECT_EQ(hint("videoQualityCombo"), "CRF 18");
  OutputOptions o;
  jobSettingsFrom(window_->settings()).applyProfileOptions(o);
  EXPECT_EQ(o.vcodec, "libx264");
  EXPECT_NE(o.extraOptions.find("crf=18"), std::string::npos) << o.extraOptions;

  // Back to an older profile: its two channel items again.
  pick("iPod (*.mp4)");
  EXPECT_EQ(combo("audioChannelsCombo")->count(), 2);
  EXPECT_EQ(combo("audioChannelsCombo")->currentText(), "Stereo");

  pick("Opus Audio (*.opus)");
  EXPECT_EQ(outputText(row), "OPUS");
  EXPECT_EQ(videoControlsOn(), 0);
}

TEST_F(ProfilesWindow, DropDownLengthFollowsTheOptions) {
  MainWindow &w = *window_;
  ASSERT_NE(control<OptionsDialog>(w, "optionsDialog"), nullptr);
  emit control<DropDownComboBox>(w, "profileCombo")->dropDown();
  EXPECT_EQ(combo("profileCombo")->maxVisibleItems(),
            control<OptionsDialog>(w, "optionsDialog")->dropDownItems());
  pick("PSP Video (*.mp4)");
  EXPECT_EQ(combo("profileCombo")->maxVisibleItems(),
            control<OptionsDialog>(w, "optionsDialog")->dropDownItems());
}

}  // namespace
