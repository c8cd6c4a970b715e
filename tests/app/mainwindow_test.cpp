// The main window: controls, menus, start-up, close, Exit, the output
// folder button, the volume bar, help and the engine's events.
#include <gtest/gtest.h>

#include <QAction>
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
#include <QScreen>
#include <QSlider>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QImage>
#include <atomic>
#include <cstdlib>
#include <thread>

#include "about_dialog.h"
#include "layout_check.h"
#include "media_engine.h"
#include "media_fixture.h"
#include "probe_summary.h"
#include "source_list_delegate.h"
#include "source_list_model.h"
#include "window_fixture.h"

namespace {

const char *const kPanelNames[kStatusPanelCount] = {"statePanel", "fileSizePanel", "timePanel"};

// The columns after the file name whose title or cell is cut off, for a row
// of the widest texts they show ("Unknown" among them).
QStringList cutColumns(MainWindow &w) {
  ProbeSummary probe = probed(1920, 1080);
  probe.frameRateNum = 30000;
  probe.frameRateDen = 1001;
  SourceJob job = makeSourceJob("/videos/a clip.mov", probe, "MPEG");
  job.state = JobState::Aborted;
  job.frameNumber = 1234567;
  w.sourceJobs().append(job);
  QCoreApplication::processEvents();
  auto *list = control<QTreeView>(w, "sourceList");
  QStringList cut;
  for (int c = kFileNameColumn + 1; c < kSourceListColumnCount; ++c) {
    const QModelIndex cell = list->model()->index(w.sourceJobs().count() - 1, c);
    if (list->columnWidth(c) < std::max(list->sizeHintForIndex(cell).width(), list->header()->sectionSizeHint(c)))
      cut << cell.data().toString();
  }
  return cut;
}

class MainWindowTest : public ::testing::Test {
 protected:
  WindowRun run;
  std::unique_ptr<MainWindow> w = run.start();

