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

struct WindowPrompts : Prompts {
  QStringList messages;   // information texts, in order
  QStringList questions;  // "caption|text"
  bool yesAnswer = false;
  std::function<void()> duringQuestion;
  QStringList files;      // answer of the open dialog
  int openDialogs = 0;
  int folderDialogs = 0;
  std::vector<FileFilter> lastFilters;

  void information(QWidget *, const QString &text) override { messages << text; }
  bool askYesNo(QWidget *, const QString &caption, const QString &text) override {
    questions << caption + QLatin1Char('|') + text;
    if (duringQuestion) duringQuestion();
    return yesAnswer;
  }
  QStringList openFiles(QWidget *, const std::vector<FileFilter> &filters) override {
    ++openDialogs;
    lastFilters = filters;
    return files;
  }
  QString browseForFolder(QWidget *, const QString &, const QString &) override {
    ++folderDialogs;
    return QString();
  }
  bool openUrl(const QUrl &) override { return true; }
};

inline QApplication &testApp() {
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
    testApp();
    requireLibraries();
    MainWindowOptions options;
    options.prompts = &prompts;
    options.programFolder = QString::fromStdString(TREVIX_BIN_DIR);
    options.settingsFolder = QString::fromStdString(scratch.file("settings"));
    window = std::make_unique<MainWindow>(options);
    if (window->startupFailed()) GTEST_SKIP() << "media libraries not available";
    window->createForms();
    window->formShow();
  }
  void TearDown() override { window.reset(); }

  QTreeWidgetItem *row(int i) const { return window->listView1->topLevelItem(i); }
  QString text(int r, int column) const { return row(r)->text(column); }
  int rows() const { return window->listView1->topLevelItemCount(); }

  void pickFormat(const QString &label) {
    QComboBox *list = window->comboOutputFormat;
    const int index = list->findText(label);
    ASSERT_GE(index, 0) << label.toStdString();
    list->setCurrentIndex(index);
    emit list->activated(index);
  }
  void setOutputFolder(const std::string &folder) {
    window->editOutputFolder->setText(QString::fromStdString(folder));
  }
  // Adds files the way the user does, through the open dialog.
  void addFiles(const QStringList &files) {
    prompts.files = files;
    window->buttonAddFileClick();
    QCoreApplication::processEvents();
  }
  // Runs the event loop until `done` or the time is up.
  bool waitFor(const std::function<bool()> &done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
      if (t.elapsed() > ms) return false;
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
      QThread::msleep(5);
    }
    return true;
  }

  ScratchDir scratch;
  WindowPrompts prompts;
  std::unique_ptr<MainWindow> window;
};
