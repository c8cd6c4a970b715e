// The conversion queue in the main window: Start checks, the controls
// around a run, Stop, and runs through the real engine.
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QMenuBar>
#include <QProgressBar>
#include <QTimer>
#include <QToolButton>
#include <filesystem>
#include <fstream>

#include "conversion_queue.h"
#include "file_bytes.h"
#include "log_dialog.h"
#include "media_engine.h"
#include "options_dialog.h"
#include "media_fixture.h"
#include "queue_window_fixture.h"

namespace {

class QueueWindow : public WindowTest {
 protected:
  // Chooses the profile `label` (nullptr: keeps it) and a fresh output
  // folder, which it returns.
  std::string convertInto(const char *label) {
    if (label) pickFormat(label);
    const std::string out = scratch.file("out");
    std::filesystem::create_directories(out);
    setOutputFolder(out);
    return out;
  }
  std::string clip(const std::string &name, double seconds = 1.0) {
    return cachedFixture(smallClipRecipe(seconds), name);
  }
  bool runEnded() { return !control<QTimer>(*window, "nextRowTimer")->isActive() && !window->runFlags().converting; }
};

}  // namespace

// A control is enabled exactly when it acts: idle, while a row converts, and
// after a confirmed Stop until the stopped row has ended.
TEST_F(QueueWindow, ControlsEnabledExactlyWhenTheyAct) {
  struct Expected {
    const char *name;
    bool idle, running, stopping;
  };
  const Expected table[] = {
      {"addFileButton", 1, 0, 0},      {"addFilesAction", 1, 0, 0},       {"removeFileButton", 1, 0, 0},
      {"removeSelectedAction", 1, 0, 0}, {"clearAllButton", 1, 0, 0},     {"clearAllAction", 1, 0, 0},
      {"stopButton", 0, 1, 0},         {"progressStopButton", 0, 1, 0},   {"stopAction", 0, 1, 0},
      {"startButton", 1, 0, 0},        {"convertAction", 1, 0, 0},        {"chooseFolderButton", 1, 0, 0},
      {"openFolderButton", 1, 0, 0},   {"openOutputFolderAction", 1, 0, 0}, {"profileCombo", 1, 0, 0}, {"fitIntoBox", 1, 0, 0},
      {"videoQualityCombo", 1, 0, 0},  {"videoSizeCombo", 1, 0, 0},       {"frameRateCombo", 1, 0, 0},
      {"audioQualityCombo", 1, 0, 0},  {"audioChannelsCombo", 1, 0, 0},   {"volumeSlider", 1, 0, 0},
      {"playButton", 1, 0, 0},         {"pauseButton", 1, 0, 0},          {"previewStopButton", 1, 0, 0},
      {"volumeButton", 1, 0, 0},       {"snapshotButton", 1, 0, 0},       {"seekBar", 1, 0, 0},
      {"playSelectedAction", 1, 0, 0}, {"fileMenuAction", 1, 0, 0},       {"optionsMenuAction", 1, 0, 0},
      {"helpMenuAction", 1, 0, 0},     {"additionalOptionsBox", 1, 0, 0}, {"generalVideoBox", 1, 0, 0},
      {"sourceList", 1, 1, 1},         {"outputFolderEdit", 1, 1, 1},
  };
  auto expect = [&](bool Expected::*phase, const char *when) {
    SCOPED_TRACE(when);
    for (const Expected &e : table) {
      const QObject *c = window->findChild<QObject *>(QString::fromLatin1(e.name));
      ASSERT_NE(c, nullptr) << e.name;
      EXPECT_EQ(c->property("enabled").toBool(), e.*phase) << e.name;
    }
    EXPECT_EQ(window->sourceListMenuEnabled(), &Expected::idle == phase);
  };
  pickFormat("MP4 - MPEG4 Video (*.mp4)");
  expect(&Expected::idle, "idle");
  MediaRecipe recipe;  // long enough to be caught while converting
  recipe.durationSec = 10.0;
  addFiles({QString::fromStdString(cachedFixture(recipe, "long.mov"))});
  setOutputFolder(scratch.path().string());
  window->startConversion();
  ASSERT_TRUE(window->runFlags().converting);
  expect(&Expected::running, "running");
  prompts.yesAnswer = true;
  window->stopAllConversions();
  expect(&Expected::stopping, "stopping");
  ASSERT_TRUE(waitUntil([&] { return text(0, kProgressColumn) == "Abort"; }, 30000, pumpEvents));
  expect(&Expected::idle, "after the stopped row");

  // For an audio output the video settings stay off after a run.
  pickFormat("OGG - Ogg Vorbis Audio (*.ogg)");
  window->disableControlsForConversion();
  window->enableControlsAfterConversion();
  for (const char *name : {"videoQualityCombo", "videoSizeCombo", "frameRateCombo"})
    EXPECT_FALSE(control<QComboBox>(*window, name)->isEnabled()) << name;
  EXPECT_TRUE(control<QComboBox>(*window, "audioQualityCombo")->isEnabled());
}

