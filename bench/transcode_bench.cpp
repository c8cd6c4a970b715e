// Transcode benchmark: the converter with every core, with one thread, and
// the shortest direct loop over the same libraries (the floor) with the
// same threads and with one thread.
//
//   transcode_bench [--keep] [--repeat N] [--source FILE] [--work DIR]
//
// Generates (once) a 30 s 1920x1080 29.97 fps H.264 + AAC QuickTime source,
// converts it with each profile through trevix-convert (next to this
// program; --threads 0 and --threads 1) and through the direct loop, every
// run in a fresh process, and prints wall seconds, CPU seconds and peak
// memory, with the ratios of the all-cores runs to the one-thread runs.
// With --repeat N each run is made N times and the fastest counts (wall and
// CPU each; the peak is the largest seen). The machine (processor, cores)
// and its load before and after are printed with the table: figures taken
// while other work runs say little.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "av_ptr.h"
#include "binding.h"
#include "media_engine.h"
#include "media_fixture.h"
#include "options.h"
#include "transcode_audio.h"

namespace fs = std::filesystem;

namespace {

// ------------------------------------------------------------ cases

// A profile as trevix-convert names it, and what the direct loop does for
// it: the same encoders, picture size and bit rates.
struct Case {
  const char *name;
  const char *profile;  // --profile
  const char *ext;
  const char *vcodec;
  const char *acodec;
  int width, height;    // 0: the source's size
  int videoBitRate;
  int audioBitRate;
  int sampleRate, channels;
};

const Case kCases[] = {
    {"ipod_mp4", "iPod (*.mp4)", "mp4", "mpeg4", "aac", 320, 240, 512000, 64000, 44100, 2},
    {"xvid_avi", "AVI - XviD Video (*.avi)", "avi", "libxvid", "libmp3lame", 0, 0, 1200000, 128000, 44100, 2},
};

// How one case is converted: through the converter or the direct loop,
// with every core (0) or one thread.
struct Side {
  const char *label;
  bool engine;
  int threads;
};

const Side kSides[] = {
    {"all cores", true, 0},
    {"one thread", true, 1},
    {"floor, all cores", false, 0},
    {"floor, one thread", false, 1},
};

std::string programDir() {
  char self[4096] = {};
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return ".";
  return fs::path(std::string(self, static_cast<size_t>(n))).parent_path().string();
}

std::string commonDir() { return (fs::path(programDir()) / "Common").string(); }

bool bind() {
  if (librariesLoaded()) return true;
  if (!loadLibraries(commonDir(), true)) {
    std::fprintf(stderr, "cannot bind the media libraries: %s\n", libraryError().c_str());
    return false;
  }
  libavutil.av_log_set_level(AV_LOG_ERROR);
  return true;
}

int coreCount() {
  const unsigned n = std::thread::hardware_concurrency();
  return n > 0 ? static_cast<int>(n) : 1;
}

// ------------------------------------------------------------ owners

using OutPtr = OutputContextPtr;
using InPtr = InputContextPtr;
using CodecPtr = CodecContextPtr;
using SwsPtr = SwsContextPtr;
using SwrPtr = SwrContextPtr;
struct AudioFifoFree {
  void operator()(AVAudioFifo *f) const {
    if (f) libavutil.av_audio_fifo_free(f);
  }
};
using AudioFifoPtr = std::unique_ptr<AVAudioFifo, AudioFifoFree>;

bool fail(const char *what, int err = 0) {
  char buf[AV_ERROR_MAX_STRING_SIZE] = {};
  if (err) libavutil.av_strerror(err, buf, sizeof buf);
  std::fprintf(stderr, "%s %s\n", what, buf);
  return false;
}

// Sends `frame` (null: drain) and writes what comes out.
bool encodeWrite(AVFormatContext *oc, AVCodecContext *enc, AVStream *st, const AVFrame *frame, AVPacket *pkt) {
  int ret = libavcodec.avcodec_send_frame(enc, frame);
  if (ret < 0 && ret != AVERROR_EOF) return fail("send_frame", ret);
  for (;;) {
    ret = libavcodec.avcodec_receive_packet(enc, pkt);
    if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) return true;
    if (ret < 0) return fail("receive_packet", ret);
    if (pkt->duration <= 0 && enc->codec_type == AVMEDIA_TYPE_VIDEO) pkt->duration = 1;
    libavcodec.av_packet_rescale_ts(pkt, enc->time_base, st->time_base);
    pkt->stream_index = st->index;
    ret = libavformat.av_interleaved_write_frame(oc, pkt);
    if (ret < 0) return fail("write", ret);
  }
}

