// The source list of the main window: adding and probing files (open
// dialog and drops), row texts, the add-file component, remove and clear.
#include <QAction>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QToolButton>
#include <filesystem>
#include <fstream>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "file_input.h"
#include "media_fixture.h"
#include "odd_sources.h"
#include "queue_window_fixture.h"

namespace {

std::string smallClip(int rateNum, int rateDen, const std::string &name) {
  MediaRecipe recipe = smallClipRecipe(1.0);
  recipe.rateNum = rateNum;
  recipe.rateDen = rateDen;
  return cachedFixture(recipe, name);
}

class SourceList : public WindowTest {
 protected:
  std::string unreadable() {
    const std::string p = scratch.file("broken.mov");
    std::ofstream(p) << "this is not a movie";
    return p;
  }
  // Drags `files` over the middle of `over` and drops them; whether the
  // window took the drag when it entered.
  bool drop(const QStringList &files, QWidget *over) {
    QMimeData mime;
    QList<QUrl> urls;
    for (const QString &f : files) urls << QUrl::fromLocalFile(f);
    mime.setUrls(urls);
    const QPointF pos = over->mapTo(window.get(), over->rect().center());
    QDragEnterEvent enter(pos.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &enter);
    QDropEvent drop(pos, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &drop);
    QCoreApplication::processEvents();
    return enter.isAccepted();
  }
};

}  // namespace

TEST_F(SourceList, ThreeFilesWithAnUnreadableOneInTheMiddle) {
  const QString a = QString::fromStdString(smallClip(30000, 1001, "ntsc.mov"));
  const QString bad = QString::fromStdString(unreadable());
  const QString c = QString::fromStdString(smallClip(24000, 1001, "film.mov"));
  addFiles({a, bad, c});
  ASSERT_EQ(rows(), 3);
  EXPECT_EQ(prompts.openDialogs, 1);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(checked(i)) << i;
  EXPECT_FALSE(outputType().isEmpty());
  const struct {
    int row, column;
    QString shown;
  } cells[] = {{0, kFileNameColumn, a},     {0, kVideoSizeColumn, "320x240"}, {0, kFrameRateColumn, "29.97"},
               {0, kDurationColumn, "00:00:01"}, {0, kOutputColumn, outputType()}, {0, kProgressColumn, ""},
               {1, kFileNameColumn, bad},   {1, kProgressColumn, "Error"},  {1, kOutputColumn, ""},
               {1, kVideoSizeColumn, ""},   {1, kDurationColumn, ""},       {2, kFrameRateColumn, "23.98"}};
  for (const auto &c : cells) EXPECT_EQ(text(c.row, c.column), c.shown) << c.row << "," << c.column;
  EXPECT_FALSE(window->runFlags().addingFiles);
  // The dialog offers the three filters, "All Supported Files" first.
  QStringList offered;  // "name = patterns"
  for (const FileFilter &f : prompts.openFilters.back()) offered << f.name + " = " + f.patterns;
  EXPECT_EQ(offered, QStringList({"All Supported Files = *.mov;*.qt;*.m4v;*.mp4;*.m4a",
                                  "QuickTime Files (*.mov, *.qt, *.m4v) = *.mov; *.qt; *.m4v",
                                  "MPEG-4 Audio Files (*.m4a, *.mp4) = *.m4a; *.mp4"}));
}

TEST_F(SourceList, AudioOnlyFileHasBlankSizeAndRate) {
  pickFormat("MP3 - Mpeg Layer3 Audio (*.mp3)");
  MediaRecipe tone;
  tone.videoCodec.clear();
  tone.durationSec = 2.0;
  addFiles({QString::fromStdString(cachedFixture(tone, "tone.m4a"))});
  ASSERT_EQ(rows(), 1);
  EXPECT_EQ(text(0, kVideoSizeColumn), " ");
  EXPECT_EQ(text(0, kFrameRateColumn), " ");
  EXPECT_EQ(text(0, kDurationColumn), "00:00:02");
  EXPECT_EQ(text(0, kOutputColumn), "MP3");
}

TEST_F(SourceList, CancelledDialogAddsNothingAndTheSameFileMayComeTwice) {
  addFiles({});
  EXPECT_EQ(rows(), 0);
  const QString a = QString::fromStdString(smallClip(30000, 1001, "ntsc.mov"));
  addFiles({a});
  window->sourceJobs().endJob(0, JobState::Done, "");
  ASSERT_EQ(text(0, kProgressColumn), "Done");
  addFiles({a});
  ASSERT_EQ(rows(), 2);
  EXPECT_EQ(text(0, kProgressColumn), "");  // Add File clears the old states
  EXPECT_EQ(text(1, kFileNameColumn), a);
}