TEST_F(QueueWindow, StartChecks) {
  window->startConversion();
  EXPECT_EQ(prompts.messages, QStringList{"Please Add Files To Convert!"});

  addFiles({QString::fromStdString(clip("a.mov"))});
  setOutputFolder("");
  window->startConversion();
  EXPECT_EQ(prompts.messages.last(), "Please select an output folder!");
  EXPECT_EQ(prompts.folderDialogs, 1);

  const std::string gone = scratch.file("gone");
  setOutputFolder(gone);
  window->startConversion();
  EXPECT_EQ(prompts.messages.last().toStdString(),
            "The output folder \"" + gone +
                "\"\n\rdoes not exist or has been deleted!\n\rPlease choose a new output folder.");
  EXPECT_EQ(prompts.folderDialogs, 2);
  EXPECT_FALSE(window->runFlags().converting);
  EXPECT_FALSE(control<QTimer>(*window, "nextRowTimer")->isActive());
  EXPECT_TRUE(control<QToolButton>(*window, "startButton")->isEnabled());
}

TEST_F(QueueWindow, StopWithNothingRunning) {
  window->disableControlsForConversion();
  control<QProgressBar>(*window, "progressBar")->setValue(40);
  window->stopAllConversions();
  EXPECT_TRUE(prompts.questions.isEmpty());
  EXPECT_TRUE(control<QToolButton>(*window, "startButton")->isEnabled());
  for (const char *menu : {"fileMenu", "optionsMenu", "helpMenu"})
    EXPECT_TRUE(control<QMenu>(*window, menu)->menuAction()->isEnabled()) << menu;
  EXPECT_EQ(control<QProgressBar>(*window, "progressBar")->value(), 0);
  EXPECT_TRUE(window->runFlags().queueFinished);
}

TEST_F(QueueWindow, UnreadableSourceFailsThroughTheEngine) {
  const std::string bad = scratch.file("broken.mov");
  std::ofstream(bad) << "not a movie";
  addFiles({QString::fromStdString(bad)});
  ASSERT_EQ(rows(), 1);
  EXPECT_EQ(text(0, kProgressColumn), "Error");
  const std::string out = convertInto(nullptr);
  window->startConversion();
  EXPECT_EQ(text(0, kProgressColumn), "Fail");
  EXPECT_FALSE(job(0).reason.empty()) << "the engine's reason is kept with the row";
  EXPECT_EQ(prompts.messages, QStringList{"All Conversions Completed"});
  EXPECT_TRUE(runEnded());
  EXPECT_TRUE(control<QToolButton>(*window, "startButton")->isEnabled());
  EXPECT_TRUE(std::filesystem::is_empty(out));
}

// Runs through the real engine.

TEST_F(QueueWindow, ConversionRunsToDone) {
  const std::string out = convertInto("MP4 - MPEG4 Video (*.mp4)");
  const QString a = QString::fromStdString(clip("a.mov"));
  addFiles({a, a});
  setChecked(0, false);
  window->startConversion();
  EXPECT_FALSE(control<QToolButton>(*window, "startButton")->isEnabled());
  ASSERT_TRUE(waitUntil([&] { return !prompts.messages.isEmpty(); }, 60000, pumpEvents));
  EXPECT_EQ(prompts.messages, QStringList{"All Conversions Completed"});
  EXPECT_EQ(text(0, kProgressColumn), "");
  EXPECT_EQ(text(1, kProgressColumn), "Done");
  // The last report counts every picture written.
  const std::string output = out + "/" + std::filesystem::path(a.toStdString()).stem().string() + ".mp4";
  const ProbedFile written = probeMedia(output);
  ASSERT_TRUE(written.ok) << written.error;
  ASSERT_NE(written.first("video"), nullptr);
  EXPECT_EQ(text(1, kFramesColumn).toLongLong(), written.first("video")->frames);
  EXPECT_TRUE(window->statusPanelText(kFileSizePanel).startsWith("File Size : "));
  EXPECT_EQ(job(1).outputPath, output);
  EXPECT_EQ(job(1).state, JobState::Done);
  EXPECT_TRUE(runEnded());
  EXPECT_TRUE(control<QToolButton>(*window, "startButton")->isEnabled());
  EXPECT_EQ(control<QProgressBar>(*window, "progressBar")->value(), 0);

  // The next run starts afresh, the rows it leaves out and the status bar too.
  setChecked(0, true);
  setChecked(1, false);
  window->startConversion();
  EXPECT_EQ(text(1, kProgressColumn), "");
  EXPECT_EQ(text(1, kFramesColumn), "");
  EXPECT_EQ(window->statusPanelText(kFileSizePanel), "");
  ASSERT_TRUE(waitUntil([&] { return runEnded(); }, 60000, pumpEvents));
}

