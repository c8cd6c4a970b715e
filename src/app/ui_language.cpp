#include "ui_language.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

namespace {

const char *const kTranslatorName = "uiLanguage";

// Loads `file` ("trevix_de_AT", falling back to "trevix_de") from `folder`
// and installs it on `app`, which owns it.
bool installTranslator(QCoreApplication &app, const QString &file, const QString &folder) {
  auto *translator = new QTranslator(&app);
  translator->setObjectName(QString::fromLatin1(kTranslatorName));
  if (!translator->load(file, folder)) {
    delete translator;
    return false;
  }
  QCoreApplication::installTranslator(translator);
  return true;
}

}  // namespace

QString translationsFolder() {
  return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("translations"));
}

bool installUiLanguage(QCoreApplication &app, const QLocale &locale, const QString &folder) {
  const QString name = QString::fromLatin1(kTranslatorName);
  for (QTranslator *old : app.findChildren<QTranslator *>(name, Qt::FindDirectChildrenOnly)) {
    QCoreApplication::removeTranslator(old);
    delete old;
  }
  // The user's languages in their order (LANGUAGE, then LC_ALL, LC_MESSAGES,
  // LANG): the first one the program speaks wins; English is its own.
  for (QString language : locale.uiLanguages()) {
    language.replace(QLatin1Char('-'), QLatin1Char('_'));
    if (language == QLatin1String("C") || language.startsWith(QLatin1String("en"))) return false;
    if (!installTranslator(app, QStringLiteral("trevix_") + language, folder)) continue;
    installTranslator(app, QStringLiteral("qtbase_") + language, QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    return true;
  }
  return false;
}
