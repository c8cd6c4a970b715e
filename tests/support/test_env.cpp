#include "test_env.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <random>
#include <thread>

#include "binding.h"

void requireLibraries() {
  if (!librariesLoaded()) loadLibraries(TREVIX_COMMON_DIR, true);
  ASSERT_TRUE(librariesLoaded()) << libraryError();
}

ScratchDir::ScratchDir() {
  static std::atomic<int> counter{0};
  std::random_device rd;
  path_ = std::filesystem::temp_directory_path() /
          ("trevix-test-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + "-" +
           std::to_string(rd() % 100000));
  std::filesystem::create_directories(path_);
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

bool waitUntil(const std::function<bool()> &condition, int timeoutMs, const std::function<void()> &between) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= end) return condition();
    if (between) between();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}
