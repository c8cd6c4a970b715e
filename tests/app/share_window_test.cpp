// The window's controls for clips to share: "Fit into" beside Start, and
// the list's pop-up menu that cuts and turns the selected row.
#include <QAction>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <cstdlib>

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
  void typeFitInto(const char *text) {
    fitBox()->lineEdit()->clear();
    QTest::keyClicks(fitBox()->lineEdit(), QString::fromLatin1(text));
    QTest::keyClick(fitBox()->lineEdit(), Qt::Key_Return);
    QFocusEvent out(QEvent::FocusOut);
    QCoreApplication::sendEvent(fitBox(), &out);
  }
  // Two rows of a 4 s clip, the second selected.
  void listTwoRows() {
    const QString clip = QString::fromStdString(cachedFixture(smallClipRecipe(4.0), "share-4s.mov"));
    addFiles({clip, clip});
    ASSERT_EQ(rows(), 2);
    select(1);
  }
  // A menu item as the user picks it: the menu opens, then the item.
  void pick(const char *name) {
    emit control<QMenu>(*window, "sourceListMenu")->aboutToShow();
    QAction *item = control<QAction>(*window, name);
    ASSERT_TRUE(item && item->isEnabled()) << name;
    item->trigger();
  }
  CutDialog *cutDialog() const { return control<CutDialog>(*window, "cutDialog"); }
};

}  // namespace

// Each size typed or picked reaches the job settings and is stored; what is
// no size in megabytes within range is refused and the size before stays.
TEST_F(ShareWindow, FitIntoTakesSizesAndRefusesTheRest) {
  EXPECT_EQ(fitBox()->currentText(), "Off");
  const struct {
    const char *typed;
    int64_t bytes;
    const char *shown;
  } cases[] = {{"12.5", 12500000, "12.5 MB"}, {"25 mb", 25000000, "25 MB"}, {"off", 0, "Off"},
               {"1.234", 1230000, "1.23 MB"}, {"40", 40000000, "40 MB"},   {"abc", 40000000, "40 MB"},
               {"0.5", 40000000, "40 MB"},    {"200000", 40000000, "40 MB"}, {"MB", 40000000, "40 MB"}};
  for (const auto &c : cases) {
    typeFitInto(c.typed);
    EXPECT_EQ(window->settings().fitIntoBytes, c.bytes) << c.typed;
    EXPECT_EQ(jobSettingsFrom(window->settings()).targetSizeBytes, c.bytes) << c.typed;
    EXPECT_EQ(fitBox()->currentText(), QString::fromLatin1(c.shown)) << c.typed;
  }
  chooseItem(fitBox(), QStringLiteral("8 MB"));
  EXPECT_EQ(window->settings().fitIntoBytes, 8000000);
  typeFitInto("7.5");
  window->close();
  EXPECT_EQ(run.stored()->value(QStringLiteral("FitInto")).toInt(), 7500);
  window.reset();
  window = run.start();
  EXPECT_EQ(window->settings().fitIntoBytes, 7500000);
  EXPECT_EQ(fitBox()->currentText(), "7.5 MB");
}

