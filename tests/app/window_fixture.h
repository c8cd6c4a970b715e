// Builds the main window the way the program starts it, with answered
// prompts and settings kept in a scratch folder.
#pragma once

#include <QComboBox>
#include <QCoreApplication>
#include <QSettings>
#include <QTimer>
#include <gtest/gtest.h>
#include <chrono>
#include <memory>

#include "conversion_queue.h"
#include "fake_prompts.h"
#include "latin1_text.h"
#include "mainwindow.h"
#include "media_fixture.h"
#include "options_dialog.h"
#include "settings_store.h"
#include "test_env.h"

// A control of a window or dialog, found by its name as a user finds it by
// its place.
template <typename T>
T *control(const QObject &owner, const char *name) {
  return owner.findChild<T *>(Q(name));
}

// The event pump that waitUntil runs between two polls.
inline void pumpEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents, 20); }
// Lets the window's events through for `ms` milliseconds.
inline void pumpFor(int ms) { waitUntil([] { return false; }, ms, pumpEvents); }
// Runs the event loop until the program ends it; 99 where it has not ended
// within `ms`.
inline int execWithin(int ms) {
  QTimer safety;
  safety.setSingleShot(true);
  QObject::connect(&safety, &QTimer::timeout, [] { QCoreApplication::exit(99); });
  safety.start(ms);
  return QCoreApplication::exec();
}
// Chooses the item with `text` as a user does, the box's activated signal
// included.
inline void chooseItem(QComboBox *box, const QString &text) {
  const int item = box->findText(text);
  ASSERT_GE(item, 0) << text.toStdString();
  box->setCurrentIndex(item);
  emit box->activated(item);
}

struct WindowRun {
  FakePrompts prompts;
  FakeDesktop desktop;
  ScratchDir settingsDir;
  QString folderOverride;  // a settings folder of the test's own choice
  // How far the window's clock for the running file is ahead of the real
  // one; a test moves it on to let time pass at once.
  std::chrono::steady_clock::duration clockAhead{};

  // Start-up as the program does it: the window (libraries from bin/Common),
  // the About box, the options dialog (loading the settings), then show.
  std::unique_ptr<MainWindow> start(bool show = true) {
    MainWindowOptions o;
    o.prompts = &prompts;
    o.desktop = &desktop;
    o.settingsFolder = settingsFolder();
    o.clock = [this] { return std::chrono::steady_clock::now() + clockAhead; };
    auto w = std::make_unique<MainWindow>(o);
    if (w->startupFailed()) return w;
    w->createDialogs();
    if (show) {
      w->show();
      QCoreApplication::processEvents();
    }
    return w;
  }

  // Puts the window in the middle of a run, as the user does: one
  // generated clip listed and Start pressed. The run stays under way until
  // the engine's events are let through (finishRun).
  void startRun(MainWindow &w) {
    files = cachedFixture(MediaRecipe{}, "window-run.mov");
    prompts.files = {QString::fromStdString(files)};
    QCoreApplication::processEvents();  // an earlier Add File has ended
    w.addFiles();
    w.setOutputFolder(QString::fromStdString(outputDir.path().string()));
    w.startConversion();
  }
  bool finishRun(MainWindow &w) {
    return waitUntil([&] { return !w.runInProgress(); }, 60000, pumpEvents);
  }
  std::string files;
  ScratchDir outputDir;

  QString settingsFolder() const {
    return folderOverride.isEmpty() ? QString::fromStdString(settingsDir.path().string()) : folderOverride;
  }
  std::unique_ptr<QSettings> stored() const {
    QtSettingsStore store(settingsFolder());
    return std::make_unique<QSettings>(store.fileName(), QSettings::NativeFormat);
  }
};
