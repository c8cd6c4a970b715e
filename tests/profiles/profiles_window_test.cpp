// The output format list of the main window: profile changes, separators,
// video controls, the "Output" column, quality presets and hints.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QSignalSpy>
#include <QTreeWidget>
#include <memory>

#include "form4.h"
#include "mainwindow.h"
#include "profiles.h"
#include "prompts.h"
#include "test_env.h"

namespace {

QApplication &App() {
  static int argc = 1;
  static char name[] = "profiles_window_test";
  static char *argv[] = {name, nullptr};
  static QApplication app(argc, argv);
  return app;
}

class ProfilesWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    TForm1Options options;
    options.Prompts = &prompts_;
    options.ProgramFolder = QString::fromStdString(TREVIX_BIN_DIR);
    options.SettingsFolder = QString::fromStdString(scratch_.path().string());
    window_ = std::make_unique<TForm1>(options);
    if (window_->StartupFailed()) GTEST_SKIP() << "media libraries not available";
    window_->CreateForms();
    window_->FormShow();
  }

  // The user picks an item of the output format list.
  void Pick(int index) {
    QComboBox *list = window_->ComboOutputFormat;
    list->setCurrentIndex(index);
    emit list->activated(index);
  }
  void Pick(const char *label) {
    const int index = window_->ComboOutputFormat->findText(QString::fromLatin1(label));
    ASSERT_GE(index, 0) << label;
    Pick(index);
  }
  QTreeWidgetItem *AddRow(const QString &path) {
    auto *item = new QTreeWidgetItem(window_->ListView1);
    item->setText(colFileName, path);
    item->setCheckState(colFileName, Qt::Unchecked);
    return item;
  }
  bool VideoControlsEnabled() const {
    return window_->ComboVideoQuality->isEnabled() && window_->ComboVideoSize->isEnabled() &&
           window_->ComboVideoFramerate->isEnabled();
  }
  bool VideoControlsDisabled() const {
    return !window_->ComboVideoQuality->isEnabled() && !window_->ComboVideoSize->isEnabled() &&
           !window_->ComboVideoFramerate->isEnabled();
  }

  TAutoAnswerPrompts prompts_;
  TScratchDir scratch_;
  std::unique_ptr<TForm1> window_;
};

TEST_F(ProfilesWindow, ShowLoadsTheFirstProfile) {
  TForm1 &w = *window_;
  EXPECT_EQ(w.ComboOutputFormat->count(), 47);
  EXPECT_EQ(w.OutputType, "3GP");
  EXPECT_EQ(w.ComboVideoSize->currentText(), "176 x 144 (QCIF)");
  EXPECT_EQ(w.ComboAudioChannels->currentText(), "Mono");
  // The show event applied the "Normal" presets after loading the profile.
  EXPECT_EQ(w.ComboVideoBitrate->currentText(), "128 Kbps");
  EXPECT_EQ(w.ComboAudioBitrate->currentText(), "7400 bps");
  EXPECT_TRUE(VideoControlsEnabled());
}

TEST_F(ProfilesWindow, AudioOnlyDisablesVideoAndTheOutputColumnFollows) {
  TForm1 &w = *window_;
  QTreeWidgetItem *checked = AddRow("/media/a.mov");
  checked->setCheckState(colFileName, Qt::Checked);
  QTreeWidgetItem *unchecked = AddRow("/media/b.mov");

  Pick("OGG - Ogg Vorbis Audio (*.ogg)");
  EXPECT_EQ(w.OutputType, "OGG");
  EXPECT_TRUE(VideoControlsDisabled());
  EXPECT_EQ(w.ComboVideoSize->count(), 0);
  EXPECT_EQ(w.ComboAudioBitrate->currentText(), "160 Kbps");
  EXPECT_EQ(checked->text(colOutput), "OGG");
  EXPECT_EQ(unchecked->text(colOutput), "OGG");
  TOutputOptions ogg;
  w.ApplyProfileOptions(ogg);
  EXPECT_EQ(ogg.acodec, "vorbis");
  EXPECT_TRUE(ogg.vn);

  Pick("ASF - Advance Streaming Format (*.asf)");
  EXPECT_EQ(w.OutputType, "ASF");
  EXPECT_TRUE(VideoControlsEnabled());
  EXPECT_EQ(w.ComboVideoBitrate->currentText(), "1200 Kbps");
  EXPECT_EQ(checked->text(colOutput), "ASF");
  EXPECT_EQ(unchecked->text(colOutput), "ASF");
  TOutputOptions asf;
  w.ApplyProfileOptions(asf);
  EXPECT_EQ(asf.vcodec, "msmpeg4");
  EXPECT_FALSE(asf.vn);

  Pick("Video CD (*.mpg)");
  EXPECT_EQ(checked->text(colOutput), "MPG");
  Pick("Xbox360 AVI Video (*.avi)");
  EXPECT_EQ(unchecked->text(colOutput), "AVI");

  // After a run the controls follow the format again.
  Pick("MP3 - Mpeg Layer3 Audio (*.mp3)");
  w.ComboVideoSize->setEnabled(true);
  w.UpdateVideoControls();
  EXPECT_TRUE(VideoControlsDisabled());
}

