// Opening an output file and creating its streams from the task's options.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <limits>
#include <system_error>

#include "binding.h"
#include "encoder_names.h"
#include "text_format.h"
#include "transcode_task.h"
#include "transcoder.h"

namespace {

// Runs `f` when leaving the scope, also through an exception.
template <typename F>
struct ScopeExit {
  F f;
  ~ScopeExit() { f(); }
};
template <typename F>
ScopeExit(F) -> ScopeExit<F>;

OutputFile &lastOutput(TranscodeTask &task) {
  if (task.transcoder.outputFiles.empty()) throw EngineError("At least one output file must be specified");
  return *task.transcoder.outputFiles.back();
}

bool hasExtension(const std::string &fileName, const char *ext) {
  std::string e = std::filesystem::path(fileName).extension().string();
  for (auto &c : e) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return e == ext;
}

// The encoder named by `name` (translated to its successor where needed).
const AVCodec *lookUpEncoder(const std::string &name, AVMediaType type) {
  const std::string actual = translateEncoderName(name);
  AVCodecID id = AV_CODEC_ID_NONE;
  std::string error;
  if (!findCodecByName(actual, type, true, id, error)) throw EngineError(error);
  return libavcodec.avcodec_find_encoder_by_name(actual.c_str());
}

// The encoder named by `name`, else the one the container would take for
// the stream's kind (its codec id is kept even when no encoder exists).
const AVCodec *chooseEncoder(const OutputFile &of, OutputStream &os, const std::string &name) {
  if (!name.empty()) return lookUpEncoder(name, os.type);
  AVCodecID id = libavformat.av_guess_codec(of.ctx->oformat, nullptr, of.fileName.c_str(), nullptr, os.type);
  // A ".wmv" file means Windows Media video; the container's own guess
  // would be MPEG-4 part 2 v3.
  if (os.type == AVMEDIA_TYPE_VIDEO && hasExtension(of.fileName, ".wmv") && id == AV_CODEC_ID_MSMPEG4V3)
    id = AV_CODEC_ID_WMV2;
  os.codecId = id;
  return libavcodec.avcodec_find_encoder(id);
}

// The (not yet opened) encoder context of `os` for `codec`.
AVCodecContext *newEncoder(OutputStream &os, const AVCodec *codec) {
  os.codec = codec;
  if (codec) os.codecId = codec->id;
  os.stream->codecpar->codec_id = os.codecId;
  os.encoder.reset(libavcodec.avcodec_alloc_context3(codec));
  if (!os.encoder) throw EngineError("Could not alloc stream");
  AVCodecContext *enc = os.encoder.get();
  enc->codec_type = os.type;
  enc->codec_id = os.codecId;
  return enc;
}

// A fixed quantiser ("qscale", "aq"), as a lambda.
void setFixedQuality(OutputStream &os, AVCodecContext *enc, float qscale) {
  enc->flags |= AV_CODEC_FLAG_QSCALE;
  os.quality = FF_QP2LAMBDA * qscale;
  enc->global_quality = static_cast<int>(os.quality);
}

OutputStream &addStream(OutputFile &of, AVMediaType type) {
  AVStream *st = libavformat.avformat_new_stream(of.ctx, nullptr);
  if (!st) throw EngineError("Could not alloc stream");
  st->id = static_cast<int>(of.ctx->nb_streams) - 1;
  auto os = std::make_unique<OutputStream>();
  os->stream = st;
  os->type = type;
  st->codecpar->codec_type = type;
  of.streams.push_back(std::move(os));
  return *of.streams.back();
}

void setLanguage(AVStream *st, std::string &language) {
  if (language.empty()) return;
  libavutil.av_dict_set(&st->metadata, "language", language.substr(0, 3).c_str(), 0);
  language.clear();
}

// The encoder's private options given through the generic option setter.
void takePrivateOptions(TranscodeTask &task, StreamKind kind, OutputStream &os) {
  if (AVDictionary *d = task.options.codecPrivateOptions[kind].get())
    libavutil.av_dict_copy(os.openOptions.slot(), d, 0);
}

// "start,end,q/start,end,q...": fixed quantiser q for frames start..end, or
// for q <= 0 a quality factor of -q/100.
void parseRcOverride(const std::string &text, AVCodecContext *enc) {
  std::vector<RcOverride> list;
  const char *p = text.c_str();
  while (p && *p) {
    int start = 0, end = 0, q = 0;
    if (std::sscanf(p, "%d,%d,%d", &start, &end, &q) != 3) throw EngineError("error parsing rc_override");
    RcOverride r{};
    r.start_frame = start;
    r.end_frame = end;
    if (q > 0) {
      r.qscale = q;
      r.quality_factor = 1.0f;
    } else {
      r.qscale = 0;
      r.quality_factor = -q / 100.0f;
    }
    list.push_back(r);
    p = std::strchr(p, '/');
    if (p) ++p;
  }
  if (list.empty()) return;
  auto *mem = static_cast<RcOverride *>(libavutil.av_mallocz(sizeof(RcOverride) * list.size()));
  if (!mem) throw EngineError("error parsing rc_override");
  std::memcpy(mem, list.data(), sizeof(RcOverride) * list.size());
  libavutil.av_freep(&enc->rc_override);
  enc->rc_override = mem;
  enc->rc_override_count = static_cast<int>(list.size());
}

uint16_t *copyMatrix(const std::vector<uint16_t> &m) {
  if (m.size() != 64) return nullptr;
  auto *mem = static_cast<uint16_t *>(libavutil.av_malloc(64 * sizeof(uint16_t)));
  if (mem) std::memcpy(mem, m.data(), 64 * sizeof(uint16_t));
  return mem;
}

void buildVideoStream(TranscodeTask &task, OutputFile &of) {
  OptionState &o = task.options;
  auto consume = ScopeExit{[&o] {
    o.videoDisable = 0;
    o.videoStreamCopy = 0;
    o.videoCodecName.clear();
  }};
  OutputStream &os = addStream(of, AVMEDIA_TYPE_VIDEO);
  AVStream *st = os.stream;
  const AVOutputFormat *ofmt = of.ctx->oformat;
  AVCodecContext *vdef = o.defaultsFor(kVideoKind);

  if (o.videoCodecTag) st->codecpar->codec_tag = o.videoCodecTag;
  int flags = 0, flags2 = 0;
  if ((o.videoGlobalHeader & 1) || (o.videoGlobalHeader == 0 && (ofmt->flags & AVFMT_GLOBALHEADER))) {
    flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (vdef) vdef->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  }
  if (o.videoGlobalHeader & 2) {
    flags2 |= AV_CODEC_FLAG2_LOCAL_HEADER;
    if (vdef) vdef->flags2 |= AV_CODEC_FLAG2_LOCAL_HEADER;
  }
  if (o.videoStreamCopy) {
    os.streamCopy = true;
    return;
  }

  AVRational rate = o.videoFrameRate;
  if (rate.num == 0 || rate.den == 0) rate = AVRational{25, 1};

  const AVCodec *codec = chooseEncoder(of, os, o.videoCodecName);
  AVCodecContext *enc = newEncoder(os, codec);
  enc->codec_tag = o.videoCodecTag;
  if (vdef) copyNamedOptions(o.setOptionNames, vdef, enc, AV_OPT_FLAG_VIDEO_PARAM | AV_OPT_FLAG_ENCODING_PARAM);
  enc->flags |= flags;
  enc->flags2 |= flags2;
  takePrivateOptions(task, kVideoKind, os);

  if (codec && codec->supported_framerates) {
    const AVRational *best = nullptr;
    double bestDiff = 0;
    for (const AVRational *r = codec->supported_framerates; r->num; ++r) {
      const double diff = std::fabs(av_q2d(*r) - av_q2d(rate));
      if (!best || diff < bestDiff) {
        best = r;
        bestDiff = diff;
      }
    }
    if (best) rate = *best;
  }
  enc->time_base = AVRational{rate.den, rate.num};
  enc->framerate = rate;
  st->avg_frame_rate = rate;

  enc->width = o.frameWidth + o.padLeft + o.padRight;
  enc->height = o.frameHeight + o.padTop + o.padBottom;
  if (enc->width > 0 && enc->height > 0 && o.frameAspectRatio > 0) {
    enc->sample_aspect_ratio =
        libavutil.av_d2q(static_cast<double>(o.frameAspectRatio) * enc->height / enc->width, 255);
  }
  st->sample_aspect_ratio = enc->sample_aspect_ratio;

  AVPixelFormat pix = static_cast<AVPixelFormat>(o.framePixFmt);
  if (codec && codec->pix_fmts) {
    bool listed = false;
    for (const AVPixelFormat *p = codec->pix_fmts; *p != AV_PIX_FMT_NONE; ++p)
      if (*p == pix) listed = true;
    if (!listed) pix = codec->pix_fmts[0];
  }
  if (pix == AV_PIX_FMT_NONE) pix = AV_PIX_FMT_YUV420P;
  enc->pix_fmt = pix;

  if (o.intraOnly) enc->gop_size = 0;
  if (o.videoQscale != 0.0f || o.sameQuality) setFixedQuality(os, enc, o.videoQscale);
  if (uint16_t *m = copyMatrix(o.intraMatrix)) enc->intra_matrix = m;
  if (uint16_t *m = copyMatrix(o.interMatrix)) enc->inter_matrix = m;
  enc->thread_count = o.threadCount > 0 ? o.threadCount : 1;
  enc->intra_dc_precision = o.intraDcPrecision - 8;
  if (!o.rcOverride.empty()) parseRcOverride(o.rcOverride, enc);
  if (enc->rc_initial_buffer_occupancy == 0) enc->rc_initial_buffer_occupancy = enc->rc_buffer_size * 3 / 4;
  if (o.doPsnr) enc->flags |= AV_CODEC_FLAG_PSNR;
  if (o.passNumber == 1) enc->flags |= AV_CODEC_FLAG_PASS1;
  if (o.passNumber == 2) enc->flags |= AV_CODEC_FLAG_PASS2;
}

void buildAudioStream(TranscodeTask &task, OutputFile &of) {
  OptionState &o = task.options;
  auto consume = ScopeExit{[&o] {
    o.audioDisable = 0;
    o.audioStreamCopy = 0;
    o.audioCodecName.clear();
  }};
  OutputStream &os = addStream(of, AVMEDIA_TYPE_AUDIO);
  AVStream *st = os.stream;
  const AVOutputFormat *ofmt = of.ctx->oformat;
  AVCodecContext *adef = o.defaultsFor(kAudioKind);

  if (o.audioCodecTag) st->codecpar->codec_tag = o.audioCodecTag;
  int flags = 0;
  if (ofmt->flags & AVFMT_GLOBALHEADER) {
    flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (adef) adef->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  }
  if (o.audioStreamCopy) {
    os.streamCopy = true;
  } else {
    const AVCodec *codec = chooseEncoder(of, os, o.audioCodecName);
    AVCodecContext *enc = newEncoder(os, codec);
    enc->codec_tag = o.audioCodecTag;
    if (adef) copyNamedOptions(o.setOptionNames, adef, enc, AV_OPT_FLAG_AUDIO_PARAM | AV_OPT_FLAG_ENCODING_PARAM);
    enc->flags |= flags;
    takePrivateOptions(task, kAudioKind, os);
    if (o.audioQscale > -99999.0f) setFixedQuality(os, enc, o.audioQscale);
    enc->thread_count = o.threadCount > 0 ? o.threadCount : 1;
    const int channels = o.audioChannels > 0 ? o.audioChannels : 2;
    libavutil.av_channel_layout_uninit(&enc->ch_layout);
    libavutil.av_channel_layout_default(&enc->ch_layout, channels);
    enc->sample_rate = o.audioSampleRate > 0 ? o.audioSampleRate : 44100;
    enc->time_base = AVRational{1, enc->sample_rate};
    // Internal audio is 16-bit; take that format when the encoder has it.
    AVSampleFormat fmt = AV_SAMPLE_FMT_S16;
    if (codec && codec->sample_fmts) {
      bool listed = false;
      for (const AVSampleFormat *p = codec->sample_fmts; *p != AV_SAMPLE_FMT_NONE; ++p)
        if (*p == fmt) listed = true;
      if (!listed) fmt = codec->sample_fmts[0];
    }
    enc->sample_fmt = fmt;
  }
  setLanguage(st, o.audioLanguage);
}

void buildSubtitleStream(TranscodeTask &task, OutputFile &of) {
  OptionState &o = task.options;
  auto consume = ScopeExit{[&o] {
    o.subtitleDisable = 0;
    o.subtitleStreamCopy = 0;
    o.subtitleCodecName.clear();
  }};
  OutputStream &os = addStream(of, AVMEDIA_TYPE_SUBTITLE);
  if (o.subtitleStreamCopy) {
    os.streamCopy = true;
  } else {
    AVCodecContext *enc = newEncoder(os, chooseEncoder(of, os, o.subtitleCodecName));
    if (AVCodecContext *sdef = o.defaultsFor(kSubtitleKind))
      copyNamedOptions(o.setOptionNames, sdef, enc, AV_OPT_FLAG_SUBTITLE_PARAM | AV_OPT_FLAG_ENCODING_PARAM);
    takePrivateOptions(task, kSubtitleKind, os);
    enc->time_base = AVRational{1, 1000};
  }
  setLanguage(os.stream, o.subtitleLanguage);
}

void setMeta(AVFormatContext *oc, const char *key, const std::string &value, size_t maxLen) {
  if (value.empty()) return;
  libavutil.av_dict_set(&oc->metadata, key, value.substr(0, maxLen).c_str(), 0);
}

// `seconds` in whole microseconds, held to the range of T (NaN gives 0):
// "muxdelay" and "muxpreload" take any number.
template <typename T>
T microsOf(float seconds) {
  const float us = seconds * 1000000.0f;
  if (std::isnan(us)) return 0;
  constexpr float kLimit = static_cast<float>(std::numeric_limits<T>::max());  // a power of two
  if (us >= kLimit) return std::numeric_limits<T>::max();
  if (us < -kLimit) return std::numeric_limits<T>::min();
  return static_cast<T>(us);
}

bool sameFile(const std::string &a, const std::string &b) {
  std::error_code ec;
  if (std::filesystem::equivalent(a, b, ec) && !ec) return true;
  const auto ca = std::filesystem::weakly_canonical(a, ec);
  if (ec) return false;
  const auto cb = std::filesystem::weakly_canonical(b, ec);
  return !ec && ca == cb;
}

}  // namespace

