// The program as a process: --help and --version answered without a
// window, a wrong option refused, and a normal start that shows the window
// and creates the settings in the user's configuration folder.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSettings>

#include "latin1_text.h"
#include "test_env.h"

namespace {

struct Result {
  bool finished = false;
  int exitCode = -1;
  QString out, err;
};

Result runProgram(const QStringList &args, const QProcessEnvironment &env) {
  QProcess p;
  p.setProcessEnvironment(env);
  p.start(Q(TREVIX_PROGRAM), args);
  Result r;
  if (!p.waitForStarted(10000)) return r;
  r.finished = p.waitForFinished(60000);
  if (!r.finished) p.kill(), p.waitForFinished(5000);
  r.exitCode = p.exitCode();
  r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
  r.err = QString::fromLocal8Bit(p.readAllStandardError());
  return r;
}

// The user's configuration folder in a scratch folder, as XDG_CONFIG_HOME
// names it for every desktop program.
QProcessEnvironment environment(const ScratchDir &config) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(Q("QT_QPA_PLATFORM"), Q("offscreen"));
  env.insert(Q("XDG_CONFIG_HOME"), QString::fromStdString(config.path().string()));
  return env;
}

// Whether nothing was written to the scratch configuration folder.
bool nothingIn(const ScratchDir &config) {
  return QDir(QString::fromStdString(config.path().string())).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot);
}

TEST(Startup, HelpAndVersionAnswerWithoutAWindowOrADisplay) {
  ScratchDir config;
  QProcessEnvironment env = environment(config);
  // No display at all: answering must not need one.
  env.insert(Q("QT_QPA_PLATFORM"), Q("xcb"));
  env.remove(Q("DISPLAY"));
  env.remove(Q("WAYLAND_DISPLAY"));
  const Result help = runProgram({Q("--help")}, env);
  ASSERT_TRUE(help.finished);
  EXPECT_EQ(help.exitCode, 0) << help.err.toStdString();
  EXPECT_TRUE(help.out.startsWith(Q("Usage: trevix-mov-video-converter [FILE|FOLDER...]"))) << help.out.toStdString();
  EXPECT_TRUE(help.out.contains(Q("--version")));

  const Result version = runProgram({Q("some.mov"), Q("--version")}, env);
  ASSERT_TRUE(version.finished);
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out, Q("Trevix MOV Video Converter " TREVIX_VERSION "\n"));
  EXPECT_TRUE(nothingIn(config)) << "nothing was started";

  const Result wrong = runProgram({Q("--bogus")}, environment(config));
  ASSERT_TRUE(wrong.finished);
  EXPECT_EQ(wrong.exitCode, 2);
  EXPECT_TRUE(wrong.err.contains(Q("unknown option \"--bogus\""))) << wrong.err.toStdString();
}

TEST(Startup, AStartShowsTheWindowAndCreatesTheSettings) {
  ScratchDir config;
  QProcess p;
  p.setProcessEnvironment(environment(config));
  p.start(Q(TREVIX_PROGRAM), {});
  ASSERT_TRUE(p.waitForStarted(10000));
  // The window loads the settings at start and, the first time,
  // writes every value (eight of them): the window is up once the file is
  // complete.
  const QString file = QString::fromStdString(config.file("Trevix/Trevix MOV Video Converter.conf"));
  const bool written = waitUntil([&] { return QSettings(file, QSettings::NativeFormat).allKeys().size() == 9; }, 30000,
                                 [&] { p.waitForFinished(50); });
  EXPECT_TRUE(written) << QString::fromLocal8Bit(p.readAllStandardError()).toStdString();
  EXPECT_EQ(p.state(), QProcess::Running) << "the window stays open";
  EXPECT_EQ(QSettings(file, QSettings::NativeFormat).value(Q("DropDownItems")).toInt(), 26);
  p.terminate();
  if (!p.waitForFinished(10000)) p.kill(), p.waitForFinished(5000);
}

TEST(Startup, WithoutCommonTheMessageIsShownAndNothingElse) {
  ScratchDir installed;  // a program folder without "Common"
  ScratchDir config;
  const QString copy = QString::fromStdString(installed.file("trevix-mov-video-converter"));
  ASSERT_TRUE(QFile::copy(Q(TREVIX_PROGRAM), copy));
  QProcess p;
  p.setProcessEnvironment(environment(config));
  p.start(copy, {});
  ASSERT_TRUE(p.waitForStarted(10000));
  QString err;
  const bool told = waitUntil(
      [&] { return err.contains(Q("Some files are missing. Please re-install this software")); }, 30000, [&] {
        p.waitForReadyRead(50);
        err += QString::fromLocal8Bit(p.readAllStandardError());
      });
  EXPECT_TRUE(told) << err.toStdString();
  // The message box waits for its answer; the window was never made, so
  // no settings were written.
  p.kill();
  p.waitForFinished(5000);
  EXPECT_TRUE(nothingIn(config));
}

}  // namespace
