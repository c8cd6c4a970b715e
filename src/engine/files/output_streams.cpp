// The streams of an output file, built from the task's option state: an
// encoder set up from the options (opened later by the transcode) or a
// stream copy.
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "binding.h"
#include "codec_lookup.h"
#include "encoder_names.h"
#include "engine_types.h"
#include "option_copy.h"
#include "output_file.h"
#include "output_streams.h"
#include "text_format.h"
#include "option_state.h"
#include "transcode_state.h"

namespace {

// Runs `f` when leaving the scope, also through an exception.
template <typename F>
struct ScopeExit {
  F f;
  ~ScopeExit() { f(); }
};
template <typename F>
ScopeExit(F) -> ScopeExit<F>;

OutputFile &lastOutput(TranscodeState &state) {
  if (state.outputFiles.empty()) throw EngineError("At least one output file must be specified");
  return *state.outputFiles.back();
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
void takePrivateOptions(const OptionState &o, StreamKind kind, OutputStream &os) {
  if (AVDictionary *d = o.codecPrivateOptions[kind].get())
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

// The encoder's frame rate nearest to `rate` when it takes only some (the
// first of equally near ones).
AVRational nearestSupportedRate(const AVCodec *codec, AVRational rate) {
  if (!codec || !codec->supported_framerates) return rate;
  const AVRational *best = nullptr;
  double bestDiff = 0;
  for (const AVRational *r = codec->supported_framerates; r->num; ++r) {
    const double diff = std::fabs(av_q2d(*r) - av_q2d(rate));
    if (!best || diff < bestDiff) {
      best = r;
      bestDiff = diff;
    }
  }
  return best ? *best : rate;
}

// `pix` when the encoder takes it, else the encoder's first; planar YUV
// 4:2:0 when nothing says otherwise. A format that merely comes from the
// source (4:4:4, 4:2:2, 10-bit from a camera) gives way to the encoder's
// own first choice, which every player of its streams decodes.
AVPixelFormat encoderPixelFormat(const AVCodec *codec, AVPixelFormat pix, bool fromSource) {
  if (fromSource && codec && codec->pix_fmts) return codec->pix_fmts[0];
  if (codec && codec->pix_fmts) {
    bool listed = false;
    for (const AVPixelFormat *p = codec->pix_fmts; *p != AV_PIX_FMT_NONE; ++p)
      if (*p == pix) listed = true;
    if (!listed) pix = codec->pix_fmts[0];
  }
  return pix == AV_PIX_FMT_NONE ? AV_PIX_FMT_YUV420P : pix;
}

struct HeaderFlags {
  int flags = 0;
  int flags2 = 0;
};

// "vglobal": bit 0 global headers (or, with 0, whatever the container
// asks for), bit 1 local headers; the video defaults carry them too.
HeaderFlags videoHeaderFlags(const VideoCodingOptions &o, const AVOutputFormat *ofmt, AVCodecContext *videoDefaults) {
  HeaderFlags h;
  if ((o.videoGlobalHeader & 1) || (o.videoGlobalHeader == 0 && (ofmt->flags & AVFMT_GLOBALHEADER))) {
    h.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (videoDefaults) videoDefaults->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  }
  if (o.videoGlobalHeader & 2) {
    h.flags2 |= AV_CODEC_FLAG2_LOCAL_HEADER;
    if (videoDefaults) videoDefaults->flags2 |= AV_CODEC_FLAG2_LOCAL_HEADER;
  }
  return h;
}

// A side of the encoded picture: the picture's own size and its padding. A
// sum beyond the library's int is refused rather than wrapped.
int paddedSide(int size, int before, int after) {
  const int64_t total = int64_t{size} + before + after;
  if (total > INT_MAX) throw EngineError("Frame size with padding is too large");
  return static_cast<int>(total);
}

// Rate, picture size, aspect and pixel format of a video encoder.
void setVideoPicture(const PictureOptions &o, const AVCodec *codec, AVCodecContext *enc, AVStream *st) {
  AVRational rate = o.videoFrameRate;
  if (rate.num == 0 || rate.den == 0) rate = AVRational{25, 1};
  rate = nearestSupportedRate(codec, rate);
  enc->time_base = AVRational{rate.den, rate.num};
  enc->framerate = rate;
  st->avg_frame_rate = rate;
  enc->width = paddedSide(o.frameWidth, o.padLeft, o.padRight);
  enc->height = paddedSide(o.frameHeight, o.padTop, o.padBottom);
  if (enc->width > 0 && enc->height > 0 && o.frameAspectRatio > 0) {
    enc->sample_aspect_ratio =
        libavutil.av_d2q(static_cast<double>(o.frameAspectRatio) * enc->height / enc->width, 255);
  }
  st->sample_aspect_ratio = enc->sample_aspect_ratio;
  enc->pix_fmt = encoderPixelFormat(codec, static_cast<AVPixelFormat>(o.framePixFmt),
                                    o.framePixFmt >= 0 && o.framePixFmt == o.sourcePixFmt);
}

// The source's rate guessed from its time stamps (r_frame_rate) differs
// from its average by more than 1%: its pictures come at varying intervals.
bool rateVaries(const PictureOptions &o) {
  const AVRational guessed = o.videoFrameRate, average = o.sourceAverageRate;
  if (!o.frameRateFromSource || guessed.num <= 0 || guessed.den <= 0 || average.num <= 0 || average.den <= 0)
    return false;
  return std::fabs(av_q2d(guessed) / av_q2d(average) - 1.0) > 0.01;
}

// Containers that store each picture's own time.
bool storesPictureTimes(const AVOutputFormat *ofmt) {
  if (ofmt->flags & AVFMT_VARIABLE_FPS) return true;
  for (const char *name : {"mp4", "mov", "matroska", "webm"})
    if (std::strcmp(ofmt->name, name) == 0) return true;
  return false;
}

// A source of varying frame rate at its own rate: where the container
// stores each picture's time, the pictures keep theirs (in the source's
// time base, or in 1/60000 s when that is coarser than a millisecond or
// finer than MPEG-4 Part 2 can number); elsewhere the output runs at the
// source's average rate rather than at the rate its shortest interval
// suggests.
void setVaryingRate(const PictureOptions &o, const AVOutputFormat *ofmt, OutputStream &os, AVCodecContext *enc) {
  if (!rateVaries(o)) return;
  const AVRational average = nearestSupportedRate(os.codec, o.sourceAverageRate);
  enc->framerate = average;
  os.stream->avg_frame_rate = average;
  if (storesPictureTimes(ofmt)) {
    const AVRational tb = o.sourceTimeBase;
    const bool usable = tb.num > 0 && tb.den > 0 && tb.den <= 65535 && av_q2d(tb) <= 0.001;
    enc->time_base = usable ? tb : AVRational{1, 60000};
    os.keepsPictureTimes = true;
  } else {
    enc->time_base = AVRational{average.den, average.num};
  }
}

// Quantiser, matrices, rate control and passes of a video encoder.
void setVideoCoding(const VideoCodingOptions &o, OutputStream &os, AVCodecContext *enc) {
  if (o.intraOnly) enc->gop_size = 0;
  if (o.videoQscale != 0.0f || o.sameQuality) setFixedQuality(os, enc, o.videoQscale);
  if (uint16_t *m = copyMatrix(o.intraMatrix)) enc->intra_matrix = m;
  if (uint16_t *m = copyMatrix(o.interMatrix)) enc->inter_matrix = m;
  enc->thread_count = o.threadCount > 0 ? o.threadCount : 1;
  enc->intra_dc_precision = o.intraDcPrecision - 8;
  if (!o.rcOverride.empty()) parseRcOverride(o.rcOverride, enc);
  // Three quarters of the buffer, worked out wide: a buffer near the int
  // limit ("bufsize") must not overflow.
  if (enc->rc_initial_buffer_occupancy == 0)
    enc->rc_initial_buffer_occupancy = static_cast<int>(static_cast<int64_t>(enc->rc_buffer_size) * 3 / 4);
  if (o.doPsnr) enc->flags |= AV_CODEC_FLAG_PSNR;
  if (o.passNumber == 1) enc->flags |= AV_CODEC_FLAG_PASS1;
  if (o.passNumber == 2) enc->flags |= AV_CODEC_FLAG_PASS2;
}

}  // namespace

void buildVideoStream(OptionState &o, OutputFile &of) {
  auto consume = ScopeExit{[&o] {
    o.videoDisable = 0;
    o.videoStreamCopy = 0;
    o.videoCodecName.clear();
  }};
  OutputStream &os = addStream(of, AVMEDIA_TYPE_VIDEO);
  AVCodecContext *videoDefaults = o.defaultsFor(kVideoKind);
  if (o.videoCodecTag) os.stream->codecpar->codec_tag = o.videoCodecTag;
  const HeaderFlags headers = videoHeaderFlags(o, of.ctx->oformat, videoDefaults);
  if (o.videoStreamCopy) {
    os.streamCopy = true;
    return;
  }
  const AVCodec *codec = chooseEncoder(of, os, o.videoCodecName);
  AVCodecContext *enc = newEncoder(os, codec);
  enc->codec_tag = o.videoCodecTag;
  if (videoDefaults)
    copyNamedOptions(o.setOptionNames, videoDefaults, enc, AV_OPT_FLAG_VIDEO_PARAM | AV_OPT_FLAG_ENCODING_PARAM);
  enc->flags |= headers.flags;
  enc->flags2 |= headers.flags2;
  takePrivateOptions(o, kVideoKind, os);
  setVideoPicture(o, codec, enc, os.stream);
  setVaryingRate(o, of.ctx->oformat, os, enc);
  setVideoCoding(o, os, enc);
}

void buildAudioStream(OptionState &o, OutputFile &of) {
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
    takePrivateOptions(o, kAudioKind, os);
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

void buildSubtitleStream(OptionState &o, OutputFile &of) {
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
    takePrivateOptions(o, kSubtitleKind, os);
    enc->time_base = AVRational{1, 1000};
  }
  setLanguage(os.stream, o.subtitleLanguage);
}

std::string twoPassLogName(const std::string &passLogFileName, int streamNumber) {
  std::string name = (passLogFileName.empty() ? std::string("ffmpeg2pass") : passLogFileName) + "-" +
                     std::to_string(streamNumber) + ".log";
  if (name.size() > 1023) name.resize(1023);
  return name;
}

void newStreamOnLastOutput(OptionState &options, TranscodeState &state, AVMediaType type) {
  switch (type) {
    case AVMEDIA_TYPE_VIDEO: buildVideoStream(options, lastOutput(state)); break;
    case AVMEDIA_TYPE_AUDIO: buildAudioStream(options, lastOutput(state)); break;
    case AVMEDIA_TYPE_SUBTITLE: buildSubtitleStream(options, lastOutput(state)); break;
    default: throw EngineError("invalid codec_type");
  }
}
