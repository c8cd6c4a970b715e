// The window's language: the translations installed beside the program,
// chosen from the desktop's locale at start-up.
#pragma once

#include <QLocale>
#include <QString>

class QCoreApplication;

// The folder of the program's translations (trevix_<language>.qm):
// "translations" beside the program.
QString translationsFolder();

// Installs on `app` the program's translation for `locale` from `folder`,
// and Qt's own (standard buttons and dialogs) where the system has it.
// Translators installed by an earlier call are removed first. Returns
// whether the program's own translation was found; English needs none.
bool installUiLanguage(QCoreApplication &app, const QLocale &locale, const QString &folder = translationsFolder());
