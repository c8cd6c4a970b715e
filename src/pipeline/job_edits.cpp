#include "job_edits.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace {

// Digits only, at least one: their value; none otherwise.
std::optional<int64_t> wholeNumber(const std::string &text) {
  if (text.empty() || text.size() > 12) return std::nullopt;
  int64_t v = 0;
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
    v = v * 10 + (c - '0');
  }
  return v;
}

// "5", "5.5", "05.250": milliseconds.
std::optional<int64_t> secondsText(const std::string &text) {
  const size_t dot = text.find('.');
  const auto whole = wholeNumber(text.substr(0, dot));
  if (!whole) return std::nullopt;
  int64_t ms = *whole * 1000;
  if (dot == std::string::npos) return ms;
  const std::string decimals = text.substr(dot + 1);
  if (decimals.size() > 3) return std::nullopt;
  if (!decimals.empty()) {
    const auto fraction = wholeNumber(decimals);
    if (!fraction) return std::nullopt;
    ms += *fraction * (decimals.size() == 1 ? 100 : decimals.size() == 2 ? 10 : 1);
  }
  return ms;
}

}  // namespace

std::optional<int64_t> parseTimeText(const std::string &text) {
  const size_t first = text.find(':');
  if (first == std::string::npos) return secondsText(text);
  const size_t second = text.find(':', first + 1);
  if (second == std::string::npos || text.find(':', second + 1) != std::string::npos) return std::nullopt;
  const auto hours = wholeNumber(text.substr(0, first));
  const auto minutes = wholeNumber(text.substr(first + 1, second - first - 1));
  const auto seconds = secondsText(text.substr(second + 1));
  if (!hours || !minutes || !seconds || *minutes >= 60 || *seconds >= 60000) return std::nullopt;
  return (*hours * 3600 + *minutes * 60) * 1000 + *seconds;
}

std::string cutTimeText(int64_t ms) {
  ms = std::max<int64_t>(ms, 0);
  char text[32];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld.%03lld", static_cast<long long>(ms / 3600000),
                static_cast<long long>(ms / 60000 % 60), static_cast<long long>(ms / 1000 % 60),
                static_cast<long long>(ms % 1000));
  return text;
}

std::string cutProblem(const SourceJob &job) {
  const JobEdits &e = job.edits;
  if (!e.cut()) return {};
  if (e.endMs >= 0 && e.startMs >= e.endMs)
    return "The cut starts at " + cutTimeText(e.startMs) + ", at or after its end at " + cutTimeText(e.endMs) + ".";
  const int64_t lengthMs = job.probe.durationUs / 1000;
  if (job.probe.opened && job.probe.durationUs >= 0 && e.startMs >= lengthMs)
    return "The cut starts at " + cutTimeText(e.startMs) + ", past the end of the clip at " + cutTimeText(lengthMs) +
           ".";
  return {};
}

void applyJobEdits(const JobEdits &edits, const ProbeSummary &probe, int64_t startMs, InputOptions &in,
                   OutputOptions &out) {
  in.rotateDegrees = edits.rotation;
  if (!edits.cut()) return;
  in.startTimeMs = static_cast<int32_t>(std::clamp<int64_t>(startMs, 0, INT32_MAX));
  int64_t endMs = edits.endMs;
  if (probe.durationUs >= 0) endMs = endMs >= 0 ? std::min(endMs, probe.durationUs / 1000) : probe.durationUs / 1000;
  if (endMs > startMs) out.recordingTimeMs = static_cast<int32_t>(std::min<int64_t>(endMs - startMs, INT32_MAX));
}

int64_t copyStartMs(int64_t askedMs, int64_t keyframeMs) {
  return keyframeMs >= 0 && keyframeMs <= askedMs ? keyframeMs : askedMs;
}

std::string copyStartNote(int64_t askedMs, int64_t startMs) {
  if (startMs >= askedMs) return {};
  return "The pictures are copied, so the cut starts at the keyframe at " + cutTimeText(startMs) +
         " (asked for " + cutTimeText(askedMs) + ").";
}
