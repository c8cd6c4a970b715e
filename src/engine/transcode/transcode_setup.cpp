// Transcode set-up: stream records, source choice, stream copy rules,
// conversion plans, two-pass files, headers (the codecs are opened in
// transcode_codecs.cpp).
#include "transcode_setup.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "binding.h"
#include "encoder_sizes.h"
#include "open_errors.h"
#include "output_file.h"
#include "output_streams.h"
#include "recording_output.h"
#include "source_picture.h"
#include "user_rotation.h"
#include "stream_copy_check.h"
#include "text_format.h"
#include "transcode_codecs.h"
#include "transcode_loop.h"
#include "transcode_result.h"
#include "transcode_run.h"
#include "transcode_task.h"
#include "transcoder.h"

namespace {

void dumpOutput(OutputFile &of, int index) {
  libavformat.av_dump_format(of.ctx, index, of.fileName.c_str(), 1);
}

// The container's codec tag table knows `tag` for `id`, or has none for it.
bool keepInputTag(const AVOutputFormat *ofmt, AVCodecID id, unsigned tag) {
  if (!ofmt->codec_tag) return true;
  if (libavformat.av_codec_get_id(ofmt->codec_tag, tag) == id) return true;
  return libavformat.av_codec_get_tag(ofmt->codec_tag, id) == 0;
}

// Copied pictures are shown the way the source's are: the display matrix
// goes with them.
void copyDisplayMatrix(const AVStream *from, AVStream *to) {
  size_t size = 0;
  const uint8_t *matrix = libavformat.av_stream_get_side_data(from, AV_PKT_DATA_DISPLAYMATRIX, &size);
  if (!matrix || size == 0) return;
  uint8_t *copy = libavformat.av_stream_new_side_data(to, AV_PKT_DATA_DISPLAYMATRIX, size);
  if (copy) std::memcpy(copy, matrix, size);
}

// What the plan of an output stream takes from its task: the option state,
// the log, the threads the run may use, whether pictures go to the host's
// custom hook.
struct StreamPlanning {
  const OptionState &options;
  LogSink &log;
  int threads;
  bool customHook;
};

void setUpStreamCopy(const StreamPlanning &p, OutputStreamRecord &ost, InputStreamRecord &ist) {
  const AVCodecParameters *ipar = ist.st->codecpar;
  AVCodecParameters *opar = ost.st->codecpar;
  const unsigned wantedTag = opar->codec_tag;
  const AVMediaType type = ost.out->type;
  if (type == AVMEDIA_TYPE_AUDIO && p.options.audioVolume != 256)
    throw EngineError("-acodec copy and -vol are incompatible (frames are not decoded)");
  if (type == AVMEDIA_TYPE_VIDEO) {
    if (p.customHook)
      throw EngineError("-vcodec copy and CustomHook are incompatible (frames are not decoded)");
    if (p.options.usingVhook)
      throw EngineError("-vcodec copy and -vhook are incompatible (frames are not decoded)");
  }
  if (type != AVMEDIA_TYPE_AUDIO && type != AVMEDIA_TYPE_VIDEO && type != AVMEDIA_TYPE_SUBTITLE)
    throw EngineError("invalid codec_type of output stream");
  checkContainerHoldsCopy(ost.file->ctx->oformat, ost.file->fileName, ipar);
  if (libavcodec.avcodec_parameters_copy(opar, ipar) < 0) throw EngineError("invalid codec_type of output stream");
  if (wantedTag) {
    opar->codec_tag = wantedTag;
  } else if (!keepInputTag(ost.file->ctx->oformat, ipar->codec_id, ipar->codec_tag)) {
    opar->codec_tag = 0;
  }
  ost.st->time_base = ist.st->time_base;
  if (type == AVMEDIA_TYPE_AUDIO) {
    if ((ipar->codec_id == AV_CODEC_ID_MP3 && ipar->block_align == 1) || ipar->codec_id == AV_CODEC_ID_AC3)
      opar->block_align = 0;
  } else if (type == AVMEDIA_TYPE_VIDEO) {
    ost.st->sample_aspect_ratio = ipar->sample_aspect_ratio;
    ost.st->avg_frame_rate = ist.st->avg_frame_rate;
    if (p.options.handQuarterTurns != 0)
      writeTurnedDisplayMatrix(ist.st, ost.st, p.options.handQuarterTurns);
    else
      copyDisplayMatrix(ist.st, ost.st);
  }
}

// Tone mapping of an HDR source: the filters must be there; the output is
// SDR BT.709 and says so.
void planToneMapping(LogSink &log, OutputStreamRecord &ost, const InputStreamRecord &ist) {
  const HdrTransfer transfer = ist.picture.transfer;
  if (transfer == HdrTransfer::None) return;
  const std::string missing = missingToneMapFilters();
  if (!missing.empty())
    throw EngineError(formatText("Stream #%d.%d is HDR video (%s), and tone mapping it to SDR needs the "
                                 "libavfilter filters %s, which the installed libraries lack",
                                 ist.fileIndex, ist.streamIndex, hdrTransferName(transfer), missing.c_str()));
  AVCodecContext *enc = ost.enc;
  enc->color_primaries = AVCOL_PRI_BT709;
  enc->color_trc = AVCOL_TRC_BT709;
  enc->colorspace = AVCOL_SPC_BT709;
  enc->color_range = AVCOL_RANGE_MPEG;
  log.logF(LogLevel::Info, "Stream #%d.%d: HDR (%s, BT.2020) tone mapped to SDR BT.709", ist.fileIndex, ist.streamIndex,
           hdrTransferName(transfer));
}

// The encoder's picture size rounded to what the encoder takes; the pixel
// aspect follows so that the picture keeps its shape on screen.
void fitEncoderSize(const PictureOptions &picture, LogSink &log, OutputStreamRecord &ost) {
  AVCodecContext *enc = ost.enc;
  const AVCodec *codec = ost.out->codec ? ost.out->codec : libavcodec.avcodec_find_encoder(enc->codec_id);
  int width = enc->width, height = enc->height;
  if (!roundToMultiple(width, height, encoderSizeMultiple(codec, enc->pix_fmt))) return;
  log.logF(LogLevel::Info, "Output stream #%d.%d: %dx%d rounded to %dx%d, a size the encoder takes", ost.fileIndex,
           ost.streamIndex, enc->width, enc->height, width, height);
  const float aspect = picture.frameAspectRatio;
  enc->width = width;
  enc->height = height;
  if (aspect > 0) enc->sample_aspect_ratio = libavutil.av_d2q(static_cast<double>(aspect) * height / width, 255);
  ost.st->sample_aspect_ratio = enc->sample_aspect_ratio;
}

void setUpVideo(const StreamPlanning &p, OutputStreamRecord &ost, InputStreamRecord &ist) {
  const OptionState &o = p.options;
  AVCodecContext *enc = ost.enc;
  const AVCodecContext *dec = ist.dec;
  ist.picture = shownPicture(ist.st, o.handQuarterTurns);
  planToneMapping(p.log, ost, ist);
  fitEncoderSize(o, p.log, ost);
  GeometryPlan plan;
  plan.cropTop = o.cropTop;
  plan.cropBottom = o.cropBottom;
  plan.cropLeft = o.cropLeft;
  plan.cropRight = o.cropRight;
  plan.padTop = o.padTop;
  plan.padBottom = o.padBottom;
  plan.padLeft = o.padLeft;
  plan.padRight = o.padRight;
  plan.padColor[0] = o.padColorY;
  plan.padColor[1] = o.padColorU;
  plan.padColor[2] = o.padColorV;
  plan.dstWidth = enc->width;
  plan.dstHeight = enc->height;
  plan.dstFormat = enc->pix_fmt;
  plan.swsFlags = o.swsFlags;
  plan.threads = p.threads;
  if (o.swsDefaults) {
    int64_t flags = 0;
    if (libavutil.av_opt_get_int(o.swsDefaults.get(), "sws_flags", 0, &flags) >= 0 && flags) plan.swsFlags = static_cast<int>(flags);
  }
  // The geometry stage sees the pictures tone mapped and upright.
  plan.srcWidth = dec && dec->width > 0 ? dec->width : ist.st->codecpar->width;
  plan.srcHeight = dec && dec->height > 0 ? dec->height : ist.st->codecpar->height;
  displayedSize(ist.picture.orientation, plan.srcWidth, plan.srcHeight);
  plan.srcFormat = dec ? dec->pix_fmt : static_cast<AVPixelFormat>(ist.st->codecpar->format);
  if (ist.picture.transfer != HdrTransfer::None) plan.srcFormat = kToneMappedFormat;
  if (plan.srcWidth <= 0 || plan.srcHeight <= 0 || plan.srcFormat == AV_PIX_FMT_NONE) {
    // Not known before decoding: planned again with the first picture.
    plan.srcWidth = enc->width + plan.cropLeft + plan.cropRight - plan.padLeft - plan.padRight;
    plan.srcHeight = enc->height + plan.cropTop + plan.cropBottom - plan.padTop - plan.padBottom;
    plan.srcFormat = enc->pix_fmt;
  }
  ost.geometry.prepare(plan);
}

void setUpTwoPass(const VideoCodingOptions &coding, OutputStreamRecord &ost) {
  AVCodecContext *enc = ost.enc;
  if (!(enc->flags & (AV_CODEC_FLAG_PASS1 | AV_CODEC_FLAG_PASS2))) return;
  const std::string name = twoPassLogName(coding.passLogFileName, ost.number);
  if (ost.out->codec && std::strcmp(ost.out->codec->name, "libx264") == 0) {
    // x264 writes and reads its statistics itself (with the files it adds
    // to the name: ".mbtree", ".temp").
    if ((enc->flags & AV_CODEC_FLAG_PASS2) && !std::filesystem::exists(name))
      throw EngineError("creat open fail: " + name);
    libavutil.av_dict_set(ost.out->openOptions.slot(), "stats", name.c_str(), 0);
    return;
  }
  if (enc->flags & AV_CODEC_FLAG_PASS1) {
    ost.logFile = std::fopen(name.c_str(), "w");
    if (!ost.logFile) throw EngineError("creat file fail: " + name);
  } else {
    FILE *f = std::fopen(name.c_str(), "r");
    if (!f) throw EngineError("creat open fail: " + name);
    std::fseek(f, 0, SEEK_END);
    const long size = std::ftell(f);
    std::fseek(f, 0, SEEK_SET);
    char *text = size >= 0 ? static_cast<char *>(libavutil.av_malloc(static_cast<size_t>(size) + 1)) : nullptr;
    if (!text) {
      std::fclose(f);
      throw EngineError("Could not allocate log buffer");
    }
    const size_t got = std::fread(text, 1, static_cast<size_t>(size), f);
    text[got] = 0;
    std::fclose(f);
    libavutil.av_freep(&enc->stats_in);
    enc->stats_in = text;
  }
}

// Program streams need a mux rate that covers what is really written, or
// the muxer complains about buffer underflows on every packet.
void setMpegMuxRate(OutputFile &of, AVDictionary **opts) {
  const char *name = of.ctx->oformat->name;
  if (std::strcmp(name, "mpeg") && std::strcmp(name, "vcd") && std::strcmp(name, "svcd") &&
      std::strcmp(name, "dvd") && std::strcmp(name, "vob"))
    return;
  if (libavutil.av_dict_get(*opts, "muxrate", nullptr, 0)) return;
  int64_t set = 0;
  if (of.ctx->priv_data && libavutil.av_opt_get_int(of.ctx->priv_data, "muxrate", 0, &set) >= 0 && set > 0) return;
  int64_t total = 0;
  for (auto &os : of.streams) {
    const AVCodecParameters *par = os->stream->codecpar;
    int64_t rate = 0;
    if (os->encoder) {
      const AVCodecContext *enc = os->encoder.get();
      rate = std::max<int64_t>(enc->rc_max_rate, enc->bit_rate);
      if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
        // Without a rate cap an encoder may well exceed its average; a
        // fixed quantiser says nothing about the rate at all.
        const int64_t pixels = static_cast<int64_t>(enc->width) * enc->height;
        const double fps = enc->framerate.num > 0 ? av_q2d(enc->framerate) : 25.0;
        const int64_t guess = static_cast<int64_t>(pixels * fps * 1.0);  // about 1 bit per pixel
        if (enc->rc_max_rate <= 0) rate = std::max<int64_t>(rate * 2, (enc->flags & AV_CODEC_FLAG_QSCALE) ? guess : 0);
      }
    } else {
      rate = par->bit_rate;
    }
    if (rate <= 0) rate = par->codec_type == AVMEDIA_TYPE_VIDEO ? 8000000 : 448000;
    total += rate;
  }
  if (total <= 0) return;
  total = total + total / 10 + 64000;  // pack and system headers
  libavutil.av_dict_set_int(opts, "muxrate", total, 0);
}

