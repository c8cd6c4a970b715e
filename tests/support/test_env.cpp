#include "test_env.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <random>

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
