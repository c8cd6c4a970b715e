// The typed setters of the option language: each does what the option of
// the same name does, with an already converted value. The records
// (records.cpp) and the presets set options through them.
#include "option_setters.h"

#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "binding.h"
#include "option_values.h"
#include "text_format.h"

namespace {
// "pgmyuv" is read and written by the image-sequence format today.
std::string currentFormatName(OptionState &o, OptionHost &host, const std::string &name) {
  if (name != "pgmyuv") return name;
  o.pgmyuvCompat = 1;
  host.log(LogLevel::Info, "pgmyuv format is deprecated, use image2");
  return "image2";
}
}  // namespace

void OptionSetters::setFormat(const std::string &givenName) {
  if (givenName.empty()) return;
  const std::string name = currentFormatName(options_, host_, givenName);
  options_.inputFormat = libavformat.av_find_input_format(name.c_str());
  options_.outputFormat = libavformat.av_guess_format(name.c_str(), nullptr, nullptr);
  if (!options_.inputFormat && !options_.outputFormat)
    throw EngineError("Unknown input or output format: " + name);
}

void OptionSetters::setInputFormat(const std::string &givenName) {
  if (givenName.empty()) return;
  const std::string name = currentFormatName(options_, host_, givenName);
  options_.inputFormat = libavformat.av_find_input_format(name.c_str());
  if (!options_.inputFormat) throw EngineError("Unknown input format: " + name);
}

void OptionSetters::setOutputFormat(const std::string &givenName) {
  if (givenName.empty()) return;
  const std::string name = currentFormatName(options_, host_, givenName);
  options_.outputFormat = libavformat.av_guess_format(name.c_str(), nullptr, nullptr);
  if (!options_.outputFormat) throw EngineError("Unknown output format: " + name);
}

void OptionSetters::setFrameRate(const std::string &text) {
  AVRational r{0, 0};
  if (libavutil.av_parse_video_rate(&r, text.c_str()) < 0) throw EngineError("Incorrect frame rate");
  options_.videoFrameRate = r;
  options_.frameRateFromSource = false;
}

void OptionSetters::setFrameSize(const std::string &text) {
  int w = 0, h = 0;
  if (libavutil.av_parse_video_size(&w, &h, text.c_str()) < 0) throw EngineError("Incorrect frame size");
  if ((w % 2) != 0 || (h % 2) != 0) throw EngineError("Frame size must be a multiple of 2");
  options_.frameWidth = w;
  options_.frameHeight = h;
}

