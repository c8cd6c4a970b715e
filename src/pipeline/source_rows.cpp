#include "source_rows.h"

#include "pipeline_text.h"

SourceRowTexts makeSourceRow(const std::string &path, const ProbeSummary &probe,
                              const std::string &outputType) {
  SourceRowTexts row;
  row.caption = path;
  if (!probe.opened) {
    row.progress = "Error";
    return row;
  }
  if (probe.videoStreamCount > 0) {
    row.videoSize = std::to_string(probe.width) + "x" + std::to_string(probe.height);
    row.frameRate = frameRateDisplayText(probe.frameRateNum, probe.frameRateDen);
  } else {
    row.videoSize = " ";
    row.frameRate = " ";
  }
  row.duration = probe.durationUs < 0 ? "Unknown" : formatDuration(probe.durationUs / 1000000, ":");
  row.output = outputType;
  return row;
}
