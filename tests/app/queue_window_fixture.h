// The main window as the program builds it (window_fixture.h), with
// prompts answered by the test, for the source list and conversion queue
// tests.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QItemSelectionModel>
#include <QStringList>
#include <QTreeView>
#include <memory>

#include "conversion_queue.h"
#include "mainwindow.h"
#include "source_list_model.h"
#include "test_env.h"
#include "window_fixture.h"

// The application that the test program's main() made (qt_test_main.cpp):
// it ends before Qt's own globals do.
inline QApplication &testApp() { return *qobject_cast<QApplication *>(QCoreApplication::instance()); }

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testApp();
    requireLibraries();
    prompts.yesAnswer = false;
    // Shown as the program shows it (the profile's choices load then), so
    // the layouts place every control.
    window = run.start();
    if (window->startupFailed()) GTEST_SKIP() << "media libraries not available";
  }
  void TearDown() override { window.reset(); }

  SourceListModel *model() const { return control<SourceListModel>(*window, "sourceListModel"); }
  // What the list shows in a cell, as the view gets it from the model.
  QString text(int r, int column) const { return model()->index(r, column).data().toString(); }
  int rows() const { return model()->rowCount(); }
  const SourceJob &job(int r) const { return window->sourceJobs().at(r); }
  // A click on the row's check box, through the model as the view does it.
  void setChecked(int r, bool checked) {
    model()->setData(model()->index(r, kFileNameColumn), checked ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
  }
  bool checked(int r) const {
    return model()->index(r, kFileNameColumn).data(Qt::CheckStateRole).value<Qt::CheckState>() == Qt::Checked;
  }
  void select(int r) {
    control<QTreeView>(*window, "sourceList")
        ->selectionModel()
        ->select(model()->index(r, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  }
  void pickFormat(const QString &label) { chooseItem(control<QComboBox>(*window, "profileCombo"), label); }
  // The output type of the chosen profile ("MP4").
  QString outputType() const { return QString::fromStdString(profileFormatName(window->settings().profileId)); }
  void setOutputFolder(const std::string &folder) { window->setOutputFolder(QString::fromStdString(folder)); }
  // Adds files the way the user does, through the open dialog.
  void addFiles(const QStringList &files) {
    prompts.files = files;
    window->addFiles();
    QCoreApplication::processEvents();
  }

  ScratchDir scratch;
  WindowRun run;
  FakePrompts &prompts = run.prompts;
  FakeDesktop &desktop = run.desktop;
  std::unique_ptr<MainWindow> window;
};