TEST_F(QueueWindow, StopAnsweredNoThenYes) {
  const std::string out = convertInto("MP4 - MPEG4 Video (*.mp4)");
  MediaRecipe recipe;  // 640x480, long enough to be caught while converting
  recipe.durationSec = 10.0;
  const QString a = QString::fromStdString(cachedFixture(recipe, "long.mov"));
  addFiles({a, a, a});
  window->engine()->setProgressInterval(100);
  window->startConversion();
  ASSERT_TRUE(window->runFlags().converting);
  // Row 0 converts; answering No lets it go on to the end. The hour the
  // question stays open is not the file's time.
  prompts.yesAnswer = false;
  QString timesAsked;
  prompts.duringQuestion = [&] {
    run.clockAhead += std::chrono::hours(1);
    timesAsked = window->statusPanelText(kTimePanel);
  };
  window->stopAllConversions();
  prompts.duringQuestion = nullptr;
  auto times = [&] { return window->statusPanelText(kTimePanel); };
  ASSERT_TRUE(waitUntil([&] { return times() != timesAsked && times().startsWith("Elapsed"); }, 30000, pumpEvents));
  EXPECT_TRUE(times().startsWith("Elapsed 00:00:")) << times().toStdString();
  EXPECT_EQ(prompts.questions, QStringList{"Confirmation|Stop all conversions?"});
  EXPECT_TRUE(control<QTimer>(*window, "nextRowTimer")->isActive());
  // Row 1, once it has written pictures: Yes stops the run.
  ASSERT_TRUE(waitUntil(
      [&] {
        return window->runFlags().currentRow == 1 && window->runFlags().converting && job(1).frameNumber.value_or(0) > 0;
      },
      60000, pumpEvents));
  EXPECT_EQ(text(0, kProgressColumn), "Done");
  prompts.yesAnswer = true;
  window->stopAllConversions();
  EXPECT_EQ(prompts.questions.size(), 2);
  EXPECT_FALSE(control<QToolButton>(*window, "startButton")->isEnabled()) << "until the stopped row has ended";
  ASSERT_TRUE(waitUntil([&] { return text(1, kProgressColumn) == "Abort"; }, 30000, pumpEvents));
  EXPECT_TRUE(control<QToolButton>(*window, "startButton")->isEnabled());
  // Row 1's part converted is kept under a name that says so, which its
  // hint gives; its final name stays free.
  const std::string planned = out + "/" + std::filesystem::path(a.toStdString()).stem().string() + "-1";
  const std::string &kept = job(1).outputPath;
  EXPECT_EQ(kept.rfind(planned + " (stopped at 00-00-0", 0), 0u) << kept;
  EXPECT_EQ(kept.substr(kept.size() - 5), ").mp4") << kept;
  EXPECT_TRUE(probeMedia(kept).ok) << kept;
  EXPECT_FALSE(std::filesystem::exists(planned + ".mp4"));
  const QString hint = model()->index(1, 0).data(Qt::ToolTipRole).toString();
  EXPECT_TRUE(hint.contains(QString::fromStdString(kept))) << hint.toStdString();
  pumpFor(600);  // the timer would have moved on by now
  EXPECT_EQ(text(0, kProgressColumn), "Done");
  EXPECT_EQ(text(2, kProgressColumn), "");
  EXPECT_FALSE(prompts.messages.contains("All Conversions Completed"));
  EXPECT_TRUE(runEnded());
}