// The RealMedia muxer takes any codec without complaint and labels it as
// RealVideo; refuse what it cannot describe.
bool checkRealMediaCodecs(LogSink &log, OutputFile &of) {
  const AVOutputFormat *ofmt = of.ctx->oformat;
  if (std::strcmp(ofmt->name, "rm") != 0 || !ofmt->codec_tag) return true;
  for (auto &os : of.streams) {
    const AVCodecParameters *par = os->stream->codecpar;
    bool ok = libavformat.av_codec_get_tag(ofmt->codec_tag, par->codec_id) != 0;
    if (par->codec_type == AVMEDIA_TYPE_VIDEO)
      ok = par->codec_id == AV_CODEC_ID_RV10 || par->codec_id == AV_CODEC_ID_RV20;
    if (!ok) {
      log.logF(LogLevel::Error, "Codec '%s' is not supported by the RealMedia format",
               libavcodec.avcodec_get_name(par->codec_id));
      return false;
    }
  }
  return true;
}

void copyMetadata(AVFormatContext *out, const AVFormatContext *in) {
  struct {
    const char *key;
    size_t max;
  } keys[] = {{"title", 511}, {"artist", 511}, {"author", 511}, {"copyright", 511}, {"comment", 511},
              {"album", 511}, {"date", 31},    {"year", 31},    {"track", 31},     {"genre", 31}};
  for (const auto &k : keys) {
    const AVDictionaryEntry *e = libavutil.av_dict_get(in->metadata, k.key, nullptr, 0);
    if (!e || !e->value) continue;
    std::string v = e->value;
    if (v.size() > k.max) v.resize(k.max);
    libavutil.av_dict_set(&out->metadata, k.key, v.c_str(), 0);
  }
}

