#include "core_test_util.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "media_fixture.h"
#include "media_remux.h"

namespace {

// The small clip with MPEG-4 part 2 video.
MediaRecipe coreRecipe(double seconds) {
  MediaRecipe recipe = smallClipRecipe(seconds);
  recipe.videoCodec = "mpeg4";
  return recipe;
}

}  // namespace

std::string coreSource(double seconds) { return cachedFixture(coreRecipe(seconds), "core.mov"); }

std::string coreAudioOnlySource() {
  MediaRecipe recipe = coreRecipe(1.0);
  recipe.videoCodec.clear();
  return cachedFixture(recipe, "core-audio.m4a");
}

std::string coreAudioFirstSource() {
  const std::string src = coreSource(2.0);
  const std::string dst =
      (std::filesystem::temp_directory_path() / ("trevix-core-audiofirst-" + std::to_string(getuid()) + "-v2.mov"))
          .string();
  if (!std::filesystem::exists(dst)) {
    // Written under a name of this process, then renamed into place.
    const std::string tmp = dst + "." + std::to_string(getpid()) + ".part.mov";
    if (!remuxMedia(src, tmp, "mov", RemuxEdit{.reverseStreams = true})) return {};
    std::filesystem::rename(tmp, dst);
  }
  return dst;
}

void PumpedScheduler::runLater(int delayMs, std::function<void()> work) {
  std::lock_guard<std::mutex> g(m_);
  delays.push_back(delayMs);
  items_.push_back(std::move(work));
}

int PumpedScheduler::pumpOnce() {
  std::vector<std::function<void()>> now;
  {
    std::lock_guard<std::mutex> g(m_);
    now.swap(items_);
  }
  for (auto &w : now) w();
  return static_cast<int>(now.size());
}

size_t PumpedScheduler::pending() {
  std::lock_guard<std::mutex> g(m_);
  return items_.size();
}

EventRecorder::EventRecorder(MediaEngine &c) : engine_(c) {
  c.onTerminate = [this](int32_t index, bool finished, bool exception, const std::string &message) {
    {
      std::lock_guard<std::mutex> g(m_);
      terms_.push_back({index, finished, exception, message, std::this_thread::get_id()});
    }
    cv_.notify_all();
  };
  c.onProgress = [this](int32_t index, const TaskProgress &) {
    {
      std::lock_guard<std::mutex> g(m_);
      progressIndexes_.push_back(index);
    }
    cv_.notify_all();
  };
}

EventRecorder::~EventRecorder() {
  std::scoped_lock held(engine_);
  engine_.onTerminate = nullptr;
  engine_.onProgress = nullptr;
}

std::vector<TerminateRecord> EventRecorder::terminations() {
  std::lock_guard<std::mutex> g(m_);
  return terms_;
}

int EventRecorder::progressCount(int index) {
  std::lock_guard<std::mutex> g(m_);
  int n = 0;
  for (int i : progressIndexes_) n += (index < 0 || i == index) ? 1 : 0;
  return n;
}

bool EventRecorder::waitForEndOfRun(int timeoutMs) {
  std::unique_lock<std::mutex> g(m_);
  return cv_.wait_for(g, std::chrono::milliseconds(timeoutMs), [&] {
    for (const auto &t : terms_)
      if (t.index == -1) return true;
    return false;
  });
}