std::string twoPassLogName(const std::string &passLogFileName, int streamNumber) {
  std::string name = (passLogFileName.empty() ? std::string("ffmpeg2pass") : passLogFileName) + "-" +
                     std::to_string(streamNumber) + ".log";
  if (name.size() > 1023) name.resize(1023);
  return name;
}

void checkInputKinds(TranscodeTask &task, bool &hasVideo, bool &hasAudio, bool &hasSubtitle) {
  hasVideo = hasAudio = hasSubtitle = false;
  for (const InputFile &in : task.inputFiles) {
    if (!in.ctx) continue;
    for (unsigned i = 0; i < in.ctx->nb_streams; ++i) {
      const int type = in.ctx->streams[i]->codecpar->codec_type;
      if (type < -1 || type > 4) throw EngineError("invalid codec_type of input file");
      if (type == AVMEDIA_TYPE_VIDEO) hasVideo = true;
      if (type == AVMEDIA_TYPE_AUDIO) hasAudio = true;
      if (type == AVMEDIA_TYPE_SUBTITLE) hasSubtitle = true;
    }
  }
}

void newVideoStream(TranscodeTask &task) { buildVideoStream(task, lastOutput(task)); }
void newAudioStream(TranscodeTask &task) { buildAudioStream(task, lastOutput(task)); }
void newSubtitleStream(TranscodeTask &task) { buildSubtitleStream(task, lastOutput(task)); }

