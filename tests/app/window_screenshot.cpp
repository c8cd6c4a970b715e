// Pictures of the main window for the documentation, taken with the window
// built as the program builds it and with answered prompts (nothing the
// shipped program reads). Run on a display, e.g.
//   xvfb-run -a -s "-screen 0 1024x768x24" bin/window_screenshot window docs/main-window.png
//   xvfb-run -a -s "-screen 0 1024x768x24" bin/window_screenshot converting docs/converting.png
//   xvfb-run -a -s "-screen 0 1280x800x24" bin/window_screenshot failed-log docs/failed-log.png
// QT_SCALE_FACTOR=1.5 (or QT_FONT_DPI=144) takes the same at 150%.
//
//   window      the window as it starts
//   converting  three files: the first "Done", the second at a percentage
//   failed-log  a finished run with a failed row and its log shown
#include <QApplication>
#include <QPixmap>
#include <QScreen>
#include <QTreeView>
#include <cstdio>
#include <filesystem>

#include "binding.h"
#include "file_bytes.h"
#include "log_dialog.h"
#include "media_engine.h"
#include "source_list_model.h"
#include "window_fixture.h"

namespace {

// The window alone, or the part of the screen that `around` covers (the
// window and its dialogs).
QPixmap takePicture(QWidget &window, const QRect &around) {
  QScreen *screen = window.screen();
  QPixmap shot;
  if (screen) {
    shot = around.isEmpty() ? screen->grabWindow(window.winId())
                            : screen->grabWindow(0, around.x(), around.y(), around.width(), around.height());
  }
  if (shot.isNull() || shot.width() < 10) shot = window.grab();
  return shot;
}

std::string makeClip(const ScratchDir &scratch, const char *name, double seconds) {
  MediaRecipe recipe;  // 640x480, H.264 29.97 fps with AAC stereo
  recipe.path = scratch.file(name);
  recipe.durationSec = seconds;
  const std::string err = generateMedia(recipe);
  if (!err.empty()) std::fprintf(stderr, "%s\n", err.c_str());
  return err.empty() ? recipe.path : std::string();
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s window|converting|failed-log picture.png\n", argv[0]);
    return 2;
  }
  const std::string mode = argv[1];
  const QString picture = QString::fromLocal8Bit(argv[2]);
  QApplication app(argc, argv);
  ScratchDir scratch;
  if (!loadLibraries(TREVIX_COMMON_DIR, true)) {
    std::fprintf(stderr, "%s\n", libraryError().c_str());
    return 1;
  }
  libavutil.av_log_set_level(AV_LOG_ERROR);

  WindowRun run;  // every question answered Yes
  const std::unique_ptr<MainWindow> shown = run.start();
  if (shown->startupFailed()) return 1;
  MainWindow &window = *shown;
  pumpFor(300);

  QRect around;
  if (mode == "converting" || mode == "failed-log") {
    chooseItem(control<QComboBox>(window, "profileCombo"), QStringLiteral("MP4 - MPEG4 Video (*.mp4)"));
    const std::string out = scratch.file("Converted");
    std::filesystem::create_directories(out);
    window.setOutputFolder(QString::fromStdString(out));
    const bool converting = mode == "converting";
    const std::string holiday = makeClip(scratch, "Holiday.mov", 5.0);
    // The second file is long, so that it is caught half-way.
    const std::string party = makeClip(scratch, "Birthday Party.mov", converting ? 60.0 : 5.0);
    const std::string garden = makeClip(scratch, "Garden.mov", 5.0);
    if (holiday.empty() || party.empty() || garden.empty()) return 1;
    // The failed row's file: the first half of the second clip, whose index,
    // written at the end, is lost.
    const std::string second = converting ? party : scratch.file("Birthday Party (copy).mov");
    if (!converting) writeFileBytes(second, fileBytes(party).substr(0, fileBytes(party).size() / 2));
    run.prompts.files = {QString::fromStdString(holiday), QString::fromStdString(second),
                         QString::fromStdString(garden)};
    window.addFiles();
    window.engine()->setProgressInterval(100);
    window.startConversion();
    const SourceJobs &jobs = window.sourceJobs();
    const bool ready = waitUntil(
        [&] {
          if (!converting) return !window.runInProgress();
          const std::optional<JobProgress> &progress = jobs.at(1).progress;
          return jobs.at(0).state == JobState::Done && progress && progress->percent >= 30;
        },
        90000, pumpEvents);
    if (!ready) {
      std::fprintf(stderr, "the conversion did not reach the wanted state\n");
      return 1;
    }
    if (converting) {
      // Hold the conversion still while the picture is taken.
      window.engine()->pause();
    } else {
      QTreeView *rows = control<QTreeView>(window, "sourceList");
      rows->setCurrentIndex(control<SourceListModel>(window, "sourceListModel")->index(1, 0));
      window.showRowLog(1);
      // Below the failed row, leaving the list's rows in sight.
      const QRect list = QRect(rows->mapToGlobal(QPoint(0, 0)), rows->size());
      LogDialog *log = control<LogDialog>(window, "logDialog");
      log->resize(window.width() * 2 / 3, window.height() / 2);
      log->move(window.geometry().right() - log->width() - 20, list.top() + list.height() / 2);
      around = window.frameGeometry().united(log->frameGeometry());
    }
    pumpFor(300);
  }
  const QPixmap shot = takePicture(window, around);
  const bool saved = shot.save(picture, "PNG");
  if (mode == "converting") {
    window.engine()->resume();
    window.stopAllConversions();
    waitUntil([&] { return !window.runFlags().converting; }, 10000, pumpEvents);
  }
  std::fprintf(stderr, "%s %s (%dx%d)\n", saved ? "saved" : "could not save", argv[2], shot.width(), shot.height());
  return saved ? 0 : 1;
}