TEST_F(ProfilesWindow, SeparatorRestoresThePreviousPick) {
  TForm1 &w = *window_;
  QTreeWidgetItem *row = AddRow("/media/a.mov");
  Pick("WMV - Windows Media Video (*.wmv)");
  ASSERT_EQ(w.ComboOutputFormat->currentIndex(), 15);
  w.ComboVideoSize->setCurrentIndex(3);
  for (int separator : {16, 25, 30, 38}) {
    QSignalSpy changes(w.ComboOutputFormat, &QComboBox::currentIndexChanged);
    w.ComboOutputFormat->setCurrentIndex(separator);
    const int userChange = changes.count();
    emit w.ComboOutputFormat->activated(separator);
    EXPECT_EQ(changes.count(), userChange);  // restored without a change event
    EXPECT_EQ(w.ComboOutputFormat->currentIndex(), 15) << separator;
    EXPECT_EQ(w.OutputType, "WMV");
    EXPECT_EQ(row->text(colOutput), "WMV");
    EXPECT_EQ(w.ComboVideoSize->currentIndex(), 3);
    EXPECT_EQ(w.LastFormatIndex, 15);
  }
}

TEST_F(ProfilesWindow, QualityPresetsAndHints) {
  TForm1 &w = *window_;
  Pick("iPod (*.mp4)");
  EXPECT_EQ(w.ComboVideoBitrate->currentText(), "512 Kbps");  // no preset on a profile change
  w.ComboVideoQuality->setCurrentIndex(0);
  emit w.ComboVideoQuality->activated(0);
  EXPECT_EQ(w.ComboVideoBitrate->currentText(), "1200 Kbps");
  EXPECT_EQ(w.ComboAudioBitrate->currentText(), "128 Kbps");  // audio "Normal" applied too
  w.ComboAudioQuality->setCurrentIndex(4);
  emit w.ComboAudioQuality->activated(4);
  EXPECT_EQ(w.ComboAudioBitrate->currentText(), "64 Kbps");
  EXPECT_EQ(w.ComboVideoBitrate->currentText(), "1200 Kbps");

  QEvent enter(QEvent::Enter);
  QCoreApplication::sendEvent(w.ComboVideoQuality, &enter);
  QCoreApplication::sendEvent(w.ComboAudioQuality, &enter);
  EXPECT_EQ(w.ComboVideoQuality->toolTip(), "1200 Kbps");
  EXPECT_EQ(w.ComboAudioQuality->toolTip(), "64 Kbps");

  Pick("3GP - Mobile Video Format (*.3gp)");
  w.ComboAudioQuality->setCurrentIndex(0);
  emit w.ComboAudioQuality->activated(0);
  EXPECT_EQ(w.ComboAudioBitrate->currentText(), "12200 bps");
}

TEST_F(ProfilesWindow, DropDownLengthFollowsTheOptions) {
  TForm1 &w = *window_;
  ASSERT_NE(w.Form4, nullptr);
  w.ComboOutputFormatDropDown();
  EXPECT_EQ(w.ComboOutputFormat->maxVisibleItems(), w.Form4->DropDownItems());
  Pick("PSP Video (*.mp4)");
  EXPECT_EQ(w.ComboOutputFormat->maxVisibleItems(), w.Form4->DropDownItems());
}

}  // namespace
