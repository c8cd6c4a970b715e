// Builds the main window the way the program starts it, with answered
// prompts and settings kept in a scratch folder.
#pragma once

#include <QCoreApplication>
#include <QSettings>
#include <memory>

#include "fake_prompts.h"
#include "form4.h"
#include "mainwindow.h"
#include "settings_store.h"
#include "test_env.h"

struct TWindowRun {
  TFakePrompts prompts;
  TScratchDir settingsDir;

  // Start-up as the program does it: the window (libraries from bin/Common),
  // the About box, the options dialog (loading the settings), then show.
  std::unique_ptr<TForm1> Start(bool show = true) {
    TForm1Options o;
    o.Prompts = &prompts;
    o.SettingsFolder = SettingsFolder();
    auto w = std::make_unique<TForm1>(o);
    if (w->StartupFailed()) return w;
    w->CreateForms();
    if (show) {
      w->show();
      QCoreApplication::processEvents();
    }
    return w;
  }

  QString SettingsFolder() const { return QString::fromStdString(settingsDir.path().string()); }
  std::unique_ptr<QSettings> Stored() const {
    TQtSettingsStore store(SettingsFolder());
    return std::make_unique<QSettings>(store.FileName(), QSettings::NativeFormat);
  }
};
