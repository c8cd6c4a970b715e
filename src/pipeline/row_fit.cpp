#include "row_fit.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <utility>

#include "pipeline_text.h"

namespace {

// What the second pass leaves for the encoder's rate control, which lands
// within a per cent or two of its rate over a whole clip.
constexpr double kPassMargin = 0.03;
// An output over the size is encoded once more aiming this far below it.
constexpr int64_t kAgainPercent = 95;

bool videoEncoded(const OutputOptions &o) { return !o.vn && o.vcodec != "copy"; }

// The encoders whose first pass is a whole encode that writes statistics
// for the second (x264, and the libraries' own of the MPEG family). Others
// (libvpx writes no pictures in its first pass) run the first pass as a
// plain encode and the second at the rate alone.
bool keepsStatistics(const std::string &encoder) {
  static const char *const kEncoders[] = {"libx264", "mpeg4",      "msmpeg4",    "msmpeg4v2", "mpeg1video",
                                          "mpeg2video", "h263", "h263p", "flv", "wmv1", "wmv2"};
  return std::find(std::begin(kEncoders), std::end(kEncoders), encoder) != std::end(kEncoders);
}

std::string kbitText(int64_t bitRate) { return std::to_string((bitRate + 500) / 1000) + " kbit/s"; }

// The option lines without the constant-quality ones: the second pass
// encodes at a bit rate.
std::string withoutQuality(const std::string &lines) {
  static const char *const kQualityOptions[] = {"crf", "qscale", "q", "global_quality", "cq"};
  std::istringstream in(lines);
  std::string kept;
  for (std::string line; std::getline(in, line);) {
    const std::string name = lowerText(trimText(line.substr(0, line.find('='))));
    if (std::find(std::begin(kQualityOptions), std::end(kQualityOptions), name) != std::end(kQualityOptions)) continue;
    kept += (kept.empty() ? "" : "\n") + line;
  }
  return kept;
}

// The bits the pictures take at the encoder's coarsest quantiser, from the
// statistics of the libraries' own encoders (a line per picture: "q:" its
// quality, "itex:"/"ptex:" the bits of its texture, which shrink with the
// quantiser, "mv:" and "misc:" the rest). -1 when the files tell no such
// thing (x264 keeps statistics of its own, and reaches any rate).
int64_t coarsestVideoBits(const std::string &stem) {
  constexpr double kCoarsestLambda = 31.0 * 118.0;  // quantiser 31, in lambda units
  const std::filesystem::path path(stem);
  const std::string prefix = path.filename().string() + "-";
  int64_t bits = -1;
  std::error_code ec;
  for (const auto &e : std::filesystem::directory_iterator(path.parent_path(), ec)) {
    const std::string name = e.path().filename().string();
    if (name.rfind(prefix, 0) != 0 || name.size() < 4 || name.compare(name.size() - 4, 4, ".log") != 0) continue;
    std::ifstream in(e.path());
    for (std::string line; std::getline(in, line);) {
      const auto field = [&line](const char *key) -> double {
        const size_t at = line.find(key);
        return at == std::string::npos ? -1.0 : std::atof(line.c_str() + at + std::strlen(key));
      };
      const double q = field(" q:"), itex = field("itex:"), ptex = field("ptex:"), mv = field("mv:"), misc = field("misc:");
      if (q <= 0 || itex < 0 || ptex < 0 || mv < 0 || misc < 0) return -1;
      bits = std::max<int64_t>(bits, 0) +
             static_cast<int64_t>((itex + ptex + 1) * std::min(q, kCoarsestLambda) / kCoarsestLambda + mv + misc);
    }
  }
  return bits;
}

std::string withLine(const std::string &lines, const std::string &line) {
  return lines.empty() ? line : lines + "\n" + line;
}

}  // namespace

