// Takes the picture of the main window during a conversion of three files:
// the first "Done", the second at a percentage. Run on a display, e.g.
//   xvfb-run -a -s "-screen 0 1024x768x24" bin/queue_screenshot docs/converting.png
#include <QApplication>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPixmap>
#include <QScreen>
#include <QUrl>
#include <cstdio>
#include <filesystem>

#include "binding.h"
#include "media_engine.h"
#include "mainwindow.h"
#include "media_fixture.h"
#include "prompts.h"
#include "source_list_model.h"
#include "test_env.h"

namespace {

struct ShotPrompts : Prompts {
  QStringList files;
  void information(QWidget *, const QString &) override {}
  bool askYesNo(QWidget *, const QString &, const QString &) override { return true; }
  QStringList openFiles(QWidget *, const std::vector<FileFilter> &) override { return files; }
  QString browseForFolder(QWidget *, const QString &, const QString &) override { return {}; }
  bool openUrl(const QUrl &) override { return true; }
};

void pumpEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents, 20); }

}  // namespace

int main(int argc, char **argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s picture.png\n", argv[0]);
    return 2;
  }
  const QString picture = QString::fromLocal8Bit(argv[1]);
  QApplication app(argc, argv);
  ScratchDir scratch;
  if (!loadLibraries(TREVIX_COMMON_DIR, true)) {
    std::fprintf(stderr, "%s\n", libraryError().c_str());
    return 1;
  }
  libavutil.av_log_set_level(AV_LOG_ERROR);

  MediaRecipe recipe;  // 5 s, 640x480, H.264 29.97 fps with AAC stereo
  QStringList files;
  for (const char *name : {"Holiday.mov", "Birthday Party.mov", "Garden.mov"}) {
    recipe.path = scratch.file(name);
    // the second file is long, so that it is caught half-way
    recipe.durationSec = files.size() == 1 ? 60.0 : 5.0;
    const std::string err = generateMedia(recipe);
    if (!err.empty()) {
      std::fprintf(stderr, "%s\n", err.c_str());
      return 1;
    }
    files << QString::fromStdString(recipe.path);
  }

  ShotPrompts prompts;
  MainWindowOptions options;
  options.prompts = &prompts;
  options.programFolder = QString::fromStdString(TREVIX_BIN_DIR);
  options.settingsFolder = QString::fromStdString(scratch.file("settings"));
  MainWindow window(options);
  if (window.startupFailed()) return 1;
  window.createDialogs();
  window.show();
  const int mp4 = window.profileCombo->findText(QStringLiteral("MP4 - MPEG4 Video (*.mp4)"));
  window.profileCombo->setCurrentIndex(mp4);
  emit window.profileCombo->activated(mp4);
  const std::string out = scratch.file("Converted");
  std::filesystem::create_directories(out);
  window.outputFolderEdit->setText(QString::fromStdString(out));
  prompts.files = files;
  window.addFiles();
  window.startConversion();

  window.engine->setProgressInterval(100);
  const SourceJobs &jobs = window.sourceJobs;
  const bool ready = waitUntil(
      [&] {
        const std::optional<JobProgress> &second = jobs.at(1).progress;
        return jobs.at(0).state == JobState::Done && second && second->percent >= 30;
      },
      60000, pumpEvents);
  if (!ready) {
    std::fprintf(stderr, "the conversion did not reach the wanted state\n");
    return 1;
  }
  // Hold the conversion still while the picture is taken.
  window.engine->pause();
  QCoreApplication::processEvents();
  QPixmap shot = window.screen() ? window.screen()->grabWindow(window.winId()) : QPixmap();
  if (shot.isNull() || shot.width() < 10) shot = window.grab();
  const bool saved = shot.save(picture, "PNG");
  window.engine->resume();
  window.stopAllConversions();
  waitUntil([&] { return !window.converting; }, 10000, pumpEvents);
  std::fprintf(stderr, "%s %s\n", saved ? "saved" : "could not save", argv[1]);
  return saved ? 0 : 1;
}