// A failed row tells why: its hint, its log (double-click or "Show Log"),
// the status bar's counts; a converted row opens its output on a
// double-click.
TEST_F(QueueWindow, AFailedRowShowsTheEnginesReasonAndLog) {
  const std::string out = convertInto("MP4 - MPEG4 Video (*.mp4)");
  const std::string good = clip("good.mov"), broken = scratch.file("broken.mov");
  // The first half of a real file: the probe and the engine refuse it, and
  // the libraries say why in the log.
  writeFileBytes(broken, fileBytes(good).substr(0, fileBytes(good).size() / 2));
  addFiles({QString::fromStdString(broken), QString::fromStdString(good)});
  window->startConversion();
  ASSERT_TRUE(waitUntil([&] { return runEnded() && !prompts.messages.isEmpty(); }, 60000, pumpEvents));
  EXPECT_EQ(prompts.messages, QStringList{"All Conversions Completed"});
  ASSERT_EQ(text(0, kProgressColumn), "Fail");
  ASSERT_EQ(text(1, kProgressColumn), "Done");

  const QString reason = QString::fromStdString(job(0).reason);
  EXPECT_FALSE(reason.isEmpty());
  EXPECT_NE(reason, kSetUpFailedReason);
  for (int column = 0; column < kSourceListColumnCount; ++column)
    EXPECT_EQ(model()->index(0, column).data(Qt::ToolTipRole).toString(), reason) << column;
  ASSERT_FALSE(job(0).logLines.empty()) << "the libraries' messages about the file are kept";
  const QString firstLine = QString::fromStdString(job(0).logLines.front());
  EXPECT_EQ(window->statusPanelText(kStatePanel), "1 Done, 1 Fail");

  // Double-click on the failed row: its log, the reason on top.
  emit control<QTreeView>(*window, "sourceList")->doubleClicked(model()->index(0, kProgressColumn));
  LogDialog *log = control<LogDialog>(*window, "logDialog");
  ASSERT_NE(log, nullptr);
  EXPECT_TRUE(log->isVisible());
  EXPECT_FALSE(log->isModal());
  EXPECT_EQ(log->headlineLabel->text(), "Fail: " + reason);
  EXPECT_TRUE(log->logView->toPlainText().startsWith(firstLine));
  EXPECT_TRUE(log->windowTitle().contains("broken.mov"));
  log->copyButton->click();
  const QString copied = QApplication::clipboard()->text();
  EXPECT_TRUE(copied.contains(reason)) << copied.toStdString();
  EXPECT_TRUE(copied.contains(firstLine)) << copied.toStdString();
  log->hide();

  // "Show Log" in the list's menu, for the selected row.
  select(1);
  emit control<QMenu>(*window, "sourceListMenu")->aboutToShow();
  EXPECT_TRUE(control<QAction>(*window, "showLogAction")->isEnabled());
  control<QAction>(*window, "showLogAction")->trigger();
  EXPECT_TRUE(log->isVisible());
  EXPECT_TRUE(log->headlineLabel->text().startsWith("Done: Converted to " + QString::fromStdString(out)));

  // Double-click on the converted row: its output, through the desktop.
  EXPECT_TRUE(desktop.openedUrls.empty());
  emit control<QTreeView>(*window, "sourceList")->doubleClicked(model()->index(1, kFileNameColumn));
  ASSERT_EQ(desktop.openedUrls.size(), 1u);
  EXPECT_EQ(desktop.openedUrls[0], QUrl::fromLocalFile(QString::fromStdString(job(1).outputPath)));
  EXPECT_TRUE(std::filesystem::exists(job(1).outputPath));
  // No program for it on this desktop: the window says so.
  desktop.opens = false;
  emit control<QTreeView>(*window, "sourceList")->doubleClicked(model()->index(1, kFileNameColumn));
  EXPECT_EQ(prompts.messages.last().toStdString(),
            "No program on this desktop could open \"" + job(1).outputPath + "\".");
}

// During a run the status bar tells which file of the run is converted and
// how it goes; afterwards, what became of the files.
TEST_F(QueueWindow, StatusBarDuringAndAfterARun) {
  const std::string out = convertInto("MP4 - MPEG4 Video (*.mp4)");
  const QString a = QString::fromStdString(clip("status.mov", 4.0));
  addFiles({a, a, a});
  setChecked(1, false);  // not part of the run
  window->engine()->setProgressInterval(100);
  EXPECT_EQ(window->statusPanelText(kStatePanel), "Ready");
  window->startConversion();
  EXPECT_EQ(window->statusPanelText(kStatePanel), "Converting 1 of 2");
  const QRegularExpression times("^Elapsed \\d\\d:\\d\\d:\\d\\d   Speed \\d+\\.\\dx   Left \\d\\d:\\d\\d:\\d\\d$");
  ASSERT_TRUE(waitUntil([&] { return times.match(window->statusPanelText(kTimePanel)).hasMatch(); }, 30000,
                        pumpEvents))
      << window->statusPanelText(kTimePanel).toStdString();
  EXPECT_TRUE(window->statusPanelText(kFileSizePanel).startsWith("File Size : "));
  ASSERT_TRUE(waitUntil([&] { return window->runFlags().currentRow == 2 && window->runFlags().converting; }, 60000,
                        pumpEvents));
  EXPECT_EQ(window->statusPanelText(kStatePanel), "Converting 2 of 2");
  ASSERT_TRUE(waitUntil([&] { return runEnded(); }, 60000, pumpEvents));
  EXPECT_EQ(window->statusPanelText(kStatePanel), "2 Done, 0 Fail");
  EXPECT_EQ(window->statusPanelText(kTimePanel), "");
  // Clear All, and Add File, start afresh.
  window->clearAllFiles();
  for (int panel : {kStatePanel, kFileSizePanel, kTimePanel})
    EXPECT_EQ(window->statusPanelText(panel), panel == kStatePanel ? "Ready" : "") << panel;
  addFiles({});
  EXPECT_EQ(window->statusPanelText(kStatePanel), "Ready");
}

