// Trevix MOV Video Converter: start-up.
#include <QApplication>
#include <QTimer>
#include <cstdio>

#include "app_info.h"
#include "mainwindow.h"
#include "prompts.h"

namespace {

// TREVIX_SCREENSHOT=<file.png>: save a picture of the main window once it
// is shown, then end (used to document the window).
void scheduleScreenshot(MainWindow &window, const QString &file) {
  QTimer::singleShot(300, &window, [&window, file] {
    const bool saved = window.grab().save(file);
    std::fprintf(stderr, "%s %s\n", saved ? "Saved" : "Could not save", file.toLocal8Bit().constData());
    window.terminateProgram();
  });
}

}  // namespace

int main(int argc, char *argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromLatin1(trevix::kProgramTitle));
  QApplication::setOrganizationName(QString::fromLatin1(trevix::kOrganisation));

  MainWindow window;
  if (window.startupFailed()) return 1;
  window.createDialogs();
  window.show();
  if (autoAnswerRequested()) std::fprintf(stderr, "Shown: %s\n", window.windowTitle().toLocal8Bit().constData());
  const QString screenshot = qEnvironmentVariable("TREVIX_SCREENSHOT");
  if (!screenshot.isEmpty()) scheduleScreenshot(window, screenshot);
  return app.exec();
}
