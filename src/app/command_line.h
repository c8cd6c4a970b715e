// The window program's command line: files to add (as a file manager's
// "Open with" passes them), --help and --version. Qt's own options
// (-platform, -style, ...) are taken out by QApplication before the rest is
// read; --help and --version are answered before it starts, so they need
// no display.
#pragma once

#include <QString>
#include <QStringList>

struct WindowCommandLine {
  bool help = false;     // -h, --help
  bool version = false;  // --version
  QStringList files;     // files and folders to add, in order ("file:" addresses as paths)
  QString error;         // the first argument that is no option of the program
};

// Reads the arguments (without the program's name); "--" ends the options.
WindowCommandLine parseWindowCommandLine(const QStringList &arguments);

QString windowHelpText();
QString windowVersionText();
