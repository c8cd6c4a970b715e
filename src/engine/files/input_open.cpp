// Opening a task's input file.
#include "input_open.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "binding.h"
#include "codec_lock.h"
#include "codec_lookup.h"
#include "file_access.h"
#include "open_errors.h"
#include "option_copy.h"
#include "source_picture.h"
#include "user_rotation.h"
#include "text_format.h"
#include "timestamps.h"
#include "transcode_task.h"

namespace {

std::string lowerExtension(const std::string &fileName) {
  size_t slash = fileName.find_last_of("/\\");
  size_t dot = fileName.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string ext = fileName.substr(dot);
  for (auto &c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

}  // namespace

namespace {

// What an opening consumes of the option state, whatever its outcome.
void clearPerFileOptions(OptionState &o) {
  o.inputFormat = nullptr;
  o.outputFormat = nullptr;
  o.videoChannel = 0;
  o.rateEmu = 0;
  o.videoCodecName.clear();
  o.audioCodecName.clear();
  o.subtitleCodecName.clear();
}

// Parameters for the formats that read raw data (sample rate, picture size,
// ...), from the option state.
Dictionary rawInputParameters(const OptionState &o) {
  Dictionary params;
  auto setInt = [&](const char *key, int64_t v) { libavutil.av_dict_set_int(params.slot(), key, v, 0); };
  auto setText = [&](const char *key, const std::string &v) {
    libavutil.av_dict_set(params.slot(), key, v.c_str(), 0);
  };
  setInt("sample_rate", o.audioSampleRate);
  setInt("channels", o.audioChannels);
  if (o.videoFrameRate.num > 0 && o.videoFrameRate.den > 0)
    setText("framerate", formatText("%d/%d", o.videoFrameRate.num, o.videoFrameRate.den));
  const int width = o.frameWidth + o.padLeft + o.padRight;
  const int height = o.frameHeight + o.padTop + o.padBottom;
  if (width > 0 && height > 0) setText("video_size", formatText("%dx%d", width, height));
  if (o.framePixFmt >= 0) {
    if (const char *pix = libavutil.av_get_pix_fmt_name(static_cast<AVPixelFormat>(o.framePixFmt)))
      setText("pixel_format", pix);
  }
  if (o.videoChannel != 0) setInt("channel", o.videoChannel);
  if (!o.videoStandard.empty()) setText("standard", o.videoStandard);
  return params;
}

struct ForcedDecoders {
  AVCodecID video = AV_CODEC_ID_NONE;
  AVCodecID audio = AV_CODEC_ID_NONE;
  AVCodecID subtitle = AV_CODEC_ID_NONE;
};

// The decoders the codec names force; false with the reason in `error`.
bool findForcedDecoders(const OptionState &o, ForcedDecoders &ids, std::string &error) {
  if (!findCodecByName(o.videoCodecName, AVMEDIA_TYPE_VIDEO, false, ids.video, error) ||
      !findCodecByName(o.audioCodecName, AVMEDIA_TYPE_AUDIO, false, ids.audio, error) ||
      !findCodecByName(o.subtitleCodecName, AVMEDIA_TYPE_SUBTITLE, false, ids.subtitle, error))
    return false;
  if (o.pgmyuvCompat) ids.video = AV_CODEC_ID_PGMYUV;
  return true;
}

// Opens the demuxer with the named options and the forced decoders, reading
// through a reader that `stop` (the task's stop request) interrupts; false
// with the reason in `error`.
bool openDemuxer(const OptionState &o, const std::atomic<bool> *stop, const std::string &fileName,
                 const ForcedDecoders &ids, OpenedSource &out, std::string &error) {
  Dictionary params = rawInputParameters(o);
  return openSource(
      fileName, o.inputFormat, params.slot(), stop,
      [&](AVFormatContext *raw) {
        copyNamedOptions(o.setOptionNames, o.formatDefaults.get(), raw, AV_OPT_FLAG_DECODING_PARAM);
        raw->video_codec_id = ids.video;
        raw->audio_codec_id = ids.audio;
        raw->subtitle_codec_id = ids.subtitle;
        if (ids.video != AV_CODEC_ID_NONE) raw->video_codec = libavcodec.avcodec_find_decoder(ids.video);
        if (ids.audio != AV_CODEC_ID_NONE) raw->audio_codec = libavcodec.avcodec_find_decoder(ids.audio);
        if (ids.subtitle != AV_CODEC_ID_NONE) raw->subtitle_codec = libavcodec.avcodec_find_decoder(ids.subtitle);
      },
      out, error);
}

// Reads the streams' codec parameters (probing packets), under the codec
// lock; a failure counts only while the task is not quiet.
bool findStreamInfo(const FileOptions &file, const std::atomic<bool> *stop, AVFormatContext *ctx,
                    const std::string &fileName, std::string &error) {
  int rc;
  {
    std::lock_guard<std::recursive_mutex> g(codecLock());
    rc = libavformat.avformat_find_stream_info(ctx, nullptr);
  }
  if (stop->load()) {
    error = stoppedWhileOpeningText(fileName);
    return false;
  }
  if (rc < 0 && file.verbose >= 0) {
    error = fileName + ": could not find codec parameters";
    return false;
  }
  return true;
}

// The effective start ("ss" plus the file's own start time); with "ss" the
// file is sought there and "ss" is consumed.
int64_t seekToStart(AVFormatContext *ctx, OptionState &o) {
  int64_t start = o.inputStartTime;
  if (ctx->start_time != AV_NOPTS_VALUE) start = addTimestamps(start, ctx->start_time);
  if (o.inputStartTime != 0) {
    libavformat.av_seek_frame(ctx, -1, start, AVSEEK_FLAG_BACKWARD);  // a failed seek reads from the start
    o.inputStartTime = 0;
  }
  return start;
}

// A video stream's picture becomes the default of the output's.
void takeVideoStream(OptionLanguage &language, AVStream *st, const std::string &extension, InputStream &is) {
  OptionState &o = language.state();
  AVCodecContext *dec = is.decoder.get();
  copyNamedOptions(o.setOptionNames, o.codecDefaults[kVideoKind].get(), dec,
                   AV_OPT_FLAG_DECODING_PARAM | AV_OPT_FLAG_VIDEO_PARAM);
  // The picture as it is shown (turned upright, tone mapped) is the default
  // of the output's.
  const SourcePicture shown = shownPicture(st, o.handQuarterTurns);
  int width = dec->width, height = dec->height;
  displayedSize(shown.orientation, width, height);
  o.frameHeight = height;
  o.frameWidth = width;
  double aspect = dec->height > 0 && dec->sample_aspect_ratio.num != 0 && dec->sample_aspect_ratio.den != 0
                      ? dec->width * av_q2d(dec->sample_aspect_ratio) / dec->height
                      : 0.0;
  if (aspect != 0.0 && shown.orientation.swapsSides()) aspect = 1.0 / aspect;
  if (aspect == 0.0) {
    // Square pixels: the picture's own proportions (nothing to say while
    // the size is unknown).
    if (width > 0 && height > 0) language.setAspect(formatText("%d:%d", width, height));
  } else {
    o.frameAspectRatio = static_cast<float>(aspect);
  }
  if (dec->pix_fmt == AV_PIX_FMT_NONE && extension.rfind(".rmvb", 0) == 0) dec->pix_fmt = AV_PIX_FMT_YUV420P;
  o.framePixFmt = shown.transfer == HdrTransfer::None ? dec->pix_fmt : kToneMappedFormat;
  o.sourcePixFmt = o.framePixFmt;
  o.videoFrameRate = st->r_frame_rate;
  o.frameRateFromSource = true;
  o.sourceAverageRate = st->avg_frame_rate;
  o.sourceTimeBase = st->time_base;
  dec->framerate = st->r_frame_rate;
  is.rateEmu = o.rateEmu != 0;
  if (o.videoDisable) is.discard = AVDISCARD_ALL;
  else if (o.videoDiscard != 0) is.discard = static_cast<AVDiscard>(o.videoDiscard);
}

void takeAudioStream(OptionState &o, InputStream &is) {
  AVCodecContext *dec = is.decoder.get();
  copyNamedOptions(o.setOptionNames, o.codecDefaults[kAudioKind].get(), dec,
                   AV_OPT_FLAG_DECODING_PARAM | AV_OPT_FLAG_AUDIO_PARAM);
  o.audioChannels = dec->ch_layout.nb_channels;
  o.audioSampleRate = dec->sample_rate;
  is.rateEmu = o.rateEmu != 0;
  if (o.audioDisable) is.discard = AVDISCARD_ALL;
}

// The record of one stream with its (not yet opened) decoder; false when
// no decoder context could be made.
bool takeStream(OptionLanguage &language, AVStream *st, const std::string &extension, InputStream &is) {
  OptionState &o = language.state();
  const AVCodecParameters *par = st->codecpar;
  if (par->codec_type < AVMEDIA_TYPE_UNKNOWN || par->codec_type > AVMEDIA_TYPE_ATTACHMENT)
    throw EngineError("invalid codec_type");
  is.stream = st;
  is.type = par->codec_type;
  is.codec = libavcodec.avcodec_find_decoder(par->codec_id);
  is.decoder.reset(libavcodec.avcodec_alloc_context3(is.codec));
  if (!is.decoder || libavcodec.avcodec_parameters_to_context(is.decoder.get(), par) < 0) return false;
  is.decoder->pkt_timebase = st->time_base;
  is.decoder->thread_count = o.threadCount;
  switch (par->codec_type) {
    case AVMEDIA_TYPE_VIDEO: takeVideoStream(language, st, extension, is); break;
    case AVMEDIA_TYPE_AUDIO: takeAudioStream(o, is); break;
    case AVMEDIA_TYPE_SUBTITLE:
      if (o.subtitleDisable) is.discard = AVDISCARD_ALL;
      break;
    default: break;
  }
  st->discard = is.discard;
  return true;
}

// The reference duration of the progress reports grows to the file's.
void raiseExpectedDuration(TimingOptions &o, const AVFormatContext *ctx) {
  if (ctx->duration == AV_NOPTS_VALUE || ctx->duration <= 0) return;
  const int64_t ms = ctx->duration / 1000;
  if (ms > o.expectedDurationMs) o.expectedDurationMs = static_cast<int32_t>(std::min<int64_t>(ms, INT32_MAX));
}

}  // namespace

bool openInputFile(TranscodeTask &task, const std::string &fileName) {
  if (!librariesLoaded()) {
    task.lastError = "The media libraries are not loaded";
    return false;
  }
  // Whatever happens below, the per-file values are consumed.
  struct Consume {
    OptionState &o;
    ~Consume() { clearPerFileOptions(o); }
  } consume{task.options};

  if (task.inputFiles.size() >= static_cast<size_t>(kMaxFiles)) {
    task.lastError = "Too many input files";
    return false;
  }
  ForcedDecoders ids;
  if (!findForcedDecoders(task.options, ids, task.lastError)) return false;
  OpenedSource source;
  if (!openDemuxer(task.options, task.pauseGate()->stopFlag(), fileName, ids, source, task.lastError)) return false;
  AVFormatContext *ctx = source.ctx.get();
  // Other programs are not read.
  if (task.options.programId != 0) {
    for (unsigned i = 0; i < ctx->nb_programs; ++i)
      if (ctx->programs[i]->id != task.options.programId) ctx->programs[i]->discard = AVDISCARD_ALL;
  }
  if (!findStreamInfo(task.options, task.pauseGate()->stopFlag(), ctx, fileName, task.lastError)) return false;

  InputFile file;
  file.fileName = fileName;
  const bool sought = task.options.inputStartTime != 0;
  file.startTime = seekToStart(ctx, task.options);
  const std::string extension = lowerExtension(fileName);
  file.streams.resize(ctx->nb_streams);
  for (unsigned i = 0; i < ctx->nb_streams; ++i) {
    if (!takeStream(task.language(), ctx->streams[i], extension, file.streams[i])) {
      task.lastError = openErrorText(AVERROR(ENOMEM), fileName);
      return false;
    }
  }
  raiseExpectedDuration(task.options, ctx);

  const size_t fileIndex = task.inputFiles.size();
  file.tsOffset =
      task.options.copyTs ? task.options.inputTsOffset : subtractTimestamps(task.options.inputTsOffset, file.startTime);
  file.tsScale = task.options.inputTsScale[fileIndex];
  if (sought) task.options.decodedFrom = addTimestamps(file.startTime, file.tsOffset);
  file.reader = std::move(source.reader);
  file.ctx = std::move(source.ctx);
  if (task.options.verbose >= 0)
    libavformat.av_dump_format(file.ctx.get(), static_cast<int>(fileIndex), fileName.c_str(), 0);
  task.inputFiles.push_back(std::move(file));
  return true;
}
