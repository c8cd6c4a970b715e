// A long run in the window: what the window keeps per converted file stays
// bounded. TREVIX_WINDOW_RUN_FILES sets the number of files (300 by
// default; bench/window_memory.txt has the figure for 1000).
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "media_fixture.h"
#include "queue_window_fixture.h"
#include "run_progress.h"

namespace {

double residentMb() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
  return 0;
}

}  // namespace

TEST_F(WindowTest, LongRunKeepsMemoryFlat) {
  const int count = std::getenv("TREVIX_WINDOW_RUN_FILES") ? std::atoi(std::getenv("TREVIX_WINDOW_RUN_FILES")) : 300;
  const std::string clip = cachedFixture(smallClipRecipe(0.2), "memory-run.mov");
  QStringList files;
  for (int i = 0; i < count; ++i) {
    files << QString::fromStdString(scratch.file("clip" + std::to_string(i) + ".mov"));
    std::filesystem::copy_file(clip, files.back().toStdString());
  }
  addFiles(files);
  ASSERT_EQ(rows(), count);
  setOutputFolder(run.outputDir.path().string());
  control<QTimer>(*window, "nextRowTimer")->setInterval(1);  // the rows follow each other at once
  window->startConversion();
  double afterTen = 0;
  ASSERT_TRUE(waitUntil(
      [&] {
        if (afterTen == 0 && runCounts(window->sourceJobs()).done >= 10) afterTen = residentMb();
        return !window->runInProgress();
      },
      600000, pumpEvents));
  ASSERT_EQ(runCounts(window->sourceJobs()).done, count);
  const double atEnd = residentMb();
  std::printf("resident: %.1f MB after 10 files, %.1f MB after %d\n", afterTen, atEnd, count);
  // The window grew by a third of a MB a file when the memory its tasks
  // freed stayed with the C library (30 MB is the bound for 1000 files).
  EXPECT_LT(atEnd - afterTen, 10.0 + count * 0.02);
}
