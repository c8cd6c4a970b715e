#include "core_test_util.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "binding.h"
#include "media_fixture.h"

namespace {

// The small clip with MPEG-4 part 2 video.
MediaRecipe coreRecipe(double seconds) {
  MediaRecipe recipe = smallClipRecipe(seconds);
  recipe.videoCodec = "mpeg4";
  return recipe;
}

// Copies `src` into `dst` with the streams in reverse order.
bool remuxReversed(const std::string &src, const std::string &dst) {
  AVFormatContext *in = nullptr;
  if (libavformat.avformat_open_input(&in, src.c_str(), nullptr, nullptr) < 0) return false;
  libavformat.avformat_find_stream_info(in, nullptr);
  AVFormatContext *out = nullptr;
  bool ok = libavformat.avformat_alloc_output_context2(&out, nullptr, "mov", dst.c_str()) >= 0;
  const int n = static_cast<int>(in->nb_streams);
  std::vector<int> map(static_cast<size_t>(n));
  for (int i = n - 1; ok && i >= 0; --i) {
    AVStream *st = libavformat.avformat_new_stream(out, nullptr);
    ok = st && libavcodec.avcodec_parameters_copy(st->codecpar, in->streams[i]->codecpar) >= 0;
    if (ok) {
      st->codecpar->codec_tag = 0;
      st->time_base = in->streams[i]->time_base;
      map[static_cast<size_t>(i)] = st->index;
    }
  }
  ok = ok && libavformat.avio_open(&out->pb, dst.c_str(), AVIO_FLAG_WRITE) >= 0;
  ok = ok && libavformat.avformat_write_header(out, nullptr) >= 0;
  AVPacket *pkt = libavcodec.av_packet_alloc();
  while (ok && libavformat.av_read_frame(in, pkt) >= 0) {
    const int o = map[static_cast<size_t>(pkt->stream_index)];
    libavcodec.av_packet_rescale_ts(pkt, in->streams[pkt->stream_index]->time_base, out->streams[o]->time_base);
    pkt->stream_index = o;
    pkt->pos = -1;
    ok = libavformat.av_interleaved_write_frame(out, pkt) >= 0;
    libavcodec.av_packet_unref(pkt);
  }
  libavcodec.av_packet_free(&pkt);
  if (ok) ok = libavformat.av_write_trailer(out) >= 0;
  if (out) {
    if (out->pb) libavformat.avio_closep(&out->pb);
    libavformat.avformat_free_context(out);
  }
  libavformat.avformat_close_input(&in);
  return ok;
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
      (std::filesystem::temp_directory_path() / ("trevix-core-audiofirst-" + std::to_string(getuid()) + "-v1.mov"))
          .string();
  if (!std::filesystem::exists(dst)) {
    // Written under a name of this process, then renamed into place.
    const std::string tmp = dst + "." + std::to_string(getpid()) + ".part.mov";
    if (!remuxReversed(src, tmp)) return {};
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

bool EventRecorder::waitFor(const std::function<bool()> &condition, int timeoutMs) {
  std::unique_lock<std::mutex> g(m_);
  return cv_.wait_for(g, std::chrono::milliseconds(timeoutMs), [&] {
    g.unlock();
    const bool ok = condition();
    g.lock();
    return ok;
  });
}