// ------------------------------------------------------------ source

bool generateSource(const std::string &path) {
  MediaRecipe recipe;
  recipe.path = path + ".part.mov";
  recipe.width = 1920;
  recipe.height = 1080;
  recipe.rateNum = 30000;
  recipe.rateDen = 1001;
  recipe.durationSec = 30;
  recipe.videoCodec = "libx264";
  recipe.x264Preset = "veryfast";
  recipe.videoBitRate = 8000000;
  recipe.gopSize = 60;
  recipe.audioCodec = "aac";
  recipe.sampleRate = 48000;
  recipe.audioBitRate = 160000;
  const std::string err = generateMedia(recipe);
  if (!err.empty()) {
    std::fprintf(stderr, "cannot make the source: %s\n", err.c_str());
    return false;
  }
  fs::rename(recipe.path, path);
  return true;
}

// ------------------------------------------------------------ floor

struct FloorStream {
  int inIndex = -1;
  CodecPtr dec, enc;
  AVStream *st = nullptr;
  SwsPtr sws;
  SwrPtr swr;
  AudioFifoPtr fifo;
  FramePtr out;
  int64_t nextPts = 0;
};

// A scaler for the floor: with threads of its own for large pictures, as
// the converter makes it.
SwsContext *floorScaler(const AVCodecContext *dec, const AVCodecContext *enc, int threads) {
  if (threads <= 1 || static_cast<int64_t>(dec->width) * dec->height < 1280 * 720)
    return libswscale.sws_getContext(dec->width, dec->height, dec->pix_fmt, enc->width, enc->height, enc->pix_fmt,
                                     SWS_BICUBIC, nullptr, nullptr, nullptr);
  SwsContext *s = libswscale.sws_alloc_context();
  const std::pair<const char *, int64_t> settings[] = {
      {"srcw", dec->width}, {"srch", dec->height}, {"src_format", dec->pix_fmt}, {"dstw", enc->width},
      {"dsth", enc->height}, {"dst_format", enc->pix_fmt}, {"sws_flags", SWS_BICUBIC}, {"threads", threads}};
  for (const auto &[name, value] : settings) libavutil.av_opt_set_int(s, name, value, 0);
  if (libswscale.sws_init_context(s, nullptr, nullptr) < 0) {
    libswscale.sws_freeContext(s);
    return nullptr;
  }
  return s;
}

