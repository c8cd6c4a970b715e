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
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSlider>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <atomic>
#include <thread>

#include "media_engine.h"
#include "about_dialog.h"
#include "media_fixture.h"
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
      {"ButtonAddFile", "Add File"}, {"ButtonRemove", "Remove File"}, {"ButtonClear", "Clear All "},
      {"ButtonStopConvert", "Stop"}, {"ButtonConvert", "Start"},       {"ButtonStopSmall", "Stop"}};
  for (auto [name, caption] : buttons) {
    auto *b = child<QToolButton>(name);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->text(), Q(caption)) << name;
  }
  EXPECT_FALSE(child<QToolButton>("ButtonAddFile")->icon().isNull());
  EXPECT_FALSE(child<QToolButton>("ButtonBrowseForFolder")->icon().isNull());
  const std::pair<const char *, const char *> hints[] = {{"ButtonPlay", "Play"},
                                                         {"ButtonPause", "Pause"},
                                                         {"ButtonStop", "Stop"},
                                                         {"ButtonVolume", "Volume"},
                                                         {"ButtonSnapshot", "Snapshot"}};
  for (auto [name, hint] : hints) {
    auto *b = child<QToolButton>(name);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->toolTip(), Q(hint)) << name;
  }
  const std::pair<const char *, const char *> labels[] = {
      {"Label1", "Output Folder :"},         {"Label2", "Set Output Format :"},
      {"LabelVideoQuality", "Video Quality : "}, {"LabelVideoSize", "Video Size : "},
      {"LabelVideoFramerate", "Video Framerate : "}, {"LabelAudioQuality", "Audio Quality :"},
      {"LabelAudioChannels", "Audio Channels :"},    {"LabelTrackBar1", "Volume : "}};
  for (auto [name, caption] : labels) {
    auto *l = child<QLabel>(name);
    ASSERT_TRUE(l);
    EXPECT_EQ(l->text(), Q(caption)) << name;
  }
  EXPECT_EQ(child<QGroupBox>("GroupBox1")->title(), Q(" Video Settings "));
  EXPECT_EQ(child<QGroupBox>("GroupBox2")->title(), Q(" Audio Settings "));

  auto *folder = child<QLineEdit>("EditOutputFolder");
  EXPECT_TRUE(folder->isReadOnly());
  EXPECT_FALSE(folder->isEnabled());
  EXPECT_TRUE(folder->text().isEmpty());

  auto *format = child<QComboBox>("ComboOutputFormat");
  EXPECT_EQ(format->width(), 330);
  EXPECT_FALSE(format->isEditable());
  EXPECT_EQ(format->count(), 56);
  EXPECT_EQ(format->currentIndex(), 0);

  for (const char *name : {"ComboVideoQuality", "ComboAudioQuality"}) {
    auto *c = child<QComboBox>(name);
    ASSERT_EQ(c->count(), 5) << name;
    EXPECT_EQ(c->itemText(0), Q("Highest"));
    EXPECT_EQ(c->itemText(4), Q("Lowest"));
    EXPECT_EQ(c->currentText(), Q("Normal"));
  }
  for (const char *name : {"ComboVideoSize", "ComboVideoFramerate", "ComboAudioChannels"})
    EXPECT_TRUE(child<QComboBox>(name)->isVisible()) << name;

  auto *progress = child<QProgressBar>("ProgressBar1");
  EXPECT_EQ(progress->minimum(), 0);
  EXPECT_EQ(progress->maximum(), 100);
  EXPECT_TRUE(child<QFrame>("Panel8")->isVisible());
  EXPECT_TRUE(child<QSlider>("DSTrackBar1"));
  EXPECT_TRUE(w->findChild<QWidget *>(Q("VideoWindow1")));
  EXPECT_TRUE(child<QLabel>("Image1"));
  for (const char *name : {"Panel1", "Panel2", "Panel6", "Panel7"}) EXPECT_TRUE(child<QFrame>(name));
  EXPECT_EQ(child<QFrame>("Panel1")->height(), 40);
  EXPECT_EQ(child<QFrame>("Panel2")->height(), 54);
  EXPECT_EQ(child<QFrame>("Panel6")->height(), 201);

  auto *timer = w->findChild<QTimer *>(Q("TimerConvertAgain"));
  ASSERT_TRUE(timer);
  EXPECT_EQ(timer->interval(), 200);
  EXPECT_FALSE(timer->isActive());
}