RowFit::RowFit(int64_t targetBytes, int64_t durationMs, const OutputOptions &profile, int width, int height,
               double fps, std::string passLogStem)
    : target_(targetBytes), durationMs_(std::max<int64_t>(durationMs, 1)), profile_(profile), stem_(std::move(passLogStem)) {
  record_.targetBytes = targetBytes;
  if (durationMs <= 0) {
    plan_.possible = false;
    reason_ = "cannot fit into " + sizeText(targetBytes) + ": the length of the clip is unknown";
    return;
  }
  lowestRate_ = lowestVideoBitRate(profile.vcodec, width, height, fps);
  plan_ = planFit(targetBytes, durationMs, profile, lowestRate_);
  reason_ = plan_.reason;
  if (!videoEncoded(profile)) {
    record_.videoBitRate = plan_.videoBitRate;
    record_.audioBitRate = plan_.audioBitRate;
    return;
  }
  mode_ = Mode::TwoPass;
  plan_.videoBitRate = -1;  // measured by the first pass
  record_.audioBitRate = plan_.audioBitRate;
}

RowFit::~RowFit() { removePassLogs(); }

RowFit::RowFit(RowFit &&other) noexcept
    : target_(other.target_),
      durationMs_(other.durationMs_),
      profile_(other.profile_),
      stem_(std::exchange(other.stem_, std::string())),
      mode_(other.mode_),
      plan_(std::move(other.plan_)),
      reason_(std::move(other.reason_)),
      encode_(other.encode_),
      videoRate_(other.videoRate_),
      lowestRate_(other.lowestRate_),
      record_(other.record_) {}

void RowFit::apply(OutputOptions &o) const {
  o.keepAtMostBytes = target_;
  if (mode_ == Mode::OnePass) {
    applyFit(plan_, o);
    return;
  }
  if (plan_.audioBitRate > 0) o.ab = plan_.audioBitRate;
  const bool statistics = keepsStatistics(o.vcodec);
  if (statistics) o.passLogFile = stem_;
  if (encode_ == 0) {
    // The profile's own encode, statistics written on the side (x264's
    // faster first pass would give another picture than its own).
    o.pass = statistics ? 1 : 0;
    if (o.vcodec == "libx264") o.extraOptions = withLine(o.extraOptions, "fastfirstpass=0");
    return;
  }
  o.pass = statistics ? 2 : 0;
  o.extraOptions = withoutQuality(o.extraOptions);
  o.vb = videoRate_;
  o.maxrate = -1;
  o.bufsize = -1;
}

std::string RowFit::note() const {
  const std::string into = "Fitting into " + sizeText(target_) + ": ";
  if (mode_ == Mode::OnePass) return fitNote(target_, plan_, profile_);
  switch (encode_) {
    case 0: return into + "first pass at the profile's own quality";
    case 1: return into + "second pass, video " + kbitText(videoRate_);
    default: return into + "encoding the video again at " + kbitText(videoRate_);
  }
}