// The shortest loop: decode, scale, encode, write, with `threads` threads
// in the video codecs and the scaler (0: every core), one thread for the
// rest.
bool runFloor(const Case &c, int threads, const std::string &src, const std::string &outPath) {
  if (threads <= 0) threads = coreCount();
  AVFormatContext *raw = nullptr;
  if (libavformat.avformat_open_input(&raw, src.c_str(), nullptr, nullptr) < 0) return fail("open input");
  InPtr ic(raw);
  if (libavformat.avformat_find_stream_info(ic.get(), nullptr) < 0) return fail("stream info");
  raw = nullptr;
  if (libavformat.avformat_alloc_output_context2(&raw, nullptr, nullptr, outPath.c_str()) < 0) return fail("output");
  OutPtr oc(raw);

  FloorStream video, audio;
  auto openDecoder = [&](FloorStream &s, AVMediaType type) {
    for (unsigned i = 0; i < ic->nb_streams; ++i)
      if (ic->streams[i]->codecpar->codec_type == type) {
        s.inIndex = static_cast<int>(i);
        break;
      }
    if (s.inIndex < 0) return false;
    AVStream *st = ic->streams[s.inIndex];
    const AVCodec *d = libavcodec.avcodec_find_decoder(st->codecpar->codec_id);
    s.dec.reset(libavcodec.avcodec_alloc_context3(d));
    libavcodec.avcodec_parameters_to_context(s.dec.get(), st->codecpar);
    s.dec->pkt_timebase = st->time_base;
    s.dec->thread_count = type == AVMEDIA_TYPE_VIDEO ? threads : 1;
    s.dec->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    return libavcodec.avcodec_open2(s.dec.get(), d, nullptr) >= 0;
  };
  const bool globalHeader = oc->oformat->flags & AVFMT_GLOBALHEADER;
  bool threadedScaler = false;
  if (*c.vcodec) {
    if (!openDecoder(video, AVMEDIA_TYPE_VIDEO)) return fail("video decoder");
    const AVCodec *e = libavcodec.avcodec_find_encoder_by_name(c.vcodec);
    video.enc.reset(libavcodec.avcodec_alloc_context3(e));
    AVCodecContext *enc = video.enc.get();
    enc->width = c.width ? c.width : video.dec->width;
    enc->height = c.height ? c.height : video.dec->height;
    enc->pix_fmt = e->pix_fmts ? e->pix_fmts[0] : AV_PIX_FMT_YUV420P;
    const AVRational fr = ic->streams[video.inIndex]->r_frame_rate;
    enc->time_base = AVRational{fr.den, fr.num};
    enc->framerate = fr;
    enc->sample_aspect_ratio = video.dec->sample_aspect_ratio;
    if (c.videoBitRate) enc->bit_rate = c.videoBitRate;
    enc->thread_count = threads;
    if (globalHeader) enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (libavcodec.avcodec_open2(enc, e, nullptr) < 0) return fail("video encoder");
    video.st = libavformat.avformat_new_stream(oc.get(), nullptr);
    libavcodec.avcodec_parameters_from_context(video.st->codecpar, enc);
    video.st->time_base = enc->time_base;
    video.st->sample_aspect_ratio = enc->sample_aspect_ratio;
    if (enc->width != video.dec->width || enc->height != video.dec->height || enc->pix_fmt != video.dec->pix_fmt)
      video.sws.reset(floorScaler(video.dec.get(), enc, threads));
    threadedScaler = threads > 1 && video.dec->width * video.dec->height >= 1280 * 720;
    video.out.reset(libavutil.av_frame_alloc());
  }
  {
    if (!openDecoder(audio, AVMEDIA_TYPE_AUDIO)) return fail("audio decoder");
    const AVCodec *e = libavcodec.avcodec_find_encoder_by_name(c.acodec);
    audio.enc.reset(libavcodec.avcodec_alloc_context3(e));
    AVCodecContext *enc = audio.enc.get();
    enc->sample_fmt = e->sample_fmts ? e->sample_fmts[0] : AV_SAMPLE_FMT_S16;
    enc->sample_rate = c.sampleRate;
    libavutil.av_channel_layout_default(&enc->ch_layout, c.channels);
    enc->bit_rate = c.audioBitRate;
    enc->time_base = AVRational{1, c.sampleRate};
    enc->thread_count = 1;
    if (globalHeader) enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (libavcodec.avcodec_open2(enc, e, nullptr) < 0) return fail("audio encoder");
    audio.st = libavformat.avformat_new_stream(oc.get(), nullptr);
    libavcodec.avcodec_parameters_from_context(audio.st->codecpar, enc);
    audio.st->time_base = enc->time_base;
    SwrContext *s = nullptr;
    AVChannelLayout inLayout{};
    libavutil.av_channel_layout_default(&inLayout, audio.dec->ch_layout.nb_channels);
    libswresample.swr_alloc_set_opts2(&s, &enc->ch_layout, enc->sample_fmt, enc->sample_rate, &inLayout,
                                      audio.dec->sample_fmt, audio.dec->sample_rate, 0, nullptr);
    audio.swr.reset(s);
    if (libswresample.swr_init(s) < 0) return fail("swr");
    audio.fifo.reset(libavutil.av_audio_fifo_alloc(enc->sample_fmt, c.channels, 4096));
    audio.out.reset(libavutil.av_frame_alloc());
  }
  for (unsigned i = 0; i < ic->nb_streams; ++i)
    if (static_cast<int>(i) != video.inIndex && static_cast<int>(i) != audio.inIndex)
      ic->streams[i]->discard = AVDISCARD_ALL;
  if (!*c.vcodec && video.inIndex < 0)
    for (unsigned i = 0; i < ic->nb_streams; ++i)
      if (ic->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) ic->streams[i]->discard = AVDISCARD_ALL;
  if (libavformat.avio_open(&oc->pb, outPath.c_str(), AVIO_FLAG_WRITE) < 0) return fail("create output");
  if (libavformat.avformat_write_header(oc.get(), nullptr) < 0) return fail("header");

  PacketPtr pkt(libavcodec.av_packet_alloc()), opkt(libavcodec.av_packet_alloc());
  FramePtr frame(libavutil.av_frame_alloc()), conv(libavutil.av_frame_alloc());

  auto videoFrame = [&](AVFrame *f) {
    AVCodecContext *enc = video.enc.get();
    AVFrame *in = f;
    if (video.sws) {
      AVFrame *o = video.out.get();
      if (!o->buf[0] || !libavutil.av_frame_is_writable(o)) {
        libavutil.av_frame_unref(o);
        o->format = enc->pix_fmt;
        o->width = enc->width;
        o->height = enc->height;
        libavutil.av_frame_get_buffer(o, 0);
      }
      if (threadedScaler)
        libswscale.sws_scale_frame(video.sws.get(), o, f);
      else
        libswscale.sws_scale(video.sws.get(), f->data, f->linesize, 0, f->height, o->data, o->linesize);
      in = o;
    }
    in->pts = video.nextPts++;
    in->pict_type = AV_PICTURE_TYPE_NONE;
    return encodeWrite(oc.get(), enc, video.st, in, opkt.get());
  };
  auto audioFrames = [&](AVFrame *f, bool flush) {
    AVCodecContext *enc = audio.enc.get();
    if (f) {
      const int cap = libswresample.swr_get_out_samples(audio.swr.get(), f->nb_samples);
      AVFrame *cv = conv.get();
      if (cv->nb_samples < cap) {
        libavutil.av_frame_unref(cv);
        cv->nb_samples = cap;
        cv->format = enc->sample_fmt;
        libavutil.av_channel_layout_copy(&cv->ch_layout, &enc->ch_layout);
        if (libavutil.av_frame_get_buffer(cv, 0) < 0) return false;
      }
      const int got = libswresample.swr_convert(audio.swr.get(), cv->extended_data, cap,
                                                const_cast<const uint8_t **>(f->extended_data), f->nb_samples);
      if (got > 0) libavutil.av_audio_fifo_write(audio.fifo.get(), reinterpret_cast<void **>(cv->extended_data), got);
    }
    const int fs = enc->frame_size > 0 ? enc->frame_size : 1024;
    while (libavutil.av_audio_fifo_size(audio.fifo.get()) >= fs ||
           (flush && libavutil.av_audio_fifo_size(audio.fifo.get()) > 0)) {
      AVFrame *o = audio.out.get();
      libavutil.av_frame_unref(o);
      o->nb_samples = std::min(fs, libavutil.av_audio_fifo_size(audio.fifo.get()));
      o->format = enc->sample_fmt;
      o->sample_rate = enc->sample_rate;
      libavutil.av_channel_layout_copy(&o->ch_layout, &enc->ch_layout);
      libavutil.av_frame_get_buffer(o, 0);
      libavutil.av_audio_fifo_read(audio.fifo.get(), reinterpret_cast<void **>(o->extended_data), o->nb_samples);
      o->pts = audio.nextPts;
      audio.nextPts += o->nb_samples;
      if (!encodeWrite(oc.get(), enc, audio.st, o, opkt.get())) return false;
    }
    return true;
  };
  auto decode = [&](FloorStream &s, const AVPacket *p) {
    libavcodec.avcodec_send_packet(s.dec.get(), p);
    while (libavcodec.avcodec_receive_frame(s.dec.get(), frame.get()) >= 0) {
      const bool ok = (&s == &video) ? videoFrame(frame.get()) : audioFrames(frame.get(), false);
      libavutil.av_frame_unref(frame.get());
      if (!ok) return false;
    }
    return true;
  };
  while (libavformat.av_read_frame(ic.get(), pkt.get()) >= 0) {
    bool ok = true;
    if (video.dec && pkt->stream_index == video.inIndex) ok = decode(video, pkt.get());
    if (pkt->stream_index == audio.inIndex) ok = decode(audio, pkt.get());
    libavcodec.av_packet_unref(pkt.get());
    if (!ok) return false;
  }
  if (video.dec) {
    if (!decode(video, nullptr)) return false;
    if (!encodeWrite(oc.get(), video.enc.get(), video.st, nullptr, opkt.get())) return false;
  }
  if (!decode(audio, nullptr) || !audioFrames(nullptr, true)) return false;
  if (!encodeWrite(oc.get(), audio.enc.get(), audio.st, nullptr, opkt.get())) return false;
  if (libavformat.av_write_trailer(oc.get()) < 0) return fail("trailer");
  return true;
}