TEST_F(SourceList, DroppedFilesTakeTheAddFileRoad) {
  const QString a = QString::fromStdString(smallClip(30000, 1001, "ntsc.mov"));
  const QString bad = QString::fromStdString(unreadable());
  drop({a, bad, QString::fromStdString(scratch.path().string())}, control<QTreeView>(*window, "sourceList"));
  ASSERT_EQ(rows(), 2);  // the folder is left out
  EXPECT_EQ(text(0, kFrameRateColumn), "29.97");
  EXPECT_EQ(text(1, kProgressColumn), "Error");
  EXPECT_EQ(prompts.openDialogs, 0);

  // Not onto the list, or during a conversion: nothing happens.
  drop({a}, control<QToolButton>(*window, "startButton"));
  EXPECT_EQ(rows(), 2);
  control<QTimer>(*window, "nextRowTimer")->start();  // a run is under way
  drop({a}, control<QTreeView>(*window, "sourceList"));
  control<QTimer>(*window, "nextRowTimer")->stop();
  EXPECT_EQ(rows(), 2);
}

// Between two rows of a run (the last row ended, the timer about to start
// the next) a drop is refused as it is while a row converts, and the
// finished rows keep their states.
TEST_F(SourceList, ADropBetweenTwoRowsOfARunIsRefusedAndChangesNothing) {
  const QString a = QString::fromStdString(smallClip(30000, 1001, "ntsc.mov"));
  addFiles({a, a});
  window->sourceJobs().startJob(0, scratch.file("ntsc.mp4"), false);
  window->sourceJobs().endJob(0, JobState::Done, "");
  ASSERT_FALSE(window->runFlags().converting);
  control<QTimer>(*window, "nextRowTimer")->start();
  EXPECT_FALSE(drop({a}, control<QTreeView>(*window, "sourceList")));
  window->addDroppedFiles({a});  // however the files come
  control<QTimer>(*window, "nextRowTimer")->stop();
  EXPECT_EQ(rows(), 2);
  EXPECT_EQ(text(0, kProgressColumn), "Done");
  EXPECT_EQ(prompts.openDialogs, 1);

  // Once the run is over, a drop is taken again.
  EXPECT_TRUE(drop({a}, control<QTreeView>(*window, "sourceList")));
  EXPECT_EQ(rows(), 3);
}

// Files named like sources without video or audio in them are listed with
// "Error", and their hint says what they are.
TEST_F(SourceList, FilesWithoutVideoOrAudioAreListedAsErrors) {
  const std::string notes = writeTextFile(scratch.file("notes.m4v"));
  const std::string subtitles = scratch.file("subtitles.mp4");
  ASSERT_EQ(generateSubtitleOnly(subtitles), "");
  addFiles({QString::fromStdString(notes), QString::fromStdString(subtitles)});
  ASSERT_EQ(rows(), 2);
  const char *said[] = {": not a video or audio file", ": has no picture and no sound"};
  for (int row = 0; row < 2; ++row) {
    EXPECT_EQ(text(row, kProgressColumn), "Error") << row;
    EXPECT_EQ(text(row, kVideoSizeColumn), "") << row;
    const QString hint = model()->index(row, 0).data(Qt::ToolTipRole).toString();
    EXPECT_TRUE(hint.endsWith(said[row])) << hint.toStdString();
  }
}

// The files of the program's command line, as "Open with" passes them: a
// folder stands for the sources in it.
TEST_F(SourceList, FilesOfTheCommandLineAreAdded) {
  const QString a = QString::fromStdString(smallClip(30000, 1001, "ntsc.mov"));
  ScratchDir folder;
  std::filesystem::copy_file(a.toStdString(), folder.file("b.mov"));
  std::ofstream(folder.file("notes.txt")) << "no video";
  window->addFilesFromCommandLine({a, QString::fromStdString(folder.path().string())});
  QCoreApplication::processEvents();
  ASSERT_EQ(rows(), 2);
  EXPECT_EQ(text(0, kFileNameColumn), a);
  EXPECT_EQ(text(1, kFileNameColumn), QString::fromStdString(folder.file("b.mov")));
  EXPECT_EQ(text(1, kFrameRateColumn), "29.97");
  EXPECT_EQ(prompts.openDialogs, 0);
}

