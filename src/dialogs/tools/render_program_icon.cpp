// Build-time renderer of the program's icon for the desktop's icon theme:
//
//   render_program_icon <icon theme folder> <icon name>
//
// writes <folder>/<N>x<N>/apps/<icon name>.png for every size a hicolor
// theme looks for, from the same drawing the window uses.
#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <QString>
#include <cstdio>

#include "program_icon.h"

int main(int argc, char *argv[]) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: render_program_icon <icon theme folder> <icon name>\n");
    return 2;
  }
  QGuiApplication app(argc, argv);
  const QString root = QString::fromLocal8Bit(argv[1]);
  const QString name = QString::fromLocal8Bit(argv[2]);
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    const QString folder = QStringLiteral("%1/%2x%2/apps").arg(root).arg(size);
    const QString file = QStringLiteral("%1/%2.png").arg(folder, name);
    if (!QDir().mkpath(folder) || !programPixmap(size).save(file, "PNG")) {
      std::fprintf(stderr, "render_program_icon: cannot write %s\n", file.toLocal8Bit().constData());
      return 1;
    }
  }
  return 0;
}