void newStreamOnLastOutput(TranscodeTask &task, AVMediaType type) {
  switch (type) {
    case AVMEDIA_TYPE_VIDEO: newVideoStream(task); break;
    case AVMEDIA_TYPE_AUDIO: newAudioStream(task); break;
    case AVMEDIA_TYPE_SUBTITLE: newSubtitleStream(task); break;
    default: throw EngineError("invalid codec_type");
  }
}

bool openOutputFile(TranscodeTask &task, const std::string &fileName) {
  OptionState &o = task.options;
  auto fail = [&](const std::string &message) {
    task.lastError = message;
    o.outputFormat = nullptr;
    o.inputFormat = nullptr;
    return false;
  };
  if (!librariesLoaded()) return fail(formatText("Could not open '%s'", fileName.c_str()));
  if (task.transcoder.outputFiles.size() >= static_cast<size_t>(kMaxFiles))
    return fail(formatText("Could not open '%s'", fileName.c_str()));

  auto of = std::make_unique<OutputFile>();
  of->fileName = fileName.substr(0, 1023);
  const AVOutputFormat *ofmt = o.outputFormat;
  if (!ofmt) ofmt = libavformat.av_guess_format(nullptr, fileName.c_str(), nullptr);
  if (!ofmt) return fail(formatText("Unable to find a suitable output format for '%s'", fileName.c_str()));
  if (libavformat.avformat_alloc_output_context2(&of->ctx, ofmt, nullptr, of->fileName.c_str()) < 0 || !of->ctx)
    return fail(formatText("Could not open '%s'", fileName.c_str()));

  // A streaming-server feed is not supported by this engine.
  if (std::strcmp(ofmt->name, "ffm") == 0 && fileName.rfind("http:", 0) == 0)
    return fail(formatText("Could not open '%s'", fileName.c_str()));

  try {
    bool useVideo = ofmt->video_codec != AV_CODEC_ID_NONE || o.videoStreamCopy || !o.videoCodecName.empty();
    bool useAudio = ofmt->audio_codec != AV_CODEC_ID_NONE || o.audioStreamCopy || !o.audioCodecName.empty();
    bool useSubtitle =
        ofmt->subtitle_codec != AV_CODEC_ID_NONE || o.subtitleStreamCopy || !o.subtitleCodecName.empty();
    if (!task.inputFiles.empty()) {
      bool v = false, a = false, s = false;
      try {
        checkInputKinds(task, v, a, s);
      } catch (const std::exception &e) {
        throw EngineError(formatText("check_audio_video_sub_inputs fail: %s", e.what()));
      }
      useVideo = useVideo && v;
      useAudio = useAudio && a;
      useSubtitle = useSubtitle && s;
    }
    if (o.videoDisable) useVideo = false;
    if (o.audioDisable) useAudio = false;
    if (o.subtitleDisable) useSubtitle = false;

    auto build = [&](bool use, void (*builder)(TranscodeTask &, OutputFile &), const char *failure) {
      if (!use) return;
      try {
        builder(task, *of);
      } catch (const std::exception &e) {
        throw EngineError(formatText(failure, e.what()));
      }
    };
    build(useVideo, buildVideoStream, "new_video_stream fail: %s");
    build(useAudio, buildAudioStream, "new_audio_stream fail: %s");
    build(useSubtitle, buildSubtitleStream, "new_subtitle_stream fail: %s");
  } catch (const std::exception &e) {
    return fail(e.what());
  }

  // Recording date and metadata.
  AVFormatContext *oc = of->ctx;
  if (o.recTimestamp > 0) {
    const std::time_t t = static_cast<std::time_t>(o.recTimestamp);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[64];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S.000000Z", &tm);
    libavutil.av_dict_set(&oc->metadata, "creation_time", buf, 0);
  }
  setMeta(oc, "title", o.title, 511);
  setMeta(oc, "artist", o.author, 511);
  if (std::strcmp(ofmt->name, "asf") == 0 || std::strcmp(ofmt->name, "rm") == 0)
    setMeta(oc, "author", o.author, 511);
  setMeta(oc, "copyright", o.copyright, 511);
  setMeta(oc, "comment", o.comment, 511);
  setMeta(oc, "album", o.album, 511);
  if (o.year > 0) setMeta(oc, "date", std::to_string(o.year), 31);
  if (o.track > 0) setMeta(oc, "track", std::to_string(o.track), 31);
  setMeta(oc, "genre", o.genre, 31);

  // From here on the output counts, also if a later step fails.
  OutputFile &added = *of;
  task.transcoder.outputFiles.push_back(std::move(of));
  task.numOutputFiles = task.transcoder.outputCount();

  if ((ofmt->flags & AVFMT_NEEDNUMBER) && !libavformat.av_filename_number_test(fileName.c_str()))
    return fail(openErrorText(AVERROR(EDOM), fileName));

  if (!(ofmt->flags & AVFMT_NOFILE)) {
    // Never write over an input of the same task.
    for (const InputFile &in : task.inputFiles)
      if (sameFile(in.fileName, fileName)) return fail(formatText("Could not open '%s'", fileName.c_str()));
    // Nor over another output of it.
    for (const auto &other : task.transcoder.outputFiles)
      if (other.get() != &added && other->fileCreated && sameFile(other->fileName, fileName))
        return fail(formatText("Could not open '%s'", fileName.c_str()));
    if (libavformat.avio_open(&oc->pb, fileName.c_str(), AVIO_FLAG_WRITE) < 0)
      return fail(formatText("Could not open '%s'", fileName.c_str()));
    added.fileCreated = true;
  }

  // Container settings.
  oc->max_delay = microsOf<int>(o.muxMaxDelay);
  if (oc->priv_data) {
    libavutil.av_opt_set_int(oc->priv_data, "preload", microsOf<int64_t>(o.muxPreload), 0);
    if (o.loopOutput >= 0) libavutil.av_opt_set_int(oc->priv_data, "loop", o.loopOutput, 0);
  }
  if (o.formatDefaults)
    copyNamedOptions(o.setOptionNames, o.formatDefaults.get(), oc, AV_OPT_FLAG_ENCODING_PARAM);

  o.outputFormat = nullptr;
  o.inputFormat = nullptr;
  return true;
}