  void SetUp() override {
    ASSERT_TRUE(w);
    ASSERT_FALSE(w->startupFailed()) << "the media libraries in bin/Common could not be bound";
  }
  // Lets posted layout requests and resizes come through.
  static void settle() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
  }
  template <typename T>
  T *child(const char *name) {
    T *c = w->findChild<T *>(Q(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
  }
  // The items of a menu as "name:caption" ("name:-" for separators), the
  // mnemonic's marker left out.
  static QStringList items(QMenu *menu) {
    QStringList items;
    for (QAction *a : menu->actions())
      items << a->objectName() + Q(":") + (a->isSeparator() ? Q("-") : plain(a->text()));
    return items;
  }
  static QString plain(QString caption) { return caption.remove(QLatin1Char('&')); }
  // The letters after "&" of a menu's items (or of the menu bar).
  static QString mnemonics(const QList<QAction *> &actions) {
    QString letters;
    for (QAction *a : actions) {
      const qsizetype at = a->text().indexOf(QLatin1Char('&'));
      if (!a->isSeparator()) letters += at >= 0 ? a->text().at(at + 1).toLower() : QChar(u'?');
    }
    return letters;
  }
};

// The design size (753 x 532 below the menu bar) is where the window
// starts and the least it gets; it grows, and the list and the preview take
// the room.
TEST_F(MainWindowTest, ResizableWindowThatStartsAtItsDesignSize) {
  settle();
  EXPECT_EQ(w->windowTitle(), Q("Trevix MOV Video Converter"));
  // The desktop's font may need a few pixels more than the design.
  const int least = std::max(753, w->minimumSizeHint().width());
  EXPECT_LT(least, 753 + 40);
  EXPECT_EQ(w->width(), least);
  EXPECT_EQ(w->height() - w->menuBar()->height(), 532);
  EXPECT_EQ(w->minimumSize(), w->size());
  EXPECT_GT(w->maximumWidth(), 2000);
  EXPECT_TRUE(w->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(w->windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_EQ(w->centralWidget()->height() + w->statusBar()->height(), 532);
  EXPECT_TRUE(cutOffTexts(w.get()).isEmpty()) << cutOffTexts(w.get()).join(Q(", ")).toStdString();

  const QSize list = control<QTreeView>(*w, "sourceList")->size();
  const QSize preview = control<QFrame>(*w, "previewPanel")->size();
  const int groupHeight = control<QGroupBox>(*w, "videoSettingsBox")->height();
  w->resize(w->width() + 300, w->height() + 200);
  settle();
  EXPECT_EQ(w->width(), least + 300);
  EXPECT_GE(control<QTreeView>(*w, "sourceList")->width(), list.width() + 290);
  EXPECT_GT(control<QTreeView>(*w, "sourceList")->height(), list.height() + 50);
  EXPECT_GT(control<QFrame>(*w, "previewPanel")->width(), preview.width() + 100);
  EXPECT_GT(control<QFrame>(*w, "previewPanel")->height(), preview.height() + 30);
  EXPECT_EQ(control<QGroupBox>(*w, "videoSettingsBox")->height(), groupHeight);  // the settings keep their size

  // Never smaller than the design.
  w->resize(400, 300);
  settle();
  EXPECT_EQ(w->width(), least);
  EXPECT_EQ(w->height() - w->menuBar()->height(), 532);
}

// The desktop's font stands; at 150% and 200% the window asks for the room
// its texts need ("Original Video Size" included), never more than its
// screen.
TEST_F(MainWindowTest, TextsFitWithTheDesktopsFontAtLargerScales) {
  EXPECT_EQ(w->font(), QApplication::font(w.get()));
  EXPECT_EQ(control<QLabel>(*w, "videoSizeLabel")->font().pointSizeF(), QApplication::font().pointSizeF());
  for (double scale : {1.5, 2.0}) {
    SCOPED_TRACE(scale);
    ScaledAppFont font(scale);
    WindowRun scaled;
    std::unique_ptr<MainWindow> big = scaled.start();
    ASSERT_FALSE(big->startupFailed());
    chooseItem(control<QComboBox>(*big, "profileCombo"), Q("AVI - XviD Video (*.avi)"));
    EXPECT_GE(control<QComboBox>(*big, "videoSizeCombo")->findText(Q("Original Video Size")), 0);
    EXPECT_GT(big->minimumSizeHint().width(), w->minimumSizeHint().width());
    const QSize room = big->screen()->availableSize();
    EXPECT_LE(big->minimumWidth(), room.width());
    EXPECT_LE(big->minimumHeight(), room.height());
    // At the size its layouts ask for, nothing is cut off.
    settle();
    big->resize(big->minimumSizeHint().expandedTo(big->size()));
    settle();
    EXPECT_TRUE(cutOffTexts(big.get()).isEmpty()) << cutOffTexts(big.get()).join(Q(", ")).toStdString();
    EXPECT_TRUE(cutColumns(*big).isEmpty()) << cutColumns(*big).join(Q(", ")).toStdString();
  }
}

TEST_F(MainWindowTest, EveryNamedControlWithItsCaption) {
  const std::pair<const char *, const char *> captions[] = {
      {"addFileButton", "Add File"}, {"removeFileButton", "Remove File"}, {"clearAllButton", "Clear All "},
      {"stopButton", "Stop"}, {"startButton", "Start"},       {"progressStopButton", "Stop"},
      {"outputFolderLabel", "Output Folder :"},         {"profileLabel", "Set Output Format :"},
      {"videoQualityLabel", "Video Quality : "}, {"videoSizeLabel", "Video Size : "},
      {"frameRateLabel", "Video Framerate : "}, {"audioQualityLabel", "Audio Quality :"},
      {"audioChannelsLabel", "Audio Channels :"},    {"volumeLabel", "Volume : "},
      {"videoSettingsBox", " Video Settings "}, {"audioSettingsBox", " Audio Settings "}};
  for (auto [name, caption] : captions) EXPECT_EQ(captionOf(*w, name), Q(caption)) << name;
  for (const char *name : {"addFileButton", "removeFileButton", "clearAllButton", "stopButton", "startButton",
                           "progressStopButton"})
    EXPECT_TRUE(child<QToolButton>(name)) << name;
  for (const char *name : {"outputFolderLabel", "profileLabel", "videoQualityLabel", "videoSizeLabel", "frameRateLabel",
                           "audioQualityLabel", "audioChannelsLabel", "volumeLabel"})
    EXPECT_TRUE(child<QLabel>(name)) << name;
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

  // Read-only, in the normal text colour (not greyed as if disabled).
  auto *folder = child<QLineEdit>("outputFolderEdit");
  EXPECT_TRUE(folder->isReadOnly());
  const QPalette::ColorGroup painted = folder->isEnabled() ? QPalette::Active : QPalette::Disabled;
  EXPECT_EQ(folder->palette().color(painted, QPalette::Text), QApplication::palette().color(QPalette::Active, QPalette::Text));
  EXPECT_TRUE(folder->text().isEmpty());

  auto *format = child<QComboBox>("profileCombo");
  EXPECT_GE(format->width(), 330);
  EXPECT_FALSE(format->isEditable());
  EXPECT_EQ(format->count(), 56);
  EXPECT_EQ(format->currentIndex(), 0);

  for (const char *name : {"videoQualityCombo", "audioQualityCombo"}) {
    EXPECT_EQ(itemTexts(child<QComboBox>(name)), QStringList({"Highest", "Higher", "Normal", "Lower", "Lowest"}))
        << name;
    EXPECT_EQ(child<QComboBox>(name)->currentText(), Q("Normal")) << name;
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

  auto *timer = w->findChild<QTimer *>(Q("nextRowTimer"));
  ASSERT_TRUE(timer);
  EXPECT_EQ(timer->interval(), 200);
  EXPECT_FALSE(timer->isActive());
}

TEST_F(MainWindowTest, SourceListColumns) {
  auto *list = child<QTreeView>("sourceList");
  ASSERT_TRUE(list);
  QAbstractItemModel *model = list->model();
  ASSERT_EQ(model, static_cast<QAbstractItemModel *>(control<SourceListModel>(*w, "sourceListModel")));
  const char *names[] = {"Video File Name", "Video Size", "FrameRate", "Duration", "Output", "Progress", "Frames"};
  const int widths[] = {310, 90, 80, 60, 65, 57, 60};  // the least, as designed
  ASSERT_EQ(model->columnCount(), 7);
  // The file name takes the free width; the others what their texts need.
  EXPECT_EQ(list->header()->sectionResizeMode(kFileNameColumn), QHeaderView::Stretch);
  for (int c = 0; c < 7; ++c) {
    EXPECT_EQ(model->headerData(c, Qt::Horizontal).toString(), Q(names[c]));
    if (c > 0) {
      EXPECT_GE(list->columnWidth(c), widths[c]) << c;
    }
    const bool centred =
        model->headerData(c, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignHCenter;
    EXPECT_EQ(centred, c > 0) << c;
  }
  EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
  EXPECT_EQ(list->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_EQ(model->rowCount(), 0);

  EXPECT_TRUE(cutColumns(*w).isEmpty()) << cutColumns(*w).join(Q(", ")).toStdString();
  // The row shows the file's name; the model keeps its path.
  QStyleOptionViewItem shown;
  const QModelIndex name = model->index(0, kFileNameColumn);
  dynamic_cast<SourceListDelegate &>(*list->itemDelegate()).initStyleOption(&shown, name);
  EXPECT_EQ(shown.text, Q("a clip.mov"));
  EXPECT_EQ(name.data().toString(), Q("/videos/a clip.mov"));
}

// Choosing another profile leaves every setting and the preview where they
// were: each combo has the room of the widest item any profile gives it.
TEST_F(MainWindowTest, TheLayoutStaysWhenTheProfileChanges) {
  settle();
  const char *names[] = {"videoSettingsBox", "audioSettingsBox", "previewPanel",  "videoSizeCombo",
                         "frameRateCombo",   "volumeSlider",     "progressBar"};
  auto geometries = [&] {
    QList<QRect> at;
    for (const char *n : names) at << w->findChild<QWidget *>(Q(n))->geometry();
    return at;
  };
  const QList<QRect> first = geometries();
  auto *profiles = control<QComboBox>(*w, "profileCombo");
  for (int item = 0; item < profiles->count(); ++item) {
    if (profileIdAtListItem(item) < 0) continue;
    profiles->setCurrentIndex(item);
    emit profiles->activated(item);
    settle();
    EXPECT_EQ(geometries(), first) << profiles->currentText().toStdString();
  }
}

// The choices without a control of their own in the window live in the
// settings; the picture choices are the options dialog's.
TEST_F(MainWindowTest, NoHiddenValueHoldersAndStatusBar) {
  for (const char *name : {"audioCodecCombo", "sampleRateCombo", "videoCodecCombo", "audioBitrateCombo",
                           "videoBitrateCombo", "generalSettingsBox"})
    EXPECT_EQ(w->findChild<QWidget *>(Q(name)), nullptr) << name;
  EXPECT_FALSE(w->settings().choices.comboVideoCodec.items.empty());
  EXPECT_FALSE(w->settings().choices.comboAudioBitrate.text().empty());
  for (const char *name : {"letterBoxCombo", "aspectRatioCombo"})
    EXPECT_EQ(child<QComboBox>(name)->window(), control<OptionsDialog>(*w, "optionsDialog")) << name;
  EXPECT_EQ(itemTexts(child<QComboBox>("aspectRatioCombo")),
            QStringList({"Original", "4:3 (Standard", "16:9 (Wide Screen)"}));
  EXPECT_EQ(child<QComboBox>("aspectRatioCombo")->currentIndex(), 0);
  EXPECT_EQ(itemTexts(child<QComboBox>("letterBoxCombo")), QStringList({"None", "LetterBox"}));
  EXPECT_EQ(child<QComboBox>("letterBoxCombo")->currentIndex(), 0);

  EXPECT_EQ(w->statusPanelText(kStatePanel), Q("Ready"));
  EXPECT_TRUE(w->statusPanelText(kFileSizePanel).isEmpty());
  EXPECT_TRUE(w->statusPanelText(kTimePanel).isEmpty());
  // Each panel has room for the longest text a run puts there.
  const QString longest[] = {Q("Converting 123 of 456"), Q("File Size : 1234567 KBytes"),
                             Q("Elapsed 01:23:45   Speed 12.3x   Left 01:23:45")};
  for (int panel = 0; panel < kStatusPanelCount; ++panel)
    EXPECT_GE(control<QLabel>(*w, kPanelNames[panel])->width(),
              control<QLabel>(*w, kPanelNames[panel])->fontMetrics().horizontalAdvance(longest[panel]))
        << panel;
}

TEST_F(MainWindowTest, MenusAndSeparatorsInOrder) {
  QStringList top;
  for (QAction *a : w->menuBar()->actions()) top << plain(a->text());
  EXPECT_EQ(top, QStringList({Q("File"), Q("Options"), Q("Help")}));
  EXPECT_EQ(items(control<QMenu>(*w, "fileMenu")),
            QStringList({Q("addFilesAction:Add Files"), Q(":-"), Q("convertAction:Convert"),
                         Q("openOutputFolderAction:Open Output Folder"), Q(":-"), Q("exitAction:Exit")}));
  EXPECT_EQ(items(control<QMenu>(*w, "optionsMenu")), QStringList({Q("setOptionsAction:Set Options")}));
  EXPECT_EQ(items(control<QMenu>(*w, "helpMenu")),
            QStringList({Q("openHelpAction:Open Help File"), Q(":-"),
                         Q("visitWebsiteAction:Visit Trevix Software Website"), Q(":-"), Q("aboutAction:About")}));
  EXPECT_EQ(items(control<QMenu>(*w, "sourceListMenu")),
            QStringList({Q("checkAllAction:Check All Items"), Q("uncheckAllAction:Uncheck All Items"), Q(":-"),
                         Q("removeSelectedAction:Remove Selected Item"), Q("clearAllAction:Clear All Items"), Q(":-"),
                         Q("playSelectedAction:Play Selected File"), Q(":-"), QString::fromUtf8("setCutAction:Set Start and End…"),
                         Q("startHereAction:Start Here"), Q("endHereAction:End Here"), Q("rotateMenuAction:Rotate"),
                         Q(":-"), Q("showLogAction:Show Log")}));
  EXPECT_EQ(items(control<QMenu>(*w, "rotateMenu")),
            QStringList({QString::fromUtf8("rotateRightAction:90° Right"), QString::fromUtf8("rotateLeftAction:90° Left"), QString::fromUtf8("rotateHalfAction:180°"),
                         Q(":-"), Q("rotateNoneAction:No Turn")}));
  EXPECT_EQ(items(control<QMenu>(*w, "volumeMenu")),
            QStringList({Q("muteAction:Mute"), Q("halfVolumeAction:Half Volume"), Q("fullVolumeAction:Full Volume")}));
  // Every menu and item has a mnemonic, none twice in one menu.
  for (const QList<QAction *> &menu :
       {w->menuBar()->actions(), control<QMenu>(*w, "fileMenu")->actions(),
        control<QMenu>(*w, "optionsMenu")->actions(), control<QMenu>(*w, "helpMenu")->actions(),
        control<QMenu>(*w, "sourceListMenu")->actions(), control<QMenu>(*w, "volumeMenu")->actions(),
        control<QMenu>(*w, "rotateMenu")->actions()}) {
    const QString letters = mnemonics(menu);
    EXPECT_FALSE(letters.contains(QLatin1Char('?'))) << letters.toStdString();
    for (QChar c : letters) EXPECT_EQ(letters.count(c), 1) << letters.toStdString();
  }
}

TEST_F(MainWindowTest, StartUpCreatesTheDialogsAndState) {
  ASSERT_TRUE(control<AboutDialog>(*w, "aboutDialog"));
  ASSERT_TRUE(control<OptionsDialog>(*w, "optionsDialog"));
  EXPECT_EQ(control<AboutDialog>(*w, "aboutDialog")->parentWidget(), w.get());
  EXPECT_EQ(control<OptionsDialog>(*w, "optionsDialog")->parentWidget(), w.get());
  EXPECT_FALSE(control<AboutDialog>(*w, "aboutDialog")->isVisible());
  EXPECT_FALSE(control<OptionsDialog>(*w, "optionsDialog")->isVisible());
  EXPECT_FALSE(w->runFlags().converting);
  EXPECT_FALSE(w->runFlags().userAborted);
  EXPECT_FALSE(w->runFlags().addingFiles);
  EXPECT_FALSE(w->previewState().paused);
  EXPECT_TRUE(run.prompts.messages.isEmpty());
  // Showing the window raised the format change: the first profile's type.
  EXPECT_EQ(profileFormatName(w->settings().profileId), "3GP");
  EXPECT_FALSE(w->settings().choices.comboVideoSize.items.empty());
  EXPECT_TRUE(QFileInfo(w->helpFile()).isAbsolute());
}

TEST_F(MainWindowTest, VolumeBar) {
  auto *bar = child<QSlider>("volumeSlider");
  EXPECT_EQ(bar->minimum(), 0);
  EXPECT_EQ(bar->maximum(), 10);
  EXPECT_EQ(bar->value(), 5);
  EXPECT_GE(bar->width(), 120) << "wide enough to aim at a step";
  EXPECT_EQ(control<QLabel>(*w, "volumePercentLabel")->text(), Q("100%"));
  EXPECT_EQ(w->settings().volumeValue, 255);
  for (const auto &[step, shown, value] : {std::tuple{10, "200%", 600}, {0, "0%", 1}, {3, "60%", 150}}) {
    bar->setValue(step);
    EXPECT_EQ(control<QLabel>(*w, "volumePercentLabel")->text(), Q(shown)) << step;
    EXPECT_EQ(w->settings().volumeValue, value) << step;
  }
}

TEST_F(MainWindowTest, OutputFolderButton) {
  run.prompts.folders = {Q("/tmp/first"), QString(), Q("/tmp/second")};
  control<QToolButton>(*w, "chooseFolderButton")->click();
  EXPECT_EQ(control<QLineEdit>(*w, "outputFolderEdit")->text(), Q("/tmp/first"));
  control<QToolButton>(*w, "chooseFolderButton")->click();  // cancelled
  EXPECT_EQ(control<QLineEdit>(*w, "outputFolderEdit")->text(), Q("/tmp/first"));
  control<QToolButton>(*w, "chooseFolderButton")->click();
  EXPECT_EQ(control<QLineEdit>(*w, "outputFolderEdit")->text(), Q("/tmp/second"));
  ASSERT_EQ(run.prompts.folderHeadlines.size(), 3);
  EXPECT_EQ(run.prompts.folderHeadlines[0], Q("Choose the required output folder below :"));
  // Each time it starts in the folder last chosen.
  EXPECT_EQ(run.prompts.folderStarts, QStringList({QString(), Q("/tmp/first"), Q("/tmp/first")}));
  // Nothing while converting.
  run.startRun(*w);
  ASSERT_TRUE(w->runFlags().converting);
  control<QToolButton>(*w, "chooseFolderButton")->click();
  EXPECT_EQ(run.prompts.folderHeadlines.size(), 3);
  EXPECT_TRUE(run.finishRun(*w));
}

// Closing during a run asks as Stop does: No keeps the run and the window;
// Yes stops the run and closes (saving) once the stopped row has ended.
TEST_F(MainWindowTest, ClosingDuringARunAsksAsStopDoes) {
  run.startRun(*w);
  ASSERT_TRUE(w->runFlags().converting);
  w->setOutputFolder(Q("/tmp/kept"));
  for (bool yes : {false, true}) {
    run.prompts.yesAnswer = yes;
    EXPECT_FALSE(w->close()) << yes;
    EXPECT_TRUE(w->isVisible()) << yes;
    EXPECT_EQ(run.prompts.questions.size(), yes ? 2 : 1);
    EXPECT_EQ(run.prompts.questions.last(), Q("Confirmation|Stop all conversions?"));
    EXPECT_EQ(w->runInProgress(), !yes);
    EXPECT_EQ(run.stored()->value(Q("Output Folder")).toString(), QString());  // not saved
  }
  EXPECT_FALSE(w->close()) << "asked once: the window waits for the stopped row";
  EXPECT_EQ(run.prompts.questions.size(), 2);
  ASSERT_TRUE(waitUntil([&] { return !w->isVisible(); }, 30000, pumpEvents));
  EXPECT_EQ(w->sourceJobs().at(0).state, JobState::Aborted);
  EXPECT_TRUE(run.prompts.messages.isEmpty());
  EXPECT_EQ(run.stored()->value(Q("Output Folder")).toString(), Q("/tmp/kept"));
}

TEST_F(MainWindowTest, ClosingTheMainWindowEndsTheProgramWithTheOptionsOpen) {
  control<QAction>(*w, "setOptionsAction")->trigger();
  ASSERT_TRUE(control<OptionsDialog>(*w, "optionsDialog")->isVisible());
  bool closed = false;
  QTimer::singleShot(0, w.get(), [&] { closed = w->close(); });
  EXPECT_EQ(execWithin(5000), 0);
  EXPECT_TRUE(closed);
}

TEST_F(MainWindowTest, ExitEndsTheEventLoopWithoutSaving) {
  run.prompts.folders = {Q("/tmp/not-saved")};
  control<QToolButton>(*w, "chooseFolderButton")->click();
  QTimer::singleShot(0, w.get(), [this] { control<QAction>(*w, "exitAction")->trigger(); });
  EXPECT_EQ(execWithin(5000), 0);
  w.reset();  // the program's windows die without their close handlers
  EXPECT_EQ(run.stored()->value(Q("Output Folder")).toString(), QString());
}

TEST_F(MainWindowTest, HelpWebSiteAboutAndOptions) {
  control<QAction>(*w, "openHelpAction")->trigger();
  control<QAction>(*w, "visitWebsiteAction")->trigger();
  ASSERT_EQ(run.prompts.openedUrls.size(), 2u);
  const QUrl help = run.prompts.openedUrls[0];
  EXPECT_TRUE(help.isLocalFile());
  EXPECT_EQ(help.toLocalFile(), w->helpFile());
  EXPECT_TRUE(help.toLocalFile().endsWith(Q("/help/index.html")));
  EXPECT_TRUE(QFileInfo::exists(help.toLocalFile())) << "the build copies the help page beside the program";
  EXPECT_TRUE(run.prompts.openedUrls[1].scheme().startsWith(Q("http")));

  // About is modal; OK returns to the window.
  bool wasVisible = false;
  QTimer::singleShot(50, w.get(), [&] {
    wasVisible =
        control<AboutDialog>(*w, "aboutDialog")->isVisible() && control<AboutDialog>(*w, "aboutDialog")->isModal();
    control<AboutDialog>(*w, "aboutDialog")->okButton->click();
  });
  control<QAction>(*w, "aboutAction")->trigger();
  EXPECT_TRUE(wasVisible);
  EXPECT_FALSE(control<AboutDialog>(*w, "aboutDialog")->isVisible());

  // Options are not modal: the window stays usable.
  control<QAction>(*w, "setOptionsAction")->trigger();
  EXPECT_TRUE(control<OptionsDialog>(*w, "optionsDialog")->isVisible());
  EXPECT_FALSE(control<OptionsDialog>(*w, "optionsDialog")->isModal());
  EXPECT_TRUE(w->isEnabled());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(MainWindowTest, EngineEventsReachTheWindowOnlyOnTheUiThreadAndOnlyWhileOpen) {
  // An end-of-run notice raised by a worker is carried to the UI thread,
  // where it clears the progress bar (Stop, with nothing running, ended the
  // queue).
  w->stopAllConversions();
  ASSERT_TRUE(w->runFlags().queueFinished);
  control<QProgressBar>(*w, "progressBar")->setValue(50);
  std::thread([&] { w->engine()->onTerminate(-1, true, false, std::string()); }).join();
  EXPECT_EQ(control<QProgressBar>(*w, "progressBar")->value(), 50);  // untouched by the worker
  QCoreApplication::processEvents();
  EXPECT_EQ(control<QProgressBar>(*w, "progressBar")->value(), 0);

  // An event raised before "Exit" but not yet delivered is dropped, and so
  // is everything raised after it.
  w->setTerminateProgram([] {});
  control<QProgressBar>(*w, "progressBar")->setValue(50);
  std::thread([&] { w->engine()->onTerminate(-1, true, false, std::string()); }).join();
  control<QAction>(*w, "exitAction")->trigger();
  std::thread([&] { w->engine()->onTerminate(-1, true, false, std::string()); }).join();
  QCoreApplication::processEvents();
  EXPECT_EQ(control<QProgressBar>(*w, "progressBar")->value(), 50);
  // Events raised up to the moment the window is destroyed are dropped.
  std::atomic<bool> stop{false};
  MediaEngine *engine = w->engine();
  std::thread worker([&] {
    while (!stop) engine->onProgress(0, TaskProgress{1, 25, 100, 0.f, 0.f, 1000, 1000});
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
  control<QToolButton>(*w, "chooseFolderButton")->click();
  control<QToolButton>(*w, "addFileButton")->click();
  ASSERT_EQ(w->sourceJobs().count(), 1);
  chooseItem(control<QComboBox>(*w, "profileCombo"), Q("MP4 - MPEG4 Video (*.mp4)"));
  control<QToolButton>(*w, "startButton")->click();
  ASSERT_TRUE(w->runInProgress());
  // Let the task run a moment, then end the program as "Exit" does while
  // the worker is still converting.
  pumpFor(150);
  EXPECT_TRUE(w->runFlags().converting) << "the conversion ended before Exit: "
                                        << sourceJobText(w->sourceJobs().at(0), kProgressColumn);
  w->setTerminateProgram([] {});
  control<QAction>(*w, "exitAction")->trigger();
  w.reset();  // the engine is shut down with the window
  QCoreApplication::processEvents();
  pumpFor(200);
  SUCCEED();
}

class KeyboardTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
  }
  // A job listed without probing (the list's rows are data).
  void listFile(const char *path) { w->sourceJobs().append(makeSourceJob(path, ProbeSummary{}, "")); }
};

TEST_F(KeyboardTest, TabWalksEveryControlFromAddFileToStartAndOn) {
  control<QToolButton>(*w, "addFileButton")->setFocus(Qt::TabFocusReason);
  ASSERT_EQ(QApplication::focusWidget(), control<QToolButton>(*w, "addFileButton"));
  QStringList walked;
  for (int i = 0; i < 40 && !walked.contains(QApplication::focusWidget()->objectName()); ++i) {
    walked << QApplication::focusWidget()->objectName();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  }
  // In reading order, row by row, then the settings, then the preview;
  // Tab passes the Stop buttons, which have nothing to stop.
  EXPECT_EQ(walked.join(Q(" ")).toStdString(),
            std::string("addFileButton removeFileButton clearAllButton fitIntoBox startButton outputFolderEdit chooseFolderButton "
              "openFolderButton profileCombo sourceList videoQualityCombo videoSizeCombo frameRateCombo "
              "audioQualityCombo audioChannelsCombo volumeSlider playButton pauseButton previewStopButton "
              "volumeButton snapshotButton seekBar"));
}

TEST_F(KeyboardTest, ShortcutsAct) {
  // Ctrl+O: the open dialog of Add File.
  QTest::keyClick(w.get(), Qt::Key_O, Qt::ControlModifier);
  EXPECT_EQ(run.prompts.openFilters.size(), 1u);
  // F1: the help page.
  QTest::keyClick(w.get(), Qt::Key_F1);
  ASSERT_EQ(run.prompts.openedUrls.size(), 1u);
  EXPECT_EQ(run.prompts.openedUrls[0].toLocalFile(), w->helpFile());
  // Ctrl+Return: Start, which finds the list empty.
  QTest::keyClick(w.get(), Qt::Key_Return, Qt::ControlModifier);
  EXPECT_EQ(run.prompts.messages, QStringList{Q("Please Add Files To Convert!")});
  // Delete, where the list has the focus: Remove File.
  listFile("/videos/a.mov");
  listFile("/videos/b.mov");
  control<QTreeView>(*w, "sourceList")->setCurrentIndex(control<SourceListModel>(*w, "sourceListModel")->index(0, 0));
  control<QTreeView>(*w, "sourceList")->setFocus();
  QTest::keyClick(control<QTreeView>(*w, "sourceList"), Qt::Key_Delete);
  ASSERT_EQ(w->sourceJobs().count(), 1);
  EXPECT_EQ(w->sourceJobs().at(0).path, "/videos/b.mov");
  // Esc while nothing runs asks nothing; during a run it is Stop, with its
  // question.
  QTest::keyClick(w.get(), Qt::Key_Escape);
  EXPECT_TRUE(run.prompts.questions.isEmpty());
  run.prompts.yesAnswer = false;
  w->clearAllFiles();
  run.startRun(*w);
  ASSERT_TRUE(w->runFlags().converting);
  QTest::keyClick(w.get(), Qt::Key_Escape);
  EXPECT_EQ(run.prompts.questions, QStringList{Q("Confirmation|Stop all conversions?")});
  EXPECT_TRUE(w->runFlags().converting);  // answered No
  EXPECT_TRUE(run.finishRun(*w));
}

TEST_F(MainWindowTest, EveryButtonIsNamedAndReachedByTab) {
  for (QToolButton *b : w->findChildren<QToolButton *>()) {
    if (!b->isVisibleTo(w.get()) || b->objectName().isEmpty()) continue;
    EXPECT_FALSE(b->accessibleName().isEmpty()) << b->objectName().toStdString();
    EXPECT_TRUE(b->focusPolicy() & Qt::TabFocus) << b->objectName().toStdString();
    if (b->text().isEmpty()) {
      EXPECT_FALSE(b->toolTip().isEmpty()) << b->objectName().toStdString();
    }
  }
  EXPECT_EQ(control<QToolButton>(*w, "chooseFolderButton")->accessibleName(), Q("Choose Output Folder"));
  EXPECT_EQ(control<QToolButton>(*w, "openFolderButton")->accessibleName(), Q("Open Output Folder"));
  EXPECT_EQ(control<QToolButton>(*w, "playButton")->accessibleName(), Q("Play"));
}

// The selected row keeps the desktop's selection colours, focused or not.
TEST_F(KeyboardTest, TheSelectedRowIsReadable) {
  listFile("/videos/a readable name.mov");
  control<QTreeView>(*w, "sourceList")->setFocus();
  control<QTreeView>(*w, "sourceList")->setCurrentIndex(control<SourceListModel>(*w, "sourceListModel")->index(0, 0));
  QCoreApplication::processEvents();
  const QPalette palette = control<QTreeView>(*w, "sourceList")->palette();
  const QColor background = palette.color(QPalette::Active, QPalette::Highlight);
  const QColor text = palette.color(QPalette::Active, QPalette::HighlightedText);
  const QRect row = control<QTreeView>(*w, "sourceList")
                        ->visualRect(control<SourceListModel>(*w, "sourceListModel")->index(0, kFileNameColumn));
  const QImage picture = control<QTreeView>(*w, "sourceList")->viewport()->grab(row).toImage();
  int asBackground = 0, asText = 0;
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x) {
      const QColor c = picture.pixelColor(x, y);
      const auto near = [&](const QColor &want, int within) {
        return std::abs(c.red() - want.red()) + std::abs(c.green() - want.green()) + std::abs(c.blue() - want.blue()) <
               within;
      };
      asBackground += near(background, 24);
      asText += near(text, 60);
    }
  EXPECT_GT(asBackground, picture.width() * picture.height() / 2) << "the row is drawn in the selection colour";
  EXPECT_GT(asText, 20) << "its text in the selection's text colour";
  EXPECT_GT(std::abs(qGray(background.rgb()) - qGray(text.rgb())), 100);
}

TEST_F(MainWindowTest, OpenOutputFolderGoesToTheDesktop) {
  control<QAction>(*w, "openOutputFolderAction")->trigger();
  EXPECT_EQ(run.prompts.messages, QStringList{Q("Please select an output folder!")});
  EXPECT_TRUE(run.desktop.openedUrls.empty());
  ScratchDir out;
  const QString folder = QString::fromStdString(out.path().string());
  w->setOutputFolder(folder);
  control<QAction>(*w, "openOutputFolderAction")->trigger();
  control<QToolButton>(*w, "openFolderButton")->click();
  ASSERT_EQ(run.desktop.openedUrls.size(), 2u);
  EXPECT_EQ(run.desktop.openedUrls[0], QUrl::fromLocalFile(folder));
  EXPECT_EQ(run.desktop.openedUrls[1], QUrl::fromLocalFile(folder));
  EXPECT_EQ(run.prompts.messages.size(), 1) << "nothing is said when the desktop opened it";

  // Where no program takes the folder or the help page, the window says so.
  run.desktop.opens = false;
  run.prompts.opens = false;
  control<QToolButton>(*w, "openFolderButton")->click();
  control<QAction>(*w, "openHelpAction")->trigger();
  const QString notOpened = Q("No program on this desktop could open \"%1\".");
  EXPECT_EQ(run.prompts.messages.mid(1), (QStringList{notOpened.arg(folder), notOpened.arg(w->helpFile())}));
}

}  // namespace
