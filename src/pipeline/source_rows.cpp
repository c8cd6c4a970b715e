#include "source_rows.h"

#include "pipeline_text.h"

TSourceRowTexts MakeSourceRow(const std::string &path, const TProbeSummary &probe,
                              const std::string &outputType) {
  TSourceRowTexts row;
  row.Caption = path;
  if (!probe.Opened) {
    row.Progress = "Error";
    return row;
  }
  if (probe.VideoStreamCount > 0) {
    row.VideoSize = std::to_string(probe.Width) + "x" + std::to_string(probe.Height);
    row.FrameRate = FrameRateDisplayText(probe.FrameRateNum, probe.FrameRateDen);
  } else {
    row.VideoSize = " ";
    row.FrameRate = " ";
  }
  row.Duration = probe.DurationUs < 0 ? "Unknown" : FormatDuration(probe.DurationUs / 1000000, ":");
  row.Output = outputType;
  return row;
}
