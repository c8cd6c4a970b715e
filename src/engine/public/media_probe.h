// The media probe: opens one file, reads what the container says about it
// and its streams, and answers questions without transcoding anything.
// Not thread-safe: one thread at a time, except interrupt().
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "recording_metadata.h"

struct MediaFileInfo {
  int64_t startTime = -1;   // microseconds
  int64_t duration = -1;    // microseconds; AV_NOPTS_VALUE when unknown
  int32_t bitRate = -1;     // bit/s
  int64_t timestamp = -1;   // seconds since 1970
  char title[512] = {};
  char author[512] = {};
  char copyright[512] = {};
  char comment[512] = {};
  char album[512] = {};
  int32_t year = -1;
  int32_t track = -1;
  char genre[32] = {};
};

struct VideoStreamInfo {
  char language[4] = {};
  char codecName[32] = {};
  int64_t startTime = -1;    // stream time-base units
  int64_t startTimeUs = -1;
  int64_t duration = -1;     // stream time-base units
  int64_t durationUs = -1;
  int32_t bitRate = -1;
  int32_t height = -1;
  int32_t width = -1;
  float aspectRatio = -1.0f; // display aspect ratio
  int32_t pixelFormat = -1;
  int32_t frameRateNum = -1;
  int32_t frameRateDen = -1;
  // How the picture is shown (the stream's display matrix): turned this
  // many degrees clockwise (0, 90, 180, 270) after a left-right mirror,
  // and its size and pixel aspect then.
  int32_t rotation = 0;
  bool mirrored = false;
  int32_t displayWidth = -1;
  int32_t displayHeight = -1;
  int32_t displaySarNum = 0;  // 0: square or unknown
  int32_t displaySarDen = 1;
};

class MediaProbe {
 public:
  MediaProbe();
  ~MediaProbe();
  MediaProbe(const MediaProbe &) = delete;
  MediaProbe &operator=(const MediaProbe &) = delete;

  // Opens the file (format name empty: detect). Raises EngineError only
  // when the libraries are not bound; every other failure gives false and
  // lastError(). A file is a source only with a picture that has a size or
  // a sound that has a rate, whose first packets decode; else notSource()
  // and "<name>: not a video or audio file", or "<name>: has no picture
  // and no sound" for a container with neither.
  bool open(const std::string &fileName, const std::string &formatName = std::string());
  void close();
  // Any thread: ends an opening that waits for data (a pipe, a stalled
  // file) with lastError() "<name>: stopped while opening", and refuses
  // every later one the same way, until clearInterrupt().
  void interrupt() { interrupted_ = true; }
  void clearInterrupt() { interrupted_ = false; }
  void getFileInfo(MediaFileInfo &info);
  void getVideoStreamInfo(VideoStreamInfo &info);             // first video stream
  void getVideoStreamInfo(int32_t index, VideoStreamInfo &info);  // < 0: first video stream
  // When, where and with what the open file was recorded (nothing known
  // when no file is open).
  RecordingMetadata recording() const;
  // The time of the first video stream's keyframe at or before `us`
  // (microseconds from the file's start), where copied pictures can begin;
  // -1 when the file has no video or cannot be sought. Moves the file's
  // reading position.
  int64_t keyframeAtOrBefore(int64_t us);

  const std::string &lastError() const { return lastError_; }
  // Whether the last open() read the file and found it no source (text,
  // images, devices, nothing that decodes, neither picture nor sound).
  bool notSource() const { return notSource_; }
  const std::string &formatName() const { return formatName_; }
  bool isOpen() const { return source_ != nullptr; }
  int32_t streamCount() const { return streamCount_; }
  int32_t programCount() const { return programCount_; }
  int32_t audioStreamCount() const { return audioStreamCount_; }
  int32_t videoStreamCount() const { return videoStreamCount_; }
  int32_t subtitleStreamCount() const { return subtitleStreamCount_; }
  int32_t firstAudioStream() const { return firstAudioStream_; }
  int32_t firstVideoStream() const { return firstVideoStream_; }
  int32_t firstSubtitleStream() const { return firstSubtitleStream_; }
  // The channels of the first sound track; 0 without one.
  int32_t firstAudioChannels() const { return firstAudioChannels_; }

 private:
  void countStreams();

  std::string lastError_;
  std::string formatName_;
  std::atomic<bool> interrupted_{false};
  bool notSource_ = false;
  struct Source;  // the opened file and its demuxer (media_probe.cpp)
  std::unique_ptr<Source> source_;
  int32_t streamCount_ = -1;
  int32_t programCount_ = -1;
  int32_t audioStreamCount_ = -1;
  int32_t videoStreamCount_ = -1;
  int32_t subtitleStreamCount_ = -1;
  int32_t firstAudioStream_ = -1;
  int32_t firstVideoStream_ = -1;
  int32_t firstSubtitleStream_ = -1;
  int32_t firstAudioChannels_ = 0;
};