// ------------------------------------------------------------ measuring

struct Measure {
  bool ok = false;
  double wall = 0, cpu = 0;
  double peakMiB = 0;
};

// Runs `argv` as a child process and measures it.
Measure runChild(const std::vector<std::string> &argv) {
  Measure m;
  std::vector<char *> args;
  for (const std::string &a : argv) args.push_back(const_cast<char *>(a.c_str()));
  args.push_back(nullptr);
  const auto t0 = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    const int devnull = open("/dev/null", O_WRONLY);
    if (devnull >= 0) dup2(devnull, STDOUT_FILENO);
    execv(args[0], args.data());
    _exit(127);
  }
  if (pid < 0) return m;
  int status = 0;
  struct rusage ru {};
  wait4(pid, &status, 0, &ru);
  m.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  m.cpu = ru.ru_utime.tv_sec + ru.ru_utime.tv_usec / 1e6 + ru.ru_stime.tv_sec + ru.ru_stime.tv_usec / 1e6;
  m.peakMiB = ru.ru_maxrss / 1024.0;
  m.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return m;
}

// One side of one case, in a folder of its own (the converter names its
// output after the source).
Measure runSide(const Case &c, const Side &s, const std::string &source, const std::string &work, bool keep) {
  const fs::path dir = fs::path(work) / (std::string(c.name) + "-" + (s.engine ? "engine" : "floor") + "-" +
                                         std::to_string(s.threads));
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::string threads = std::to_string(s.threads);
  std::vector<std::string> argv;
  if (s.engine) {
    argv = {(fs::path(programDir()) / "trevix-convert").string(), "--quiet", "--profile", c.profile, "--threads",
            threads, "-o", dir.string(), source};
  } else {
    const std::string index = std::to_string(&c - kCases);
    argv = {(fs::path(programDir()) / "transcode_bench").string(), "--child", index, threads, source,
            (dir / (std::string("floor.") + c.ext)).string()};
  }
  const Measure m = runChild(argv);
  if (!keep) fs::remove_all(dir);
  return m;
}