void OptionSetters::setAspect(const std::string &text) {
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
  options_.frameAspectRatio = static_cast<float>(ratio);
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

void OptionSetters::setCropTop(int v) { cropSide(v, "Top", options_.cropTop, options_.frameHeight, kVerticalCrop); }
void OptionSetters::setCropBottom(int v) {
  cropSide(v, "Bottom", options_.cropBottom, options_.frameHeight, kVerticalCrop);
}
void OptionSetters::setCropLeft(int v) { cropSide(v, "Left", options_.cropLeft, options_.frameWidth, kHorizontalCrop); }
void OptionSetters::setCropRight(int v) {
  cropSide(v, "Right", options_.cropRight, options_.frameWidth, kHorizontalCrop);
}
void OptionSetters::setPadTop(int v) { padSide(v, "Top", options_.padTop); }
void OptionSetters::setPadBottom(int v) { padSide(v, "Bottom", options_.padBottom); }
void OptionSetters::setPadLeft(int v) { padSide(v, "Left", options_.padLeft); }
void OptionSetters::setPadRight(int v) { padSide(v, "Right", options_.padRight); }

void OptionSetters::setPadColor(uint32_t rgb) {
  const int r = rgb & 0xFF, g = (rgb >> 8) & 0xFF, b = (rgb >> 16) & 0xFF;
  // Full-range YCbCr in 10-bit fixed point; >> on a negative int floors.
  options_.padColorY = (307 * r + 602 * g + 117 * b + 512) >> 10;
  options_.padColorU = ((-173 * r - 340 * g + 512 * b + 511) >> 10) + 128;
  options_.padColorV = ((512 * r - 429 * g - 84 * b + 511) >> 10) + 128;
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

void OptionSetters::setVideoCodec(const std::string &n) { codecName(n, options_.videoCodecName, options_.videoStreamCopy); }
void OptionSetters::setAudioCodec(const std::string &n) { codecName(n, options_.audioCodecName, options_.audioStreamCopy); }
void OptionSetters::setSubtitleCodec(const std::string &n) {
  codecName(n, options_.subtitleCodecName, options_.subtitleStreamCopy);
}
void OptionSetters::setVideoTag(const std::string &tag) {
  options_.videoCodecTag = fourCC(tag, "video tag parameter must be 4 chars");
}
void OptionSetters::setAudioTag(const std::string &tag) {
  options_.audioCodecTag = fourCC(tag, "audio tag parameter must be 4 chars");
}
void OptionSetters::setAudioSampleRate(int hz) {
  if (hz > 0) options_.audioSampleRate = hz;
}
void OptionSetters::setAudioChannels(int channels) {
  if (channels > 0) options_.audioChannels = channels;
}
void OptionSetters::setAudioVolume(int volume) {
  if (volume >= 0) options_.audioVolume = volume;
}
void OptionSetters::setVideoSyncMethod(int method) { options_.videoSyncMethod = method; }
void OptionSetters::setAudioSyncMethod(int method) { options_.audioSyncMethod = method; }
void OptionSetters::setMuxDelay(float seconds) {
  if (seconds > 0) options_.muxMaxDelay = seconds;
}
void OptionSetters::setMuxPreload(float seconds) {
  if (seconds > 0) options_.muxPreload = seconds;
}
void OptionSetters::setTitle(const std::string &s) {
  if (!s.empty()) options_.title = s;
}
void OptionSetters::setAuthor(const std::string &s) {
  if (!s.empty()) options_.author = s;
}
void OptionSetters::setCopyright(const std::string &s) {
  if (!s.empty()) options_.copyright = s;
}
void OptionSetters::setComment(const std::string &s) {
  if (!s.empty()) options_.comment = s;
}
void OptionSetters::setAlbum(const std::string &s) {
  if (!s.empty()) options_.album = s;
}
void OptionSetters::setGenre(const std::string &s) {
  if (!s.empty()) options_.genre = s;
}
void OptionSetters::setYear(int year) {
  if (year > 0) options_.year = year;
}
void OptionSetters::setTrack(int track) {
  if (track > 0) options_.track = track;
}
void OptionSetters::setStartTimeUs(int64_t us) {
  if (us > 0) options_.inputStartTime = us;
}
void OptionSetters::setProgramId(int id) {
  if (id >= 0) options_.programId = id;
}
void OptionSetters::setRecordingTimeMs(int64_t ms) {
  if (ms <= 0) return;
  options_.expectedDurationMs = static_cast<int32_t>(std::min<int64_t>(ms, INT32_MAX));
  options_.recordingTime = ms * 1000;
}
void OptionSetters::setTimestamp(int64_t secondsSince1970) { options_.recTimestamp = secondsSince1970; }
void OptionSetters::setAudioLanguage(const std::string &s) { options_.audioLanguage = s; }
void OptionSetters::setSubtitleLanguage(const std::string &s) { options_.subtitleLanguage = s; }
void OptionSetters::setCopyTs(bool on) { options_.copyTs = on ? 1 : 0; }
void OptionSetters::setVideoDisable() { options_.videoDisable = 1; }
void OptionSetters::setAudioDisable() { options_.audioDisable = 1; }
void OptionSetters::setSubtitleDisable() { options_.subtitleDisable = 1; }

// ---------------------------------------------------------------------------
// Pixel formats, matrices, hooks

void OptionSetters::listPixelFormats() {
  if (!host_.hasLogSink()) return;
  for (int i = -1; i < 40; ++i) {
    char line[128] = {};
    libavutil.av_get_pix_fmt_string(line, sizeof line, static_cast<AVPixelFormat>(i));
    host_.log(LogLevel::Info, trimText(line));
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

void OptionSetters::setIntraMatrix(const std::string &text) { options_.intraMatrix = parseMatrix(text); }
void OptionSetters::setInterMatrix(const std::string &text) { options_.interMatrix = parseMatrix(text); }

void OptionSetters::addVideoHookModule(const std::string &value) {
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
  const int rc = tokens.empty() ? -2 : addVideoHook(host_.hookModules(), static_cast<int>(tokens.size()), argv.data());
  if (rc != 0) throw EngineError("Failed to add video hook function: " + value);
  options_.usingVhook = 1;
}

void OptionSetters::logF(LogLevel level, const char *format, ...) {
  if (!host_.hasLogSink()) return;
  va_list args;
  va_start(args, format);
  const std::string text = formatTextV(format, args);
  va_end(args);
  host_.log(level, text);
}
