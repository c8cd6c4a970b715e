#include "target_size.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iterator>

#include "pipeline_text.h"

namespace {

// The container's share of the output (index, headers) and the margin kept
// for the encoder's rate control, which lands within a few per cent.
constexpr double kContainerShare = 0.02;
constexpr int64_t kContainerBytes = 4096;
constexpr double kRateMargin = 0.05;

bool videoEncoded(const OutputOptions &o) { return !o.vn && o.vcodec != "copy"; }
bool audioEncoded(const OutputOptions &o) { return !o.an && o.acodec != "copy"; }

int64_t streamBytes(int64_t bitRate, int64_t durationMs) { return bitRate * durationMs / 8000; }

std::string kbitText(int32_t bitRate) { return std::to_string((bitRate + 500) / 1000) + " kbit/s"; }

}  // namespace

std::optional<int64_t> parseSizeText(const std::string &text) {
  const std::string t = trimText(text);
  double value = 0;
  const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
  if (ec != std::errc() || end == t.data() || !(value > 0)) return std::nullopt;
  const std::string unit = lowerText(trimText(std::string(end, t.data() + t.size())));
  static const struct {
    const char *name;
    double bytes;
  } kUnits[] = {{"", 1},          {"b", 1},          {"kb", 1e3},          {"mb", 1e6},
                {"gb", 1e9},      {"kib", 1024.0},   {"mib", 1048576.0},   {"gib", 1073741824.0}};
  for (const auto &u : kUnits) {
    if (unit != u.name) continue;
    const double bytes = std::floor(value * u.bytes);
    if (bytes < 1 || bytes > 1e15) return std::nullopt;
    return static_cast<int64_t>(bytes);
  }
  return std::nullopt;
}

std::string sizeText(int64_t bytes) {
  if (bytes < 1000000) return std::to_string((bytes + 999) / 1000) + " KB";
  return roundedDecimalText(static_cast<double>(bytes) / 1e6, 1) + " MB";
}

int32_t lowestVideoBitRate(const std::string &encoder, int width, int height, double fps) {
  static const char *const kModern[] = {"libx264", "libx265", "libvpx-vp9", "libsvtav1", "libaom-av1"};
  const bool modern = std::find(std::begin(kModern), std::end(kModern), encoder) != std::end(kModern);
  const double bitsPerPoint = modern ? 0.002 : 0.006;
  const double rate = std::max(width, 0) * static_cast<double>(std::max(height, 0)) * std::max(fps, 0.0) * bitsPerPoint;
  return static_cast<int32_t>(std::clamp<double>(rate, kLowestVideoBitRate, 2e6));
}

FitPlan planFit(int64_t targetBytes, int64_t durationMs, const OutputOptions &o, int32_t lowestVideoRate) {
  FitPlan plan;
  const std::string what = "cannot fit " + formatDuration((durationMs + 999) / 1000, ":") + " into " +
                           sizeText(targetBytes);
  const int64_t budget = static_cast<int64_t>(static_cast<double>(targetBytes) * (1.0 - kContainerShare - kRateMargin)) -
                         kContainerBytes;
  plan.budgetBytes = std::max<int64_t>(budget, 0);
  durationMs = std::max<int64_t>(durationMs, 1);
  const bool video = videoEncoded(o);
  const bool audio = audioEncoded(o) && o.ab > 0;
  const int64_t audioBytes = audio ? streamBytes(o.ab, durationMs) : 0;
  if (!video) {
    // Sound only: the sound's rate fits the size.
    const int64_t rate = plan.budgetBytes * 8000 / durationMs;
    if (!audio) return plan;
    if (rate < kLowestAudioBitRate) {
      plan.possible = false;
      plan.reason = what + ": the sound needs at least " + sizeText(streamBytes(kLowestAudioBitRate, durationMs) + kContainerBytes);
      return plan;
    }
    if (rate < o.ab) plan.audioBitRate = static_cast<int32_t>(rate);
    return plan;
  }
  if (audioBytes >= plan.budgetBytes) {
    plan.possible = false;
    plan.reason = what + ": the sound alone needs " + sizeText(audioBytes);
    return plan;
  }
  const int64_t rate = (plan.budgetBytes - audioBytes) * 8000 / durationMs;
  if (rate < lowestVideoRate) {
    plan.possible = false;
    plan.reason = what + ": the picture at its lowest useful rate and the sound need " +
                  sizeText(streamBytes(lowestVideoRate, durationMs) + audioBytes + kContainerBytes);
    return plan;
  }
  const int64_t capped = std::min<int64_t>(rate, INT32_MAX);
  // A bit-rate profile whose own rate fits keeps it.
  if (o.vb <= 0 || capped < o.vb) plan.videoBitRate = static_cast<int32_t>(capped);
  return plan;
}

void applyFit(const FitPlan &plan, OutputOptions &o) {
  if (plan.audioBitRate > 0) o.ab = plan.audioBitRate;
  if (plan.videoBitRate <= 0) return;
  // A bit-rate profile encodes at the rate; a constant quality keeps its
  // quality wherever that stays under the rate (a simple clip stays as
  // small as it is) and is held to it by the rate-control buffer elsewhere.
  if (o.vb > 0) o.vb = plan.videoBitRate;
  o.maxrate = plan.videoBitRate;
  o.bufsize = plan.videoBitRate * 2;
}

std::string fitNote(int64_t targetBytes, const FitPlan &plan, const OutputOptions &o) {
  std::string note = "Fitting into " + sizeText(targetBytes) + ":";
  if (videoEncoded(o))
    note += " video " + (plan.videoBitRate > 0 ? kbitText(plan.videoBitRate) : std::string("at the profile's own rate"));
  if (audioEncoded(o) && o.ab > 0)
    note += std::string(videoEncoded(o) ? "," : "") + " sound " + kbitText(plan.audioBitRate > 0 ? plan.audioBitRate : o.ab);
  return note;
}
