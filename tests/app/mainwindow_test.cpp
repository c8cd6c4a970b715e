// The main window: controls, menus, start-up, close, Exit, the output
// folder button, the volume bar, help and the engine's events.
#include <gtest/gtest.h>

#include <QAction>
#include <QElapsedTimer>
#include <QApplication>
#include <QPushButton>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QSlider>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <atomic>
#include <thread>

#include "media_engine.h"
#include "about_dialog.h"
#include "media_fixture.h"
#include "source_list_model.h"
#include "window_fixture.h"

namespace {

QString Q(const char *s) { return QString::fromLatin1(s); }

class MainWindowTest : public ::testing::Test {
 protected:
  WindowRun run;
  std::unique_ptr<MainWindow> w = run.start();

  void SetUp() override {
    ASSERT_TRUE(w);
    ASSERT_FALSE(w->startupFailed()) << "the media libraries in bin/Common could not be bound";
  }
  template <typename T>
  T *child(const char *name) {
    T *c = w->findChild<T *>(Q(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
  }
  // The items of a menu as "name:caption" ("name:-" for separators).
  static QStringList items(QMenu *menu) {
    QStringList items;
    for (QAction *a : menu->actions())
      items << a->objectName() + Q(":") + (a->isSeparator() ? Q("-") : a->text());
    return items;
  }
};

TEST_F(MainWindowTest, FixedWindowWithItsCaption) {
  EXPECT_EQ(w->windowTitle(), Q("Trevix MOV Video Converter"));
  EXPECT_EQ(w->minimumSize(), w->maximumSize());
  EXPECT_EQ(w->width(), 753);
  // The client area below the menu bar: 753 x 532, status bar included.
  EXPECT_EQ(w->centralWidget()->height() + w->statusBar()->height(), 532);
  EXPECT_EQ(w->height() - w->menuBar()->height(), 532);
  EXPECT_FALSE(w->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(w->windowFlags() & Qt::WindowMinimizeButtonHint);
}

TEST_F(MainWindowTest, EveryNamedControlWithItsCaption) {
  const std::pair<const char *, const char *> buttons[] = {
      {"addFileButton", "Add File"}, {"removeFileButton", "Remove File"}, {"clearAllButton", "Clear All "},
      {"stopButton", "Stop"}, {"startButton", "Start"},       {"progressStopButton", "Stop"}};
  for (auto [name, caption] : buttons) {
    auto *b = child<QToolButton>(name);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->text(), Q(caption)) << name;
  }
  EXPECT_FALSE(child<QToolButton>("addFileButton")->icon().isNull());
  EXPECT_FALSE(child<QToolButton>("chooseFolderButton")->icon().isNull());
  const std::pair<const char *, const char *> hints[] = {{"playButton", "Play"},
                                                         {"pauseButton", "Pause"},
                                                         {"previewStopButton", "Stop"},
                                                         {"volumeButton", "Volume"},
                                                         {"snapshotButton", "Snapshot"}};
  for (auto [name, hint] : hints) {
    auto *b = child<QToolButton>(name);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->toolTip(), Q(hint)) << name;
  }
  const std::pair<const char *, const char *> labels[] = {
      {"outputFolderLabel", "Output Folder :"},         {"profileLabel", "Set Output Format :"},
      {"videoQualityLabel", "Video Quality : "}, {"videoSizeLabel", "Video Size : "},
      {"frameRateLabel", "Video Framerate : "}, {"audioQualityLabel", "Audio Quality :"},
      {"audioChannelsLabel", "Audio Channels :"},    {"volumeLabel", "Volume : "}};
  for (auto [name, caption] : labels) {
    auto *l = child<QLabel>(name);
    ASSERT_TRUE(l);
    EXPECT_EQ(l->text(), Q(caption)) << name;
  }
  EXPECT_EQ(child<QGroupBox>("videoSettingsBox")->title(), Q(" Video Settings "));
  EXPECT_EQ(child<QGroupBox>("audioSettingsBox")->title(), Q(" Audio Settings "));

  auto *folder = child<QLineEdit>("outputFolderEdit");
  EXPECT_TRUE(folder->isReadOnly());
  EXPECT_FALSE(folder->isEnabled());
  EXPECT_TRUE(folder->text().isEmpty());

  auto *format = child<QComboBox>("profileCombo");
  EXPECT_EQ(format->width(), 330);
  EXPECT_FALSE(format->isEditable());
  EXPECT_EQ(format->count(), 56);
  EXPECT_EQ(format->currentIndex(), 0);

  for (const char *name : {"videoQualityCombo", "audioQualityCombo"}) {
    auto *c = child<QComboBox>(name);
    ASSERT_EQ(c->count(), 5) << name;
    EXPECT_EQ(c->itemText(0), Q("Highest"));
    EXPECT_EQ(c->itemText(4), Q("Lowest"));
    EXPECT_EQ(c->currentText(), Q("Normal"));
  }
  for (const char *name : {"videoSizeCombo", "frameRateCombo", "audioChannelsCombo"})
    EXPECT_TRUE(child<QComboBox>(name)->isVisible()) << name;

  auto *progress = child<QProgressBar>("progressBar");
  EXPECT_EQ(progress->minimum(), 0);
  EXPECT_EQ(progress->maximum(), 100);
  EXPECT_TRUE(child<QFrame>("previewPanel")->isVisible());
  EXPECT_TRUE(child<QSlider>("seekBar"));
  EXPECT_TRUE(w->findChild<QWidget *>(Q("previewPicture")));
  EXPECT_TRUE(child<QLabel>("previewLogo"));
  for (const char *name : {"toolBarPanel", "outputPanel", "sourceListPanel", "settingsPanel"}) EXPECT_TRUE(child<QFrame>(name));
  EXPECT_EQ(child<QFrame>("toolBarPanel")->height(), 40);
  EXPECT_EQ(child<QFrame>("outputPanel")->height(), 54);
  EXPECT_EQ(child<QFrame>("sourceListPanel")->height(), 201);

  auto *timer = w->findChild<QTimer *>(Q("nextRowTimer"));
  ASSERT_TRUE(timer);
  EXPECT_EQ(timer->interval(), 200);
  EXPECT_FALSE(timer->isActive());
}

TEST_F(MainWindowTest, SourceListColumns) {
  auto *list = child<QTreeView>("sourceList");
  ASSERT_TRUE(list);
  QAbstractItemModel *model = list->model();
  ASSERT_EQ(model, static_cast<QAbstractItemModel *>(w->sourceListModel));
  const char *names[] = {"Video File Name", "Video Size", "FrameRate", "Duration", "Output", "Progress", "Frames"};
  const int widths[] = {310, 90, 80, 60, 65, 57, 60};
  ASSERT_EQ(model->columnCount(), 7);
  for (int c = 0; c < 7; ++c) {
    EXPECT_EQ(model->headerData(c, Qt::Horizontal).toString(), Q(names[c]));
    EXPECT_EQ(list->columnWidth(c), widths[c]) << c;
    const bool centred =
        model->headerData(c, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignHCenter;
    EXPECT_EQ(centred, c > 0) << c;
  }
  EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
  EXPECT_EQ(list->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_EQ(model->rowCount(), 0);
}

TEST_F(MainWindowTest, HiddenValueHoldersAndStatusBar) {
  for (const char *name : {"audioCodecCombo", "sampleRateCombo", "videoCodecCombo", "audioBitrateCombo",
                           "videoBitrateCombo", "letterBoxCombo", "aspectRatioCombo"})
    EXPECT_FALSE(child<QComboBox>(name)->isVisible()) << name;
  auto *aspect = child<QComboBox>("aspectRatioCombo");
  ASSERT_EQ(aspect->count(), 3);
  EXPECT_EQ(aspect->itemText(0), Q("Original"));
  EXPECT_EQ(aspect->itemText(1), Q("4:3 (Standard"));
  EXPECT_EQ(aspect->itemText(2), Q("16:9 (Wide Screen)"));
  EXPECT_EQ(aspect->currentIndex(), 0);
  auto *letterBox = child<QComboBox>("letterBoxCombo");
  ASSERT_EQ(letterBox->count(), 2);
  EXPECT_EQ(letterBox->itemText(1), Q("LetterBox"));
  EXPECT_EQ(letterBox->currentIndex(), 0);

  EXPECT_EQ(w->statusPanels[kReadyPanel]->width(), 150);
  EXPECT_EQ(w->statusPanels[kFileSizePanel]->width(), 300);
  EXPECT_EQ(w->statusPanels[kSparePanel]->width(), 50);
  EXPECT_EQ(w->statusPanelText(kReadyPanel), Q("Ready"));
  EXPECT_TRUE(w->statusPanelText(kFileSizePanel).isEmpty());
  EXPECT_TRUE(w->statusPanelText(kSparePanel).isEmpty());
}

TEST_F(MainWindowTest, MenusAndSeparatorsInOrder) {
  QStringList top;
  for (QAction *a : w->menuBar()->actions()) top << a->text();
  EXPECT_EQ(top, QStringList({Q("File"), Q("Options"), Q("Help")}));
  EXPECT_EQ(items(w->fileMenu), QStringList({Q("addFilesAction:Add Files"), Q(":-"), Q("convertAction:Convert"),
                                              Q(":-"), Q("exitAction:Exit")}));
  EXPECT_EQ(items(w->optionsMenu), QStringList({Q("setOptionsAction:Set Options")}));
  EXPECT_EQ(items(w->helpMenu),
            QStringList({Q("openHelpAction:Open Help File"), Q(":-"),
                         Q("visitWebsiteAction:Visit Trevix Software Website"), Q(":-"), Q("aboutAction:About")}));
  EXPECT_EQ(items(w->sourceListMenu),
            QStringList({Q("checkAllAction:Check All Items"), Q("uncheckAllAction:Uncheck All Items"), Q(":-"),
                         Q("removeSelectedAction:Remove Selected Item"), Q("clearAllAction:Clear All Items"), Q(":-"),
                         Q("playSelectedAction:Play Selected File"), Q(":-")}));
  EXPECT_EQ(items(w->volumeMenu), QStringList({Q("muteAction:Mute"), Q("halfVolumeAction:Half Volume"),
                                               Q("fullVolumeAction:Full Volume")}));
}

TEST_F(MainWindowTest, StartUpCreatesTheDialogsAndState) {
  ASSERT_TRUE(w->aboutDialog);
  ASSERT_TRUE(w->optionsDialog);
  EXPECT_EQ(w->aboutDialog->parentWidget(), w.get());
  EXPECT_EQ(w->optionsDialog->parentWidget(), w.get());
  EXPECT_FALSE(w->aboutDialog->isVisible());
  EXPECT_FALSE(w->optionsDialog->isVisible());
  EXPECT_FALSE(w->converting);
  EXPECT_FALSE(w->userAborted);
  EXPECT_FALSE(w->addingFiles);
  EXPECT_FALSE(w->previewPaused);
  EXPECT_TRUE(run.prompts.messages.isEmpty());
  // Showing the window raised the format change: the first profile's type.
  EXPECT_EQ(w->outputType, Q("3GP"));
  EXPECT_TRUE(QFileInfo(w->helpFile).isAbsolute());
}

TEST_F(MainWindowTest, VolumeBar) {
  auto *bar = child<QSlider>("volumeSlider");
  EXPECT_EQ(bar->minimum(), 0);
  EXPECT_EQ(bar->maximum(), 10);
  EXPECT_EQ(bar->value(), 5);
  EXPECT_EQ(w->volumePercentLabel->text(), Q("100%"));
  EXPECT_EQ(w->volumeValue, 255);
  bar->setValue(10);
  EXPECT_EQ(w->volumePercentLabel->text(), Q("200%"));
  EXPECT_EQ(w->volumeValue, 600);
  bar->setValue(0);
  EXPECT_EQ(w->volumePercentLabel->text(), Q("0%"));
  EXPECT_EQ(w->volumeValue, 1);
  bar->setValue(3);
  EXPECT_EQ(w->volumePercentLabel->text(), Q("60%"));
  EXPECT_EQ(w->volumeValue, 150);
}

TEST_F(MainWindowTest, OutputFolderButton) {
  run.prompts.folders = {Q("/tmp/first"), QString(), Q("/tmp/second")};
  w->chooseFolderButton->click();
  EXPECT_EQ(w->outputFolderEdit->text(), Q("/tmp/first"));
  w->chooseFolderButton->click();  // cancelled
  EXPECT_EQ(w->outputFolderEdit->text(), Q("/tmp/first"));
  w->chooseFolderButton->click();
  EXPECT_EQ(w->outputFolderEdit->text(), Q("/tmp/second"));
  ASSERT_EQ(run.prompts.folderHeadlines.size(), 3);
  EXPECT_EQ(run.prompts.folderHeadlines[0], Q("Choose the required output folder below :"));
  // Each time it starts in the folder last chosen.
  EXPECT_EQ(run.prompts.folderStarts, QStringList({QString(), Q("/tmp/first"), Q("/tmp/first")}));
  // Nothing while converting.
  w->converting = true;
  w->chooseFolderButton->click();
  EXPECT_EQ(run.prompts.folderHeadlines.size(), 3);
  w->converting = false;
}

TEST_F(MainWindowTest, CloseIsRefusedSilentlyWhileConverting) {
  run.prompts.folders = {Q("/tmp/kept")};
  w->chooseFolderButton->click();
  w->converting = true;
  EXPECT_FALSE(w->close());
  EXPECT_TRUE(w->isVisible());
  EXPECT_TRUE(run.prompts.messages.isEmpty());
  EXPECT_TRUE(run.prompts.questions.isEmpty());
  EXPECT_EQ(run.stored()->value(Q("Output Folder")).toString(), QString());  // not saved
  // Once the conversion is over the window closes and saves.
  w->converting = false;
  EXPECT_TRUE(w->close());
  EXPECT_FALSE(w->isVisible());
  EXPECT_EQ(run.stored()->value(Q("Output Folder")).toString(), Q("/tmp/kept"));
}

TEST_F(MainWindowTest, ClosingTheMainWindowEndsTheProgramWithTheOptionsOpen) {
  w->setOptionsAction->trigger();
  ASSERT_TRUE(w->optionsDialog->isVisible());
  bool closed = false;
  QTimer::singleShot(0, w.get(), [&] { closed = w->close(); });
  QTimer safety;
  safety.setSingleShot(true);
  QObject::connect(&safety, &QTimer::timeout, [] { QCoreApplication::exit(99); });
  safety.start(5000);
  EXPECT_EQ(QCoreApplication::exec(), 0);
  safety.stop();
  EXPECT_TRUE(closed);
}

TEST_F(MainWindowTest, ExitEndsTheEventLoopWithoutSaving) {
  run.prompts.folders = {Q("/tmp/not-saved")};
  w->chooseFolderButton->click();
  QTimer::singleShot(0, w.get(), [this] { w->exitAction->trigger(); });
  QTimer safety;
  safety.setSingleShot(true);
  QObject::connect(&safety, &QTimer::timeout, [] { QCoreApplication::exit(99); });
  safety.start(5000);
  EXPECT_EQ(QCoreApplication::exec(), 0);
  safety.stop();
  w.reset();  // the program's windows die without their close handlers
  EXPECT_EQ(run.stored()->value(Q("Output Folder")).toString(), QString());
}

TEST_F(MainWindowTest, HelpWebSiteAboutAndOptions) {
  w->openHelpAction->trigger();
  w->visitWebsiteAction->trigger();
  ASSERT_EQ(run.prompts.openedUrls.size(), 2u);
  const QUrl help = run.prompts.openedUrls[0];
  EXPECT_TRUE(help.isLocalFile());
  EXPECT_EQ(help.toLocalFile(), w->helpFile);
  EXPECT_TRUE(help.toLocalFile().endsWith(Q("/help/index.html")));
  EXPECT_TRUE(QFileInfo::exists(help.toLocalFile())) << "the build copies the help page beside the program";
  EXPECT_TRUE(run.prompts.openedUrls[1].scheme().startsWith(Q("http")));

  // About is modal; OK returns to the window.
  bool wasVisible = false;
  QTimer::singleShot(50, w.get(), [&] {
    wasVisible = w->aboutDialog->isVisible() && w->aboutDialog->isModal();
    w->aboutDialog->okButton->click();
  });
  w->aboutAction->trigger();
  EXPECT_TRUE(wasVisible);
  EXPECT_FALSE(w->aboutDialog->isVisible());

  // Options are not modal: the window stays usable.
  w->setOptionsAction->trigger();
  EXPECT_TRUE(w->optionsDialog->isVisible());
  EXPECT_FALSE(w->optionsDialog->isModal());
  EXPECT_TRUE(w->isEnabled());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(MainWindowTest, EngineEventsReachTheWindowOnlyOnTheUiThreadAndOnlyWhileOpen) {
  // An end-of-run notice raised by a worker is carried to the UI thread.
  w->converting = true;
  w->queueFinished = true;
  std::thread([&] { w->engine->onTerminate(-1, true, false, std::string()); }).join();
  EXPECT_TRUE(w->converting);  // untouched by the worker
  QCoreApplication::processEvents();
  EXPECT_FALSE(w->converting);

  // An event raised before "Exit" but not yet delivered is dropped, and so
  // is everything raised after it.
  w->terminateProgram = [] {};
  w->converting = true;
  std::thread([&] { w->engine->onTerminate(-1, true, false, std::string()); }).join();
  w->exitAction->trigger();
  std::thread([&] { w->engine->onTerminate(-1, true, false, std::string()); }).join();
  QCoreApplication::processEvents();
  EXPECT_TRUE(w->converting);
  // Events raised up to the moment the window is destroyed are dropped.
  std::atomic<bool> stop{false};
  MediaEngine *engine = w->engine.get();
  std::thread worker([&] {
    while (!stop) engine->onProgress(0, 1, 25, 100, 0.f, 0.f, 1000, 1000);
  });
  QCoreApplication::processEvents();
  stop = true;
  worker.join();
  w.reset();
  QCoreApplication::processEvents();
}

TEST_F(MainWindowTest, ExitDuringAConversionEndsWithoutTouchingTheDestroyedWindow) {
  const std::string source = cachedFixture(smallClipRecipe(12.0), "shell-exit.mov");
  ASSERT_FALSE(source.empty());
  ScratchDir out;
  run.prompts.files = {QString::fromStdString(source)};
  run.prompts.folders = {QString::fromStdString(out.path().string())};
  w->chooseFolderButton->click();
  w->addFileButton->click();
  ASSERT_EQ(w->sourceJobs.count(), 1);
  const int mp4 = w->profileCombo->findText(Q("MP4 - MPEG4 Video (*.mp4)"));
  ASSERT_GE(mp4, 0);
  w->profileCombo->setCurrentIndex(mp4);
  emit w->profileCombo->activated(mp4);
  w->startButton->click();
  ASSERT_TRUE(w->converting || w->nextRowTimer->isActive());
  // Let the task run a moment, then end the program as "Exit" does while
  // the worker is still converting.
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < 150) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  EXPECT_TRUE(w->converting) << "the conversion ended before Exit: " << sourceJobText(w->sourceJobs.at(0), kProgressColumn);
  w->terminateProgram = [] {};
  w->exitAction->trigger();
  w.reset();  // the engine is shut down with the window
  QCoreApplication::processEvents();
  t.restart();
  while (t.elapsed() < 200) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  SUCCEED();
}

}  // namespace