TEST_F(SourceList, AddFileDoesNothingDuringAConversion) {
  control<QTimer>(*window, "nextRowTimer")->start();  // a run is under way
  addFiles({QString::fromStdString(smallClip(30000, 1001, "ntsc.mov"))});
  control<QTimer>(*window, "nextRowTimer")->stop();
  EXPECT_EQ(rows(), 0);
  EXPECT_EQ(prompts.openDialogs, 0);
}

TEST_F(SourceList, RemoveClearAndCheckMarks) {
  const QString a = QString::fromStdString(smallClip(30000, 1001, "ntsc.mov"));
  const QString c = QString::fromStdString(smallClip(24000, 1001, "film.mov"));
  addFiles({a, c, a});
  ASSERT_EQ(rows(), 3);
  window->uncheckAllFiles();
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(checked(i));
  window->checkAllFiles();
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(checked(i));

  select(1);
  window->removeSelectedFile();
  ASSERT_EQ(rows(), 2);
  EXPECT_EQ(text(1, kFrameRateColumn), "29.97");

  // Clear All and Remove do nothing while a conversion runs or files are added.
  control<QTimer>(*window, "nextRowTimer")->start();  // a run is under way
  window->clearAllFiles();
  select(0);
  window->removeSelectedFile();
  control<QTimer>(*window, "nextRowTimer")->stop();
  EXPECT_EQ(rows(), 2);
  window->queue().setAddingFiles(true);
  window->clearAllFiles();
  window->queue().setAddingFiles(false);
  EXPECT_EQ(rows(), 2);

  window->clearAllFiles();
  EXPECT_EQ(rows(), 0);
}

// A named pipe held open with nothing written: probing it waits until the
// pipe is released (it then reads as an empty file) or interrupted.
struct HeldPipe {
  explicit HeldPipe(std::string where) : path(std::move(where)) {
    if (::mkfifo(path.c_str(), 0600) == 0) fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK);
  }
  ~HeldPipe() { release(), std::filesystem::remove(path); }
  void release() {
    if (fd >= 0) ::close(std::exchange(fd, -1));
  }
  std::string path;
  int fd = -1;
};

// While a file is probed the window answers: Esc ends the adding there,
// Ctrl+Return starts the run once every file is listed.
TEST_F(SourceList, AddingAnswersMeanwhileAndEndsByStopOrStart) {
  const QString a = QString::fromStdString(smallClip(30000, 1001, "ntsc.mov"));
  setOutputFolder(scratch.path().string());
  for (const bool start : {false, true}) {
    SCOPED_TRACE(start ? "Start" : "Stop");
    window->clearAllFiles();
    HeldPipe pipe(scratch.file("pipe.mov"));
    ASSERT_GE(pipe.fd, 0);
    QString during;
    QTimer::singleShot(300, window.get(), [&] {
      during = window->statusPanelText(kStatePanel) + QString(" %1").arg(rows());
      control<QAction>(*window, start ? "convertAction" : "stopAction")->trigger();
      if (start) pipe.release();
    });
    addFiles({a, QString::fromStdString(pipe.path), a});
    EXPECT_EQ(during, "Adding 2 of 3 1");  // the first file listed, the second probed
    if (!start) {
      EXPECT_EQ(rows(), 1);
      EXPECT_EQ(window->statusPanelText(kStatePanel), "Adding stopped: 1 of 3 added");
      EXPECT_FALSE(window->runInProgress());
      continue;
    }
    ASSERT_EQ(rows(), 3);
    EXPECT_EQ(text(1, kProgressColumn), "Error");
    EXPECT_TRUE(window->runInProgress());
    ASSERT_TRUE(run.finishRun(*window));
    EXPECT_EQ(text(0, kProgressColumn), "Done");
    EXPECT_EQ(text(2, kProgressColumn), "Done");
  }
}

TEST(ExclusiveRun, StartRunsTheHandlerAndIgnoresASecondStart) {
  testApp();
  QObject owner;
  int runs = 0, nested = 0;
  ExclusiveRun *run = nullptr;
  run = new ExclusiveRun(&owner, [&] {
    ++runs;
    EXPECT_TRUE(run->active());
    run->start();  // while active: ignored
    QCoreApplication::processEvents();
    run->start();
    ++nested;
  });
  run->start();
  EXPECT_EQ(runs, 1);  // the handler ran before start() returned
  EXPECT_EQ(nested, 1);
  EXPECT_TRUE(run->active());  // until its end comes through the event loop
  run->start();
  EXPECT_EQ(runs, 1);
  QCoreApplication::processEvents();
  EXPECT_FALSE(run->active());
  run->start();
  EXPECT_EQ(runs, 2);
}