// One record per stream of every input, numbered across the inputs.
void buildInputRecords(std::vector<InputFile> &inputs, TranscodeRun &run) {
  for (size_t f = 0; f < inputs.size(); ++f) {
    InputFile &in = inputs[f];
    InputFileRecord rec;
    rec.firstStream = static_cast<int>(run.ist.size());
    rec.streamCount = in.ctx ? static_cast<int>(in.ctx->nb_streams) : 0;
    if (rec.streamCount > static_cast<int>(in.streams.size())) rec.streamCount = static_cast<int>(in.streams.size());
    run.files.push_back(rec);
    for (int s = 0; s < rec.streamCount; ++s) {
      auto ist = std::make_unique<InputStreamRecord>();
      ist->fileIndex = static_cast<int>(f);
      ist->streamIndex = s;
      ist->in = &in.streams[s];
      ist->st = in.ctx->streams[s];
      ist->dec = in.streams[s].decoder.get();
      if (ist->in->rateEmu) ist->emuStart = libavutil.av_gettime_relative();
      run.ist.push_back(std::move(ist));
    }
  }
}

// Every output must have a stream; returns how many there are in all.
int countOutputStreams(const TranscodeState &ts) {
  int count = 0;
  for (auto &of : ts.outputFiles) {
    if (!of->ctx || of->streams.empty()) throw EngineError("Output file does not contain any stream");
    count += static_cast<int>(of->streams.size());
  }
  return count;
}

