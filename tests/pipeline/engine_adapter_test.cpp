#include "engine_adapter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

TEST(EngineAdapter, EventsAreReplacedOnlyWhileNoEventIsBeingRaised) {
  MediaEngine engine;
  EngineAdapter adapter(engine);
  int progressCalls = 0;
  // A worker raising an event holds the component's lock meanwhile.
  std::atomic<bool> held{false};
  std::atomic<bool> released{false};
  std::thread worker([&] {
    engine.lock();
    held = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    released = true;
    engine.unlock();
  });
  while (!held) std::this_thread::yield();
  int logCalls = 0;
  adapter.setEvents([&](int32_t, const TaskProgress &) { ++progressCalls; },
                    nullptr, [&](int32_t, LogLevel, const std::string &) { ++logCalls; });
  EXPECT_TRUE(released) << "the events were replaced while the worker held the component";
  worker.join();

  ASSERT_TRUE(static_cast<bool>(engine.onProgress));
  EXPECT_FALSE(static_cast<bool>(engine.onTerminate));
  engine.onProgress(0, TaskProgress{1, 25, 40, 0.f, 0.f, 100, 1000});
  EXPECT_EQ(progressCalls, 1);
  ASSERT_TRUE(static_cast<bool>(engine.onLog));
  engine.onLog(0, LogLevel::Info, "line");
  EXPECT_EQ(logCalls, 1);

  // Clearing them takes the same road.
  adapter.setEvents(nullptr, nullptr, nullptr);
  EXPECT_FALSE(static_cast<bool>(engine.onProgress));
  EXPECT_FALSE(static_cast<bool>(engine.onLog));
}

}  // namespace
