// Carrying work from worker threads to the UI thread, and the scheduler on
// the Qt event loop.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <atomic>
#include <thread>
#include <vector>

#include "engine_relay.h"
#include "test_env.h"
#include "volume_table.h"

namespace {

// What waitUntil runs between two polls: the UI thread's events.
void pumpEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents, 20); }

TEST(EngineEventRelay, DeliversOnTheContextThreadInTheOrderRaised) {
  QObject context;
  EngineEventRelay relay(&context);
  std::vector<int> seen;
  std::atomic<int> wrongThread{0};
  QThread *ui = QThread::currentThread();
  std::thread worker([&] {
    for (int i = 0; i < 200; ++i)
      relay.post([&, i] {
        if (QThread::currentThread() != ui) ++wrongThread;
        seen.push_back(i);
      });
  });
  worker.join();
  EXPECT_TRUE(seen.empty());  // nothing runs on the worker
  ASSERT_TRUE(waitUntil([&] { return seen.size() == 200; }, 5000, pumpEvents));
  EXPECT_EQ(wrongThread.load(), 0);
  for (int i = 0; i < 200; ++i) EXPECT_EQ(seen[i], i);
}

TEST(EngineEventRelay, NothingRunsOnceClosed) {
  QObject context;
  EngineEventRelay relay(&context);
  int runs = 0;
  EXPECT_TRUE(relay.post([&] { ++runs; }));  // queued, not yet delivered
  relay.close();
  EXPECT_FALSE(relay.isOpen());
  EXPECT_FALSE(relay.post([&] { ++runs; }));
  QCoreApplication::processEvents();
  EXPECT_EQ(runs, 0);
}

TEST(EngineEventRelay, PostingAfterTheContextDiedIsHarmless) {
  int runs = 0;
  std::unique_ptr<EngineEventRelay> relay;
  {
    auto context = std::make_unique<QObject>();
    relay = std::make_unique<EngineEventRelay>(context.get());
    relay->post([&] { ++runs; });
    relay->close();
  }
  // A worker still holding the relay keeps posting after the owner is gone.
  std::thread worker([&] {
    for (int i = 0; i < 50; ++i) relay->post([&] { ++runs; });
  });
  worker.join();
  QCoreApplication::processEvents();
  EXPECT_EQ(runs, 0);
}

TEST(QtMainThreadScheduler, RunsWorkOnTheUiThreadAfterTheDelay) {
  QtMainThreadScheduler scheduler;
  QThread *ui = QThread::currentThread();
  std::atomic<bool> ran{false};
  std::atomic<bool> onUi{false};
  QElapsedTimer t;
  t.start();
  std::thread worker([&] {
    scheduler.runLater(60, [&] {
      onUi = QThread::currentThread() == ui;
      ran = true;
    });
  });
  worker.join();
  ASSERT_TRUE(waitUntil([&] { return ran.load(); }, 5000, pumpEvents));
  EXPECT_TRUE(onUi.load());
  EXPECT_GE(t.elapsed(), 55);

  std::vector<int> order;
  scheduler.runLater(30, [&] { order.push_back(2); });
  scheduler.runLater(0, [&] { order.push_back(1); });
  ASSERT_TRUE(waitUntil([&] { return order.size() == 2; }, 5000, pumpEvents));
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST(QtMainThreadScheduler, PendingWorkDiesWithTheScheduler) {
  bool ran = false;
  {
    QtMainThreadScheduler scheduler;
    scheduler.runLater(10, [&] { ran = true; });
  }
  QThread::msleep(30);
  QCoreApplication::processEvents();
  EXPECT_FALSE(ran);
}

TEST(VolumeTable, PositionsLabelsAndValues) {
  const char *labels[] = {"0%", "20%", "40%", "60%", "80%", "100%", "120%", "140%", "160%", "180%", "200%"};
  const int values[] = {1, 50, 100, 150, 200, 255, 300, 350, 400, 450, 600};
  for (int p = 0; p <= 10; ++p) {
    EXPECT_STREQ(volumeStep(p).label, labels[p]) << p;
    EXPECT_EQ(volumeStep(p).value, values[p]) << p;
  }
  EXPECT_EQ(kVolumeStartPosition, 5);
  EXPECT_EQ(volumeStep(5).value, 255);
  EXPECT_EQ(volumeStep(-3).value, 1);
  EXPECT_EQ(volumeStep(42).value, 600);
}

}  // namespace
