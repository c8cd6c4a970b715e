// The media probe: opens one file, reads what the container says about it
// and its streams, and answers questions without transcoding anything.
// Not thread-safe: one thread at a time.
#pragma once

#include <cstdint>
#include <string>

#include "av_ptr.h"

struct TAVFileInfo {
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

struct TAVVideoStreamInfo {
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
};

class TAVProbe {
 public:
  TAVProbe();
  ~TAVProbe();
  TAVProbe(const TAVProbe &) = delete;
  TAVProbe &operator=(const TAVProbe &) = delete;

  // Opens the file (format name empty: detect). Raises FFMpegException only
  // when the libraries are not bound; every other failure gives false and
  // LastError().
  bool Open(const std::string &fileName, const std::string &formatName = std::string());
  void Close();
  void GetFileInfo(TAVFileInfo &info);
  void GetVideoStreamInfo(TAVVideoStreamInfo &info);             // first video stream
  void GetVideoStreamInfo(int32_t index, TAVVideoStreamInfo &info);  // < 0: first video stream

  const std::string &LastError() const { return lastError_; }
  const std::string &FormatName() const { return formatName_; }
  bool IsOpen() const { return ctx_ != nullptr; }
  int32_t StreamCount() const { return streamCount_; }
  int32_t ProgramCount() const { return programCount_; }
  int32_t AudioStreamCount() const { return audioStreamCount_; }
  int32_t VideoStreamCount() const { return videoStreamCount_; }
  int32_t SubtitleStreamCount() const { return subtitleStreamCount_; }
  int32_t FirstAudioStream() const { return firstAudioStream_; }
  int32_t FirstVideoStream() const { return firstVideoStream_; }
  int32_t FirstSubtitleStream() const { return firstSubtitleStream_; }

 private:
  std::string lastError_;
  std::string formatName_;
  TInputContextPtr ctx_;
  int32_t streamCount_ = -1;
  int32_t programCount_ = -1;
  int32_t audioStreamCount_ = -1;
  int32_t videoStreamCount_ = -1;
  int32_t subtitleStreamCount_ = -1;
  int32_t firstAudioStream_ = -1;
  int32_t firstVideoStream_ = -1;
  int32_t firstSubtitleStream_ = -1;
};
