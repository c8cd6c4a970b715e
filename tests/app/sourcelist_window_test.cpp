// The source list of the main window: adding and probing files (open
// dialog and drops), row texts, the add-file component, remove and clear.
#include <QDropEvent>
#include <QMimeData>
#include <QSlider>
#include <QTimer>
#include <QToolButton>
#include <fstream>

#include "add_file_thread.h"
#include "media_fixture.h"
#include "queue_window_fixture.h"

namespace {

std::string SmallClip(int rateNum, int rateDen, const std::string &name) {
  TMediaRecipe recipe;
  recipe.width = 320;
  recipe.height = 240;
  recipe.rateNum = rateNum;
  recipe.rateDen = rateDen;
  recipe.durationSec = 1.0;
  return CachedFixture(recipe, name);
}

std::string AudioOnlyClip() {
  TMediaRecipe recipe;
  recipe.videoCodec.clear();
  recipe.durationSec = 2.0;
  return CachedFixture(recipe, "tone.m4a");
}

class SourceList : public WindowTest {
 protected:
  std::string Unreadable() {
    const std::string p = scratch.file("broken.mov");
    std::ofstream(p) << "this is not a movie";
    return p;
  }
  void Drop(const QStringList &files, QWidget *over) {
    QMimeData mime;
    QList<QUrl> urls;
    for (const QString &f : files) urls << QUrl::fromLocalFile(f);
    mime.setUrls(urls);
    const QPointF pos = over->mapTo(window.get(), over->rect().center());
    QDragEnterEvent enter(pos.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &enter);
    QDropEvent drop(pos, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &drop);
    QCoreApplication::processEvents();
  }
};

}  // namespace

TEST_F(SourceList, ThreeFilesWithAnUnreadableOneInTheMiddle) {
  const QString a = QString::fromStdString(SmallClip(30000, 1001, "ntsc.mov"));
  const QString bad = QString::fromStdString(Unreadable());
  const QString c = QString::fromStdString(SmallClip(24000, 1001, "film.mov"));
  AddFiles({a, bad, c});
  ASSERT_EQ(Rows(), 3);
  EXPECT_EQ(prompts.OpenDialogs, 1);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Row(i)->checkState(colFileName), Qt::Checked) << i;
  EXPECT_EQ(Text(0, colFileName), a);
  EXPECT_EQ(Text(0, colVideoSize), "320x240");
  EXPECT_EQ(Text(0, colFrameRate), "29.97");
  EXPECT_EQ(Text(0, colDuration), "00:00:01");
  EXPECT_EQ(Text(0, colOutput), window->OutputType);
  EXPECT_FALSE(window->OutputType.isEmpty());
  EXPECT_EQ(Text(0, colProgress), "");
  EXPECT_EQ(Text(1, colFileName), bad);
  EXPECT_EQ(Text(1, colProgress), "Error");
  EXPECT_EQ(Text(1, colOutput), "");
  EXPECT_EQ(Text(1, colVideoSize), "");
  EXPECT_EQ(Text(1, colDuration), "");
  EXPECT_EQ(Text(2, colFrameRate), "23.98");
  EXPECT_FALSE(window->AddingFiles);
  // The dialog offers the three filters, "All Supported Files" first.
  ASSERT_EQ(prompts.LastFilters.size(), 3u);
  EXPECT_EQ(prompts.LastFilters[0].Name, "All Supported Files");
  EXPECT_EQ(prompts.LastFilters[0].Patterns, "*.mov;*.qt;*.m4v;*.mp4;*.m4a");
  EXPECT_EQ(prompts.LastFilters[1].Name, "QuickTime Files (*.mov, *.qt, *.m4v)");
  EXPECT_EQ(prompts.LastFilters[1].Patterns, "*.mov; *.qt; *.m4v");
  EXPECT_EQ(prompts.LastFilters[2].Name, "MPEG-4 Audio Files (*.m4a, *.mp4)");
  EXPECT_EQ(prompts.LastFilters[2].Patterns, "*.m4a; *.mp4");
}

TEST_F(SourceList, AudioOnlyFileHasBlankSizeAndRate) {
  PickFormat("MP3 - Mpeg Layer3 Audio (*.mp3)");
  AddFiles({QString::fromStdString(AudioOnlyClip())});
  ASSERT_EQ(Rows(), 1);
  EXPECT_EQ(Text(0, colVideoSize), " ");
  EXPECT_EQ(Text(0, colFrameRate), " ");
  EXPECT_EQ(Text(0, colDuration), "00:00:02");
  EXPECT_EQ(Text(0, colOutput), "MP3");
}

