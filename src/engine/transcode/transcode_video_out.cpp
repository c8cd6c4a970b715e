// The video path of an output stream: the decoded picture's time stamp
// decides how many frames it becomes (0 drops it, more than 1 duplicates
// it), the limits cut that count, and each frame goes through the geometry
// stage to the encoder.
#include <algorithm>
#include <cmath>
#include <limits>

#include "binding.h"
#include "option_state.h"
#include "timestamps.h"
#include "transcode_video_out.h"
#include "transcode_writer.h"

// Video sync ("vsync"): 1 (or automatic, for encoders with a time base
// coarser than 1 ms) keeps the frame count in step with the source's time
// stamps; 2 follows the time stamps without duplicating; 0 numbers the
// frames as they come. A stream that keeps each picture's time takes every
// picture once, at its time (or just after the one before).
int64_t VideoOutput::framesToEmit(OutputStreamRecord &ost, int64_t srcPts) {
  const OptionState &o = c_.options;
  const double tb = av_q2d(ost.enc->time_base);
  const double syncIpts = static_cast<double>(subtractTimestamps(srcPts, o.inputStartTime)) / AV_TIME_BASE / tb;
  if (ost.out->keepsPictureTimes) {
    ost.syncPts = std::max<int64_t>(ost.syncPts, std::llrint(syncIpts));
    return 1;
  }
  const bool sync = o.videoSyncMethod > 0 || (o.videoSyncMethod < 0 && tb > 0.001);
  if (!sync) {
    ost.syncPts = std::llrint(syncIpts);
    return 1;
  }
  int64_t frames = 1;
  const double vdelta = syncIpts - static_cast<double>(ost.syncPts);
  if (vdelta < -1.1)
    frames = 0;
  else if (o.videoSyncMethod == 2)
    ost.syncPts = std::llrint(syncIpts);
  else if (vdelta > 1.1)
    frames = std::llrint(vdelta);
  if (frames == 0) {
    ++c_.state.dropFrames;
    if (o.verbose > 2) c_.log.log(LogLevel::Info, "*** drop!");
  } else if (frames > 1) {
    c_.state.dupFrames += static_cast<int32_t>(frames);
    if (o.verbose > 2) c_.log.logF(LogLevel::Info, "*** %d dup!", static_cast<int>(frames - 1));
  }
  return frames;
}

// Nothing beyond "vframes" nor beyond the recording time.
int64_t VideoOutput::limitFrames(const OutputStreamRecord &ost, int64_t frames) const {
  const OptionState &o = c_.options;
  frames = std::min<int64_t>(frames, o.maxVideoFrames - ost.frameNumber);
  if (o.recordingTime != std::numeric_limits<int64_t>::max()) {
    const double tb = av_q2d(ost.enc->time_base);
    const double limit = static_cast<double>(o.recordingTime) / AV_TIME_BASE;
    while (frames > 0 && (ost.syncPts + frames - 1) * tb >= limit - 1e-9) --frames;
  }
  return frames;
}

void VideoOutput::write(OutputStreamRecord &ost, const InputStreamRecord &ist, const AVFrame *picture,
                        int64_t srcPts) {
  // Where this picture ends on the source's time line: the last one is
  // held until then.
  const int64_t duration = subtractTimestamps(ist.nextPts, ist.pts);
  if (srcPts != AV_NOPTS_VALUE && ist.nextPts != AV_NOPTS_VALUE && duration > 0)
    ost.lastPictureEnd = addTimestamps(srcPts, duration);
  const int64_t frames = limitFrames(ost, framesToEmit(ost, srcPts));
  if (frames <= 0) return;
  LogSink &log = c_.log;
  AVFrame *formatted =
      ost.geometry.formatPicture(picture, [&log](LogLevel level, const std::string &text) { log.log(level, text); });
  if (!formatted) return;
  if (!ost.lastPicture) ost.lastPicture.reset(libavutil.av_frame_alloc());
  if (ost.lastPicture) {
    libavutil.av_frame_unref(ost.lastPicture.get());
    if (libavutil.av_frame_ref(ost.lastPicture.get(), formatted) < 0) throw EngineError("Video encoding failed");
    ost.lastPicture->interlaced_frame = picture->interlaced_frame;
    ost.lastPicture->top_field_first = picture->top_field_first;
  }
  encodeCopies(ost, formatted, picture, ist.quality, frames);
}

// `frames` copies of the formatted picture, numbered from the stream's sync
// pts on; interlacing and quality from the decoded picture.
void VideoOutput::encodeCopies(OutputStreamRecord &ost, const AVFrame *formatted, const AVFrame *picture,
                               float sourceQuality, int64_t frames) {
  const OptionState &o = c_.options;
  AVCodecContext *enc = ost.enc;
  AVFrame *f = c_.run.encFrame.get();
  for (int64_t i = 0; i < frames && !c_.gate.stopRequested(); ++i) {
    libavutil.av_frame_unref(f);
    if (libavutil.av_frame_ref(f, formatted) < 0) throw EngineError("Video encoding failed");
    f->pts = ost.syncPts;
    f->interlaced_frame = picture->interlaced_frame;
    if (enc->flags & (AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME))
      f->top_field_first = o.topFieldFirst == -1 ? picture->top_field_first : o.topFieldFirst;
    f->quality = o.sameQuality ? static_cast<int>(sourceQuality) : static_cast<int>(ost.out->quality);
    if (!o.meThreshold) f->pict_type = AV_PICTURE_TYPE_NONE;
    f->sample_aspect_ratio = enc->sample_aspect_ratio;
    const int ret = writer_.encodeAndWrite(ost, f);
    libavutil.av_frame_unref(f);
    if (ret < 0) throw EngineError("Video encoding failed");
    ++ost.syncPts;
    ++ost.frameNumber;
  }
}

// The last picture stays on screen for its own duration: it is repeated
// until the output reaches the end of the source's last picture (with
// frame-rate sync; a stopped conversion ends where it is, and a stream that
// keeps each picture's time gives the last one the average duration).
void VideoOutput::holdLastPicture(OutputStreamRecord &ost) {
  if (!ost.lastPicture || !ost.lastPicture->buf[0] || ost.lastPictureEnd == AV_NOPTS_VALUE ||
      ost.out->keepsPictureTimes || c_.gate.stopRequested())
    return;
  const OptionState &o = c_.options;
  const double tb = av_q2d(ost.enc->time_base);
  const bool sync = o.videoSyncMethod == 1 || (o.videoSyncMethod < 0 && tb > 0.001);
  if (!sync) return;
  const double end = static_cast<double>(subtractTimestamps(ost.lastPictureEnd, o.inputStartTime)) / AV_TIME_BASE / tb;
  const int64_t frames = limitFrames(ost, std::llrint(end) - ost.syncPts);
  if (frames > 0) encodeCopies(ost, ost.lastPicture.get(), ost.lastPicture.get(), 0.0f, frames);
}

void VideoOutput::drain(OutputStreamRecord &ost) {
  ost.drained = true;
  holdLastPicture(ost);
  ost.lastPicture.reset();
  if (writer_.encodeAndWrite(ost, nullptr) < 0) throw EngineError("Video encoding failed");
}