TEST_F(MainWindowTest, SourceListColumns) {
  auto *list = child<QTreeWidget>("ListView1");
  ASSERT_TRUE(list);
  const char *names[] = {"Video File Name", "Video Size", "FrameRate", "Duration", "Output", "Progress", "Frames"};
  const int widths[] = {310, 90, 80, 60, 65, 57, 60};
  ASSERT_EQ(list->columnCount(), 7);
  for (int c = 0; c < 7; ++c) {
    EXPECT_EQ(list->headerItem()->text(c), Q(names[c]));
    EXPECT_EQ(list->columnWidth(c), widths[c]) << c;
    const bool centred = list->headerItem()->textAlignment(c) & Qt::AlignHCenter;
    EXPECT_EQ(centred, c > 0) << c;
  }
  EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_EQ(list->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_EQ(list->topLevelItemCount(), 0);
}

TEST_F(MainWindowTest, HiddenValueHoldersAndStatusBar) {
  for (const char *name : {"ComboAudioCodec", "ComboSamplingRate", "ComboVideoCodec", "ComboAudioBitrate",
                           "ComboVideoBitrate", "ComboLetterBox", "ComboAspectRatio"})
    EXPECT_FALSE(child<QComboBox>(name)->isVisible()) << name;
  EXPECT_FALSE(child<QPlainTextEdit>("Memo1")->isVisible());
  auto *aspect = child<QComboBox>("ComboAspectRatio");
  ASSERT_EQ(aspect->count(), 3);
  EXPECT_EQ(aspect->itemText(0), Q("Original"));
  EXPECT_EQ(aspect->itemText(1), Q("4:3 (Standard"));
  EXPECT_EQ(aspect->itemText(2), Q("16:9 (Wide Screen)"));
  EXPECT_EQ(aspect->currentIndex(), 0);
  auto *letterBox = child<QComboBox>("ComboLetterBox");
  ASSERT_EQ(letterBox->count(), 2);
  EXPECT_EQ(letterBox->itemText(1), Q("LetterBox"));
  EXPECT_EQ(letterBox->currentIndex(), 0);

  EXPECT_EQ(w->statusPanels[0]->width(), 150);
  EXPECT_EQ(w->statusPanels[1]->width(), 300);
  EXPECT_EQ(w->statusPanels[2]->width(), 50);
  EXPECT_EQ(w->statusPanelText(0), Q("Ready"));
  EXPECT_TRUE(w->statusPanelText(1).isEmpty());
  EXPECT_TRUE(w->statusPanelText(2).isEmpty());
}

TEST_F(MainWindowTest, MenusAndSeparatorsInOrder) {
  QStringList top;
  for (QAction *a : w->menuBar()->actions()) top << a->text();
  EXPECT_EQ(top, QStringList({Q("File"), Q("Options"), Q("Help")}));
  EXPECT_EQ(items(w->file1), QStringList({Q("AddFiles1:Add Files"), Q("N5:-"), Q("Convert1:Convert"), Q("N6:-"),
                                          Q("Exit1:Exit")}));
  EXPECT_EQ(items(w->options1), QStringList({Q("SetGeneralOptions1:Set Options")}));
  EXPECT_EQ(items(w->help1),
            QStringList({Q("OpenHelpFile1:Open Help File"), Q("N2:-"),
                         Q("VisitOurWebsite1:Visit Trevix Software Website"), Q("N4:-"), Q("About1:About")}));
  EXPECT_EQ(items(w->popupListView1),
            QStringList({Q("CheckAllItems1:Check All Items"), Q("UncheckAllItems1:Uncheck All Items"), Q("N1:-"),
                         Q("DeleteSelectedItem1:Remove Selected Item"), Q("ClearAllItems1:Clear All Items"),
                         Q("N8:-"), Q("PlaySelectedFile1:Play Selected File"), Q("N9:-")}));
  EXPECT_EQ(items(w->popupMenuSpeaker), QStringList({Q("Mute1:Mute"), Q("HalfVolume1:Half Volume"),
                                                     Q("FullVolume1:Full Volume")}));
}

TEST_F(MainWindowTest, StartUpCreatesTheDialogsAndState) {
  ASSERT_TRUE(w->formAbout);
  ASSERT_TRUE(w->form4);
  EXPECT_EQ(w->formAbout->parentWidget(), w.get());
  EXPECT_EQ(w->form4->parentWidget(), w.get());
  EXPECT_FALSE(w->formAbout->isVisible());
  EXPECT_FALSE(w->form4->isVisible());
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
  auto *bar = child<QSlider>("TrackBar1");
  EXPECT_EQ(bar->minimum(), 0);
  EXPECT_EQ(bar->maximum(), 10);
  EXPECT_EQ(bar->value(), 5);
  EXPECT_EQ(w->labelVolume->text(), Q("100%"));
  EXPECT_EQ(w->volumeValue, 255);
  bar->setValue(10);
  EXPECT_EQ(w->labelVolume->text(), Q("200%"));
  EXPECT_EQ(w->volumeValue, 600);
  bar->setValue(0);
  EXPECT_EQ(w->labelVolume->text(), Q("0%"));
  EXPECT_EQ(w->volumeValue, 1);
  bar->setValue(3);
  EXPECT_EQ(w->labelVolume->text(), Q("60%"));
  EXPECT_EQ(w->volumeValue, 150);
}

TEST_F(MainWindowTest, OutputFolderButton) {
  run.prompts.folders = {Q("/tmp/first"), QString(), Q("/tmp/second")};
  w->buttonBrowseForFolder->click();
  EXPECT_EQ(w->editOutputFolder->text(), Q("/tmp/first"));
  w->buttonBrowseForFolder->click();  // cancelled
  EXPECT_EQ(w->editOutputFolder->text(), Q("/tmp/first"));
  w->buttonBrowseForFolder->click();
  EXPECT_EQ(w->editOutputFolder->text(), Q("/tmp/second"));
  ASSERT_EQ(run.prompts.folderHeadlines.size(), 3);
  EXPECT_EQ(run.prompts.folderHeadlines[0], Q("Choose the required output folder below :"));
  // Each time it starts in the folder last chosen.
  EXPECT_EQ(run.prompts.folderStarts, QStringList({QString(), Q("/tmp/first"), Q("/tmp/first")}));
  // Nothing while converting.
  w->converting = true;
  w->buttonBrowseForFolder->click();
  EXPECT_EQ(run.prompts.folderHeadlines.size(), 3);
  w->converting = false;
}

TEST_F(MainWindowTest, CloseIsRefusedSilentlyWhileConverting) {
  run.prompts.folders = {Q("/tmp/kept")};
  w->buttonBrowseForFolder->click();
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
  w->setGeneralOptions1->trigger();
  ASSERT_TRUE(w->form4->isVisible());
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
  w->buttonBrowseForFolder->click();
  QTimer::singleShot(0, w.get(), [this] { w->exit1->trigger(); });
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
  w->openHelpFile1->trigger();
  w->visitOurWebsite1->trigger();
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
    wasVisible = w->formAbout->isVisible() && w->formAbout->isModal();
    w->formAbout->speedButton1->click();
  });
  w->about1->trigger();
  EXPECT_TRUE(wasVisible);
  EXPECT_FALSE(w->formAbout->isVisible());

  // Options are not modal: the window stays usable.
  w->setGeneralOptions1->trigger();
  EXPECT_TRUE(w->form4->isVisible());
  EXPECT_FALSE(w->form4->isModal());
  EXPECT_TRUE(w->isEnabled());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(MainWindowTest, EngineEventsReachTheWindowOnlyOnTheUiThreadAndOnlyWhileOpen) {
  // An end-of-run notice raised by a worker is carried to the UI thread.
  w->converting = true;
  w->queueFinished = true;
  std::thread([&] { w->FFVCL->onTerminate(-1, true, false, std::string()); }).join();
  EXPECT_TRUE(w->converting);  // untouched by the worker
  QCoreApplication::processEvents();
  EXPECT_FALSE(w->converting);

  // An event raised before "Exit" but not yet delivered is dropped, and so
  // is everything raised after it.
  w->terminateProgram = [] {};
  w->converting = true;
  std::thread([&] { w->FFVCL->onTerminate(-1, true, false, std::string()); }).join();
  w->exit1->trigger();
  std::thread([&] { w->FFVCL->onTerminate(-1, true, false, std::string()); }).join();
  QCoreApplication::processEvents();
  EXPECT_TRUE(w->converting);
  // Events raised up to the moment the window is destroyed are dropped.
  std::atomic<bool> stop{false};
  MediaEngine *engine = w->FFVCL.get();
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
  MediaRecipe recipe;
  recipe.width = 320;
  recipe.height = 240;
  recipe.durationSec = 12.0;
  const std::string source = cachedFixture(recipe, "shell-exit.mov");
  ASSERT_FALSE(source.empty());
  ScratchDir out;
  run.prompts.files = {QString::fromStdString(source)};
  run.prompts.folders = {QString::fromStdString(out.path().string())};
  w->buttonBrowseForFolder->click();
  w->buttonAddFile->click();
  ASSERT_EQ(w->listView1->topLevelItemCount(), 1);
  const int mp4 = w->comboOutputFormat->findText(Q("MP4 - MPEG4 Video (*.mp4)"));
  ASSERT_GE(mp4, 0);
  w->comboOutputFormat->setCurrentIndex(mp4);
  emit w->comboOutputFormat->activated(mp4);
  w->buttonConvert->click();
  ASSERT_TRUE(w->converting || w->timerConvertAgain->isActive());
  // Let the task run a moment, then end the program as "Exit" does while
  // the worker is still converting.
  QTreeWidgetItem *row = w->listView1->topLevelItem(0);
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < 150) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  EXPECT_TRUE(w->converting) << "the conversion ended before Exit: " << row->text(kProgressColumn).toStdString();
  w->terminateProgram = [] {};
  w->exit1->trigger();
  w.reset();  // the engine is shut down with the window
  QCoreApplication::processEvents();
  t.restart();
  while (t.elapsed() < 200) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  SUCCEED();
}

}  // namespace