bool isInputStream(const TranscodeRun &run, int file, int stream) {
  return file >= 0 && file < static_cast<int>(run.files.size()) && stream >= 0 &&
         stream < run.files[file].streamCount;
}

// The stream maps, when given, name one existing input stream (and sync
// stream) for each output stream.
void checkStreamMaps(const std::vector<StreamMap> &maps, const TranscodeRun &run, int outputStreams) {
  if (!maps.empty() && static_cast<int>(maps.size()) != outputStreams)
    throw EngineError("Number of stream maps must match number of output streams");
  for (const StreamMap &m : maps) {
    if (!isInputStream(run, m.file, m.stream))
      throw EngineError(formatText("Could not find input stream #%d.%d", m.file, m.stream));
    if (!isInputStream(run, m.syncFile, m.syncStream))
      throw EngineError(formatText("Could not find sync stream #%d.%d", m.syncFile, m.syncStream));
  }
}

bool isFreeOfType(const InputStreamRecord &ist, AVMediaType type) {
  return ist.free && ist.st->codecpar->codec_type == type;
}

// The first free input stream of `type` in a program with the id
// `programId` (inputs, programs and their streams in order), or -1.
int freeSourceInProgram(const std::vector<InputFile> &inputs, int programId, const TranscodeRun &run,
                        AVMediaType type) {
  for (size_t i = 0; i < inputs.size(); ++i) {
    const AVFormatContext *ic = inputs[i].ctx.get();
    if (!ic) continue;
    for (unsigned p = 0; p < ic->nb_programs; ++p) {
      const AVProgram *prog = ic->programs[p];
      if (prog->id != programId) continue;
      for (unsigned k = 0; k < prog->nb_stream_indexes; ++k) {
        const int si = static_cast<int>(prog->stream_index[k]);
        if (si >= run.files[i].streamCount) continue;
        const int idx = run.files[i].firstStream + si;
        if (isFreeOfType(*run.ist[idx], type)) return idx;
      }
    }
  }
  return -1;
}

