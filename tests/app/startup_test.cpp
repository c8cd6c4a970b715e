// The program as a process: start-up without the media libraries, and a
// normal start that shows the window.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSettings>

#include "test_env.h"

namespace {

QString Q(const char *s) { return QString::fromLatin1(s); }

struct Result {
  bool finished = false;
  int exitCode = -1;
  QString err;
};

Result runProgram(const QString &program, const QProcessEnvironment &env) {
  QProcess p;
  p.setProcessEnvironment(env);
  p.setWorkingDirectory(QFileInfo(program).absolutePath());
  p.start(program, {});
  Result r;
  if (!p.waitForStarted(10000)) return r;
  r.finished = p.waitForFinished(60000);
  if (!r.finished) p.kill(), p.waitForFinished(5000);
  r.exitCode = p.exitCode();
  r.err = QString::fromLocal8Bit(p.readAllStandardError());
  return r;
}

QProcessEnvironment environment(const ScratchDir &settings) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(Q("QT_QPA_PLATFORM"), Q("offscreen"));
  env.insert(Q("TREVIX_AUTO_ANSWER"), Q("1"));
  env.insert(Q("TREVIX_SETTINGS_DIR"), QString::fromStdString(settings.path().string()));
  env.remove(Q("TREVIX_SCREENSHOT"));
  return env;
}

TEST(Startup, WithoutCommonOnlyTheMessageIsShownAndTheProgramEnds) {
  ScratchDir installed;  // a program folder without "Common"
  ScratchDir settings;
  const QString copy = QString::fromStdString(installed.file("trevix-mov-video-converter"));
  ASSERT_TRUE(QFile::copy(Q(TREVIX_PROGRAM), copy));
  ASSERT_FALSE(QDir(QString::fromStdString(installed.file("Common"))).exists());

  const Result r = runProgram(copy, environment(settings));
  ASSERT_TRUE(r.finished) << r.err.toStdString();
  EXPECT_NE(r.exitCode, 0);
  EXPECT_TRUE(r.err.contains(Q("Information: Some files are missing. Please re-install this software\n")))
      << r.err.toStdString();
  EXPECT_EQ(r.err.count(Q("Information:")), 1) << r.err.toStdString();
  EXPECT_FALSE(r.err.contains(Q("Shown:"))) << r.err.toStdString();
  // The program ended before the options dialog existed: nothing was stored.
  EXPECT_TRUE(QDir(QString::fromStdString(settings.path().string()))
                  .entryList(QDir::AllEntries | QDir::NoDotAndDotDot)
                  .isEmpty());
}

TEST(Startup, WithCommonTheWindowIsShownAndTheSettingsCreated) {
  ScratchDir settings;
  ScratchDir pictures;
  const QString shot = QString::fromStdString(pictures.file("window.png"));
  QProcessEnvironment env = environment(settings);
  env.insert(Q("TREVIX_SCREENSHOT"), shot);

  const Result r = runProgram(Q(TREVIX_PROGRAM), env);
  ASSERT_TRUE(r.finished) << r.err.toStdString();
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_TRUE(r.err.contains(Q("Shown: Trevix MOV Video Converter"))) << r.err.toStdString();
  EXPECT_FALSE(r.err.contains(Q("Information:"))) << r.err.toStdString();
  QImage picture(shot);
  ASSERT_FALSE(picture.isNull());
  EXPECT_EQ(picture.width(), 753);
  EXPECT_GT(picture.height(), 532);
  QSettings stored(QString::fromStdString(settings.file("Trevix/Trevix MOV Video Converter.conf")),
                   QSettings::NativeFormat);
  EXPECT_EQ(stored.allKeys().size(), 7);
  EXPECT_EQ(stored.value(Q("DropDownItems")).toInt(), 26);
}

}  // namespace
