#include "command_line.h"

#include <QUrl>

#include "app_info.h"

WindowCommandLine parseWindowCommandLine(const QStringList &arguments) {
  WindowCommandLine c;
  bool filesOnly = false;
  for (const QString &argument : arguments) {
    if (!filesOnly && argument == QStringLiteral("--")) {
      filesOnly = true;
    } else if (!filesOnly && (argument == QStringLiteral("--help") || argument == QStringLiteral("-h"))) {
      c.help = true;
    } else if (!filesOnly && argument == QStringLiteral("--version")) {
      c.version = true;
    } else if (!filesOnly && argument.startsWith(QLatin1Char('-')) && argument.size() > 1) {
      if (c.error.isEmpty()) c.error = QStringLiteral("unknown option \"%1\" (see --help)").arg(argument);
    } else if (argument.startsWith(QStringLiteral("file:"))) {
      c.files << QUrl(argument).toLocalFile();
    } else if (!argument.isEmpty()) {
      c.files << argument;
    }
  }
  return c;
}

QString windowHelpText() {
  return QStringLiteral(
      "Usage: trevix-mov-video-converter [FILE|FOLDER...]\n"
      "       trevix-mov-video-converter --help | --version\n"
      "\n"
      "Opens the window of %1 and adds each FILE to its list as Add File\n"
      "does; a FOLDER stands for the QuickTime and MPEG-4 files in it (*.mov, *.qt,\n"
      "*.m4v, *.mp4, *.m4a). To convert without the window, use trevix-convert.\n"
      "\n"
      "Options:\n"
      "  -h, --help     show this text\n"
      "  --version      show the version\n"
      "\n"
      "The window also takes Qt's options, for example -platform and -style.\n")
      .arg(QString::fromLatin1(trevix::kProgramTitle));
}

QString windowVersionText() {
  return QStringLiteral("%1 %2\n").arg(QString::fromLatin1(trevix::kProgramTitle),
                                       QString::fromLatin1(trevix::kVersionNumber));
}