// The first free input stream of `type`; else the last one of that type,
// taken or not; else -1.
int firstFreeSource(const TranscodeRun &run, AVMediaType type) {
  for (size_t i = 0; i < run.ist.size(); ++i)
    if (isFreeOfType(*run.ist[i], type)) return static_cast<int>(i);
  int last = -1;
  for (size_t i = 0; i < run.ist.size(); ++i)
    if (run.ist[i]->st->codecpar->codec_type == type) last = static_cast<int>(i);
  return last;
}

// Source and sync stream of the output stream `ost` (number `n` over all
// outputs), from the n-th stream map or by media type.
void chooseSource(const OptionState &o, const std::vector<InputFile> &inputs, TranscodeRun &run,
                  OutputStreamRecord &ost, int n) {
  const auto &maps = o.streamMaps;
  const AVMediaType type = ost.out->type;
  if (!maps.empty()) {
    const StreamMap &m = maps[n];
    const int src = run.files[m.file].firstStream + m.stream;
    if (run.ist[src]->st->codecpar->codec_type != type) {
      dumpOutput(*ost.file, ost.fileIndex);
      throw EngineError(formatText("Codec type mismatch for mapping #%d.%d -> #%d.%d", m.file, m.stream,
                                   ost.fileIndex, ost.streamIndex));
    }
    ost.sourceIndex = src;
    ost.syncIndex = run.files[m.syncFile].firstStream + m.syncStream;
    return;
  }
  const int found = o.programId ? freeSourceInProgram(inputs, o.programId, run, type) : firstFreeSource(run, type);
  if (found < 0) {
    dumpOutput(*ost.file, ost.fileIndex);
    throw EngineError(formatText("Could not find input stream matching output stream #%d.%d", ost.fileIndex,
                                 ost.streamIndex));
  }
  ost.sourceIndex = found;
  ost.syncIndex = found;
}

// One record per stream of every output, in output order, each connected
// to the input stream it is fed from.
void buildOutputRecords(const OptionState &o, const std::vector<InputFile> &inputs, TranscodeState &ts,
                        TranscodeRun &run) {
  int n = 0;
  for (size_t f = 0; f < ts.outputFiles.size(); ++f) {
    OutputFile &of = *ts.outputFiles[f];
    for (size_t s = 0; s < of.streams.size(); ++s, ++n) {
      auto ost = std::make_unique<OutputStreamRecord>();
      ost->fileIndex = static_cast<int>(f);
      ost->streamIndex = static_cast<int>(s);
      ost->number = n;
      ost->file = &of;
      ost->out = of.streams[s].get();
      ost->st = ost->out->stream;
      ost->enc = ost->out->streamCopy ? nullptr : ost->out->encoder.get();
      chooseSource(o, inputs, run, *ost, n);
      run.ist[ost->sourceIndex]->free = false;
      run.ist[ost->sourceIndex]->outputs.push_back(ost.get());
      run.ost.push_back(std::move(ost));
    }
  }
}

void copyLanguage(const InputStreamRecord &ist, OutputStreamRecord &ost) {
  const AVDictionaryEntry *lang = libavutil.av_dict_get(ist.st->metadata, "language", nullptr, 0);
  if (lang && !libavutil.av_dict_get(ost.st->metadata, "language", nullptr, 0))
    libavutil.av_dict_set(&ost.st->metadata, "language", lang->value, 0);
}