TEST_F(SourceList, CancelledDialogAddsNothingAndTheSameFileMayComeTwice) {
  AddFiles({});
  EXPECT_EQ(Rows(), 0);
  const QString a = QString::fromStdString(SmallClip(30000, 1001, "ntsc.mov"));
  AddFiles({a});
  Row(0)->setText(colProgress, "Done");
  AddFiles({a});
  ASSERT_EQ(Rows(), 2);
  EXPECT_EQ(Text(0, colProgress), "");  // Add File clears the old states
  EXPECT_EQ(Text(1, colFileName), a);
}

TEST_F(SourceList, DroppedFilesTakeTheAddFileRoad) {
  const QString a = QString::fromStdString(SmallClip(30000, 1001, "ntsc.mov"));
  const QString bad = QString::fromStdString(Unreadable());
  Drop({a, bad, QString::fromStdString(scratch.path().string())}, window->ListView1);
  ASSERT_EQ(Rows(), 2);  // the folder is left out
  EXPECT_EQ(Text(0, colFrameRate), "29.97");
  EXPECT_EQ(Text(1, colProgress), "Error");
  EXPECT_EQ(prompts.OpenDialogs, 0);

  // Not onto the list, or during a conversion: nothing happens.
  Drop({a}, window->ButtonConvert);
  EXPECT_EQ(Rows(), 2);
  window->Converting = true;
  Drop({a}, window->ListView1);
  window->Converting = false;
  EXPECT_EQ(Rows(), 2);
}

TEST_F(SourceList, AddFileDoesNothingDuringAConversion) {
  window->Converting = true;
  AddFiles({QString::fromStdString(SmallClip(30000, 1001, "ntsc.mov"))});
  window->Converting = false;
  EXPECT_EQ(Rows(), 0);
  EXPECT_EQ(prompts.OpenDialogs, 0);
}

TEST_F(SourceList, RemoveClearAndCheckMarks) {
  const QString a = QString::fromStdString(SmallClip(30000, 1001, "ntsc.mov"));
  const QString c = QString::fromStdString(SmallClip(24000, 1001, "film.mov"));
  AddFiles({a, c, a});
  ASSERT_EQ(Rows(), 3);
  window->UncheckAllItems1Click();
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Row(i)->checkState(colFileName), Qt::Unchecked);
  window->CheckAllItems1Click();
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Row(i)->checkState(colFileName), Qt::Checked);

  window->ListView1->setCurrentItem(Row(1));
  window->DeleteSelectedItem1Click();
  ASSERT_EQ(Rows(), 2);
  EXPECT_EQ(Text(1, colFrameRate), "29.97");

  // Clear All and Remove do nothing while a conversion runs or files are added.
  window->Converting = true;
  window->ClearAllItems1Click();
  window->ListView1->setCurrentItem(Row(0));
  window->DeleteSelectedItem1Click();
  window->Converting = false;
  EXPECT_EQ(Rows(), 2);
  window->TimerConvertAgain->start();  // between two rows of a run
  window->ClearAllItems1Click();
  window->TimerConvertAgain->stop();
  EXPECT_EQ(Rows(), 2);
  window->AddingFiles = true;
  window->ClearAllItems1Click();
  window->AddingFiles = false;
  EXPECT_EQ(Rows(), 2);

  window->ClearAllItems1Click();
  EXPECT_EQ(Rows(), 0);
}

TEST(AddFileComponent, StartRunsTheHandlerAndIgnoresASecondStart) {
  TestApp();
  QObject owner;
  int runs = 0, nested = 0;
  TBMDThread *thread = nullptr;
  thread = new TBMDThread(&owner, [&] {
    ++runs;
    EXPECT_TRUE(thread->Active());
    thread->Start();  // while active: ignored
    QCoreApplication::processEvents();
    thread->Start();
    ++nested;
  });
  thread->Start();
  EXPECT_EQ(runs, 1);  // the handler ran before Start returned
  EXPECT_EQ(nested, 1);
  EXPECT_TRUE(thread->Active());  // until its end comes through the event loop
  thread->Start();
  EXPECT_EQ(runs, 1);
  QCoreApplication::processEvents();
  EXPECT_FALSE(thread->Active());
  thread->Start();
  EXPECT_EQ(runs, 2);
}