int childMain(int argc, char **argv) {
  if (argc < 6) return 2;
  const int index = std::atoi(argv[2]);
  if (index < 0 || index >= static_cast<int>(std::size(kCases))) return 2;
  if (!bind()) return 3;
  return runFloor(kCases[index], std::atoi(argv[3]), argv[4], argv[5]) ? 0 : 1;
}

std::string commandLine(const char *command) {
  std::string out;
  if (FILE *p = popen(command, "r")) {
    char buf[512];
    while (std::fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
  return out;
}

std::string processorName() {
  const std::string model = commandLine("lscpu 2>/dev/null | sed -n 's/^Model name: *//p' | head -n 1");
  return model.empty() ? "unknown processor" : model;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc > 1 && std::strcmp(argv[1], "--child") == 0) return childMain(argc, argv);
  int repeat = 1;
  bool keep = false;
  std::string work = (fs::temp_directory_path() / "trevix-bench").string();
  std::string source;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--repeat" && i + 1 < argc) repeat = std::max(1, std::atoi(argv[++i]));
    else if (a == "--keep") keep = true;
    else if (a == "--work" && i + 1 < argc) work = argv[++i];
    else if (a == "--source" && i + 1 < argc) source = argv[++i];
    else {
      std::fprintf(stderr, "usage: %s [--repeat N] [--keep] [--work DIR] [--source FILE]\n", argv[0]);
      return 2;
    }
  }
  if (!fs::exists(fs::path(programDir()) / "trevix-convert")) {
    std::fprintf(stderr, "trevix-convert is not built next to %s\n", argv[0]);
    return 1;
  }
  if (!bind()) return 1;
  fs::create_directories(work);
  if (source.empty()) source = (fs::path(work) / "source-1920x1080-29.97fps-30s.mov").string();
  if (!fs::exists(source)) {
    std::printf("generating %s ...\n", source.c_str());
    std::fflush(stdout);
    if (!generateSource(source)) return 1;
  }

  std::printf("machine: %s, %d cores\n", processorName().c_str(), coreCount());
  std::printf("load before: %s\n", commandLine("uptime").c_str());
  std::printf("source: %s; best of %d run%s\n\n", source.c_str(), repeat, repeat > 1 ? "s" : "");
  std::printf("%-26s %-18s %9s %9s %10s %8s %8s\n", "profile", "run", "wall", "cpu", "peak", "wall x", "cpu x");
  std::fflush(stdout);
  bool allOk = true;
  for (const Case &c : kCases) {
    Measure best[std::size(kSides)];
    for (int r = 0; r < repeat; ++r) {
      for (size_t s = 0; s < std::size(kSides); ++s) {
        const Measure m = runSide(c, kSides[s], source, work, keep);
        if (!m.ok) {
          std::fprintf(stderr, "%s failed for %s\n", kSides[s].label, c.profile);
          allOk = false;
        }
        if (r == 0) {
          best[s] = m;
        } else {
          best[s].wall = std::min(best[s].wall, m.wall);
          best[s].cpu = std::min(best[s].cpu, m.cpu);
          best[s].peakMiB = std::max(best[s].peakMiB, m.peakMiB);
        }
      }
    }
    // Each all-cores run against the one-thread run of its kind.
    for (size_t s = 0; s < std::size(kSides); ++s) {
      const Measure &one = best[s % 2 == 0 ? s + 1 : s];
      std::printf("%-26s %-18s %8.2fs %8.2fs %6.1fMiB %7.3f %7.3f\n", s == 0 ? c.profile : "", kSides[s].label,
                  best[s].wall, best[s].cpu, best[s].peakMiB, best[s].wall / one.wall, best[s].cpu / one.cpu);
    }
    std::fflush(stdout);
  }
  std::printf("\nload after: %s\n", commandLine("uptime").c_str());
  return allOk ? 0 : 1;
}
