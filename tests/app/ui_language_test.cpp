// The window in the user's language: the shipped German chosen from the
// locale, and under it no text of the window left in English.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QFile>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTreeView>
#include <QXmlStreamReader>

#include "layout_check.h"
#include "ui_language.h"
#include "window_fixture.h"

namespace {

// English source -> German, for the entries of the .ts whose German is not
// the same word.
QHash<QString, QString> germanOf(const QString &tsFile) {
  QHash<QString, QString> german;
  QFile file(tsFile);
  if (!file.open(QIODevice::ReadOnly)) return german;
  QXmlStreamReader xml(&file);
  QString source;
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    if (xml.name() == QLatin1String("source")) source = xml.readElementText();
    if (xml.name() == QLatin1String("translation")) {
      const QString text = xml.readElementText();
      if (text != source) german.insert(source, text);
    }
  }
  return german;
}

// Every text the window and its dialogs show, with where it is.
QStringList shownTexts(const MainWindow &w) {
  QStringList texts;
  const auto add = [&texts](const QObject *o, const QString &text) {
    if (!text.isEmpty()) texts << o->objectName() + QLatin1Char('|') + text;
  };
  for (const QWidget *c : w.findChildren<QWidget *>()) {
    add(c, c->toolTip());
    add(c, c->accessibleName());
    if (c->isWindow()) add(c, c->windowTitle());
    if (auto *b = qobject_cast<const QAbstractButton *>(c)) add(c, b->text());
    if (auto *l = qobject_cast<const QLabel *>(c)) add(c, l->text());
    if (auto *g = qobject_cast<const QGroupBox *>(c)) add(c, g->title());
    if (auto *m = qobject_cast<const QMenu *>(c)) add(c, m->title());
    if (auto *combo = qobject_cast<const QComboBox *>(c))
      for (int i = 0; i < combo->count(); ++i) add(c, combo->itemText(i));
  }
  for (const QAction *a : w.findChildren<QAction *>()) add(a, a->text());
  const QAbstractItemModel *list = control<QTreeView>(w, "sourceList")->model();
  for (int c = 0; c < list->columnCount(); ++c) add(list, list->headerData(c, Qt::Horizontal).toString());
  return texts;
}

class GermanWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(german.isEmpty()) << TREVIX_TS_DE;
    ASSERT_TRUE(installUiLanguage(*QCoreApplication::instance(), QLocale(QLocale::German, QLocale::Germany)));
  }
  void TearDown() override { installUiLanguage(*QCoreApplication::instance(), QLocale(QLocale::English)); }
  const QHash<QString, QString> german = germanOf(QStringLiteral(TREVIX_TS_DE));
};

TEST_F(GermanWindowTest, MenusMessagesAndEveryTextInGerman) {
  WindowRun run;
  std::unique_ptr<MainWindow> w = run.start();
  ASSERT_FALSE(w->startupFailed());
  const QList<QAction *> menus = w->menuBar()->actions();
  ASSERT_FALSE(menus.isEmpty());
  EXPECT_EQ(menus.first()->text(), german.value(QStringLiteral("&File")));
  // A message of the queue, shown through the prompts.
  w->startConversion();
  EXPECT_EQ(run.prompts.messages, QStringList{german.value(QStringLiteral("Please Add Files To Convert!"))});
  QStringList english;
  for (const QString &text : shownTexts(*w))
    if (german.contains(text.section(QLatin1Char('|'), 1))) english << text;
  EXPECT_TRUE(english.isEmpty()) << english.join(QStringLiteral(", ")).toStdString();
  // The German fits where the English did, and each menu keeps one key per item.
  w->resize(w->minimumSizeHint().expandedTo(w->size()));
  QTest::qWait(50);
  EXPECT_TRUE(cutOffTexts(w.get()).isEmpty()) << cutOffTexts(w.get()).join(QStringLiteral(", ")).toStdString();
  for (const QMenu *menu : w->findChildren<QMenu *>()) {
    QString keys;
    for (const QAction *a : menu->actions()) {
      const qsizetype at = a->text().indexOf(QLatin1Char('&'));
      if (at >= 0) keys += a->text().at(at + 1).toLower();
    }
    for (QChar key : keys) EXPECT_EQ(keys.count(key), 1) << menu->objectName().toStdString() << ": " << key.toLatin1();
  }
}

// Which locale gets the German: the language decides, the country falls
// back; English and languages without a translation stay English.
TEST(UiLanguageTest, ChosenFromTheLocale) {
  const struct {
    const char *locale;
    bool german;
  } cases[] = {{"de_DE", true}, {"de_AT", true}, {"de", true}, {"en_US", false}, {"fr_FR", false}, {"C", false}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.locale);
    EXPECT_EQ(installUiLanguage(*QCoreApplication::instance(), QLocale(QString::fromLatin1(c.locale))), c.german);
    EXPECT_EQ(QCoreApplication::translate("MainWindow", "&File") != QLatin1String("&File"), c.german);
  }
  installUiLanguage(*QCoreApplication::instance(), QLocale(QLocale::English));
}

}  // namespace
