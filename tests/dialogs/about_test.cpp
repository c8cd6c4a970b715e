// The About box and the open dialog's filter.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "fake_prompts.h"
#include "layout_check.h"
#include "about_dialog.h"
#include "prompts.h"

namespace {

TEST(AboutBox, ContentAndLinks) {
  QWidget owner;
  FakePrompts prompts;
  AboutDialog about(&owner, &prompts);
  EXPECT_EQ(about.objectName(), Q("aboutDialog"));
  EXPECT_EQ(about.windowTitle(), Q("About"));
  EXPECT_EQ(about.size(), QSize(359, 244));
  EXPECT_TRUE(about.isModal());
  EXPECT_TRUE(about.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(about.titleLabel->text(), Q("Trevix MOV Video Converter"));
  EXPECT_TRUE(about.titleLabel->font().bold());
  EXPECT_EQ(about.versionLabel->text(), Q("Version 2.1"));
  EXPECT_EQ(about.websiteLink->text(), Q("Visit Trevix Software Website"));
  EXPECT_EQ(about.supportLink->text(), Q("Contact Support Department"));
  EXPECT_TRUE(about.websiteLink->font().underline());
  EXPECT_EQ(about.websiteLink->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_EQ(about.okButton->text(), Q("OK"));
  EXPECT_FALSE(about.iconPicture->pixmap().isNull());
  EXPECT_EQ(about.iconPicture->pixmap().size(), QSize(32, 32));
  EXPECT_FALSE(about.noticeLabel->text().isEmpty());

  about.show();
  // Every text stands above the button.
  for (const QLabel *text : {about.titleLabel, about.versionLabel, about.websiteLink, about.supportLink,
                             about.noticeLabel})
    EXPECT_LE(text->geometry().bottom(), about.okButton->geometry().top()) << text->objectName().toStdString();
  QTest::mouseClick(about.websiteLink, Qt::LeftButton);
  QTest::mouseClick(about.supportLink, Qt::LeftButton);
  ASSERT_EQ(prompts.openedUrls.size(), 2u);
  EXPECT_TRUE(prompts.openedUrls[0].scheme().startsWith(Q("http")));
  EXPECT_EQ(prompts.openedUrls[1].scheme(), Q("mailto"));
  EXPECT_FALSE(prompts.openedUrls[1].path().isEmpty());
}

TEST(AboutBox, OkClosesTheModalBox) {
  QWidget owner;
  FakePrompts prompts;
  AboutDialog about(&owner, &prompts);
  QTimer::singleShot(50, &about, [&] { QTest::mouseClick(about.okButton, Qt::LeftButton); });
  QTimer::singleShot(3000, &about, [&] { about.reject(); });  // safety net
  EXPECT_EQ(about.exec(), QDialog::Accepted);
  EXPECT_FALSE(about.isVisible());
}

// The box takes the desktop's font; a larger one makes it grow, so its
// texts are never cut off.
TEST(AboutBox, GrowsWithTheDesktopsFont) {
  QWidget owner;
  FakePrompts prompts;
  for (double scale : {1.0, 1.5, 2.0}) {
    SCOPED_TRACE(scale);
    ScaledAppFont font(scale);
    AboutDialog about(&owner, &prompts);
    about.show();
    EXPECT_EQ(about.versionLabel->font().pointSizeF(), QApplication::font().pointSizeF());
    EXPECT_TRUE(cutOffTexts(&about).isEmpty()) << cutOffTexts(&about).join(Q(", ")).toStdString();
    EXPECT_GE(about.width(), 359);
    EXPECT_GE(about.height(), 244);
  }
}

TEST(OpenDialogFilter, SplitsIntoTheThreeChoices) {
  const auto filters = parseFileFilter(
      Q("All Supported Files|*.mov;*.qt;*.m4v;*.mp4;*.m4a|QuickTime Files (*.mov, *.qt, *.m4v)|*.mov; *.qt; "
        "*.m4v|MPEG-4 Audio Files (*.m4a, *.mp4)|*.m4a; *.mp4|"));
  QStringList split;  // "name: glob|glob"
  for (const FileFilter &f : filters) split << f.name + Q(": ") + filterGlobs(f).join(QLatin1Char('|'));
  EXPECT_EQ(split, QStringList({Q("All Supported Files: *.mov|*.qt|*.m4v|*.mp4|*.m4a"),
                                Q("QuickTime Files (*.mov, *.qt, *.m4v): *.mov|*.qt|*.m4v"),
                                Q("MPEG-4 Audio Files (*.m4a, *.mp4): *.m4a|*.mp4")}));
}

}  // namespace
