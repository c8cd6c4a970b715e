// The window under a German locale: the shipped translation, with no text
// of the window left in English.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFile>
#include <QGroupBox>
#include <QHash>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTreeView>
#include <QXmlStreamReader>

#include "layout_check.h"
#include "output_files.h"
#include "ui_language.h"
#include "window_fixture.h"

namespace {

// English -> German of the shipped .ts, where the German is another word.
QHash<QString, QString> germanOf(const QString &tsFile) {
  QHash<QString, QString> german;
  QFile file(tsFile);
  if (!file.open(QIODevice::ReadOnly)) return german;
  QXmlStreamReader xml(&file);
  QString source;
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    const auto text = [&xml] { return xml.readElementText(QXmlStreamReader::SkipChildElements); };
    if (xml.name() == u"source") source = text();
    if (xml.name() == u"translation")
      if (const QString translation = text(); translation != source) german.insert(source, translation);
  }
  return german;
}

// "name|text" for every text the window and its dialogs show.
QStringList shownTexts(const MainWindow &w) {
  QStringList texts;
  const auto add = [&texts](const QObject *o, const QString &text) { texts << o->objectName() + u'|' + text; };
  for (const QWidget *c : w.findChildren<QWidget *>()) {
    for (const QString &t : {c->toolTip(), c->accessibleName(), c->isWindow() ? c->windowTitle() : QString()})
      add(c, t);
    if (auto *b = qobject_cast<const QAbstractButton *>(c)) add(c, b->text());
    if (auto *l = qobject_cast<const QLabel *>(c)) add(c, l->text());
    if (auto *g = qobject_cast<const QGroupBox *>(c)) add(c, g->title());
    if (auto *combo = qobject_cast<const QComboBox *>(c))
      for (int i = 0; i < combo->count(); ++i) add(c, combo->itemText(i));
  }
  for (const QAction *a : w.findChildren<QAction *>()) add(a, a->text());
  const QAbstractItemModel *list = control<QTreeView>(w, "sourceList")->model();
  for (int c = 0; c < list->columnCount(); ++c) add(list, list->headerData(c, Qt::Horizontal).toString());
  return texts;
}

TEST(UiLanguageTest, WindowMenusMessagesAndEveryTextInGerman) {
  const QHash<QString, QString> german = germanOf(QStringLiteral(TREVIX_TS_DE));
  ASSERT_GT(german.size(), 50) << TREVIX_TS_DE;
  ASSERT_TRUE(installUiLanguage(*qApp, QLocale(QLocale::German, QLocale::Germany)));
  WindowRun run;
  std::unique_ptr<MainWindow> w = run.start();
  EXPECT_EQ(w->menuBar()->actions().value(0)->text(), german.value(QStringLiteral("&File")));
  w->startConversion();  // a message of the queue, through the prompts
  EXPECT_EQ(run.prompts.messages, QStringList{german.value(QStringLiteral("Please Add Files To Convert!"))});
  // One made with a path: the path kept in the German.
  const std::string missing = run.outputDir.path().string() + "/missing";
  w->setOutputFolder(QString::fromStdString(missing));
  control<QAction>(*w, "openOutputFolderAction")->trigger();
  EXPECT_TRUE(run.prompts.messages.value(1).contains(QString::fromStdString(missing)));
  EXPECT_NE(run.prompts.messages.value(1), QString::fromStdString(outputFolderProblem(missing)));
  QStringList english;
  for (const QString &text : shownTexts(*w))
    if (german.contains(text.section(u'|', 1))) english << text;
  EXPECT_TRUE(english.isEmpty()) << english.join(u',').toStdString();
  // The German fits, and each menu keeps one key per item.
  w->resize(w->minimumSizeHint().expandedTo(w->size()));
  QTest::qWait(50);
  EXPECT_TRUE(cutOffTexts(w.get()).isEmpty()) << cutOffTexts(w.get()).join(u',').toStdString();
  for (const QMenu *menu : w->findChildren<QMenu *>()) {
    QString keys;
    for (const QAction *a : menu->actions())
      if (const qsizetype at = a->text().indexOf(u'&'); at >= 0) keys += a->text().at(at + 1).toLower();
    for (QChar key : keys) EXPECT_EQ(keys.count(key), 1) << menu->objectName().toStdString() << ' ' << key.toLatin1();
  }
  installUiLanguage(*qApp, QLocale(QLocale::English));
}

// The language decides, the country falls back; English and languages
// without a translation stay English.
TEST(UiLanguageTest, ChosenFromTheLocale) {
  for (const auto &[locale, german] : {std::pair{"de_DE", true}, {"de_AT", true}, {"de", true}, {"en_US", false},
                                       {"fr_FR", false}, {"C", false}}) {
    SCOPED_TRACE(locale);
    EXPECT_EQ(installUiLanguage(*qApp, QLocale(QString::fromLatin1(locale))), german);
    EXPECT_EQ(QCoreApplication::translate("MainWindow", "&File") != QLatin1String("&File"), german);
  }
  installUiLanguage(*qApp, QLocale(QLocale::English));
}

}  // namespace
