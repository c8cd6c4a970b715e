// The typed setters of the option language: each does what the option of
// the same name does, with an already converted value. The records
// (records.cpp) and the presets set options through them.
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "binding.h"
#include "option_values.h"
#include "text_format.h"
#include "transcode_task.h"

namespace {
// "pgmyuv" is read and written by the image-sequence format today.
std::string currentFormatName(TranscodeTask &t, const std::string &name) {
  if (name != "pgmyuv") return name;
  t.options.pgmyuvCompat = 1;
  t.log(1, "pgmyuv format is deprecated, use image2");
  return "image2";
}
}  // namespace

void TranscodeTask::setFormat(const std::string &givenName) {
  if (givenName.empty()) return;
  const std::string name = currentFormatName(*this, givenName);
  options.inputFormat = libavformat.av_find_input_format(name.c_str());
  options.outputFormat = libavformat.av_guess_format(name.c_str(), nullptr, nullptr);
  if (!options.inputFormat && !options.outputFormat)
    throw EngineError("Unknown input or output format: " + name);
}

void TranscodeTask::setInputFormat(const std::string &givenName) {
  if (givenName.empty()) return;
  const std::string name = currentFormatName(*this, givenName);
  options.inputFormat = libavformat.av_find_input_format(name.c_str());
  if (!options.inputFormat) throw EngineError("Unknown input format: " + name);
}

void TranscodeTask::setOutputFormat(const std::string &givenName) {
  if (givenName.empty()) return;
  const std::string name = currentFormatName(*this, givenName);
  options.outputFormat = libavformat.av_guess_format(name.c_str(), nullptr, nullptr);
  if (!options.outputFormat) throw EngineError("Unknown output format: " + name);
}

void TranscodeTask::setFrameRate(const std::string &text) {
  AVRational r{0, 0};
  if (libavutil.av_parse_video_rate(&r, text.c_str()) < 0) throw EngineError("Incorrect frame rate");
  options.videoFrameRate = r;
  options.frameRateFromSource = false;
}

void TranscodeTask::setFrameSize(const std::string &text) {
  int w = 0, h = 0;
  if (libavutil.av_parse_video_size(&w, &h, text.c_str()) < 0) throw EngineError("Incorrect frame size");
  if ((w % 2) != 0 || (h % 2) != 0) throw EngineError("Frame size must be a multiple of 2");
  options.frameWidth = w;
  options.frameHeight = h;
}

void TranscodeTask::setAspect(const std::string &text) {
  double ratio = 0.0;
  size_t colon = text.find(':');
  if (colon != std::string::npos) {
    const int x = intOr0(text.substr(0, colon));
    const int y = intOr0(text.substr(colon + 1));
    if (y > 0) ratio = static_cast<double>(x) / y;
  } else {
    ratio = floatOr0(text);
  }
  // A negative ratio ("-4:3", "-1.5") is as wrong as none, and so is one
  // that is no number at all ("nan", "inf").
  if (!(ratio > 0.0) || !std::isfinite(ratio)) throw EngineError("Incorrect aspect ratio specification.");
  options.frameAspectRatio = static_cast<float>(ratio);
}

namespace {
const char kVerticalCrop[] =
    "Vertical crop dimensions are outside the range of the original image.\n"
    "Remember to crop first and scale second.";
const char kHorizontalCrop[] =
    "Horizontal crop dimensions are outside the range of the original image.\n"
    "Remember to crop first and scale second.";

void cropSide(int v, const char *side, int &store, int &dimension, const char *rangeMessage) {
  if (v < 0) return;
  if (v % 2 != 0) throw EngineError(std::string(side) + " crop size must be a multiple of 2");
  if (v >= dimension) throw EngineError(rangeMessage);
  store = v;
  dimension -= v;
}

void padSide(int v, const char *side, int &store) {
  if (v < 0) return;
  if (v % 2 != 0) throw EngineError(std::string(side) + " pad size must be a multiple of 2");
  store = v;
}
}  // namespace

