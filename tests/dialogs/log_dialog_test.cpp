// The log dialog of "Show Log".
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "latin1_text.h"
#include "log_dialog.h"

namespace {

TEST(LogDialog, ShowsTheReasonOnTopAndCopiesEverything) {
  QWidget owner;
  LogDialog log(&owner);
  log.showLog(Q("/videos/party.mov"), Q("Fail: moov atom not found"),
              {Q("[mov @ 0x1] moov atom not found"), Q("second line")});
  EXPECT_TRUE(log.isVisible());
  EXPECT_FALSE(log.isModal());
  EXPECT_EQ(log.windowTitle(), Q("Log - party.mov"));
  EXPECT_EQ(log.headlineLabel->text(), Q("Fail: moov atom not found"));
  EXPECT_EQ(log.logView->toPlainText(), Q("[mov @ 0x1] moov atom not found\nsecond line"));
  EXPECT_TRUE(log.logView->isReadOnly());
  log.copyButton->click();
  EXPECT_EQ(QApplication::clipboard()->text(),
            Q("/videos/party.mov\nFail: moov atom not found\n\n[mov @ 0x1] moov atom not found\nsecond line\n"));

  // The next row's log replaces it; a row without messages says so.
  log.showLog(Q("/videos/b.mov"), Q("Done: Converted to /out/b.mp4"), {});
  EXPECT_EQ(log.windowTitle(), Q("Log - b.mov"));
  EXPECT_FALSE(log.logView->toPlainText().isEmpty());
  log.closeButton->click();
  EXPECT_FALSE(log.isVisible());
}

}  // namespace
