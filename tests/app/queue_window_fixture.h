// The main window as the program builds it, with prompts answered by the
// test, for the source list and conversion queue tests.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QStringList>
#include <QTreeView>
#include <QUrl>
#include <functional>
#include <memory>
#include <vector>

#include "fake_prompts.h"
#include "mainwindow.h"
#include "prompts.h"
#include "source_list_model.h"
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

// The event pump that waitUntil runs between two polls.
inline void pumpEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents, 20); }

// The application that the test program's main() made (qt_test_main.cpp):
// it ends before Qt's own globals do.
inline QApplication &testApp() { return *qobject_cast<QApplication *>(QCoreApplication::instance()); }

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testApp();
    requireLibraries();
    MainWindowOptions options;
    options.prompts = &prompts;
    options.desktop = &desktop;
    options.programFolder = QString::fromStdString(TREVIX_BIN_DIR);
    options.settingsFolder = QString::fromStdString(scratch.file("settings"));
    window = std::make_unique<MainWindow>(options);
    if (window->startupFailed()) GTEST_SKIP() << "media libraries not available";
    window->createDialogs();
    // Shown as the program shows it (the profile's choices load then), so
    // the layouts place every control.
    window->show();
    QCoreApplication::processEvents();
  }
  void TearDown() override { window.reset(); }

  // What the list shows in a cell, as the view gets it from the model.
  QString text(int r, int column) const { return window->sourceListModel->index(r, column).data().toString(); }
  int rows() const { return window->sourceListModel->rowCount(); }
  const SourceJob &job(int r) const { return window->sourceJobs.at(r); }
  // A click on the row's check box, through the model as the view does it.
  void setChecked(int r, bool checked) {
    window->sourceListModel->setData(window->sourceListModel->index(r, kFileNameColumn),
                                     checked ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
  }
  bool checked(int r) const {
    return window->sourceListModel->index(r, kFileNameColumn).data(Qt::CheckStateRole).value<Qt::CheckState>() ==
           Qt::Checked;
  }
  void select(int r) {
    window->sourceList->selectionModel()->select(window->sourceListModel->index(r, 0),
                                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  }

  void pickFormat(const QString &label) {
    QComboBox *list = window->profileCombo;
    const int index = list->findText(label);
    ASSERT_GE(index, 0) << label.toStdString();
    list->setCurrentIndex(index);
    emit list->activated(index);
  }
  void setOutputFolder(const std::string &folder) {
    window->outputFolderEdit->setText(QString::fromStdString(folder));
  }
  // Adds files the way the user does, through the open dialog.
  void addFiles(const QStringList &files) {
    prompts.files = files;
    window->addFiles();
    QCoreApplication::processEvents();
  }

  ScratchDir scratch;
  WindowPrompts prompts;
  FakeDesktop desktop;
  std::unique_ptr<MainWindow> window;
};
