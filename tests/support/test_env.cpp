#include "test_env.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <random>

#include "binding.h"

void RequireLibraries() {
  if (!LibrariesLoaded()) LoadLibraries(TREVIX_COMMON_DIR, true);
  ASSERT_TRUE(LibrariesLoaded()) << LibraryError();
}

TScratchDir::TScratchDir() {
  static std::atomic<int> counter{0};
  std::random_device rd;
  path_ = std::filesystem::temp_directory_path() /
          ("trevix-test-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + "-" +
           std::to_string(rd() % 100000));
  std::filesystem::create_directories(path_);
}

TScratchDir::~TScratchDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}