void TranscodeTask::setCropTop(int v) { cropSide(v, "Top", options.cropTop, options.frameHeight, kVerticalCrop); }
void TranscodeTask::setCropBottom(int v) {
  cropSide(v, "Bottom", options.cropBottom, options.frameHeight, kVerticalCrop);
}
void TranscodeTask::setCropLeft(int v) { cropSide(v, "Left", options.cropLeft, options.frameWidth, kHorizontalCrop); }
void TranscodeTask::setCropRight(int v) {
  cropSide(v, "Right", options.cropRight, options.frameWidth, kHorizontalCrop);
}
void TranscodeTask::setPadTop(int v) { padSide(v, "Top", options.padTop); }
void TranscodeTask::setPadBottom(int v) { padSide(v, "Bottom", options.padBottom); }
void TranscodeTask::setPadLeft(int v) { padSide(v, "Left", options.padLeft); }
void TranscodeTask::setPadRight(int v) { padSide(v, "Right", options.padRight); }

void TranscodeTask::setPadColor(uint32_t rgb) {
  const int r = rgb & 0xFF, g = (rgb >> 8) & 0xFF, b = (rgb >> 16) & 0xFF;
  // Full-range YCbCr in 10-bit fixed point; >> on a negative int floors.
  options.padColorY = (307 * r + 602 * g + 117 * b + 512) >> 10;
  options.padColorU = ((-173 * r - 340 * g + 512 * b + 511) >> 10) + 128;
  options.padColorV = ((512 * r - 429 * g - 84 * b + 511) >> 10) + 128;
}

namespace {
void codecName(const std::string &v, std::string &name, int &copy) {
  if (v.empty()) return;
  name.clear();
  if (v == "copy") copy = 1;
  else name = v;
}

uint32_t fourCC(const std::string &tag, const char *message) {
  if (tag.size() != 4) throw EngineError(message);
  return static_cast<uint32_t>(static_cast<unsigned char>(tag[0])) |
         static_cast<uint32_t>(static_cast<unsigned char>(tag[1])) << 8 |
         static_cast<uint32_t>(static_cast<unsigned char>(tag[2])) << 16 |
         static_cast<uint32_t>(static_cast<unsigned char>(tag[3])) << 24;
}
}  // namespace

