// Trevix MOV Video Converter: start-up.
#include <QApplication>
#include <QTimer>
#include <cstdio>

#include "app_info.h"
#include "command_line.h"
#include "mainwindow.h"
#include "ui_language.h"

namespace {

constexpr int kExitBadArguments = 2;

QStringList argumentsOf(int argc, char **argv) {
  QStringList arguments;
  for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  return arguments;
}

}  // namespace

int main(int argc, char *argv[]) {
  // Answered before Qt starts, so they work without a display.
  const WindowCommandLine early = parseWindowCommandLine(argumentsOf(argc, argv));
  if (early.help || early.version) {
    std::fputs((early.help ? windowHelpText() : windowVersionText()).toLocal8Bit().constData(), stdout);
    return 0;
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromLatin1(trevix::kProgramTitle));
  QApplication::setApplicationVersion(QString::fromLatin1(trevix::kVersionNumber));
  QApplication::setOrganizationName(QString::fromLatin1(trevix::kOrganisation));
  QGuiApplication::setDesktopFileName(QString::fromLatin1(trevix::kDesktopId));
  installUiLanguage(app, QLocale::system());
  // What is left once Qt has taken its own options.
  const WindowCommandLine commandLine = parseWindowCommandLine(QApplication::arguments().mid(1));
  if (!commandLine.error.isEmpty()) {
    std::fprintf(stderr, "trevix-mov-video-converter: %s\n", commandLine.error.toLocal8Bit().constData());
    return kExitBadArguments;
  }

  MainWindow window;
  if (window.startupFailed()) return 1;
  window.createDialogs();
  window.show();
  if (!commandLine.files.isEmpty())
    QTimer::singleShot(0, &window, [&window, files = commandLine.files] { window.addFilesFromCommandLine(files); });
  return app.exec();
}