RowFit::Step RowFit::next(const OutputMeasure &m) {
  record_.reachedBytes = m.fileBytes;
  if (m.fileBytes < 0) {
    reason_ = outcomeNote_ = "the size of the output is unknown";
    return Step::Fail;
  }
  const int64_t container = std::max<int64_t>(m.fileBytes - m.packetBytes, 0);
  const int64_t sound = std::max<int64_t>(m.packetBytes - m.videoPacketBytes, 0);
  outcomeNote_ = "Fitting into " + sizeText(target_) + ": the " + (encode_ == 0 ? "first " : "") + "output came out at " +
                 sizeText(m.fileBytes) + " (" + std::to_string(m.fileBytes * 100 / std::max<int64_t>(target_, 1)) +
                 "%; the container " + sizeText(container) + ", the sound " + sizeText(sound) + ")";
  if (m.fileBytes <= target_) {
    reason_.clear();
    removePassLogs();
    return Step::Done;
  }
  const std::string over =
      "the output came out at " + sizeText(m.fileBytes) + ", over the " + sizeText(target_) + " asked for";
  reason_ = over;
  if (mode_ == Mode::OnePass || encode_ >= 2) return Step::Fail;
  // The libraries' own encoders refuse a second pass at a rate their
  // coarsest quantiser cannot reach, and come out over it at that rate
  // alone; a little is kept over it.
  const int64_t coarsestBits = coarsestVideoBits(stem_);
  const int64_t lowest =
      std::max<int64_t>(lowestRate_, coarsestBits < 0 ? 0 : coarsestBits * 1000 * 21 / 20 / durationMs_);
  int64_t rate = 0;
  if (encode_ == 0) {
    // What the container adds and the sound's bytes, as the first pass
    // wrote them, come off the size; the rest is the picture's.
    const int64_t budget = static_cast<int64_t>(static_cast<double>(target_) * (1.0 - kPassMargin)) - container - sound;
    rate = budget * 8000 / durationMs_;
    if (profile_.vb > 0) rate = std::min<int64_t>(rate, profile_.vb);
    if (rate < lowest) {
      record_.reachedBytes = -1;  // the first pass's output is not the fit's
      // Below the profile's own rate, no lower one does: what it made is the least.
      const int64_t least = profile_.vb > 0 && lowest > profile_.vb
                                ? m.fileBytes
                                : static_cast<int64_t>(static_cast<double>(lowest * durationMs_ / 8000 + sound + container) /
                                                       (1.0 - kPassMargin));
      reason_ = "cannot fit " + formatDuration((durationMs_ + 999) / 1000, ":") + " into " + sizeText(target_) +
                ": the picture at its lowest useful rate and the sound need " + sizeText(least);
      return Step::Fail;
    }
  } else {
    // The excess over a little below the size comes off the video's rate.
    const int64_t excessBits = (m.fileBytes - target_ * kAgainPercent / 100) * 8;
    rate = videoRate_ - excessBits * 1000 / durationMs_;
    if (rate < lowest) {
      reason_ = over + ", too far over for a lower rate to reach it";
      return Step::Fail;
    }
    record_.again = true;
  }
  videoRate_ = static_cast<int32_t>(std::min<int64_t>(rate, INT32_MAX));
  record_.videoBitRate = videoRate_;
  record_.reachedBytes = -1;
  reason_.clear();
  ++encode_;
  return Step::Encode;
}

int RowFit::barPercent(int64_t percent) const {
  const int64_t p = std::clamp<int64_t>(percent, 0, 100);
  if (mode_ == Mode::OnePass) return static_cast<int>(p);
  static const int kShares[][2] = {{0, 45}, {45, 90}, {90, 100}};
  const int *share = kShares[std::min(encode_, 2)];
  return static_cast<int>(share[0] + (share[1] - share[0]) * p / 100);
}

void RowFit::removePassLogs() {
  if (stem_.empty()) return;
  const std::filesystem::path stem(stem_);
  const std::string prefix = stem.filename().string();
  std::error_code ec;
  for (const auto &e : std::filesystem::directory_iterator(stem.parent_path(), ec)) {
    if (e.path().filename().string().rfind(prefix, 0) != 0) continue;
    std::error_code ignored;
    std::filesystem::remove(e.path(), ignored);
  }
}

std::string passLogStemIn(const std::string &folder) {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device seed;
  std::mt19937 pick(seed());
  std::uniform_int_distribution<int> letter(0, sizeof kLetters - 2);
  const std::filesystem::path base = folder.empty() ? std::filesystem::path(".") : std::filesystem::path(folder);
  for (;;) {
    std::string name = ".trevix-pass-";
    for (int i = 0; i < 8; ++i) name += kLetters[letter(pick)];
    bool taken = false;
    std::error_code ec;
    for (const auto &e : std::filesystem::directory_iterator(base, ec))
      taken = taken || e.path().filename().string().rfind(name, 0) == 0;
    if (!taken) return (base / name).string();
  }
}
