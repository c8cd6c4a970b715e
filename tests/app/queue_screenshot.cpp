// Takes the picture of the main window during a conversion of three files:
// the first "Done", the second at a percentage. Run on a display, e.g.
//   xvfb-run -a -s "-screen 0 1024x768x24" bin/queue_screenshot docs/converting.png
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPixmap>
#include <QScreen>
#include <QThread>
#include <QTreeWidget>
#include <QUrl>
#include <cstdio>
#include <filesystem>

#include "binding.h"
#include "ffmpeg_vcl.h"
#include "mainwindow.h"
#include "media_fixture.h"
#include "prompts.h"
#include "test_env.h"

namespace {

struct TShotPrompts : IPrompts {
  QStringList Files;
  void Information(QWidget *, const QString &) override {}
  bool AskYesNo(QWidget *, const QString &, const QString &) override { return true; }
  QStringList OpenFiles(QWidget *, const std::vector<TFileFilter> &) override { return Files; }
  QString BrowseForFolder(QWidget *, const QString &, const QString &) override { return {}; }
  bool OpenUrl(const QUrl &) override { return true; }
};

bool WaitFor(const std::function<bool()> &done, int ms) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
  return true;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s picture.png\n", argv[0]);
    return 2;
  }
  const QString picture = QString::fromLocal8Bit(argv[1]);
  QApplication app(argc, argv);
  TScratchDir scratch;
  if (!LoadLibraries(TREVIX_COMMON_DIR, true)) {
    std::fprintf(stderr, "%s\n", LibraryError().c_str());
    return 1;
  }
  libavutil.av_log_set_level(AV_LOG_ERROR);

  TMediaRecipe recipe;  // 5 s, 640x480, H.264 29.97 fps with AAC stereo
  QStringList files;
  for (const char *name : {"Holiday.mov", "Birthday Party.mov", "Garden.mov"}) {
    recipe.path = scratch.file(name);
    // the second file is long, so that it is caught half-way
    recipe.durationSec = files.size() == 1 ? 60.0 : 5.0;
    const std::string err = GenerateMedia(recipe);
    if (!err.empty()) {
      std::fprintf(stderr, "%s\n", err.c_str());
      return 1;
    }
    files << QString::fromStdString(recipe.path);
  }

  TShotPrompts prompts;
  TForm1Options options;
  options.Prompts = &prompts;
  options.ProgramFolder = QString::fromStdString(TREVIX_BIN_DIR);
  options.SettingsFolder = QString::fromStdString(scratch.file("settings"));
  TForm1 window(options);
  if (window.StartupFailed()) return 1;
  window.CreateForms();
  window.show();
  const int mp4 = window.ComboOutputFormat->findText(QStringLiteral("MP4 - MPEG4 Video (*.mp4)"));
  window.ComboOutputFormat->setCurrentIndex(mp4);
  emit window.ComboOutputFormat->activated(mp4);
  const std::string out = scratch.file("Converted");
  std::filesystem::create_directories(out);
  window.EditOutputFolder->setText(QString::fromStdString(out));
  prompts.Files = files;
  window.ButtonAddFileClick();
  window.ButtonConvertClick();

  window.FFVCL->SetProgressInterval(100);
  auto row = [&](int i, int c) { return window.ListView1->topLevelItem(i)->text(c); };
  const bool ready = WaitFor(
      [&] {
        const QString p = row(1, colProgress);
        return row(0, colProgress) == QLatin1String("Done") && p.endsWith('%') && p.chopped(1).toInt() >= 30;
      },
      60000);
  if (!ready) {
    std::fprintf(stderr, "the conversion did not reach the wanted state\n");
    return 1;
  }
  // Hold the conversion still while the picture is taken.
  window.FFVCL->Pause();
  QCoreApplication::processEvents();
  QPixmap shot = window.screen() ? window.screen()->grabWindow(window.winId()) : QPixmap();
  if (shot.isNull() || shot.width() < 10) shot = window.grab();
  const bool saved = shot.save(picture, "PNG");
  window.FFVCL->Resume();
  window.ButtonStopConvertClick();
  WaitFor([&] { return !window.Converting; }, 10000);
  std::fprintf(stderr, "%s %s\n", saved ? "saved" : "could not save", argv[1]);
  return saved ? 0 : 1;
}