void TranscodeTask::setVideoCodec(const std::string &n) { codecName(n, options.videoCodecName, options.videoStreamCopy); }
void TranscodeTask::setAudioCodec(const std::string &n) { codecName(n, options.audioCodecName, options.audioStreamCopy); }
void TranscodeTask::setSubtitleCodec(const std::string &n) {
  codecName(n, options.subtitleCodecName, options.subtitleStreamCopy);
}
void TranscodeTask::setVideoTag(const std::string &tag) {
  options.videoCodecTag = fourCC(tag, "video tag parameter must be 4 chars");
}
void TranscodeTask::setAudioTag(const std::string &tag) {
  options.audioCodecTag = fourCC(tag, "audio tag parameter must be 4 chars");
}
void TranscodeTask::setAudioSampleRate(int hz) {
  if (hz > 0) options.audioSampleRate = hz;
}
void TranscodeTask::setAudioChannels(int channels) {
  if (channels > 0) options.audioChannels = channels;
}
void TranscodeTask::setAudioVolume(int volume) {
  if (volume >= 0) options.audioVolume = volume;
}
void TranscodeTask::setVideoSyncMethod(int method) { options.videoSyncMethod = method; }
void TranscodeTask::setAudioSyncMethod(int method) { options.audioSyncMethod = method; }
void TranscodeTask::setMuxDelay(float seconds) {
  if (seconds > 0) options.muxMaxDelay = seconds;
}
void TranscodeTask::setMuxPreload(float seconds) {
  if (seconds > 0) options.muxPreload = seconds;
}
void TranscodeTask::setTitle(const std::string &s) {
  if (!s.empty()) options.title = s;
}
void TranscodeTask::setAuthor(const std::string &s) {
  if (!s.empty()) options.author = s;
}
void TranscodeTask::setCopyright(const std::string &s) {
  if (!s.empty()) options.copyright = s;
}
void TranscodeTask::setComment(const std::string &s) {
  if (!s.empty()) options.comment = s;
}
void TranscodeTask::setAlbum(const std::string &s) {
  if (!s.empty()) options.album = s;
}
void TranscodeTask::setGenre(const std::string &s) {
  if (!s.empty()) options.genre = s;
}
void TranscodeTask::setYear(int year) {
  if (year > 0) options.year = year;
}
void TranscodeTask::setTrack(int track) {
  if (track > 0) options.track = track;
}
void TranscodeTask::setStartTimeUs(int64_t us) {
  if (us > 0) options.inputStartTime = us;
}
void TranscodeTask::setProgramId(int id) {
  if (id >= 0) options.programId = id;
}
void TranscodeTask::setRecordingTimeMs(int64_t ms) {
  if (ms <= 0) return;
  options.expectedDurationMs = static_cast<int32_t>(std::min<int64_t>(ms, INT32_MAX));
  options.recordingTime = ms * 1000;
}
void TranscodeTask::setTimestamp(int64_t secondsSince1970) { options.recTimestamp = secondsSince1970; }
void TranscodeTask::setAudioLanguage(const std::string &s) { options.audioLanguage = s; }
void TranscodeTask::setSubtitleLanguage(const std::string &s) { options.subtitleLanguage = s; }
void TranscodeTask::setCopyTs(bool on) { options.copyTs = on ? 1 : 0; }
void TranscodeTask::setVideoDisable() { options.videoDisable = 1; }
void TranscodeTask::setAudioDisable() { options.audioDisable = 1; }
void TranscodeTask::setSubtitleDisable() { options.subtitleDisable = 1; }

// ---------------------------------------------------------------------------
// Pixel formats, matrices, hooks

void TranscodeTask::listPixelFormats() {
  if (!hasLogSink()) return;
  for (int i = -1; i < 40; ++i) {
    char line[128] = {};
    libavutil.av_get_pix_fmt_string(line, sizeof line, static_cast<AVPixelFormat>(i));
    log(1, trimText(line));
  }
}

namespace {
// 64 coefficients separated by ","; each the leading integer of what
// follows the previous comma.
std::vector<uint16_t> parseMatrix(const std::string &value) {
  std::vector<uint16_t> m(64, 0);
  const char *p = value.c_str();
  for (int i = 0; i < 64; ++i) {
    m[i] = static_cast<uint16_t>(std::atoi(p));
    if (i == 63) break;
    p = std::strchr(p, ',');
    if (!p) throw EngineError(formatText("Syntax error in matrix \"%s\" at coeff %d", value.c_str(), i));
    ++p;
  }
  return m;
}
}  // namespace

void TranscodeTask::setIntraMatrix(const std::string &text) { options.intraMatrix = parseMatrix(text); }
void TranscodeTask::setInterMatrix(const std::string &text) { options.interMatrix = parseMatrix(text); }

void TranscodeTask::addVideoHookModule(const std::string &value) {
  const char *separator = value.find('|') != std::string::npos ? "|" : " ";
  std::vector<std::string> tokens;
  size_t pos = 0;
  while (pos <= value.size() && tokens.size() < 254) {
    size_t next = value.find_first_of(separator, pos);
    std::string token = value.substr(pos, next == std::string::npos ? std::string::npos : next - pos);
    if (!token.empty()) tokens.push_back(token);
    if (next == std::string::npos) break;
    pos = next + 1;
  }
  std::vector<char *> argv;
  for (auto &t : tokens) argv.push_back(t.data());
  argv.push_back(nullptr);
  // A module name with a folder part is loaded from that folder by path.
  const int rc = tokens.empty() ? -2 : addVideoHook(videoHooks, static_cast<int>(tokens.size()), argv.data());
  if (rc != 0) throw EngineError("Failed to add video hook function: " + value);
  options.usingVhook = 1;
}
