// The window's controls for clips to share: "Fit into" beside the output
// format, and the list's pop-up menu that cuts and turns the selected row.
#include <QAction>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <filesystem>

#include "cut_dialog.h"
#include "fit_into_box.h"
#include "pipeline_text.h"
#include "preview_player.h"
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

namespace {

class RowEdits : public ShareWindow {
 protected:
  void SetUp() override {
    ShareWindow::SetUp();
    if (IsSkipped()) return;
    const QString clip = QString::fromStdString(cachedFixture(smallClipRecipe(4.0), "share-4s.mov"));
    addFiles({clip, clip});
    ASSERT_EQ(rows(), 2);
    select(1);
  }
  // A menu item as the user picks it: the menu opens, then the item.
  void pick(const char *name) {
    emit control<QMenu>(*window, "sourceListMenu")->aboutToShow();
    QAction *item = control<QAction>(*window, name);
    ASSERT_NE(item, nullptr) << name;
    ASSERT_TRUE(item->isEnabled()) << name;
    item->trigger();
  }
  CutDialog *cutDialog() const { return control<CutDialog>(*window, "cutDialog"); }
};

}  // namespace

// Each turn sets the selected row's, the size shown turns with it, and the
// menu shows the row's turn; the other row stays as it was.
TEST_F(RowEdits, RotateTurnsTheSelectedRow) {
  const struct {
    const char *item;
    int degrees;
    const char *size;
  } cases[] = {{"rotateRightAction", 90, "240x320"},
               {"rotateHalfAction", 180, "320x240"},
               {"rotateLeftAction", 270, "240x320"},
               {"rotateNoneAction", 0, "320x240"}};
  for (const auto &c : cases) {
    pick(c.item);
    EXPECT_EQ(job(1).edits.rotation, c.degrees) << c.item;
    EXPECT_EQ(text(1, kVideoSizeColumn), c.size) << c.item;
    emit control<QMenu>(*window, "sourceListMenu")->aboutToShow();
    EXPECT_TRUE(control<QAction>(*window, c.item)->isChecked()) << c.item;
    EXPECT_EQ(job(0).edits, JobEdits{});
  }
}

// The dialog takes a cut that can be converted (Duration shows its length)
// and refuses the others with the reason, the row's cut unchanged.
TEST_F(RowEdits, SetStartAndEndTakesOnlyACutThatCanBeConverted) {
  const struct {
    const char *start, *end;
    bool taken;
    const char *shown;  // the Duration, or a part of the reason
  } cases[] = {{"1", "3.5", true, "00:00:02"},
               {"00:00:03.000", "2", false, "at or after its end"},
               {"5", "", false, "past the end of the clip"},
               {"1:5", "", false, "is not a time"},
               {"00:00:02.250", "", true, "00:00:01"},
               {"", "", true, "00:00:04"}};
  for (const auto &c : cases) {
    const JobEdits before = job(1).edits;
    pick("setCutAction");
    ASSERT_NE(cutDialog(), nullptr);
    ASSERT_TRUE(cutDialog()->isVisible());
    control<QLineEdit>(*cutDialog(), "cutStartEdit")->setText(QString::fromLatin1(c.start));
    control<QLineEdit>(*cutDialog(), "cutEndEdit")->setText(QString::fromLatin1(c.end));
    cutDialog()->accept();
    EXPECT_EQ(cutDialog()->isVisible(), !c.taken) << c.start;
    if (c.taken) {
      EXPECT_EQ(text(1, kDurationColumn), c.shown) << c.start;
    } else {
      EXPECT_EQ(job(1).edits, before) << c.start;
      EXPECT_TRUE(control<QLabel>(*cutDialog(), "cutReasonLabel")->text().contains(QString::fromLatin1(c.shown)))
          << control<QLabel>(*cutDialog(), "cutReasonLabel")->text().toStdString();
      cutDialog()->reject();
    }
  }
  EXPECT_EQ(job(1).edits, JobEdits{});
  EXPECT_EQ(text(0, kDurationColumn), "00:00:04");
}

// "Start Here" and "End Here" take the preview's position in the row's
// file; an end before the start is refused with the reason.
TEST_F(RowEdits, StartAndEndHereTakeThePreviewsPosition) {
  emit control<QMenu>(*window, "sourceListMenu")->aboutToShow();
  EXPECT_FALSE(control<QAction>(*window, "startHereAction")->isEnabled());  // nothing plays
  window->playPreview();
  PreviewPlayer *player = window->previewPlayer();
  ASSERT_TRUE(waitUntil([&] { return player->position() >= 600; }, 10000, pumpEvents)) << player->position();
  window->pausePreview();
  ASSERT_TRUE(waitUntil([&] { return player->state() == PreviewPlayer::PlaybackState::Paused; }, 3000, pumpEvents));
  const int64_t start = player->position();
  pick("startHereAction");
  EXPECT_EQ(job(1).edits.startMs, start);
  player->setPosition(3200);
  ASSERT_TRUE(waitUntil([&] { return player->position() >= 3000; }, 3000, pumpEvents)) << player->position();
  const int64_t end = player->position();
  pick("endHereAction");
  EXPECT_EQ(job(1).edits.endMs, end);
  EXPECT_EQ(text(1, kDurationColumn).toStdString(), formatDuration((end - start) / 1000, ":"));
  player->setPosition(start / 2);
  ASSERT_TRUE(waitUntil([&] { return player->position() < start; }, 3000, pumpEvents));
  pick("endHereAction");
  EXPECT_EQ(job(1).edits.endMs, end);
  ASSERT_FALSE(prompts.messages.isEmpty());
  EXPECT_TRUE(prompts.messages.last().contains("at or after its end")) << prompts.messages.last().toStdString();
}

// The job built from the row carries its cut and turn: a portrait output
// of the cut's length.
TEST_F(RowEdits, TheConvertedRowIsCutAndTurned) {
  pickFormat("MP4 - MPEG4 Video (*.mp4)");
  pick("rotateRightAction");
  window->sourceJobs().setEdits(1, JobEdits{job(1).edits.rotation, 1000, 3000});
  setChecked(0, false);
  const std::string out = scratch.file("out");
  std::filesystem::create_directories(out);
  setOutputFolder(out);
  window->startConversion();
  ASSERT_TRUE(waitUntil([&] { return !prompts.messages.isEmpty(); }, 60000, pumpEvents));
  ASSERT_EQ(job(1).state, JobState::Done) << job(1).reason;
  const ProbedFile written = probeMedia(job(1).outputPath);
  ASSERT_TRUE(written.ok) << written.error;
  ASSERT_NE(written.first("video"), nullptr);
  EXPECT_GT(written.first("video")->height, written.first("video")->width);
  EXPECT_NEAR(written.durationSec, 2.0, 0.15);
}
