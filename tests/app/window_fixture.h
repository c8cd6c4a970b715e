// Builds the main window the way the program starts it, with answered
// prompts and settings kept in a scratch folder.
#pragma once

#include <QCoreApplication>
#include <QSettings>
#include <memory>

#include "fake_prompts.h"
#include "options_dialog.h"
#include "mainwindow.h"
#include "settings_store.h"
#include "test_env.h"

struct WindowRun {
  FakePrompts prompts;
  FakeDesktop desktop;
  ScratchDir settingsDir;

  // Start-up as the program does it: the window (libraries from bin/Common),
  // the About box, the options dialog (loading the settings), then show.
  std::unique_ptr<MainWindow> start(bool show = true) {
    MainWindowOptions o;
    o.prompts = &prompts;
    o.desktop = &desktop;
    o.settingsFolder = settingsFolder();
    auto w = std::make_unique<MainWindow>(o);
    if (w->startupFailed()) return w;
    w->createDialogs();
    if (show) {
      w->show();
      QCoreApplication::processEvents();
    }
    return w;
  }

  QString settingsFolder() const { return QString::fromStdString(settingsDir.path().string()); }
  std::unique_ptr<QSettings> stored() const {
    QtSettingsStore store(settingsFolder());
    return std::make_unique<QSettings>(store.fileName(), QSettings::NativeFormat);
  }
};
