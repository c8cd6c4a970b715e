// The window's controls for clips to share: "Fit into" beside the output
// format, and the list's pop-up menu that cuts and turns the selected row.
#include <QFocusEvent>
#include <QLineEdit>
#include <QTest>

#include "fit_into_box.h"
#include "queue_window_fixture.h"

namespace {

class ShareWindow : public WindowTest {
 protected:
  FitIntoBox *fitBox() const { return control<FitIntoBox>(*window, "fitIntoBox"); }
  // Typed as the user types it, then Enter, then the focus leaves the box.
  void typeFitInto(const QString &text) {
    QLineEdit *edit = fitBox()->lineEdit();
    edit->clear();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
    QFocusEvent out(QEvent::FocusOut);
    QCoreApplication::sendEvent(fitBox(), &out);
  }
};

}  // namespace

// Each size typed or picked reaches the job settings; what is no size in
// megabytes within range is refused and the size before stays.
TEST_F(ShareWindow, FitIntoTakesSizesAndRefusesTheRest) {
  ASSERT_NE(fitBox(), nullptr);
  EXPECT_EQ(fitBox()->currentText(), "Off");
  const struct {
    const char *typed;
    int64_t bytes;
    const char *shown;
  } cases[] = {{"12.5", 12500000, "12.5 MB"}, {"25 mb", 25000000, "25 MB"}, {"off", 0, "Off"},
               {"1.234", 1230000, "1.23 MB"}, {"40", 40000000, "40 MB"},   {"abc", 40000000, "40 MB"},
               {"0.5", 40000000, "40 MB"},    {"200000", 40000000, "40 MB"}, {"MB", 40000000, "40 MB"}};
  for (const auto &c : cases) {
    typeFitInto(QString::fromLatin1(c.typed));
    EXPECT_EQ(window->settings().fitIntoBytes, c.bytes) << c.typed;
    EXPECT_EQ(jobSettingsFrom(window->settings()).targetSizeBytes, c.bytes) << c.typed;
    EXPECT_EQ(fitBox()->currentText(), QString::fromLatin1(c.shown)) << c.typed;
  }
  const int item = fitBox()->findText(QStringLiteral("8 MB"));
  ASSERT_GT(item, 0);
  fitBox()->setCurrentIndex(item);
  emit fitBox()->activated(item);
  EXPECT_EQ(window->settings().fitIntoBytes, 8000000);

  // Stored with the settings, and shown again at the next start.
  typeFitInto(QStringLiteral("7.5"));
  window->close();
  EXPECT_EQ(run.stored()->value(QStringLiteral("FitInto")).toInt(), 7500);
  window.reset();
  window = run.start();
  EXPECT_EQ(window->settings().fitIntoBytes, 7500000);
  EXPECT_EQ(fitBox()->currentText(), "7.5 MB");
}
