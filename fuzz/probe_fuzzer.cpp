// The probe and the opening of a source: the fuzzer's bytes written to a
// file with a QuickTime or MPEG-4 extension, probed as the add-file
// procedure probes it (and listed as the source list shows it), read
// stream by stream through the probe, then opened as a task's input by the
// component under a short time limit.
#include <fuzzer/FuzzedDataProvider.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz_support.h"
#include "job_request.h"
#include "media_engine.h"
#include "media_probe.h"
#include "source_jobs.h"

namespace {

void writeFile(const std::string &path, const uint8_t *data, size_t size) {
  std::FILE *f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  if (size && std::fwrite(data, 1, size, f) != size) std::abort();
  std::fclose(f);
}

// Stops an opening that still runs after this long (a slow stream-info
// search); the fuzzer's own -timeout catches one that ignores the stop.
constexpr std::chrono::milliseconds kOpeningLimit{2000};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  fuzzEngine().setLogLevel(LogLevel::Quiet);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static Watchdog watchdog([] { fuzzEngine().interrupt(); });
  MediaEngine &engine = fuzzEngine();
  engine.probe().clearInterrupt();

  // The last byte picks the extension, so the content stays the file's own.
  const std::string path =
      fuzzScratchFolder() + ((size && (data[size - 1] & 1)) ? "/probe.mp4" : "/probe.mov");
  writeFile(path, data, size);

  // The add-file procedure's probe and the source list's texts.
  watchdog.arm(kOpeningLimit);
  const ProbeSummary summary = probeSourceFile(engine.probe(), path);
  watchdog.disarm();
  const SourceJob job = makeSourceJob(path, summary, summary.opened ? "MP4" : "");
  for (int column = 0; column < kSourceListColumnCount; ++column)
    (void)sourceJobText(job, static_cast<SourceListColumn>(column));
  (void)sourceJobHint(job);
  (void)sourceLengthUnknown(summary);

  // Every stream as the probe describes it.
  engine.probe().clearInterrupt();
  MediaProbe &probe = engine.probe();
  watchdog.arm(kOpeningLimit);
  if (probe.open(path)) {
    MediaFileInfo info;
    probe.getFileInfo(info);
    for (int32_t i = -1; i < probe.streamCount(); ++i) {
      VideoStreamInfo v;
      probe.getVideoStreamInfo(i, v);
    }
    probe.close();
  }
  watchdog.disarm();

  // The source as a task's input.
  engine.probe().clearInterrupt();
  InputOptions input;
  input.startTimeMs = 0;
  watchdog.arm(kOpeningLimit);
  engine.addTask(path, &input);
  watchdog.disarm();
  engine.clearTasks();
  return 0;
}