// Per output stream: a copy of its source, or decoding and encoding with
// the conversions the two need.
void planStreams(const StreamPlanning &p, TranscodeRun &run) {
  for (auto &op : run.ost) {
    OutputStreamRecord &ost = *op;
    InputStreamRecord &ist = *run.ist[ost.sourceIndex];
    copyLanguage(ist, ost);
    if (ost.out->streamCopy) {
      setUpStreamCopy(p, ost, ist);
      continue;
    }
    if (!ost.enc)
      throw EngineError(formatText("Unsupported codec for output stream #%d.%d", ost.fileIndex, ost.streamIndex));
    switch (ost.out->type) {
      case AVMEDIA_TYPE_AUDIO: ost.fifo.clear(); break;
      case AVMEDIA_TYPE_VIDEO: setUpVideo(p, ost, ist); break;
      case AVMEDIA_TYPE_SUBTITLE: break;
      default: throw EngineError("invalid codec_type of output stream");
    }
    ost.encodingNeeded = true;
    ist.decodingNeeded = true;
    setUpTwoPass(p.options, ost);
  }
}

// Decoded audio is delivered in the channels and rate of its encoder when
// all its encoders agree, so that it is converted only once.
void agreeOnDecodedAudio(TranscodeRun &run) {
  for (auto &ip : run.ist) {
    InputStreamRecord &ist = *ip;
    if (!ist.decodingNeeded || ist.st->codecpar->codec_type != AVMEDIA_TYPE_AUDIO) continue;
    int rate = 0, channels = 0;
    bool agree = true;
    for (OutputStreamRecord *op : ist.outputs) {
      if (!op->encodingNeeded) continue;
      const int r = op->enc->sample_rate, c = op->enc->ch_layout.nb_channels;
      if (rate && (r != rate || c != channels)) agree = false;
      rate = r;
      channels = c;
    }
    if (agree && rate > 0 && channels > 0) {
      ist.wantRate = rate;
      ist.wantChannels = channels;
    }
  }
}

void logStreamMapping(const FileOptions &file, LogSink &log, const TranscodeRun &run) {
  if (file.verbose < 0 || !log.hasLogSink()) return;
  log.log(LogLevel::Info, "Stream mapping:");
  for (auto &op : run.ost) {
    const InputStreamRecord &src = *run.ist[op->sourceIndex];
    log.logF(LogLevel::Info, "  Stream #%d.%d -> #%d.%d", src.fileIndex, src.streamIndex, op->fileIndex,
             op->streamIndex);
    if (op->syncIndex != op->sourceIndex) {
      const InputStreamRecord &sync = *run.ist[op->syncIndex];
      log.logF(LogLevel::Info, " [sync #%d.%d]", sync.fileIndex, sync.streamIndex);
    }
  }
}

// Every input clock at its start. Streams no output takes are not even
// demuxed.
void resetInputClocks(TranscodeRun &run) {
  for (auto &ip : run.ist) {
    ip->pts = 0;
    ip->nextPts = AV_NOPTS_VALUE;
    ip->isStart = true;
    if (ip->free) ip->st->discard = AVDISCARD_ALL;
  }
}

void applyMetaDataMaps(const StreamOptions &streams, const std::vector<InputFile> &inputs, TranscodeState &ts) {
  for (const MetaDataMap &m : streams.metaDataMaps) {
    if (m.outFile < 0 || m.outFile >= ts.outputCount())
      throw EngineError(
          formatText("Invalid output file index %d map_meta_data(%d,%d)", m.outFile, m.outFile, m.inFile));
    if (m.inFile < 0 || m.inFile >= static_cast<int>(inputs.size()) || !inputs[m.inFile].ctx)
      throw EngineError(
          formatText("Invalid input file index %d map_meta_data(%d,%d)", m.inFile, m.outFile, m.inFile));
    copyMetadata(ts.outputFiles[m.outFile]->ctx, inputs[m.inFile].ctx.get());
  }
}

// ASF (and so WMV) times its packets from a preroll on, so the first audio
// packets keep the negative times of the encoder's start-up delay as they
// are. Left to the library, every stream would be shifted by that delay
// and the picture would start late.
void keepTimesBeforeZero(OutputFile &of) {
  if (std::strcmp(of.ctx->oformat->name, "asf") == 0 && of.ctx->avoid_negative_ts == AVFMT_AVOID_NEG_TS_AUTO)
    of.ctx->avoid_negative_ts = 0;
}