// Each item acts on the selected row only: a turn shows in "Video Size"
// (and as the menu's checked turn), a cut the dialog takes in "Duration";
// a cut that cannot be converted is refused with the reason, the row
// unchanged.
TEST_F(ShareWindow, MenuItemsActOnTheSelectedRow) {
  listTwoRows();
  const struct {
    const char *item;
    const char *start, *end;  // typed into the dialog ("Set Start and End…")
    bool taken;
    const char *size, *shown;  // "Video Size"; "Duration" or a part of the reason
  } cases[] = {{"rotateRightAction", "", "", true, "240x320", "00:00:04"},
               {"setCutAction", "1", "3.5", true, "240x320", "00:00:02"},
               {"rotateHalfAction", "", "", true, "320x240", "00:00:02"},
               {"setCutAction", "00:00:03.000", "2", false, "320x240", "at or after its end"},
               {"setCutAction", "5", "", false, "320x240", "past the end of the clip"},
               {"setCutAction", "1:5", "", false, "320x240", "is not a time"},
               {"rotateLeftAction", "", "", true, "240x320", "00:00:02"},
               {"setCutAction", "00:00:02.250", "", true, "240x320", "00:00:01"},
               {"rotateNoneAction", "", "", true, "320x240", "00:00:01"},
               {"setCutAction", "", "", true, "320x240", "00:00:04"}};
  for (const auto &c : cases) {
    const JobEdits before = job(1).edits;
    pick(c.item);
    if (cutDialog() && cutDialog()->isVisible()) {
      control<QLineEdit>(*cutDialog(), "cutStartEdit")->setText(QString::fromLatin1(c.start));
      control<QLineEdit>(*cutDialog(), "cutEndEdit")->setText(QString::fromLatin1(c.end));
      cutDialog()->accept();
      EXPECT_EQ(cutDialog()->isVisible(), !c.taken) << c.start;
      if (!c.taken) {
        EXPECT_EQ(job(1).edits, before);
        EXPECT_TRUE(control<QLabel>(*cutDialog(), "cutReasonLabel")->text().contains(QString::fromLatin1(c.shown)));
        cutDialog()->reject();
      }
    } else {
      emit control<QMenu>(*window, "sourceListMenu")->aboutToShow();
      EXPECT_TRUE(control<QAction>(*window, c.item)->isChecked()) << c.item;
    }
    EXPECT_EQ(text(1, kVideoSizeColumn), c.size) << c.item << c.start;
    if (c.taken) {
      EXPECT_EQ(text(1, kDurationColumn), c.shown) << c.item << c.start;
    }
    EXPECT_EQ(job(0).edits, JobEdits{});
  }
  EXPECT_EQ(job(1).edits, JobEdits{});
}

// "Start Here" and "End Here" take the preview's position in the row's
// file; an end before the start is refused with the reason.
TEST_F(ShareWindow, StartAndEndHereTakeThePreviewsPosition) {
  listTwoRows();
  emit control<QMenu>(*window, "sourceListMenu")->aboutToShow();
  EXPECT_FALSE(control<QAction>(*window, "startHereAction")->isEnabled());  // nothing plays
  window->playPreview();
  PreviewPlayer *player = window->previewPlayer();
  ASSERT_TRUE(waitUntil([&] { return player->position() >= 600; }, 10000, pumpEvents)) << player->position();
  window->pausePreview();
  ASSERT_TRUE(waitUntil([&] { return player->state() == PreviewPlayer::PlaybackState::Paused; }, 3000, pumpEvents));
  const int64_t start = player->position();
  pick("startHereAction");
  for (int64_t at : {int64_t{3200}, start / 2}) {
    player->setPosition(at);
    ASSERT_TRUE(waitUntil([&] { return std::abs(player->position() - at) < 200; }, 3000, pumpEvents));
    pick("endHereAction");
  }
  EXPECT_EQ(job(1).edits.startMs, start);
  EXPECT_NEAR(job(1).edits.endMs, 3200, 200);
  EXPECT_EQ(text(1, kDurationColumn).toStdString(), formatDuration((job(1).edits.endMs - start) / 1000, ":"));
  ASSERT_EQ(prompts.messages.size(), 1);
  EXPECT_TRUE(prompts.messages[0].contains("at or after its end")) << prompts.messages[0].toStdString();
}

// The job built from the row carries its cut and turn: a portrait output
// of the cut's length, its progress counted against that length.
TEST_F(ShareWindow, TheConvertedRowIsCutAndTurned) {
  listTwoRows();
  pickFormat("MP4 - MPEG4 Video (*.mp4)");
  pick("rotateRightAction");
  window->sourceJobs().setEdits(1, JobEdits{job(1).edits.rotation, 1000, 3000});
  setChecked(0, false);
  setOutputFolder(scratch.path().string());
  window->startConversion();
  ASSERT_TRUE(waitUntil([&] { return !prompts.messages.isEmpty(); }, 60000, pumpEvents));
  ASSERT_EQ(job(1).state, JobState::Done) << job(1).reason;
  const ProbedFile written = probeMedia(job(1).outputPath);
  ASSERT_TRUE(written.ok && written.first("video")) << written.error;
  EXPECT_GT(written.first("video")->height, written.first("video")->width);
  EXPECT_NEAR(written.durationSec, 2.0, 0.15);
  ASSERT_TRUE(job(1).progress);
  EXPECT_GE(job(1).progress->percent, 90);
}
