// Opening a task's input file, and the helpers it shares with the output
// side: the open-error texts, codec lookup by name and named-option copy.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "binding.h"
#include "transcode_task.h"
#include "text_format.h"
#include "timestamps.h"

namespace {

std::string lowerExtension(const std::string &fileName) {
  size_t slash = fileName.find_last_of("/\\");
  size_t dot = fileName.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string ext = fileName.substr(dot);
  for (auto &c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

// Whether any demuxer recognises the file's content (used to tell an
// unknown format from a damaged header).
bool contentRecognised(const std::string &fileName) {
  AVIOContext *pb = nullptr;
  if (libavformat.avio_open(&pb, fileName.c_str(), AVIO_FLAG_READ) < 0) return true;
  const AVInputFormat *fmt = nullptr;
  const int rc = libavformat.av_probe_input_buffer2(pb, &fmt, "", nullptr, 0, 0);
  libavformat.avio_closep(&pb);
  return rc >= 0 && fmt != nullptr;
}

// Hands each option of `names` that `defaults` has with all of `flags` to
// `put(name, text)` as text (values of 256 bytes and more are left out).
template <typename Put>
void copyNamedOptions(const std::vector<std::string> &names, void *defaults, int flags, Put put) {
  for (const auto &n : names) {
    const AVOption *o = libavutil.av_opt_find(defaults, n.c_str(), nullptr, 0, 0);
    if (!o || (o->flags & flags) != flags) continue;
    uint8_t *text = nullptr;
    if (libavutil.av_opt_get(defaults, n.c_str(), 0, &text) >= 0 && text) {
      if (std::strlen(reinterpret_cast<char *>(text)) < 256) put(n.c_str(), reinterpret_cast<char *>(text));
      libavutil.av_free(text);
    }
  }
}

}  // namespace

const int kOpenErrorUnknownFormat = AVERROR(EILSEQ);
const int kOpenErrorImageNameSyntax = AVERROR(EDOM);

std::string openErrorText(int code, const std::string &fileName) {
  struct Row {
    int code;
    const char *text;  // "%s" is the file name
  };
  static const char kParse[] = "%s: Error while parsing header";
  static const char kInputOutput[] =
      "%s: I/O error occurred\r\nUsually that means that input file is truncated and/or corrupted.";
  static const Row kTexts[] = {
      {kOpenErrorUnknownFormat, "%s: Unknown format"},
      {kOpenErrorImageNameSyntax,
       "%s: Incorrect image filename syntax.\r\nUse '%%d' to specify the image number:\r\n"
       "  for img1.jpg, img2.jpg, ..., use 'img%%d.jpg';\r\n"
       "  for img001.jpg, img002.jpg, ..., use 'img%%03d.jpg'."},
      {AVERROR(EINVAL), kParse},
      {AVERROR_INVALIDDATA, kParse},
      {AVERROR(ENOMEM), "%s: memory allocation error occurred"},
      {AVERROR(EIO), kInputOutput},
      {AVERROR_EOF, kInputOutput},
      {AVERROR(ENOENT), "%s: no such file or directory"},
  };
  const char *text = "%s: Error while opening file";
  for (const Row &row : kTexts)
    if (row.code == code) {
      text = row.text;
      break;
    }
  return formatText(text, fileName.c_str());
}

bool findCodecByName(const std::string &name, AVMediaType type, bool encoder, AVCodecID &id,
                     std::string &error) {
  id = AV_CODEC_ID_NONE;
  if (name.empty()) return true;
  const AVCodec *c = encoder ? libavcodec.avcodec_find_encoder_by_name(name.c_str())
                             : libavcodec.avcodec_find_decoder_by_name(name.c_str());
  const char *what = encoder ? "encoder" : "decoder";
  if (!c) {
    error = std::string("Unknown ") + what + " '" + name + "'";
    return false;
  }
  if (c->type != type) {
    error = std::string("Invalid ") + what + " type '" + name + "'";
    return false;
  }
  id = c->id;
  return true;
}

void copyNamedOptions(const std::vector<std::string> &names, void *defaults, void *target, int flags) {
  if (!defaults || !target) return;
  copyNamedOptions(names, defaults, flags,
                   [target](const char *name, const char *text) { libavutil.av_opt_set(target, name, text, 0); });
}

void copyNamedOptions(const std::vector<std::string> &names, void *defaults, AVDictionary **target,
                      int flags) {
  if (!defaults || !target) return;
  copyNamedOptions(names, defaults, flags,
                   [target](const char *name, const char *text) { libavutil.av_dict_set(target, name, text, 0); });
}

void TranscodeTask::clearPerFileOptions() {
  options.inputFormat = nullptr;
  options.outputFormat = nullptr;
  options.videoChannel = 0;
  options.rateEmu = 0;
  options.videoCodecName.clear();
  options.audioCodecName.clear();
  options.subtitleCodecName.clear();
}

bool TranscodeTask::openInputFile(const std::string &fileName) {
  if (!librariesLoaded()) {
    lastError = "The media libraries are not loaded";
    return false;
  }
  // Whatever happens below, the per-file values are consumed.
  struct Consume {
    TranscodeTask &t;
    ~Consume() { t.clearPerFileOptions(); }
  } consume{*this};

  if (inputFiles.size() >= static_cast<size_t>(kMaxFiles)) {
    lastError = "Too many input files";
    return false;
  }
  const size_t fileIndex = inputFiles.size();

  // 2. Open parameters, for the formats that read raw data.
  Dictionary params;
  auto setInt = [&](const char *key, int64_t v) { libavutil.av_dict_set_int(params.slot(), key, v, 0); };
  setInt("sample_rate", options.audioSampleRate);
  setInt("channels", options.audioChannels);
  if (options.videoFrameRate.num > 0 && options.videoFrameRate.den > 0) {
    const std::string rate = formatText("%d/%d", options.videoFrameRate.num, options.videoFrameRate.den);
    libavutil.av_dict_set(params.slot(), "framerate", rate.c_str(), 0);
  }
  const int width = options.frameWidth + options.padLeft + options.padRight;
  const int height = options.frameHeight + options.padTop + options.padBottom;
  if (width > 0 && height > 0) {
    const std::string size = formatText("%dx%d", width, height);
    libavutil.av_dict_set(params.slot(), "video_size", size.c_str(), 0);
  }
  if (options.framePixFmt >= 0) {
    const char *pix = libavutil.av_get_pix_fmt_name(static_cast<AVPixelFormat>(options.framePixFmt));
    if (pix) libavutil.av_dict_set(params.slot(), "pixel_format", pix, 0);
  }
  if (options.videoChannel != 0) setInt("channel", options.videoChannel);
  if (!options.videoStandard.empty()) libavutil.av_dict_set(params.slot(), "standard", options.videoStandard.c_str(), 0);

  AVCodecID videoId, audioId, subtitleId;
  if (!findCodecByName(options.videoCodecName, AVMEDIA_TYPE_VIDEO, false, videoId, lastError) ||
      !findCodecByName(options.audioCodecName, AVMEDIA_TYPE_AUDIO, false, audioId, lastError) ||
      !findCodecByName(options.subtitleCodecName, AVMEDIA_TYPE_SUBTITLE, false, subtitleId, lastError))
    return false;
  if (options.pgmyuvCompat) videoId = AV_CODEC_ID_PGMYUV;

  // 1, 3. The demuxer context with the named options and forced codecs.
  AVFormatContext *raw = libavformat.avformat_alloc_context();
  if (!raw) {
    lastError = openErrorText(AVERROR(ENOMEM), fileName);
    return false;
  }
  copyNamedOptions(options.setOptionNames, options.formatDefaults.get(), raw, AV_OPT_FLAG_DECODING_PARAM);
  raw->video_codec_id = videoId;
  raw->audio_codec_id = audioId;
  raw->subtitle_codec_id = subtitleId;
  if (videoId != AV_CODEC_ID_NONE) raw->video_codec = libavcodec.avcodec_find_decoder(videoId);
  if (audioId != AV_CODEC_ID_NONE) raw->audio_codec = libavcodec.avcodec_find_decoder(audioId);
  if (subtitleId != AV_CODEC_ID_NONE) raw->subtitle_codec = libavcodec.avcodec_find_decoder(subtitleId);

  // 4. Open (the context is freed by the library when this fails).
  int rc = libavformat.avformat_open_input(&raw, fileName.c_str(), options.inputFormat, params.slot());
  if (rc < 0) {
    if (rc == AVERROR_INVALIDDATA && !options.inputFormat && !contentRecognised(fileName))
      rc = kOpenErrorUnknownFormat;
    lastError = openErrorText(rc, fileName);
    return false;
  }
  InputContextPtr ctx(raw);

  // 5. Other programs are not read.
  if (options.programId != 0) {
    for (unsigned i = 0; i < ctx->nb_programs; ++i)
      if (ctx->programs[i]->id != options.programId) ctx->programs[i]->discard = AVDISCARD_ALL;
  }

  // 7. Stream information, under the codec lock.
  {
    std::lock_guard<std::recursive_mutex> g(codecLock());
    rc = libavformat.avformat_find_stream_info(ctx.get(), nullptr);
  }
  if (rc < 0 && options.verbose >= 0) {
    lastError = fileName + ": could not find codec parameters";
    return false;
  }

  // 8. Effective start and the seek.
  int64_t startTime = options.inputStartTime;
  if (ctx->start_time != AV_NOPTS_VALUE) startTime = addTimestamps(startTime, ctx->start_time);
  if (options.inputStartTime != 0) {
    libavformat.av_seek_frame(ctx.get(), -1, startTime, AVSEEK_FLAG_BACKWARD);
    options.inputStartTime = 0;
  }

  // 9. Streams.
  InputFile file;
  file.fileName = fileName;
  const std::string ext = lowerExtension(fileName);
  for (unsigned i = 0; i < ctx->nb_streams; ++i) {
    AVStream *st = ctx->streams[i];
    const AVCodecParameters *par = st->codecpar;
    if (par->codec_type < AVMEDIA_TYPE_UNKNOWN || par->codec_type > AVMEDIA_TYPE_ATTACHMENT)
      throw EngineError("invalid codec_type");
    InputStream is;
    is.stream = st;
    is.type = par->codec_type;
    is.codec = libavcodec.avcodec_find_decoder(par->codec_id);
    is.decoder.reset(libavcodec.avcodec_alloc_context3(is.codec));
    if (!is.decoder) {
      lastError = openErrorText(AVERROR(ENOMEM), fileName);
      return false;
    }
    if (libavcodec.avcodec_parameters_to_context(is.decoder.get(), par) < 0) {
      lastError = openErrorText(AVERROR(ENOMEM), fileName);
      return false;
    }
    AVCodecContext *dec = is.decoder.get();
    dec->pkt_timebase = st->time_base;
    dec->thread_count = options.threadCount;

    switch (par->codec_type) {
      case AVMEDIA_TYPE_VIDEO: {
        copyNamedOptions(options.setOptionNames, options.codecDefaults[kVideoKind].get(), dec,
                         AV_OPT_FLAG_DECODING_PARAM | AV_OPT_FLAG_VIDEO_PARAM);
        options.frameHeight = dec->height;
        options.frameWidth = dec->width;
        const double aspect = dec->height > 0 && dec->sample_aspect_ratio.num != 0 && dec->sample_aspect_ratio.den != 0
                                  ? dec->width * av_q2d(dec->sample_aspect_ratio) / dec->height
                                  : 0.0;
        if (aspect == 0.0) {
          // Square pixels: the picture's own proportions (nothing to say
          // while the size is unknown).
          if (dec->width > 0 && dec->height > 0)
            setAspect(std::to_string(dec->width) + ":" + std::to_string(dec->height));
        } else {
          options.frameAspectRatio = static_cast<float>(aspect);
        }
        if (dec->pix_fmt == AV_PIX_FMT_NONE && ext.rfind(".rmvb", 0) == 0) dec->pix_fmt = AV_PIX_FMT_YUV420P;
        options.framePixFmt = dec->pix_fmt;
        options.videoFrameRate = st->r_frame_rate;
        dec->framerate = st->r_frame_rate;
        is.rateEmu = options.rateEmu != 0;
        if (options.videoDisable) is.discard = AVDISCARD_ALL;
        else if (options.videoDiscard != 0) is.discard = static_cast<AVDiscard>(options.videoDiscard);
        break;
      }
      case AVMEDIA_TYPE_AUDIO:
        copyNamedOptions(options.setOptionNames, options.codecDefaults[kAudioKind].get(), dec,
                         AV_OPT_FLAG_DECODING_PARAM | AV_OPT_FLAG_AUDIO_PARAM);
        options.audioChannels = dec->ch_layout.nb_channels;
        options.audioSampleRate = dec->sample_rate;
        is.rateEmu = options.rateEmu != 0;
        if (options.audioDisable) is.discard = AVDISCARD_ALL;
        break;
      case AVMEDIA_TYPE_SUBTITLE:
        if (options.subtitleDisable) is.discard = AVDISCARD_ALL;
        break;
      default:
        break;
    }
    st->discard = is.discard;
    file.streams.push_back(std::move(is));
  }

  // 10. The reference duration of the progress reports.
  if (ctx->duration != AV_NOPTS_VALUE && ctx->duration > 0) {
    const int64_t ms = ctx->duration / 1000;
    if (ms > options.expectedDurationMs) options.expectedDurationMs = static_cast<int32_t>(std::min<int64_t>(ms, INT32_MAX));
  }

  // 11. Keep it.
  file.startTime = startTime;
  file.tsOffset = options.copyTs ? options.inputTsOffset : subtractTimestamps(options.inputTsOffset, startTime);
  file.tsScale = options.inputTsScale[fileIndex];
  file.ctx = std::move(ctx);

  // 12. The format dump.
  if (options.verbose >= 0)
    libavformat.av_dump_format(file.ctx.get(), static_cast<int>(fileIndex), fileName.c_str(), 0);

  inputFiles.push_back(std::move(file));
  return true;
}