// Several rows at once ("Simultaneous conversions" 3): each converting row
// shows its own progress, the status bar the run as a whole, and the
// counts come once, at the end.
TEST_F(QueueWindow, SeveralRowsConvertAtOnce) {
  const std::string out = convertInto("MP4 - MPEG4 Video (*.mp4)");
  const QString a = QString::fromStdString(clip("jobs.mov", 4.0));
  addFiles({a, a, a});
  chooseItem(control<QComboBox>(*control<OptionsDialog>(*window, "optionsDialog"), "simultaneousCombo"), "3");
  window->engine()->setProgressInterval(100);
  window->startConversion();
  const auto allConverting = [&] {
    for (int r = 0; r < 3; ++r)
      if (job(r).state != JobState::Converting || !text(r, kProgressColumn).endsWith('%')) return false;
    return true;
  };
  ASSERT_TRUE(waitUntil(allConverting, 60000, pumpEvents));
  const QRegularExpression state("^Converting [1-3] at once, [0-2] of 3 done$"),
      times("^Elapsed \\d\\d:\\d\\d:\\d\\d   Left (\\d\\d:\\d\\d:\\d\\d|--:--:--)$");
  ASSERT_TRUE(waitUntil([&] { return times.match(window->statusPanelText(kTimePanel)).hasMatch(); }, 30000,
                        pumpEvents))
      << window->statusPanelText(kTimePanel).toStdString();
  QStringList statesSeen;
  ASSERT_TRUE(waitUntil([&] {
    statesSeen << window->statusPanelText(kStatePanel);
    return runEnded();
  }, 60000, pumpEvents));
  statesSeen.removeLast();
  for (const QString &seen : statesSeen) EXPECT_TRUE(state.match(seen).hasMatch()) << seen.toStdString();
  EXPECT_EQ(window->statusPanelText(kStatePanel), "3 Done, 0 Fail");
  EXPECT_EQ(prompts.messages, QStringList{"All Conversions Completed"});
  for (int r = 0; r < 3; ++r) {
    EXPECT_EQ(text(r, kProgressColumn), "Done") << r;
    const std::string stem = out + "/" + std::filesystem::path(a.toStdString()).stem().string();
    EXPECT_EQ(job(r).outputPath, stem + (r == 0 ? "" : "-" + std::to_string(r)) + ".mp4");
    const ProbedFile written = probeMedia(job(r).outputPath);
    ASSERT_TRUE(written.ok) << written.error;
    EXPECT_EQ(text(r, kFramesColumn).toLongLong(), written.first("video")->frames) << r;
  }
}

// A run that ends while the user works in another window is told on the
// desktop; one that ends in sight is not.
TEST_F(QueueWindow, ANotificationWhenARunEndsOutOfSight) {
  convertInto("MP3 - Mpeg Layer3 Audio (*.mp3)");
  addFiles({QString::fromStdString(clip("tell.mov"))});
  window->show();
  QWidget elsewhere;
  elsewhere.show();
  QApplication::setActiveWindow(&elsewhere);
  ASSERT_FALSE(window->isActiveWindow());
  window->startConversion();
  ASSERT_TRUE(waitUntil([&] { return runEnded(); }, 60000, pumpEvents));
  EXPECT_EQ(desktop.notifications,
            QStringList{"Trevix MOV Video Converter|All Conversions Completed: 1 Done, 0 Fail"});

  QApplication::setActiveWindow(window.get());
  ASSERT_TRUE(window->isActiveWindow());
  window->startConversion();
  ASSERT_TRUE(waitUntil([&] { return runEnded(); }, 60000, pumpEvents));
  EXPECT_EQ(desktop.notifications.size(), 1);
  EXPECT_EQ(prompts.messages.count("All Conversions Completed"), 2);
}
