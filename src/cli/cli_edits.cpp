#include "cli_edits.h"

#include "job_edits.h"
#include "target_size.h"

namespace {

int64_t timeOption(const char *name, const std::string &text) {
  const std::optional<int64_t> ms = parseTimeText(text);
  if (!ms) throw UsageError(std::string(name) + " \"" + text + "\" is not a time: give seconds (\"5.5\") or HH:MM:SS[.mmm]");
  return *ms;
}

}  // namespace

JobEdits jobEditsOption(const CliOptions &options) {
  JobEdits e;
  if (!options.rotate.empty()) {
    const std::string &r = options.rotate;
    if (r == "0" || r == "90" || r == "180" || r == "270") e.rotation = std::stoi(r);
    else throw UsageError("--rotate \"" + r + "\" is not a turn: give 90, 180 or 270 (degrees clockwise)");
  }
  if (!options.start.empty()) e.startMs = timeOption("--start", options.start);
  if (!options.end.empty()) e.endMs = timeOption("--end", options.end);
  if (e.endMs >= 0 && e.startMs >= e.endMs)
    throw UsageError("--start " + cutTimeText(e.startMs) + " is not before --end " + cutTimeText(e.endMs));
  return e;
}

int64_t targetSizeOption(const CliOptions &options) {
  if (options.targetSize.empty()) return 0;
  const std::optional<int64_t> bytes = parseSizeText(options.targetSize);
  if (!bytes)
    throw UsageError("--target-size \"" + options.targetSize + "\" is not a size: give it as 25MB, 8MiB, 700KB or 1.5GB");
  return *bytes;
}
