// A long run in the window: what the window keeps per converted file stays
// bounded. TREVIX_WINDOW_RUN_FILES sets the number of files (300 by
// default; bench/window_memory.txt has the figure for 1000).
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "media_fixture.h"
#include "queue_window_fixture.h"

namespace {

// The resident size of this process in MB (/proc/self/status, VmRSS).
double residentMb() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
  return 0;
}

int doneRows(const SourceJobs &jobs) {
  int done = 0;
  for (int r = 0; r < jobs.count(); ++r) done += jobs.at(r).state == JobState::Done;
  return done;
}

}  // namespace

TEST_F(WindowTest, LongRunKeepsMemoryFlat) {
  const char *wanted = std::getenv("TREVIX_WINDOW_RUN_FILES");
  const int count = wanted ? std::atoi(wanted) : 300;
  const std::string clip = cachedFixture(smallClipRecipe(0.2), "memory-run.mov");
  ScratchDir sources, outputs;
  QStringList files;
  for (int i = 0; i < count; ++i) {
    const std::string copy = sources.file("clip" + std::to_string(i) + ".mov");
    std::filesystem::copy_file(clip, copy);
    files << QString::fromStdString(copy);
  }
  addFiles(files);
  ASSERT_TRUE(waitUntil([&] { return rows() == count && !window->runFlags().addingFiles; }, 120000, pumpEvents));
  setOutputFolder(outputs.path().string());
  // The rows follow each other at once rather than two ticks apart.
  control<QTimer>(*window, "nextRowTimer")->setInterval(1);
  window->startConversion();
  double afterTen = 0;
  ASSERT_TRUE(waitUntil(
      [&] {
        if (afterTen == 0 && doneRows(window->sourceJobs()) >= 10) afterTen = residentMb();
        return !window->runInProgress();
      },
      600000, pumpEvents));
  ASSERT_EQ(doneRows(window->sourceJobs()), count);
  const double atEnd = residentMb();
  std::printf("resident: %.1f MB after 10 files, %.1f MB after %d\n", afterTen, atEnd, count);
  // The window grew by a third of a MB a file when the memory its tasks
  // freed stayed with the C library (30 MB is the bound for 1000 files).
  EXPECT_LT(atEnd - afterTen, 10.0 + count * 0.02);
}
