// Opening an output file: its format, its streams (output_streams.cpp), its
// metadata, and the file itself.
#include "output_open.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <limits>
#include <system_error>

#include "binding.h"
#include "file_access.h"
#include "output_file.h"
#include "open_errors.h"
#include "option_copy.h"
#include "output_streams.h"
#include "text_format.h"
#include "transcode_task.h"

namespace {

struct StreamKinds {
  bool video = false;
  bool audio = false;
  bool subtitle = false;
};

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

// The muxer's name for its file: an absolute "file:" name, limited to the
// file protocol, so no part of a path is read as a protocol.
void setFileUrl(AVFormatContext *oc, const std::string &path) {
  libavutil.av_freep(&oc->url);
  oc->url = libavutil.av_strdup(("file:" + absolutePath(path)).c_str());
  libavutil.av_freep(&oc->protocol_whitelist);
  oc->protocol_whitelist = libavutil.av_strdup("file");
}

bool sameFile(const std::string &a, const std::string &b) {
  std::error_code ec;
  if (std::filesystem::equivalent(a, b, ec) && !ec) return true;
  const auto ca = std::filesystem::weakly_canonical(a, ec);
  if (ec) return false;
  const auto cb = std::filesystem::weakly_canonical(b, ec);
  return !ec && ca == cb;
}

// Which stream kinds the output gets: those its format has a default codec
// for or that a codec option names, if some input has them, less those
// "vn", "an" and "sn" turn off.
StreamKinds chooseStreamKinds(const OptionState &o, const std::vector<InputFile> &inputs, const AVOutputFormat *ofmt) {
  StreamKinds kinds;
  kinds.video = ofmt->video_codec != AV_CODEC_ID_NONE || o.videoStreamCopy || !o.videoCodecName.empty();
  kinds.audio = ofmt->audio_codec != AV_CODEC_ID_NONE || o.audioStreamCopy || !o.audioCodecName.empty();
  kinds.subtitle = ofmt->subtitle_codec != AV_CODEC_ID_NONE || o.subtitleStreamCopy || !o.subtitleCodecName.empty();
  if (!inputs.empty()) {
    bool v = false, a = false, s = false;
    try {
      checkInputKinds(inputs, v, a, s);
    } catch (const std::exception &e) {
      throw EngineError(formatText("check_audio_video_sub_inputs fail: %s", e.what()));
    }
    kinds.video = kinds.video && v;
    kinds.audio = kinds.audio && a;
    kinds.subtitle = kinds.subtitle && s;
  }
  if (o.videoDisable) kinds.video = false;
  if (o.audioDisable) kinds.audio = false;
  if (o.subtitleDisable) kinds.subtitle = false;
  return kinds;
}

// The streams in the order video, audio, subtitle; a builder's failure
// names the builder.
void buildStreams(OptionState &o, OutputFile &of, const StreamKinds &kinds) {
  auto build = [&](bool use, void (*builder)(OptionState &, OutputFile &), const char *failure) {
    if (!use) return;
    try {
      builder(o, of);
    } catch (const std::exception &e) {
      throw EngineError(formatText(failure, e.what()));
    }
  };
  build(kinds.video, buildVideoStream, "new_video_stream fail: %s");
  build(kinds.audio, buildAudioStream, "new_audio_stream fail: %s");
  build(kinds.subtitle, buildSubtitleStream, "new_subtitle_stream fail: %s");
}

void setMeta(AVFormatContext *oc, const char *key, const std::string &value, size_t maxLen) {
  if (value.empty()) return;
  libavutil.av_dict_set(&oc->metadata, key, value.substr(0, maxLen).c_str(), 0);
}

// The recording date ("timestamp") and the texts of the file.
void setFileMetadata(const MetadataOptions &o, AVFormatContext *oc) {
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
  if (std::strcmp(oc->oformat->name, "asf") == 0 || std::strcmp(oc->oformat->name, "rm") == 0)
    setMeta(oc, "author", o.author, 511);
  setMeta(oc, "copyright", o.copyright, 511);
  setMeta(oc, "comment", o.comment, 511);
  setMeta(oc, "album", o.album, 511);
  if (o.year > 0) setMeta(oc, "date", std::to_string(o.year), 31);
  if (o.track > 0) setMeta(oc, "track", std::to_string(o.track), 31);
  setMeta(oc, "genre", o.genre, 31);
}

// Creates the file under a temporary name (see OutputTarget, which also
// clears the folder of abandoned temporary files: the log names them), unless its
// name is one of the task's inputs or outputs (however it is spelled), or
// names an existing file while replacing is not allowed ("y"). Returns the
// reason of a failure, or an empty text.
std::string createOutputFile(TranscodeTask &task, OutputFile &added, const std::string &fileName) {
  const std::string couldNotOpen = formatText("Could not open '%s'", fileName.c_str());
  for (const InputFile &in : task.inputFiles)
    if (sameFile(in.fileName, fileName)) return couldNotOpen;
  for (const auto &other : task.transcoder.outputFiles)
    if (other.get() != &added && other->fileCreated && sameFile(other->fileName, fileName)) return couldNotOpen;
  std::error_code ec;
  if (!task.options.overwriteOutput && std::filesystem::exists(std::filesystem::symlink_status(fileName, ec)))
    return formatText("Could not open '%s': %s", fileName.c_str(), std::strerror(EEXIST));
  std::string error;
  std::vector<std::string> abandoned;
  added.target = OutputTarget::create(fileName, error, &abandoned);
  for (const std::string &path : abandoned)
    task.log(LogLevel::Info, "Removed the temporary file of a conversion that did not end: " + path);
  if (!added.target) return error;
  AVFormatContext *oc = added.ctx;
  oc->pb = added.target->io();
  oc->flags |= AVFMT_FLAG_CUSTOM_IO;
  // A muxer that reads its file back (to move the index to the front) finds
  // it under the temporary name, through the file protocol alone.
  setFileUrl(oc, added.target->temporaryPath());
  oc->interrupt_callback = interruptCallbackFor(task.dropFlag());
  added.replaceExisting = task.options.overwriteOutput != 0;
  added.keepAtMostBytes = task.options.keepAtMostBytes;
  added.fileCreated = true;
  return {};
}

void applyContainerSettings(const OptionState &o, AVFormatContext *oc) {
  oc->max_delay = microsOf<int>(o.muxMaxDelay);
  if (oc->priv_data) {
    libavutil.av_opt_set_int(oc->priv_data, "preload", microsOf<int64_t>(o.muxPreload), 0);
    if (o.loopOutput >= 0) libavutil.av_opt_set_int(oc->priv_data, "loop", o.loopOutput, 0);
  }
  if (o.formatDefaults)
    copyNamedOptions(o.setOptionNames, o.formatDefaults.get(), oc, AV_OPT_FLAG_ENCODING_PARAM);
}

}  // namespace

