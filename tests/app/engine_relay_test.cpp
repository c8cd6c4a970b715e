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
#include "volume_table.h"

namespace {

// Processes events until `done` or the time is up.
template <typename F>
bool PumpUntil(F done, int ms = 5000) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < ms) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(1);
  }
  return done();
}

TEST(EngineEventRelay, DeliversOnTheContextThreadInTheOrderRaised) {
  QObject context;
  TEngineEventRelay relay(&context);
  std::vector<int> seen;
  std::atomic<int> wrongThread{0};
  QThread *ui = QThread::currentThread();
  std::thread worker([&] {
    for (int i = 0; i < 200; ++i)
      relay.Post([&, i] {
        if (QThread::currentThread() != ui) ++wrongThread;
        seen.push_back(i);
      });
  });
  worker.join();
  EXPECT_TRUE(seen.empty());  // nothing runs on the worker
  ASSERT_TRUE(PumpUntil([&] { return seen.size() == 200; }));
  EXPECT_EQ(wrongThread.load(), 0);
  for (int i = 0; i < 200; ++i) EXPECT_EQ(seen[i], i);
}

TEST(EngineEventRelay, NothingRunsOnceClosed) {
  QObject context;
  TEngineEventRelay relay(&context);
  int runs = 0;
  EXPECT_TRUE(relay.Post([&] { ++runs; }));  // queued, not yet delivered
  relay.Close();
  EXPECT_FALSE(relay.IsOpen());
  EXPECT_FALSE(relay.Post([&] { ++runs; }));
  QCoreApplication::processEvents();
  EXPECT_EQ(runs, 0);
}

TEST(EngineEventRelay, PostingAfterTheContextDiedIsHarmless) {
  int runs = 0;
  std::unique_ptr<TEngineEventRelay> relay;
  {
    auto context = std::make_unique<QObject>();
    relay = std::make_unique<TEngineEventRelay>(context.get());
    relay->Post([&] { ++runs; });
    relay->Close();
  }
  // A worker still holding the relay keeps posting after the owner is gone.
  std::thread worker([&] {
    for (int i = 0; i < 50; ++i) relay->Post([&] { ++runs; });
  });
  worker.join();
  QCoreApplication::processEvents();
  EXPECT_EQ(runs, 0);
}

TEST(QtMainThreadScheduler, RunsWorkOnTheUiThreadAfterTheDelay) {
  TQtMainThreadScheduler scheduler;
  QThread *ui = QThread::currentThread();
  std::atomic<bool> ran{false};
  std::atomic<bool> onUi{false};
  QElapsedTimer t;
  t.start();
  std::thread worker([&] {
    scheduler.RunLater(60, [&] {
      onUi = QThread::currentThread() == ui;
      ran = true;
    });
  });
  worker.join();
  ASSERT_TRUE(PumpUntil([&] { return ran.load(); }));
  EXPECT_TRUE(onUi.load());
  EXPECT_GE(t.elapsed(), 55);

  std::vector<int> order;
  scheduler.RunLater(30, [&] { order.push_back(2); });
  scheduler.RunLater(0, [&] { order.push_back(1); });
  ASSERT_TRUE(PumpUntil([&] { return order.size() == 2; }));
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST(QtMainThreadScheduler, PendingWorkDiesWithTheScheduler) {
  bool ran = false;
  {
    TQtMainThreadScheduler scheduler;
    scheduler.RunLater(10, [&] { ran = true; });
  }
  QThread::msleep(30);
  QCoreApplication::processEvents();
  EXPECT_FALSE(ran);
}

TEST(VolumeTable, PositionsLabelsAndValues) {
  const char *labels[] = {"0%", "20%", "40%", "60%", "80%", "100%", "120%", "140%", "160%", "180%", "200%"};
  const int values[] = {1, 50, 100, 150, 200, 255, 300, 350, 400, 450, 600};
  for (int p = 0; p <= 10; ++p) {
    EXPECT_STREQ(VolumeStep(p).Label, labels[p]) << p;
    EXPECT_EQ(VolumeStep(p).Value, values[p]) << p;
  }
  EXPECT_EQ(kVolumeStartPosition, 5);
  EXPECT_EQ(VolumeStep(5).Value, 255);
  EXPECT_EQ(VolumeStep(-3).Value, 1);
  EXPECT_EQ(VolumeStep(42).Value, 600);
}

}  // namespace