void writeHeaders(const LibraryOptions &library, LogSink &log, TranscodeState &ts) {
  for (size_t f = 0; f < ts.outputFiles.size(); ++f) {
    OutputFile &of = *ts.outputFiles[f];
    AVDictionary *opts = library.formatPrivateOptions.copy();
    setMpegMuxRate(of, &opts);
    keepTimesBeforeZero(of);
    const int ret =
        checkRealMediaCodecs(log, of) ? libavformat.avformat_write_header(of.ctx, &opts) : AVERROR(EINVAL);
    libavutil.av_dict_free(&opts);
    // A file that could not be written says why (a full disk, a size limit).
    if (ret < 0 && of.ctx->pb && of.ctx->pb->error < 0)
      throw EngineError(writeErrorText(of.ctx->pb->error, of.fileName));
    if (ret < 0)
      throw EngineError(
          formatText("Could not write header for output file #%d (incorrect codec parameters ?)", static_cast<int>(f)));
    of.headerWritten = true;
  }
}

// When every output is an RTP stream, the session description that a
// receiver needs goes to the log.
void logSessionDescription(const TranscodeState &ts, LogSink &log) {
  std::vector<AVFormatContext *> list;
  for (auto &of : ts.outputFiles) {
    if (std::strcmp(of->ctx->oformat->name, "rtp") != 0) return;
    list.push_back(of->ctx);
  }
  if (list.empty()) return;
  char sdp[2048] = {};
  libavformat.av_sdp_create(list.data(), static_cast<int>(list.size()), sdp, sizeof sdp);
  std::string text = sdp;
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  log.log(LogLevel::Info, "SDP: " + text);
}

// Everything the packet loop needs: stream records and their sources, the
// copy-or-transcode plan, open codecs and written headers.
void setUpTranscode(TranscodeTask &task, TranscodeRun &run) {
  const OptionState &o = task.options;
  TranscodeState &ts = task.transcoder;
  buildInputRecords(task.inputFiles, run);
  checkStreamMaps(o.streamMaps, run, countOutputStreams(ts));
  buildOutputRecords(o, task.inputFiles, ts, run);
  planStreams({o, task, task.threads(), static_cast<bool>(task.sinks().customHook)}, run);
  agreeOnDecodedAudio(run);
  for (size_t f = 0; f < ts.outputFiles.size(); ++f) dumpOutput(*ts.outputFiles[f], static_cast<int>(f));
  logStreamMapping(o, task, run);
  openEncoders(ts, run, task.threads());
  planAudioStarts(run);
  openDecoders(ts, run, task.threads());
  resetInputClocks(run);
  applyMetaDataMaps(o, task.inputFiles, ts);
  applyRecordingMetadata(o, task.inputFiles, ts, task);
  writeHeaders(o, task, ts);
  logSessionDescription(ts, task);
  run.timerStart = libavutil.av_gettime_relative();
  run.lastProgress = run.timerStart;
}

}  // namespace

void transcode(TranscodeTask &task) {
  if (!librariesLoaded()) throw EngineError("transcoding needs the media libraries");
  TranscodeState &ts = task.transcoder;
  ts.videoBytes = ts.audioBytes = ts.extradataBytes = 0;
  ts.dupFrames = ts.dropFrames = 0;
  ts.run = std::make_unique<TranscodeRun>();
  TranscodeRun &run = *ts.run;
  try {
    run.pkt.reset(libavcodec.av_packet_alloc());
    run.outPkt.reset(libavcodec.av_packet_alloc());
    run.frame.reset(libavutil.av_frame_alloc());
    run.encFrame.reset(libavutil.av_frame_alloc());
    if (!run.pkt || !run.outPkt || !run.frame || !run.encFrame) throw EngineError("av_malloc fail");
    run.decodedAudio.resize(192000);
    run.resampled.resize(262144);
    setUpTranscode(task, run);
    runTranscodeLoop(task, run);
    if (!task.stopRequested()) checkRunResult(task.inputFiles, run);
  } catch (...) {
    ts.run.reset();
    throw;
  }
  ts.run.reset();
  // A stop that came after the end of the run found the output whole.
  RunEnd end = RunEnd::Whole;
  if (task.outputsDropped())
    end = RunEnd::Dropped;
  else if (task.stopRequested() && !task.outcome().finished)
    end = RunEnd::Stopped;
  keepOutputFiles(ts, task.inputFiles, end, task);
}