void checkInputKinds(const std::vector<InputFile> &inputs, bool &hasVideo, bool &hasAudio, bool &hasSubtitle) {
  hasVideo = hasAudio = hasSubtitle = false;
  for (const InputFile &in : inputs) {
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

bool openOutputFile(TranscodeTask &task, const std::string &fileName) {
  OptionState &o = task.options;
  // Whatever happens, the formats given for this file are consumed.
  auto fail = [&](const std::string &message) {
    task.lastError = message;
    o.outputFormat = nullptr;
    o.inputFormat = nullptr;
    return false;
  };
  const std::string couldNotOpen = formatText("Could not open '%s'", fileName.c_str());
  if (!librariesLoaded() || task.transcoder.outputFiles.size() >= static_cast<size_t>(kMaxFiles))
    return fail(couldNotOpen);
  auto of = std::make_unique<OutputFile>();
  of->fileName = fileName.substr(0, 1023);
  const AVOutputFormat *ofmt = o.outputFormat;
  if (!ofmt) ofmt = libavformat.av_guess_format(nullptr, fileName.c_str(), nullptr);
  if (!ofmt) return fail(formatText("Unable to find a suitable output format for '%s'", fileName.c_str()));
  if (libavformat.avformat_alloc_output_context2(&of->ctx, ofmt, nullptr, of->fileName.c_str()) < 0 || !of->ctx)
    return fail(couldNotOpen);
  // A streaming-server feed is not supported by this engine.
  if (std::strcmp(ofmt->name, "ffm") == 0 && fileName.rfind("http:", 0) == 0) return fail(couldNotOpen);
  try {
    buildStreams(o, *of, chooseStreamKinds(o, task.inputFiles, ofmt));
  } catch (const std::exception &e) {
    return fail(e.what());
  }
  setFileMetadata(o, of->ctx);

  // From here on the output counts, also if a later step fails.
  OutputFile &added = *of;
  task.transcoder.outputFiles.push_back(std::move(of));
  task.numOutputFiles = task.transcoder.outputCount();
  if ((ofmt->flags & AVFMT_NEEDNUMBER) && !libavformat.av_filename_number_test(fileName.c_str()))
    return fail(openErrorText(kOpenErrorImageNameSyntax, fileName));
  if (!(ofmt->flags & AVFMT_NOFILE)) {
    const std::string failure = createOutputFile(task, added, fileName);
    if (!failure.empty()) return fail(failure);
  } else {
    setFileUrl(added.ctx, fileName);  // the format opens its files itself
  }
  applyContainerSettings(o, added.ctx);
  o.outputFormat = nullptr;
  o.inputFormat = nullptr;
  return true;
}
