// The source list's table model over the jobs: what the view is given for
// each cell, the check marks it writes back, and the change notices that
// keep the view in step when the queue changes a job.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <tuple>

#include "probe_summary.h"
#include "source_list_model.h"

namespace {

class SourceListModelTest : public ::testing::Test {
 protected:
  SourceJobs jobs;
  SourceListModel model{jobs};

  QString cell(int row, int column) const { return model.index(row, column).data().toString(); }
};

TEST_F(SourceListModelTest, CellsShowTheJobsTexts) {
  jobs.append(makeSourceJob("/m/a.mov", probed(640, 480, 65), "MP4"));
  jobs.append(makeSourceJob("/m/broken.mov", ProbeSummary{}, "MP4"));
  ASSERT_EQ(model.rowCount(), 2);
  EXPECT_EQ(model.columnCount(), kSourceListColumnCount);
  EXPECT_EQ(model.rowCount(model.index(0, 0)), 0);  // a flat list
  const std::tuple<int, SourceListColumn, const char *> cells[] = {
      {0, kFileNameColumn, "/m/a.mov"}, {0, kVideoSizeColumn, "640x480"}, {0, kFrameRateColumn, "25"},
      {0, kDurationColumn, "00:01:05"}, {0, kOutputColumn, "MP4"},        {1, kProgressColumn, "Error"},
      {1, kOutputColumn, ""}};
  for (const auto &[row, column, text] : cells) EXPECT_EQ(cell(row, column), text) << row << ", " << column;
  // Check marks on the first column only; the other columns centred.
  EXPECT_EQ(model.index(0, 0).data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Checked);
  EXPECT_FALSE(model.index(0, 1).data(Qt::CheckStateRole).isValid());
  EXPECT_TRUE(model.flags(model.index(0, 0)) & Qt::ItemIsUserCheckable);
  EXPECT_FALSE(model.flags(model.index(0, 2)) & Qt::ItemIsUserCheckable);
  EXPECT_FALSE(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);
  EXPECT_FALSE(model.index(0, 0).data(Qt::TextAlignmentRole).isValid());
  EXPECT_EQ(model.index(0, 3).data(Qt::TextAlignmentRole).value<Qt::Alignment>(), Qt::AlignCenter);
  EXPECT_FALSE(model.index(2, 0).isValid());
}

TEST_F(SourceListModelTest, ACheckMarkClickedInTheViewReachesTheJob) {
  jobs.append(makeSourceJob("/m/a.mov", probed(320, 240, 1), "MP4"));
  QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
  EXPECT_TRUE(model.setData(model.index(0, 0), Qt::Unchecked, Qt::CheckStateRole));
  EXPECT_FALSE(jobs.at(0).checked);
  EXPECT_EQ(changed.count(), 1);
  EXPECT_FALSE(model.setData(model.index(0, kProgressColumn), Qt::Checked, Qt::CheckStateRole));
  EXPECT_FALSE(model.setData(model.index(0, 0), QStringLiteral("/elsewhere.mov"), Qt::EditRole));
  EXPECT_EQ(jobs.at(0).path, "/m/a.mov");
  jobs.setAllChecked(true);
  EXPECT_EQ(model.index(0, 0).data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Checked);
}

TEST_F(SourceListModelTest, TheViewHearsOfEveryChangeOfTheJobs) {
  QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
  QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
  QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
  for (const char *path : {"/m/a.mov", "/m/b.mov", "/m/c.mov"})
    jobs.append(makeSourceJob(path, probed(320, 240, 10), "AVI"));
  ASSERT_EQ(inserted.count(), 3);
  EXPECT_EQ(inserted.at(2).at(1).toInt(), 2);

  // The queue's changes of one row repaint that row, all its columns.
  jobs.startJob(1, "/out/b.avi", false);
  jobs.reportProgress(1, JobProgress{37, 3700}, 92);
  ASSERT_EQ(changed.count(), 2);
  const QModelIndex from = changed.last().at(0).toModelIndex(), to = changed.last().at(1).toModelIndex();
  EXPECT_EQ(std::tuple(from.row(), from.column(), to.row(), to.column()),
            std::tuple(1, 0, 1, kSourceListColumnCount - 1));
  EXPECT_EQ(cell(1, kProgressColumn), "37%");
  EXPECT_EQ(cell(1, kFramesColumn), "92");
  jobs.endJob(1, JobState::Aborted, "");
  EXPECT_EQ(cell(1, kProgressColumn), "Abort");

  // A new profile rewrites every row's "Output".
  jobs.setOutputType("MP4");
  EXPECT_EQ(changed.last().at(0).toModelIndex().row(), 0);
  EXPECT_EQ(changed.last().at(1).toModelIndex().row(), 2);
  EXPECT_EQ(cell(2, kOutputColumn), "MP4");

  jobs.remove(0);
  ASSERT_EQ(removed.count(), 1);
  EXPECT_EQ(cell(0, kProgressColumn), "Abort");  // the former row 1
  jobs.clear();
  EXPECT_EQ(removed.count(), 2);
  EXPECT_EQ(model.rowCount(), 0);
}

// The hint over a row says why it failed, why its file could not be read,
// or where its output went; otherwise the name column shows the whole path.
TEST_F(SourceListModelTest, HintsTellWhy) {
  jobs.append(makeSourceJob("/m/a.mov", probed(640, 480, 5), "MP4"));
  ProbeSummary unreadable;
  unreadable.error = "Invalid data found when processing input";
  jobs.append(makeSourceJob("/m/b.mov", unreadable, "MP4"));
  const auto hint = [&](int row, int column) { return model.index(row, column).data(Qt::ToolTipRole).toString(); };
  EXPECT_EQ(hint(0, kFileNameColumn), "/m/a.mov");
  EXPECT_EQ(hint(0, kProgressColumn), "");
  EXPECT_EQ(hint(1, kProgressColumn), "The file could not be read: Invalid data found when processing input");

  jobs.startJob(0, "/out/a.mp4", false);
  jobs.endJob(0, JobState::Failed, "Error while opening encoder for output stream #0:0");
  for (int column = 0; column < kSourceListColumnCount; ++column)
    EXPECT_EQ(hint(0, column), "Error while opening encoder for output stream #0:0") << column;
  jobs.endJob(0, JobState::Done, "");
  EXPECT_EQ(hint(0, kDurationColumn), "Converted to /out/a.mp4");

  // A phone's clip: the name's hint adds when it was recorded, in the zone
  // of the place.
  ProbeSummary phone = probed(1920, 1080, 5);
  phone.recordedAt = 1689288125;  // 2023-07-13T22:42:05Z
  phone.recordedZoneKnown = true;
  phone.recordedZoneMinutes = 120;
  jobs.append(makeSourceJob("/m/IMG_0417.MOV", phone, "MP4"));
  EXPECT_EQ(hint(2, kFileNameColumn), "/m/IMG_0417.MOV\nRecorded 2023-07-14 00:42:05 +02:00");
  EXPECT_EQ(hint(2, kProgressColumn), "");
}

}  // namespace
