// The main window as the program builds it, with prompts answered by the
// test, for the source list and conversion queue tests.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QStringList>
#include <QThread>
#include <QTreeWidget>
#include <QUrl>
#include <functional>
#include <memory>
#include <vector>

#include "mainwindow.h"
#include "prompts.h"
#include "test_env.h"

struct TWindowPrompts : IPrompts {
  QStringList Messages;   // information texts, in order
  QStringList Questions;  // "caption|text"
  bool YesAnswer = false;
  std::function<void()> DuringQuestion;
  QStringList Files;      // answer of the open dialog
  int OpenDialogs = 0;
  int FolderDialogs = 0;
  std::vector<TFileFilter> LastFilters;

  void Information(QWidget *, const QString &text) override { Messages << text; }
  bool AskYesNo(QWidget *, const QString &caption, const QString &text) override {
    Questions << caption + QLatin1Char('|') + text;
    if (DuringQuestion) DuringQuestion();
    return YesAnswer;
  }
  QStringList OpenFiles(QWidget *, const std::vector<TFileFilter> &filters) override {
    ++OpenDialogs;
    LastFilters = filters;
    return Files;
  }
  QString BrowseForFolder(QWidget *, const QString &, const QString &) override {
    ++FolderDialogs;
    return QString();
  }
  bool OpenUrl(const QUrl &) override { return true; }
};

inline QApplication &TestApp() {
  static int argc = 1;
  static char name[] = "trevix_window_test";
  static char *argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication app(argc, argv);
  return app;
}

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestApp();
    RequireLibraries();
    TForm1Options options;
    options.Prompts = &prompts;
    options.ProgramFolder = QString::fromStdString(TREVIX_BIN_DIR);
    options.SettingsFolder = QString::fromStdString(scratch.file("settings"));
    window = std::make_unique<TForm1>(options);
    if (window->StartupFailed()) GTEST_SKIP() << "media libraries not available";
    window->CreateForms();
    window->FormShow();
  }
  void TearDown() override { window.reset(); }

  QTreeWidgetItem *Row(int i) const { return window->ListView1->topLevelItem(i); }
  QString Text(int row, int column) const { return Row(row)->text(column); }
  int Rows() const { return window->ListView1->topLevelItemCount(); }

  void PickFormat(const QString &label) {
    QComboBox *list = window->ComboOutputFormat;
    const int index = list->findText(label);
    ASSERT_GE(index, 0) << label.toStdString();
    list->setCurrentIndex(index);
    emit list->activated(index);
  }
  void SetOutputFolder(const std::string &folder) {
    window->EditOutputFolder->setText(QString::fromStdString(folder));
  }
  // Adds files the way the user does, through the open dialog.
  void AddFiles(const QStringList &files) {
    prompts.Files = files;
    window->ButtonAddFileClick();
    QCoreApplication::processEvents();
  }
  // Runs the event loop until `done` or the time is up.
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

  TScratchDir scratch;
  TWindowPrompts prompts;
  std::unique_ptr<TForm1> window;
};
